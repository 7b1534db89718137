#include "check/zone_rules.h"

#include "area/store/project_data.h"

#include <cmath>

namespace zone {

namespace {

constexpr int kDelayStepMs = 20;
constexpr int kLastDelay = 25;
constexpr int kLastHysteresis = 10;
constexpr int kLastDetectionSize = 9;

} // namespace

SwitchRules SwitchRules::of(const AREA_DATA &area)
{
    SwitchRules r;
    r.onDelayMs = qint64(qBound(0, area.OpenDelay, kLastDelay)) * kDelayStepMs;
    r.offDelayMs = qint64(qBound(0, area.CloseDelay, kLastDelay)) * kDelayStepMs;
    r.hysteresisScale = 1.0 + qBound(0, area.Hysteresis, kLastHysteresis) / 100.0;
    r.detectionDegrees = (qBound(0, area.DetectionSize, kLastDetectionSize) + 1) * 0.5;
    return r;
}

int areaOfInputWord(uint inputWord)
{
    return qMin(int(inputWord & 0xFF), kAreaCount - 1);
}

void AreaSight::setArea(const AREA_DATA &area, const QSizeF &sceneSize)
{
    Zone zones[Hits::kOutputs];
    buildArea(area, sceneSize, zones);
    m_hits.setZones(zones);
    m_rules = SwitchRules::of(area);
    const double s = m_rules.hysteresisScale;
    QRectF reach;
    for (int k = 0; k < Hits::kOutputs; ++k) {
        const QRectF r = region(zones[k]).boundingRect();
        m_hasZone[k] = zones[k].drawn() && r.width() > 0 && r.height() > 0;
        m_box[k] = m_wideBox[k] = Box();
        if (!m_hasZone[k])
            continue;
        m_box[k] = {r.left(), r.top(), r.right(), r.bottom()};
        m_wideBox[k] = {r.left() * s, r.top() * s, r.right() * s, r.bottom() * s};
        reach |= QRectF(QPointF(m_wideBox[k].x0, m_wideBox[k].y0), QPointF(m_wideBox[k].x1, m_wideBox[k].y1));
    }
    m_reach = reach.isNull() ? Box() : Box{reach.left(), reach.top(), reach.right(), reach.bottom()};
}

bool AreaSight::inside(int output, const QPointF &p, bool wide) const
{
    if (!m_hasZone[output] || (p.x() == 0 && p.y() == 0))
        return false;
    if (!wide || m_rules.hysteresisScale == 1)
        return m_box[output].holds(p.x(), p.y()) && m_hits.contains(output, p);
    return m_wideBox[output].holds(p.x(), p.y()) && m_hits.contains(output, p / m_rules.hysteresisScale);
}

void AreaSight::look(const QPointF *points, int count, double stepDegrees,
                     ScanSight sight[Hits::kOutputs]) const
{
    // A run of this many beams is an object; the small allowance keeps 0.5 deg / 0.025 deg from
    // falling a rounding short of a whole number of beams.
    const int needed = qMax(1, int(std::ceil(m_rules.detectionDegrees / stepDegrees - 1e-6)));
    const bool widens = m_rules.hysteresisScale != 1;
    int run[Hits::kOutputs] = {}, runWide[Hits::kOutputs] = {};
    double nearest2[Hits::kOutputs] = {-1, -1, -1};
    for (int k = 0; k < Hits::kOutputs; ++k)
        sight[k] = ScanSight();
    for (int i = 0; i < count; ++i) {
        const QPointF &p = points[i];
        // Most of a scan lies beyond every zone: one test for all three.
        if (!m_reach.holds(p.x(), p.y()) || (p.x() == 0 && p.y() == 0)) {
            for (int k = 0; k < Hits::kOutputs; ++k)
                run[k] = runWide[k] = 0;
            continue;
        }
        for (int k = 0; k < Hits::kOutputs; ++k) {
            if (!m_hasZone[k])
                continue;
            const bool in = m_box[k].holds(p.x(), p.y()) && m_hits.contains(k, p);
            const bool inWide = in || (widens && m_wideBox[k].holds(p.x(), p.y()) &&
                                       m_hits.contains(k, p / m_rules.hysteresisScale));
            run[k] = in ? run[k] + 1 : 0;
            runWide[k] = inWide ? runWide[k] + 1 : 0;
            ScanSight &s = sight[k];
            if (run[k] >= needed)
                s.object = true;
            if (runWide[k] >= needed)
                s.objectWide = true;
            if (inWide) {
                const double d2 = p.x() * p.x() + p.y() * p.y();
                if (nearest2[k] < 0 || d2 < nearest2[k]) {
                    nearest2[k] = d2;
                    s.nearest = p;
                }
            }
        }
    }
    for (int k = 0; k < Hits::kOutputs; ++k)
        sight[k].nearestMm = nearest2[k] < 0 ? -1 : std::sqrt(nearest2[k]);
}

bool OutputSwitch::take(qint64 timeMs, const ScanSight &sight, const SwitchRules &rules)
{
    if (!m_on) {
        if (!sight.object) {
            m_since = -1;
        } else {
            if (m_since < 0)
                m_since = timeMs;
            if (timeMs - m_since >= rules.onDelayMs) {
                m_on = true;
                m_since = -1;
            }
        }
    } else {
        // Switching off looks at the widened zone.
        if (sight.objectWide) {
            m_since = -1;
        } else {
            if (m_since < 0)
                m_since = timeMs;
            if (timeMs - m_since >= rules.offDelayMs) {
                m_on = false;
                m_since = -1;
            }
        }
    }
    return m_on;
}

} // namespace zone
