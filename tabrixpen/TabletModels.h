#pragma once

#include <cstdint>
#include <map>
#include <string>

// The supported tablets: model code -> hardware id "HID\VID_vvvv&PID_pppp&REV_0000&MI_02".
class TabletModels {
public:
    static constexpr uint16_t VendorId = 0x2B57;

    static const std::map<int, std::string> &table();
    static uint16_t productIdOf(int modelCode);

    // Models with a writing surface that the clear-surface report erases.
    static bool hasWritingSurface(const char *productName);
};
