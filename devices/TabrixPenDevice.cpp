#include "TabrixPenDevice.h"

#include "platform/Hid.h"

#include <QThread>
#include <QtDebug>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

std::atomic<TabrixPenDevice *> s_device{nullptr};

QString narrowText(const char *text, size_t size)
{
    return QString::fromUtf8(text, static_cast<int>(strnlen(text, size)));
}

// Every supported tablet serves the library on this vendor's interface 2.
constexpr uint16_t TabletVendorId = 0x2B57;

// A product name as the library keeps it in the context: up to the first NUL, cut to the
// field less its terminator, never inside a character.
QByteArray contextForm(const std::u16string &name)
{
    QString text = QString::fromStdU16String(name);
    const int nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    const QByteArray utf8 = text.toUtf8();
    int size = std::min(utf8.size(), int(sizeof(TABLET_CONTEXT::productName)) - 1);
    while (size > 0 && size < utf8.size() && (static_cast<uchar>(utf8[size]) & 0xC0) == 0x80)
        --size;
    return utf8.left(size);
}

// The interface and product name (as the library keeps it) of each present tablet, in the
// system's order of its interfaces: the library takes the first of a model in that order.
std::vector<std::pair<platform::HidDeviceInfo, QByteArray>> presentTabletNames()
{
    std::vector<std::pair<platform::HidDeviceInfo, QByteArray>> tablets;
    for (const platform::HidDeviceInfo &info : platform::hid::enumerate()) {
        if (info.vendorId != TabletVendorId || info.interfaceNumber != 2)
            continue;
        const std::unique_ptr<platform::HidDevice> device = platform::hid::open(info.path);
        if (!device)
            continue;
        std::u16string name;
        // The tablets need a pause before each string request.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        if (device->indexedString(2, name))
            tablets.emplace_back(info, contextForm(name));
    }
    return tablets;
}

} // namespace

TabrixPenDevice::TabrixPenDevice(QObject *parent)
    : IDevice(parent)
{
    s_device = this;
}

TabrixPenDevice::~TabrixPenDevice()
{
    if (m_packetCallbackId != -1)
        TabrixClearCallback(m_packetCallbackId);
    s_device = nullptr;
}

const QSet<QString> &TabrixPenDevice::screenDeviceModels()
{
    static const QSet<QString> models = {
        QStringLiteral("Tabrix Pen Display 13"),     QStringLiteral("Tabrix Pen Display 13 Pro"),
        QStringLiteral("Tabrix Pen Display 16"),     QStringLiteral("Tabrix Pen Display 16 Pro"),
        QStringLiteral("Tabrix Pen Display 22"),     QStringLiteral("Tabrix Pen Display 24"),
        QStringLiteral("Tabrix Pen Display 24 Pro"), QStringLiteral("Tabrix Pen Display 27"),
    };
    return models;
}

bool TabrixPenDevice::checkDevice()
{
    QThread::msleep(300);
    const int code = TabrixCheckDevice();
    if (code == TABRIX_OK)
        return true;
    qDebug() << "TabrixPenDevice checkDevice failed with code:" << code;
    return false;
}

int TabrixPenDevice::open()
{
    // Asked before the lock: the strings take a while, and the hub reads the context meanwhile.
    const auto present = presentTabletNames();
    std::lock_guard<std::mutex> locker(m_lock);
    const int opened = TabrixOpen();
    if (opened != TABRIX_OK) {
        qWarning() << opened << ", open device failed. Please check the device.";
        return opened;
    }
    const int read = TabrixGetContext(&m_context);
    if (read != TABRIX_OK) {
        qWarning() << read << ", can not get device context.";
        return read;
    }
    m_width = m_context.maxX;
    m_height = m_context.maxY;
    // The 16-bit pressure and its two zero bytes, read as one value.
    quint32 pressure = 0;
    std::memcpy(&pressure, &m_context.maxPressure, sizeof pressure);
    m_pressure = static_cast<int>(pressure);
    m_serialNumber = narrowText(m_context.serial, sizeof m_context.serial);
    m_deviceName = narrowText(m_context.productName, sizeof m_context.productName);
    m_isScreenDevice = screenDeviceModels().contains(m_deviceName);
    const QByteArray productName(m_context.productName, int(strnlen(m_context.productName, sizeof m_context.productName)));
    const auto tablet = std::find_if(present.cbegin(), present.cend(),
                                     [&](const auto &named) { return named.second == productName; });
    m_openInterface = tablet == present.cend() ? platform::HidDeviceInfo() : tablet->first;
    qInfo() << "Device SN:" << m_serialNumber << ", Device Name:" << m_deviceName << ", Tablet Width:" << m_width
            << ", Tablet Height:" << m_height << ", Tablet Pressure:" << m_pressure
            << ", Is Screen Device:" << (m_isScreenDevice ? "Yes" : "No");
    if (m_packetCallbackId == -1) {
        m_packetCallbackId = TabrixSetPacketCallback(&TabrixPenDevice::packetCallback);
        qDebug() << "packetCallbackId: " << m_packetCallbackId;
    }
    return TABRIX_OK;
}

