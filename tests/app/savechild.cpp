#include "ConfigManager.h"
#include "ImageBase64.h"
#include "PdfHandler.h"
#include "PdfSignCoreWidget.h"

#include <QApplication>
#include <QFile>

// savechild PDF TARGET ROUNDS: saves one document again and again as a second copy of the
// program would, beside another, and fails as soon as the target holds anything but this save.
// savechild PDF TARGET 1 TAGS: saves it once with TAGS captured tags sharing one picture (4: failed).
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QSharedPointer<PdfHandler> handler = PdfHandler::instance();
    QByteArray ours;
    QObject::connect(handler.data(), &PdfHandler::pdfConfirm,
                     [&ours](const PdfSignResult &result) { ours = QByteArray::fromBase64(result.pdfBase64.toLatin1()); });
    PdfSignCoreWidget editor(ConfigManager::instance());
    if (args.size() < 4 || !editor.openPdf(args.at(1)))
        return 2;
    if (args.size() == 5) {
        QImage ink(1200, 600, QImage::Format_ARGB32);
        ink.fill(qRgba(0, 0, 128, 200));
        const QString picture = ImageBase64::encodePng(ink);
        PdfSignData data;
        for (int i = 0; i < args.at(4).toInt(); ++i) {
            PdfSignTag tag;
            tag.page = 1 + i % handler->pageCount();
            tag.x = tag.y = 20 + i / handler->pageCount() % 40 * 20;
            tag.w = 180, tag.h = 90;
            tag.signImage = picture, tag.isSignDone = true;
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
