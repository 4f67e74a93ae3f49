#include "platform/Windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace platform {
namespace windows {

namespace {

bool titleIs(Display *display, Window window, Atom netName, Atom utf8, const std::string &title)
{
    unsigned char *data = nullptr;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    bool same = false;
    if (netName != None
        && XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count, &remaining, &data)
            == Success
        && data) {
        same = format == 8 && std::string(reinterpret_cast<char *>(data), count) == title;
        XFree(data);
        if (same)
            return true;
    }
    char *name = nullptr;
    if (XFetchName(display, window, &name) && name) {
        same = title == name;
        XFree(name);
    }
    return same;
}

Window search(Display *display, Window window, Atom netName, Atom utf8, const std::string &title)
{
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return 0;
    Window found = 0;
    // Topmost first, as a window manager's frames stack their clients.
    for (unsigned int i = count; i-- > 0 && !found;)
        if (titleIs(display, children[i], netName, utf8, title))
            found = children[i];
    for (unsigned int i = count; i-- > 0 && !found;)
        found = search(display, children[i], netName, utf8, title);
    if (children)
        XFree(children);
    return found;
}

} // namespace

unsigned long findByTitle(const std::string &title, unsigned long under)
{
    std::unique_ptr<Display, int (*)(Display *)> display(XOpenDisplay(nullptr), XCloseDisplay);
    if (!display)
        return 0;
    const Atom netName = XInternAtom(display.get(), "_NET_WM_NAME", True);
    const Atom utf8 = XInternAtom(display.get(), "UTF8_STRING", False);
    return search(display.get(), under ? under : DefaultRootWindow(display.get()), netName, utf8, title);
}

void roundTrip(xcb_connection_t *connection)
{
    // The cheapest request with a reply; the reply comes after those sent before it.
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

} // namespace windows
} // namespace platform
