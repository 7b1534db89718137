// A design checked against a short recording whose every scan is written by hand, so that each switching
// rule (detection size, on delay, hysteresis, off delay) is seen to act on the scan where it must.

#include "area/store/device_type.h"
#include "check/design_check.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kBeams = 640;
constexpr int kAhead = 320; // serial beam index looking straight ahead (bearing 90 deg)

// Out 1 of area 0: swept from the sensor to a band 500..2000 mm ahead, 2 m wide.
AREA_DATA guardedArea()
{
    AREA_DATA a;
    a.Out1Shape = Polygon;
    a.Out1Coord = {{-1000, 500}, {1000, 500}, {1000, 2000}, {-1000, 2000}};
    a.OpenDelay = 2;     // 40 ms
    a.CloseDelay = 3;    // 60 ms
    a.Hysteresis = 10;   // off only beyond 2200 mm ahead
    a.DetectionSize = 1; // 1.0 deg: two neighbouring beams
    return a;
}

// One serial scan: walls far away, and an object of `beams` beams straight ahead at `distance`.
QVector<quint16> scanWith(int beams, int distance)
{
    QVector<quint16> d(kBeams, 10000);
    for (int i = 0; i < beams; ++i)
        d[kAhead + i] = quint16(distance);
    return d;
}

RecordingHeader header()
{
    RecordingHeader h;
    h.model = kDefaultDeviceType;
    h.start = QDateTime(QDate(2026, 3, 2), QTime(7, 0), Qt::UTC);
    return h;
}

SelfCheckReport reported(uint outputs)
{
    SelfCheckReport r;
    r.InputPorts = 0; // area 0 active
    r.OutputPorts = outputs;
    return r;
}

} // namespace

class TestCheck : public QObject {
    Q_OBJECT

private slots:
    void switchingFollowsDelaysDetectionSizeAndHysteresis()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("short.vscan");
        // Scan k at k x 20 ms: what stands ahead of the sensor.
        const QVector<QPair<int, int>> ahead = {
            {0, 0},    {0, 0},    {1, 1900}, // 0-2: clear, then one beam: smaller than the detection size
            {3, 1900}, {3, 1900}, {3, 1900}, // 3-5: an object; on after 40 ms, at scan 5
            {3, 2100}, {3, 2100},            // 6-7: outside the zone, inside its 10 % widening: stays on
            {3, 2300}, {3, 2300},            // 8-9: clear for 20 ms, shorter than the off delay
            {3, 1900},                       // 10: back, the off delay starts again
            {0, 0},    {0, 0},    {0, 0},    {0, 0}, // 11-14: clear; off after 60 ms, at scan 14
            {3, 2100},         // 15: in the widening only: an output that is off stays off
            {3, 1900}, {0, 0}, // 16-17: a breach with a break, too short to switch
            {3, 1900}, {3, 1900}, {3, 1900}, {3, 1900}, // 18-21: on again at scan 20, until the end
        };
        ScanRecordingWriter writer;
        QVERIFY(writer.open(path, header()));
        const QVector<quint16> dark(kBeams, 0);
        for (int k = 0; k < ahead.size(); ++k) {
            const QVector<quint16> d = scanWith(ahead[k].first, ahead[k].second);
            QVERIFY(writer.addScan(RecordedScan::Serial, k * 20, d.constData(), dark.constData(), kBeams));
            // The sensor's own lamps after some scans: right after scans 5 and 14, wrong after scan 7.
            if (k == 5)
                QVERIFY(writer.addSelfCheck(k * 20 + 5, reported(0b001)));
            if (k == 7)
                QVERIFY(writer.addSelfCheck(k * 20 + 5, reported(0b000)));
            if (k == 14)
                QVERIFY(writer.addSelfCheck(k * 20 + 5, reported(0b000)));
        }
        QVERIFY(writer.close(440));
        ScanRecording recording;
        RecordingError error;
        QVERIFY(recording.open(path, &error));

