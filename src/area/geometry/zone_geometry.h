#pragma once

// Zone outlines of one output, built from its shape code and points. The editor's zone items and
// the area thumbnails both draw through these functions, so a zone looks the same everywhere.
// Results are in scene coordinates: a stored point (X, Y) lands at (X, -Y), one unit per mm.

#include <QColor>
#include <QPainterPath>
#include <QPen>
#include <QPoint>
#include <QPolygonF>
#include <QSizeF>
#include <QVector>
#include <map>

class QPainter;

namespace zone {

// Bearing-ordered vertices: a later point on exactly the same bearing replaces an earlier one.
using BearingMap = std::map<float, QPoint>;
BearingMap bearingMap(const QVector<QPoint> &points);

// Largest radius of any of the points, 0 for none.
float farthestRadius(const QVector<QPoint> &points);

// The region swept from the sensor: origin, the vertices by ascending bearing, origin again.
QPolygonF sweptPolygon(const BearingMap &map);
QPolygonF sweptPolygon(const QVector<QPoint> &points);

// Pie slice from the sensor between the bearings of the two points, at the larger radius.
// Returns false (and leaves *pie alone) unless there are exactly two points.
bool arcPie(const QVector<QPoint> &points, QPainterPath *pie);

// Dependent shapes, derived from the zone of the output before (base) and the distance yh of
// the output's one handle on the forward axis.
// Straight: the part of the base with sensor Y <= yh; sceneSize is the whole scene square.
QPainterPath straightZone(const QPainterPath &base, qreal yh, const QSizeF &sceneSize);
// Fan: the part of the base within yh of the sensor and between bearings -45 and 225 degrees.
QPainterPath fanZone(const QPainterPath &base, qreal yh);
// Ratio: uniform scale about the sensor that brings the base's height down to yh; 1 when the
// base is no higher than yh already; 0 when yh is not ahead of the sensor (nothing to draw).
qreal ratioFactor(const QPainterPath &base, qreal yh);

// One output's zone, ready to paint and to pass on to the next output.
struct Zone {
    enum Kind {
        None,    // point count or shape code does not fit: nothing drawn, nothing passed on
        Swept,   // polygon or rectangle: outlined polygon, winding fill
        Pie,     // arc: filled, no outline
        Clipped, // straight or fan: outlined path
        Scaled,  // ratio: the base, outlined, drawn scaled by `scale` about the sensor
    };
    Kind kind = None;
    QPolygonF polygon;   // Swept
    QPainterPath path;   // Pie, Clipped, Scaled (unscaled base)
    qreal scale = 1.0;   // Scaled
    QPainterPath passOn; // what the next output derives from; the unscaled base for a ratio

    bool drawn() const { return kind != None; }
};

// shape is the SHAPETYPE code; dependent codes only count where allowDependent is true (Out2,
// Out3). base is the zone of the output before; sceneSize the scene square for straight.
Zone build(int shape, const QVector<QPoint> &points, const QPainterPath &base, const QSizeF &sceneSize,
           bool allowDependent);

// White outline pen of every stroked zone, one pixel wide at any scale.
QPen outlinePen();

// RGB of output 0..2 (Out1 pale yellow, Out2 orange, Out3 red) with the given alpha.
QColor colour(int output, int alpha);

// Draws the zone with the outline pen (where stroked) and a solid brush of the given colour.
// The painter's state is restored afterwards.
void paint(QPainter *painter, const Zone &zone, const QColor &fill);

} // namespace zone
