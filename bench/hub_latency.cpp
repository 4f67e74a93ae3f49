// Pen reports from the simulated tablet to the device hub's penPacketReceived on the main
// thread, at fixed report rates; the library-level figures of bench_tabrixpen_latency are run
// beside it for comparison.
#include "DeviceController.h"
#include "sim/DevSim.h"
#include "sim/SimModelCatalog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;
using namespace platform;

namespace {

platform::SimBytes report(int sequence)
{
    return {0x02, 0x41, 0xA1, uint8_t(sequence), uint8_t(sequence >> 8), uint8_t(sequence >> 16), 0, 0x00, 0x01};
}

void run(DevSim &sim, int device, DeviceController *hub, int rate, int count)
{
    std::vector<Clock::time_point> sentAt(static_cast<size_t>(count)), receivedAt(static_cast<size_t>(count));
    int received = 0;
    const QMetaObject::Connection connection =
        QObject::connect(hub, &DeviceController::penPacketReceived, [&](TABLET_PACKET packet) {
            const int sequence = packet.x | (packet.y << 16);
            if (sequence >= 0 && sequence < count)
                receivedAt[size_t(sequence)] = Clock::now();
            ++received;
        });
    std::thread sender([&] {
        const auto start = Clock::now();
        for (int i = 0; i < count; ++i) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(int64_t(i) * 1000000 / rate));
            sentAt[size_t(i)] = Clock::now();
            sim.sendInput(device, report(i));
        }
    });
    QElapsedTimer bound;
    bound.start();
    while (received < count && bound.elapsed() < count * 1000 / rate + 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    sender.join();
    QObject::disconnect(connection);
    std::vector<double> latencies;
    for (int i = 0; i < count; ++i)
        if (receivedAt[size_t(i)] != Clock::time_point())
            latencies.push_back(std::chrono::duration<double, std::micro>(receivedAt[size_t(i)] - sentAt[size_t(i)]).count());
    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double q) { return latencies.empty() ? 0.0 : latencies[size_t(q * double(latencies.size() - 1))]; };
    std::printf("hub     %5d reports/s  %5d sent  lost %d  latency median %.0f us  p99 %.0f us  max %.0f us\n", rate, count,
                count - int(latencies.size()), at(0.5), at(0.99), latencies.empty() ? 0.0 : latencies.back());
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir folder;
    qputenv("INKWARDEN_DEVSIM", folder.path().toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    {
        DevSim sim(folder.path().toStdString());
        const int tablet = sim.plug(*SimModelCatalog::make("tablet"));
        QSharedPointer<DeviceController> hub = DeviceController::instance();
        QElapsedTimer waited;
        waited.start();
        while (!hub->hasDevice() && waited.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (!hub->hasDevice()) {
            std::fprintf(stderr, "the simulated tablet did not connect\n");
            return 1;
        }
        for (int rate : {200, 1000})
            run(sim, tablet, hub.data(), rate, rate * 5);
        hub->shutdown();
    }
    std::fflush(stdout);
    QProcess library;
    library.setProcessChannelMode(QProcess::ForwardedChannels);
    library.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("bench_tabrixpen_latency")), QStringList());
    library.waitForFinished(120000);
    return 0;
}
