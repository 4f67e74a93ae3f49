#include "ImageFileWriter.h"

#include "BmpEncoder.h"
#include "ExportImage.h"
#include "GifEncoder.h"
#include "JpegEncoder.h"
#include "PngEncoder.h"
#include "TiffEncoder.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

int createTemporary(const std::string &path, std::string &temporary)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path + ".part" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

ImageFileWriter::Format ImageFileWriter::formatFor(const std::string &path)
{
    const size_t dot = path.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : path.substr(dot + 1);
    if (extension == "bmp")
        return Format::Bmp;
    if (extension == "jpg")
        return Format::Jpeg;
    if (extension == "gif")
        return Format::Gif;
    if (extension == "tiff")
        return Format::Tiff;
    return Format::Png;
}

bool ImageFileWriter::save(const ExportImage &image, const std::string &path)
{
    if (path.empty())
        return false;
    std::string temporary;
    const int fd = createTemporary(path, temporary);
    if (fd < 0)
        return false;
    bool ok = false;
    switch (formatFor(path)) {
    case Format::Png:
        ok = PngEncoder::write(image, fd);
        break;
    case Format::Jpeg:
        ok = JpegEncoder::write(image, fd);
        break;
    case Format::Gif:
        ok = GifEncoder::write(image, fd);
        break;
    case Format::Tiff:
        ok = TiffEncoder::write(image, fd);
        break;
    case Format::Bmp:
        ok = BmpEncoder::write(image, fd);
        break;
    }
    ok = close(fd) == 0 && ok;
    ok = ok && std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok)
        unlink(temporary.c_str());
    return ok;
}
