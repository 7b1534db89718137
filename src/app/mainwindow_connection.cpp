// Connecting to the sensor and disconnecting from it, over a serial port or over Ethernet (TCP or
// UDP): the connection's state (connecting, connected, restarting, lost, closed) shown in one place
// of the status bar, the action states and the exchange start that belong to each step, noticing a
// sensor that went away, and following a restart until the sensor answers again.
#include "app/mainwindow.h"

#include "app/connection_status.h"
#include "app/scan_replay_control.h"
#include "area/dialogs.h"
#include "area/store/project_data.h"
#include "comm/codec/sensor_parameters.h"
#include "comm/discovery.h"
#include "comm/ethnertsetting.h"
#include "comm/sensor_setting.h"
#include "comm/serial_comm.h"
#include "comm/settingsdialog.h"
#include "editor/option_scene.h"
#include "exchange/link.h"
#include "monitor/data_table.h"
#include "monitor/io_simulation.h"
#include "ui_mainwindow.h"

#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>

namespace {
constexpr quint16 kSensorPort = 8080;
} // namespace

using LinkState = ConnectionStatus::State;

Link *MainWindow::link() const
{
    return SerialComm->Engine()->link();
}

void MainWindow::makeTransportConnections()
{
    connect(ui->SerialSetting, &QAction::triggered, SerialSettingDialog, &QWidget::show);
    connect(ui->SerialSetting, &QAction::triggered, SerialSettingDialog, &SettingsDialog::fillPortsInfo);
    connect(ui->EthnernetSetting, &QAction::triggered, EthernetSettingDialog, &QWidget::show);
    connect(ui->EthnernetSetting, &QAction::triggered, EthernetSettingDialog, &EthnertSetting::fillPortsInfo);
    connect(ui->Connection, &QAction::triggered, this, &MainWindow::OpenSerialPort);
    connect(ui->DisConnection, &QAction::triggered, this, &MainWindow::CloseSerialPort);
    connect(EthernetSettingDialog, &EthnertSetting::OpenEthernetSignal, this, &MainWindow::CreatEthernetPort);
    connect(SerialSettingDialog, &SettingsDialog::OpenSerialSignal, this, &MainWindow::CreatOpenSerialPort);
    connect(EthernetSettingDialog, &EthnertSetting::OpenEthernetMode, this,
            &MainWindow::CreatEthnertModeSignalSlot);

    connect(SerialComm, &SERIAL_COMM::LinkOpened, this, &MainWindow::linkOpened);
    connect(SerialComm, &SERIAL_COMM::LinkLost, this, &MainWindow::linkLost);
    connect(SerialComm, &SERIAL_COMM::ReceiveParameters, this, &MainWindow::sensorAnswered);
    connect(SerialComm, &SERIAL_COMM::SelfCheckStatus, this, &MainWindow::sensorAnswered);
    connect(SerialComm, &SERIAL_COMM::RebootAcknowledged, this, &MainWindow::startRestartWait);
    connect(SerialComm, &SERIAL_COMM::ProductInformationRead, this, &MainWindow::restartConfirmed);
    connect(ConnectTimer, &QTimer::timeout, this, [this] {
        connectFailed(pick(Lang, "No answer from %1 within %2 s.", "%1 在 %2 秒内没有应答。")
                          .arg(LastPeer)
                          .arg(kConnectTimeoutMs / 1000));
    });
    connect(RestartTimer, &QTimer::timeout, this, &MainWindow::restartTick);
    connect(SerialComm, &SERIAL_COMM::ReceiveParameters, this, [this] {
        SensorLinkAsRead = LinkParameters::of(*SensorParameters);
        SensorLinkKnown = true;
        LinkEditedInDock = false;
    });
    connect(SensorSetting, &SENSOR_SETTING::ParametersEditedInDock, this, [this] {
        if (LinkStatus->state() != LinkState::Connected || !SensorLinkKnown)
            return;
        LinkFromDock = LinkParameters::of(*SensorParameters);
        LinkEditedInDock = true;
    });
    connect(LinkStatus, &ConnectionStatus::CancelRequested, this, &MainWindow::CloseSerialPort);
}

