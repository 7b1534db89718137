// veltrin-cli against the stand-in process: info, read, write, verify and stream over TCP, UDP and a
// serial line (a real pseudo-terminal), a fleet written at once with one sensor rejecting, and the
// exit code of each outcome.
#include "cli_process.h"
#include "hand_frames.h"
#include "sim_process.h"

#include "area/file/project_file.h"
#include "area/file/sensor_settings.h"
#include "area/store/device_type.h"
#include "area/store/project_data.h"
#include "scan/scan_recording.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

// The design every test writes; ipLast, when given, makes the sensor's address 10.0.0.ipLast.
QString saveDesign(const QTemporaryDir &dir, const QString &name, int openDelay, int ipLast = -1)
{
    PROJECT_DATA p;
    for (AREA_DATA &a : p.Areas)
        a.DetectionSize = 1;
    // Points in bearing order, as the sensor keeps them, so that a read gives them back as they are.
    p.Areas[3].Out1Coord = {{1500, 200}, {0, 3000}, {-1500, 200}};
    p.Areas[3].Out2Shape = Straight;
    p.Areas[3].Out2Coord = {{0, 400}};
    p.Areas[7].OpenDelay = openDelay;
    p.Areas[7].Out1Coord = {{800, 100}, {800, 1800}, {-800, 1800}, {-800, 100}};
    QVector<int> states = SensorSettings::defaults();
    if (ipLast >= 0) {
        states[18] = 10;
        states[19] = states[20] = 0;
        states[21] = ipLast;
    }
    const QString path = dir.filePath(name + ".VKT30");
    return ProjectFile::save(path, Laser30, states, p) ? path : QString();
}

// Runs veltrin-cli with its standard error on a pseudo-terminal, as in a shell; what the terminal showed.
QByteArray stderrOnTerminal(const QStringList &arguments, int *exitCode)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        return QByteArray();
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    QProcess process;
    process.setStandardErrorFile(QString::fromLocal8Bit(::ptsname(master)));
    process.start(QStringLiteral(VELTRIN_CLI_PATH), arguments);
    QByteArray shown;
    char buffer[4096];
    auto drain = [&] {
        ssize_t n;
        while ((n = ::read(master, buffer, sizeof buffer)) > 0)
            shown.append(buffer, int(n));
    };
    while (process.state() != QProcess::NotRunning && !process.waitForFinished(20))
        drain(); // a full terminal would stop the writer
    drain();
    ::close(master);
    *exitCode = process.exitCode();
    return shown;
}

QJsonObject json(const CliRun &run)
{
    return QJsonDocument::fromJson(run.out.toUtf8()).object();
}

} // namespace

