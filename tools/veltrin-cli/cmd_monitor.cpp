// veltrin-cli monitor: watches many sensors at once, on the terminal and over MQTT.
#include "cli_commands.h"
#include "cli_output.h"

#include "exchange/site_monitor.h"
#include "stop_signals.h"

#ifdef VELTRIN_HAVE_MQTT
#include "mqtt/mqtt_publisher.h"
#endif

#include <QCoreApplication>
#include <QDateTime>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <QTimer>

#include <memory>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr int kDefaultMqttPort = 1883;
// A terminal is redrawn at most this often, however fast the sensors switch.
constexpr int kRedrawMs = 100;

QString isoTime(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
}

QJsonArray bitsOn(uint word, int bits)
{
    QJsonArray on;
    for (int b = 0; b < bits; ++b)
        if (word & (1u << b))
            on.append(b + 1);
    return on;
}

// The topic level that names a sensor: its serial number once known, before that its address.
[[maybe_unused]] QString sensorKey(const SensorStatus &s)
{
    if (s.serialKnown)
        return QString::number(s.serialNumber);
    QString key = s.address;
    key.replace(QLatin1Char('/'), QLatin1Char('_'));
    return key;
}

QJsonObject stateJson(const SensorStatus &s, const QString &monitor)
{
    QJsonObject o;
    o["serial"] = s.serialKnown ? QJsonValue(int(s.serialNumber)) : QJsonValue();
    o["address"] = s.address;
    o["monitor"] = monitor;
    o["link"] = SensorStatus::linkWord(s.link);
    if (!s.problem.isEmpty())
        o["problem"] = s.problem;
    o["link_since"] = isoTime(s.linkMs);
    if (s.serialKnown) {
        o["model"] = int(s.product.ModelCode);
        o["firmware"] = s.product.Firmware / 100.0;
    }
    o["install_direction"] = s.directionKnown ? QJsonValue(s.reverse ? "reverse" : "forward") : QJsonValue();
    if (s.reported) {
        o["area"] = s.area();
        o["inputs"] = int(s.inputs);
        o["inputs_on"] = bitsOn(s.inputs, 6);
        o["outputs"] = int(s.outputs);
        o["outputs_on"] = bitsOn(s.outputs, 3);
        o["fault"] = int(s.fault);
        o["fault_text"] = SensorStatus::faultText(s.fault);
        QJsonObject check;
        check["temperature_c"] = s.selfCheck.Temperature / 100.0;
        check["rotation_rpm"] = int(s.selfCheck.RotationSpeed);
        check["drive_voltage_v"] = s.selfCheck.DriveVoltage / 100.0;
        check["send_voltage_v"] = s.selfCheck.SendVoltage / 100.0;
        check["receive_voltage_v"] = s.selfCheck.ReceiveVoltage / 100.0;
        o["self_check"] = check;
        o["report_time"] = isoTime(s.reportMs);
        o["report_time_ms"] = double(s.reportMs);
    }
    o["time"] = isoTime(QDateTime::currentMSecsSinceEpoch());
    return o;
}

QJsonObject eventJson(const SensorStatus &s, uint previousOutputs, quint16 previousFault)
{
    QJsonObject o;
    o["serial"] = s.serialKnown ? QJsonValue(int(s.serialNumber)) : QJsonValue();
    o["address"] = s.address;
    o["time"] = isoTime(s.reportMs);
    o["time_ms"] = double(s.reportMs);
    o["outputs"] = int(s.outputs);
    o["previous_outputs"] = int(previousOutputs);
    o["switched_on"] = bitsOn(s.outputs & ~previousOutputs, 3);
    o["switched_off"] = bitsOn(previousOutputs & ~s.outputs, 3);
    o["fault"] = int(s.fault);
    o["previous_fault"] = int(previousFault);
    o["fault_text"] = SensorStatus::faultText(s.fault);
    return o;
}

// One JSON line of the watch: the object with its kind, "state" or "event", under "type".
void printLine(QJsonObject o, const char *type)
{
    o.insert(QStringLiteral("type"), QLatin1String(type));
    printJson(o);
}

