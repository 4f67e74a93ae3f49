#include "DeviceManager.h"

#include "DeviceManagerWorker.h"
#include "IDevice.h"

#include <QThread>
#include <QtDebug>

namespace {

// A presence test in progress sleeps 300 ms and calls into the tablet library.
const unsigned long StopWaitMs = 5000;

} // namespace

DeviceManager::DeviceManager(QObject *parent)
    : QObject(parent)
    , m_thread(new QThread(this))
    , m_worker(new DeviceManagerWorker)
{
    registerDeviceMetaTypes();
    m_thread->setObjectName(QStringLiteral("DeviceThread"));
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::started, m_worker, &DeviceManagerWorker::startMonitoring);
    connect(m_worker, &DeviceManagerWorker::deviceConnected, this, &DeviceManager::deviceConnected);
    connect(m_worker, &DeviceManagerWorker::deviceDisconnected, this, &DeviceManager::deviceDisconnected);
    // Wired before the thread starts, so the device thread only reads what was made before it.
    // The monitor and its notifier belong to the device thread, which ends right after.
    DeviceManagerWorker *worker = m_worker;
    connect(this, &DeviceManager::stopRequested, m_worker, [worker] {
        worker->stopMonitoring();
        worker->thread()->quit();
    });
}

DeviceManager::~DeviceManager()
{
    stop();
    // Past the bounded stop the thread may still be testing a device: neither the worker nor
    // the thread may go before it ends.
    m_thread->wait();
    delete m_worker;
}

void DeviceManager::registerDevice(IDevice *device)
{
    m_worker->registerDevice(device);
}

void DeviceManager::start()
{
    m_thread->start(QThread::InheritPriority);
}

void DeviceManager::stop()
{
    if (!m_thread->isRunning())
        return;
    emit stopRequested(QPrivateSignal());
    if (!m_thread->wait(StopWaitMs))
        qWarning() << "Device thread did not end in time.";
}
