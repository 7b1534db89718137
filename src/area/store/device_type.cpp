#include "area/store/device_type.h"

namespace {
const DeviceInfo kDevices[] = {
    {Laser05, 12000, 6000, 70, "KDR_VKT_05", ".VKT05"},
    {Laser10, 24000, 12000, 30, "KDR_VKT_10", ".VKT10"},
    {Laser20, 48000, 24000, -20, "KDR_VKT_20", ".VKT20"},
    {Laser30, 72000, 36000, -55, "KDR_VKT_30", ".VKT30"},
    {Laser50, 120000, 60000, -90, "KDR_VKT_50", ".VKT50"},
};
}

const DeviceInfo *deviceInfo(int code)
{
    if (code < 0 || code >= int(sizeof kDevices / sizeof kDevices[0]))
        return nullptr;
    return &kDevices[code];
}