ConnectionStatus::State MainWindow::connectionState() const
{
    return LinkStatus->state();
}

void MainWindow::OpenSerialPort()
{
    // After a loss one action reconnects to the same port or address.
    if (LinkStatus->state() == LinkState::Lost && !LastPeer.isEmpty() &&
        LastConnectType == ScanData().ConnectType) {
        if (LastConnectType == 1)
            CreatEthernetPort(LastPeer);
        else
            CreatOpenSerialPort(LastPeer);
        return;
    }
    // Nothing chosen yet: the settings ask where to, instead of taking the first port listed or
    // failing on an empty address.
    if (ScanData().ConnectType == 1) {
        if (EthernetSettingDialog->address().isEmpty()) {
            EthernetSettingDialog->show();
            EthernetSettingDialog->fillPortsInfo();
            return;
        }
        EthernetSettingDialog->update();
        return;
    }
    if (SerialSettingDialog->chosenPort().isEmpty()) {
        SerialSettingDialog->show();
        SerialSettingDialog->fillPortsInfo();
        return;
    }
    CreatOpenSerialPort(SerialSettingDialog->chosenPort());
}

// The actions that talk to the sensor, enabled only while it is known to answer.
void MainWindow::setSensorActions(bool on)
{
    for (QAction *a : {ui->ReadAllSetting, ui->WriteAllSetting, ui->SoftReboot, ui->SensorInformation,
                       ui->IOSimulation, ui->SelfCheck})
        a->setEnabled(on);
}

QString MainWindow::peerLabelText() const
{
    return LastConnectType == 1 ? pick(Lang, "IPAddress:%1 ", "IP地址:%1 ").arg(LastPeer)
                                : pick(Lang, "COM:%1 ", "串口号:%1 ").arg(LastPeer);
}

// A port or socket is open for the sensor at peer: the interface actions are locked, Disconnect
// can stop the attempt, nothing else talks to the sensor until it has answered.
void MainWindow::enterConnecting(const QString &peer)
{
    LastPeer = peer;
    LastConnectType = ScanData().ConnectType;
    for (QAction *a : {ui->SerialConnection, ui->EthernetConnection, ui->Connection, ui->SerialSetting,
                       ui->EthnernetSetting})
        a->setEnabled(false);
    ui->DisConnection->setEnabled(true);
    setSensorActions(false);
    // Kept for a language switch: the port or address as the user chose it.
    ConnectLabel->setProperty("peer", peer);
    ConnectLabel->setText(peerLabelText());
    ConnectLabel->show();
    LinkStatus->setState(LinkState::Connecting);
}

void MainWindow::enterConnected()
{
    ConnectTimer->stop();
    setSensorActions(true);
    ui->DisConnection->setEnabled(true);
    LinkStatus->setState(LinkState::Connected);
    statusBar()->showMessage(pick(Lang, "Connected to %1", "连接到 %1")
                                 .arg(LastConnectType == 0 ? serialLineText() : ethernetPeerText()));
    if (LastConnectType == 1) {
        // The next start offers this address again.
        QSettings("Trevalor", "Parameters").setValue(QStringLiteral("connect/lastAddress"), LastPeer);
        EthernetSettingDialog->setRememberedAddress(LastPeer);
    }
}

// "192.168.1.88:8080"
QString MainWindow::ethernetPeerText() const
{
    return QStringLiteral("%1:%2").arg(LastPeer).arg(kSensorPort);
}

// "/dev/ttyUSB0 : 115200, 8, None, 1, None"
QString MainWindow::serialLineText() const
{
    const SettingsDialog::Settings s = SerialSettingDialog->settings();
    return QStringLiteral("%1 : %2, %3, %4, %5, %6")
        .arg(LastPeer, s.stringBaudRate, s.stringDataBits, s.stringParity, s.stringStopBits,
             s.stringFlowControl);
}

