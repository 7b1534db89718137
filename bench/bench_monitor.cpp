// One monitor watching 256 stand-in sensors (one process, one address range) whose outputs switch
// about once a second, publishing to a local broker (Debian's mosquitto), read by mosquitto_sub.
// Prints how many sensors it followed, how many output switches never reached the subscriber, the
// 99th percentile of the time from the stand-in's switch to the message at the subscriber, the poll
// interval in use, and the monitor's CPU time over wall time.
// Goals: 256 sensors, none lost, p99 within twice the poll interval, the monitor within one core.
// Run inside a private network namespace:
//   unshare -n sh -c 'ip link set lo up; ./bench/bench_monitor [SECONDS]'
#include "exchange/site_monitor.h"
#include "sim_process.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kSensors = 256;
constexpr int kSwitchMs = 1000;
constexpr int kFirstSerial = 20417;
const QString kBroker = QStringLiteral("127.0.30.1");
constexpr int kPort = 1883;

QString program(const QString &name)
{
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return path;
}

QString addressOf(int i)
{
    return QStringLiteral("127.0.31.%1").arg(i);
}

// CPU seconds (user + system) of a process so far.
double cpuSeconds(qint64 pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    // Fields 14 and 15 of the file (utime, stime) are 11 and 12 after the command name.
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// When sensor index switched to outputs value v, the last time at or before t (as the stand-in
// steps: every kSwitchMs from its phase, value = step mod 8).
qint64 switchTime(int index, int value, double t)
{
    const qint64 phase = qint64(index) * kSwitchMs / kSensors;
    const qint64 k0 = qint64(std::floor((t - double(phase)) / kSwitchMs));
    const qint64 k = k0 - (((k0 - value) % 8) + 8) % 8;
    return k * kSwitchMs + phase;
}

struct Event {
    int index;
    int outputs;
    double arrivedMs;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? qMax(5, atoi(argv[1])) : 30;
    QString cli = QStringLiteral(VELTRIN_SIM_PATH);
    cli.replace(QLatin1String("sensor-sim/veltrin-sensor-sim"), QLatin1String("veltrin-cli/veltrin-cli"));
    if (program(QStringLiteral("mosquitto")).isEmpty() ||
        program(QStringLiteral("mosquitto_sub")).isEmpty()) {
        std::fprintf(stderr, "bench_monitor: needs mosquitto and mosquitto-clients\n");
        return 1;
    }

    QTemporaryDir dir;
    QFile conf(dir.filePath(QStringLiteral("mosquitto.conf")));
    conf.open(QIODevice::WriteOnly);
    // The subscriber's queue is not what is measured: let the broker hold as much as it needs.
    conf.write(QString("listener %1 %2\nallow_anonymous true\npersistence false\nmax_queued_messages 0\n")
                   .arg(kPort)
                   .arg(kBroker)
                   .toUtf8());
    conf.close();
    QProcess broker;
    broker.setStandardOutputFile(QProcess::nullDevice());
    broker.setStandardErrorFile(QProcess::nullDevice());
    broker.start(program(QStringLiteral("mosquitto")), {QStringLiteral("-c"), conf.fileName()});
    broker.waitForStarted(5000);
    QThread::msleep(500);

    SimProcess sim;
    if (!sim.start({QStringLiteral("--address"), addressOf(0) + QLatin1Char('-') + addressOf(kSensors - 1),
                    QStringLiteral("--switch-outputs"), QString::number(kSwitchMs)})) {
        std::fprintf(stderr, "bench_monitor: %s\n", qPrintable(sim.error));
        return 1;
    }

    // The subscriber stamps each message as it arrives (Unix time with nanoseconds).
    const QString received = dir.filePath(QStringLiteral("received.txt"));
    QProcess sub;
    sub.setStandardOutputFile(received);
    sub.start(program(QStringLiteral("mosquitto_sub")),
              {QStringLiteral("-h"), kBroker, QStringLiteral("-p"), QString::number(kPort),
               QStringLiteral("-q"), QStringLiteral("1"), QStringLiteral("-t"), QStringLiteral("bench/#"),
               QStringLiteral("-F"), QStringLiteral("%U %t %p")});
    sub.waitForStarted(5000);
    QThread::msleep(300);

    QStringList arguments{QStringLiteral("monitor")};
    for (int i = 0; i < kSensors; ++i)
        arguments << addressOf(i);
    arguments << QStringLiteral("--mqtt") << QString("%1:%2").arg(kBroker).arg(kPort)
              << QStringLiteral("--topic") << QStringLiteral("bench");
    QProcess monitor;
    monitor.setStandardOutputFile(QProcess::nullDevice());
    monitor.setStandardErrorFile(QProcess::nullDevice());
    monitor.start(cli, arguments);
    if (!monitor.waitForStarted(5000)) {
        std::fprintf(stderr, "bench_monitor: %s did not start\n", qPrintable(cli));
        return 1;
    }

    // Settle: every sensor connected and reporting (or a minute gone), then a few seconds more.
    QElapsedTimer settle;
    settle.start();
    QSet<int> ok;
    QFile in(received);
    QByteArray pending;
    while (settle.elapsed() < 60000 && ok.size() < kSensors) {
        QThread::msleep(500);
        if (!in.isOpen() && !in.open(QIODevice::ReadOnly))
            continue;
        pending += in.readAll();
        int end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() >= 3 && parts[1].endsWith("/state") && line.contains("\"link\":\"ok\""))
                ok.insert(parts[1].split('/').value(1).toInt());
        }
    }
    QThread::msleep(3000);

    const qint64 windowStart = nowMs();
    const double cpuStart = cpuSeconds(monitor.processId());
    QElapsedTimer wall;
    wall.start();
    QThread::msleep(qint64(seconds) * 1000);
    const double cpu = cpuSeconds(monitor.processId()) - cpuStart;
    const double wallSeconds = wall.nsecsElapsed() / 1e9;
    const qint64 windowEnd = nowMs();
    QThread::msleep(3000); // the last switches of the window reach the subscriber

    monitor.terminate();
    monitor.waitForFinished(10000);
    sub.terminate();
    sub.waitForFinished(5000);
    sim.stop();
    broker.terminate();
    broker.waitForFinished(5000);

    // Every switch whose time lies in the window should have reached the subscriber once.
    if (!in.isOpen())
        in.open(QIODevice::ReadOnly);
    in.seek(0);
    QVector<double> latencies;
    QSet<qint64> arrived; // index * 2^32 + switch time
    while (!in.atEnd()) {
        const QByteArray line = in.readLine().trimmed();
        const int a = line.indexOf(' '), b = line.indexOf(' ', a + 1);
        if (a < 0 || b < 0 || !line.mid(a + 1, b - a - 1).endsWith("/event"))
            continue;
        const double at = line.left(a).toDouble() * 1000;
        const QJsonObject e = QJsonDocument::fromJson(line.mid(b + 1)).object();
        const int index = e.value("serial").toInt() - kFirstSerial;
        if (index < 0 || index >= kSensors)
            continue;
        const qint64 t = switchTime(index, e.value("outputs").toInt(), at);
        if (t < windowStart || t >= windowEnd)
            continue;
        arrived.insert(qint64(index) << 32 | qint64(t - windowStart));
        latencies.append(at - double(t));
    }
    int expected = 0;
    for (int i = 0; i < kSensors; ++i) {
        const qint64 phase = qint64(i) * kSwitchMs / kSensors;
        for (qint64 k = (windowStart - phase + kSwitchMs - 1) / kSwitchMs; k * kSwitchMs + phase < windowEnd;
             ++k)
            ++expected;
    }
    std::sort(latencies.begin(), latencies.end());
    const double p99 =
        latencies.isEmpty() ? -1 : latencies[qMin(latencies.size() - 1, int(latencies.size() * 0.99))];
    const double p50 = latencies.isEmpty() ? -1 : latencies[latencies.size() / 2];

    std::printf("monitor_sensors %d count\n", int(ok.size()));
    std::printf("monitor_switches_expected %d count\n", expected);
    std::printf("monitor_messages_lost %d count\n", qMax(0, expected - int(arrived.size())));
    std::printf("monitor_p50_ms %.1f ms\n", p50);
    std::printf("monitor_p99_ms %.1f ms\n", p99);
    std::printf("monitor_poll_ms %d ms\n", SiteMonitor::pollMs());
    std::printf("monitor_cpu_cores %.3f cores\n", wallSeconds > 0 ? cpu / wallSeconds : -1);
    return 0;
}
