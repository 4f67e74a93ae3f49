#include "TabrixPen.h"

#include "DisplayGeometry.h"
#include "OstraTablet.h"
#include "TabletDiscovery.h"

#include <memory>

namespace {

// Created when the library is loaded, destroyed when it is unloaded.
const std::shared_ptr<OstraTablet> tablet = std::make_shared<OstraTablet>();

} // namespace

extern "C" {

int TABRIX_STDCALL TabrixCheckDevice(void)
{
    return TabletDiscovery::listPresentDevicePaths().empty() ? TABRIX_ERR_NO_DEVICE : TABRIX_OK;
}

int TABRIX_STDCALL TabrixOpen(void)
{
    return tablet->open();
}

int TABRIX_STDCALL TabrixGetContext(TABLET_CONTEXT *context)
{
    return tablet->getContext(context);
}

void TABRIX_STDCALL TabrixClose(void)
{
    tablet->close();
}

int TABRIX_STDCALL TabrixGetPacket(TABLET_PACKET *packet)
{
    return tablet->getPacket(packet);
}

int64_t TABRIX_STDCALL TabrixSetPacketCallback(TabrixPacketCallback callback)
{
    return tablet->setPacketCallback(callback);
}

int64_t TABRIX_STDCALL TabrixSetNotifyCallback(TabrixNotifyCallback callback)
{
    return tablet->setNotifyCallback(callback);
}

void TABRIX_STDCALL TabrixClearCallback(int64_t id)
{
    tablet->clearCallback(id);
}

int TABRIX_STDCALL TabrixGetScreenRect(int *left, int *top, int *right, int *bottom, float *scale)
{
    if (!left || !top || !right || !bottom || !scale)
        return TABRIX_ERR_NULL_ARGUMENT;
    TabletRect rect;
    const float found = DisplayGeometry::getPenDisplayRect(rect);
    if (!(found > 0))
        return TABRIX_ERR_NO_DEVICE;
    *left = rect.left;
    *top = rect.top;
    *right = rect.right;
    *bottom = rect.bottom;
    *scale = found;
    return TABRIX_OK;
}

int TABRIX_STDCALL TabrixActivateMouse(int activate, int mapToPenDisplay, unsigned rotation)
{
    tablet->mouse().setMapping((mapToPenDisplay & 0xFF) != 0, OstraMouse::normaliseRotation(rotation));
    tablet->mouse().activate(activate != 0);
    return TABRIX_OK;
}

int TABRIX_STDCALL TabrixClearTabletSurface(void)
{
    return tablet->clearTabletSurface() ? TABRIX_OK : TABRIX_ERR_NO_DEVICE;
}

} // extern "C"
