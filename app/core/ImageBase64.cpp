#include "ImageBase64.h"

#include <QBuffer>
#include <QByteArray>

QImage ImageBase64::decode(const QString &base64, const char *format)
{
    // Qt's plain decoder skips stray characters; damaged text must not pass as a picture.
    const QByteArray::FromBase64Result bytes =
        QByteArray::fromBase64Encoding(base64.toUtf8(), QByteArray::AbortOnBase64DecodingErrors);
    if (!bytes || bytes.decoded.isEmpty())
        return QImage();
    return QImage::fromData(bytes.decoded, format);
}

QString ImageBase64::encodePng(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return QString();
    return QString::fromLatin1(bytes.toBase64());
}
