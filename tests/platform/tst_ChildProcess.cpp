#include "platform/ChildProcess.h"

#include <QtTest>

#include <csignal>
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

// The copy of a caller that goes (killed during a save) or hangs ends too, whatever it is doing,
// and holds none of the caller's descriptors but the standard streams and those it was given.
void tst_ChildProcess::neverOutlivesItsCaller()
{
    QFETCH(bool, busy);
    QFETCH(bool, callerKilled);
    QFETCH(int, signal);
    // Orphans come to this process, which can then wait for the copy.
    QCOMPARE(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    int channel[2];
    QCOMPARE(pipe(channel), 0);
    const pid_t caller = fork();
    if (caller == 0) {
        const int out = channel[1];
        platform::child::run(
            [busy, out](int report) {
                const int told[2] = {getpid(), report};
                platform::child::writeAll(out, told, sizeof told);
                for (volatile bool spin = busy;;) {
                    if (!spin)
                        pause();
                }
                return 0;
            },
            callerKilled ? 600000 : 300, {out});
        _exit(0);
    }
    close(channel[1]);
    int told[2] = {};
    const bool started = read(channel[0], told, sizeof told) == ssize_t(sizeof told);
    const pid_t copy = told[0];
    QSet<int> kept = {channel[1], told[1]};
    for (int fd : {0, 1, 2}) {
        if (fcntl(fd, F_GETFD) >= 0)
            kept << fd;
    }
    QSet<int> open;
    for (const QString &fd : QDir(QStringLiteral("/proc/%1/fd").arg(copy)).entryList(QDir::Files | QDir::System))
        open << fd.toInt();
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
    QCOMPARE(open, kept);
    QVERIFY(copyEnded);
    QVERIFY(WIFSIGNALED(status));
    QCOMPARE(WTERMSIG(status), signal);
}

QTEST_GUILESS_MAIN(tst_ChildProcess)
#include "tst_ChildProcess.moc"
