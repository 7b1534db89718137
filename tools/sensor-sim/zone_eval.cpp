#include "zone_eval.h"

void SimOutputs::takeScan(const AREA_DATA &area, int areaIndex, const QSizeF &sceneSize,
                          const quint16 *distance, int count, bool serial, qint64 timeMs)
{
    if (areaIndex != m_sightArea || area != m_sightOf || sceneSize != m_sceneSize) {
        m_sceneSize = sceneSize;
        m_sight.setArea(area, m_sceneSize);
        m_sightOf = area;
        m_sightArea = areaIndex;
    }
    const quint16 *values = distance;
    if (serial) {
        // The sensor's beam k is value 639 - k of a scan as the program stores it.
        m_ordered.resize(count);
        for (int i = 0; i < count; ++i)
            m_ordered[i] = distance[count - 1 - i];
        values = m_ordered.constData();
    }
    m_angles.refresh(serial, count, false);
    m_points.resize(count);
    for (int i = 0; i < count; ++i)
        m_points[i] = m_angles.point(i, values[i]);
    zone::ScanSight sight[zone::Hits::kOutputs];
    m_sight.look(m_points.constData(), count, ScanAngles::stepDegrees(serial, count), sight);
    for (int k = 0; k < zone::Hits::kOutputs; ++k)
        m_switches[k].take(timeMs, sight[k], m_sight.rules());
}

int SimOutputs::bits() const
{
    int bits = 0;
    for (int k = 0; k < zone::Hits::kOutputs; ++k)
        if (m_switches[k].isOn())
            bits |= 1 << k;
    return bits;
}

void SimOutputs::reset()
{
    for (zone::OutputSwitch &s : m_switches)
        s.reset();
}
