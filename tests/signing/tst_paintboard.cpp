#include "CapturedLog.h"
#include "DrawLabel.h"
#include "ImageBase64.h"
#include "LanguageManager.h"
#include "PaintBoard.h"
#include "SignTestKit.h"
#include "sim/DevSim.h"
#include "sim/SimModelCatalog.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

using namespace platform;

// The board over a simulated tablet: its reports and keys come through the tablet library
// and the hub as in the program.
class tst_paintboard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        sim.reset(new DevSim(qgetenv("INKWARDEN_DEVSIM").toStdString()));
        QVERIFY(sim->listening());
        hub = DeviceController::instance();
        QTRY_COMPARE(sim->monitors(), 1);
        plug("tablet", false);
        DeviceController *board = hub.data();
        for (auto signal : {&DeviceController::signCancel, &DeviceController::signClear, &DeviceController::closePaintBoard})
            connect(board, signal, this, [this, signal] { journal.append(signal == &DeviceController::signCancel ? "cancel"
                                                                          : signal == &DeviceController::signClear ? "clear" : "close"); });
        connect(board, &DeviceController::signConfirm, this, [this](const QString &text) { journal.append("confirm"); result = text; });
        connect(board, &DeviceController::pdfSignCompleted, this, [this](const QString &text) { journal.append("pdf"); result = text; });
        connect(board, &DeviceController::saveHistoryPixmap, this, [this] { journal.append("history"); });
    }

    void init()
    {
        journal.clear();
        result.clear();
        options = PaintBoardOptionsPtr::create();
        // The tablet ignores a key pressed again within 200 ms.
        QTest::qWait(250);
    }

    void boardStyle_data()
    {
        QTest::addColumn<int>("windowStyle");
        QTest::addColumn<QString>("styleTypes");
        QTest::addColumn<bool>("transparent");
        QTest::newRow("0") << 0 << "0 0 0" << false;
        QTest::newRow("1") << 1 << "1 1 1" << false;
        QTest::newRow("2") << 2 << "2 2 3" << false;
        QTest::newRow("3") << 3 << "0 0 0" << true;
        QTest::newRow("out of range") << 7 << "  " << false;
    }

    void boardStyle()
    {
        QFETCH(int, windowStyle);
        QFETCH(QString, styleTypes);
        QFETCH(bool, transparent);
        options->windowStyle = windowStyle;
        options->bkColor = qRgba(10, 20, 30, 40);
        PaintBoard board(options, true);
        QCOMPARE(board.windowTitle(), QStringLiteral("PaintBoard"));
        QVERIFY(board.styleSheet().contains(QStringLiteral("#layoutContainer")));
        QStringList types;
        for (QPushButton *button : buttons(board))
            types.append(button->property("styleType").toString());
        QCOMPARE(types.join(' '), styleTypes);
        QWidget *container = board.findChild<QWidget *>(QStringLiteral("layoutContainer"));
        QCOMPARE(container->property("boardStyle").toString(), transparent ? QStringLiteral("transparent") : QString());
        QCOMPARE(board.canvas()->styleSheet(),
                 transparent ? QString() : QStringLiteral("background-color: #280a141e;border: 2px solid #000000;"));
    }

    void dragBand_data()
    {
        QTest::addColumn<bool>("titleHidden");
        QTest::addColumn<int>("pressY");
        QTest::addColumn<bool>("moves");
        QTest::newRow("title, in band") << false << 65 << true;
        QTest::newRow("title, below band") << false << 72 << false;
        QTest::newRow("no title, in band") << true << 28 << true;
        QTest::newRow("no title, below band") << true << 32 << false;
    }

    void dragBand()
    {
        QFETCH(bool, titleHidden);
        QFETCH(int, pressY);
        QFETCH(bool, moves);
        options->titleHidden = titleHidden;
        PaintBoard board(options, true);
        board.show();
        QVERIFY(QTest::qWaitForWindowExposed(&board));
        QTest::qWait(50);
        const QPoint start = board.pos();
        const QPoint press(40, pressY);
        mouse(board, QEvent::MouseButtonPress, press, Qt::LeftButton);
        mouse(board, QEvent::MouseMove, press + QPoint(30, 20), Qt::NoButton);
        mouse(board, QEvent::MouseButtonRelease, press + QPoint(30, 20), Qt::LeftButton);
        QTRY_COMPARE(board.pos(), moves ? start + QPoint(30, 20) : start);
    }

    void buttonTexts()
    {
        PaintBoard board(options, true);
        const QList<QPushButton *> row = buttons(board);
        LanguageManager::instance().setLanguage(LanguageManager::Language::English);
        QCOMPARE(QStringList({row[0]->text(), row[1]->text(), row[2]->text()}), QStringList({"Cancel", "Clear", "OK"}));
        LanguageManager::instance().setLanguage(LanguageManager::Language::ZhCN);
        QCOMPARE(QStringList({row[0]->text(), row[1]->text(), row[2]->text()}), QStringList({"取消", "清除", "确定"}));
    }

    void sequences_data()
    {
        QTest::addColumn<bool>("fromPdf");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("ok, document") << true << "ok" << QStringList{"history", "pdf", "close"};
        QTest::newRow("ok, test") << false << "ok" << QStringList{"history", "confirm", "close"};
        QTest::newRow("ok key") << true << "ok key" << QStringList{"history", "pdf", "close"};
        QTest::newRow("ok tap and key") << true << "ok both" << QStringList{"history", "pdf", "close"};
        QTest::newRow("cancel") << true << "cancel" << QStringList{"cancel", "close"};
        QTest::newRow("cancel key, then ok") << false << "cancel key" << QStringList{"cancel", "close"};
        QTest::newRow("escape") << true << "escape" << QStringList{"cancel", "close"};
        QTest::newRow("window manager's close") << true << "wm close" << QStringList{"cancel", "close"};
        QTest::newRow("clear") << false << "clear" << QStringList{"clear"};
        QTest::newRow("clear key") << false << "clear key" << QStringList{"clear"};
        QTest::newRow("ok, nothing written") << true << "ok empty" << QStringList{"history", "pdf", "close"};
        QTest::newRow("ok after a clear") << false << "ok cleared" << QStringList{"clear", "history", "confirm", "close"};
    }

    // What the board hands on, whichever way ok, cancel or clear comes.
    void sequences()
    {
        QFETCH(bool, fromPdf);
        QFETCH(QString, action);
        QFETCH(QStringList, expected);
        PaintBoard board(options, fromPdf);
        board.show();
        const QList<QPushButton *> row = buttons(board);
        if (action != "ok empty")
            drawStroke(board);
        if (action == "ok empty" || action == "ok cleared") {
            (action == "ok cleared" ? row[1] : row[2])->click();   // refused without ink, the board says why
            row[2]->click();
            QTRY_VERIFY(board.findChild<QLabel *>(QStringLiteral("noticeLabel"))->isVisible());
            drawStroke(board);
            action = "ok";
        }
        if (action == "ok" || action == "ok both")
            row[2]->click();
        if (action == "ok key" || action == "ok both")
            key(0x04);
        if (action == "cancel")
            row[0]->click();
        if (action == "cancel key") {
            key(0x01);
            QTRY_COMPARE(journal, expected);
            row[2]->click();
        }
        if (action == "escape")
            QTest::keyClick(&board, Qt::Key_Escape);
        QCloseEvent close;
        QSpontaneKeyEvent::setSpontaneous(&close);
        if (action == "wm close")
            qApp->notify(&board, &close);
        if (action == "clear")
            row[1]->click();
        if (action == "clear key")
            key(0x02);
        QTRY_COMPARE(journal, expected);
        QTest::qWait(100);
        QCOMPARE(journal, expected);
        if (action.startsWith("ok")) {
            const QImage signature = ImageBase64::decode(result);
            QVERIFY(inkNear(signature, 120, 135) && inkNear(signature, 300, 135));
            QVERIFY(!inkNear(signature, 200, 60));
        }
        if (action.startsWith("clear") || action.startsWith("ok"))
            QVERIFY(StrokeGeometry::inkBounds(board.canvas()->canvasPixmap().toImage()).isNull());
    }

    void keysWithoutButtons()
    {
        options->operHidden = true;
        PaintBoard board(options, true);
        board.show();
        QVERIFY(buttons(board).isEmpty());
        drawStroke(board);
        key(0x04);
        QTRY_COMPARE(journal, QStringList({"history", "pdf", "close"}));
        QVERIFY(inkNear(ImageBase64::decode(result), 200, 135));
    }

    void penTaps()
    {
        plug("pen-display", true);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        PaintBoard board(options, true);
        board.show();
        QVERIFY(QTest::qWaitForWindowExposed(&board));
        const QList<QPushButton *> row = buttons(board);
        CapturedLog log;
        auto tap = [&](QPushButton *down, QPoint up) {
            const QPoint at = down->mapToGlobal(down->rect().center()) - screen.topLeft();
            displayPen(0xA1, at);
            displayPen(0xA0, up);
        };
        // Down on clear, up beside it: no click.
        tap(row[1], row[1]->mapToGlobal(QPoint(-20, 10)) - screen.topLeft());
        QTest::qWait(200);
        QVERIFY(journal.isEmpty());
        tap(row[2], row[2]->mapToGlobal(row[2]->rect().center()) - screen.topLeft());
        QTRY_VERIFY(board.findChild<QLabel *>(QStringLiteral("noticeLabel"))->isVisible());
        for (int x = 100; x <= 300; x += 20)
            displayPen(x < 300 ? 0xA1 : 0xA0, board.canvas()->mapToGlobal(QPoint(x, 135)) - screen.topLeft());
        QTRY_VERIFY(inkNear(board.canvas()->canvasPixmap().toImage(), 200, 135));
        tap(row[2], row[2]->mapToGlobal(row[2]->rect().center()) - screen.topLeft());
        QTRY_COMPARE(journal, QStringList({"history", "pdf", "close"}));
        // The board took its screen when it was built, not once per packet.
        QVERIFY(!log.contains(QStringLiteral("Is screenDevice?")));
        plug("tablet", false);
    }

