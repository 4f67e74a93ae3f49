#include "PdfSignData.h"

#include "LanguageManager.h"

#include <algorithm>

int PdfSignData::firstPendingTag() const
{
    for (int i = 0; i < tags.size(); ++i) {
        if (tags.at(i).isPending())
            return i;
    }
    return -1;
}

void PdfSignData::sortTags()
{
    std::sort(tags.begin(), tags.end(), [](const PdfSignTag &a, const PdfSignTag &b) {
        return a.page < b.page || (a.page == b.page && a.y < b.y);
    });
}

void PdfSignData::retitleTags()
{
    const QString format = LanguageManager::instance().translate(QStringLiteral("tag_area_title"));
    for (int i = 0; i < tags.size(); ++i)
        tags[i].title = format.arg(i + 1);
}

void PdfSignData::resetTags()
{
    for (PdfSignTag &tag : tags)
        tag.reset();
}
