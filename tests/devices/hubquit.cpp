#include "DeviceController.h"
#include "sim/DevSim.h"
#include "sim/SimModelCatalog.h"

#include <QApplication>
#include <QTimer>

// Starts the hub with a tablet present and quits while the start-up scan sleeps in its
// presence test.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    platform::DevSim sim(qgetenv("INKWARDEN_DEVSIM").toStdString());
    sim.plug(*platform::SimModelCatalog::make("tablet"));
    QSharedPointer<DeviceController> hub = DeviceController::instance();
    QTimer::singleShot(100, &app, &QApplication::quit);
    return app.exec();
}
