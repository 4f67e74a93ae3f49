#include "ConfigManager.h"
#include "DrawLabel.h"
#include "ImageBase64.h"
#include "PaintBoard.h"
#include "SignPage.h"
#include "SignTestKit.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QImage halfRed()
{
    QImage picture(100, 50, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    return picture;
}

} // namespace

// The hidden page with the default settings, over stand-in devices.
class tst_signpage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        hub = DeviceController::instance();
        tablet.makeCurrent();
    }

    void defaultBoard()
    {
        SignPage page(ConfigManager::instance());
        emit hub->openPaintBoard();
        PaintBoard *board = page.findChild<PaintBoard *>();
        QVERIFY(board && board->isVisible());
        QCOMPARE(board->canvas()->size(), QSize(560, 315));

        // A size without area keeps the last one.
        page.onOpenPaintBoardCustom(0, 100);
        QTRY_COMPARE(page.findChild<PaintBoard *>()->canvas()->size(), QSize(560, 315));
        page.onOpenPaintBoardCustom(700, 300);
        QTRY_COMPARE(page.findChild<PaintBoard *>()->canvas()->size(), QSize(700, 300));

        hub->endSignature();
        QTRY_VERIFY(!page.findChild<PaintBoard *>());
    }

    void penSize_data()
    {
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<float>("minWidth");
        QTest::addColumn<float>("maxWidth");
        QTest::newRow("5, 3") << 5 << 3 << 1.0f << 4.0f;
        QTest::newRow("0, 30") << 0 << 30 << 1.0f << 4.0f;
        QTest::newRow("2, 3") << 2 << 3 << 2.0f << 3.0f;
        QTest::newRow("0, 1") << 0 << 1 << 1.0f << 1.0f;
    }

    void penSize()
    {
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(float, minWidth);
        QFETCH(float, maxWidth);
        SignPage page(ConfigManager::instance());
        hub->setPenSize(min, max);
        QCOMPARE(page.options()->penMinWidth, minWidth);
        QCOMPARE(page.options()->penMaxWidth, maxWidth);
    }

    void penColourWrapsEachComponent()
    {
        SignPage page(ConfigManager::instance());
        hub->setPenColor(-1, 256, 300);
        QCOMPARE(page.options()->penColor, qRgb(255, 0, 44));
    }

    void replacement()
    {
        SignPage page(ConfigManager::instance());
        emit hub->openPaintBoardFromPdf(QStringLiteral("A"));
        QPointer<PaintBoard> first = page.findChild<PaintBoard *>();
        QVERIFY(first);
        LogCapture log;
        emit hub->setPaintBoardTitle(QStringLiteral("B"));
        emit hub->openPaintBoard();
        QVERIFY(log.lines.contains(QStringLiteral("A replacement is already in progress, ignoring this click.")));
        QTRY_VERIFY(!first);
        const QList<PaintBoard *> boards = page.findChildren<PaintBoard *>();
        QCOMPARE(boards.size(), 1);
        QCOMPARE(boards[0]->findChild<QLabel *>(QStringLiteral("titleLabel"))->text(), QStringLiteral("B"));

        // Reopened by its title, the board is outside the document flow.
        QSignalSpy confirm(hub.data(), &DeviceController::signConfirm);
        QSignalSpy completed(hub.data(), &DeviceController::pdfSignCompleted);
        for (int status : {1, 2, 3})
            emit hub->penPacketReceived(TABLET_PACKET{0, status, 0, 0, 0, 0, 200 * status, 250, 500});
        emit hub->okBtnClicked();
        QCOMPARE(confirm.count(), 1);
        QCOMPARE(completed.count(), 0);
        QTRY_VERIFY(!page.findChild<PaintBoard *>());
    }

    void signPressedTwiceAtOnce()
    {
        SignPage page(ConfigManager::instance());
        auto shownBoards = [&page] {
            const QList<PaintBoard *> boards = page.findChildren<PaintBoard *>();
            return int(std::count_if(boards.begin(), boards.end(), [](PaintBoard *b) { return b->isVisible(); }));
        };
        QList<int> boardsAtStart;
        tablet.started = [&] { boardsAtStart << shownBoards(); };
        // The second press waits in the queue while the first one is handled.
        QMetaObject::invokeMethod(hub.data(), [this] { hub->startSignature(true, QStringLiteral("A")); }, Qt::QueuedConnection);
        hub->startSignature(true, QStringLiteral("A"));
        QTRY_COMPARE(boardsAtStart.size(), 2);
        tablet.started = nullptr;
        QCOMPARE(boardsAtStart, QList<int>({1, 1}));
        QCOMPARE(shownBoards(), 1);

        QSignalSpy completed(hub.data(), &DeviceController::pdfSignCompleted);
        for (int status : {1, 2, 2, 3}) {
            TABLET_PACKET packet{};
            packet.status = status;
            packet.x = status == 1 ? 200 : 800;
            packet.y = 250;
            packet.pressure = 500;
            emit hub->penPacketReceived(packet);
        }
        emit hub->okBtnClicked();
        QCOMPARE(completed.count(), 1);
        QVERIFY(inkNear(ImageBase64::decode(completed[0][0].toString()), 200, 157));
        QTRY_COMPARE(shownBoards(), 0);
    }

    void signBase64_data()
    {
        QTest::addColumn<bool>("pad");
        QTest::addColumn<int>("transparent");
        QTest::addColumn<QColor>("below");
        // The tablet's signature keeps its aspect at the top left; the pad's is stretched.
        QTest::newRow("tablet, transparent") << false << 1 << QColor(Qt::transparent);
        QTest::newRow("tablet, background") << false << 0 << QColor(Qt::white);
        QTest::newRow("tablet, other value") << false << 2 << QColor(Qt::transparent);
        QTest::newRow("pad") << true << 1 << QColor(Qt::red);
    }

    void signBase64()
    {
        QFETCH(bool, pad);
        QFETCH(int, transparent);
        QFETCH(QColor, below);
        OrvelDevice padDevice(1000, 500, 1000);
        if (pad)
            padDevice.makeCurrent();
        SignPage page(ConfigManager::instance());
        QSignalSpy sent(hub.data(), &DeviceController::sendImgBase64String);
        {
            LogCapture log;
            emit hub->getSignBase64(1, 2, 100, 100, transparent);
            QVERIFY(log.lines.contains(QStringLiteral("m_storedSignImg and m_storedPixmap is null in onGetSignBase64")));
            QCOMPARE(sent.count(), 0);
        }
        if (pad)
            emit hub->saveSignImage(halfRed());
        else
            emit hub->saveHistoryPixmap(QPixmap::fromImage(halfRed()));
        emit hub->getSignBase64(1, 2, 100, 100, transparent);
        QCOMPARE(sent.count(), 1);
        QCOMPARE(sent[0][0].toInt(), 1);
        QCOMPARE(sent[0][1].toInt(), 2);
        const QImage picture = ImageBase64::decode(sent[0][2].toString());
        QCOMPARE(picture.size(), QSize(100, 100));
        QCOMPARE(picture.pixelColor(50, 20), QColor(Qt::red));
        QCOMPARE(picture.pixelColor(50, 80), below);
        tablet.makeCurrent();
    }

    void saveSignToFile()
    {
        SignPage page(ConfigManager::instance());
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("sign.png"));
        emit hub->saveHistoryPixmap(QPixmap::fromImage(halfRed()));
        {
            LogCapture log;
            emit hub->saveSignToFile(path, 0, 0, 1);
            QVERIFY(log.lines.contains(QStringLiteral("m_storedSignImg is null in onSaveSignToFile")));
            QVERIFY(!QFile::exists(path));
        }
        emit hub->saveSignImage(halfRed());
        emit hub->saveSignToFile(path, 0, 0, 1);
        const QImage written(path);
        QCOMPARE(written.size(), QSize(560, 315));
        QCOMPARE(written.pixelColor(500, 300), QColor(Qt::red));
    }

private:
    QSharedPointer<DeviceController> hub;
    TabrixPenDevice tablet{1000, 500, 1000};
};

QTEST_MAIN(tst_signpage)
#include "tst_signpage.moc"
#include "moc_SignTestKit.cpp"
