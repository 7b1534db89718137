// Taking the site home, in the window: Display › Record Scan records the stand-in's stream until the
// connection ends, and File › Open Recording… plays a recording into the overlays, the breach view, the
// data table, the status displays and the teach-in without a sensor. Damaged files and a file that
// cannot grow are said so, and never cost what was recorded.
#include "ui_mainwindow.h"

#include "app/mainwindow.h"
#include "app/scan_replay_control.h"
#include "app/status_badges.h"
#include "area/dialogs.h"
#include "area/store/project_data.h"
#include "editor/breach_legend.h"
#include "editor/option_scene.h"
#include "editor/paint_outline.h"
#include "exchange_helpers.h"
#include "scan/scan_playback.h"
#include "scan/scan_recorder.h"

#include <QLCDNumber>
#include <QLabel>
#include <QPainter>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

constexpr int kPoints = 640; // two per degree

// Scan k: a room about 2 m around the sensor that grows by 100 mm a scan, each point told apart.
quint16 distanceOf(int scan, int i)
{
    return quint16(2000 + 100 * scan + i % 7);
}

} // namespace

class TestMainWindowReplay : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QList<Dialogs::Prompt> m_prompts;
    QList<Dialogs::FilePrompt> m_filePrompts;
    QString m_fileAnswer;
    int m_answer = 0;

    // Five revolutions 100 ms apart and two self-check reports, written as the recorder writes them.
    QString writeRecording(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        RecordingHeader header;
        header.model = Laser30;
        header.pointsPerDegree = 2;
        header.product = {3, 105, 4711, 2026, 11, 30};
        header.start = QDateTime(QDate(2026, 12, 7), QTime(9, 30), Qt::UTC);
        ScanRecordingWriter writer;
        if (!writer.open(path, header))
            return QString();
        writer.addSelfCheck(0, {5, 1, 0, 2512, 1800, 1205, 2830, 14250});
        for (int k = 0; k < 5; ++k) {
            QVector<quint16> d(kPoints), in(kPoints, quint16(300 + k));
            for (int i = 0; i < kPoints; ++i)
                d[i] = distanceOf(k, i);
            writer.addScan(RecordedScan::Revolution, 100 * k, d.constData(), in.constData(), kPoints);
            if (k == 2)
                writer.addSelfCheck(250, {6, 3, 3, -512, 1790, 1200, 2800, 14200});
        }
        return writer.close(500) ? path : QString();
    }

    QString bytesFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }

    static void showWindow(MainWindow &w)
    {
        w.resize(1366, 768);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.LanguageToEnglish();
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
    }
    void init()
    {
        QSettings("Trevalor", "Parameters").clear();
        ProjectData().resetToStartup();
        ScanData().ConnectType = 1;
        m_prompts.clear();
        m_filePrompts.clear();
        m_answer = 0;
        Dialogs::setResponder([this](const Dialogs::Prompt &prompt) {
            m_prompts << prompt;
            return m_answer;
        });
        Dialogs::setFileResponder([this](const Dialogs::FilePrompt &prompt) {
            m_filePrompts << prompt;
            return m_fileAnswer;
        });
    }
    void cleanup()
    {
        Dialogs::setResponder({});
        Dialogs::setFileResponder({});
    }

    // Opened through the menu and stepped scan by scan: each scan reaches the store, the data table,
    // the overlays and the breach view, the recorded reports reach the status row, the Self Check
    // dock and the monitoring display, and the teach-in counts the playback as a live scan.
    void playbackDrivesTheDisplaysLikeASensor()
    {
        const QString path = writeRecording(QStringLiteral("site.vscan"));
        QVERIFY(!path.isEmpty());
        MainWindow w;
        showWindow(w);
        Ui::MainWindow *ui = w.form();
        ScanReplayControl *replay = w.scanReplay();
        ScanPlayback *playback = replay->playback();
        QVERIFY(!ui->ButtonTeachOut1->isEnabled());
        QVERIFY(!replay->recordAction()->isEnabled()); // nothing streams
        // Out 1 of area 6 covers what lies ahead of the sensor up to 2.25 m.
        ProjectData().Areas[6].Out1Coord = {{-3000, 0}, {3000, 0}, {3000, 2250}, {-3000, 2250}};
        w.OpenMonitoringMode();
        ui->DataTable->trigger(); // the Data Table fills only while it is shown
        QVERIFY(ui->DataTableDock->isVisible());

        m_fileAnswer = path;
        replay->openAction()->trigger();
        QCOMPARE(m_filePrompts.size(), 1);
        QCOMPARE(m_filePrompts[0].mode, Dialogs::FileMode::Open);
        QVERIFY(m_filePrompts[0].filter.contains("*.vscan"));
        QVERIFY(m_prompts.isEmpty());
        QVERIFY(replay->isPlayingBack());
        QVERIFY(replay->playbackBar() && replay->playbackBar()->isVisible());
        QVERIFY(playback->isPlaying());
        replay->playbackBar()->findChild<QToolButton *>("PlaybackPlay")->click();
        QVERIFY(!playback->isPlaying());
        playback->seek(0);
        QToolButton *next = replay->playbackBar()->findChild<QToolButton *>("PlaybackStepForward");
        next->click();
        next->click();
        QCOMPARE(playback->position(), 2);

        // The store and the data table hold scan 2, as a sensor's revolution would.
        const SCAN_DATA &s = ScanData();
        QCOMPARE(s.ConnectType, 1);
        QCOMPARE(s.EtherCount, kPoints);
        QCOMPARE(s.EtherDistance[17], distanceOf(2, 17));
        QCOMPARE(ui->DataTableWidget->rowCount(), kPoints);
        QCOMPARE(ui->DataTableWidget->item(17, 1)->text(), QString::number(distanceOf(2, 17)));
        QCOMPARE(ui->DataTableWidget->item(17, 2)->text(), QString("302"));
        // The first report (at 0 ms) is the one of this moment.
        QCOMPARE(ui->InputlcdNum->intValue(), 5);
        QCOMPARE(ui->SensorTemper->text(), QString::fromUtf8("25.12 °C"));
        QCOMPARE(ProjectData().CurrentArea, 5);
        QVERIFY(ui->SelfCheck->isEnabled());

        // Scan 3 comes after the second report: area 6, two faults, and the scan over its zone.
        next->click();
        QCOMPARE(playback->position(), 3);
        QCOMPARE(ui->InputlcdNum->intValue(), 6);
        QCOMPARE(ProjectData().CurrentArea, 6);
        QCOMPARE(ui->label_StatusValue->text(), QString("Revolve Abnormal(1)Receive Abnormal(2)"));
        QCOMPARE(ui->SensorTemper->text(), QString::fromUtf8("-5.12 °C"));
        QCOMPARE(ui->label_dirValue->text(), QString("Forward"));
        PAINT_OUTLINE *outline = w.optionScene()->outlineItem();
        QVERIFY(outline->isVisible());
        QVERIFY(w.breachLegend()->isVisible());
        QImage picture(300, 300, QImage::Format_ARGB32);
        QPainter painter(&picture);
        w.editorScene()->render(&painter); // paints the scan over the zones
        painter.end();
        const QVector<signed char> &hits = outline->breaches();
        QCOMPARE(hits.size(), kPoints + 2);
        const int inside = int(std::count(hits.begin(), hits.end(), 0));
        QVERIFY2(inside > 100 && inside < kPoints, qPrintable(QString::number(inside)));
        QVERIFY(ui->ButtonTeachOut1->isEnabled());

        // Back one scan, and the time slider, both ways.
        replay->playbackBar()->findChild<QToolButton *>("PlaybackStepBack")->click();
        QCOMPARE(playback->position(), 2);
        QCOMPARE(ScanData().EtherDistance[0], distanceOf(2, 0));
        auto *slider = replay->playbackBar()->findChild<QSlider *>("PlaybackTime");
        QCOMPARE(slider->maximum(), 500);
        QCOMPARE(slider->value(), 200);
        slider->triggerAction(QAbstractSlider::SliderToMaximum);
        QTRY_COMPARE(playback->position(), 4);
        QCOMPARE(ui->DataTableWidget->item(0, 1)->text(), QString::number(distanceOf(4, 0)));
        QVERIFY(replay->playbackBar()
                    ->findChild<QLabel *>("PlaybackClock")
                    ->text()
                    .startsWith(QStringLiteral("0:00.4 / 0:00.5")));

        // Played to the end, Play starts over and the scans keep coming.
        QSignalSpy shown(playback, &ScanPlayback::scanShown);
        playback->setSpeed(4);
        playback->play();
        QCOMPARE(playback->position(), 0);
        QVERIFY(playback->isPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(!playback->isPlaying(), 5000);
        QCOMPARE(playback->position(), 4);
        QVERIFY(shown.count() >= 2); // the start, the end, and what a slow machine did not skip

        // The texts follow the language.
        w.LanguageToChinese();
        QCOMPARE(replay->openAction()->text(), QString::fromUtf8("打开扫描记录…"));
        QCOMPARE(replay->recordAction()->text(), QString::fromUtf8("录制扫描"));
        QCOMPARE(replay->playbackBar()->findChild<QToolButton *>("PlaybackClose")->text(),
                 QString::fromUtf8("关闭记录"));
        QVERIFY(replay->playbackBar()
                    ->findChild<QLabel *>("PlaybackFile")
                    ->text()
                    .startsWith(QString::fromUtf8("回放：")));
        // The report of this moment is shown again in the new language.
        QCOMPARE(ui->label_StatusValue->text(), QString::fromUtf8("旋转异常(1)接收异常(2)"));
        QCOMPARE(ui->label_dirValue->text(), QString::fromUtf8("正向安装"));
        w.LanguageToEnglish();

        // Connecting ends the playback: nothing recorded stays on show as if it were live.
        w.CreatEthernetPort(QStringLiteral("127.0.23.9")); // nobody listens: refused
        QVERIFY(!replay->isPlayingBack());
        QVERIFY(!replay->playbackBar()->isVisible());
        QVERIFY(!ui->SelfCheck->isEnabled());
        QTRY_VERIFY(w.connectionState() == ConnectionStatus::State::Closed);
        QVERIFY(!outline->isVisible());
        QCOMPARE(ScanData().EtherCount, 0);
        QCOMPARE(ui->DataTableWidget->item(0, 1)->text(), QString());
        QCOMPARE(ui->InputlcdNum->intValue(), 0);
    }

    // Outputs switching while every report says no fault: the badges show the area and no fault, as
    // they would for the sensor itself.
    void replayedRecordingWithoutFaultsShowsNoFaultBadge()
    {
        const QString path = m_dir.filePath(QStringLiteral("healthy.vscan"));
        RecordingHeader header;
        header.model = Laser30;
        header.pointsPerDegree = 2;
        header.product = {3, 105, 4711, 2026, 11, 30};
        header.start = QDateTime(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC);
        ScanRecordingWriter writer;
        QVERIFY(writer.open(path, header));
        writer.addSelfCheck(0, {4, 3, 0, 2512, 1800, 1205, 2830, 14250});
        QVector<quint16> d(kPoints, 3000), in(kPoints, 300);
        writer.addScan(RecordedScan::Revolution, 0, d.constData(), in.constData(), kPoints);
        writer.addSelfCheck(50, {7, 5, 0, 2512, 1800, 1205, 2830, 14250});
        writer.addScan(RecordedScan::Revolution, 100, d.constData(), in.constData(), kPoints);
        QVERIFY(writer.close(200));

        MainWindow w;
        showWindow(w);
        m_fileAnswer = path;
        w.scanReplay()->openAction()->trigger();
        QVERIFY2(w.scanReplay()->isPlayingBack(), m_prompts.isEmpty() ? "" : qPrintable(m_prompts[0].text));
        ScanPlayback *playback = w.scanReplay()->playback();
        playback->pause();
        for (const int at : {0, 100}) {
            playback->seek(at);
            const int area = at == 0 ? 4 : 7;
            QCOMPARE(w.form()->InputlcdNum->intValue(), area);
            QVERIFY2(w.statusBadges()->faultBadge()->isHidden(),
                     qPrintable(w.statusBadges()->faultBadge()->text()));
            QCOMPARE(w.statusBadges()->areaBadge()->text(), QStringLiteral("Sensor: Area %1").arg(area));
        }
        QVERIFY(w.form()->label_StatusValue->text().startsWith(QLatin1String("Normal")));
    }

    // An hour and more: the bar says how long the recording is and where it is, in hours, in both
    // languages.
    void longRecordingSaysItsLengthAndPlace()
    {
        const QString path = m_dir.filePath(QStringLiteral("long.vscan"));
        RecordingHeader header;
        header.model = Laser30;
        header.start = QDateTime(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC);
        ScanRecordingWriter writer;
        QVERIFY(writer.open(path, header));
        QVector<quint16> d(kPoints, 3000), in(kPoints, 300);
        writer.addScan(RecordedScan::Revolution, 0, d.constData(), in.constData(), kPoints);
        writer.addScan(RecordedScan::Revolution, 3723400, d.constData(), in.constData(), kPoints);
        QVERIFY(writer.close(3723400));

        MainWindow w;
        showWindow(w);
        ScanReplayControl *replay = w.scanReplay();
        QVERIFY(replay->openRecordingPath(path));
        replay->playback()->pause();
        replay->playback()->seek(3723400);
        auto *clock = replay->playbackBar()->findChild<QLabel *>("PlaybackClock");
        auto *file = replay->playbackBar()->findChild<QLabel *>("PlaybackFile");
        QCOMPARE(clock->text(), QStringLiteral("1:02:03.4 / 1:02:03.4  #2/2"));
        QCOMPARE(file->text(), QStringLiteral("Playback: long.vscan (1:02:03.4)"));
        QVERIFY2(file->toolTip().startsWith(QStringLiteral("Length 1:02:03.4, 2 scans, ")),
                 qPrintable(file->toolTip()));
        QVERIFY(clock->width() >= clock->fontMetrics().horizontalAdvance(clock->text()));
        w.LanguageToChinese();
        QCOMPARE(file->text(), QString::fromUtf8("回放：long.vscan（1:02:03.4）"));
        QVERIFY(file->toolTip().startsWith(QString::fromUtf8("时长 1:02:03.4，2 个扫描，")));
        w.LanguageToEnglish();
    }

    // Foreign, damaged and empty files are refused with the reader's reason and leave a playback
    // under way alone; a recording cut short offers its complete scans.
    void damagedRecordingsAreRefusedWithTheirReason()
    {
        const QString good = writeRecording(QStringLiteral("good.vscan"));
        QVERIFY(!good.isEmpty());
        QFile f(good);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        MainWindow w;
        showWindow(w);
        ScanReplayControl *replay = w.scanReplay();

        const struct {
            const char *name;
            QByteArray bytes;
            const char *reason;
        } refused[] = {
            {"photo.vscan", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
             "This file is not a scan recording."},
            {"newer.vscan", QByteArray(bytes).replace("VSCAN 1 ", "VSCAN 7 "),
             "The recording has format version 7; this program reads version 1."},
            {"flipped.vscan", QByteArray(bytes).replace("END 5 ", "END 6 "),
             "The recording is damaged at line"},
            {"empty.vscan", bytes.left(bytes.indexOf('\n') + 1) + "END 0 0\n",
             "The recording holds no scans."},
        };
        QVERIFY(replay->openRecordingPath(good));
        replay->playback()->pause();
        replay->playback()->stepForward();
        for (const auto &r : refused) {
            m_prompts.clear();
            QVERIFY(!replay->openRecordingPath(bytesFile(QString::fromLatin1(r.name), r.bytes)));
            QCOMPARE(m_prompts.size(), 1);
            QCOMPARE(m_prompts[0].icon, Dialogs::Icon::Warning);
            QVERIFY2(m_prompts[0].text.startsWith(QString::fromLatin1(r.name) + " cannot be played."),
                     qPrintable(m_prompts[0].text));
            QVERIFY2(m_prompts[0].text.contains(QString::fromLatin1(r.reason)),
                     qPrintable(m_prompts[0].text));
            // The recording that was playing plays on, where it was.
            QCOMPARE(replay->playback()->path(), good);
            QCOMPARE(replay->playback()->position(), 1);
        }
        replay->closeRecording();

        // Cut short in its fourth scan: asked, and Play shows the three before it.
        const QString cut =
            bytesFile(QStringLiteral("cut.vscan"), bytes.left(bytes.indexOf("\nR 300 ") + 40));
        m_prompts.clear();
        m_answer = 1; // Cancel
        QVERIFY(!replay->openRecordingPath(cut));
        QCOMPARE(m_prompts.size(), 1);
        QVERIFY(m_prompts[0].text.contains("cut short at line"));
        QVERIFY(m_prompts[0].text.contains("Play the 3 complete scans"));
        QVERIFY(!replay->isPlayingBack());
        m_answer = 0;
        QVERIFY(replay->openRecordingPath(cut));
        QCOMPARE(replay->playback()->recording().scanCount(), 3);
    }

    // Recording the stand-in's stream: the toggle is usable once scans arrive, the status bar shows
    // the time and size, the recording ends by itself with the connection, and the file plays back
    // the revolutions the window received.
    void recordTheStandInAndPlayItBack()
    {
        auto sim = startSimAt("127.0.23.1", {QStringLiteral("--rate"), QStringLiteral("50")});
        QVERIFY(sim);
        MainWindow w;
        showWindow(w);
        Ui::MainWindow *ui = w.form();
        ScanReplayControl *replay = w.scanReplay();
        QAction *record = replay->recordAction();
        QVERIFY(ui->Display->actions().contains(record));
        QVERIFY(ui->File->actions().contains(replay->openAction()));
        QVERIFY(!record->isEnabled());

        w.ConnectChangeEthernetModeSlot();
        w.CreatEthernetPort(QStringLiteral("127.0.23.1"));
        QTRY_VERIFY_WITH_TIMEOUT(record->isEnabled(), 10000);
        const QString path = m_dir.filePath(QStringLiteral("stand-in")); // the suffix is added
        m_fileAnswer = path;
        QList<QVector<quint16>> received;
        connect(w.serialComm(), &SERIAL_COMM::ReceiveScanfData, this, [&] {
            if (replay->recorder()->isRecording())
                received << QVector<quint16>(ScanData().EtherDistance,
                                             ScanData().EtherDistance + ScanData().EtherCount);
        });
        // Self-check lines (written with the port states) come at their own pace, slower than scans: the
        // recording waits for one.
        int selfChecks = 0;
        connect(w.serialComm(), &SERIAL_COMM::IOPortSignals, this, [&] {
            if (replay->recorder()->isRecording())
                ++selfChecks;
        });
        record->trigger();
        QVERIFY(record->isChecked());
        QCOMPARE(m_filePrompts.last().mode, Dialogs::FileMode::Save);
        QVERIFY(replay->recorder()->isRecording());
        QTRY_VERIFY_WITH_TIMEOUT(replay->recorder()->scans() >= 6 && selfChecks > 0, 20000);
        QTRY_VERIFY(replay->recordingLabel()->isVisible() &&
                    replay->recordingLabel()->text().contains("REC"));
        QVERIFY(replay->recordingLabel()->text().contains("kB") ||
                replay->recordingLabel()->text().contains("MB"));

        // Opening a recording while connected asks first; Cancel keeps the connection and the recording.
        m_answer = 1;
        m_prompts.clear();
        QVERIFY(!replay->openRecordingPath(path + ".vscan"));
        QCOMPARE(m_prompts.size(), 1);
        QVERIFY(m_prompts[0].text.contains("the recording under way is saved first"));
        QVERIFY(replay->recorder()->isRecording());

        // Disconnecting ends the recording with its end line.
        w.CloseSerialPort();
        QVERIFY(!replay->recorder()->isRecording());
        QVERIFY(!record->isChecked());
        QVERIFY(!record->isEnabled());
        QVERIFY(!replay->recordingLabel()->isVisible());
        QTRY_VERIFY(w.statusBar()->currentMessage().startsWith("Recording saved: stand-in.vscan ("));

        ScanRecording recording;
        RecordingError error;
        QVERIFY2(recording.open(path + ".vscan", &error), qPrintable(describe(error, Language::English)));
        QCOMPARE(recording.scanCount(), received.size());
        QCOMPARE(recording.header().model, w.deviceType());
        QCOMPARE(recording.header().pointsPerDegree, received.last().size() / 320);
        QVERIFY(!recording.selfChecks().isEmpty());

        m_answer = 0;
        m_fileAnswer = path + ".vscan";
        replay->openAction()->trigger();
        QVERIFY(replay->isPlayingBack());
        replay->playback()->pause();
        replay->playback()->seek(0);
        replay->playback()->stepForward();
        QCOMPARE(QVector<quint16>(ScanData().EtherDistance, ScanData().EtherDistance + ScanData().EtherCount),
                 received[1]);
        // The hidden Data Table was left alone while the sensor streamed; shown, it catches up.
        QVERIFY(!ui->DataTableDock->isVisible());
        QVERIFY(!ui->DataTableWidget->item(0, 1) || ui->DataTableWidget->item(0, 1)->text().isEmpty());
        ui->DataTable->trigger();
        QCOMPARE(ui->DataTableWidget->rowCount(), received[1].size());
        QVERIFY(!ui->DataTableWidget->item(0, 1)->text().isEmpty());
        QVERIFY(w.optionScene()->outlineItem()->isVisible());
        QVERIFY(!record->isEnabled()); // a playback is not recorded again
    }

#ifdef Q_OS_LINUX
    // The file stops growing in the middle of a recording (here a file size limit stands for a full
    // disk): the recording stops, the user is told, and the scans before are a readable recording.
    void aWriteFailureStopsTheRecordingAndKeepsWhatWasRecorded()
    {
        auto sim = startSimAt("127.0.23.2", {QStringLiteral("--rate"), QStringLiteral("50")});
        QVERIFY(sim);
        MainWindow w;
        showWindow(w);
        ScanReplayControl *replay = w.scanReplay();
        w.ConnectChangeEthernetModeSlot();
        w.CreatEthernetPort(QStringLiteral("127.0.23.2"));
        QTRY_VERIFY_WITH_TIMEOUT(replay->recordAction()->isEnabled(), 10000);
        const QString path = m_dir.filePath(QStringLiteral("full.vscan"));
        m_fileAnswer = path;
        replay->recordAction()->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(replay->recorder()->scans() >= 3, 10000);

        const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limit = previous;
        limit.rlim_cur = rlim_t(QFileInfo(path).size() + 400); // a self-check fits, a revolution not
        QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
        m_prompts.clear();
        QTRY_VERIFY_WITH_TIMEOUT(!replay->recorder()->isRecording(), 10000);
        setrlimit(RLIMIT_FSIZE, &previous);
        signal(SIGXFSZ, previousHandler);

        const int kept = replay->recorder()->scans();
        QCOMPARE(m_prompts.size(), 1);
        QCOMPARE(m_prompts[0].icon, Dialogs::Icon::Warning);
        QVERIFY2(m_prompts[0].text.startsWith("Recording stopped: "), qPrintable(m_prompts[0].text));
        QVERIFY(m_prompts[0].text.contains(QString("The %1 scans recorded before are kept").arg(kept)));
        QVERIFY(!replay->recordAction()->isChecked());
        QVERIFY(!replay->recordingLabel()->isVisible());
        // The connection goes on, and recording can start again.
        QCOMPARE(w.connectionState(), ConnectionStatus::State::Connected);
        QVERIFY(replay->recordAction()->isEnabled());

        ScanRecording recording;
        RecordingError error;
        QVERIFY2(recording.open(path, &error), qPrintable(describe(error, Language::English)));
        QCOMPARE(recording.scanCount(), kept);
        QVERIFY(kept >= 3);
        w.CloseSerialPort();
    }
#endif
};

QTEST_MAIN(TestMainWindowReplay)
#include "tst_mainwindow_replay.moc"
