#pragma once

#include <QPoint>
#include <QVector>

// Shape code of one output zone.
enum SHAPETYPE { Polygon = 0, Arc = 1, Rectangle = 2, Straight = 3, Fan = 4, Ratio = 5 };
// Straight, fan and ratio zones are cut from the zone of the output before them.
constexpr bool isDependentShape(int shape)
{
    return shape == Straight || shape == Fan || shape == Ratio;
}

// Number of outputs per area and of areas per project.
constexpr int kOutputCount = 3;
constexpr int kAreaCount = 64;
constexpr int kUndoDepth = 100;
// The most points one zone can have: what the sensor holds, and what the editor lets a zone grow to.
constexpr int kMaxZonePoints = 100;

// An arc as the sensor's area record holds it: the two whole-degree angles in record order and the
// radius. Kept from the last read so that an arc written back unedited leaves exactly as it came,
// whatever rounding turning it into points and back would do.
struct ArcRecord {
    int first = 0;
    int second = 0;
    int radius = 0;
    bool valid = false;
};

// One area: four zone parameter indexes, five case channel values, three shapes, three point lists.
struct AREA_DATA {
    int OpenDelay = 0;
    int CloseDelay = 0;
    int Hysteresis = 0;
    int DetectionSize = 0;
    int SteerMinDgree = 0;
    int SteerMaxDgree = 0;
    int VehicleMinSpeed = 0;
    int VehicleMaxSpeed = 0;
    int VehicleOptionMode = 0;
    int Out1Shape = Polygon;
    int Out2Shape = Polygon;
    int Out3Shape = Polygon;
    QVector<QPoint> Out1Coord;
    QVector<QPoint> Out2Coord;
    QVector<QPoint> Out3Coord;
    // Per output, the arc as last read from the sensor; not part of the design (not saved, not compared).
    ArcRecord ReadArc[kOutputCount];

    // Output 0..2 by index; anything else is treated as Out 1 so that a stray index never
    // reaches past the three outputs.
    int &shape(int output);
    int shape(int output) const;
    QVector<QPoint> &coord(int output);
    const QVector<QPoint> &coord(int output) const;

    bool operator==(const AREA_DATA &o) const;
    bool operator!=(const AREA_DATA &o) const { return !(*this == o); }
};

// The one project store. Exactly one instance exists, reached through ProjectData().
class PROJECT_DATA {
public:
    PROJECT_DATA();
    PROJECT_DATA(const PROJECT_DATA &) = delete;
    PROJECT_DATA &operator=(const PROJECT_DATA &) = delete;

    double SceneWidth = 72000;
    double SceneHeight = 72000;
    bool Modified = false;
    int CurrentArea = 0;
    int CurrentOutput = 0;
    QVector<AREA_DATA> Areas;
    AREA_DATA Clipboard;
    const AREA_DATA EmptyArea;
    QVector<int> UndoPosition;
    QVector<AREA_DATA> UndoSeed;
    QVector<QVector<AREA_DATA>> UndoHistory;
    bool InputSimulation = false;
    bool OutputSimulation = false;
    bool FaultSimulation = false;
    bool CaseSimulation = false;
    int SimInputBits = 0;
    int SimOutputBits = 0;
    quint8 SimFault = 0;
    int SimDgree = 0;
    int SimSpeed = 0;
    int SimOptionMode = 0;

    // CurrentArea clamped to 63 and written back; every user of the current area goes through it.
    int clampCurrentArea();
    AREA_DATA &currentArea() { return Areas[clampCurrentArea()]; }

    // Back to the static start-up state (for a fresh process; tests use it between cases).
    void resetToStartup();
};

PROJECT_DATA &ProjectData();
