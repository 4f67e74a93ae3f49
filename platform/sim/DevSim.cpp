#include "sim/DevSim.h"

#include "sim/SimWire.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

// A reader that stops reading must not stall the simulator for long.
constexpr int SendTimeoutMs = 1000;
const char PathPrefix[] = "devsim:";

bool parsePath(const std::string &path, int &device, int &collection)
{
    if (path.compare(0, sizeof PathPrefix - 1, PathPrefix) != 0)
        return false;
    return std::sscanf(path.c_str() + sizeof PathPrefix - 1, "%d:%d", &device, &collection) == 2;
}

// An answer to request `sequence`, its header written.
SimWire answerTo(uint32_t sequence, uint8_t status)
{
    SimWire answer;
    answer.putU8(SimWire::Reply);
    answer.putU32(sequence);
    answer.putU8(status);
    return answer;
}

} // namespace

DevSim::DevSim(const std::string &folder)
{
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    m_socketPath = SimWire::socketPath(folder);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (m_socketPath.size() >= sizeof address.sun_path)
        return;
    std::memcpy(address.sun_path, m_socketPath.c_str(), m_socketPath.size() + 1);
    ::unlink(m_socketPath.c_str());
    m_listener = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_listener < 0)
        return;
    if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::listen(m_listener, 64) != 0) {
        ::close(m_listener);
        m_listener = -1;
        return;
    }
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_thread = std::thread(&DevSim::serve, this);
}

DevSim::~DevSim()
{
    if (m_thread.joinable()) {
        m_stop = true;
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wake, &one, sizeof one);
        m_thread.join();
    }
    for (const auto &client : m_clients)
        ::close(client.first);
    if (m_wake >= 0)
        ::close(m_wake);
    if (m_listener >= 0) {
        ::close(m_listener);
        ::unlink(m_socketPath.c_str());
    }
}

std::string DevSim::path(int device, int collection) const
{
    return PathPrefix + std::to_string(device) + ":" + std::to_string(collection + 1);
}

HidDeviceInfo DevSim::infoOf(int device, const Device &entry, int collection) const
{
    const SimDeviceDesc &desc = *entry.desc;
    const SimCollectionDesc &c = desc.collections[static_cast<size_t>(collection)];
    HidDeviceInfo info;
    info.path = path(device, collection);
    info.vendorId = desc.vendorId;
    info.productId = desc.productId;
    info.revision = desc.revision;
    info.interfaceNumber = desc.interfaceNumber;
    info.collectionIndex = collection;
    info.collectionCount = static_cast<int>(desc.collections.size());
    info.caps = {c.usagePage, c.usage, c.inputLength, c.outputLength, c.featureLength};
    return info;
}

int DevSim::plug(SimDeviceDesc desc)
{
    return add(std::move(desc), true);
}

int DevSim::plugUsbFirst(SimDeviceDesc desc)
{
    return add(std::move(desc), false);
}

int DevSim::add(SimDeviceDesc desc, bool interfacesPresent)
{
    if (desc.collections.empty())
        desc.collections.emplace_back();
    std::lock_guard<std::mutex> guard(m_lock);
    const int id = m_nextDevice++;
    Device &entry = m_devices[id];
    entry.desc = std::make_shared<const SimDeviceDesc>(std::move(desc));
    entry.interfacesPresent = interfacesPresent;
    announce(interfacesPresent ? SimWire::Arrival : SimWire::UsbArrival, id, entry);
    return id;
}

bool DevSim::presentInterfaces(int device)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto found = m_devices.find(device);
    if (found == m_devices.end() || found->second.interfacesPresent)
        return false;
    found->second.interfacesPresent = true;
    announce(SimWire::InterfaceArrival, device, found->second);
    return true;
}

void DevSim::announce(uint8_t op, int device, const Device &entry)
{
    // A USB device without interfaces yet is announced once, by its first collection.
    const size_t count = op == SimWire::UsbArrival ? 1 : entry.desc->collections.size();
    for (const auto &client : m_clients) {
        if (client.second.role != Role::Monitor)
            continue;
        for (size_t c = 0; c < count; ++c) {
            SimWire event;
            event.putU8(op);
            event.putInfo(infoOf(device, entry, static_cast<int>(c)));
            SimWire::send(client.first, event.data(), SendTimeoutMs);
        }
    }
}

