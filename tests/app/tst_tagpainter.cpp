#include "LanguageManager.h"
#include "TagMenu.h"
#include "TagPainter.h"

#include <QMenu>
#include <QPaintEngine>
#include <QPainter>
#include <QtTest>

namespace {

// Counts the hatch lines a painter hands to its device.
class LineCountingEngine : public QPaintEngine
{
public:
    LineCountingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawLines(const QLine *, int count) override { lines += count; }
    void drawLines(const QLineF *, int count) override { lines += count; }
    void drawRects(const QRect *, int) override {}
    void drawRects(const QRectF *, int) override {}
    void drawPath(const QPainterPath &) override {}
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
    void drawTextItem(const QPointF &, const QTextItem &) override {}
    Type type() const override { return QPaintEngine::User; }
    int lines = 0;
};

class CountingDevice : public QPaintDevice
{
public:
    QPaintEngine *paintEngine() const override { return &engine; }
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth:
            return 800;
        case PdmHeight:
            return 1100;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return 1;
        default:
            return 32;
        }
    }
    mutable LineCountingEngine engine;
};

QImage paintedTag(const QSize &canvas, const QRect &tag, const QString &title = QStringLiteral("Sign Area 1"))
{
    QImage image(canvas, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TagPainter::drawTag(painter, tag, 3, title);
    return image;
}

} // namespace

class TagPainterTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void tooSmallDrawsNothing();
    void hatchOfAHugeTagCoversOnlyTheDevice();
    void clippedHatchMatchesTheFullOne();
    void titleStaysInsideItsBox_data();
    void titleStaysInsideItsBox();
    void menuEntriesAndStyle();
};

void TagPainterTest::initTestCase()
{
    LanguageManager::instance().setLanguage(LanguageManager::Language::English);
}

void TagPainterTest::tooSmallDrawsNothing()
{
    const QImage blank = paintedTag(QSize(100, 100), QRect());
    QCOMPARE(paintedTag(QSize(100, 100), QRect(10, 10, 5, 40)), blank);
    QCOMPARE(paintedTag(QSize(100, 100), QRect(10, 10, 40, 5)), blank);
    QVERIFY(paintedTag(QSize(100, 100), QRect(10, 10, 6, 6)) != blank);
}

void TagPainterTest::hatchOfAHugeTagCoversOnlyTheDevice()
{
    CountingDevice device;
    {
        QPainter painter(&device);
        TagPainter::drawTag(painter, QRect(-200000000, -200000000, 400000000, 400000000), 1, QStringLiteral("x"));
    }
    // Lines crossing an 800 x 1100 device at a spacing of 8 number about (800 + 1100) / 8.
    QVERIFY2(device.engine.lines > 200 && device.engine.lines < 260, qPrintable(QString::number(device.engine.lines)));
}

void TagPainterTest::clippedHatchMatchesTheFullOne()
{
    // A box hanging off the top left of the device shows the same hatch as when drawn whole.
    const QImage whole = paintedTag(QSize(1300, 1000), QRect(0, 0, 900, 700));
    const QImage part = paintedTag(QSize(400, 300), QRect(-500, -350, 900, 700));
    QCOMPARE(part, whole.copy(500, 350, 400, 300));
}

void TagPainterTest::titleStaysInsideItsBox_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QRect>("tag");
    QTest::newRow("Chinese, low") << QStringLiteral("签名区1") << QRect(20, 20, 200, 50);
    QTest::newRow("Chinese, narrow") << QStringLiteral("签名区12") << QRect(20, 20, 60, 60);
}

void TagPainterTest::titleStaysInsideItsBox()
{
    QFETCH(QString, title);
    QFETCH(QRect, tag);
    const QImage image = paintedTag(QSize(300, 120), tag, title);
    // The title is the only dark ink: some below the badges, none at the edge where it is cut.
    const QRect inside = tag.adjusted(7, std::clamp((tag.height() - 1) / 4, 18, 24) + 5, -8, -8);
    int in = 0, out = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            (inside.contains(x, y) ? in : out) += qGray(image.pixel(x, y)) < 64;
    QCOMPARE(out, 0);
    QVERIFY(in > 0);
}

void TagPainterTest::menuEntriesAndStyle()
{
    QWidget parent;
    QScopedPointer<QMenu> menu(TagMenu::create(&parent));
    QCOMPARE(menu->styleSheet(),
             QStringLiteral("QMenu { background:#ffffff; border:1px solid #dcdcdc; padding:4px 0; }"
                            "QMenu::item { padding:8px 18px; background:#ffffff; color:#202020; }"
                            "QMenu::item:selected { background:#d9d9d9; color:#202020; }"));
    QStringList texts;
    QList<int> choices;
    for (QAction *action : menu->actions()) {
        texts << action->text();
        choices << action->data().toInt();
    }
    QCOMPARE(texts, QStringList({"Signature", "Fingerprint", "Sign && Fingerprint", "Delete Signature Area"}));
    QCOMPARE(choices, QList<int>({TagMenu::SignOnly, TagMenu::FingerprintOnly, TagMenu::SignAndFingerprint, TagMenu::Delete}));
    QCOMPARE(menu->parentWidget(), &parent);
}

QTEST_MAIN(TagPainterTest)
#include "tst_tagpainter.moc"
