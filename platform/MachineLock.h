#pragma once

#include <string>

namespace platform {

// An exclusive lock shared by every process of the machine, whoever runs it: a flock on a file
// of the given name in the system's lock folder. Held from construction to destruction; the
// system drops it when the holder dies. Separate objects exclude each other, also within one
// process.
class MachineLock {
public:
    explicit MachineLock(const std::string &name);
    ~MachineLock();
    MachineLock(const MachineLock &) = delete;
    MachineLock &operator=(const MachineLock &) = delete;

    bool held() const { return m_fd >= 0; }

    // "/run/lock/NAME", or in /tmp where /run/lock is missing or not writable.
    static std::string pathFor(const std::string &name);

private:
    int m_fd = -1;
};

} // namespace platform
