#pragma once

#include "platform/MachineLock.h"

#include <string>

// The lock that serialises the pad exports between every process that loads the library.
class ApiLock : public platform::MachineLock
{
public:
    static constexpr const char* Name = "KMB_PDX_LOCKED_PAD_MUTEX";

    ApiLock() : MachineLock(Name) {}

    static std::string lockFilePath() { return pathFor(Name); }
};
