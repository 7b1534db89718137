#pragma once

// Where the beams of a scan land: the one conversion from a list of distances to points, shared by the
// live scan view, the design check and the stand-in's output lamps, so all three see the same points.
// Points are in scene coordinates (x right, y down, one unit per mm; the sensor at the origin), where a
// stored zone point (X, Y) lands at (X, -Y).

#include <QPointF>
#include <QVector>

class ScanAngles {
public:
    // Angle of value i, in radians, measured clockwise on the screen. Serial: 640 beams from bearing
    // 250 deg stepping clockwise by half a degree. Ethernet: count values over the seen 320 deg,
    // running counter-clockwise from bearing -70 deg, or clockwise from 250 deg when the sensor is
    // mounted the other way up.
    static double serialAngle(int i);
    static double etherAngle(int i, int count, bool installDir);
    // Degrees between neighbouring values.
    static double stepDegrees(bool serial, int count) { return serial ? 0.5 : 320.0 / count; }

    // Prepares the angles of a scan of this kind; cheap when nothing changed.
    void refresh(bool serial, int count, bool installDir);
    int count() const { return m_count; }
    // Value i at distance v (mm) as a point; whole millimetres, as the view draws it. A distance of 0
    // (no echo) lands on the sensor itself.
    QPointF point(int i, double v) const { return QPointF(int(v * m_cos[i]), int(v * m_sin[i])); }

private:
    QVector<double> m_cos;
    QVector<double> m_sin;
    int m_serial = -1;
    int m_count = -1;
    bool m_installDir = false;
};
