#pragma once

#include <QImage>
#include <QString>

// Images travel between components as Base64 text of PNG file bytes.
class ImageBase64
{
public:
    // Signatures and fingerprints are far smaller; a picture claiming more is refused unread.
    static constexpr qint64 MaxPixels = 4096 * 4096;

    // A null image when the text is not clean Base64, its bytes are no image of the format
    // (nullptr: any format the image library recognises) or it has more than MaxPixels pixels.
    static QImage decode(const QString &base64, const char *format = "PNG");
    static QString encodePng(const QImage &image);
};
