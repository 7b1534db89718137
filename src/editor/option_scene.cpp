#include "editor/option_scene.h"

#include "area/geometry/polar.h"
#include "area/store/device_type.h"
#include "area/store/project_data.h"
#include "comm/codec/scan_data.h"
#include "editor/paint_out.h"
#include "editor/paint_outline.h"
#include "editor/point_items.h"

#include <QGraphicsScene>
#include <QTransform>

#include <cmath>

namespace {

// A handle's scene position as the stored point it stands for: scene y points down, and both
// coordinates are truncated toward zero.
QPoint storedPoint(const QGraphicsItem *handle)
{
    const QPointF p = handle->pos();
    return QPoint(int(p.x()), -int(p.y()));
}

QPointF scenePoint(const QPoint &stored)
{
    return QPointF(stored.x(), -stored.y());
}

// Far more than the creep of whole-millimetre rounding, far less than any deliberate edit.
constexpr float kArcBearingSlack = 0.02f; // radians, about 1.1 degrees

} // namespace

OPTION_SCENE::OPTION_SCENE(int *deviceType, QGraphicsScene *scene, PROJECT_DATA *project, SCAN_DATA *scan,
                           QList<QGraphicsItem *> *baseItems, QObject *parent)
    : QObject(parent), DeviceType(deviceType), Scene(scene), Project(project), Scan(scan),
      BaseItems(baseItems)
{
    Scale = 1.0;
    const DeviceInfo *info = deviceInfo(deviceType ? *deviceType : kDefaultDeviceType);
    if (!info)
        info = deviceInfo(kDefaultDeviceType);
    ExtentWidth = ExtentHeight = info->extent;
    Scene->setSceneRect(-ExtentWidth / 2, -ExtentHeight / 2, ExtentWidth, ExtentHeight);

    const double w = ExtentWidth;
    const double h = ExtentHeight;
    Out1 = new PAINT_OUT1(w, h, Project, Scan);
    Out2 = new PAINT_OUT2(w, h, Project, Scan);
    Out3 = new PAINT_OUT3(w, h, Project, Scan);
    Outline = new PAINT_OUTLINE(w, h, Project, Scan, &Scale);
    Strength = new PAINT_STRENGTH(w, h, Project, Scan, &Scale);
    // No scan has arrived yet: the overlays appear when a stream is switched on with a sensor.
    Outline->setVisible(false);
    Strength->setVisible(false);
    for (QGraphicsItem *item : {static_cast<QGraphicsItem *>(Out1), static_cast<QGraphicsItem *>(Out2),
                                static_cast<QGraphicsItem *>(Out3), static_cast<QGraphicsItem *>(Outline),
                                static_cast<QGraphicsItem *>(Strength)}) {
        Scene->addItem(item);
        if (BaseItems)
            BaseItems->append(item);
    }
    Project->SceneWidth = ExtentWidth;
    Project->SceneHeight = ExtentHeight;

    AddCenterPointItemSlots();

    // Dependent zones are cut from the outline of the zone before them.
    connect(Out1, &PAINT_OUT1::PaintOut1Path, Out2, &PAINT_OUT2::PaintOut1Path);
    connect(Out2, &PAINT_OUT2::PaintOut2Path, Out3, &PAINT_OUT3::PaintOut2Path);
}

void OPTION_SCENE::SetDeviceType(int *deviceType)
{
    DeviceType = deviceType;
    if (const DeviceInfo *info = deviceInfo(deviceType ? *deviceType : -1))
        ExtentWidth = ExtentHeight = info->extent;
    applyExtent(ExtentWidth);
}

void OPTION_SCENE::applyExtent(int extent)
{
    Scene->setSceneRect(-extent / 2, -extent / 2, extent, extent);
    Out1->setSize(extent, extent);
    Out2->setSize(extent, extent);
    Out3->setSize(extent, extent);
    Outline->setSize(extent, extent);
    Strength->setSize(extent, extent);
    Project->SceneWidth = extent;
    Project->SceneHeight = extent;
}

void OPTION_SCENE::setOutlineVisible(bool visible)
{
    Outline->setVisible(visible);
    // A hidden outline cannot carry the zones' repaint; ask for them directly.
    repaintZones();
}

void OPTION_SCENE::setHandlesVisible(bool visible)
{
    HandlesShown = visible;
    for (QGraphicsItem *handle : Handles)
        handle->setVisible(visible);
    PaintOutItemSetZValue();
}

