#include "linux/LinuxHidBackend.h"

#include "linux/LinuxHidDevice.h"
#include "linux/LinuxHidMonitor.h"
#include "platform/HidReportDescriptor.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <libudev.h>

namespace platform {

namespace {

unsigned hexAttribute(udev_device *device, const char *name, unsigned fallback)
{
    const char *text = device ? udev_device_get_sysattr_value(device, name) : nullptr;
    return text ? static_cast<unsigned>(std::strtoul(text, nullptr, 16)) : fallback;
}

} // namespace

std::string LinuxHidBackend::pathOf(const std::string &node, int collection, int collectionCount)
{
    if (collectionCount <= 1)
        return node;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "#col%02d", collection + 1);
    return node + suffix;
}

std::vector<HidDeviceInfo> LinuxHidBackend::describe(udev_device *hidraw)
{
    std::vector<HidDeviceInfo> result;
    const char *node = udev_device_get_devnode(hidraw);
    udev_device *hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    if (!node || !hid)
        return result;

    HidDeviceInfo base;
    unsigned bus = 0, vendor = 0, product = 0;
    if (const char *id = udev_device_get_property_value(hid, "HID_ID"))
        std::sscanf(id, "%x:%x:%x", &bus, &vendor, &product);
    base.vendorId = static_cast<uint16_t>(vendor);
    base.productId = static_cast<uint16_t>(product);
    udev_device *interface = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_interface");
    udev_device *usb = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device");
    if (interface)
        base.interfaceNumber = static_cast<int>(hexAttribute(interface, "bInterfaceNumber", 0));
    base.revision = static_cast<uint16_t>(hexAttribute(usb, "bcdDevice", 0));
    // The USB device's node carries its bus address, which a replug does not get back.
    if (const char *usbNode = usb ? udev_device_get_devnode(usb) : nullptr)
        base.instance = usbNode;

    std::ifstream file(std::string(udev_device_get_syspath(hid)) + "/report_descriptor", std::ios::binary);
    const std::vector<uint8_t> raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const HidReportDescriptor descriptor = HidReportDescriptor::parse(raw.data(), raw.size());
    const auto &collections = descriptor.collections();
    for (size_t i = 0; i < collections.size(); ++i) {
        HidDeviceInfo info = base;
        info.collectionIndex = static_cast<int>(i);
        info.collectionCount = static_cast<int>(collections.size());
        info.caps = collections[i].caps;
        info.path = pathOf(node, info.collectionIndex, info.collectionCount);
        result.push_back(std::move(info));
    }
    return result;
}

void LinuxHidBackend::forEachNode(udev *context, const std::function<void(udev_device *)> &visit)
{
    udev_enumerate *walk = udev_enumerate_new(context);
    udev_enumerate_add_match_subsystem(walk, "hidraw");
    udev_enumerate_scan_devices(walk);
    udev_list_entry *entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(walk))
    {
        if (udev_device *device = udev_device_new_from_syspath(context, udev_list_entry_get_name(entry))) {
            visit(device);
            udev_device_unref(device);
        }
    }
    udev_enumerate_unref(walk);
}

std::optional<std::vector<HidDeviceInfo>> LinuxHidBackend::enumerate()
{
    std::vector<HidDeviceInfo> result;
    udev *context = udev_new();
    if (!context)
        return std::nullopt;
    forEachNode(context, [&result](udev_device *device) {
        for (HidDeviceInfo &info : describe(device))
            result.push_back(std::move(info));
    });
    udev_unref(context);
    return result;
}

std::unique_ptr<HidDevice> LinuxHidBackend::open(const std::string &path, HidOpenFailure &failure)
{
    return LinuxHidDevice::open(path, failure);
}

std::unique_ptr<HidMonitor> LinuxHidBackend::monitor()
{
    return LinuxHidMonitor::open();
}

} // namespace platform
