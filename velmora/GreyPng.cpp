#include "GreyPng.h"

#include <png.h>

std::string writeGreyPng(const std::string& path, const unsigned char* pixels, int width, int height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = PNG_FORMAT_GRAY;
    if (png_image_write_to_file(&image, path.c_str(), 0, pixels, width, nullptr))
        return std::string();
    const std::string reason = image.message;
    png_image_free(&image);
    return reason.empty() ? "cannot write the file" : reason;
}
