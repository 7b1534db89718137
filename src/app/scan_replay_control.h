#pragma once

// Taking the site home: Display › Record Scan writes what the sensor delivers while its scan streams,
// and File › Open Recording… plays such a recording into the view, the data table and the status
// displays as if the sensor were connected, with a playback bar (play, pause, step, speed, time).
//
// A recording and a sensor never feed the displays at once: connecting ends the playback, and opening
// a recording while connected asks to disconnect first. Recording stops by itself when the stream
// stops, the connection ends or the window closes; the file then always ends with its end line.

#include <QObject>

class MainWindow;
class QAction;
class QComboBox;
class QLabel;
class QSlider;
class QTimer;
class QToolBar;
class QToolButton;
class ScanPlayback;
class ScanRecorder;

class ScanReplayControl : public QObject {
    Q_OBJECT

public:
    explicit ScanReplayControl(MainWindow *window);

    QAction *recordAction() const { return Record; }
    QAction *openAction() const { return Open; }
    ScanRecorder *recorder() const { return Recorder; }
    ScanPlayback *playback() const { return Playback; }
    // The playback bar, made when the first recording is opened.
    QToolBar *playbackBar() const { return Bar; }
    QLabel *recordingLabel() const { return RecordLabel; }
    // A recording is open in the window (playing or paused).
    bool isPlayingBack() const;

    void setEnglish(bool english);

public slots:
    // File › Open Recording…
    void openRecording();
    // Opens a recording for playback; false when it is not played (refused, damaged, or cancelled).
    bool openRecordingPath(const QString &path);
    // Ends the playback: the displays go back to "no sensor".
    void closeRecording();
    // Ends a recording under way, saying where it went.
    void stopRecording();

private:
    void recordToggled(bool on);
    void startRecording();
    void writeFailed();
    void refreshRecordAction();
    void refreshRecordLabel();
    void buildBar();
    void refreshBar();
    void refreshPosition(qint64 offsetMs);
    void fitToScan();
    QString tr2(const char *english, const char *chinese) const;

    MainWindow *Window;
    ScanRecorder *Recorder;
    ScanPlayback *Playback;
    QAction *Record = nullptr;
    QAction *Open = nullptr;
    QLabel *RecordLabel = nullptr;
    QTimer *RecordTick = nullptr;
    QToolBar *Bar = nullptr;
    QLabel *FileLabel = nullptr;
    QToolButton *StepBack = nullptr;
    QToolButton *PlayPause = nullptr;
    QToolButton *StepForward = nullptr;
    QSlider *TimeSlider = nullptr;
    QLabel *TimeLabel = nullptr;
    QComboBox *Speed = nullptr;
    QToolButton *CloseButton = nullptr;
    bool English = false;
    bool ScanSeen = false; // a scan arrived since the stream started
};
