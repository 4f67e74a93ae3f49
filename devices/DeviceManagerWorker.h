#pragma once

#include "platform/HidMonitor.h"
#include "platform/UsbMonitor.h"

#include <QList>
#include <QMap>
#include <QObject>

#include <memory>

class IDevice;
class QSocketNotifier;
class QTimer;

// Lives on the device thread: keeps the registered devices with a connection state each,
// follows USB arrivals and removals and connects or disconnects devices.
class DeviceManagerWorker : public QObject
{
    Q_OBJECT

public:
    enum State { NotConnected = 0, Connected = 2 };

    explicit DeviceManagerWorker(QObject *parent = nullptr);
    ~DeviceManagerWorker() override;

    // Before the device thread starts; a device registered twice stays once.
    void registerDevice(IDevice *device);

public slots:
    void startMonitoring();
    void stopMonitoring();
    void handleDeviceChange(platform::UsbEvent::Kind event);
    void tryConnect(IDevice *device);
    void scanDevices();

signals:
    void deviceConnected(IDevice *device);
    void deviceDisconnected(IDevice *device);

private:
    void disconnectDevice(IDevice *device);
    void readUsbEvents();
    // A USB device is announced before its HID interfaces exist (and before the seat's access
    // rule has run on them): for a bounded time after an arrival, each new HID interface is
    // another chance for the devices not connected yet.
    void awaitInterfaces();
    void readInterfaceEvents();
    void endInterfaceWait();
    void connectAll();

    QList<IDevice *> m_devices;
    QMap<IDevice *, int> m_deviceStates;
    std::unique_ptr<platform::UsbMonitor> m_monitor;
    QSocketNotifier *m_notifier = nullptr;
    std::unique_ptr<platform::HidMonitor> m_interfaceMonitor;
    QSocketNotifier *m_interfaceNotifier = nullptr;
    QTimer *m_interfaceWait;
};
