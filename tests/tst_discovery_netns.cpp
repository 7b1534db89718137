// Discovery between two hosts: two network namespaces joined by a veth pair, the sensor stand-in
// answering in one, the program searching in the other. Needs root and iproute2; everything it
// sends stays inside the two namespaces, which are removed at the end whatever happens.

#include "tst_transport_sim.h"

#include "app/mainwindow.h"
#include "comm/codec/scan_data.h"
#include "comm/discovery.h"
#include "comm/ethnertsetting.h"
#include "comm/serial_comm.h"
#include "ui_ethnertsetting.h"
#include "ui_mainwindow.h"

#include "link_probe.h"
#include <QSettings>
#include <QStandardPaths>
#include <QUdpSocket>

#include <QtTest>

#include <fcntl.h>
#include <memory>
#include <sched.h>
#include <unistd.h>

namespace {

// Runs the calling (user-interface) thread inside a named namespace until left again; sockets
// created meanwhile belong to that namespace for good.
class NamespaceVisit {
public:
    ~NamespaceVisit() { leave(); }
    bool enter(const QString &name)
    {
        leave();
        m_home = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
        const int target = ::open(qPrintable("/run/netns/" + name), O_RDONLY | O_CLOEXEC);
        const bool ok = m_home >= 0 && target >= 0 && ::setns(target, CLONE_NEWNET) == 0;
        if (target >= 0)
            ::close(target);
        if (!ok)
            leave();
        return ok;
    }
    void leave()
    {
        if (m_home < 0)
            return;
        ::setns(m_home, CLONE_NEWNET);
        ::close(m_home);
        m_home = -1;
    }

private:
    int m_home = -1;
};

} // namespace

class TestDiscoveryNetns : public QObject {
    Q_OBJECT

    QString ip;
    QString sensorNs, programNs, sensorLink, programLink;
    bool namespacesMade = false;
    StandIn sensorA, sensorB;
    NamespaceVisit visit;
    PromptRecorder recorder;

    const QString addressA = QStringLiteral("10.213.1.1");
    const QString addressB = QStringLiteral("10.213.1.3");

