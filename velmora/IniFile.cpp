#include "IniFile.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t ValueLimit = 255;

std::string trimmed(const std::string& s)
{
    const char* blanks = " \t\r\n";
    const size_t first = s.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    const size_t last = s.find_last_not_of(blanks);
    return s.substr(first, last - first + 1);
}

bool sameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

std::string unquoted(const std::string& v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// Quotes a value that reading back would otherwise trim or unquote.
std::string quotedIfNeeded(const std::string& v)
{
    return trimmed(v) != v || unquoted(v) != v ? "\"" + v + "\"" : v;
}

int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
}

} // namespace

bool IniFile::load(const std::string& path)
{
    m_sections.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    Section* current = nullptr;
    while (std::getline(in, line)) {
        const std::string t = trimmed(line);
        if (t.empty() || t.front() == ';')
            continue;
        if (t.front() == '[') {
            const size_t close = t.find(']');
            const std::string name = trimmed(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            // A section that appeared before is not read again: the first one holds.
            bool seen = false;
            for (const Section& s : m_sections)
                seen = seen || sameName(s.name, name);
            current = nullptr;
            if (!seen) {
                m_sections.push_back({name, {}});
                current = &m_sections.back();
            }
            continue;
        }
        const size_t eq = t.find('=');
        if (!current || eq == std::string::npos)
            continue;
        current->entries.push_back({trimmed(t.substr(0, eq)), unquoted(trimmed(t.substr(eq + 1)))});
    }
    return !in.bad();
}

bool IniFile::save(const std::string& path) const
{
    std::string text;
    for (const Section& s : m_sections) {
        if (!text.empty())
            text += "\r\n";
        text += "[" + s.name + "]\r\n";
        for (const Entry& e : s.entries)
            text += e.key + "=" + quotedIfNeeded(e.value) + "\r\n";
    }

    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    fchmod(fd, 0644);
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n <= 0)
            break;
        written += size_t(n);
    }
    const bool ok = ::close(fd) == 0 && written == text.size() && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok)
        unlink(temp.c_str());
    return ok;
}

const IniFile::Entry* IniFile::find(const std::string& section, const std::string& key) const
{
    for (const Section& s : m_sections) {
        if (!sameName(s.name, section))
            continue;
        for (const Entry& e : s.entries)
            if (sameName(e.key, key))
                return &e;
    }
    return nullptr;
}

std::string IniFile::value(const std::string& section, const std::string& key, const std::string& fallback) const
{
    const Entry* e = find(section, key);
    const std::string& v = e ? e->value : fallback;
    return v.substr(0, ValueLimit);
}

int IniFile::intValue(const std::string& section, const std::string& key, int fallback) const
{
    const Entry* e = find(section, key);
    if (!e || e->value.empty())
        return fallback;
    return parseProfileInt(e->value);
}

// Leading blanks, a sign, an optional 0x/0o/0b base prefix, then digits up to the first
// character that is not one; no digits give 0. Wraps to 32 bits like the system does.
int IniFile::parseProfileInt(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    unsigned base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        const char p = char(text[i + 1] | 0x20);
        base = p == 'x' ? 16 : p == 'o' ? 8 : p == 'b' ? 2 : 10;
        if (base != 10)
            i += 2;
    }
    uint32_t value = 0;
    for (; i < text.size(); ++i) {
        const int d = digitValue(text[i]);
        if (d >= int(base))
            break;
        value = value * base + uint32_t(d);
    }
    return int(negative ? 0u - value : value);
}

void IniFile::setValue(const std::string& section, const std::string& key, const std::string& value)
{
    Section* target = nullptr;
    for (Section& s : m_sections)
        if (sameName(s.name, section))
            target = &s;
    if (!target) {
        m_sections.push_back({section, {}});
        target = &m_sections.back();
    }
    for (Entry& e : target->entries) {
        if (sameName(e.key, key)) {
            e.value = value;
            return;
        }
    }
    target->entries.push_back({key, value});
}
