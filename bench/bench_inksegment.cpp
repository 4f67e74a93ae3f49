// Time per pen segment from the sample to its pixels in a real window (drawing, copy and a
// round trip to the X server), on an 800 x 480 surface: the changed region per segment against
// the whole surface per segment.

#include "InkSurface.h"
#include "X11InkWindow.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 480;
constexpr int kSegments = 4000;

// Widens every copy to the whole surface.
class WholeSurfaceCopy : public InkTarget {
public:
    explicit WholeSurfaceCopy(X11InkWindow &window) : m_window(window) {}
    bool isWindow() override { return m_window.isWindow(); }
    void show(const uint32_t *pixels, int stride, const InkRect &, bool colourKeyed,
              uint32_t keyRgb) override
    {
        m_window.show(pixels, stride, {0, 0, kWidth, kHeight}, colourKeyed, keyRgb);
    }
    bool screenPlacement(InkRect &window, std::vector<InkRect> &monitors) override
    {
        return m_window.screenPlacement(window, monitors);
    }

private:
    X11InkWindow &m_window;
};

struct Figures {
    double median;
    double p99;
};

Figures run(X11InkWindow &window, InkTarget &target, bool transparent)
{
    InkStyle style;
    style.transparent = transparent;
    InkSurface surface;
    if (!surface.allocate(kWidth, kHeight, style, &target)) {
        std::fprintf(stderr, "no surface\n");
        std::exit(1);
    }
    surface.fillBackground();
    surface.showAll();
    window.sync();

    std::vector<double> micros;
    micros.reserve(kSegments);
    for (int i = 0; i < kSegments + 1; ++i) {
        // A looping signature-like path; a pen lift every 200 samples.
        const double t = i * 0.02;
        const int x = int(400 + 330 * std::sin(t * 1.3) * std::cos(t * 0.21));
        const int y = int(240 + 190 * std::sin(t * 2.1 + 0.5));
        const int pressure = i % 200 == 199 ? 0 : 400 + (i * 37) % 600;
        const auto start = std::chrono::steady_clock::now();
        if (target.isWindow()) // the reader's own test before each sample
            surface.addPenPoint(pressure, x, y);
        window.sync();
        const auto stop = std::chrono::steady_clock::now();
        if (i > 0)
            micros.push_back(std::chrono::duration<double, std::micro>(stop - start).count());
    }
    std::sort(micros.begin(), micros.end());
    return {micros[micros.size() / 2], micros[size_t(micros.size() * 0.99)]};
}

} // namespace

int main()
{
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X display: run under xvfb-run\n");
        return 1;
    }
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t id = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, id, screen->root, 0, 0, kWidth, kHeight, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_map_window(c, id);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

    auto window = X11InkWindow::open(id);
    if (!window) {
        std::fprintf(stderr, "window not found\n");
        return 1;
    }
    WholeSurfaceCopy whole(*window);
    std::printf("%d segments on %dx%d, microseconds per segment (median / 99th percentile)\n",
                kSegments, kWidth, kHeight);
    for (bool transparent : {false, true}) {
        const Figures region = run(*window, *window, transparent);
        const Figures all = run(*window, whole, transparent);
        std::printf("%-13s changed region: %8.1f / %8.1f   whole surface: %8.1f / %8.1f\n",
                    transparent ? "colour keyed" : "opaque", region.median, region.p99,
                    all.median, all.p99);
    }
    xcb_disconnect(c);
    return 0;
}
