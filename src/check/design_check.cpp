#include "check/design_check.h"

#include "area/geometry/scan_points.h"
#include "area/store/device_type.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <thread>

namespace {

constexpr int kOutputs = zone::Hits::kOutputs;
// Scans looked at together (in parallel) before the switching runs over them in order.
constexpr int kBlock = 128;

struct Seen {
    bool valid = false; // the scan's area exists in the design
    int damagedLine = 0;
    zone::ScanSight sight[kOutputs];
};

// Points of a recorded scan, scene coordinates.
void scenePoints(const RecordedScan &scan, bool installDir, ScanAngles *angles, QVector<QPointF> *points)
{
    const bool serial = scan.kind == RecordedScan::Serial;
    const int n = scan.distance.size();
    angles->refresh(serial, n, serial ? false : installDir);
    points->resize(n);
    QPointF *out = points->data();
    const quint16 *d = scan.distance.constData();
    for (int i = 0; i < n; ++i)
        out[i] = angles->point(i, d[i]);
}

QPointF sensorFrame(const QPointF &scene)
{
    return QPointF(scene.x(), -scene.y());
}

} // namespace

DesignCheck::DesignCheck(const QVector<AREA_DATA> &areas, int deviceType)
{
    const DeviceInfo *info = deviceInfo(deviceType);
    const double extent = info ? info->extent : 72000;
    m_sights.resize(areas.size());
    for (int i = 0; i < areas.size(); ++i)
        m_sights[i].setArea(areas[i], QSizeF(extent, extent));
}

