#include "OstraTablet.h"

#include "DeviceInfo.h"
#include "TabletDiscovery.h"
#include "TabletModels.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

namespace {

constexpr int ReadTimeoutMs = 50;
constexpr int StartTimeoutMs = 100;
constexpr int ClearTimeoutMs = 50;
constexpr uint8_t CommandReportId = 0x09;

int64_t idOf(const void *function)
{
    return static_cast<int64_t>(reinterpret_cast<uintptr_t>(function));
}

} // namespace

OstraTablet::OstraTablet()
{
    TabletModels::table();
}

OstraTablet::~OstraTablet()
{
    std::lock_guard<std::mutex> guard(m_lifecycle);
    closeLocked();
    m_mouse.activate(false);
    m_hidWatch.stop();
}

bool OstraTablet::onDispatchThread() const
{
    return std::this_thread::get_id() == m_dispatcherId.load();
}

int OstraTablet::open()
{
    if (onDispatchThread())
        return TABRIX_ERR_NO_DEVICE; // would join the calling thread itself
    const std::vector<std::string> paths = TabletDiscovery::listPresentDevicePaths();
    if (paths.empty())
        return TABRIX_ERR_NO_DEVICE;

    std::lock_guard<std::mutex> guard(m_lifecycle);
    closeLocked();
    if (!m_device.open(paths.front()) || m_device.caps().inputReportLength == 0) {
        m_device.close();
        return TABRIX_ERR_OPEN_FAILED;
    }
    if (!readDeviceInfo(m_device, m_context)) {
        m_device.close();
        std::memset(&m_context, 0, sizeof m_context);
        return TABRIX_ERR_NO_DEVICE;
    }
    writeCommand(0x01, 0x04);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    writeCommand(0x02, 0x02);
    m_mouse.setTabletRange(m_context.maxX, m_context.maxY);

    m_open = true;
    m_reader = std::thread(&OstraTablet::readLoop, this);
    m_dispatcher = std::thread(&OstraTablet::dispatchLoop, this);
    return TABRIX_OK;
}

void OstraTablet::close()
{
    if (onDispatchThread())
        return;
    std::lock_guard<std::mutex> guard(m_lifecycle);
    closeLocked();
}

void OstraTablet::closeLocked()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_reader.joinable())
        m_reader.join();
    if (m_dispatcher.joinable())
        m_dispatcher.join();
    m_dispatcherId = std::thread::id();
    m_stop = false;
    m_open = false;
    m_device.close();
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_queue.clear();
    }
    std::memset(&m_context, 0, sizeof m_context);
}

bool OstraTablet::writeCommand(uint8_t a, uint8_t b)
{
    std::vector<uint8_t> report(9, 0);
    report[0] = CommandReportId;
    report[1] = a;
    report[2] = b;
    return m_device.write(report, StartTimeoutMs);
}

int OstraTablet::getContext(TABLET_CONTEXT *context)
{
    if (!context)
        return TABRIX_ERR_NULL_ARGUMENT;
    const std::vector<std::string> paths = TabletDiscovery::listPresentDevicePaths();
    if (paths.empty())
        return TABRIX_ERR_NO_DEVICE;
    HidDeviceFile file;
    if (!file.open(paths.front()))
        return TABRIX_ERR_OPEN_FAILED;
    const bool read = readDeviceInfo(file, *context);
    file.close();
    return read ? TABRIX_OK : TABRIX_ERR_NO_DEVICE;
}

int OstraTablet::getPacket(TABLET_PACKET *packet)
{
    if (!packet)
        return TABRIX_ERR_NULL_ARGUMENT;
    if (!m_open)
        return TABRIX_ERR_NO_DEVICE;
    TABLET_PACKET taken{};
    if (!popPacket(taken))
        return TABRIX_ERR_QUEUE_EMPTY;
    *packet = taken;
    return TABRIX_OK;
}

