#include "platform/PointerInjector.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace platform {

std::unique_ptr<PointerInjector> PointerInjector::open()
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::unique_ptr<PointerInjector>(new PointerInjector(display));
}

PointerInjector::~PointerInjector()
{
    XCloseDisplay(static_cast<Display *>(m_display));
}

void PointerInjector::moveTo(int x, int y)
{
    Display *display = static_cast<Display *>(m_display);
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XFlush(display);
}

void PointerInjector::button(int number, bool down)
{
    Display *display = static_cast<Display *>(m_display);
    XTestFakeButtonEvent(display, static_cast<unsigned>(number), down ? True : False, CurrentTime);
    XFlush(display);
}

} // namespace platform
