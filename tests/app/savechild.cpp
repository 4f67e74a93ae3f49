#include "ConfigManager.h"
#include "ImageBase64.h"
#include "PdfHandler.h"
#include "PdfSignCoreWidget.h"

#include <QApplication>
#include <QFile>
#include <QPainter>

#include <cstdio>

// savechild PDF TARGET ROUNDS: saves one document again and again as a second copy of the
// program would, beside another, and fails as soon as the target holds anything but this save.
// savechild PDF TARGET 1 TAGS: saves it once with TAGS captured tags that share one 1200 x 600
// picture, as the program does (nothing hears pdfConfirm); 4 when the save failed, with the
// operator's message on standard error.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QSharedPointer<PdfHandler> handler = PdfHandler::instance();
    QByteArray ours;
    const int tags = args.size() == 5 ? args.at(4).toInt() : 0;
    if (!tags)
        QObject::connect(handler.data(), &PdfHandler::pdfConfirm, [&ours](const PdfSignResult &result) {
            ours = QByteArray::fromBase64(result.pdfBase64.toLatin1());
        });
    PdfSignCoreWidget editor(ConfigManager::instance());
    QObject::connect(&editor, &PdfSignCoreWidget::errorMessage,
                     [](const QString &text) { std::fprintf(stderr, "%s\n", qPrintable(text)); });
    if (args.size() < 4 || !editor.openPdf(args.at(1)))
        return 2;
    if (tags) {
        QImage ink(1200, 600, QImage::Format_ARGB32);
        ink.fill(Qt::transparent);
        QPainter pen(&ink);
        pen.setPen(QPen(Qt::black, 9));
        for (int x = 0; x < 1100; x += 40)
            pen.drawLine(50 + x, 300 + (x % 200) - 100, 90 + x, 300 - (x % 160) + 80);
        pen.end();
        const QString picture = ImageBase64::encodePng(ink);
        PdfSignData data;
        for (int i = 0; i < tags; ++i) {
            PdfSignTag tag;
            tag.page = 1 + i % handler->pageCount();
            tag.x = 100 + (i / handler->pageCount()) % 10 * 200;
            tag.y = 100 + (i / handler->pageCount()) / 10 * 300;
            tag.w = 180;
            tag.h = 90;
            tag.setType(1);
            tag.signImage = picture;
            tag.isSignDone = true;
            data.tags << tag;
        }
        editor.applySignData(data);
        return editor.savePdf(args.at(2)) ? 0 : 4;
    }
    for (int round = 0; round < args.at(3).toInt(); ++round) {
        QFile target(args.at(2));
        if (!editor.savePdf(args.at(2)) || !target.open(QIODevice::ReadOnly) || target.readAll() != ours)
            return 3;
    }
    return 0;
}
