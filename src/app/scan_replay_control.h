#pragma once

#include "area/store/language.h"
// Taking the site home: Display › Record Scan writes what the sensor delivers while its scan streams,
// and File › Open Recording… plays such a recording into the view, the data table and the status
// displays as if the sensor were connected, with a playback bar (play, pause, step, speed, time).
//
// A recording and a sensor never feed the displays at once: connecting ends the playback, and opening
// a recording while connected asks to disconnect first. Recording stops by itself when the stream
// stops, the connection ends or the window closes; the file then always ends with its end line.

#include <QObject>
#include <QVector>

#include <functional>

class ConnectionStatus;
class OPTION_SCENE;
class QAction;
class QComboBox;
class QLabel;
class QMainWindow;
class QMenu;
class QSlider;
class QTimer;
class QToolBar;
class QToolButton;
class ScanPlayback;
class ScanRecorder;
class SERIAL_COMM;
class StatusBadges;
class ViewWindow;

class ScanReplayControl : public QObject {
    Q_OBJECT

public:
    // What the control drives, and what it asks of the window that holds it.
    struct Parts {
        QMainWindow *window = nullptr;   // parent of its boxes; holds the playback bar and status bar
        SERIAL_COMM *exchange = nullptr; // what is recorded, and where a playback enters
        ConnectionStatus *connection = nullptr;
        QMenu *fileMenu = nullptr; // Open Recording goes in before openBefore
        QAction *openBefore = nullptr;
        QMenu *displayMenu = nullptr; // Record Scan goes at its end
        QAction *distance = nullptr;  // the stream choice a recording needs
        QAction *selfCheck = nullptr; // shows the recorded reports
        QWidget *selfCheckDock = nullptr;
        QLabel *directionLabel = nullptr;
        OPTION_SCENE *scene = nullptr;
        ViewWindow *view = nullptr;
        StatusBadges *badges = nullptr;
        std::function<void()> disconnect;        // ends the connection to the sensor
        std::function<void()> showStreams;       // the overlays as Distance and Intensity say
        std::function<void(bool)> showDirection; // the install direction (reversed: true)
        std::function<void()> clearDisplays;     // back to what shows without a sensor
        std::function<int()> model;              // the device model's code
    };

    ScanReplayControl(const Parts &parts, QObject *parent);

    // A moment to mark on the playback slider, in an output's colour (0..2).
    struct Mark {
        qint64 offsetMs = 0;
        int output = 0;
    };
    // Marks for the recording open; a recording opened or closed clears them.
    void setMarks(const QVector<Mark> &marks);
    const QVector<Mark> &marks() const { return Marks; }

    QAction *recordAction() const { return Record; }
    QAction *openAction() const { return Open; }
    ScanRecorder *recorder() const { return Recorder; }
    ScanPlayback *playback() const { return Playback; }
    // The playback bar, made when the first recording is opened.
    QToolBar *playbackBar() const { return Bar; }
    QLabel *recordingLabel() const { return RecordLabel; }
    // A recording is open in the window (playing or paused).
    bool isPlayingBack() const;

    void setLanguage(Language language);

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

    Parts P;
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
    Language Lang = Language::Chinese;
    bool ScanSeen = false; // a scan arrived since the stream started
    QVector<Mark> Marks;
    QWidget *MarkLayer = nullptr; // over the slider, paints the marks
};
