// Scrolls a long document through the tag editor from top to bottom and reports the time per
// page step and the resident memory, which the page cache must keep bounded.
// Usage: QT_QPA_PLATFORM=offscreen bench_editorscroll [pages | FILE.pdf]   (default 200 generated A4 pages)

#include "ConfigManager.h"
#include "PdfHandler.h"
#include "PdfSignCoreWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace {

long statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toLong();
    }
    return -1;
}

void makeDocument(const QString &path, int pages)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    QFont font = painter.font();
    font.setPointSize(28);
    painter.setFont(font);
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            writer.newPage();
        painter.drawText(QRect(0, 0, writer.width(), writer.height() / 4), Qt::AlignCenter, QStringLiteral("Page %1").arg(i + 1));
        for (int line = 0; line < 40; ++line)
            painter.drawLine(600, 2000 + line * 200, writer.width() - 600, 2000 + line * 200);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString argument = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("200");
    bool generated = false;
    const int generatedPages = std::max(1, argument.toInt(&generated));
    QTextStream out(stdout);

    QTemporaryDir dir;
    const QString path = generated ? dir.filePath(QStringLiteral("long.pdf")) : argument;
    if (generated)
        makeDocument(path, generatedPages);

    QSharedPointer<PdfHandler> handler = PdfHandler::instance();
    PdfSignCoreWidget editor(ConfigManager::instance());
    editor.resize(1100, 900);
    editor.show();
    app.processEvents();
    QElapsedTimer openTimer;
    openTimer.start();
    if (!editor.openPdf(path)) {
        out << "cannot open " << path << "\n";
        return 1;
    }
    const int pageCount = editor.pageCount();
    while (editor.findChildren<QWidget *>(QStringLiteral("pdfPageLabel")).size() < pageCount)
        app.processEvents();
    out << "open and show page 1 of " << pageCount << " pages: " << openTimer.nsecsElapsed() / 1e6 << " ms" << Qt::endl;
    const long startKiB = statusKiB("VmRSS");

    // What one 300-dpi page costs the document holder alone, for comparison with a step.
    QElapsedTimer timer;
    const int sample = std::min(10, pageCount);
    timer.start();
    for (int i = 0; i < sample; ++i)
        handler->renderPage(pageCount - 1 - i);
    const double renderMs = timer.nsecsElapsed() / 1e6 / sample;

    QScrollBar *bar = editor.findChild<QScrollArea *>()->verticalScrollBar();
    QVector<double> stepMs;
    QVector<long> rssKiB;
    for (int page = 2; page <= pageCount; ++page) {
        const QWidget *label = editor.findChildren<QWidget *>(QStringLiteral("pdfPageLabel")).at(page - 1);
        timer.start();
        bar->setValue(label->geometry().top());
        app.processEvents();
        stepMs << timer.nsecsElapsed() / 1e6;
        rssKiB << statusKiB("VmRSS");
    }
    std::sort(stepMs.begin(), stepMs.end());
    double total = 0;
    for (double ms : stepMs)
        total += ms;

    out << "pages: " << pageCount << ", final page " << editor.currentPage() << "\n";
    out << "time per page step: mean " << total / stepMs.size() << " ms, median " << stepMs.at(stepMs.size() / 2)
        << " ms, 95th percentile " << stepMs.at(stepMs.size() * 95 / 100) << " ms, max " << stepMs.last() << " ms\n";
    out << "one page rendered by the document holder alone: " << renderMs << " ms\n";
    out << "resident memory: after the page list " << startKiB / 1024 << " MiB";
    if (rssKiB.size() >= 20)
        out << ", after 20 steps " << rssKiB.at(19) / 1024 << " MiB";
    out << ", at the end " << rssKiB.last() / 1024 << " MiB, peak " << statusKiB("VmHWM") / 1024 << " MiB\n";
    return 0;
}
