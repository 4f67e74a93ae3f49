#include "HidDeviceFile.h"

#include "platform/Hid.h"

#include <cstdio>

bool HidDeviceFile::open(const std::string &path)
{
    close();
    platform::HidOpenFailure failure = platform::HidOpenFailure::None;
    m_device = platform::hid::open(path, &failure);
    if (failure == platform::HidOpenFailure::AccessDenied)
        std::fprintf(stderr, "TabrixPen: cannot open %s: permission refused (EACCES), see udev/70-inkwarden.rules\n",
                     path.c_str());
    if (!m_device)
        return false;
    const platform::HidDeviceInfo &info = m_device->info();
    m_attributes.vendorId = info.vendorId;
    m_attributes.productId = info.productId;
    m_attributes.versionNumber = info.revision;
    m_caps = info.caps;
    return true;
}

void HidDeviceFile::close()
{
    m_device.reset();
}

bool HidDeviceFile::write(const std::vector<uint8_t> &report, int timeoutMs)
{
    if (!m_device || report.empty())
        return false;
    return m_device->write(report.data(), report.size(), timeoutMs) == static_cast<int>(report.size());
}

int HidDeviceFile::read(uint8_t *buf, size_t length, int timeoutMs)
{
    return m_device ? m_device->read(buf, length, timeoutMs) : -1;
}

bool HidDeviceFile::indexedString(int index, std::u16string &text)
{
    return m_device && m_device->indexedString(index, text);
}
