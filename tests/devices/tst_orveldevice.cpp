#include "CapturedLog.h"
#include "OrvelDevice.h"
#include "OrvelSignWorker.h"
#include "sim/DevSim.h"
#include "sim/SimModelCatalog.h"

#include <QBuffer>
#include <QFile>
#include <QSignalSpy>
#include <QWidget>
#include <QtTest>

using namespace platform;

namespace {

QStringList logOf(const std::function<void()> &action)
{
    CapturedLog log;
    action();
    return log.all();
}

QByteArray png(QSize size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The library's side scripted per pass: what it writes, and whether the file grows during
// the stability pause.
class ScriptedWorker : public OrvelSignWorker
{
public:
    struct Pass {
        bool reported;
        QByteArray written;
        bool growsInPause;
    };
    QList<Pass> passes;           // set before the thread starts
    std::atomic<bool> exhausted{false};

protected:
    bool requestPicture(const QByteArray &path) override
    {
        if (passes.isEmpty()) {
            exhausted = true;
            return false;
        }
        current = passes.takeFirst();
        if (!current.written.isNull()) {
            QFile file(QFile::decodeName(path));
            file.open(QIODevice::WriteOnly);
            file.write(current.written);
        }
        return current.reported;
    }
    void pause(int ms) override
    {
        if (ms == 20 && current.growsInPause) {
            QFile file(livePicturePath());
            file.open(QIODevice::Append);
            file.write("x");
        }
    }

private:
    Pass current{};
};

} // namespace

class tst_orveldevice : public QObject
{
    Q_OBJECT

private slots:
    void keys()
    {
        OrvelDevice pad;
        QString seen;
        connect(&pad, &IDevice::okBtnClicked, [&] { seen += 'o'; });
        connect(&pad, &IDevice::cancelBtnClicked, [&] { seen += 'c'; });
        connect(&pad, &IDevice::clearBtnClicked, [&] { seen += 'l'; });
        for (int key : {1, 2, 3, 4, 1})
            OrvelDevice::keyPressCallback(key);
        // The ok waits on the main thread for the library's last picture.
        QCOMPARE(seen, QStringLiteral("cl"));
        QTRY_COMPARE(seen, QStringLiteral("cl" "oo"));
    }

    void penSettingsReachTheLibrary_data()
    {
        QTest::addColumn<int>("r");
        QTest::addColumn<int>("g");
        QTest::addColumn<int>("b");
        QTest::addColumn<QString>("hex");
        QTest::addColumn<int>("colorRef");
        QTest::newRow("red") << 255 << 0 << 0 << "#ff0000" << 0x0000FF;
        QTest::newRow("blue") << 0 << 0 << 255 << "#0000ff" << 0xFF0000;
        QTest::newRow("mixed") << 0x12 << 0x34 << 0x56 << "#123456" << 0x563412;
    }
    void penSettingsReachTheLibrary()
    {
        QFETCH(int, r);
        QFETCH(int, g);
        QFETCH(int, b);
        QFETCH(QString, hex);
        QFETCH(int, colorRef);
        OrvelDevice pad;
        const QStringList log = logOf([&] {
            QCOMPARE(pad.setPenSize(1, 4), 1);
            QCOMPARE(pad.setPenColor(r, g, b), 1);
        });
        const QString joined = log.join(QLatin1Char('\n'));
        QVERIFY2(joined.contains(QStringLiteral("colorHex=  \"%1\"").arg(hex)), qPrintable(joined));
        // The library draws (1 + 4) / 2 at half pressure, as the tablet does.
        QVERIFY2(joined.contains(QStringLiteral("penWidth=  20 , penColor=  %1 ").arg(colorRef)), qPrintable(joined));
        // The library's messages are GBK, whatever the locale.
        QVERIFY2(joined.contains(QStringLiteral("errorMsg=  \"操作成功\"")), qPrintable(joined));
    }

    void deviceSetUnavailable()
    {
        // No simulator serves this test's folder: the HID layer cannot list any interface.
        OrvelDevice pad;
        const QStringList log = logOf([&] { QVERIFY(!pad.checkDevice()); });
        QVERIFY(log.contains(QStringLiteral("Failed to get device info set.")));
    }

    void noBoardWindowStartsNothing()
    {
        OrvelDevice pad;
        const QStringList log = logOf([&] { QCOMPARE(pad.startSignature(600, 300), -1); });
        QVERIFY(log.contains(QStringLiteral("Error: Unable to find the window 'PaintBoard'.")));
        QVERIFY(!log.join(' ').contains(QLatin1String("startSignature result")));
        // With no worker, ending still asks the library (which has no capture to end).
        const QStringList ended = logOf([&] { QCOMPARE(pad.endSignature(), 0); });
        QVERIFY(ended.join(' ').contains(QLatin1String("endSignature result:")));
    }

    void workerEmitsOnlyStablePictures()
    {
        ScriptedWorker worker;
        QSignalSpy pictures(&worker, &OrvelSignWorker::signPicAvailable);
        worker.passes = {
            {true, png(QSize(10, 5)), true},    // still being written
            {false, png(QSize(11, 5)), false},  // the library reported a failure
            {true, QByteArray("not a png"), false},
            {true, png(QSize(5000, 2)), false},  // no board's picture is that wide
            {true, png(QSize(12, 5)), false},
        };
        worker.begin();
        QTRY_VERIFY(worker.exhausted);
        worker.stop();
        QCOMPARE(pictures.count(), 1);
        const QImage picture = pictures.at(0).at(0).value<QImage>();
        QCOMPARE(picture.size(), QSize(12, 5));
        QCOMPARE(picture.format(), QImage::Format_ARGB32);
    }

    void stopBeforeTheLoopBegins()
    {
        // The flag is up before the thread runs, so this stop cannot be lost to the loop's start.
        ScriptedWorker worker;
        worker.begin();
        worker.stop();
        QVERIFY(worker.isFinished());
    }
};

QTEST_MAIN(tst_orveldevice)
#include "tst_orveldevice.moc"
