#pragma once

// Which scan points fall inside which output zone of an area. The zones are taken as built for
// painting (zone::build), so a point is inside exactly where the editor paints the zone. Each zone
// is flattened once into its edges, sorted into horizontal bands; a point is then tested only
// against the few edges of its band, which keeps a whole revolution well inside a frame.

#include "area/geometry/zone_geometry.h"

#include <QRectF>
#include <QVector>

struct AREA_DATA;

namespace zone {

// The three zones of an area as the editor draws them, each dependent one derived from the one
// before; sceneSize is the scene square.
void buildArea(const AREA_DATA &area, const QSizeF &sceneSize, Zone zones[3]);
// The smallest rectangle holding every drawn zone; null when the area has none.
QRectF bounds(const Zone zones[3]);

// The region a zone covers, in scene coordinates, with the fill rule it is painted with.
QPainterPath region(const Zone &zone);

class Hits {
public:
    static constexpr int kOutputs = 3;

    // The three zones of an area, Out 1 to Out 3.
    void setZones(const Zone zones[kOutputs]);

    bool contains(int output, const QPointF &scenePoint) const;
    // The highest output whose zone holds the point (Out 3 is the nearest, most severe field), or
    // -1 when no zone does.
    int outputAt(const QPointF &scenePoint) const;
    // outputAt for every point; the result is reused.
    void classify(const QPolygonF &scenePoints, QVector<signed char> *outputs) const;

private:
    struct Edge {
        double x0, y0, x1, y1;
        int dir; // +1 downward, -1 upward
    };
    struct Region {
        bool empty = true;
        bool winding = true;
        QRectF bounds;
        double top = 0, bottom = 0, left = 0, right = 0;
        double bandsPerUnit = 1; // multiplied rather than divided by, here and when sorting
        int bandCount = 1;
        QVector<QVector<Edge>> bands;
        bool contains(double x, double y) const;
    };
    Region Regions[kOutputs];
};

} // namespace zone
