#include "app/scan_replay_control.h"

#include "app/connection_status.h"
#include "app/status_badges.h"
#include "area/dialogs.h"
#include "area/zone_csv_commands.h"
#include "comm/codec/scan_data.h"
#include "comm/serial_comm.h"
#include "editor/option_scene.h"
#include "editor/paint_outline.h"
#include "editor/viewwindow.h"
#include "scan/scan_playback.h"
#include "scan/scan_recorder.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QRegularExpression>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

constexpr double kSpeeds[] = {0.25, 0.5, 1.0, 2.0, 4.0, 8.0};
constexpr int kNormalSpeed = 2;

// 3:05.4 (minutes, seconds, tenths), and 1:23:05.4 from an hour on: a step is a tenth or less, and
// a recording can run for hours.
QString clockText(qint64 ms)
{
    ms = qMax<qint64>(0, ms);
    const QString seconds =
        QStringLiteral("%1.%2").arg(ms / 1000 % 60, 2, 10, QLatin1Char('0')).arg(ms / 100 % 10);
    if (ms < 3600000)
        return QStringLiteral("%1:%2").arg(ms / 60000).arg(seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(ms / 3600000)
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds);
}

QString sizeText(qint64 bytes)
{
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 kB").arg(bytes / 1024.0, 0, 'f', 0);
    return QStringLiteral("%1 MB").arg(bytes / (1024.0 * 1024.0), 0, 'f', 1);
}

// The red dot that means recording everywhere.
QIcon recordIcon()
{
    QPixmap dot(32, 32);
    dot.fill(Qt::transparent);
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(120, 0, 0), 2));
    painter.setBrush(QColor(210, 20, 20));
    painter.drawEllipse(QRectF(5, 5, 22, 22));
    return QIcon(dot);
}

// Paints the marks over the slider's groove, where the slider's handle stands at that time; clicks go
// through to the slider.
class SliderMarks : public QWidget {
public:
    SliderMarks(QSlider *slider, const QVector<ScanReplayControl::Mark> *marks)
        : QWidget(slider), Slider(slider), Marks(marks)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        slider->installEventFilter(this);
        setGeometry(slider->rect());
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == Slider && event->type() == QEvent::Resize)
            setGeometry(Slider->rect());
        return false;
    }

    void paintEvent(QPaintEvent *) override
    {
        if (Marks->isEmpty() || Slider->maximum() <= Slider->minimum())
            return;
        QStyleOptionSlider option;
        option.initFrom(Slider);
        option.orientation = Slider->orientation();
        option.minimum = Slider->minimum();
        option.maximum = Slider->maximum();
        const QStyle *style = Slider->style();
        const QRect groove =
            style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, Slider);
        const QRect handle =
            style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, Slider);
        const int span = groove.width() - handle.width();
        QPainter painter(this);
        for (const ScanReplayControl::Mark &m : *Marks) {
            const int x = groove.left() + handle.width() / 2 +
                          QStyle::sliderPositionFromValue(option.minimum, option.maximum,
                                                          int(qMin<qint64>(m.offsetMs, INT_MAX)), span);
            painter.fillRect(QRect(x - 1, 0, 2, height() / 3), PAINT_OUTLINE::breachColour(m.output));
            painter.fillRect(QRect(x - 1, height() - height() / 3, 2, height() / 3),
                             PAINT_OUTLINE::breachColour(m.output));
        }
    }

private:
    QSlider *Slider;
    const QVector<ScanReplayControl::Mark> *Marks;
};

} // namespace

void ScanReplayControl::setMarks(const QVector<Mark> &marks)
{
    Marks = marks;
    if (MarkLayer)
        MarkLayer->update();
}

