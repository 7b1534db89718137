// veltrin-cli monitor against the stand-in fleet and a real MQTT broker (Debian's mosquitto), read by a
// real MQTT client (mosquitto_sub): states, events, a lost sensor, a broker that goes away, and the
// monitor's goodbye and last will.
#include "cli_process.h"
#include "sim_process.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <signal.h>

namespace {

const QString kBrokerAddress = QStringLiteral("127.0.29.1");
constexpr int kBrokerPort = 1883;
const QString kPrefix = QStringLiteral("site");

QString program(const QString &name)
{
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(
            name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/local/sbin")});
    return path;
}

// The broker, with a configuration of its own: one listener on the test's loopback address.
class Broker {
public:
    ~Broker() { kill(); }
    bool start(const QString &dir)
    {
        const QString conf = dir + QStringLiteral("/mosquitto.conf");
        QFile file(conf);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(QString("listener %1 %2\nallow_anonymous true\npersistence false\n")
                       .arg(kBrokerPort)
                       .arg(kBrokerAddress)
                       .toUtf8());
        file.close();
        m_process = std::make_unique<QProcess>();
        m_process->setStandardOutputFile(QProcess::nullDevice());
        m_process->setStandardErrorFile(QProcess::nullDevice());
        m_process->start(program(QStringLiteral("mosquitto")), {QStringLiteral("-c"), conf});
        if (!m_process->waitForStarted(5000))
            return false;
        // Ready once it takes a message.
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 30000 && m_process->state() == QProcess::Running) {
            QProcess probe;
            probe.start(program(QStringLiteral("mosquitto_pub")),
                        {QStringLiteral("-h"), kBrokerAddress, QStringLiteral("-p"),
                         QString::number(kBrokerPort), QStringLiteral("-t"), QStringLiteral("probe"),
                         QStringLiteral("-m"), QStringLiteral("x")});
            if (probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit &&
                probe.exitCode() == 0)
                return true;
            QTest::qWait(200);
        }
        return false;
    }
    void kill()
    {
        if (m_process && m_process->state() != QProcess::NotRunning) {
            ::kill(pid_t(m_process->processId()), SIGKILL);
            m_process->waitForFinished(10000);
        }
        m_process.reset();
    }

private:
    std::unique_ptr<QProcess> m_process;
};

struct Message {
    bool retained = false;
    QString topic;
    QByteArray payload;
    QJsonObject json() const { return QJsonDocument::fromJson(payload).object(); }
};

// A real MQTT client: mosquitto_sub, every topic under the prefix, one line per message.
class Subscriber {
public:
    ~Subscriber()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    bool start()
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(program(QStringLiteral("mosquitto_sub")),
                        {QStringLiteral("-h"), kBrokerAddress, QStringLiteral("-p"),
                         QString::number(kBrokerPort), QStringLiteral("-q"), QStringLiteral("1"),
                         QStringLiteral("-t"), kPrefix + "/#", QStringLiteral("-F"),
                         QStringLiteral("%r %t %p")});
        return m_process.waitForStarted(5000);
    }
    // Takes in what arrived; returns the messages so far.
    const QVector<Message> &messages()
    {
        while (m_process.canReadLine()) {
            const QByteArray line = m_process.readLine().trimmed();
            Message m;
            m.retained = line.startsWith('1');
            const QByteArray rest = line.mid(2);
            const int space = rest.indexOf(' ');
            m.topic = QString::fromUtf8(space < 0 ? rest : rest.left(space));
            m.payload = space < 0 ? QByteArray() : rest.mid(space + 1);
            m_messages.append(m);
        }
        return m_messages;
    }
    // The last state of a sensor (by serial number), empty when none came.
    QJsonObject state(int serial, bool retainedOnly = false)
    {
        const QString topic = QString("%1/%2/state").arg(kPrefix).arg(serial);
        const QVector<Message> &all = messages();
        for (int i = all.size() - 1; i >= 0; --i)
            if (all[i].topic == topic && (all[i].retained || !retainedOnly))
                return all[i].json();
        return QJsonObject();
    }
    QString link(int serial) { return state(serial).value(QStringLiteral("link")).toString(); }
    QVector<QJsonObject> events(int serial)
    {
        QVector<QJsonObject> out;
        const QString topic = QString("%1/%2/event").arg(kPrefix).arg(serial);
        for (const Message &m : messages())
            if (m.topic == topic)
                out.append(m.json());
        return out;
    }
    // Index of the first message from `from` on with this topic and payload, or -1.
    int find(const QString &topic, const QByteArray &payload, int from = 0)
    {
        const QVector<Message> &all = messages();
        for (int i = from; i < all.size(); ++i)
            if (all[i].topic == topic && all[i].payload == payload)
                return i;
        return -1;
    }

private:
    QProcess m_process;
    QVector<Message> m_messages;
};

