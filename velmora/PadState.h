#pragma once

#include <Velmora.h>

#include <atomic>
#include <cstdint>
#include <mutex>

// Process-wide state shared by the exports and the reader thread.
struct PadState
{
    static PadState& instance();

    // Taken by the reader for each report and by the exports around state work; never held
    // while joining the reader, calling back or sending a pad command.
    std::mutex mutex;

    // 0 none, 1 OK, 2 cancel, 3 clear, 255 ink drawn; read and reset by ReturnGetInfo.
    std::atomic<int> lastEvent{0};
    std::atomic<KeyPressCallback> keyCallback{nullptr};

    std::atomic<VelmoraWindow> messageWindow{0};
    std::atomic<uint32_t> messageId{0};
    std::atomic<bool> messagesOn{false};
};

inline PadState& PadState::instance()
{
    // Never destroyed: the reader thread may outlive static destruction at unload.
    static auto* state = new PadState;
    return *state;
}
