// Commands that talk to sensors: info, read, write and verify (one sensor or a fleet at once).
#include "cli_commands.h"
#include "cli_output.h"
#include "sensor_job.h"

#include "area/file/project_diff.h"
#include "area/file/project_file.h"
#include "area/file/sensor_settings.h"
#include "area/store/device_type.h"
#include "area/store/project_data.h"
#include "comm/net/sensor_search.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QTimer>

namespace {

bool targetsFrom(const Invocation &inv, const QStringList &addresses, QVector<SensorTarget> *targets)
{
    double baud = 115200;
    QString message;
    if (!numberOption(inv, "baud", 50, 4000000, &baud, &message)) {
        printErr(QString("veltrin-cli: %1\n").arg(message));
        return false;
    }
    for (const QString &text : addresses) {
        SensorTarget t;
        t.address = text.trimmed();
        t.baud = qint32(baud);
        if (t.address.startsWith(QLatin1Char('/'))) {
            t.serial = true;
        } else if (isIPv4Address(t.address)) {
            t.udp = inv.has("udp");
        } else {
            printErr(
                QString("veltrin-cli: \"%1\" is neither an IPv4 address nor a serial device\n").arg(text));
            return false;
        }
        for (const SensorTarget &other : *targets)
            if (other.address == t.address) {
                printErr(QString("veltrin-cli: %1 is named twice\n").arg(t.address));
                return false;
            }
        targets->append(t);
    }
    return true;
}

// Runs the jobs concurrently, with their progress on standard error, until every one has ended.
void runJobs(const QVector<SensorJob *> &jobs)
{
    Progress progress;
    int remaining = jobs.size();
    for (SensorJob *job : jobs) {
        QObject::connect(job, &SensorJob::progress, job,
                         [&progress](const QString &address, const QString &stage, int done, int total) {
                             progress.update(address, stage, done, total);
                         });
        QObject::connect(job, &SensorJob::done, job, [&remaining] {
            if (--remaining == 0)
                QCoreApplication::quit();
        });
    }
    for (SensorJob *job : jobs)
        job->start();
    if (remaining > 0)
        QCoreApplication::exec();
    progress.clear();
}

// The worst outcome decides: unreachable over a bad design over a difference.
int exitCodeOf(const QVector<SensorJob *> &jobs)
{
    int code = ExitOk;
    auto rank = [](int c) {
        return c == ExitUnreachable ? 3 : c == ExitUsage ? 2 : c == ExitDifferent ? 1 : 0;
    };
    for (SensorJob *job : jobs)
        if (rank(job->exitCode()) > rank(code))
            code = job->exitCode();
    return code;
}

QString serialText(const SensorJob *job)
{
    return job->serialNumber() >= 0 ? QString::number(job->serialNumber()) : QStringLiteral("-");
}

void printTable(const QVector<SensorJob *> &jobs)
{
    int width = 7;
    for (const SensorJob *job : jobs)
        width = qMax(width, job->target().address.size());
    printOut(
        QString("%1  %2  %3  %4\n").arg("ADDRESS", -width).arg("SERIAL", -6).arg("TIME", 8).arg("RESULT"));
    for (const SensorJob *job : jobs)
        printOut(QString("%1  %2  %3  %4\n")
                     .arg(job->target().address, -width)
                     .arg(serialText(job), -6)
                     .arg(QString::number(job->seconds(), 'f', 2) + QLatin1String(" s"), 8)
                     .arg(job->resultText()));
}

QJsonObject jobJson(const SensorJob *job)
{
    QJsonObject o{{"address", job->target().address},
                  {"result", job->resultWord()},
                  {"message", job->resultText()},
                  {"seconds", job->seconds()}};
    if (job->serialNumber() >= 0)
        o["serial"] = job->serialNumber();
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
    return SensorSettings::valueText(control, states, true);
}

QString shapeName(int code)
{
    static const char *const names[] = {"Polygon", "Arc", "Rectangle", "Straight", "Fan", "Ratio"};
    return code >= 0 && code < 6 ? QLatin1String(names[code]) : QString::number(code);
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
    case P::ZoneParameters: d.field = ProjectFile::fieldName(v.field, true); break;
    case P::CaseChannel: d.field = ProjectFile::fieldName(4 + v.field, true); break;
    case P::OutputShape:
        d.field = QStringLiteral("shape");
        d.first = shapeName(v.expected);
        d.second = shapeName(v.actual);
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
        d.field = SensorSettings::label(control, true);
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

QJsonArray differencesOf(const SensorJob *job, bool print, bool prefix)
{
    QVector<ProjectDiff::Difference> listing;
    for (const VerifyDifference &v : job->result().differences)
        listing.append(toListing(v));
    if (print)
        for (const ProjectDiff::Difference &d : listing)
            printOut((prefix ? job->target().address + QLatin1String(": ") : QString()) +
                     ProjectDiff::describe(d) + QLatin1Char('\n'));
    return differencesJson(listing, "file", "sensor");
}

int runInfo(const Invocation &inv, const SensorTarget &target)
{
    SensorJob job(target, SensorJob::Operation::Info);
    runJobs({&job});
    if (job.status() != SensorJob::Status::Ok) {
        printErr(QString("veltrin-cli: %1: %2\n").arg(target.address, job.resultText()));
        return job.exitCode();
    }
    const ::ProductInfo &p = job.product();
    const SelfCheckReport &s = job.selfCheck();
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
                                                        {"status", s.Status}}}});
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

