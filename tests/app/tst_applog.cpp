#include "AppLog.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

#include <thread>
#include <vector>

namespace {

void logLine(QtMsgType type, const QString &text)
{
    logMessageHandler(type, QMessageLogContext(), text);
}

QStringList fileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

void makeFile(const QString &path, qint64 size)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QVERIFY(file.resize(size));
}

QString rotatedName(int n)
{
    return logFilePath().left(logFilePath().size() - 4) + QStringLiteral("_%1.txt").arg(n);
}

} // namespace

class TestAppLog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        initLogging();
        QVERIFY(QDir(logDirPath()).exists());
    }

    void init()
    {
        QDir dir(logDirPath());
        for (const QString &name : dir.entryList(QDir::Files))
            dir.remove(name);
    }

    void lineFormat_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("label");
        QTest::newRow("debug") << int(QtDebugMsg) << "Debug";
        QTest::newRow("info") << int(QtInfoMsg) << "Info";
        QTest::newRow("warning") << int(QtWarningMsg) << "Warning";
        QTest::newRow("critical") << int(QtCriticalMsg) << "Critical";
    }

    void lineFormat()
    {
        QFETCH(int, type);
        QFETCH(QString, label);
        logLine(QtMsgType(type), QStringLiteral("value %1 stays, 签名 too"));
        const QStringList lines = fileLines(logFilePath());
        QCOMPARE(lines.size(), 1);
        const QRegularExpression shape(QStringLiteral("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\] ") + label
                                       + QStringLiteral(": value %1 stays, 签名 too$"));
        QVERIFY2(shape.match(lines.first()).hasMatch(), qPrintable(lines.first()));
    }

    void fileOfExactlyTheLimitIsAppendedTo()
    {
        makeFile(logFilePath(), kLogRotateBytes);
        logLine(QtInfoMsg, QStringLiteral("appended"));
        QVERIFY(QFileInfo(logFilePath()).size() > kLogRotateBytes);
        QVERIFY(!QFileInfo::exists(rotatedName(1)));
    }

    void fileOverTheLimitMovesToFirstFreeNumber()
    {
        makeFile(logFilePath(), kLogRotateBytes + 1);
        makeFile(rotatedName(1), 10);
        logLine(QtInfoMsg, QStringLiteral("fresh"));
        QCOMPARE(QFileInfo(rotatedName(2)).size(), kLogRotateBytes + 1);
        QCOMPARE(QFileInfo(rotatedName(1)).size(), qint64(10));
        const QStringList lines = fileLines(logFilePath());
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.first().endsWith(QLatin1String("Info: fresh")));
    }

    void cleanupByDateInName()
    {
        const QStringList names{"Quillhost_log_20261130_2.txt", "Quillhost_log_20261301.txt", "notes.txt",
                                "Quillhost_log_20261201.txt", "Quillhost_log_20261124.txt",
                                "old-Quillhost_log_20200101.txt.gz"};
        for (const QString &name : names)
            makeFile(QDir(logDirPath()).filePath(name), 1);
        cleanupOldLogs(QDate(2026, 12, 8));
        const QStringList left = QDir(logDirPath()).entryList(QDir::Files, QDir::Name);
        QCOMPARE(left, (QStringList{"Quillhost_log_20261201.txt", "Quillhost_log_20261301.txt", "notes.txt",
                                    "old-Quillhost_log_20200101.txt.gz"}));
    }

    void threadsWriteWholeLines()
    {
        const int threads = 8;
        const int perThread = 400;
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back([t] {
                for (int i = 0; i < perThread; ++i)
                    logLine(QtDebugMsg, QStringLiteral("thread %1 line %2 end").arg(t).arg(i));
            });
        }
        for (std::thread &w : workers)
            w.join();

        const QStringList lines = fileLines(logFilePath());
        QCOMPARE(lines.size(), threads * perThread);
        const QRegularExpression shape(QStringLiteral("^\\[[^\\]]+\\] Debug: thread (\\d) line (\\d+) end$"));
        QSet<QString> seen;
        for (const QString &line : lines) {
            const QRegularExpressionMatch m = shape.match(line);
            QVERIFY2(m.hasMatch(), qPrintable(line));
            seen.insert(m.captured(1) + '/' + m.captured(2));
        }
        QCOMPARE(seen.size(), threads * perThread);
    }

    void criticalGoesOnFatalEnds_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("survives");
        QTest::newRow("critical") << "critical" << true;
        QTest::newRow("fatal") << "fatal" << false;
    }

    void criticalGoesOnFatalEnds()
    {
        QFETCH(QString, mode);
        QFETCH(bool, survives);
        QTemporaryDir home;
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_DATA_HOME", home.path() + "/data");
        child.setProcessEnvironment(env);
        child.start(QStringLiteral(LOGCHILD_PATH), {mode});
        QVERIFY(child.waitForFinished(30000));
        const bool cleanExit = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
        QCOMPARE(cleanExit, survives);

        const QString err = QString::fromUtf8(child.readAllStandardError());
        QVERIFY(err.contains(QLatin1String("] Critical: critical from child")));
        QCOMPARE(err.contains(QLatin1String("] Info: child goes on")), survives);
        QCOMPARE(err.contains(QLatin1String("] Fatal: fatal from child")), !survives);

        // The fatal line reached the file before the process died.
        const QString logs = home.path() + "/data/logchild/logs";
        const QStringList files = QDir(logs).entryList({"Quillhost_log_*.txt"}, QDir::Files);
        QCOMPARE(files.size(), 1);
        const QString text = fileLines(logs + '/' + files.first()).join('\n');
        QCOMPARE(text.contains(QLatin1String("] Fatal: fatal from child")), !survives);
    }
};

QTEST_GUILESS_MAIN(TestAppLog)
#include "tst_applog.moc"
