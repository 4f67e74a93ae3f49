#include "DeviceManagerWorker.h"

#include "IDevice.h"

#include <QSocketNotifier>
#include <QtDebug>

DeviceManagerWorker::DeviceManagerWorker(QObject *parent)
    : QObject(parent)
{
}

DeviceManagerWorker::~DeviceManagerWorker()
{
    stopMonitoring();
}

void DeviceManagerWorker::registerDevice(IDevice *device)
{
    if (m_devices.contains(device))
        return;
    m_devices.append(device);
    m_deviceStates.insert(device, NotConnected);
}

void DeviceManagerWorker::startMonitoring()
{
    m_monitor = platform::usb::monitor();
    if (m_monitor) {
        m_notifier = new QSocketNotifier(m_monitor->fd(), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &DeviceManagerWorker::readUsbEvents);
    } else {
        qDebug() << "Failed to register device notification.";
    }
    scanDevices();
    qDebug() << "Started monitoring USB events.";
}

void DeviceManagerWorker::stopMonitoring()
{
    delete m_notifier;
    m_notifier = nullptr;
    m_monitor.reset();
    qDebug() << "Stopped monitoring USB events.";
}

void DeviceManagerWorker::readUsbEvents()
{
    platform::UsbEvent event;
    while (m_monitor && m_monitor->next(event))
        handleDeviceChange(event.kind);
}

void DeviceManagerWorker::handleDeviceChange(platform::UsbEvent::Kind event)
{
    if (event == platform::UsbEvent::Arrived) {
        qDebug() << "USB device inserted.";
        for (IDevice *device : qAsConst(m_devices))
            tryConnect(device);
    } else {
        // Devices are not told apart by the event: every connected device goes, and those
        // still attached come back with the next arrival.
        qDebug() << "USB device removed.";
        for (IDevice *device : qAsConst(m_devices))
            if (m_deviceStates.value(device) == Connected)
                disconnectDevice(device);
    }
}

void DeviceManagerWorker::tryConnect(IDevice *device)
{
    if (m_deviceStates.value(device) != NotConnected)
        return;
    if (device->checkDevice()) {
        device->open();
        m_deviceStates.insert(device, Connected);
        emit deviceConnected(device);
        qDebug() << "Device connected:" << device;
    } else {
        qDebug() << "Device connection failed:" << device;
    }
}

void DeviceManagerWorker::scanDevices()
{
    qDebug() << "Scanning devices on startup...";
    for (IDevice *device : qAsConst(m_devices)) {
        if (device->checkDevice())
            tryConnect(device);
        else if (m_deviceStates.value(device) == Connected)
            disconnectDevice(device);
    }
}

void DeviceManagerWorker::disconnectDevice(IDevice *device)
{
    m_deviceStates.insert(device, NotConnected);
    device->close();
    emit deviceDisconnected(device);
    qDebug() << "Device disconnected:" << device;
}