CheckResult DesignCheck::run(const ScanRecording &recording, const CheckOptions &options,
                             const std::function<bool(int, int)> &progress) const
{
    CheckResult result;
    const int total = recording.scanCount();
    const QVector<RecordedSelfCheck> &reports = recording.selfChecks();
    if (options.area < 0 && reports.isEmpty()) {
        result.activeAreaUnknown = true;
        return result;
    }
    const bool installDir = recording.header().installDir;

    // The area of every scan: fixed, or the last reported at or before it (the first report's for
    // scans before any).
    QVector<int> areaOf(total);
    {
        int r = 0;
        for (int k = 0; k < total; ++k) {
            if (options.area >= 0) {
                areaOf[k] = options.area;
                continue;
            }
            const qint64 at = recording.scanOffsetMs(k);
            while (r + 1 < reports.size() && reports[r + 1].offsetMs <= at)
                ++r;
            areaOf[k] = zone::areaOfInputWord(reports[r].report.InputPorts);
        }
    }

    const int threads = options.threads > 0 ? qMin(options.threads, 8)
                                            : int(qBound(1u, std::thread::hardware_concurrency(), 8u));
    QVector<Seen> seen(kBlock);
    // Each thread keeps its angles and points from block to block.
    std::vector<ScanAngles> anglesOf(threads);
    std::vector<QVector<QPointF>> pointsOf(threads);
    // The scans of a block go to whichever thread is free next, so a thread held up by other work on
    // the machine does not keep the others waiting at the block's end.
    std::atomic<int> next{0};
    auto lookAt = [&](int end, int thread) {
        ScanAngles &angles = anglesOf[thread];
        QVector<QPointF> &points = pointsOf[thread];
        RecordedScan scan;
        for (int k = next++; k < end; k = next++) {
            Seen &s = seen[k % kBlock];
            const int area = areaOf[k];
            s.valid = area >= 0 && area < m_sights.size();
            s.damagedLine = 0;
            if (!s.valid)
                continue;
            RecordingError error;
            if (!recording.readScan(k, &scan, &error, ScanRecording::Distances))
                s.damagedLine = error.kind == RecordingError::BadLine ? error.line : -1;
            scenePoints(scan, installDir, &angles, &points);
            const double step = ScanAngles::stepDegrees(scan.kind == RecordedScan::Serial, points.size());
            m_sights[area].look(points.constData(), points.size(), step, s.sight);
        }
    };

    zone::OutputSwitch switches[kOutputs];
    int open[kOutputs] = {-1, -1, -1}; // index into events of the period each output is in
    int report = 0;
    qint64 lastMs = 0;
    int done = 0;
    for (int first = 0; first < total; first += kBlock) {
        const int end = qMin(total, first + kBlock);
        next = first;
        std::vector<std::thread> workers;
        for (int t = 1; t < qMin(threads, end - first); ++t)
            workers.emplace_back(lookAt, end, t);
        lookAt(end, 0);
        for (std::thread &w : workers)
            w.join();

        int k = first;
        for (; k < end; ++k) {
            const Seen &s = seen[k % kBlock];
            if (s.damagedLine) {
                result.damage = {RecordingError::BadLine, qMax(0, s.damagedLine), 0};
                break;
            }
            const qint64 at = recording.scanOffsetMs(k);
            lastMs = at;
            const int area = areaOf[k];
            bool on[kOutputs] = {};
            for (int o = 0; o < kOutputs; ++o) {
                const zone::ScanSight none;
                const zone::ScanSight &sight = s.valid ? s.sight[o] : none;
                const zone::SwitchRules rules = s.valid ? m_sights[area].rules() : zone::SwitchRules();
                const bool was = switches[o].isOn();
                on[o] = switches[o].take(at, sight, rules);
                if (on[o] && !was) {
                    BreachEvent e;
                    e.startMs = at;
                    e.area = area;
                    e.output = o;
                    e.firstScan = k;
                    e.nearestMm = -1;
                    open[o] = result.events.size();
                    result.events.append(e);
                } else if (!on[o] && was) {
                    BreachEvent &e = result.events[open[o]];
                    e.durationMs = at - e.startMs;
                    open[o] = -1;
                }
                if (on[o] && sight.nearestMm >= 0) {
                    BreachEvent &e = result.events[open[o]];
                    if (e.nearestMm < 0 || sight.nearestMm < e.nearestMm) {
                        e.nearestMm = sight.nearestMm;
                        e.nearest = sensorFrame(sight.nearest);
                    }
                }
            }

            // The sensor's own outputs, from the first report after this scan and before the next one.
            const qint64 next =
                k + 1 < total ? recording.scanOffsetMs(k + 1) : std::numeric_limits<qint64>::max();
            // A report in the same millisecond as a scan may have come before or after it: not compared.
            while (report < reports.size() && reports[report].offsetMs <= at)
                ++report;
            if (report < reports.size() && reports[report].offsetMs < next) {
                const SelfCheckReport &r = reports[report].report;
                if (zone::areaOfInputWord(r.InputPorts) == area && s.valid) {
                    result.sensorOutputsKnown = true;
                    for (int o = 0; o < kOutputs; ++o) {
                        const bool sensor = (r.OutputPorts >> o) & 1;
                        OutputSummary &sum = result.outputs[o];
                        ++sum.comparedScans;
                        if (sensor == on[o])
                            ++sum.agreeScans;
                        else
                            result.disagreements.append({k, at, o, on[o], sensor});
                    }
                }
            }
        }
        done = k;
        result.scans = done;
        if (result.damage.kind != RecordingError::None) {
            result.stopped = true;
            break;
        }
        if (progress && !progress(done, total) && done < total) {
            result.stopped = true;
            break;
        }
    }

    result.durationMs = result.stopped ? lastMs : qMax(lastMs, recording.durationMs());
    for (int o = 0; o < kOutputs; ++o)
        if (open[o] >= 0)
            result.events[open[o]].durationMs = result.durationMs - result.events[open[o]].startMs;
    for (BreachEvent &e : result.events) {
        if (e.nearestMm < 0)
            e.nearestMm = 0;
        OutputSummary &sum = result.outputs[e.output];
        ++sum.count;
        sum.totalMs += e.durationMs;
        sum.longestMs = qMax(sum.longestMs, e.durationMs);
    }
    return result;
}

QStringList compareText(const CheckResult &before, const CheckResult &after, Language language)
{
    QStringList lines;
    for (int o = 0; o < kOutputs; ++o) {
        const int b = before.outputs[o].count, a = after.outputs[o].count;
        lines << pick(language, "Out %1: %2 stops before, %3 after", "输出%1：之前 %2 次停车，之后 %3 次")
                     .arg(o + 1)
                     .arg(b)
                     .arg(a);
    }
    return lines;
}
