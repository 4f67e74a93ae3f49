#pragma once

#include <QObject>

class DeviceManagerWorker;
class IDevice;
class QThread;

// Finds the signature devices at start and follows USB hot-plug on a device thread of its own.
class DeviceManager : public QObject
{
    Q_OBJECT

public:
    explicit DeviceManager(QObject *parent = nullptr);
    ~DeviceManager() override;

    // Before start(); the registration order is the order of every scan.
    void registerDevice(IDevice *device);
    void start();
    // Stops monitoring on the device thread and ends the thread (bounded); the devices stay
    // as they are. Safe to call more than once.
    void stop();

signals:
    void deviceConnected(IDevice *device);
    void deviceDisconnected(IDevice *device);
    // Carries stop() to the device thread.
    void stopRequested(QPrivateSignal);

private:
    QThread *m_thread;
    DeviceManagerWorker *m_worker;
};