ScanReplayControl::ScanReplayControl(const Parts &parts, QObject *parent)
    : QObject(parent), P(parts), Recorder(new ScanRecorder(&ScanData(), this)),
      Playback(new ScanPlayback(&ScanData(), this))
{
    SERIAL_COMM *comm = P.exchange;

    // File › Open Recording…, after Open.
    Open = new QAction(this);
    Open->setObjectName(QStringLiteral("OpenRecording"));
    Open->setIcon(QIcon(QStringLiteral(":/images/radar.png")));
    P.fileMenu->insertAction(P.openBefore, Open);
    connect(Open, &QAction::triggered, this, &ScanReplayControl::openRecording);

    // Display › Record Scan, after the display modes.
    Record = new QAction(this);
    Record->setObjectName(QStringLiteral("RecordScan"));
    Record->setIcon(recordIcon());
    Record->setCheckable(true);
    Record->setEnabled(false);
    P.displayMenu->addSeparator();
    P.displayMenu->addAction(Record);
    connect(Record, &QAction::toggled, this, &ScanReplayControl::recordToggled);

    RecordLabel = new QLabel;
    RecordLabel->setObjectName(QStringLiteral("RecordingLabel"));
    RecordLabel->setStyleSheet(
        QStringLiteral("QLabel { color: #c00000; font-weight: bold; padding: 0 6px; }"));
    RecordLabel->hide();
    P.window->statusBar()->insertPermanentWidget(0, RecordLabel);
    RecordTick = new QTimer(this);
    RecordTick->setInterval(500);
    connect(RecordTick, &QTimer::timeout, this, &ScanReplayControl::refreshRecordLabel);

    // What the exchange delivers goes to the recorder as it goes to the displays.
    connect(comm, &SERIAL_COMM::ReceiveScanfData, Recorder, &ScanRecorder::scanArrived);
    connect(comm, &SERIAL_COMM::SelfCheckStatus, Recorder, &ScanRecorder::selfCheck);
    connect(comm, &SERIAL_COMM::IOPortSignals, Recorder, &ScanRecorder::ioPorts);
    connect(Recorder, &ScanRecorder::writeFailed, this, &ScanReplayControl::writeFailed);
    connect(comm, &SERIAL_COMM::ReceiveScanfData, this, [this] {
        if (!ScanSeen) {
            ScanSeen = true;
            refreshRecordAction();
        }
    });
    // The stream ends with the connection (lost, closed, the sensor restarting) or when Distance is
    // switched off; the recording ends with it.
    connect(P.connection, &ConnectionStatus::StateChanged, this, [this](ConnectionStatus::State s) {
        if (s != ConnectionStatus::State::Connected) {
            ScanSeen = false;
            stopRecording();
        }
        refreshRecordAction();
    });
    connect(P.distance, &QAction::toggled, this, [this](bool on) {
        if (!on) {
            ScanSeen = false;
            stopRecording();
        }
        refreshRecordAction();
    });

    // A recording enters where the sensor's data does, so every display shows it as it would live data.
    comm->ShowRecording(Playback);
    connect(Playback, &ScanPlayback::positionChanged, this, &ScanReplayControl::refreshPosition);
    connect(Playback, &ScanPlayback::playingChanged, this, &ScanReplayControl::refreshBar);
    connect(Playback, &ScanPlayback::damagedLine, this, [this](int line) {
        P.window->statusBar()->showMessage(describe(RecordingError{RecordingError::BadLine, line, 0}, Lang),
                                           15000);
    });
}

bool ScanReplayControl::isPlayingBack() const
{
    return Playback->isOpen();
}

void ScanReplayControl::setLanguage(Language language)
{
    Lang = language;
    Open->setText(pick(Lang, "Open Recording…", "打开扫描记录…"));
    Open->setToolTip(pick(Lang, "Play a scan recording without a sensor", "无需传感器，回放扫描记录"));
    Record->setText(pick(Lang, "Record Scan", "录制扫描"));
    Record->setToolTip(pick(Lang, "Record the live scan and the sensor's reports to a file",
                            "将实时扫描和传感器状态录制到文件"));
    refreshRecordLabel();
    refreshBar();
    if (isPlayingBack()) {
        Playback->repeatReport();
        P.showDirection(Playback->recording().header().installDir);
    }
}

// ---- Recording ----