bool OstraTablet::clearTabletSurface()
{
    // From the packet callback the lifecycle lock is off limits, and not needed: the device
    // stays open until the dispatch thread, the caller, has been joined.
    std::unique_lock<std::mutex> guard(m_lifecycle, std::defer_lock);
    if (!onDispatchThread())
        guard.lock();
    const uint16_t length = m_device.caps().outputReportLength;
    if (!m_open || length < 3)
        return false;
    if (!TabletModels::hasWritingSurface(m_context.productName))
        return false;
    std::vector<uint8_t> report(length, 0);
    report[0] = CommandReportId;
    report[1] = 0x0F;
    report[2] = 0x01;
    return m_device.write(report, ClearTimeoutMs);
}

int64_t OstraTablet::setPacketCallback(TabrixPacketCallback callback)
{
    if (!callback)
        return TABRIX_ERR_NULL_ARGUMENT;
    std::lock_guard<std::mutex> lock(m_lock);
    m_packetCallback = callback;
    return idOf(reinterpret_cast<const void *>(callback));
}

int64_t OstraTablet::setNotifyCallback(TabrixNotifyCallback callback)
{
    if (!callback)
        return TABRIX_ERR_NULL_ARGUMENT;
    {
        std::lock_guard<std::mutex> guard(m_notifyStart);
        if (!m_hidWatch.running())
            m_hidWatch.start([this](int modelCode, bool arrived) { onDeviceChange(modelCode, arrived); });
    }
    m_notifyCallback = callback;
    return idOf(reinterpret_cast<const void *>(callback));
}

void OstraTablet::onDeviceChange(int, bool arrived)
{
    if (const TabrixNotifyCallback callback = m_notifyCallback)
        callback(arrived ? 1 : 0);
}

void OstraTablet::clearCallback(int64_t id)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (id == 0 || id == idOf(reinterpret_cast<const void *>(m_packetCallback)))
        m_packetCallback = nullptr;
    TabrixNotifyCallback notify = m_notifyCallback;
    if (id == 0 || (notify && id == idOf(reinterpret_cast<const void *>(notify))))
        m_notifyCallback.compare_exchange_strong(notify, nullptr);
}

void OstraTablet::pushPacket(const uint8_t *report)
{
    TABLET_PACKET packet;
    if (!m_decoder.decode(report, m_device.caps().inputReportLength, packet))
        return;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_queue.push_back(packet);
    }
    m_wake.notify_one();
}

bool OstraTablet::popPacket(TABLET_PACKET &packet)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_queue.empty())
        return false;
    packet = m_queue.front();
    m_queue.pop_front();
    return true;
}

void OstraTablet::readLoop()
{
    const size_t length = m_device.caps().inputReportLength;
    std::vector<uint8_t> buffer(std::max(length, PacketDecoder::MinBuffer), 0);
    while (!m_stop) {
        std::fill(buffer.begin(), buffer.end(), 0);
        const auto started = std::chrono::steady_clock::now();
        const int got = m_device.read(buffer.data(), length, ReadTimeoutMs);
        if (got > 0) {
            pushPacket(buffer.data());
        } else if (got < 0) {
            // Unplugged or failing: retry once per read period rather than spin.
            std::unique_lock<std::mutex> lock(m_lock);
            m_wake.wait_until(lock, started + std::chrono::milliseconds(ReadTimeoutMs), [this] { return m_stop.load(); });
        }
    }
}

void OstraTablet::dispatchLoop()
{
    m_dispatcherId = std::this_thread::get_id(); // before any callback can call back in
    for (;;) {
        TABLET_PACKET packet{};
        TabrixPacketCallback callback = nullptr;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop)
                return;
            packet = m_queue.front();
            m_queue.pop_front();
            callback = m_packetCallback;
        }
        if (callback)
            callback(packet);
        if (packet.type == 0)
            m_mouse.pushEvent(packet.x, packet.y, packet.status);
    }
}
