// Speed of PdfHandler on a real document against other renderers on the same machine in the
// same run: poppler in this process at the same resolution, and mutool and pdftoppm as whole
// processes (start-up and image file included, as a user would run them).
// Usage: bench_pdfhandler FILE.pdf [0-based PAGE]
#include "ImageBase64.h"
#include "PdfHandler.h"

#include <poppler-document.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

QTextStream out(stdout);
constexpr int Runs = 5;
constexpr int Dpi = 300;

double medianMs(const std::function<void()> &work)
{
    QVector<double> times;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times << timer.nsecsElapsed() / 1e6;
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

void report(const QString &what, double ms, double ours)
{
    out << QStringLiteral("  %1 %2 ms").arg(what, -28).arg(ms, 7, 'f', 1);
    if (ours > 0)
        out << QStringLiteral("   renderPage / this = %1").arg(ours / ms, 0, 'f', 2);
    out << "\n";
}

void run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, args);
    process.waitForFinished(-1);
}

// Run once before timing, so both sides start with warm file caches.
void reportProcess(const QString &what, const QString &program, const QStringList &args, double ours)
{
    if (QStandardPaths::findExecutable(program).isEmpty()) {
        out << QStringLiteral("  %1 not installed (scripts/setup --bench)\n").arg(what, -28);
        return;
    }
    run(program, args);
    report(what, medianMs([&] { run(program, args); }), ours);
}

QString signaturePng()
{
    QImage image(400, 200, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 8));
    painter.drawLine(20, 150, 200, 40);
    painter.drawLine(200, 40, 380, 160);
    painter.end();
    return ImageBase64::encodePng(image);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type != QtDebugMsg)
            fprintf(stderr, "%s\n", qPrintable(message));
    });
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        out << "usage: bench_pdfhandler FILE.pdf [PAGE]  (a real document; PAGE 0-based)\n";
        return 2;
    }
    const QString file = args.at(1);
    const int pageIndex = args.size() > 2 ? args.at(2).toInt() : 0;
    QSharedPointer<PdfHandler> handler = PdfHandler::instance();
    QTemporaryDir dir;

    if (!handler->loadDocument(file) || pageIndex < 0 || pageIndex >= handler->pageCount()) {
        out << "cannot open " << file << " or it has no page " << pageIndex << "\n";
        return 1;
    }
    const int pageCount = handler->pageCount();
    out << file << ": " << pageCount << " pages; page " << pageIndex + 1 << " at " << Dpi << " dpi, median of "
        << Runs << " runs\n";
    handler->renderPage(pageIndex); // fonts and caches
    const double ours = medianMs([&] { handler->renderPage(pageIndex); });
    report(QStringLiteral("renderPage"), ours, 0);

    std::unique_ptr<poppler::document> poppler(poppler::document::load_from_file(file.toStdString()));
    std::unique_ptr<poppler::page> popplerPage(poppler ? poppler->create_page(pageIndex) : nullptr);
    if (popplerPage) {
        poppler::page_renderer renderer;
        renderer.set_render_hints(poppler::page_renderer::antialiasing | poppler::page_renderer::text_antialiasing);
        renderer.render_page(popplerPage.get(), Dpi, Dpi);
        report(QStringLiteral("poppler in process"), medianMs([&] { renderer.render_page(popplerPage.get(), Dpi, Dpi); }),
               ours);
    } else {
        out << "  poppler cannot open the page\n";
    }

    const QString page = QString::number(pageIndex + 1);
    const QString dpi = QString::number(Dpi);
    reportProcess(QStringLiteral("mutool draw -r 300"), QStringLiteral("mutool"),
                  {QStringLiteral("draw"), QStringLiteral("-q"), QStringLiteral("-r"), dpi, QStringLiteral("-o"),
                   dir.filePath(QStringLiteral("mutool.png")), file, page},
                  ours);
    reportProcess(QStringLiteral("pdftoppm -r 300"), QStringLiteral("pdftoppm"),
                  {QStringLiteral("-r"), dpi, QStringLiteral("-f"), page, QStringLiteral("-l"), page, file,
                   dir.filePath(QStringLiteral("pdftoppm"))},
                  ours);

    // 50 signed tags spread over the document, as many pages as possible.
    PdfSignData data;
    const QString signature = signaturePng();
    for (int i = 0; i < 50; ++i) {
        PdfSignTag tag;
        tag.page = 1 + int(qint64(i) * pageCount / 50);
        tag.x = 1000;
        tag.y = 2000;
        tag.w = 500;
        tag.h = 250;
        tag.setType(PdfSignTag::SignOnly);
        tag.signImage = signature;
        tag.isSignDone = true;
        data.tags << tag;
    }
    handler->setSignData(data, false);
    bool saved = true;
    const double save = medianMs([&] { saved = handler->save() && saved; });
    out << QStringLiteral("save 50 images into %1: %2 ms%3\n")
               .arg(file)
               .arg(save, 0, 'f', 0)
               .arg(saved ? QString() : QStringLiteral(" FAILED"));
    out.flush();
    return saved ? 0 : 1;
}
