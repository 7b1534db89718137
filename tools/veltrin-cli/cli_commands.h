#pragma once

#include "cli_args.h"

#include <QJsonArray>
#include <QVector>

class PROJECT_DATA;
struct FleetTarget;

// A project file as the command line uses it.
struct ProjectInput {
    int deviceType = -1;
    QVector<int> sensorStates; // as the file holds them
    QStringList repairs;       // damage the reader found, one line each: such a file is never written
    QStringList notes;         // settings beyond the dock's values, kept as they are
};

// Reads a project file into project; false with a message on stderr when it is no readable project.
bool loadProject(const QString &name, PROJECT_DATA &project, ProjectInput *input);
// Says each repair the reader made to name as an error line.
void warnRepairs(const QString &name, const ProjectInput &input);

namespace ProjectDiff {
struct Difference;
}
// The listing as JSON, the two values under the given keys ("a"/"b", "file"/"sensor").
QJsonArray differencesJson(const QVector<ProjectDiff::Difference> &differences, const char *first,
                           const char *second);

int runDiscover(const Invocation &inv);
int runDiff(const Invocation &inv);
// Checked before the report's GUI application exists; false with the message printed.
bool reportOptionsValid(const Invocation &inv);
int runReport(const Invocation &inv);
// The sensors named on the command line: each an IPv4 address (TCP, or UDP with --udp) or a serial
// device at --baud. False with the message printed when one is neither or a sensor is named twice.
bool targetsFrom(const Invocation &inv, const QStringList &addresses, QVector<FleetTarget> *targets);
// Commands that talk to sensors.
int runExchange(const Invocation &inv);
int runStream(const Invocation &inv);
// Watches sensors until Ctrl-C: terminal table, lines or JSON, and MQTT.
int runMonitor(const Invocation &inv);
// A design checked against a scan recording.
int runCheck(const Invocation &inv);
