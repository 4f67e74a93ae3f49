#include "PadSettings.h"

#include "GbkText.h"
#include "IniFile.h"

#include <cstdio>
#include <fstream>

namespace {

const char* const Pen = "PEN";
const char* const Area = "WRITING AREA";
const char* const Export = "EXPORT IMAGE";
const char* const Tip = "TIP TEXT";

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

PadSettings PadSettings::recreated()
{
    PadSettings s;
    s.penWidth = 32;
    s.penColor = 0x000000;
    s.transparent = 0;
    s.backgroundColor = 0xEBEBEB;
    s.exportOptions.minWidth = 200;
    s.tipColor = 0x000000;
    s.tipFont = GbkText::fromUtf8("楷体");
    s.tipSize = 16;
    s.tipLeft = 8;
    s.tipTop = 8;
    return s;
}

int PadSettings::parseHexColor(const std::string& text, uint32_t& color)
{
    if (text.size() != 7 || text[0] != '#')
        return Invalid;
    int d[6];
    for (int i = 0; i < 6; ++i) {
        d[i] = hexDigit(text[size_t(i) + 1]);
        if (d[i] < 0)
            return Invalid;
    }
    const uint32_t red = uint32_t(d[0] * 16 + d[1]);
    const uint32_t green = uint32_t(d[2] * 16 + d[3]);
    const uint32_t blue = uint32_t(d[4] * 16 + d[5]);
    color = blue << 16 | green << 8 | red;
    return Ok;
}

std::string PadSettings::hexColor(uint32_t color)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    return text;
}

int PadSettings::load(const std::string& path, PadSettings& out)
{
    IniFile ini;
    if (!std::ifstream(path, std::ios::binary) || !ini.load(path))
        return CannotRead;

    // Text values that read back empty are invalid, like a missing default would be.
    auto colour = [&](const char* section, const char* key, const char* fallback, uint32_t& color) {
        const std::string text = ini.value(section, key, fallback);
        return text.empty() ? int(Invalid) : parseHexColor(text, color);
    };

    PadSettings s;
    s.penWidth = ini.intValue(Pen, "WIDTH", 32);
    if (s.penWidth > MaxPenWidth)
        return Invalid;
    if (int r = colour(Pen, "COLOR", "#0000FF", s.penColor))
        return r;
    s.transparent = ini.intValue(Area, "TRANSPARENT", 0);
    if (int r = colour(Area, "BACKGROUND COLOR", "#EBEBEB", s.backgroundColor))
        return r;
    ExportOptions& o = s.exportOptions;
    o.proportion = ini.intValue(Area, "PROPORTION", o.proportion);
    o.option = ini.intValue(Export, "OPTION", o.option);
    o.minWidth = ini.intValue(Export, "MIN WIDTH", o.minWidth);
    o.minHeight = ini.intValue(Export, "MIN HEIGHT", o.minHeight);
    o.marginLeft = ini.intValue(Export, "MARGIN LEFT", o.marginLeft);
    o.marginRight = ini.intValue(Export, "MARGIN RIGHT", o.marginRight);
    o.marginTop = ini.intValue(Export, "MARGIN TOP", o.marginTop);
    o.marginBottom = ini.intValue(Export, "MARGIN BOTTOM", o.marginBottom);
    if (int r = colour(Tip, "COLOR", "#000000", s.tipColor))
        return r;
    s.tipFont = ini.value(Tip, "FONT", GbkText::fromUtf8("楷体"));
    if (s.tipFont.empty())
        return Invalid;
    s.tipSize = ini.intValue(Tip, "SIZE", 16);
    s.tipLeft = ini.intValue(Tip, "LEFT", 8);
    s.tipTop = ini.intValue(Tip, "TOP", 8);
    out = s;
    return Ok;
}

int PadSettings::save(const std::string& path) const
{
    IniFile ini;
    const auto number = [](int32_t v) { return std::to_string(v); };
    ini.setValue(Pen, "WIDTH", number(penWidth));
    ini.setValue(Pen, "COLOR", hexColor(penColor));
    ini.setValue(Area, "TRANSPARENT", number(transparent));
    ini.setValue(Area, "BACKGROUND COLOR", hexColor(backgroundColor));
    ini.setValue(Area, "PROPORTION", number(exportOptions.proportion));
    ini.setValue(Export, "OPTION", number(exportOptions.option));
    ini.setValue(Export, "MIN WIDTH", number(exportOptions.minWidth));
    ini.setValue(Export, "MIN HEIGHT", number(exportOptions.minHeight));
    ini.setValue(Export, "MARGIN LEFT", number(exportOptions.marginLeft));
    ini.setValue(Export, "MARGIN RIGHT", number(exportOptions.marginRight));
    ini.setValue(Export, "MARGIN TOP", number(exportOptions.marginTop));
    ini.setValue(Export, "MARGIN BOTTOM", number(exportOptions.marginBottom));
    ini.setValue(Tip, "COLOR", hexColor(tipColor));
    ini.setValue(Tip, "FONT", tipFont);
    ini.setValue(Tip, "SIZE", number(tipSize));
    ini.setValue(Tip, "LEFT", number(tipLeft));
    ini.setValue(Tip, "TOP", number(tipTop));
    return ini.save(path) ? Ok : CannotCreate;
}

PadSettingsStore& PadSettingsStore::instance()
{
    // Never destroyed: the reader thread may still draw while static objects go.
    static auto* store = new PadSettingsStore;
    return *store;
}

void PadSettingsStore::loadAtStartUp(const std::string& path)
{
    std::lock_guard<std::mutex> file(m_fileMutex);
    PadSettings loaded;
    const bool ok = PadSettings::load(path, loaded) == PadSettings::Ok;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_path = path;
        m_settings = ok ? loaded : PadSettings::recreated();
    }
    if (!ok)
        saveLocked();
}

PadSettings PadSettingsStore::current() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_settings;
}

void PadSettingsStore::setProportion(int32_t proportion)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_settings.exportOptions.proportion = proportion;
}

void PadSettingsStore::setPenWidth(int32_t width)
{
    std::lock_guard<std::mutex> file(m_fileMutex);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_settings.penWidth = width;
    }
    saveLocked();
}

void PadSettingsStore::setPenColor(uint32_t color)
{
    std::lock_guard<std::mutex> file(m_fileMutex);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_settings.penColor = color;
    }
    saveLocked();
}

// Called with m_fileMutex held.
void PadSettingsStore::saveLocked()
{
    PadSettings snapshot;
    std::string path;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        snapshot = m_settings;
        path = m_path;
    }
    if (!path.empty())
        snapshot.save(path);
}
