// Every end of a veltrin-cli command is told: Ctrl-C in mid-write, a sensor that goes silent in
// mid-write or mid-stream, a slow first scan, errors under --json, and addresses that are refused.
#include "cli_process.h"
#include "fleet_design.h"
#include "sim_process.h"

#include "area/file/project_file.h"
#include "area/file/sensor_settings.h"
#include "area/store/device_type.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString saveFleetDesign(const QTemporaryDir &dir)
{
    PROJECT_DATA p;
    p.Areas = fleetDesignAreas();
    const QString path = dir.filePath("design.VKT30");
    return ProjectFile::save(path, Laser30, SensorSettings::fromParameters(fleetDesignParameters()), p)
               ? path
               : QString();
}

// veltrin-cli started in the background; once its standard error shows `cue`, `act` runs.
CliRun runCliActingOn(const QStringList &arguments, const QByteArray &cue,
                      const std::function<void(pid_t cli)> &act)
{
    CliRun run;
    QProcess process;
    process.start(QStringLiteral(VELTRIN_CLI_PATH), arguments);
    QByteArray err, out;
    bool acted = false;
    QElapsedTimer clock;
    clock.start();
    while (process.state() != QProcess::NotRunning && clock.elapsed() < 60000) {
        process.waitForReadyRead(50);
        err += process.readAllStandardError();
        out += process.readAllStandardOutput();
        if (!acted && (err + out).contains(cue)) {
            acted = true;
            act(pid_t(process.processId()));
        }
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(2000);
        run.err = QStringLiteral("veltrin-cli did not finish");
        return run;
    }
    run.out = QString::fromUtf8(out + process.readAllStandardOutput());
    run.err = QString::fromUtf8(err + process.readAllStandardError());
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return run;
}

QJsonObject firstSensor(const CliRun &run)
{
    return QJsonDocument::fromJson(run.out.toUtf8()).object()["sensors"].toArray()[0].toObject();
}

const QRegularExpression
    kWrittenAndNot("(area 0|areas 0–\\d+) written; areas \\d+–63, case channels and parameters not written");

} // namespace

class TestCliEndings : public QObject {
    Q_OBJECT

private slots:
    // Ctrl-C stops at the next frame boundary and says what was and was not written, in text and in
    // JSON, with an exit code of its own.
    void ctrlCInMidWriteSaysWhatWasWritten()
    {
        SimProcess sim;
        QVERIFY2(sim.start({"--address", "127.0.22.60"}), qPrintable(sim.error));
        QTemporaryDir dir;
        const QString design = saveFleetDesign(dir);
        auto interrupt = [](pid_t cli) { ::kill(cli, SIGINT); };

        CliRun run = runCliActingOn({"write", "127.0.22.60", design}, "writing", interrupt);
        QCOMPARE(run.exitCode, 130);
        QVERIFY2(run.err.contains("127.0.22.60: interrupted: ") && run.err.contains(kWrittenAndNot),
                 qPrintable(run.err));

        run = runCliActingOn({"write", "127.0.22.60", design, "--json"}, "writing", interrupt);
        QCOMPARE(run.exitCode, 130);
        const QJsonObject sensor = firstSensor(run);
        QCOMPARE(sensor["result"].toString(), QString("interrupted"));
        QVERIFY2(sensor["message"].toString().contains(kWrittenAndNot), qPrintable(run.out));
        const QJsonObject stopped = sensor["stopped"].toObject();
        QCOMPARE(stopped["stage"].toString(), QString("write"));
        QVERIFY(stopped["areasDone"].toInt() > 0 && stopped["areasDone"].toInt() < kAreaCount);
        QCOMPARE(stopped["parametersDone"].toBool(), false);
    }

    // A sensor that goes silent in mid-write: the result says which parts were written and which not.
    void silentSensorInMidWriteSaysWhatWasWritten()
    {
        SimProcess sim;
        QVERIFY2(sim.start({"--address", "127.0.22.61"}), qPrintable(sim.error));
        QTemporaryDir dir;
        const pid_t simPid = pid_t(sim.pid());
        const CliRun run = runCliActingOn({"write", "127.0.22.61", saveFleetDesign(dir), "--json"}, "writing",
                                          [simPid](pid_t) { ::kill(simPid, SIGSTOP); });
        ::kill(simPid, SIGCONT);
        QCOMPARE(run.exitCode, 3);
        const QJsonObject sensor = firstSensor(run);
        QCOMPARE(sensor["result"].toString(), QString("unreachable"));
        const QString message = sensor["message"].toString();
        QVERIFY2(message.startsWith("stopped answering: ") &&
                     (message.contains(kWrittenAndNot) || message.endsWith("nothing written")),
                 qPrintable(message));
        QCOMPARE(sensor["stopped"].toObject()["stage"].toString(), QString("write"));
    }

