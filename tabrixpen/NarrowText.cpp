#include "NarrowText.h"

#include <cstring>

std::string narrowText(const char16_t *units, size_t count)
{
    std::string out;
    for (size_t i = 0; i < count && units[i] != 0; ++i) {
        uint32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = '?';
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string cutNarrow(const std::string &text, size_t maxBytes)
{
    size_t n = text.size() < maxBytes ? text.size() : maxBytes;
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n; // back off to the start of the character that does not fit
    return text.substr(0, n);
}

void copyNarrow(char *field, size_t size, const std::string &text)
{
    if (size == 0)
        return;
    const std::string cut = cutNarrow(text, size - 1);
    std::memcpy(field, cut.data(), cut.size());
    field[cut.size()] = '\0';
}
