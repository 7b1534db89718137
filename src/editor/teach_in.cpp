#include "editor/teach_in.h"

#include "area/store/project_data.h"

#include <QPointF>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <queue>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace teach {

Revolution currentRevolution(const SCAN_DATA &scan)
{
    Revolution r;
    if (scan.ConnectType == 0) {
        r.distance = QVector<quint16>(scan.SerialDistance, scan.SerialDistance + kSerialBeams);
        r.firstBearing = 250.0;
        r.step = -0.5;
    } else if (scan.ConnectType == 1 && scan.EtherCount > 0 && scan.EtherCount <= kEtherRing) {
        const int n = scan.EtherCount;
        r.distance = QVector<quint16>(scan.EtherDistance, scan.EtherDistance + n);
        r.firstBearing = scan.InstallDir ? 250.0 : -70.0;
        r.step = (scan.InstallDir ? -320.0 : 320.0) / n;
    }
    return r;
}

QVector<double> combine(const QVector<Revolution> &revolutions, Method method, int rangeLimit)
{
    if (revolutions.isEmpty())
        return {};
    const int n = revolutions[0].distance.size();
    const double limit = rangeLimit;
    QVector<double> out(n, method == Method::Minimum ? limit : 0.0);
    int used = 0;
    for (const Revolution &r : revolutions) {
        if (r.distance.size() != n)
            continue;
        ++used;
        const quint16 *d = r.distance.constData();
        double *o = out.data();
        for (int i = 0; i < n; ++i) {
            const double v = (d[i] == 0 || d[i] > rangeLimit) ? limit : double(d[i]);
            if (method == Method::Minimum)
                o[i] = std::min(o[i], v);
            else
                o[i] += v;
        }
    }
    if (method == Method::Average && used > 0)
        for (double &v : out)
            v /= used;
    return out;
}

namespace {

// The nearest the edge of beam (ci, si) may come, given the points [from, to): each point j within
// the offset of the beam's line, ahead of the sensor, keeps the edge `offset` away from it. Single
// precision (a hundredth of a millimetre at 65 m) so four points go at once.
float nearestAllowed(const float *r, const float *c, const float *s, int from, int to, float ci, float si,
                     float o2, float t)
{
    int j = from;
#ifdef __SSE2__
    const __m128 vci = _mm_set1_ps(ci), vsi = _mm_set1_ps(si), vo2 = _mm_set1_ps(o2), zero = _mm_setzero_ps();
    const __m128 none = _mm_set1_ps(HUGE_VALF);
    __m128 best = _mm_set1_ps(t);
    for (; j + 4 <= to; j += 4) {
        const __m128 vr = _mm_loadu_ps(r + j), vc = _mm_loadu_ps(c + j), vs = _mm_loadu_ps(s + j);
        const __m128 along = _mm_mul_ps(vr, _mm_add_ps(_mm_mul_ps(vc, vci), _mm_mul_ps(vs, vsi)));
        const __m128 perp = _mm_mul_ps(vr, _mm_sub_ps(_mm_mul_ps(vs, vci), _mm_mul_ps(vc, vsi)));
        const __m128 room = _mm_sub_ps(vo2, _mm_mul_ps(perp, perp));
        const __m128 near = _mm_and_ps(_mm_cmpgt_ps(room, zero), _mm_cmpgt_ps(along, zero));
        const __m128 edge = _mm_sub_ps(along, _mm_sqrt_ps(_mm_max_ps(room, zero)));
        best = _mm_min_ps(best, _mm_or_ps(_mm_and_ps(near, edge), _mm_andnot_ps(near, none)));
    }
    float lanes[4];
    _mm_storeu_ps(lanes, best);
    t = std::min(std::min(lanes[0], lanes[1]), std::min(lanes[2], lanes[3]));
#endif
    for (; j < to; ++j) {
        const float along = r[j] * (c[j] * ci + s[j] * si);
        const float perp = r[j] * (s[j] * ci - c[j] * si);
        const float room = o2 - perp * perp;
        if (room > 0 && along > 0)
            t = std::min(t, along - std::sqrt(room));
    }
    return t;
}

} // namespace

QVector<double> pullIn(const QVector<double> &d, const QVector<double> &bearings, double o)
{
    const int n = d.size();
    QVector<double> out(n);
    if (o <= 0) {
        for (int i = 0; i < n; ++i)
            out[i] = std::max(d[i], double(kMinimumRadiusMm));
        return out;
    }
    // Points nearer than the offset to the sensor cannot be kept clear of at all; they are left out
    // (radius 0) and their beams end at the smallest radius.
    constexpr int kBlock = 32;
    const int blocks = (n + kBlock - 1) / kBlock;
    QVector<float> r(n), c(n), s(n);
    QVector<double> blockMin(blocks, HUGE_VAL), blockLo(blocks, HUGE_VAL), blockHi(blocks, -HUGE_VAL);
    double globalMin = HUGE_VAL;
    for (int j = 0; j < n; ++j) {
        c[j] = float(std::cos(bearings[j]));
        s[j] = float(std::sin(bearings[j]));
        const int b = j / kBlock;
        blockLo[b] = std::min(blockLo[b], bearings[j]);
        blockHi[b] = std::max(blockHi[b], bearings[j]);
        r[j] = d[j] > o ? float(d[j]) : 0.0f;
        if (d[j] > o) {
            blockMin[b] = std::min(blockMin[b], d[j]);
            globalMin = std::min(globalMin, d[j]);
        }
    }
    const float o2 = float(o * o);
    for (int i = 0; i < n; ++i) {
        float t = float(d[i] - o);
        const double bi = bearings[i];
        auto visit = [&](int b) {
            // Bearing gap from this beam to the block: far blocks cannot come within the offset.
            const double gap = (bi >= blockLo[b] && bi <= blockHi[b])
                                   ? 0.0
                                   : std::min(std::fabs(bi - blockLo[b]), std::fabs(bi - blockHi[b]));
            if (gap >= M_PI / 2 || globalMin * std::sin(gap) >= o)
                return false;
            if (blockMin[b] * std::sin(gap) < o)
                t = nearestAllowed(r.constData(), c.constData(), s.constData(), b * kBlock,
                                   std::min(n, (b + 1) * kBlock), c[i], s[i], o2, t);
            return true;
        };
        const int home = i / kBlock;
        for (int b = home; b >= 0 && visit(b); --b) {
        }
        for (int b = home + 1; b < blocks && visit(b); ++b) {
        }
        out[i] = std::max(double(t), double(kMinimumRadiusMm));
    }
    return out;
}

