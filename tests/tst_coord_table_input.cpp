// What the coordinate tables make of typed text, in the main window: text that is not a number is
// refused and said so in the status bar; a point beyond the model's range is kept and marked.
#include "ui_mainwindow.h" // generated form; included here so the build generates it for this test

#include "app/mainwindow.h"
#include "area/dialogs.h"
#include "area/store/project_data.h"
#include "tst_area_table_harness.h"

#include <QSettings>
#include <QStatusBar>
#include <QtTest>

class TestCoordTableInput : public QObject {
    Q_OBJECT

    static bool marked(QTableWidget *t, int row, int column)
    {
        return !t->item(row, column)->icon().isNull() && !t->item(row, column)->toolTip().isEmpty();
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings("Trevalor", "Parameters").clear();
        Dialogs::setResponder([](const Dialogs::Prompt &) { return 1; });
    }
    void cleanupTestCase() { Dialogs::setResponder({}); }

    void textThatIsNotANumberIsRefusedAndSaidWhy()
    {
        ProjectData().resetToStartup();
        ProjectData().Areas[0].Out1Coord = {{1000, 2000}};
        MainWindow w;
        w.LanguageToEnglish();
        w.resize(1366, 768);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Ui::MainWindow *ui = w.form();
        QTableWidget *xy = ui->CoordTableWidgetOut1;

        QVERIFY(typeIntoCell(xy, 0, 1, "12abc"));
        QCOMPARE(ProjectData().Areas[0].Out1Coord, (QVector<QPoint>{{1000, 2000}}));
        QCOMPARE(xy->item(0, 1)->text(), QString("1000"));
        QVERIFY(w.statusBar()->currentMessage().contains("\"12abc\" is not a number"));
        QVERIFY(!ProjectData().Modified);
        QVERIFY(!ui->Undo->isEnabled()); // no undo step for an edit that changed nothing

        // The append row appends nothing, the polar table refuses the same way, in Chinese too.
        w.LanguageToChinese();
        QVERIFY(typeIntoCell(xy, 1, 2, "y"));
        QCOMPARE(ProjectData().Areas[0].Out1Coord.size(), 1);
        QCOMPARE(xy->rowCount(), 2);
        QVERIFY(w.statusBar()->currentMessage().contains(QString("“y”不是数字")));
        ui->CoordinatesTypeOut1->setCurrentIndex(1);
        QVERIFY(typeIntoCell(ui->PolarTableWidgeOut1, 0, 1, "inf"));
        QCOMPARE(ProjectData().Areas[0].Out1Coord, (QVector<QPoint>{{1000, 2000}}));
        QCOMPARE(ui->PolarTableWidgeOut1->item(0, 1)->text(), QString("2236.07"));

        // A number is still taken, with spaces around it.
        QVERIFY(typeIntoCell(ui->PolarTableWidgeOut1, 0, 2, " 90 "));
        QCOMPARE(ProjectData().Areas[0].Out1Coord, (QVector<QPoint>{{0, 2236}}));
        QVERIFY(ProjectData().Modified);
    }

    void pointsBeyondTheRangeAreKeptAndMarked()
    {
        ProjectData().resetToStartup();
        MainWindow w; // VKT-30xx: 36 m
        w.LanguageToEnglish();
        w.resize(1366, 768);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Ui::MainWindow *ui = w.form();
        QTableWidget *xy = ui->CoordTableWidgetOut1;
        QVERIFY(typeIntoCell(xy, 0, 2, "30000"));
        QVERIFY(typeIntoCell(xy, 1, 2, "40000"));
        QCOMPARE(ProjectData().Areas[0].Out1Coord, (QVector<QPoint>{{0, 30000}, {0, 40000}}));
        QVERIFY(!marked(xy, 0, 1) && !marked(xy, 0, 2));
        QVERIFY(marked(xy, 1, 1) && marked(xy, 1, 2));
        QVERIFY(xy->item(1, 2)->toolTip().contains("36000 mm"));
        QVERIFY(marked(ui->PolarTableWidgeOut1, 1, 1));
        QVERIFY(!marked(xy, 2, 1)); // the append row

        // A corner within 36 m on each axis but not by radius is beyond too.
        QVERIFY(typeIntoCell(xy, 0, 1, "30000"));
        QVERIFY(marked(xy, 0, 1));

        // The mark follows the language and the model.
        w.LanguageToChinese();
        QVERIFY(xy->item(1, 2)->toolTip().contains(QString("超出该型号的测量范围")));
        DEVICETYPE vkt50 = Laser50;
        w.CreateDeviceType(&vkt50);
        QVERIFY(!marked(xy, 0, 1) && !marked(xy, 1, 2));
    }
};

QTEST_MAIN(TestCoordTableInput)
#include "tst_coord_table_input.moc"
