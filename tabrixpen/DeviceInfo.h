#pragma once

#include "TabrixPen.h"

#include <cstdint>
#include <string>

class HidDeviceFile;

// Reads a tablet's ranges, serial and product name from its indexed strings 20, 3 and 2 into
// `context` (zeroed first). False when the range string cannot be read.
bool readDeviceInfo(HidDeviceFile &file, TABLET_CONTEXT &context);

// The serial text for the tablet's product id, from the first 16 units of string 3.
std::string formatSerial(uint16_t productId, const char16_t (&units)[16]);
