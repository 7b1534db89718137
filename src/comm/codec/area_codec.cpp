#include "comm/codec/area_codec.h"

#include "comm/codec/crc16.h"
#include "comm/codec/wire_bytes.h"

#include <QtMath>
#include <cmath>
#include <cstring>
#include <map>

using namespace wire;

namespace {

constexpr float kTwoPi = float(2.0 * M_PI);
constexpr int kShapeBlockSize = 16;
constexpr int kPointBlockSize = 4 * kAreaPointSlots;

// Coordinates beyond the 16-bit wire range are pinned to its edge: wrapping would put a point on the
// opposite side of the sensor.
int clampCoord(qint64 v)
{
    return int(qBound<qint64>(-32768, v, 32767));
}

// Radius and shape parameters are read back unsigned.
int clampUnsigned(qint64 v)
{
    return int(qBound<qint64>(0, v, 65535));
}

// Whole degrees, truncated toward zero. Single-precision bearings of whole-degree directions land a
// few 1e-5 degrees off (-45 comes out as -44.99999); without the snap such an arc end would move by a
// whole degree on the wire.
int truncDegrees(float radians)
{
    double degrees = double(radians * 57.29578f);
    const double nearest = std::round(degrees);
    if (std::abs(degrees - nearest) < 1e-3)
        degrees = nearest;
    return int(degrees);
}

void encodeArc(uchar *block, const QVector<QPoint> &pts, bool installDir)
{
    float angle[2];
    double radius[2];
    for (int i = 0; i < 2; ++i) {
        const qint64 x = installDir ? -qint64(pts[i].x()) : qint64(pts[i].x());
        const qint64 y = pts[i].y();
        angle[i] = std::atan2(float(y), float(x)) + kTwoPi;
        if (angle[i] >= 4.712389f)
            angle[i] -= kTwoPi;
        radius[i] = std::sqrt(double(x) * double(x) + double(y) * double(y));
    }
    const float lo = qMin(angle[0], angle[1]);
    const float hi = qMax(angle[0], angle[1]);
    put16(block + 4, truncDegrees(lo));
    put16(block + 6, truncDegrees(hi));
    put16(block + 8, clampUnsigned(qint64(radius[0])));
}

void encodeSweep(uchar *points, const QVector<QPoint> &pts, bool installDir)
{
    // Ordered by bearing; a later point on the same bearing replaces the earlier one.
    std::map<float, QPoint> byAngle;
    for (const QPoint &p : pts) {
        const int x = clampCoord(installDir ? -qint64(p.x()) : qint64(p.x()));
        const int y = clampCoord(p.y());
        byAngle[sensorBearing(x, y)] = QPoint(x, y);
    }
    int slot = 0;
    for (const auto &entry : byAngle) {
        if (slot == kAreaPointSlots)
            break; // the block holds 100 points; anything more would spill into the next output
        put16(points + 4 * slot, entry.second.x());
        put16(points + 4 * slot + 2, entry.second.y());
        ++slot;
    }
}

} // namespace

float sensorBearing(int x, int y)
{
    float a = std::atan2(float(y), float(x)) + kTwoPi;
    if (a >= 4.712389f)
        a -= kTwoPi;
    return a;
}

void encodeAreaRecord(uchar *frame, const char *code, int areaIndex, const AREA_DATA &area, bool installDir)
{
    std::memset(frame, 0, kAreaRecordLength);
    std::memcpy(frame, code, 5);
    frame[5] = uchar(areaIndex & 0xFF);
    put16(frame + 6, area.OpenDelay);
    put16(frame + 8, area.CloseDelay);
    put16(frame + 10, area.Hysteresis);
    put16(frame + 12, area.DetectionSize);
    for (int j = 0; j < kOutputCount; ++j) {
        uchar *block = frame + kAreaShapeBlock + kShapeBlockSize * j;
        uchar *points = frame + kAreaPointBlock + kPointBlockSize * j;
        const QVector<QPoint> &pts = area.coord(j);
        const int type = area.shape(j);
        put16(block, type);
        // The reader takes a count above 100 as "no points"; 100 is what the block can carry.
        put16(block + 2, qMin(pts.size(), kAreaPointSlots));
        switch (type) {
        case Arc:
            if (pts.size() == 2)
                encodeArc(block, pts, installDir);
            break;
        case Straight:
        case Fan:
        case Ratio:
            if (!pts.isEmpty()) {
                const int v = clampUnsigned(pts.first().y());
                put16(block + 10, v);
                put16(block + 12, v);
                put16(block + 14, v);
            }
            break;
        case Polygon:
        case Rectangle: encodeSweep(points, pts, installDir); break;
        default: break;
        }
    }
    crc16Append(frame, kAreaRecordLength - 2);
}

int decodeAreaRecord(const uchar *frame, AREA_DATA &area, bool installDir)
{
    area.OpenDelay = getU16(frame + 6);
    area.CloseDelay = getU16(frame + 8);
    area.Hysteresis = getU16(frame + 10);
    area.DetectionSize = getU16(frame + 12);
    for (int j = 0; j < kOutputCount; ++j) {
        const uchar *block = frame + kAreaShapeBlock + kShapeBlockSize * j;
        const uchar *points = frame + kAreaPointBlock + kPointBlockSize * j;
        const int type = block[1];
        if (type <= Ratio)
            area.shape(j) = type;
        QVector<QPoint> &list = area.coord(j);
        switch (area.shape(j)) {
        case Arc: {
            list.clear();
            const int r = getU16(block + 8);
            for (int k = 0; k < 2; ++k) {
                const qreal rad = getS16(block + 4 + 2 * k) * 0.017453292;
                const int x = int(r * qFastCos(rad));
                const int y = int(r * qFastSin(rad));
                list.append(QPoint(installDir ? -x : x, y));
            }
            break;
        }
        case Straight: list = {QPoint(0, getU16(block + 10))}; break;
        case Fan: list = {QPoint(0, getU16(block + 12))}; break;
        case Ratio: list = {QPoint(0, getU16(block + 14))}; break;
        case Polygon:
        case Rectangle: {
            list.clear();
            const int n = getU16(block + 2);
            if (n >= 1 && n <= kAreaPointSlots) {
                list.reserve(n);
                for (int k = 0; k < n; ++k) {
                    const int x = getS16(points + 4 * k);
                    list.append(QPoint(installDir ? -x : x, getS16(points + 4 * k + 2)));
                }
            }
            break;
        }
        default: break;
        }
    }
    return frame[5];
}
