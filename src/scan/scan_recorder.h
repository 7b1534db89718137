#pragma once

#include "comm/codec/scan_data.h"
#include "scan/scan_recording.h"

#include <QElapsedTimer>
#include <QObject>

// Writes every scan the exchange announces into a recording while one is open. It reads the live scan
// store at the moment of the announcement: the Ethernet revolution, or the serial scan by ConnectType.
class ScanRecorder : public QObject {
    Q_OBJECT

public:
    explicit ScanRecorder(const SCAN_DATA *store, QObject *parent = nullptr);
    ~ScanRecorder() override;

    // Starts a new recording (the header's start time is now when not given); false when the file cannot
    // be written.
    bool start(const QString &path, RecordingHeader header);
    // Ends the recording; false when a scan or the end could not be written.
    bool stop();
    bool isRecording() const { return m_writer.isOpen(); }
    QString path() const { return m_path; }
    qint64 elapsedMs() const { return isRecording() ? m_clock.elapsed() : m_lastElapsed; }
    qint64 bytes() const { return m_writer.bytesWritten(); }
    int scans() const { return m_writer.scansWritten(); }
    int dropped() const { return m_writer.dropped(); }
    // Why the recording could not start, or why a write failed.
    QString errorString() const { return m_writer.errorString(); }

public slots:
    // After a scan announcement (distances): takes what the store holds now.
    void scanArrived();
    void ioPorts(uint input, uint output, uint status);
    void selfCheck(short temperature, ushort speed, ushort drive, ushort send, ushort receive);

signals:
    void progress(qint64 elapsedMs, qint64 bytes);
    // A write failed (the disk is full, the file too large): the line was not written and the file
    // still ends with a whole line. Reported once per recording; errorString() says why.
    void writeFailed();

private:
    void failed();
    const SCAN_DATA *m_store;
    ScanRecordingWriter m_writer;
    QElapsedTimer m_clock;
    QString m_path;
    qint64 m_lastElapsed = 0;
    SelfCheckReport m_report;
    bool m_failedOnce = false;
};
