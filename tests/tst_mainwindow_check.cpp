// File › Check Design Against Recording… in the window: a recording with one object passing in front of
// the sensor is checked against the open design; the event is listed, marked on the playback slider and
// played from when clicked; a second project file is compared; both languages.
#include "ui_mainwindow.h"

#include "app/design_check_dialog.h"
#include "app/mainwindow.h"
#include "app/scan_replay_control.h"
#include "area/dialogs.h"
#include "area/file/project_file.h"
#include "area/file/sensor_settings.h"
#include "area/store/project_data.h"
#include "scan/scan_playback.h"
#include "scan/scan_recording.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kPoints = 640; // two per degree over the 320° sector
constexpr int kScans = 10;

// A room 2 m around the sensor; in scans 3 to 5 an object stands 1 m straight ahead, 20° wide.
QString writeRecording(const QString &path)
{
    RecordingHeader header;
    header.model = Laser30;
    header.pointsPerDegree = 2;
    header.product = {3, 105, 4711, 2026, 11, 30};
    header.start = QDateTime(QDate(2026, 12, 8), QTime(9, 30), Qt::UTC);
    ScanRecordingWriter writer;
    if (!writer.open(path, header))
        return QString();
    writer.addSelfCheck(0, {0, 0, 0, 2512, 1800, 1205, 2830, 14250});
    for (int k = 0; k < kScans; ++k) {
        QVector<quint16> d(kPoints, 2000), in(kPoints, 300);
        if (k >= 3 && k <= 5)
            for (int i = kPoints / 2 - 20; i < kPoints / 2 + 20; ++i)
                d[i] = 1000;
        writer.addScan(RecordedScan::Revolution, 100 * k, d.constData(), in.constData(), kPoints);
    }
    return writer.close(100 * kScans) ? path : QString();
}

// Out 1 guards a lane 1 m wide up to 1.5 m ahead; detection size 1°, no delays.
void guardLane(AREA_DATA &a, int reach)
{
    a.Out1Shape = Polygon;
    a.Out1Coord = {{500, 0}, {500, reach}, {-500, reach}, {-500, 0}};
    a.DetectionSize = 1;
    a.OpenDelay = 0;
    a.CloseDelay = 0;
}

} // namespace

class TestMainWindowCheck : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QStringList m_files; // answers to file prompts, in order

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        QSettings("Trevalor", "Parameters").clear();
        Dialogs::setResponder([](const Dialogs::Prompt &) { return 0; });
        Dialogs::setFileResponder([this](const Dialogs::FilePrompt &) {
            return m_files.isEmpty() ? QString() : m_files.takeFirst();
        });
    }
    void cleanupTestCase()
    {
        Dialogs::setResponder({});
        Dialogs::setFileResponder({});
    }

    void checkListsMarksAndPlaysTheBreachAndComparesAnotherDesign()
    {
        const QString recording = writeRecording(m_dir.filePath("site.vscan"));
        QVERIFY(!recording.isEmpty());
        // The other design's lane reaches only 0.8 m: the object at 1 m never enters it.
        ProjectData().resetToStartup();
        guardLane(ProjectData().Areas[0], 800);
        const QString other = ProjectFile::withExtension(m_dir.filePath("short"), Laser30);
        QVERIFY(ProjectFile::save(other, Laser30, SensorSettings::defaults(), ProjectData()));

        ProjectData().resetToStartup();
        guardLane(ProjectData().Areas[0], 1500);
        MainWindow w;
        w.resize(1366, 768);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.LanguageToEnglish();
        DesignCheckDialog *check = w.designCheck();
        QVERIFY(w.form()->File->actions().contains(check->action()));
        QCOMPARE(check->action()->text(), QStringLiteral("Check Design Against Recording…"));

        // No recording open: the menu entry opens one first, then checks area 0 as the sensor reported.
        m_files = QStringList{recording};
        check->action()->trigger();
        QVERIFY(w.scanReplay()->isPlayingBack());
        QVERIFY(check->isVisible());
        const CheckResult &r = check->result();
        QCOMPARE(r.scans, kScans);
        QCOMPARE(r.events.size(), 1);
        QCOMPARE(r.events[0].output, 0);
        QCOMPARE(r.events[0].area, 0);
        QCOMPARE(r.events[0].startMs, qint64(300));
        QCOMPARE(r.outputs[0].count, 1);
        QCOMPARE(r.outputs[1].count + r.outputs[2].count, 0);

        auto *events = check->findChild<QTableWidget *>("CheckEvents");
        QCOMPARE(events->rowCount(), 1);
        QCOMPARE(events->item(0, 2)->text(), QStringLiteral("Out 1"));
        QCOMPARE(w.scanReplay()->marks().size(), 1);
        QCOMPARE(w.scanReplay()->marks()[0].offsetMs, qint64(300));

        // A click plays from the event on.
        ScanPlayback *playback = w.scanReplay()->playback();
        playback->pause();
        playback->seek(0);
        events->cellClicked(0, 0);
        QVERIFY(playback->isPlaying());
        QVERIFY(playback->position() >= 3);

        // The shorter lane would not have stopped for the object.
        QVERIFY(check->setComparisonFile(other));
        QVERIFY(check->runCheck());
        QVERIFY(check->hasComparison());
        QCOMPARE(check->comparison().outputs[0].count, 0);
        auto *change = check->findChild<QLabel *>("CheckChange");
        QVERIFY2(change->text().contains("Out 1"), qPrintable(change->text()));
        // For a look at the results (test-output/).
        QDir().mkpath(VELTRIN_TEST_OUTPUT);
        QTest::qWait(200); // the bar and the dialog laid out
        check->grab().save(QString(VELTRIN_TEST_OUTPUT) + "/design_check_en.png");
        w.grab().save(QString(VELTRIN_TEST_OUTPUT) + "/design_check_window_en.png");

        // A file that is no project is said so and changes nothing.
        const QString junk = m_dir.filePath("junk.vkt");
        {
            QFile f(junk);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a project\n");
        }
        QVERIFY(!check->setComparisonFile(junk));
        QVERIFY(!check->hasComparison());

        // Chinese.
        w.LanguageToChinese();
        QCOMPARE(check->action()->text(), QString::fromUtf8("用扫描记录检查设计…"));
        QCOMPARE(events->horizontalHeaderItem(0)->text(), QString::fromUtf8("时间"));
        QCOMPARE(events->item(0, 2)->text(), QString::fromUtf8("输出1"));
        check->grab().save(QString(VELTRIN_TEST_OUTPUT) + "/design_check_cn.png");

        // Closing the recording takes its marks with it.
        w.scanReplay()->closeRecording();
        QVERIFY(w.scanReplay()->marks().isEmpty());
    }
};

QTEST_MAIN(TestMainWindowCheck)
#include "tst_mainwindow_check.moc"
