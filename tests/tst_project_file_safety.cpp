// No design is lost through the file commands: saves that fail or would replace another project,
// Open and New over unsaved changes, values still being typed, and the undo base of a fresh design.
#include "app/mainwindow.h"
#include "area/area_table.h"
#include "area/dialogs.h"
#include "area/store/project_data.h"
#include "comm/serial_comm.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

namespace {
QByteArray contents(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every zone of every area full: a file of a few hundred kilobytes.
void fillWholeDesign()
{
    for (AREA_DATA &a : ProjectData().Areas)
        for (int k = 0; k < 3; ++k) {
            a.coord(k).clear();
            for (int i = 0; i < 100; ++i)
                a.coord(k) << QPoint(1000 + i, -2000 - i);
        }
    ProjectData().Modified = true;
}
} // namespace

class TestProjectFileSafety : public QObject {
    Q_OBJECT

    QList<Dialogs::Prompt> prompts;
    QList<int> answers; // answered in turn; 0 once they run out
    QString chosenFile;
    int fileDialogs = 0;
    QTemporaryDir dir;

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        QSettings("Trevalor", "Parameters").clear();
        ProjectData().resetToStartup();
        prompts.clear();
        answers.clear();
        fileDialogs = 0;
        Dialogs::setResponder([this](const Dialogs::Prompt &p) {
            prompts << p;
            return answers.isEmpty() ? 0 : answers.takeFirst();
        });
        Dialogs::setFileResponder([this](const Dialogs::FilePrompt &) {
            ++fileDialogs;
            return chosenFile;
        });
    }

    void cleanup()
    {
        Dialogs::setResponder({});
        Dialogs::setFileResponder({});
    }

    // The write stops halfway (the file size limit is reached): the last good copy stays whole, the
    // user is told why, and the design is still marked unsaved.
    void saveFailingHalfwayLeavesTheOldFileIntact()
    {
        QTemporaryDir here;
        chosenFile = here.filePath("site");
        MainWindow w;
        ProjectData().Areas[0].Out1Coord = {{100, 200}, {300, 400}};
        ProjectData().Modified = true;
        QVERIFY(w.savefile());
        const QString saved = here.filePath("site.VKT30");
        const QByteArray good = contents(saved);
        QVERIFY(good.contains("100,200"));

        fillWholeDesign();
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 64 * 1024; // well below the new file, above nothing that matters here
        auto previous = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        const bool ok = w.savefile();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);

