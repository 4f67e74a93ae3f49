#include "DeviceController.h"

#include "DeviceManager.h"
#include "OrvelDevice.h"
#include "TabrixPenDevice.h"

#include "platform/Windows.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QX11Info>
#include <QtDebug>

DeviceController::DeviceController()
    : m_deviceManager(new DeviceManager(this))
{
    m_deviceManager->registerDevice(new TabrixPenDevice(this));
    m_deviceManager->registerDevice(new OrvelDevice(this));
    connect(m_deviceManager, &DeviceManager::deviceConnected, this, &DeviceController::onDeviceConnected);
    connect(m_deviceManager, &DeviceManager::deviceDisconnected, this, &DeviceController::onDeviceDisconnected);
    m_deviceManager->start();
    // The device thread may be inside a presence test that calls into a device library; it
    // must end before those libraries unload at exit.
    qAddPostRoutine([] { DeviceController::instance()->shutdown(); });
}

QSharedPointer<DeviceController> DeviceController::instance()
{
    // Held here until the process ends, and the deleter does nothing: whoever drops a pointer,
    // there is never a second hub.
    static const QSharedPointer<DeviceController> hub(new DeviceController, [](DeviceController *) {});
    return hub;
}

void DeviceController::shutdown()
{
    m_deviceManager->stop();
    for (OrvelDevice *pad : findChildren<OrvelDevice *>())
        pad->stopPolling();
}

QJsonObject DeviceController::statusEvent(int status)
{
    return QJsonObject{{QStringLiteral("type"), QStringLiteral("device")}, {QStringLiteral("status"), status}};
}

void DeviceController::startSignature(bool fromPdf, const QString &title)
{
    // The new board is built for the device current now; a signature still open on another
    // device ends there.
    IDevice *signing = signingDevice();
    if (signing && signing != m_currentDevice)
        signing->endSignature();
    m_openSignature.reset();
    if (fromPdf)
        emit openPaintBoardFromPdf(title);
    else
        emit openPaintBoard();
    // A board that this request replaced is deleted later, and its successor is shown only
    // then: let that happen now, so the device starts on the board that stays.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The pad library looks the board's window up on the X server: the server must have
    // handled Qt's requests for it. A plain round trip; QGuiApplication::sync() would also
    // handle queued input, such as a second press of Sign, in the middle of this one.
    if (QX11Info::isPlatformX11())
        platform::windows::roundTrip(QX11Info::connection());
    QThread::msleep(200);
    if (m_currentDevice)
        m_currentDevice->startSignature(m_signWidth, m_signHeight);
    m_openSignature = OpenSignature{fromPdf, title, m_currentDevice, identityOf(m_currentDevice)};
}

void DeviceController::endSignature()
{
    emit closePaintBoard();
    IDevice *signing = signingDevice();
    m_openSignature.reset();
    if (signing && signing != m_currentDevice)
        signing->endSignature();
    if (m_currentDevice)
        m_currentDevice->endSignature();
}

void DeviceController::clearSignature()
{
    if (IDevice *device = signingDevice())
        device->clearSignature();
}

int DeviceController::setPenColor(const int &r, const int &g, const int &b)
{
    emit setPenColorSignal(r, g, b);
    m_penColor = QColor(r, g, b);
    return m_currentDevice ? m_currentDevice->setPenColor(r, g, b) : 1;
}

int DeviceController::setPenSize(const int &min, const int &max)
{
    emit setPenSizeSignal(min, max);
    m_penSize = qMakePair(min, max);
    return m_currentDevice ? m_currentDevice->setPenSize(min, max) : 1;
}

void DeviceController::setSignWindowSize(const int &width, const int &height)
{
    m_signWidth = width;
    m_signHeight = height;
}

QString DeviceController::deviceName() const
{
    return m_currentDevice ? m_currentDevice->deviceName() : QString();
}

bool DeviceController::hasDevice() const
{
    return m_currentDevice != nullptr;
}

int DeviceController::deviceType() const
{
    return typeOf(signingDevice());
}

int DeviceController::tabletWidth() const
{
    IDevice *device = signingDevice();
    return device ? device->tabletWidth() : 0;
}

int DeviceController::tabletHeight() const
{
    IDevice *device = signingDevice();
    return device ? device->tabletHeight() : 0;
}

int DeviceController::maxPressure() const
{
    IDevice *device = signingDevice();
    return device ? device->maxPressure() : 0;
}

