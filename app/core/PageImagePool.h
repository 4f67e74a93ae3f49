#pragma once

#include <QImage>
#include <QSize>

#include <memory>
#include <mutex>

// Makes the buffers of the 300-dpi page images. A page image is some 34 MB, above the size glibc
// ever serves from its heap: each one was mapped afresh and unmapped on free, so every page paid
// thousands of page faults before pdfium drew a pixel. The page caches let go of one image as
// they take the next, so the buffer of the image released last is kept for the next image of the
// same size: reuse costs at most one page image of memory.
class PageImagePool : public std::enable_shared_from_this<PageImagePool>
{
public:
    static std::shared_ptr<PageImagePool> create();
    ~PageImagePool();
    PageImagePool(const PageImagePool &) = delete;
    PageImagePool &operator=(const PageImagePool &) = delete;

    // An RGB32 image of this size, its pixels left as they are, whose buffer comes back here
    // when its last copy goes. A null image when memory runs out or for a size pdfium cannot
    // draw into (4 GiB or more), which is never allocated.
    QImage take(QSize size);

private:
    struct Lease;

    PageImagePool() = default;
    static void release(void *lease);
    void keep(uchar *buffer, qint64 bytes);

    std::mutex mutex; // the last copy of an image may go on any thread
    uchar *spare = nullptr;
    qint64 spareBytes = 0;
};
