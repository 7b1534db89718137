#pragma once

#include <QPointF>
#include <QtGlobal>

// What the simulated sensor sees: a rectangular room whose walls stand 3 to 8 m away, a pillar, a
// dark panel that returns no light, and one box-sized object wandering through the room. Bearings
// are degrees counter-clockwise from +X (right), in the sensor's own frame, millimetres.
class SimScene {
public:
    struct Beam {
        quint16 distance = 0;
        quint16 intensity = 0;
    };

    // One beam at a bearing and a time (seconds since the sensor started). `noiseKey` varies the
    // small measurement jitter from revolution to revolution.
    Beam beam(double bearingDeg, double seconds, quint32 noiseKey) const;

    // The moving object's centre at a time; tests of the views can use it to know where to look.
    static QPointF objectCentre(double seconds);
    static constexpr double kObjectRadius = 350;
};

// Serial beam k (0..639) of an "RScan"/"RStre" reply looks along this bearing.
inline double serialBeamBearing(int k)
{
    return -69.5 + 0.5 * k;
}
// Point i of a streamed revolution of n points looks along this bearing.
inline double streamPointBearing(int i, int n)
{
    return -70.0 + 320.0 * i / n;
}
