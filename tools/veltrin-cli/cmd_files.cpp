// Commands on project files alone: diff and report.
#include "cli_commands.h"
#include "cli_output.h"

#include "area/file/project_diff.h"
#include "area/file/project_file.h"
#include "area/file/sensor_settings.h"
#include "area/store/project_data.h"
#include "comm/codec/design_image.h"
#include "report/config_report.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>

bool loadProject(const QString &name, PROJECT_DATA &project, ProjectInput *input)
{
    ProjectFile::Contents contents;
    QString error;
    switch (ProjectFile::load(name, project, contents, -1, &error)) {
    case ProjectFile::LoadStatus::Loaded: break;
    case ProjectFile::LoadStatus::CannotOpen:
        printErr(QString("veltrin-cli: cannot open %1: %2\n").arg(name, error));
        return false;
    case ProjectFile::LoadStatus::TooLarge:
        printErr(QString("veltrin-cli: %1 is too large for a project file\n").arg(name));
        return false;
    case ProjectFile::LoadStatus::NotAProject:
    case ProjectFile::LoadStatus::OtherModel:
        printErr(
            QString("veltrin-cli: %1 is not a project file (its first line names no model)\n").arg(name));
        return false;
    }
    input->deviceType = contents.deviceType;
    // What a sensor held goes back to it as it was, also where the dock offers no such value; only what
    // cannot travel to a sensor at all is damage.
    input->sensorStates = contents.sensorStates;
    input->repairs = SensorSettings::unsendable(input->sensorStates, Language::English);
    input->notes = SensorSettings::beyondDock(input->sensorStates, Language::English);
    for (const ProjectFile::Repair &r : contents.repairs)
        input->repairs << ProjectFile::describe(r, Language::English);
    return true;
}

void warnRepairs(const QString &name, const ProjectInput &input)
{
    for (const QString &line : input.repairs)
        printErr(QString("veltrin-cli: %1 is damaged: %2\n").arg(name, line));
}

QJsonArray differencesJson(const QVector<ProjectDiff::Difference> &differences, const char *first,
                           const char *second)
{
    QJsonArray list;
    for (const ProjectDiff::Difference &d : differences) {
        QJsonObject o;
        if (d.area >= 0)
            o["area"] = d.area;
        if (d.output >= 0)
            o["output"] = d.output + 1;
        o["field"] = d.field;
        o[QLatin1String(first)] = d.first;
        o[QLatin1String(second)] = d.second;
        list.append(o);
    }
    return list;
}

int runDiff(const Invocation &inv)
{
    PROJECT_DATA a, b;
    ProjectInput ia, ib;
    const QString nameA = inv.positional[0], nameB = inv.positional[1];
    if (!loadProject(nameA, a, &ia) || !loadProject(nameB, b, &ib))
        return ExitUsage;
    warnRepairs(nameA, ia);
    warnRepairs(nameB, ib);
    const auto differences =
        ProjectDiff::compare({ia.deviceType, &a, ia.sensorStates}, {ib.deviceType, &b, ib.sensorStates});
    if (inv.has("json")) {
        QJsonObject o;
        o["identical"] = differences.isEmpty();
        o["differences"] = differencesJson(differences, "a", "b");
        printJson(o);
    } else {
        for (const ProjectDiff::Difference &d : differences)
            printOut(ProjectDiff::describe(d) + QLatin1Char('\n'));
    }
    return differences.isEmpty() ? ExitOk : ExitDifferent;
}

bool reportOptionsValid(const Invocation &inv)
{
    if (inv.value("output").isEmpty()) {
        printErr(QStringLiteral("veltrin-cli: report needs -o OUT.pdf\n"));
        return false;
    }
    const QString language = inv.value("language", QStringLiteral("en"));
    if (language != QLatin1String("en") && language != QLatin1String("zh")) {
        printErr(QString("veltrin-cli: --language must be en or zh, not \"%1\"\n").arg(language));
        return false;
    }
    return true;
}

int runReport(const Invocation &inv)
{
    const QString output = inv.value("output");
    const QString language = inv.value("language", QStringLiteral("en"));
    PROJECT_DATA project;
    ProjectInput input;
    const QString name = inv.positional[0];
    if (!loadProject(name, project, &input))
        return ExitUsage;
    warnRepairs(name, input);
    ReportInput report;
    report.language = language == QLatin1String("en") ? Language::English : Language::Chinese;
    report.projectFile = QFileInfo(name).absoluteFilePath();
    report.model = reportModel(input.deviceType, report.language);
    report.created = QDateTime::currentDateTime();
    report.parameters = SensorSettings::shown(input.sensorStates, report.language);
    report.project = &project;
    report.crc = designImageCrc(project, SensorSettings::toParameters(input.sensorStates));
    QString error;
    if (!writeConfigReport(output, report, &error)) {
        printErr(QString("veltrin-cli: %1 was not written: %2\n").arg(output, error));
        return ExitUsage;
    }
    printOut(QString("%1: %2 pages, CRC-32 %3\n")
                 .arg(output)
                 .arg(reportPageCount(project))
                 .arg(QString::number(report.crc, 16).toUpper().rightJustified(8, QLatin1Char('0'))));
    return ExitOk;
}
