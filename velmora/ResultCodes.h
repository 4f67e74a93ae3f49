#pragma once

#include <string>

// The 10-character result codes with their GBK messages, shared with the library's callers.
namespace ResultCodes {

enum Key {
    Success = 0,
    Custom = 1,
    NotSigned = 0x100001,
    ImageSaveFailed = 0x100003,
    OutOfRange = 0x100007,
    NotStarted = 0x10000B,
};

struct Row
{
    std::string code;
    std::string message;  // GBK
};

// A key outside the table gives the "DRV0000001" row.
Row row(int key);

// Logs "Return Value: 0x%08X" with the key, then fills both buffers (11 and 1024 bytes, always
// NUL-terminated) when both are given.
void setResultCode(int key, char* pchErrCode, char* pchError);

}
