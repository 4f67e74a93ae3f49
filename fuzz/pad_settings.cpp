// The pad's settings file as a user may have edited it: whatever the library reads, it writes
// back so that reading its own file gives the same again.

#include "FuzzInput.h"

#include "IniFile.h"
#include "PadSettings.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

namespace {

std::string folder;

void writeFile(const std::string &path, const uint8_t *data, size_t size)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char *>(data), std::streamsize(size));
}

std::string readFile(const std::string &path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

auto fields(const PadSettings &s)
{
    const ExportOptions &e = s.exportOptions;
    return std::tie(s.penColor, s.penWidth, s.backgroundColor, s.transparent, e.proportion, e.option, e.minWidth,
                    e.minHeight, e.marginLeft, e.marginRight, e.marginTop, e.marginBottom, s.tipColor, s.tipFont,
                    s.tipSize, s.tipLeft, s.tipTop);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    char pattern[] = "/tmp/fuzz-pad-settings-XXXXXX";
    folder = mkdtemp(pattern);
    std::atexit([] { std::filesystem::remove_all(folder); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string in = folder + "/in.ini", first = folder + "/first.ini", second = folder + "/second.ini";
    writeFile(in, data, size);

    IniFile read;
    FUZZ_CHECK(read.load(in));
    FUZZ_CHECK(read.save(first));
    IniFile again;
    FUZZ_CHECK(again.load(first) && again.save(second));
    FUZZ_CHECK(readFile(second) == readFile(first));

    PadSettings settings;
    if (PadSettings::load(in, settings) != PadSettings::Ok)
        return 0;
    FUZZ_CHECK(settings.penWidth <= PadSettings::MaxPenWidth && !settings.tipFont.empty());
    FUZZ_CHECK(settings.save(first) == PadSettings::Ok);
    PadSettings reread;
    FUZZ_CHECK(PadSettings::load(first, reread) == PadSettings::Ok);
    FUZZ_CHECK(fields(reread) == fields(settings));
    return 0;
}
