#pragma once

#include <QString>
#include <QStringList>

// The language code chosen by a "--lang=" argument ("en_US" or "zh_CN"), or empty.
QString parseLangOption(const QStringList &arguments);
