#include "PngEncoder.h"

#include "ExportImage.h"
#include "StreamCopy.h"

#include <png.h>

#include <cstdio>
#include <vector>

bool PngEncoder::write(const ExportImage &image, int fd)
{
    FILE *file = openStreamCopy(fd);
    if (!file)
        return false;
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
            image.rowBytes(y, row.data(), true);
            png_write_row(png, row.data());
        }
        png_write_end(png, info);
        ok = true;
    }
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return fclose(file) == 0 && ok;
}
