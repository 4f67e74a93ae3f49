#include "ImageBase64.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QtDebug>

QImage ImageBase64::decode(const QString &base64, const char *format)
{
    // Qt's plain decoder skips stray characters; damaged text must not pass as a picture.
    const QByteArray::FromBase64Result bytes =
        QByteArray::fromBase64Encoding(base64.toUtf8(), QByteArray::AbortOnBase64DecodingErrors);
    if (!bytes || bytes.decoded.isEmpty())
        return QImage();
    QBuffer buffer;
    buffer.setData(bytes.decoded);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    if (!reader.canRead())
        return QImage();
    // The size the header claims is checked before any pixel memory is taken.
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > MaxPixels) {
        qWarning() << "Image refused, its size is unknown or too large:" << size;
        return QImage();
    }
    return reader.read();
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
