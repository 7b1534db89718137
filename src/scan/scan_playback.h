#pragma once

#include "comm/codec/scan_data.h"
#include "scan/scan_recording.h"

#include <QElapsedTimer>
#include <QObject>

class QTimer;

// Plays a scan recording into the live scan store as if the sensor sent it: each scan shown is put
// where the exchange would put it (an Ethernet revolution into the rings, a serial scan into the
// serial arrays) and announced, and the self-check reports follow at their times. Playing keeps the
// recording's pace times the speed; a display slower than the recording sees the latest scan, not a
// growing backlog. The store's connection type and install direction are given back on close.
class ScanPlayback : public QObject {
    Q_OBJECT

public:
    static constexpr double kMinSpeed = 0.125;
    static constexpr double kMaxSpeed = 16.0;

    explicit ScanPlayback(SCAN_DATA *store, QObject *parent = nullptr);
    ~ScanPlayback() override;

    // Takes a recording read and checked (ScanRecording::open) in place of the one open; its first scan
    // is shown, paused. False, with nothing changed, when it holds no scan.
    bool open(ScanRecording recording, const QString &path);
    // Stops, clears what the recording put into the store and gives back what it had before.
    void close();
    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }
    const ScanRecording &recording() const { return m_recording; }

    bool isPlaying() const { return m_playing; }
    double speed() const { return m_speed; }
    // The scan shown, -1 when none is.
    int position() const { return m_index; }
    // The time in the recording: the scan shown, or between scans while playing.
    qint64 positionMs() const;
    qint64 durationMs() const { return m_recording.durationMs(); }

public slots:
    // From the start again when the end was reached.
    void play();
    void pause();
    void stepForward();
    void stepBack();
    // Shows the last scan at or before the time (the first one before it), and the self-check then.
    void seek(qint64 offsetMs);
    void setSpeed(double speed);
    // Announces the report of this moment again (the displays were emptied, by a language switch).
    void repeatReport();

signals:
    // A scan is in the store (the exchange's scan announcement).
    void scanShown();
    // The sensor's report as recorded (the exchange's self-check and port signals, in that order).
    void selfCheckShown(short temperature, ushort speed, ushort drive, ushort send, ushort receive);
    void portsShown(uint input, uint output, uint status);
    void positionChanged(qint64 offsetMs);
    void playingChanged(bool playing);
    // A scan's line was found damaged as it was read (a recording opened by its index is checked
    // line by line as it plays); the scan is shown empty.
    void damagedLine(int line);

private:
    void tick();
    void scheduleNext();
    void show(int index);
    void showSelfCheckAt(qint64 offsetMs);
    void setPlaying(bool playing);

    SCAN_DATA *m_store;
    ScanRecording m_recording;
    QTimer *m_timer;
    QElapsedTimer m_clock; // since play or the last change of speed
    QString m_path;
    qint64 m_anchorMs = 0; // the time in the recording when m_clock started
    double m_speed = 1.0;
    int m_index = -1;
    int m_selfCheck = -1; // the report shown last
    bool m_open = false;
    bool m_playing = false;
    int m_savedConnectType = 0;
    bool m_savedInstallDir = false;
};
