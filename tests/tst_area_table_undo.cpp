// Every command that changes an area is one undo step of that area, Undo stops at the design as it
// was after New or Open, and a read from the sensor is one step that Undo takes back.
#include "app/mainwindow.h"
#include "area/area_table.h"
#include "area/dialogs.h"
#include "area/edit_control.h"
#include "area/store/project_data.h"
#include "comm/serial_comm.h"
#include "ui_mainwindow.h"

#include <QSettings>
#include <QtTest>

class TestAreaTableUndo : public QObject {
    Q_OBJECT

    QList<Dialogs::Prompt> prompts;
    int answer = 0;

    // Types a vertex into the append row of the current area's Out 1 table, as a user would.
    static void typeVertex(MainWindow &w, int x, int y)
    {
        QTableWidget *t = w.form()->CoordTableWidgetOut1;
        const int row = t->rowCount() - 1;
        t->item(row, 1)->setText(QString::number(x));
        t->item(row, 2)->setText(QString::number(y));
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        QSettings("Trevalor", "Parameters").clear();
        ProjectData().resetToStartup();
        prompts.clear();
        answer = 0;
        Dialogs::setResponder([this](const Dialogs::Prompt &p) {
            prompts << p;
            return answer;
        });
    }

    void cleanup() { Dialogs::setResponder({}); }

    void firstUndoReturnsToTheFreshAreaNotTheEmptyRecord()
    {
        MainWindow w;
        Ui::MainWindow *ui = w.form();
        QVERIFY(!ui->Undo->isEnabled() && !ui->Redo->isEnabled());
        w.editControl()->DetectionSizeIndexChange(4);
        QVERIFY(ui->Undo->isEnabled());
        ui->Undo->trigger();
        QCOMPARE(ProjectData().Areas[0].DetectionSize, 1);
        QCOMPARE(ui->Area_DetectionSize->currentIndex(), 1);
        QVERIFY(!ui->Undo->isEnabled());
        QVERIFY(ui->Redo->isEnabled());
        ui->Redo->trigger();
        QCOMPARE(ProjectData().Areas[0].DetectionSize, 4);
        QVERIFY(!ui->Redo->isEnabled());
    }

    void deleteCutPasteAndDeleteAllAreOneStepEach()
    {
        MainWindow w;
        Ui::MainWindow *ui = w.form();
        PROJECT_DATA &p = ProjectData();
        typeVertex(w, 100, 200);
        typeVertex(w, 300, 400);
        const AREA_DATA designed = p.Areas[0];
        QCOMPARE(designed.Out1Coord.size(), 2);

        ui->Delete->trigger();
        QVERIFY(p.Areas[0].Out1Coord.isEmpty());
        ui->Undo->trigger(); // exactly the design before Delete, not one vertex less
        QCOMPARE(p.Areas[0], designed);
        ui->Redo->trigger();
        QVERIFY(p.Areas[0].Out1Coord.isEmpty());
        ui->Undo->trigger();

        ui->Cut->trigger();
        QVERIFY(p.Areas[0].Out1Coord.isEmpty());
        w.areaTable()->AreaTableClickChangeSlots(7, 0);
        const AREA_DATA before = p.Areas[7];
        ui->Paste->trigger();
        QCOMPARE(p.Areas[7], designed);
        ui->Undo->trigger();
        QCOMPARE(p.Areas[7], before);
        w.areaTable()->AreaTableClickChangeSlots(0, 0);
        ui->Undo->trigger();
        QCOMPARE(p.Areas[0], designed);

        // Delete All asks first; Cancel keeps everything.
        answer = 1;
        ui->DeleteAll->trigger();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(p.Areas[0], designed);
        answer = 0;
        ui->DeleteAll->trigger();
        QCOMPARE(prompts.size(), 2);
        for (const AREA_DATA &a : p.Areas)
            QCOMPARE(a, p.EmptyArea);
        ui->Undo->trigger();
        QCOMPARE(p.Areas[0], designed);
    }

    // The read-all's areas are stored by the exchange; the window's refresh after it makes the step.
    void readFromTheSensorIsOneUndoStepAndLeavesTheDesignUnsaved()
    {
        MainWindow w;
        Ui::MainWindow *ui = w.form();
        PROJECT_DATA &p = ProjectData();
        typeVertex(w, 500, 600);
        const AREA_DATA designed = p.Areas[0];
        p.Modified = false; // as if just saved

        AREA_DATA read = designed;
        read.Out1Coord = {{1000, 0}, {0, 1000}};
        read.SteerMaxDgree = 60;
        p.Areas[0] = read;
        p.Areas[9].OpenDelay = 3;
        emit w.serialComm()->ReceiveAreasComplete();
        QVERIFY(p.Modified); // the saved design is not what the window now holds
        QCOMPARE(ui->CoordTableWidgetOut1->item(1, 2)->text(), QString("1000"));

        ui->Undo->trigger();
        QCOMPARE(p.Areas[0], designed);
        ui->Redo->trigger();
        QCOMPARE(p.Areas[0], read);
        w.areaTable()->AreaTableClickChangeSlots(9, 0);
        ui->Undo->trigger();
        QCOMPARE(p.Areas[9].OpenDelay, 0);
        ui->Redo->trigger();

        // Replacing unsaved changes leaves the project modified.
        w.areaTable()->AreaTableClickChangeSlots(0, 0);
        typeVertex(w, 7, 8);
        QVERIFY(p.Modified);
        p.Areas[0] = read;
        emit w.serialComm()->ReceiveAreasComplete();
        QVERIFY(p.Modified);
        ui->Undo->trigger();
        QCOMPARE(p.Areas[0].Out1Coord.last(), QPoint(7, 8));
    }
};

QTEST_MAIN(TestAreaTableUndo)
#include "tst_area_table_undo.moc"
