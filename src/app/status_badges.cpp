#include "app/status_badges.h"

#include <QHBoxLayout>
#include <QLabel>

namespace {

struct Fault {
    const char *english;
    const char *chinese;
};

// Fault bits 0..6; the number shown after each name is the bit plus one.
const Fault kFaults[] = {
    {"Revolve Abnormal", "旋转异常"},       {"Receive Abnormal", "接收异常"},
    {"Flash Abnormal", "闪存数据异常"},     {"Connect Abnormal", "连接异常"},
    {"Simulate Abnormal", "仿真错误"},      {"Temperature Abnormal", "过温异常"},
    {"Voltage Abnormal", "发射板电压异常"},
};

constexpr uint kAreaCount = 64;

QLabel *badge(QWidget *parent, const QString &name, const QColor &background, const QColor &text)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setStyleSheet(QString("QLabel { background-color: %1; color: %2; border-radius: 3px;"
                                 " padding: 1px 6px; font-weight: bold; }")
                             .arg(background.name(), text.name()));
    label->hide();
    return label;
}

} // namespace

const QColor &StatusBadges::amber()
{
    static const QColor colour(255, 176, 0);
    return colour;
}

const QColor &StatusBadges::red()
{
    static const QColor colour(211, 32, 32);
    return colour;
}

StatusBadges::StatusBadges(QWidget *parent) : QWidget(parent)
{
    setObjectName("StatusBadges");
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    Monitoring = badge(this, "MonitoringBadge", QColor(30, 100, 200), Qt::white);
    Simulation = badge(this, "SimulationBadge", amber(), Qt::black);
    Area = badge(this, "AreaBadge", QColor(225, 225, 225), Qt::black);
    Fault = badge(this, "FaultBadge", red(), Qt::white);
    for (QLabel *label : {Monitoring, Simulation, Area, Fault})
        layout->addWidget(label);
    refresh();
}

QString StatusBadges::faultText(uint status, Language language)
{
    QString text;
    for (int bit = 0; bit < 7; ++bit)
        if (status & (1u << bit))
            text += QString("%1(%2)")
                        .arg(pick(language, kFaults[bit].english, kFaults[bit].chinese))
                        .arg(bit + 1);
    return text;
}

void StatusBadges::setLanguage(Language language)
{
    Lang = language;
    refresh();
}

void StatusBadges::setMonitoring(bool on)
{
    MonitoringOn = on;
    refresh();
}

void StatusBadges::setSimulation(bool on)
{
    SimulationOn = on;
    refresh();
}

void StatusBadges::showSensorReport(uint inport, uint status)
{
    Reported = true;
    Inport = inport;
    Status = status;
    refresh();
}

void StatusBadges::clearSensorState()
{
    Reported = false;
    Inport = Status = 0;
    refresh();
}

void StatusBadges::refresh()
{
    Monitoring->setText(pick(Lang, "Monitoring", "监控"));
    Monitoring->setVisible(MonitoringOn);
    Simulation->setText(pick(Lang, "Simulation", "仿真"));
    Simulation->setVisible(SimulationOn);
    // An input word beyond the last area is not an area number.
    const bool area = Reported && Inport < kAreaCount;
    // The sensor's active area, which need not be the area being edited.
    Area->setText(area ? pick(Lang, "Sensor: Area %1", "传感器当前区域 %1").arg(Inport) : QString());
    Area->setToolTip(pick(Lang,
                          "The area the sensor is using now. The area being edited is the one "
                          "highlighted in the area list.",
                          "传感器当前使用的区域。正在编辑的区域是区域列表中高亮的那一个。"));
    Area->setVisible(area);
    const QString fault = Reported ? faultText(Status, Lang) : QString();
    Fault->setText(fault);
    Fault->setVisible(!fault.isEmpty());
}
