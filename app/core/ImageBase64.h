#pragma once

#include <QImage>
#include <QString>

// Images travel between components as Base64 text of PNG file bytes.
class ImageBase64
{
public:
    // A null image when the text is not clean Base64 or its bytes are no image of the format
    // (nullptr: any format the image library recognises).
    static QImage decode(const QString &base64, const char *format = "PNG");
    static QString encodePng(const QImage &image);
};
