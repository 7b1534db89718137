#pragma once

#include "area/store/language.h"
// A design checked against a scan recording: for every scan, which outputs the design would have
// switched, by the sensor's own switching rules (zone_rules.h), and how that compares with the outputs
// the sensor itself reported while the recording was made.

#include "area/store/project_data.h"
#include "check/zone_rules.h"
#include "scan/scan_recording.h"

#include <QPointF>
#include <QStringList>
#include <QVector>

#include <functional>

struct CheckOptions {
    int area = -1;   // -1: the area the sensor reported active (self-check input word)
    int threads = 0; // threads that unpack and look at scans; 0: one per core (up to 8)
};

// One period in which an output was switched on.
struct BreachEvent {
    qint64 startMs = 0;
    qint64 durationMs = 0;
    int area = 0;
    int output = 0; // 0..2
    int firstScan = 0;
    QPointF nearest; // mm, sensor frame
    double nearestMm = 0;
};

struct OutputSummary {
    int count = 0;
    qint64 totalMs = 0;
    qint64 longestMs = 0;
    // Agreement with the sensor's own outputs: scans compared, and those where both said the same.
    int agreeScans = 0;
    int comparedScans = 0;
};

// A scan where the check and the sensor's reported output differ.
struct Disagreement {
    int scan = 0;
    qint64 offsetMs = 0;
    int output = 0;
    bool check = false;
    bool sensor = false;
};

struct CheckResult {
    QVector<BreachEvent> events; // by start, then output
    OutputSummary outputs[3];
    QVector<Disagreement> disagreements;
    int scans = 0; // scans checked
    qint64 durationMs = 0;
    bool sensorOutputsKnown = false;
    // No area was chosen and the recording holds no self-check report naming the active one: nothing
    // could be checked.
    bool activeAreaUnknown = false;
    bool stopped = false; // progress asked to stop before the end
    // A scan line found damaged when read (an indexed recording is checked line by line as it is
    // read): the check stopped before it, and the result holds the scans before it.
    RecordingError damage;
};

class DesignCheck {
public:
    DesignCheck(const QVector<AREA_DATA> &areas, int deviceType);

    // Every scan of the recording in order. A scan is compared with the sensor's outputs when a
    // self-check report follows it before the next scan (what the sensor decided on that scan; one in the
    // same millisecond as a scan could be on either side and is left out), and only when that report
    // names the area checked. progress may return false to stop early (the result then holds what was
    // checked so far); it is called on the calling thread every 128 scans. The scans are unpacked and
    // looked at on several threads at once, so recording.scan() must be safe to call concurrently.
    CheckResult run(const ScanRecording &recording, const CheckOptions &options,
                    const std::function<bool(int done, int total)> &progress = {}) const;

private:
    QVector<zone::AreaSight> m_sights;
};

// "Out 1: 14 stops before, 3 after" per output, in English or Chinese.
QStringList compareText(const CheckResult &before, const CheckResult &after, Language language);
