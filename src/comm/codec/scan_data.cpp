#include "comm/codec/scan_data.h"

SCAN_DATA &ScanData()
{
    static SCAN_DATA data;
    return data;
}
