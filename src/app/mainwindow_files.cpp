// Files beside the project file: zone points as CSV (coordinate tables and File menu) and the
// configuration report; and teaching a zone from the live scan (each output's Teaching tab).
#include "app/mainwindow.h"

#include "area/area_table.h"
#include "area/dialogs.h"
#include "area/file/sensor_settings.h"
#include "area/store/project_data.h"
#include "area/zone_csv_commands.h"
#include "comm/codec/design_image.h"
#include "comm/sensor_setting.h"
#include "comm/serial_comm.h"
#include "editor/teach_control.h"
#include "report/config_report.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QSpinBox>
#include <QStatusBar>

void MainWindow::makeFileCommands()
{
    const QList<QTableWidget *> tables[3] = {{ui->CoordTableWidgetOut1, ui->PolarTableWidgeOut1},
                                             {ui->CoordTableWidgetOut2, ui->PolarTableWidgeOut2},
                                             {ui->CoordTableWidgetOut3, ui->PolarTableWidgeOut3}};
    CsvCommands = new ZoneCsvCommands(&ProjectData(), AreaTable, this, tables);
    CsvCommands->setBeforeCommand([this] { commitPendingEdits(); });
    connect(CsvCommands, &ZoneCsvCommands::Done, this,
            [this](const QString &m) { statusBar()->showMessage(m, 8000); });

    auto *exportCsv = new QAction(QStringLiteral("导出项目为CSV…"), this);
    exportCsv->setObjectName(QStringLiteral("ExportCsv"));
    auto *importCsv = new QAction(QStringLiteral("从CSV导入项目…"), this);
    importCsv->setObjectName(QStringLiteral("ImportCsv"));
    // Beside Save As, before the separator that leads to Quit.
    QAction *before = ui->Quit;
    const QList<QAction *> actions = ui->File->actions();
    const int quit = actions.indexOf(ui->Quit);
    if (quit > 0 && actions[quit - 1]->isSeparator())
        before = actions[quit - 1];
    ui->File->insertSeparator(before);
    auto *report = new QAction(QStringLiteral("导出报告…"), this);
    report->setObjectName(QStringLiteral("ExportReport"));
    ui->File->insertActions(before, {exportCsv, importCsv, report});
    connect(report, &QAction::triggered, this, [this] { exportReport(); });

    TeachControl::Controls teach[3];
    QSpinBox *const corner1[] = {ui->SpinCorner1Out1, ui->SpinCorner1Out2, ui->SpinCorner1Out3};
    QSpinBox *const corner2[] = {ui->SpinCorner2Out1, ui->SpinCorner2Out2, ui->SpinCorner2Out3};
    QSpinBox *const size1[] = {ui->SpinSize1Out1, ui->SpinSize1Out2, ui->SpinSize1Out3};
    QSpinBox *const size2[] = {ui->SpinSize2Out1, ui->SpinSize2Out2, ui->SpinSize2Out3};
    QComboBox *const method[] = {ui->MethodOut1, ui->MethodOut2, ui->MethodOut3};
    QSpinBox *const offset[] = {ui->SpinDistanceOffsetOut1, ui->SpinDistanceOffsetOut2,
                                ui->SpinDistanceOffsetOut3};
    QCheckBox *const simplify[] = {ui->CheckSimplifyResultOut1, ui->CheckSimplifyResultOut2,
                                   ui->CheckSimplifyResultOut3};
    QPushButton *const start[] = {ui->ButtonTeachOut1, ui->ButtonTeachOut2, ui->ButtonTeachOut3};
    QPushButton *const select[] = {ui->ButtonSelectOut1, ui->ButtonSelectOut2, ui->ButtonSelectOut3};
    for (int k = 0; k < 3; ++k) {
        // A spin box asks for the room of its widest value as its least; in the dock's narrow pane it
        // may shrink to what it shows, or the pane would scroll sideways.
        for (QSpinBox *spin : {corner1[k], corner2[k], size1[k], size2[k], offset[k]})
            spin->setSizePolicy(QSizePolicy::Preferred, spin->sizePolicy().verticalPolicy());
        teach[k] = {corner1[k], corner2[k],  size1[k], size2[k], method[k],
                    offset[k],  simplify[k], start[k], select[k]};
    }
    Teach = new TeachControl(&ProjectData(), &ScanData(), &DeviceType, AreaTable, scene, teach, this);
    connect(SerialComm, &SERIAL_COMM::ReceiveScanfData, Teach, &TeachControl::scanArrived);
    connect(exportCsv, &QAction::triggered, CsvCommands, &ZoneCsvCommands::exportProject);
    connect(importCsv, &QAction::triggered, CsvCommands, &ZoneCsvCommands::importProject);
}

ReportInput MainWindow::reportInput() const
{
    ReportInput in;
    in.language = Lang;
    in.projectFile = ProjectFileName;
    in.modified = ProjectData().Modified;
    in.created = QDateTime::currentDateTime();
    in.project = &ProjectData();
    in.crc = designImageCrc(ProjectData(), *SensorParameters);
    in.model = reportModel(DeviceType, in.language);
    if (anyTransportOpen() && SensorSerialNumber >= 0) {
        const ProductInfo &p = SerialComm->LastProduct();
        in.product << connectedSensorName()
                   << pick(Lang, "Model code %1, firmware %2.%3, serial number %4, made %5-%6-%7",
                           "型号代码 %1，固件 %2.%3，序列号 %4，生产日期 %5-%6-%7")
                          .arg(p.ModelCode)
                          .arg(p.Firmware / 100)
                          .arg(p.Firmware % 100, 2, 10, QLatin1Char('0'))
                          .arg(p.SerialNumber)
                          .arg(p.Year)
                          .arg(p.Month, 2, 10, QLatin1Char('0'))
                          .arg(p.Day, 2, 10, QLatin1Char('0'));
    }
    in.parameters = SensorSettings::shown(SensorSetting->ControlStates(), in.language);
    return in;
}

void MainWindow::exportReport()
{
    commitPendingEdits();
    const QString name = ZoneCsvCommands::chooseSaveName(this, Lang, pick(Lang, "Export Report", "导出报告"),
                                                         pick(Lang, "PDF files (*.pdf)", "PDF文件 (*.pdf)"),
                                                         QStringLiteral(".pdf"));
    if (name.isEmpty())
        return;
    QString error;
    if (!writeConfigReport(name, reportInput(), &error)) {
        Dialogs::ask(
            this, Dialogs::Icon::Warning, pick(Lang, "Warning", "警告"),
            pick(Lang, "%1 was not written: %2", "%1 未写入：%2").arg(QFileInfo(name).fileName(), error));
        return;
    }
    statusBar()->showMessage(
        pick(Lang, "Report written to %1", "报告已写入 %1").arg(QFileInfo(name).fileName()), 8000);
}
