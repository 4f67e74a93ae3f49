#include "ConfigManager.h"
#include "PdfHandler.h"
#include "PdfSignCoreWidget.h"

#include <QApplication>
#include <QFile>

// savechild PDF TARGET ROUNDS: saves one document again and again as a second copy of the
// program would, beside another, and fails as soon as the target holds anything but this save.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QSharedPointer<PdfHandler> handler = PdfHandler::instance();
    QByteArray ours;
    QObject::connect(handler.data(), &PdfHandler::pdfConfirm,
                     [&ours](const PdfSignResult &result) { ours = QByteArray::fromBase64(result.pdfBase64.toLatin1()); });
    PdfSignCoreWidget editor(ConfigManager::instance());
    if (args.size() != 4 || !editor.openPdf(args.at(1)))
        return 2;
    for (int round = 0; round < args.at(3).toInt(); ++round) {
        QFile target(args.at(2));
        if (!editor.savePdf(args.at(2)) || !target.open(QIODevice::ReadOnly) || target.readAll() != ours)
            return 3;
    }
    return 0;
}
