#pragma once

// The design the fleet tests and bench_fleet write: it differs from what a factory-fresh stand-in holds
// in every area, its case channels and three parameters. Polygon points run in ascending bearing, the
// order in which the sensor stores them, so a read-back equals the design.

#include "area/store/project_data.h"
#include "comm/codec/sensor_parameters.h"

inline QVector<AREA_DATA> fleetDesignAreas()
{
    QVector<AREA_DATA> areas(kAreaCount);
    for (int i = 0; i < kAreaCount; ++i) {
        AREA_DATA &a = areas[i];
        const int grow = 20 * i;
        a.OpenDelay = i % 5;
        a.DetectionSize = 2 + i % 3;
        a.SteerMinDgree = -i;
        a.SteerMaxDgree = i;
        a.VehicleMaxSpeed = 100 + i;
        a.Out1Shape = Polygon;
        a.Out1Coord = {QPoint(1300 + grow, 250), QPoint(800 + grow, 2700 + grow),
                       QPoint(-800 - grow, 2700 + grow), QPoint(-1300 - grow, 250)};
    }
    return areas;
}

inline SENSOR_PARAMETERS fleetDesignParameters()
{
    SENSOR_PARAMETERS p;
    p.resetToDefaults();
    p.RS485IDAddress = 9;
    p.CANIDAddress = 33;
    p.SensorIPAddressHigh = 10 << 8; // 10.0.0.5, not the address the stand-in's sensors hold
    p.SensorIPAddressLow = 5;
    return p;
}