class TestCliExchange : public QObject {
    Q_OBJECT

private slots:
    // One sensor over TCP: what it is, a design written and verified, a changed design found
    // different, and the design read back into a file that diff finds identical.
    void oneSensorInfoWriteVerifyRead()
    {
        SimProcess sim;
        QVERIFY2(sim.start({"--address", "127.0.22.20"}), qPrintable(sim.error));
        QTemporaryDir dir;
        const QString design = saveDesign(dir, "design", 3);
        const QString changed = saveDesign(dir, "changed", 4);

        CliRun run = runCli({"info", "127.0.22.20", "--json"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(json(run)["product"].toObject()["serial"].toInt(), 20417);
        QVERIFY(json(run)["selfCheck"].toObject().contains("temperature_c"));
        run = runCli({"info", "127.0.22.20"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains(QRegularExpression("Serial number: +20417\n")), qPrintable(run.out));

        run = runCli({"write", "127.0.22.20", design});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY2(run.out.startsWith("127.0.22.20: written and verified (serial number 20417"),
                 qPrintable(run.out));
        QCOMPARE(runCli({"verify", "127.0.22.20", design}).exitCode, 0);

        run = runCli({"verify", "127.0.22.20", changed});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString("area 7, on delay: 4 -> 3\n"));
        run = runCli({"verify", "127.0.22.20", changed, "--json"});
        QCOMPARE(run.exitCode, 1);
        const QJsonArray differences = json(run)["sensors"].toArray()[0].toObject()["differences"].toArray();
        QCOMPARE(
            differences,
            (QJsonArray{QJsonObject{{"area", 7}, {"field", "on delay"}, {"file", "4"}, {"sensor", "3"}}}));

        const QString back = dir.filePath("back");
        run = runCli({"read", "127.0.22.20", "-o", back});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(QFileInfo::exists(back + ".VKT30")); // the sensor's model gives the extension
        run = runCli({"diff", design, back + ".VKT30"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.out));
    }

    // A sensor whose straight zone keeps other bytes in the slots a straight does not use (no project
    // file can hold them): read into a file, that file verifies as identical, and the output is named
    // in a note, on standard error and in the JSON, rather than as a difference.
    void verifyNamesOutputsWithValuesNoDesignHolds()
    {
        SimProcess sim;
        QVERIFY2(sim.start({"--address", "127.0.22.24"}), qPrintable(sim.error));
        QByteArray area(1 + 8 + 48 + 1200, '\0');
        area[0] = char(7);
        const int out1 = 9, out2 = 9 + 16, points1 = 57, points2 = 57 + 400;
        area[out1 + 1] = char(0); // a polygon of three points
        put16(area, out1 + 2, 3);
        const int xy[] = {1000, 1000, 0, 2000, -1000, 1000};
        for (int k = 0; k < 6; ++k)
            put16(area, points1 + 2 * k, xy[k]);
        for (int k = 0; k < 16; ++k)
            area[out2 + k] = char(0x31 + k);
        area[out2] = char(0);
        area[out2 + 1] = char(3); // straight, at 2500 mm
        put16(area, out2 + 10, 2500);
        for (int k = 0; k < 400; ++k)
            area[points2 + k] = char(k);
        RawLink raw;
        QVERIFY(raw.open("127.0.22.24"));
        QCOMPARE(raw.exchange(framed("WArea", area), 8).mid(5, 1), QByteArray(1, '\0'));
        raw.socket.disconnectFromHost();

        QTemporaryDir dir;
        const QString back = dir.filePath("back");
        CliRun run = runCli({"read", "127.0.22.24", "-o", back});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QString file = QDir(dir.path()).entryList({"back.*"}).value(0);
        QVERIFY(!file.isEmpty());
        run = runCli({"verify", "127.0.22.24", dir.filePath(file)});
        QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
        QVERIFY2(run.out.startsWith("127.0.22.24: identical"), qPrintable(run.out));
        QCOMPARE(run.err.split('\n').filter("note: "),
                 QStringList{"note: area 7 Out2 holds values in slots its shape does not use; not compared"});
        run = runCli({"verify", "127.0.22.24", dir.filePath(file), "--json"});
        QCOMPARE(run.exitCode, 0);
        const QJsonObject sensor = json(run)["sensors"].toArray()[0].toObject();
        QCOMPARE(sensor["notes"].toArray(), QJsonArray{"area 7 Out2"});
        QVERIFY(sensor["differences"].toArray().isEmpty());
    }

    // Settings a sensor holds beyond the dock's values (RS485 ID 0, Cross Number entry 9) go through
    // write, read, verify and diff unchanged, with a note; only what cannot be sent at all is refused.
    void settingsBeyondTheDockSurviveWriteReadAndVerify()
    {
        SimProcess sim;
        QVERIFY2(sim.start({"--address", "127.0.22.23"}), qPrintable(sim.error));
        QTemporaryDir dir;
        PROJECT_DATA p;
        QVector<int> states = SensorSettings::defaults();
        states[4] = 0;  // RS485 ID
        states[16] = 9; // Cross Number entry
        const QString design = dir.filePath("odd.VKT30");
        QVERIFY(ProjectFile::save(design, Laser30, states, p));

        CliRun run = runCli({"write", "127.0.22.23", design});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY2(
            run.err.contains("RS485 ID(1-127): 0 is not among the settings dock's values; kept as it is"),
            qPrintable(run.err));
        const QString back = dir.filePath("back");
        run = runCli({"read", "127.0.22.23", "-o", back});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        run = runCli({"verify", "127.0.22.23", back + ".VKT30"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
        run = runCli({"diff", design, back + ".VKT30"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.out));
        QVERIFY2(runCli({"write", "127.0.22.23", back + ".VKT30"}).exitCode == 0, qPrintable(run.err));

        states[4] = 70000; // no 16-bit value: damage, nothing sent
        QVERIFY(ProjectFile::save(design, Laser30, states, p));
        run = runCli({"write", "127.0.22.23", design});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains("70000 cannot be sent"), qPrintable(run.err));
    }

    // Every failure has its exit code: a file that is no project 2 and nothing sent, a sensor that
    // is not there 3, a sensor that rejects the write 1.
    void exitCodesOfFailures()
    {
        SimProcess rejecting;
        QVERIFY2(rejecting.start({"--address", "127.0.22.21", "--write-status", "1"}),
                 qPrintable(rejecting.error));
        QTemporaryDir dir;
        const QString design = saveDesign(dir, "design", 3);
        QFile junk(dir.filePath("junk.VKT30"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("KDR_VKT_99\r\n");
        junk.close();

        CliRun run = runCli({"write", "127.0.22.21", junk.fileName()});
        QCOMPARE(run.exitCode, 2);
        // A file cut inside area 11 is damaged, not a design with empty areas: refused before anything
        // is sent (the rejecting sensor would have answered with exit 1).
        QFile sound(design);
        QVERIFY(sound.open(QIODevice::ReadOnly));
        const QByteArray cut = sound.readAll().left(sound.size() / 4);
        sound.close();
        QFile damaged(dir.filePath("cut.VKT30"));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(cut);
        damaged.close();
        run = runCli({"write", "127.0.22.21", damaged.fileName()});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains("the file ends inside area") && run.err.contains("nothing written"),
                 qPrintable(run.err));
        // A design for another model is not sent (the rejecting sensor would have answered with exit 1).
        PROJECT_DATA small;
        const QString other = dir.filePath("small.VKT05");
        QVERIFY(ProjectFile::save(other, Laser05, SensorSettings::defaults(), small));
        run = runCli({"write", "127.0.22.21", other});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(
            run.err.contains("The sensor is model VKT30 (code 3); the design is for model VKT05 (code 0). "
                             "Nothing was written."),
            qPrintable(run.err));
        run = runCli({"write", "127.0.22.21", design});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("rejected"), qPrintable(run.err));
        run = runCli({"info", "127.0.22.29"}); // nobody listens there
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.contains("127.0.22.29"), qPrintable(run.err));
        QCOMPARE(runCli({"write", "not-an-address", design}).exitCode, 2);
    }

    // A fleet written at once: each sensor over its own connection, one rejecting; the others are
    // written and verified all the same, the table says which is which, and the exit code is 1.
    void fleetWriteGoesOnPastOneRejectingSensor()
    {
        SimProcess fleet;
        QVERIFY2(fleet.start({"--address", "127.0.22.40-127.0.22.43", "--reject-writes", "127.0.22.42"}),
                 qPrintable(fleet.error));
        QTemporaryDir dir;
        const QString design = saveDesign(dir, "design", 2);
        const QStringList addresses{"127.0.22.40", "127.0.22.41", "127.0.22.42", "127.0.22.43"};
        CliRun run = runCli(QStringList{"write"} + addresses + QStringList{design});
        QCOMPARE(run.exitCode, 1);
        QStringList rows = run.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 5);
        QVERIFY(rows[0].startsWith("ADDRESS"));
        for (int i = 0; i < 4; ++i) {
            QVERIFY2(rows[i + 1].startsWith(addresses[i]), qPrintable(rows[i + 1]));
            QVERIFY2(rows[i + 1].contains(QString::number(20417 + i)), qPrintable(rows[i + 1]));
            QVERIFY2(rows[i + 1].endsWith(i == 2 ? QString() : QString("written and verified")) &&
                         rows[i + 1].contains(i == 2 ? "rejected" : "verified"),
                     qPrintable(rows[i + 1]));
        }
        // On a terminal the progress is a bar redrawn in place.
        int code = -1;
        const QByteArray shown =
            stderrOnTerminal(QStringList{"verify"} + addresses.mid(0, 2) + QStringList{design}, &code);
        QCOMPARE(code, 0);
        QVERIFY2(shown.contains("\r\033[K") && shown.contains("verifying") && shown.contains("[####"),
                 shown.left(300).constData());

        // What the others hold is the design; verify says so for them and exits 1 for the fleet.
        run = runCli(QStringList{"verify", "--json"} + addresses + QStringList{design});
        QCOMPARE(run.exitCode, 1);
        const QJsonArray sensors = json(run)["sensors"].toArray();
        QCOMPARE(sensors.size(), 4);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(sensors[i].toObject()["result"].toString(), QString(i == 2 ? "differences" : "ok"));
    }

    // A fleet on two serial lines written from one file, without the read-back and restarted, then read
    // into one file per sensor: each holds the design, and each kept its own IP address, which a single
    // sensor's write does take from the file. The two devices have one name in different folders, and
    // their files do not overwrite each other.
    void serialFleetKeepsEachSensorsAddressAndReadsIntoOneFilePerSensor()
    {
        SimProcess first, second;
        QVERIFY2(first.start({"--address", "127.0.22.44", "--pty", "--boot-ms", "0"}),
                 qPrintable(first.error));
        QVERIFY2(second.start({"--address", "127.0.22.45", "--pty", "--boot-ms", "0"}),
                 qPrintable(second.error));
        QTemporaryDir dir;
        QStringList devices;
        for (const QString &folder : {QString("left"), QString("right")}) {
            QVERIFY(QDir(dir.path()).mkpath(folder));
            devices << dir.filePath(folder + "/scanner");
        }
        QVERIFY(QFile::link(first.pty, devices[0]) && QFile::link(second.pty, devices[1]));
        for (int i = 0; i < 2; ++i) {
            const QString own = saveDesign(dir, QString("own%1").arg(i), 0, 44 + i);
            QCOMPARE(runCli({"write", devices[i], own}).exitCode, 0);
        }
        const QString design = saveDesign(dir, "design", 5);
        CliRun run = runCli(QStringList{"write", "--no-verify", "--restart", "--json"} + devices +
                            QStringList{design});
        QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
        for (const QJsonValue &sensor : json(run)["sensors"].toArray())
            QCOMPARE(sensor.toObject()["message"].toString(), QString("written and restarted"));
        QCOMPARE(runCli(QStringList{"verify"} + devices + QStringList{design}).exitCode, 0);

        run = runCli(QStringList{"read", "-o", dir.filePath("site.VKT30")} + devices);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QStringList files = QDir(dir.path()).entryList({"site-*.VKT30"});
        QCOMPARE(files.size(), 2);
        run = runCli(QStringList{"read", "-o", dir.filePath("site") + "/"} + devices);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY2(run.out.contains(QRegularExpression("scanner +20417 +[0-9.]+ s  read into ")),
                 qPrintable(run.out));
        files = QDir(dir.filePath("site")).entryList({"*.VKT30"});
        QCOMPARE(files.size(), 2);
        QStringList addresses;
        for (const QString &name : files) {
            run = runCli({"diff", design, dir.filePath("site/" + name)});
            addresses << run.out;
        }
        addresses.sort();
        QCOMPARE(addresses, (QStringList{"sensor settings, IP Address: 192.168.1.88 -> 10.0.0.44\n",
                                         "sensor settings, IP Address: 192.168.1.88 -> 10.0.0.45\n"}));
        // One sensor on its own is written and compared with everything the file says.
        run = runCli({"verify", devices[0], design});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString("sensor settings, IP Address (first two parts): 192.168 -> 10.0\n"
                                  "sensor settings, IP Address (last two parts): 1.88 -> 0.44\n"));
    }

