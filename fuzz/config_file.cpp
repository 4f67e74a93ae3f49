// The program's "config.ini" as a user may have edited it: what the program reads it saves so
// that reading and saving that file again writes the same bytes.

#include "FuzzInput.h"

#include "ConfigManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

namespace {

QTemporaryDir *folder = nullptr;

QByteArray saved(ConfigManager &config)
{
    QFile::remove(config.path());
    FUZZ_CHECK(config.saveConfig());
    QFile file(config.path());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Settings may hold images and cursors, which need a GUI application like the program's.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(*argc, *argv);
    folder = new QTemporaryDir;
    std::atexit([] { delete folder; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A fresh folder each time: Qt keeps what it read of a file while its size and time stay.
    static int run = 0;
    const QString home = folder->filePath(QString::number(++run));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home));
    {
        const QSharedPointer<ConfigManager> config = ConfigManager::instance();
        QDir().mkpath(QFileInfo(config->path()).absolutePath());
        QFile file(config->path());
        FUZZ_CHECK(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char *>(data), qint64(size));
        file.close();

        config->loadConfig();
        const QByteArray first = saved(*config);
        config->loadConfig();
        // Qt reads a header cut short ("[" then "=") as the key "/", writes it as an empty key
        // and refuses that on the next read: a junk line gone, no setting lost.
        if (!first.startsWith('=') && !first.contains("\n="))
            FUZZ_CHECK(saved(*config) == first);
    }
    QDir(home).removeRecursively();
    return 0;
}
