#pragma once

#include "TabrixPen.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

// Collects the packets a tablet hands to its packet callback (a plain function, so the state
// is process-wide).
class PacketSink {
public:
    static int TABRIX_STDCALL callback(TABLET_PACKET packet)
    {
        std::lock_guard<std::mutex> guard(lock());
        received().push_back(packet);
        arrived().notify_all();
        return 0;
    }

    static void reset()
    {
        std::lock_guard<std::mutex> guard(lock());
        received().clear();
    }

    // The packets received once `count` have arrived, or what came within the bound.
    static std::vector<TABLET_PACKET> waitFor(size_t count, int boundMs = 5000)
    {
        std::unique_lock<std::mutex> guard(lock());
        arrived().wait_for(guard, std::chrono::milliseconds(boundMs), [count] { return received().size() >= count; });
        return received();
    }

    static size_t count()
    {
        std::lock_guard<std::mutex> guard(lock());
        return received().size();
    }

private:
    static std::mutex &lock()
    {
        static std::mutex m;
        return m;
    }
    static std::condition_variable &arrived()
    {
        static std::condition_variable c;
        return c;
    }
    static std::vector<TABLET_PACKET> &received()
    {
        static std::vector<TABLET_PACKET> r;
        return r;
    }
};
