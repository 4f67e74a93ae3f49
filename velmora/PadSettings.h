#pragma once

#include "ExportLayout.h"

#include <cstdint>
#include <mutex>
#include <string>

// Drawing and export settings, kept in "RZK_PadsafeConf.INI" beside the library.
struct PadSettings
{
    uint32_t penColor = 0;         // 0x00BBGGRR
    int32_t penWidth = 0;
    uint32_t backgroundColor = 0;  // 0x00BBGGRR
    int32_t transparent = 0;
    ExportOptions exportOptions;   // PROPORTION and the EXPORT IMAGE section
    uint32_t tipColor = 0;
    std::string tipFont;           // GBK
    int32_t tipSize = 0;
    int32_t tipLeft = 0;
    int32_t tipTop = 0;

    static constexpr int MaxPenWidth = 256;

    // The values a missing or invalid file is re-created with.
    static PadSettings recreated();

    enum Result { Ok = 0, Invalid = -100, CannotRead = -200, CannotCreate = -201 };
    // Loads over the defaults of missing keys; fails on an invalid value.
    static int load(const std::string& path, PadSettings& out);
    int save(const std::string& path) const;

    static int parseHexColor(const std::string& text, uint32_t& color);
    static std::string hexColor(uint32_t color);
};

// The library's one settings record: read by the drawing code, changed by the pen setters.
class PadSettingsStore
{
public:
    static PadSettingsStore& instance();

    // Reads the file beside the library; re-creates it with defaults when missing or invalid.
    void loadAtStartUp(const std::string& path);

    PadSettings current() const;
    void setProportion(int32_t proportion);
    // Changes the record and rewrites the file; the new values stay in force even if it cannot be written.
    void setPenWidth(int32_t width);
    void setPenColor(uint32_t color);

private:
    void saveLocked();

    mutable std::mutex m_mutex;
    std::mutex m_fileMutex;  // keeps rewrites in the order of the changes
    PadSettings m_settings;
    std::string m_path;
};