bool DevSim::unplug(int device)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto found = m_devices.find(device);
    if (found == m_devices.end())
        return false;
    announce(SimWire::Removal, device, found->second);
    for (auto &client : m_clients) {
        if ((client.second.role == Role::Control || client.second.role == Role::Stream) && client.second.device == device) {
            // The serving thread closes the descriptor once it sees the hang-up.
            ::shutdown(client.first, SHUT_RDWR);
            client.second.role = Role::Fresh;
            client.second.device = 0;
        }
    }
    m_devices.erase(found);
    return true;
}

bool DevSim::sendInput(int device, const SimBytes &report)
{
    int collection = 0;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        const auto found = m_devices.find(device);
        if (found == m_devices.end() || report.empty())
            return false;
        const auto &collections = found->second.desc->collections;
        for (size_t c = 0; c < collections.size(); ++c) {
            const auto &ids = collections[c].reportIds;
            if (std::find(ids.begin(), ids.end(), report[0]) != ids.end()) {
                collection = static_cast<int>(c);
                break;
            }
        }
    }
    return sendInput(device, collection, report);
}

bool DevSim::sendInput(int device, int collection, const SimBytes &report)
{
    std::lock_guard<std::mutex> order(m_inputOrder);
    // A reader that is not reading yet (a handle being opened) may make this wait; it must not
    // hold up the requests that let it start reading. So the streams are sent to through copies
    // of their descriptors, outside the simulator's lock (a copy stays valid if the client goes).
    std::vector<int> streams;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        const auto found = m_devices.find(device);
        if (found == m_devices.end())
            return false;
        if (found->second.fault == SimFault::Silent)
            return true;
        for (const auto &client : m_clients) {
            if (client.second.role != Role::Stream || client.second.device != device || client.second.collection != collection)
                continue;
            const int copy = ::fcntl(client.first, F_DUPFD_CLOEXEC, 0);
            if (copy >= 0)
                streams.push_back(copy);
        }
    }
    SimWire frame;
    frame.putU8(SimWire::Input);
    frame.putBytes(report);
    bool delivered = true;
    for (const int fd : streams) {
        delivered = SimWire::send(fd, frame.data(), SendTimeoutMs) && delivered;
        ::close(fd);
    }
    return delivered;
}

void DevSim::play(int device, const SimTrace &trace)
{
    auto due = std::chrono::steady_clock::now();
    for (const SimTrace::Step &step : trace.steps) {
        due += std::chrono::microseconds(step.delayUs);
        std::this_thread::sleep_until(due);
        if (!sendInput(device, step.report) && !present(device))
            return;
    }
}

void DevSim::setDisplays(std::vector<DisplayInfo> displays)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_displays = std::move(displays);
}

void DevSim::setFault(int device, SimFault fault)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto found = m_devices.find(device);
    if (found != m_devices.end())
        found->second.fault = fault;
}

std::vector<SimRecord> DevSim::records(int device) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto found = m_devices.find(device);
    return found == m_devices.end() ? std::vector<SimRecord>{} : found->second.records;
}

void DevSim::clearRecords(int device)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto found = m_devices.find(device);
    if (found != m_devices.end())
        found->second.records.clear();
}

int DevSim::openHandles(int device) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<int>(std::count_if(m_clients.begin(), m_clients.end(), [device](const auto &client) {
        return client.second.role == Role::Control && client.second.device == device;
    }));
}

int DevSim::monitors() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<int>(std::count_if(m_clients.begin(), m_clients.end(),
                                          [](const auto &client) { return client.second.role == Role::Monitor; }));
}

bool DevSim::present(int device) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_devices.count(device) != 0;
}

std::vector<int> DevSim::devices() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<int> ids;
    for (const auto &entry : m_devices)
        ids.push_back(entry.first);
    return ids;
}