        QVERIFY(!ok);
        QCOMPARE(contents(saved), good);
        QCOMPARE(QDir(here.path()).entryList(QDir::Files), QStringList{"site.VKT30"});
        QVERIFY(ProjectData().Modified);
        QVERIFY(w.isWindowModified());
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts[0].icon, Dialogs::Icon::Critical);
        QVERIFY(prompts[0].text.contains("site.VKT30"));
    }

    // The name typed has no extension; the file under the final name belongs to another project.
    void saveAsAsksBeforeReplacingAFileUnderTheFinalName()
    {
        const QString other = dir.filePath("site.VKT30");
        {
            QFile f(other);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("another project\r\n");
        }
        chosenFile = dir.filePath("site");
        MainWindow w;
        w.LanguageToEnglish();
        ProjectData().Areas[3].Out1Coord = {{5, 6}};
        ProjectData().Modified = true;

        answers = {1}; // Cancel
        QVERIFY(!w.saveProjectAs());
        QCOMPARE(prompts.size(), 1);
        QVERIFY(prompts[0].text.contains("site.VKT30"));
        QCOMPARE(prompts[0].buttons, QStringList({"Replace", "Cancel"}));
        QCOMPARE(contents(other), QByteArray("another project\r\n"));
        QVERIFY(ProjectData().Modified);
        QVERIFY(w.projectFileName().isEmpty());

        answers = {0}; // Replace
        QVERIFY(w.saveProjectAs());
        QVERIFY(contents(other).contains("5,6"));
        QVERIFY(!ProjectData().Modified);
        QCOMPARE(w.windowTitle(), QString("site.VKT30[*] — Veltrin"));

        // Save now writes to the project's own file without a dialog or a question.
        ProjectData().Areas[3].Out1Coord = {{7, 8}};
        ProjectData().Modified = true;
        const int dialogsBefore = fileDialogs;
        QVERIFY(w.savefile());
        QCOMPARE(fileDialogs, dialogsBefore);
        QCOMPARE(prompts.size(), 2);
        QVERIFY(contents(other).contains("7,8"));
    }

    void openAndNewAskSaveDiscardCancelAndStartFresh()
    {
        // A project on disk with a case channel of its own.
        chosenFile = dir.filePath("cases.VKT30");
        {
            MainWindow w;
            ProjectData().Areas[1].SteerMaxDgree = 30;
            ProjectData().Areas[1].Out1Coord = {{1, 2}};
            QVERIFY(w.saveProjectAs());
        }
        ProjectData().resetToStartup();
        MainWindow w;
        Ui::MainWindow *ui = w.form();
        PROJECT_DATA &p = ProjectData();
        w.areaTable()->AreaTableClickChangeSlots(1, 0);
        p.Areas[1].SteerMaxDgree = 99;
        p.Areas[1].VehicleMaxSpeed = 150;
        w.areaTable()->SaveUndoAreaTableData();
        QVERIFY(ui->Undo->isEnabled());

        answers = {2}; // Cancel: no dialog, nothing opened
        const int before = fileDialogs;
        w.OpenProject();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts[0].buttons, QStringList({"保存", "不保存", "取消"}));
        QCOMPARE(fileDialogs, before);
        QCOMPARE(p.Areas[1].SteerMaxDgree, 99);

        answers = {1}; // Discard: the file's design, with empty undo histories
        ui->Open->trigger();
        QCOMPARE(prompts.size(), 2);
        QCOMPARE(p.Areas[1].SteerMaxDgree, 30);
        QCOMPARE(p.Areas[1].VehicleMaxSpeed, 0);
        QVERIFY(!p.Modified);
        for (int area = 0; area < kAreaCount; ++area)
            QCOMPARE(p.UndoHistory[area].size(), 1);
        QVERIFY(!ui->Undo->isEnabled());
        QCOMPARE(w.windowTitle(), QString("cases.VKT30[*] — Veltrin"));

        // New over an unsaved change: fresh case channels and histories as well.
        p.Areas[1].VehicleMinSpeed = -20;
        w.areaTable()->SaveUndoAreaTableData();
        answers = {1};
        w.CreateDeviceLaser50();
        QCOMPARE(prompts.size(), 3);
        QCOMPARE(w.deviceType(), 4);
        QCOMPARE(p.Areas[1].SteerMaxDgree, 0);
        QCOMPARE(p.Areas[1].VehicleMinSpeed, 0);
        QCOMPARE(p.UndoHistory[1].size(), 1);
        QVERIFY(w.projectFileName().isEmpty());
        QCOMPARE(w.windowTitle(), QString("未命名[*] — Veltrin"));
    }

    // Quit, Save and friends act on the value the user sees, not the one before the typing.
    void valuesStillBeingTypedAreCommittedFirst()
    {
        chosenFile = dir.filePath("typed");
        MainWindow w;
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        Ui::MainWindow *ui = w.form();

        QTableWidget *table = ui->CoordTableWidgetOut1;
        table->editItem(table->item(0, 2)); // the append row's Y
        auto *editor = qobject_cast<QLineEdit *>(table->indexWidget(table->model()->index(0, 2)));
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, "150");
        QVERIFY(ProjectData().Areas[0].Out1Coord.isEmpty());
        ui->Save->trigger();
        QVERIFY(contents(dir.filePath("typed.VKT30")).contains("0,150\r\n"));
        QCOMPARE(ProjectData().Areas[0].Out1Coord, QVector<QPoint>({{0, 150}}));

        ui->SteerMinDgree->setFocus();
        ui->SteerMinDgree->selectAll();
        QTest::keyClicks(ui->SteerMinDgree, "45");
        answers = {2}; // the close question must come, and Cancel keeps the window
        ui->Quit->trigger();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(ProjectData().Areas[0].SteerMinDgree, 45);
        QVERIFY(w.isVisible());
    }

    // Settings of the sensor dock are saved in the project, so changing them is a change.
    void sensorSettingEditsMarkTheProjectModified()
    {
        MainWindow w;
        Ui::MainWindow *ui = w.form();
        QVERIFY(!ProjectData().Modified);
        emit w.serialComm()->ReceiveParameters(); // a read from the sensor is no edit
        QVERIFY(!ProjectData().Modified);
        ui->Para_RS485IDAddress->setValue(42);
        QVERIFY(ProjectData().Modified);
        QVERIFY(w.isWindowModified());
        answers = {2};
        w.CreateDeviceLaser50();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(w.deviceType(), 3);
    }

    // One file with three kinds of damage: each is repaired, the neighbours are untouched, and one
    // message lists what was done.
    void damagedFileIsRepairedAndTheRepairsListed()
    {
        chosenFile = dir.filePath("damaged");
        AREA_DATA neighbour;
        neighbour.DetectionSize = 1;
        neighbour.Out1Coord = {{-1200, -35}, {0, 4000}};
        neighbour.Out3Shape = Arc;
        neighbour.Out3Coord = {{1000, 0}, {-1000, 0}};
        {
            MainWindow w;
            ProjectData().Areas[0].Out3Coord = {{1, 1}, {2, 2}};
            ProjectData().Areas[1] = neighbour;
            ProjectData().Areas[4].OpenDelay = 7;
            QVERIFY(w.saveProjectAs());
            QVERIFY(prompts.isEmpty());
        }
        const QString name = dir.filePath("damaged.VKT30");
        QStringList lines = QString::fromLatin1(contents(name)).split("\r\n");
        // Area 0 loses its Out3CoordEnd, area 4's on delay becomes 99, area 2's Out 1 gets 200,000 points.
        lines.removeAt(lines.indexOf("Out3CoordEnd", lines.indexOf("2,2")));
        const int block4 = lines.indexOf("4", lines.indexOf("CoordTableData"));
        QCOMPARE(lines[block4 + 1], QString("7"));
        lines[block4 + 1] = "99";
        const int zone2 = lines.indexOf("Out1CoordStr", lines.indexOf("2", lines.indexOf("CoordTableData")));
        QStringList many;
        for (int i = 0; i < 200000; ++i)
            many << QString("%1,%2").arg(i % 5000).arg(i % 7000);
        lines.insert(zone2 + 1, many.join("\r\n"));
        {
            QFile f(name);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(lines.join("\r\n").toLatin1());
        }

        ProjectData().resetToStartup();
        MainWindow w;
        w.LanguageToEnglish();
        chosenFile = name;
        w.openfile();
        PROJECT_DATA &p = ProjectData();
        QCOMPARE(p.Areas[0].Out3Coord, QVector<QPoint>({{1, 1}, {2, 2}}));
        QCOMPARE(p.Areas[1], neighbour);
        QCOMPARE(p.Areas[2].Out1Coord.size(), kMaxZonePoints);
        QCOMPARE(p.Areas[4].OpenDelay, 25);
        QCOMPARE(prompts.size(), 1);
        const QString text = prompts[0].text;
        QVERIFY2(text.contains("Area 0, Out 3: end of the point list missing"), qPrintable(text));
        QVERIFY2(text.contains("Area 2, Out 1: 200000 points, the first 100 kept"), qPrintable(text));
        QVERIFY2(text.contains("Area 4: on delay 99 is out of range, now 25"), qPrintable(text));
        QVERIFY(p.Modified); // the repaired design is not what the file holds

        // Files the program writes open exactly, without a message.
        chosenFile = dir.filePath("clean");
        QVERIFY(w.saveProjectAs());
        QVector<AREA_DATA> saved = p.Areas;
        p.Areas[1].Out1Coord.clear();
        answers = {1};
        chosenFile = dir.filePath("clean.VKT30");
        w.openfile();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(p.Areas, saved);
        QVERIFY(!p.Modified);
    }

    void fileTooLargeIsRefusedAndChangesNothing()
    {
        const QString name = dir.filePath("huge.VKT30");
        {
            QFile f(name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("KDR_VKT_30\r\n");
            f.write(QByteArray(5 * 1024 * 1024, '\n'));
        }
        MainWindow w;
        ProjectData().Areas[6].Out1Coord = {{3, 4}};
        chosenFile = name;
        w.OpenProject();
        QCOMPARE(prompts.size(), 1);
        QVERIFY(prompts[0].text.contains("huge.VKT30"));
        QCOMPARE(ProjectData().Areas[6].Out1Coord.size(), 1);
        QVERIFY(w.projectFileName().isEmpty());
    }
};

QTEST_MAIN(TestProjectFileSafety)
#include "tst_project_file_safety.moc"