// The exchange of a fresh connection: nothing left over from an earlier one may be taken for a
// reply; the read-all, the streams as chosen, the simulation poll.
void MainWindow::beginExchange()
{
    SensorLinkKnown = false; // until this sensor's parameters are read
    SerialComm->AbandonExchange();
    SerialComm->CloseSerialPortSlots();
    if (loadSensorAreasOnConnect())
        SerialComm->ReadSensorAllDataSlots();
    else
        SerialComm->ReadSensorParametersSlots();
    OpenCloseReadScanf(ui->Distance->isChecked());
    OpenCloseReadIntensity(ui->Intensity->isChecked());
    SerialComm->OpenSendReadSimulation();
}

void MainWindow::CreatOpenSerialPort(QString Com)
{
    // Whether the design counts as unsaved, and what the sensor may replace, includes the value being
    // typed.
    commitPendingEdits();
    Replay->closeRecording(); // the sensor takes the displays over from a recording being played
    if (LinkStatus->state() != LinkState::Closed && LinkStatus->state() != LinkState::Lost)
        stopLink();
    ConnectChangeUSARTModeSlot();
    ui->SerialSetting->setEnabled(false);
    ui->EthnernetSetting->setEnabled(false);

    const SettingsDialog::Settings s = SerialSettingDialog->settings();
    SerialLine line;
    line.baudRate = s.baudRate;
    line.dataBits = s.dataBits;
    line.parity = s.parity;
    line.stopBits = s.stopBits;
    line.flowControl = s.flowControl;
    if (!SerialComm->Engine()->openSerial(Com, line)) {
        Dialogs::ask(this, Dialogs::Icon::Critical, pick(Lang, "Error", "错误"),
                     pick(Lang, "Serial Open error", "串口打开失败"));
        statusBar()->showMessage(pick(Lang, "Open error", "打开错误"));
        return;
    }

    // The port is open; the sensor counts as connected once it has answered.
    enterConnecting(Com);
    statusBar()->showMessage(pick(Lang, "Connecting to %1…", "正在连接 %1…").arg(serialLineText()));
    beginExchange();
}

void MainWindow::CreatEthernetPort(QString Com)
{
    commitPendingEdits(); // as for a serial connection
    Replay->closeRecording();
    if (LinkStatus->state() != LinkState::Closed && LinkStatus->state() != LinkState::Lost)
        stopLink();
    ConnectChangeEthernetModeSlot();
    ui->SerialSetting->setEnabled(false);
    ui->EthnernetSetting->setEnabled(false);

    Com = Com.trimmed();
    // Nowhere to connect to is a failure now, not a string of time-outs later.
    if (Com.isEmpty() || !acceptIPv4Address(this, Com, Lang)) {
        if (Com.isEmpty())
            Dialogs::ask(this, Dialogs::Icon::Critical, pick(Lang, "Error", "错误"),
                         pick(Lang, "Ethernet Open error", "以太网连接失败"));
        statusBar()->showMessage(pick(Lang, "Open error", "打开错误"));
        return;
    }
    // The sensor's own announcement decides the transport; an address never discovered uses TCP.
    ScanData().EtherMode = SensorDiscovery::modeOf(Com);

    enterConnecting(Com);
    statusBar()->showMessage(pick(Lang, "Connecting to %1…", "正在连接 %1…").arg(ethernetPeerText()));
    ExchangeEngine *engine = SerialComm->Engine();
    if (ScanData().EtherMode == 0) {
        // Asynchronous: the exchange starts once the sensor accepted the connection.
        ConnectTimer->start(kConnectTimeoutMs);
        engine->openTcp(QHostAddress(Com), kSensorPort);
        return;
    }
    if (!engine->openUdp(QHostAddress(Com), kSensorPort)) {
        connectFailed(
            pick(Lang, "Cannot connect to %1: %2", "无法连接到 %1：%2").arg(Com, engine->LinkError()));
        return;
    }
    // UDP has no connection: the first answer makes it connected, a give-up makes it lost.
    beginExchange();
}

