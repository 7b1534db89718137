#include "report/config_report.h"

#include "area/geometry/zone_geometry.h"
#include "area/geometry/zone_hits.h"
#include "area/store/device_type.h"
#include "area/store/project_data.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <cmath>

namespace {

constexpr int kDpi = 300;
constexpr double kPageHeightMm = 297 - 2 * 15; // A4 inside 15 mm margins
constexpr double kPageWidthMm = 210 - 2 * 15;
constexpr double kRowMm = 4.0;
constexpr double kFooterMm = 8.0;
constexpr double kPictureMm = 88.0;
// Where the point tables start: below the heading and the picture on an area's first page, below
// the heading on its second.
constexpr double kFirstTableTopMm = 12.0 + kPictureMm + 6.0;
constexpr double kNextTableTopMm = 12.0;
constexpr int kSubColumns = 2; // each zone's points in two columns of "# x y"

int rowsFrom(double topMm)
{
    // One row for the zone's title, one for the column heads.
    return int((kPageHeightMm - kFooterMm - topMm) / kRowMm) - 2;
}

int firstPageCapacity()
{
    return kSubColumns * rowsFrom(kFirstTableTopMm);
}

int mostPoints(const AREA_DATA &area)
{
    int most = 0;
    for (int k = 0; k < kOutputCount; ++k)
        most = qMax(most, area.coord(k).size());
    return most;
}

int pagesOfArea(const AREA_DATA &area)
{
    const int rest = mostPoints(area) - firstPageCapacity();
    if (rest <= 0)
        return 1;
    const int next = kSubColumns * rowsFrom(kNextTableTopMm);
    return 1 + (rest + next - 1) / next;
}

QString shapeText(int shape, Language language)
{
    static const char *const english[] = {"Polygon", "Arc", "Rectangle", "Straight", "Fan", "Ratio"};
    static const char *const chinese[] = {"多边形", "圆弧", "矩形", "直线", "扇形", "比例"};
    if (shape < 0 || shape > 5)
        return QString::number(shape);
    return pick(language, english[shape], chinese[shape]);
}

// A scale bar length of 1, 2 or 5 times a power of ten, near a quarter of the span.
double niceLength(double span)
{
    const double target = span / 4;
    const double power = std::pow(10.0, std::floor(std::log10(target)));
    for (double f : {5.0, 2.0, 1.0})
        if (f * power <= target)
            return f * power;
    return power;
}

QString lengthText(double mm)
{
    return mm >= 1000 ? QStringLiteral("%1 m").arg(mm / 1000) : QStringLiteral("%1 mm").arg(mm);
}

class Report {
public:
    Report(QPainter &painter, const ReportInput &in, int pageCount)
        : P(painter), In(in), Mm(kDpi / 25.4), Pages(pageCount)
    {
    }

    void cover();
    void area(int index);

private:
    QString pointCount(int n) const
    {
        return n == 1 ? pick(In.language, "1 point", "1个点")
                      : pick(In.language, "%1 points", "%1个点").arg(n);
    }
    QRectF mm(double x, double y, double w, double h) const { return QRectF(x * Mm, y * Mm, w * Mm, h * Mm); }
    void font(double points, bool bold = false)
    {
        QFont f = P.font();
        f.setPointSizeF(points);
        f.setBold(bold);
        P.setFont(f);
    }
    void text(double x, double y, double w, const QString &s, int flags = Qt::AlignLeft)
    {
        P.drawText(mm(x, y, w, kRowMm), flags | Qt::AlignVCenter, s);
    }
    void newPage()
    {
        if (Page > 0)
            static_cast<QPdfWriter *>(P.device())->newPage();
        ++Page;
        footer();
    }
    void footer();
    void picture(const AREA_DATA &area, const QRectF &box);
    void pointTables(const AREA_DATA &area, int from, double topMm);