    bool run(const QStringList &arguments, QString *output = nullptr)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(ip, arguments);
        if (!p.waitForFinished(10000))
            return false;
        const QString out = QString::fromLocal8Bit(p.readAll());
        if (output)
            *output = out;
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            qWarning("ip %s: %s", qPrintable(arguments.join(' ')), qPrintable(out));
            return false;
        }
        return true;
    }

    void removeNamespaces()
    {
        if (!namespacesMade)
            return;
        run({"netns", "del", sensorNs});
        run({"netns", "del", programNs});
        namespacesMade = false;
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings("Trevalor", "Parameters").clear();
        if (::geteuid() != 0)
            QSKIP("creating network namespaces needs root");
        ip = QStandardPaths::findExecutable("ip");
        if (ip.isEmpty())
            QSKIP("the ip tool of iproute2 is not installed");

        const QString id = QString::number(QCoreApplication::applicationPid());
        sensorNs = "vltS" + id;
        programNs = "vltP" + id;
        sensorLink = "vls" + id;
        programLink = "vlp" + id;

        // Should this process die before its cleanup, the namespaces go all the same.
        QProcess watchdog;
        watchdog.setProgram("sh");
        watchdog.setArguments({"-c", QString("while kill -0 %1 2>/dev/null; do sleep 1; done; "
                                             "kill $(%2 netns pids %3) 2>/dev/null; "
                                             "%2 netns del %3; %2 netns del %4")
                                         .arg(id, ip, sensorNs, programNs)});
        watchdog.setStandardOutputFile(QProcess::nullDevice());
        watchdog.setStandardErrorFile(QProcess::nullDevice());
        QVERIFY(watchdog.startDetached());

        namespacesMade = true;
        // The sensors' network, and a second local network on the program's side. A machine that
        // cannot build namespaces (a chroot, a locked-down container) cannot run this test at all.
        const bool built =
            run({"netns", "add", sensorNs}) && run({"netns", "add", programNs}) &&
            run({"link", "add", sensorLink, "netns", sensorNs, "type", "veth", "peer", "name", programLink,
                 "netns", programNs}) &&
            run({"-n", sensorNs, "addr", "add", addressA + "/24", "broadcast", "+", "dev", sensorLink}) &&
            run({"-n", sensorNs, "addr", "add", addressB + "/24", "broadcast", "+", "dev", sensorLink}) &&
            run({"-n", programNs, "addr", "add", "10.213.1.2/24", "broadcast", "+", "dev", programLink}) &&
            run({"-n", programNs, "addr", "add", "10.213.2.2/24", "broadcast", "+", "dev", programLink}) &&
            run({"-n", sensorNs, "link", "set", "lo", "up"}) &&
            run({"-n", programNs, "link", "set", "lo", "up"}) &&
            run({"-n", sensorNs, "link", "set", sensorLink, "up"}) &&
            run({"-n", programNs, "link", "set", programLink, "up"});
        if (!built)
            QSKIP("this machine cannot set up two network namespaces joined by a veth pair");

        // Datagrams sent before the pair has carrier would be lost.
        QString state;
        QTRY_VERIFY_WITH_TIMEOUT(run({"-n", programNs, "link", "show", programLink}, &state) &&
                                     state.contains("LOWER_UP") && !state.contains("NO-CARRIER"),
                                 5000);
    }

    void cleanupTestCase()
    {
        visit.leave();
        sensorA.stop();
        sensorB.stop();
        removeNamespaces();
    }

    void init()
    {
        recorder = PromptRecorder();
        recorder.install();
    }

    void cleanup()
    {
        visit.leave();
        sensorA.stop();
        sensorB.stop();
        PromptRecorder::uninstall();
    }

    void everySensorAppearsOnceAndEachLocalNetworkGetsItsPort()
    {
        QVERIFY2(sensorA.start({"--address", addressA, "--discovery"}, sensorNs), qPrintable(sensorA.error));
        QVERIFY2(sensorB.start({"--address", addressB, "--discovery"}, sensorNs), qPrintable(sensorB.error));

        QVERIFY(visit.enter(programNs));
        EthnertSetting dialog; // searches as it is built
        QSignalSpy modes(&dialog, &EthnertSetting::OpenEthernetMode);
        const QList<QUdpSocket *> sockets = dialog.discovery()->sockets();
        QCOMPARE(sockets.size(), 2);
        QCOMPARE(sockets[0]->localAddress(), QHostAddress("10.213.1.2"));
        QCOMPARE(sockets[0]->localPort(), quint16(50000));
        QCOMPARE(sockets[1]->localAddress(), QHostAddress("10.213.2.2"));
        QCOMPARE(sockets[1]->localPort(), quint16(50001));

        QComboBox *list = dialog.form()->Eth_ComboBox;
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 2, 5000);
        QTest::qWait(500); // every sensor answers both the subnet and the global broadcast
        QCOMPARE(list->count(), 2);
        QVERIFY(list->findText(addressA) >= 0);
        QVERIFY(list->findText(addressB) >= 0);
        QVERIFY(modes.count() >= 2);
        QCOMPARE(modes.last()[0].toString(), QStringLiteral("MODE: TCP"));

        // The refresh button searches again from an empty list.
        QTest::mouseClick(dialog.form()->Button_Refresh_ETH, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 2, 5000);
        QTest::qWait(300);
        QCOMPARE(list->count(), 2);
    }

    void udpAnswerSwitchesTheModeAndTheConnectionRunsOverUdp()
    {
        QVERIFY2(sensorA.start({"--address", addressA, "--discovery", "--mode", "udp"}, sensorNs),
                 qPrintable(sensorA.error));
        ScanData().EtherMode = 0;

        QVERIFY(visit.enter(programNs));
        MainWindow window; // its Ethernet settings dialog searches as it is built
        window.LanguageToEnglish();
        QComboBox *list = window.ethernetSettingsDialog()->form()->Eth_ComboBox;
        QTRY_VERIFY_WITH_TIMEOUT(list->findText(addressA) >= 0, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(ScanData().EtherMode, 1, 5000);

        window.ConnectChangeEthernetModeSlot();
        list->setCurrentIndex(list->findText(addressA));
        window.form()->Connection->trigger();

        QVERIFY(!openOver(window.link(), Link::Kind::Tcp));
        QVERIFY(openOver(window.link(), Link::Kind::Udp));
        QCOMPARE(window.link()->peerName(), QString(addressA) + QStringLiteral(":8080"));
        QVERIFY(window.ethernetSettingsDialog()->discovery()->sockets().isEmpty()); // ended on connect
        QTRY_COMPARE_WITH_TIMEOUT(recorder.count("Parameters Read OK!"), 1, 20000);
        QCOMPARE(recorder.count("The sensor did not answer in time. Check the connection."), 0);

        window.CloseSerialPort();
        QVERIFY(!openOver(window.link(), Link::Kind::Udp));
    }

    // A TCP sensor and a UDP sensor on one network: whichever answered last, each is reached over
    // the mode it announced itself.
    void eachSensorIsReachedOverItsOwnMode()
    {
        QVERIFY2(sensorA.start({"--address", addressA, "--discovery"}, sensorNs), qPrintable(sensorA.error));
        QVERIFY2(sensorB.start({"--address", addressB, "--discovery", "--mode", "udp"}, sensorNs),
                 qPrintable(sensorB.error));
        SensorDiscovery::forgetModes();

        QVERIFY(visit.enter(programNs));
        MainWindow window;
        window.LanguageToEnglish();
        QComboBox *list = window.ethernetSettingsDialog()->form()->Eth_ComboBox;
        QTRY_VERIFY_WITH_TIMEOUT(list->findText(addressA) >= 0 && list->findText(addressB) >= 0, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(SensorDiscovery::modeOf(addressB), 1, 5000);
        QCOMPARE(SensorDiscovery::modeOf(addressA), 0);

        window.ConnectChangeEthernetModeSlot();
        for (const QString &address : {addressA, addressB, addressA}) {
            const int read = recorder.count("Parameters Read OK!");
            window.ethernetSettingsDialog()->form()->Eth_ComboBox->setEditText(address);
            window.form()->Connection->trigger();
            QTRY_COMPARE_WITH_TIMEOUT(recorder.count("Parameters Read OK!"), read + 1, 20000);
            const bool udp = address == addressB;
            QCOMPARE(openOver(window.link(), Link::Kind::Tcp), !udp);
            QCOMPARE(openOver(window.link(), Link::Kind::Udp), udp);
            window.CloseSerialPort();
        }
        QCOMPARE(recorder.count("Connect OverTimer, Check Connect"), 0);
    }
};

QTEST_MAIN(TestDiscoveryNetns)
#include "tst_discovery_netns.moc"