void MainWindow::CreatEthnertModeSignalSlot(QString Type)
{
    if (Type == QLatin1String("MODE: TCP"))
        ScanData().EtherMode = 0;
    else if (Type == QLatin1String("MODE: UDP"))
        ScanData().EtherMode = 1;
}

// Over TCP the sensor accepted the connection: a fresh one, or its return after a restart.
void MainWindow::linkOpened()
{
    const Link *link = SerialComm->Engine()->link();
    if (!link || link->kind() != Link::Kind::Tcp)
        return;
    if (LinkStatus->state() == LinkState::Connecting) {
        enterConnected();
        beginExchange();
    } else if (LinkStatus->state() == LinkState::Restarting) {
        RestartReconnected = true;
        SerialComm->AbandonExchange();
        SerialComm->CloseSerialPortSlots();
        SerialComm->ConfirmSensorSlots();
    }
}

// The engine decided the sensor is lost, whatever the link: refused, closed, vanished or silent.
void MainWindow::linkLost(const QString &why)
{
    const Link *link = SerialComm->Engine()->link();
    const bool linkFailed = link && link->state() == Link::State::Lost; // not the give-up
    switch (LinkStatus->state()) {
    case LinkState::Connecting:
        if (linkFailed)
            connectFailed(pick(Lang, "Cannot connect to %1: %2", "无法连接到 %1：%2").arg(LastPeer, why));
        else
            connectionLost(pick(Lang, "The sensor did not answer.", "传感器没有应答。"));
        break;
    case LinkState::Connected:
        connectionLost(why);
        // A line that failed says so at once; the give-up has said it in its own warning.
        if (linkFailed)
            Dialogs::show(this, Dialogs::Icon::Critical, pick(Lang, "Critical Error", "严重错误"), why);
        break;
    default: break; // restarting: the restart wait decides; closed or lost: nothing to do
    }
}

// A reply has arrived: over UDP and serial this is what makes the link connected.
void MainWindow::sensorAnswered()
{
    if (LinkStatus->state() == LinkState::Connecting)
        enterConnected();
}

// The attempt failed before the sensor answered: said at once with its reason, back to disconnected.
void MainWindow::connectFailed(const QString &why)
{
    CloseSerialPort();
    statusBar()->showMessage(why);
    Dialogs::ask(this, Dialogs::Icon::Critical, pick(Lang, "Error", "错误"), why);
}

// The sensor went away: nothing shown may look live, nothing is sent, and Connection reconnects.
void MainWindow::connectionLost(const QString &why)
{
    LinkStatus->setState(LinkState::Lost, why);
    stopLink();
    ui->Connection->setEnabled(true);
    ui->DisConnection->setEnabled(false);
    ui->SerialConnection->setEnabled(true);
    ui->EthernetConnection->setEnabled(true);
    (ScanData().ConnectType == 1 ? ui->EthnernetSetting : ui->SerialSetting)->setEnabled(true);
    statusBar()->showMessage(pick(Lang, "Connection lost: %1", "连接已断开：%1").arg(why));
}

// Everything a connection runs, stopped: polls, exchange, restart wait, transports, live displays
// and the simulation (which must never resume by itself on the next connection).
void MainWindow::stopLink()
{
    ConnectTimer->stop();
    RestartTimer->stop();
    SerialComm->CloseSendReadScanf();
    SerialComm->CloseSendReadIntensity();
    SerialComm->CloseSendReadSimulation();
    SerialComm->AbandonExchange(
        pick(Lang, "The connection was closed before it was finished.", "连接在完成之前已关闭。"));
    setSensorActions(false);
    for (QAction *a : {ui->IOSimulation, ui->SelfCheck})
        a->setChecked(false);
    OpenCloseIOSimulationDock(false); // switches every simulation off; the values stay in the controls
    ui->SelfCheckDock->hide();
    // Hides the live outline and intensity (nothing is open any more for them to show).
    OpenCloseReadScanf(false);
    OpenCloseReadIntensity(false);

    SerialComm->Engine()->close();
    clearLiveDisplays();
}

