#include "comm/codec/area_codec.h"

#include "comm/codec/crc16.h"
#include "comm/codec/wire_bytes.h"

#include <QtMath>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

using namespace wire;

namespace {

constexpr float kTwoPi = float(2.0 * M_PI);
constexpr int kShapeBlockSize = kAreaShapeBlockSize;
constexpr int kPointBlockSize = kAreaPointBlockSize;

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

// Bearing of a point in whole degrees, rounded to the nearest, in the record's range [-90, 270).
int nearestDegrees(double x, double y)
{
    double degrees = std::atan2(y, x) * 180.0 / M_PI;
    if (degrees < -90.0)
        degrees += 360.0;
    int whole = int(std::lround(degrees));
    return whole >= 270 ? whole - 360 : whole;
}

int wrapDegrees(int degrees)
{
    while (degrees < -90)
        degrees += 360;
    while (degrees >= 270)
        degrees -= 360;
    return degrees;
}

// The whole-degree angle near `guess` whose end point at radius is exactly p, or nothing.
bool findAngle(const QPoint &p, int radius, int guess, int *angle)
{
    for (int step : {0, -1, 1, -2, 2}) {
        const int candidate = wrapDegrees(guess + step);
        if (arcEndPoint(candidate, radius) == p) {
            *angle = candidate;
            return true;
        }
    }
    return false;
}

// Angles and radius of an arc given by its two end points in the sensor's frame. Rounding to the
// nearest keeps an arc the user drew within half a degree; among the neighbouring values, those
// that rebuild exactly these points win, so a read arc written back is read again unchanged.
ArcRecord arcFromPoints(const QPoint &a, const QPoint &b)
{
    ArcRecord arc;
    const double r = std::hypot(double(a.x()), double(a.y()));
    // Both ends lie on the record's radius: their mean is the better first guess.
    const double mean = (r + std::hypot(double(b.x()), double(b.y()))) / 2;
    arc.first = nearestDegrees(a.x(), a.y());
    arc.second = nearestDegrees(b.x(), b.y());
    arc.radius = clampUnsigned(std::llround(r));
    for (int step : {0, -1, 1, -2, 2}) {
        const int radius = clampUnsigned(std::llround(mean) + step);
        int first = 0;
        int second = 0;
        if (findAngle(a, radius, arc.first, &first) && findAngle(b, radius, arc.second, &second)) {
            arc = {first, second, radius, true};
            break;
        }
    }
    if (arc.first > arc.second)
        std::swap(arc.first, arc.second);
    return arc;
}

QPoint mirrored(const QPoint &p, bool installDir)
{
    return installDir ? QPoint(-p.x(), p.y()) : p;
}

} // namespace

// An arc keeps the record it was read with while its points are still what that record gives.
bool arcRecordHolds(const ArcRecord &read, const QVector<QPoint> &pts, bool installDir)
{
    if (!read.valid || pts.size() != 2)
        return false;
    const QPoint first = mirrored(arcEndPoint(read.first, read.radius), installDir);
    const QPoint second = mirrored(arcEndPoint(read.second, read.radius), installDir);
    return (pts[0] == first && pts[1] == second) || (pts[0] == second && pts[1] == first);
}

