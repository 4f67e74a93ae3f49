#pragma once

#include "HidDeviceFile.h"
#include "OstraMouse.h"
#include "HidWatchThread.h"
#include "PacketDecoder.h"
#include "TabrixPen.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

// The library's one tablet: opens the first present supported tablet, reads its reports on
// a read thread and hands the packets to the packet callback on a dispatch thread.
class OstraTablet {
public:
    OstraTablet();
    ~OstraTablet();
    OstraTablet(const OstraTablet &) = delete;
    OstraTablet &operator=(const OstraTablet &) = delete;

    int open();
    void close();
    int getContext(TABLET_CONTEXT *context);
    int getPacket(TABLET_PACKET *packet);
    bool clearTabletSurface();

    int64_t setPacketCallback(TabrixPacketCallback callback);
    int64_t setNotifyCallback(TabrixNotifyCallback callback);
    void clearCallback(int64_t id);

    OstraMouse &mouse() { return m_mouse; }
    bool hidWatchRunning() const { return m_hidWatch.running(); }

private:
    void closeLocked();
    bool writeCommand(uint8_t a, uint8_t b);
    void pushPacket(const uint8_t *report);
    bool popPacket(TABLET_PACKET &packet);
    void readLoop();
    void dispatchLoop();
    bool onDispatchThread() const;
    void onDeviceChange(int modelCode, bool arrived);

    TABLET_CONTEXT m_context{};
    TabrixPacketCallback m_packetCallback = nullptr;
    std::atomic<TabrixNotifyCallback> m_notifyCallback{nullptr};
    HidDeviceFile m_device;
    HidWatchThread m_hidWatch;
    std::mutex m_notifyStart;            // one watch however many callers set a callback at once
    OstraMouse m_mouse;
    PacketDecoder m_decoder;

    // Open, close, clear and destruction come from the program's device and main threads.
    // Never taken on the dispatch thread: close joins that thread while holding it.
    std::mutex m_lifecycle;
    std::mutex m_lock;                   // the packet queue and the packet callback
    std::condition_variable m_wake;      // a packet was queued, or stop was requested
    std::deque<TABLET_PACKET> m_queue;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_open{false};
    std::thread m_reader;
    std::thread m_dispatcher;
    std::atomic<std::thread::id> m_dispatcherId{};
};
