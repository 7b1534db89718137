// Recording a 60 s stream of 12,800 points at 30 Hz, then opening it for replay. The revolutions are a
// room seen through measurement noise (sigma 8 mm), with dropouts and intensities that fall with range.
// A revolution counts as dropped when its line could not be written or took longer than its 33 ms frame.
//
// Then an hour at the finest resolution a sensor streams (12,800 points at 15 Hz): opened for replay,
// the peak memory of the whole run, and seeks to places spread over the hour, each shown as the
// playback shows it. The hour repeats the lines the writer made for its first 10 s with the times of
// the hour written in: every line is still checked when opening, and writing 54,000 revolutions
// through the compressor would take minutes without changing what is measured.
// Prints "name value unit" lines.
#include "scan/scan_playback.h"
#include "scan/scan_recording.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <random>

namespace {

// The most memory the process has held at once (VmHWM), in MB.
double peakMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
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
    recording = ScanRecording();

    // The hour: the writer's lines of the first 10 s, then the same with later times.
    constexpr int kHourPoints = 12800, kHourRate = 15, kPool = 10 * kHourRate, kHour = 3600 * kHourRate;
    const QString poolPath = dir.filePath(QStringLiteral("pool.vscan"));
    header.pointsPerDegree = kHourPoints / 320;
    if (!writer.open(poolPath, header))
        return 1;
    for (int r = 0; r < kPool; ++r) {
        for (int i = 0; i < kHourPoints; ++i) {
            const bool echo = dropout(random) != 0;
            d[i] = echo ? quint16(qBound(1.0, room[i] + noise(random), 65535.0)) : 0;
            in[i] = echo ? quint16(qBound(0.0, 3000 - room[i] / 4 + shine(random), 65535.0)) : 0;
        }
        writer.addScan(RecordedScan::Revolution, 0, d.constData(), in.constData(), kHourPoints);
    }
    writer.close(0);
    QFile poolFile(poolPath);
    if (!poolFile.open(QIODevice::ReadOnly))
        return 1;
    QList<QByteArray> lines = poolFile.readAll().split('\n');
    poolFile.close();
    const QString hourPath = dir.filePath(QStringLiteral("hour.vscan"));
    QFile hourFile(hourPath);
    if (!hourFile.open(QIODevice::WriteOnly))
        return 1;
    hourFile.write(lines.at(0) + '\n');
    QByteArray block;
    for (int r = 0; r < kHour; ++r) {
        const QByteArray &line = lines.at(1 + r % kPool); // "R 0 COUNT PAYLOAD"
        block += "R " + QByteArray::number(qint64(r) * 1000 / kHourRate) + line.mid(3) + '\n';
        if (block.size() > (8 << 20) || r + 1 == kHour) {
            hourFile.write(block);
            block.clear();
        }
    }
    hourFile.write("END " + QByteArray::number(kHour) + ' ' +
                   QByteArray::number(qint64(kHour) * 1000 / kHourRate) + '\n');
    hourFile.close();
    lines.clear();

    // The first open reads the hour through and leaves the index beside it; the next uses the index.
    clock.start();
    ScanRecording first;
    const bool firstOpened = first.open(hourPath, &error) && !first.openedFromIndex();
    const double firstOpenS = clock.nsecsElapsed() / 1e9;
    first = ScanRecording();
    // The processor time beside the wall time: on a machine shared with other work the two differ.
    const std::clock_t cpuBefore = std::clock();
    clock.start();
    ScanRecording hour;
    const bool hourOpened = hour.open(hourPath, &error) && hour.openedFromIndex();
    const double hourOpenS = clock.nsecsElapsed() / 1e9;
    const double hourOpenCpuS = double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;

    // Seeks spread over the hour in an order that never reads on from the last place.
    ScanPlayback playback(&ScanData());
    double worstSeekMs = 0, allSeekMs = 0;
    int seeks = 0;
    if (hourOpened && playback.open(std::move(hour), hourPath)) {
        std::uniform_int_distribution<qint64> anywhere(0, playback.durationMs());
        for (; seeks < 200; ++seeks) {
            const qint64 to = anywhere(random);
            clock.start();
            playback.seek(to);
            const double ms = clock.nsecsElapsed() / 1e6;
            worstSeekMs = std::max(worstSeekMs, ms);
            allSeekMs += ms;
        }
    }
    std::printf("replay_1h_mb %.0f MB\n", QFileInfo(hourPath).size() / 1e6);
    std::printf("replay_first_open_1h_s %.2f s\n", firstOpened ? firstOpenS : -1.0);
    std::printf("replay_open_1h_s %.2f s\n", hourOpened ? hourOpenS : -1.0);
    std::printf("replay_open_1h_cpu_s %.2f s\n", hourOpenCpuS);
    std::printf("replay_open_1h_goal_s 2 s\n");
    std::printf("replay_peak_mb %.0f MB\n", peakMb());
    std::printf("replay_peak_goal_mb 300 MB\n");
    std::printf("replay_seek_ms %.2f ms\n", seeks ? worstSeekMs : -1.0);
    std::printf("replay_seek_mean_ms %.2f ms\n", seeks ? allSeekMs / seeks : -1.0);
    std::printf("replay_seek_goal_ms 100 ms\n");
    return opened && firstOpened && hourOpened && seeks ? 0 : 1;
}
