#pragma once

#include "platform/DisplayInfo.h"
#include "platform/HidDeviceInfo.h"
#include "sim/SimDeviceDesc.h"
#include "sim/SimTrace.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform {

class SimWire;

// The device simulator: serves simulated HID devices to the HID layer of every process whose
// INKWARDEN_DEVSIM names `folder`. Usable in-process (tests) and behind inkwarden-devsim.
class DevSim {
public:
    explicit DevSim(const std::string &folder);
    ~DevSim();
    DevSim(const DevSim &) = delete;
    DevSim &operator=(const DevSim &) = delete;

    bool listening() const { return m_listener >= 0; }
    std::string socketPath() const { return m_socketPath; }

    // Presents a device (an arrival for every monitor); returns its id.
    int plug(SimDeviceDesc desc);
    // Presents the USB device alone, as udev announces it before its hidraw nodes exist: USB
    // monitors see the arrival, but it has no HID interface (none enumerated, none opened,
    // no HID arrival) until presentInterfaces.
    int plugUsbFirst(SimDeviceDesc desc);
    bool presentInterfaces(int device);
    // Removes it: its open handles fail from now on, monitors see a removal.
    bool unplug(int device);

    // Delivers one input report to every open handle of the collection declaring its report
    // id (byte 0). Short and malformed reports are delivered as they are.
    bool sendInput(int device, const SimBytes &report);
    bool sendInput(int device, int collection, const SimBytes &report);
    // Sends a trace's reports with its delays, on the calling thread.
    void play(int device, const SimTrace &trace);

    // The desktop's displays, as the display code of every client will see them.
    void setDisplays(std::vector<DisplayInfo> displays);

    void setFault(int device, SimFault fault);
    std::vector<SimRecord> records(int device) const;
    void clearRecords(int device);
    int openHandles(int device) const;
    int monitors() const;   // subscribers to arrivals and removals
    std::vector<int> devices() const;
    bool present(int device) const;
    std::string path(int device, int collection) const;

private:
    struct Device {
        std::shared_ptr<const SimDeviceDesc> desc;
        SimFault fault = SimFault::None;
        std::vector<SimRecord> records;
        bool interfacesPresent = true;
    };
    enum class Role { Fresh, Control, Stream, Monitor };
    struct Client {
        Role role = Role::Fresh;
        int device = 0;
        int collection = 0;
        uint32_t token = 0;
    };

    using Guard = std::unique_lock<std::mutex>;

    void serve();
    void accept();
    void handle(int fd, const SimBytes &message);
    // One function per request, entered with m_lock held; those given the guard release it
    // before they reply or call a device's handler.
    void answerEnumerate(int fd, uint32_t sequence);
    void answerDisplays(int fd, uint32_t sequence);
    void subscribe(Guard &guard, int fd, uint32_t sequence, Client &client);
    void openHandle(Guard &guard, int fd, uint32_t sequence, Client &client, SimWire &request);
    void attachStream(Guard &guard, int fd, uint32_t sequence, Client &client, SimWire &request);
    void closeHandle(Guard &guard, int fd, uint32_t sequence, Client &client);
    void answerString(Guard &guard, int fd, uint32_t sequence, const Device &device, SimWire &request);
    void transferReport(Guard &guard, int fd, uint32_t sequence, uint8_t op, const Client &client, Device &device,
                        SimWire &request);
    void drop(int fd);
    void reply(int fd, uint32_t sequence, uint8_t status, const SimBytes &payload = {});
    HidDeviceInfo infoOf(int device, const Device &entry, int collection) const;
    int add(SimDeviceDesc desc, bool interfacesPresent);
    // Tells every monitor of the device's interfaces with op; entered with m_lock held.
    void announce(uint8_t op, int device, const Device &entry);

    mutable std::mutex m_lock;
    // Keeps input reports in order between senders; the serving thread never takes it.
    std::mutex m_inputOrder;
    std::map<int, Device> m_devices;
    std::map<int, Client> m_clients;
    std::vector<DisplayInfo> m_displays;
    int m_nextDevice = 1;
    uint32_t m_nextToken = 1;
    std::string m_socketPath;
    int m_listener = -1;
    int m_wake = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace platform
