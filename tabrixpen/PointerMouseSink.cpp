#include "PointerMouseSink.h"

#include <climits>
#include <cmath>

std::unique_ptr<MouseInputSink> MouseInputSink::openDisplay()
{
    auto pointer = platform::PointerInjector::open();
    if (!pointer)
        return nullptr;
    return std::make_unique<PointerMouseSink>(std::move(pointer));
}

int PointerMouseSink::toPixel(int32_t normalised, int32_t low, int32_t high)
{
    const double pixel = double(low) + double(normalised) * (double(high) - double(low)) / 65535.0;
    if (pixel >= double(INT_MAX))
        return INT_MAX;
    if (pixel <= double(INT_MIN))
        return INT_MIN;
    return static_cast<int>(std::lround(pixel));
}

void PointerMouseSink::send(const MouseInput &input, const TabletRect &base)
{
    if (input.flags & MouseInput::Move)
        m_pointer->moveTo(toPixel(input.dx, base.left, base.right), toPixel(input.dy, base.top, base.bottom));
    if (input.flags & MouseInput::LeftDown)
        m_pointer->button(1, true);
    if (input.flags & MouseInput::LeftUp)
        m_pointer->button(1, false);
}
