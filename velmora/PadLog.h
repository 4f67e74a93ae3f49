#pragma once

#include <mutex>
#include <string>

// The library's own log: "Velmora.log" in "devLogs" under the user's data folder. The folder is
// never created; without it nothing is logged. Lines are indented by call nesting.
class PadLog
{
public:
    enum Level { OpenRoot = 1, CloseRoot = 2, Enter = 3, Leave = 4, Line = 5 };

    static PadLog& instance();

    // $XDG_DATA_HOME (else ~/.local/share) + "/devLogs/Velmora.log"; empty without either.
    static std::string defaultPath();
    void setPath(const std::string& path);

    void write(Level level, const char* format, ...) __attribute__((format(printf, 3, 4)));

    static constexpr long long MaxSize = 5 * 1024 * 1024;

private:
    std::mutex m_mutex;
    std::string m_path;
    std::string m_prefix;
};

#define padLog(level, ...) PadLog::instance().write(PadLog::level, __VA_ARGS__)