void OPTION_SCENE::setReportedOutputs(uint outputs)
{
    Out1->setReported(outputs & 1u);
    Out2->setReported(outputs & 2u);
    Out3->setReported(outputs & 4u);
}

void OPTION_SCENE::setIntensityVisible(bool visible)
{
    Strength->setVisible(visible);
    repaintZones();
}

bool OPTION_SCENE::isBaseItem(const QGraphicsItem *item) const
{
    return item == Out1 || item == Out2 || item == Out3 || item == Outline || item == Strength;
}

int OPTION_SCENE::currentOutput() const
{
    const int output = Project->CurrentOutput;
    return (output >= 0 && output < kOutputCount) ? output : 0;
}

AREA_DATA &OPTION_SCENE::currentArea()
{
    return Project->currentArea();
}

void OPTION_SCENE::repaintZones()
{
    Out1->update();
    Out2->update();
    Out3->update();
}

void OPTION_SCENE::UpdataPaintOutline()
{
    Outline->update(QRectF());
    // The outline is hidden whenever no stream runs; the zones must follow edits all the same.
    repaintZones();
}

void OPTION_SCENE::UpdataPaintIntensity()
{
    Strength->update(QRectF());
}

void OPTION_SCENE::PaintOutItemSetZValue()
{
    if (!HandlesShown) {
        // Watching, not editing: the nearer, more severe fields lie on top, so none hides another.
        Out1->setZValue(1);
        Out2->setZValue(2);
        Out3->setZValue(3);
        return;
    }
    switch (Project->CurrentOutput) {
    case 0:
        Out1->setZValue(3);
        Out2->setZValue(2);
        Out3->setZValue(1);
        break;
    case 1:
        Out1->setZValue(2);
        Out2->setZValue(3);
        Out3->setZValue(1);
        break;
    case 2:
        Out1->setZValue(1);
        Out2->setZValue(2);
        Out3->setZValue(3);
        break;
    default: break;
    }
}

QGraphicsItem *OPTION_SCENE::newHandle(int output, int shape, const QPointF &at)
{
    QGraphicsItem *handle;
    if (output > 0 && shape != Polygon && shape != Arc && shape != Rectangle)
        handle = new POINT_RATIO(Qt::blue, Project, &Scale);
    else
        handle = new POINT_POINT(Qt::blue, &Scale);
    handle->setPos(at);
    handle->setVisible(HandlesShown);
    Scene->addItem(handle);
    Handles.append(handle);
    return handle;
}

void OPTION_SCENE::AddCenterPointItemSlots()
{
    // Anything but a zone or an overlay on top of the sensor is a handle sitting there already.
    QGraphicsItem *top = Scene->itemAt(QPointF(0, 0), QTransform());
    if (top && !isBaseItem(top))
        return;
    const int output = currentOutput();
    if (currentArea().shape(output) != Polygon)
        return;
    Spare = newHandle(output, Polygon, QPointF(0, 0));
}

void OPTION_SCENE::CoordTableUpdatePointItem()
{
    // The view may still hold one of these as its pressed handle; it only ever hands it back to
    // the move and delete slots, which look it up in the (now new) handle list.
    qDeleteAll(Handles);
    Handles.clear();
    Spare = nullptr;
    emit HandlesRebuilt();

    const int output = currentOutput();
    const AREA_DATA &area = currentArea();
    const int shape = area.shape(output);
    for (const QPoint &p : area.coord(output))
        newHandle(output, shape, scenePoint(p));
    rememberArcBearings(shape, area.coord(output));

    PaintOutItemSetZValue();
    AddCenterPointItemSlots();
}

void OPTION_SCENE::PointItemUpdateCoordTable()
{
    const int output = currentOutput();
    AREA_DATA &area = currentArea();
    QVector<QPoint> &points = area.coord(output);
    // Only the spare handle, while it still waits on the sensor, is not a vertex. A real vertex at the
    // sensor (typed, opened or read from the sensor) and a dependent shape's one handle pulled back to
    // the sensor keep their points.
    // The spare dragged off the sensor of a zone that is full goes back: the sensor holds no more.
    if (Spare && Spare->pos() != QPointF(0, 0) && Handles.size() - 1 >= kMaxZonePoints) {
        Spare->setPos(0, 0);
        emit PointLimitSignal();
    }
    points.clear();
    for (QGraphicsItem *handle : qAsConst(Handles)) {
        const QPointF p = handle->pos();
        if (handle == Spare && p.x() == 0 && p.y() == 0)
            continue;
        points.append(storedPoint(handle));
    }
    repaintZones();
    emit PointItemChannelSignal();
}

