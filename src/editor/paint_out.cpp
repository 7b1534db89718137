#include "editor/paint_out.h"

#include "area/geometry/zone_geometry.h"
#include "area/geometry/zone_hits.h"
#include "area/store/project_data.h"

#include <QPainter>

namespace {
constexpr int kEditedAlpha = 200;
constexpr int kOtherAlpha = 125;
constexpr int kReportedAlpha = 215;
} // namespace

PAINT_OUT_ITEM::PAINT_OUT_ITEM(int output, double width, double height, PROJECT_DATA *project,
                               SCAN_DATA *scan, QGraphicsItem *parent)
    : SCENE_SQUARE(width, height, parent), Output(output), Project(project), Scan(scan)
{
    setZValue(output + 1);
}

void PAINT_OUT_ITEM::setReported(bool on)
{
    if (on == Reported)
        return;
    Reported = on;
    update();
}

void PAINT_OUT_ITEM::setBasePath(const QPainterPath &path)
{
    if (path == BasePath)
        return;
    BasePath = path;
    update();
}

void PAINT_OUT_ITEM::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    if (!Project)
        return;
    // Read only: a stray area index is bounded here without writing it back from a paint.
    const int areaIndex = qBound(0, Project->CurrentArea, kAreaCount - 1);
    if (areaIndex >= Project->Areas.size())
        return;
    const AREA_DATA &area = Project->Areas[areaIndex];
    const int alpha =
        Reported ? kReportedAlpha : (Project->CurrentOutput == Output ? kEditedAlpha : kOtherAlpha);

    const zone::Zone z =
        zone::build(area.shape(Output), area.coord(Output), BasePath, QSizeF(width(), height()), Output > 0);
    if (!z.drawn())
        return;
    zone::paint(painter, z, zone::colour(Output, alpha));
    if (Reported) {
        // A wide dark outline in the zone's own hue: the switched output stands out among the three.
        QPen pen(zone::colour(Output, 255).darker(160), 3.0);
        pen.setCosmetic(true);
        painter->save();
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawPath(zone::region(z));
        painter->restore();
    }
    zonePainted(z.passOn);
}

PAINT_OUT1::PAINT_OUT1(double width, double height, PROJECT_DATA *project, SCAN_DATA *scan,
                       QGraphicsItem *parent)
    : PAINT_OUT_ITEM(0, width, height, project, scan, parent)
{
}

PAINT_OUT2::PAINT_OUT2(double width, double height, PROJECT_DATA *project, SCAN_DATA *scan,
                       QGraphicsItem *parent)
    : PAINT_OUT_ITEM(1, width, height, project, scan, parent)
{
}

PAINT_OUT3::PAINT_OUT3(double width, double height, PROJECT_DATA *project, SCAN_DATA *scan,
                       QGraphicsItem *parent)
    : PAINT_OUT_ITEM(2, width, height, project, scan, parent)
{
}
