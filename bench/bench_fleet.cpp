// Write-all plus its read-back verify to one stand-in sensor and to 64 at once (one stand-in process
// playing the fleet, one engine and TCP connection per sensor, all in this one event loop), and the
// ratio of the two (goal: at most 1.5). The floor is what the 20 ms scheduler alone allows for one
// sensor's requests.
// Run inside a private network namespace:
//   unshare -n sh -c 'ip link set lo up; ./bench/bench_fleet'
#include "exchange/fleet_run.h"
#include "fleet_design.h"
#include "sim_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int kFleet = 64;

QString addressOf(int i)
{
    return QStringLiteral("127.0.24.%1").arg(100 + i);
}

struct Round {
    double seconds = -1;
    int requests = 0; // frames the first sensor's engine sent
    int failed = 0;
};

// One write-all with verify to the first count sensors; the wall time until the last has ended.
Round writeVerify(int count)
{
    FleetRun run;
    for (int i = 0; i < count; ++i)
        run.addSensor({FleetTarget::Transport::Tcp, addressOf(i)});
    run.setDesign(fleetDesignAreas(), fleetDesignParameters(), 3);
    QEventLoop loop;
    QObject::connect(&run, &FleetRun::Finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    Round round;
    QElapsedTimer clock;
    clock.start();
    if (!run.start(FleetRun::Operation::WriteAll))
        return round;
    QObject::connect(run.engine(0), &ExchangeEngine::FrameSent,
                     [&](const QByteArray &f) { round.requests += !f.startsWith("RAuto"); });
    loop.exec();
    if (run.isRunning())
        return round;
    round.seconds = clock.nsecsElapsed() / 1e9;
    for (const FleetRun::SensorResult &r : run.results())
        if (r.outcome != FleetRun::Outcome::Ok) {
            ++round.failed;
            std::fprintf(stderr, "%s: %s\n", qPrintable(r.address), qPrintable(r.message));
        }
    return round;
}

void print(const char *name, double value, const char *unit)
{
    std::printf("%s %.4f %s\n", name, value, unit);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);

    SimProcess sim;
    if (!sim.start({QStringLiteral("--address"), addressOf(0) + QLatin1Char('-') + addressOf(kFleet - 1)})) {
        std::fprintf(stderr, "%s\n", qPrintable(sim.error));
        return 1;
    }

    // The best of two rounds each, so a stray load peak on the machine does not decide the figure.
    Round one, fleet;
    for (int i = 0; i < 2; ++i) {
        const Round a = writeVerify(1);
        const Round b = writeVerify(kFleet);
        if (a.seconds < 0 || b.seconds < 0 || a.failed || b.failed) {
            std::fprintf(stderr, "a write-all did not end well\n");
            return 1;
        }
        if (one.seconds < 0 || a.seconds < one.seconds)
            one = a;
        if (fleet.seconds < 0 || b.seconds < fleet.seconds)
            fleet = b;
    }
    print("fleet_writeverify_1_s", one.seconds, "s");
    print("fleet_writeverify_64_s", fleet.seconds, "s");
    print("fleet_ratio", fleet.seconds / one.seconds, "x");
    print("fleet_writeverify_floor_s", one.requests * ExchangeEngine::kSchedulerMs / 1000.0, "s");
    return 0;
}