// Every event follows on from the one before: no switch lost or told twice between monitor and
// subscriber, and each one a real change.
bool eventsChain(const QVector<QJsonObject> &events, QString *why)
{
    for (int i = 0; i < events.size(); ++i) {
        const QJsonObject &e = events[i];
        if (e.value("outputs") == e.value("previous_outputs") &&
            e.value("fault") == e.value("previous_fault")) {
            *why = QString("event %1 changes nothing").arg(i);
            return false;
        }
        if (e.value("time").toString().isEmpty()) {
            *why = QString("event %1 has no time").arg(i);
            return false;
        }
        if (i > 0 && (e.value("previous_outputs") != events[i - 1].value("outputs") ||
                      e.value("previous_fault") != events[i - 1].value("fault"))) {
            *why = QString("event %1 does not follow on from event %2").arg(i).arg(i - 1);
            return false;
        }
    }
    return true;
}

bool hasFaultChange(const QVector<QJsonObject> &events)
{
    for (const QJsonObject &e : events)
        if (e.value("fault") != e.value("previous_fault"))
            return true;
    return false;
}

} // namespace

class TestCliMonitor : public QObject {
    Q_OBJECT

    static bool mqttBuiltIn()
    {
        const CliRun run = runCli({QStringLiteral("monitor"), QStringLiteral("--help")});
        return run.out.contains(QLatin1String("--mqtt")) &&
               !runCli({QStringLiteral("monitor"), QStringLiteral("127.0.29.99"), QStringLiteral("--mqtt"),
                        QStringLiteral("a:b")})
                    .err.contains(QLatin1String("built without MQTT"));
    }

private slots:
    void jsonLinesFollowSensorsAndCtrlCEndsCleanly()
    {
        SimProcess sim;
        QVERIFY2(
            sim.start({QStringLiteral("--address"), QStringLiteral("127.0.29.40"), QStringLiteral("--serial"),
                       QStringLiteral("4000"), QStringLiteral("--switch-outputs"), QStringLiteral("300")}),
            qPrintable(sim.error));
        QProcess monitor;
        monitor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // 127.0.29.41 serves nothing: unreachable, and retried.
        monitor.start(QStringLiteral(VELTRIN_CLI_PATH),
                      {QStringLiteral("monitor"), QStringLiteral("127.0.29.40"),
                       QStringLiteral("127.0.29.41"), QStringLiteral("--json")});
        QVERIFY(monitor.waitForStarted(5000));
        bool ok = false, unreachable = false, event = false;
        auto take = [&] {
            while (monitor.canReadLine()) {
                const QJsonObject o = QJsonDocument::fromJson(monitor.readLine()).object();
                if (o.value("type") == "state" && o.value("serial").toInt() == 4000 &&
                    o.value("link") == "ok" && o.value("install_direction") == "forward" &&
                    o.contains("self_check"))
                    ok = true;
                if (o.value("type") == "state" && o.value("address") == "127.0.29.41" &&
                    o.value("link") == "unreachable" && o.value("serial").isNull())
                    unreachable = true;
                if (o.value("type") == "event" && o.value("serial").toInt() == 4000 &&
                    o.value("outputs") != o.value("previous_outputs"))
                    event = true;
            }
            return ok && unreachable && event;
        };
        QTRY_VERIFY_WITH_TIMEOUT(take(), 60000);
        ::kill(pid_t(monitor.processId()), SIGINT);
        QVERIFY(monitor.waitForFinished(30000));
        QCOMPARE(monitor.exitStatus(), QProcess::NormalExit);
        QCOMPARE(monitor.exitCode(), 0);
    }

