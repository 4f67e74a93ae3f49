#pragma once

#include <string>

// Writes one byte per pixel, rows top to bottom, as an 8-bit greyscale PNG file.
// Returns an empty string on success, else what went wrong.
std::string writeGreyPng(const std::string& path, const unsigned char* pixels, int width, int height);
