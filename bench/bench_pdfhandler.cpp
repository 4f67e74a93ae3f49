// Speed of PdfHandler against poppler on the same machine in the same run.
// Usage: bench_pdfhandler [multi-page.pdf] [0-based page]
#include "ImageBase64.h"
#include "PdfHandler.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {

QTextStream out(stdout);

double medianMs(int runs, const std::function<void()> &work)
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

bool writeLongDocument(const QString &path, int pages)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    QPainter painter(&writer);
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            writer.newPage();
        painter.drawText(QRect(60, 60, 480, 40), Qt::AlignLeft, QStringLiteral("Clause %1").arg(i + 1));
        for (int line = 0; line < 30; ++line)
            painter.drawText(QRect(60, 120 + line * 20, 480, 20), Qt::AlignLeft,
                             QStringLiteral("The parties agree to the terms set out in section %1.%2.").arg(i + 1).arg(line));
    }
    return painter.end();
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
        out << "usage: bench_pdfhandler FILE.pdf [PAGE]  (a real multi-page document)\n";
        return 2;
    }
    const QString real = args.at(1);
    const int pageIndex = args.size() > 2 ? args.at(2).toInt() : 0;
    QSharedPointer<PdfHandler> handler = PdfHandler::instance();
    QTemporaryDir dir;
    const int runs = 5;

    if (!handler->loadDocument(real)) {
        out << "cannot open " << real << "\n";
        return 1;
    }
    out << real << ": " << handler->pageCount() << " pages, page " << pageIndex + 1 << " at 300 dpi\n";
    handler->renderPage(pageIndex); // warm-up: fonts and caches
    const double ours = medianMs(runs, [&] { handler->renderPage(pageIndex); });
    const QString page = QString::number(pageIndex + 1);
    const QStringList popplerArgs = {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-f"), page,
                                     QStringLiteral("-l"), page, real, dir.filePath(QStringLiteral("poppler"))};
    QProcess::execute(QStringLiteral("pdftoppm"), popplerArgs);
    const double poppler = medianMs(runs, [&] { QProcess::execute(QStringLiteral("pdftoppm"), popplerArgs); });
    out << QStringLiteral("  renderPage      %1 ms (median of %2)\n").arg(ours, 0, 'f', 1).arg(runs);
    out << QStringLiteral("  pdftoppm -r 300 %1 ms (median of %2, process and PPM file included)\n").arg(poppler, 0, 'f', 1).arg(runs);
    out << QStringLiteral("  ratio renderPage / pdftoppm = %1\n").arg(ours / poppler, 0, 'f', 2);

    const QString longDocument = dir.filePath(QStringLiteral("long.pdf"));
    if (!writeLongDocument(longDocument, 500)) {
        out << "cannot write the 500-page document\n";
        return 1;
    }
    const double openFirst = medianMs(runs, [&] {
        handler->loadDocument(longDocument);
        handler->renderPage(0);
    });
    out << QStringLiteral("500-page document: load and render page 1: %1 ms (median of %2)\n").arg(openFirst, 0, 'f', 1).arg(runs);

    PdfSignData data;
    const QString signature = signaturePng();
    for (int i = 0; i < 50; ++i) {
        PdfSignTag tag;
        tag.page = i + 1;
        tag.x = 1000;
        tag.y = 2000;
        tag.w = 500;
        tag.h = 250;
        tag.setType(1);
        tag.signImage = signature;
        tag.isSignDone = true;
        data.tags << tag;
    }
    handler->loadDocument(longDocument);
    handler->setSignData(data, false);
    bool saved = true;
    const double save = medianMs(runs, [&] { saved = handler->save() && saved; });
    out << QStringLiteral("500-page document: insert 50 images and save: %1 ms (median of %2)%3\n")
               .arg(save, 0, 'f', 1)
               .arg(runs)
               .arg(saved ? QString() : QStringLiteral(" FAILED"));
    out.flush();
    return saved ? 0 : 1;
}
