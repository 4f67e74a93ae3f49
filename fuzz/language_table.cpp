// Language tables beside the program: any text yields a table of texts, and a table written
// as JSON reads back the same.

#include "FuzzInput.h"

#include "LanguageManager.h"

#include <QJsonDocument>
#include <QJsonObject>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto table = LanguageManager::parseTable(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    QJsonObject object;
    for (auto it = table.constBegin(); it != table.constEnd(); ++it)
        object.insert(it.key(), it.value());
    FUZZ_CHECK(LanguageManager::parseTable(QJsonDocument(object).toJson()) == table);
    return 0;
}