    void publishesTheSiteToABrokerThroughLossesAndRestarts()
    {
        if (program(QStringLiteral("mosquitto")).isEmpty() ||
            program(QStringLiteral("mosquitto_sub")).isEmpty())
            QSKIP("mosquitto and mosquitto_sub are not installed (scripts/deps.sh installs them)");
        if (!mqttBuiltIn())
            QSKIP("veltrin-cli was built without libmosquitto");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        Broker broker;
        QVERIFY(broker.start(dir.path()));

        // Three sensors in one process, and one alone that can be stopped by itself.
        SimProcess fleet, single;
        QVERIFY2(fleet.start({QStringLiteral("--address"), QStringLiteral("127.0.29.10-127.0.29.12"),
                              QStringLiteral("--switch-outputs"), QStringLiteral("500")}),
                 qPrintable(fleet.error));
        QVERIFY2(single.start({QStringLiteral("--address"), QStringLiteral("127.0.29.20"),
                               QStringLiteral("--serial"), QStringLiteral("30000"),
                               QStringLiteral("--switch-outputs"), QStringLiteral("500")}),
                 qPrintable(single.error));
        const QVector<int> serials{20417, 20418, 20419, 30000};

        auto sub = std::make_unique<Subscriber>();
        QVERIFY(sub->start());
        const QStringList arguments{QStringLiteral("monitor"),
                                    QStringLiteral("127.0.29.10"),
                                    QStringLiteral("127.0.29.11"),
                                    QStringLiteral("127.0.29.12"),
                                    QStringLiteral("127.0.29.20"),
                                    QStringLiteral("--mqtt"),
                                    QString("%1:%2").arg(kBrokerAddress).arg(kBrokerPort),
                                    QStringLiteral("--topic"),
                                    kPrefix,
                                    QStringLiteral("--interval"),
                                    QStringLiteral("1")};
        auto monitor = std::make_unique<QProcess>();
        monitor->setStandardOutputFile(QProcess::nullDevice());
        monitor->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        monitor->start(QStringLiteral(VELTRIN_CLI_PATH), arguments);
        QVERIFY(monitor->waitForStarted(5000));
        const QString monitorTopic = QString("%1/monitor/%2").arg(kPrefix, QSysInfo::machineHostName());
        QTRY_VERIFY_WITH_TIMEOUT(sub->find(monitorTopic, "online") >= 0, 30000);

        // Every sensor's state, under its serial number, with what it reports.
        for (int serial : serials) {
            QTRY_COMPARE_WITH_TIMEOUT(sub->link(serial), QStringLiteral("ok"), 60000);
            const QJsonObject state = sub->state(serial);
            QCOMPARE(state.value("serial").toInt(), serial);
            QCOMPARE(state.value("install_direction").toString(), QStringLiteral("forward"));
            QCOMPARE(state.value("area").toInt(), 0);
            QVERIFY(state.value("self_check").toObject().value("rotation_rpm").toInt() > 0);
            QVERIFY(!state.value("report_time").toString().isEmpty());
        }
        // An event per switch, including the fault that comes with all three outputs on.
        for (int serial : serials)
            QTRY_VERIFY_WITH_TIMEOUT(sub->events(serial).size() >= 8 && hasFaultChange(sub->events(serial)),
                                     90000);
        for (int serial : serials) {
            QString why;
            QVERIFY2(eventsChain(sub->events(serial), &why),
                     qPrintable(QString("%1: %2").arg(serial).arg(why)));
        }

        // A sensor that stops answering is lost at once, and comes back by itself.
        ::kill(pid_t(single.pid()), SIGSTOP);
        QTRY_COMPARE_WITH_TIMEOUT(sub->link(30000), QStringLiteral("lost"), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(sub->link(20417), QStringLiteral("ok"), 30000); // the others go on
        ::kill(pid_t(single.pid()), SIGCONT);
        QTRY_COMPARE_WITH_TIMEOUT(sub->link(30000), QStringLiteral("ok"), 90000);

        // The broker goes away and comes back empty: the monitor republishes every retained state.
        broker.kill();
        sub.reset();
        QVERIFY(broker.start(dir.path()));
        sub = std::make_unique<Subscriber>();
        QVERIFY(sub->start());
        for (int serial : serials)
            QTRY_VERIFY_WITH_TIMEOUT(!sub->state(serial).isEmpty(), 90000);
        Subscriber late; // connects after the republication: only what the broker kept
        QVERIFY(late.start());
        for (int serial : serials)
            QTRY_COMPARE_WITH_TIMEOUT(late.state(serial, true).value("link").toString(), QStringLiteral("ok"),
                                      60000);
        QTRY_VERIFY_WITH_TIMEOUT(late.find(monitorTopic, "online") >= 0, 30000);
        // Known by their serial numbers, nothing is kept under their addresses.
        for (const Message &m : late.messages())
            QVERIFY2(!m.topic.contains(QLatin1String("127.0.29.")), qPrintable(m.topic));

        // Ctrl-C: the monitor says goodbye itself.
        ::kill(pid_t(monitor->processId()), SIGINT);
        QVERIFY(monitor->waitForFinished(30000));
        QCOMPARE(monitor->exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(late.find(monitorTopic, "offline") >= 0, 30000);

        // Killed: the broker says it, from the last will.
        monitor = std::make_unique<QProcess>();
        monitor->setStandardOutputFile(QProcess::nullDevice());
        monitor->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        monitor->start(QStringLiteral(VELTRIN_CLI_PATH), arguments);
        QVERIFY(monitor->waitForStarted(5000));
        const int offlineBefore = late.find(monitorTopic, "offline");
        int online = -1;
        QTRY_VERIFY_WITH_TIMEOUT((online = late.find(monitorTopic, "online", offlineBefore + 1)) >= 0, 30000);
        monitor->kill();
        QVERIFY(monitor->waitForFinished(10000));
        QTRY_VERIFY_WITH_TIMEOUT(late.find(monitorTopic, "offline", online + 1) >= 0, 60000);
    }
};

QTEST_GUILESS_MAIN(TestCliMonitor)
#include "tst_cli_monitor.moc"
