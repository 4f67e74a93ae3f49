// HID report descriptors as devices send them: any bytes parse without reading past them, and
// the lengths found for a descriptor built from known reports match those reports.

#include "FuzzInput.h"

#include "platform/HidReportDescriptor.h"

#include <map>

using platform::HidReportDescriptor;

namespace {

void checkShape(const HidReportDescriptor &parsed)
{
    const auto &collections = parsed.collections();
    for (size_t i = 0; i < collections.size(); ++i) {
        const auto &c = collections[i];
        FUZZ_CHECK(std::is_sorted(c.reportIds.begin(), c.reportIds.end()));
        FUZZ_CHECK(std::adjacent_find(c.reportIds.begin(), c.reportIds.end()) == c.reportIds.end());
        for (uint16_t length : {c.caps.inputReportLength, c.caps.outputReportLength, c.caps.featureReportLength})
            FUZZ_CHECK(length == 0 || (length >= 2 && !c.reportIds.empty()));
        for (uint8_t id : c.reportIds) {
            FUZZ_CHECK(parsed.numberedReports() || id == 0);
            const int first = parsed.collectionOfReport(id);
            FUZZ_CHECK(first >= 0 && size_t(first) <= i);
        }
    }
}

// Top-level collections of numbered (or, when the first byte is even, unnumbered) reports,
// each report one main item of 8-bit size and count; returns the descriptor and, per
// collection, the largest report of each kind in bits.
struct Built {
    std::vector<uint8_t> descriptor;
    std::vector<std::map<int, std::map<uint8_t, uint32_t>>> bits; // collection -> kind -> id -> bits
};

Built build(FuzzInput &in)
{
    Built built;
    const bool numbered = in.u8() & 1;
    auto &d = built.descriptor;
    while (!in.empty()) {
        const uint8_t head = in.u8();
        if (built.bits.empty() || (head & 0x80)) { // a new collection, vendor page and usage
            if (!built.bits.empty())
                d.push_back(0xC0);
            d.insert(d.end(), {0x06, 0x00, 0xFF, 0x09, uint8_t(head & 0x7F), 0xA1, 0x01});
            built.bits.emplace_back();
        }
        const uint8_t id = numbered ? uint8_t(in.u8() | 1) : 0;
        const uint8_t size = in.u8();
        const uint8_t count = in.u8();
        const int kind = head % 3;
        if (numbered)
            d.insert(d.end(), {0x85, id});
        d.insert(d.end(), {0x75, size, 0x95, count, uint8_t(kind == 0 ? 0x81 : kind == 1 ? 0x91 : 0xB1), 0x02});
        built.bits.back()[kind][id] += uint32_t(size) * count;
    }
    if (!built.bits.empty())
        d.push_back(0xC0);
    return built;
}

uint16_t expectedLength(const std::map<uint8_t, uint32_t> &bits)
{
    uint32_t largest = 0;
    for (const auto &entry : bits)
        largest = std::max(largest, entry.second);
    // The length field has 16 bits.
    return largest == 0 ? 0 : uint16_t(std::min<uint32_t>((largest + 7) / 8 + 1, 0xFFFF));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A heap copy of exactly the descriptor's size, so ASan sees a read past its end.
    const std::vector<uint8_t> raw(data, data + size);
    checkShape(HidReportDescriptor::parse(raw.data(), raw.size()));

    FuzzInput in(data, size);
    const Built built = build(in);
    const auto parsed = HidReportDescriptor::parse(built.descriptor.data(), built.descriptor.size());
    checkShape(parsed);
    FUZZ_CHECK(parsed.collections().size() == built.bits.size());
    for (size_t i = 0; i < built.bits.size(); ++i) {
        const auto &caps = parsed.collections()[i].caps;
        auto kind = [&](int k) { return built.bits[i].count(k) ? expectedLength(built.bits[i].at(k)) : uint16_t(0); };
        FUZZ_CHECK(caps.inputReportLength == kind(0));
        FUZZ_CHECK(caps.outputReportLength == kind(1));
        FUZZ_CHECK(caps.featureReportLength == kind(2));
    }
    return 0;
}
