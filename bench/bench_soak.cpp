// Stream soak: the stand-in streams at its finest resolution (12,800 points per revolution, 10
// revolutions a second) over TCP into a whole main window (exchange, scan overlays, data table) for
// --minutes N (default 2). Prints the window process's private memory at the start (after a
// warm-up) and at the end, the growth per hour, and the revolutions the stand-in sent (as it reports
// when its stream ends) that the window did not process, apart from the stand-in's own pace. Run
// inside a private network namespace:
//   unshare -n sh -c 'ip link set lo up; QT_QPA_PLATFORM=offscreen ./bench/bench_soak --minutes 2'
#include "app/mainwindow.h"
#include "area/dialogs.h"
#include "comm/codec/codec.h"
#include "comm/serial_comm.h"
#include "sim_process.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpSocket>
#include <cstdio>

namespace {

const char *const kAddress = "127.0.17.3";
constexpr double kRateHz = 10;
constexpr int kFinestScanAngle = 0; // 40 points per degree: 12,800 per revolution

// Private (not shared) resident memory of this process, in MB.
double privateMb()
{
    QFile f(QStringLiteral("/proc/self/smaps_rollup"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    double kb = 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("Private_Clean:") || line.startsWith("Private_Dirty:"))
            kb += line.mid(line.indexOf(':') + 1).trimmed().split(' ').value(0).toDouble();
    return kb / 1024.0;
}

template <typename F> bool runUntil(F done, qint64 timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

void print(const char *name, double value, const char *unit)
{
    std::printf("%s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    double minutes = 2;
    const QStringList args = QCoreApplication::arguments();
    const int at = args.indexOf(QStringLiteral("--minutes"));
    if (at >= 0 && at + 1 < args.size())
        minutes = args.at(at + 1).toDouble();
    if (minutes <= 0) {
        std::fprintf(stderr, "usage: bench_soak [--minutes N]\n");
        return 2;
    }

    SimProcess sim;
    if (!sim.start({QStringLiteral("--address"), QString::fromLatin1(kAddress), QStringLiteral("--rate"),
                    QString::number(kRateHz)})) {
        std::fprintf(stderr, "%s\n", qPrintable(sim.error));
        return 1;
    }
    // The finest resolution, set on the stand-in as a scan control request would. The connection
    // stays open to stop the motor at the end.
    QTcpSocket control;
    control.connectToHost(QString::fromLatin1(kAddress), 8080);
    if (!control.waitForConnected(5000))
        return 1;
    SENSOR_CONTROL scanControl;
    scanControl.ScanAngle = kFinestScanAngle;
    TxFrame tx;
    buildScanControlRequest(tx, scanControl);
    control.write(tx.bytes());
    control.waitForBytesWritten(1000);
    control.waitForReadyRead(2000);

    Dialogs::setResponder([](const Dialogs::Prompt &) { return 0; });
    MainWindow w;
    // Counted from before the stream starts, as the stand-in counts it.
    qint64 processed = 0;
    QObject::connect(w.serialComm(), &SERIAL_COMM::ReceiveScanfData, [&] { ++processed; });
    w.show();
    w.CreatEthernetPort(QString::fromLatin1(kAddress));
    if (!runUntil([&] { return w.link() && w.link()->isOpen(); }, 10000)) {
        std::fprintf(stderr, "no connection to the stand-in\n");
        return 1;
    }
    w.OpenCloseDataTableDock(true);
    w.form()->Distance->setChecked(true);
    QElapsedTimer streaming;
    streaming.start();
    w.OpenCloseReadScanf(true);
    w.OpenCloseReadIntensity(true);

    // Warm-up: caches, fonts and the first revolutions settle before the first figure.
    runUntil([] { return false; }, 10000);
    if (processed == 0) {
        std::fprintf(stderr, "no revolutions arrive\n");
        return 1;
    }
    const double start = privateMb();
    QElapsedTimer clock;
    clock.start();
    runUntil([] { return false; }, qint64(minutes * 60000));
    const double seconds = clock.nsecsElapsed() / 1e9;
    const double end = privateMb();
    const int pointsPerRevolution = ScanData().EtherCount;

    // The motor stops (sleep mode): the stand-in ends the stream and says what it sent. What is still
    // on its way arrives meanwhile; the count is taken once a second passes without a revolution.
    scanControl.SleepMode = 1;
    buildScanControlRequest(tx, scanControl);
    control.write(tx.bytes());
    QString report;
    if (!runUntil([&] { return !(report = sim.takeLine(QStringLiteral("stream to "))).isEmpty(); }, 10000)) {
        std::fprintf(stderr, "the stand-in did not report its stream\n");
        return 1;
    }
    const double streamSeconds = streaming.nsecsElapsed() / 1e9;
    for (qint64 before = -1; before != processed;) {
        before = processed;
        runUntil([] { return false; }, 1000);
    }
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("(\\d+) revolutions sent, (\\d+) skipped")).match(report);
    if (!m.hasMatch()) {
        std::fprintf(stderr, "unexpected stream report: %s\n", qPrintable(report));
        return 1;
    }
    const qint64 sent = m.captured(1).toLongLong();
    const qint64 skipped = m.captured(2).toLongLong();
    // The first revolution of a stream only tells the assembly the resolution; it is never shown.
    const qint64 dropped = skipped + qMax<qint64>(0, sent - 1 - processed);

    print("soak_minutes", seconds / 60.0, "min");
    print("soak_private_mb_start", start, "MB");
    print("soak_private_mb_end", end, "MB");
    print("soak_growth_mb_per_h", (end - start) / (seconds / 3600.0), "MB/h");
    print("soak_points_per_revolution", pointsPerRevolution, "points");
    // The stand-in's own pace, apart from what the window made of it.
    print("soak_standin_revolutions_per_s", sent / streamSeconds, "Hz");
    print("soak_revolutions_sent", double(sent), "revolutions");
    print("soak_revolutions_processed", double(processed), "revolutions");
    print("soak_revolutions_dropped", double(dropped), "revolutions");
    w.OpenCloseReadScanf(false);
    Dialogs::setResponder(nullptr);
    return 0;
}
