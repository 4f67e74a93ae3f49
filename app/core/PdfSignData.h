#pragma once

#include "PdfSignTag.h"

#include <QList>
#include <QMetaType>
#include <QString>

// The tags of one document, copied by value between the editor, the signing window and PdfHandler.
struct PdfSignData
{
    QString textA; // carried unchanged; nothing gives them a meaning
    QString textB;
    QList<PdfSignTag> tags;

    int firstPendingTag() const;
    bool hasPendingTag() const { return firstPendingTag() >= 0; }
    // By page, then by y; tags on the same page and y keep no particular order.
    void sortTags();
    // Titles follow the list position in the current language ("Sign Area 1", ...).
    void retitleTags();
    void resetTags();
};

Q_DECLARE_METATYPE(PdfSignData)