    // A stream that stops is told (exit 3) long before its time is up; the wait for a slow first scan
    // is not part of the time asked for.
    void streamTellsAStopAndWaitsForTheFirstScan()
    {
        SimProcess sim;
        QVERIFY2(sim.start({"--address", "127.0.22.62", "--rate", "20"}), qPrintable(sim.error));
        const pid_t simPid = pid_t(sim.pid());
        // Three revolutions printed (csv: a header, then one line per beam numbered by revolution).
        CliRun run = runCliActingOn({"stream", "127.0.22.62", "--seconds", "600"}, "\n3,",
                                    [simPid](pid_t) { ::kill(simPid, SIGSTOP); });
        ::kill(simPid, SIGCONT);
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.contains("the scan stopped after"), qPrintable(run.err));

        SimProcess slow;
        QVERIFY2(slow.start({"--address", "127.0.22.63", "--rate", "0.5"}), qPrintable(slow.error));
        run = runCli({"stream", "127.0.22.63", "--seconds", "1", "--format", "ndjson"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(run.out.count('\n') >= 1);
    }

    // A fleet read goes on past a file it cannot save: every sensor is read, saved or reported, and
    // the table and the JSON come all the same.
    void fleetReadReportsEverySensorPastAFileItCannotSave()
    {
        SimProcess fleet;
        QVERIFY2(fleet.start({"--address", "127.0.22.65-127.0.22.66"}), qPrintable(fleet.error));
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("out/127.0.22.65.VKT30")); // a folder where the file should go
        const QStringList arguments{"read", "127.0.22.65", "127.0.22.66", "-o", dir.filePath("out") + "/"};
        CliRun run = runCli(arguments + QStringList{"--json"});
        QCOMPARE(run.exitCode, 2);
        const QJsonArray sensors = QJsonDocument::fromJson(run.out.toUtf8()).object()["sensors"].toArray();
        QCOMPARE(sensors.size(), 2);
        QCOMPARE(sensors[0].toObject()["result"].toString(), QString("not-saved"));
        QCOMPARE(sensors[1].toObject()["file"].toString(), dir.filePath("out/127.0.22.66.VKT30"));
        QVERIFY(QFileInfo(dir.filePath("out/127.0.22.66.VKT30")).isFile());
        run = runCli(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.out.contains(QRegularExpression("127.0.22.65 +20417 .* was not written")) &&
                     run.out.contains(QRegularExpression("127.0.22.66 +20418 .* read into ")),
                 qPrintable(run.out));
    }

    // With --json every exit prints one JSON document, errors included; an address with a leading zero
    // in a part (read as octal by the socket layer) is refused by every command that talks to sensors,
    // and one sensor named twice is found by what it is, not by how it is written.
    void everyJsonExitPrintsOneDocumentAndAddressesAreStrict()
    {
        QTemporaryDir dir;
        const QString design = saveFleetDesign(dir);
        for (const QStringList &arguments :
             {QStringList{"info", "127.0.0.025", "--json"}, QStringList{"info", "127.0.22.69", "--json"},
              QStringList{"write", "127.0.22.69", dir.filePath("missing.VKT30"), "--json"},
              QStringList{"verify", "--json"}, QStringList{"diff", design, "nothing", "--json"}}) {
            const CliRun run = runCli(arguments);
            QVERIFY2(run.exitCode == 2 || run.exitCode == 3, qPrintable(arguments.join(' ')));
            const QJsonDocument document = QJsonDocument::fromJson(run.out.toUtf8());
            QVERIFY2(document.isObject(), qPrintable(arguments.join(' ') + ": " + run.out));
            QCOMPARE(document.object()["exitCode"].toInt(), run.exitCode);
        }
        CliRun run;
        for (const QStringList &arguments :
             {QStringList{"info", "127.0.0.025"}, QStringList{"monitor", "127.0.0.025"},
              QStringList{"stream", "127.0.0.025", "--seconds", "1"}}) {
            run = runCli(arguments);
            QCOMPARE(run.exitCode, 2);
            QVERIFY2(run.err.contains("leading zeros"), qPrintable(arguments.first() + ": " + run.err));
        }

        SimProcess sim;
        QVERIFY2(sim.start({"--address", "127.0.22.64", "--pty"}), qPrintable(sim.error));
        const QString link = dir.filePath("scanner");
        QVERIFY(QFile::link(sim.pty, link));
        run = runCli({"verify", sim.pty, link, design});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains("named twice"), qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(TestCliEndings)
#include "tst_cli_endings.moc"
