#include "area/file/project_file.h"

#include "area/store/device_type.h"
#include "area/store/project_data.h"

#include <QDate>
#include <QFile>
#include <QSaveFile>
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

// A line with no comma that is an area number: the start of the next area's block. (A point line
// always has its comma in files the program writes; one without is read as x alone otherwise.)
bool isBlockNumber(const QString &line)
{
    bool ok = false;
    const int n = line.toInt(&ok, 10);
    return ok && n >= 0 && n < kAreaCount && !line.contains(',');
}

void readZone(LineReader &in, int area, int zone, QVector<QPoint> &points, QVector<Repair> &repairs)
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
        if (m > end || (m < 0 && isBlockNumber(line))) {
            in.putBack(line);
            return;
        }
    }
    if (!found)
        return;
    // Points up to the end marker; the line that meets the end of the stream is never a point. A
    // missing end marker must not swallow the next block: its number, or any other zone's marker,
    // ends this zone.
    int count = 0;
    while (!in.atEnd()) {
        const QString line = in.next();
        if (in.atEnd())
            break;
        const int m = markerIndex(line);
        if (m == end)
            break;
        if (m == start)
            continue;
        if (m >= 0 || isBlockNumber(line)) {
            in.putBack(line);
            repairs.append({Repair::ZoneEndMissing, area, zone});
            break;
        }
        if (++count <= kMaxZonePoints)
            points.append(toPoint(line));
    }
    if (count > kMaxZonePoints) {
        Repair r{Repair::TooManyPoints, area, zone};
        r.count = count;
        r.now = kMaxZonePoints;
        repairs.append(r);
    }
}

struct Range {
    int min, max;
};
// OpenDelay … VehicleOptionMode, in file order.
const Range kFieldRanges[9] = {{0, 25},     {0, 25},     {0, 10},     {0, 9}, {-180, 180},
                               {-180, 180}, {-300, 300}, {-300, 300}, {0, 4}};

// One of the nine value lines. A marker where the value should be is left for the zone search.
int readField(LineReader &in, int area, int field, QVector<Repair> &repairs)
{
    const QString line = in.atEnd() ? QString() : in.next();
    if (markerIndex(line) >= 0)
        in.putBack(line);
    bool ok = false;
    const int v = toInt(line, &ok);
    Repair r{ok ? Repair::OutOfRange : Repair::NotANumber, area};
    r.field = field;
    r.was = line.left(20);
    const Range range = kFieldRanges[field];
    r.now = qBound(range.min, v, range.max);
    if (!ok || r.now != v)
        repairs.append(r);
    return r.now;
}

} // namespace

QString fieldName(int field, bool en)
{
    static const char *const kFieldsEn[9] = {"on delay",       "off delay",        "hysteresis",
                                             "detection size", "steering minimum", "steering maximum",
                                             "speed minimum",  "speed maximum",    "operation mode"};
    static const char *const kFieldsCn[9] = {"打开延迟",     "关闭延迟", "关闭滞后比例",
                                             "检测物体大小", "最小转角", "最大转角",
                                             "最小速度",     "最大速度", "车辆操作模式"};
    return field >= 0 && field < 9 ? QString::fromUtf8(en ? kFieldsEn[field] : kFieldsCn[field]) : QString();
}

QString describe(const Repair &r, bool en)
{
    const QString where = en ? QString("Area %1").arg(r.area) : QString("区域%1").arg(r.area);
    const QString out = en ? QString(", Out %1").arg(r.output + 1) : QString("，输出%1").arg(r.output + 1);
    const QString field = fieldName(r.field, en);
    switch (r.kind) {
    case Repair::OutOfRange:
        return en ? QString("%1: %2 %3 is out of range, now %4").arg(where, field, r.was).arg(r.now)
                  : QString("%1：%2 %3 超出范围，改为 %4").arg(where, field, r.was).arg(r.now);
    case Repair::NotANumber:
        return en ? QString("%1: %2 \"%3\" is no number, now %4").arg(where, field, r.was).arg(r.now)
                  : QString("%1：%2 “%3” 不是数字，改为 %4").arg(where, field, r.was).arg(r.now);
    case Repair::TooManyPoints:
        return en ? QString("%1%2: %3 points, the first %4 kept").arg(where, out).arg(r.count).arg(r.now)
                  : QString("%1%2：%3 个点，保留前 %4 个").arg(where, out).arg(r.count).arg(r.now);
    case Repair::ZoneEndMissing:
        return en ? QString("%1%2: end of the point list missing").arg(where, out)
                  : QString("%1%2：点列表缺少结束标记").arg(where, out);
    case Repair::BadShape:
        return en ? QString("%1%2: shape code \"%3\" unknown, ignored").arg(where, out, r.was)
                  : QString("%1%2：形状代码“%3”无效，已忽略").arg(where, out, r.was);
    }
    return where;
}

