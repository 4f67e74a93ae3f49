#pragma once

#include "PdfSignTag.h"

#include <QByteArray>
#include <QList>

class QJsonValue;

// Tag template files: a JSON array of tag positions in units of 1/96 inch, so the same areas
// can be placed on every document of one layout.
class TagTemplate
{
public:
    // The indented JSON text of the tags, titles as they are now.
    static QByteArray write(const QList<PdfSignTag> &tags);
    // False when the text is not a JSON array. Entries off the document's pages, without area,
    // or too large for the page-image space are left out.
    static bool read(const QByteArray &json, int pageCount, QList<PdfSignTag> *tags);

private:
    static int wholeNumber(const QJsonValue &value, int fallback);
    static bool toPixels(int units, int *pixels);
};
