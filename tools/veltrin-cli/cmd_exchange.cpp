// Commands that talk to sensors: info, read, write and verify (one sensor or a fleet at once), each run
// by the fleet runner.
#include "cli_commands.h"
#include "cli_output.h"

#include "area/file/project_diff.h"
#include "area/file/project_file.h"
#include "area/file/sensor_settings.h"
#include "area/store/device_type.h"
#include "area/store/project_data.h"
#include "comm/net/sensor_search.h"
#include "exchange/fleet_run.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QJsonArray>

// Two names of one sensor: the same IPv4 address, or the same serial device behind two paths.
static QString identityOf(const FleetTarget &t)
{
    if (t.transport != FleetTarget::Transport::Serial)
        return QHostAddress(t.address).toString();
    const QFileInfo info(t.address);
    return info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
}

bool targetsFrom(const Invocation &inv, const QStringList &addresses, QVector<FleetTarget> *targets)
{
    double baud = 115200;
    if (!numberOption(inv, "baud", 50, 4000000, &baud))
        return false;
    QStringList seen;
    for (const QString &text : addresses) {
        FleetTarget t;
        t.address = text.trimmed();
        t.baud = qint32(baud);
        if (t.address.startsWith(QLatin1Char('/'))) {
            t.transport = FleetTarget::Transport::Serial;
        } else if (isIPv4Address(t.address)) {
            t.transport = inv.has("udp") ? FleetTarget::Transport::Udp : FleetTarget::Transport::Tcp;
        } else {
            printErr(QString("veltrin-cli: \"%1\" is neither an IPv4 address (four numbers 0-255 without "
                             "leading zeros) nor a serial device\n")
                         .arg(text));
            return false;
        }
        const QString identity = identityOf(t);
        if (seen.contains(identity)) {
            printErr(QString("veltrin-cli: %1 is named twice\n").arg(t.address));
            return false;
        }
        seen << identity;
        targets->append(t);
    }
    return true;
}

namespace {

using Outcome = FleetRun::Outcome;
using SensorResult = FleetRun::SensorResult;

// Runs the operation over every target at once, with the progress on standard error, until every one
// has ended. Ctrl-C stops each at its next frame boundary; its result says what was done.
void runFleet(FleetRun &run, const QVector<FleetTarget> &targets, FleetRun::Operation operation)
{
    for (const FleetTarget &t : targets)
        run.addSensor(t);
    Progress progress;
    QObject::connect(&run, &FleetRun::SensorProgress, &run,
                     [&](int index, ExchangeEngine::Sequence sequence, int done, int total) {
                         const char *stage = sequence == ExchangeEngine::Sequence::ReadAll    ? "reading"
                                             : sequence == ExchangeEngine::Sequence::WriteAll ? "writing"
                                                                                              : "verifying";
                         progress.update(run.results()[index].address, QLatin1String(stage), done, total);
                     });
    QObject::connect(&run, &FleetRun::Finished, &run, [] { QCoreApplication::quit(); });
    InterruptWatch interrupt([&] {
        progress.clear();
        printErr(QStringLiteral("interrupted: stopping at the next frame boundary\n"));
        run.stopAtFrameBoundary();
    });
    if (run.start(operation) && run.isRunning())
        QCoreApplication::exec();
    progress.clear();
}

int exitCodeOf(const SensorResult &r)
{
    switch (r.outcome) {
    case Outcome::Ok: return ExitOk;
    case Outcome::Differences:
    case Outcome::Rejected: return ExitDifferent;
    case Outcome::Refused: return ExitUsage;
    case Outcome::Unreachable:
    case Outcome::RestartUnconfirmed: return ExitUnreachable;
    case Outcome::Cancelled: return ExitInterrupted;
    }
    return ExitUnreachable;
}

// The worst outcome decides: interrupted over unreachable over a bad design or file over a difference.
int worstOf(int a, int b)
{
    auto rank = [](int c) {
        return c == ExitInterrupted   ? 4
               : c == ExitUnreachable ? 3
               : c == ExitUsage       ? 2
               : c == ExitDifferent   ? 1
                                      : 0;
    };
    return rank(b) > rank(a) ? b : a;
}

QString resultWord(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Ok: return QStringLiteral("ok");
    case Outcome::Differences: return QStringLiteral("differences");
    case Outcome::Rejected: return QStringLiteral("rejected");
    case Outcome::Refused: return QStringLiteral("refused");
    case Outcome::Unreachable: return QStringLiteral("unreachable");
    case Outcome::Cancelled: return QStringLiteral("interrupted");
    case Outcome::RestartUnconfirmed: return QStringLiteral("restart-unconfirmed");
    }
    return QString();
}

