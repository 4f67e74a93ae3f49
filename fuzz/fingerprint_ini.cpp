// The reader simulation's fingerprint.ini: any text parses, values come trimmed and free of
// comments, and line ends written the Windows way change nothing.

#include "FuzzInput.h"

#include "SimIni.h"

namespace {

// The keys the reader stand-ins look up.
const std::pair<const char *, const char *> Keys[] = {
    {"reader", "present"}, {"reader", "image"}, {"reader", "finger"}, {"reader", "quality"},
    {"reader", "no_finger"}, {"livescan", "width"}, {"livescan", "height"}, {"livescan", "channels"},
    {"livescan", "init_errors"}, {"livescan", "raw_errors"}, {"zaz", "open_errors"},
};

std::string withCrLf(const std::string &text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    const SimIni ini = SimIni::parse(text);
    const SimIni crlf = SimIni::parse(withCrLf(text));
    for (const auto &[section, key] : Keys) {
        const std::string value = ini.text(section, key, "-");
        FUZZ_CHECK(value.find_first_of(";#") == std::string::npos);
        FUZZ_CHECK(value.empty() || (!isspace(static_cast<unsigned char>(value.front())) && !isspace(static_cast<unsigned char>(value.back()))));
        FUZZ_CHECK(crlf.text(section, key, "-") == value);
        FUZZ_CHECK(crlf.integer(section, key, -1) == ini.integer(section, key, -1));
        FUZZ_CHECK(crlf.flag(section, key, false) == ini.flag(section, key, false));
        const std::vector<int> list = ini.integers(section, key);
        FUZZ_CHECK(list.size() <= size_t(std::count(value.begin(), value.end(), ',')) + 1);
        FUZZ_CHECK(crlf.integers(section, key) == list);
    }
    return 0;
}