void OPTION_SCENE::ChangeScaleSize(qreal scale)
{
    Scale = scale;
    for (QGraphicsItem *handle : qAsConst(Handles))
        static_cast<POINT_HANDLE *>(handle)->scaleChanged();
    Outline->update();
    Strength->update();
}

void OPTION_SCENE::MovePointItemSlots(QGraphicsItem *Item)
{
    const int output = currentOutput();
    const int shape = currentArea().shape(output);
    if (shape == Polygon || (output > 0 && isDependentShape(shape))) {
        PointItemUpdateCoordTable();
        return;
    }
    constrainedMove(Item, output);
}

void OPTION_SCENE::constrainedMove(QGraphicsItem *item, int output)
{
    AREA_DATA &area = currentArea();
    const int shape = area.shape(output);
    QVector<QPoint> &points = area.coord(output);
    int i = Handles.indexOf(item);
    if (i < 0)
        i = Handles.size();
    // Handles and points correspond one to one unless the store changed behind our back; then
    // the move waits for the next rebuild rather than guessing.
    const bool inStep = Handles.size() == points.size();
    // The view reports a handle once more at every release, also after a click that moved
    // nothing (a refused right-click delete among them): an unmoved handle changes no point.

    if (shape == Arc && points.size() == 2) {
        if (inStep && (i == 0 || i == 1) && storedPoint(Handles[i]) != points[i]) {
            const int other = 1 - i;
            points[i] = storedPoint(Handles[i]);
            ArcBearing[i] = polar::angle(points[i]);
            const float r = polar::radius(points[i]);
            // A handle dragged onto the sensor has no radius to share; the other end keeps its
            // point (and so its bearing) instead of collapsing onto the sensor too.
            if (r > 0) {
                points[other] = polar::toPoint(r, arcBearing(other, points[other]));
                Handles[other]->setPos(scenePoint(points[other]));
            }
        }
        repaintZones();
        emit PointItemChannelSignal();
    } else if (shape == Rectangle && points.size() == 4) {
        if (inStep && i >= 0 && i < 4 && storedPoint(Handles[i]) != points[i]) {
            // Corners go round the rectangle: 0-1 and 2-3 share X, 1-2 and 3-0 share Y.
            static const int kSharesX[4] = {1, 0, 3, 2};
            static const int kSharesY[4] = {3, 2, 1, 0};
            const QPoint moved = storedPoint(Handles[i]);
            points[i] = moved;
            points[kSharesX[i]].setX(moved.x());
            Handles[kSharesX[i]]->setX(moved.x());
            points[kSharesY[i]].setY(moved.y());
            Handles[kSharesY[i]]->setY(-moved.y());
        }
        repaintZones();
        emit PointItemChannelSignal();
    }
}

void OPTION_SCENE::rememberArcBearings(int shape, const QVector<QPoint> &points)
{
    ArcBearingsKnown = shape == Arc && points.size() == 2;
    if (ArcBearingsKnown) {
        ArcBearing[0] = polar::angle(points[0]);
        ArcBearing[1] = polar::angle(points[1]);
    }
}

float OPTION_SCENE::arcBearing(int end, const QPoint &stored) const
{
    // Every move stores whole millimetres; re-reading the bearing from the stored end at each move
    // would let it creep along the circle during a long drag. The bearing remembered since the
    // handles were built is used while it still matches the stored end.
    const float fromStore = polar::angle(stored);
    if (ArcBearingsKnown && std::abs(ArcBearing[end] - fromStore) < kArcBearingSlack)
        return ArcBearing[end];
    return fromStore;
}

void OPTION_SCENE::DeletePointItemSlots(QGraphicsItem *Item)
{
    const int output = currentOutput();
    if (currentArea().shape(output) != Polygon)
        return;
    const int i = Handles.indexOf(Item);
    if (i < 0)
        return;
    Handles.removeAt(i);
    if (Item == Spare)
        Spare = nullptr;
    delete Item;
    PointItemUpdateCoordTable();
}
