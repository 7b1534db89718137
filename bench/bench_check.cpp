// A design checked against a recording at the finest resolution (12,800 points a revolution, 30 Hz):
// 64 areas with zones, the active area changing every two seconds through all of them, an object
// crossing the zones. The recording is generated here and is shorter than an hour (the reader holds a
// recording in memory); check_1h_s is the time for an hour at the measured rate, to hold against 20 s,
// check_1h_cpu_s the processor time that takes, and check_unpack_1h_s the reader's own time to unpack
// every scan of that hour on one thread: the floor of any check.
// Prints "name value unit" lines.
#include "area/store/device_type.h"
#include "check/design_check.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtMath>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <random>

namespace {

constexpr int kPoints = 12800, kRate = 30, kSeconds = 120;

QVector<QPoint> rectangle(int left, int bottom, int right, int top)
{
    return {QPoint(left, bottom), QPoint(left, top), QPoint(right, top), QPoint(right, bottom)};
}

// Every shape the editor offers, varied from area to area.
QVector<AREA_DATA> design()
{
    QVector<AREA_DATA> areas(64);
    for (int i = 0; i < 64; ++i) {
        AREA_DATA &a = areas[i];
        const int g = 20 * i;
        a.OpenDelay = i % 4;
        a.CloseDelay = i % 5;
        a.Hysteresis = i % 11;
        a.DetectionSize = i % 10;
        switch (i % 3) {
        case 0:
            a.Out1Shape = Rectangle;
            a.Out1Coord = rectangle(-900 - g, 300, 900 + g, 2600 + g);
            a.Out2Shape = Polygon;
            a.Out2Coord = {{-1800 - g, -400},
                           {-1700 - g, 3200 + g},
                           {0, 3800 + g},
                           {1700 + g, 3200 + g},
                           {1800 + g, -400}};
            a.Out3Shape = Arc;
            a.Out3Coord = {{4500 + g, 0}, {-4500 - g, 0}};
            break;
        case 1:
            a.Out1Shape = Arc;
            a.Out1Coord = {{2500, 2500 + g}, {-2500, 2500 + g}};
            a.Out2Shape = Straight;
            a.Out2Coord = {{0, 2200 + g}};
            a.Out3Shape = Fan;
            a.Out3Coord = {{0, 1500 + g}};
            break;
        default:
            a.Out1Shape = Polygon;
            a.Out1Coord = {{-1400, 200}, {-1100 - g, 3600 + g}, {1100 + g, 3600 + g}, {1400, 200}};
            a.Out2Shape = Fan;
            a.Out2Coord = {{0, 3000 + g}};
            a.Out3Shape = Ratio;
            a.Out3Coord = {{0, 2000 + g}};
            break;
        }
    }
    return areas;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.vscan"));
    RecordingHeader header;
    header.model = Laser30;
    header.pointsPerDegree = kPoints / 320;
    header.start = QDateTime::currentDateTimeUtc();
    ScanRecordingWriter writer;
    if (!writer.open(path, header)) {
        std::printf("check_error 1 flag\n");
        return 1;
    }
    QVector<double> cosine(kPoints), sine(kPoints), room(kPoints);
    for (int i = 0; i < kPoints; ++i) {
        const double a = qDegreesToRadians(-70 + 320.0 * i / kPoints);
        cosine[i] = std::cos(a);
        sine[i] = std::sin(a);
        double t = 1e9;
        if (cosine[i] > 1e-9)
            t = std::min(t, 5500 / cosine[i]);
        if (cosine[i] < -1e-9)
            t = std::min(t, -3200 / cosine[i]);
        if (sine[i] > 1e-9)
            t = std::min(t, 7800 / sine[i]);
        if (sine[i] < -1e-9)
            t = std::min(t, -3600 / sine[i]);
        room[i] = std::min(t, 30000.0);
    }
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0, 8);
    QVector<quint16> d(kPoints), in(kPoints, 1000);
    const int revolutions = kRate * kSeconds;
    for (int r = 0; r < revolutions; ++r) {
        const qint64 ms = qint64(r) * 1000 / kRate;
        // An object of 400 mm sweeping to and fro, 1 to 5 m ahead.
        const double s = ms / 1000.0;
        const double ox = 2500 * std::sin(s * 0.7), oy = 3000 + 2000 * std::sin(s * 0.31);
        for (int i = 0; i < kPoints; ++i) {
            double range = room[i];
            const double along = ox * cosine[i] + oy * sine[i];
            const double across2 = ox * ox + oy * oy - along * along;
            if (along > 0 && across2 < 400.0 * 400.0)
                range = std::min(range, along - std::sqrt(400.0 * 400.0 - across2));
            d[i] = quint16(qBound(1.0, range + noise(random), 65535.0));
        }
        writer.addScan(RecordedScan::Revolution, ms, d.constData(), in.constData(), kPoints);
        if (r % 6 == 0) {
            SelfCheckReport report;
            report.InputPorts = uint((ms / 2000) % 64);
            writer.addSelfCheck(ms + 1, report);
        }
    }
    writer.close(kSeconds * 1000);
    ScanRecording recording;
    RecordingError error;
    if (!recording.open(path, &error)) {
        std::printf("check_error 1 flag\n");
        return 1;
    }

    // The floor: unpacking every scan of the recording, on one thread.
    QElapsedTimer clock;
    clock.start();
    qint64 unpacked = 0;
    for (int k = 0; k < recording.scanCount(); ++k)
        unpacked += recording.scan(k).distance.size();
    const double unpackS = clock.nsecsElapsed() / 1e9;

    const DesignCheck check(design(), Laser30);
    clock.start();
    const std::clock_t cpu = std::clock();
    const CheckResult result = check.run(recording, CheckOptions());
    const double seconds = clock.nsecsElapsed() / 1e9;
    const double cpuSeconds = double(std::clock() - cpu) / CLOCKS_PER_SEC;
    const double hour = 3600.0 / kSeconds;
    const double scansPerSecond = result.scans / seconds;
    std::printf("check_recording_s %d s\n", kSeconds);
    std::printf("check_scans_per_s %.0f scans/s\n", scansPerSecond);
    std::printf("check_points_per_s %.1f Mpoints/s\n", scansPerSecond * kPoints / 1e6);
    std::printf("check_1h_s %.1f s\n", seconds * hour);
    // Processor time of all threads: on two idle cores the check takes about half of it.
    std::printf("check_1h_cpu_s %.1f s\n", cpuSeconds * hour);
    std::printf("check_unpack_1h_s %.1f s\n",
                unpacked == qint64(result.scans) * kPoints ? unpackS * hour : -1.0);
    std::printf("check_events %d count\n", result.events.size());
    return 0;
}
