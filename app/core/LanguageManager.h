#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QTranslator>

// Both language tables of the user interface; the current one answers `translate`.
class LanguageManager : public QObject
{
    Q_OBJECT

public:
    enum class Language { ZhCN = 0, English = 1 };
    Q_ENUM(Language)

    static LanguageManager &instance();
    ~LanguageManager() override;

    void setLanguage(Language language);
    Language currentLanguage() const { return language; }
    QString translate(const QString &key) const;

    static QString code(Language language);
    static QHash<QString, QString> parseTable(const QByteArray &json);
    // The table of a language: "i18n/<code>.json" in programDir when it holds a usable table,
    // else the built-in one.
    static QHash<QString, QString> loadTable(Language language, const QString &programDir);

signals:
    void languageChanged(LanguageManager::Language language);

private:
    LanguageManager();
    void applyQtTranslation();

    Language language = Language::ZhCN;
    // Qt's own texts (file dialogs, standard buttons) for the Chinese interface.
    QTranslator qtTranslator;
    QHash<QString, QString> zhTable;
    QHash<QString, QString> enTable;
};

// The current language's text for a key written in the code.
QString translated(const char *key);