QString serialText(const SensorResult &r)
{
    return r.serialKnown ? QString::number(r.serialNumber) : QStringLiteral("-");
}

double secondsOf(const SensorResult &r)
{
    return r.elapsedMs / 1000.0;
}

// One row per sensor: what it is and how it ended; results[i] may carry a message of the caller's.
void printTable(const QVector<SensorResult> &results)
{
    int width = 7;
    for (const SensorResult &r : results)
        width = qMax(width, r.address.size());
    printOut(
        QString("%1  %2  %3  %4\n").arg("ADDRESS", -width).arg("SERIAL", -6).arg("TIME", 8).arg("RESULT"));
    for (const SensorResult &r : results)
        printOut(QString("%1  %2  %3  %4\n")
                     .arg(r.address, -width)
                     .arg(serialText(r), -6)
                     .arg(QString::number(secondsOf(r), 'f', 2) + QLatin1String(" s"), 8)
                     .arg(r.message));
}

QJsonObject sensorJson(const SensorResult &r)
{
    QJsonObject o{{"address", r.address},
                  {"result", resultWord(r.outcome)},
                  {"message", r.message},
                  {"seconds", secondsOf(r)}};
    if (r.serialKnown)
        o["serial"] = r.serialNumber;
    // A sequence that ended early: how far it came (areas are done from 0 upwards).
    const ExchangeEngine::Result &d = r.detail;
    if (d.sequence != ExchangeEngine::Sequence::None && r.outcome != Outcome::Ok &&
        r.outcome != Outcome::Differences && r.outcome != Outcome::Refused) {
        const bool write = d.sequence == ExchangeEngine::Sequence::WriteAll;
        o["stopped"] =
            QJsonObject{{"stage", write          ? "write"
                                  : d.afterWrite ? "read-back"
                                                 : "read"},
                        {"areasDone", d.areasNotDone.isEmpty() ? kAreaCount : d.areasNotDone.first()},
                        {"caseChannelsDone", d.casesDone},
                        {"parametersDone", d.parametersDone}};
    }
    return o;
}

// The value of one of the 25 parameters as the file's sensor settings show it.
QString parameterValue(int field, int value)
{
    SENSOR_PARAMETERS p;
    p.setValue(field, value);
    const QVector<int> states = SensorSettings::fromParameters(p);
    const int control = field < 18 ? field : field < 20 ? 18 : field + 2;
    if (field == 18 || field == 19)
        return QString("%1.%2").arg((value >> 8) & 0xFF).arg(value & 0xFF);
    return SensorSettings::valueText(control, states, Language::English);
}

// What verify found, in the listing diff prints: the file's value first, the sensor's second.
ProjectDiff::Difference toListing(const VerifyDifference &v)
{
    using P = VerifyDifference::Part;
    ProjectDiff::Difference d;
    d.area = v.area;
    d.output = v.output;
    d.first = QString::number(v.expected);
    d.second = QString::number(v.actual);
    switch (v.part) {
    case P::ZoneParameters: d.field = ProjectFile::fieldName(v.field, Language::English); break;
    case P::CaseChannel: d.field = ProjectFile::fieldName(4 + v.field, Language::English); break;
    case P::OutputShape:
        d.field = QStringLiteral("shape");
        d.first = ProjectDiff::shapeName(v.expected);
        d.second = ProjectDiff::shapeName(v.actual);
        if (v.expected == v.actual)
            d.second += QStringLiteral(" (other values)");
        break;
    case P::OutputPoints:
        d.field = QStringLiteral("points");
        if (v.expected == v.actual)
            d.second += QStringLiteral(" (other positions)");
        break;
    case P::Parameter: {
        d.area = -1;
        const int control = v.field < 18 ? v.field : v.field < 20 ? 18 : v.field + 2;
        d.field = SensorSettings::label(control, Language::English);
        if (v.field == 18 || v.field == 19)
            d.field +=
                v.field == 18 ? QStringLiteral(" (first two parts)") : QStringLiteral(" (last two parts)");
        d.first = parameterValue(v.field, v.expected);
        d.second = parameterValue(v.field, v.actual);
        break;
    }
    }
    return d;
}

