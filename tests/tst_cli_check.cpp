// veltrin-cli check as a build pipeline uses it: the exit code says whether a listed output would switch,
// --compare says what a change of design adds and removes, and unreadable files are told apart.

#include "area/file/project_file.h"
#include "area/file/sensor_settings.h"
#include "area/store/device_type.h"
#include "area/store/project_data.h"
#include "cli_process.h"
#include "scan/scan_recording.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kBeams = 640;
constexpr int kAhead = 320; // the serial beam straight ahead

// Out 1 guards up to `reach` mm ahead, Out 2 up to 1000 mm.
QString design(const QTemporaryDir &dir, const QString &name, int reach)
{
    PROJECT_DATA p;
    p.Areas.resize(64);
    AREA_DATA &a = p.Areas[0];
    a.Out1Coord = {{-1000, 300}, {1000, 300}, {1000, reach}, {-1000, reach}};
    a.Out2Coord = {{-1000, 300}, {1000, 300}, {1000, 1000}, {-1000, 1000}};
    const QString path = dir.filePath(name);
    if (!ProjectFile::save(path, Laser30, SensorSettings::defaults(), p))
        return QString();
    return ProjectFile::withExtension(path, Laser30);
}

// Ten serial scans 40 ms apart; an object 1900 mm ahead in scans 3 to 6. With reports: area 0 active.
QString recording(const QTemporaryDir &dir, const QString &name, bool reports)
{
    RecordingHeader h;
    h.model = Laser30;
    h.start = QDateTime(QDate(2026, 3, 2), QTime(7, 0), Qt::UTC);
    ScanRecordingWriter w;
    const QString path = dir.filePath(name);
    if (!w.open(path, h))
        return QString();
    for (int k = 0; k < 10; ++k) {
        QVector<quint16> d(kBeams, 9000);
        if (k >= 3 && k <= 6)
            d[kAhead] = d[kAhead + 1] = d[kAhead + 2] = 1900;
        w.addScan(RecordedScan::Serial, k * 40, d.constData(), d.constData(), kBeams);
        if (reports)
            w.addSelfCheck(k * 40 + 1, SelfCheckReport());
    }
    return w.close(400) ? path : QString();
}

} // namespace

class TestCliCheck : public QObject {
    Q_OBJECT

private slots:
    void failOnSaysWhetherAListedOutputWouldSwitch()
    {
        QTemporaryDir dir;
        const QString a = design(dir, "wide", 2000), rec = recording(dir, "yard.vscan", true);
        QVERIFY(!a.isEmpty() && !rec.isEmpty());

        const CliRun hit = runCli({"check", a, rec, "--fail-on", "out1"});
        QCOMPARE(hit.exitCode, 1);
        QVERIFY2(hit.out.contains("00:00.120  area  0  Out 1     0.16 s  nearest 1899 mm"),
                 qPrintable(hit.out));
        QVERIFY(hit.out.contains("Out 1: switched once, 0.16 s in all, longest 0.16 s"));
        // The sensor reported every output off, so Out 1's four scans of the object disagree.
        QVERIFY(hit.out.contains("agrees with the sensor in 60.0 % of 10 scans"));
        QVERIFY(hit.err.contains("--fail-on"));

        QCOMPARE(runCli({"check", a, rec, "--fail-on", "out2,out3"}).exitCode, 0);
        QCOMPARE(runCli({"check", a, rec}).exitCode, 0);
    }

    void compareShowsWhatTheChangeAddsAndRemoves()
    {
        QTemporaryDir dir;
        const QString wide = design(dir, "wide", 2000), shorter = design(dir, "short", 1500);
        const QString rec = recording(dir, "yard.vscan", true);
        const CliRun text = runCli({"check", wide, rec, "--compare", shorter});
        QCOMPARE(text.exitCode, 0);
        QVERIFY2(text.out.contains("Out 1: 1 stops before, 0 after"), qPrintable(text.out));
        QVERIFY(text.out.contains("Out 2: 0 stops before, 0 after"));

        const CliRun json = runCli({"check", shorter, rec, "--compare", wide, "--json", "--fail-on", "out1"});
        QCOMPARE(json.exitCode, 0);
        const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8()).object();
        QCOMPARE(o["wouldSwitch"].toBool(true), false);
        const QJsonObject out1 = o["compare"].toObject()["outputs"].toArray().at(0).toObject();
        QCOMPARE(out1["before"].toInt(-1), 0);
        QCOMPARE(out1["after"].toInt(-1), 1);
        QCOMPARE(o["outputs"].toArray().at(0).toObject()["agreementPercent"].toDouble(), 100.0);
    }

    void unreadableInputsExitTwoWithTheReason()
    {
        QTemporaryDir dir;
        const QString a = design(dir, "wide", 2000), rec = recording(dir, "yard.vscan", true);
        QFile junk(dir.filePath("junk.vscan"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a recording\n");
        junk.close();

        const CliRun badRecording = runCli({"check", a, junk.fileName(), "--fail-on", "out1"});
        QCOMPARE(badRecording.exitCode, 2);
        QVERIFY2(badRecording.err.contains("junk.vscan"), qPrintable(badRecording.err));
        const CliRun badDesign = runCli({"check", junk.fileName(), rec});
        QCOMPARE(badDesign.exitCode, 2);
        QVERIFY(badDesign.err.contains("is not a project file"));
        QCOMPARE(runCli({"check", a, dir.filePath("missing.vscan")}).exitCode, 2);
        QCOMPARE(runCli({"check", a, rec, "--fail-on", "out4"}).exitCode, 2);
        QCOMPARE(runCli({"check", a, rec, "--area", "64"}).exitCode, 2);

        // Without any report the area must be named; named, the check runs.
        const QString bare = recording(dir, "bare.vscan", false);
        const CliRun unknown = runCli({"check", a, bare});
        QCOMPARE(unknown.exitCode, 2);
        QVERIFY(unknown.err.contains("--area"));
        QCOMPARE(runCli({"check", a, bare, "--area", "0", "--fail-on", "out1"}).exitCode, 1);
    }
};

QTEST_GUILESS_MAIN(TestCliCheck)
#include "tst_cli_check.moc"
