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
#include "monitor/data_table.h"
#include "monitor/io_simulation.h"
#include "ui_mainwindow.h"

#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QSerialPort>
#include <QSettings>
#include <QStatusBar>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace {

constexpr quint16 kSensorPort = 8080;

// A device that went away (an unplugged adapter, the far end of a pseudo-terminal closed) is not
// always reported as a resource error: reads may keep failing with a plain read error instead.
bool lineHungUp(QSerialPort *port)
{
#ifdef Q_OS_UNIX
    if (!port->isOpen() || port->handle() < 0)
        return false;
    pollfd p{int(port->handle()), 0, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLNVAL));
#else
    Q_UNUSED(port);
    return false;
#endif
}

} // namespace

using LinkState = ConnectionStatus::State;

QString MainWindow::connectionText(const char *english, const char *chinese) const
{
    return Language == 1 ? QString::fromUtf8(english) : QString::fromUtf8(chinese);
}

void MainWindow::makeTransportConnections()
{
    connect(ui->SerialSetting, &QAction::triggered, SerialSettingDialog, &QWidget::show);
    connect(ui->SerialSetting, &QAction::triggered, SerialSettingDialog, &SettingsDialog::fillPortsInfo);
    connect(ui->EthnernetSetting, &QAction::triggered, EthernetSettingDialog, &QWidget::show);
    connect(ui->EthnernetSetting, &QAction::triggered, EthernetSettingDialog, &EthnertSetting::fillPortsInfo);
    connect(ui->Connection, &QAction::triggered, this, &MainWindow::OpenSerialPort);
    connect(ui->DisConnection, &QAction::triggered, this, &MainWindow::CloseSerialPort);
    connect(SerialPort, &QSerialPort::errorOccurred, this, &MainWindow::handleError);
    connect(EthernetSettingDialog, &EthnertSetting::OpenEthernetSignal, this, &MainWindow::CreatEthernetPort);
    connect(SerialSettingDialog, &SettingsDialog::OpenSerialSignal, this, &MainWindow::CreatOpenSerialPort);
    connect(EthernetSettingDialog, &EthnertSetting::OpenEthernetMode, this,
            &MainWindow::CreatEthnertModeSignalSlot);

    connect(TcpSocket, &QTcpSocket::connected, this, &MainWindow::tcpConnected);
    // Handled from the event loop, not inside connectToHost or abort, which may report at once.
    connect(TcpSocket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        QMetaObject::invokeMethod(
            this, [this, error] { tcpFailed(error); }, Qt::QueuedConnection);
    });
    connect(TcpSocket, &QTcpSocket::disconnected, this, [this] {
        QMetaObject::invokeMethod(
            this, [this] { tcpFailed(QAbstractSocket::RemoteHostClosedError); }, Qt::QueuedConnection);
    });
    connect(SerialComm, &SERIAL_COMM::ReceiveParameters, this, &MainWindow::sensorAnswered);
    connect(SerialComm, &SERIAL_COMM::SelfCheckStatus, this, &MainWindow::sensorAnswered);
    connect(SerialComm, &SERIAL_COMM::ExchangeGaveUp, this, &MainWindow::exchangeGaveUp);
    connect(SerialComm, &SERIAL_COMM::RebootAcknowledged, this, &MainWindow::startRestartWait);
    connect(SerialComm, &SERIAL_COMM::ProductInformationRead, this, &MainWindow::restartConfirmed);
    connect(ConnectTimer, &QTimer::timeout, this, [this] {
        connectFailed(connectionText("No answer from %1 within %2 s.", "%1 在 %2 秒内没有应答。")
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
    if (ScanData().ConnectType == 1)
        EthernetSettingDialog->update();
    else
        SerialSettingDialog->update();
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
    return LastConnectType == 1 ? connectionText("IPAddress:%1 ", "IP地址:%1 ").arg(LastPeer)
                                : connectionText("COM:%1 ", "串口号:%1 ").arg(LastPeer);
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
    ui->SerialConnection->setChecked(true);
    ui->EthernetConnection->setChecked(false);
    ui->SerialSetting->setEnabled(false);
    ui->EthnernetSetting->setEnabled(false);

    const SettingsDialog::Settings s = SerialSettingDialog->settings();
    SerialPort->setPortName(Com);
    SerialPort->setBaudRate(s.baudRate);
    SerialPort->setDataBits(s.dataBits);
    SerialPort->setParity(s.parity);
    SerialPort->setStopBits(s.stopBits);
    SerialPort->setFlowControl(s.flowControl);

    if (!SerialPort->open(QIODevice::ReadWrite)) {
        Dialogs::ask(this, Dialogs::Icon::Critical, connectionText("Error", "错误"),
                     connectionText("Serial Open error", "串口打开失败"));
        statusBar()->showMessage(connectionText("Open error", "打开错误"));
        return;
    }

    // The port is open; the sensor counts as connected once it has answered.
    enterConnecting(Com);
    statusBar()->showMessage(
        connectionText("Connected to %1 : %2, %3, %4, %5, %6", "连接到 %1 : %2, %3, %4, %5, %6")
            .arg(Com, s.stringBaudRate, s.stringDataBits, s.stringParity, s.stringStopBits,
                 s.stringFlowControl));
    beginExchange();
}

void MainWindow::CreatEthernetPort(QString Com)
{
    commitPendingEdits(); // as for a serial connection
    Replay->closeRecording();
    if (LinkStatus->state() != LinkState::Closed && LinkStatus->state() != LinkState::Lost)
        stopLink();
    ConnectChangeEthernetModeSlot();
    ui->SerialConnection->setChecked(false);
    ui->EthernetConnection->setChecked(true);
    ui->SerialSetting->setEnabled(false);
    ui->EthnernetSetting->setEnabled(false);

    Com = Com.trimmed();
    // A socket still busy with an earlier attempt would ignore the new address.
    TcpSocket->abort();
    UdpSocket->abort();
    // Nowhere to connect to is a failure now, not a string of time-outs later.
    if (Com.isEmpty() || !acceptIPv4Address(this, Com, Language == 1)) {
        if (Com.isEmpty())
            Dialogs::ask(this, Dialogs::Icon::Critical, connectionText("Error", "错误"),
                         connectionText("Ethernet Open error", "以太网连接失败"));
        statusBar()->showMessage(connectionText("Open error", "打开错误"));
        return;
    }
    // The sensor's own announcement decides the transport; an address never discovered uses TCP.
    ScanData().EtherMode = SensorDiscovery::modeOf(Com);

    enterConnecting(Com);
    statusBar()->showMessage(connectionText("Connecting to ", "连接到") + Com + QStringLiteral(":8080"));
    if (ScanData().EtherMode == 0) {
        // Asynchronous: the exchange starts once the sensor accepted the connection.
        ConnectTimer->start(kConnectTimeoutMs);
        TcpSocket->connectToHost(Com, kSensorPort, QIODevice::ReadWrite);
        return;
    }
    UdpSocket->connectToHost(Com, kSensorPort, QIODevice::ReadWrite);
    SerialComm->SetUdpPeer(QHostAddress(Com), kSensorPort);
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

void MainWindow::tcpConnected()
{
    if (ScanData().ConnectType != 1 || ScanData().EtherMode != 0)
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

void MainWindow::tcpFailed(QAbstractSocket::SocketError error)
{
    // Our own abort reports a disconnect as well, and a report may be older than the attempt that
    // runs now: only a socket that is down counts.
    if (ScanData().ConnectType != 1 || ScanData().EtherMode != 0 ||
        TcpSocket->state() != QAbstractSocket::UnconnectedState)
        return;
    switch (LinkStatus->state()) {
    case LinkState::Connecting:
        connectFailed(connectionText("Cannot connect to %1: %2", "无法连接到 %1：%2")
                          .arg(LastPeer, socketErrorText(error)));
        break;
    case LinkState::Connected: connectionLost(socketErrorText(error)); break;
    default: break; // restarting: the next attempt follows; closed or lost: nothing to do
    }
}

QString MainWindow::socketErrorText(QAbstractSocket::SocketError error) const
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return connectionText("Connection refused (no sensor listens there).",
                              "连接被拒绝（该地址没有传感器在监听）。");
    case QAbstractSocket::RemoteHostClosedError:
        return connectionText("The sensor closed the connection.", "传感器关闭了连接。");
    case QAbstractSocket::NetworkError:
    case QAbstractSocket::HostNotFoundError:
        return connectionText("No route to the sensor (network unreachable).",
                              "无法到达传感器（网络不可达）。");
    case QAbstractSocket::SocketTimeoutError:
        return connectionText("The sensor did not answer in time.", "传感器没有及时应答。");
    default: break;
    }
    return TcpSocket->errorString();
}

// A reply has arrived: over UDP and serial this is what makes the link connected.
void MainWindow::sensorAnswered()
{
    if (LinkStatus->state() == LinkState::Connecting)
        enterConnected();
}

void MainWindow::exchangeGaveUp()
{
    const bool udp = ScanData().ConnectType == 1 && ScanData().EtherMode == 1;
    if (LinkStatus->state() == LinkState::Connected && udp)
        connectionLost(connectionText("The sensor stopped answering.", "传感器停止应答。"));
    else if (LinkStatus->state() == LinkState::Connecting)
        connectionLost(connectionText("The sensor did not answer.", "传感器没有应答。"));
}

// The attempt failed before the sensor answered: said at once with its reason, back to disconnected.
void MainWindow::connectFailed(const QString &why)
{
    CloseSerialPort();
    statusBar()->showMessage(why);
    Dialogs::ask(this, Dialogs::Icon::Critical, connectionText("Error", "错误"), why);
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
    statusBar()->showMessage(connectionText("Connection lost: %1", "连接已断开：%1").arg(why));
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
    SerialComm->AbandonExchange();
    setSensorActions(false);
    for (QAction *a : {ui->IOSimulation, ui->SelfCheck})
        a->setChecked(false);
    OpenCloseIOSimulationDock(false); // switches every simulation off; the values stay in the controls
    ui->SelfCheckDock->hide();
    // Hides the live outline and intensity (nothing is open any more for them to show).
    OpenCloseReadScanf(false);
    OpenCloseReadIntensity(false);

    SerialPort->close();
    TcpSocket->abort();
    TcpSocket->close();
    UdpSocket->close();
    SerialComm->CloseSerialPortSlots();
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

    statusBar()->showMessage(connectionText("Disconnected", "断开连接"));
    ui->SerialConnection->setEnabled(true);
    ui->EthernetConnection->setEnabled(true);
}

void MainWindow::handleError(QSerialPort::SerialPortError error)
{
    const bool gone =
        error == QSerialPort::ResourceError ||
        ((error == QSerialPort::ReadError || error == QSerialPort::WriteError) && lineHungUp(SerialPort));
    // Only a live serial connection is ended here; a late report after a close changes nothing.
    const LinkState state = LinkStatus->state();
    if (!gone || ScanData().ConnectType != 0 ||
        (state != LinkState::Connected && state != LinkState::Connecting))
        return;
    const QString why = SerialPort->errorString();
    // Closed before the box: a dead line would otherwise keep reporting while the box waits.
    connectionLost(why);
    Dialogs::ask(this, Dialogs::Icon::Critical, connectionText("Critical Error", "严重错误"), why);
}

// ---- Restart: the sensor acknowledged "RBoot" and goes away for a while. ----

void MainWindow::startRestartWait()
{
    if (LinkStatus->state() != LinkState::Connected)
        return;
    SerialComm->CloseSendReadScanf();
    SerialComm->CloseSendReadIntensity();
    SerialComm->CloseSendReadSimulation();
    SerialComm->AbandonExchange();
    setSensorActions(false);
    clearLiveDisplays();
    OptionScene->setOutlineVisible(false);
    OptionScene->setIntensityVisible(false);
    LinkStatus->setState(LinkState::Restarting);
    LinkStatus->setCountdown(kRestartWaitMs / 1000);
    statusBar()->showMessage(connectionText("The sensor is restarting…", "传感器正在重启…"));
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
        connectionLost(connectionText("The sensor did not come back within %1 s after its restart.",
                                      "传感器重启后 %1 秒内没有恢复连接。")
                           .arg(kRestartWaitMs / 1000));
        return;
    }
    LinkStatus->setCountdown(int((kRestartWaitMs - elapsed + 999) / 1000));
    if (elapsed - LastRestartProbe < kRestartProbeMs)
        return;
    LastRestartProbe = elapsed;
    if (ScanData().ConnectType == 1 && ScanData().EtherMode == 0) {
        // Over TCP the sensor hung up; a new connection is tried until it is accepted, and the
        // product information confirms it (tcpConnected).
        // Only a connection made after the restart counts; the old one is about to be hung up.
        if (TcpSocket->state() == QAbstractSocket::UnconnectedState) {
            TcpSocket->connectToHost(LastPeer, kSensorPort, QIODevice::ReadWrite);
            return;
        }
        if (TcpSocket->state() != QAbstractSocket::ConnectedState || !RestartReconnected)
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
    statusBar()->showMessage(connectionText("Connecting to ", "连接到") + LastPeer);
    OpenCloseReadScanf(ui->Distance->isChecked());
    OpenCloseReadIntensity(ui->Intensity->isChecked());
    SerialComm->OpenSendReadSimulation();
    Dialogs::ask(this, Dialogs::Icon::Information, connectionText("Message", "提示"),
                 connectionText("Sensor Reboot Complete", "传感器重新启动完成"));
}

// A design with unsaved changes, or one opened from a file, is not replaced by the sensor's areas
// without the user's word: asked, or as chosen in the application settings.
bool MainWindow::loadSensorAreasOnConnect()
{
    if (!ProjectData().Modified && !ProjectFromFile)
        return true; // a fresh project: the sensor's areas are what there is to see
    const QString choice = QSettings("Trevalor", "Parameters")
                               .value(QStringLiteral("connect/unsavedDesign"), QStringLiteral("ask"))
                               .toString();
    if (choice == QLatin1String("load"))
        return true;
    if (choice == QLatin1String("keep"))
        return false;
    const int answer =
        Dialogs::ask(this, Dialogs::Icon::Question, connectionText("Message", "提示"),
                     connectionText("The project has unsaved changes or was opened from a file. What should "
                                    "connecting do with it?",
                                    "项目有未保存的修改或来自文件。连接时如何处理该项目？"),
                     {connectionText("Load the sensor's areas into the project", "将传感器的区域载入项目"),
                      connectionText("Keep the project (read the sensor's parameters only)",
                                     "保留项目（只读取传感器参数）")},
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
    const bool en = Language == 1;
    const QString text =
        connectionText(
            "The project's connection settings differ from the sensor's (sensor / project):\n%1\n\n"
            "Keep the sensor's settings, or send the project's? With the project's, the sensor "
            "will answer at %2 (%3) after its restart.",
            "项目的连接参数与传感器的不同（传感器 / 项目）：\n%1\n\n"
            "保留传感器的参数，还是发送项目的参数？发送项目的参数后，传感器重启后将在 %2（%3）应答。")
            .arg(SensorLinkAsRead.differences(project, en), project.address(),
                 project.etherMode == 1 ? QStringLiteral("UDP") : QStringLiteral("TCP"));
    const int answer = Dialogs::ask(this, Dialogs::Icon::Question, connectionText("Message", "提示"), text,
                                    {connectionText("Keep the sensor's", "保留传感器的参数"),
                                     connectionText("Send the project's", "发送项目的参数"),
                                     connectionText("Cancel", "取消")},
                                    0);
    if (answer == 0) {
        SensorLinkAsRead.applyTo(*SensorParameters);
        SensorSetting->UpdateParametersToDock();
        return true;
    }
    return answer == 1;
}