QJsonArray differencesOf(const SensorResult &r, bool print, bool prefix)
{
    QVector<ProjectDiff::Difference> listing;
    for (const VerifyDifference &v : r.detail.differences)
        listing.append(toListing(v));
    if (print)
        for (const ProjectDiff::Difference &d : listing)
            printOut((prefix ? r.address + QLatin1String(": ") : QString()) + ProjectDiff::describe(d) +
                     QLatin1Char('\n'));
    return differencesJson(listing, "file", "sensor");
}

// A result of one sensor alone, as text: on standard output when it went well, else as an error.
void printOne(const SensorResult &r, const QString &what)
{
    const QString line = QString("%1: %2 (serial number %3, %4 s)\n")
                             .arg(r.address, what, serialText(r))
                             .arg(secondsOf(r), 0, 'f', 2);
    r.outcome == Outcome::Ok ? printOut(line) : printErr(QLatin1String("veltrin-cli: ") + line);
}

int runInfo(const Invocation &inv, const FleetTarget &target)
{
    FleetRun run;
    runFleet(run, {target}, FleetRun::Operation::Info);
    const SensorResult &r = run.results().first();
    const int code = exitCodeOf(r);
    if (r.outcome != Outcome::Ok) {
        if (inv.has("json"))
            printJson(QJsonObject{{"sensors", QJsonArray{sensorJson(r)}}, {"exitCode", code}});
        printErr(QString("veltrin-cli: %1: %2\n").arg(target.address, r.message));
        return code;
    }
    const ::ProductInfo &p = r.product;
    const SelfCheckReport &s = r.selfCheck;
    const QString firmware = QString::number(p.Firmware / 100.0, 'f', 2);
    const QString made = QString("%1-%2-%3")
                             .arg(p.Year)
                             .arg(p.Month, 2, 10, QLatin1Char('0'))
                             .arg(p.Day, 2, 10, QLatin1Char('0'));
    if (inv.has("json")) {
        printJson(QJsonObject{{"address", target.address},
                              {"product", QJsonObject{{"model", p.ModelCode},
                                                      {"firmware", firmware},
                                                      {"serial", p.SerialNumber},
                                                      {"production", made}}},
                              {"selfCheck", QJsonObject{{"temperature_c", s.Temperature / 100.0},
                                                        {"rotation_rpm", s.RotationSpeed},
                                                        {"drive_v", s.DriveVoltage / 100.0},
                                                        {"send_v", s.SendVoltage / 100.0},
                                                        {"receive_v", s.ReceiveVoltage / 100.0},
                                                        {"inputs", int(s.InputPorts)},
                                                        {"outputs", int(s.OutputPorts)},
                                                        {"status", s.Status}}},
                              {"exitCode", ExitOk}});
        return ExitOk;
    }
    printOut(QString("Address:              %1\n"
                     "Model code:           %2\n"
                     "Firmware:             %3\n"
                     "Serial number:        %4\n"
                     "Production:           %5\n"
                     "Temperature:          %6 °C\n"
                     "Rotation speed:       %7 rpm\n"
                     "MOS driver voltage:   %8 V\n"
                     "LD send voltage:      %9 V\n")
                 .arg(target.address)
                 .arg(p.ModelCode)
                 .arg(firmware)
                 .arg(p.SerialNumber)
                 .arg(made)
                 .arg(s.Temperature / 100.0, 0, 'f', 2)
                 .arg(s.RotationSpeed)
                 .arg(s.DriveVoltage / 100.0, 0, 'f', 2)
                 .arg(s.SendVoltage / 100.0, 0, 'f', 2) +
             QString("APD receive voltage:  %1 V\n"
                     "Inputs:               0x%2\n"
                     "Outputs:              0x%3\n"
                     "Status:               0x%4\n")
                 .arg(s.ReceiveVoltage / 100.0, 0, 'f', 2)
                 .arg(s.InputPorts, 2, 16, QLatin1Char('0'))
                 .arg(s.OutputPorts, 2, 16, QLatin1Char('0'))
                 .arg(s.Status, 4, 16, QLatin1Char('0')));
    return ExitOk;
}

