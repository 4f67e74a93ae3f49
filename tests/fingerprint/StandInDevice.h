#pragma once

#include "DeviceController.h"
#include "IDevice.h"

#include <QMetaObject>

// A signature device that answers to the hub as the adapter class it is given, so the hub
// reports that adapter's device type; optionally a pen display with a tablet range.
class StandInDevice : public IDevice
{
public:
    StandInDevice(const char *adapterClass, bool screen = false, int width = 0, int height = 0)
        : m_adapterClass(adapterClass), m_screen(screen), m_width(width), m_height(height)
    {
    }

    // Makes this the hub's current device; null leaves the hub with none.
    static void announce(StandInDevice *device, StandInDevice *previous = nullptr)
    {
        QObject *hub = DeviceController::instance().data();
        if (previous)
            QMetaObject::invokeMethod(hub, "onDeviceDisconnected", Q_ARG(IDevice *, previous));
        if (device)
            QMetaObject::invokeMethod(hub, "onDeviceConnected", Q_ARG(IDevice *, device));
    }

    void *qt_metacast(const char *name) override
    {
        return qstrcmp(name, m_adapterClass) == 0 ? this : IDevice::qt_metacast(name);
    }

    bool checkDevice() override { return true; }
    int open() override { return 1; }
    void close() override {}
    QString deviceName() override { return QString::fromLatin1(m_adapterClass); }
    QString serialNumber() override { return QString(); }
    int tabletWidth() override { return m_width; }
    int tabletHeight() override { return m_height; }
    int maxPressure() override { return 0; }
    int startSignature(const int &, const int &) override { return 1; }
    int endSignature() override { return 1; }
    int clearSignature() override { return 1; }
    int setPenSize(const int &, const int &) override { return 1; }
    int setPenColor(const int &, const int &, const int &) override { return 1; }
    int activateMouse(const bool &) override { return 1; }
    bool isScreenDevice() override { return m_screen; }

private:
    const char *m_adapterClass;
    bool m_screen;
    int m_width;
    int m_height;
};
