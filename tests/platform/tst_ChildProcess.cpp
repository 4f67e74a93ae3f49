#include "platform/ChildProcess.h"

#include <QtTest>

#include <cerrno>
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
    QTest::addColumn<QByteArray>("script"); // the report is its descriptor 3
    QTest::addColumn<int>("silenceMs");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("report");
    QTest::newRow("reports and finishes") << QByteArray("printf done >&3; exit 3") << 60000 << int(Outcome::Finished) << 3 << QByteArray("done");
    QTest::newRow("stopped by a failed check") << QByteArray("printf before >&3; kill -TRAP $$") << 60000 << int(Outcome::Died) << int(SIGTRAP) << QByteArray("before");
    QTest::newRow("never reports") << QByteArray("exec sleep 600") << 300 << int(Outcome::Silent) << 0 << QByteArray();
    // Only silence stops it: a program that goes on reporting may take longer than the bound.
    QTest::newRow("reports past the bound") << QByteArray("for i in 1 2 3 4 5 6 7 8; do printf . >&3; sleep 0.2; done")
                                            << 1000 << int(Outcome::Finished) << 0 << QByteArray("........");
    QTest::newRow("takes its input") << QByteArray("cat >&3") << 60000 << int(Outcome::Finished) << 0
                                     << QByteArray(300000, 'j');
    QTest::newRow("missing") << QByteArray("/nonexistent/program") << 60000 << int(Outcome::NotStarted) << ENOENT << QByteArray();
    QTest::newRow("not executable") << QByteArray("/etc/passwd") << 60000 << int(Outcome::NotStarted) << EACCES << QByteArray();
}

// What the program did reaches the caller, whichever way it ended, and only the program ends.
void tst_ChildProcess::outcome()
{
    QFETCH(QByteArray, script);
    QFETCH(int, silenceMs);
    QFETCH(int, kind);
    QFETCH(int, code);
    QFETCH(QByteArray, report);
    std::vector<std::string> argv = {"/bin/sh", "-c", script.toStdString()};
    if (script.startsWith('/'))
        argv = {script.toStdString()};
    // The input in pieces of 1000 bytes.
    int fed = 0;
    const auto feed = [&] {
        const std::string_view piece(report.constData() + fed, size_t(std::min(1000, report.size() - fed)));
        fed += int(piece.size());
        return piece;
    };
    QByteArray heard;
    const Outcome outcome = platform::child::run(
        argv, {}, silenceMs, [&heard](const char *data, size_t size) { heard.append(data, int(size)); }, {},
        QTest::currentDataTag() == QByteArray("takes its input") ? platform::child::Feed(feed) : platform::child::Feed());
    QCOMPARE(int(outcome.kind), kind);
    QCOMPARE(outcome.code, code);
    QCOMPARE(heard, report);
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
        // Given `out` as its 3, with the report at 4; tells its number, then spins or waits.
        const std::string script = std::string("echo $$ >&3; ") + (busy ? "while :; do :; done" : "exec sleep 600");
        platform::child::run({"/bin/sh", "-c", script}, {channel[1]}, callerKilled ? 600000 : 300);
        _exit(0);
    }
    close(channel[1]);
    char told[32] = {};
    const bool started = read(channel[0], told, sizeof told - 1) > 0;
    const pid_t copy = atoi(told);
    QSet<int> kept = {0, 3, 4}; // its input, `out` and the report
    for (int fd : {1, 2}) {
        if (fcntl(fd, F_GETFD) >= 0)
            kept << fd;
    }
    // The shell holds a descriptor of its own for a moment while it redirects.
    QSet<int> open;
    (void)QTest::qWaitFor([&] { // compared below
        open.clear();
        for (const QString &fd : QDir(QStringLiteral("/proc/%1/fd").arg(copy)).entryList(QDir::Files | QDir::System))
            open << fd.toInt();
        return open == kept;
    }, 5000);
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
