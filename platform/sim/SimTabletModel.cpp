#include "sim/SimTabletModel.h"

#include <vector>

namespace platform {

std::u16string SimTabletModel::rangeString() const
{
    const int width = inputLength >= 13 ? 3 : 2;
    std::vector<uint8_t> raw;
    for (int32_t value : {maxX, maxY})
        for (int i = 0; i < width; ++i)
            raw.push_back(static_cast<uint8_t>(value >> (8 * i)));
    raw.push_back(static_cast<uint8_t>(maxPressure & 0xFF));
    raw.push_back(static_cast<uint8_t>(maxPressure >> 8));
    if (raw.size() % 2)
        raw.push_back(0);
    std::u16string text;
    for (size_t i = 0; i < raw.size(); i += 2)
        text.push_back(static_cast<char16_t>(raw[i] | (raw[i + 1] << 8)));
    return text;
}

SimDeviceDesc SimTabletModel::desc() const
{
    SimDeviceDesc desc;
    desc.name = "tablet";
    desc.vendorId = VendorId;
    desc.productId = productId;
    desc.revision = 0;
    desc.interfaceNumber = 2;
    SimCollectionDesc pen;
    pen.usagePage = 0xFF0D;
    pen.usage = 0x01;
    pen.inputLength = inputLength;
    pen.outputLength = outputLength;
    pen.reportIds = {0x02, 0x09};
    desc.collections = {pen};
    desc.strings[2] = productName;
    desc.strings[3] = serial;
    desc.strings[20] = rangeString();
    return desc;
}

} // namespace platform
