#include "x11/X11Displays.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace platform {

namespace {

std::string monitorIdOf(Display *display, RROutput output)
{
    const Atom edidAtom = XInternAtom(display, RR_PROPERTY_RANDR_EDID, True);
    if (edidAtom == None)
        return std::string();
    unsigned char *data = nullptr;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    std::string id;
    if (XRRGetOutputProperty(display, output, edidAtom, 0, 32, False, False, AnyPropertyType, &type, &format, &count,
                             &remaining, &data) == Success && data) {
        if (format == 8)
            id = DisplayInfo::monitorIdFromEdid(data, count);
        XFree(data);
    }
    return id;
}

} // namespace

std::vector<DisplayInfo> X11Displays::enumerate()
{
    std::vector<DisplayInfo> result;
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return result;
    int eventBase = 0, errorBase = 0;
    XRRScreenResources *resources = XRRQueryExtension(display, &eventBase, &errorBase)
        ? XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display))
        : nullptr;
    for (int i = 0; resources && i < resources->noutput; ++i) {
        XRROutputInfo *output = XRRGetOutputInfo(display, resources, resources->outputs[i]);
        if (!output)
            continue;
        XRRCrtcInfo *crtc = output->crtc ? XRRGetCrtcInfo(display, resources, output->crtc) : nullptr;
        if (crtc) {
            DisplayInfo info;
            info.name.assign(output->name, static_cast<size_t>(output->nameLen));
            info.x = crtc->x;
            info.y = crtc->y;
            info.width = static_cast<int>(crtc->width);
            info.height = static_cast<int>(crtc->height);
            for (int m = 0; m < resources->nmode; ++m)
                if (resources->modes[m].id == crtc->mode) {
                    info.modeWidth = static_cast<int>(resources->modes[m].width);
                    info.modeHeight = static_cast<int>(resources->modes[m].height);
                }
            info.monitorId = monitorIdOf(display, resources->outputs[i]);
            result.push_back(std::move(info));
            XRRFreeCrtcInfo(crtc);
        }
        XRRFreeOutputInfo(output);
    }
    if (resources)
        XRRFreeScreenResources(resources);
    XCloseDisplay(display);
    return result;
}

bool X11Displays::screenSize(int &width, int &height)
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    width = DisplayWidth(display, DefaultScreen(display));
    height = DisplayHeight(display, DefaultScreen(display));
    XCloseDisplay(display);
    return true;
}

} // namespace platform
