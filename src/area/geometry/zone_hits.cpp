#include "area/geometry/zone_hits.h"

#include "area/store/project_data.h"

#include <QTransform>
#include <cmath>

namespace zone {

namespace {

// Enough bands that a zone of 100 vertices leaves a handful of edges in each; a curve flattened into
// many short chords gets about one band per chord, so that a point meets only a few of them.
constexpr int kMinBands = 64;
constexpr int kMaxBands = 2048;

} // namespace

void buildArea(const AREA_DATA &area, const QSizeF &sceneSize, Zone zones[3])
{
    QPainterPath base;
    for (int k = 0; k < 3; ++k) {
        zones[k] = build(area.shape(k), area.coord(k), base, sceneSize, k > 0);
        base = zones[k].passOn;
    }
}

QRectF bounds(const Zone zones[3])
{
    QRectF r;
    for (int k = 0; k < 3; ++k)
        if (zones[k].drawn())
            r |= region(zones[k]).boundingRect();
    return r;
}

QPainterPath region(const Zone &zone)
{
    switch (zone.kind) {
    case Zone::Swept: {
        QPainterPath path;
        path.setFillRule(Qt::WindingFill); // drawn with the winding rule
        path.addPolygon(zone.polygon);
        return path;
    }
    case Zone::Pie:
    case Zone::Clipped: return zone.path;
    case Zone::Scaled:
        return zone.scale > 0 ? QTransform::fromScale(zone.scale, zone.scale).map(zone.path) : QPainterPath();
    case Zone::None: break;
    }
    return QPainterPath();
}

void Hits::setZones(const Zone zones[kOutputs])
{
    for (int k = 0; k < kOutputs; ++k) {
        Region &r = Regions[k];
        r = Region();
        const QPainterPath path = region(zones[k]);
        if (path.isEmpty())
            continue;
        r.winding = path.fillRule() == Qt::WindingFill;
        r.bounds = path.boundingRect();
        if (!(r.bounds.height() > 0) || !(r.bounds.width() > 0))
            continue;
        r.empty = false;
        r.top = r.bounds.top();
        r.bottom = r.bounds.bottom();
        r.left = r.bounds.left();
        r.right = r.bounds.right();
        // Curves (arcs, the fan's pie) come back as chords finer than a millimetre.
        const QList<QPolygonF> rings = path.toSubpathPolygons();
        int chords = 0;
        for (const QPolygonF &ring : rings)
            chords += ring.size();
        r.bandCount = qBound(kMinBands, chords, kMaxBands);
        r.bandsPerUnit = r.bandCount / r.bounds.height();
        r.bands.resize(r.bandCount);
        for (const QPolygonF &ring : rings) {
            const int n = ring.size();
            for (int i = 0; i < n; ++i) {
                const QPointF a = ring[i], b = ring[(i + 1) % n];
                if (a.y() == b.y())
                    continue; // a horizontal edge crosses no horizontal ray
                const Edge e{a.x(), a.y(), b.x(), b.y(), b.y() > a.y() ? 1 : -1};
                const double lo = std::min(a.y(), b.y()), hi = std::max(a.y(), b.y());
                const int first = qBound(0, int((lo - r.top) * r.bandsPerUnit), r.bandCount - 1);
                const int last = qBound(0, int((hi - r.top) * r.bandsPerUnit), r.bandCount - 1);
                for (int band = first; band <= last; ++band)
                    r.bands[band].append(e);
            }
        }
    }
}

bool Hits::Region::contains(double x, double y) const
{
    // The bounds test inline: most points of a scan fall outside every zone.
    if (empty || x < left || x > right || y < top || y > bottom)
        return false;
    const int band = qBound(0, int((y - top) * bandsPerUnit), bandCount - 1);
    // Winding number of a ray to the right of the point; an edge counts from its upper end
    // inclusive to its lower end exclusive, so a vertex on the ray is counted once.
    int winding = 0;
    for (const Edge &e : bands[band]) {
        const bool down = e.y0 <= y && y < e.y1;
        const bool up = e.y1 <= y && y < e.y0;
        if (!down && !up)
            continue;
        const double xCross = e.x0 + (y - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0);
        if (xCross > x)
            winding += e.dir;
    }
    return this->winding ? winding != 0 : (winding & 1) != 0;
}

bool Hits::contains(int output, const QPointF &p) const
{
    return output >= 0 && output < kOutputs && Regions[output].contains(p.x(), p.y());
}

int Hits::outputAt(const QPointF &p) const
{
    for (int k = kOutputs - 1; k >= 0; --k)
        if (Regions[k].contains(p.x(), p.y()))
            return k;
    return -1;
}

void Hits::classify(const QPolygonF &points, QVector<signed char> *outputs) const
{
    outputs->resize(points.size());
    signed char *out = outputs->data();
    const QPointF *in = points.constData();
    for (int i = 0; i < points.size(); ++i)
        out[i] = static_cast<signed char>(outputAt(in[i]));
}

} // namespace zone