void DevSim::serve()
{
    std::vector<pollfd> fds;
    SimBytes message;
    while (!m_stop) {
        fds.clear();
        fds.push_back({m_wake, POLLIN, 0});
        fds.push_back({m_listener, POLLIN, 0});
        {
            std::lock_guard<std::mutex> guard(m_lock);
            for (const auto &client : m_clients)
                fds.push_back({client.first, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0)
            continue;
        if (fds[1].revents & POLLIN)
            accept();
        for (size_t i = 2; i < fds.size(); ++i) {
            if (!fds[i].revents)
                continue;
            const int got = SimWire::receive(fds[i].fd, message, 0);
            if (got < 0)
                drop(fds[i].fd);
            else if (got > 0)
                handle(fds[i].fd, message);
        }
    }
}

void DevSim::accept()
{
    for (;;) {
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        std::lock_guard<std::mutex> guard(m_lock);
        m_clients[fd] = Client{};
    }
}

void DevSim::drop(int fd)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_clients.erase(fd);
    ::close(fd);
}

void DevSim::reply(int fd, uint32_t sequence, uint8_t status, const SimBytes &payload)
{
    SimWire answer = answerTo(sequence, status);
    answer.putBytes(payload);
    std::lock_guard<std::mutex> guard(m_lock);
    SimWire::send(fd, answer.data(), SendTimeoutMs);
}

void DevSim::handle(int fd, const SimBytes &message)
{
    SimWire request(message.data(), message.size());
    const uint8_t op = request.u8();
    const uint32_t sequence = request.u32();

    Guard guard(m_lock);
    Client &client = m_clients[fd];
    switch (op) {
    case SimWire::Enumerate:
        return answerEnumerate(fd, sequence);
    case SimWire::Displays:
        return answerDisplays(fd, sequence);
    case SimWire::Monitor:
        return subscribe(guard, fd, sequence, client);
    case SimWire::Open:
        return openHandle(guard, fd, sequence, client, request);
    case SimWire::Stream:
        return attachStream(guard, fd, sequence, client, request);
    default:
        break;
    }

    // Requests on an open handle.
    const auto found = m_devices.find(client.device);
    if (client.role != Role::Control || found == m_devices.end()) {
        guard.unlock();
        reply(fd, sequence, 1);
        return;
    }
    switch (op) {
    case SimWire::Close:
        return closeHandle(guard, fd, sequence, client);
    case SimWire::String:
        return answerString(guard, fd, sequence, found->second, request);
    default:
        return transferReport(guard, fd, sequence, op, client, found->second, request);
    }
}

void DevSim::answerEnumerate(int fd, uint32_t sequence)
{
    uint32_t count = 0;
    for (const auto &entry : m_devices)
        if (entry.second.interfacesPresent)
            count += static_cast<uint32_t>(entry.second.desc->collections.size());
    SimWire answer = answerTo(sequence, 0);
    answer.putU32(count);
    for (const auto &entry : m_devices)
        if (entry.second.interfacesPresent)
            for (size_t c = 0; c < entry.second.desc->collections.size(); ++c)
                answer.putInfo(infoOf(entry.first, entry.second, static_cast<int>(c)));
    SimWire::send(fd, answer.data(), SendTimeoutMs);
}

void DevSim::answerDisplays(int fd, uint32_t sequence)
{
    SimWire answer = answerTo(sequence, 0);
    answer.putU32(static_cast<uint32_t>(m_displays.size()));
    for (const DisplayInfo &display : m_displays)
        answer.putDisplay(display);
    SimWire::send(fd, answer.data(), SendTimeoutMs);
}

void DevSim::subscribe(Guard &guard, int fd, uint32_t sequence, Client &client)
{
    client.role = Role::Monitor;
    guard.unlock();
    reply(fd, sequence, 0);
}

void DevSim::openHandle(Guard &guard, int fd, uint32_t sequence, Client &client, SimWire &request)
{
    const std::string wanted = request.string();
    int device = 0, collection = 0;
    auto found = parsePath(wanted, device, collection) ? m_devices.find(device) : m_devices.end();
    if (found != m_devices.end() && !found->second.interfacesPresent)
        found = m_devices.end();
    if (client.role != Role::Fresh || found == m_devices.end() || found->second.fault == SimFault::RefuseOpen
        || found->second.fault == SimFault::DenyAccess || collection < 1
        || collection > static_cast<int>(found->second.desc->collections.size())) {
        const bool denied = found != m_devices.end() && found->second.fault == SimFault::DenyAccess;
        guard.unlock();
        reply(fd, sequence, denied ? SimWire::AccessDenied : 1);
        return;
    }
    client.role = Role::Control;
    client.device = device;
    client.collection = collection - 1;
    client.token = m_nextToken++;
    SimWire answer = answerTo(sequence, 0);
    answer.putU32(client.token);
    answer.putInfo(infoOf(device, found->second, client.collection));
    SimWire::send(fd, answer.data(), SendTimeoutMs);
}

void DevSim::attachStream(Guard &guard, int fd, uint32_t sequence, Client &client, SimWire &request)
{
    const uint32_t token = request.u32();
    const auto owner = std::find_if(m_clients.begin(), m_clients.end(), [token](const auto &other) {
        return other.second.role == Role::Control && other.second.token == token;
    });
    const bool ok = request.ok() && token != 0 && owner != m_clients.end() && client.role == Role::Fresh;
    if (ok) {
        client.role = Role::Stream;
        client.token = token;
        client.device = owner->second.device;
        client.collection = owner->second.collection;
    }
    guard.unlock();
    reply(fd, sequence, ok ? 0 : 1);
}

void DevSim::closeHandle(Guard &guard, int fd, uint32_t sequence, Client &client)
{
    for (auto &other : m_clients)
        if (other.second.role == Role::Stream && other.second.token == client.token)
            other.second = Client{};
    client = Client{};
    guard.unlock();
    reply(fd, sequence, 0);
}

void DevSim::answerString(Guard &guard, int fd, uint32_t sequence, const Device &device, SimWire &request)
{
    if (device.fault == SimFault::Silent)
        return;
    const std::shared_ptr<const SimDeviceDesc> desc = device.desc;
    const auto text = desc->strings.find(static_cast<int>(request.u32()));
    guard.unlock();
    if (text == desc->strings.end()) {
        reply(fd, sequence, 1);
        return;
    }
    SimBytes raw;
    for (char16_t unit : text->second) {
        raw.push_back(static_cast<uint8_t>(unit & 0xFF));
        raw.push_back(static_cast<uint8_t>(unit >> 8));
    }
    reply(fd, sequence, 0, raw);
}

void DevSim::transferReport(Guard &guard, int fd, uint32_t sequence, uint8_t op, const Client &client, Device &device,
                            SimWire &request)
{
    const std::shared_ptr<const SimDeviceDesc> desc = device.desc;
    const int id = client.device;
    const int collection = client.collection;
    const SimCollectionDesc &caps = desc->collections[static_cast<size_t>(collection)];
    const SimBytes data = request.bytes();
    // As on Windows: a report needs a report of its kind and must fit it.
    const uint16_t limit = op == SimWire::Write ? caps.outputLength : caps.featureLength;
    if (!request.ok() || data.empty() || limit == 0 || data.size() > limit
        || (op != SimWire::Write && op != SimWire::SetFeature && op != SimWire::GetFeature)) {
        guard.unlock();
        reply(fd, sequence, 1);
        return;
    }
    if (op != SimWire::GetFeature)
        device.records.push_back({op == SimWire::Write ? SimRecord::Output : SimRecord::SetFeature, collection, data});
    if (device.fault == SimFault::Silent)
        return; // received, never answered
    guard.unlock();

    const SimRequest call{*this, id, collection, data};
    if (op == SimWire::GetFeature) {
        const auto answer = desc->onGetFeature ? desc->onGetFeature(call) : std::nullopt;
        reply(fd, sequence, answer ? 0 : 1, answer ? *answer : SimBytes{});
        return;
    }
    const auto &handler = op == SimWire::Write ? desc->onOutput : desc->onSetFeature;
    reply(fd, sequence, !handler || handler(call) ? 0 : 1);
}

} // namespace platform
