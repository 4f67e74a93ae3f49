#include "sim/SimDisplays.h"

#include "sim/SimHidBackend.h"
#include "sim/SimWire.h"

#include <algorithm>

namespace platform {

std::vector<DisplayInfo> SimDisplays::enumerate() const
{
    SimWire reply;
    if (!SimWire::ask(SimWire::socketPath(m_folder), SimWire::Displays, SimHidBackend::RequestTimeoutMs, reply))
        return {};
    reply.u8();
    reply.u32();
    reply.u8();
    return reply.list(&SimWire::display);
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
