#include "TagMonitorThread.h"

#include <QtTest>

namespace {

PdfSignData tagsOfTypes(const QList<int> &types)
{
    PdfSignData data;
    for (int type : types) {
        PdfSignTag tag;
        tag.setType(type);
        data.tags.append(tag);
    }
    return data;
}

// The monitor's reports in the order they reached the main thread: tag numbers, and 0 for
// "all completed".
class Reports : public QObject
{
public:
    explicit Reports(TagMonitorThread *monitor)
    {
        connect(monitor, &TagMonitorThread::tagCompleted, this, [this](int index) { seen << index; });
        connect(monitor, &TagMonitorThread::allTagsCompleted, this, [this] { seen << 0; });
    }
    QList<int> seen;
};

} // namespace

class tst_tagmonitorthread : public QObject
{
    Q_OBJECT

private slots:
    void reportsInListOrder()
    {
        const PdfSignData data = tagsOfTypes({PdfSignTag::SignOnly, PdfSignTag::FpOnly, PdfSignTag::SignAndFp});
        TagMonitorThread monitor(&data, nullptr);
        Reports reports(&monitor);
        monitor.start();

        // The second tag is done first; the monitor still waits on the first.
        monitor.markDone(1, false);
        QTest::qWait(500);
        QCOMPARE(reports.seen, QList<int>());

        monitor.markDone(0, true);
        QTRY_COMPARE(reports.seen, (QList<int>{1, 2}));
        // Signature first: the both-parts tag is reported after each part.
        monitor.markDone(2, true);
        QTRY_COMPARE(reports.seen, (QList<int>{1, 2, 3}));
        monitor.markDone(2, false);
        QTRY_COMPARE(reports.seen, (QList<int>{1, 2, 3, 3, 0}));
        QVERIFY(monitor.wait(5000));
    }

    void completeAtTheFirstLook_data()
    {
        QTest::addColumn<QList<int>>("types");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("no tags") << QList<int>{} << QList<int>{0};
        QTest::newRow("both parts at once") << QList<int>{PdfSignTag::SignAndFp} << QList<int>{1, 0};
        QTest::newRow("every type") << QList<int>{1, 2, 3} << QList<int>{1, 2, 3, 0};
    }

    void completeAtTheFirstLook()
    {
        QFETCH(QList<int>, types);
        QFETCH(QList<int>, expected);
        PdfSignData data = tagsOfTypes(types);
        for (PdfSignTag &tag : data.tags)
            tag.isSignDone = tag.isFpDone = true;
        TagMonitorThread monitor(&data, nullptr);
        Reports reports(&monitor);
        monitor.start();
        QVERIFY(monitor.wait(5000));
        QTRY_COMPARE(reports.seen, expected);
    }

    void stopEndsAWaitingMonitor_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("one part") << int(PdfSignTag::SignOnly);
        QTest::newRow("both parts") << int(PdfSignTag::SignAndFp);
        // An unknown type is never completed by the walk; only a stop ends the wait on it.
        QTest::newRow("unknown type") << 0;
    }

    void stopEndsAWaitingMonitor()
    {
        QFETCH(int, type);
        const PdfSignData data = tagsOfTypes({type, PdfSignTag::SignOnly});
        TagMonitorThread monitor(&data, nullptr);
        Reports reports(&monitor);
        monitor.start();
        QTest::qWait(50);
        monitor.requestStop();
        QVERIFY(monitor.wait(5000));
        QCoreApplication::processEvents();
        QVERIFY(!reports.seen.contains(0));
    }

    void marksOutsideTheListAreIgnored()
    {
        const PdfSignData data = tagsOfTypes({PdfSignTag::SignOnly});
        TagMonitorThread monitor(&data, nullptr);
        Reports reports(&monitor);
        monitor.markDone(-1, true);
        monitor.markDone(1, true);
        monitor.start();
        QTest::qWait(300);
        QCoreApplication::processEvents();
        QVERIFY(!reports.seen.contains(0));
        monitor.requestStop();
        QVERIFY(monitor.wait(5000));
    }
};

QTEST_GUILESS_MAIN(tst_tagmonitorthread)
#include "tst_tagmonitorthread.moc"
