#include "ConfigManager.h"
#include "SharedInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QWeakPointer>
#include <QtDebug>

namespace {

// Settings files hold UTF-8 text (Chinese board titles), never Qt's %U escapes.
void useUtf8(QSettings &settings)
{
    settings.setIniCodec("UTF-8");
}

// Qt's INI reader turns an unquoted "a,b" into a list and drops the blanks around its commas.
// The program stores only texts, so such a value is taken as the file writes it: the text after
// the '=' of the key's last line, up to a comment.
QString writtenText(const QString &file, const QString &key)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QString section;
    QString text;
    while (!in.atEnd()) {
        const QString line = QString::fromUtf8(in.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed();
            if (section.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
                section.clear();
            continue;
        }
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0 || line.startsWith(QLatin1Char(';')))
            continue;
        const QString name = line.left(equals).trimmed().replace(QLatin1Char('\\'), QLatin1Char('/'));
        if ((section.isEmpty() ? name : section + QLatin1Char('/') + name) != key)
            continue;
        int end = equals + 1;
        for (bool quoted = false; end < line.size() && (quoted || line.at(end) != QLatin1Char(';')); ++end)
            quoted ^= line.at(end) == QLatin1Char('"');
        text = line.mid(equals + 1, end - equals - 1).trimmed();
    }
    return text;
}

} // namespace

QSharedPointer<ConfigManager> ConfigManager::instance()
{
    static QWeakPointer<ConfigManager> cached;
    return sharedInstance(cached, [] { return new ConfigManager; });
}

ConfigManager::ConfigManager()
    : configPath(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
                 + QStringLiteral("/config.ini"))
{
    defaults = {
        {QStringLiteral("sign/title"), QString()},
        {QStringLiteral("sign/titleHidden"), false},
        {QStringLiteral("sign/windowStyle"), 0},
        {QStringLiteral("sign/operHidden"), false},
        {QStringLiteral("sign/size"), 0},
        {QStringLiteral("sign/autoCrop"), false},
        {QStringLiteral("sign/tagWidth"), 128},
        {QStringLiteral("sign/tagHeight"), 64},
        {QStringLiteral("sign/defaultType"), 1},
        {QStringLiteral("pdf/tagHidden"), false},
        {QStringLiteral("pdf/scrollDisable"), false},
        {QStringLiteral("pdf/tagBtnHidden"), false},
        {QStringLiteral("pdf/autoJump"), true},
        {QStringLiteral("fp/threshold"), 60},
        {QStringLiteral("app/language"), QStringLiteral("en_US")},
    };
}

ConfigManager::~ConfigManager() = default;

bool ConfigManager::readFile(const QString &file)
{
    QSettings settings(file, QSettings::IniFormat);
    useUtf8(settings);
    const QStringList keys = settings.allKeys();
    for (const QString &key : keys) {
        const QVariant value = settings.value(key);
        values.insert(key, value.type() == QVariant::StringList ? writtenText(file, key) : value);
    }
    return !keys.isEmpty();
}

bool ConfigManager::loadConfig()
{
    values.clear();
    if (QFileInfo::exists(configPath)) {
        readFile(configPath);
        qDebug() << "config file load success";
        return true;
    }
    const QString bootstrap = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("initial-config.ini"));
    if (QFileInfo::exists(bootstrap) && readFile(bootstrap)) {
        if (!saveConfig())
            qWarning() << "bootstrap config not saved to" << configPath;
        qDebug() << "bootstrap config imported";
        return true;
    }
    qDebug() << "file doesn't exist";
    return false;
}

bool ConfigManager::saveConfig()
{
    QDir().mkpath(QFileInfo(configPath).absolutePath());
    QSettings settings(configPath, QSettings::IniFormat);
    useUtf8(settings);
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        settings.setValue(it.key(), it.value());
    qDebug() << "configManager saveConfig config()";
    // Write now, so an unwritable folder or file is reported instead of lost silently.
    settings.sync();
    return settings.status() == QSettings::NoError;
}

void ConfigManager::setValue(const QString &key, const QVariant &value)
{
    values.insert(key, value);
}

QVariant ConfigManager::value(const QString &key) const
{
    auto it = values.constFind(key);
    if (it != values.constEnd())
        return it.value();
    return defaults.value(key);
}
