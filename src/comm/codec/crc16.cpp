#include "comm/codec/crc16.h"

#include <array>

namespace {

// One table entry per byte value: the register change of eight shift/XOR steps.
constexpr std::array<quint16, 256> makeTable()
{
    std::array<quint16, 256> t{};
    for (int b = 0; b < 256; ++b) {
        quint16 r = quint16(b);
        for (int i = 0; i < 8; ++i)
            r = (r & 1) ? quint16((r >> 1) ^ 0xA001) : quint16(r >> 1);
        t[size_t(b)] = r;
    }
    return t;
}

constexpr std::array<quint16, 256> kTable = makeTable();

} // namespace

quint16 crc16Modbus(const uchar *data, int len, quint16 seed)
{
    quint16 r = seed;
    for (int i = 0; i < len; ++i)
        r = quint16((r >> 8) ^ kTable[(r ^ data[i]) & 0xFF]);
    return r;
}

quint16 crc16Modbus(const QByteArray &bytes)
{
    return crc16Modbus(reinterpret_cast<const uchar *>(bytes.constData()), bytes.size());
}

void crc16Append(uchar *frame, int covered)
{
    const quint16 c = crc16Modbus(frame, covered);
    frame[covered] = uchar(c & 0xFF);
    frame[covered + 1] = uchar(c >> 8);
}

bool crc16Verify(const uchar *frame, int covered)
{
    const quint16 c = crc16Modbus(frame, covered);
    return frame[covered] == uchar(c & 0xFF) && frame[covered + 1] == uchar(c >> 8);
}
