#pragma once

#include "TabletRect.h"

#include <cstdint>
#include <memory>

// One synthetic mouse input record: a position normalised to 0..65535 over the primary
// display, and what to do there.
struct MouseInput {
    enum Flags : uint32_t { Move = 0x0001, LeftDown = 0x0002, LeftUp = 0x0004, Absolute = 0x8000 };
    int32_t dx = 0;
    int32_t dy = 0;
    uint32_t flags = 0;
};

// Where the mouse emulation's input goes; `base` is the primary display the record is
// normalised to.
class MouseInputSink {
public:
    virtual ~MouseInputSink() = default;
    virtual void send(const MouseInput &input, const TabletRect &base) = 0;

    // The X display's pointer, through a connection of the calling thread's own; null without
    // an X display.
    static std::unique_ptr<MouseInputSink> openDisplay();
};
