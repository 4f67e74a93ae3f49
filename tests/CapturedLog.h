#pragma once

#include <QStringList>
#include <QtGlobal>

#include <mutex>

// Every log line of the program, from every thread, while an object of this class lives.
class CapturedLog
{
public:
    CapturedLog()
    {
        std::lock_guard<std::mutex> lock(mutex());
        lines().clear();
        qInstallMessageHandler(&CapturedLog::collect);
    }
    ~CapturedLog() { qInstallMessageHandler(nullptr); }
    CapturedLog(const CapturedLog &) = delete;
    CapturedLog &operator=(const CapturedLog &) = delete;

    // Lines that begin with text.
    int count(const QString &text) const
    {
        std::lock_guard<std::mutex> lock(mutex());
        int n = 0;
        for (const QString &line : qAsConst(lines()))
            n += line.startsWith(text) ? 1 : 0;
        return n;
    }
    bool contains(const QString &text) const { return count(text) > 0; }
    // Every line so far, in order.
    QStringList all() const
    {
        std::lock_guard<std::mutex> lock(mutex());
        return lines();
    }

private:
    static void collect(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        std::lock_guard<std::mutex> lock(mutex());
        lines().append(message);
    }
    // A standard mutex, whose ordering race checkers see.
    static std::mutex &mutex()
    {
        static std::mutex m;
        return m;
    }
    static QStringList &lines()
    {
        static QStringList l;
        return l;
    }
};
