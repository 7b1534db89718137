#pragma once

// How the sensor switches an output, kept in this one place for the design check and the stand-in:
//
// - A beam counts for an output's zone when its end point lies inside the zone as the editor draws it.
//   A beam without echo (distance 0) is no point.
// - An object is a run of neighbouring beams whose end points all lie inside the zone. It counts only
//   when the run covers at least the detection size in bearing: each beam covers the angle between
//   neighbouring beams, so a run of n beams covers n times that angle.
// - While an output is on, hysteresis widens its zone: the zone scaled by 1 + h/100 about the sensor.
// - An output switches on once an object has been seen without a break for the on delay (at once for
//   0 ms), and off once no object has been seen for the off delay. The time is that of each scan.

#include "area/geometry/zone_hits.h"

#include <QPointF>
#include <QSizeF>
#include <QtGlobal>

struct AREA_DATA;

namespace zone {

// The four zone parameters of an area as quantities. Indexes outside their lists are held to the list's
// ends, so a damaged file cannot ask for a negative delay or a zone scaled to nothing.
struct SwitchRules {
    qint64 onDelayMs = 0;
    qint64 offDelayMs = 0;
    double hysteresisScale = 1; // 1 + h/100
    double detectionDegrees = 0.5;

    static SwitchRules of(const AREA_DATA &area);
};

// The area the sensor reports as active in its input word; held to 0..63 as the sensor holds it.
int areaOfInputWord(uint inputWord);

// What one scan shows to one output's zone.
struct ScanSight {
    bool object = false;     // an object at least the detection size inside the zone
    bool objectWide = false; // the same inside the zone widened by the hysteresis
    double nearestMm = -1;   // nearest end point inside the (widened) zone, -1 when none
    QPointF nearest;         // that point, scene coordinates
};

// The zones of one area with their rules, ready to look at scans.
class AreaSight {
public:
    void setArea(const AREA_DATA &area, const QSizeF &sceneSize);
    const SwitchRules &rules() const { return m_rules; }

    // Looks at one scan: points in beam order (scene coordinates, as ScanAngles gives them), each
    // stepDegrees from the one before.
    void look(const QPointF *points, int count, double stepDegrees, ScanSight sight[Hits::kOutputs]) const;
    // The points of a scan inside one output's zone (widened when `wide`).
    bool inside(int output, const QPointF &point, bool wide) const;

private:
    Hits m_hits;
    SwitchRules m_rules;
    bool m_hasZone[Hits::kOutputs] = {};
    // Bounds of each zone and of its widening, and of all of them, for a quick rejection.
    struct Box {
        double x0 = 0, y0 = 0, x1 = -1, y1 = -1;
        bool holds(double x, double y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
    };
    Box m_box[Hits::kOutputs];
    Box m_wideBox[Hits::kOutputs];
    Box m_reach;
};

// The switching of one output from scan to scan.
class OutputSwitch {
public:
    // Takes one scan at timeMs; true when the output is on after it.
    bool take(qint64 timeMs, const ScanSight &sight, const SwitchRules &rules);
    bool isOn() const { return m_on; }
    void reset() { *this = OutputSwitch(); }

private:
    bool m_on = false;
    qint64 m_since = -1; // when the breach (off) or the clearing (on) began; -1: not begun
};

} // namespace zone