namespace {

double segmentDistance(const QPointF &p, const QPointF &a, const QPointF &b)
{
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double len2 = dx * dx + dy * dy;
    double u = len2 > 0 ? ((p.x() - a.x()) * dx + (p.y() - a.y()) * dy) / len2 : 0.0;
    u = std::clamp(u, 0.0, 1.0);
    return std::hypot(p.x() - a.x() - u * dx, p.y() - a.y() - u * dy);
}

struct Segment {
    int a;
    int b;
    int worst;
    double deviation;
    bool operator<(const Segment &o) const { return deviation < o.deviation; }
};

Segment measure(const QVector<QPointF> &p, int a, int b)
{
    Segment s{a, b, -1, 0.0};
    for (int i = a + 1; i < b; ++i) {
        const double d = segmentDistance(p[i], p[a], p[b]);
        if (d > s.deviation) {
            s.deviation = d;
            s.worst = i;
        }
    }
    return s;
}

} // namespace

QVector<int> simplify(const QVector<QPointF> &points, double tolerance, int maxPoints)
{
    const int n = points.size();
    if (n <= 2 || maxPoints <= 2)
        return n <= 2 ? thinEvenly(n, n) : thinEvenly(n, std::max(1, maxPoints));
    QVector<int> kept{0, n - 1};
    std::priority_queue<Segment> open;
    open.push(measure(points, 0, n - 1));
    while (!open.empty() && kept.size() < maxPoints) {
        const Segment s = open.top();
        open.pop();
        if (s.worst < 0 || s.deviation <= tolerance)
            break; // the worst segment is within the bound, so all are
        kept << s.worst;
        open.push(measure(points, s.a, s.worst));
        open.push(measure(points, s.worst, s.b));
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

QVector<int> thinEvenly(int count, int maxPoints)
{
    QVector<int> kept;
    if (count <= maxPoints) {
        for (int i = 0; i < count; ++i)
            kept << i;
        return kept;
    }
    if (maxPoints == 1)
        return {0};
    for (int k = 0; k < maxPoints; ++k)
        kept << int(std::lround(double(k) * (count - 1) / (maxPoints - 1)));
    return kept;
}

QVector<QPoint> teachZone(const QVector<Revolution> &revolutions, const Settings &settings)
{
    if (revolutions.isEmpty())
        return {};
    const Revolution &first = revolutions[0];
    const QVector<double> distance = combine(revolutions, settings.method, settings.rangeLimit);
    const int n = distance.size();
    QVector<double> bearings(n);
    for (int i = 0; i < n; ++i)
        bearings[i] = qDegreesToRadians(first.firstBearing + first.step * i);
    const QVector<double> radius = pullIn(distance, bearings, settings.offsetMm);

    const double lo = qDegreesToRadians(std::min(settings.fromDegrees, settings.toDegrees));
    const double hi = qDegreesToRadians(std::max(settings.fromDegrees, settings.toDegrees));
    QVector<QPointF> outline;
    for (int k = 0; k < n; ++k) {
        const int i = first.step < 0 ? n - 1 - k : k; // in ascending bearing
        if (bearings[i] < lo - 1e-9 || bearings[i] > hi + 1e-9)
            continue;
        outline << QPointF(radius[i] * std::cos(bearings[i]), radius[i] * std::sin(bearings[i]));
    }
    const QVector<int> kept = settings.simplify ? simplify(outline, settings.toleranceMm, kMaxZonePoints)
                                                : thinEvenly(outline.size(), kMaxZonePoints);
    QVector<QPoint> zone;
    for (int i : kept) {
        // Toward zero: a point never moves out toward the wall.
        const QPoint p(int(outline[i].x()), int(outline[i].y()));
        if (zone.isEmpty() || zone.last() != p)
            zone << p;
    }
    return zone;
}

void Gatherer::start(int revolutions)
{
    Gathered.clear();
    Wanted = std::max(1, revolutions);
    emit Progress(0, Wanted);
}

void Gatherer::cancel()
{
    Wanted = 0;
    Gathered.clear();
}

void Gatherer::revolutionArrived()
{
    if (!running())
        return;
    Revolution r = currentRevolution(*Scan);
    if (r.distance.isEmpty())
        return;
    if (!Gathered.isEmpty() && Gathered[0].distance.size() != r.distance.size())
        Gathered.clear();
    Gathered << r;
    emit Progress(Gathered.size(), Wanted);
    if (Gathered.size() >= Wanted) {
        Wanted = 0;
        emit Finished();
    }
}

} // namespace teach
