#pragma once

#include "area/store/language.h"
#include "comm/codec/frame_records.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <QVector>

#include <memory>
#include <vector>

class QIODevice;

// The scan recording (.vscan): one text line per record, so a damaged file is found line by line.
//
//   VSCAN 1 model=M resolution=G install=0|1 product=MODEL,FIRMWARE,SERIAL,YEAR,MONTH,DAY start=ISO-TIME
//   R OFFSET_MS COUNT PAYLOAD        one Ethernet revolution of COUNT points
//   S OFFSET_MS COUNT PAYLOAD        one serial scan of COUNT beams
//   C OFFSET_MS IN OUT STATUS TEMPERATURE SPEED DRIVE SEND RECEIVE   one self-check report
//   END SCANS DURATION_MS           written on close; a file without it was cut short
//
// PAYLOAD is base64 of zlib (qCompress) over the distances then the intensities, each array delta
// coded (every value minus the one before, modulo 2^16) and split into a plane of low bytes and a plane
// of high bytes, which is what makes noisy contours compress.
constexpr int kRecordingVersion = 1;
constexpr char kRecordingMagic[] = "VSCAN";

struct RecordingHeader {
    int version = kRecordingVersion;
    int model = 0;
    int pointsPerDegree = 0; // angle resolution of the streamed revolutions
    bool installDir = false;
    ProductInfo product;
    QDateTime start;
    bool operator==(const RecordingHeader &o) const;
};

struct RecordedScan {
    enum Kind { Revolution, Serial };
    Kind kind = Revolution;
    qint64 offsetMs = 0;
    QVector<quint16> distance;
    QVector<quint16> intensity;
    bool operator==(const RecordedScan &o) const;
};

struct RecordedSelfCheck {
    qint64 offsetMs = 0;
    SelfCheckReport report;
};

// Why a recording could not be read.
struct RecordingError {
    enum Kind { None, CannotOpen, NotARecording, WrongVersion, BadHeader, BadLine, CutShort, NoScans };
    Kind kind = None;
    int line = 0;    // 1-based, for BadLine and CutShort
    int version = 0; // for WrongVersion
};

// The message for an error, in English or Chinese.
QString describe(const RecordingError &error, Language language);

// Where a scan's line is in the recording, and what it said.
struct ScanLine {
    qint64 position;
    qint64 offsetMs;
    qint32 length; // without the line end
    qint32 line;   // 1-based
    quint16 count;
    RecordedScan::Kind kind;
};

// The index kept beside a recording (PATH.idx): where every scan's line is, the self-check reports
// and the duration, so that opening an hour of recording need not read the hour. It names the size,
// modification time and a hash of the head and tail of the recording it was made from; an index that
// does not match them, or is damaged, is not used.
QString recordingIndexPath(const QString &recordingPath);

class ScanRecordingWriter {
public:
    ~ScanRecordingWriter();
    bool open(const QString &path, const RecordingHeader &header);
    bool isOpen() const { return m_file.isOpen(); }
    // Each returns false when the line could not be written (the scan then counts as dropped).
    bool addScan(RecordedScan::Kind kind, qint64 offsetMs, const quint16 *distance, const quint16 *intensity,
                 int count);
    bool addSelfCheck(qint64 offsetMs, const SelfCheckReport &report);
    // Writes the end line and closes; false when anything was lost on the way.
    bool close(qint64 durationMs);

    qint64 bytesWritten() const { return m_bytes; }
    int scansWritten() const { return m_scans; }
    int dropped() const { return m_dropped; }
    // Why the last write (or the open) failed.
    QString errorString() const { return m_error; }

private:
    bool writeLine(const QByteArray &line);
    qint32 lineCount() const { return qint32(1 + m_lines.size() + size_t(m_selfChecks.size())); }
    QFile m_file;
    std::vector<ScanLine> m_lines;
    QVector<RecordedSelfCheck> m_selfChecks;
    QString m_error;
    qint64 m_bytes = 0;
    int m_scans = 0;
    int m_dropped = 0;
};

// A recording checked line by line when opened, and read one scan at a time afterwards: only an index
// of where each scan's line is stays in memory (and the small self-check reports), so a recording of
// hours opens, seeks and plays in the memory of one scan. Copies share the open file; reading a scan
// from several threads at once is safe.
class ScanRecording {
public:
    // With keepCompletePart, a recording cut short (the recording program or its computer stopped
    // before the end line) keeps its complete scans: true, with the error still saying CutShort.
    // A valid index beside the file is used instead of reading the file through; then a scan line
    // is checked only when it is read (readScan reports a damaged one by its line). Without a valid
    // index, every line is checked now and the index is saved beside the file if the folder allows.
    bool open(const QString &path, RecordingError *error, bool keepCompletePart = false);
    // The same over any open, seekable device, which the recording keeps.
    bool open(std::unique_ptr<QIODevice> device, RecordingError *error, bool keepCompletePart = false);
    const RecordingHeader &header() const { return m_header; }
    int scanCount() const { return int(m_scans.size()); }
    // An empty scan (no points) when the file no longer holds what was checked on opening
    // (it was overwritten or removed since); readScan says so.
    RecordedScan scan(int index) const;
    // False, with a BadLine error naming the scan's line, when the line is damaged or was changed.
    // Distances leaves the intensities empty (the design check needs none), which saves unpacking them.
    enum Parts { All, Distances };
    bool readScan(int index, RecordedScan *scan, RecordingError *error = nullptr, Parts parts = All) const;
    // Whether the last open used the index beside the file rather than reading it through.
    bool openedFromIndex() const { return m_fromIndex; }
    qint64 scanOffsetMs(int index) const { return m_scans.at(size_t(index)).offsetMs; }
    // The last scan at or before offsetMs (0 when none is).
    int scanAt(qint64 offsetMs) const;
    const QVector<RecordedSelfCheck> &selfChecks() const { return m_selfChecks; }
    qint64 durationMs() const { return m_durationMs; }

private:
    bool openIndexed(const QString &path, RecordingError *error);
    struct Source;
    RecordingHeader m_header;
    std::vector<ScanLine> m_scans;
    QVector<RecordedSelfCheck> m_selfChecks;
    qint64 m_durationMs = 0;
    bool m_fromIndex = false;
    std::shared_ptr<Source> m_source;
};
