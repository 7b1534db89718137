#include "area/file/project_file.h"

#include "area/file/sensor_settings.h"

#include "area/store/device_type.h"
#include "area/store/project_data.h"
#include "comm/codec/area_codec.h"

#include <QDate>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

namespace ProjectFile {

namespace {
const char *kEol = "\r\n";
const char *const kArcRecordsStart = "ArcRecordData";
const char *const kArcRecordsEnd = "ArcRecordDataEnd";
constexpr int kInstallDirState = 14; // Para_SensorInstallDir among the sensor settings

void writePoints(QTextStream &out, const char *start, const char *end, const QVector<QPoint> &points)
{
    out << start << kEol;
    for (const QPoint &p : points)
        out << p.x() << ',' << p.y() << kEol;
    out << end << kEol;
}
// Lines with one line of look-back, so that a marker which ends a damaged zone early is still found
// by the search that wants it. Counts lines so that every finding can say where it is.
class LineReader {
public:
    explicit LineReader(QTextStream &in, int linesBefore = 0) : In(in), Line(linesBefore) {}
    bool atEnd() const { return !HasPending && In.atEnd(); }
    // The next line; past the end an empty one, and endReached() tells.
    QString next()
    {
        if (HasPending) {
            HasPending = false;
            ++Line;
            return Pending;
        }
        if (In.atEnd()) {
            EndReached = true;
            return QString();
        }
        ++Line;
        return In.readLine();
    }
    void putBack(const QString &line)
    {
        Pending = line;
        HasPending = true;
        --Line;
    }
    // The number of the line next() returned last.
    int line() const { return Line; }
    bool endReached() const { return EndReached; }

private:
    QTextStream &In;
    QString Pending;
    bool HasPending = false;
    int Line = 0;
    bool EndReached = false;
};

// The markers of one block in file order; a zone's start is 2k, its end 2k + 1.
const char *const kMarkers[] = {"Out1CoordStr", "Out1CoordEnd", "Out2CoordStr",     "Out2CoordEnd",
                                "Out3CoordStr", "Out3CoordEnd", "CoordTableDataEnd"};
constexpr int kMarkerCount = 7;

// The marker a line is, blanks around it tolerated (exact says whether there were none).
int markerIndex(const QString &line, bool *exact = nullptr)
{
    const QString bare = line.trimmed();
    for (int i = 0; i < kMarkerCount; ++i)
        if (bare == QLatin1String(kMarkers[i])) {
            if (exact)
                *exact = bare.size() == line.size();
            return i;
        }
    return -1;
}

// A whole decimal number and nothing else: "-5538" is one, "1x00", "2.5e3", " 7" and "" are not.
bool wholeNumber(const QString &text, int *value)
{
    const int digitsFrom = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (text.size() == digitsFrom || text.size() > digitsFrom + 10)
        return false;
    for (int i = digitsFrom; i < text.size(); ++i)
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9'))
            return false;
    const qint64 v = text.toLongLong();
    if (v < INT_MIN || v > INT_MAX)
        return false;
    *value = int(v);
    return true;
}

int toInt(const QString &text, bool *ok = nullptr)
{
    int v = 0;
    const bool valid = wholeNumber(text, &v);
    if (ok)
        *ok = valid;
    return valid ? v : 0;
}

// "x,y" with two whole numbers, or nothing.
bool toPoint(const QString &line, QPoint *point)
{
    const QStringList parts = line.split(QLatin1Char(','));
    int x = 0, y = 0;
    if (parts.size() != 2 || !wholeNumber(parts[0], &x) || !wholeNumber(parts[1], &y))
        return false;
    *point = QPoint(x, y);
    return true;
}

// A line with no comma that is an area number: the start of the next area's block.
bool isBlockNumber(const QString &line)
{
    int n = -1;
    return wholeNumber(line, &n) && n >= 0 && n < kAreaCount;
}

Repair lineFinding(Repair::Kind kind, int area, int output, const LineReader &in, const QString &line)
{
    Repair r{kind, area, output};
    r.line = in.line();
    r.was = line.left(40);
    return r;
}

// A marker, listed when blanks surround it.
int readMarker(const LineReader &in, const QString &line, int area, int zone, QVector<Repair> &repairs)
{
    bool exact = true;
    const int m = markerIndex(line, &exact);
    if (m >= 0 && !exact) {
        Repair r = lineFinding(Repair::MarkerBlanks, area, zone, in, line);
        r.now = m;
        repairs.append(r);
    }
    return m;
}

// Returns whether the zone ended where it should: at its end marker or at the next marker or block.
bool readZone(LineReader &in, int area, int zone, QVector<QPoint> &points, QVector<Repair> &repairs)
{
    const int start = 2 * zone, end = 2 * zone + 1;
    // Search the start marker; whatever stands before it is listed and ignored.
    bool found = false;
    while (!in.atEnd()) {
        const QString line = in.next();
        const int m = markerIndex(line);
        if (m == start) {
            readMarker(in, line, area, zone, repairs);
            found = true;
            break;
        }
        if (m == end) {
            readMarker(in, line, area, zone, repairs);
            repairs.append(lineFinding(Repair::UnknownLine, area, zone, in, line)); // start marker missing
            return true;
        }
        if (m > end || (m < 0 && isBlockNumber(line))) {
            in.putBack(line);
            return true;
        }
        repairs.append(lineFinding(Repair::UnknownLine, area, zone, in, line));
    }
    if (!found)
        return false;
    bool ended = false;
    // Points up to the end marker. A missing end marker must not swallow the next block: its number,
    // or any other zone's marker, ends this zone.
    int count = 0;
    while (!in.atEnd()) {
        const QString line = in.next();
        const int m = markerIndex(line);
        if (m == end) {
            readMarker(in, line, area, zone, repairs);
            ended = true;
            break;
        }
        if (m == start) {
            repairs.append(lineFinding(Repair::UnknownLine, area, zone, in, line));
            continue;
        }
        if (m >= 0 || isBlockNumber(line)) {
            in.putBack(line);
            repairs.append({Repair::ZoneEndMissing, area, zone});
            repairs.last().line = in.line() + 1;
            ended = true;
            break;
        }
        QPoint p;
        if (!toPoint(line, &p)) {
            repairs.append(lineFinding(Repair::BadPoint, area, zone, in, line));
            continue;
        }
        if (++count <= kMaxZonePoints)
            points.append(p);
    }
    if (count > kMaxZonePoints) {
        Repair r{Repair::TooManyPoints, area, zone};
        r.count = count;
        r.now = kMaxZonePoints;
        repairs.append(r);
    }
    return ended;
}

struct Range {
    int min, max;
};
// OpenDelay … VehicleOptionMode, in file order.
const Range kFieldRanges[9] = {{0, 25},     {0, 25},     {0, 10},     {0, 9}, {-180, 180},
                               {-180, 180}, {-300, 300}, {-300, 300}, {0, 4}};

// One of the nine value lines. A marker where the value should be is left for the zone search. Past
// the end of the file nothing is listed here: the end inside the block is.
int readField(LineReader &in, int area, int field, QVector<Repair> &repairs)
{
    const QString line = in.next();
    if (markerIndex(line) >= 0)
        in.putBack(line);
    bool ok = false;
    const int v = toInt(line, &ok);
    Repair r{ok ? Repair::OutOfRange : Repair::NotANumber, area};
    r.field = field;
    r.was = line.left(20);
    r.line = in.line();
    const Range range = kFieldRanges[field];
    r.now = qBound(range.min, v, range.max);
    if ((!ok && !in.endReached()) || (ok && r.now != v))
        repairs.append(r);
    return r.now;
}

QString areaList(const QVector<int> &areas)
{
    QStringList spans;
    for (int i = 0; i < areas.size();) {
        int j = i;
        while (j + 1 < areas.size() && areas[j + 1] == areas[j] + 1)
            ++j;
        spans << (i == j ? QString::number(areas[i]) : QString("%1–%2").arg(areas[i]).arg(areas[j]));
        i = j + 1;
    }
    return spans.join(QStringLiteral(", "));
}

QVector<Repair> readAreasFrom(LineReader &in, PROJECT_DATA &project)
{
    QVector<Repair> repairs;
    bool sectionFound = false;
    while (!in.atEnd()) {
        const QString line = in.next();
        if (line == QLatin1String("CoordTableData")) {
            sectionFound = true;
            break;
        }
        if (line.trimmed() == QLatin1String("CoordTableData")) {
            repairs.append(lineFinding(Repair::MarkerBlanks, -1, -1, in, line));
            repairs.last().now = -1;
            sectionFound = true;
            break;
        }
    }
    if (!sectionFound) {
        repairs.append({Repair::SectionMissing, -1});
        return repairs;
    }
    QVector<bool> read(kAreaCount, false);
    QString numberLine = in.next();
    bool ok = false;
    int n = toInt(numberLine, &ok);
    bool sectionEnded = false;
    while (ok && n >= 0 && n < kAreaCount && !in.endReached()) {
        read[n] = true;
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
        int shapeLines[3] = {};
        for (int k = 0; k < 3; ++k) {
            shapes[k] = in.next();
            shapeLines[k] = in.line();
            if (markerIndex(shapes[k]) >= 0) {
                in.putBack(shapes[k]);
                shapes[k].clear();
            }
        }
        bool ended = true;
        for (int zone = 0; zone < kOutputCount; ++zone)
            ended = readZone(in, n, zone, area.coord(zone), repairs);
        const bool cutShort = in.endReached() || (!ended && in.atEnd());
        numberLine = in.next();
        for (int k = 0; k < kOutputCount; ++k) {
            int code = -1;
            if (wholeNumber(shapes[k], &code) && code >= Polygon && code <= (k == 0 ? Rectangle : Ratio)) {
                area.shape(k) = code;
            } else if (!cutShort) {
                Repair r{Repair::BadShape, n, k};
                r.was = shapes[k].left(20);
                r.line = shapeLines[k];
                repairs.append(r);
            }
        }
        if (cutShort || in.endReached()) {
            if (cutShort) {
                Repair r{Repair::FileEndsInArea, n};
                r.line = in.line();
                repairs.append(r);
            }
            break;
        }
        if (readMarker(in, numberLine, n, -1, repairs) == kMarkerCount - 1) {
            sectionEnded = true;
            break;
        }
        // A block number that is no number would otherwise read as area 0 and overwrite it.
        n = toInt(numberLine, &ok);
        if (!ok || n < 0 || n >= kAreaCount) {
            repairs.append(lineFinding(Repair::SectionEndMissing, -1, -1, in, numberLine));
            sectionEnded = true; // the section ends here; what follows is not read
        }
    }
    if (!sectionEnded && !in.endReached() && !(ok && n >= 0 && n < kAreaCount))
        repairs.append(lineFinding(Repair::UnknownLine, -1, -1, in, numberLine));
    else if (!sectionEnded && (repairs.isEmpty() || repairs.last().kind != Repair::FileEndsInArea))
        repairs.append({Repair::SectionEndMissing, -1});
    QVector<int> missing;
    for (int i = 0; i < kAreaCount; ++i)
        if (!read[i])
            missing << i;
    if (!missing.isEmpty()) {
        Repair r{Repair::AreasMissing, -1};
        r.count = missing.size();
        r.was = areaList(missing);
        repairs.append(r);
    }
    return repairs;
}

QVector<int> readSensorSettingsFrom(LineReader &in, QVector<Repair> *findings)
{
    const QVector<int> fallback = SensorSettings::defaults();
    QVector<int> states = fallback;
    bool found = false;
    while (!in.atEnd()) {
        if (in.next().trimmed() == QLatin1String("SensorSetting")) {
            found = true;
            break;
        }
    }
    if (!found) {
        if (findings)
            findings->append({Repair::SettingsMissing, -1});
        return states;
    }
    for (int c = 0; c < kSensorSettingCount; ++c) {
        const QString line = in.next();
        if (in.endReached()) {
            if (findings) {
                Repair r{Repair::SettingsMissing, -1};
                r.line = in.line();
                r.count = c;
                findings->append(r);
            }
            break;
        }
        int v = 0;
        if (wholeNumber(line, &v)) {
            states[c] = v;
        } else if (findings) {
            Repair r = lineFinding(Repair::BadSetting, -1, -1, in, line);
            r.field = c;
            r.now = fallback[c];
            findings->append(r);
        }
    }
    return states;
}

// Arcs read from a sensor and not edited since, by the record they were read with: their points alone
// cannot always give it back (two radii a millimetre apart can round to the same points). After the
// information block, which readers that do not know these lines never read.
void writeArcRecords(QTextStream &out, const PROJECT_DATA &project, bool installDir)
{
    QStringList lines;
    for (int n = 0; n < project.Areas.size(); ++n)
        for (int k = 0; k < kOutputCount; ++k) {
            const AREA_DATA &a = project.Areas[n];
            const ArcRecord &arc = a.ReadArc[k];
            if (a.shape(k) == Arc && arcRecordHolds(arc, a.coord(k), installDir))
                lines
                    << QString("%1,%2,%3,%4,%5").arg(n).arg(k).arg(arc.first).arg(arc.second).arg(arc.radius);
        }
    if (lines.isEmpty())
        return;
    out << kArcRecordsStart << kEol;
    for (const QString &line : lines)
        out << line << kEol;
    out << kArcRecordsEnd << kEol;
}

// The arc records after the area section. A record whose arc's points no longer are what it gives
// (the file was edited) is let go: the points are the design.
void readArcRecords(LineReader &in, PROJECT_DATA &project, bool installDir, QVector<Repair> &repairs)
{
    while (!in.atEnd() && in.next() != QLatin1String(kArcRecordsStart)) {
    }
    while (!in.atEnd()) {
        const QString line = in.next();
        if (line == QLatin1String(kArcRecordsEnd))
            return;
        const QStringList parts = line.split(QLatin1Char(','));
        int v[5] = {};
        bool ok = parts.size() == 5;
        for (int i = 0; ok && i < 5; ++i)
            ok = wholeNumber(parts[i], &v[i]);
        if (!ok || v[0] < 0 || v[0] >= project.Areas.size() || v[1] < 0 || v[1] >= kOutputCount || v[4] < 0 ||
            v[4] > 65535) {
            repairs.append(lineFinding(Repair::UnknownLine, -1, -1, in, line));
            continue;
        }
        AREA_DATA &a = project.Areas[v[0]];
        const ArcRecord arc{v[2], v[3], v[4], true};
        if (a.shape(v[1]) == Arc && arcRecordHolds(arc, a.coord(v[1]), installDir))
            a.ReadArc[v[1]] = arc;
    }
}

} // namespace

QString fieldName(int field, Language language)
{
    static const char *const kFieldsEn[9] = {"on delay",       "off delay",        "hysteresis",
                                             "detection size", "steering minimum", "steering maximum",
                                             "speed minimum",  "speed maximum",    "operation mode"};
    static const char *const kFieldsCn[9] = {"打开延迟",     "关闭延迟", "关闭滞后比例",
                                             "检测物体大小", "最小转角", "最大转角",
                                             "最小速度",     "最大速度", "车辆操作模式"};
    return field >= 0 && field < 9 ? pick(language, kFieldsEn[field], kFieldsCn[field]) : QString();
}

QString describe(const Repair &r, Language language)
{
    const QString at = r.line > 0 ? pick(language, "Line %1: ", "第%1行：").arg(r.line) : QString();
    const QString where = r.area < 0 ? QString() : pick(language, "Area %1", "区域%1").arg(r.area);
    const QString out = r.output < 0 ? QString() : pick(language, ", Out %1", "，输出%1").arg(r.output + 1);
    const QString place = where + out + (where.isEmpty() ? QString() : pick(language, ": ", "："));
    const QString field = fieldName(r.field, language);
    switch (r.kind) {
    case Repair::OutOfRange:
        return at + pick(language, "%1%2 %3 is out of range, now %4", "%1%2 %3 超出范围，改为 %4")
                        .arg(place, field, r.was)
                        .arg(r.now);
    case Repair::NotANumber:
        return at + pick(language, "%1%2 \"%3\" is no whole number, now %4", "%1%2 “%3” 不是整数，改为 %4")
                        .arg(place, field, r.was)
                        .arg(r.now);
    case Repair::TooManyPoints:
        return at + pick(language, "%1%2 points, the first %3 kept", "%1%2 个点，保留前 %3 个")
                        .arg(place)
                        .arg(r.count)
                        .arg(r.now);
    case Repair::ZoneEndMissing:
        return at + pick(language, "%1end of the point list missing; the points before are kept",
                         "%1点列表缺少结束标记；保留之前的点")
                        .arg(place);
    case Repair::BadShape:
        return at + pick(language, "%1shape code \"%2\" unknown, ignored", "%1形状代码“%2”无效，已忽略")
                        .arg(place, r.was);
    case Repair::BadPoint:
        return at + pick(language, "%1\"%2\" is no point (two whole numbers), left out",
                         "%1“%2”不是点（两个整数），已略去")
                        .arg(place, r.was);
    case Repair::MarkerBlanks: {
        const QString marker = r.now >= 0 && r.now < kMarkerCount ? QLatin1String(kMarkers[r.now])
                                                                  : QStringLiteral("CoordTableData");
        return at +
               pick(language, "%1\"%2\" has blanks around it, read as %3", "%1“%2”前后有空白，按 %3 读取")
                   .arg(place, r.was, marker);
    }
    case Repair::UnknownLine:
        return at + pick(language, "%1\"%2\" does not belong here, ignored", "%1“%2”不应在此处，已忽略")
                        .arg(place, r.was);
    case Repair::FileEndsInArea:
        return at + pick(language, "the file ends inside area %1; what was read of it is kept",
                         "文件在区域%1中结束；保留已读取的部分")
                        .arg(r.area);
    case Repair::SectionEndMissing:
        if (r.line > 0)
            return at + pick(language,
                             "\"%1\" where the next area or the section's end (CoordTableDataEnd) "
                             "should be; nothing after it is read",
                             "“%1”处应为下一个区域或结束标记（CoordTableDataEnd）；其后内容未读取")
                            .arg(r.was);
        return pick(language, "the area section has no end (CoordTableDataEnd)",
                    "区域数据缺少结束标记（CoordTableDataEnd）");
    case Repair::SectionMissing:
        return pick(language, "the file has no area section; every area is empty",
                    "文件没有区域数据；所有区域为空");
    case Repair::AreasMissing:
        return pick(language, "no block for areas %1; they are empty", "区域%1没有数据块；这些区域为空")
            .arg(r.was);
    case Repair::BadSetting:
        return at + pick(language, "sensor setting %1 \"%2\" is no whole number, kept at %3",
                         "传感器设置 %1 “%2” 不是整数，保持为 %3")
                        .arg(SensorSettings::label(r.field, language), r.was)
                        .arg(r.now);
    case Repair::SettingsMissing:
        return r.line > 0 ? at + pick(language,
                                      "the sensor settings end after %1 of 27 lines; the rest keep "
                                      "their defaults",
                                      "传感器设置在第%1行（共27行）后结束；其余保持默认值")
                                     .arg(r.count)
                          : pick(language, "the file has no sensor settings; they keep their defaults",
                                 "文件没有传感器设置；保持默认值");
    }
    return at + where;
}

QVector<Repair> readAreas(QTextStream &stream, PROJECT_DATA &project)
{
    LineReader in(stream);
    return readAreasFrom(in, project);
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

QVector<int> readSensorSettings(QTextStream &stream, QVector<Repair> *findings)
{
    LineReader in(stream);
    return readSensorSettingsFrom(in, findings);
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
    QTextStream stream(&file);
    const QString magic = stream.readLine();
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
    contents.repairs.clear();
    LineReader in(stream, 1);
    contents.sensorStates = readSensorSettingsFrom(in, &contents.repairs);
    contents.repairs += readAreasFrom(in, project);
    readArcRecords(in, project, contents.sensorStates.value(kInstallDirState) != 0, contents.repairs);
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
    writeArcRecords(out, project, sensorControlStates.value(kInstallDirState) != 0);
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
