// Speed of PdfHandler on a real document against other renderers on the same machine in the
// same run: poppler in this process at the same resolution, and mutool and pdftoppm as whole
// processes (start-up and image file included, as a user would run them).
// Usage: bench_pdfhandler FILE.pdf [0-based PAGE]   one page, then a save of 50 images
//        bench_pdfhandler FILE.pdf all              every page against poppler and pdftoppm
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

double medianMs(const std::function<void()> &work, int runs = Runs)
{
    QVector<double> times;
    for (int i = 0; i < runs; ++i) {
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

QStringList pdftoppmArgs(const QString &file, int pageIndex, const QTemporaryDir &dir)
{
    const QString page = QString::number(pageIndex + 1);
    return {QStringLiteral("-r"), QString::number(Dpi), QStringLiteral("-f"), page, QStringLiteral("-l"), page, file,
            dir.filePath(QStringLiteral("pdftoppm"))};
}

void reportRatios(const QString &what, QVector<QPair<double, int>> ratios)
{
    std::sort(ratios.begin(), ratios.end());
    out << QStringLiteral("  renderPage / %1: median %2, worst %3 (page %4)\n")
               .arg(what)
               .arg(ratios.at(ratios.size() / 2).first, 0, 'f', 3)
               .arg(ratios.last().first, 0, 'f', 3)
               .arg(ratios.last().second);
}

// Every page, each renderer's median of three runs, so that one slow run on a busy machine does
// not make a page look slow; the figures that matter are the worst pages.
int benchAllPages(PdfHandler &handler, const QString &file, const QTemporaryDir &dir)
{
    constexpr int PageRuns = 3;
    const bool withPdftoppm = !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty();
    std::unique_ptr<poppler::document> poppler(poppler::document::load_from_file(file.toStdString()));
    if (!poppler) {
        out << "poppler cannot open " << file << "\n";
        return 1;
    }
    poppler::page_renderer renderer;
    renderer.set_render_hints(poppler::page_renderer::antialiasing | poppler::page_renderer::text_antialiasing);
    const int pageCount = handler.pageCount();
    out << file << ": all " << pageCount << " pages at " << Dpi << " dpi, median of " << PageRuns
        << " runs per page and renderer\n";
    if (withPdftoppm)
        run(QStringLiteral("pdftoppm"), pdftoppmArgs(file, 0, dir)); // warm file caches

    QVector<double> ours;
    QVector<QPair<double, int>> toPoppler;
    QVector<QPair<double, int>> toPdftoppm;
    for (int i = 0; i < pageCount; ++i) {
        const double ms = medianMs([&] { handler.renderPage(i); }, PageRuns);
        ours << ms;
        std::unique_ptr<poppler::page> page(poppler->create_page(i));
        if (page)
            toPoppler << qMakePair(ms / medianMs([&] { renderer.render_page(page.get(), Dpi, Dpi); }, PageRuns), i + 1);
        if (withPdftoppm)
            toPdftoppm << qMakePair(
                ms / medianMs([&] { run(QStringLiteral("pdftoppm"), pdftoppmArgs(file, i, dir)); }, PageRuns), i + 1);
    }
    std::sort(ours.begin(), ours.end());
    out << QStringLiteral("  renderPage: median %1 ms, worst %2 ms\n")
               .arg(ours.at(ours.size() / 2), 0, 'f', 1)
               .arg(ours.last(), 0, 'f', 1);
    if (withPdftoppm)
        reportRatios(QStringLiteral("pdftoppm -r 300"), toPdftoppm);
    else
        out << "  pdftoppm not installed (scripts/setup --bench)\n";
    if (!toPoppler.isEmpty())
        reportRatios(QStringLiteral("poppler in process"), toPoppler);
    out.flush();
    return 0;
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
        out << "usage: bench_pdfhandler FILE.pdf [PAGE | all]  (a real document; PAGE 0-based)\n";
        return 2;
    }
    const QString file = args.at(1);
    const bool allPages = args.size() > 2 && args.at(2) == QLatin1String("all");
    const int pageIndex = args.size() > 2 && !allPages ? args.at(2).toInt() : 0;
    QSharedPointer<PdfHandler> handler = PdfHandler::instance();
    QTemporaryDir dir;

    if (!handler->loadDocument(file) || pageIndex < 0 || pageIndex >= handler->pageCount()) {
        out << "cannot open " << file << " or it has no page " << pageIndex << "\n";
        return 1;
    }
    if (allPages)
        return benchAllPages(*handler, file, dir);
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

    reportProcess(QStringLiteral("mutool draw -r 300"), QStringLiteral("mutool"),
                  {QStringLiteral("draw"), QStringLiteral("-q"), QStringLiteral("-r"), QString::number(Dpi),
                   QStringLiteral("-o"), dir.filePath(QStringLiteral("mutool.png")), file,
                   QString::number(pageIndex + 1)},
                  ours);
    reportProcess(QStringLiteral("pdftoppm -r 300"), QStringLiteral("pdftoppm"), pdftoppmArgs(file, pageIndex, dir), ours);

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
