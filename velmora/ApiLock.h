#pragma once

#include <string>

// The lock that serialises the pad exports between every process that loads the library: an
// exclusive flock on a lock file shared by all local users. Held from construction to destruction;
// the system drops it when the holder dies.
class ApiLock
{
public:
    ApiLock();
    ~ApiLock();
    ApiLock(const ApiLock&) = delete;
    ApiLock& operator=(const ApiLock&) = delete;

    bool held() const { return m_fd >= 0; }

    // "/run/lock/KMB_PDX_LOCKED_PAD_MUTEX", or in /tmp where /run/lock is missing.
    static std::string lockFilePath();

private:
    int m_fd = -1;
};
