#include "sim/SimDisplays.h"

#include "sim/SimHidBackend.h"
#include "sim/SimWire.h"

#include <algorithm>
#include <unistd.h>

namespace platform {

std::vector<DisplayInfo> SimDisplays::enumerate() const
{
    std::vector<DisplayInfo> result;
    const int fd = SimWire::connectTo(SimWire::socketPath(m_folder));
    if (fd < 0)
        return result;
    SimWire request;
    request.putU8(SimWire::Displays);
    request.putU32(0);
    std::vector<uint8_t> answer;
    if (SimWire::send(fd, request.data(), SimHidBackend::RequestTimeoutMs)
        && SimWire::receive(fd, answer, SimHidBackend::RequestTimeoutMs) == 1) {
        SimWire reply(answer.data(), answer.size());
        reply.u8();
        reply.u32();
        reply.u8();
        const uint32_t count = reply.u32();
        for (uint32_t i = 0; i < count && reply.ok(); ++i) {
            DisplayInfo display = reply.display();
            if (reply.ok())
                result.push_back(std::move(display));
        }
    }
    ::close(fd);
    return result;
}

bool SimDisplays::screenSize(int &width, int &height) const
{
    const auto list = enumerate();
    if (list.empty())
        return false;
    width = height = 0;
    for (const DisplayInfo &display : list) {
        width = std::max(width, display.x + display.width);
        height = std::max(height, display.y + display.height);
    }
    return true;
}

} // namespace platform
