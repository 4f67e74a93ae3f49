// Fingerprint frames: the conversion of one live-scan frame to the picture, and the time from a
// frame leaving a reader thread to the picture being painted in the dialog, over 200 frames.
// Run: QT_QPA_PLATFORM=offscreen build/bin/bench_fingerprint (or under a private X server).

#include "FingerprintImage.h"
#include "IDFPController.h"
#include "IDFpDialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    double median;
    double p99;
};

Figures figures(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values[std::min(values.size() - 1, values.size() * 99 / 100)]};
}

// Ridges across the frame, different in every frame.
QByteArray frame(int width, int height, int seed)
{
    QByteArray bytes(width * height, '\0');
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bytes[y * width + x] = char(((x + 2 * y + seed) / 4) % 2 ? 40 : 220);
    return bytes;
}

class PaintWatch : public QObject
{
public:
    std::atomic<bool> painted{false};
    Clock::time_point at;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !painted) {
            at = Clock::now();
            painted = true;
        }
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    const QByteArray livescan = frame(256, 360, 0);
    std::vector<double> conversion;
    for (int i = 0; i < 2000; ++i) {
        const auto start = Clock::now();
        const QImage image = fingerprintImage(livescan, 256, 360);
        conversion.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        if (image.isNull())
            return 1;
    }

    QSharedPointer<IDFPController> fp = IDFPController::instance();
    auto *dialog = new IDFpDialog(60);
    dialog->show();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        app.processEvents();
    auto *label = dialog->findChild<QLabel *>(QStringLiteral("imageLabel"));
    PaintWatch watch;
    label->installEventFilter(&watch);

    std::vector<double> toScreen;
    for (int i = 0; i < 200; ++i) {
        const QByteArray optical = frame(256, 288, i);
        watch.painted = false;
        Clock::time_point sent;
        std::thread reader([&] {
            sent = Clock::now();
            QMetaObject::invokeMethod(fp.data(), "onZAZCaptureFinished", Qt::QueuedConnection,
                                      Q_ARG(QByteArray, optical), Q_ARG(int, 256), Q_ARG(int, 288));
        });
        reader.join();
        while (!watch.painted)
            app.processEvents(QEventLoop::WaitForMoreEvents);
        toScreen.push_back(std::chrono::duration<double, std::milli>(watch.at - sent).count());
    }
    delete dialog;

    QFile loadavg(QStringLiteral("/proc/loadavg"));
    loadavg.open(QIODevice::ReadOnly);
    const Figures c = figures(conversion);
    const Figures s = figures(toScreen);
    std::printf("conversion of one 256 x 360 frame: median %.1f us, p99 %.1f us (goal under 1 ms)\n", c.median, c.p99);
    std::printf("frame to screen, 200 frames: median %.2f ms, p99 %.2f ms (goal under 20 ms)\n", s.median, s.p99);
    std::printf("load average: %s", loadavg.readAll().constData());
    return 0;
}
