#include "area/geometry/zone_geometry.h"

#include "area/geometry/polar.h"
#include "area/store/project_data.h"

#include <QPainter>
#include <QRectF>
#include <QtMath>
#include <cmath>

namespace zone {

BearingMap bearingMap(const QVector<QPoint> &points)
{
    BearingMap map;
    for (const QPoint &p : points)
        map[polar::angle(p)] = p;
    return map;
}

float farthestRadius(const QVector<QPoint> &points)
{
    float maxR = 0;
    for (const QPoint &p : points)
        maxR = std::max(maxR, polar::radius(p));
    return maxR;
}

QPolygonF sweptPolygon(const BearingMap &map)
{
    QPolygonF polygon;
    polygon.reserve(int(map.size()) + 2);
    polygon << QPointF(0, 0);
    for (const auto &entry : map)
        polygon << QPointF(entry.second.x(), -qreal(entry.second.y()));
    polygon << QPointF(0, 0);
    return polygon;
}

QPolygonF sweptPolygon(const QVector<QPoint> &points)
{
    return sweptPolygon(bearingMap(points));
}

bool arcPie(const QVector<QPoint> &points, QPainterPath *pie)
{
    if (points.size() != 2)
        return false;
    const float r0 = polar::radius(points[0]), r1 = polar::radius(points[1]);
    const float t0 = polar::angle(points[0]), t1 = polar::angle(points[1]);
    const qreal r = std::max(r0, r1);
    const float from = std::min(t0, t1), to = std::max(t0, t1);
    const float start = from * polar::kRadToDeg;
    const float sweep = (to - from) * polar::kRadToDeg;
    QPainterPath path; // an empty path starts at the origin, so arcTo gives the slice from the sensor
    path.arcTo(QRectF(-r, -r, 2 * r, 2 * r), start, sweep);
    path.closeSubpath();
    *pie = path;
    return true;
}

QPainterPath straightZone(const QPainterPath &base, qreal yh, const QSizeF &sceneSize)
{
    const qreal w = sceneSize.width(), h = sceneSize.height();
    // From the bottom edge of the scene up to the line y = -yh, across the whole width.
    const QRectF clip = QRectF(-w / 2, h / 2, w, -yh - h / 2).normalized();
    QPainterPath clipPath;
    clipPath.addRect(clip);
    return base.intersected(clipPath);
}

QPainterPath fanZone(const QPainterPath &base, qreal yh)
{
    if (yh <= 0)
        return QPainterPath(); // no reach ahead of the sensor
    // The pie as a polygon on the circle, with chords close enough (0.5 mm) that no zoom shows
    // them; the clipper then works on straight edges only, which keeps it cheap.
    constexpr qreal kTolerance = 0.5;
    const qreal step = 2 * std::acos(std::max(-1.0, 1 - kTolerance / yh));
    const int n = qBound(16, int(std::ceil(qDegreesToRadians(270.0) / step)), 4096);
    QPolygonF pie;
    pie.reserve(n + 3);
    pie << QPointF(0, 0);
    for (int i = 0; i <= n; ++i) {
        const qreal a = qDegreesToRadians(-45.0 + 270.0 * i / n);
        pie << QPointF(yh * std::cos(a), -yh * std::sin(a));
    }
    pie << QPointF(0, 0);
    QPainterPath clip;
    clip.addPolygon(pie);
    return base.intersected(clip);
}

qreal ratioFactor(const QPainterPath &base, qreal yh)
{
    const qreal h = base.boundingRect().height();
    if (yh >= h)
        return 1.0;
    if (yh <= 0)
        return 0.0; // a negative factor would mirror the zone through the sensor
    return yh / h;
}

Zone build(int shape, const QVector<QPoint> &points, const QPainterPath &base, const QSizeF &sceneSize,
           bool allowDependent)
{
    Zone z;
    switch (shape) {
    case Polygon:
    case Rectangle:
        z.kind = Zone::Swept;
        z.polygon = sweptPolygon(points);
        z.passOn.setFillRule(Qt::WindingFill); // the same region as drawn
        z.passOn.addPolygon(z.polygon);
        break;
    case Arc:
        if (arcPie(points, &z.path)) {
            z.kind = Zone::Pie;
            z.passOn = z.path;
        }
        break;
    case Straight:
    case Fan:
    case Ratio: {
        if (!allowDependent || points.size() != 1)
            break;
        const qreal yh = points[0].y();
        if (shape == Ratio) {
            z.kind = Zone::Scaled;
            z.path = base;
            z.scale = ratioFactor(base, yh);
            z.passOn = base;
        } else {
            z.kind = Zone::Clipped;
            z.path = shape == Straight ? straightZone(base, yh, sceneSize) : fanZone(base, yh);
            z.passOn = z.path;
        }
        break;
    }
    default: break;
    }
    return z;
}

QPen outlinePen()
{
    QPen pen(QBrush(Qt::white), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::BevelJoin);
    // One pixel at every zoom: a 1 mm line vanishes in a view of several metres, and in the
    // thumbnails, and the outline is what separates overlapping zones of similar colours.
    pen.setCosmetic(true);
    return pen;
}

QColor colour(int output, int alpha)
{
    switch (output) {
    case 1: return QColor(255, 128, 0, alpha);
    case 2: return QColor(255, 0, 0, alpha);
    default: return QColor(255, 255, 128, alpha);
    }
}

void paint(QPainter *painter, const Zone &zone, const QColor &fill)
{
    if (!zone.drawn())
        return;
    painter->save();
    painter->setBrush(QBrush(fill, Qt::SolidPattern));
    switch (zone.kind) {
    case Zone::Swept:
        painter->setPen(outlinePen());
        painter->drawPolygon(zone.polygon, Qt::WindingFill);
        break;
    case Zone::Pie:
        painter->setPen(Qt::NoPen);
        painter->drawPath(zone.path);
        break;
    case Zone::Clipped:
        painter->setPen(outlinePen());
        painter->drawPath(zone.path);
        break;
    case Zone::Scaled:
        if (zone.scale > 0) {
            painter->setPen(outlinePen());
            painter->scale(zone.scale, zone.scale);
            painter->drawPath(zone.path);
        }
        break;
    case Zone::None: break;
    }
    painter->restore();
}

} // namespace zone
