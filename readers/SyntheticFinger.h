#pragma once

#include <cstdint>
#include <vector>

// A generated fingerprint: dark ridges of about 8 pixels period flowing round a core inside an
// oval finger area on a white background. Each `finger` number gives another ridge flow; each
// `frame` number moves the finger by a pixel or two and changes the sensor noise, as a finger
// that is put down again would.
class SyntheticFinger
{
public:
    static std::vector<std::uint8_t> frame(int width, int height, int finger, unsigned frame);
};
