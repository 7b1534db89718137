#pragma once

// The live scan overlays of the editor scene: PAINT_OUTLINE draws the measured distance of every
// beam (the scan contour), PAINT_STRENGTH the reflected intensity of every beam as a second
// contour whose radius is the raw intensity. Both read the live scan store at every paint and keep
// no scan data of their own; the scene controller asks them to repaint when a scan arrives.

#include "area/geometry/scan_points.h"
#include "area/geometry/zone_hits.h"
#include "area/store/project_data.h"
#include "editor/scene_square.h"

#include <QGraphicsItem>
#include <QLineF>
#include <QPolygonF>
#include <QTransform>
#include <QVector>

class PROJECT_DATA;
class QPen;
struct SCAN_DATA;

// Shared body of the two overlays: stores, the view scale and the contour built from one of the
// store's value arrays.
class SCAN_CONTOUR_ITEM : public SCENE_SQUARE<QGraphicsItem> {
public:
    // Scene extent (mm), both stores and the scene controller's view scale (pixels per mm), which
    // the pens read at paint time so lines and points stay about two pixels wide at any zoom.
    SCAN_CONTOUR_ITEM(double width, double height, PROJECT_DATA *project, SCAN_DATA *scan,
                      const double *scale, QGraphicsItem *parent = nullptr);

    // Angle of value i of a list of count values, in radians, measured clockwise on the screen
    // (scene y points down). Serial: 640 beams from bearing 250 deg stepping clockwise by half a
    // degree. Ethernet: count values over the seen 320 deg, running counter-clockwise from bearing
    // -70 deg, or clockwise from 250 deg when the sensor is mounted the other way up.
    static double serialAngle(int i);
    static double etherAngle(int i, int count, bool installDir);

    // The contour of the store's distance or intensity values, as drawn: the sensor, every value
    // in index order, the sensor again. Empty when the connection type draws nothing.
    const QPolygonF &contour(bool intensity);

protected:
    SCAN_DATA *scan() const { return Scan; }
    PROJECT_DATA *project() const { return Project; }
    // The view scale, 1 when unknown, so a pen width never divides by zero.
    double viewScale() const;
    // Number of values the current connection draws (640 serial, the last revolution's count on
    // Ethernet), or -1 when the connection type draws nothing.
    int valueCount() const;
    // The contour as it goes to the screen: values that fall in the pixel of the value before
    // are dropped. Reuses one buffer.
    const QPolygonF &onScreen(const QPolygonF &contour, const QTransform &toDevice);
    // The contour for a filled or line drawing: of the values that share one pixel of bearing,
    // only the first, nearest, farthest and last. Reuses one buffer.
    const QPolygonF &thinned(const QPolygonF &contour, const QTransform &toDevice);
    // Draws the distance or intensity contour in the store's display mode: filled with `fill` and
    // outlined (graph), as points (cloud) or as lines (line) in `colour`, about two pixels wide.
    void paintContour(QPainter *painter, bool intensity, const QColor &colour, const QColor &fill);
    // Line mode: the thinned contour stroked with the pen.
    virtual void paintLines(QPainter *painter, const QPolygonF &contour, const QTransform &toDevice,
                            const QPen &pen);
    // Graph mode: the contour filled with the colour and outlined one pixel wide in grey.
    static void fillAndOutline(QPainter *painter, const QPolygonF &points, const QColor &fill);
    // Strokes the polyline with the painter's pen.
    void strokeOpen(QPainter *painter, const QPolygonF &points);

private:
    PROJECT_DATA *Project; // kept for the scene controller; not read when drawing
    SCAN_DATA *Scan;
    const double *Scale;

    // Reused from paint to paint: a revolution is drawn every frame, and it is cheaper to keep the
    // buffers than to allocate them again.
    QPolygonF Contour;
    QPolygonF Drawn;
    QVector<QLineF> Segments;
    ScanAngles Angles;
};

class PAINT_OUTLINE : public SCAN_CONTOUR_ITEM {
public:
    PAINT_OUTLINE(double width, double height, PROJECT_DATA *project, SCAN_DATA *scan, const double *scale,
                  QGraphicsItem *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    // A step larger than this between neighbouring distances breaks the Ethernet line contour.
    static constexpr int kLineJumpMm = 199;

    // Colour of the scan points inside the zone of output 0..2, and of the others.
    static QColor breachColour(int output);
    static QColor neutralColour();
    // For each value of the contour last painted over zones, the highest output whose zone holds
    // it, or -1; empty when the displayed area had no zone.
    const QVector<signed char> &breaches() const { return Breaches; }

protected:
    // Ethernet lines are drawn from every value, broken where the surface was not seen.
    void paintLines(QPainter *painter, const QPolygonF &contour, const QTransform &toDevice,
                    const QPen &pen) override;

private:
    void paintEtherLines(QPainter *painter, const QPolygonF &points, double penWidth);

    // The displayed area's zones, rebuilt only when the area or its zones change; false when the
    // area has no zone to breach.
    bool refreshZones();
    // Over zones: the contour as a crisp neutral line or points, no fill, and every value that falls
    // in a zone as a dot in that zone's colour.
    void paintBreaches(QPainter *painter);

    QVector<QLineF> Good; // Ethernet line mode, reused
    QVector<QLineF> Broken;
    zone::Hits Hits;
    AREA_DATA ZonesOf;
    int ZonesArea = -1;
    QSizeF ZonesSize;
    bool HasZones = false;
    QVector<signed char> Breaches;
    QPolygonF Dots[zone::Hits::kOutputs];
    QVector<QRect> Rings, Cores; // the dots as device pixels, reused
};

class PAINT_STRENGTH : public SCAN_CONTOUR_ITEM {
public:
    PAINT_STRENGTH(double width, double height, PROJECT_DATA *project, SCAN_DATA *scan, const double *scale,
                   QGraphicsItem *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
};
