#include "editor/paint_outline.h"

#include "comm/codec/scan_data.h"

#include <QPainter>
#include <QtMath>

#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kSerial = 0;
constexpr int kEthernet = 1;
constexpr int kGraph = 0;
constexpr int kCloud = 1;
constexpr int kLine = 2;

// Width of bearing, in screen pixels, within which values are thinned to their extremes.
// Half a pixel keeps the thinned picture within a few edge pixels of the full one.
constexpr double kBucketPixels = 0.5;

const QColor kContourGreen(0, 255, 0, 255);
const QColor kBrokenGrey(240, 240, 240, 255);

// The thin outline of a filled contour: one pixel at any zoom, like the zone outlines.
QPen graphPen()
{
    QPen pen(QBrush(Qt::gray), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::BevelJoin);
    pen.setCosmetic(true);
    return pen;
}

QPen widePen(const QColor &colour, double width)
{
    return QPen(QBrush(colour), width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

} // namespace

// ---- shared contour ---------------------------------------------------------------------------

SCAN_CONTOUR_ITEM::SCAN_CONTOUR_ITEM(double width, double height, PROJECT_DATA *project, SCAN_DATA *scan,
                                     const double *scale, QGraphicsItem *parent)
    : SCENE_SQUARE(width, height, parent), Project(project), Scan(scan), Scale(scale)
{
}

double SCAN_CONTOUR_ITEM::viewScale() const
{
    if (!Scale || !(*Scale > 0))
        return 1.0;
    return *Scale;
}

double SCAN_CONTOUR_ITEM::serialAngle(int i)
{
    return ScanAngles::serialAngle(i);
}

double SCAN_CONTOUR_ITEM::etherAngle(int i, int count, bool installDir)
{
    return ScanAngles::etherAngle(i, count, installDir);
}

int SCAN_CONTOUR_ITEM::valueCount() const
{
    if (!Scan)
        return -1;
    switch (Scan->ConnectType) {
    case kSerial: return kSerialBeams;
    case kEthernet:
        // A count the arrays cannot hold is read as no revolution rather than past their end.
        return (Scan->EtherCount > 0 && Scan->EtherCount <= kEtherRing) ? Scan->EtherCount : 0;
    default: return -1;
    }
}

const QPolygonF &SCAN_CONTOUR_ITEM::contour(bool intensity)
{
    const int count = valueCount();
    if (count < 0) {
        Contour.resize(0);
        return Contour;
    }
    const bool serial = Scan->ConnectType == kSerial;
    // Ethernet values run the other way round when the sensor is mounted upside down; the serial
    // decoder already turns its beams into one order.
    Angles.refresh(serial, count, serial ? false : Scan->InstallDir);
    const quint16 *values = serial ? (intensity ? Scan->SerialIntensity : Scan->SerialDistance)
                                   : (intensity ? Scan->EtherIntensity : Scan->EtherDistance);

    Contour.resize(count + 2);
    QPointF *out = Contour.data();
    out[0] = QPointF(0, 0);
    for (int i = 0; i < count; ++i)
        out[i + 1] = Angles.point(i, values[i]);
    out[count + 1] = QPointF(0, 0);
    return Contour;
}

const QPolygonF &SCAN_CONTOUR_ITEM::onScreen(const QPolygonF &contour, const QTransform &toDevice)
{
    // A revolution holds several values per screen pixel at most zoom levels. Neighbours that
    // land in the pixel of the value before change nothing a person can see, but every vertex
    // costs the rasteriser time, so they are left out of the drawing.
    const int count = contour.size();
    Drawn.resize(count);
    if (count == 0)
        return Drawn;
    const QPointF *in = contour.constData();
    QPointF *out = Drawn.data();
    const double m11 = toDevice.m11(), m12 = toDevice.m12(), m21 = toDevice.m21(), m22 = toDevice.m22();
    const double dx = toDevice.dx(), dy = toDevice.dy();
    auto pixel = [&](const QPointF &p) {
        return QPoint(int(std::floor(m11 * p.x() + m21 * p.y() + dx)),
                      int(std::floor(m12 * p.x() + m22 * p.y() + dy)));
    };
    int kept = 0;
    out[kept++] = in[0];
    QPoint last = pixel(in[0]);
    for (int i = 1; i < count - 1; ++i) {
        const QPoint here = pixel(in[i]);
        if (here == last)
            continue;
        out[kept++] = in[i];
        last = here;
    }
    if (count > 1)
        out[kept++] = in[count - 1];
    Drawn.resize(kept);
    return Drawn;
}

const QPolygonF &SCAN_CONTOUR_ITEM::thinned(const QPolygonF &contour, const QTransform &toDevice)
{
    // Neighbouring values closer in bearing than one screen pixel draw a radial zigzag inside
    // that pixel's column. Its first, nearest, farthest and last value draw the same pixels (the
    // zigzag covers the span between nearest and farthest either way), with a fraction of the
    // segments. Used for the filled and line contours, not for the point cloud.
    const int count = contour.size();
    const int values = count - 2;
    if (values <= 0 || Angles.count() != values)
        return contour;
    Drawn.resize(count);
    const double step = ScanAngles::stepDegrees(scan()->ConnectType == kSerial, values) * M_PI / 180.0;
    const double pixelsPerMm = std::sqrt(std::abs(toDevice.determinant()));
    const QPointF *in = contour.constData();
    QPointF *out = Drawn.data();
    int kept = 0;
    out[kept++] = in[0];
    auto radiusPx = [&](int i) { return std::hypot(in[i].x(), in[i].y()) * pixelsPerMm; };
    int i = 1;
    while (i <= values) {
        double farthest = radiusPx(i);
        double nearest = farthest;
        int nearIndex = i;
        int farIndex = i;
        int j = i;
        while (j < values) {
            const double r = radiusPx(j + 1);
            if ((j + 1 - i) * step * qMax(farthest, r) >= kBucketPixels)
                break;
            ++j;
            if (r < nearest) {
                nearest = r;
                nearIndex = j;
            }
            if (r > farthest) {
                farthest = r;
                farIndex = j;
            }
        }
        out[kept++] = in[i];
        const int first = qMin(nearIndex, farIndex);
        const int second = qMax(nearIndex, farIndex);
        if (first != i && first != j)
            out[kept++] = in[first];
        if (second != first && second != i && second != j)
            out[kept++] = in[second];
        if (j != i)
            out[kept++] = in[j];
        i = j + 1;
    }
    out[kept++] = in[count - 1];
    Drawn.resize(kept);
    return Drawn;
}

void SCAN_CONTOUR_ITEM::paintContour(QPainter *painter, bool intensity, const QColor &colour,
                                     const QColor &fill)
{
    if (!Scan)
        return;
    const int mode = Scan->DisplayMode;
    if (mode != kGraph && mode != kCloud && mode != kLine)
        return;
    const QPolygonF &full = contour(intensity);
    if (full.isEmpty())
        return;
    const double penWidth = 2.0 / viewScale();
    const QTransform toDevice = painter->combinedTransform();

    painter->save();
    switch (mode) {
    case kGraph: fillAndOutline(painter, thinned(full, toDevice), fill); break;
    case kCloud:
        painter->setPen(widePen(colour, Scan->ConnectType == kEthernet ? penWidth + 1.0 : penWidth));
        painter->setBrush(Qt::NoBrush);
        painter->drawPoints(onScreen(full, toDevice));
        break;
    case kLine:
        painter->setBrush(Qt::NoBrush);
        paintLines(painter, full, toDevice, widePen(colour, penWidth));
        break;
    }
    painter->restore();
}

void SCAN_CONTOUR_ITEM::paintLines(QPainter *painter, const QPolygonF &contour, const QTransform &toDevice,
                                   const QPen &pen)
{
    // The contour starts and ends on the sensor, so its open run is the closed outline.
    painter->setPen(pen);
    strokeOpen(painter, thinned(contour, toDevice));
}

void SCAN_CONTOUR_ITEM::fillAndOutline(QPainter *painter, const QPolygonF &points, const QColor &fill)
{
    // The one-pixel outline covers the fill's edge, so the fill itself needs no antialiasing,
    // which would cost three times as much over a whole revolution.
    const bool antialiased = painter->testRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(Qt::NoPen);
    painter->setBrush(fill);
    painter->drawPolygon(points, Qt::WindingFill);
    painter->setRenderHint(QPainter::Antialiasing, antialiased);
    painter->setPen(graphPen());
    painter->setBrush(Qt::NoBrush);
    painter->drawPolygon(points, Qt::WindingFill);
}

void SCAN_CONTOUR_ITEM::strokeOpen(QPainter *painter, const QPolygonF &points)
{
    // Separate segments rather than one polyline: the raster engine draws square-capped wide
    // lines one by one without building a stroke outline, several times faster over a revolution,
    // and the square caps cover the corners a join would.
    const int count = points.size();
    Segments.resize(qMax(0, count - 1));
    QLineF *out = Segments.data();
    for (int i = 1; i < count; ++i)
        out[i - 1] = QLineF(points[i - 1], points[i]);
    painter->drawLines(Segments);
}

// ---- distance ---------------------------------------------------------------------------------

PAINT_OUTLINE::PAINT_OUTLINE(double width, double height, PROJECT_DATA *project, SCAN_DATA *scan,
                             const double *scale, QGraphicsItem *parent)
    : SCAN_CONTOUR_ITEM(width, height, project, scan, scale, parent)
{
    setZValue(6);
}

void PAINT_OUTLINE::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    if (refreshZones()) {
        paintBreaches(painter);
        return;
    }
    Breaches.clear();
    paintContour(painter, false, kContourGreen, QColor(0, 255, 0, 80));
}

