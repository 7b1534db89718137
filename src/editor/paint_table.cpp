#include "editor/paint_table.h"

#include "area/geometry/zone_geometry.h"
#include "area/store/project_data.h"

#include <QPainter>

namespace {
constexpr qreal kFarthestVertexPixels = 50;
constexpr int kAlpha = 200;
constexpr int kDimAlpha = 125;
} // namespace

PAINT_TABLE::PAINT_TABLE(int index, PROJECT_DATA *project) : QWidget(nullptr), Index(index), Project(project)
{
    setGeometry(0, 0, 40, 100);
}

void PAINT_TABLE::paintEvent(QPaintEvent *)
{
    const bool haveArea = Project && Index >= 0 && Index < Project->Areas.size();

    float maxR = 0;
    if (haveArea) {
        const AREA_DATA &area = Project->Areas[Index];
        for (int output = 0; output < kOutputCount; ++output)
            maxR = std::max(maxR, zone::farthestRadius(area.coord(output)));
    }

    QPainter painter(this);
    QPen pen;
    pen.setStyle(Qt::DotLine);
    pen.setColor(QColor(128, 128, 128, 128));
    painter.setPen(pen);

    const int w = width(), h = height();
    painter.translate(w / 2, h / 2);
    painter.drawLine(QPointF(-w / 2, 0), QPointF(w / 2, 0));
    painter.drawLine(QPointF(0, -h / 2), QPointF(0, h / 2));

    if (!haveArea || maxR <= 0)
        return; // nothing to fit: axes only

    const qreal k = kFarthestVertexPixels / maxR;
    painter.scale(k, k);
    pen.setStyle(Qt::SolidLine);
    painter.setPen(pen);

    const AREA_DATA &area = Project->Areas[Index];
    const QSizeF sceneSize(Project->SceneWidth, Project->SceneHeight);
    // Each output derives from the zone drawn just before it in this same picture, never from
    // what the editor last showed for another area.
    QPainterPath base;
    for (int output = 0; output < kOutputCount; ++output) {
        const int shape = area.shape(output);
        const zone::Zone z = zone::build(shape, area.coord(output), base, sceneSize, output > 0);
        int alpha = kAlpha;
        if (output == 2 && isDependentShape(shape))
            alpha = Project->CurrentOutput == 2 ? kAlpha : kDimAlpha;
        zone::paint(&painter, z, zone::colour(output, alpha));
        base = z.passOn; // empty when this output drew nothing
    }
}
