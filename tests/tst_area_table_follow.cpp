// The area and output being edited are the ones highlighted in the list and shown on the tab, also when
// the highlight or the tab is moved with the keyboard.
#include "ui_mainwindow.h" // generated form; included here so the build generates it for this test

#include "app/mainwindow.h"
#include "area/dialogs.h"
#include "area/store/project_data.h"
#include "editor/option_scene.h"
#include "tst_area_table_harness.h"

#include <QGraphicsItem>
#include <QSettings>
#include <QTabBar>
#include <QtTest>

class TestAreaTableFollow : public QObject {
    Q_OBJECT

    // Where the vertex handles stand, in sensor coordinates, sorted.
    static QStringList handlePoints(MainWindow &w)
    {
        QStringList at;
        for (QGraphicsItem *h : w.optionScene()->handles()) {
            const QPoint p = h->pos().toPoint();
            if (p != QPoint(0, 0)) // the spare handle waiting on the sensor
                at << QString("%1,%2").arg(p.x()).arg(-p.y());
        }
        at.sort();
        return at;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        QSettings("Trevalor", "Parameters").clear();
        ProjectData().resetToStartup();
        Dialogs::setResponder([](const Dialogs::Prompt &) { return 1; });
    }
    void cleanup() { Dialogs::setResponder({}); }

    void arrowKeysInTheAreaListChangeTheEditedArea()
    {
        PROJECT_DATA &p = ProjectData();
        p.Areas[1].Out1Coord = {{1000, 2000}, {3000, 4000}};
        p.Areas[1].OpenDelay = 5;
        p.Areas[2].Out1Coord = {{-500, 700}};
        MainWindow w;
        w.resize(1366, 768);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Ui::MainWindow *ui = w.form();
        QTableWidget *list = ui->AreaTableWidget;
        list->setFocus();

        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentRow(), 1);
        QCOMPARE(p.CurrentArea, 1);
        QCOMPARE(ui->CoordTableWidgetOut1->rowCount(), 3);
        QCOMPARE(ui->CoordTableWidgetOut1->item(1, 1)->text(), QString("3000"));
        QCOMPARE(ui->Area_OpenDelay->currentIndex(), 5);
        QCOMPARE(handlePoints(w), (QStringList{"1000,2000", "3000,4000"}));

        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(handlePoints(w), (QStringList{"-500,700"}));
        QTest::keyClick(list, Qt::Key_Up);

        // An edit now lands in the highlighted area, and area 0 stays as it was.
        QVERIFY(typeIntoCell(ui->CoordTableWidgetOut1, 0, 1, "1500"));
        QCOMPARE(p.Areas[1].Out1Coord.value(0), QPoint(1500, 2000));
        QVERIFY(p.Areas[0].Out1Coord.isEmpty());
    }

    void anAreaChosenElsewhereIsTheHighlightedOne()
    {
        MainWindow w;
        QCOMPARE(w.form()->AreaTableWidget->currentRow(), 0);
        w.areaTable()->AreaTableClickChangeSlots(9, 0);
        QCOMPARE(w.form()->AreaTableWidget->currentRow(), 9);
    }

    void keyboardTabSwitchMovesHandlesAndEditsToThatOutput()
    {
        MainWindow w;
        w.resize(1366, 768);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Ui::MainWindow *ui = w.form();
        PROJECT_DATA &p = ProjectData();
        p.Areas[0].Out1Coord = {{1000, 1000}};
        p.Areas[0].Out2Coord = {{2000, 2000}, {2500, 2600}};
        p.Areas[0].Out3Coord = {{3000, 3000}};
        emit w.areaTable()->EditAreaDataSignal(); // as after a paste
        QCOMPARE(handlePoints(w), (QStringList{"1000,1000"}));

        ui->AreaEditTab->setFocus();
        QTest::keyClick(ui->AreaEditTab, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(ui->AreaEditTab->currentIndex(), 1);
        QCOMPARE(p.CurrentOutput, 1);
        QCOMPARE(handlePoints(w), (QStringList{"2000,2000", "2500,2600"}));

        QTabBar *bar = ui->AreaEditTab->tabBar();
        bar->setFocus();
        QTest::keyClick(bar, Qt::Key_Right);
        QCOMPARE(p.CurrentOutput, 2);
        QCOMPARE(handlePoints(w), (QStringList{"3000,3000"}));
        QTest::keyClick(bar, Qt::Key_Left);

        // A handle dragged now moves Out 2's vertex; Out 1 keeps its own.
        QGraphicsItem *handle = nullptr;
        for (QGraphicsItem *h : w.optionScene()->handles())
            if (h->pos().toPoint() == QPoint(2000, -2000))
                handle = h;
        QVERIFY(handle);
        handle->setPos(2200, -2000);
        w.optionScene()->MovePointItemSlots(handle);
        QCOMPARE(p.Areas[0].Out2Coord.value(0), QPoint(2200, 2000));
        QCOMPARE(p.Areas[0].Out1Coord, (QVector<QPoint>{{1000, 1000}}));
    }
};

QTEST_MAIN(TestAreaTableFollow)
#include "tst_area_table_follow.moc"
