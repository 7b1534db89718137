#pragma once

// The editor scene's output zone items. Each paints its output's zone of the current area from
// the project store at every paint; Out1 hands its finished zone to Out2 and Out2 to Out3, which
// derive their dependent shapes (straight, fan, ratio) from it.

#include "editor/scene_square.h"

#include <QGraphicsObject>
#include <QMetaType>
#include <QPainterPath>

// Zone outlines travel in signals; listeners such as QSignalSpy need the type known.
Q_DECLARE_METATYPE(QPainterPath)

class PROJECT_DATA;
struct SCAN_DATA;

// Shared body of the three items: store access and the paint itself.
class PAINT_OUT_ITEM : public SCENE_SQUARE<QGraphicsObject> {
    Q_OBJECT
public:
    // Scene extent of the device type (width = height, mm), both stores.
    PAINT_OUT_ITEM(int output, double width, double height, PROJECT_DATA *project, SCAN_DATA *scan,
                   QGraphicsItem *parent = nullptr);

    // The sensor reports this output switched: the zone is drawn stronger, so what trips shows.
    void setReported(bool on);
    bool reported() const { return Reported; }

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

protected:
    // The zone just painted, when the paint produced one; Out1 and Out2 pass it on.
    virtual void zonePainted(const QPainterPath &) {}
    // Out2 and Out3 replace their base when the output before emits. A changed base asks for a
    // repaint so a dependent zone that painted before its feeder catches up on the next frame.
    void setBasePath(const QPainterPath &path);

private:
    const int Output;
    PROJECT_DATA *Project;
    SCAN_DATA *Scan; // kept for the scene controller; not used for drawing
    QPainterPath BasePath;
    bool Reported = false;
};

class PAINT_OUT1 : public PAINT_OUT_ITEM {
    Q_OBJECT
public:
    PAINT_OUT1(double width, double height, PROJECT_DATA *project, SCAN_DATA *scan,
               QGraphicsItem *parent = nullptr);

signals:
    void PaintOut1Path(QPainterPath Path);

protected:
    void zonePainted(const QPainterPath &path) override { emit PaintOut1Path(path); }
};

class PAINT_OUT2 : public PAINT_OUT_ITEM {
    Q_OBJECT
public:
    PAINT_OUT2(double width, double height, PROJECT_DATA *project, SCAN_DATA *scan,
               QGraphicsItem *parent = nullptr);

public slots:
    void PaintOut1Path(QPainterPath Path) { setBasePath(Path); }

signals:
    void PaintOut2Path(QPainterPath Path);

protected:
    void zonePainted(const QPainterPath &path) override { emit PaintOut2Path(path); }
};

class PAINT_OUT3 : public PAINT_OUT_ITEM {
    Q_OBJECT
public:
    PAINT_OUT3(double width, double height, PROJECT_DATA *project, SCAN_DATA *scan,
               QGraphicsItem *parent = nullptr);

public slots:
    void PaintOut2Path(QPainterPath Path) { setBasePath(Path); }
};
