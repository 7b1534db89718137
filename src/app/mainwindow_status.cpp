// The live status displays fed by the sensor's reports (self-check values, input and output lamps,
// fault text, install direction, the active area in monitoring mode) and the scan control record
// the exchange sends with its scan-control request.
#include "app/mainwindow.h"

#include "app/status_badges.h"

#include "area/area_table.h"
#include "area/store/project_data.h"
#include "comm/serial_comm.h"
#include "editor/option_scene.h"
#include "monitor/io_simulation.h"
#include "ui_mainwindow.h"

#include <QLCDNumber>
#include <QLabel>
#include <QPixmap>

namespace {

// Hundredths as a decimal with two digits after the point, computed on integers so that no value
// is ever shown rounded the wrong way.
QString hundredths(int value)
{
    const int magnitude = value < 0 ? -value : value;
    return QString("%1%2.%3")
        .arg(value < 0 ? "-" : "")
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

void showLamp(QLabel *lamp, bool on, const char *lit, const char *dark)
{
    lamp->setPixmap(QPixmap(QString::fromLatin1(on ? lit : dark)));
}

} // namespace

void MainWindow::SelfCheckDisp(short SensorTemper, ushort RotateSpeed, ushort DriveVoltage,
                               ushort SendVoltage, ushort ReceiveVoltage)
{
    ui->SensorTemper->setText(hundredths(SensorTemper) + QString::fromUtf8(" °C"));
    ui->RotateSpeed->setText(QString::number(RotateSpeed) + QStringLiteral("r/min"));
    ui->DriveVoltage->setText(hundredths(DriveVoltage) + QLatin1Char('V'));
    ui->SendVoltage->setText(hundredths(SendVoltage) + QLatin1Char('V'));
    ui->ReceiveVoltage->setText(hundredths(ReceiveVoltage) + QLatin1Char('V'));
}

void MainWindow::IOPortDisplayer(uint Inport, uint Outport, uint Status)
{
    const QString status = Status == 0 ? pick(Lang, "Normal (", "正常(") + QStringLiteral("0)")
                                       : StatusBadges::faultText(Status, Lang);
    ui->label_StatusValue->setText(status);
    ui->label_StatusValue->setToolTip(status);
    // Wrapped onto two lines, a fault text still needs its longest word whole on one.
    static const int formWidth = ui->label_StatusValue->minimumWidth();
    int longest = 0;
    for (const QString &word : status.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        longest = qMax(longest, ui->label_StatusValue->fontMetrics().horizontalAdvance(word));
    ui->label_StatusValue->setMinimumWidth(qMax(formWidth, longest + 2 * ui->label_StatusValue->margin()));

    ui->InputlcdNum->display(QString::number(Inport));

    QLabel *const inputs[] = {ui->InputPort1, ui->InputPort2, ui->InputPort3,
                              ui->InputPort4, ui->InputPort5, ui->InputPort6};
    const char *const inputLit[] = {":/images/Green1.png", ":/images/Green2.png", ":/images/Green3.png",
                                    ":/images/Green4.png", ":/images/Green5.png", ":/images/Green6.png"};
    const char *const inputDark[] = {":/images/Gray1.png", ":/images/Gray2.png", ":/images/Gray3.png",
                                     ":/images/Gray4.png", ":/images/Gray5.png", ":/images/Gray6.png"};
    for (int i = 0; i < 6; ++i)
        showLamp(inputs[i], Inport & (1u << i), inputLit[i], inputDark[i]);

    showLamp(ui->OutputPort1, Outport & 1u, ":/images/Yellow1.png", ":/images/Gray1.png");
    showLamp(ui->OutputPort2, Outport & 2u, ":/images/Orange2.png", ":/images/Gray2.png");
    showLamp(ui->OutputPort3, Outport & 4u, ":/images/Red3.png", ":/images/Gray3.png");
    OptionScene->setReportedOutputs(Outport);
}

// In monitoring mode the editor follows the area the sensor reports as active. The whole editor
// switches, as a click on the area list would: moving only the zones would leave the list, the
// tables and the vertex handles on the old area, and the next edit or handle drag would write the
// old area's points into the new one.
void MainWindow::MonitorGraphicDisplay(uint Inport, uint Outport, uint Status)
{
    Q_UNUSED(Outport);
    Q_UNUSED(Status);
    if (MonitoringFlag != 1 || Inport == MonitorMemory)
        return;
    // A word beyond the last area is not an area number; showing area 63 instead would be wrong.
    if (Inport >= uint(ProjectData().Areas.size()))
        return;
    MonitorMemory = Inport;
    ui->AreaTableWidget->selectRow(int(Inport)); // the list marks it as a click would
    AreaTable->AreaTableClickChangeSlots(int(Inport), 0);
}

// The badges beside the connection state: the mode, any simulation, and what the sensor reports.
void MainWindow::makeBadgeConnections()
{
    connect(IoSimulation, &IO_SIMULATION::SimulationStateChanged, this, &MainWindow::refreshBadges);
    connect(SerialComm, &SERIAL_COMM::IOPortSignals, Badges,
            [this](uint Inport, uint, uint Status) { Badges->showSensorReport(Inport, Status); });
    // The sensor's area and faults are shown only while it is connected.
    connect(ui->DisConnection, &QAction::changed, this, [this] {
        if (!ui->DisConnection->isEnabled()) {
            Badges->clearSensorState();
            SensorSerialNumber = -1; // the next sensor may be another one
        }
    });
}

void MainWindow::refreshBadges()
{
    const PROJECT_DATA &p = ProjectData();
    Badges->setMonitoring(MonitoringFlag == 1);
    OptionScene->setHandlesVisible(MonitoringFlag != 1);
    Badges->setSimulation(p.InputSimulation || p.OutputSimulation || p.FaultSimulation || p.CaseSimulation);
    Badges->setLanguage(Lang);
}

void MainWindow::DirChange(bool dir)
{
    ui->label_dirValue->setText(dir ? pick(Lang, "Reverse", "倒立安装") : pick(Lang, "Forward", "正向安装"));
}

void MainWindow::SensorControlEnableSlot()
{
    SensorControl->Enable = ui->ScanGroupBox->isChecked();
}

void MainWindow::SensorControlChangeSlot()
{
    SensorControl->SleepMode = ui->Set_SensorSleepMode->currentIndex();
    SensorControl->MotorSpeed = ui->Set_ScanMotorSpeed->currentIndex();
    SensorControl->ScanAngle = ui->Set_ScanSensorAngle->currentIndex();
    SensorControl->FilterLevel = ui->Set_ScanFilterLevel->currentIndex();
}
