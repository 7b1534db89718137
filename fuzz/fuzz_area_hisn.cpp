// The area record decoder and the "HISN" revolution assembly. Input: one flags byte (bit 0 install
// direction), then bytes used both as an area record (padded to its 1264 bytes) and as a stream of
// scan packets fed in one go and again byte by byte.
#include "comm/codec/codec.h"

#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const bool installDir = data[0] & 1;
    const QByteArray body(reinterpret_cast<const char *>(data + 1), int(size - 1));

    QByteArray record = body.left(kAreaRecordLength);
    record.append(QByteArray(kAreaRecordLength - record.size(), '\0'));
    AREA_DATA area;
    decodeAreaRecord(reinterpret_cast<const uchar *>(record.constData()), area, installDir);
    for (int output = 0; output < kOutputCount; ++output)
        if (area.coord(output).size() > kAreaPointSlots)
            __builtin_trap();
    // What was read writes back inside its record.
    TxFrame tx;
    buildAreaReply(tx, areaIndexOfRecord(reinterpret_cast<const uchar *>(record.constData())) & 63, area,
                   installDir);

    static auto scan = std::make_unique<SCAN_DATA>();
    *scan = SCAN_DATA();
    HisnAssembly state;
    QByteArray rx = body;
    extractHisn(rx, *scan, state, kDefaultRangeLimit);
    state.reset();
    rx.clear();
    for (char c : body) {
        rx.append(c);
        extractHisn(rx, *scan, state, kDefaultRangeLimit);
        if (scan->EtherIndex < 0 || scan->EtherIndex >= kEtherRing || scan->EtherCount > kEtherRing)
            __builtin_trap();
    }
    return 0;
}