        QVector<AREA_DATA> areas(64);
        areas[0] = guardedArea();
        const DesignCheck check(areas, kDefaultDeviceType);
        const CheckResult r = check.run(recording, CheckOptions());
        QCOMPARE(r.scans, ahead.size());
        QCOMPARE(r.events.size(), 2);
        QCOMPARE(r.events[0].output, 0);
        QCOMPARE(r.events[0].area, 0);
        QCOMPARE(r.events[0].firstScan, 5);
        QCOMPARE(r.events[0].startMs, qint64(100));
        QCOMPARE(r.events[0].durationMs, qint64(180)); // scan 5 to scan 14
        QVERIFY(qAbs(r.events[0].nearestMm - 1900) < 2);
        QVERIFY(qAbs(r.events[0].nearest.y() - 1900) < 2 && qAbs(r.events[0].nearest.x()) < 40);
        QCOMPARE(r.events[1].firstScan, 20);
        QCOMPARE(r.events[1].durationMs, qint64(40)); // still on when the recording ends at 440 ms
        QCOMPARE(r.outputs[0].count, 2);
        QCOMPARE(r.outputs[0].totalMs, qint64(220));
        QCOMPARE(r.outputs[0].longestMs, qint64(180));
        QCOMPARE(r.outputs[1].count, 0);

        // Agreement: three reports, the one after scan 7 wrong about Out 1.
        QVERIFY(r.sensorOutputsKnown);
        QCOMPARE(r.outputs[0].comparedScans, 3);
        QCOMPARE(r.outputs[0].agreeScans, 2);
        QCOMPARE(r.outputs[2].agreeScans, 3);
        QCOMPARE(r.disagreements.size(), 1);
        QCOMPARE(r.disagreements[0].scan, 7);
        QVERIFY(r.disagreements[0].check && !r.disagreements[0].sensor);

        // Another area checked: nothing switches, and the sensor's lamps (area 0) are not compared.
        CheckOptions other;
        other.area = 1;
        const CheckResult r1 = check.run(recording, other);
        QVERIFY(r1.events.isEmpty());
        QVERIFY(!r1.sensorOutputsKnown);

        // One thread or several: the same events, scan for scan.
        for (int threads : {1, 2, 3}) {
            CheckOptions some;
            some.threads = threads;
            const CheckResult t = check.run(recording, some);
            QCOMPARE(t.events.size(), r.events.size());
            for (int i = 0; i < t.events.size(); ++i) {
                QCOMPARE(t.events[i].firstScan, r.events[i].firstScan);
                QCOMPARE(t.events[i].durationMs, r.events[i].durationMs);
                QCOMPARE(t.events[i].nearest, r.events[i].nearest);
            }
            QCOMPARE(t.disagreements.size(), r.disagreements.size());
        }

        // A scan line damaged since the recording was opened (line 16, scan 12): the check stops before
        // it and says where, never taking it for an empty scan.
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const QByteArray bytes = f.readAll();
        int at = 0;
        for (int line = 1; line < 16; ++line)
            at = bytes.indexOf('\n', at) + 1;
        QVERIFY(bytes.mid(at).startsWith("S 240 "));
        QVERIFY(f.seek(at));
        f.write("R");
        f.close();
        const CheckResult damaged = check.run(recording, CheckOptions());
        QCOMPARE(int(damaged.damage.kind), int(RecordingError::BadLine));
        QCOMPARE(damaged.damage.line, 16);
        QCOMPARE(damaged.scans, 12);
        QCOMPARE(damaged.events.size(), 1);
    }

    void areaUnknownWithoutReportsAndIndexesHeldToTheirLists()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("bare.vscan");
        ScanRecordingWriter writer;
        QVERIFY(writer.open(path, header()));
        const QVector<quint16> d = scanWith(3, 1900);
        QVERIFY(writer.addScan(RecordedScan::Serial, 0, d.constData(), d.constData(), kBeams));
        QVERIFY(writer.close(20));
        ScanRecording recording;
        RecordingError error;
        QVERIFY(recording.open(path, &error));
        QVector<AREA_DATA> areas(64);
        areas[0] = guardedArea();
        const DesignCheck check(areas, kDefaultDeviceType);
        QVERIFY(check.run(recording, CheckOptions()).activeAreaUnknown);
        CheckOptions zero;
        zero.area = 0;
        QCOMPARE(check.run(recording, zero).events.size(), 0); // the on delay has not passed

        // A damaged file's indexes: no negative delay, no zone shrunk by a negative hysteresis.
        AREA_DATA bad;
        bad.OpenDelay = 99;
        bad.CloseDelay = -4;
        bad.Hysteresis = -50;
        bad.DetectionSize = 40;
        const zone::SwitchRules rules = zone::SwitchRules::of(bad);
        QCOMPARE(rules.onDelayMs, qint64(500));
        QCOMPARE(rules.offDelayMs, qint64(0));
        QCOMPARE(rules.hysteresisScale, 1.0);
        QCOMPARE(rules.detectionDegrees, 5.0);
    }
};

QTEST_GUILESS_MAIN(TestCheck)
#include "tst_check.moc"