namespace {

void encodeArc(uchar *block, const QVector<QPoint> &pts, const ArcRecord &read, bool installDir)
{
    ArcRecord arc = read;
    if (!arcRecordHolds(read, pts, installDir)) {
        // Points beyond 32 bits cannot be drawn; the fit check refuses them before anything is sent.
        arc = arcFromPoints(mirrored(pts[0], installDir), mirrored(pts[1], installDir));
    }
    put16(block + 4, arc.first);
    put16(block + 6, arc.second);
    put16(block + 8, arc.radius);
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

QPoint arcEndPoint(int degrees, int radius)
{
    const double a = degrees * M_PI / 180.0;
    return QPoint(int(std::lround(radius * std::cos(a))), int(std::lround(radius * std::sin(a))));
}

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
                encodeArc(block, pts, area.ReadArc[j], installDir);
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
        area.ReadArc[j] = ArcRecord();
        switch (area.shape(j)) {
        case Arc: {
            // Nearest whole millimetres from the exact cosine, so that writing the points back can
            // find these angles again; the record itself is kept for an unedited write.
            const ArcRecord arc{getS16(block + 4), getS16(block + 6), getU16(block + 8), true};
            list = {mirrored(arcEndPoint(arc.first, arc.radius), installDir),
                    mirrored(arcEndPoint(arc.second, arc.radius), installDir)};
            area.ReadArc[j] = arc;
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

QVector<QPair<int, int>> pointsOnOneBearing(const QVector<QPoint> &points)
{
    QVector<QPair<int, int>> pairs;
    for (bool installDir : {false, true}) {
        std::map<float, int> seen;
        for (int i = 0; i < points.size(); ++i) {
            const qint64 x = points[i].x();
            const float bearing = sensorBearing(clampCoord(installDir ? -x : x), clampCoord(points[i].y()));
            const auto it = seen.find(bearing);
            if (it == seen.end()) {
                seen[bearing] = i;
            } else {
                const QPair<int, int> pair(it->second, i);
                if (!pairs.contains(pair))
                    pairs << pair;
            }
        }
    }
    return pairs;
}

QVector<AreaFitProblem> checkAreasFit(const QVector<AREA_DATA> &areas, int rangeLimit)
{
    QVector<AreaFitProblem> problems;
    for (int i = 0; i < areas.size() && i < kAreaCount; ++i) {
        for (int j = 0; j < kOutputCount; ++j) {
            const QVector<QPoint> &pts = areas[i].coord(j);
            bool seen[AreaFitProblem::BeyondRange + 1] = {};
            auto report = [&](AreaFitProblem::Kind kind, qint64 value) {
                if (!seen[kind])
                    problems.append({i, j, kind, value, QPoint(), QPoint()});
                seen[kind] = true;
            };
            switch (areas[i].shape(j)) {
            case Arc:
                if (pts.size() != 0 && pts.size() != 2) {
                    report(AreaFitProblem::ArcPointCount, pts.size());
                } else if (pts.size() == 2) {
                    const qint64 r = std::llround(std::hypot(double(pts[0].x()), double(pts[0].y())));
                    if (r > 65535)
                        report(AreaFitProblem::RadiusTooLarge, r);
                    else if (r > rangeLimit)
                        report(AreaFitProblem::BeyondRange, r);
                }
                break;
            case Straight:
            case Fan:
            case Ratio:
                if (!pts.isEmpty() && (pts.first().y() < 0 || pts.first().y() > 65535))
                    report(AreaFitProblem::BadParameter, pts.first().y());
                break;
            default:
                if (pts.size() > kAreaPointSlots)
                    report(AreaFitProblem::TooManyPoints, pts.size());
                for (const QPair<int, int> &pair : pointsOnOneBearing(pts)) {
                    AreaFitProblem problem{
                        i, j, AreaFitProblem::OneBearing, 0, pts[pair.first], pts[pair.second]};
                    problems.append(problem);
                }
                for (const QPoint &p : pts) {
                    // x is negated for a reversed mounting, so -32768 has no mirror image.
                    if (qAbs(qint64(p.x())) > 32767)
                        report(AreaFitProblem::BeyondWire, p.x());
                    else if (p.y() < -32768 || p.y() > 32767)
                        report(AreaFitProblem::BeyondWire, p.y());
                    const qint64 d = std::llround(std::hypot(double(p.x()), double(p.y())));
                    if (d > rangeLimit)
                        report(AreaFitProblem::BeyondRange, d);
                }
                break;
            }
        }
    }
    return problems;
}

namespace {

// A polygon's or rectangle's points as the sensor sweeps them: the count's first slots in bearing
// order (none for a count the reader takes as empty).
QVector<QPoint> sweptPoints(const uchar *block, const uchar *points)
{
    const int n = getU16(block + kShapeCount);
    QVector<QPoint> list;
    for (int k = 0; k < n && n <= kAreaPointSlots; ++k)
        list.append(QPoint(getS16(points + 4 * k), getS16(points + 4 * k + 2)));
    std::sort(list.begin(), list.end(), [](const QPoint &a, const QPoint &b) {
        const float ba = sensorBearing(a.x(), a.y()), bb = sensorBearing(b.x(), b.y());
        if (ba != bb)
            return ba < bb;
        return a.x() != b.x() ? a.x() < b.x() : a.y() < b.y();
    });
    return list;
}

bool sameBytes(const uchar *a, const uchar *b, int from, int to)
{
    return std::memcmp(a + from, b + from, size_t(to - from)) == 0;
}

} // namespace

AreaRecordComparison compareAreaRecords(const uchar *expected, const uchar *actual)
{
    AreaRecordComparison c;
    for (int f = 0; f < 4; ++f)
        if (!sameBytes(expected, actual, kAreaZoneParameters + 2 * f, kAreaZoneParameters + 2 * f + 2))
            c.zoneParameters << f;
    for (int j = 0; j < kOutputCount; ++j) {
        const uchar *eb = expected + kAreaShapeBlock + kShapeBlockSize * j;
        const uchar *ab = actual + kAreaShapeBlock + kShapeBlockSize * j;
        const uchar *ep = expected + kAreaPointBlock + kPointBlockSize * j;
        const uchar *ap = actual + kAreaPointBlock + kPointBlockSize * j;
        if (sameBytes(eb, ab, 0, kShapeBlockSize) && sameBytes(ep, ap, 0, kPointBlockSize))
            continue;
        const int type = eb[kShapeType + 1];
        bool meaningDiffers = eb[kShapeType + 1] != ab[kShapeType + 1];
        bool pointsDiffer = false;
        if (!meaningDiffers) {
            switch (type) {
            case Arc: meaningDiffers = !sameBytes(eb, ab, kArcFirstAngle, kArcRadius + 2); break;
            case Straight: meaningDiffers = !sameBytes(eb, ab, kStraightValue, kStraightValue + 2); break;
            case Fan: meaningDiffers = !sameBytes(eb, ab, kFanValue, kFanValue + 2); break;
            case Ratio: meaningDiffers = !sameBytes(eb, ab, kRatioValue, kRatioValue + 2); break;
            case Polygon:
            case Rectangle:
                pointsDiffer = !sameBytes(eb, ab, kShapeCount, kShapeCount + 2) ||
                               sweptPoints(eb, ep) != sweptPoints(ab, ap);
                break;
            default: meaningDiffers = !sameBytes(eb, ab, 0, kShapeBlockSize); break;
            }
        }
        if (meaningDiffers)
            c.shapes << j;
        else if (pointsDiffer)
            c.points << j;
        else
            c.notes << j;
    }
    return c;
}
