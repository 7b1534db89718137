#include "editor/point_items.h"

#include <QCursor>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QStyleOptionGraphicsItem>

POINT_HANDLE::POINT_HANDLE(double width, double height, const QColor &colour, const double *scale,
                           Qt::CursorShape hoverCursor, QGraphicsItem *parent)
    : QGraphicsItem(parent), Width(width), Height(height), Colour(colour), Scale(scale),
      HoverCursor(hoverCursor)
{
    setFlags(ItemIsMovable | ItemIsSelectable);
    setAcceptHoverEvents(true);
    setZValue(7);
}

double POINT_HANDLE::viewScale() const
{
    if (!Scale || !(*Scale > 0))
        return 1.0;
    return *Scale;
}

QRectF POINT_HANDLE::boundingRect() const
{
    const double s = viewScale();
    return QRectF(-Width / 2 / s, -Height / 2 / s, Width / s, Height / s);
}

QPainterPath POINT_HANDLE::shape() const
{
    QPainterPath path;
    path.addRect(boundingRect());
    return path;
}

QColor POINT_HANDLE::fillColour() const
{
    QColor fill = Colour;
    if (isSelected())
        fill = fill.darker(150);
    if (Hovered)
        fill = QColor(Qt::red).lighter(125);
    return fill;
}

void POINT_HANDLE::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *)
{
    const QColor fill = fillColour().darker((option->state & QStyle::State_Sunken) ? 120 : 100);
    const double s = viewScale();
    // A thin dark rim keeps the handle readable over the translucent zones and scan fills.
    QPen rim(fill.darker(200), 1.0);
    rim.setCosmetic(true);
    painter->save();
    painter->setPen(rim);
    painter->setBrush(fill);
    painter->drawRect(QRect(int(-Width / 2 / s), int(-Height / 2 / s), int(Width / s), int(Height / s)));
    painter->restore();
}

void POINT_HANDLE::hoverEnterEvent(QGraphicsSceneHoverEvent *event)
{
    Hovered = true;
    setCursor(HoverCursor);
    update();
    QGraphicsItem::hoverEnterEvent(event);
}

void POINT_HANDLE::hoverLeaveEvent(QGraphicsSceneHoverEvent *event)
{
    Hovered = false;
    unsetCursor();
    update();
    QGraphicsItem::hoverLeaveEvent(event);
}

void POINT_HANDLE::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsItem::mousePressEvent(event);
    update();
}

void POINT_HANDLE::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    // Shift holds a handle where it is, so a vertex can be inspected without nudging it.
    if (event->modifiers() & Qt::ShiftModifier) {
        update();
        return;
    }
    QGraphicsItem::mouseMoveEvent(event);
}

POINT_POINT::POINT_POINT(const QColor &colour, const double *scale, QGraphicsItem *parent)
    : POINT_HANDLE(kSize, kSize, colour, scale, Qt::SizeAllCursor, parent)
{
}

POINT_RATIO::POINT_RATIO(const QColor &colour, PROJECT_DATA *project, const double *scale,
                         QGraphicsItem *parent)
    : POINT_HANDLE(kWidth, kHeight, colour, scale, Qt::SizeVerCursor, parent), Project(project)
{
}

void POINT_RATIO::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    event->setScenePos(QPointF(0, event->scenePos().y()));
    POINT_HANDLE::mousePressEvent(event);
}

void POINT_RATIO::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    // The default drag keeps the offset between the cursor and the bar's centre from the press,
    // so clamping the cursor alone would stop the bar short of the sensor or let it pass behind
    // it by that offset. The bar's own position is pinned instead: on the forward axis, never
    // behind the sensor.
    POINT_HANDLE::mouseMoveEvent(event);
    const QPointF p = pos();
    if (p.x() != 0 || p.y() > 0)
        setPos(0, qMin(p.y(), 0.0));
}

void POINT_RATIO::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    event->setScenePos(QPointF(0, event->scenePos().y()));
    POINT_HANDLE::mouseReleaseEvent(event);
}
