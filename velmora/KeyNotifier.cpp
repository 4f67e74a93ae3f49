#include "KeyNotifier.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <xcb/xcb.h>

namespace {

std::mutex& connectionMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}

xcb_connection_t* g_connection = nullptr;
xcb_atom_t g_messageType = XCB_ATOM_NONE;

// Called with the mutex held.
bool connect()
{
    if (g_connection)
        return true;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return false;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    const char name[] = "_VELMORA_PAD_MESSAGE";
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
    if (!reply) {
        xcb_disconnect(c);
        return false;
    }
    g_messageType = reply->atom;
    std::free(reply);
    g_connection = c;
    return true;
}

} // namespace

void KeyNotifier::send(VelmoraWindow window, uint32_t messageId, int key)
{
    std::lock_guard<std::mutex> lock(connectionMutex());
    if (!connect())
        return;
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(window);
    event.type = g_messageType;
    event.data.data32[0] = messageId;
    event.data.data32[1] = uint32_t(key);
    event.data.data32[2] = uint32_t(key);
    xcb_send_event(g_connection, 0, xcb_window_t(window), XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    xcb_flush(g_connection);
    // A broken connection is dropped, so a later key tries again.
    if (xcb_connection_has_error(g_connection)) {
        xcb_disconnect(g_connection);
        g_connection = nullptr;
    }
}

void KeyNotifier::disconnect()
{
    std::lock_guard<std::mutex> lock(connectionMutex());
    if (g_connection)
        xcb_disconnect(g_connection);
    g_connection = nullptr;
}
