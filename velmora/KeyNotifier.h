#pragma once

#include <Velmora.h>
#include <cstdint>

// Tells the caller's window about a pad key with an X11 ClientMessage of type
// "_VELMORA_PAD_MESSAGE"; never waits for the window. Without a display nothing is sent.
namespace KeyNotifier {
void send(VelmoraWindow window, uint32_t messageId, int key);
void disconnect();
}
