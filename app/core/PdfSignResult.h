#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// What one tag carried into a save; images as Base64 PNG, empty when absent.
struct PdfSignResultEntry
{
    int page = 0;
    int type = 0;
    QString signImage;
    QString fpImage;
    QString combinedImage;
};

// A finished save: the written PDF file as Base64 and one entry per tag, in list order.
struct PdfSignResult
{
    QString pdfBase64;
    QList<PdfSignResultEntry> entries;
};

Q_DECLARE_METATYPE(PdfSignResult)
