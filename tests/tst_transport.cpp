// Connecting the main window to the sensor stand-in over its pseudo-terminal (as a serial port),
// over TCP and over UDP on loopback, and what the window shows and does on the way.

#include "tst_transport_sim.h"

#include "app/connection_status.h"
#include "app/mainwindow.h"
#include "comm/codec/scan_data.h"
#include "comm/discovery.h"
#include "comm/ethnertsetting.h"
#include "comm/serial_comm.h"
#include "comm/settingsdialog.h"
#include "exchange/link.h"
#include "ui_ethnertsetting.h"
#include "ui_mainwindow.h"
#include "ui_settingsdialog.h"

#include <QLabel>
#include <QSerialPort>
#include <QSettings>
#include <QStatusBar>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtTest>

#include "link_probe.h"

#include <csignal>
#include <memory>

namespace {
const QString kReadOk = QStringLiteral("Parameters Read OK!");
const QString kGiveUp = QStringLiteral("The sensor did not answer in time. Check the connection.");
} // namespace

class TestTransport : public QObject {
    Q_OBJECT

    PromptRecorder recorder;
    StandIn sim;
    std::unique_ptr<MainWindow> window;

    Ui::MainWindow *ui() const { return window->form(); }

    // The action states of a live connection (once the sensor answered), with the interface in use checked.
    void verifyConnectedActions(QAction *inUse, QAction *other)
    {
        QTRY_COMPARE_WITH_TIMEOUT(window->connectionState(), ConnectionStatus::State::Connected, 5000);
        Ui::MainWindow *f = ui();
        for (QAction *a : {f->Connection, f->SerialConnection, f->EthernetConnection, f->SerialSetting,
                           f->EthnernetSetting})
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        for (QAction *a : {f->DisConnection, f->ReadAllSetting, f->WriteAllSetting, f->SoftReboot,
                           f->SensorInformation, f->IOSimulation, f->SelfCheck})
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
        QVERIFY(inUse->isChecked());
        QVERIFY(!other->isChecked());
    }

    // The action states after a disconnect; ownSetting is the settings action of the interface.
    void verifyDisconnectedActions(QAction *ownSetting, QAction *otherSetting,
                                   const QString &message = QStringLiteral("Disconnected"))
    {
        Ui::MainWindow *f = ui();
        for (QAction *a : {f->Connection, f->SerialConnection, f->EthernetConnection, ownSetting})
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
        QVERIFY(!otherSetting->isEnabled());
        for (QAction *a : {f->DisConnection, f->ReadAllSetting, f->WriteAllSetting, f->SoftReboot,
                           f->SensorInformation, f->IOSimulation, f->SelfCheck})
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        QVERIFY(!f->IOSimulation->isChecked() && !f->SelfCheck->isChecked());
        QVERIFY(!f->IOSimulationDock->isVisible() && !f->SelfCheckDock->isVisible());
        QVERIFY2(window->statusBar()->currentMessage().startsWith(message),
                 qPrintable(window->statusBar()->currentMessage()));
        QVERIFY(!window->link() || !window->link()->isOpen());
        SERIAL_COMM *comm = window->serialComm();
        QVERIFY(!comm->Engine()->DistancePollActive() && !comm->Engine()->IntensityPollActive() &&
                !comm->Engine()->SimulationPollActive());
        QVERIFY(!comm->Engine()->AnyRequestRaised());
        QCOMPARE(comm->Engine()->AwaitedReply(), SERIAL_COMM::Request::None);
        QVERIFY(comm->Engine()->ReceiveBuffer().isEmpty());
    }

    // Connects over Ethernet through the dialog's address box and the Connection action.
    void connectEthernet(const QString &address)
    {
        window->ConnectChangeEthernetModeSlot();
        window->ethernetSettingsDialog()->form()->Eth_ComboBox->setEditText(address);
        ui()->Connection->trigger();
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings("Trevalor", "Parameters").clear();
    }

    void init()
    {
        recorder = PromptRecorder();
        recorder.install();
        ScanData().EtherMode = 0;
        window = std::make_unique<MainWindow>();
        window->LanguageToEnglish();
        window->show();
    }