// Enabled while the scan streams, so there is something to record; a recording under way can always
// be stopped.
void ScanReplayControl::refreshRecordAction()
{
    const bool streaming = ScanSeen && P.connection->state() == ConnectionStatus::State::Connected &&
                           P.distance->isChecked() && !isPlayingBack();
    Record->setEnabled(streaming || Recorder->isRecording());
}

void ScanReplayControl::recordToggled(bool on)
{
    if (on && !Recorder->isRecording())
        startRecording();
    else if (!on && Recorder->isRecording())
        stopRecording();
}

void ScanReplayControl::startRecording()
{
    const QString name = ZoneCsvCommands::chooseSaveName(
        P.window, Lang, pick(Lang, "Record Scan", "录制扫描"),
        pick(Lang, "Scan recordings (*.vscan)", "扫描记录 (*.vscan)"), QStringLiteral(".vscan"));
    // The stream may have ended while the user chose.
    if (name.isEmpty() || !Record->isEnabled()) {
        QSignalBlocker block(Record);
        Record->setChecked(false);
        return;
    }
    const SCAN_DATA &scan = ScanData();
    RecordingHeader header;
    header.model = P.model();
    header.pointsPerDegree = scan.ConnectType == 1 ? scan.EtherCount / 320 : kSerialBeams / 320;
    header.installDir = scan.InstallDir;
    header.product = P.exchange->LastProduct();
    if (!Recorder->start(name, header)) {
        {
            QSignalBlocker block(Record);
            Record->setChecked(false);
        }
        Dialogs::ask(P.window, Dialogs::Icon::Warning, pick(Lang, "Record Scan", "录制扫描"),
                     pick(Lang, "The recording cannot be written to %1:\n%2", "无法写入扫描记录 %1：\n%2")
                         .arg(QDir::toNativeSeparators(name), Recorder->errorString()));
        return;
    }
    RecordTick->start();
    refreshRecordLabel();
}

void ScanReplayControl::stopRecording()
{
    {
        QSignalBlocker block(Record);
        Record->setChecked(false);
    }
    RecordTick->stop();
    if (!Recorder->isRecording()) {
        refreshRecordLabel();
        return;
    }
    const bool complete = Recorder->stop();
    refreshRecordLabel();
    refreshRecordAction();
    const QString name = QFileInfo(Recorder->path()).fileName();
    const QString summary = pick(Lang, "%1 scans, %2, %3", "%1 个扫描，%2，%3")
                                .arg(Recorder->scans())
                                .arg(clockText(Recorder->elapsedMs()), sizeText(Recorder->bytes()));
    const QString note =
        complete ? pick(Lang, "Recording saved: %1 (%2)", "扫描记录已保存：%1（%2）").arg(name, summary)
                 : pick(Lang, "Recording %1 ended incomplete (%2): %3", "扫描记录 %1 未完整结束（%2）：%3")
                       .arg(name, summary, Recorder->errorString());
    // After what the disconnect or the stream stop says of itself in the same moment.
    QTimer::singleShot(0, this, [this, note] { P.window->statusBar()->showMessage(note, 15000); });
}

// The disk is full or the file cannot grow: the recording stops at once, and what was recorded
// before stays a complete recording.
void ScanReplayControl::writeFailed()
{
    const QString path = QDir::toNativeSeparators(Recorder->path());
    const QString why = Recorder->errorString();
    stopRecording();
    const int scans = Recorder->scans();
    // Shown without waiting: this arrives in the middle of the exchange's reception.
    Dialogs::show(P.window, Dialogs::Icon::Warning, pick(Lang, "Record Scan", "录制扫描"),
                  pick(Lang,
                       "Recording stopped: %1 could not be written (%2).\n"
                       "The %3 scans recorded before are kept in it.",
                       "录制已停止：无法写入 %1（%2）。\n之前录制的 %3 个扫描已保存在该文件中。")
                      .arg(path, why)
                      .arg(scans));
}

void ScanReplayControl::refreshRecordLabel()
{
    if (!Recorder->isRecording()) {
        RecordLabel->hide();
        return;
    }
    RecordLabel->setText(
        QStringLiteral("\u25CF %1 %2 \u00B7 %3")
            .arg(pick(Lang, "REC", "录制"), clockText(Recorder->elapsedMs()), sizeText(Recorder->bytes())));
    RecordLabel->setToolTip(QDir::toNativeSeparators(Recorder->path()));
    RecordLabel->show();
}