private:
    void plug(const char *model, bool screen)
    {
        if (device)
            sim->unplug(device);
        QTRY_VERIFY(!hub->hasDevice());
        device = sim->plug(*SimModelCatalog::make(model));
        QTRY_VERIFY(hub->hasDevice());
        QCOMPARE(hub->isScreenDevice(), screen);
    }

    static QList<QPushButton *> buttons(const PaintBoard &board)
    {
        QList<QPushButton *> row = board.findChildren<QPushButton *>();
        std::sort(row.begin(), row.end(), [](QPushButton *a, QPushButton *b) { return a->x() < b->x(); });
        return row;
    }

    static void mouse(QWidget &widget, QEvent::Type type, QPoint at, Qt::MouseButton button)
    {
        // The left button is held from the press to the release.
        QMouseEvent event(type, at, widget.mapToGlobal(at), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&widget, &event);
    }

    void key(uint8_t mask) { sim->sendInput(device, {0x02, 0x42, 0x01, 0x01, mask, 0x00}); }

    // A 9-byte tablet report (2-byte coordinates).
    void tabletPen(uint8_t code, int x, int y)
    {
        sim->sendInput(device, {0x02, 0x41, code, uint8_t(x), uint8_t(x >> 8), uint8_t(y), uint8_t(y >> 8), 0x00, 0x10});
    }

    // A 13-byte pen display report at a point of the screen.
    void displayPen(uint8_t code, QPoint at)
    {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const int x = qRound(at.x() * 59500.0 / screen.width());
        const int y = qRound(at.y() * 33500.0 / screen.height());
        sim->sendInput(device, {0x02, 0x41, code, uint8_t(x), uint8_t(x >> 8), uint8_t(x >> 16), uint8_t(y), uint8_t(y >> 8),
                                uint8_t(y >> 16), 0x00, 0x10, 0x00, 0x00});
    }

    // A line across the middle of the 480 x 270 canvas, from x 120 to 360.
    void drawStroke(PaintBoard &board)
    {
        tabletPen(0xA1, 3800, 4750);
        for (int i = 0; i < 30; ++i)
            tabletPen(0xA1, 11400, 4750);
        tabletPen(0xA0, 11400, 4750);
        QTRY_VERIFY(inkNear(board.canvas()->canvasPixmap().toImage(), 300, 135));
    }

    QScopedPointer<DevSim> sim;
    QSharedPointer<DeviceController> hub;
    int device = 0;
    PaintBoardOptionsPtr options;
    QStringList journal;
    QString result;
};

QTEST_MAIN(tst_paintboard)
#include "tst_paintboard.moc"
