#include "InkSurface.h"
#include "SignatureHeader.h"
#include "X11InkWindow.h"

#include <QProcess>
#include <QtTest>

#include <xcb/xcb.h>

#include <cstdlib>

// Runs against a private X server: the live ink as the signer sees it in a real window.
namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;
constexpr uint32_t kBackground = 0xEBEBEB;

} // namespace

class TestInkWindow : public QObject {
    Q_OBJECT

private:
    xcb_connection_t *m_c = nullptr;
    xcb_screen_t *m_screen = nullptr;

    xcb_window_t createWindow(int x, int y, uint32_t fill)
    {
        const xcb_window_t window = xcb_generate_id(m_c);
        const uint32_t values[] = {fill};
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, window, m_screen->root, int16_t(x),
                          int16_t(y), kWidth, kHeight, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          m_screen->root_visual, XCB_CW_BACK_PIXEL, values);
        xcb_map_window(m_c, window);
        sync();
        return window;
    }

    void sync()
    {
        std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));
    }

    // What the window shows, as 0x00RRGGBB.
    std::vector<uint32_t> windowPixels(xcb_window_t window)
    {
        sync();
        xcb_get_image_reply_t *reply = xcb_get_image_reply(
                m_c,
                xcb_get_image(m_c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, kWidth, kHeight,
                              ~0u),
                nullptr);
        std::vector<uint32_t> pixels;
        if (!reply)
            return pixels;
        const uint32_t *data = reinterpret_cast<const uint32_t *>(xcb_get_image_data(reply));
        pixels.assign(data, data + size_t(kWidth) * kHeight);
        for (uint32_t &p : pixels)
            p &= 0xFFFFFF;
        std::free(reply);
        return pixels;
    }

    static std::vector<uint32_t> surfacePixels(const InkSurface &surface)
    {
        std::vector<uint32_t> pixels;
        for (int y = 0; y < surface.height(); ++y)
            for (int x = 0; x < surface.width(); ++x)
                pixels.push_back(surface.pixels()[size_t(y) * surface.stride() + x] & 0xFFFFFF);
        return pixels;
    }

    static void signature(InkSurface &surface)
    {
        const int points[][2] = {{40, 200}, {80, 60}, {120, 240}, {200, 50}, {260, 220},
                                 {340, 90}, {380, 260}};
        for (const auto &p : points)
            surface.addPenPoint(700, p[0], p[1]);
        surface.addPenPoint(0, 380, 260);
    }

    // The surface as a session sets it up: background filled and shown.
    static bool setUp(InkSurface &surface, InkTarget *target, bool transparent)
    {
        if (!surface.allocate(kWidth, kHeight, style(transparent), target))
            return false;
        surface.fillBackground();
        surface.showAll();
        return true;
    }

    static InkStyle style(bool transparent)
    {
        InkStyle s;
        s.penColor = 0x0000FF;
        s.backgroundColor = kBackground;
        s.transparent = transparent;
        return s;
    }