QColor PAINT_OUTLINE::breachColour(int output)
{
    // Out 1's pale yellow would vanish on its own zone: a deeper yellow of the same hue.
    switch (output) {
    case 0: return QColor(235, 190, 0);
    case 1: return QColor(255, 120, 0);
    default: return QColor(225, 0, 0);
    }
}

QColor PAINT_OUTLINE::neutralColour()
{
    return QColor(70, 70, 70);
}

bool PAINT_OUTLINE::refreshZones()
{
    const PROJECT_DATA *p = project();
    if (!p || p->Areas.isEmpty())
        return false;
    const int index = qBound(0, p->CurrentArea, int(p->Areas.size()) - 1);
    const AREA_DATA &area = p->Areas[index];
    const QSizeF size(width(), height());
    if (index != ZonesArea || size != ZonesSize || area != ZonesOf) {
        zone::Zone zones[zone::Hits::kOutputs];
        zone::buildArea(area, size, zones);
        Hits.setZones(zones);
        const QRectF reach = zone::bounds(zones);
        HasZones = reach.width() > 0 && reach.height() > 0;
        ZonesOf = area;
        ZonesArea = index;
        ZonesSize = size;
    }
    return HasZones;
}

void PAINT_OUTLINE::paintBreaches(QPainter *painter)
{
    const SCAN_DATA *data = scan();
    if (!data)
        return;
    const int mode = data->DisplayMode;
    if (mode != kGraph && mode != kCloud && mode != kLine)
        return;
    const QPolygonF &full = contour(false);
    if (full.isEmpty())
        return;
    const QTransform toDevice = painter->combinedTransform();
    const double pixel = 1.0 / viewScale();

    Hits.classify(full, &Breaches);
    // The first and last contour points are the sensor itself, not a measurement.
    Breaches.first() = Breaches.last() = -1;

    painter->save();
    painter->setBrush(Qt::NoBrush);
    switch (mode) {
    case kGraph:
        painter->setPen(widePen(neutralColour(), 1.5 * pixel));
        strokeOpen(painter, thinned(full, toDevice));
        break;
    case kCloud:
        painter->setPen(widePen(neutralColour(), 2 * pixel));
        painter->drawPoints(onScreen(full, toDevice));
        break;
    case kLine: paintLines(painter, full, toDevice, widePen(neutralColour(), 2 * pixel)); break;
    }

    for (QPolygonF &dots : Dots)
        dots.resize(0);
    const signed char *inside = Breaches.constData();
    const QPointF *at = full.constData();
    for (int i = 1; i + 1 < full.size(); ++i)
        if (inside[i] >= 0)
            Dots[inside[i]].append(at[i]);
    // Each dot a square ringed in black, so a yellow dot on a yellow zone still shows. The squares are
    // filled as whole device pixels: stroked as wide antialiased points, a few thousand of them took
    // longer than all the rest of the view.
    const double m11 = toDevice.m11(), m12 = toDevice.m12(), m21 = toDevice.m21(), m22 = toDevice.m22();
    const double dx = toDevice.dx(), dy = toDevice.dy();
    const double devicePixels = std::hypot(m11, m12) * pixel; // a screen pixel in device pixels
    const int core = qMax(1, int(std::lround(3 * devicePixels)));
    const int border = qMax(1, int(std::lround(devicePixels)));
    painter->resetTransform();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(Qt::NoPen);
    for (int k = 0; k < zone::Hits::kOutputs; ++k) {
        if (Dots[k].isEmpty())
            continue;
        Rings.resize(0);
        Cores.resize(0);
        QPoint last(INT_MIN / 2, INT_MIN / 2);
        for (const QPointF &p : qAsConst(Dots[k])) {
            const QPoint here(int(std::floor(m11 * p.x() + m21 * p.y() + dx)),
                              int(std::floor(m12 * p.x() + m22 * p.y() + dy)));
            if (std::abs(here.x() - last.x()) <= core / 2 && std::abs(here.y() - last.y()) <= core / 2)
                continue; // its pixel lies in the dot before, which covers it already
            last = here;
            const QRect dot(here.x() - core / 2, here.y() - core / 2, core, core);
            Rings.append(dot.adjusted(-border, -border, border, border));
            Cores.append(dot);
        }
        painter->setBrush(Qt::black);
        painter->drawRects(Rings);
        painter->setBrush(breachColour(k));
        painter->drawRects(Cores);
    }
    painter->restore();
}

