#pragma once

#include "IDevice.h"

class OrvelSignWorker;

// The signature pad served by libVelmora: the library draws the live ink into the writing
// board's window itself and reports the pad's keys through a callback; a worker polls its
// picture of the ink.
class OrvelDevice : public IDevice
{
    Q_OBJECT

public:
    explicit OrvelDevice(QObject *parent = nullptr);
    ~OrvelDevice() override;

    bool checkDevice() override;
    int open() override;
    void close() override;
    QString deviceName() override;
    QString serialNumber() override;
    int tabletWidth() override;
    int tabletHeight() override;
    int maxPressure() override;
    int startSignature(const int &width, const int &height) override;
    int endSignature() override;
    int clearSignature() override;
    int setPenSize(const int &min, const int &max) override;
    int setPenColor(const int &r, const int &g, const int &b) override;
    int activateMouse(const bool &activate) override;
    bool isScreenDevice() override;

    static void keyPressCallback(int key);

    // Ends the picture polling, which calls into the library, without ending the capture: at
    // exit the library may unload, but no device is closed.
    void stopPolling();

    OrvelSignWorker *m_signWorker = nullptr;

private:
    // The pad's ok, on the main thread: the final picture first, then the key.
    void confirmWithLastInk();

    // The board's size the capture was last started with: the capture starts again with it
    // after an ok that had nothing to confirm.
    int m_startWidth = 0;
    int m_startHeight = 0;
};