[[maybe_unused]] QByteArray compact(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

// Three output lamps, Out 1 to Out 3, coloured as the window's lamps when colour is wanted.
QString lamps(uint outputs, bool colour)
{
    static const char *const kOn[] = {"\033[33m", "\033[38;5;208m", "\033[31m"};
    QString text;
    for (int b = 0; b < 3; ++b) {
        const bool on = outputs & (1u << b);
        if (colour)
            text += on ? QString::fromLatin1(kOn[b]) + QStringLiteral("●\033[0m")
                       : QStringLiteral("\033[2m○\033[0m");
        else
            text += on ? QStringLiteral("●") : QStringLiteral("○");
    }
    return text;
}

QString padded(const QString &text, int width)
{
    return text.leftJustified(width, QLatin1Char(' '), true);
}

class MonitorCommand : public QObject {
public:
    enum class Output { Table, Lines, Json };

    MonitorCommand(Output output, int intervalMs, const QString &prefix) : m_output(output), m_prefix(prefix)
    {
        m_host = QSysInfo::machineHostName();
        if (m_host.isEmpty())
            m_host = QStringLiteral("localhost");
        m_periodic.setInterval(intervalMs);
        connect(&m_periodic, &QTimer::timeout, this, &MonitorCommand::periodic);
        m_redraw.setSingleShot(true);
        m_redraw.setInterval(kRedrawMs);
        connect(&m_redraw, &QTimer::timeout, this, &MonitorCommand::drawTable);
        connect(&m_site, &SiteMonitor::StatusChanged, this, &MonitorCommand::changed);
        connect(&m_site, &SiteMonitor::Switched, this, &MonitorCommand::switched);
    }

    SiteMonitor &site() { return m_site; }

#ifdef VELTRIN_HAVE_MQTT
    bool useBroker(const QString &host, int port, QString *error)
    {
        const QString clientId =
            QString("veltrin-monitor-%1-%2").arg(m_host).arg(QCoreApplication::applicationPid());
        m_mqtt = std::make_unique<MqttPublisher>(host, port, clientId, monitorTopic(), QByteArray("offline"));
        connect(m_mqtt.get(), &MqttPublisher::ConnectionChanged, this, &MonitorCommand::brokerChanged);
        return m_mqtt->start(error);
    }
#endif

    void start()
    {
        if (m_output == Output::Table)
            printOut(QStringLiteral("\033[?1049h\033[?25l")); // a screen of its own, no cursor
        m_tableOpen = m_output == Output::Table;
        m_site.start();
        m_periodic.start();
        if (m_output == Output::Table)
            drawTable();
    }

    void stop()
    {
        m_site.stop();
        m_periodic.stop();
#ifdef VELTRIN_HAVE_MQTT
        if (m_mqtt)
            m_mqtt->finish(monitorTopic(), QByteArray("offline"));
#endif
        if (m_tableOpen) {
            m_tableOpen = false;
            m_redraw.stop();
            // Back to the terminal's own screen, with the last table left on it.
            printOut(QStringLiteral("\033[?25h\033[?1049l") + tableText(false, 0));
        }
    }

private:
    QString monitorTopic() const
    {
        return QString("%1/monitor/%2").arg(m_prefix, m_host);
    }
    QString sensorTopic(const QString &key, const char *leaf) const
    {
        return QString("%1/%2/%3").arg(m_prefix, key, QLatin1String(leaf));
    }

    void publishState(int index)
    {
#ifdef VELTRIN_HAVE_MQTT
        if (!m_mqtt || !m_mqtt->isConnected())
            return; // the whole state goes out again once connected
        const SensorStatus &s = m_site.status(index);
        const QString key = sensorKey(s);
        // Known by its address (or by another serial number) until now: an empty retained message
        // deletes the state left under the old name.
        const QString previous = m_keys.value(index);
        if (!previous.isEmpty() && previous != key)
            m_mqtt->publish(sensorTopic(previous, "state"), QByteArray(), true);
        m_keys[index] = key;
        m_mqtt->publish(sensorTopic(key, "state"), compact(stateJson(s, m_host)), true);
#else
        Q_UNUSED(index)
#endif
    }

    void changed(int index, int changes)
    {
        Q_UNUSED(changes)
        const SensorStatus &s = m_site.status(index);
        publishState(index);
        switch (m_output) {
        case Output::Table:
            if (!m_redraw.isActive())
                m_redraw.start();
            break;
        case Output::Json: printLine(stateJson(s, m_host), "state"); break;
        case Output::Lines: printOut(changeLine(s) + QLatin1Char('\n')); break;
        }
    }

    void switched(int index, uint previousOutputs, quint16 previousFault)
    {
        const SensorStatus &s = m_site.status(index);
        const QJsonObject event = eventJson(s, previousOutputs, previousFault);
#ifdef VELTRIN_HAVE_MQTT
        if (m_mqtt)
            m_mqtt->publish(sensorTopic(sensorKey(s), "event"), compact(event), false);
#endif
        if (m_output == Output::Json)
            printLine(event, "event");
    }

    void periodic()
    {
        for (int i = 0; i < m_site.sensorCount(); ++i) {
            publishState(i);
            if (m_output == Output::Json)
                printLine(stateJson(m_site.status(i), m_host), "state");
        }
        if (m_output == Output::Table && !m_redraw.isActive())
            m_redraw.start();
    }

#ifdef VELTRIN_HAVE_MQTT
    void brokerChanged(bool connected, const QString &why)
    {
        m_brokerText = connected ? QStringLiteral("connected") : QStringLiteral("away (%1)").arg(why);
        if (connected) {
            // A broker that comes back (or one that lost its memory) gets every retained state again.
            m_mqtt->publish(monitorTopic(), QByteArray("online"), true);
            for (int i = 0; i < m_site.sensorCount(); ++i)
                publishState(i);
        }
        if (m_output == Output::Table) {
            if (!m_redraw.isActive())
                m_redraw.start();
        } else {
            printErr(QString("%1 MQTT broker %2 %3\n")
                         .arg(isoTime(QDateTime::currentMSecsSinceEpoch()), m_mqtt->server(), m_brokerText));
        }
    }
#endif

    QString changeLine(const SensorStatus &s) const
    {
        QString line = QString("%1 %2 %3 %4")
                           .arg(isoTime(QDateTime::currentMSecsSinceEpoch()), s.address,
                                s.serialKnown ? QString::number(s.serialNumber) : QStringLiteral("-"),
                                SensorStatus::linkWord(s.link));
        if (!s.problem.isEmpty())
            line += QString(" (%1)").arg(s.problem);
        if (s.reported)
            line += QString(" area %1 outputs %2 %3")
                        .arg(s.area())
                        .arg(lamps(s.outputs, false), SensorStatus::faultText(s.fault));
        if (s.directionKnown)
            line += s.reverse ? QStringLiteral(" reverse") : QStringLiteral(" forward");
        return line;
    }

    void drawTable()
    {
        if (!m_tableOpen)
            return;
        winsize size{};
        int rows = 0;
        if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 0)
            rows = size.ws_row;
        printOut(QStringLiteral("\033[H") + tableText(true, rows) + QStringLiteral("\033[J"));
    }

    // The table: a summary line, the column heads and one row a sensor. With a height, sensors that
    // do not fit are left out, those not ok shown first so that none of them is hidden.
    QString tableText(bool colour, int height) const
    {
        const QVector<SensorStatus> &all = m_site.statuses();
        int ok = 0, lost = 0, unreachable = 0;
        for (const SensorStatus &s : all) {
            ok += s.link == SensorStatus::Link::Ok;
            lost += s.link == SensorStatus::Link::Lost;
            unreachable += s.link == SensorStatus::Link::Unreachable;
        }
        const QString eol = colour ? QStringLiteral("\033[K\n") : QStringLiteral("\n");
        QString text = QString("veltrin-cli monitor  %1  %2 sensor%3: %4 ok, %5 lost, %6 unreachable")
                           .arg(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss")))
                           .arg(all.size())
                           .arg(all.size() == 1 ? "" : "s")
                           .arg(ok)
                           .arg(lost)
                           .arg(unreachable);
        if (!m_brokerText.isEmpty())
            text += QStringLiteral("  MQTT ") + m_brokerText;
        text += eol;
        text +=
            QStringLiteral("ADDRESS          SERIAL  STATE        AREA  OUT  DIR      TEMP    FAULT") + eol;

        QVector<int> order;
        for (int i = 0; i < all.size(); ++i)
            order.append(i);
        // Rows that fit below the two head lines, keeping the last line of the screen free so that
        // nothing scrolls; one of them says how many are left out.
        int room = height > 0 ? height - 3 : all.size();
        if (room < all.size()) {
            std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
                return (all[a].link != SensorStatus::Link::Ok) > (all[b].link != SensorStatus::Link::Ok);
            });
            room = qMax(0, room - 1);
        }
        const int shown = qMin(room, all.size());
        for (int k = 0; k < shown; ++k) {
            const SensorStatus &s = all[order[k]];
            QString state = padded(SensorStatus::linkWord(s.link), 12);
            if (colour) {
                const char *c = s.link == SensorStatus::Link::Ok           ? "\033[32m"
                                : s.link == SensorStatus::Link::Connecting ? "\033[33m"
                                                                           : "\033[1;31m";
                state = QLatin1String(c) + state + QStringLiteral("\033[0m");
            }
            const bool live = s.reported && s.link == SensorStatus::Link::Ok;
            QString fault = s.reported ? SensorStatus::faultText(s.fault) : QString();
            if (s.link != SensorStatus::Link::Ok && !s.problem.isEmpty())
                fault = s.problem;
            if (colour && (s.fault != 0 || s.link != SensorStatus::Link::Ok) && !fault.isEmpty())
                fault = QStringLiteral("\033[31m") + fault + QStringLiteral("\033[0m");
            text += QString("%1 %2 %3 %4 %5  %6 %7 %8")
                        .arg(padded(s.address, 16),
                             padded(s.serialKnown ? QString::number(s.serialNumber) : QStringLiteral("-"), 7),
                             state, padded(s.reported ? QString::number(s.area()) : QStringLiteral("-"), 5),
                             s.reported ? lamps(s.outputs, colour && live) : QStringLiteral("---"),
                             padded(s.directionKnown
                                        ? (s.reverse ? QStringLiteral("reverse") : QStringLiteral("forward"))
                                        : QStringLiteral("-"),
                                    8),
                             padded(s.reported ? QString::number(s.selfCheck.Temperature / 100.0, 'f', 1) +
                                                     QStringLiteral("°C")
                                               : QStringLiteral("-"),
                                    7),
                             fault) +
                    eol;
        }
        if (shown < all.size()) {
            int hiddenTrouble = 0;
            for (int k = shown; k < all.size(); ++k)
                hiddenTrouble += all[order[k]].link != SensorStatus::Link::Ok;
            text += QString("... %1 more, %2 of them not ok (a taller terminal shows them)")
                        .arg(all.size() - shown)
                        .arg(hiddenTrouble) +
                    eol;
        }
        return text;
    }

    Output m_output;
    QString m_prefix;
    QString m_host;
    SiteMonitor m_site;
    QTimer m_periodic;
    QTimer m_redraw;
    bool m_tableOpen = false;
    QString m_brokerText;
    QHash<int, QString> m_keys; // the topic name each sensor's state was last published under
