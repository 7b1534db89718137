#pragma once

#include "area/store/project_data.h"
#include "comm/codec/frame_records.h"
#include "comm/codec/sensor_parameters.h"

#include <QByteArray>
#include <QVector>

// What the simulated sensor keeps in its flash: 64 area records, 64 case channels, the 25
// parameters and its product data. It survives a reboot, as a real sensor's flash does.
class SensorState {
public:
    SensorState();

    // Factory state: example zones in every area, a case channel grid, default parameters.
    void resetToFactory();

    // The stored record of an area (1264 bytes, as last written) and its decoded zones.
    const QByteArray &areaRecord(int index) const { return m_records[index]; }
    const AREA_DATA &area(int index) const { return m_areas[index]; }
    // Stores a received "WArea" frame for its area; false when the index is outside 0..63.
    bool storeArea(const QByteArray &frame);
    // Changes a stored area behind the program's back: detection size one higher.
    void alterArea(int index);

    QVector<CaseChannel> cases;
    SENSOR_PARAMETERS parameters;
    ProductInfo product;

    // The first area whose case channel rule (steering range, speed range, operation mode) holds
    // the given values, or -1.
    int caseChannelMatch(int steering, int speed, int mode) const;

private:
    QVector<QByteArray> m_records;
    QVector<AREA_DATA> m_areas;
};

// The example zones a factory-fresh sensor holds for an area.
AREA_DATA exampleArea(int index);
