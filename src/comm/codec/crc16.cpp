#include "comm/codec/crc16.h"

#include <QtEndian>
#include <cstring>

namespace {

// Table k gives the register change of a byte followed by k zero bytes, so eight bytes are folded in
// at once (slicing by eight); table 0 alone is the classic byte-at-a-time table.
struct Tables {
    quint16 t[8][256];
    constexpr Tables() : t{}
    {
        for (int b = 0; b < 256; ++b) {
            quint16 r = quint16(b);
            for (int i = 0; i < 8; ++i)
                r = (r & 1) ? quint16((r >> 1) ^ 0xA001) : quint16(r >> 1);
            t[0][b] = r;
        }
        for (int k = 1; k < 8; ++k)
            for (int b = 0; b < 256; ++b)
                t[k][b] = quint16((t[k - 1][b] >> 8) ^ t[0][t[k - 1][b] & 0xFF]);
    }
};

constexpr Tables kTables;

} // namespace

quint16 crc16Modbus(const uchar *data, int len, quint16 seed)
{
    const auto &t = kTables.t;
    quint32 r = seed;
    int i = 0;
    for (; i + 8 <= len; i += 8) {
        quint32 lo, hi;
        std::memcpy(&lo, data + i, 4);
        std::memcpy(&hi, data + i + 4, 4);
        lo = qFromLittleEndian(lo) ^ r;
        hi = qFromLittleEndian(hi);
        r = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
            t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
    }
    for (; i < len; ++i)
        r = (r >> 8) ^ t[0][(r ^ data[i]) & 0xFF];
    return quint16(r);
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

quint32 crc32Ieee(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char c : bytes) {
        crc ^= quint8(c);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1u) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}
