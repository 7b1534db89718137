#pragma once

// Draggable vertex handles of the output being edited. A handle stands at scene (X, -Y) of the
// stored point it represents and keeps a fixed size in pixels at any zoom by reading the scene
// controller's view scale. POINT_POINT is a free vertex; POINT_RATIO is the one handle of a
// dependent shape (straight, fan, ratio), which only slides along the sensor's forward axis.

#include <QColor>
#include <QGraphicsItem>

class PROJECT_DATA;

// Shared drawing, hover and Shift behaviour of both handles.
class POINT_HANDLE : public QGraphicsItem {
public:
    // width and height in pixels; scale points at the controller's view scale (pixels per mm).
    POINT_HANDLE(double width, double height, const QColor &colour, const double *scale,
                 Qt::CursorShape hoverCursor, QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    // The view zoomed: the handle's extent in scene units changes with it.
    void scaleChanged() { prepareGeometryChange(); }

    QColor colour() const { return Colour; }
    bool hovered() const { return Hovered; }
    // The colour the handle is filled with right now, before the pressed-state shading.
    QColor fillColour() const;

protected:
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;

    double viewScale() const;

private:
    double Width;
    double Height;
    QColor Colour;
    const double *Scale;
    Qt::CursorShape HoverCursor;
    bool Hovered = false;
};

class POINT_POINT : public POINT_HANDLE {
public:
    enum { Type = UserType + 71 };
    POINT_POINT(const QColor &colour, const double *scale, QGraphicsItem *parent = nullptr);
    int type() const override { return Type; }

    static constexpr int kSize = 15;
};

class POINT_RATIO : public POINT_HANDLE {
public:
    enum { Type = UserType + 72 };
    POINT_RATIO(const QColor &colour, PROJECT_DATA *project, const double *scale,
                QGraphicsItem *parent = nullptr);
    int type() const override { return Type; }

    static constexpr double kWidth = 50;
    static constexpr double kHeight = 5;

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    PROJECT_DATA *Project;
};
