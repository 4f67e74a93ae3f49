#include "TiffEncoder.h"

#include "ExportImage.h"

#include <tiffio.h>
#include <unistd.h>
#include <vector>

bool TiffEncoder::write(const ExportImage &image, int fd)
{
    const int copy = dup(fd);
    if (copy < 0)
        return false;
    TIFF *tiff = TIFFFdOpen(copy, "signature", "w");
    if (!tiff) {
        close(copy);
        return false;
    }
    const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(image.width()))
            && TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(image.height()))
            && TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8)
            && TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 4)
            && TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra)
            && TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB)
            && TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG)
            && TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW)
            && TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    std::vector<uint8_t> row(size_t(image.width()) * 4);
    for (int y = 0; ok && y < image.height(); ++y) {
        image.rowBytes(y, row.data(), true);
        ok = TIFFWriteScanline(tiff, row.data(), uint32_t(y), 0) == 1;
    }
    ok = ok && TIFFFlush(tiff) == 1;
    TIFFClose(tiff);
    return ok;
}
