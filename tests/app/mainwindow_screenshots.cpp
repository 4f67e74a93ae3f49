// Saves pictures of the main window and the settings dialog in both languages, without a
// document and with a document holding tags, for a person to look at (scripts/screenshots).
#include "ConfigManager.h"
#include "LanguageManager.h"
#include "MainWindow.h"
#include "PdfSignCoreWidget.h"
#include "SettingsDialog.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

void settle(int ms = 400)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void writeSamplePdf(const QString &path)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    QPainter painter(&writer);
    for (int page = 1; page <= 3; ++page) {
        if (page > 1)
            writer.newPage();
        QFont font = painter.font();
        font.setPointSize(20);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(60, 80, QStringLiteral("Service Agreement - page %1").arg(page));
        font.setPointSize(10);
        font.setBold(false);
        painter.setFont(font);
        for (int line = 0; line < 30; ++line)
            painter.drawText(60, 130 + line * 18,
                             QStringLiteral("%1. The parties agree to the terms set out in this section.").arg(line + 1));
        painter.drawLine(60, 720, 260, 720);
        painter.drawText(60, 736, QStringLiteral("Signature"));
    }
}

void writeTemplate(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("[{\"page\":1,\"x\":80,\"y\":150,\"w\":260,\"h\":90,\"type\":1,\"title\":\"\"},"
               "{\"page\":1,\"x\":420,\"y\":150,\"w\":200,\"h\":90,\"type\":3,\"title\":\"\"},"
               "{\"page\":1,\"x\":80,\"y\":300,\"w\":160,\"h\":90,\"type\":2,\"title\":\"\"},"
               "{\"page\":2,\"x\":80,\"y\":880,\"w\":200,\"h\":100,\"type\":2,\"title\":\"\"}]");
}

void save(QWidget *widget, const QString &folder, const QString &name)
{
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    widget->grab().save(path);
    std::printf("%s\n", qPrintable(path));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    // The editor reports template loads in a message box; the pictures are of the window.
    QTimer dismiss;
    QObject::connect(&dismiss, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->accept();
    });
    dismiss.start(20);

    QTemporaryDir work;
    const QString pdf = work.filePath(QStringLiteral("agreement.pdf"));
    const QString tags = work.filePath(QStringLiteral("tags.json"));
    writeSamplePdf(pdf);
    writeTemplate(tags);

    QSharedPointer<ConfigManager> config = ConfigManager::instance();
    for (const QString &language : {QStringLiteral("zh_CN"), QStringLiteral("en_US")}) {
        config->loadConfig();
        config->setValue(QStringLiteral("app/language"), language);
        config->saveConfig();

        MainWindow window;
        window.show();
        settle();
        save(&window, folder, language + QStringLiteral("-nodoc"));

        window.resize(window.minimumSize());
        settle();
        save(&window, folder, language + QStringLiteral("-nodoc-minimum"));

        auto *editor = window.findChild<PdfSignCoreWidget *>();
        editor->openPdf(pdf);
        settle();
        editor->loadTemplateJson(tags);
        settle();
        save(&window, folder, language + QStringLiteral("-tags-minimum"));
        window.resize(1380, 780);
        settle();
        save(&window, folder, language + QStringLiteral("-tags"));

        auto *settings = new SettingsDialog(config, &window);
        settings->show();
        settle();
        save(settings, folder, language + QStringLiteral("-settings"));
        settings->close();
        settle(50);
    }
    return 0;
}
