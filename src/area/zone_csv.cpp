#include "area/zone_csv.h"

#include "comm/codec/area_codec.h"

#include <QStringList>
#include <climits>
#include <cmath>

namespace ZoneCsv {

namespace {

const char *const kZoneHeader = "x_mm,y_mm";
const char *const kProjectHeader = "area,output,shape,point,x_mm,y_mm";
const char *const kShapeNames[] = {"Polygon", "Arc", "Rectangle", "Straight", "Fan", "Ratio"};
// Two ends written from one radius differ by the rounding of each to whole millimetres.
constexpr double kArcRadiusTolerance = 2.0;

Refusal refuse(int line, const QString &english, const QString &chinese)
{
    return Refusal{line, english, chinese};
}

// The file's lines without their endings; a UTF-8 byte order mark is dropped.
QStringList linesOf(const QByteArray &csv)
{
    QString text = QString::fromUtf8(csv);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.split(QLatin1Char('\n'));
}

QStringList fieldsOf(const QString &line)
{
    QStringList fields = line.split(QLatin1Char(','));
    for (QString &f : fields) {
        f = f.trimmed();
        if (f.size() >= 2 && f.startsWith(QLatin1Char('"')) && f.endsWith(QLatin1Char('"')))
            f = f.mid(1, f.size() - 2).trimmed();
    }
    return fields;
}

bool sameHeader(const QString &line, const char *header)
{
    return fieldsOf(line).join(QLatin1Char(',')).compare(QLatin1String(header), Qt::CaseInsensitive) == 0;
}

// A millimetre value: a decimal number with '.' (never the locale's separator), rounded to the
// nearest whole millimetre; false for anything else or beyond the integer range.
bool millimetres(const QString &field, int *value)
{
    bool ok = false;
    const double v = field.toDouble(&ok); // QString::toDouble is always the C locale
    if (!ok || !std::isfinite(v))
        return false;
    const double r = std::round(v);
    if (r < double(INT_MIN) || r > double(INT_MAX))
        return false;
    *value = int(r);
    return true;
}

bool wholeNumber(const QString &field, int *value)
{
    bool ok = false;
    *value = field.toInt(&ok);
    return ok;
}

QString lineText(int line, Language language)
{
    if (line <= 0)
        return QString();
    return pick(language, "Line %1: ", "第%1行：").arg(line);
}

int shapeCode(const QString &field)
{
    for (int s = 0; s < 6; ++s)
        if (field.compare(QLatin1String(kShapeNames[s]), Qt::CaseInsensitive) == 0)
            return s;
    bool ok = false;
    const int code = field.toInt(&ok);
    return ok && code >= 0 && code <= 5 ? code : -1;
}

} // namespace

QString Refusal::text(Language language) const
{
    return lineText(line, language) + (language == Language::English ? english : chinese);
}

QString shapeName(int shape)
{
    return shape >= 0 && shape <= 5 ? QString::fromLatin1(kShapeNames[shape]) : QString::number(shape);
}

bool fitsShape(const QVector<QPoint> &p, int shape, int output, Refusal *refusal)
{
    auto no = [&](const QString &en, const QString &cn) {
        *refusal = refuse(0, en, cn);
        return false;
    };
    if (p.size() > kMaxZonePoints)
        return no(QStringLiteral("%1 points: a zone holds at most %2.").arg(p.size()).arg(kMaxZonePoints),
                  QStringLiteral("%1个点：一个检测区最多%2个点。").arg(p.size()).arg(kMaxZonePoints));
    const bool dependent = isDependentShape(shape);
    if (shape == Polygon || shape == Rectangle) {
        const QVector<QPair<int, int>> merged = pointsOnOneBearing(p);
        if (!merged.isEmpty()) {
            const QPoint a = p[merged[0].first], b = p[merged[0].second];
            return no(
                QStringLiteral("Points %1 (%2, %3) and %4 (%5, %6) lie on one bearing: the sensor keeps only "
                               "one of them.")
                    .arg(merged[0].first + 1)
                    .arg(a.x())
                    .arg(a.y())
                    .arg(merged[0].second + 1)
                    .arg(b.x())
                    .arg(b.y()),
                QStringLiteral("点%1（%2, %3）和点%4（%5, %6）位于同一方位上：传感器只保留其中一个。")
                    .arg(merged[0].first + 1)
                    .arg(a.x())
                    .arg(a.y())
                    .arg(merged[0].second + 1)
                    .arg(b.x())
                    .arg(b.y()));
        }
    }
    if (shape < Polygon || shape > Ratio || (output == 0 && dependent))
        return no(QStringLiteral("Out %1 cannot take the shape %2.").arg(output + 1).arg(shapeName(shape)),
                  QStringLiteral("输出%1不能使用形状%2。").arg(output + 1).arg(shapeName(shape)));
    switch (shape) {
    case Arc: {
        if (p.size() != 2)
            return no(QStringLiteral("An arc needs exactly 2 points, not %1.").arg(p.size()),
                      QStringLiteral("圆弧需要正好2个点，而不是%1个。").arg(p.size()));
        const double r0 = std::hypot(double(p[0].x()), double(p[0].y()));
        const double r1 = std::hypot(double(p[1].x()), double(p[1].y()));
        if (std::fabs(r0 - r1) > kArcRadiusTolerance)
            return no(QStringLiteral("The two points of an arc must lie on one radius (%1 mm and %2 mm).")
                          .arg(qRound(r0))
                          .arg(qRound(r1)),
                      QStringLiteral("圆弧的两个点必须在同一半径上（%1 mm 和 %2 mm）。")
                          .arg(qRound(r0))
                          .arg(qRound(r1)));
        return true;
    }
    case Rectangle:
        if (p.size() != 4 || p[0].x() != p[1].x() || p[1].y() != p[2].y() || p[2].x() != p[3].x() ||
            p[3].y() != p[0].y())
            return no(QStringLiteral("A rectangle needs 4 corners in order, each side parallel to an axis."),
                      QStringLiteral("矩形需要按顺序排列的4个角点，各边与坐标轴平行。"));
        return true;
    case Straight:
    case Fan:
    case Ratio:
        if (p.size() != 1 || p[0].x() != 0 || p[0].y() < 0)
            return no(QStringLiteral("A %1 zone needs exactly 1 point ahead of the sensor (x = 0, y ≥ 0).")
                          .arg(shapeName(shape).toLower()),
                      QStringLiteral("依靠模式检测区需要正好1个位于传感器正前方的点（x = 0，y ≥ 0）。"));
        return true;
    default: return true;
    }
}

QByteArray writeZone(const QVector<QPoint> &points)
{
    QByteArray out(kZoneHeader);
    out += "\r\n";
    for (const QPoint &p : points)
        out += QByteArray::number(p.x()) + ',' + QByteArray::number(p.y()) + "\r\n";
    return out;
}

bool readZone(const QByteArray &csv, int shape, int output, QVector<QPoint> *points, Refusal *refusal)
{
    const QStringList lines = linesOf(csv);
    QVector<QPoint> read;
    for (int i = 0; i < lines.size(); ++i) {
        const int line = i + 1;
        if (lines[i].trimmed().isEmpty())
            continue;
        if (read.isEmpty() && sameHeader(lines[i], kZoneHeader))
            continue;
        const QStringList f = fieldsOf(lines[i]);
        int x = 0;
        int y = 0;
        if (f.size() != 2 || !millimetres(f[0], &x) || !millimetres(f[1], &y)) {
            *refusal = refuse(
                line, QStringLiteral("expected two numbers \"x_mm,y_mm\", found \"%1\".").arg(lines[i]),
                QStringLiteral("应为两个数字\"x_mm,y_mm\"，实际为\"%1\"。").arg(lines[i]));
            return false;
        }
        read.append(QPoint(x, y));
        if (read.size() > kMaxZonePoints) {
            *refusal = refuse(
                line, QStringLiteral("more than %1 points: a zone holds at most %1.").arg(kMaxZonePoints),
                QStringLiteral("超过%1个点：一个检测区最多%1个点。").arg(kMaxZonePoints));
            return false;
        }
    }
    if (!fitsShape(read, shape, output, refusal))
        return false;
    *points = read;
    return true;
}

QByteArray writeProject(const PROJECT_DATA &project)
{
    QByteArray out(kProjectHeader);
    out += "\r\n";
    for (int a = 0; a < project.Areas.size() && a < kAreaCount; ++a) {
        const AREA_DATA &area = project.Areas[a];
        for (int k = 0; k < kOutputCount; ++k) {
            const QVector<QPoint> &points = area.coord(k);
            const QByteArray prefix = QByteArray::number(a) + ',' + QByteArray::number(k + 1) + ',' +
                                      shapeName(area.shape(k)).toLatin1();
            for (int i = 0; i < points.size(); ++i)
                out += prefix + ',' + QByteArray::number(i + 1) + ',' + QByteArray::number(points[i].x()) +
                       ',' + QByteArray::number(points[i].y()) + "\r\n";
        }
    }
    return out;
}

bool readProject(const QByteArray &csv, QMap<int, AreaZones> *areas, Refusal *refusal)
{
    const QStringList lines = linesOf(csv);
    struct Zone {
        int shape = -1;
        int firstLine = 0;
        QMap<int, QPoint> byNumber;
    };
    QMap<int, Zone> zones; // area * 3 + output
    bool header = false;
    for (int i = 0; i < lines.size(); ++i) {
        const int line = i + 1;
        if (lines[i].trimmed().isEmpty())
            continue;
        if (!header) {
            if (!sameHeader(lines[i], kProjectHeader)) {
                *refusal = refuse(line, QStringLiteral("the first line must be \"%1\".").arg(kProjectHeader),
                                  QStringLiteral("第一行必须是\"%1\"。").arg(kProjectHeader));
                return false;
            }
            header = true;
            continue;
        }
        const QStringList f = fieldsOf(lines[i]);
        int area = 0, output = 0, number = 0, x = 0, y = 0;
        const int shape = f.size() == 6 ? shapeCode(f[2]) : -1;
        if (f.size() != 6 || !wholeNumber(f[0], &area) || !wholeNumber(f[1], &output) || shape < 0 ||
            !wholeNumber(f[3], &number) || !millimetres(f[4], &x) || !millimetres(f[5], &y)) {
            *refusal = refuse(line,
                              QStringLiteral("expected \"%1\" (numbers, shape by name), found \"%2\".")
                                  .arg(kProjectHeader, lines[i]),
                              QStringLiteral("应为\"%1\"（数字，形状用名称），实际为\"%2\"。")
                                  .arg(kProjectHeader, lines[i]));
            return false;
        }
        if (area < 0 || area >= kAreaCount || output < 1 || output > kOutputCount) {
            *refusal =
                refuse(line,
                       QStringLiteral("area %1, output %2 does not exist (areas 0–63, outputs 1–3).")
                           .arg(area)
                           .arg(output),
                       QStringLiteral("区域%1输出%2不存在（区域0–63，输出1–3）。").arg(area).arg(output));
            return false;
        }
        Zone &zone = zones[area * kOutputCount + output - 1];
        if (zone.shape < 0) {
            zone.shape = shape;
            zone.firstLine = line;
        } else if (zone.shape != shape) {
            *refusal = refuse(line,
                              QStringLiteral("area %1, output %2 was given the shape %3 before.")
                                  .arg(area)
                                  .arg(output)
                                  .arg(shapeName(zone.shape)),
                              QStringLiteral("区域%1输出%2之前已是形状%3。")
                                  .arg(area)
                                  .arg(output)
                                  .arg(shapeName(zone.shape)));
            return false;
        }
        if (number < 1 || number > kMaxZonePoints || zone.byNumber.contains(number)) {
            *refusal =
                refuse(line,
                       number > kMaxZonePoints
                           ? QStringLiteral("point %1: a zone holds at most %2 points.")
                                 .arg(number)
                                 .arg(kMaxZonePoints)
                           : QStringLiteral("point number %1 is not valid or given twice.").arg(number),
                       number > kMaxZonePoints
                           ? QStringLiteral("点%1：一个检测区最多%2个点。").arg(number).arg(kMaxZonePoints)
                           : QStringLiteral("点序号%1无效或重复。").arg(number));
            return false;
        }
        zone.byNumber.insert(number, QPoint(x, y));
    }
    QMap<int, AreaZones> result;
    for (auto it = zones.cbegin(); it != zones.cend(); ++it) {
        const int area = it.key() / kOutputCount;
        const int output = it.key() % kOutputCount;
        const Zone &zone = it.value();
        if (zone.byNumber.lastKey() != zone.byNumber.size()) {
            *refusal =
                refuse(zone.firstLine,
                       QStringLiteral("area %1, output %2: points must be numbered 1 to %3 without gaps.")
                           .arg(area)
                           .arg(output + 1)
                           .arg(zone.byNumber.size()),
                       QStringLiteral("区域%1输出%2：点序号必须从1到%3连续。")
                           .arg(area)
                           .arg(output + 1)
                           .arg(zone.byNumber.size()));
            return false;
        }
        const QVector<QPoint> points = zone.byNumber.values().toVector();
        if (!fitsShape(points, zone.shape, output, refusal)) {
            refusal->line = zone.firstLine;
            refusal->english =
                QStringLiteral("area %1, output %2: ").arg(area).arg(output + 1) + refusal->english;
            refusal->chinese = QStringLiteral("区域%1输出%2：").arg(area).arg(output + 1) + refusal->chinese;
            return false;
        }
        AreaZones &a = result[area];
        a.shape[output] = zone.shape;
        a.points[output] = points;
    }
    *areas = result;
    return true;
}

} // namespace ZoneCsv
