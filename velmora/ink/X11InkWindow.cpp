#include "X11InkWindow.h"

#include "platform/Displays.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

template <typename T>
struct Reply {
    T *p;
    explicit Reply(T *reply) : p(reply) {}
    ~Reply() { std::free(p); }
    T *operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

uint32_t roundUp(uint32_t bits, uint32_t pad)
{
    return (bits + pad - 1) / pad * pad;
}

// One 8-bit channel into a visual's mask.
uint32_t channel(uint32_t value, uint32_t mask)
{
    if (!mask)
        return 0;
    const int shift = __builtin_ctz(mask);
    const int bits = __builtin_popcount(mask);
    return bits >= 8 ? (value << (shift + bits - 8)) & mask : (value >> (8 - bits)) << shift;
}

} // namespace

std::unique_ptr<X11InkWindow> X11InkWindow::open(uint64_t window)
{
    if (window == 0 || window > 0xFFFFFFFFu)
        return nullptr;
    std::unique_ptr<X11InkWindow> target(new X11InkWindow);
    target->m_connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(target->m_connection))
        return nullptr;
    target->m_window = static_cast<uint32_t>(window);
    if (!target->describe())
        return nullptr;
    return target;
}

X11InkWindow::~X11InkWindow()
{
    if (!m_connection)
        return;
    if (m_gc)
        xcb_free_gc(m_connection, m_gc);
    xcb_disconnect(m_connection);
}

bool X11InkWindow::describe()
{
    xcb_connection_t *c = m_connection;
    Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, m_window), nullptr));
    Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(c, xcb_get_geometry(c, m_window), nullptr));
    if (!attributes || !geometry)
        return false;
    m_root = geometry->root;
    m_depth = geometry->depth;

    const xcb_setup_t *setup = xcb_get_setup(c);
    m_msbFirst = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    m_bitmapMsbFirst = setup->bitmap_format_bit_order == XCB_IMAGE_ORDER_MSB_FIRST;
    m_bitmapPad = setup->bitmap_format_scanline_pad;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f)) {
        if (f.data->depth == m_depth) {
            m_bitsPerPixel = f.data->bits_per_pixel;
            m_scanlinePad = f.data->scanline_pad;
        }
    }
    for (auto s = xcb_setup_roots_iterator(setup); s.rem; xcb_screen_next(&s)) {
        for (auto d = xcb_screen_allowed_depths_iterator(s.data); d.rem; xcb_depth_next(&d)) {
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
                if (v.data->visual_id == attributes->visual) {
                    m_redMask = v.data->red_mask;
                    m_greenMask = v.data->green_mask;
                    m_blueMask = v.data->blue_mask;
                }
            }
        }
    }

    m_maxRequestBytes = uint64_t(xcb_get_maximum_request_length(c)) * 4;
    m_gc = xcb_generate_id(c);
    const uint32_t noExposures = 0;
    xcb_create_gc(c, m_gc, m_window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    return true;
}

bool X11InkWindow::isWindow()
{
    if (xcb_connection_has_error(m_connection))
        return false;
    Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
            m_connection, xcb_get_window_attributes(m_connection, m_window), nullptr));
    return static_cast<bool>(attributes);
}

std::vector<uint8_t> X11InkWindow::packPixels(const uint32_t *pixels, int stride,
                                              const InkRect &region, uint32_t &rowBytes) const
{
    const uint32_t bytesPerPixel = m_bitsPerPixel / 8;
    rowBytes = roundUp(uint32_t(region.width()) * m_bitsPerPixel, m_scanlinePad) / 8;
    std::vector<uint8_t> data(size_t(rowBytes) * uint32_t(region.height()));
    // The usual 24-bit visual on a little-endian server takes the surface's pixels as they are.
    const bool sameLayout = m_bitsPerPixel == 32 && !m_msbFirst && m_redMask == 0xFF0000
            && m_greenMask == 0xFF00 && m_blueMask == 0xFF;
    for (int y = 0; y < region.height(); ++y) {
        const uint32_t *src = pixels + size_t(region.top + y) * stride + region.left;
        uint8_t *dst = data.data() + size_t(y) * rowBytes;
        if (sameLayout) {
            std::memcpy(dst, src, size_t(region.width()) * 4);
            continue;
        }
        for (int x = 0; x < region.width(); ++x, dst += bytesPerPixel) {
            const uint32_t rgb = src[x];
            const uint32_t value = channel((rgb >> 16) & 0xFF, m_redMask)
                    | channel((rgb >> 8) & 0xFF, m_greenMask) | channel(rgb & 0xFF, m_blueMask);
            for (uint32_t b = 0; b < bytesPerPixel; ++b) {
                const uint32_t shift = 8 * (m_msbFirst ? bytesPerPixel - 1 - b : b);
                dst[b] = uint8_t(value >> shift);
            }
        }
    }
    return data;
}

