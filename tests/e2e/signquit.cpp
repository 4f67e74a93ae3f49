#include "DeviceController.h"
#include "MainWindow.h"
#include "PdfSignCoreWidget.h"
#include "sim/DevSim.h"
#include "sim/SimModelCatalog.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QtDebug>

// The program quit while a signature is being written: a tablet plugged, a document open with a
// tag, the signing window and the writing board up, pen reports arriving, then the application
// quits. It must end cleanly.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    platform::DevSim sim(qgetenv("INKWARDEN_DEVSIM").toStdString());
    const int tablet = sim.plug(*platform::SimModelCatalog::make("tablet"));
    int code = 0;
    {
        MainWindow window;
        window.show();
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!DeviceController::instance()->hasDevice())
                return;
            poll.stop();
            PdfSignCoreWidget *pages = window.findChild<PdfSignCoreWidget *>();
            if (!pages->openPdf(QApplication::arguments().at(1)) || !pages->addTagAtCenter())
                QApplication::exit(3);
            window.findChild<QPushButton *>(QStringLiteral("startSignBtn"))->click();
            QTimer::singleShot(1500, [&] {
                qWarning() << "signing window open";
                for (int i = 0; i < 50; ++i)
                    sim.sendInput(tablet, {0x02, 0x41, 0xA1, uint8_t(i * 40), 0x10, 0x00, 0x10, 0x00, 0x10});
                QApplication::quit();
            });
        });
        poll.start(50);
        code = app.exec();
    }
    return code;
}
