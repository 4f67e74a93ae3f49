#include "PadIdentity.h"

#include "PadLog.h"

#include "platform/Hid.h"

#include <Velmora.h>

namespace {
uint32_t usageKey(const platform::HidDeviceInfo& info)
{
    return uint32_t(info.caps.usagePage) << 8 | info.caps.usage;
}
} // namespace

bool PadIdentity::isPad(const platform::HidDeviceInfo& info)
{
    return info.vendorId == VELMORA_PAD_VENDOR_ID && info.productId == VELMORA_PAD_PRODUCT_ID;
}

bool PadIdentity::isPenCollection(const platform::HidDeviceInfo& info)
{
    const uint32_t key = usageKey(info);
    return isPad(info) && (key == 0x0D01 || key == 0xFF0D01);
}

CommandChannel::Kind PadIdentity::commandKind(const platform::HidDeviceInfo& info)
{
    if (!isPad(info))
        return CommandChannel::Unknown;
    switch (usageKey(info)) {
    case 0xFF000C:
        return CommandChannel::FeatureKind;
    case 0xFF0001:
        return CommandChannel::ReportKind;
    default:
        return CommandChannel::Unknown;
    }
}

std::unique_ptr<platform::HidDevice> PadIdentity::open(const platform::HidDeviceInfo& info)
{
    platform::HidOpenFailure failure = platform::HidOpenFailure::None;
    std::unique_ptr<platform::HidDevice> device = platform::hid::open(info.path, &failure);
    if (failure == platform::HidOpenFailure::AccessDenied)
        padLog(Line, "Cannot open %s: permission refused (EACCES), see udev/70-inkwarden.rules", info.path.c_str());
    return device;
}
