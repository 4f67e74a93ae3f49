#include "IDevice.h"

void registerDeviceMetaTypes()
{
    qRegisterMetaType<TABLET_PACKET>("TABLET_PACKET");
    qRegisterMetaType<IDevice *>("IDevice*");
}