// What names sensor index in its file: its address, or its serial device's name; the device's whole
// path when another device of the run has the same name (/dev/pts/0 and /dev/usb/0).
QString fileTag(const QVector<FleetTarget> &targets, int index)
{
    const FleetTarget &t = targets[index];
    if (t.transport != FleetTarget::Transport::Serial)
        return t.address;
    const QString name = QFileInfo(t.address).fileName();
    for (int i = 0; i < targets.size(); ++i)
        if (i != index && targets[i].transport == FleetTarget::Transport::Serial &&
            QFileInfo(targets[i].address).fileName() == name)
            return t.address.mid(1).replace(QLatin1Char('/'), QLatin1Char('_'));
    return name;
}

// The file one sensor's read goes to: FILE itself for one sensor; for several, FILE with the sensor's
// tag before the extension ("site-127.0.22.10.VKT30"); into a folder (FILE ends with / or is one),
// the tag alone ("site/127.0.22.10.VKT30").
QString readFileName(const QString &file, const QVector<FleetTarget> &targets, int index, int deviceType)
{
    if (file.endsWith(QLatin1Char('/')) || QFileInfo(file).isDir())
        return ProjectFile::withExtension(QDir(file).filePath(fileTag(targets, index)), deviceType);
    if (targets.size() == 1)
        return ProjectFile::withExtension(file, deviceType);
    const QFileInfo info(file);
    const DeviceInfo *model = deviceInfo(deviceType);
    QString base = info.fileName();
    if (model && base.endsWith(QLatin1String(model->extension)))
        base.chop(int(qstrlen(model->extension)));
    return ProjectFile::withExtension(info.dir().filePath(base + QLatin1Char('-') + fileTag(targets, index)),
                                      deviceType);
}

// Every sensor is read and its file saved, or said why not; the table and the JSON always come.
int runRead(const Invocation &inv, const QVector<FleetTarget> &targets)
{
    const QString file = inv.value("output");
    if (file.isEmpty()) {
        printErr(QStringLiteral("veltrin-cli: read needs -o FILE\n"));
        return ExitUsage;
    }
    if (file.endsWith(QLatin1Char('/')) && !QDir().mkpath(file)) {
        printErr(QString("veltrin-cli: the folder %1 cannot be made\n").arg(file));
        return ExitUsage;
    }
    FleetRun run;
    runFleet(run, targets, FleetRun::Operation::ReadAll);
    QVector<SensorResult> results = run.results();
    const bool json = inv.has("json");
    int code = ExitOk;
    QJsonArray sensors;
    for (int i = 0; i < results.size(); ++i) {
        SensorResult &r = results[i];
        int sensorCode = exitCodeOf(r);
        QString name;
        if (r.outcome == Outcome::Ok) {
            int model = r.product.ModelCode;
            if (!deviceInfo(model)) {
                printErr(QString("%1 reports model code %2, which no project model has; the file is saved as "
                                 "Laser30\n")
                             .arg(r.address)
                             .arg(model));
                model = kDefaultDeviceType;
            }
            name = readFileName(file, targets, i, model);
            QString error;
            ExchangeEngine *engine = run.engine(i);
            if (ProjectFile::save(name, model, SensorSettings::fromParameters(*engine->parameters()),
                                  *engine->projectStore(), &error)) {
                r.message = QString("read into %1").arg(name);
            } else {
                r.message = QString("read, but %1 was not written: %2").arg(name, error);
                name.clear();
                sensorCode = ExitUsage;
            }
        }
        code = worstOf(code, sensorCode);
        QJsonObject o = sensorJson(r);
        if (sensorCode == ExitUsage)
            o["result"] = QStringLiteral("not-saved");
        if (!name.isEmpty())
            o["file"] = name;
        sensors.append(o);
        if (targets.size() == 1 && !json) {
            if (sensorCode == ExitOk)
                printOne(r, r.message);
            else
                printErr(QString("veltrin-cli: %1: %2\n").arg(r.address, r.message));
        }
    }
    if (json)
        printJson(QJsonObject{{"sensors", sensors}, {"exitCode", code}});
    else if (targets.size() > 1)
        printTable(results);
    return code;
}