void MainWindow::clearLiveDisplays()
{
    IOPortDisplayer(0, 0, 0); // gray lamps
    ui->label_StatusValue->clear();
    ui->InputlcdNum->display(QString());
    for (QLineEdit *value :
         {ui->SensorTemper, ui->RotateSpeed, ui->DriveVoltage, ui->SendVoltage, ui->ReceiveVoltage})
        value->clear();
    MonitorMemory = 0;
    SCAN_DATA &scan = ScanData();
    std::fill(std::begin(scan.SerialDistance), std::end(scan.SerialDistance), quint16(0));
    std::fill(std::begin(scan.SerialIntensity), std::end(scan.SerialIntensity), quint16(0));
    scan.EtherCount = 0;
    DataTable->ClearValues();
    DataTableBehind = false;
}

void MainWindow::CloseSerialPort()
{
    stopLink();
    LinkStatus->setState(LinkState::Closed);

    ui->Connection->setEnabled(true);
    if (ScanData().ConnectType == 1)
        ui->EthnernetSetting->setEnabled(true);
    else
        ui->SerialSetting->setEnabled(true);
    ui->DisConnection->setEnabled(false);
    ui->label_dirValue->clear();
    ConnectLabel->clear();
    ConnectLabel->hide();
    LastPeer.clear();

    statusBar()->showMessage(pick(Lang, "Disconnected", "断开连接"));
    ui->SerialConnection->setEnabled(true);
    ui->EthernetConnection->setEnabled(true);
}

// ---- Restart: the sensor acknowledged "RBoot" and goes away for a while. ----

void MainWindow::startRestartWait()
{
    if (LinkStatus->state() != LinkState::Connected)
        return;
    SerialComm->CloseSendReadScanf();
    SerialComm->CloseSendReadIntensity();
    SerialComm->CloseSendReadSimulation();
    SerialComm->AbandonExchange(
        pick(Lang, "The sensor restarted before it was finished.", "传感器在完成之前重新启动了。"));
    setSensorActions(false);
    clearLiveDisplays();
    OptionScene->setOutlineVisible(false);
    OptionScene->setIntensityVisible(false);
    LinkStatus->setState(LinkState::Restarting);
    LinkStatus->setCountdown(kRestartWaitMs / 1000);
    statusBar()->showMessage(pick(Lang, "The sensor is restarting…", "传感器正在重启…"));
    RestartClock.start();
    // The first question waits a little: a sensor may still answer on its way down, and that
    // answer must not pass for its return.
    LastRestartProbe = 0;
    RestartReconnected = false;
    RestartTimer->start(kRestartTickMs);
}

void MainWindow::restartTick()
{
    const qint64 elapsed = RestartClock.elapsed();
    if (elapsed >= kRestartWaitMs) {
        connectionLost(pick(Lang, "The sensor did not come back within %1 s after its restart.",
                            "传感器重启后 %1 秒内没有恢复连接。")
                           .arg(kRestartWaitMs / 1000));
        return;
    }
    LinkStatus->setCountdown(int((kRestartWaitMs - elapsed + 999) / 1000));
    if (elapsed - LastRestartProbe < kRestartProbeMs)
        return;
    LastRestartProbe = elapsed;
    ExchangeEngine *engine = SerialComm->Engine();
    if (engine->link() && engine->link()->kind() == Link::Kind::Tcp) {
        // Over TCP the sensor hung up; a new connection is tried until it is accepted, and the
        // product information confirms it (linkOpened).
        // Only a connection made after the restart counts; the old one is about to be hung up.
        const Link::State state = engine->link()->state();
        if (state == Link::State::Lost || state == Link::State::Closed) {
            engine->reopen();
            return;
        }
        if (state != Link::State::Open || !RestartReconnected)
            return;
    }
    // Ask again until an answer comes: a fresh request each time, so the exchange never reaches its
    // give-up while the sensor is still booting (the serial line and UDP stay open all along).
    SerialComm->AbandonExchange();
    SerialComm->ConfirmSensorSlots();
}

