#include "app/mainwindow.h"
#include "exchange/link.h"

#include "app/about.h"
#include "app/create.h"
#include "app/design_check_dialog.h"
#include "app/scan_replay_control.h"
#include "app/status_badges.h"
#include "app/wheel_guard.h"
#include "area/area_table.h"
#include "area/coord_table.h"
#include "area/dialogs.h"
#include "area/edit_control.h"
#include "area/file/project_file.h"
#include "area/geometry/polar.h"
#include "area/store/project_data.h"
#include "comm/codec/design_image.h"
#include "comm/codec/sensor_parameters.h"
#include "comm/ethnertsetting.h"
#include "comm/sensor_setting.h"
#include "comm/serial_comm.h"
#include "comm/settingsdialog.h"
#include "comm/write_log.h"
#include "editor/breach_legend.h"
#include "editor/option_scene.h"
#include "exchange/sequence_text.h"
#include "monitor/data_table.h"
#include "monitor/io_simulation.h"
#include "ui_mainwindow.h"

#include <QCloseEvent>
#include <QDockWidget>
#include <QGraphicsScene>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    Q_INIT_RESOURCE(resources);

    // 1. The form, with its Chinese texts and first tabs.
    ui->setupUi(this);
    ui->Para_LaserStopSignal->setCurrentIndex(1);

    // 2. Dialogs (the start dialog and the Ethernet one start their discovery).
    AboutDialog = new About;
    StartDialog = new Create;
    EthernetSettingDialog = new EthnertSetting;
    EthernetSettingDialog->setRememberedAddress(
        QSettings("Trevalor", "Parameters").value(QStringLiteral("connect/lastAddress")).toString());

    // 3. Device type.
    DeviceType = kDefaultDeviceType;

    // 4. Scene and the records the main window owns.
    scene = new QGraphicsScene;
    SensorParameters = new SENSOR_PARAMETERS;
    SensorControl = new SENSOR_CONTROL;

    // 5. The view around the sensor, fully zoomed out for the model.
    ui->graphicsView->setScene(scene);
    ui->graphicsView->centerOn(0, 0);
    ui->graphicsView->SetDeviceType(&DeviceType);

    // 6. The scene controller: zones, scan overlays and vertex handles.
    OptionScene =
        new OPTION_SCENE(&DeviceType, scene, &ProjectData(), &ScanData(), ui->graphicsView->baseItems());

    // 7. The serial line's settings.
    SerialSettingDialog = new SettingsDialog;

    // 8. The command exchange; its engine holds the link to the sensor.
    SerialComm = new SERIAL_COMM(&ScanData(), &ProjectData(), SensorParameters, SensorControl);

    // 9. The scan data table over the form's table.
    DataTable = new DATA_TABLE(&ScanData(), ui->DataTableWidget);

    // 10.-12. The area list, the coordinate tables and the edit controls.
    AreaTable = new AREA_TABLE(&ProjectData(), ui->AreaTableWidget, ui->Copy, ui->Cut, ui->Paste, ui->Delete);
    CoordTable = new COORD_TABLE(&ProjectData(), ui->CoordTableWidgetOut1, ui->CoordTableWidgetOut2,
                                 ui->CoordTableWidgetOut3, ui->PolarTableWidgeOut1, ui->PolarTableWidgeOut2,
                                 ui->PolarTableWidgeOut3);
    EDIT_CONTROL::Widgets edit;
    edit.AreaEditTab = ui->AreaEditTab;
    edit.OpenDelay = ui->Area_OpenDelay;
    edit.CloseDelay = ui->Area_CloseDelay;
    edit.Hysteresis = ui->Area_Hysteresis;
    edit.DetectionSize = ui->Area_DetectionSize;
    edit.SteerMinDgree = ui->SteerMinDgree;
    edit.SteerMaxDgree = ui->SteerMaxDgree;
    edit.VehicleMinSpeed = ui->VehicleMinSpeed;
    edit.VehicleMaxSpeed = ui->VehicleMaxSpeed;
    edit.VehicleOptionMode = ui->VehicleOptionMode;
    QPushButton *const shapeButtons[3][6] = {
        {ui->ButtonPolygonOut1, ui->ButtonArcOut1, ui->ButtonRectangleOut1, ui->ButtonStraightOut1,
         ui->ButtonFanOut1, ui->ButtonRatioOut1},
        {ui->ButtonPolygonOut2, ui->ButtonArcOut2, ui->ButtonRectangleOut2, ui->ButtonStraightOut2,
         ui->ButtonFanOut2, ui->ButtonRatioOut2},
        {ui->ButtonPolygonOut3, ui->ButtonArcOut3, ui->ButtonRectangleOut3, ui->ButtonStraightOut3,
         ui->ButtonFanOut3, ui->ButtonRatioOut3}};
    for (int k = 0; k < 3; ++k)
        for (int s = 0; s < 6; ++s)
            edit.ShapeButtons[k][s] = shapeButtons[k][s];
    EditControl = new EDIT_CONTROL(&ProjectData(), edit);

    // 13. The sensor settings dock over the parameter record.
    SensorSetting = new SENSOR_SETTING(SensorParameters, this, &ScanData());

    // 14. The IO simulation controls (the dock's scan group is the status code's).
    IoSimulation = new IO_SIMULATION(
        &ProjectData(), ui->InportGrouptBox, ui->OutportGrouptBox, ui->FaultGroupBox, ui->InputButton1,
        ui->InputButton2, ui->InputButton3, ui->InputButton4, ui->InputButton5, ui->InputButton6,
        ui->OutputButton1, ui->OutputButton2, ui->OutputButton3, ui->FaultSimuButton, ui->InputspinBox,
        ui->OutputspinBox, ui->CaseSimulationBox, ui->SimDgreeSpinBox, ui->SimDgreeSlider,
        ui->SimSpeedSpinBox, ui->SimSpeedSlider, ui->SimOptionMode);

    // 15. Initial widget states.
    // The Data Table stays available: it shows the last scan, live or played back.
    for (QAction *a : {ui->ReadAllSetting, ui->WriteAllSetting, ui->DisConnection, ui->SoftReboot,
                       ui->SensorInformation, ui->IOSimulation, ui->SelfCheck})
        a->setEnabled(false);
    ui->Edition->setChecked(true);
    ui->SensorSetting->setChecked(true);
    ui->Distance->setChecked(true);
    for (QAction *a : {ui->Intensity, ui->DataTable, ui->IOSimulation, ui->SelfCheck, ui->SerialConnection,
                       ui->EthernetConnection})
        a->setChecked(false);
    for (QLineEdit *heading : {ui->ArealineText, ui->RegionsLineText}) {
        heading->setEnabled(false);
        heading->setAlignment(Qt::AlignCenter);
    }

    // 16. Dock toolbars, zoom controls, the New tool button.
    EditionToolBar = new QToolBar(this);
    EditionToolBar->setObjectName("EditionToolBar");
    EditionToolBar->setIconSize(QSize(16, 16)); // all five fit the dock's narrowest width
    EditionToolBar->addActions({ui->Copy, ui->Cut, ui->Paste, ui->Delete, ui->DeleteAll});
    ui->EditionMenuLayout->addWidget(EditionToolBar);
    // The list's column is never narrower than its five tools, so none hides behind the extension.
    EditionToolBar->setMovable(false);
    const QMargins listMargins = ui->AreaListWidget->layout()->contentsMargins();
    ui->AreaListWidget->setMinimumWidth(
        qMax(ui->AreaListWidget->minimumWidth(),
             EditionToolBar->sizeHint().width() + listMargins.left() + listMargins.right()));
    SensorToolBar = new QToolBar(this);
    SensorToolBar->setObjectName("SensorToolBar");
    SensorToolBar->addActions({ui->ReadAllSetting, ui->WriteAllSetting});
    // Verify: read everything back and compare it with the open project. It stands after Write All
    // wherever that stands, and is usable exactly when Write All is.
    auto *verify = new QAction(QIcon(QStringLiteral(":/images/upload.png")), QStringLiteral("校验"), this);
    verify->setObjectName(QStringLiteral("VerifySetting"));
    for (QWidget *w : ui->WriteAllSetting->associatedWidgets()) {
        const QList<QAction *> actions = w->actions();
        w->insertAction(actions.value(actions.indexOf(ui->WriteAllSetting) + 1), verify);
    }
    verify->setEnabled(ui->WriteAllSetting->isEnabled());
    connect(ui->WriteAllSetting, &QAction::changed, verify,
            [this, verify] { verify->setEnabled(ui->WriteAllSetting->isEnabled()); });
    connect(verify, &QAction::triggered, this, [this] {
        commitPendingEdits(); // compared as the user sees it, the value being typed included
        SerialComm->VerifySensorDataSlots();
    });
    // Every write attempt is logged with how it ended: verified or not, refused, rejected, cut short.
    connect(
        SerialComm->Engine(), &ExchangeEngine::SequenceFinished, this,
        [this](const ExchangeEngine::Result &r) {
            using Outcome = ExchangeEngine::Outcome;
            if (r.sequence != ExchangeEngine::Sequence::WriteAll && !r.afterWrite)
                return;
            // Cut short: what stopped it, then what was and was not written.
            const bool cut = r.outcome != Outcome::Complete && r.outcome != Outcome::Differences &&
                             r.outcome != Outcome::Refused;
            const QString result =
                cut ? r.problem + QLatin1Char('\n') + sequenceDoneText(r, SerialComm->language()) : r.message;
            // Beside the project file; a project never saved has no folder of its own.
            const QString project = projectFileName();
            const QString path = writeLogPath(project);
            QString error;
            // A write cut short was never compared: the fingerprint is that of the design it carried.
            const quint32 crc = r.imageCrc ? r.imageCrc
                                           : designImageCrc(*SerialComm->Engine()->projectStore(),
                                                            *SerialComm->Engine()->parameters());
            if (!appendWriteLog(project, SerialComm->LastProduct(), crc, result, QDateTime::currentDateTime(),
                                &error))
                statusBar()->showMessage(
                    pick(Lang, "Write log %1 not written: %2", "写入记录%1未能写入：%2").arg(path, error));
            else if (project.isEmpty())
                statusBar()->showMessage(
                    pick(Lang,
                         "The project was never saved: write log kept in the application data "
                         "folder, %1",
                         "项目尚未保存：写入记录保存在应用程序数据文件夹中，%1")
                        .arg(path));
            else
                statusBar()->showMessage(pick(Lang, "Write log: %1", "写入记录：%1").arg(path));
        });
    ui->SensorMenuLayout->addWidget(SensorToolBar);
    ui->ZoomIn->setAutoRepeat(true);
    ui->ZoomOut->setAutoRepeat(true);
    CreateDeviceType(&DeviceType);
    NewButton = new QToolButton(this);
    NewButton->setObjectName("NewToolButton");
    NewButton->setIcon(QIcon(":images/newFile"));
    NewButton->setIconSize(QSize(24, 24));
    NewButton->setMenu(ui->New);
    NewButton->setPopupMode(QToolButton::MenuButtonPopup);
    ui->FileToolBar->insertWidget(ui->Open, NewButton);

    // The connection label lives in the connection state display, which is in the status bar from
    // the start (it says "disconnected" too); created before the connections that drive it.
    ConnectLabel = new QLabel;
    ConnectLabel->hide();
    LinkStatus = new ConnectionStatus(ConnectLabel);
    statusBar()->addPermanentWidget(LinkStatus);
    ConnectTimer = new QTimer(this);
    ConnectTimer->setSingleShot(true);
    RestartTimer = new QTimer(this);
    // The state badges of the status bar, left of the connection state.
    Badges = new StatusBadges(this);
    statusBar()->insertPermanentWidget(0, Badges);

    // 17. Connections.
    makeConnections();
    makeBadgeConnections();
    makeViewConnections();
    makeTransportConnections();
    makeDialogConnections();
    makeFileCommands();
    makeRecentProjectsMenu();
    makeAppSettings();
    makeReplayControl();

    // The right-hand docks share one column as tabs, so a laptop screen holds all of them; a
    // layout the user arranged and saved replaces this.
    tabifyRightDocks();

    // 18. Persisted layout, language and display mode.
    restoreSettings();

    // 19.
    ui->IOSimulationDock->hide();
    ui->SelfCheckDock->hide();
    ui->graphicsView->SetupMatrix();
    for (QPushButton *teach : {ui->ButtonTeachOut1, ui->ButtonTeachOut2, ui->ButtonTeachOut3})
        teach->setEnabled(false);
    // Scrolling over the docks scrolls them; no setting changes under a resting pointer.
    (new WheelGuard(this))->guard(this);

    // 20. The scan control record starts from the widgets' state.
    SensorControlEnableSlot();
    SensorControlChangeSlot();

    // 21. New areas detect objects of 1.0 degree.
    for (AREA_DATA &area : ProjectData().Areas)
        area.DetectionSize = 1;
    EditControl->EditControlUpdateEditData(); // the lists show what the area now holds
    AreaTable->setUndoActions(ui->Undo, ui->Redo);
    resetUndoBase();
    BlankDesign = ProjectData().Areas;
    refreshTitle();
}