private slots:
    void initTestCase()
    {
        m_c = xcb_connect(nullptr, nullptr);
        QVERIFY(!xcb_connection_has_error(m_c));
        m_screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
        QCOMPARE(int(m_screen->root_depth), 24);
    }

    void cleanupTestCase() { xcb_disconnect(m_c); }

    void onlyWindowsAreWindows()
    {
        QVERIFY(!X11InkWindow::open(0));
        QVERIFY(!X11InkWindow::open(0x1FFFFFFF));
        QVERIFY(!X11InkWindow::open(uint64_t(1) << 40));
        const xcb_window_t window = createWindow(0, 0, 0);
        QVERIFY(X11InkWindow::open(window));
        xcb_destroy_window(m_c, window);
        sync();
        QVERIFY(!X11InkWindow::open(window));
    }

    void liveInkReachesTheWindow()
    {
        const xcb_window_t window = createWindow(10, 10, 0x000000);
        auto x11 = X11InkWindow::open(window);
        QVERIFY(x11);
        InkSurface surface;
        QVERIFY(setUp(surface, x11.get(), false));
        x11->sync();
        QVERIFY(windowPixels(window) == surfacePixels(surface));

        signature(surface);
        x11->sync();
        const std::vector<uint32_t> shown = windowPixels(window);
        QVERIFY(shown == surfacePixels(surface));
        QCOMPARE(shown[size_t(200) * kWidth + 80 + 0], kBackground); // untouched area
        QVERIFY(std::count(shown.begin(), shown.end(), 0xFF0000u) > 500);
        xcb_destroy_window(m_c, window);
    }

    void colourKeyLeavesTheWindowsOwnPixels()
    {
        const uint32_t own = 0x336699;
        const xcb_window_t window = createWindow(10, 10, own);
        auto x11 = X11InkWindow::open(window);
        QVERIFY(x11);
        InkSurface ink;
        QVERIFY(setUp(ink, x11.get(), true));
        signature(ink);
        x11->sync();
        const std::vector<uint32_t> shown = windowPixels(window);
        const std::vector<uint32_t> surface = surfacePixels(ink);
        int inked = 0;
        for (size_t i = 0; i < shown.size(); ++i) {
            if (surface[i] == kBackground) {
                QCOMPARE(shown[i], own);
            } else {
                QCOMPARE(shown[i], surface[i]);
                ++inked;
            }
        }
        QVERIFY(inked > 500);
        xcb_destroy_window(m_c, window);
    }

    void headerDescribesTheRealWindow()
    {
        const xcb_window_t window = createWindow(120, 80, 0);
        auto x11 = X11InkWindow::open(window);
        QVERIFY(x11);
        InkRect rect;
        std::vector<InkRect> monitors;
        QVERIFY(x11->screenPlacement(rect, monitors));
        const SignatureHeader::Bytes header =
                SignatureHeader::build(rect, monitors, kWidth, kHeight, 0, 0);
        const QByteArray hex = QByteArray(reinterpret_cast<const char *>(header.data()), 28)
                                       .toHex(' ')
                                       .toUpper();
        // 400 x 300 at (120, 80) on the server's one 1920 x 1080 screen.
        QCOMPARE(hex, QByteArray("51 4E 56 00 90 01 00 00 2C 01 00 00 78 00 00 00 50 00 00 00 "
                                 "80 07 38 04 DE 27 FE 1C"));
        xcb_destroy_window(m_c, window);
    }

    void aWindowThatGoesAwayStopsTheInk()
    {
        const xcb_window_t window = createWindow(10, 10, 0);
        auto x11 = X11InkWindow::open(window);
        QVERIFY(x11);
        InkSurface surface;
        QVERIFY(setUp(surface, x11.get(), false));
        surface.addPenPoint(700, 10, 10);
        surface.addPenPoint(700, 100, 100);
        xcb_destroy_window(m_c, window);
        sync();
        QVERIFY(!x11->isWindow());
        InkRect rect;
        std::vector<InkRect> monitors;
        QVERIFY(!x11->screenPlacement(rect, monitors));
        QCOMPARE(surface.drawStrokeSegment(700, 100, 100, 200, 200), -1);
        QCOMPARE(surface.maxX(), 100);
        // A copy that races the window's end costs nothing but an ignored error.
        x11->show(surface.pixels(), surface.stride(), {0, 0, 10, 10}, true, kBackground);
        x11->sync();
        QVERIFY(!x11->isWindow());
    }
    // A 16-bit screen takes converted pixels; a server of its own, started here.
    void sixteenBitScreen()
    {
        QProcess server;
        server.start("Xvfb", {"-displayfd", "1", "-screen", "0", "320x200x16", "-nolisten", "tcp"});
        QVERIFY(server.waitForStarted());
        QByteArray number;
        while (!number.contains('\n') && server.waitForReadyRead(10000))
            number += server.readAllStandardOutput();
        QVERIFY(number.contains('\n'));
        const QByteArray display = ":" + number.trimmed();

        xcb_connection_t *c = xcb_connect(display.constData(), nullptr);
        QVERIFY(!xcb_connection_has_error(c));
        xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        QCOMPARE(int(screen->root_depth), 16);
        const int w = 64, h = 32;
        const xcb_window_t window = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, w, h, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(c, window);
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

        const QByteArray ours = qgetenv("DISPLAY");
        qputenv("DISPLAY", display);
        auto x11 = X11InkWindow::open(window);
        qputenv("DISPLAY", ours);
        QVERIFY(x11);
        InkStyle colours = style(false);
        colours.penColor = 0xC08040; // COLORREF of #4080C0
        InkSurface surface;
        QVERIFY(surface.allocate(w, h, colours, x11.get()));
        surface.fillBackground();
        surface.showAll();
        QCOMPARE(surface.drawStrokeSegment(1024, 4, 16, 60, 16), 0);
        x11->sync();

        xcb_get_image_reply_t *reply = xcb_get_image_reply(
                c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, w, h, ~0u), nullptr);
        QVERIFY(reply);
        const auto *shown = reinterpret_cast<const uint16_t *>(xcb_get_image_data(reply));
        int inked = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const uint32_t rgb = surface.pixels()[size_t(y) * surface.stride() + x] & 0xFFFFFF;
                const uint16_t expected = uint16_t(((rgb >> 19) & 0x1F) << 11
                                                   | ((rgb >> 10) & 0x3F) << 5 | ((rgb >> 3) & 0x1F));
                QCOMPARE(shown[y * w + x], expected);
                inked += rgb == 0x4080C0;
            }
        }
        QVERIFY(inked > 50);
        std::free(reply);
        xcb_disconnect(c);
        x11.reset();
        server.terminate();
        QVERIFY(server.waitForFinished());
    }
};

QTEST_GUILESS_MAIN(TestInkWindow)
#include "tst_inkwindow.moc"
