#include "editor/teach_control.h"

#include "area/area_table.h"
#include "area/dialogs.h"
#include "area/store/device_type.h"
#include "area/store/project_data.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGraphicsPathItem>
#include <QGraphicsScene>
#include <QPen>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace {
// Above the scan contour (6), below the handles (7).
constexpr qreal kPreviewZ = 6.5;
} // namespace

TeachControl::TeachControl(PROJECT_DATA *project, const SCAN_DATA *scan, const int *deviceType,
                           AREA_TABLE *areaTable, QGraphicsScene *scene, const Controls controls[3],
                           QWidget *window)
    : QObject(window), Project(project), DeviceType(deviceType), AreaTable(areaTable), Scene(scene),
      Window(window), Gatherer(new teach::Gatherer(scan, this)), Quiet(new QTimer(this))
{
    for (int k = 0; k < kOutputCount; ++k) {
        Controls &c = Outputs[k] = controls[k];
        // The sensor sees from -70 to 250 degrees.
        for (QSpinBox *corner : {c.corner1, c.corner2}) {
            corner->setRange(-70, 250);
            corner->setSuffix(QString::fromUtf8("°"));
        }
        c.corner1->setValue(-70);
        c.corner2->setValue(250);
        c.size1->setRange(1, 100);
        c.size1->setValue(10);
        c.size2->setRange(1, 1000);
        c.size2->setValue(30);
        c.size2->setSuffix(QStringLiteral(" mm"));
        // A negative offset would put the walls themselves inside the zone.
        c.offset->setRange(0, 2000);
        c.offset->setValue(100);
        c.offset->setSuffix(QStringLiteral(" mm"));
        for (QSpinBox *spin : {c.corner1, c.corner2, c.size1, c.size2})
            spin->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
        c.size2->setEnabled(c.simplify->isChecked());
        connect(c.simplify, &QCheckBox::toggled, c.size2, &QWidget::setEnabled);
        // The range is typed; there is nothing to pick it from.
        if (c.select)
            c.select->hide();
        c.teach->setEnabled(false);
        connect(c.teach, &QPushButton::clicked, this, [this, k] { teachClicked(k); });
    }
    Quiet->setSingleShot(true);
    Quiet->setInterval(kScanQuietMs);
    connect(Quiet, &QTimer::timeout, this, [this] { setScanRunning(false); });
    connect(Gatherer, &teach::Gatherer::Progress, this, [this] { showTeachText(); });
    connect(Gatherer, &teach::Gatherer::Finished, this, &TeachControl::gathered);
    setLanguage(Language::Chinese);
}

void TeachControl::setLanguage(Language language)
{
    Lang = language;
    for (const Controls &c : Outputs) {
        c.corner1->setToolTip(pick(Lang, "Start of the range, degrees", "范围起点（度）"));
        c.corner2->setToolTip(pick(Lang, "End of the range, degrees", "范围终点（度）"));
        c.size1->setToolTip(pick(Lang, "Revolutions to gather", "采集圈数"));
        c.size2->setToolTip(pick(Lang, "Simplify: every taught point stays this close to the outline",
                                 "简化：每个学习点与轮廓的最大距离"));
        c.offset->setToolTip(pick(Lang, "The zone's edge lies this much nearer the sensor than the contour",
                                  "检测区边缘比轮廓更靠近传感器的距离"));
        c.teach->setToolTip(pick(Lang, "Needs a live scan", "需要实时扫描"));
    }
    showTeachText();
}

void TeachControl::showTeachText()
{
    for (int k = 0; k < kOutputCount; ++k) {
        QPushButton *button = Outputs[k].teach;
        if (Gatherer->running() && k == TeachOutput)
            button->setText(pick(Lang, "Cancel (%1/%2)", "取消 (%1/%2)")
                                .arg(Gatherer->revolutions().size())
                                .arg(Outputs[k].size1->value()));
        else
            button->setText(pick(Lang, "Start Teach", "开始自学习"));
    }
}

