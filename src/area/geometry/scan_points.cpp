#include "area/geometry/scan_points.h"

#include <QtMath>

double ScanAngles::serialAngle(int i)
{
    return (110.0 + 0.5 * i) * (M_PI / 180.0);
}

double ScanAngles::etherAngle(int i, int count, bool installDir)
{
    const float span = 320.0f * float(count - i) / float(count);
    const float degrees = installDir ? 430.0f - span : 110.0f + span;
    return double(degrees * 0.017453292f);
}

void ScanAngles::refresh(bool serial, int count, bool installDir)
{
    if (int(serial) == m_serial && count == m_count && installDir == m_installDir)
        return;
    m_cos.resize(count);
    m_sin.resize(count);
    for (int i = 0; i < count; ++i) {
        const double a = serial ? serialAngle(i) : etherAngle(i, count, installDir);
        m_cos[i] = qFastCos(a);
        m_sin[i] = qFastSin(a);
    }
    m_serial = serial;
    m_count = count;
    m_installDir = installDir;
}
