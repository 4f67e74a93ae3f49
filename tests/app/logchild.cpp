#include "AppLog.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QtDebug>

// logchild critical|fatal: logs a critical message, then either goes on or dies of a fatal one.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("logchild"));
    initLogging();
    qInstallMessageHandler(logMessageHandler);
    qCritical() << "critical from child";
    if (app.arguments().value(1) == QLatin1String("fatal"))
        qFatal("fatal from child");
    qInfo() << "child goes on";
    return 0;
}
