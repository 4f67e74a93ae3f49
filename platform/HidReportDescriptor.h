#pragma once

#include "platform/HidDeviceInfo.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// The top-level collections of a HID report descriptor with the report lengths Windows would
// give them (largest report of each kind in bytes, plus one for the report id).
class HidReportDescriptor {
public:
    struct Collection {
        HidCaps caps;
        std::vector<uint8_t> reportIds;   // ids of the reports declared inside it; {0} when unnumbered
    };

    static HidReportDescriptor parse(const uint8_t *data, size_t size);

    const std::vector<Collection> &collections() const { return m_collections; }
    bool numberedReports() const { return m_numbered; }

    // Index of the collection declaring the report id, or -1.
    int collectionOfReport(uint8_t reportId) const;

private:
    std::vector<Collection> m_collections;
    bool m_numbered = false;
};

} // namespace platform
