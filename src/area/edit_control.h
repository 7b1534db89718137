#pragma once

// The zone parameter lists, the case channel rule and the shape buttons of the edit dock, bound to
// the current area. A user change is written into the area at once and announced; a refill from
// the area announces nothing. It also records which output tab is being edited.

#include <QObject>

class PROJECT_DATA;
class QComboBox;
class QPushButton;
class QSpinBox;
class QTabWidget;

class EDIT_CONTROL : public QObject {
    Q_OBJECT
public:
    // The form's widgets the controller works on; it owns none of them. Shape buttons are indexed
    // [output 0..2][SHAPETYPE 0..5].
    struct Widgets {
        QTabWidget *AreaEditTab = nullptr;
        QComboBox *OpenDelay = nullptr;
        QComboBox *CloseDelay = nullptr;
        QComboBox *Hysteresis = nullptr;
        QComboBox *DetectionSize = nullptr;
        QSpinBox *SteerMinDgree = nullptr;
        QSpinBox *SteerMaxDgree = nullptr;
        QSpinBox *VehicleMinSpeed = nullptr;
        QSpinBox *VehicleMaxSpeed = nullptr;
        QComboBox *VehicleOptionMode = nullptr;
        QPushButton *ShapeButtons[3][6] = {};
    };

    EDIT_CONTROL(PROJECT_DATA *project, const Widgets &widgets);

    // Stores the case channel spin boxes when one of them is being typed into and they show
    // something the area does not hold yet (a value not yet finished with Enter or a focus change).
    void CommitCaseChannel();

public slots:
    void OpenDelayIndexChange(int Index);
    void CloseDelayIndexChange(int Index);
    void HysteresisIndexChange(int Index);
    void DetectionSizeIndexChange(int Index);
    void CaseChannelParameterChange();

    void PolygonOut1ClickedChange();
    void ArcOut1ClickedChange();
    void RectangleOut1ClickedChange();
    void PolygonOut2ClickedChange();
    void ArcOut2ClickedChange();
    void RectangleOut2ClickedChange();
    void StraightOut2ClickedChange();
    void FanOut2ClickedChange();
    void RatioOut2ClickedChange();
    void PolygonOut3ClickedChange();
    void ArcOut3ClickedChange();
    void RectangleOut3ClickedChange();
    void StraightOut3ClickedChange();
    void FanOut3ClickedChange();
    void RatioOut3ClickedChange();

    void AreaEditTabChannel(int Index);
    void EditControlUpdateEditData();

signals:
    void EditControlParaChangeSignal();
    void EditControlShapeChangeSignal();

private:
    void setShape(int output, int shape);
    void checkShapeButton(int output, int shape);

    PROJECT_DATA *Project;
    Widgets W;
};