void MainWindow::restartConfirmed()
{
    if (LinkStatus->state() != LinkState::Restarting)
        return;
    RestartTimer->stop();
    enterConnected();
    OpenCloseReadScanf(ui->Distance->isChecked());
    OpenCloseReadIntensity(ui->Intensity->isChecked());
    SerialComm->OpenSendReadSimulation();
    Dialogs::ask(this, Dialogs::Icon::Information, pick(Lang, "Message", "提示"),
                 pick(Lang, "Sensor Reboot Complete", "传感器重新启动完成"));
}

bool MainWindow::designCameFromThisSensor() const
{
    const QVector<AREA_DATA> &areas = ProjectData().Areas;
    if (ProjectFileName.isEmpty() && !ProjectFromFile && areas == BlankDesign)
        return true; // a new project: the sensor's areas are what there is to see
    return DesignReadFrom >= 0 && DesignReadFrom == SensorSerialNumber && areas == DesignAsRead;
}

// A design that did not come from this sensor (drawn, opened, saved or not) is not replaced by the
// sensor's areas without the user's word: asked, or as chosen in the application settings.
bool MainWindow::loadSensorAreasOnConnect()
{
    if (designCameFromThisSensor())
        return true;
    const QString choice = QSettings("Trevalor", "Parameters")
                               .value(QStringLiteral("connect/unsavedDesign"), QStringLiteral("ask"))
                               .toString();
    if (choice == QLatin1String("load"))
        return true;
    if (choice == QLatin1String("keep"))
        return false;
    const int answer = Dialogs::ask(
        this, Dialogs::Icon::Question, pick(Lang, "Message", "提示"),
        pick(Lang,
             "The project holds a design that did not come from this sensor (saved or "
             "not). What should connecting do with it?",
             "项目中的设计并非来自此传感器（无论是否已保存）。连接时如何处理该项目？"),
        {pick(Lang, "Load the sensor's areas into the project", "将传感器的区域载入项目"),
         pick(Lang, "Keep the project (read the sensor's parameters only)", "保留项目（只读取传感器参数）")},
        1);
    return answer == 0; // closed without a choice: nothing is replaced
}

// ---- Write-all: the sensor stays reachable. ----

void MainWindow::writeAllToSensor()
{
    if (settleLinkParameters())
        SerialComm->WriteSensorAllDataSlots();
}

// Decided before the write starts: the sensor's own IP address, Ethernet mode and RS-232 line (as
// read on connect) are sent back unchanged, unless the user set others in the dock while
// connected. Where the project holds others (a new or opened project), the user chooses; false
// when the write-all is cancelled.
bool MainWindow::settleLinkParameters()
{
    if (!SensorLinkKnown)
        return true;
    const LinkParameters project = LinkParameters::of(*SensorParameters);
    if (project == SensorLinkAsRead || (LinkEditedInDock && project == LinkFromDock))
        return true;
    const QString text =
        pick(Lang,
             "The project's connection settings differ from the sensor's (sensor / project):\n%1\n\n"
             "Keep the sensor's settings, or send the project's? With the project's, the sensor "
             "will answer at %2 (%3) after its restart.",
             "项目的连接参数与传感器的不同（传感器 / 项目）：\n%1\n\n"
             "保留传感器的参数，还是发送项目的参数？发送项目的参数后，传感器重启后将在 %2（%3）应答。")
            .arg(SensorLinkAsRead.differences(project, Lang), project.address(),
                 project.etherMode == 1 ? QStringLiteral("UDP") : QStringLiteral("TCP"));
    const int answer =
        Dialogs::ask(this, Dialogs::Icon::Question, pick(Lang, "Message", "提示"), text,
                     {pick(Lang, "Keep the sensor's", "保留传感器的参数"),
                      pick(Lang, "Send the project's", "发送项目的参数"), pick(Lang, "Cancel", "取消")},
                     0);
    if (answer == 0) {
        SensorLinkAsRead.applyTo(*SensorParameters);
        SensorSetting->UpdateParametersToDock();
        return true;
    }
    return answer == 1;
}