void TabrixPenDevice::close()
{
    std::lock_guard<std::mutex> locker(m_lock);
    TabrixClose();
    m_isScreenDevice = false;
    m_openInterface = {};
}

QString TabrixPenDevice::deviceName()
{
    std::lock_guard<std::mutex> locker(m_lock);
    return m_deviceName;
}

QString TabrixPenDevice::serialNumber()
{
    std::lock_guard<std::mutex> locker(m_lock);
    return m_serialNumber;
}

int TabrixPenDevice::tabletWidth()
{
    std::lock_guard<std::mutex> locker(m_lock);
    return m_width;
}

int TabrixPenDevice::tabletHeight()
{
    std::lock_guard<std::mutex> locker(m_lock);
    return m_height;
}

int TabrixPenDevice::maxPressure()
{
    std::lock_guard<std::mutex> locker(m_lock);
    return m_pressure;
}

bool TabrixPenDevice::isScreenDevice()
{
    std::lock_guard<std::mutex> locker(m_lock);
    return m_isScreenDevice;
}

bool TabrixPenDevice::isOpenDevicePresent()
{
    std::unique_lock<std::mutex> locker(m_lock);
    const platform::HidDeviceInfo opened = m_openInterface;
    locker.unlock();
    const auto present = platform::hid::list();
    // Which tablet the library opened is not known, or nothing is known of what is present:
    // that alone says nothing of its absence.
    if (opened.path.empty() || !present)
        return true;
    // The interface the library opened, not only one at its path: a tablet plugged back at
    // once may get the same node, and the library's handle on the old one is dead.
    return std::any_of(present->cbegin(), present->cend(), [&](const platform::HidDeviceInfo &info) {
        return info.path == opened.path && info.instance == opened.instance;
    });
}

int TabrixPenDevice::startSignature(const int &width, const int &height)
{
    Q_UNUSED(width)
    Q_UNUSED(height)
    qDebug() << "TabrixPenDevice startSignature";
    return 1;
}

int TabrixPenDevice::endSignature()
{
    qDebug() << "TabrixPenDevice endSignature";
    if (!isScreenDevice())
        TabrixClearTabletSurface();
    return 1;
}

int TabrixPenDevice::clearSignature()
{
    if (isScreenDevice())
        return 0;
    const int code = TabrixClearTabletSurface();
    if (code != TABRIX_OK)
        qWarning() << "TabrixClearTabletSurface failed with code:" << code;
    return code;
}

int TabrixPenDevice::setPenSize(const int &min, const int &max)
{
    Q_UNUSED(min)
    Q_UNUSED(max)
    return 1;
}

int TabrixPenDevice::setPenColor(const int &r, const int &g, const int &b)
{
    Q_UNUSED(r)
    Q_UNUSED(g)
    Q_UNUSED(b)
    return 1;
}

int TabrixPenDevice::activateMouse(const bool &activate)
{
    TabrixActivateMouse(activate ? 1 : 0, 0, 0);
    return 1;
}

int TABRIX_STDCALL TabrixPenDevice::packetCallback(TABLET_PACKET packet)
{
    TabrixPenDevice *device = s_device;
    if (!device) {
        qCritical() << "Instance is null";
        return -1;
    }
    if (packet.type == 0)
        emit device->receivedPenPacket(packet);
    else if (packet.type == 1)
        device->handleKeyPacket(packet);
    return 1;
}

void TabrixPenDevice::handleKeyPacket(const TABLET_PACKET &packet)
{
    if (packet.keyPressed != 1)
        return;
    if (!m_keyTimer.isValid())
        m_keyTimer.start();
    handleKeyPacketAt(packet, m_keyTimer.elapsed());
}

void TabrixPenDevice::handleKeyPacketAt(const TABLET_PACKET &packet, qint64 now)
{
    if (packet.keyPressed != 1)
        return;
    const auto last = m_lastKeyTime.constFind(packet.keyNumber);
    if (last != m_lastKeyTime.constEnd() && now - *last < 200)
        return;
    m_lastKeyTime.insert(packet.keyNumber, now);
    switch (packet.keyNumber) {
    case 1:
        emit cancelBtnClicked();
        break;
    case 2:
        emit clearBtnClicked();
        break;
    case 3:
        emit okBtnClicked();
        break;
    default:
        break;
    }
}
