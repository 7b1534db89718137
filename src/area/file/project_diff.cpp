#include "area/file/project_diff.h"

#include "area/file/project_file.h"
#include "area/file/sensor_settings.h"
#include "area/store/device_type.h"
#include "area/store/project_data.h"

namespace ProjectDiff {

namespace {

QString modelName(int code)
{
    const DeviceInfo *info = deviceInfo(code);
    return info ? QString::fromLatin1(info->magic).right(2).prepend(QLatin1String("Laser"))
                : QString::number(code);
}

QString pointText(const QPoint &p)
{
    return QString("%1,%2").arg(p.x()).arg(p.y());
}

void compareZones(int area, int output, const AREA_DATA &a, const AREA_DATA &b, QVector<Difference> &out)
{
    if (a.shape(output) != b.shape(output))
        out.append(
            {area, output, QStringLiteral("shape"), shapeName(a.shape(output)), shapeName(b.shape(output))});
    const QVector<QPoint> &pa = a.coord(output);
    const QVector<QPoint> &pb = b.coord(output);
    if (pa.size() != pb.size())
        out.append(
            {area, output, QStringLiteral("points"), QString::number(pa.size()), QString::number(pb.size())});
    for (int i = 0; i < pa.size() && i < pb.size(); ++i)
        if (pa[i] != pb[i])
            out.append({area, output, QString("point %1").arg(i + 1), pointText(pa[i]), pointText(pb[i])});
}

} // namespace

QString shapeName(int code)
{
    static const char *const names[] = {"Polygon", "Arc", "Rectangle", "Straight", "Fan", "Ratio"};
    return code >= 0 && code < 6 ? QLatin1String(names[code]) : QString::number(code);
}

QVector<Difference> compare(const Design &first, const Design &second)
{
    QVector<Difference> out;
    if (first.deviceType >= 0 && second.deviceType >= 0 && first.deviceType != second.deviceType)
        out.append(
            {-1, -1, QStringLiteral("model"), modelName(first.deviceType), modelName(second.deviceType)});
    if (!first.sensorStates.isEmpty() && !second.sensorStates.isEmpty()) {
        const auto a = SensorSettings::shown(first.sensorStates, Language::English);
        const auto b = SensorSettings::shown(second.sensorStates, Language::English);
        for (int i = 0; i < a.size() && i < b.size(); ++i)
            if (a[i].second != b[i].second)
                out.append({-1, -1, a[i].first, a[i].second, b[i].second});
    }
    if (!first.project || !second.project)
        return out;
    const int areas = qMin(first.project->Areas.size(), second.project->Areas.size());
    for (int n = 0; n < areas; ++n) {
        const AREA_DATA &a = first.project->Areas[n];
        const AREA_DATA &b = second.project->Areas[n];
        if (a == b)
            continue;
        const int va[9] = {a.OpenDelay,       a.CloseDelay,      a.Hysteresis,
                           a.DetectionSize,   a.SteerMinDgree,   a.SteerMaxDgree,
                           a.VehicleMinSpeed, a.VehicleMaxSpeed, a.VehicleOptionMode};
        const int vb[9] = {b.OpenDelay,       b.CloseDelay,      b.Hysteresis,
                           b.DetectionSize,   b.SteerMinDgree,   b.SteerMaxDgree,
                           b.VehicleMinSpeed, b.VehicleMaxSpeed, b.VehicleOptionMode};
        for (int f = 0; f < 9; ++f)
            if (va[f] != vb[f])
                out.append({n, -1, ProjectFile::fieldName(f, Language::English), QString::number(va[f]),
                            QString::number(vb[f])});
        for (int output = 0; output < kOutputCount; ++output)
            compareZones(n, output, a, b, out);
    }
    return out;
}

QString describe(const Difference &d)
{
    QString where = d.area >= 0 ? QString("area %1").arg(d.area) : QString();
    if (d.output >= 0)
        where += QString(", Out %1").arg(d.output + 1);
    if (d.area < 0 && d.field != QLatin1String("model"))
        where = QStringLiteral("sensor settings");
    const QString what = where.isEmpty() ? d.field : where + QLatin1String(", ") + d.field;
    return QString("%1: %2 -> %3").arg(what, d.first, d.second);
}

} // namespace ProjectDiff
