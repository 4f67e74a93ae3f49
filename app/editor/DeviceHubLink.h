#pragma once

// The editor's calls into the device hub. The hub is not part of the program yet; once it is,
// these three forward to DeviceController::instance() (endSignature, setPenColor, setPenSize)
// and this class goes away.
class DeviceHubLink
{
public:
    static void endSignature();
    static void setPenColor(int red, int green, int blue);
    static void setPenSize(int minimum, int maximum);
};