void PAINT_OUTLINE::paintLines(QPainter *painter, const QPolygonF &contour, const QTransform &toDevice,
                               const QPen &pen)
{
    if (scan()->ConnectType == kEthernet)
        paintEtherLines(painter, contour, pen.widthF());
    else
        SCAN_CONTOUR_ITEM::paintLines(painter, contour, toDevice, pen);
}

void PAINT_OUTLINE::paintEtherLines(QPainter *painter, const QPolygonF &points, double penWidth)
{
    const int n = points.size() - 2;
    if (n <= 0)
        return;
    const SCAN_DATA *data = scan();
    const quint16 *distance = data->EtherDistance;
    const quint16 *intensity = data->EtherIntensity;
    const QPointF *p = points.constData() + 1; // p[j] is scan point j

    Good.clear();
    Broken.clear();
    // The rays from the sensor to the first and last beam are not a measured surface: they are
    // drawn like a broken step, so the eye follows only what the sensor saw.
    Broken.append(QLineF(QPointF(0, 0), p[0]));
    for (int j = 1; j < n; ++j) {
        const bool seen = intensity[j - 1] != 0 && intensity[j] != 0;
        const bool smooth = std::abs(int(distance[j]) - int(distance[j - 1])) <= kLineJumpMm;
        (seen && smooth ? Good : Broken).append(QLineF(p[j - 1], p[j]));
    }
    Broken.append(QLineF(p[n - 1], QPointF(0, 0)));

    painter->setPen(widePen(kBrokenGrey, penWidth));
    painter->drawLines(Broken);
    painter->setPen(widePen(kContourGreen, penWidth));
    painter->drawLines(Good);
}

// ---- intensity --------------------------------------------------------------------------------

PAINT_STRENGTH::PAINT_STRENGTH(double width, double height, PROJECT_DATA *project, SCAN_DATA *scan,
                               const double *scale, QGraphicsItem *parent)
    : SCAN_CONTOUR_ITEM(width, height, project, scan, scale, parent)
{
    setZValue(5);
}

void PAINT_STRENGTH::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    paintContour(painter, true, Qt::blue, QColor(0, 0, 255, 50));
}