teach::Settings TeachControl::settings(int output) const
{
    const Controls &c = Outputs[qBound(0, output, 2)];
    teach::Settings s;
    s.fromDegrees = c.corner1->value();
    s.toDegrees = c.corner2->value();
    s.method = c.method->currentIndex() == 1 ? teach::Method::Minimum : teach::Method::Average;
    s.offsetMm = c.offset->value();
    s.simplify = c.simplify->isChecked();
    s.toleranceMm = c.size2->value();
    if (const DeviceInfo *info = deviceInfo(DeviceType ? *DeviceType : -1))
        s.rangeLimit = info->rangeLimit;
    return s;
}

void TeachControl::scanArrived()
{
    Quiet->start();
    setScanRunning(true);
    Gatherer->revolutionArrived();
}

void TeachControl::setScanRunning(bool running)
{
    ScanRunning = running;
    for (const Controls &c : Outputs)
        c.teach->setEnabled(running && !Asking);
    if (!running && Gatherer->running()) {
        Gatherer->cancel();
        showTeachText();
        Dialogs::show(
            Window, Dialogs::Icon::Warning, pick(Lang, "Teach", "自学习"),
            pick(Lang, "The live scan stopped; nothing was taught.", "实时扫描已停止，未进行自学习。"));
    }
}

void TeachControl::teachClicked(int output)
{
    if (Gatherer->running()) {
        Gatherer->cancel();
        showTeachText();
        return;
    }
    if (!ScanRunning || Asking || output < 0 || output >= kOutputCount)
        return;
    TeachArea = Project->clampCurrentArea();
    TeachOutput = output;
    Gatherer->start(Outputs[output].size1->value());
}

void TeachControl::gathered()
{
    showTeachText();
    const teach::Settings s = settings(TeachOutput);
    const QVector<QPoint> zone = teach::teachZone(Gatherer->revolutions(), s);
    if (zone.isEmpty()) {
        Dialogs::show(Window, Dialogs::Icon::Warning, pick(Lang, "Teach", "自学习"),
                      pick(Lang, "No beam of the scan lies between %1° and %2°.",
                           "扫描中没有位于 %1° 与 %2° 之间的光束。")
                          .arg(s.fromDegrees)
                          .arg(s.toDegrees));
        return;
    }
    // The outline over the scan, as the zone would be drawn: closed through the sensor.
    QPolygonF outline;
    outline << QPointF(0, 0);
    for (const QPoint &p : zone)
        outline << QPointF(p.x(), -p.y());
    outline << QPointF(0, 0);
    clearPreview();
    QPen pen(QColor(200, 0, 200), 2, Qt::DashLine);
    pen.setCosmetic(true);
    Preview = Scene->addPath(QPainterPath(), pen, QColor(200, 0, 200, 50));
    QPainterPath path;
    path.addPolygon(outline);
    Preview->setPath(path);
    Preview->setZValue(kPreviewZ);

    Asking = true;
    setScanRunning(ScanRunning);
    const int area = TeachArea;
    const int output = TeachOutput;
    Dialogs::show(
        Window, Dialogs::Icon::Question, pick(Lang, "Teach", "自学习"),
        pick(Lang,
             "Area %1, Out %2: %3 points taught from %4 revolutions.\nAccept them as the zone (a polygon)?",
             "区域%1，输出%2：从%4圈扫描学习到%3个点。\n接受为该输出的检测区（多边形）吗？")
            .arg(area)
            .arg(output + 1)
            .arg(zone.size())
            .arg(Gatherer->revolutions().size()),
        {pick(Lang, "Accept", "接受"), pick(Lang, "Discard", "放弃")}, [this, zone](int answer) {
            Asking = false;
            clearPreview();
            setScanRunning(ScanRunning);
            if (answer == 0)
                accept(zone);
        });
}

void TeachControl::accept(const QVector<QPoint> &zone)
{
    if (TeachArea < 0 || TeachArea >= Project->Areas.size())
        return;
    AREA_DATA &area = Project->Areas[TeachArea];
    area.shape(TeachOutput) = Polygon;
    area.coord(TeachOutput) = zone;
    AreaTable->SaveUndoArea(TeachArea);
    emit AreaTable->EditAreaDataSignal();
}

void TeachControl::clearPreview()
{
    if (!Preview)
        return;
    Scene->removeItem(Preview);
    delete Preview;
    Preview = nullptr;
}
