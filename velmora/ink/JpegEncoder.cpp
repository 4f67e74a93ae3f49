#include "JpegEncoder.h"

#include "ExportImage.h"
#include "StreamCopy.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <vector>

namespace {

struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

// The library's own handler would end the process.
void failJpeg(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorTrap *>(info->err)->jump, 1);
}

} // namespace

bool JpegEncoder::write(const ExportImage &image, int fd)
{
    FILE *file = openStreamCopy(fd);
    if (!file)
        return false;
    jpeg_compress_struct info;
    ErrorTrap trap;
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = failJpeg;
    // Transparent pixels keep their colour, so the picture shows the background there.
    std::vector<JSAMPLE> row(size_t(image.width()) * 3);
    volatile bool ok = false;
    if (setjmp(trap.jump) == 0) {
        jpeg_create_compress(&info);
        jpeg_stdio_dest(&info, file);
        info.image_width = JDIMENSION(image.width());
        info.image_height = JDIMENSION(image.height());
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, 100, TRUE);
        jpeg_start_compress(&info, TRUE);
        for (int y = 0; y < image.height(); ++y) {
            image.rowBytes(y, row.data(), false);
            JSAMPROW rows[] = {row.data()};
            jpeg_write_scanlines(&info, rows, 1);
        }
        jpeg_finish_compress(&info);
        ok = true;
    }
    jpeg_destroy_compress(&info);
    return fclose(file) == 0 && ok;
}
