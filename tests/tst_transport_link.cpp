// The connection's state as the user sees it, against the sensor stand-in and real loopback
// sockets: addresses that cannot work are refused or reported at once, a sensor that goes away is
// noticed and nothing shown stays frozen as if live, a restarted sensor is followed until it answers
// again, and a disconnect leaves nothing of the old connection behind.

#include "tst_transport_sim.h"

#include "app/connection_status.h"
#include "app/mainwindow.h"
#include "area/store/project_data.h"
#include "comm/codec/scan_data.h"
#include "comm/codec/sensor_parameters.h"
#include "comm/discovery.h"
#include "comm/ethnertsetting.h"
#include "comm/link_parameters.h"
#include "comm/serial_comm.h"
#include "editor/option_scene.h"
#include "editor/paint_outline.h"
#include "exchange/link.h"
#include "ui_ethnertsetting.h"
#include "ui_mainwindow.h"

#include "link_probe.h"
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTcpSocket>
#include <QUdpSocket>

#include <QtTest>

#include <csignal>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using State = ConnectionStatus::State;

namespace {
const QString kReadOk = QStringLiteral("Parameters Read OK!");
const QString kRebootComplete = QStringLiteral("Sensor Reboot Complete");

// A TCP listener whose queue is full: further connection attempts get no answer at all, as from a
// host that drops them.
class SilentListener {
public:
    bool open(const char *address)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(8080);
        a.sin_addr.s_addr = QHostAddress(QString::fromLatin1(address)).toIPv4Address();
        a.sin_addr.s_addr = htonl(a.sin_addr.s_addr);
        if (::bind(m_fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || ::listen(m_fd, 0) != 0)
            return false;
        // Never accepted: these fill the queue.
        for (auto &filler : m_fillers) {
            filler = std::make_unique<QTcpSocket>();
            filler->connectToHost(QHostAddress(QString::fromLatin1(address)), 8080);
            filler->waitForConnected(300);
        }
        return true;
    }
    ~SilentListener()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

private:
    int m_fd = -1;
    std::unique_ptr<QTcpSocket> m_fillers[3];
};
} // namespace

class TestTransportLink : public QObject {
    Q_OBJECT

    PromptRecorder recorder;
    StandIn sim;
    std::unique_ptr<MainWindow> window;

    Ui::MainWindow *ui() const { return window->form(); }
    State state() const { return window->connectionState(); }
    QString stateWord() const { return window->connectionStatus()->stateLabel()->text().trimmed(); }

    void connectEthernet(const QString &address)
    {
        window->ConnectChangeEthernetModeSlot();
        window->ethernetSettingsDialog()->form()->Eth_ComboBox->setEditText(address);
        ui()->Connection->trigger();
    }

    // Nothing may talk to the sensor, and nothing shown may look live.
    void verifyNothingLive()
    {
        SERIAL_COMM *comm = window->serialComm();
        for (QAction *a : {ui()->ReadAllSetting, ui()->WriteAllSetting, ui()->SoftReboot,
                           ui()->SensorInformation, ui()->IOSimulation})
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        QVERIFY(!comm->Engine()->DistancePollActive() && !comm->Engine()->IntensityPollActive() &&
                !comm->Engine()->SimulationPollActive());
        QVERIFY(!comm->Engine()->AnyRequestRaised());
        QVERIFY(ui()->label_StatusValue->text().isEmpty());
        QVERIFY(ui()->DriveVoltage->text().isEmpty());
        QCOMPARE(ui()->InputlcdNum->intValue(), 0);
        QVERIFY(!window->optionScene()->outlineItem()->isVisible());
        for (int r = 0; r < ui()->DataTableWidget->rowCount(); ++r)
            QVERIFY(!ui()->DataTableWidget->item(r, 1) ||
                    ui()->DataTableWidget->item(r, 1)->text().isEmpty());
    }