bool DeviceController::isScreenDevice() const
{
    IDevice *device = signingDevice();
    return device ? device->isScreenDevice() : false;
}

IDevice *DeviceController::signingDevice() const
{
    if (m_openSignature && m_openSignature->device && !m_openSignature->deviceGone)
        return m_openSignature->device;
    return m_currentDevice;
}

int DeviceController::typeOf(IDevice *device)
{
    if (device && device->inherits("OrvelDevice"))
        return 2;
    if (device && device->inherits("TabrixPenDevice"))
        return 1;
    return 0;
}

void DeviceController::onDeviceConnected(IDevice *device)
{
    m_connected.removeAll(device);
    m_connected.append(device);
    becomeCurrent(device, true);
    if (m_openSignature)
        carryOnSignature(device);
}

void DeviceController::becomeCurrent(IDevice *device, bool openAgain)
{
    m_currentDevice = device;
    disconnect(device, nullptr, this, nullptr);
    emit statusChanged(statusEvent(1));
    emit deviceStatusChanged(device->deviceName(), 1);
    if (openAgain)
        device->open();
    if (m_penSize)
        device->setPenSize(m_penSize->first, m_penSize->second);
    if (m_penColor)
        device->setPenColor(m_penColor->red(), m_penColor->green(), m_penColor->blue());
    connect(device, &IDevice::cancelBtnClicked, this, &DeviceController::onCancelBtnClicked, Qt::UniqueConnection);
    connect(device, &IDevice::clearBtnClicked, this, &DeviceController::onClearBtnClicked, Qt::UniqueConnection);
    connect(device, &IDevice::okBtnClicked, this, &DeviceController::onOkBtnClicked, Qt::UniqueConnection);
    connect(device, &IDevice::signPicAvailable, this, &DeviceController::onSignPicAvailable, Qt::UniqueConnection);
    connect(device, &IDevice::receivedPenPacket, this, &DeviceController::handlePenPacket, Qt::UniqueConnection);
}

QString DeviceController::identityOf(IDevice *device)
{
    return device ? device->deviceName() + QLatin1Char('\n') + device->serialNumber() : QString();
}

void DeviceController::carryOnSignature(IDevice *device)
{
    const OpenSignature open = *m_openSignature;
    // A device plugged in while the signature's own is still there must not take the signer's
    // ink away: the signature goes on where it is, that device still wired to the hub.
    if (open.device && !open.deviceGone)
        return;
    if (device == open.device && identityOf(device) == open.identity) {
        qDebug() << "Signature carried on with the device back:" << device;
        m_openSignature->deviceGone = false;
        device->startSignature(m_signWidth, m_signHeight);
        // The pad's library starts an empty record: the board must neither show nor hand on
        // the picture from before.
        if (typeOf(device) == 2)
            emit clearPaintBoard();
        return;
    }
    // The board was built for the device before (its kind, ranges and screen): the signature
    // starts again on a board built for this one.
    qDebug() << "Signature moved to the device now current:" << device;
    if (open.device && open.device != device)
        open.device->endSignature();
    startSignature(open.fromPdf, open.title);
}

void DeviceController::onDeviceDisconnected(IDevice *device)
{
    m_connected.removeAll(device);
    disconnect(device, nullptr, this, nullptr);
    const bool wasCurrent = device == m_currentDevice;
    if (wasCurrent) {
        device->close();
        m_currentDevice = nullptr;
    }
    emit statusChanged(statusEvent(0));
    emit deviceStatusChanged(device->deviceName(), 0);
    // One still connected is never announced again: it serves from now on, as it is (open,
    // perhaps with the signature on it).
    if (wasCurrent && !m_connected.isEmpty())
        becomeCurrent(m_connected.last(), false);
    // The signature's device went while another is current: the signature moves to that one.
    if (m_openSignature && device == m_openSignature->device) {
        m_openSignature->deviceGone = true;
        if (m_currentDevice)
            carryOnSignature(m_currentDevice);
    }
}

void DeviceController::onCancelBtnClicked()
{
    emit cancelBtnClicked();
}

void DeviceController::onClearBtnClicked()
{
    emit clearBtnClicked();
}

void DeviceController::onOkBtnClicked()
{
    emit okBtnClicked();
}

void DeviceController::onSignPicAvailable(QImage img)
{
    emit signPicAvailable(img);
}

void DeviceController::handlePenPacket(TABLET_PACKET packet)
{
    emit penPacketReceived(packet);
}