// ---- Playback ----

void ScanReplayControl::openRecording()
{
    const QString name =
        Dialogs::fileName(P.window, Dialogs::FileMode::Open, pick(Lang, "Open Recording", "打开扫描记录"),
                          QString(), pick(Lang, "Scan recordings (*.vscan)", "扫描记录 (*.vscan)"));
    if (!name.isEmpty())
        openRecordingPath(name);
}

bool ScanReplayControl::openRecordingPath(const QString &path)
{
    const QString title = pick(Lang, "Open Recording", "打开扫描记录");
    // A sensor and a recording never feed the displays at once. Asked before reading: the file
    // may be the one being recorded, which is complete only once the connection has ended.
    const ConnectionStatus::State state = P.connection->state();
    if (state != ConnectionStatus::State::Closed && state != ConnectionStatus::State::Lost) {
        const QString text =
            Recorder->isRecording()
                ? pick(Lang,
                       "Playing a recording ends the connection to the sensor; the recording "
                       "under way is saved first.",
                       "回放扫描记录将断开与传感器的连接；正在进行的录制会先保存。")
                : pick(Lang, "Playing a recording ends the connection to the sensor.",
                       "回放扫描记录将断开与传感器的连接。");
        const int answer =
            Dialogs::ask(P.window, Dialogs::Icon::Question, title, text,
                         {pick(Lang, "Disconnect and Play", "断开并回放"), pick(Lang, "Cancel", "取消")}, 1);
        if (answer != 0)
            return false;
        P.disconnect();
    }

    const QString fileName = QFileInfo(path).fileName();
    ScanRecording recording;
    RecordingError error;
    bool readable = recording.open(path, &error, true);
    if (readable && error.kind == RecordingError::CutShort) {
        // Recorded until the program or the laptop stopped: what was complete is worth seeing.
        const int answer = Dialogs::ask(P.window, Dialogs::Icon::Question, title,
                                        pick(Lang, "%1\n%2\nPlay the %3 complete scans before that line?",
                                             "%1\n%2\n回放该行之前的 %3 个完整扫描？")
                                            .arg(fileName, describe(error, Lang))
                                            .arg(recording.scanCount()),
                                        {pick(Lang, "Play", "回放"), pick(Lang, "Cancel", "取消")}, 0);
        if (answer != 0)
            return false;
    }
    if (readable && recording.scanCount() == 0) {
        error = RecordingError{RecordingError::NoScans, 0, 0};
        readable = false;
    }
    if (!readable) {
        Dialogs::ask(
            P.window, Dialogs::Icon::Warning, title,
            pick(Lang, "%1 cannot be played.\n%2", "无法回放 %1。\n%2").arg(fileName, describe(error, Lang)));
        return false;
    }

    buildBar();
    const RecordingHeader header = recording.header();
    const int scans = recording.scanCount();
    Playback->open(std::move(recording), path);
    setMarks({}); // marks belong to the recording they were found in
    refreshRecordAction();
    // The Self Check dock shows the recorded reports as it shows a sensor's.
    P.selfCheck->setEnabled(true);
    P.showStreams();
    P.showDirection(header.installDir);
    Playback->seek(0); // the overlays are visible now: show the first scan again for them
    fitToScan();
    Bar->show();
    refreshBar();
    P.window->statusBar()->showMessage(pick(Lang, "Playing %1: %2 scans, %3", "回放 %1：%2 个扫描，%3")
                                           .arg(fileName)
                                           .arg(scans)
                                           .arg(clockText(Playback->durationMs())),
                                       8000);
    Playback->play();
    return true;
}

void ScanReplayControl::closeRecording()
{
    if (!Playback->isOpen())
        return;
    Playback->close();
    setMarks({});
    if (Bar)
        Bar->hide();
    // Back to what the window shows without a sensor.
    P.clearDisplays();
    P.badges->clearSensorState();
    P.directionLabel->clear();
    P.selfCheck->setChecked(false);
    P.selfCheck->setEnabled(false);
    P.selfCheckDock->hide();
    P.showStreams();
    refreshRecordAction();
}

