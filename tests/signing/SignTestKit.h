#pragma once

#include "DeviceController.h"
#include "IDevice.h"

#include <QImage>
#include <QStringList>
#include <QtGlobal>

#include <functional>

// A device with the ranges a test chooses. The hub tells the kinds of device apart by class
// name: the stand-ins below carry the adapters' names.
class RangedDevice : public IDevice
{
public:
    RangedDevice(int width, int height, int pressure, bool screen = false)
        : m_width(width), m_height(height), m_pressure(pressure), m_screen(screen)
    {
    }

    bool checkDevice() override { return true; }
    int open() override { return 1; }
    void close() override {}
    QString deviceName() override { return QStringLiteral("ranged"); }
    QString serialNumber() override { return QString(); }
    int tabletWidth() override { return m_width; }
    int tabletHeight() override { return m_height; }
    int maxPressure() override { return m_pressure; }
    int startSignature(const int &, const int &) override
    {
        if (started)
            started();
        return 1;
    }
    int endSignature() override { return 1; }
    int clearSignature() override { return 1; }
    int setPenSize(const int &, const int &) override { return 1; }
    int setPenColor(const int &, const int &, const int &) override { return 1; }
    int activateMouse(const bool &) override { return 1; }
    bool isScreenDevice() override { return m_screen; }

    // Run whenever the hub starts a signature on this device.
    std::function<void()> started;

    // Makes this the hub's current device.
    void makeCurrent()
    {
        QMetaObject::invokeMethod(DeviceController::instance().data(), "onDeviceConnected", Q_ARG(IDevice *, this));
    }

private:
    int m_width, m_height, m_pressure;
    bool m_screen;
};

// Stand-ins named after the adapters, private to each test that includes this file (with
// "moc_SignTestKit.cpp"), so that they never meet the real adapters of the device library.
namespace {

class TabrixPenDevice : public RangedDevice
{
    Q_OBJECT
public:
    using RangedDevice::RangedDevice;
};

class OrvelDevice : public RangedDevice
{
    Q_OBJECT
public:
    using RangedDevice::RangedDevice;
};

} // namespace

// Whether any pixel within `radius` of (x, y) carries ink.
inline bool inkNear(const QImage &picture, int x, int y, int radius = 2)
{
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
            if (picture.valid(x + dx, y + dy) && qAlpha(picture.pixel(x + dx, y + dy)) != 0)
                return true;
    return false;
}

// The log lines written while it lives.
class LogCapture
{
public:
    LogCapture() { s_lines = &lines; s_previous = qInstallMessageHandler(collect); }
    ~LogCapture() { qInstallMessageHandler(s_previous); s_lines = nullptr; }

    QStringList lines;

private:
    static void collect(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        if (s_lines)
            s_lines->append(message);
    }
    static inline QStringList *s_lines = nullptr;
    static inline QtMessageHandler s_previous = nullptr;
};