// Everything the window made without a parent goes with it, in order: the exchange first (its
// timers and sequences use the transports), then the transports, closed, then the controllers over
// the form and the scene, the dialogs (and their discovery sockets), the records, and the form last.
MainWindow::~MainWindow()
{
    // The widgets are torn down after this body; a spin box losing focus then still signals, and
    // nothing may reach this half-destroyed window's slots.
    for (QObject *sender : std::initializer_list<QObject *>{SensorSetting, CoordTable, EditControl, AreaTable,
                                                            ui->graphicsView})
        disconnect(sender, nullptr, this, nullptr);
    delete SerialComm; // closes the link with the engine
    delete IoSimulation;
    delete SensorSetting;
    delete EditControl;
    delete CoordTable;
    delete AreaTable;
    delete DataTable;
    delete OptionScene;
    delete scene;
    delete StartDialog;
    delete AboutDialog;
    delete EthernetSettingDialog;
    delete SerialSettingDialog;
    delete SensorParameters;
    delete SensorControl;
    delete ui;
}

// Shown, not run: the dialog is application-modal, so the window waits for a choice while the one
// event loop keeps going.
void MainWindow::showStartDialog()
{
    StartDialog->show();
    StartDialog->raise();
    StartDialog->activateWindow();
}

// The About and start dialogs, and the manual. The connection requests of the start dialog reach
// the same slots as those of the settings dialogs.
void MainWindow::makeDialogConnections()
{
    connect(ui->About, &QAction::triggered, AboutDialog, &QWidget::show);
    connect(StartDialog, &Create::QuitSignal, this, &QWidget::close);
    connect(ui->Manual, &QAction::triggered, this, &MainWindow::OpenManualFile);
    connect(StartDialog, &Create::CreateSignal, this, &MainWindow::CreateDeviceType);
    connect(StartDialog, &Create::OpenProjectSignal, this, &MainWindow::OpenProject);
    connect(StartDialog, &Create::OpenSerialSignal, this, &MainWindow::CreatOpenSerialPort);
    connect(StartDialog, &Create::OpenEthernetSignal, this, &MainWindow::CreatEthernetPort);
    connect(StartDialog, &Create::CreateInterface, this, &MainWindow::CreatConnectTypeSignalSlot);
    connect(StartDialog, &Create::OpenEthernetMode, this, &MainWindow::CreatEthnertModeSignalSlot);
    connect(StartDialog, &Create::LanguageSignal, this, [this](Language language) {
        language == Language::English ? LanguageToEnglish() : LanguageToChinese();
    });
}

