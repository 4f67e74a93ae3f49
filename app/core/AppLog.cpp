#include "AppLog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>

namespace {

const char kLogFolder[] = "logs";
const char kLogPrefix[] = "Quillhost_log_";

// Threads that are never stopped (the device thread) may log while static objects are being
// destroyed at exit, so the lock and the cached folder are deliberately never destroyed.
QMutex &logMutex()
{
    static QMutex *mutex = new QMutex;
    return *mutex;
}

QString &cachedLogDir()
{
    static QString *dir = new QString;
    return *dir;
}

// A message logged from inside the handler (Qt warning about a file, say) must not wait for
// the lock its own thread holds.
thread_local bool insideHandler = false;

QString formatLine(QtMsgType type, const QString &message)
{
    const char *format = nullptr;
    switch (type) {
    case QtDebugMsg: format = "[%1] Debug: %2"; break;
    case QtWarningMsg: format = "[%1] Warning: %2"; break;
    case QtCriticalMsg: format = "[%1] Critical: %2"; break;
    case QtFatalMsg: format = "[%1] Fatal: %2"; break;
    case QtInfoMsg: format = "[%1] Info: %2"; break;
    }
    if (!format)
        return QString();
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    // Both at once, so a "%1" inside the message stays as it is.
    return QString::fromLatin1(format).arg(stamp, message);
}

void writeToStderr(const QByteArray &line)
{
    std::fprintf(stderr, "%s\n", line.constData());
    std::fflush(stderr);
}

void rotateIfFull(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.size() <= kLogRotateBytes)
        return;
    const QString stem = path.left(path.size() - 4);
    for (int n = 1;; ++n) {
        const QString target = stem + QStringLiteral("_%1.txt").arg(n);
        if (!QFileInfo::exists(target)) {
            // A failed rename leaves the line in the full file; the next message tries again.
            QFile::rename(path, target);
            return;
        }
    }
}

void appendToFile(const QString &path, const QByteArray &line)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return;
    file.write(line);
    file.write("\n");
    file.close();
}

} // namespace

QString logDirPath()
{
    QString &dir = cachedLogDir();
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QDir::separator()
              + QLatin1String(kLogFolder);
    return dir;
}

QString logFilePath()
{
    return logDirPath() + QDir::separator() + QLatin1String(kLogPrefix)
           + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".txt");
}

void ensureLogDir()
{
    const QString dir = logDirPath();
    if (!QDir(dir).exists())
        QDir().mkpath(dir);
}

void cleanupOldLogs(const QDate &today)
{
    const QDir dir(logDirPath());
    if (!dir.exists())
        return;
    const QDate cutoff = today.addDays(-7);
    // The whole name: a file that merely contains a log's name is someone else's.
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("Quillhost_log_(\\d{8})(_\\d+)?\\.txt")));
    const QStringList names = dir.entryList(QDir::Files | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (!match.hasMatch())
            continue;
        const QDate date = QDate::fromString(match.captured(1), QStringLiteral("yyyyMMdd"));
        if (date.isValid() && date < cutoff)
            QFile::remove(dir.filePath(name));
    }
}

void initLogging()
{
    // Fix the folder now, while the application object (and its name) still exists.
    logDirPath();
    ensureLogDir();
    cleanupOldLogs();
}

void logMessageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    const QByteArray line = formatLine(type, message).toUtf8();
    if (insideHandler) {
        writeToStderr(line);
        return;
    }
    {
        QMutexLocker lock(&logMutex());
        insideHandler = true;
        writeToStderr(line);
        ensureLogDir();
        rotateIfFull(logFilePath());
        appendToFile(logFilePath(), line);
        insideHandler = false;
    }
    if (type == QtFatalMsg)
        std::abort();
}