    // The live scan as ndjson over UDP, recorded at the same time; csv over a serial line.
    void streamPrintsRevolutionsAndRecordsThem()
    {
        SimProcess sim;
        // Generous: a sanitized build spends much of a short stream starting up.
        QVERIFY2(sim.start({"--address", "127.0.22.22", "--pty", "--rate", "20"}), qPrintable(sim.error));
        QTemporaryDir dir;
        const QString record = dir.filePath("site.vscan");
        CliRun run = runCli(
            {"stream", "127.0.22.22", "--udp", "--seconds", "4", "--format", "ndjson", "--record", record});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.size() >= 3, qPrintable(run.err));
        const QJsonObject first = QJsonDocument::fromJson(lines[0].toUtf8()).object();
        const QJsonArray angles = first["angle_deg"].toArray();
        QVERIFY(angles.size() > 0);
        QCOMPARE(first["distance_mm"].toArray().size(), angles.size());
        QCOMPARE(first["intensity"].toArray().size(), angles.size());
        QCOMPARE(angles.first().toDouble(), -70.0);
        QVERIFY(angles.last().toDouble() < 250.0 && angles.last().toDouble() > 249.0);
        ScanRecording recording;
        RecordingError error;
        QVERIFY(recording.open(record, &error));
        QVERIFY(recording.scanCount() >= lines.size() - 1);
        QCOMPARE(recording.header().product.SerialNumber, quint16(20417));

        run = runCli({"stream", sim.pty, "--baud", "115200", "--seconds", "3"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(run.out.startsWith("revolution,angle_deg,distance_mm,intensity\n0,250.000,"));
        QVERIFY(run.out.count('\n') > 640);
    }
};

QTEST_GUILESS_MAIN(TestCliExchange)
#include "tst_cli_exchange.moc"
