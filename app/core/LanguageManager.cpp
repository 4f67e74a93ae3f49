#include "LanguageManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QLocale>

LanguageManager &LanguageManager::instance()
{
    static LanguageManager manager;
    return manager;
}

LanguageManager::LanguageManager()
    : zhTable(loadTable(Language::ZhCN, QCoreApplication::applicationDirPath()))
    , enTable(loadTable(Language::English, QCoreApplication::applicationDirPath()))
{
    qRegisterMetaType<LanguageManager::Language>("LanguageManager::Language");
    qtTranslator.load(QStringLiteral("qtbase_") + code(Language::ZhCN), QLibraryInfo::location(QLibraryInfo::TranslationsPath));
    applyQtTranslation();
}

LanguageManager::~LanguageManager() = default;

QString LanguageManager::code(Language language)
{
    return language == Language::English ? QStringLiteral("en_US") : QStringLiteral("zh_CN");
}

QHash<QString, QString> LanguageManager::parseTable(const QByteArray &json)
{
    QHash<QString, QString> table;
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    if (!doc.isObject())
        return table;
    const QJsonObject object = doc.object();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (it.value().isString())
            table.insert(it.key(), it.value().toString());
    }
    return table;
}

QHash<QString, QString> LanguageManager::loadTable(Language language, const QString &programDir)
{
    const QString fileName = code(language) + QStringLiteral(".json");
    // A table beside the program lets texts change without a rebuild.
    QFile external(QDir(programDir).filePath(QStringLiteral("i18n/") + fileName));
    if (external.exists() && external.open(QIODevice::ReadOnly)) {
        const QHash<QString, QString> table = parseTable(external.readAll());
        if (!table.isEmpty())
            return table;
    }
    QFile builtIn(QStringLiteral(":/i18n/") + fileName);
    if (!builtIn.open(QIODevice::ReadOnly))
        return {};
    return parseTable(builtIn.readAll());
}

void LanguageManager::setLanguage(Language newLanguage)
{
    if (newLanguage == language)
        return;
    language = newLanguage;
    applyQtTranslation();
    emit languageChanged(language);
}

void LanguageManager::applyQtTranslation()
{
    // Dates and numbers in Qt's own dialogs follow the language, not the process's C locale.
    QLocale::setDefault(QLocale(code(language)));
    // English is Qt's own language.
    if (language == Language::English)
        QCoreApplication::removeTranslator(&qtTranslator);
    else if (!qtTranslator.isEmpty())
        QCoreApplication::installTranslator(&qtTranslator);
}

QString LanguageManager::translate(const QString &key) const
{
    const QHash<QString, QString> &table = language == Language::English ? enTable : zhTable;
    return table.value(key, key);
}

QString translated(const char *key)
{
    return LanguageManager::instance().translate(QString::fromLatin1(key));
}
