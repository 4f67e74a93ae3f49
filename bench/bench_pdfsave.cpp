// The save of a long or large document: bench_pdfsave PDF IMAGES
// Opens PDF, places IMAGES signatures, one a page, spread over the document, and saves it once.
// Prints the load average, the open and save times, whether the save succeeded, and the peak
// resident memory of this process and of its largest child (the writer). Builds against any
// version of PdfHandler that has loadDocument, setSignData and save.

#include "ImageBase64.h"
#include "PdfHandler.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <sys/resource.h>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_pdfsave PDF IMAGES\n");
        return 2;
    }
    QFile loadavg(QStringLiteral("/proc/loadavg"));
    loadavg.open(QIODevice::ReadOnly);
    std::printf("load average: %s", loadavg.readAll().constData());

    QImage ink(600, 300, QImage::Format_ARGB32);
    ink.fill(Qt::transparent);
    {
        QPainter painter(&ink);
        painter.setPen(QPen(Qt::blue, 6));
        painter.drawLine(20, 250, 580, 40);
    }
    const QString signature = ImageBase64::encodePng(ink);

    const QSharedPointer<PdfHandler> handler = PdfHandler::instance();
    QElapsedTimer timer;
    timer.start();
    const bool opened = handler->loadDocument(QString::fromLocal8Bit(argv[1]));
    const double openSeconds = timer.nsecsElapsed() / 1e9;
    const int images = atoi(argv[2]);
    PdfSignData data;
    for (int i = 0; opened && i < images; ++i) {
        PdfSignTag tag;
        tag.page = 1 + int(qint64(i) * handler->pageCount() / std::max(1, images));
        tag.x = 300;
        tag.y = 300;
        tag.w = 600;
        tag.h = 300;
        tag.setType(PdfSignTag::SignOnly);
        tag.signImage = signature;
        tag.isSignDone = true;
        data.tags << tag;
    }
    handler->setSignData(data, false);
    timer.restart();
    const bool saved = opened && handler->save();
    const double saveSeconds = timer.nsecsElapsed() / 1e9;

    rusage self = {}, children = {};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    std::printf("pages %d, images %d: open %.2f s, save %.2f s, %s; peak resident: program %.0f MB, writer %.0f MB\n",
                handler->pageCount(), images, openSeconds, saveSeconds, saved ? "saved" : "FAILED",
                self.ru_maxrss / 1024.0, children.ru_maxrss / 1024.0);
    return saved ? 0 : 1;
}
