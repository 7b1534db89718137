// check: a design checked against a scan recording, for scripts and build pipelines.
#include "cli_commands.h"
#include "cli_output.h"

#include "area/store/project_data.h"
#include "check/design_check.h"

#include <QJsonArray>

namespace {

constexpr int kDisagreementsListed = 20;

QString clock(qint64 ms)
{
    const qint64 s = ms / 1000;
    const QString within = QString("%1:%2.%3")
                               .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                               .arg(s % 60, 2, 10, QLatin1Char('0'))
                               .arg(ms % 1000, 3, 10, QLatin1Char('0'));
    return s >= 3600 ? QString("%1:%2").arg(s / 3600).arg(within) : within;
}

QString seconds(qint64 ms)
{
    return QString::number(ms / 1000.0, 'f', 2) + QStringLiteral(" s");
}

double percent(const OutputSummary &o)
{
    return o.comparedScans > 0 ? 100.0 * o.agreeScans / o.comparedScans : 0;
}

// The outputs named by --fail-on ("out1,out3"), as a bit set; false, said as an error, for a bad name.
bool parseOutputs(const QString &list, int *bits)
{
    *bits = 0;
    for (const QString &item : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = item.trimmed().toLower();
        int bit = -1;
        for (int o = 0; o < 3; ++o)
            if (name == QString("out%1").arg(o + 1))
                bit = o;
        if (bit < 0) {
            printErr(QString("veltrin-cli: --fail-on takes out1, out2 and out3, not \"%1\"\n")
                         .arg(item.trimmed()));
            return false;
        }
        *bits |= 1 << bit;
    }
    if (*bits == 0) {
        printErr(QStringLiteral("veltrin-cli: --fail-on needs at least one of out1, out2, out3\n"));
        return false;
    }
    return true;
}

// Checks one design file; false (message printed) when the file is no readable project.
bool checkDesign(const QString &name, const ScanRecording &recording, const CheckOptions &options,
                 CheckResult *result)
{
    PROJECT_DATA project;
    ProjectInput input;
    if (!loadProject(name, project, &input))
        return false;
    for (const QString &line : input.repairs)
        printErr(QString("%1 is damaged: %2 (checked as read)\n").arg(name, line));
    const DesignCheck check(project.Areas, input.deviceType);
    Progress progress;
    *result = check.run(recording, options, [&](int done, int total) {
        progress.update(name, QStringLiteral("checking"), done, total);
        return true;
    });
    progress.clear();
    if (result->damage.kind != RecordingError::None) {
        printErr(QString("veltrin-cli: %1\n").arg(describe(result->damage, Language::English)));
        return false;
    }
    return true;
}

QJsonObject summaryJson(const CheckResult &r, int output)
{
    const OutputSummary &o = r.outputs[output];
    QJsonObject j{{"output", output + 1},
                  {"count", o.count},
                  {"totalMs", double(o.totalMs)},
                  {"longestMs", double(o.longestMs)}};
    if (r.sensorOutputsKnown) {
        j["comparedScans"] = o.comparedScans;
        j["agreeScans"] = o.agreeScans;
        j["agreementPercent"] = qRound(percent(o) * 100) / 100.0;
    }
    return j;
}

} // namespace

