#include "PenDisplay.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

namespace {

// Writes down the enter, leave and mouse events a button receives.
class EventLog : public QObject
{
public:
    QString seen;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Enter: seen += 'E'; break;
        case QEvent::Leave: seen += 'L'; break;
        case QEvent::MouseButtonPress: seen += 'P'; break;
        case QEvent::MouseButtonRelease: seen += 'R'; break;
        default: break;
        }
        return false;
    }
};

} // namespace

// Built twice: offscreen with one screen, and under an X server with two screens side by side.
class tst_pendisplay : public QObject
{
    Q_OBJECT

private slots:
    void targetScreenFollowsTheMainWindow()
    {
        QTRY_COMPARE(QGuiApplication::screens().size(), SCREENS);
        const QList<QScreen *> screens = QGuiApplication::screens();
        for (QScreen *home : screens) {
            QMainWindow window;
            window.setGeometry(QRect(home->geometry().topLeft() + QPoint(50, 50), QSize(400, 300)));
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QCOMPARE(window.windowHandle()->screen(), home);
            QCOMPARE(targetScreen(false), home);
            QScreen *other = screens.size() > 1 ? screens.at(home == screens.first() ? 1 : 0) : home;
            QCOMPARE(targetScreen(true), other);
        }
    }

    void taps_data()
    {
        QTest::addColumn<QList<int>>("statuses");
        QTest::addColumn<QList<bool>>("inside");
        QTest::addColumn<QString>("events");
        QTest::addColumn<int>("clicks");

        QTest::newRow("tap") << QList<int>{1, 2, 3} << QList<bool>{true, true, true} << "EPR" << 1;
        QTest::newRow("down inside, up outside") << QList<int>{1, 2, 3} << QList<bool>{true, true, false} << "EL" << 0;
        QTest::newRow("hover and out of range") << QList<int>{0, 4} << QList<bool>{true, true} << "" << 0;
        QTest::newRow("outside") << QList<int>{2} << QList<bool>{false} << "L" << 0;
    }
    void taps()
    {
        QFETCH(QList<int>, statuses);
        QFETCH(QList<bool>, inside);
        QFETCH(QString, events);
        QFETCH(int, clicks);
        QPushButton button(QStringLiteral("OK"));
        button.resize(120, 40);
        EventLog log;
        button.installEventFilter(&log);
        QSignalSpy clicked(&button, &QPushButton::clicked);
        const QRect rect(100, 100, 120, 40);
        for (int i = 0; i < statuses.size(); ++i)
            clickAt(&button, rect, inside[i] ? QPoint(219, 139) : QPoint(220, 139), statuses[i]);
        QCOMPARE(log.seen, events);
        QCOMPARE(clicked.count(), clicks);

        // A disabled button ignores the synthetic click.
        button.setEnabled(false);
        clickAt(&button, rect, QPoint(150, 120), 3);
        QCOMPARE(clicked.count(), clicks);
    }
};

QTEST_MAIN(tst_pendisplay)
#include "tst_pendisplay.moc"
