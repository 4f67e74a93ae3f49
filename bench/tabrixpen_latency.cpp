// Pen reports through the simulated backend into libTabrixPen's packet callback: throughput of
// a burst, and latency from the simulator's send to the callback at fixed report rates.
#include "TabrixPen.h"
#include "sim/DevSim.h"
#include "sim/SimModelCatalog.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;
using namespace platform;

namespace {

constexpr int MaxReports = 200000;
std::vector<Clock::time_point> sentAt(MaxReports);
std::vector<Clock::time_point> receivedAt(MaxReports);
std::atomic<int> received{0};

int TABRIX_STDCALL onPacket(TABLET_PACKET packet)
{
    const int sequence = packet.x | (packet.y << 16);
    if (sequence >= 0 && sequence < MaxReports)
        receivedAt[size_t(sequence)] = Clock::now();
    received.fetch_add(1, std::memory_order_release);
    return 0;
}

SimBytes report(int sequence)
{
    return {0x02, 0x41, 0xA1, uint8_t(sequence), uint8_t(sequence >> 8), uint8_t(sequence >> 16), 0, 0x00, 0x01};
}

void waitForAll(int count)
{
    const auto bound = Clock::now() + std::chrono::seconds(10);
    while (received.load(std::memory_order_acquire) < count && Clock::now() < bound)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void run(DevSim &sim, int device, int rate, int count)
{
    received = 0;
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        if (rate > 0)
            std::this_thread::sleep_until(start + std::chrono::microseconds(int64_t(i) * 1000000 / rate));
        sentAt[size_t(i)] = Clock::now();
        sim.sendInput(device, report(i));
    }
    waitForAll(count);
    const int got = received.load();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::vector<double> latencies;
    for (int i = 0; i < std::min(got, count); ++i)
        latencies.push_back(std::chrono::duration<double, std::micro>(receivedAt[size_t(i)] - sentAt[size_t(i)]).count());
    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double q) { return latencies.empty() ? 0.0 : latencies[size_t(q * double(latencies.size() - 1))]; };
    if (rate > 0)
        std::printf("%6d reports/s  %6d sent  lost %d  latency median %.0f us  p99 %.0f us  max %.0f us\n", rate, count,
                    count - got, at(0.5), at(0.99), latencies.empty() ? 0.0 : latencies.back());
    else
        std::printf("burst           %6d sent  lost %d  %.0f packets/s report to callback\n", count, count - got, got / seconds);
}

} // namespace

int main()
{
    const auto folder = std::filesystem::temp_directory_path() / ("inkwarden-bench-" + std::to_string(::getpid()));
    setenv("INKWARDEN_DEVSIM", folder.c_str(), 1);
    int status = 0;
    {
        DevSim sim(folder.string());
        const int device = sim.plug(*SimModelCatalog::make("tablet"));
        TabrixSetPacketCallback(&onPacket);
        if (TabrixOpen() != 1) {
            std::fprintf(stderr, "tablet did not open\n");
            status = 1;
        } else {
            run(sim, device, 0, 100000);
            for (int rate : {200, 1000, 5000})
                run(sim, device, rate, rate * 4);
            TabrixClose();
        }
    }
    std::filesystem::remove_all(folder);
    return status;
}
