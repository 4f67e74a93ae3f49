#pragma once

class ExportImage;

class GifEncoder {
public:
    // Writes the whole file to `fd` (which stays open); false on any failure.
    static bool write(const ExportImage &image, int fd);
};
