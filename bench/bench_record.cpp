// Recording a 60 s stream of 12,800 points at 30 Hz, then opening it for replay. The revolutions are a
// room seen through measurement noise (sigma 8 mm), with dropouts and intensities that fall with range.
// A revolution counts as dropped when its line could not be written or took longer than its 33 ms frame.
// Prints "name value unit" lines.
#include "scan/scan_recording.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

int main()
{
    constexpr int kPoints = 12800, kRate = 30, kSeconds = 60;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.vscan"));

    QVector<double> room(kPoints);
    for (int i = 0; i < kPoints; ++i) {
        const double a = qDegreesToRadians(-70 + 320.0 * i / kPoints);
        const double dx = std::cos(a), dy = std::sin(a);
        double t = 1e9;
        if (dx > 1e-9)
            t = std::min(t, 5500 / dx);
        if (dx < -1e-9)
            t = std::min(t, -3200 / dx);
        if (dy > 1e-9)
            t = std::min(t, 7800 / dy);
        if (dy < -1e-9)
            t = std::min(t, -3600 / dy);
        room[i] = std::min(t, 30000.0);
    }

    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 8);
    std::normal_distribution<double> shine(0, 40);
    std::uniform_int_distribution<int> dropout(0, 199);
    QVector<quint16> d(kPoints), in(kPoints);

    RecordingHeader header;
    header.model = 3;
    header.pointsPerDegree = kPoints / 320;
    header.start = QDateTime::currentDateTimeUtc();
    ScanRecordingWriter writer;
    if (!writer.open(path, header)) {
        std::printf("record_error 1 flag\n");
        return 1;
    }
    int late = 0;
    double writeMs = 0;
    const int revolutions = kRate * kSeconds;
    QElapsedTimer clock;
    for (int r = 0; r < revolutions; ++r) {
        for (int i = 0; i < kPoints; ++i) {
            const bool echo = dropout(random) != 0;
            d[i] = echo ? quint16(qBound(1.0, room[i] + noise(random), 65535.0)) : 0;
            in[i] = echo ? quint16(qBound(0.0, 3000 - room[i] / 4 + shine(random), 65535.0)) : 0;
        }
        clock.start();
        writer.addScan(RecordedScan::Revolution, qint64(r) * 1000 / kRate, d.constData(), in.constData(),
                       kPoints);
        const double ms = clock.nsecsElapsed() / 1e6;
        writeMs += ms;
        late += ms > 1000.0 / kRate;
    }
    writer.close(kSeconds * 1000);
    const double mb = QFileInfo(path).size() / 1e6;

    clock.start();
    ScanRecording recording;
    RecordingError error;
    const bool opened = recording.open(path, &error);
    const double openS = clock.nsecsElapsed() / 1e9;

    std::printf("record_mb_per_min %.1f MB\n", mb / kSeconds * 60);
    std::printf("record_dropped %d revolutions\n", writer.dropped() + late);
    std::printf("record_write_ms %.2f ms\n", writeMs / revolutions);
    std::printf("record_frame_budget_ms %.1f ms\n", 1000.0 / kRate);
    std::printf("replay_open_s %.2f s\n", opened ? openS : -1.0);
    std::printf("replay_revolutions %d count\n", recording.scanCount());
    return opened ? 0 : 1;
}
