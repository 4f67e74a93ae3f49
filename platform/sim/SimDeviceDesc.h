#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class DevSim;

using SimBytes = std::vector<uint8_t>;

// One top-level collection of a simulated device. Lengths count the report-id byte.
struct SimCollectionDesc {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t inputLength = 0;
    uint16_t outputLength = 0;
    uint16_t featureLength = 0;
    std::vector<uint8_t> reportIds{0};   // input reports with these ids go to this collection
};

// A request from a library to a simulated device; handlers run on the simulator's thread and
// may answer through sim.sendInput().
struct SimRequest {
    DevSim &sim;
    int device;
    int collection;
    const SimBytes &data;   // the report as written, byte 0 the report id
};

// A simulated device described as data. Handlers left empty accept output reports and
// set-feature requests and refuse get-feature requests.
struct SimDeviceDesc {
    std::string name;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t revision = 0;
    int interfaceNumber = 0;
    std::vector<SimCollectionDesc> collections{SimCollectionDesc{}};
    std::map<int, std::u16string> strings;   // indexed strings; a missing index fails

    std::function<bool(const SimRequest &)> onOutput;
    std::function<bool(const SimRequest &)> onSetFeature;
    // The answer for a get-feature request, or nothing to fail it.
    std::function<std::optional<SimBytes>(const SimRequest &)> onGetFeature;
};

// What the simulator writes down for every report a library sends.
struct SimRecord {
    enum Kind { Output, SetFeature };
    Kind kind = Output;
    int collection = 0;
    SimBytes data;
};

enum class SimFault {
    None,
    Silent,       // requests go unanswered and input reports are not delivered
    RefuseOpen,   // the device is listed but cannot be opened
    DenyAccess,   // the device is listed but the user may not open it, as without a udev rule
};

} // namespace platform