    // A live TCP connection to the stand-in at address, read and reporting.
    void connectLive(const char *address)
    {
        QSignalSpy reports(window->serialComm(), &SERIAL_COMM::IOPortSignals);
        connectEthernet(QString::fromLatin1(address));
        QTRY_COMPARE_WITH_TIMEOUT(recorder.count(kReadOk), 1, 20000);
        QCOMPARE(state(), State::Connected);
        QTRY_VERIFY_WITH_TIMEOUT(reports.count() > 0, 5000);
        QVERIFY(!ui()->label_StatusValue->text().isEmpty());
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
        SensorDiscovery::forgetModes();
        window = std::make_unique<MainWindow>();
        window->LanguageToEnglish();
        window->show();
    }

    void cleanup()
    {
        if (window && window->connectionState() != State::Closed)
            window->CloseSerialPort();
        sim.stop();
        window.reset();
        PromptRecorder::uninstall();
    }

    void addressThatIsNoIPv4IsRefusedInTheDialog()
    {
        EthnertSetting *dialog = window->ethernetSettingsDialog();
        QSignalSpy requests(dialog, &EthnertSetting::OpenEthernetSignal);
        window->ConnectChangeEthernetModeSlot();
        dialog->show();
        for (const char *typed : {"300.1.2.3", "10.0.0", "sensor", "1.2.3.4.5"}) {
            recorder.prompts.clear();
            dialog->form()->Eth_ComboBox->setEditText(QString::fromLatin1(typed));
            dialog->form()->Enter->click();
            QCOMPARE(recorder.prompts.size(), 1);
            QCOMPARE(recorder.prompts[0].icon, Dialogs::Icon::Warning);
            QVERIFY2(recorder.prompts[0].text.contains(QString::fromLatin1(typed)), typed);
            QVERIFY(dialog->isVisible()); // open for a correction
        }
        QCOMPARE(requests.count(), 0);
        // The same address reaching the window another way is refused as well.
        window->CreatEthernetPort(QStringLiteral("300.1.2.3"));
        QCOMPARE(state(), State::Closed);
        QVERIFY(!openOver(window->link(), Link::Kind::Tcp));
        QVERIFY(ui()->Connection->isEnabled() && !ui()->ReadAllSetting->isEnabled());
        dialog->hide();
    }

