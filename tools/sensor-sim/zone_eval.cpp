#include "zone_eval.h"

#include <QMap>
#include <QtMath>

#include <algorithm>

double zoneBearing(const QPointF &p)
{
    float t = std::atan2(float(p.y()), float(p.x())) + 6.2831855f;
    if (t >= 4.712389f)
        t -= 6.2831855f;
    return double(t) * 57.29578;
}

namespace {

// Non-zero winding rule, as the editor fills its zones.
bool windingContains(const QVector<QPointF> &poly, const QPointF &p)
{
    int winding = 0;
    const int n = poly.size();
    for (int i = 0; i < n; ++i) {
        const QPointF &a = poly[i];
        const QPointF &b = poly[(i + 1) % n];
        const double cross = (b.x() - a.x()) * (p.y() - a.y()) - (p.x() - a.x()) * (b.y() - a.y());
        if (a.y() <= p.y()) {
            if (b.y() > p.y() && cross > 0)
                ++winding;
        } else if (b.y() <= p.y() && cross < 0) {
            --winding;
        }
    }
    return winding != 0;
}

QRectF boundsOf(const QVector<QPointF> &points)
{
    if (points.isEmpty())
        return {};
    double x0 = points[0].x(), x1 = x0, y0 = points[0].y(), y1 = y0;
    for (const QPointF &p : points) {
        x0 = std::min(x0, p.x());
        x1 = std::max(x1, p.x());
        y0 = std::min(y0, p.y());
        y1 = std::max(y1, p.y());
    }
    return QRectF(QPointF(x0, y0), QPointF(x1, y1));
}

// Bounding box of a pie slice from the sensor, by its corners and the axis directions it spans.
QRectF pieBounds(double radius, double from, double to)
{
    QVector<QPointF> pts{{0, 0}};
    auto at = [&](double deg) {
        const double a = qDegreesToRadians(deg);
        pts.append(QPointF(radius * std::cos(a), radius * std::sin(a)));
    };
    at(from);
    at(to);
    for (double axis = -90; axis <= 270; axis += 90)
        if (axis > from && axis < to)
            at(axis);
    return boundsOf(pts);
}

} // namespace

std::shared_ptr<const SimZone> SimZone::build(const AREA_DATA &area, int output)
{
    std::shared_ptr<const SimZone> passOn;
    return buildChain(area, output, &passOn);
}

std::shared_ptr<const SimZone> SimZone::buildChain(const AREA_DATA &area, int output,
                                                   std::shared_ptr<const SimZone> *passOn)
{
    const int shape = area.shape(output);
    const QVector<QPoint> &points = area.coord(output);
    auto zone = std::make_shared<SimZone>();
    switch (shape) {
    case Polygon:
    case Rectangle: {
        // Swept from the sensor: vertices joined in bearing order, a later vertex on the same
        // bearing replacing the earlier one.
        QMap<float, QPointF> byBearing;
        for (const QPoint &p : points)
            byBearing.insert(float(zoneBearing(p)), QPointF(p));
        zone->m_kind = Kind::Sweep;
        zone->m_outline.append(QPointF(0, 0));
        for (const QPointF &p : byBearing)
            zone->m_outline.append(p);
        zone->m_bounds = boundsOf(zone->m_outline);
        *passOn = zone;
        return zone;
    }
    case Arc: {
        if (points.size() != 2)
            return nullptr;
        const double b0 = zoneBearing(points[0]), b1 = zoneBearing(points[1]);
        zone->m_kind = Kind::Pie;
        zone->m_radius = std::max(std::hypot(double(points[0].x()), double(points[0].y())),
                                  std::hypot(double(points[1].x()), double(points[1].y())));
        zone->m_from = std::min(b0, b1);
        zone->m_to = std::max(b0, b1);
        zone->m_bounds = pieBounds(zone->m_radius, zone->m_from, zone->m_to);
        *passOn = zone;
        return zone;
    }
    case Straight:
    case Fan:
    case Ratio: {
        if (output == 0 || points.size() != 1)
            return nullptr;
        std::shared_ptr<const SimZone> base;
        buildChain(area, output - 1, &base);
        if (!base)
            return nullptr;
        const double handle = points[0].y();
        const QRectF b = base->bounds();
        zone->m_base = base;
        if (shape == Straight) {
            zone->m_kind = Kind::Below;
            zone->m_limit = handle;
            zone->m_bounds =
                QRectF(QPointF(b.left(), b.top()), QPointF(b.right(), std::min(b.bottom(), handle)));
            *passOn = zone;
        } else if (shape == Fan) {
            if (handle <= 0)
                return nullptr;
            zone->m_kind = Kind::Fan;
            zone->m_radius = handle;
            zone->m_bounds = b.intersected(pieBounds(handle, -45, 225));
            *passOn = zone;
        } else {
            // Drawn scaled about the sensor when the handle is below the base's height; the next
            // output is derived from the unscaled base.
            const double h = b.height();
            const double k = (handle < h && h > 0) ? handle / h : 1.0;
            if (k <= 0)
                return nullptr;
            zone->m_kind = Kind::Scaled;
            zone->m_limit = k;
            zone->m_bounds = QRectF(b.topLeft() * k, b.bottomRight() * k);
            *passOn = base;
        }
        return zone;
    }
    default: return nullptr;
    }
}

bool SimZone::contains(const QPointF &p) const
{
    switch (m_kind) {
    case Kind::Sweep: return windingContains(m_outline, p);
    case Kind::Pie: {
        if (std::hypot(p.x(), p.y()) > m_radius)
            return false;
        const double b = zoneBearing(p);
        return b >= m_from && b <= m_to;
    }
    case Kind::Below: return p.y() <= m_limit && m_base->contains(p);
    case Kind::Fan: {
        if (std::hypot(p.x(), p.y()) > m_radius)
            return false;
        const double b = zoneBearing(p);
        return b >= -45 && b <= 225 && m_base->contains(p);
    }
    case Kind::Scaled: return m_base->contains(p / m_limit);
    }
    return false;
}

int evaluateZones(const AREA_DATA &area, const QVector<QPointF> &hits)
{
    int bits = 0;
    for (int output = 0; output < kOutputCount; ++output) {
        const auto zone = SimZone::build(area, output);
        if (!zone)
            continue;
        for (const QPointF &p : hits) {
            if (zone->contains(p)) {
                bits |= 1 << output;
                break;
            }
        }
    }
    return bits;
}