// The first scan fills the view, as the first scan of a connection does.
void ScanReplayControl::fitToScan()
{
    PAINT_OUTLINE *outline = P.scene->outlineItem();
    if (!outline->isVisible())
        return;
    const QPolygonF &scan = outline->contour(false);
    if (scan.size() > 2)
        P.view->FitToRect(scan.boundingRect());
}

void ScanReplayControl::buildBar()
{
    if (Bar)
        return;
    // Made on first use, after the saved window layout was restored: a layout saved during a
    // playback never brings back an empty bar.
    Bar = new QToolBar(P.window);
    Bar->setObjectName(QStringLiteral("PlaybackBar"));
    Bar->setMovable(false);
    Bar->setFloatable(false);
    P.window->addToolBar(Qt::BottomToolBarArea, Bar);
    // One row laid out as a whole: the slider takes what the others leave, nothing overflows.
    auto *row = new QWidget(Bar);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(4);
    Bar->addWidget(row);
    QStyle *style = P.window->style();

    FileLabel = new QLabel(row);
    FileLabel->setObjectName(QStringLiteral("PlaybackFile"));
    layout->addWidget(FileLabel);
    layout->addSpacing(8);
    auto button = [&](const char *objectName, QStyle::StandardPixmap icon) {
        auto *b = new QToolButton(row);
        b->setObjectName(QString::fromLatin1(objectName));
        b->setIcon(style->standardIcon(icon));
        b->setIconSize(QSize(20, 20));
        b->setAutoRaise(true);
        layout->addWidget(b);
        return b;
    };
    StepBack = button("PlaybackStepBack", QStyle::SP_MediaSkipBackward);
    StepBack->setAutoRepeat(true);
    PlayPause = button("PlaybackPlay", QStyle::SP_MediaPlay);
    StepForward = button("PlaybackStepForward", QStyle::SP_MediaSkipForward);
    StepForward->setAutoRepeat(true);

    TimeSlider = new QSlider(Qt::Horizontal, row);
    TimeSlider->setObjectName(QStringLiteral("PlaybackTime"));
    TimeSlider->setMinimumWidth(160);
    layout->addWidget(TimeSlider, 1);
    MarkLayer = new SliderMarks(TimeSlider, &Marks);
    TimeLabel = new QLabel(row);
    TimeLabel->setObjectName(QStringLiteral("PlaybackClock"));
    // Fixed width: the bar must not jump while the time runs.
    TimeLabel->setMinimumWidth(
        TimeLabel->fontMetrics().horizontalAdvance(QStringLiteral("00:00.0 / 00:00.0  #0000/0000")));
    layout->addWidget(TimeLabel);
    Speed = new QComboBox(row);
    Speed->setObjectName(QStringLiteral("PlaybackSpeed"));
    for (double s : kSpeeds)
        Speed->addItem(QStringLiteral("%1\u00D7").arg(s), s);
    Speed->setCurrentIndex(kNormalSpeed);
    layout->addWidget(Speed);
    CloseButton = button("PlaybackClose", QStyle::SP_DialogCloseButton);
    CloseButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    CloseButton->setIconSize(QSize(16, 16));

    connect(StepBack, &QToolButton::clicked, Playback, &ScanPlayback::stepBack);
    connect(StepForward, &QToolButton::clicked, Playback, &ScanPlayback::stepForward);
    connect(PlayPause, &QToolButton::clicked, this, [this] {
        if (Playback->isPlaying())
            Playback->pause();
        else
            Playback->play();
    });
    // Dragging or clicking the slider moves the playback; the playback moving the slider does not.
    connect(TimeSlider, &QSlider::sliderMoved, Playback, [this](int ms) { Playback->seek(ms); });
    connect(TimeSlider, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove)
            QTimer::singleShot(0, this, [this] { Playback->seek(TimeSlider->value()); });
    });
    connect(Speed, qOverload<int>(&QComboBox::activated), this,
            [this](int i) { Playback->setSpeed(Speed->itemData(i).toDouble()); });
    connect(CloseButton, &QToolButton::clicked, this, &ScanReplayControl::closeRecording);
}

