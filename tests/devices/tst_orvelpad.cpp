#include "CapturedLog.h"
#include "OrvelDevice.h"
#include "platform/Windows.h"
#include "sim/DevSim.h"
#include "sim/SimSignaturePadModel.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QWidget>
#include <QWindow>
#include <QtTest>

#include <thread>

using namespace platform;

// The pad adapter against the simulated pad and a real board window on a private X server.
class tst_orvelpad : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        sim.reset(new DevSim(qgetenv("INKWARDEN_DEVSIM").toStdString()));
        board.setWindowTitle(QStringLiteral("PaintBoard"));
        board.resize(600, 350);
        // The library draws into the canvas's own window, found under the board by its title.
        canvas = new QWidget(&board);
        canvas->setGeometry(20, 20, 560, 315);
        canvas->setAttribute(Qt::WA_NativeWindow);
        board.show();
        canvas->windowHandle()->setTitle(QStringLiteral("drawLabel"));
        QVERIFY(QTest::qWaitForWindowExposed(&board));
    }

    void boardWindowIsFoundByItsTitle()
    {
        QGuiApplication::sync();
        const unsigned long found = windows::findByTitle("PaintBoard");
        QCOMPARE(found, static_cast<unsigned long>(board.winId()));
        QCOMPARE(windows::findByTitle("PaintBoar"), 0ul);
        QCOMPARE(windows::findByTitle("drawLabel", found), static_cast<unsigned long>(canvas->winId()));
    }

    void refusedStartCreatesNoWorker()
    {
        OrvelDevice pad;
        QVERIFY(!pad.checkDevice());
        // A pad whose node refuses the user is not present, but the log says why.
        const int refused = sim->plug(SimSignaturePadModel().desc());
        sim->setFault(refused, SimFault::DenyAccess);
        {
            CapturedLog log;
            QVERIFY(!pad.checkDevice());
            QVERIFY2(log.all().join(' ').contains(QLatin1String("permission refused")), qPrintable(log.all().join('\n')));
        }
        sim->unplug(refused);
        QSignalSpy pictures(&pad, &IDevice::signPicAvailable);
        QCOMPARE(pad.startSignature(600, 300), 0);
        QTest::qWait(300);
        QCOMPARE(pictures.count(), 0);
    }

    void drawingSizeIsClamped_data()
    {
        QTest::addColumn<QSize>("asked");
        QTest::addColumn<QSize>("used");
        QTest::newRow("zero") << QSize(0, 300) << QSize(600, 300);
        QTest::newRow("too large") << QSize(900, 500) << QSize(600, 300);
        QTest::newRow("largest") << QSize(800, 480) << QSize(800, 480);
        QTest::newRow("smallest") << QSize(1, 1) << QSize(1, 1);
    }
    void drawingSizeIsClamped()
    {
        QFETCH(QSize, asked);
        QFETCH(QSize, used);
        SimSignaturePadModel model;
        const int id = sim->plug(model.desc());
        OrvelDevice pad;
        QVERIFY(pad.checkDevice());
        QStringList lines;
        int started = 0;
        {
            CapturedLog log;
            started = pad.startSignature(asked.width(), asked.height());
            lines = log.all();
        }
        QCOMPARE(started, 1);
        const QStringList sizes = lines.filter(QRegularExpression(QStringLiteral("^width = ")));
        QCOMPARE(sizes.size(), 2);
        QCOMPARE(sizes.at(1).simplified(), QStringLiteral("width = %1 , height = %2").arg(used.width()).arg(used.height()));
        QCOMPARE(pad.endSignature(), 1);
        sim->unplug(id);
    }

    void inkReachesThePicture()
    {
        SimSignaturePadModel model;
        const int id = sim->plug(model.desc());
        OrvelDevice pad;
        pad.open();
        QSignalSpy pictures(&pad, &IDevice::signPicAvailable);
        QSignalSpy oks(&pad, &IDevice::okBtnClicked);
        QCOMPARE(pad.startSignature(canvas->width(), canvas->height()), 1);
        sim->sendInput(id, SimSignaturePadModel::penReport(0xA1, 2000, 2000, 600));
        for (int i = 0; i < 40; ++i)
            sim->sendInput(id, SimSignaturePadModel::penReport(0xA1, 2000 + i * 100, 2000 + i * 50, 600));
        sim->sendInput(id, SimSignaturePadModel::penReport(0xA0, 6000, 4000, 0));
        QTRY_VERIFY_WITH_TIMEOUT(!pictures.isEmpty(), 5000);
        const QImage picture = pictures.last().at(0).value<QImage>();
        QVERIFY(!picture.isNull());
        bool ink = false;
        for (int y = 0; y < picture.height() && !ink; ++y)
            for (int x = 0; x < picture.width() && !ink; ++x)
                ink = qAlpha(picture.pixel(x, y)) > 0 && qGray(picture.pixel(x, y)) < 128;
        QVERIFY(ink);
        sim->sendInput(id, SimSignaturePadModel::keyReport(1));
        QTRY_COMPARE(oks.count(), 1);
        // A removed pad is closed on the device thread: its polling ends with no end asked.
        std::thread([&pad] { pad.close(); }).join();
        QTRY_VERIFY(!pad.m_signWorker);
        pad.endSignature();
        sim->unplug(id);
    }

private:
    QScopedPointer<DevSim> sim;
    QWidget board;
    QWidget *canvas = nullptr;
};

QTEST_MAIN(tst_orvelpad)
#include "tst_orvelpad.moc"
