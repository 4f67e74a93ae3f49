#include "PngEncoder.h"

#include "ExportImage.h"

#include <png.h>

#include <cstdio>
#include <unistd.h>
#include <vector>

bool PngEncoder::write(const ExportImage &image, int fd)
{
    const int copy = dup(fd);
    FILE *file = copy < 0 ? nullptr : fdopen(copy, "wb");
    if (!file) {
        if (copy >= 0)
            close(copy);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row(size_t(image.width()) * 4);
    volatile bool ok = false;
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), 8,
                     PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < image.height(); ++y) {
            const uint32_t *src = image.row(y);
            for (int x = 0; x < image.width(); ++x) {
                row[size_t(x) * 4] = png_byte(src[x] >> 16);
                row[size_t(x) * 4 + 1] = png_byte(src[x] >> 8);
                row[size_t(x) * 4 + 2] = png_byte(src[x]);
                row[size_t(x) * 4 + 3] = png_byte(src[x] >> 24);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, info);
        ok = true;
    }
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return fclose(file) == 0 && ok;
}
