#pragma once

#include <map>
#include <string>
#include <vector>

// The few lines of fingerprint.ini: "[section]" headers, "key = value" pairs, comments after ';' or '#'.
class SimIni
{
public:
    static SimIni parse(const std::string &text);

    std::string text(const std::string &section, const std::string &key,
                     const std::string &fallback = std::string()) const;
    int integer(const std::string &section, const std::string &key, int fallback) const;
    bool flag(const std::string &section, const std::string &key, bool fallback) const;
    // A comma-separated list of integers; entries that are not numbers are skipped.
    std::vector<int> integers(const std::string &section, const std::string &key) const;

private:
    std::map<std::string, std::string> m_values; // "section/key" -> value
};