QVector<Repair> readAreas(QTextStream &stream, PROJECT_DATA &project)
{
    QVector<Repair> repairs;
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
        int *const fields[9] = {&area.OpenDelay,       &area.CloseDelay,      &area.Hysteresis,
                                &area.DetectionSize,   &area.SteerMinDgree,   &area.SteerMaxDgree,
                                &area.VehicleMinSpeed, &area.VehicleMaxSpeed, &area.VehicleOptionMode};
        for (int f = 0; f < 9; ++f)
            *fields[f] = readField(in, n, f, repairs);
        QString shapes[3];
        for (QString &s : shapes) {
            s = in.atEnd() ? QString() : in.next();
            if (markerIndex(s) >= 0) {
                in.putBack(s);
                s.clear();
            }
        }
        for (int zone = 0; zone < kOutputCount; ++zone)
            readZone(in, n, zone, area.coord(zone), repairs);
        const QString last = in.next();
        for (int k = 0; k < kOutputCount; ++k) {
            const int code = toInt(shapes[k]); // no number reads as 0, a polygon
            if (code >= Polygon && code <= (k == 0 ? Rectangle : Ratio)) {
                area.shape(k) = code;
            } else {
                Repair r{Repair::BadShape, n, k};
                r.was = shapes[k].left(20);
                repairs.append(r);
            }
        }
        if (last == QLatin1String("CoordTableDataEnd") || in.atEnd())
            break;
        // A block number that is no number would otherwise read as area 0 and overwrite it.
        n = toInt(last, &ok);
    }
    return repairs;
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

QVector<int> readSensorSettings(QTextStream &in)
{
    while (!in.atEnd()) {
        if (in.readLine().trimmed() == QLatin1String("SensorSetting"))
            break;
    }
    QVector<int> states(kSensorSettingCount, 0);
    for (int &state : states)
        state = in.atEnd() ? 0 : in.readLine().trimmed().toInt();
    return states;
}

LoadStatus load(const QString &name, PROJECT_DATA &project, Contents &contents, int onlyModel, QString *error)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error)
            *error = file.errorString();
        return LoadStatus::CannotOpen;
    }
    if (file.size() > kMaxFileBytes)
        return LoadStatus::TooLarge;
    QTextStream in(&file);
    const QString magic = in.readLine();
    int code = -1;
    for (int c = Laser05; c <= Laser50 && code < 0; ++c)
        if (magic == QLatin1String(deviceInfo(c)->magic))
            code = c;
    if (code < 0)
        return LoadStatus::NotAProject;
    if (deviceInfo(onlyModel) && code != onlyModel)
        return LoadStatus::OtherModel;
    // Areas the file has no block for start fresh rather than keeping the previous project's.
    AREA_DATA fresh = project.EmptyArea;
    fresh.DetectionSize = 1;
    for (AREA_DATA &area : project.Areas)
        area = fresh;
    contents.deviceType = code;
    contents.sensorStates = readSensorSettings(in);
    contents.repairs = readAreas(in, project);
    return LoadStatus::Loaded;
}

bool save(const QString &name, int deviceType, const QVector<int> &sensorControlStates, PROJECT_DATA &project,
          QString *error)
{
    const DeviceInfo *info = deviceInfo(deviceType);
    if (!info)
        return false;
    // Written beside the old file and put in its place only once complete: a write that fails
    // halfway (full disk, lost share, killed process) leaves the last good copy as it was.
    QSaveFile file(withExtension(name, deviceType));
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QTextStream out(&file);
    out << info->magic << kEol;
    writeSensorSettings(out, sensorControlStates);
    writeAreas(out, project);
    out << "KDR_VKT_INFORMATION" << kEol;
    out << QDate::currentDate().toString("yyyy-MM-dd") << kEol;
    out << "SOFTWARE VERSION 1.5.2" << kEol;
    out.flush();
    if (out.status() != QTextStream::Ok || file.error() != QFileDevice::NoError || !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    project.Modified = false;
    return true;
}

} // namespace ProjectFile
