#include "BmpEncoder.h"

#include "ExportImage.h"

#include <cerrno>
#include <cstdint>
#include <unistd.h>
#include <vector>

namespace {

void put16(std::vector<uint8_t> &out, uint32_t value)
{
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void put32(std::vector<uint8_t> &out, uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

} // namespace

bool BmpEncoder::write(const ExportImage &image, int fd)
{
    // 32 bits per pixel, bottom-up rows of blue, green, red and alpha bytes.
    const uint32_t headerSize = 14 + 40;
    const uint64_t pixelBytes = uint64_t(image.width()) * uint64_t(image.height()) * 4;
    std::vector<uint8_t> out;
    out.reserve(headerSize + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, uint32_t(headerSize + pixelBytes));
    put32(out, 0);
    put32(out, headerSize);
    put32(out, 40);
    put32(out, uint32_t(image.width()));
    put32(out, uint32_t(image.height()));
    put16(out, 1);
    put16(out, 32);
    put32(out, 0); // uncompressed
    put32(out, uint32_t(pixelBytes));
    put32(out, 3780); // 96 dpi in pixels per metre
    put32(out, 3780);
    put32(out, 0);
    put32(out, 0);
    for (int y = image.height() - 1; y >= 0; --y) {
        const uint32_t *src = image.row(y);
        for (int x = 0; x < image.width(); ++x)
            put32(out, src[x]);
    }
    size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::write(fd, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}