    QPainter &P;
    const ReportInput &In;
    const double Mm;
    const int Pages;
    int Page = 0;
};

void Report::footer()
{
    font(8);
    P.setPen(Qt::black);
    const double y = kPageHeightMm - kFooterMm + 3;
    P.drawLine(QPointF(0, (y - 1) * Mm), QPointF(kPageWidthMm * Mm, (y - 1) * Mm));
    text(0, y, 70, QStringLiteral("CRC-32 %1").arg(In.crc, 8, 16, QLatin1Char('0')).toUpper());
    QString name = In.projectFile.isEmpty() ? pick(In.language, "Untitled", "未命名")
                                            : QFileInfo(In.projectFile).fileName();
    if (In.modified && !In.projectFile.isEmpty())
        name += pick(In.language, " (unsaved changes)", "（有未保存的修改）");
    text(60, y, 60, name, Qt::AlignHCenter);
    text(120, y, 60, pick(In.language, "Page %1 of %2", "第%1页，共%2页").arg(Page).arg(Pages),
         Qt::AlignRight);
}

void Report::cover()
{
    newPage();
    font(18, true);
    P.drawText(mm(0, 0, kPageWidthMm, 10), Qt::AlignLeft | Qt::AlignVCenter,
               pick(In.language, "Configuration Report", "配置报告"));
    font(10);
    double y = 14;
    // A design changed since it was opened or saved is not what the file holds.
    const QString file =
        In.projectFile.isEmpty() ? pick(In.language, "Untitled (not saved)", "未命名（未保存）")
        : In.modified ? pick(In.language, "%1 (with unsaved changes: the file holds an older design)",
                             "%1（有未保存的修改：文件中是较早的设计）")
                            .arg(In.projectFile)
                      : In.projectFile;
    const QPair<QString, QString> head[] = {
        {pick(In.language, "Project file", "项目文件"), file},
        {pick(In.language, "Model", "型号"), In.model},
        {pick(In.language, "Date", "日期"), In.created.toString(QStringLiteral("yyyy-MM-dd HH:mm"))},
        {pick(In.language, "CRC-32 of the design", "设计数据CRC-32"),
         QStringLiteral("%1").arg(In.crc, 8, 16, QLatin1Char('0')).toUpper()},
        {pick(In.language, "Areas with zones", "已设计的区域"),
         QString::number(reportedAreas(*In.project).size())},
    };
    for (const auto &row : head) {
        text(0, y, 50, row.first);
        text(50, y, kPageWidthMm - 50, row.second);
        y += kRowMm + 1;
    }
    y += 4;
    font(12, true);
    text(0, y, kPageWidthMm, pick(In.language, "Sensor", "传感器"));
    y += kRowMm + 2;
    font(10);
    const QStringList product = In.product.isEmpty()
                                    ? QStringList{pick(In.language, "No sensor connected.", "未连接传感器。")}
                                    : In.product;
    for (const QString &line : product) {
        text(0, y, kPageWidthMm, line);
        y += kRowMm + 1;
    }
    y += 4;
    font(12, true);
    text(0, y, kPageWidthMm, pick(In.language, "Sensor parameters", "传感器参数"));
    y += kRowMm + 2;
    font(9);
    // Two columns of label and value.
    const int half = (In.parameters.size() + 1) / 2;
    for (int i = 0; i < In.parameters.size(); ++i) {
        const double x = i < half ? 0 : kPageWidthMm / 2;
        const double row = y + (i < half ? i : i - half) * (kRowMm + 0.5);
        text(x, row, 45, In.parameters[i].first);
        text(x + 45, row, kPageWidthMm / 2 - 47, In.parameters[i].second);
    }
}

void Report::picture(const AREA_DATA &area, const QRectF &box)
{
    zone::Zone zones[3];
    const QSizeF sceneSize(In.project->SceneWidth, In.project->SceneHeight);
    zone::buildArea(area, sceneSize, zones);
    QRectF bounds = zone::bounds(zones);
    bounds = bounds.united(QRectF(-1, -1, 2, 2)); // the sensor is always in the picture
    const double span = qMax(bounds.width(), bounds.height()) * 1.1;
    const QPointF centre = bounds.center();
    const double k = box.width() / span;

    P.save();
    P.setPen(QPen(Qt::gray, 0.2 * Mm));
    P.setBrush(Qt::NoBrush);
    P.drawRect(box);
    P.setClipRect(box);
    P.translate(box.center());
    P.scale(k, k);
    P.translate(-centre);
    QPen axis(QColor(128, 128, 128), 0, Qt::DotLine);
    axis.setCosmetic(true);
    P.setPen(axis);
    P.drawLine(QPointF(centre.x() - span, 0), QPointF(centre.x() + span, 0));
    P.drawLine(QPointF(0, centre.y() - span), QPointF(0, centre.y() + span));
    for (int output = 0; output < kOutputCount; ++output)
        zone::paint(&P, zones[output], zone::colour(output, 200));
    P.setPen(Qt::NoPen);
    P.setBrush(Qt::black);
    P.drawEllipse(QPointF(0, 0), 1.2 * Mm / k, 1.2 * Mm / k);
    P.restore();

    // The scale: a bar of a round length in the bottom left corner.
    const double length = niceLength(span);
    const double x0 = box.left() + 4 * Mm;
    const double y0 = box.bottom() - 4 * Mm;
    P.save();
    P.setPen(QPen(Qt::black, 0.4 * Mm));
    P.drawLine(QPointF(x0, y0), QPointF(x0 + length * k, y0));
    P.drawLine(QPointF(x0, y0 - Mm), QPointF(x0, y0 + Mm));
    P.drawLine(QPointF(x0 + length * k, y0 - Mm), QPointF(x0 + length * k, y0 + Mm));
    font(8);
    P.drawText(QRectF(x0, y0 - 5.5 * Mm, 40 * Mm, 4 * Mm), Qt::AlignLeft | Qt::AlignVCenter,
               lengthText(length));
    P.restore();
}

void Report::pointTables(const AREA_DATA &area, int from, double topMm)
{
    const int rows = rowsFrom(topMm);
    const double groupMm = kPageWidthMm / kOutputCount;
    const double columnMm = groupMm / kSubColumns;
    for (int k = 0; k < kOutputCount; ++k) {
        const QVector<QPoint> &points = area.coord(k);
        const double x = k * groupMm;
        font(9, true);
        // A continuation says only which output goes on: the whole title would not fit the column.
        const QString title = from > 0 ? pick(In.language, "Out %1 (continued)", "输出%1（续）").arg(k + 1)
                                       : pick(In.language, "Out %1: %2, %3", "输出%1：%2，%3")
                                             .arg(k + 1)
                                             .arg(shapeText(area.shape(k), In.language))
                                             .arg(pointCount(points.size()));
        text(x, topMm, groupMm - 2, title);
        font(7, true);
        for (int c = 0; c < kSubColumns; ++c) {
            const double cx = x + c * columnMm;
            text(cx, topMm + kRowMm, 7, QStringLiteral("#"), Qt::AlignRight);
            text(cx + 7, topMm + kRowMm, 11, QStringLiteral("x [mm]"), Qt::AlignRight);
            text(cx + 18, topMm + kRowMm, 11, QStringLiteral("y [mm]"), Qt::AlignRight);
        }
        font(7);
        for (int i = from; i < points.size() && i < from + kSubColumns * rows; ++i) {
            const int slot = i - from;
            const double cx = x + (slot / rows) * columnMm;
            const double cy = topMm + (2 + slot % rows) * kRowMm;
            text(cx, cy, 7, QString::number(i + 1), Qt::AlignRight);
            text(cx + 7, cy, 11, QString::number(points[i].x()), Qt::AlignRight);
            text(cx + 18, cy, 11, QString::number(points[i].y()), Qt::AlignRight);
        }
    }
}

void Report::area(int index)
{
    const AREA_DATA &a = In.project->Areas[index];
    newPage();
    font(14, true);
    P.drawText(mm(0, 0, kPageWidthMm, 9), Qt::AlignLeft | Qt::AlignVCenter,
               pick(In.language, "Area %1", "区域 %1").arg(index));
    picture(a, mm(0, 12, kPictureMm, kPictureMm));

    // Zone parameters and case channel rule, beside the picture.
    const double x = kPictureMm + 6;
    const double w = kPageWidthMm - x;
    double y = 12;
    auto heading = [&](const QString &s) {
        font(11, true);
        text(x, y, w, s);
        y += kRowMm + 1.5;
        font(9);
    };
    auto row = [&](const QString &label, const QString &value) {
        text(x, y, 40, label);
        text(x + 40, y, w - 40, value);
        y += kRowMm + 0.5;
    };
    heading(pick(In.language, "Zone parameters", "通道参数"));
    row(pick(In.language, "On Delay", "打开延迟"), QStringLiteral("%1ms").arg(a.OpenDelay * 20));
    row(pick(In.language, "Off Delay", "关闭延迟"), QStringLiteral("%1ms").arg(a.CloseDelay * 20));
    row(pick(In.language, "Hysteresis", "关闭滞后比例"),
        a.Hysteresis == 0 ? pick(In.language, "Off", "关闭") : QStringLiteral("%1%").arg(a.Hysteresis));
    row(pick(In.language, "Detection Size", "检测物体大小"),
        QString::fromUtf8("%1°").arg((a.DetectionSize + 1) * 0.5, 0, 'f', 1));
    y += 3;
    heading(pick(In.language, "Case channel", "工况通道"));
    row(pick(In.language, "Steering Range", "驱动转角范围"),
        QString::fromUtf8("%1° … %2°").arg(a.SteerMinDgree).arg(a.SteerMaxDgree));
    row(pick(In.language, "Speed Range", "车辆速度范围"),
        QString::fromUtf8("%1 … %2").arg(a.VehicleMinSpeed).arg(a.VehicleMaxSpeed));
    row(pick(In.language, "Operation", "车辆操作模式"),
        pick(In.language, "Type %1", "操作模式%1").arg(a.VehicleOptionMode));
    y += 3;
    heading(pick(In.language, "Zones", "检测区"));
    for (int k = 0; k < kOutputCount; ++k)
        row(pick(In.language, "Out %1", "输出%1").arg(k + 1), pick(In.language, "%1, %2", "%1，%2")
                                                                  .arg(shapeText(a.shape(k), In.language))
                                                                  .arg(pointCount(a.coord(k).size())));

    pointTables(a, 0, kFirstTableTopMm);
    int from = firstPageCapacity();
    const int next = kSubColumns * rowsFrom(kNextTableTopMm);
    while (from < mostPoints(a)) {
        newPage();
        font(14, true);
        P.drawText(mm(0, 0, kPageWidthMm, 9), Qt::AlignLeft | Qt::AlignVCenter,
                   pick(In.language, "Area %1 (continued)", "区域 %1（续）").arg(index));
        pointTables(a, from, kNextTableTopMm);
        from += next;
    }
}

} // namespace

