#include "GbkText.h"

#include <cstring>
#include <iconv.h>

std::string GbkText::fromUtf8(const std::string& utf8)
{
    iconv_t cd = iconv_open("GBK//IGNORE", "UTF-8");
    if (cd == iconv_t(-1))
        return utf8;
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* dst = out.data();
    size_t outLeft = out.size();
    iconv(cd, &in, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

void GbkText::copyBounded(char* buffer, size_t size, const std::string& text)
{
    if (!buffer || size == 0)
        return;
    const size_t n = std::min(size - 1, text.size());
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}