// The file one sensor's read goes to: FILE itself for one sensor; for several, FILE with the address
// before the extension ("site-127.0.22.10.VKT30").
QString readFileName(const QString &file, const SensorTarget &target, bool several, int deviceType)
{
    if (!several)
        return ProjectFile::withExtension(file, deviceType);
    const QFileInfo info(file);
    const DeviceInfo *model = deviceInfo(deviceType);
    QString base = info.fileName();
    if (model && base.endsWith(QLatin1String(model->extension)))
        base.chop(int(qstrlen(model->extension)));
    const QString tag = target.serial ? QFileInfo(target.address).fileName() : target.address;
    return ProjectFile::withExtension(info.dir().filePath(base + QLatin1Char('-') + tag), deviceType);
}

int runRead(const Invocation &inv, const QVector<SensorTarget> &targets)
{
    const QString file = inv.value("output");
    if (file.isEmpty()) {
        printErr(QStringLiteral("veltrin-cli: read needs -o FILE\n"));
        return ExitUsage;
    }
    QVector<SensorJob *> jobs;
    for (const SensorTarget &t : targets)
        jobs.append(new SensorJob(t, SensorJob::Operation::ReadAll, qApp));
    runJobs(jobs);
    QJsonArray sensors;
    for (SensorJob *job : jobs) {
        QJsonObject o = jobJson(job);
        if (job->status() == SensorJob::Status::Ok) {
            int model = job->product().ModelCode;
            if (!deviceInfo(model)) {
                printErr(
                    QString("veltrin-cli: %1 reports model code %2, which no project model has; the file is "
                            "saved as Laser30\n")
                        .arg(job->target().address)
                        .arg(model));
                model = kDefaultDeviceType;
            }
            const QString name = readFileName(file, job->target(), targets.size() > 1, model);
            QString error;
            if (!ProjectFile::save(name, model, SensorSettings::fromParameters(*job->engine().parameters()),
                                   *job->engine().projectStore(), &error)) {
                printErr(QString("veltrin-cli: %1 was not written: %2\n").arg(name, error));
                return ExitUsage;
            }
            o["file"] = name;
            if (targets.size() == 1 && !inv.has("json"))
                printOut(QString("%1: read into %2 (serial number %3, %4 s)\n")
                             .arg(job->target().address, name, serialText(job))
                             .arg(job->seconds(), 0, 'f', 2));
        } else if (targets.size() == 1 && !inv.has("json")) {
            printErr(QString("veltrin-cli: %1: %2\n").arg(job->target().address, job->resultText()));
        }
        sensors.append(o);
    }
    const int code = exitCodeOf(jobs);
    if (inv.has("json"))
        printJson(QJsonObject{{"sensors", sensors}, {"exitCode", code}});
    else if (targets.size() > 1)
        printTable(jobs);
    return code;
}

// write and verify: the design of FILE to or against every sensor.
int runDesign(const Invocation &inv, const QVector<SensorTarget> &targets, bool write)
{
    const QString file = inv.positional.last();
    PROJECT_DATA project;
    ProjectInput input;
    if (!loadProject(file, project, &input))
        return ExitUsage;
    if (!input.repairs.isEmpty()) {
        for (const QString &line : input.repairs)
            printErr(QString("veltrin-cli: %1 is damaged: %2\n").arg(file, line));
        if (write) {
            // A repaired design is not what the file says: it must not reach a fleet unseen.
            printErr(
                QString("veltrin-cli: nothing written; open and save %1 in the program first\n").arg(file));
            return ExitUsage;
        }
    }
    for (const QString &line : input.notes)
        printErr(QString("veltrin-cli: note: %1: %2\n").arg(file, line));
    const SENSOR_PARAMETERS parameters = SensorSettings::toParameters(input.sensorStates);
    const bool several = targets.size() > 1;
    QVector<SensorJob *> jobs;
    for (const SensorTarget &t : targets) {
        auto *job =
            new SensorJob(t, write ? SensorJob::Operation::WriteAll : SensorJob::Operation::Verify, qApp);
        job->setDesign(input.deviceType, project, parameters);
        job->setVerifyAfterWrite(!inv.has("no-verify"));
        job->setRestart(inv.has("restart"));
        // One file's address written to a whole fleet would bring every sensor up at that one address.
        job->setKeepOwnAddress(several && !t.serial);
        jobs.append(job);
    }
    if (write) {
        const ExchangeEngine::FitReport fit = jobs.first()->engine().CheckWriteFits();
        for (const QString &line : fit.errors)
            printErr(QString("veltrin-cli: %1: %2\n").arg(file, line));
        if (!fit.errors.isEmpty()) {
            printErr(QStringLiteral("veltrin-cli: nothing written: the design does not fit the sensor\n"));
            return ExitUsage;
        }
        for (const QString &line : fit.warnings)
            printErr(QString("veltrin-cli: warning: %1\n").arg(line));
    }
    runJobs(jobs);
    const bool json = inv.has("json");
    QJsonArray sensors;
    for (SensorJob *job : jobs) {
        QJsonObject o = jobJson(job);
        o["differences"] = differencesOf(job, !json, several);
        sensors.append(o);
        if (!several && !json) {
            const QString line = QString("%1: %2 (serial number %3, %4 s)\n")
                                     .arg(job->target().address, job->resultText(), serialText(job))
                                     .arg(job->seconds(), 0, 'f', 2);
            job->exitCode() == ExitOk ? printOut(line) : printErr(QLatin1String("veltrin-cli: ") + line);
        }
    }
    const int code = exitCodeOf(jobs);
    if (json)
        printJson(QJsonObject{{"sensors", sensors}, {"exitCode", code}});
    else if (several)
        printTable(jobs);
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
    QVector<SensorTarget> targets;
    if (!targetsFrom(inv, addresses, &targets))
        return ExitUsage;
    if (inv.command == QLatin1String("info"))
        return runInfo(inv, targets.first());
    if (inv.command == QLatin1String("read"))
        return runRead(inv, targets);
    return runDesign(inv, targets, inv.command == QLatin1String("write"));
}
