#include "platform/HidReportDescriptor.h"

#include <algorithm>
#include <map>

namespace platform {

namespace {

struct Globals {
    uint32_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint8_t reportId = 0;
};

enum ReportKind { Input, Output, Feature, KindCount };

struct Tally {
    // bits per report id and kind
    std::map<uint8_t, uint32_t> bits[KindCount];
};

uint16_t lengthOf(const std::map<uint8_t, uint32_t> &bits)
{
    uint32_t largest = 0;
    for (const auto &entry : bits)
        largest = std::max(largest, entry.second);
    if (largest == 0)
        return 0;
    return static_cast<uint16_t>(std::min<uint32_t>((largest + 7) / 8 + 1, 0xFFFF));
}

} // namespace

HidReportDescriptor HidReportDescriptor::parse(const uint8_t *data, size_t size)
{
    HidReportDescriptor result;
    std::vector<Tally> tallies;
    std::vector<Globals> stack;
    Globals globals;
    std::vector<uint32_t> usages;
    int depth = 0;

    size_t pos = 0;
    while (pos < size) {
        const uint8_t prefix = data[pos++];
        if (prefix == 0xFE) { // long item: skip its data
            if (pos + 1 >= size)
                break;
            pos += 2 + data[pos];
            continue;
        }
        size_t length = prefix & 3;
        if (length == 3)
            length = 4;
        if (pos + length > size)
            break;
        uint32_t value = 0;
        for (size_t i = 0; i < length; ++i)
            value |= uint32_t(data[pos + i]) << (8 * i);
        pos += length;

        const int type = (prefix >> 2) & 3;
        const int tag = prefix >> 4;
        if (type == 1) { // global
            switch (tag) {
            case 0: globals.usagePage = value; break;
            case 7: globals.reportSize = value; break;
            case 8:
                globals.reportId = static_cast<uint8_t>(value);
                result.m_numbered = true;
                break;
            case 9: globals.reportCount = value; break;
            case 10: stack.push_back(globals); break;
            case 11:
                if (!stack.empty()) {
                    globals = stack.back();
                    stack.pop_back();
                }
                break;
            default: break;
            }
        } else if (type == 2) { // local
            if (tag == 0)
                usages.push_back(length == 4 ? value : (globals.usagePage << 16) | value);
        } else if (type == 0) { // main
            if (tag == 0xA) {
                if (depth == 0) {
                    Collection collection;
                    const uint32_t usage = usages.empty() ? (globals.usagePage << 16) : usages.front();
                    collection.caps.usagePage = static_cast<uint16_t>(usage >> 16);
                    collection.caps.usage = static_cast<uint16_t>(usage & 0xFFFF);
                    result.m_collections.push_back(collection);
                    tallies.emplace_back();
                }
                ++depth;
            } else if (tag == 0xC) {
                depth = std::max(0, depth - 1);
            } else if (tag == 8 || tag == 9 || tag == 0xB) {
                if (tallies.empty()) { // reports outside any collection still belong to the device
                    result.m_collections.emplace_back();
                    tallies.emplace_back();
                }
                const ReportKind kind = tag == 8 ? Input : tag == 9 ? Output : Feature;
                const uint64_t bits = uint64_t(globals.reportSize) * globals.reportCount;
                uint32_t &sum = tallies.back().bits[kind][globals.reportId];
                sum = static_cast<uint32_t>(std::min<uint64_t>(sum + bits, 0xFFFFFFF0u));
            }
            usages.clear();
        }
    }

    for (size_t i = 0; i < result.m_collections.size(); ++i) {
        Collection &collection = result.m_collections[i];
        collection.caps.inputReportLength = lengthOf(tallies[i].bits[Input]);
        collection.caps.outputReportLength = lengthOf(tallies[i].bits[Output]);
        collection.caps.featureReportLength = lengthOf(tallies[i].bits[Feature]);
        for (const auto &kind : tallies[i].bits)
            for (const auto &entry : kind)
                if (std::find(collection.reportIds.begin(), collection.reportIds.end(), entry.first) == collection.reportIds.end())
                    collection.reportIds.push_back(entry.first);
        std::sort(collection.reportIds.begin(), collection.reportIds.end());
    }
    return result;
}

int HidReportDescriptor::collectionOfReport(uint8_t reportId) const
{
    for (size_t i = 0; i < m_collections.size(); ++i) {
        const auto &ids = m_collections[i].reportIds;
        if (std::find(ids.begin(), ids.end(), reportId) != ids.end())
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace platform
