#include "area/edit_control.h"

#include "area/store/project_data.h"

#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <algorithm>

namespace {
constexpr int kSteerLimit = 180;
constexpr int kSpeedLimit = 300;
constexpr int kShapeCount = 6;

bool shapeAllowed(int output, int shape)
{
    return shape >= Polygon && shape <= (output == 0 ? Rectangle : Ratio);
}

QVector<QPoint> creationPoints(int shape)
{
    switch (shape) {
    case Arc: return QVector<QPoint>(2, QPoint(20, 0));
    case Rectangle: return QVector<QPoint>(4, QPoint(20, 0));
    case Straight:
    case Fan:
    case Ratio: return {QPoint(0, 20)};
    default: return {};
    }
}
} // namespace

EDIT_CONTROL::EDIT_CONTROL(PROJECT_DATA *project, const Widgets &widgets) : Project(project), W(widgets)
{
    for (QSpinBox *steer : {W.SteerMinDgree, W.SteerMaxDgree})
        steer->setRange(-kSteerLimit, kSteerLimit);
    for (QSpinBox *speed : {W.VehicleMinSpeed, W.VehicleMaxSpeed})
        speed->setRange(-kSpeedLimit, kSpeedLimit);

    for (int k = 0; k < kOutputCount; ++k)
        for (int s = 0; s < kShapeCount; ++s)
            if (QPushButton *b = W.ShapeButtons[k][s]) {
                b->setCheckable(shapeAllowed(k, s));
                b->setChecked(s == Polygon);
            }
    // Out 1 has no dependent shapes, and ratio is not offered as a dependent shape.
    for (int s : {Straight, Fan, Ratio})
        if (QPushButton *b = W.ShapeButtons[0][s])
            b->setEnabled(false);
    for (int k : {1, 2})
        if (QPushButton *b = W.ShapeButtons[k][Ratio])
            b->setEnabled(false);

    AREA_DATA &area = Project->currentArea();
    area.Out1Shape = area.Out2Shape = area.Out3Shape = Polygon;

    const auto activated = qOverload<int>(&QComboBox::activated);
    connect(W.OpenDelay, activated, this, &EDIT_CONTROL::OpenDelayIndexChange);
    connect(W.CloseDelay, activated, this, &EDIT_CONTROL::CloseDelayIndexChange);
    connect(W.Hysteresis, activated, this, &EDIT_CONTROL::HysteresisIndexChange);
    connect(W.DetectionSize, activated, this, &EDIT_CONTROL::DetectionSizeIndexChange);
    for (QSpinBox *box : {W.SteerMinDgree, W.SteerMaxDgree, W.VehicleMinSpeed, W.VehicleMaxSpeed})
        connect(box, &QSpinBox::editingFinished, this, &EDIT_CONTROL::CaseChannelParameterChange);
    connect(W.VehicleOptionMode, activated, this, &EDIT_CONTROL::CaseChannelParameterChange);

    using Slot = void (EDIT_CONTROL::*)();
    const Slot shapeSlots[3][kShapeCount] = {
        {&EDIT_CONTROL::PolygonOut1ClickedChange, &EDIT_CONTROL::ArcOut1ClickedChange,
         &EDIT_CONTROL::RectangleOut1ClickedChange, nullptr, nullptr, nullptr},
        {&EDIT_CONTROL::PolygonOut2ClickedChange, &EDIT_CONTROL::ArcOut2ClickedChange,
         &EDIT_CONTROL::RectangleOut2ClickedChange, &EDIT_CONTROL::StraightOut2ClickedChange,
         &EDIT_CONTROL::FanOut2ClickedChange, &EDIT_CONTROL::RatioOut2ClickedChange},
        {&EDIT_CONTROL::PolygonOut3ClickedChange, &EDIT_CONTROL::ArcOut3ClickedChange,
         &EDIT_CONTROL::RectangleOut3ClickedChange, &EDIT_CONTROL::StraightOut3ClickedChange,
         &EDIT_CONTROL::FanOut3ClickedChange, &EDIT_CONTROL::RatioOut3ClickedChange}};
    for (int k = 0; k < kOutputCount; ++k)
        for (int s = 0; s < kShapeCount; ++s)
            if (shapeSlots[k][s] && W.ShapeButtons[k][s])
                connect(W.ShapeButtons[k][s], &QPushButton::clicked, this, shapeSlots[k][s]);

    // Whatever changes the tab (a click, Ctrl+Tab, arrow keys on the tab bar) changes the edited output.
    connect(W.AreaEditTab, &QTabWidget::currentChanged, this, &EDIT_CONTROL::AreaEditTabChannel);
}

// ---- zone parameters and case channel ----------------------------------------------------------

void EDIT_CONTROL::CommitCaseChannel()
{
    // Only a box being typed into holds something new; the others show the area as it is.
    const QSpinBox *const boxes[] = {W.SteerMinDgree, W.SteerMaxDgree, W.VehicleMinSpeed, W.VehicleMaxSpeed};
    if (std::none_of(std::begin(boxes), std::end(boxes), [](const QSpinBox *b) { return b->hasFocus(); }))
        return;
    const AREA_DATA &area = Project->currentArea();
    if (area.SteerMinDgree != W.SteerMinDgree->value() || area.SteerMaxDgree != W.SteerMaxDgree->value() ||
        area.VehicleMinSpeed != W.VehicleMinSpeed->value() ||
        area.VehicleMaxSpeed != W.VehicleMaxSpeed->value())
        CaseChannelParameterChange();
}