void MainWindow::makeConnections()
{
    connect(ui->Open, &QAction::triggered, this, &MainWindow::openfile);
    connect(ui->Save, &QAction::triggered, this, &MainWindow::savefile);
    connect(ui->SaveAs, &QAction::triggered, this, &MainWindow::saveProjectAs);
    connect(ui->Monitoring, &QAction::triggered, this, &MainWindow::OpenMonitoringMode);
    connect(ui->Edition, &QAction::triggered, this, &MainWindow::OpenCloseEditionDock);
    connect(ui->SensorSetting, &QAction::triggered, this, &MainWindow::OpenCloseSensorDock);
    connect(ui->DataTable, &QAction::triggered, this, &MainWindow::OpenCloseDataTableDock);
    connect(ui->Distance, &QAction::triggered, this, &MainWindow::OpenCloseReadScanf);
    connect(ui->Intensity, &QAction::triggered, this, &MainWindow::OpenCloseReadIntensity);
    connect(ui->IOSimulation, &QAction::triggered, this, &MainWindow::OpenCloseIOSimulationDock);
    connect(ui->SelfCheck, &QAction::triggered, this, &MainWindow::OpenCloseSelfCheck);
    connect(ui->Quit, &QAction::triggered, this, &QWidget::close);
    connect(ui->Chinese, &QAction::triggered, this, &MainWindow::LanguageToChinese);
    connect(ui->English, &QAction::triggered, this, &MainWindow::LanguageToEnglish);

    // Writing everything and restarting change the sensor: both ask first.
    connect(ui->SoftReboot, &QAction::triggered, this, &MainWindow::ConfirmSoftRebootSlot);
    connect(ui->ReadAllSetting, &QAction::triggered, SerialComm, &SERIAL_COMM::ReadSensorAllDataSlots);
    connect(ui->WriteAllSetting, &QAction::triggered, this, &MainWindow::ConfirmWriteAllSlot);
    connect(SerialComm, &SERIAL_COMM::ProductInfoReceived, this,
            [this](quint16 serialNumber) { SensorSerialNumber = serialNumber; });
    connect(ui->SensorInformation, &QAction::triggered, SerialComm, &SERIAL_COMM::SensorInformationSlots);
    connect(SerialComm, &SERIAL_COMM::ReceiveAreasComplete, this, &MainWindow::areasReadFromSensor);
    connect(SerialComm, &SERIAL_COMM::AreasNotRead, AreaTable, &AREA_TABLE::MarkAreasNotRead);
    connect(SerialComm, &SERIAL_COMM::ReceiveParameters, SensorSetting,
            &SENSOR_SETTING::UpdateParametersToDock);

    // The data table refreshes before the scene repaints the same scan, and only while it can be seen:
    // a revolution rewrites thousands of cells, which a hidden dock would pay for at the stream's rate.
    // Shown again, it catches up with the last revolution at once.
    const auto refreshDataTable = [this] {
        DataTableBehind = !ui->DataTableDock->isVisible();
        if (!DataTableBehind)
            DataTable->DataTableWidgetDisplay();
    };
    connect(SerialComm, &SERIAL_COMM::ReceiveScanfData, DataTable, refreshDataTable);
    connect(SerialComm, &SERIAL_COMM::ReceiveIntensityData, DataTable, refreshDataTable);
    connect(ui->DataTableDock, &QDockWidget::visibilityChanged, DataTable, [this](bool visible) {
        if (visible && DataTableBehind) {
            DataTableBehind = false;
            DataTable->DataTableWidgetDisplay();
        }
    });
    // When the values shown arrived.
    connect(SerialComm, &SERIAL_COMM::ReceiveScanfData, this, [this] {
        if (ui->DataTableDock->isVisible())
            ui->label_Timestamp->setText(
                pick(Lang, "Timestamp: %1", "时间戳: %1")
                    .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"))));
    });

    makeAreaEditingConnections();
    makeSceneConnections();

    ViewWindow *view = ui->graphicsView;
    connect(view, &ViewWindow::CurrentCoordSignal, this, &MainWindow::BarDisplayCoord);
    connect(ui->ZoomSlider, &QSlider::valueChanged, view, qOverload<int>(&ViewWindow::ChangeSetupMatrix));
    connect(view, &ViewWindow::ChangeMatrixSignal, ui->ZoomSlider, &QSlider::setValue);
    connect(ui->ZoomIn, &QToolButton::clicked, view, &ViewWindow::ZoomInButtonSlots);
    connect(ui->ZoomOut, &QToolButton::clicked, view, &ViewWindow::ZoomOutButtonSlots);

    connect(ui->Laser30, &QAction::triggered, this, &MainWindow::CreateDeviceLaser30);
    connect(ui->Laser50, &QAction::triggered, this, &MainWindow::CreateDeviceLaser50);
    connect(ui->SerialConnection, &QAction::triggered, this, &MainWindow::ConnectChangeUSARTModeSlot);
    connect(ui->EthernetConnection, &QAction::triggered, this, &MainWindow::ConnectChangeEthernetModeSlot);
    connect(ui->DispGraph, &QAction::triggered, this, &MainWindow::OpenDispGraphSlot);
    connect(ui->DispCloud, &QAction::triggered, this, &MainWindow::OpenDispCloudSlot);
    connect(ui->DispLine, &QAction::triggered, this, &MainWindow::OpenDispLineSlot);
    makeStatusConnections();
}

// Scan control widgets, and the sensor's reports to the status row and the Self Check dock. The
// status row is drawn before the monitoring display follows the reported area.
void MainWindow::makeStatusConnections()
{
    connect(ui->ScanGroupBox, &QGroupBox::clicked, this, &MainWindow::SensorControlEnableSlot);
    for (QComboBox *box :
         {ui->Set_SensorSleepMode, ui->Set_ScanMotorSpeed, ui->Set_ScanSensorAngle, ui->Set_ScanFilterLevel})
        connect(box, qOverload<int>(&QComboBox::currentIndexChanged), this,
                &MainWindow::SensorControlChangeSlot);
    connect(SerialComm, &SERIAL_COMM::SelfCheckStatus, this, &MainWindow::SelfCheckDisp);
    connect(SerialComm, &SERIAL_COMM::DirChangeSignals, this, &MainWindow::DirChange);
    connect(SerialComm, &SERIAL_COMM::IOPortSignals, this, &MainWindow::IOPortDisplayer);
    connect(SerialComm, &SERIAL_COMM::IOPortSignals, this, &MainWindow::MonitorGraphicDisplay);
}

// Where one signal reaches several slots the order is the behaviour: a coordinate edit is first
// snapshotted, then its list row is marked and redrawn, and only then is the scene repainted (the
// scene's connections are made after these).
void MainWindow::makeAreaEditingConnections()
{
    connect(ui->Copy, &QAction::triggered, AreaTable, &AREA_TABLE::CopyAreaTableData);
    connect(ui->Cut, &QAction::triggered, AreaTable, &AREA_TABLE::CutAreaTableData);
    connect(ui->Paste, &QAction::triggered, AreaTable, &AREA_TABLE::PasteAreaTableData);
    connect(ui->Delete, &QAction::triggered, AreaTable, &AREA_TABLE::DeleteAreaTableData);
    // Emptying every area is asked first; each area can then be brought back with Undo.
    connect(ui->DeleteAll, &QAction::triggered, this, [this] {
        const int choice =
            Dialogs::ask(this, Dialogs::Icon::Warning, pick(Lang, "Warning", "警告"),
                         pick(Lang, "Empty all 64 areas?", "清空全部64个区域？"),
                         {pick(Lang, "Delete All", "全部删除"), pick(Lang, "Cancel", "取消")}, 1);
        if (choice == 0)
            AreaTable->DeleteAllAreaTableData();
    });
    connect(ui->Undo, &QAction::triggered, AreaTable, &AREA_TABLE::UndoAreaTableData);
    connect(ui->Redo, &QAction::triggered, AreaTable, &AREA_TABLE::RedoAreaTableData);

    connect(AreaTable, &AREA_TABLE::AreaTableIndexChange, CoordTable, &COORD_TABLE::CoordTableWidgeUpdate);
    connect(AreaTable, &AREA_TABLE::AreaTableIndexChange, EditControl,
            &EDIT_CONTROL::EditControlUpdateEditData);
    connect(AreaTable, &AREA_TABLE::EditAreaDataSignal, CoordTable, &COORD_TABLE::CoordTableWidgeUpdate);
    connect(AreaTable, &AREA_TABLE::EditAreaDataSignal, EditControl,
            &EDIT_CONTROL::EditControlUpdateEditData);
    connect(EditControl, &EDIT_CONTROL::EditControlShapeChangeSignal, CoordTable,
            &COORD_TABLE::CoordTableWidgeUpdate);
    connect(CoordTable, &COORD_TABLE::CoordTableEditSignal, AreaTable, &AREA_TABLE::SaveUndoAreaTableData);
    // A zone never grows past what the sensor holds; the refusal is said where the user looks.
    const auto pointLimit = [this] {
        statusBar()->showMessage(pick(Lang, "A zone holds at most 100 points; this one is full.",
                                      "一个检测区最多100个点，此检测区已满。"),
                                 5000);
    };
    connect(CoordTable, &COORD_TABLE::PointLimitSignal, this, pointLimit);
    connect(OptionScene, &OPTION_SCENE::PointLimitSignal, this, pointLimit);
    connect(EditControl, &EDIT_CONTROL::EditControlShapeChangeSignal, AreaTable,
            &AREA_TABLE::SaveUndoAreaTableData);
    connect(EditControl, &EDIT_CONTROL::EditControlParaChangeSignal, AreaTable,
            &AREA_TABLE::SaveUndoAreaTableData);
    connect(CoordTable, &COORD_TABLE::CoordTableEditSignal, AreaTable, &AREA_TABLE::SetEditAreaTableDisplay);
    connect(CoordTable, &COORD_TABLE::CoordTableEditSignal, AreaTable,
            &AREA_TABLE::AreaTableWidgetCurDisplay);

    connect(ui->graphicsView, &ViewWindow::MouseReleaseSignal, AreaTable,
            &AREA_TABLE::AreaTableWidgetCurDisplay);
    connect(ui->graphicsView, &ViewWindow::ReleasePointItem, AreaTable, &AREA_TABLE::SaveUndoAreaTableData);

    // The scene repaints and rebuilds its handles after the list and the tables have followed.
    connect(AreaTable, &AREA_TABLE::AreaTableIndexChange, OptionScene, &OPTION_SCENE::UpdataPaintOutline);
    connect(AreaTable, &AREA_TABLE::EditAreaDataSignal, OptionScene, &OPTION_SCENE::UpdataPaintOutline);
    connect(CoordTable, &COORD_TABLE::CoordTableEditSignal, OptionScene, &OPTION_SCENE::UpdataPaintOutline);
    connect(EditControl, &EDIT_CONTROL::EditControlShapeChangeSignal, OptionScene,
            &OPTION_SCENE::UpdataPaintOutline);
    connect(CoordTable, &COORD_TABLE::CoordTableEditSignal, OptionScene,
            &OPTION_SCENE::CoordTableUpdatePointItem);
    connect(AreaTable, &AREA_TABLE::AreaTableIndexChange, OptionScene,
            &OPTION_SCENE::CoordTableUpdatePointItem);
    connect(AreaTable, &AREA_TABLE::EditAreaDataSignal, OptionScene,
            &OPTION_SCENE::CoordTableUpdatePointItem);
    connect(EditControl, &EDIT_CONTROL::EditControlShapeChangeSignal, OptionScene,
            &OPTION_SCENE::CoordTableUpdatePointItem);
    connect(OptionScene, &OPTION_SCENE::PointItemChannelSignal, CoordTable,
            &COORD_TABLE::CoordTableWidgeUpdate);

    // The title's modified mark follows every edit.
    connect(SensorSetting, &SENSOR_SETTING::ParametersEditedInDock, this, [this] {
        ProjectData().Modified = true;
        refreshTitle();
    });
    connect(CoordTable, &COORD_TABLE::CoordTableEditSignal, this, &MainWindow::refreshTitle);
    connect(CoordTable, &COORD_TABLE::CellInputRefused, this,
            [this](const QString &why) { statusBar()->showMessage(why, 10000); });
    connect(EditControl, &EDIT_CONTROL::EditControlParaChangeSignal, this, &MainWindow::refreshTitle);
    connect(EditControl, &EDIT_CONTROL::EditControlShapeChangeSignal, this, &MainWindow::refreshTitle);
    connect(AreaTable, &AREA_TABLE::EditAreaDataSignal, this, &MainWindow::refreshTitle);
    connect(ui->graphicsView, &ViewWindow::ReleasePointItem, this, &MainWindow::refreshTitle);
}

// The scene's own inputs: the live scan, the output tab and the view's handle signals. The
// scene's reactions to area, coordinate and shape edits belong with the area editing wiring.
void MainWindow::makeSceneConnections()
{
    connect(SerialComm, &SERIAL_COMM::ReceiveScanfData, OptionScene, &OPTION_SCENE::UpdataPaintOutline);
    connect(SerialComm, &SERIAL_COMM::ReceiveIntensityData, OptionScene, &OPTION_SCENE::UpdataPaintIntensity);
    // After EDIT_CONTROL took the new output (connected when it was built).
    connect(ui->AreaEditTab, &QTabWidget::currentChanged, OptionScene, &OPTION_SCENE::UpdataPaintOutline);
    connect(ui->AreaEditTab, &QTabWidget::currentChanged, OptionScene,
            &OPTION_SCENE::CoordTableUpdatePointItem);
    ViewWindow *view = ui->graphicsView;
    connect(view, &ViewWindow::AddCenterPointItem, OptionScene, &OPTION_SCENE::AddCenterPointItemSlots);
    connect(view, &ViewWindow::MovePointItem, OptionScene, &OPTION_SCENE::MovePointItemSlots);
    connect(view, qOverload<qreal>(&ViewWindow::ChangeSetupMatrix), OptionScene,
            &OPTION_SCENE::ChangeScaleSize);
    connect(OptionScene, &OPTION_SCENE::HandlesRebuilt, view, &ViewWindow::ForgetPressedHandle);
    connect(view, &ViewWindow::DeletePointItem, OptionScene, &OPTION_SCENE::DeletePointItemSlots);
}

// ---- project ----------------------------------------------------------------------------------

void MainWindow::ClearAllEditData()
{
    PROJECT_DATA &p = ProjectData();
    p.Modified = false;
    for (AREA_DATA &area : p.Areas) {
        area.Out1Coord.clear();
        area.Out2Coord.clear();
        area.Out3Coord.clear();
        area.OpenDelay = area.CloseDelay = area.Hysteresis = area.DetectionSize = 0;
        area.Out1Shape = area.Out2Shape = area.Out3Shape = Polygon;
    }
    SensorParameters->resetToDefaults();
    SensorSetting->UpdateParametersToDock();
    for (QComboBox *box :
         {ui->Area_OpenDelay, ui->Area_CloseDelay, ui->Area_Hysteresis, ui->Area_DetectionSize})
        box->setCurrentIndex(0);
    // The handles too: left on the old points, the next drag would write them back.
    refreshEditors();
}

void MainWindow::CreateDeviceType(DEVICETYPE *Type)
{
    DeviceType = *Type;
    OptionScene->SetDeviceType(&DeviceType);
    if (SerialComm)
        SerialComm->SetDeviceType(DeviceType);
    ui->graphicsView->SetDeviceType(&DeviceType);
    ui->ZoomSlider->setMaximum(kZoomMax);
    if (const DeviceInfo *info = deviceInfo(DeviceType)) {
        ui->ZoomSlider->setMinimum(info->zoomFloor);
        ui->ZoomSlider->setValue(info->zoomFloor);
        CoordTable->setRangeLimit(info->rangeLimit);
    }
    ui->ZoomSlider->setTickPosition(QSlider::TicksBelow);
}

// ---- status bar -------------------------------------------------------------------------------

void MainWindow::BarDisplayCoord(QPoint Coord)
{
    const int x = Coord.x();
    const int y = -Coord.y();
    statusBar()->showMessage(QString("X: %1 [mm], Y: %2 [mm] | R: %3 [mm], Th: %4 [deg]")
                                 .arg(x)
                                 .arg(y)
                                 .arg(double(polar::radius(x, y)), 0, 'g', 6)
                                 .arg(double(polar::degrees(x, y)), 0, 'g', 6));
}

// ---- docks and modes ---------------------------------------------------------------------------

// A dock that is asked for comes to the front of its tab group.
static void showDock(QDockWidget *dock, bool visible)
{
    dock->setVisible(visible);
    if (visible)
        dock->raise();
}

void MainWindow::OpenCloseSensorDock(bool Checked)
{
    showDock(ui->SensorSettingDock, Checked);
}
void MainWindow::OpenCloseDataTableDock(bool Checked)
{
    showDock(ui->DataTableDock, Checked);
}
void MainWindow::OpenCloseSelfCheck(bool Checked)
{
    showDock(ui->SelfCheckDock, Checked);
}

void MainWindow::tabifyRightDocks()
{
    for (QDockWidget *dock :
         {ui->SensorSettingDock, ui->DataTableDock, ui->IOSimulationDock, ui->SelfCheckDock})
        addDockWidget(Qt::RightDockWidgetArea, dock);
    for (QDockWidget *dock : {ui->DataTableDock, ui->IOSimulationDock, ui->SelfCheckDock})
        tabifyDockWidget(ui->SensorSettingDock, dock);
    // Four titles side by side need more than the column's width; along its edge they read whole.
    setTabPosition(Qt::RightDockWidgetArea, QTabWidget::East);
    ui->SensorSettingDock->raise();
    // The tab bar is made when the layout is next applied.
    QTimer::singleShot(0, this, &MainWindow::showWholeDockTabTitles);
}

void MainWindow::fitToScreen(const QRect &available)
{
    if (available.isEmpty())
        return;
    // Docks laid side by side on a larger screen may together need more than this one has.
    const QSize needed = minimumSizeHint();
    if (needed.width() > available.width() || needed.height() > available.height())
        tabifyRightDocks();
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize room = available.size() - frame;
    QRect g = geometry();
    // Not below the layout's minimum, which it keeps by itself once applied (the tabbed layout's is
    // known only then).
    g.setSize(g.size().boundedTo(room));
    // Keep it on the screen: a saved position may lie beyond the right or bottom edge.
    g.moveLeft(qBound(available.left(), g.left(),
                      qMax(available.left(), available.right() + 1 - g.width() - frame.width())));
    g.moveTop(qBound(available.top(), g.top(),
                     qMax(available.top(), available.bottom() + 1 - g.height() - frame.height())));
    setGeometry(g);
}

void MainWindow::OpenCloseEditionDock(bool Checked)
{
    MonitoringFlag = Checked ? 0 : 1;
    ui->EditionControlDock->setVisible(Checked);
    FitOnNextScan = !Checked;
    refreshBadges();
}

void MainWindow::OpenMonitoringMode()
{
    MonitoringFlag = 1;
    ui->DataTableDock->hide();
    ui->SensorSettingDock->show();
    ui->EditionControlDock->hide();
    ui->DataTable->setChecked(false);
    ui->Edition->setChecked(false);
    ui->SensorSetting->setChecked(true);
    FitOnNextScan = true;
    refreshBadges();
}

void MainWindow::OpenCloseIOSimulationDock(bool Checked)
{
    if (Checked) {
        showDock(ui->IOSimulationDock, true);
        return;
    }
    for (QGroupBox *box :
         {ui->InportGrouptBox, ui->OutportGrouptBox, ui->FaultGroupBox, ui->CaseSimulationBox})
        box->setChecked(false);
    // Unchecking by program does not signal: the flags follow the boxes only through these two.
    IoSimulation->SimulationSignalSlots();
    IoSimulation->SimulationCaseSlots();
    ui->IOSimulationDock->hide();
}

// Recording and playback, given what they drive.
void MainWindow::makeReplayControl()
{
    ScanReplayControl::Parts parts;
    parts.window = this;
    parts.exchange = SerialComm;
    parts.connection = LinkStatus;
    parts.fileMenu = ui->File;
    parts.openBefore = ui->Save;
    parts.displayMenu = ui->Display;
    parts.distance = ui->Distance;
    parts.selfCheck = ui->SelfCheck;
    parts.selfCheckDock = ui->SelfCheckDock;
    parts.directionLabel = ui->label_dirValue;
    parts.scene = OptionScene;
    parts.view = ui->graphicsView;
    parts.badges = Badges;
    parts.disconnect = [this] { CloseSerialPort(); };
    parts.showStreams = [this] {
        OpenCloseReadScanf(ui->Distance->isChecked());
        OpenCloseReadIntensity(ui->Intensity->isChecked());
    };
    parts.showDirection = [this](bool reversed) { DirChange(reversed); };
    parts.clearDisplays = [this] { clearLiveDisplays(); };
    parts.model = [this] { return int(DeviceType); };
    Replay = new ScanReplayControl(parts, this);

    DesignCheckDialog::Parts check;
    check.replay = Replay;
    check.design = [this] {
        commitPendingEdits(); // the design as the user sees it
        return ProjectData().Areas;
    };
    check.model = [this] { return int(DeviceType); };
    DesignCheck = new DesignCheckDialog(check, this);
    ui->File->insertAction(ui->Save, DesignCheck->action());
}

bool MainWindow::anyTransportOpen() const
{
    const Link *link = SerialComm->Engine()->link();
    return link && (link->state() == Link::State::Open || link->state() == Link::State::Opening);
}

// A stream starts only with a live connection; the action's check is kept and re-applied on the
// next connect.
void MainWindow::OpenCloseReadScanf(bool Checked)
{
    const bool live = Checked && anyTransportOpen();
    // A recording being played is shown as the sensor's scan would be.
    const bool on = live || (Checked && Replay && Replay->isPlayingBack());
    OptionScene->setOutlineVisible(on);
    if (Legend)
        Legend->setVisible(on);
    if (live)
        SerialComm->OpenSendReadScanf();
    else
        SerialComm->CloseSendReadScanf();
}

void MainWindow::OpenCloseReadIntensity(bool Checked)
{
    const bool live = Checked && anyTransportOpen();
    OptionScene->setIntensityVisible(live || (Checked && Replay && Replay->isPlayingBack()));
    if (live)
        SerialComm->OpenSendReadIntensity();
    else
        SerialComm->CloseSendReadIntensity();
}

void MainWindow::setDisplayMode(int mode)
{
    ScanData().DisplayMode = mode;
    QAction *actions[] = {ui->DispGraph, ui->DispCloud, ui->DispLine};
    for (int i = 0; i < 3; ++i) {
        actions[i]->setCheckable(i == mode);
        actions[i]->setChecked(i == mode);
    }
}

void MainWindow::OpenDispGraphSlot()
{
    setDisplayMode(0);
}
void MainWindow::OpenDispCloudSlot()
{
    setDisplayMode(1);
}
void MainWindow::OpenDispLineSlot()
{
    setDisplayMode(2);
}

// ---- connection type --------------------------------------------------------------------------

void MainWindow::ConnectChangeUSARTModeSlot()
{
    ui->SerialConnection->setChecked(true);
    ui->EthernetConnection->setChecked(false);
    ui->SerialSetting->setEnabled(true);
    ui->EthnernetSetting->setEnabled(false);
    ScanData().ConnectType = 0;
    SensorSetting->SetConnectTypeEnables(0);
}

void MainWindow::ConnectChangeEthernetModeSlot()
{
    ui->EthernetConnection->setChecked(true);
    ui->SerialConnection->setChecked(false);
    ui->EthnernetSetting->setEnabled(true);
    ui->SerialSetting->setEnabled(false);
    ScanData().ConnectType = 1;
    SensorSetting->SetConnectTypeEnables(1);
}

void MainWindow::CreatConnectTypeSignalSlot(int Index)
{
    if (Index == 0)
        ConnectChangeUSARTModeSlot();
    else if (Index == 1)
        ConnectChangeEthernetModeSlot();
}

// ---- close and settings -----------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent *event)
{
    commitPendingEdits();
    bool refuse = false;
    if (ProjectData().Modified) {
        const int choice = Dialogs::ask(
            this, Dialogs::Icon::Warning, pick(Lang, "Warning", "警告"),
            pick(Lang, "The project has unsaved changes.\nDo you want to save them before closing?",
                 "关于应用程序\n您修改了数据直接退出而不保存？"),
            QStringList{pick(Lang, "Save", "保存"), pick(Lang, "Close Without Saving", "关闭"),
                        pick(Lang, "Cancel", "取消")});
        if (choice == 0)
            refuse = !savefile(); // a cancelled or failed save must not throw the design away
        else if (choice != 1)
            refuse = true;
    }
    saveSettings();
    if (refuse) {
        event->ignore();
        return;
    }
    Replay->stopRecording(); // the file gets its end line now, not when the process ends
    event->accept();
}

void MainWindow::restoreSettings()
{
    QSettings settings("Trevalor", "Parameters");
    const int language = settings.value("Language", 0).toInt();
    restoreGeometry(settings.value("geometry").toByteArray());
    restoreState(settings.value("windowState").toByteArray(), 0);
    ui->splitter->restoreState(settings.value("splitterSizes").toByteArray());
    ui->splitter_2->restoreState(settings.value("splitterSizes2").toByteArray());
    for (QSplitter *s : {ui->splitter, ui->splitter_2}) {
        s->setChildrenCollapsible(false);
        for (int i = 0; i < qMin(2, s->count()); ++i)
            s->setCollapsible(i, false);
    }
    const int mode = settings.value("SaveDispMpde", 0).toInt();
    if (language == 1)
        LanguageToEnglish();
    else
        LanguageToChinese();
    if (mode == 1)
        OpenDispCloudSlot();
    else if (mode == 2)
        OpenDispLineSlot();
    else
        OpenDispGraphSlot();
    ui->EditionControlDock->show();
    ui->DataTableDock->hide();
    ui->SensorSettingDock->show();
    // A layout saved on a larger screen is fitted to the one the window opens on.
    if (QScreen *screen = QGuiApplication::primaryScreen())
        fitToScreen(screen->availableGeometry());
}

void MainWindow::saveSettings()
{
    QSettings settings("Trevalor", "Parameters");
    settings.setValue("Language", Lang == Language::English ? 1 : 0);
    settings.setValue("geometry", saveGeometry());
    settings.setValue("windowState", saveState(0));
    settings.setValue("splitterSizes", ui->splitter->saveState());
    settings.setValue("splitterSizes2", ui->splitter_2->saveState());
    const int mode = ScanData().DisplayMode;
    settings.setValue("SaveDispMpde", mode >= 0 && mode <= 2 ? mode : 0);
}