    void refusedUnreachableAndSilentAddressesAreReportedWithTheirReason_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("reason");
        QTest::newRow("refused") << QStringLiteral("127.0.12.1") << QStringLiteral("Connection refused");
        // The test's network has no route beyond loopback.
        QTest::newRow("unreachable") << QStringLiteral("10.12.0.1") << QStringLiteral("No route");
        QTest::newRow("no answer") << QStringLiteral("127.0.12.3") << QStringLiteral("No answer");
    }

    void refusedUnreachableAndSilentAddressesAreReportedWithTheirReason()
    {
        QFETCH(QString, address);
        QFETCH(QString, reason);
        SilentListener silent;
        if (address == QLatin1String("127.0.12.3"))
            QVERIFY(silent.open("127.0.12.3"));

        connectEthernet(address);
        // While the attempt runs nothing may pretend to be connected.
        QCOMPARE(state(), State::Connecting);
        QCOMPARE(stateWord(), QStringLiteral("Connecting…"));
        QVERIFY(!ui()->ReadAllSetting->isEnabled() && !ui()->WriteAllSetting->isEnabled());
        QVERIFY(!ui()->SoftReboot->isEnabled());
        QVERIFY(!window->serialComm()->Engine()->SimulationPollActive());

        QTRY_COMPARE_WITH_TIMEOUT(recorder.prompts.size(), 1, MainWindow::kConnectTimeoutMs + 2000);
        QCOMPARE(recorder.prompts[0].icon, Dialogs::Icon::Critical);
        QVERIFY2(recorder.prompts[0].text.contains(reason), qPrintable(recorder.prompts[0].text));
        QVERIFY(recorder.prompts[0].text.contains(address));
        QCOMPARE(state(), State::Closed);
        QVERIFY(ui()->Connection->isEnabled() && !ui()->DisConnection->isEnabled());
        QVERIFY(ui()->EthnernetSetting->isEnabled());
        verifyNothingLive();
        QTest::qWait(100);
        QCOMPARE(recorder.prompts.size(), 1); // one report for one failure
    }

    void sensorClosingTheConnectionIsNoticedAtOnceAndOneActionReconnects()
    {
        QVERIFY2(sim.start({"--address", "127.0.12.4", "--rate", "20"}), qPrintable(sim.error));
        ui()->Monitoring->trigger();
        ui()->DataTable->trigger(); // the table is filled while it is shown
        connectLive("127.0.12.4");
        QTRY_VERIFY_WITH_TIMEOUT(ui()->DataTableWidget->rowCount() > 0 && ui()->DataTableWidget->item(0, 1) &&
                                     !ui()->DataTableWidget->item(0, 1)->text().isEmpty(),
                                 10000);
        QVERIFY(window->optionScene()->outlineItem()->isVisible());

        sim.stop(); // the sensor's end of the connection closes
        QTRY_COMPARE_WITH_TIMEOUT(state(), State::Lost, 5000);
        QCOMPARE(stateWord(), QStringLiteral("Connection lost"));
        QVERIFY(window->connectionStatus()->stateLabel()->toolTip().contains(QLatin1String("closed")));
        verifyNothingLive();
        // Which sensor went away stays in view.
        QCOMPARE(window->connectionLabel()->text(), QStringLiteral("IPAddress:127.0.12.4 "));
        QVERIFY(ui()->Connection->isEnabled());
        QCOMPARE(recorder.count(QStringLiteral("Connect OverTimer, Check Connect")), 0);

        QVERIFY2(sim.start({"--address", "127.0.12.4"}), qPrintable(sim.error));
        ui()->Connection->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.count(kReadOk), 2, 20000);
        QCOMPARE(state(), State::Connected);

        // A disconnect clears the address and the status fields.
        ui()->DisConnection->trigger();
        QCOMPARE(state(), State::Closed);
        QCOMPARE(stateWord(), QStringLiteral("Disconnected"));
        QVERIFY(window->connectionLabel()->text().isEmpty());
        QVERIFY(ui()->label_dirValue->text().isEmpty());
        verifyNothingLive();
    }

    void silentSensorIsShownLostSoonAfterTheGiveUp_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::newRow("TCP") << QStringLiteral("TCP");
        QTest::newRow("UDP") << QStringLiteral("UDP");
        QTest::newRow("serial") << QStringLiteral("serial");
    }

    // The sensor stops answering and streaming but keeps its end of the line open: only the give-up
    // can tell, and it must end the connection on every kind of link.
    void silentSensorIsShownLostSoonAfterTheGiveUp()
    {
        QFETCH(QString, transport);
        QVERIFY2(sim.start({"--address", "127.0.12.7", "--pty", "--rate", "20"}), qPrintable(sim.error));
        ui()->Monitoring->trigger();
        ui()->Distance->trigger();
        if (transport == QLatin1String("serial")) {
            window->ConnectChangeUSARTModeSlot();
            window->CreatOpenSerialPort(sim.pty);
            QTRY_COMPARE_WITH_TIMEOUT(recorder.count(kReadOk), 1, 20000);
            QTRY_VERIFY_WITH_TIMEOUT(!ui()->label_StatusValue->text().isEmpty(), 5000);
        } else {
            if (transport == QLatin1String("UDP"))
                window->ethernetSettingsDialog()->discovery()->takeAnswer(
                    QHostAddress(QStringLiteral("127.0.12.7")), "HTTP/1.1 200 OK\r\nMODE: UDP\r\n");
            connectLive("127.0.12.7");
        }
        QCOMPARE(state(), State::Connected);
        QVERIFY(ui()->InputlcdNum->intValue() != 0 || !ui()->label_StatusValue->text().isEmpty());

        QElapsedTimer sinceGiveUp;
        connect(window->serialComm()->Engine(), &ExchangeEngine::ExchangeGaveUp, this, [&sinceGiveUp] {
            if (!sinceGiveUp.isValid())
                sinceGiveUp.start();
        });
        QVERIFY(::kill(pid_t(sim.pid()), SIGSTOP) == 0);
        QTRY_VERIFY_WITH_TIMEOUT(sinceGiveUp.isValid(), 4 * ExchangeEngine::kReplyTimeoutMs + 5000);
        QTRY_COMPARE_WITH_TIMEOUT(state(), State::Lost, 10000);
        ::kill(pid_t(sim.pid()), SIGCONT);
        QCOMPARE(stateWord(), QStringLiteral("Connection lost"));
        QVERIFY(window->statusBar()->currentMessage().startsWith(QLatin1String("Connection lost")));
        verifyNothingLive();
        QVERIFY(ui()->Connection->isEnabled() && !ui()->DisConnection->isEnabled());
    }

    void eachDiscoveredSensorIsReachedOverTheModeItAnnounced()
    {
        StandIn second;
        QVERIFY2(sim.start({"--address", "127.0.12.7"}), qPrintable(sim.error));
        QVERIFY2(second.start({"--address", "127.0.12.8", "--mode", "udp"}), qPrintable(second.error));
        SensorDiscovery *discovery = window->ethernetSettingsDialog()->discovery();
        discovery->takeAnswer(QHostAddress(QStringLiteral("127.0.12.7")), "HTTP/1.1 200 OK\r\nMODE: TCP\r\n");
        discovery->takeAnswer(QHostAddress(QStringLiteral("127.0.12.8")), "HTTP/1.1 200 OK\r\nMODE: UDP\r\n");

        // The last answer came from the UDP sensor; the TCP one is still reached over TCP.
        connectEthernet(QStringLiteral("127.0.12.7"));
        QTRY_COMPARE_WITH_TIMEOUT(recorder.count(kReadOk), 1, 20000);
        QCOMPARE(window->link()->kind(), Link::Kind::Tcp);
        QVERIFY(window->link()->isOpen());
        QVERIFY(!openOver(window->link(), Link::Kind::Udp));
        ui()->DisConnection->trigger();

        connectEthernet(QStringLiteral("127.0.12.8"));
        QTRY_COMPARE_WITH_TIMEOUT(recorder.count(kReadOk), 2, 20000);
        QCOMPARE(window->link()->peerName(), QString(QStringLiteral("127.0.12.8")) + QStringLiteral(":8080"));
        QVERIFY(!openOver(window->link(), Link::Kind::Tcp));
        ui()->DisConnection->trigger();

        // An address typed by hand, never announced, uses TCP.
        connectEthernet(QStringLiteral("127.0.12.9"));
        QCOMPARE(window->link()->kind(), Link::Kind::Tcp);
        QCOMPARE(ScanData().EtherMode, 0);
    }

    void writeAllAfterANewProjectKeepsTheSensorReachable()
    {
        QVERIFY2(sim.start({"--address", "127.0.12.10"}), qPrintable(sim.error));
        int keepOrSend = 0;
        QStringList questions;
        Dialogs::setResponder([&](const Dialogs::Prompt &p) {
            recorder.prompts << p;
            if (p.text.contains(QLatin1String("Restart the sensor now?")))
                return 1; // no restart: the stand-in keeps serving at its own address
            // The dock edits made the project modified: New asks Save / Discard / Cancel first.
            if (p.buttons.contains(QStringLiteral("Discard")) || p.buttons.contains(QStringLiteral("不保存")))
                return 1;
            if (p.buttons.size() == 3) {
                questions << p.text;
                return keepOrSend;
            }
            return 0;
        });
        connectLive("127.0.12.10");
        SENSOR_PARAMETERS &record = *window->sensorParameters();
        auto writeAllAndReadBack = [&] {
            const int written =
                recorder.count(QStringLiteral("Parameters written. They take effect after a restart."));
            ui()->WriteAllSetting->trigger();
            QTRY_COMPARE_WITH_TIMEOUT(
                recorder.count(QStringLiteral("Parameters written. They take effect after a restart.")),
                written + 1, 20000);
            record = SENSOR_PARAMETERS(); // only the sensor can tell now
            const int read = recorder.count(kReadOk);
            ui()->ReadAllSetting->trigger();
            QTRY_COMPARE_WITH_TIMEOUT(recorder.count(kReadOk), read + 1, 20000);
        };

        // Set in the dock while connected: sent as the user chose, without a question.
        auto *octet1 = window->findChild<QSpinBox *>(QStringLiteral("Para_SensorIPAddress1"));
        auto *mode = window->findChild<QComboBox *>(QStringLiteral("Para_SensorEtherMode"));
        octet1->setValue(10);
        mode->setCurrentIndex(1); // UDP
        writeAllAndReadBack();
        QVERIFY(questions.isEmpty());
        QCOMPARE(LinkParameters::of(record).address(), QStringLiteral("10.168.1.88"));
        QCOMPARE(record.SensorEtherMode, 1);

        // A new project holds the defaults: the sensor's own are kept when asked.
        window->CreateDeviceLaser30();
        QCOMPARE(record.SensorEtherMode, 0);
        record.ScanFilterLevel = 2; // the rest of the project is written as it stands
        writeAllAndReadBack();
        QCOMPARE(questions.size(), 1);
        QVERIFY(questions[0].contains(QLatin1String("10.168.1.88 / 192.168.1.88")));
        QVERIFY(questions[0].contains(QLatin1String("answer at 192.168.1.88 (TCP)")));
        QCOMPARE(LinkParameters::of(record).address(), QStringLiteral("10.168.1.88"));
        QCOMPARE(record.SensorEtherMode, 1);
        QCOMPARE(record.ScanFilterLevel, 2);

        // Or the project's are sent, when that is the answer.
        window->CreateDeviceLaser30();
        keepOrSend = 1;
        writeAllAndReadBack();
        QCOMPARE(questions.size(), 2);
        QCOMPARE(LinkParameters::of(record).address(), QStringLiteral("192.168.1.88"));
        QCOMPARE(record.SensorEtherMode, 0);
    }

    void connectingAsksBeforeReplacingADesign_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QString>("setting"); // connect/unsavedDesign
        QTest::addColumn<int>("answer");      // 0 load, 1 keep
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("asked, load") << true << "ask" << 0 << true << true << true;
        QTest::newRow("asked, keep") << true << "ask" << 1 << true << false << true;
        QTest::newRow("setting keep") << true << "keep" << 0 << false << false << true;
        QTest::newRow("setting load") << true << "load" << 1 << false << true << true;
        QTest::newRow("drawn and saved") << false << "ask" << 1 << true << false << true;
        QTest::newRow("fresh project") << false << "ask" << 1 << false << true << false;
    }

    void connectingAsksBeforeReplacingADesign()
    {
        QFETCH(bool, modified);
        QFETCH(QString, setting);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, loaded);
        QFETCH(bool, drawn);
        QSettings("Trevalor", "Parameters").setValue(QStringLiteral("connect/unsavedDesign"), setting);
        QVERIFY2(sim.start({"--address", "127.0.12.11"}), qPrintable(sim.error));
        QStringList questions;
        Dialogs::setResponder([&](const Dialogs::Prompt &p) {
            recorder.prompts << p;
            if (p.text.contains(QLatin1String("did not come from this sensor"))) {
                questions << p.buttons;
                return answer;
            }
            return 0;
        });
        QList<QByteArray> sent;
        connect(window->serialComm(), &SERIAL_COMM::FrameSent, this,
                [&sent](const QByteArray &frame) { sent << frame.left(5); });
        const QVector<QPoint> design{QPoint(-500, 800), QPoint(500, 800), QPoint(500, 1500),
                                     QPoint(-500, 1500)};
        const QVector<QPoint> before = ProjectData().Areas[3].Out1Coord;
        if (drawn)
            ProjectData().Areas[3].Out1Coord = design;
        ProjectData().Modified = modified;

        connectEthernet(QStringLiteral("127.0.12.11"));
        QTRY_COMPARE_WITH_TIMEOUT(state(), State::Connected, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(sent.contains("RPara") && !window->serialComm()->Engine()->RequestRaised(
                                                               SERIAL_COMM::Request::ReadParameters),
                                 10000);
        if (loaded)
            QTRY_COMPARE_WITH_TIMEOUT(recorder.count(kReadOk), 1, 20000);
        else
            QTest::qWait(500);

        QCOMPARE(questions.isEmpty(), !asked);
        if (asked)
            QCOMPARE(questions,
                     (QStringList{QStringLiteral("Load the sensor's areas into the project"),
                                  QStringLiteral("Keep the project (read the sensor's parameters only)")}));
        QCOMPARE(sent.count("RArea") == kAreaCount, loaded);
        QCOMPARE(ProjectData().Areas[3].Out1Coord == (drawn ? design : before), !loaded);
        if (loaded) // the sensor's areas are no saved design
            QVERIFY(ProjectData().Modified);
        if (!loaded) {
            QVERIFY(!sent.contains("RArea") && !sent.contains("RCase"));
            QCOMPARE(recorder.count(kReadOk), 0);
        }
        QSettings("Trevalor", "Parameters").remove(QStringLiteral("connect/unsavedDesign"));
        ProjectData().resetToStartup();
    }

    void restartIsFollowedUntilTheSensorAnswersAgain_data()
    {
        QTest::addColumn<bool>("serial");
        QTest::newRow("TCP") << false;
        QTest::newRow("serial") << true;
    }

    void restartIsFollowedUntilTheSensorAnswersAgain()
    {
        QFETCH(bool, serial);
        QVERIFY2(sim.start({"--address", "127.0.12.6", "--boot-ms", "1000", "--pty"}), qPrintable(sim.error));
        QList<QByteArray> sent;
        connect(window->serialComm(), &SERIAL_COMM::FrameSent, this,
                [&sent](const QByteArray &frame) { sent << frame.left(5); });
        if (serial) {
            window->ConnectChangeUSARTModeSlot();
            window->CreatOpenSerialPort(sim.pty);
            QTRY_COMPARE_WITH_TIMEOUT(recorder.count(kReadOk), 1, 20000);
        } else {
            connectLive("127.0.12.6");
        }

        ui()->SoftReboot->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(state(), State::Restarting, 5000);
        QVERIFY(window->connectionStatus()->cancelButton()->isVisible());
        QVERIFY(stateWord().startsWith(QLatin1String("Restarting, ")));
        QVERIFY(!ui()->SoftReboot->isEnabled() && !ui()->WriteAllSetting->isEnabled());
        QCOMPARE(recorder.count(kRebootComplete), 0); // not before it is true
        sent.clear();

        QTRY_COMPARE_WITH_TIMEOUT(state(), State::Connected, 15000);
        QCOMPARE(recorder.count(kRebootComplete), 1);
        QVERIFY(sent.contains("RPrda")); // the product information confirmed it
        QCOMPARE(recorder.find(QStringLiteral("Product Message")), nullptr);
        QVERIFY(!window->connectionStatus()->cancelButton()->isVisible());
        QVERIFY(window->serialComm()->Engine()->SimulationPollActive());
        QVERIFY(ui()->SoftReboot->isEnabled());
        QCOMPARE(recorder.count(QStringLiteral("Connect OverTimer, Check Connect")), 0);

        // Cancel ends the wait for good.
        ui()->SoftReboot->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(state(), State::Restarting, 5000);
        window->connectionStatus()->cancelButton()->click();
        QCOMPARE(state(), State::Closed);
        QTest::qWait(1500);
        QCOMPARE(state(), State::Closed);
        QCOMPARE(recorder.count(kRebootComplete), 1);
    }
};

QTEST_MAIN(TestTransportLink)
#include "tst_transport_link.moc"