void EDIT_CONTROL::OpenDelayIndexChange(int Index)
{
    Project->currentArea().OpenDelay = Index;
    emit EditControlParaChangeSignal();
}

void EDIT_CONTROL::CloseDelayIndexChange(int Index)
{
    Project->currentArea().CloseDelay = Index;
    emit EditControlParaChangeSignal();
}

void EDIT_CONTROL::HysteresisIndexChange(int Index)
{
    Project->currentArea().Hysteresis = Index;
    emit EditControlParaChangeSignal();
}

void EDIT_CONTROL::DetectionSizeIndexChange(int Index)
{
    Project->currentArea().DetectionSize = Index;
    emit EditControlParaChangeSignal();
}

void EDIT_CONTROL::CaseChannelParameterChange()
{
    AREA_DATA &area = Project->currentArea();
    area.SteerMinDgree = W.SteerMinDgree->value();
    area.SteerMaxDgree = W.SteerMaxDgree->value();
    area.VehicleMinSpeed = W.VehicleMinSpeed->value();
    area.VehicleMaxSpeed = W.VehicleMaxSpeed->value();
    area.VehicleOptionMode = W.VehicleOptionMode->currentIndex();
    emit EditControlParaChangeSignal();
}

// ---- shapes -----------------------------------------------------------------------------------

void EDIT_CONTROL::checkShapeButton(int output, int shape)
{
    for (int s = 0; s < kShapeCount; ++s)
        if (QPushButton *b = W.ShapeButtons[output][s])
            b->setChecked(s == shape);
}

void EDIT_CONTROL::setShape(int output, int shape)
{
    checkShapeButton(output, shape);
    AREA_DATA &area = Project->currentArea();
    if (area.shape(output) == shape)
        return;
    // A polygon keeps whatever points the zone had; every other shape starts from its own.
    if (shape != Polygon)
        area.coord(output) = creationPoints(shape);
    area.shape(output) = shape;
    emit EditControlShapeChangeSignal();
}

void EDIT_CONTROL::PolygonOut1ClickedChange()
{
    setShape(0, Polygon);
}
void EDIT_CONTROL::ArcOut1ClickedChange()
{
    setShape(0, Arc);
}
void EDIT_CONTROL::RectangleOut1ClickedChange()
{
    setShape(0, Rectangle);
}
void EDIT_CONTROL::PolygonOut2ClickedChange()
{
    setShape(1, Polygon);
}
void EDIT_CONTROL::ArcOut2ClickedChange()
{
    setShape(1, Arc);
}
void EDIT_CONTROL::RectangleOut2ClickedChange()
{
    setShape(1, Rectangle);
}
void EDIT_CONTROL::StraightOut2ClickedChange()
{
    setShape(1, Straight);
}
void EDIT_CONTROL::FanOut2ClickedChange()
{
    setShape(1, Fan);
}
void EDIT_CONTROL::RatioOut2ClickedChange()
{
    setShape(1, Ratio);
}
void EDIT_CONTROL::PolygonOut3ClickedChange()
{
    setShape(2, Polygon);
}
void EDIT_CONTROL::ArcOut3ClickedChange()
{
    setShape(2, Arc);
}
void EDIT_CONTROL::RectangleOut3ClickedChange()
{
    setShape(2, Rectangle);
}
void EDIT_CONTROL::StraightOut3ClickedChange()
{
    setShape(2, Straight);
}
void EDIT_CONTROL::FanOut3ClickedChange()
{
    setShape(2, Fan);
}
void EDIT_CONTROL::RatioOut3ClickedChange()
{
    setShape(2, Ratio);
}

// ---- tab and refill ---------------------------------------------------------------------------

void EDIT_CONTROL::AreaEditTabChannel(int Index)
{
    if (Index >= 0 && Index < kOutputCount)
        Project->CurrentOutput = Index;
}

void EDIT_CONTROL::EditControlUpdateEditData()
{
    const AREA_DATA &area = Project->currentArea();
    // Programmatic selections emit currentIndexChanged only, never activated or editingFinished.
    W.OpenDelay->setCurrentIndex(area.OpenDelay);
    W.CloseDelay->setCurrentIndex(area.CloseDelay);
    W.Hysteresis->setCurrentIndex(area.Hysteresis);
    W.DetectionSize->setCurrentIndex(area.DetectionSize);
    W.SteerMinDgree->setValue(area.SteerMinDgree);
    W.SteerMaxDgree->setValue(area.SteerMaxDgree);
    W.VehicleMinSpeed->setValue(area.VehicleMinSpeed);
    W.VehicleMaxSpeed->setValue(area.VehicleMaxSpeed);
    W.VehicleOptionMode->setCurrentIndex(area.VehicleOptionMode);

    // The shapes already match, so this only moves the check marks.
    for (int k = 0; k < kOutputCount; ++k) {
        const int shape = area.shape(k);
        if (shapeAllowed(k, shape))
            setShape(k, shape);
    }
}
