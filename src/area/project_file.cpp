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
// Lines with one line of look-back, so that a marker which ends a damaged zone early is still found
// by the search that wants it.
class LineReader {
public:
    explicit LineReader(QTextStream &in) : In(in) {}
    bool atEnd() const { return !HasPending && In.atEnd(); }
    QString next()
    {
        if (HasPending) {
            HasPending = false;
            return Pending;
        }
        return In.readLine();
    }
    void putBack(const QString &line)
    {
        Pending = line;
        HasPending = true;
    }

private:
    QTextStream &In;
    QString Pending;
    bool HasPending = false;
};

// The markers of one block in file order; a zone's start is 2k, its end 2k + 1.
const char *const kMarkers[] = {"Out1CoordStr", "Out1CoordEnd", "Out2CoordStr",     "Out2CoordEnd",
                                "Out3CoordStr", "Out3CoordEnd", "CoordTableDataEnd"};
constexpr int kMarkerCount = 7;

int markerIndex(const QString &line)
{
    for (int i = 0; i < kMarkerCount; ++i)
        if (line == QLatin1String(kMarkers[i]))
            return i;
    return -1;
}

int toInt(const QString &text, bool *ok = nullptr)
{
    bool valid = false;
    const int v = text.toInt(&valid, 10);
    if (ok)
        *ok = valid;
    return valid ? v : 0;
}

QPoint toPoint(const QString &line)
{
    const int comma = line.indexOf(',');
    if (comma < 0)
        return QPoint(toInt(line), 0);
    const int next = line.indexOf(',', comma + 1);
    const QString y = next < 0 ? line.mid(comma + 1) : line.mid(comma + 1, next - comma - 1);
    return QPoint(toInt(line.left(comma)), toInt(y));
}

void readZone(LineReader &in, int zone, QVector<QPoint> &points)
{
    const int start = 2 * zone, end = 2 * zone + 1;
    // Search the start marker.
    bool found = false;
    while (!in.atEnd()) {
        const QString line = in.next();
        const int m = markerIndex(line);
        if (m == start) {
            found = true;
            break;
        }
        if (m == end)
            return; // start marker missing: the zone stays empty
        if (m > end) {
            in.putBack(line);
            return;
        }
    }
    if (!found)
        return;
    // Points up to the end marker; the line that meets the end of the stream is never a point.
    while (!in.atEnd()) {
        const QString line = in.next();
        if (in.atEnd())
            return;
        const int m = markerIndex(line);
        if (m == end)
            return;
        if (m > end) {
            in.putBack(line);
            return;
        }
        if (m >= 0)
            continue;
        points.append(toPoint(line));
    }
}

} // namespace

void readAreas(QTextStream &stream, PROJECT_DATA &project)
{
    LineReader in(stream);
    while (!in.atEnd() && in.next() != QLatin1String("CoordTableData")) {
    }
    bool ok = false;
    int n = toInt(in.next(), &ok);
    while (ok && n >= 0 && n < kAreaCount && !in.atEnd()) {
        AREA_DATA &area = project.Areas[n];
        area.Out1Coord.clear();
        area.Out2Coord.clear();
        area.Out3Coord.clear();
        for (int *field :
             {&area.OpenDelay, &area.CloseDelay, &area.Hysteresis, &area.DetectionSize, &area.SteerMinDgree,
              &area.SteerMaxDgree, &area.VehicleMinSpeed, &area.VehicleMaxSpeed, &area.VehicleOptionMode})
            *field = toInt(in.next());
        const int s1 = toInt(in.next());
        const int s2 = toInt(in.next());
        const int s3 = toInt(in.next());
        for (int zone = 0; zone < kOutputCount; ++zone)
            readZone(in, zone, area.coord(zone));
        const QString last = in.next();
        if (s1 >= Polygon && s1 <= Rectangle)
            area.Out1Shape = s1;
        if (s2 >= Polygon && s2 <= Ratio)
            area.Out2Shape = s2;
        if (s3 >= Polygon && s3 <= Ratio)
            area.Out3Shape = s3;
        if (last == QLatin1String("CoordTableDataEnd") || in.atEnd())
            break;
        // A block number that is no number would otherwise read as area 0 and overwrite it.
        n = toInt(last, &ok);
    }
}

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
