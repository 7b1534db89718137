#pragma once

// Teaching a zone from the live scan: several revolutions are gathered, each beam's distance is
// combined over them (average or minimum; no echo and anything beyond the range count as the range
// limit), the contour is pulled in by the distance offset so the walls themselves never lie in the
// zone, and the outline is reduced to what a zone can hold. No widgets: the teaching tab drives it,
// the tests and the benchmark call it directly.

#include "comm/codec/scan_data.h"

#include <QObject>
#include <QPoint>
#include <QVector>

namespace teach {

enum class Method { Average = 0, Minimum = 1 };

// One revolution as the scan store holds it: beam i looks along firstBearing + step * i degrees
// (counter-clockwise from +X); distance 0 is no echo.
struct Revolution {
    QVector<quint16> distance;
    double firstBearing = 0;
    double step = 0;
};

// Beam bearings of the revolution the store holds now, as the scan overlay draws them.
Revolution currentRevolution(const SCAN_DATA &scan);

struct Settings {
    double fromDegrees = -70; // the range, either way round
    double toDegrees = 250;
    Method method = Method::Average;
    int offsetMm = 0;
    bool simplify = false;
    int toleranceMm = 50; // simplify: every taught point stays this close to the outline
    int rangeLimit = kDefaultRangeLimit;
};

// The smallest radius a taught point is given: where the offset would reach the sensor itself.
constexpr int kMinimumRadiusMm = 20;

// Per beam, the distance combined over the revolutions (all of the same beam count).
QVector<double> combine(const QVector<Revolution> &revolutions, Method method, int rangeLimit);

// Radius per beam after the offset: at most distance - offset along the beam, and at least offset
// away from every measured point of the revolution (a wall seen at a slant stays as far away as one
// seen straight on). bearings in radians.
QVector<double> pullIn(const QVector<double> &distance, const QVector<double> &bearings, double offset);

// Indices of the points kept (first and last always): the fewest, added where the outline strays
// farthest, until every point lies within tolerance of the polyline through the kept ones, or
// maxPoints are kept.
QVector<int> simplify(const QVector<QPointF> &points, double tolerance, int maxPoints);
// maxPoints indices spread evenly over count points (all of them when there are fewer).
QVector<int> thinEvenly(int count, int maxPoints);

// The taught zone's points in bearing order; the zone closes through the sensor at both ends of the
// range. Empty when no beam lies within the range.
QVector<QPoint> teachZone(const QVector<Revolution> &revolutions, const Settings &settings);

// Copies revolutions out of the scan store as they complete (connect revolutionArrived to the
// exchange's scan signal) until the number asked for is gathered. A change of beam count (another
// angular resolution) starts the gathering over.
class Gatherer : public QObject {
    Q_OBJECT
public:
    explicit Gatherer(const SCAN_DATA *scan, QObject *parent = nullptr) : QObject(parent), Scan(scan) {}

    void start(int revolutions);
    void cancel();
    bool running() const { return Wanted > 0; }
    const QVector<Revolution> &revolutions() const { return Gathered; }

public slots:
    void revolutionArrived();

signals:
    void Progress(int gathered, int wanted);
    void Finished();

private:
    const SCAN_DATA *Scan;
    int Wanted = 0;
    QVector<Revolution> Gathered;
};

} // namespace teach
