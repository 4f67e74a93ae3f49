#pragma once

#include <string>
#include <vector>

// A small INI file with the rules of the Windows profile functions: sections and keys compare
// case-insensitively, the first occurrence of a section or key wins, values are trimmed and
// lose one pair of enclosing quotes, lines end in CRLF. Values are written back quoted where
// that keeps them as they are.
class IniFile
{
public:
    // False when the file cannot be read; the content is then empty.
    bool load(const std::string& path);
    // Written whole to a temporary file and renamed, so no reader ever sees half a file.
    bool save(const std::string& path) const;

    // The value (at most 255 bytes), or fallback when the key is missing.
    std::string value(const std::string& section, const std::string& key,
                      const std::string& fallback) const;
    // The value parsed as an integer the profile way, or fallback when the key is missing or empty.
    int intValue(const std::string& section, const std::string& key, int fallback) const;
    void setValue(const std::string& section, const std::string& key, const std::string& value);

    static int parseProfileInt(const std::string& text);

private:
    struct Entry
    {
        std::string key;
        std::string value;
    };
    struct Section
    {
        std::string name;
        std::vector<Entry> entries;
    };

    const Entry* find(const std::string& section, const std::string& key) const;

    std::vector<Section> m_sections;
};
