#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

// Every log line of the program, from every thread, while an object of this class lives.
class CapturedLog
{
public:
    CapturedLog()
    {
        QMutexLocker locker(&mutex());
        lines().clear();
        qInstallMessageHandler(&CapturedLog::collect);
    }
    ~CapturedLog() { qInstallMessageHandler(nullptr); }
    CapturedLog(const CapturedLog &) = delete;
    CapturedLog &operator=(const CapturedLog &) = delete;

    // Lines that begin with text.
    int count(const QString &text) const
    {
        QMutexLocker locker(&mutex());
        int n = 0;
        for (const QString &line : lines())
            n += line.startsWith(text) ? 1 : 0;
        return n;
    }
    bool contains(const QString &text) const { return count(text) > 0; }

private:
    static void collect(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        QMutexLocker locker(&mutex());
        lines().append(message);
    }
    static QMutex &mutex()
    {
        static QMutex m;
        return m;
    }
    static QStringList &lines()
    {
        static QStringList l;
        return l;
    }
};
