#pragma once

#include <string>

class ExportImage;

// Saves a picture in the format its file name asks for ("bmp", "jpg", "png", "gif", "tiff",
// case-sensitive; anything else is PNG). The file appears whole or not at all: it is written
// beside its place under another name and renamed.
class ImageFileWriter {
public:
    enum class Format { Png, Jpeg, Gif, Tiff, Bmp };

    static Format formatFor(const std::string &path);
    static bool save(const ExportImage &image, const std::string &path);
};