std::vector<uint8_t> X11InkWindow::packMask(const uint32_t *pixels, int stride,
                                            const InkRect &region, uint32_t keyRgb,
                                            uint32_t &rowBytes) const
{
    rowBytes = roundUp(uint32_t(region.width()), m_bitmapPad) / 8;
    std::vector<uint8_t> data(size_t(rowBytes) * uint32_t(region.height()), 0);
    for (int y = 0; y < region.height(); ++y) {
        const uint32_t *src = pixels + size_t(region.top + y) * stride + region.left;
        uint8_t *dst = data.data() + size_t(y) * rowBytes;
        for (int x = 0; x < region.width(); ++x) {
            if ((src[x] & 0xFFFFFF) != keyRgb)
                dst[x / 8] |= uint8_t(m_bitmapMsbFirst ? 0x80 >> (x % 8) : 1 << (x % 8));
        }
    }
    return data;
}

void X11InkWindow::putImage(uint32_t drawable, uint32_t gc, uint8_t depth, const InkRect &region,
                            uint32_t rowBytes, const std::vector<uint8_t> &data)
{
    // Bands of whole rows, each under the server's request limit (28 bytes of header with
    // big requests).
    const uint64_t room = m_maxRequestBytes > 28 ? m_maxRequestBytes - 28 : 0;
    if (rowBytes == 0 || room < rowBytes)
        return;
    const int bandRows = int(std::min<uint64_t>(room / rowBytes, uint64_t(region.height())));
    for (int y = 0; y < region.height(); y += bandRows) {
        const int rows = std::min(bandRows, region.height() - y);
        xcb_put_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, gc,
                      uint16_t(region.width()), uint16_t(rows), int16_t(region.left),
                      int16_t(region.top + y), 0, depth, rowBytes * uint32_t(rows),
                      data.data() + size_t(y) * rowBytes);
    }
}

void X11InkWindow::show(const uint32_t *pixels, int stride, const InkRect &region,
                        bool colourKeyed, uint32_t keyRgb)
{
    if (!pixels || region.isEmpty() || xcb_connection_has_error(m_connection))
        return;
    if (m_bitsPerPixel != 16 && m_bitsPerPixel != 32)
        return;
    xcb_connection_t *c = m_connection;
    uint32_t rowBytes = 0;
    const std::vector<uint8_t> image = packPixels(pixels, stride, region, rowBytes);
    if (!colourKeyed) {
        putImage(m_window, m_gc, m_depth, region, rowBytes, image);
    } else {
        // The key colour's pixels are cut out by a one-bit clip mask.
        uint32_t maskRowBytes = 0;
        const std::vector<uint8_t> mask = packMask(pixels, stride, region, keyRgb, maskRowBytes);
        const xcb_pixmap_t pixmap = xcb_generate_id(c);
        const xcb_gcontext_t maskGc = xcb_generate_id(c);
        xcb_create_pixmap(c, 1, pixmap, m_window, uint16_t(region.width()),
                          uint16_t(region.height()));
        xcb_create_gc(c, maskGc, pixmap, 0, nullptr);
        putImage(pixmap, maskGc, 1, {0, 0, region.width(), region.height()}, maskRowBytes, mask);
        const uint32_t clip[] = {uint32_t(region.left), uint32_t(region.top), pixmap};
        xcb_change_gc(c, m_gc, XCB_GC_CLIP_ORIGIN_X | XCB_GC_CLIP_ORIGIN_Y | XCB_GC_CLIP_MASK,
                      clip);
        putImage(m_window, m_gc, m_depth, region, rowBytes, image);
        const uint32_t noClip = XCB_NONE;
        xcb_change_gc(c, m_gc, XCB_GC_CLIP_MASK, &noClip);
        xcb_free_gc(c, maskGc);
        xcb_free_pixmap(c, pixmap);
    }
    xcb_flush(c);
    dropEvents();
}

void X11InkWindow::dropEvents()
{
    // Errors of a window that vanished between the test and the copy arrive as events.
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
        std::free(event);
}

bool X11InkWindow::screenRect(InkRect &rect)
{
    xcb_connection_t *c = m_connection;
    Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(c, xcb_get_geometry(c, m_window), nullptr));
    if (!geometry)
        return false;
    Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
            c, xcb_translate_coordinates(c, m_window, m_root, 0, 0), nullptr));
    if (!origin)
        return false;
    rect = {origin->dst_x, origin->dst_y, origin->dst_x + geometry->width,
            origin->dst_y + geometry->height};
    return true;
}

std::vector<InkRect> X11InkWindow::monitors()
{
    std::vector<InkRect> result;
    for (const platform::DisplayInfo &display : platform::displays::enumerateServer())
        result.push_back({display.x, display.y, display.x + display.width, display.y + display.height});
    if (result.empty()) {
        Reply<xcb_get_geometry_reply_t> root(
                xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, m_root), nullptr));
        if (root)
            result.push_back({0, 0, root->width, root->height});
    }
    return result;
}

bool X11InkWindow::screenPlacement(InkRect &window, std::vector<InkRect> &monitorRects)
{
    if (!screenRect(window))
        return false;
    monitorRects = monitors();
    return true;
}

void X11InkWindow::sync()
{
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    dropEvents();
}
