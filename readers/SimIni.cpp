#include "SimIni.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

namespace {

std::string trimmed(const std::string &s)
{
    const auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    auto begin = std::find_if(s.begin(), s.end(), notSpace);
    auto end = std::find_if(s.rbegin(), s.rend(), notSpace).base();
    return begin < end ? std::string(begin, end) : std::string();
}

std::string lowered(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

bool toInt(const std::string &s, int *value)
{
    const std::string t = trimmed(s);
    if (t.empty())
        return false;
    char *end = nullptr;
    const long v = std::strtol(t.c_str(), &end, 0);
    if (*end != '\0' || v < -2147483647L - 1 || v > 2147483647L)
        return false;
    *value = int(v);
    return true;
}

} // namespace

SimIni SimIni::parse(const std::string &text)
{
    SimIni ini;
    std::istringstream in(text);
    std::string line;
    std::string section;
    while (std::getline(in, line)) {
        const auto comment = line.find_first_of(";#");
        line = trimmed(line.substr(0, comment));
        if (line.empty())
            continue;
        if (line.front() == '[' && line.back() == ']') {
            section = lowered(trimmed(line.substr(1, line.size() - 2)));
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        ini.m_values[section + '/' + lowered(trimmed(line.substr(0, eq)))] = trimmed(line.substr(eq + 1));
    }
    return ini;
}

std::string SimIni::text(const std::string &section, const std::string &key,
                         const std::string &fallback) const
{
    const auto it = m_values.find(section + '/' + key);
    return it == m_values.end() ? fallback : it->second;
}

int SimIni::integer(const std::string &section, const std::string &key, int fallback) const
{
    int value = 0;
    return toInt(text(section, key), &value) ? value : fallback;
}

bool SimIni::flag(const std::string &section, const std::string &key, bool fallback) const
{
    const std::string v = lowered(text(section, key));
    if (v == "1" || v == "true" || v == "yes" || v == "on")
        return true;
    if (v == "0" || v == "false" || v == "no" || v == "off")
        return false;
    return fallback;
}

std::vector<int> SimIni::integers(const std::string &section, const std::string &key) const
{
    std::vector<int> values;
    std::istringstream in(text(section, key));
    std::string item;
    int value = 0;
    while (std::getline(in, item, ','))
        if (toInt(item, &value))
            values.push_back(value);
    return values;
}
