#include "sim/SimModelCatalog.h"

#include "sim/SimSignaturePadModel.h"
#include "sim/SimTabletModel.h"

#include <functional>
#include <utility>

namespace platform {

namespace {

using Factory = std::function<SimDeviceDesc()>;

const std::vector<std::pair<std::string, Factory>> &catalog()
{
    static const std::vector<std::pair<std::string, Factory>> rows = {
        {"tablet", [] { return SimTabletModel().desc(); }},
        {"tablet-wide", [] {
             SimTabletModel model;
             model.productId = 0x0201;
             model.inputLength = 13;
             model.maxX = 86000;
             model.maxY = 48400;
             model.productName = u"Tabrix Pen Display 16";
             return model.desc();
         }},
        {"slate", [] {
             SimTabletModel model;
             model.productId = 0x0104;
             model.productName = u"Tabrix Slate 10";
             return model.desc();
         }},
        {"pen-display", [] {
             SimTabletModel model;
             model.productId = 0x0202;
             model.inputLength = 13;
             model.maxX = 59500;
             model.maxY = 33500;
             model.productName = u"Tabrix Pen Display 13";
             return model.desc();
         }},
        // An unrelated device: its arrival and removal are USB events like any other, and no
        // library of ours recognises it.
        {"memory-stick", [] {
             SimDeviceDesc desc;
             desc.vendorId = 0x0951;
             desc.productId = 0x1666;
             return desc;
         }},
        {"signature-pad", [] { return SimSignaturePadModel().desc(); }},
        {"signature-pad-reports", [] { return SimSignaturePadModel(SimSignaturePadModel::Channel::Report).desc(); }},
    };
    return rows;
}

} // namespace

std::vector<std::string> SimModelCatalog::names()
{
    std::vector<std::string> result;
    for (const auto &row : catalog())
        result.push_back(row.first);
    return result;
}

std::optional<SimDeviceDesc> SimModelCatalog::make(const std::string &name)
{
    for (const auto &row : catalog())
        if (row.first == name) {
            SimDeviceDesc desc = row.second();
            desc.name = name;
            return desc;
        }
    return std::nullopt;
}

} // namespace platform