QVector<int> reportedAreas(const PROJECT_DATA &project)
{
    QVector<int> areas;
    for (int i = 0; i < project.Areas.size() && i < kAreaCount; ++i)
        if (mostPoints(project.Areas[i]) > 0)
            areas << i;
    return areas;
}

int reportPageCount(const PROJECT_DATA &project)
{
    int pages = 1;
    for (int i : reportedAreas(project))
        pages += pagesOfArea(project.Areas[i]);
    return pages;
}

bool writeConfigReport(const QString &fileName, const ReportInput &input, QString *error)
{
    if (!input.project) {
        *error = QStringLiteral("no project");
        return false;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setResolution(kDpi);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        writer.setTitle(pick(input.language, "Configuration Report", "配置报告"));
        writer.setCreator(QStringLiteral("Veltrin"));
        QPainter painter(&writer);
        if (!painter.isActive()) {
            *error = QStringLiteral("the PDF could not be started");
            file.cancelWriting();
            return false;
        }
        // Latin letters and digits from a Latin font, Chinese from the font Qt falls back to for it
        // (fonts-noto-cjk); the PDF embeds what it uses. Unshaped, so no ligature turns "fi" into one
        // character that a reader of the PDF's text would not find.
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK SC")});
        font.setStyleHint(QFont::SansSerif);
        font.setStyleStrategy(QFont::PreferNoShaping);
        painter.setFont(font);
        Report report(painter, input, reportPageCount(*input.project));
        report.cover();
        for (int area : reportedAreas(*input.project))
            report.area(area);
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

QString reportModel(int deviceType, Language language)
{
    const DeviceInfo *info = deviceInfo(deviceType);
    if (!info)
        return QString::number(deviceType);
    return QString("%1 (%2 %3 mm)")
        .arg(QLatin1String(info->name), pick(language, "range", "测量范围"))
        .arg(info->rangeLimit);
}