    void cleanup()
    {
        if (window && window->form()->DisConnection->isEnabled())
            window->CloseSerialPort();
        sim.stop();
        window.reset();
        PromptRecorder::uninstall();
    }

    void serialConnectionReadsEverythingStartsPollsAndDisconnectRestores()
    {
        QVERIFY2(sim.start({"--address", "127.0.0.41", "--pty"}), qPrintable(sim.error));
        QVERIFY(!sim.pty.isEmpty());
        window->ConnectChangeUSARTModeSlot();

        // A stream chosen while disconnected starts nothing yet.
        ui()->Intensity->setChecked(true);
        window->OpenCloseReadIntensity(true);
        QVERIFY(!window->serialComm()->Engine()->IntensityPollActive());

        SettingsDialog *dialog = window->serialSettingsDialog();
        dialog->form()->baudRateBox->setCurrentIndex(1); // 115200
        QSignalSpy scans(window->serialComm(), &SERIAL_COMM::ReceiveScanfData);
        window->CreatOpenSerialPort(sim.pty);

        const auto *serial = qobject_cast<SerialLink *>(window->link());
        QVERIFY(serial && serial->isOpen());
        QVERIFY(sim.pty.endsWith(serial->port().portName()));
        QCOMPARE(serial->port().baudRate(), 115200);
        verifyConnectedActions(ui()->SerialConnection, ui()->EthernetConnection);
        QCOMPARE(window->statusBar()->currentMessage(),
                 QStringLiteral("Connected to %1 : 115200, 8, None, 1, None").arg(sim.pty));
        QCOMPARE(window->connectionLabel()->text(), QStringLiteral("COM:%1 ").arg(sim.pty));
        QVERIFY(window->connectionLabel()->isVisible());

        SERIAL_COMM *comm = window->serialComm();
        QVERIFY(comm->Engine()->DistancePollActive());
        QVERIFY(comm->Engine()->IntensityPollActive());
        QVERIFY(comm->Engine()->SimulationPollActive());
        QVERIFY(comm->Engine()->RequestRaised(SERIAL_COMM::Request::ReadAreas) ||
                comm->Engine()->AwaitedReply() != SERIAL_COMM::Request::None);

        // 64 areas, case channels and parameters come back, then the live scan flows.
        QTRY_COMPARE_WITH_TIMEOUT(recorder.count(kReadOk), 1, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(scans.count() > 2, 5000);
        QCOMPARE(recorder.count(kGiveUp), 0);

        ui()->DisConnection->trigger();
        verifyDisconnectedActions(ui()->SerialSetting, ui()->EthnernetSetting);
        QVERIFY(ui()->Intensity->isChecked()); // the choice is kept for the next connection
    }

    void vanishedPseudoTerminalEndsTheConnectionWithCriticalError()
    {
        QVERIFY2(sim.start({"--address", "127.0.0.41", "--pty"}), qPrintable(sim.error));
        window->ConnectChangeUSARTModeSlot();
        window->CreatOpenSerialPort(sim.pty);
        const auto *serial = qobject_cast<SerialLink *>(window->link());
        QVERIFY(serial && serial->isOpen());
        QTRY_COMPARE_WITH_TIMEOUT(recorder.count(kReadOk), 1, 20000);

        QSignalSpy portErrors(&serial->port(), &QSerialPort::errorOccurred);
        sim.stop();
        QTRY_VERIFY_WITH_TIMEOUT(recorder.find(QStringLiteral("Critical Error")), 5000);
        // A dead line is recognised at its first failed read, not after a storm of them.
        QVERIFY2(portErrors.count() < 5, qPrintable(QString::number(portErrors.count())));
        const Dialogs::Prompt *box = recorder.find(QStringLiteral("Critical Error"));
        QCOMPARE(box->icon, Dialogs::Icon::Critical);
        QVERIFY(!box->text.isEmpty()); // the port's own error text
        QCOMPARE(window->connectionState(), ConnectionStatus::State::Lost);
        verifyDisconnectedActions(ui()->SerialSetting, ui()->EthnernetSetting,
                                  QStringLiteral("Connection lost"));

        // One box for one loss, and the line stays quiet afterwards.
        QTest::qWait(300);
        int critical = 0;
        for (const Dialogs::Prompt &p : recorder.prompts)
            critical += p.title == QLatin1String("Critical Error") ? 1 : 0;
        QCOMPARE(critical, 1);
    }

    // Connection never takes the first listed port for granted: the settings ask, a typed device
    // path is taken, and the window says Connecting until the sensor has answered.
    void serialConnectionWithoutAChosenPortAsksForOne()
    {
        QVERIFY2(sim.start({"--address", "127.0.0.48", "--pty"}), qPrintable(sim.error));
        window->ConnectChangeUSARTModeSlot();
        ui()->Connection->trigger();
        SettingsDialog *dialog = window->serialSettingsDialog();
        QVERIFY(dialog->isVisible());
        QVERIFY(recorder.prompts.isEmpty());
        QVERIFY(!window->link());
        QCOMPARE(window->connectionState(), ConnectionStatus::State::Closed);

        QVERIFY(::kill(pid_t(sim.pid()), SIGSTOP) == 0); // no answer yet
        dialog->form()->serialPortInfoListBox->setEditText(sim.pty);
        dialog->form()->applyButton->click();
        QVERIFY(!dialog->isVisible());
        QVERIFY(openOver(window->link(), Link::Kind::Serial));
        QTest::qWait(300);
        QCOMPARE(window->connectionState(), ConnectionStatus::State::Connecting);
        QVERIFY2(window->statusBar()->currentMessage().startsWith(QStringLiteral("Connecting to ") + sim.pty),
                 qPrintable(window->statusBar()->currentMessage()));
        ::kill(pid_t(sim.pid()), SIGCONT);
        QTRY_COMPARE_WITH_TIMEOUT(window->connectionState(), ConnectionStatus::State::Connected, 5000);
        QVERIFY(window->statusBar()->currentMessage().startsWith(QStringLiteral("Connected to ") + sim.pty));

        // The port chosen once is the one Connection uses next.
        ui()->DisConnection->trigger();
        ui()->Connection->trigger();
        QVERIFY(!dialog->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(window->connectionState(), ConnectionStatus::State::Connected, 5000);
        QCOMPARE(window->link()->peerName(), sim.pty);
    }

    // Connection without an address opens the Ethernet settings, whose search says what it is doing;
    // the address of a connection is offered again at the next start.
    void ethernetConnectionWithoutAnAddressSearchesAndTheAddressIsRemembered()
    {
        QSettings("Trevalor", "Parameters").remove(QStringLiteral("connect/lastAddress"));
        window = std::make_unique<MainWindow>();
        window->LanguageToEnglish();
        window->ConnectChangeEthernetModeSlot();
        EthnertSetting *dialog = window->ethernetSettingsDialog();
        QVERIFY(dialog->address().isEmpty());
        ui()->Connection->trigger();
        QVERIFY(dialog->isVisible());
        QVERIFY(recorder.prompts.isEmpty());
        QCOMPARE(dialog->searchLabel()->text(), QStringLiteral("Searching for sensors…"));
        // Nothing answers in the test's network.
        QTRY_COMPARE_WITH_TIMEOUT(dialog->searchLabel()->text(),
                                  QStringLiteral("No sensor answered. Type the sensor's address."),
                                  EthnertSetting::kAnswerWaitMs + 3000);

        QVERIFY2(sim.start({"--address", "127.0.0.49"}), qPrintable(sim.error));
        dialog->fillPortsInfo();
        dialog->discovery()->takeAnswer(QHostAddress(QStringLiteral("127.0.0.49")), "HTTP/1.1 200 OK\r\n");
        QCOMPARE(dialog->searchLabel()->text(), QStringLiteral("1 sensor(s) answered."));
        QCOMPARE(dialog->address(), QStringLiteral("127.0.0.49"));
        dialog->form()->Enter->click();
        QTRY_COMPARE_WITH_TIMEOUT(window->connectionState(), ConnectionStatus::State::Connected, 5000);
        ui()->DisConnection->trigger();

        window = std::make_unique<MainWindow>();
        window->LanguageToEnglish();
        window->ConnectChangeEthernetModeSlot();
        QCOMPARE(window->ethernetSettingsDialog()->address(), QStringLiteral("127.0.0.49"));
        ui()->Connection->trigger(); // straight to the remembered sensor
        QVERIFY(!window->ethernetSettingsDialog()->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(window->connectionState(), ConnectionStatus::State::Connected, 5000);
        QSettings("Trevalor", "Parameters").remove(QStringLiteral("connect/lastAddress"));
    }

    void missingPortGivesSerialOpenErrorAndStaysUsable()
    {
        window->ConnectChangeUSARTModeSlot();
        window->CreatOpenSerialPort(QStringLiteral("/dev/veltrin-no-such-port"));

        QCOMPARE(recorder.prompts.size(), 1);
        QCOMPARE(recorder.prompts[0].icon, Dialogs::Icon::Critical);
        QCOMPARE(recorder.prompts[0].title, QStringLiteral("Error"));
        QCOMPARE(recorder.prompts[0].text, QStringLiteral("Serial Open error"));
        QCOMPARE(window->statusBar()->currentMessage(), QStringLiteral("Open error"));
        QVERIFY(!window->link()->isOpen());
        QVERIFY(ui()->Connection->isEnabled());
        QVERIFY(!ui()->DisConnection->isEnabled() && !ui()->ReadAllSetting->isEnabled());
        QVERIFY(!ui()->SerialSetting->isEnabled() && !ui()->EthnernetSetting->isEnabled());
        QVERIFY(!window->serialComm()->Engine()->AnyRequestRaised());
        QVERIFY(!window->serialComm()->Engine()->SimulationPollActive());

        // Choosing the interface again brings its settings back.
        ui()->SerialConnection->trigger();
        QVERIFY(ui()->SerialSetting->isEnabled());
    }

    void chineseTextsOfTheConnectionMessages()
    {
        window->LanguageToChinese();
        window->ConnectChangeUSARTModeSlot();
        window->CreatOpenSerialPort(QStringLiteral("/dev/veltrin-no-such-port"));
        QCOMPARE(recorder.prompts.size(), 1);
        QCOMPARE(recorder.prompts[0].title, QStringLiteral("错误"));
        QCOMPARE(recorder.prompts[0].text, QStringLiteral("串口打开失败"));
        QCOMPARE(window->statusBar()->currentMessage(), QStringLiteral("打开错误"));

        window->CreatEthernetPort(QString());
        QCOMPARE(recorder.prompts.size(), 2);
        QCOMPARE(recorder.prompts[1].text, QStringLiteral("以太网连接失败"));

        QVERIFY2(sim.start({"--address", "127.0.0.46"}), qPrintable(sim.error));
        window->CreatEthernetPort(QStringLiteral("127.0.0.46"));
        QCOMPARE(window->statusBar()->currentMessage(), QStringLiteral("正在连接 127.0.0.46:8080…"));
        QCOMPARE(window->connectionLabel()->text(), QStringLiteral("IP地址:127.0.0.46 "));
        window->CloseSerialPort();
        QCOMPARE(window->statusBar()->currentMessage(), QStringLiteral("断开连接"));
    }

    void tcpConnectionReadsEverythingAndStreams()
    {
        QVERIFY2(sim.start({"--address", "127.0.0.42"}), qPrintable(sim.error));
        QSignalSpy scans(window->serialComm(), &SERIAL_COMM::ReceiveScanfData);
        connectEthernet(QStringLiteral("127.0.0.42"));

        verifyConnectedActions(ui()->EthernetConnection, ui()->SerialConnection);
        QCOMPARE(window->statusBar()->currentMessage(), QStringLiteral("Connected to 127.0.0.42:8080"));
        QCOMPARE(window->connectionLabel()->text(), QStringLiteral("IPAddress:127.0.0.42 "));
        QCOMPARE(window->link()->kind(), Link::Kind::Tcp);
        QVERIFY(window->serialComm()->Engine()->DistancePollActive());
        QVERIFY(window->serialComm()->Engine()->SimulationPollActive());

        QTRY_COMPARE_WITH_TIMEOUT(recorder.count(kReadOk), 1, 20000);
        QVERIFY(window->link()->isOpen());
        QTRY_VERIFY_WITH_TIMEOUT(scans.count() > 0, 8000);

        ui()->DisConnection->trigger();
        verifyDisconnectedActions(ui()->EthnernetSetting, ui()->SerialSetting);

        // The same window connects again.
        connectEthernet(QStringLiteral("127.0.0.42"));
        QTRY_COMPARE_WITH_TIMEOUT(recorder.count(kReadOk), 2, 20000);
    }

    void udpModeConnectsOverDatagrams()
    {
        QVERIFY2(sim.start({"--address", "127.0.0.43"}), qPrintable(sim.error));
        // The sensor announced UDP in its discovery answer.
        window->ethernetSettingsDialog()->discovery()->takeAnswer(QHostAddress(QStringLiteral("127.0.0.43")),
                                                                  "HTTP/1.1 200 OK\r\nMODE: UDP\r\n");
        connectEthernet(QStringLiteral("127.0.0.43"));
        QCOMPARE(ScanData().EtherMode, 1);

        QCOMPARE(window->link()->kind(), Link::Kind::Udp);
        QVERIFY(window->link()->isOpen());
        QCOMPARE(window->link()->peerName(), QStringLiteral("127.0.0.43:8080"));
        QTRY_COMPARE_WITH_TIMEOUT(recorder.count(kReadOk), 1, 20000);
        QCOMPARE(recorder.count(kGiveUp), 0);

        ui()->DisConnection->trigger();
        verifyDisconnectedActions(ui()->EthnernetSetting, ui()->SerialSetting);
    }

    void refusedTcpConnectionIsReportedAndTheWindowRecovers()
    {
        // Nobody listens on this address.
        connectEthernet(QStringLiteral("127.0.0.44"));
        QTRY_VERIFY_WITH_TIMEOUT(recorder.find(QStringLiteral("Error")), 5000);
        QVERIFY(recorder.find(QStringLiteral("Error"))->text.contains(QLatin1String("Connection refused")));
        verifyDisconnectedActions(ui()->EthnernetSetting, ui()->SerialSetting,
                                  QStringLiteral("Cannot connect"));

        // Once the sensor is there, the same address connects.
        QVERIFY2(sim.start({"--address", "127.0.0.44"}), qPrintable(sim.error));
        connectEthernet(QStringLiteral("127.0.0.44"));
        QTRY_COMPARE_WITH_TIMEOUT(recorder.count(kReadOk), 1, 20000);
        verifyConnectedActions(ui()->EthernetConnection, ui()->SerialConnection);
    }

    void emptyAddressGivesEthernetOpenError()
    {
        // (The settings dialog refuses it already; the start dialog's request arrives here as well.)
        window->ConnectChangeEthernetModeSlot();
        window->CreatEthernetPort(QStringLiteral("  "));
        QCOMPARE(recorder.prompts.size(), 1);
        QCOMPARE(recorder.prompts[0].icon, Dialogs::Icon::Critical);
        QCOMPARE(recorder.prompts[0].title, QStringLiteral("Error"));
        QCOMPARE(recorder.prompts[0].text, QStringLiteral("Ethernet Open error"));
        QCOMPARE(window->statusBar()->currentMessage(), QStringLiteral("Open error"));
        QVERIFY(ui()->Connection->isEnabled() && !ui()->DisConnection->isEnabled());
        QVERIFY(!ui()->SerialSetting->isEnabled() && !ui()->EthnernetSetting->isEnabled());
        QVERIFY(!window->serialComm()->Engine()->AnyRequestRaised());
    }
};

QTEST_MAIN(TestTransport)
#include "tst_transport.moc"
