#pragma once

#include "area/geometry/scan_points.h"
#include "area/store/project_data.h"
#include "check/zone_rules.h"

#include <QPointF>
#include <QSizeF>
#include <QVector>

// The sensor's three outputs, switched scan by scan by the same rules and the same zones as the design
// check and the editor use (check/zone_rules.h): detection size, on and off delay, hysteresis.
class SimOutputs {
public:
    // One scan of the sensor at timeMs in the given area. Serial: the 640 beams as the sensor sends
    // them (beam k at serialBeamBearing(k)); otherwise a streamed revolution (point i at
    // streamPointBearing(i, count)).
    // sceneSize is the model's scene square (straight zones end at its edge).
    void takeScan(const AREA_DATA &area, int areaIndex, const QSizeF &sceneSize, const quint16 *distance,
                  int count, bool serial, qint64 timeMs);
    // Output bits (bit 0 = Out 1 ...) after the last scan.
    int bits() const;
    // A rebooted sensor starts with its outputs off.
    void reset();

private:
    QSizeF m_sceneSize;
    zone::AreaSight m_sight;
    AREA_DATA m_sightOf;
    int m_sightArea = -1;
    zone::OutputSwitch m_switches[zone::Hits::kOutputs];
    ScanAngles m_angles;
    QVector<QPointF> m_points;
    QVector<quint16> m_ordered;
};
