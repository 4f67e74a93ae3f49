#include "LangOption.h"

QString parseLangOption(const QStringList &arguments)
{
    static const QString prefix = QStringLiteral("--lang=");
    for (const QString &arg : arguments) {
        if (!arg.startsWith(prefix))
            continue;
        const QString value = arg.mid(prefix.size()).trimmed();
        if (value.compare(QLatin1String("en_US"), Qt::CaseInsensitive) == 0
            || value.compare(QLatin1String("en"), Qt::CaseInsensitive) == 0)
            return QStringLiteral("en_US");
        if (value.compare(QLatin1String("zh_CN"), Qt::CaseInsensitive) == 0
            || value.compare(QLatin1String("zh"), Qt::CaseInsensitive) == 0)
            return QStringLiteral("zh_CN");
    }
    return QString();
}