int runCheck(const Invocation &inv)
{
    const QString designName = inv.positional[0], recordingName = inv.positional[1];
    CheckOptions options;
    if (inv.has("area")) {
        double area = -1;
        if (!numberOption(inv, "area", 0, 63, &area))
            return ExitUsage;
        if (area != int(area)) {
            printErr(QStringLiteral("veltrin-cli: --area must be a whole number 0..63\n"));
            return ExitUsage;
        }
        options.area = int(area);
    }
    int failOn = 0;
    if (inv.has("fail-on") && !parseOutputs(inv.value("fail-on"), &failOn))
        return ExitUsage;

    ScanRecording recording;
    RecordingError error;
    if (!recording.open(recordingName, &error, true)) {
        printErr(QString("veltrin-cli: %1: %2\n").arg(recordingName, describe(error, Language::English)));
        return ExitUsage;
    }
    if (error.kind == RecordingError::CutShort)
        printErr(QString("%1: %2 Its %3 complete scans are checked.\n")
                     .arg(recordingName, describe(error, Language::English))
                     .arg(recording.scanCount()));

    CheckResult result, other;
    if (!checkDesign(designName, recording, options, &result))
        return ExitUsage;
    if (result.activeAreaUnknown) {
        printErr(QString("veltrin-cli: %1 holds no self-check report, so the active area is unknown; choose "
                         "one with --area N\n")
                     .arg(recordingName));
        return ExitUsage;
    }
    const QString otherName = inv.value("compare");
    if (!otherName.isEmpty() && !checkDesign(otherName, recording, options, &other))
        return ExitUsage;

    bool wouldSwitch = false;
    for (int o = 0; o < 3; ++o)
        if ((failOn >> o & 1) && result.outputs[o].count > 0)
            wouldSwitch = true;

    if (inv.has("json")) {
        QJsonObject j{{"design", designName},
                      {"recording", recordingName},
                      {"scans", result.scans},
                      {"durationMs", double(result.durationMs)},
                      {"area", options.area >= 0 ? QJsonValue(options.area) : QJsonValue("reported")},
                      {"sensorOutputsKnown", result.sensorOutputsKnown}};
        QJsonArray events;
        for (const BreachEvent &e : result.events)
            events.append(QJsonObject{{"startMs", double(e.startMs)},
                                      {"durationMs", double(e.durationMs)},
                                      {"area", e.area},
                                      {"output", e.output + 1},
                                      {"firstScan", e.firstScan},
                                      {"nearestMm", qRound(e.nearestMm)},
                                      {"nearestX", qRound(e.nearest.x())},
                                      {"nearestY", qRound(e.nearest.y())}});
        j["events"] = events;
        QJsonArray outputs;
        for (int o = 0; o < 3; ++o)
            outputs.append(summaryJson(result, o));
        j["outputs"] = outputs;
        if (result.sensorOutputsKnown) {
            QJsonArray list;
            for (const Disagreement &d : result.disagreements)
                list.append(QJsonObject{{"scan", d.scan},
                                        {"offsetMs", double(d.offsetMs)},
                                        {"output", d.output + 1},
                                        {"check", d.check},
                                        {"sensor", d.sensor}});
            j["disagreements"] = list;
        }
        if (!otherName.isEmpty()) {
            QJsonArray change;
            for (int o = 0; o < 3; ++o)
                change.append(QJsonObject{{"output", o + 1},
                                          {"before", result.outputs[o].count},
                                          {"after", other.outputs[o].count}});
            j["compare"] = QJsonObject{{"design", otherName}, {"outputs", change}};
        }
        if (failOn) {
            j["wouldSwitch"] = wouldSwitch;
        }
        printJson(j);
    } else {
        QString out = QString("%1 against %2: %3 scans, %4, area %5\n")
                          .arg(designName, recordingName)
                          .arg(result.scans)
                          .arg(clock(result.durationMs))
                          .arg(options.area >= 0 ? QString::number(options.area)
                                                 : QStringLiteral("as the sensor reported it"));
        if (result.events.isEmpty())
            out += QStringLiteral("No output would have switched.\n");
        for (const BreachEvent &e : result.events)
            out += QString("%1  area %2  Out %3  %4  nearest %5 mm at (%6, %7)\n")
                       .arg(clock(e.startMs))
                       .arg(e.area, 2)
                       .arg(e.output + 1)
                       .arg(seconds(e.durationMs), 9)
                       .arg(qRound(e.nearestMm))
                       .arg(qRound(e.nearest.x()))
                       .arg(qRound(e.nearest.y()));
        out += QStringLiteral("\n");
        for (int o = 0; o < 3; ++o) {
            const OutputSummary &s = result.outputs[o];
            out += QString("Out %1: switched %2, %3 in all, longest %4")
                       .arg(o + 1)
                       .arg(s.count == 1 ? QStringLiteral("once") : QString("%1 times").arg(s.count))
                       .arg(seconds(s.totalMs), seconds(s.longestMs));
            if (result.sensorOutputsKnown)
                out += QString(", agrees with the sensor in %1 % of %2 scans")
                           .arg(percent(s), 0, 'f', 1)
                           .arg(s.comparedScans);
            out += QLatin1Char('\n');
        }
        if (result.sensorOutputsKnown && !result.disagreements.isEmpty()) {
            out += QString("\nThe check and the sensor disagree on %1 outputs of scans:\n")
                       .arg(result.disagreements.size());
            for (int i = 0; i < result.disagreements.size() && i < kDisagreementsListed; ++i) {
                const Disagreement &d = result.disagreements[i];
                out += QString("%1  scan %2  Out %3: check %4, sensor %5\n")
                           .arg(clock(d.offsetMs))
                           .arg(d.scan)
                           .arg(d.output + 1)
                           .arg(d.check ? "on" : "off", d.sensor ? "on" : "off");
            }
            if (result.disagreements.size() > kDisagreementsListed)
                out += QString("... and %1 more\n").arg(result.disagreements.size() - kDisagreementsListed);
        }
        if (!otherName.isEmpty()) {
            out += QString("\n%1 (before) and %2 (after):\n").arg(designName, otherName);
            for (const QString &line : compareText(result, other, Language::English))
                out += line + QLatin1Char('\n');
        }
        printOut(out);
    }
    if (wouldSwitch) {
        printErr(QStringLiteral("veltrin-cli: an output named by --fail-on would switch\n"));
        return ExitDifferent;
    }
    return ExitOk;
}
