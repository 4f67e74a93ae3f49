#include "AppLog.h"
#include "ConfigManager.h"
#include "DeviceController.h"
#include "IDFPController.h"
#include "LangOption.h"
#include "LanguageManager.h"
#include "MainWindow.h"
#include "PdfHandler.h"

#include <QApplication>
#include <QIcon>
#include <QThread>
#include <QtDebug>

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    QApplication app(argc, argv);

    QIcon icon;
    icon.addFile(QStringLiteral(":/new/icon/resource/inkwarden_icon_64.png"), QSize(64, 64), QIcon::Normal, QIcon::Off);
    icon.addFile(QStringLiteral(":/new/icon/resource/inkwarden_icon_256.png"), QSize(256, 256), QIcon::Normal, QIcon::Off);
    QApplication::setWindowIcon(icon);

    qRegisterMetaType<PdfSignData>("PdfSignData");
    qRegisterMetaType<PdfSignResult>("PdfSignResult");

    initLogging();
    qInstallMessageHandler(logMessageHandler);
    qInfo() << "------------------------------------";
    qInfo() << "------- Inkwarden Start --------";
    qInfo() << "------------------------------------";
    QThread::currentThread()->setObjectName(QStringLiteral("MainThread"));

    static QSharedPointer<DeviceController> deviceController = DeviceController::instance();
    static QSharedPointer<PdfHandler> pdfHandler = PdfHandler::instance();
    static QSharedPointer<IDFPController> fpController = IDFPController::instance();
    static QSharedPointer<ConfigManager> configManager = ConfigManager::instance();

    const QString lang = parseLangOption(QApplication::arguments());
    if (!lang.isEmpty()) {
        configManager->loadConfig();
        configManager->setValue(QStringLiteral("app/language"), lang);
        if (!configManager->saveConfig())
            qWarning() << "--lang= option not saved to" << configManager->path();
        LanguageManager::instance().setLanguage(lang == QLatin1String("en_US") ? LanguageManager::Language::English
                                                                              : LanguageManager::Language::ZhCN);
    }

    int code = 0;
    {
        MainWindow window;
        window.show();
        code = app.exec();
    }
    return code;
}
