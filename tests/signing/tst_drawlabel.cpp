#include "DrawLabel.h"
#include "ImageBase64.h"
#include "SignTestKit.h"
#include "StrokeGeometry.h"

#include <QFile>
#include <QScreen>
#include <QtTest>

namespace {

TABLET_PACKET pen(int status, int x, int y, int pressure = 500)
{
    TABLET_PACKET packet{};
    packet.status = status;
    packet.x = x;
    packet.y = y;
    packet.pressure = pressure;
    return packet;
}

enum { Hover = 0, Down = 1, Drag = 2, Up = 3, Out = 4 };

} // namespace

using Script = QVector<QVector<int>>; // status, x, y in canvas pixels
Q_DECLARE_METATYPE(Script)

// The canvas over stand-in devices whose ranges map tablet units to canvas pixels as 2:1.
class tst_drawlabel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        options = PaintBoardOptionsPtr::create();
        options->width = 500;
        options->height = 250;
        tablet.makeCurrent();
        QCOMPARE(DeviceController::instance()->deviceType(), 1);
    }

    void init() { QFile::remove(DrawLabel::inspectionPath()); }

    void strokes_data()
    {
        QTest::addColumn<Script>("script");
        QTest::addColumn<QVector<QPoint>>("ink");
        QTest::addColumn<QVector<QPoint>>("blank");
        QTest::newRow("stroke") << Script{{Down, 100, 100}, {Drag, 300, 100}, {Drag, 300, 100}, {Up, 300, 100}}
                                << QVector<QPoint>{{100, 100}, {150, 100}} << QVector<QPoint>{{100, 200}, {250, 100}};
        // The old stroke's ink stays; the new one starts at the pen, not on the old end.
        QTest::newRow("lost pen-up") << Script{{Down, 50, 50}, {Drag, 150, 50}, {Down, 400, 200}, {Drag, 450, 200}, {Up, 450, 200}}
                                     << QVector<QPoint>{{60, 50}, {405, 200}}
                                     << QVector<QPoint>{{136, 80}, {235, 125}, {300, 165}};
        QTest::newRow("begun by a move") << Script{{Drag, 100, 100}, {Drag, 200, 100}, {Out, 200, 100}}
                                         << QVector<QPoint>{{110, 100}} << QVector<QPoint>{{100, 150}};
        QTest::newRow("no stroke") << Script{{Up, 100, 100}, {Out, 200, 200}, {Hover, 300, 100}, {Drag, 300, 100}, {Up, 300, 100}}
                                   << QVector<QPoint>{} << QVector<QPoint>{{100, 100}, {200, 200}, {300, 100}};
        // Export takes in a stroke whose pen-up has not come.
        QTest::newRow("open stroke") << Script{{Down, 100, 100}, {Drag, 300, 100}}
                                     << QVector<QPoint>{{110, 100}} << QVector<QPoint>{{100, 150}};
    }

    void strokes()
    {
        QFETCH(Script, script);
        QFETCH(QVector<QPoint>, ink);
        QFETCH(QVector<QPoint>, blank);
        DrawLabel label(options);
        for (const QVector<int> &step : script)
            label.handlePenPacket(pen(step[0], step[1] * 2, step[2] * 2));
        label.exportSignature();
        const QImage exported = ImageBase64::decode(label.exportedBase64());
        QCOMPARE(exported.size(), QSize(500, 250));
        QCOMPARE(QImage(DrawLabel::inspectionPath()).convertToFormat(QImage::Format_ARGB32),
                 exported.convertToFormat(QImage::Format_ARGB32));
        for (const QPoint &point : ink)
            QVERIFY2(inkNear(exported, point.x(), point.y()), qPrintable(QStringLiteral("no ink at %1,%2").arg(point.x()).arg(point.y())));
        for (const QPoint &point : blank)
            QVERIFY2(!inkNear(exported, point.x(), point.y()), qPrintable(QStringLiteral("ink at %1,%2").arg(point.x()).arg(point.y())));
    }

    void autoCropKeepsInkOnTheBorder()
    {
        options->autoCrop = true;
        DrawLabel label(options);
        label.handlePenPacket(pen(Down, 0, 100));
        for (int i = 0; i < 30; ++i)
            label.handlePenPacket(pen(Drag, 0, 400));
        label.handlePenPacket(pen(Up, 0, 400));
        const QRect before = StrokeGeometry::inkBounds(label.canvasPixmap().toImage());
        label.exportSignature();
        options->autoCrop = false;
        const QImage exported = ImageBase64::decode(label.exportedBase64());
        QCOMPARE(exported.size(), QSize(500, 250));
        const QRect after = StrokeGeometry::inkBounds(exported);
        QCOMPARE(after.left(), 0);
        QVERIFY(after.height() > before.height());

        DrawLabel empty(options);
        empty.cropToInk();
        QVERIFY(StrokeGeometry::inkBounds(empty.canvasPixmap().toImage()).isNull());
        QCOMPARE(empty.canvasPixmap().size(), QSize(500, 250));
    }

    void penDisplayDropsOutsidePoints()
    {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        TabrixPenDevice display(screen.width(), screen.height(), 1000, true);
        display.makeCurrent();
        DrawLabel label(options);
        label.setFixedSize(500, 250);
        label.move(screen.topLeft() + QPoint(100, 100));
        label.show();
        QVERIFY(QTest::qWaitForWindowExposed(&label));
        const QPoint origin = label.mapToGlobal(QPoint(0, 0));
        label.handlePenPacket(pen(Down, origin.x() - 20, origin.y() + 50));
        label.handlePenPacket(pen(Down, origin.x() + 50, origin.y() + 50));
        label.handlePenPacket(pen(Drag, origin.x() + 200, origin.y() + 50));
        // The pen-up outside is lost: the stroke stays open.
        label.handlePenPacket(pen(Up, origin.x() - 20, origin.y() + 50));
        QVERIFY(StrokeGeometry::inkBounds(label.canvasPixmap().toImage()).isNull());
        label.handlePenPacket(pen(Up, origin.x() + 200, origin.y() + 50));
        const QImage canvas = label.canvasPixmap().toImage();
        QVERIFY(inkNear(canvas, 65, 50));
        QVERIFY(!inkNear(canvas, 5, 50));
        tablet.makeCurrent();
    }

    void deviceWithoutRangesDrawsNothing()
    {
        TabrixPenDevice none(0, 0, 0);
        none.makeCurrent();
        DrawLabel label(options);
        label.handlePenPacket(pen(Down, 10, 10));
        label.handlePenPacket(pen(Drag, 100, 100));
        label.handlePenPacket(pen(Up, 100, 100));
        label.exportSignature();
        QVERIFY(StrokeGeometry::inkBounds(ImageBase64::decode(label.exportedBase64())).isNull());
        tablet.makeCurrent();
    }

    void exportKinds()
    {
        RangedDevice unknown(1000, 500, 1000);
        unknown.makeCurrent();
        {
            // No kind: strokes are kept, nothing is exported.
            DrawLabel label(options);
            label.handlePenPacket(pen(Down, 10, 10));
            label.handlePenPacket(pen(Up, 100, 100));
            label.exportSignature();
            QCOMPARE(label.exportedBase64(), QString());
            QVERIFY(!QFile::exists(DrawLabel::inspectionPath()));
        }
        OrvelDevice pad(1000, 500, 1000);
        pad.makeCurrent();
        DrawLabel label(options);
        {
            LogCapture log;
            label.exportSignature();
            QCOMPARE(label.exportedBase64(), QString());
            QVERIFY(log.lines.contains(QStringLiteral("Failed to save signature transparent to ") + DrawLabel::inspectionPath()));
            QVERIFY(!QFile::exists(DrawLabel::inspectionPath()));
        }
        QImage picture(500, 250, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        picture.setPixel(40, 30, qRgba(0, 0, 255, 255));
        emit DeviceController::instance()->signPicAvailable(picture);
        label.exportSignature();
        QCOMPARE(ImageBase64::decode(label.exportedBase64()).convertToFormat(QImage::Format_ARGB32), picture);
        QCOMPARE(QImage(DrawLabel::inspectionPath()).convertToFormat(QImage::Format_ARGB32), picture);
        tablet.makeCurrent();
    }

    void padPictureRightAfterAClearIsDropped()
    {
        OrvelDevice pad(1000, 500, 1000);
        pad.makeCurrent();
        DrawLabel label(options);
        QImage picture(500, 250, QImage::Format_ARGB32);
        picture.fill(Qt::red);
        label.clearCanvas();
        emit DeviceController::instance()->signPicAvailable(picture);
        QVERIFY(label.padImage().isNull());
        QTest::qWait(250);
        emit DeviceController::instance()->signPicAvailable(picture);
        QCOMPARE(label.padImage(), picture);
        tablet.makeCurrent();
    }

private:
    PaintBoardOptionsPtr options;
    TabrixPenDevice tablet{1000, 500, 1000};
};

QTEST_MAIN(tst_drawlabel)
#include "tst_drawlabel.moc"
#include "moc_SignTestKit.cpp"
