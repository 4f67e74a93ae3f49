// Live ink on the writing board's canvas: a simulated tablet draws one continuous 10-second
// stroke at 200 reports/s; for each report, the time from its send to the end of the canvas
// repaint that shows it (first and last second of the stroke), the process CPU time, and the
// export of the 880 x 495 signature.
#include "DeviceController.h"
#include "DrawLabel.h"
#include "sim/DevSim.h"
#include "sim/SimModelCatalog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <thread>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;
using namespace platform;

namespace {

constexpr int Rate = 200;
constexpr int Reports = 10 * Rate;

std::vector<Clock::time_point> sentAt(Reports + 1);
std::vector<double> latency(Reports + 1, -1);
int handled = 0;
int painted = 0;

class TimedCanvas : public DrawLabel
{
public:
    using DrawLabel::DrawLabel;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        DrawLabel::paintEvent(event);
        const auto now = Clock::now();
        for (; painted < handled; ++painted)
            latency[size_t(painted)] = std::chrono::duration<double, std::milli>(now - sentAt[size_t(painted)]).count();
    }
};

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

SimBytes report(uint8_t code, int x, int y, int pressure)
{
    return {0x02, 0x41, code, uint8_t(x), uint8_t(x >> 8), uint8_t(y), uint8_t(y >> 8), uint8_t(pressure), uint8_t(pressure >> 8)};
}

void summary(const char *what, int from, int to)
{
    std::vector<double> values;
    for (int i = from; i < to; ++i)
        if (latency[size_t(i)] >= 0)
            values.push_back(latency[size_t(i)]);
    std::sort(values.begin(), values.end());
    auto at = [&](double q) { return values.empty() ? 0.0 : values[size_t(q * double(values.size() - 1))]; };
    std::printf("%-14s report to repaint: median %.2f ms  p99 %.2f ms  max %.2f ms  (%zu of %d shown)\n", what, at(0.5),
                at(0.99), values.empty() ? 0.0 : values.back(), values.size(), to - from);
}

} // namespace

int main(int argc, char **argv)
{
    const auto folder = std::filesystem::temp_directory_path() / ("inkwarden-board-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    setenv("INKWARDEN_DEVSIM", folder.c_str(), 1);
    if (!getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    int status = 0;
    {
        DevSim sim(folder.string());
        QSharedPointer<DeviceController> hub = DeviceController::instance();
        QElapsedTimer wait;
        wait.start();
        while (sim.monitors() < 1 && wait.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        const int tablet = sim.plug(*SimModelCatalog::make("tablet"));
        while (!hub->hasDevice() && wait.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!hub->hasDevice()) {
            std::fprintf(stderr, "the simulated tablet did not connect\n");
            return 1;
        }

        auto options = PaintBoardOptionsPtr::create();
        options->width = 880;
        options->height = 495;
        TimedCanvas canvas(options);
        canvas.setFixedSize(880, 495);
        canvas.show();
        QEventLoop stroke;
        QObject::connect(hub.data(), &DeviceController::penPacketReceived, &canvas, [&stroke] {
            if (++handled == Reports + 1)
                QTimer::singleShot(200, &stroke, &QEventLoop::quit);
        });
        QTimer::singleShot(40000, &stroke, &QEventLoop::quit);
        for (int i = 0; i < 50; ++i)
            QCoreApplication::processEvents();

        // A loop across the tablet, back and forth with a wave, never lifting the pen.
        const double cpuBefore = cpuSeconds();
        std::thread sender([&] {
            const auto start = Clock::now();
            for (int i = 0; i <= Reports; ++i) {
                std::this_thread::sleep_until(start + std::chrono::microseconds(int64_t(i) * 1000000 / Rate));
                const double phase = double(i) / Rate;
                const int x = 1000 + int(6600 * (1 - std::cos(phase * 1.3)));
                const int y = 4750 + int(3500 * std::sin(phase * 7.1));
                sentAt[size_t(i)] = Clock::now();
                sim.sendInput(tablet, report(i < Reports ? 0xA1 : 0xA0, x, y, 2000 + (i * 37) % 6000));
            }
        });
        stroke.exec();
        sender.join();
        const double cpu = cpuSeconds() - cpuBefore;

        summary("first second", 0, Rate);
        summary("last second", Reports - Rate, Reports);
        std::printf("CPU time over the stroke: %.2f s for %.1f s of writing\n", cpu, double(Reports) / Rate);

        for (const bool crop : {false, true}) {
            options->autoCrop = crop;
            std::vector<double> times;
            for (int i = 0; i < 20; ++i) {
                QElapsedTimer timer;
                timer.start();
                canvas.exportSignature();
                times.push_back(double(timer.nsecsElapsed()) / 1e6);
            }
            std::sort(times.begin(), times.end());
            std::printf("export 880 x 495%s: median %.2f ms  max %.2f ms\n", crop ? ", cropped" : "", times[times.size() / 2],
                        times.back());
        }
        if (canvas.exportedBase64().isEmpty())
            status = 1;
        sim.unplug(tablet);
    }
    std::filesystem::remove_all(folder);
    return status;
}
