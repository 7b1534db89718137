#include "area/store/device_type.h"

namespace {
const DeviceInfo kDevices[] = {
    {Laser05, 12000, 6000, 70, "KDR_VKT_05", ".VKT05", "VKT-05xx"},
    {Laser10, 24000, 12000, 30, "KDR_VKT_10", ".VKT10", "VKT-10xx"},
    {Laser20, 48000, 24000, -20, "KDR_VKT_20", ".VKT20", "VKT-20xx"},
    {Laser30, 72000, 36000, -55, "KDR_VKT_30", ".VKT30", "VKT-30xx"},
    {Laser50, 120000, 60000, -90, "KDR_VKT_50", ".VKT50", "VKT-50xx"},
};
}

const DeviceInfo *deviceInfo(int code)
{
    if (code < 0 || code >= int(sizeof kDevices / sizeof kDevices[0]))
        return nullptr;
    return &kDevices[code];
}
