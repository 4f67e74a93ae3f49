#include "IDFPController.h"

#include <QApplication>
#include <QTimer>

// Quits while an optical capture waits for a finger, holding the controller as the program does.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    static QSharedPointer<IDFPController> fpController = IDFPController::instance();
    fpController->startCapture(60);
    QTimer::singleShot(800, &app, &QApplication::quit);
    return app.exec();
}
