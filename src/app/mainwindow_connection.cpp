// Connecting to the sensor and disconnecting from it, over a serial port or over Ethernet (TCP or
// UDP), with the action states, status texts and the exchange start that belong to each step.
#include "app/mainwindow.h"

#include "area/dialogs.h"
#include "comm/ethnertsetting.h"
#include "comm/serial_comm.h"
#include "comm/settingsdialog.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QSerialPort>
#include <QStatusBar>
#include <QTcpSocket>
#include <QUdpSocket>

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
}

void MainWindow::OpenSerialPort()
{
    if (ScanData().ConnectType == 1)
        EthernetSettingDialog->update();
    else
        SerialSettingDialog->update();
}

void MainWindow::showConnected(const QString &message, const QString &label)
{
    for (QAction *a : {ui->SerialConnection, ui->EthernetConnection, ui->Connection, ui->SerialSetting})
        a->setEnabled(false);
    for (QAction *a : {ui->DisConnection, ui->ReadAllSetting, ui->WriteAllSetting, ui->SoftReboot,
                       ui->SensorInformation, ui->IOSimulation, ui->SelfCheck})
        a->setEnabled(true);
    statusBar()->showMessage(message);
    ConnectLabel->setText(label);
    // Added once: a second connection only renames it.
    statusBar()->removeWidget(ConnectLabel);
    statusBar()->addPermanentWidget(ConnectLabel);
    ConnectLabel->show();
}

void MainWindow::CreatOpenSerialPort(QString Com)
{
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

    // Nothing left over from an earlier connection may be taken for a reply.
    SerialComm->AbandonExchange();
    SerialComm->CloseSerialPortSlots();

    // The port actually opened is named, also when the start dialog chose it; kept for a language switch.
    ConnectLabel->setProperty("peer", Com);
    showConnected(connectionText("Connected to %1 : %2, %3, %4, %5, %6", "连接到 %1 : %2, %3, %4, %5, %6")
                      .arg(Com, s.stringBaudRate, s.stringDataBits, s.stringParity, s.stringStopBits,
                           s.stringFlowControl),
                  connectionText("COM:%1 ", "串口号:%1 ").arg(Com));
    OpenCloseReadScanf(ui->Distance->isChecked());
    OpenCloseReadIntensity(ui->Intensity->isChecked());
    SerialComm->OpenSendReadSimulation();
    SerialComm->ReadSensorAllDataSlots();
}

void MainWindow::CreatEthernetPort(QString Com)
{
    ConnectChangeEthernetModeSlot();
    ui->SerialConnection->setChecked(false);
    ui->EthernetConnection->setChecked(true);
    ui->SerialSetting->setEnabled(false);
    ui->EthnernetSetting->setEnabled(false);

    Com = Com.trimmed();
    // A socket still busy with an earlier attempt would ignore the new address.
    TcpSocket->abort();
    UdpSocket->abort();
    if (!Com.isEmpty()) { // nowhere to connect to is a failure now, not a string of time-outs later
        if (ScanData().EtherMode == 0) {
            TcpSocket->connectToHost(Com, kSensorPort, QIODevice::ReadWrite);
        } else {
            UdpSocket->connectToHost(Com, kSensorPort, QIODevice::ReadWrite);
            SerialComm->SetUdpPeer(QHostAddress(Com), kSensorPort);
        }
    }
    if (!TcpSocket->isOpen() && !UdpSocket->isOpen()) {
        Dialogs::ask(this, Dialogs::Icon::Critical, connectionText("Error", "错误"),
                     connectionText("Ethernet Open error", "以太网连接失败"));
        statusBar()->showMessage(connectionText("Open error", "打开错误"));
        return;
    }

    SerialComm->AbandonExchange();
    SerialComm->CloseSerialPortSlots();

    ConnectLabel->setProperty("peer", Com);
    showConnected(connectionText("Connect", "连接到") + Com + QStringLiteral(":8080"),
                  connectionText("IPAddress:%1 ", "IP地址:%1 ").arg(Com));
    SerialComm->ReadSensorAllDataSlots();
    OpenCloseReadScanf(ui->Distance->isChecked());
    OpenCloseReadIntensity(ui->Intensity->isChecked());
    SerialComm->OpenSendReadSimulation();
}

void MainWindow::CreatEthnertModeSignalSlot(QString Type)
{
    if (Type == QLatin1String("MODE: TCP"))
        ScanData().EtherMode = 0;
    else if (Type == QLatin1String("MODE: UDP"))
        ScanData().EtherMode = 1;
}

void MainWindow::CloseSerialPort()
{
    IOPortDisplayer(0, 0, 0); // gray lamps, input 0, normal status
    SerialComm->CloseSendReadScanf();
    SerialComm->CloseSendReadIntensity();
    SerialComm->CloseSendReadSimulation();
    SerialComm->AbandonExchange();

    ui->Connection->setEnabled(true);
    if (ScanData().ConnectType == 1)
        ui->EthnernetSetting->setEnabled(true);
    else
        ui->SerialSetting->setEnabled(true);
    for (QAction *a :
         {ui->DisConnection, ui->ReadAllSetting, ui->WriteAllSetting, ui->SoftReboot, ui->SensorInformation})
        a->setEnabled(false);
    for (QAction *a : {ui->IOSimulation, ui->SelfCheck}) {
        a->setChecked(false);
        a->setEnabled(false);
    }
    ui->IOSimulationDock->hide();
    ui->SelfCheckDock->hide();
    // Hides the live outline and intensity (nothing is open any more for them to show).
    OpenCloseReadScanf(false);
    OpenCloseReadIntensity(false);

    statusBar()->showMessage(connectionText("Disconnected", "断开连接"));
    ui->SerialConnection->setEnabled(true);
    ui->EthernetConnection->setEnabled(true);

    SerialPort->close();
    TcpSocket->abort();
    TcpSocket->close();
    UdpSocket->close();

    SerialComm->CloseSerialPortSlots();
}

void MainWindow::handleError(QSerialPort::SerialPortError error)
{
    const bool gone =
        error == QSerialPort::ResourceError ||
        ((error == QSerialPort::ReadError || error == QSerialPort::WriteError) && lineHungUp(SerialPort));
    // Only a live serial connection is ended here; a late report after a close changes nothing.
    if (!gone || ScanData().ConnectType != 0 || !ui->DisConnection->isEnabled())
        return;
    const QString why = SerialPort->errorString();
    // Closed before the box: a dead line would otherwise keep reporting while the box waits.
    SerialPort->close();
    Dialogs::ask(this, Dialogs::Icon::Critical, connectionText("Critical Error", "严重错误"), why);
    CloseSerialPort();
}
