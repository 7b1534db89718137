#include "area/store/project_data.h"

int &AREA_DATA::shape(int output)
{
    switch (output) {
    case 1: return Out2Shape;
    case 2: return Out3Shape;
    default: return Out1Shape;
    }
}

int AREA_DATA::shape(int output) const
{
    return const_cast<AREA_DATA *>(this)->shape(output);
}

QVector<QPoint> &AREA_DATA::coord(int output)
{
    switch (output) {
    case 1: return Out2Coord;
    case 2: return Out3Coord;
    default: return Out1Coord;
    }
}

const QVector<QPoint> &AREA_DATA::coord(int output) const
{
    return const_cast<AREA_DATA *>(this)->coord(output);
}

bool AREA_DATA::operator==(const AREA_DATA &o) const
{
    return OpenDelay == o.OpenDelay && CloseDelay == o.CloseDelay && Hysteresis == o.Hysteresis &&
           DetectionSize == o.DetectionSize && SteerMinDgree == o.SteerMinDgree &&
           SteerMaxDgree == o.SteerMaxDgree && VehicleMinSpeed == o.VehicleMinSpeed &&
           VehicleMaxSpeed == o.VehicleMaxSpeed && VehicleOptionMode == o.VehicleOptionMode &&
           Out1Shape == o.Out1Shape && Out2Shape == o.Out2Shape && Out3Shape == o.Out3Shape &&
           Out1Coord == o.Out1Coord && Out2Coord == o.Out2Coord && Out3Coord == o.Out3Coord;
}

PROJECT_DATA::PROJECT_DATA()
{
    resetToStartup();
}

void PROJECT_DATA::resetToStartup()
{
    SceneWidth = SceneHeight = 72000;
    Modified = false;
    CurrentArea = 0;
    CurrentOutput = 0;
    Areas = QVector<AREA_DATA>(kAreaCount, EmptyArea);
    Clipboard = EmptyArea;
    UndoPosition = QVector<int>(kAreaCount, 0);
    UndoSeed = QVector<AREA_DATA>(1, EmptyArea);
    UndoHistory = QVector<QVector<AREA_DATA>>(kAreaCount, UndoSeed);
    InputSimulation = OutputSimulation = FaultSimulation = CaseSimulation = false;
    SimInputBits = SimOutputBits = 0;
    SimFault = 0;
    SimDgree = SimSpeed = SimOptionMode = 0;
}

int PROJECT_DATA::clampCurrentArea()
{
    if (CurrentArea > kAreaCount - 1)
        CurrentArea = kAreaCount - 1;
    return CurrentArea;
}

PROJECT_DATA &ProjectData()
{
    static PROJECT_DATA data;
    return data;
}
