#include "platform/ChildProcess.h"

#include <QtTest>

#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::child::Outcome;

class tst_ChildProcess : public QObject {
    Q_OBJECT
private slots:
    void outcome_data();
    void outcome();
    void keepsOnlyItsOwnDescriptors();
    void neverOutlivesItsCaller_data();
    void neverOutlivesItsCaller();
};

void tst_ChildProcess::outcome_data()
{
    QTest::addColumn<int>("how");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("report");
    QTest::newRow("reports and finishes") << 0 << int(Outcome::Finished) << 3 << QByteArray("done");
    QTest::newRow("stopped by a failed check") << 1 << int(Outcome::Died) << int(SIGTRAP) << QByteArray("before");
    QTest::newRow("never returns") << 2 << int(Outcome::TimedOut) << 0 << QByteArray("before");
    QTest::newRow("throws") << 3 << int(Outcome::Finished) << 127 << QByteArray();
}

// What the copy did reaches the caller, whichever way it ended, and only the copy ends.
void tst_ChildProcess::outcome()
{
    QFETCH(int, how);
    QFETCH(int, kind);
    QFETCH(int, code);
    QFETCH(QByteArray, report);
    const Outcome outcome = platform::child::run(
        [how](int fd) {
            const char *text = how == 0 ? "done" : "before";
            if (how != 3)
                platform::child::writeAll(fd, text, strlen(text));
            if (how == 1)
                raise(SIGTRAP);
            if (how == 2)
                pause();
            if (how == 3)
                throw std::runtime_error("out of memory");
            return 3;
        },
        300);
    QCOMPARE(int(outcome.kind), kind);
    QCOMPARE(outcome.code, code);
    QCOMPARE(QByteArray::fromStdString(outcome.report), report);
}

// Nothing of this process reaches the copy but the standard streams and what it is given.
void tst_ChildProcess::keepsOnlyItsOwnDescriptors()
{
    QTemporaryFile given, other;
    QVERIFY(given.open() && other.open());
    const Outcome outcome = platform::child::run(
        [](int report) {
            std::string open;
            DIR *dir = opendir("/proc/self/fd");
            while (dirent *entry = readdir(dir)) {
                const int fd = atoi(entry->d_name);
                if (entry->d_name[0] != '.' && fd != dirfd(dir) && fd != report)
                    open += std::to_string(fd) + ' ';
            }
            closedir(dir);
            platform::child::writeAll(report, open.data(), open.size());
            return 0;
        },
        5000, {given.handle()});
    QCOMPARE(int(outcome.kind), int(Outcome::Finished));
    QSet<int> expected = {given.handle()};
    for (int fd : {0, 1, 2}) {
        if (fcntl(fd, F_GETFD) >= 0)
            expected << fd;
    }
    QSet<int> open;
    for (const QByteArray &fd : QByteArray::fromStdString(outcome.report).split(' ')) {
        if (!fd.isEmpty())
            open << fd.toInt();
    }
    QCOMPARE(open, expected);
    QVERIFY(fcntl(other.handle(), F_GETFD) >= 0);
}

void tst_ChildProcess::neverOutlivesItsCaller_data()
{
    QTest::addColumn<bool>("busy");
    QTest::addColumn<bool>("callerKilled");
    QTest::addColumn<int>("signal");
    QTest::newRow("caller killed, copy spinning") << true << true << int(SIGKILL);
    QTest::newRow("caller killed, copy waiting") << false << true << int(SIGKILL);
    // A caller that never ends nor reads leaves the copy to its own bound.
    QTest::newRow("caller frozen, copy spinning") << true << false << int(SIGALRM);
}

// The copy of a caller that goes (killed during a save) or hangs ends too, whatever it is doing.
void tst_ChildProcess::neverOutlivesItsCaller()
{
    QFETCH(bool, busy);
    QFETCH(bool, callerKilled);
    QFETCH(int, signal);
    // Orphans come to this process, which can then wait for the copy.
    QCOMPARE(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    int pidChannel[2];
    QCOMPARE(pipe(pidChannel), 0);
    const pid_t caller = fork();
    QVERIFY(caller >= 0);
    if (caller == 0) {
        const int out = pidChannel[1];
        platform::child::run(
            [busy, out](int) {
                const pid_t self = getpid();
                platform::child::writeAll(out, &self, sizeof self);
                for (volatile bool spin = busy;;) {
                    if (!spin)
                        pause();
                }
                return 0;
            },
            callerKilled ? 600000 : 300, {out});
        _exit(0);
    }
    close(pidChannel[1]);
    pid_t copy = 0;
    const bool started = read(pidChannel[0], &copy, sizeof copy) == ssize_t(sizeof copy);
    close(pidChannel[0]);
    kill(caller, callerKilled ? SIGKILL : SIGSTOP);

    // Ended: reaped here once its caller is gone, or a zombie of the frozen caller.
    const auto ended = [copy] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(copy));
        return !stat.open(QIODevice::ReadOnly) || stat.readAll().split(' ').value(2) == "Z";
    };
    const bool copyEnded = started && QTest::qWaitFor(ended, 20000);
    if (!copyEnded && started)
        kill(copy, SIGKILL);
    kill(caller, SIGKILL);
    waitpid(caller, nullptr, 0);
    int status = 0;
    if (started)
        waitpid(copy, &status, 0);
    QVERIFY(started);
    QVERIFY(copyEnded);
    QVERIFY(WIFSIGNALED(status));
    QCOMPARE(WTERMSIG(status), signal);
}

QTEST_GUILESS_MAIN(tst_ChildProcess)
#include "tst_ChildProcess.moc"
