#include "ExportLayout.h"
#include "ExportRenderer.h"

#include <QtTest>

#include <vector>

namespace {

ExportOptions options(int option, int proportion = 0, int minWidth = 200, int minHeight = 100,
                      int margin = 15)
{
    ExportOptions o;
    o.option = option;
    o.proportion = proportion;
    o.minWidth = minWidth;
    o.minHeight = minHeight;
    o.marginLeft = o.marginRight = o.marginTop = o.marginBottom = margin;
    return o;
}

} // namespace

Q_DECLARE_METATYPE(ExportOptions)
Q_DECLARE_METATYPE(InkRect)

class TestExportLayout : public QObject {
    Q_OBJECT

private slots:
    void placesTheInk_data()
    {
        QTest::addColumn<ExportOptions>("options");
        QTest::addColumn<int>("surfaceWidth");
        QTest::addColumn<int>("surfaceHeight");
        QTest::addColumn<InkRect>("ink");
        QTest::addColumn<InkRect>("source");
        QTest::addColumn<qint64>("left");
        QTest::addColumn<qint64>("top");
        QTest::addColumn<qint64>("width");
        QTest::addColumn<qint64>("height");

        const InkRect small{96, 96, 124, 114};
        QTest::newRow("whole surface") << options(0) << 800 << 480 << small
                                       << InkRect{0, 0, 800, 480} << 0ll << 0ll << 800ll << 480ll;
        QTest::newRow("margins, small ink") << options(2) << 800 << 480 << small << small << 15ll
                                            << 15ll << 230ll << 130ll;
        QTest::newRow("margins, ink over all")
                << options(2) << 800 << 480 << InkRect{0, 0, 800, 480} << InkRect{0, 0, 800, 480}
                << 0ll << 0ll << 800ll << 480ll;
        QTest::newRow("margins, minimum wider than the surface")
                << options(2, 0, 1000) << 800 << 480 << small << small << -100ll << 15ll << 800ll
                << 130ll;
        QTest::newRow("margins, portrait swaps the minimums")
                << options(2) << 480 << 800 << small << small << 15ll << 15ll << 130ll << 230ll;
        QTest::newRow("proportional, small ink") << options(1) << 800 << 480 << small << small
                                                 << 15ll << 15ll << 260ll << 130ll;
        QTest::newRow("proportional, wide ink rounds up to even")
                << options(1) << 800 << 480 << InkRect{10, 100, 610, 150}
                << InkRect{10, 100, 610, 150} << 15ll << 15ll << 632ll << 316ll;
        QTest::newRow("proportional, portrait") << options(1) << 480 << 800 << small << small
                                                << 15ll << 15ll << 130ll << 260ll;
        QTest::newRow("proportional, minimum wider than the surface")
                << options(1, 0, 1000) << 800 << 480 << small << small << -100ll << 15ll << 800ll
                << 400ll;
        QTest::newRow("proportion flag wins over margins") << options(2, 1) << 800 << 480 << small
                                                          << small << 15ll << 15ll << 260ll
                                                          << 130ll;
        QTest::newRow("negative margins give no size")
                << options(2, 0, 200, 100, -1000) << 800 << 480 << small << small << -1000ll
                << -1000ll << -1800ll << -1900ll;
    }
    void placesTheInk()
    {
        QFETCH(ExportOptions, options);
        QFETCH(int, surfaceWidth);
        QFETCH(int, surfaceHeight);
        QFETCH(InkRect, ink);
        QFETCH(InkRect, source);
        QFETCH(qint64, left);
        QFETCH(qint64, top);
        QFETCH(qint64, width);
        QFETCH(qint64, height);
        ExportPlacement p;
        QVERIFY(ExportLayout::place(options, surfaceWidth, surfaceHeight, true, ink, p));
        QCOMPARE(p.source.left, source.left);
        QCOMPARE(p.source.top, source.top);
        QCOMPARE(p.source.right, source.right);
        QCOMPARE(p.source.bottom, source.bottom);
        QCOMPARE(p.left, left);
        QCOMPARE(p.top, top);
        QCOMPARE(p.width, width);
        QCOMPARE(p.height, height);
    }

    void noInkNoLayout()
    {
        ExportPlacement p;
        for (int option = 0; option < 3; ++option)
            QVERIFY(!ExportLayout::place(options(option), 800, 480, false, {}, p));
    }

    void pictureSizesOutsideTheLimitsGiveNoPicture_data()
    {
        QTest::addColumn<qint64>("width");
        QTest::addColumn<qint64>("height");
        QTest::addColumn<bool>("made");
        QTest::newRow("zero") << 0ll << 10ll << false;
        QTest::newRow("negative") << 10ll << -1ll << false;
        QTest::newRow("too wide") << 32768ll << 1ll << false;
        QTest::newRow("too many pixels") << 20000ll << 20000ll << false;
        QTest::newRow("far beyond 32 bits") << (1ll << 40) << (1ll << 40) << false;
        QTest::newRow("one pixel") << 1ll << 1ll << true;
        QTest::newRow("widest") << 32767ll << 2ll << true;
    }
    void pictureSizesOutsideTheLimitsGiveNoPicture()
    {
        QFETCH(qint64, width);
        QFETCH(qint64, height);
        QFETCH(bool, made);
        QCOMPARE(ExportImage::create(width, height, 0) != nullptr, made);
    }

    void renderingClipsToThePicture()
    {
        // Background COLORREF 0xEBEBEB; red ink near the top-left, blue near the bottom-right.
        const int w = 40, h = 20;
        std::vector<uint32_t> surface(size_t(w) * h, 0xEBEBEB);
        surface[1 * w + 1] = 0xFF0000;
        surface[18 * w + 38] = 0x0000FF;
        ExportPlacement p;
        p.source = {0, 0, w, h};
        p.left = -10;
        p.top = 5;
        p.width = 40;
        p.height = 30;
        const auto image = ExportRenderer::render(surface.data(), w, w, h, p, 0xEBEBEB);
        QVERIFY(image);
        QCOMPARE(image->width(), 40);
        QCOMPARE(image->height(), 30);
        int opaque = 0;
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 40; ++x) {
                const uint32_t argb = image->pixel(x, y);
                if (x == 28 && y == 23)
                    QCOMPARE(argb, 0xFF0000FFu);
                else
                    QCOMPARE(argb, 0x00EBEBEBu);
                opaque += (argb >> 24) != 0;
            }
        }
        QCOMPARE(opaque, 1); // the red pixel fell off the left edge
    }

    void renderingRefusesANonsenseSize()
    {
        std::vector<uint32_t> surface(4, 0);
        ExportPlacement p;
        p.source = {0, 0, 2, 2};
        p.width = -1800;
        p.height = 130;
        QVERIFY(!ExportRenderer::render(surface.data(), 2, 2, 2, p, 0));
    }

    void backgroundIsKeptAsTransparentColour()
    {
        // Straight alpha: a reader that drops alpha shows the background, not black.
        std::vector<uint32_t> surface{0x336699, 0x102030};
        ExportPlacement p;
        p.source = {0, 0, 2, 1};
        p.width = 2;
        p.height = 1;
        const auto image = ExportRenderer::render(surface.data(), 2, 2, 1, p, 0x996633);
        QVERIFY(image);
        QCOMPARE(image->pixel(0, 0), 0x00336699u);
        QCOMPARE(image->pixel(1, 0), 0xFF102030u);
    }
};

QTEST_APPLESS_MAIN(TestExportLayout)
#include "tst_exportlayout.moc"
