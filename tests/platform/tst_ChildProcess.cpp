#include "platform/ChildProcess.h"

#include <QtTest>

#include <csignal>
#include <stdexcept>
#include <unistd.h>

using platform::child::Outcome;

class tst_ChildProcess : public QObject {
    Q_OBJECT
private slots:
    void outcome_data();
    void outcome();
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

QTEST_GUILESS_MAIN(tst_ChildProcess)
#include "tst_ChildProcess.moc"
