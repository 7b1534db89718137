#pragma once

#include "area/store/language.h"
// The Teaching tab of each output: gathers revolutions of the live scan, shows the taught outline
// over the scan and asks whether to take it; accepting makes the output a polygon of those points
// as one undo step of the area. Usable only while a live scan is arriving.

#include "editor/teach_in.h"

#include <QObject>

class AREA_TABLE;
class PROJECT_DATA;
class QCheckBox;
class QComboBox;
class QGraphicsPathItem;
class QGraphicsScene;
class QPushButton;
class QSpinBox;
class QTimer;
class QWidget;

class TeachControl : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QSpinBox *corner1 = nullptr; // range start, degrees
        QSpinBox *corner2 = nullptr; // range end, degrees
        QSpinBox *size1 = nullptr;   // revolutions to gather
        QSpinBox *size2 = nullptr;   // simplification tolerance, mm
        QComboBox *method = nullptr; // Average, Minimum
        QSpinBox *offset = nullptr;  // distance offset, mm
        QCheckBox *simplify = nullptr;
        QPushButton *teach = nullptr;
        QPushButton *select = nullptr;
    };
    // With no scan for this long, the live scan counts as stopped.
    static constexpr int kScanQuietMs = 3000;

    TeachControl(PROJECT_DATA *project, const SCAN_DATA *scan, const int *deviceType, AREA_TABLE *areaTable,
                 QGraphicsScene *scene, const Controls controls[3], QWidget *window);

    void setLanguage(Language language);
    // The outline shown while the user decides; null otherwise.
    QGraphicsPathItem *preview() const { return Preview; }
    teach::Settings settings(int output) const;

public slots:
    // A revolution (or a serial scan) arrived.
    void scanArrived();
    // The output's Start Teach button: starts gathering, or cancels a gathering under way.
    void teachClicked(int output);

private:
    void setScanRunning(bool running);
    void gathered();
    void showTeachText();
    void clearPreview();
    void accept(const QVector<QPoint> &zone);

    PROJECT_DATA *Project;
    const int *DeviceType;
    AREA_TABLE *AreaTable;
    QGraphicsScene *Scene;
    Controls Outputs[3];
    QWidget *Window;
    teach::Gatherer *Gatherer;
    QTimer *Quiet;
    QGraphicsPathItem *Preview = nullptr;
    Language Lang = Language::Chinese;
    bool ScanRunning = false;
    bool Asking = false;
    int TeachArea = -1;
    int TeachOutput = -1;
};
