// discover: the sensors that answer the discovery search.
#include "cli_commands.h"
#include "cli_output.h"

#include "comm/net/sensor_search.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QTimer>

int runDiscover(const Invocation &inv)
{
    double seconds = 2;
    if (!numberOption(inv, "timeout", 0.1, 3600, &seconds))
        return ExitUsage;
    QList<QHostAddress> targets;
    for (const QString &text : inv.values("broadcast")) {
        if (!isIPv4Address(text)) {
            printErr(QString("veltrin-cli: --broadcast needs an IPv4 address, not \"%1\"\n").arg(text));
            return ExitUsage;
        }
        targets.append(QHostAddress(text.trimmed()));
    }
    const QList<SensorSearch::LocalNetwork> networks = SensorSearch::localNetworks();
    if (targets.isEmpty() && networks.isEmpty())
        printErr(QStringLiteral("veltrin-cli: no local IPv4 network with a broadcast address\n"));

    SensorSearch search;
    const bool json = inv.has("json");
    if (!json)
        QObject::connect(&search, &SensorSearch::sensorFound, [](const QString &address) {
            printOut(QString("%1 %2\n").arg(address, SensorSearch::modeOf(address) == 1 ? "udp" : "tcp"));
        });
    if (targets.isEmpty())
        search.search(networks);
    else
        search.searchAt(targets);
    if (search.sockets().isEmpty() && (!targets.isEmpty() || !networks.isEmpty()))
        printErr(QStringLiteral("veltrin-cli: no socket could be opened for the answers\n"));
    QTimer::singleShot(int(seconds * 1000), qApp, &QCoreApplication::quit);
    qApp->exec();
    search.deleteSockets();

    if (json) {
        QJsonArray sensors;
        for (const QString &address : search.found())
            sensors.append(QJsonObject{{"address", address},
                                       {"mode", SensorSearch::modeOf(address) == 1 ? "udp" : "tcp"}});
        printJson(QJsonObject{{"sensors", sensors}});
    }
    return ExitOk;
}
