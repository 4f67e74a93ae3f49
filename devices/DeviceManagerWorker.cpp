#include "DeviceManagerWorker.h"

#include "IDevice.h"
#include "platform/Hid.h"

#include <QSocketNotifier>
#include <QTimer>
#include <QtDebug>

#include <algorithm>

namespace {

// udev has made the nodes of a plugged device and applied its rules well within this.
constexpr int InterfaceWaitMs = 1000;

} // namespace

DeviceManagerWorker::DeviceManagerWorker(QObject *parent)
    : QObject(parent)
    , m_interfaceWait(new QTimer(this))
{
    m_interfaceWait->setSingleShot(true);
    m_interfaceWait->setInterval(InterfaceWaitMs);
    connect(m_interfaceWait, &QTimer::timeout, this, &DeviceManagerWorker::endInterfaceWait);
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
    endInterfaceWait();
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
        // Following interfaces before the tests, so none that comes after them is missed.
        awaitInterfaces();
        connectAll();
    } else {
        // Devices are not told apart by the event: each connected device is asked. One still
        // there goes on serving, its open signature with it. One whose opened device went is
        // disconnected at once, whatever is back in its place; another of its kind present (a
        // second tablet, or the same one plugged back) is then connected afresh.
        qDebug() << "USB device removed.";
        for (IDevice *device : qAsConst(m_devices)) {
            if (m_deviceStates.value(device) != Connected)
                continue;
            if (!device->isOpenDevicePresent()) {
                disconnectDevice(device);
                tryConnect(device);
            } else if (!device->checkDevice()) {
                disconnectDevice(device);
            }
        }
    }
}

void DeviceManagerWorker::connectAll()
{
    for (IDevice *device : qAsConst(m_devices))
        tryConnect(device);
    const auto connected = [this](IDevice *device) { return m_deviceStates.value(device) == Connected; };
    if (std::all_of(m_devices.cbegin(), m_devices.cend(), connected))
        endInterfaceWait();
}

void DeviceManagerWorker::awaitInterfaces()
{
    if (!m_interfaceMonitor) {
        m_interfaceMonitor = platform::hid::monitor();
        if (!m_interfaceMonitor)
            return;
        m_interfaceNotifier = new QSocketNotifier(m_interfaceMonitor->fd(), QSocketNotifier::Read, this);
        connect(m_interfaceNotifier, &QSocketNotifier::activated, this, &DeviceManagerWorker::readInterfaceEvents);
    }
    m_interfaceWait->start();
}

void DeviceManagerWorker::readInterfaceEvents()
{
    bool arrived = false;
    platform::HidEvent event;
    while (m_interfaceMonitor && m_interfaceMonitor->next(event))
        arrived = arrived || event.kind == platform::HidEvent::Arrived;
    if (!arrived)
        return;
    qDebug() << "HID interface arrived.";
    connectAll();
}

void DeviceManagerWorker::endInterfaceWait()
{
    m_interfaceWait->stop();
    delete m_interfaceNotifier;
    m_interfaceNotifier = nullptr;
    m_interfaceMonitor.reset();
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
