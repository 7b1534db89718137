// veltrin-sensor-sim: a stand-in for the laser area scanner, for demonstrations, integration tests
// and commissioning without hardware. See --help for the options.

#include "sensor_server.h"
#include "sim_options.h"
#include "stop_signals.h"
#include "veltrin_version.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("veltrin-sensor-sim"));

    SimOptions options;
    QString message;
    switch (parseSimOptions(QCoreApplication::arguments(), &options, &message)) {
    case ParseResult::Help: std::fputs(qPrintable(message), stdout); return 0;
    case ParseResult::Version:
        std::fputs("veltrin-sensor-sim " VELTRIN_VERSION "\n" VELTRIN_VERSION_NOTICE, stdout);
        return 0;
    case ParseResult::Error:
        std::fprintf(stderr, "veltrin-sensor-sim: %s\nTry --help.\n", qPrintable(message));
        return 2;
    case ParseResult::Ok: break;
    }

    if (!quitOnStopSignals()) {
        std::perror("veltrin-sensor-sim: signal handling");
        return 1;
    }
    // A peer that hangs up while we write must not end the process.
    ::signal(SIGPIPE, SIG_IGN);

    // One server per address of a fleet, each its own sensor; the ready lines follow once all listen.
    std::vector<std::unique_ptr<SensorServer>> fleet;
    for (int i = 0; i < options.count; ++i) {
        SimOptions one = options;
        one.address = QHostAddress(options.address.toIPv4Address() + quint32(i));
        one.count = 1;
        one.fleetIndex = i;
        one.fleetSize = options.count;
        one.serialNumber = options.serialNumber + i;
        if (options.rejectWrites.contains(one.address))
            one.writeStatus = 1;
        fleet.push_back(std::make_unique<SensorServer>(one));
        QString error;
        if (!fleet.back()->start(&error)) {
            std::fprintf(stderr, "veltrin-sensor-sim: %s\n", qPrintable(error));
            return 1;
        }
    }
    for (const auto &server : fleet)
        std::printf("%s\n", qPrintable(server->readyLine()));
    std::fflush(stdout);
    const int rc = app.exec();
    fleet.clear(); // before the application object
    return rc;
}
