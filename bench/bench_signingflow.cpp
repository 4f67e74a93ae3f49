// The tablet signing flow timed from "start signing" to the saved file: a 20-page document with
// a signature tag, a fingerprint tag and a tag asking for both, the recorded signature played at
// its recorded speed on the simulated tablet, the fingerprint from the simulated reader.
// Prints the whole time split into the signer's share (the pen traces) and the program's own.
// Usage: bench_signingflow [DOCUMENT.pdf]   (default: 20 generated pages; runs offscreen)

#include "DeviceController.h"
#include "MainWindow.h"
#include "PdfSignCoreWidget.h"
#include "sim/DevSim.h"
#include "sim/SimModelCatalog.h"
#include "sim/SimTrace.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

using namespace platform;

namespace {

bool waitUntil(const std::function<bool()> &done, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            std::fprintf(stderr, "a step did not finish in time\n");
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // Closed windows delete themselves later, as in the program's own event loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

QWidget *visible(const std::function<bool(QWidget *)> &match)
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && match(widget))
            return widget;
    return nullptr;
}

QPushButton *button(QWidget *window, const char *key)
{
    for (QPushButton *candidate : window->findChildren<QPushButton *>())
        if (candidate->text() == translated(key) && candidate->isVisible())
            return candidate;
    return nullptr;
}

void writeDocument(const QString &path, int pages)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    QPainter painter(&writer);
    for (int page = 0; page < pages; ++page) {
        if (page)
            writer.newPage();
        painter.drawText(QRect(800, 800, 6000, 400), QStringLiteral("Page %1 of the agreement").arg(page + 1));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir folder;
    qputenv("INKWARDEN_DEVSIM", folder.filePath(QStringLiteral("devsim")).toUtf8());
    QDir().mkpath(folder.filePath(QStringLiteral("devsim")));
    QApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type >= QtCriticalMsg )
            std::fprintf(stderr, "%s\n", qPrintable(message));
    });
    DevSim sim(folder.filePath(QStringLiteral("devsim")).toStdString());
    const int tablet = sim.plug(*SimModelCatalog::make("tablet"));
    std::string error;
    const auto trace = SimTrace::load(QDir(QCoreApplication::applicationDirPath())
                                          .filePath(QStringLiteral(SIGNATURE_TRACE)).toStdString(), error);
    if (!trace) {
        std::fprintf(stderr, "signature trace: %s\n", error.c_str());
        return 1;
    }
    QString document = argc > 1 ? QString::fromLocal8Bit(argv[1]) : folder.filePath(QStringLiteral("document.pdf"));
    if (argc <= 1)
        writeDocument(document, 20);

    MainWindow window;
    window.show();
    PdfSignCoreWidget *pages = window.findChild<PdfSignCoreWidget *>();
    if (!waitUntil([] { return DeviceController::instance()->hasDevice(); }) || !pages->openPdf(document)) {
        std::fprintf(stderr, "no tablet or no document\n");
        return 1;
    }
    const int last = pages->pageCount();
    PdfSignData data;
    for (auto [page, type] : {std::pair{1, 1}, std::pair{last / 2, 2}, std::pair{last, 3}}) {
        PdfSignTag tag;
        tag.page = page;
        tag.x = 300;
        tag.y = 2600;
        tag.w = 880;
        tag.h = 495;
        tag.setType(type);
        data.tags.append(tag);
    }
    pages->applySignData(data);

    qint64 signerMs = 0;
    // The tablet drops a key pressed again within 200 ms; a signer's presses are further apart,
    // and that wait is the signer's.
    QElapsedTimer lastKey;
    const auto pressOk = [&] {
        QElapsedTimer waited;
        waited.start();
        if (lastKey.isValid())
            waitUntil([&] { return lastKey.elapsed() > 250; });
        signerMs += waited.elapsed();
        sim.sendInput(tablet, {0x02, 0x42, 0x01, 0x01, 0x04, 0x00});
        lastKey.start();
    };
    const auto sign = [&](QWidget *viewer) {
        button(viewer, "sign")->click();
        waitUntil([] { return visible([](QWidget *w) { return w->windowTitle() == QLatin1String("PaintBoard"); }) != nullptr; });
        QElapsedTimer played;
        played.start();
        std::atomic<bool> done{false};
        std::thread player([&] {
            sim.play(tablet, *trace);
            done = true;
        });
        waitUntil([&] { return done.load(); }, 60000);
        player.join();
        signerMs += played.elapsed();
        pressOk();
        waitUntil([] { return !visible([](QWidget *w) { return w->windowTitle() == QLatin1String("PaintBoard"); }); });
    };
    const auto fingerprint = [&] {
        waitUntil([] { return visible([](QWidget *w) { return w->inherits("IDFpDialog"); }) != nullptr; });
        QWidget *dialog = visible([](QWidget *w) { return w->inherits("IDFpDialog"); });
        waitUntil([&] { return button(dialog, "ok")->isEnabled(); });
        pressOk();
        waitUntil([] { return !visible([](QWidget *w) { return w->inherits("IDFpDialog"); }); });
    };
    // Answers the save prompt as the operator would.
    QTimer prompt;
    QObject::connect(&prompt, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->buttons().first()->click();
    });
    prompt.start(5);

    QElapsedTimer total;
    total.start();
    window.findChild<QPushButton *>(QStringLiteral("startSignBtn"))->click();
    waitUntil([] { return visible([](QWidget *w) { return w->inherits("PdfViewer"); }) != nullptr; });
    QWidget *viewer = visible([](QWidget *w) { return w->inherits("PdfViewer"); });
    sign(viewer);
    waitUntil([&] { return button(viewer, "fingerprint")->isEnabled(); });
    button(viewer, "fingerprint")->click();
    fingerprint();
    sign(viewer);
    fingerprint();
    waitUntil([&] { return button(viewer, "ok")->isEnabled(); });
    button(viewer, "ok")->click();
    waitUntil([&] { return !visible([](QWidget *w) { return w->inherits("PdfViewer"); }); });
    waitUntil([&] { return !pages->hasPendingTags(); });
    const bool saved = pages->savePdf(folder.filePath(QStringLiteral("signed.pdf")));
    const qint64 wholeMs = total.elapsed();
    std::printf("start signing to saved file (%d pages, 3 tags): %lld ms; signer (pen traces, key presses) %lld ms; program %lld ms%s\n",
                last, static_cast<long long>(wholeMs), static_cast<long long>(signerMs),
                static_cast<long long>(wholeMs - signerMs), saved ? "" : "  (save failed)");
    DeviceController::instance()->shutdown();
    return saved ? 0 : 1;
}
