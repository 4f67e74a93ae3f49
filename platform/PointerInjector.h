#pragma once

#include <memory>

namespace platform {

// Synthetic pointer input on the X display, through a connection of its own (Xlib is not
// shared with the host's). Use from one thread.
class PointerInjector {
public:
    // Null when there is no X display or it lacks the XTest extension.
    static std::unique_ptr<PointerInjector> open();
    ~PointerInjector();

    void moveTo(int x, int y);   // root coordinates
    void button(int number, bool down);

private:
    explicit PointerInjector(void *display) : m_display(display) {}
    void *m_display;
};

} // namespace platform
