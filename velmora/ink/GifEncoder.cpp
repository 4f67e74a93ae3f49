#include "GifEncoder.h"

#include "ExportImage.h"

#include <gif_lib.h>

#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kTransparent = 255;

// Indexes every pixel into at most 255 colours; index 255 is the transparent one.
bool indexPixels(const ExportImage &image, std::vector<GifColorType> &palette,
                 std::vector<GifByteType> &indices)
{
    const size_t count = size_t(image.width()) * image.height();
    indices.assign(count, kTransparent);
    std::unordered_map<uint32_t, int> known;
    bool exact = true;
    for (int y = 0; exact && y < image.height(); ++y) {
        const uint32_t *src = image.row(y);
        for (int x = 0; x < image.width(); ++x) {
            if ((src[x] >> 24) == 0)
                continue;
            const uint32_t rgb = src[x] & 0xFFFFFF;
            auto found = known.find(rgb);
            if (found == known.end()) {
                if (known.size() == kTransparent) {
                    exact = false;
                    break;
                }
                found = known.emplace(rgb, int(known.size())).first;
            }
            indices[size_t(y) * image.width() + x] = GifByteType(found->second);
        }
    }
    // The transparent entry carries the background, for readers that ignore transparency.
    palette.assign(256, GifColorType{0, 0, 0});
    for (int y = 0; y < image.height(); ++y) {
        if ((image.row(y)[0] >> 24) == 0) {
            const uint32_t rgb = image.row(y)[0];
            palette[kTransparent] = {GifByteType(rgb >> 16), GifByteType(rgb >> 8), GifByteType(rgb)};
            break;
        }
    }
    if (exact) {
        for (const auto &entry : known)
            palette[size_t(entry.second)] = {GifByteType(entry.first >> 16),
                                             GifByteType(entry.first >> 8),
                                             GifByteType(entry.first)};
        return true;
    }
    // Too many colours: let the library choose 255 of them.
    std::vector<GifByteType> red(count), green(count), blue(count), quantized(count);
    for (int y = 0; y < image.height(); ++y) {
        const uint32_t *src = image.row(y);
        for (int x = 0; x < image.width(); ++x) {
            const size_t i = size_t(y) * image.width() + x;
            red[i] = GifByteType(src[x] >> 16);
            green[i] = GifByteType(src[x] >> 8);
            blue[i] = GifByteType(src[x]);
        }
    }
    int size = kTransparent;
    if (GifQuantizeBuffer(unsigned(image.width()), unsigned(image.height()), &size, red.data(),
                          green.data(), blue.data(), quantized.data(), palette.data())
        == GIF_ERROR)
        return false;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t argb = image.row(int(i / image.width()))[i % image.width()];
        indices[i] = (argb >> 24) == 0 ? kTransparent : quantized[i];
    }
    return true;
}

} // namespace

bool GifEncoder::write(const ExportImage &image, int fd)
{
    std::vector<GifColorType> palette;
    std::vector<GifByteType> indices;
    if (!indexPixels(image, palette, indices))
        return false;
    const int copy = dup(fd);
    if (copy < 0)
        return false;
    int error = 0;
    GifFileType *gif = EGifOpenFileHandle(copy, &error);
    if (!gif) {
        close(copy);
        return false;
    }
    ColorMapObject *map = GifMakeMapObject(256, palette.data());
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSAL_UNSPECIFIED;
    control.DelayTime = 0;
    control.TransparentColor = kTransparent;
    GifByteType extension[4];
    const size_t extensionSize = EGifGCBToExtension(&control, extension);
    EGifSetGifVersion(gif, true);
    bool ok = map
            && EGifPutScreenDesc(gif, image.width(), image.height(), 8, 0, map) == GIF_OK
            && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(extensionSize), extension)
                    == GIF_OK
            && EGifPutImageDesc(gif, 0, 0, image.width(), image.height(), false, nullptr)
                    == GIF_OK;
    for (int y = 0; ok && y < image.height(); ++y)
        ok = EGifPutLine(gif, indices.data() + size_t(y) * image.width(), image.width())
                == GIF_OK;
    GifFreeMapObject(map);
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    return ok;
}