void ScanReplayControl::refreshBar()
{
    if (!Bar)
        return;
    const bool playing = Playback->isPlaying();
    PlayPause->setIcon(
        P.window->style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    PlayPause->setToolTip(playing ? pick(Lang, "Pause", "暂停") : pick(Lang, "Play", "播放"));
    StepBack->setToolTip(pick(Lang, "Previous scan", "上一个扫描"));
    StepForward->setToolTip(pick(Lang, "Next scan", "下一个扫描"));
    TimeSlider->setToolTip(pick(Lang, "Time in the recording", "记录中的时间"));
    Speed->setToolTip(pick(Lang, "Playback speed", "回放速度"));
    CloseButton->setText(pick(Lang, "Close Recording", "关闭记录"));
    CloseButton->setToolTip(pick(Lang, "End the playback", "结束回放"));
    if (!Playback->isOpen())
        return;
    const RecordingHeader &h = Playback->recording().header();
    const QString name = QFileInfo(Playback->path()).fileName();
    static const char *const models[] = {"Laser05", "Laser10", "Laser20", "Laser30", "Laser50"};
    const QString model =
        h.model >= 0 && h.model < 5 ? QString::fromLatin1(models[h.model]) : QString::number(h.model);
    FileLabel->setToolTip(pick(Lang, "%1\nRecorded %2 with %3, serial number %4, %5 points per degree",
                               "%1\n录制于 %2，型号 %3，序列号 %4，每度 %5 个点")
                              .arg(QDir::toNativeSeparators(Playback->path()),
                                   h.start.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                   model)
                              .arg(h.product.SerialNumber)
                              .arg(h.pointsPerDegree));
    const qint64 length = Playback->durationMs();
    const int scans = Playback->recording().scanCount();
    const QString lengthText = pick(Lang, "Length %1, %2 scans, %3", "时长 %1，%2 个扫描，%3")
                                   .arg(clockText(length))
                                   .arg(scans)
                                   .arg(sizeText(QFileInfo(Playback->path()).size()));
    FileLabel->setText(pick(Lang, "Playback: %1 (%2)", "回放：%1（%2）").arg(name, clockText(length)));
    // The bar was laid out before the name was known: the slider gives way, not the name.
    FileLabel->setMinimumWidth(FileLabel->sizeHint().width());
    FileLabel->setToolTip(lengthText + QLatin1Char('\n') + FileLabel->toolTip());
    TimeLabel->setToolTip(pick(Lang, "Time shown / length of the recording, scan shown / scans",
                               "当前时间 / 记录时长，当前扫描 / 扫描总数"));
    // Wide enough for the longest text of this recording: the bar must not jump while the time runs.
    const QString widest =
        clockText(length).replace(QRegularExpression(QStringLiteral("\\d")), QStringLiteral("0"));
    const QString count = QString::number(scans).fill(QLatin1Char('0'));
    TimeLabel->setMinimumWidth(
        TimeLabel->fontMetrics().horizontalAdvance(QStringLiteral("%1 / %1  #%2/%2 ").arg(widest, count)));
    TimeSlider->setRange(0, int(qMin<qint64>(length, INT_MAX)));
    refreshPosition(Playback->positionMs());
}

void ScanReplayControl::refreshPosition(qint64 offsetMs)
{
    if (!Bar || !Playback->isOpen())
        return;
    if (!TimeSlider->isSliderDown()) {
        QSignalBlocker block(TimeSlider);
        TimeSlider->setValue(int(qMin<qint64>(offsetMs, INT_MAX)));
    }
    TimeLabel->setText(QStringLiteral("%1 / %2  #%3/%4")
                           .arg(clockText(offsetMs), clockText(Playback->durationMs()))
                           .arg(Playback->position() + 1)
                           .arg(Playback->recording().scanCount()));
}
