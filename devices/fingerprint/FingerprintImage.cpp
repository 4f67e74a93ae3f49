#include "FingerprintImage.h"

QImage fingerprintImage(const QByteArray &frame, int width, int height)
{
    if (width <= 0 || height <= 0 || frame.size() / width < height)
        return QImage();
    QImage image(width, height, QImage::Format_ARGB32);
    const auto *grey = reinterpret_cast<const uchar *>(frame.constData());
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        const uchar *source = grey + qsizetype(y) * width;
        for (int x = 0; x < width; ++x)
            row[x] = source[x] < 128 ? 0xFFFF0000u : 0u;
    }
    return image;
}
