#include "PageImagePool.h"

#include <cstdlib>
#include <limits>

struct PageImagePool::Lease
{
    std::shared_ptr<PageImagePool> pool; // outlives the document holder while images live
    uchar *buffer;
    qint64 bytes;
};

std::shared_ptr<PageImagePool> PageImagePool::create()
{
    return std::shared_ptr<PageImagePool>(new PageImagePool);
}

PageImagePool::~PageImagePool()
{
    std::free(spare);
}

QImage PageImagePool::take(QSize size)
{
    // pdfium's bitmaps hold under 4 GiB with a stride that fits an int.
    constexpr qint64 BitmapLimit = qint64(1) << 32;
    if (size.isEmpty() || size.width() > std::numeric_limits<int>::max() / 4)
        return QImage();
    const int bytesPerLine = size.width() * 4;
    const qint64 bytes = qint64(bytesPerLine) * size.height();
    if (bytes >= BitmapLimit)
        return QImage();

    uchar *buffer = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (spare && spareBytes == bytes) {
            buffer = spare;
            spare = nullptr;
        }
    }
    if (!buffer)
        buffer = static_cast<uchar *>(std::malloc(size_t(bytes)));
    if (!buffer)
        return QImage();
    auto *lease = new Lease{shared_from_this(), buffer, bytes};
    QImage image(buffer, size.width(), size.height(), bytesPerLine, QImage::Format_RGB32, &PageImagePool::release, lease);
    if (image.isNull()) { // Qt refused the size, so it will not call back
        delete lease;
        std::free(buffer);
    }
    return image;
}

void PageImagePool::release(void *lease)
{
    auto *released = static_cast<Lease *>(lease);
    released->pool->keep(released->buffer, released->bytes);
    delete released;
}

void PageImagePool::keep(uchar *buffer, qint64 bytes)
{
    std::lock_guard<std::mutex> lock(mutex);
    std::free(spare);
    spare = buffer;
    spareBytes = bytes;
}