#ifdef VELTRIN_HAVE_MQTT
    std::unique_ptr<MqttPublisher> m_mqtt;
#endif
};

bool validTopicPrefix(const QString &prefix)
{
    return !prefix.isEmpty() && !prefix.contains(QLatin1Char('+')) && !prefix.contains(QLatin1Char('#')) &&
           !prefix.startsWith(QLatin1Char('/')) && !prefix.endsWith(QLatin1Char('/'));
}

} // namespace

int runMonitor(const Invocation &inv)
{
    double interval = 5;
    if (!numberOption(inv, QStringLiteral("interval"), 0.2, 3600, &interval))
        return ExitUsage;
    const QString prefix = inv.value(QStringLiteral("topic"), QStringLiteral("veltrin"));
    if (!validTopicPrefix(prefix)) {
        printErr(QString("veltrin-cli: --topic \"%1\" must be a topic without + or # and without a / at "
                         "either end\n")
                     .arg(prefix));
        return ExitUsage;
    }
    QVector<FleetTarget> targets;
    if (!targetsFrom(inv, inv.positional, &targets))
        return ExitUsage;

    QString brokerHost;
    [[maybe_unused]] int brokerPort = kDefaultMqttPort;
    if (inv.has(QStringLiteral("mqtt"))) {
#ifndef VELTRIN_HAVE_MQTT
        printErr(QStringLiteral("veltrin-cli: this veltrin-cli was built without MQTT (libmosquitto was "
                                "missing); --mqtt is not available\n"));
        return ExitUsage;
#else
        const QString value = inv.value(QStringLiteral("mqtt"));
        brokerHost = value;
        const int colon = value.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0 && !value.contains(QLatin1Char(']')) && value.count(QLatin1Char(':')) == 1) {
            bool ok = false;
            brokerPort = value.mid(colon + 1).toInt(&ok);
            brokerHost = value.left(colon);
            if (!ok || brokerPort < 1 || brokerPort > 65535)
                brokerHost.clear();
        }
        if (brokerHost.isEmpty()) {
            printErr(QString("veltrin-cli: --mqtt expects HOST or HOST:PORT, not \"%1\"\n").arg(value));
            return ExitUsage;
        }
#endif
    }

    const bool terminal = isatty(STDOUT_FILENO) == 1;
    const auto output = inv.has(QStringLiteral("json")) ? MonitorCommand::Output::Json
                        : terminal                      ? MonitorCommand::Output::Table
                                                        : MonitorCommand::Output::Lines;
    MonitorCommand command(output, int(interval * 1000), prefix);
    for (const FleetTarget &t : targets)
        command.site().addSensor(t);
#ifdef VELTRIN_HAVE_MQTT
    if (!brokerHost.isEmpty()) {
        QString error;
        if (!command.useBroker(brokerHost, brokerPort, &error)) {
            printErr(QString("veltrin-cli: %1\n").arg(error));
            return ExitUsage;
        }
    }
#endif

    // Ctrl-C and a service stop end the watch cleanly: the goodbye is published, the terminal restored.
    if (!quitOnStopSignals()) {
        printErr(QStringLiteral("veltrin-cli: cannot set up signal handling\n"));
        return ExitUsage;
    }

    command.start();
    const int rc = QCoreApplication::exec();
    command.stop();
    return rc;
}
