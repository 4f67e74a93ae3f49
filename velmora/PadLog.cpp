#include "PadLog.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char* const RootPrefix = " -(QRL)-";
const std::string Indent = "    ";
constexpr size_t WrittenWhileBelow = 48;  // the base and up to ten levels
constexpr size_t GrowsWhileBelow = 123;
constexpr size_t MessageLimit = 1023;
} // namespace

PadLog& PadLog::instance()
{
    // Never destroyed: the reader thread may log while static objects go.
    static auto* log = new PadLog;
    return *log;
}

std::string PadLog::defaultPath()
{
    std::string base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        base = data;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.local/share";
    else
        return {};
    return base + "/devLogs/Velmora.log";
}

void PadLog::setPath(const std::string& path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_path = path;
}

void PadLog::write(Level level, const char* format, ...)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_path.empty())
        return;

    struct stat st;
    if (::stat(m_path.c_str(), &st) == 0 && st.st_size > MaxSize)
        ::truncate(m_path.c_str(), 0);

    if (level == OpenRoot || level == CloseRoot)
        m_prefix = RootPrefix;
    else if (m_prefix.empty())
        return;
    else if (level == Leave)
        m_prefix.resize(m_prefix.size() >= Indent.size() ? m_prefix.size() - Indent.size() : 0);

    if (m_prefix.size() < WrittenWhileBelow) {
        va_list args;
        va_start(args, format);
        va_list again;
        va_copy(again, args);
        const int length = std::vsnprintf(nullptr, 0, format, args);
        va_end(args);
        std::string message(length > 0 ? size_t(length) : 0, '\0');
        std::vsnprintf(&message[0], message.size() + 1, format, again);
        va_end(again);
        // A cut message ends with a whole character: paths in it are UTF-8.
        size_t kept = std::min(message.size(), MessageLimit);
        while (kept > 0 && kept < message.size() && (static_cast<unsigned char>(message[kept]) & 0xC0) == 0x80)
            --kept;
        message.resize(kept);
        std::string line = m_prefix + message + "\r\n";
        if (level == CloseRoot || level == Leave)
            line += "\r\n";
        if (FILE* f = std::fopen(m_path.c_str(), "ab")) {
            std::fwrite(line.data(), 1, line.size(), f);
            std::fclose(f);
        }
    }

    if ((level == OpenRoot || level == Enter) && m_prefix.size() < GrowsWhileBelow)
        m_prefix += Indent;
}
