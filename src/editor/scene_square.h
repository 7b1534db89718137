#pragma once

#include <QGraphicsItem>
#include <QPainterPath>

// What the base items of the editor scene (the zones and the scan overlays) share: a square of the
// model's extent (mm) centred on the sensor, found by a click anywhere in it.
template <class Item> class SCENE_SQUARE : public Item {
public:
    SCENE_SQUARE(double width, double height, QGraphicsItem *parent)
        : Item(parent), Width(width), Height(height)
    {
        this->setPos(0, 0);
        this->setFlags(QGraphicsItem::ItemIsSelectable);
        this->setAcceptHoverEvents(true);
        this->setAcceptDrops(true);
    }

    // New scene extent after a device type change.
    void setSize(double width, double height)
    {
        if (width == Width && height == Height)
            return;
        this->prepareGeometryChange();
        Width = width;
        Height = height;
        this->update();
    }
    double width() const { return Width; }
    double height() const { return Height; }

    QRectF boundingRect() const override { return QRectF(-Width / 2, -Height / 2, Width, Height); }
    // The whole square, not what is drawn: a click anywhere in the scene finds the item.
    QPainterPath shape() const override
    {
        QPainterPath path;
        path.addRect(boundingRect());
        return path;
    }

private:
    double Width;
    double Height;
};
