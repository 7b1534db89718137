// veltrin-cli on project files and discovery: help and exit codes, diff, report, discover, driven as a
// script would, through the real program and the real stand-in.
#include "cli_process.h"
#include "sim_process.h"

#include "area/file/project_file.h"
#include "area/file/sensor_settings.h"
#include "area/store/device_type.h"
#include "area/store/project_data.h"
#include "comm/codec/design_image.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A design with something in a few areas, as a commissioning engineer would save it.
void fillDesign(PROJECT_DATA &p)
{
    for (AREA_DATA &a : p.Areas)
        a.DetectionSize = 1;
    p.Areas[5].Out1Coord = {{-1200, -35}, {0, 2500}, {1200, -35}};
    p.Areas[5].Out2Shape = Fan;
    p.Areas[5].Out2Coord = {{0, 300}};
    p.Areas[7].Out1Shape = Arc;
    p.Areas[7].Out1Coord = {{2000, 0}, {-2000, 0}};
    p.Areas[7].OpenDelay = 3;
    p.Areas[7].SteerMinDgree = -30;
    p.Areas[7].SteerMaxDgree = 45;
}

QString save(const QTemporaryDir &dir, const QString &name, int model, const QVector<int> &states,
             PROJECT_DATA &p)
{
    const QString path = dir.filePath(name);
    if (!ProjectFile::save(path, model, states, p))
        return QString();
    return ProjectFile::withExtension(path, model);
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    void everyCommandHasHelpAndBadUsageExitsTwo()
    {
        const CliRun top = runCli({"--help"});
        QCOMPARE(top.exitCode, 0);
        for (const char *command :
             {"discover", "info", "read", "write", "verify", "diff", "stream", "report"}) {
            QVERIFY2(top.out.contains(QString("  %1 ").arg(command)), command);
            const CliRun help = runCli({command, "--help"});
            QCOMPARE(help.exitCode, 0);
            QVERIFY2(help.out.startsWith(QString("Usage: veltrin-cli %1").arg(command)),
                     qPrintable(help.out));
            QVERIFY(help.err.isEmpty());
        }
        QVERIFY(runCli({"help", "write"}).out.contains("--no-verify"));

        // Bad usage of every kind: exit 2, a message on standard error, nothing on standard output.
        const QList<QStringList> bad = {{},
                                        {"frobnicate"},
                                        {"diff", "only-one.VKT30"},
                                        {"diff", "a", "b", "c"},
                                        {"diff", "a", "b", "--no-such-option"},
                                        {"report", "x.VKT30", "-o"},
                                        {"discover", "--timeout", "soon"},
                                        {"discover", "--broadcast", "300.1.1.1"},
                                        {"write", "--no-verify=yes", "127.0.22.1", "x.VKT30"},
                                        {"report", "x.VKT30", "--language", "fr", "-o", "x.pdf"}};
        for (const QStringList &arguments : bad) {
            const CliRun run = runCli(arguments);
            QVERIFY2(run.exitCode == 2,
                     qPrintable(arguments.join(' ') + " -> " + QString::number(run.exitCode)));
            QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
            QVERIFY2(run.err.startsWith("veltrin-cli: "), qPrintable(run.err));
        }
    }

    // The listing of diff names area, output and field of each difference, the file's values on
    // either side; identical designs exit 0, different ones 1, files that are no projects 2.
    void diffListsEachDifferenceByAreaOutputAndField()
    {
        QTemporaryDir dir;
        PROJECT_DATA a, b;
        fillDesign(a);
        fillDesign(b);
        QVector<int> statesA = SensorSettings::defaults(), statesB = statesA;
        const QString fileA = save(dir, "a", Laser30, statesA, a);
        const QString same = save(dir, "same", Laser30, statesA, b);
        QVERIFY(!fileA.isEmpty() && !same.isEmpty());

        CliRun run = runCli({"diff", fileA, same});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QString());

        b.Areas[5].Out1Coord[1] = QPoint(0, 2600);
        b.Areas[5].Out2Coord.append(QPoint(0, 500));
        b.Areas[7].OpenDelay = 4;
        b.Areas[7].Out1Shape = Polygon;
        b.Areas[63].Out3Coord = {{1, 2}};
        statesB[11] = 0;  // motor speed
        statesB[21] = 99; // last part of the IP address
        const QString fileB = save(dir, "b", Laser30, statesB, b);
        run = runCli({"diff", fileA, fileB});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out.split('\n', Qt::SkipEmptyParts),
                 (QStringList{"sensor settings, Motor Speed: 20Hz,30Hz -> 10Hz,15Hz",
                              "sensor settings, IP Address: 192.168.1.88 -> 192.168.1.99",
                              "area 5, Out 1, point 2: 0,2500 -> 0,2600", "area 5, Out 2, points: 1 -> 2",
                              "area 7, on delay: 3 -> 4", "area 7, Out 1, shape: Arc -> Polygon",
                              "area 63, Out 3, points: 0 -> 1"}));

        run = runCli({"diff", fileA, fileB, "--json"});
        QCOMPARE(run.exitCode, 1);
        const QJsonObject o = QJsonDocument::fromJson(run.out.toUtf8()).object();
        QCOMPARE(o["identical"].toBool(true), false);
        const QJsonArray list = o["differences"].toArray();
        QCOMPARE(list.size(), 7);
        QCOMPARE(list[2].toObject(),
                 (QJsonObject{
                     {"area", 5}, {"output", 1}, {"field", "point 2"}, {"a", "0,2500"}, {"b", "0,2600"}}));

        // Another model is a difference too.
        const QString other = save(dir, "other", Laser50, statesA, a);
        run = runCli({"diff", fileA, other});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString("model: Laser30 -> Laser50\n"));

        // No project, or no file: bad file.
        QFile junk(dir.filePath("junk.VKT30"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("hello\r\n");
        junk.close();
        run = runCli({"diff", fileA, junk.fileName()});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains("not a project file"), qPrintable(run.err));
        QCOMPARE(runCli({"diff", fileA, dir.filePath("missing.VKT30")}).exitCode, 2);
    }

    // Reading a file without the window and writing it again gives the same bytes.
    void projectFileReadAndWrittenWithoutWidgetsKeepsEveryByte()
    {
        QTemporaryDir dir;
        PROJECT_DATA p;
        fillDesign(p);
        QVector<int> states = SensorSettings::defaults();
        states[0] = 3;
        states[18] = 10;
        states[26] = 1999;
        const QString first = save(dir, "first", Laser50, states, p);
        PROJECT_DATA q;
        ProjectFile::Contents contents;
        QCOMPARE(ProjectFile::load(first, q, contents), ProjectFile::LoadStatus::Loaded);
        QCOMPARE(contents.deviceType, int(Laser50));
        QCOMPARE(contents.sensorStates, states);
        QVERIFY(contents.repairs.isEmpty());
        QCOMPARE(SensorSettings::fromParameters(SensorSettings::toParameters(states)), states);
        const QString second = save(dir, "second", Laser50, contents.sensorStates, q);
        QFile a(first), b(second);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(b.readAll(), a.readAll());
        // Only a project of the model asked for is read; anything else leaves the design alone.
        q.Areas[5].Out1Coord.clear();
        QCOMPARE(ProjectFile::load(first, q, contents, Laser30), ProjectFile::LoadStatus::OtherModel);
        QVERIFY(q.Areas[5].Out1Coord.isEmpty());
    }

    void reportWritesThePdfWithTheDesignsCrc()
    {
        QTemporaryDir dir;
        PROJECT_DATA p;
        fillDesign(p);
        const QVector<int> states = SensorSettings::defaults();
        const QString file = save(dir, "site", Laser30, states, p);
        const QString pdf = dir.filePath("site.pdf");
        const CliRun run = runCli({"report", file, "-o", pdf});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QString()); // a script's log gets nothing from the platform
        const QString crc = QString::number(designImageCrc(p, SensorSettings::toParameters(states)), 16)
                                .toUpper()
                                .rightJustified(8, '0');
        QCOMPARE(run.out, QString("%1: 3 pages, CRC-32 %2\n").arg(pdf, crc));
        QProcess text;
        text.start("pdftotext", {"-layout", pdf, "-"});
        QVERIFY(text.waitForFinished(20000));
        const QString body = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(body.contains("CRC-32 " + crc), qPrintable(body.left(400)));
        QVERIFY(body.contains("Motor Speed"));
        QVERIFY(body.contains("2500"));

        // A report that cannot be written, or of something that is no project, is a bad file.
        QCOMPARE(runCli({"report", file, "-o", dir.filePath("no/such/folder/x.pdf")}).exitCode, 2);
        QCOMPARE(runCli({"report", pdf, "-o", dir.filePath("x.pdf")}).exitCode, 2);
        QCOMPARE(runCli({"report", file}).exitCode, 2);
    }

    // Two stand-in sensors answer discovery, one announcing UDP: one line each, or one JSON document.
    void discoverListsTheSensorsThatAnswer()
    {
        SimProcess fleet;
        QVERIFY2(fleet.start({"--address", "127.0.22.10-127.0.22.11", "--discovery", "--mode", "udp"}),
                 qPrintable(fleet.error));
        SimProcess single;
        QVERIFY2(single.start({"--address", "127.0.22.12", "--discovery"}), qPrintable(single.error));
        const QStringList targets{"--broadcast", "127.0.22.10", "--broadcast",
                                  "127.0.22.11", "--broadcast", "127.0.22.12"};
        CliRun run = runCli(QStringList{"discover", "--timeout", "1"} + targets);
        QCOMPARE(run.exitCode, 0);
        QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
        lines.sort();
        QCOMPARE(lines, (QStringList{"127.0.22.10 udp", "127.0.22.11 udp", "127.0.22.12 tcp"}));

        run = runCli(QStringList{"discover", "--timeout", "1", "--json"} + targets);
        QCOMPARE(run.exitCode, 0);
        const QJsonArray sensors = QJsonDocument::fromJson(run.out.toUtf8()).object()["sensors"].toArray();
        QCOMPARE(sensors.size(), 3);
        QVERIFY(sensors.contains(QJsonObject{{"address", "127.0.22.12"}, {"mode", "tcp"}}));

        // Nobody there: an empty list is no failure.
        run = runCli({"discover", "--timeout", "0.3", "--broadcast", "127.0.22.13"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QString());
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
