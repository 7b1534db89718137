#pragma once

#include <QtGlobal>

// Byte helpers of the wire format: payload values are big-endian, "HISN" points little-endian.
namespace wire {

inline void put16(uchar *p, int v)
{
    p[0] = uchar((v >> 8) & 0xFF);
    p[1] = uchar(v & 0xFF);
}
inline quint16 getU16(const uchar *p)
{
    return quint16((p[0] << 8) | p[1]);
}
inline qint16 getS16(const uchar *p)
{
    return qint16(getU16(p));
}
inline quint16 getU16le(const uchar *p)
{
    return quint16(p[0] | (p[1] << 8));
}
inline void put16le(uchar *p, int v)
{
    p[0] = uchar(v & 0xFF);
    p[1] = uchar((v >> 8) & 0xFF);
}

} // namespace wire
