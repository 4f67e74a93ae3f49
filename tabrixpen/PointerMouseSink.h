#pragma once

#include "MouseInputSink.h"
#include "platform/PointerInjector.h"

#include <memory>

// Mouse input records played through the platform's pointer: a move goes to root coordinates (the
// normalised value mapped back over the primary display, and past it for a pen display to its
// right), a button record presses or releases button 1 where the pointer is.
class PointerMouseSink : public MouseInputSink {
public:
    explicit PointerMouseSink(std::unique_ptr<platform::PointerInjector> pointer) : m_pointer(std::move(pointer)) {}

    void send(const MouseInput &input, const TabletRect &base) override;

    // Root pixel of a normalised coordinate over [low, high).
    static int toPixel(int32_t normalised, int32_t low, int32_t high);

private:
    std::unique_ptr<platform::PointerInjector> m_pointer;
};
