#include "linux/LinuxHidDevice.h"

#include "linux/LinuxHidBackend.h"
#include "platform/HidReportDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <linux/usbdevice_fs.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::unique_ptr<LinuxHidDevice> LinuxHidDevice::open(const std::string &path, HidOpenFailure &failure)
{
    std::string node = path;
    int collection = 0;
    const size_t mark = path.rfind("#col");
    if (mark != std::string::npos) {
        node = path.substr(0, mark);
        collection = std::atoi(path.c_str() + mark + 4) - 1;
    }
    struct stat status{};
    if (::stat(node.c_str(), &status) != 0 || !S_ISCHR(status.st_mode))
        return nullptr;

    udev *context = udev_new();
    if (!context)
        return nullptr;
    udev_device *device = udev_device_new_from_devnum(context, 'c', status.st_rdev);
    std::vector<HidDeviceInfo> interfaces;
    std::string usbNode;
    std::vector<uint8_t> descriptor;
    if (device) {
        interfaces = LinuxHidBackend::describe(device);
        if (udev_device *usb = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device"))
            if (const char *usbPath = udev_device_get_devnode(usb))
                usbNode = usbPath;
        udev_device_unref(device);
    }
    udev_unref(context);
    if (collection < 0 || collection >= static_cast<int>(interfaces.size()))
        return nullptr;

    const int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EACCES || errno == EPERM)
            failure = HidOpenFailure::AccessDenied;
        return nullptr;
    }
    int size = 0;
    hidraw_report_descriptor raw{};
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE) {
        ::close(fd);
        return nullptr;
    }
    raw.size = static_cast<uint32_t>(size);
    if (::ioctl(fd, HIDIOCGRDESC, &raw) < 0) {
        ::close(fd);
        return nullptr;
    }
    const HidReportDescriptor parsed = HidReportDescriptor::parse(raw.value, raw.size);
    std::vector<uint8_t> ids;
    if (collection < static_cast<int>(parsed.collections().size()))
        ids = parsed.collections()[collection].reportIds;
    return std::unique_ptr<LinuxHidDevice>(
        new LinuxHidDevice(interfaces[collection], fd, parsed.numberedReports(), std::move(ids), usbNode));
}

LinuxHidDevice::LinuxHidDevice(HidDeviceInfo info, int fd, bool numbered, std::vector<uint8_t> reportIds, std::string usbNode)
    : HidDevice(std::move(info)), m_fd(fd), m_numbered(numbered), m_reportIds(std::move(reportIds)), m_usbNode(std::move(usbNode))
{
}

LinuxHidDevice::~LinuxHidDevice()
{
    ::close(m_fd);
}

int LinuxHidDevice::read(uint8_t *buf, size_t length, int timeoutMs)
{
    if (length == 0)
        return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    uint8_t report[HID_MAX_DESCRIPTOR_SIZE + 1];
    for (;;) {
        // Unnumbered reports arrive without an id byte; leave room for the 0 the layout expects.
        uint8_t *target = m_numbered ? report : report + 1;
        const ssize_t n = ::read(m_fd, target, sizeof report - 1);
        if (n > 0) {
            report[0] = m_numbered ? report[0] : 0;
            const size_t total = static_cast<size_t>(n) + (m_numbered ? 0 : 1);
            if (m_numbered && info().collectionCount > 1
                && std::find(m_reportIds.begin(), m_reportIds.end(), report[0]) == m_reportIds.end())
                continue;
            std::memset(buf, 0, length);
            const size_t copied = std::min(length, total);
            std::memcpy(buf, report, copied);
            return static_cast<int>(copied);
        }
        if (n == 0 || (errno != EAGAIN && errno != EINTR))
            return -1;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            return 0;
        pollfd p{m_fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno != EINTR)
            return -1;
        if (p.revents & (POLLERR | POLLHUP | POLLNVAL))
            return -1;
    }
}

int LinuxHidDevice::write(const uint8_t *buf, size_t length, int timeoutMs)
{
    pollfd p{m_fd, POLLOUT, 0};
    const int ready = ::poll(&p, 1, timeoutMs);
    if (ready == 0)
        return 0;
    if (ready < 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL)))
        return -1;
    // hidraw takes the id byte first in every case and drops it for unnumbered devices.
    const ssize_t n = ::write(m_fd, buf, length);
    if (n < 0)
        return errno == EAGAIN ? 0 : -1;
    return static_cast<int>(n);
}

int LinuxHidDevice::getFeature(uint8_t *buf, size_t length)
{
    if (length == 0)
        return -1;
    const int n = ::ioctl(m_fd, HIDIOCGFEATURE(length), buf);
    return n < 0 ? -1 : n;
}

bool LinuxHidDevice::setFeature(const uint8_t *buf, size_t length)
{
    std::vector<uint8_t> copy(buf, buf + length);
    return length > 0 && ::ioctl(m_fd, HIDIOCSFEATURE(length), copy.data()) >= 0;
}

bool LinuxHidDevice::indexedString(int index, std::u16string &text)
{
    if (m_usbNode.empty() || index < 0 || index > 255)
        return false;
    const int fd = ::open(m_usbNode.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    uint8_t descriptor[255] = {};
    usbdevfs_ctrltransfer transfer{};
    transfer.bRequestType = 0x80;               // device to host, standard, device
    transfer.bRequest = 6;                      // GET_DESCRIPTOR
    transfer.wValue = static_cast<uint16_t>(0x0300 | index);
    transfer.wIndex = 0x0409;                   // US English, as Windows asks
    transfer.wLength = sizeof descriptor;
    transfer.timeout = 1000;
    transfer.data = descriptor;
    const int n = ::ioctl(fd, USBDEVFS_CONTROL, &transfer);
    ::close(fd);
    if (n < 2 || descriptor[1] != 3)
        return false;
    const int end = std::min<int>(n, descriptor[0]);
    text.clear();
    for (int i = 2; i + 1 < end; i += 2)
        text.push_back(static_cast<char16_t>(descriptor[i] | (descriptor[i + 1] << 8)));
    return true;
}

} // namespace platform
