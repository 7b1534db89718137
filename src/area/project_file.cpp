#include "area/project_file.h"

#include "area/store/device_type.h"
#include "area/store/project_data.h"

#include <QDate>
#include <QFile>
#include <QTextStream>

namespace ProjectFile {

namespace {
const char *kEol = "\r\n";

void writePoints(QTextStream &out, const char *start, const char *end, const QVector<QPoint> &points)
{
    out << start << kEol;
    for (const QPoint &p : points)
        out << p.x() << ',' << p.y() << kEol;
    out << end << kEol;
}
} // namespace

void writeAreas(QTextStream &out, const PROJECT_DATA &project)
{
    out << "CoordTableData" << kEol;
    for (int n = 0; n < project.Areas.size(); ++n) {
        const AREA_DATA &a = project.Areas[n];
        out << n << kEol;
        for (int v : {a.OpenDelay, a.CloseDelay, a.Hysteresis, a.DetectionSize, a.SteerMinDgree,
                      a.SteerMaxDgree, a.VehicleMinSpeed, a.VehicleMaxSpeed, a.VehicleOptionMode, a.Out1Shape,
                      a.Out2Shape, a.Out3Shape})
            out << v << kEol;
        writePoints(out, "Out1CoordStr", "Out1CoordEnd", a.Out1Coord);
        writePoints(out, "Out2CoordStr", "Out2CoordEnd", a.Out2Coord);
        writePoints(out, "Out3CoordStr", "Out3CoordEnd", a.Out3Coord);
    }
    out << "CoordTableDataEnd" << kEol;
}

void writeSensorSettings(QTextStream &out, const QVector<int> &controlStates)
{
    out << "SensorSetting" << kEol;
    for (int v : controlStates)
        out << v << kEol;
}

QString withExtension(const QString &name, int deviceType)
{
    const DeviceInfo *info = deviceInfo(deviceType);
    if (!info)
        return name;
    const QString ext = QString::fromLatin1(info->extension);
    return name.endsWith(ext, Qt::CaseSensitive) ? name : name + ext;
}

bool save(const QString &name, int deviceType, const QVector<int> &sensorControlStates, PROJECT_DATA &project)
{
    const DeviceInfo *info = deviceInfo(deviceType);
    if (!info)
        return false;
    QFile file(withExtension(name, deviceType));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream out(&file);
    out << info->magic << kEol;
    writeSensorSettings(out, sensorControlStates);
    writeAreas(out, project);
    out << "KDR_VKT_INFORMATION" << kEol;
    out << QDate::currentDate().toString("yyyy-MM-dd") << kEol;
    out << "SOFTWARE VERSION 1.5.2" << kEol;
    out.flush();
    file.close();
    if (out.status() != QTextStream::Ok || file.error() != QFileDevice::NoError)
        return false;
    project.Modified = false;
    return true;
}

} // namespace ProjectFile
