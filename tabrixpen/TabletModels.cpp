#include "TabletModels.h"

#include <cstdio>
#include <cstring>

namespace {

// Plain constant data: the tablet object is built while the library loads, before any
// dynamically initialised table of this file would be.
struct ModelRow {
    int code;
    uint16_t productId;
};
constexpr ModelRow ProductIds[] = {
    {1000, 0x0100}, {1001, 0x0101}, {1002, 0x0102}, {1003, 0x0103}, {1004, 0x0104},
    {1005, 0x0105}, {1006, 0x0106}, {1007, 0x0107}, {1008, 0x0108},
    {2001, 0x0201}, {2002, 0x0202}, {2003, 0x0203}, {2004, 0x0204}, {2005, 0x0205},
};

const char *const SurfaceModels[] = {"Tabrix Slate 10", "Tabrix Slate 12"};

} // namespace

const std::map<int, std::string> &TabletModels::table()
{
    static const std::map<int, std::string> models = [] {
        std::map<int, std::string> rows;
        for (const ModelRow &row : ProductIds) {
            char id[48];
            std::snprintf(id, sizeof id, "HID\\VID_%04X&PID_%04X&REV_0000&MI_02", VendorId, row.productId);
            rows.emplace(row.code, id);
        }
        return rows;
    }();
    return models;
}

uint16_t TabletModels::productIdOf(int modelCode)
{
    for (const ModelRow &row : ProductIds)
        if (row.code == modelCode)
            return row.productId;
    return 0;
}

bool TabletModels::hasWritingSurface(const char *productName)
{
    for (const char *name : SurfaceModels)
        if (std::strcmp(productName, name) == 0)
            return true;
    return false;
}
