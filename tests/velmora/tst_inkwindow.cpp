#include "InkSession.h"
#include "X11InkWindow.h"

#include <QtTest>

#include <xcb/xcb.h>

#include <cstdlib>

// Runs against a private X server: the live ink as the signer sees it in a real window.
namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;
constexpr uint32_t kBackground = 0xEBEBEB;

int padX(int x) { return x * 10206 / kWidth + 1; }
int padY(int y) { return y * 7422 / kHeight + 1; }

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

    static void signature(InkSession &session)
    {
        const int points[][2] = {{40, 200}, {80, 60}, {120, 240}, {200, 50}, {260, 220},
                                 {340, 90}, {380, 260}};
        for (const auto &p : points)
            session.penSample(0xA1, padX(p[0]), padY(p[1]), 700);
        session.penSample(0xA3, padX(380), padY(260), 0);
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
        InkSession session;
        session.configure(style(false), ExportOptions{});
        auto target = X11InkWindow::open(window);
        QVERIFY(target);
        X11InkWindow *x11 = target.get();
        QCOMPARE(session.setup(std::move(target), kWidth, kHeight), 0);
        x11->sync();
        QVERIFY(windowPixels(window) == surfacePixels(session.surface()));

        signature(session);
        x11->sync();
        const std::vector<uint32_t> shown = windowPixels(window);
        QVERIFY(shown == surfacePixels(session.surface()));
        QCOMPARE(shown[size_t(200) * kWidth + 80 + 0], kBackground); // untouched area
        QVERIFY(std::count(shown.begin(), shown.end(), 0xFF0000u) > 500);
        xcb_destroy_window(m_c, window);
    }

    void colourKeyLeavesTheWindowsOwnPixels()
    {
        const uint32_t own = 0x336699;
        const xcb_window_t window = createWindow(10, 10, own);
        InkSession session;
        session.configure(style(true), ExportOptions{});
        auto target = X11InkWindow::open(window);
        X11InkWindow *x11 = target.get();
        QCOMPARE(session.setup(std::move(target), kWidth, kHeight), 0);
        signature(session);
        x11->sync();
        const std::vector<uint32_t> shown = windowPixels(window);
        const std::vector<uint32_t> surface = surfacePixels(session.surface());
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
        InkSession session;
        QCOMPARE(session.setup(X11InkWindow::open(window), kWidth, kHeight), 0);
        const SignatureHeader::Bytes header = session.header();
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
        InkSession session;
        session.configure(style(false), ExportOptions{});
        auto target = X11InkWindow::open(window);
        X11InkWindow *x11 = target.get();
        QCOMPARE(session.setup(std::move(target), kWidth, kHeight), 0);
        session.penSample(0xA1, padX(10), padY(10), 700);
        QVERIFY(session.penSample(0xA1, padX(100), padY(100), 700));
        xcb_destroy_window(m_c, window);
        sync();
        QVERIFY(!session.isWindow());
        QVERIFY(!session.penSample(0xA1, padX(200), padY(200), 700));
        QCOMPARE(session.surface().maxX(), 100);
        QCOMPARE(session.header(), SignatureHeader::windowGone());
        // A copy that races the window's end costs nothing but an ignored error.
        x11->show(session.surface().pixels(), session.surface().stride(), {0, 0, 10, 10}, true,
                  kBackground);
        x11->sync();
        QVERIFY(session.end());
    }
};

QTEST_GUILESS_MAIN(TestInkWindow)
#include "tst_inkwindow.moc"
