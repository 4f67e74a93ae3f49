// The signature pad in the writing board: time from a pad report to its ink in the canvas's X
// window (drawn by the pad library) and to a polled picture holding it (the adapter's worker),
// median and p99. Run under an X server:
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bin/bench_padlatency

#include "OrvelDevice.h"
#include "sim/DevSim.h"
#include "sim/SimSignaturePadModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace platform;

namespace {

int darkPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0 && qGray(image.pixel(x, y)) < 100;
    return count;
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

void report(const char *what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    if (ms.empty()) {
        std::printf("%s: no samples\n", what);
        return;
    }
    std::printf("%s: %zu samples, median %.2f ms, p99 %.2f ms, max %.2f ms\n", what, ms.size(), ms[ms.size() / 2],
                ms[std::min(ms.size() - 1, size_t(double(ms.size()) * 0.99))], ms.back());
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir folder;
    qputenv("INKWARDEN_DEVSIM", folder.path().toUtf8());
    QApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    DevSim sim(folder.path().toStdString());
    SimSignaturePadModel model;
    const int pad = sim.plug(model.desc());

    // The board and its canvas as the adapter looks them up: the canvas's own native window,
    // titled by its object name, under the window titled "PaintBoard".
    QWidget board;
    board.setWindowTitle(QStringLiteral("PaintBoard"));
    board.resize(600, 355);
    auto *canvas = new QWidget(&board);
    canvas->setGeometry(20, 20, 560, 315);
    canvas->setAttribute(Qt::WA_NativeWindow);
    board.show();
    canvas->windowHandle()->setTitle(QStringLiteral("drawLabel"));
    waitUntil([&] { return board.isVisible(); });
    QGuiApplication::sync();

    OrvelDevice device;
    QImage latestPicture;
    int pictures = 0;
    QObject::connect(&device, &IDevice::signPicAvailable, [&](const QImage &image) {
        latestPicture = image;
        ++pictures;
    });
    if (device.startSignature(canvas->width(), canvas->height()) != 1) {
        std::fprintf(stderr, "the pad did not start (no X display?)\n");
        return 1;
    }
    QScreen *screen = board.screen();
    std::vector<double> window, picture;
    int x = 600;
    sim.sendInput(pad, SimSignaturePadModel::penReport(0xA1, x, 3000, 600));
    for (int i = 0; i < 60; ++i) {
        x += 140;
        // Only the band where the new segment lands is read back, so the reading costs little.
        const int band = x * canvas->width() / 10206 - 8;
        const auto windowInk = [&] { return darkPixels(screen->grabWindow(canvas->winId(), band, 0, 16, canvas->height()).toImage()); };
        const int inkBefore = windowInk();
        const int pictureInkBefore = latestPicture.isNull() ? 0 : darkPixels(latestPicture);
        QElapsedTimer since;
        since.start();
        sim.sendInput(pad, SimSignaturePadModel::penReport(0xA1, x, 3000 + (i % 2) * 400, 600));
        if (waitUntil([&] { return windowInk() > inkBefore; }))
            window.push_back(double(since.nsecsElapsed()) / 1e6);
        if (waitUntil([&] { return !latestPicture.isNull() && darkPixels(latestPicture) > pictureInkBefore; }))
            picture.push_back(double(since.nsecsElapsed()) / 1e6);
    }
    device.endSignature();
    report("pad report to ink in the canvas window (library)", window);
    report("pad report to a picture holding it (worker)", picture);
    std::printf("pictures polled: %d\n", pictures);
    return 0;
}
