// Wall time of the read-all, the write-all and the write-all with its read-back verify against the
// sensor stand-in over TCP on loopback, against the floor the 20 ms scheduler sets for that many
// requests (goal: within 1.25 times it), and the rate of
// distance replies over the stand-in's pseudo-terminal with the 50 ms poll.
// Run inside a private network namespace:
//   unshare -n sh -c 'ip link set lo up; QT_QPA_PLATFORM=offscreen ./bench/bench_exchange'
#include "area/dialogs.h"
#include "area/store/project_data.h"
#include "comm/codec/scan_data.h"
#include "comm/codec/sensor_parameters.h"
#include "comm/serial_comm.h"
#include "sim_process.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>

namespace {

const char *const kAddress = "127.0.0.40";

// Runs the event loop until done() holds or the time runs out; returns the elapsed seconds or -1.
template <typename F> double runUntil(F done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return -1;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return clock.nsecsElapsed() / 1e9;
}

void print(const char *name, double value, const char *unit)
{
    std::printf("%s %.4f %s\n", name, value, unit);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    SimProcess sim;
    if (!sim.start({QStringLiteral("--address"), QString::fromLatin1(kAddress), QStringLiteral("--pty")})) {
        std::fprintf(stderr, "%s\n", qPrintable(sim.error));
        return 1;
    }
    const QString pty = sim.pty;

    SENSOR_PARAMETERS parameters;
    SENSOR_CONTROL control;
    SERIAL_COMM comm(&ScanData(), &ProjectData(), &parameters, &control);
    ExchangeEngine *engine = comm.Engine();

    QStringList prompts;
    Dialogs::setResponder([&](const Dialogs::Prompt &p) {
        prompts << p.text;
        return p.buttons.size() == 2 ? 1 : 0; // no reboot after the write
    });
    // A message that is text, or whose first line is (the write's adds the verify result).
    auto prompted = [&](const char *text) {
        const QString t = QString::fromUtf8(text);
        for (const QString &p : prompts)
            if (p == t || p.startsWith(t + QLatin1Char('\n')))
                return true;
        return false;
    };
    int requests = 0;
    // A write-all turns into its verify when the last write is acknowledged: the first read request
    // after it marks where the write ends.
    QElapsedTimer writeClock;
    double writeEnd = -1;
    int writeEndRequests = 0;
    QObject::connect(&comm, &SERIAL_COMM::FrameSent, [&](const QByteArray &f) {
        if (writeClock.isValid() && writeEnd < 0 && f.startsWith("RPara")) {
            writeEnd = writeClock.nsecsElapsed() / 1e9;
            writeEndRequests = requests;
        }
        requests += !f.startsWith("RAuto");
    });

    int rc = 0;
    const double tick = ExchangeEngine::kSchedulerMs / 1000.0;

    // ---- Read-all and write-all over TCP. ----
    engine->openTcp(QHostAddress(QString::fromLatin1(kAddress)));
    runUntil([&] { return engine->IsOpen() || engine->link()->state() != Link::State::Opening; }, 3000);
    if (!engine->IsOpen()) {
        std::fprintf(stderr, "no TCP connection\n");
        return 1;
    }
    constexpr int kRounds = 3;
    double readBest = 1e9, writeBest = 1e9, writeVerifyBest = 1e9;
    int readRequests = 0, writeRequests = 0, writeVerifyRequests = 0;
    for (int round = 0; round < kRounds; ++round) {
        prompts.clear();
        requests = 0;
        comm.ReadSensorAllDataSlots();
        const double read = runUntil([&] { return prompted("Parameters Read OK!"); }, 20000);
        readRequests = requests;
        if (read < 0) {
            std::fprintf(stderr, "read-all did not finish\n");
            rc = 1;
            break;
        }
        readBest = qMin(readBest, read);

        prompts.clear();
        requests = 0;
        writeEnd = -1;
        writeClock.start();
        comm.WriteSensorAllDataSlots();
        // Only a write whose read-back matched offers the restart.
        const double writeVerify = runUntil(
            [&] { return prompted("Parameters written. They take effect after a restart."); }, 30000);
        writeClock.invalidate();
        if (writeVerify < 0 || writeEnd < 0) {
            std::fprintf(stderr, "write-all and its verify did not finish: %s\n",
                         qPrintable(prompts.join(QStringLiteral(" / "))));
            rc = 1;
            break;
        }
        writeRequests = writeEndRequests;
        writeVerifyRequests = requests;
        writeBest = qMin(writeBest, writeEnd);
        writeVerifyBest = qMin(writeVerifyBest, writeVerify);
        runUntil([] { return false; }, 100); // let the last box and the question pass
    }
    if (rc == 0) {
        const double readFloor = readRequests * tick;
        const double writeFloor = writeRequests * tick;
        print("readall_s", readBest, "s");
        print("readall_floor_s", readFloor, "s");
        print("readall_ratio", readBest / readFloor, "x");
        print("writeall_s", writeBest, "s");
        print("writeall_floor_s", writeFloor, "s");
        print("writeall_ratio", writeBest / writeFloor, "x");
        const double writeVerifyFloor = writeVerifyRequests * tick;
        print("writeverify_s", writeVerifyBest, "s");
        print("writeverify_floor_s", writeVerifyFloor, "s");
        print("writeverify_ratio", writeVerifyBest / writeVerifyFloor, "x");
    }
    engine->close();

    // ---- Live distances over the pseudo-terminal. ----
    if (pty.isEmpty() || !engine->openSerial(pty, 115200)) {
        std::fprintf(stderr, "cannot open the stand-in's pseudo-terminal %s\n", qPrintable(pty));
        rc = 1;
    } else {
        int scans = 0;
        QObject::connect(&comm, &SERIAL_COMM::ReceiveScanfData, [&] { ++scans; });
        comm.OpenSendReadScanf();
        runUntil([&] { return scans >= 3; }, 3000); // settle
        const int first = scans;
        QElapsedTimer clock;
        clock.start();
        runUntil([] { return false; }, 4000);
        const double seconds = clock.nsecsElapsed() / 1e9;
        comm.CloseSendReadScanf();
        print("serial_scan_hz", (scans - first) / seconds, "Hz");
        print("serial_scan_poll_hz", 1000.0 / ExchangeEngine::kSerialScanPollMs, "Hz");
        engine->close();
    }

    Dialogs::setResponder(nullptr);
    return rc;
}
