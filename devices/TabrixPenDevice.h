#pragma once

#include "IDevice.h"
#include "platform/HidDeviceInfo.h"

#include <QElapsedTimer>
#include <QHash>
#include <mutex>
#include <QSet>

// Pen tablets and pen displays served by libTabrixPen: pen packets pass through unchanged,
// key packets become the cancel, clear and ok signals.
class TabrixPenDevice : public IDevice
{
    Q_OBJECT

public:
    explicit TabrixPenDevice(QObject *parent = nullptr);
    ~TabrixPenDevice() override;

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
    bool isOpenDevicePresent() override;

    // The product names of our pen displays: tablets with a screen of their own.
    static const QSet<QString> &screenDeviceModels();

    static int TABRIX_STDCALL packetCallback(TABLET_PACKET packet);
    void handleKeyPacket(const TABLET_PACKET &packet);
    // The debounce itself, with the clock reading given (milliseconds).
    void handleKeyPacketAt(const TABLET_PACKET &packet, qint64 now);

private:
    QElapsedTimer m_keyTimer;
    QHash<int, qint64> m_lastKeyTime;
    TABLET_CONTEXT m_context{};
    int m_width = 0;
    int m_height = 0;
    int m_pressure = 0;
    QString m_serialNumber;
    QString m_deviceName;
    bool m_isScreenDevice = false;
    qint64 m_packetCallbackId = -1;
    // The interface the library opened; an empty path when no present tablet's name could be
    // read as the one in the context.
    platform::HidDeviceInfo m_openInterface;
    // The device thread opens and closes on USB events while the hub opens again on the main
    // thread; the context copies are written by both. A standard mutex, which ThreadSanitizer
    // sees.
    mutable std::mutex m_lock;
};
