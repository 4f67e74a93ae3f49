#pragma once

#include <QMap>
#include <QObject>
#include <QSharedPointer>
#include <QVariant>

// The program's settings: values loaded from "config.ini" (or, on a first run, imported from
// "initial-config.ini" beside the program) over a built-in default for every key.
class ConfigManager : public QObject
{
    Q_OBJECT

public:
    static QSharedPointer<ConfigManager> instance();
    ~ConfigManager() override;

    bool loadConfig();
    bool saveConfig();
    void setValue(const QString &key, const QVariant &value);
    QVariant value(const QString &key) const;

    QString path() const { return configPath; }

private:
    ConfigManager();
    bool readFile(const QString &file);

    QString configPath;
    QMap<QString, QVariant> values;
    QMap<QString, QVariant> defaults;
};
