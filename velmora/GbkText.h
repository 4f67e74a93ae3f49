#pragma once

#include <string>

// The library's messages and the caller's texts are GBK bytes.
namespace GbkText {
// Converts UTF-8 to GBK; characters GBK lacks are dropped.
std::string fromUtf8(const std::string& utf8);
// Copies text into a caller buffer of size bytes, always NUL-terminated.
void copyBounded(char* buffer, size_t size, const std::string& text);
}