// write and verify: the design of FILE to or against every sensor.
int runDesign(const Invocation &inv, const QVector<FleetTarget> &targets, bool write)
{
    const QString file = inv.positional.last();
    PROJECT_DATA project;
    ProjectInput input;
    if (!loadProject(file, project, &input))
        return ExitUsage;
    if (!input.repairs.isEmpty()) {
        warnRepairs(file, input);
        if (write) {
            // A repaired design is not what the file says: it must not reach a fleet unseen.
            printErr(
                QString("veltrin-cli: nothing written; open and save %1 in the program first\n").arg(file));
            return ExitUsage;
        }
    }
    for (const QString &line : input.notes)
        printErr(QString("note: %1: %2\n").arg(file, line));
    FleetRun run;
    run.setDesign(project.Areas, SensorSettings::toParameters(input.sensorStates), input.deviceType);
    run.setVerifyAfterWrite(!inv.has("no-verify"));
    run.setRestartAfterWrite(inv.has("restart"));
    if (write) {
        const ExchangeEngine::FitReport fit = run.checkDesignFits();
        for (const QString &line : fit.errors)
            printErr(QString("veltrin-cli: %1: %2\n").arg(file, line));
        if (!fit.errors.isEmpty()) {
            printErr(QStringLiteral("veltrin-cli: nothing written: the design does not fit the sensor\n"));
            return ExitUsage;
        }
        for (const QString &line : fit.warnings)
            printErr(QString("warning: %1\n").arg(line));
    }
    runFleet(run, targets, write ? FleetRun::Operation::WriteAll : FleetRun::Operation::Verify);
    const bool json = inv.has("json");
    const bool several = targets.size() > 1;
    int code = ExitOk;
    QJsonArray sensors;
    for (const SensorResult &r : run.results()) {
        QJsonObject o = sensorJson(r);
        o["differences"] = differencesOf(r, !json, several);
        // Outputs whose unused slots hold the sensor's own values: the zones mean the same, so these
        // are not differences, but a script comparing raw images should know why they would differ.
        o["notes"] = QJsonArray::fromStringList(r.detail.notes);
        sensors.append(o);
        code = worstOf(code, exitCodeOf(r));
        if (!several && !json)
            printOne(r, r.message);
        if (!json)
            for (const QString &output : r.detail.notes)
                printErr(QString("note: %1%2 holds values in slots its shape does not use; not compared\n")
                             .arg(several ? r.address + QLatin1String(": ") : QString(), output));
    }
    if (json)
        printJson(QJsonObject{{"sensors", sensors}, {"exitCode", code}});
    else if (several)
        printTable(run.results());
    return code;
}

} // namespace

int runExchange(const Invocation &inv)
{
    if (inv.command == QLatin1String("stream"))
        return runStream(inv);
    const bool withFile = inv.command == QLatin1String("write") || inv.command == QLatin1String("verify");
    const QStringList addresses =
        withFile ? QStringList(inv.positional.mid(0, inv.positional.size() - 1)) : inv.positional;
    QVector<FleetTarget> targets;
    if (!targetsFrom(inv, addresses, &targets))
        return ExitUsage;
    if (inv.command == QLatin1String("info"))
        return runInfo(inv, targets.first());
    if (inv.command == QLatin1String("read"))
        return runRead(inv, targets);
    return runDesign(inv, targets, inv.command == QLatin1String("write"));
}
