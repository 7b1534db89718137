#pragma once

// Controller of the editor scene. It owns the five base items (the three output zones and the
// two live scan overlays) and the vertex handles of the output being edited, and keeps handles and
// stored coordinates in step both ways: a change of the coordinates elsewhere rebuilds the
// handles; a drag or delete of a handle rewrites the output's coordinate list in the project store.

// Full type: connecting to the slots that take a handle needs it.
#include <QGraphicsItem>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QVector>

class QGraphicsScene;
class PROJECT_DATA;
struct SCAN_DATA;
struct AREA_DATA;
class PAINT_OUT1;
class PAINT_OUT2;
class PAINT_OUT3;
class PAINT_OUTLINE;
class PAINT_STRENGTH;

class OPTION_SCENE : public QObject {
    Q_OBJECT
public:
    // deviceType points at the main window's model code; baseItems is the view's list, which this
    // controller fills with Out1, Out2, Out3, the outline and the intensity item, in that order.
    OPTION_SCENE(int *deviceType, QGraphicsScene *scene, PROJECT_DATA *project, SCAN_DATA *scan,
                 QList<QGraphicsItem *> *baseItems, QObject *parent = nullptr);

    // New model: scene square, size of the five base items and the store's scene extent. A code
    // outside 0..4 keeps the current extent.
    void SetDeviceType(int *deviceType);

    // The live streams switch the overlays on and off (the main window's Distance and Intensity).
    void setOutlineVisible(bool visible);
    void setIntensityVisible(bool visible);
    // While monitoring the handles are hidden: the zones are watched, not edited.
    void setHandlesVisible(bool visible);
    // The sensor's output word (bit 0 = Out 1): the zones of switched outputs are drawn stronger.
    void setReportedOutputs(uint outputs);

    PAINT_OUT1 *out1Item() const { return Out1; }
    PAINT_OUT2 *out2Item() const { return Out2; }
    PAINT_OUT3 *out3Item() const { return Out3; }
    PAINT_OUTLINE *outlineItem() const { return Outline; }
    PAINT_STRENGTH *intensityItem() const { return Strength; }
    const QList<QGraphicsItem *> &handles() const { return Handles; }
    double scale() const { return Scale; }
    int extentWidth() const { return ExtentWidth; }
    int extentHeight() const { return ExtentHeight; }

public slots:
    // Repaint of the whole outline item, and with it the zones under it.
    void UpdataPaintOutline();
    void UpdataPaintIntensity();
    // The output being edited lies on top of the other two.
    void PaintOutItemSetZValue();
    // A spare handle on the sensor when the current output is a polygon and none sits there.
    void AddCenterPointItemSlots();
    // Rebuilds every handle from the current output's stored points.
    void CoordTableUpdatePointItem();
    // Rewrites the current output's stored points from the handles.
    void PointItemUpdateCoordTable();
    void ChangeScaleSize(qreal scale);
    // Item may name a handle this controller already deleted: it is only looked up, never used
    // unless it is still in the handle list.
    void MovePointItemSlots(QGraphicsItem *Item);
    void DeletePointItemSlots(QGraphicsItem *Item);

signals:
    // The handles have rewritten the current output's coordinates.
    void PointItemChannelSignal();
    // Every handle was deleted and made anew: a handle pointer kept elsewhere is stale now.
    void HandlesRebuilt();
    // The spare handle was dragged off the sensor while the zone already holds the most points the
    // sensor can; it went back to the sensor.
    void PointLimitSignal();

private:
    bool isBaseItem(const QGraphicsItem *item) const;
    int currentOutput() const;
    AREA_DATA &currentArea();
    void applyExtent(int extent);
    void repaintZones();
    void constrainedMove(QGraphicsItem *item, int output);
    // The handle waiting on the sensor for a drag to add a vertex; none while a vertex sits there.
    QGraphicsItem *Spare = nullptr;
    QGraphicsItem *newHandle(int output, int shape, const QPointF &at);
    void rememberArcBearings(int shape, const QVector<QPoint> &points);
    float arcBearing(int end, const QPoint &stored) const;

    int *DeviceType;
    QGraphicsScene *Scene;
    PROJECT_DATA *Project;
    SCAN_DATA *Scan;
    QList<QGraphicsItem *> *BaseItems;
    QList<QGraphicsItem *> Handles;
    double Scale = 1.0;
    int ExtentWidth = 0;
    int ExtentHeight = 0;
    PAINT_OUT1 *Out1 = nullptr;
    PAINT_OUT2 *Out2 = nullptr;
    PAINT_OUT3 *Out3 = nullptr;
    PAINT_OUTLINE *Outline = nullptr;
    PAINT_STRENGTH *Strength = nullptr;
    // Bearings (radians) of the two ends of an arc being edited, kept from the handle rebuild.
    float ArcBearing[2] = {0, 0};
    bool ArcBearingsKnown = false;
    bool HandlesShown = true;
};
