// The area editing controllers inside the whole main window: what a user sees follow each edit.
#include "ui_mainwindow.h" // generated form; included here so the build generates it for this test

#include "app/mainwindow.h"
#include "area/area_table.h"
#include "area/coord_table.h"
#include "area/dialogs.h"
#include "area/edit_control.h"
#include "area/store/project_data.h"
#include "editor/option_scene.h"
#include "editor/paint_table.h"
#include "editor/viewwindow.h"
#include "tst_area_table_harness.h"

#include <QDir>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

class TestAreaEditingWindow : public QObject {
    Q_OBJECT

    PROJECT_DATA &p() { return ProjectData(); }

    static void clickRow(MainWindow &w, int row)
    {
        QTableWidget *list = w.form()->AreaTableWidget;
        QTableWidgetItem *item = list->item(row, 0);
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    }

    // The editor scene around the sensor, rendered as the view would show it.
    static QImage sceneImage(MainWindow &w)
    {
        QImage image(400, 400, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        w.editorScene()->render(&painter, QRectF(0, 0, 400, 400), QRectF(-10000, -10000, 20000, 20000));
        return image;
    }
    static bool yellowish(const QColor &c) { return c.red() > 200 && c.green() > 200 && c.blue() < 220; }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        QSettings("Trevalor", "Parameters").clear();
        ProjectData().resetToStartup();
        Dialogs::setResponder([](const Dialogs::Prompt &) { return 1; });
    }
    void cleanup() { Dialogs::setResponder({}); }

    void startUpShowsAnEmptyPolygonAreaWithOneDegreeDetection()
    {
        MainWindow w;
        Ui::MainWindow *ui = w.form();
        QCOMPARE(ui->Area_DetectionSize->currentText(), QString("1.0°"));
        QVERIFY(ui->ButtonPolygonOut1->isChecked() && ui->ButtonPolygonOut3->isChecked());
        QVERIFY(!ui->ButtonRatioOut2->isEnabled() && !ui->ButtonStraightOut1->isEnabled());
        QCOMPARE(rowTexts(ui->CoordTableWidgetOut1, 0), QStringList({"1", "0", "0"}));
        QCOMPARE(ui->AreaTableWidget->rowCount(), 64);
        QVERIFY(!p().Modified);
    }

    void coordinateEditIsSnapshottedBeforeAnyLaterListener()
    {
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Ui::MainWindow *ui = w.form();
        int historyAtSignal = -1;
        bool markedAtSignal = false;
        // Connected after the window's own wiring, like the scene: it must find the snapshot
        // taken and the row marked.
        connect(w.coordTable(), &COORD_TABLE::CoordTableEditSignal, this, [&] {
            historyAtSignal = p().UndoHistory[0].size();
            markedAtSignal = ui->AreaTableWidget->item(0, 1) != nullptr;
        });
        QVERIFY(typeIntoCell(ui->CoordTableWidgetOut1, 0, 2, "3000"));
        QCOMPARE(p().Areas[0].Out1Coord, points({{0, 3000}}));
        QCOMPARE(historyAtSignal, 2);
        QVERIFY(markedAtSignal);
        QCOMPARE(ui->AreaTableWidget->item(0, 1)->background().color(), QColor(Qt::green));
        QVERIFY(p().Modified);

        // Undo and Redo from the Edit menu.
        ui->Undo->trigger();
        QVERIFY(p().Areas[0].Out1Coord.isEmpty());
        QCOMPARE(ui->CoordTableWidgetOut1->rowCount(), 1);
        ui->Redo->trigger();
        QCOMPARE(rowTexts(ui->CoordTableWidgetOut1, 0), QStringList({"1", "0", "3000"}));
    }

    // The green mark says "changed since opened or saved" (its tool tip says so): a save or an
    // open of the design clears it.
    void changeMarkClearsAfterSaveAndOpen()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("marks.VKT30");
        Dialogs::setFileResponder([file](const Dialogs::FilePrompt &) { return file; });
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Ui::MainWindow *ui = w.form();
        w.LanguageToEnglish();
        QVERIFY(typeIntoCell(ui->CoordTableWidgetOut1, 0, 2, "3000"));
        QVERIFY(w.areaTable()->isMarkedChanged(0));
        QVERIFY(ui->AreaTableWidget->item(0, 1)->toolTip().contains("Changed since"));
        QVERIFY(w.savefile());
        QVERIFY(!w.areaTable()->isMarkedChanged(0));

        QVERIFY(typeIntoCell(ui->CoordTableWidgetOut1, 0, 1, "200"));
        QVERIFY(w.areaTable()->isMarkedChanged(0));
        QVERIFY(w.savefile());
        QVERIFY(typeIntoCell(ui->CoordTableWidgetOut1, 0, 1, "300"));
        // Reopened without saving the last edit: the file's design, unmarked.
        QVERIFY(w.openProjectPath(file));
        QCOMPARE(p().Areas[0].Out1Coord, points({{200, 3000}}));
        QVERIFY(!w.areaTable()->isMarkedChanged(0));
        Dialogs::setFileResponder({});
    }

    void draggedHandleRefillsTheTables()
    {
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Ui::MainWindow *ui = w.form();
        QVERIFY(typeIntoCell(ui->CoordTableWidgetOut1, 0, 1, "1000"));
        QVERIFY(typeIntoCell(ui->CoordTableWidgetOut1, 0, 2, "2000"));
        QCOMPARE(w.optionScene()->handles().size(), 2); // the vertex and the spare
        QGraphicsItem *vertex = w.optionScene()->handles().first();
        QCOMPARE(vertex->pos(), QPointF(1000, -2000));
        QSignalSpy edits(w.coordTable(), &COORD_TABLE::CoordTableEditSignal);
        vertex->setPos(1500.7, -2500.2);
        emit ui->graphicsView->MovePointItem(vertex);
        QCOMPARE(p().Areas[0].Out1Coord, points({{1500, 2500}}));
        QCOMPARE(rowTexts(ui->CoordTableWidgetOut1, 0), QStringList({"1", "1500", "2500"}));
        QCOMPARE(rowTexts(ui->PolarTableWidgeOut1, 0).mid(0, 2), QStringList({"1", "2915.48"}));
        QCOMPARE(edits.count(), 0); // a refill is not an edit
        emit ui->graphicsView->ReleasePointItem();
        QCOMPARE(p().UndoHistory[0].last().Out1Coord, points({{1500, 2500}}));

        // A shape change rebuilds the handles from the creation points.
        QTest::mouseClick(ui->ButtonRectangleOut1, Qt::LeftButton);
        QCOMPARE(w.optionScene()->handles().size(), 4);
        QCOMPARE(w.optionScene()->handles().first()->pos(), QPointF(20, 0));
    }

    void handleReleaseSnapshotsTheArea()
    {
        MainWindow w;
        p().Areas[0].Out1Coord = points({{10, 20}}); // as a drag leaves it
        emit w.form()->graphicsView->ReleasePointItem();
        emit w.form()->graphicsView->MouseReleaseSignal();
        QCOMPARE(p().UndoHistory[0].size(), 2);
        QCOMPARE(p().UndoHistory[0].last().Out1Coord, points({{10, 20}}));
        QVERIFY(p().Modified);
    }

    void copyClickPasteShowsTheCopyEverywhere()
    {
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Ui::MainWindow *ui = w.form();
        clickRow(w, 3);
        QCOMPARE(p().CurrentArea, 3);
        // A square ahead of the sensor and a fan behind it.
        QTableWidget *xy = ui->CoordTableWidgetOut1;
        for (const QPoint &pt :
             {QPoint(-2000, 2000), QPoint(2000, 2000), QPoint(2000, 6000), QPoint(-2000, 6000)}) {
            const int row = xy->rowCount() - 1; // the append row, then the new point's row
            xy->item(row, 1)->setText(QString::number(pt.x()));
            xy->item(row, 2)->setText(QString::number(pt.y()));
        }
        QTest::mouseClick(ui->ButtonFanOut2, Qt::LeftButton);
        w.editControl()->OpenDelayIndexChange(6);
        ui->Copy->trigger();

        clickRow(w, 7);
        QCOMPARE(p().CurrentArea, 7);
        QVERIFY(!yellowish(sceneImage(w).pixelColor(200, 120))); // 4000 mm ahead: nothing yet
        ui->Paste->trigger();
        QCOMPARE(p().Areas[7], p().Areas[3]);
        QCOMPARE(rowTexts(ui->CoordTableWidgetOut1, 2), QStringList({"3", "2000", "6000"}));
        QCOMPARE(ui->CoordTableWidgetOut1->rowCount(), 5);
        QVERIFY(ui->ButtonFanOut2->isChecked());
        QCOMPARE(ui->Area_OpenDelay->currentText(), QString("120ms"));
        const QColor ahead = sceneImage(w).pixelColor(200, 120);
        QVERIFY2(yellowish(ahead), qPrintable(ahead.name()));
        // The handles stand on the pasted vertices (scene y points down), plus the spare one on
        // the sensor.
        const QList<QGraphicsItem *> &handles = w.optionScene()->handles();
        QCOMPARE(handles.size(), 5);
        QCOMPARE(handles[2]->pos(), QPointF(2000, -6000));
        // The list's thumbnail of area 7 shows the square above its centre.
        PAINT_TABLE *thumb = w.areaTable()->thumbnail(7);
        const QColor t = thumb->grab().toImage().pixelColor(thumb->width() / 2, thumb->height() / 2 - 30);
        QVERIFY2(yellowish(t), qPrintable(t.name()));
    }

    // Designs three areas through the widgets and writes the window as a picture for a person to
    // look at; asserts only that every designed row got its marker.
    void designedAreasPicture_data()
    {
        QTest::addColumn<bool>("english");
        QTest::newRow("English") << true;
        QTest::newRow("Chinese") << false;
    }
    void designedAreasPicture()
    {
        QFETCH(bool, english);
        MainWindow w;
        english ? w.LanguageToEnglish() : w.LanguageToChinese();
        w.resize(1366, 710); // a laptop screen, maximised
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Ui::MainWindow *ui = w.form();
        auto typePoints = [&](QTableWidget *xy, std::initializer_list<QPoint> pts) {
            for (const QPoint &pt : pts) {
                const int row = xy->rowCount() - 1;
                xy->item(row, 1)->setText(QString::number(pt.x()));
                xy->item(row, 2)->setText(QString::number(pt.y()));
            }
        };
        clickRow(w, 0);
        typePoints(ui->CoordTableWidgetOut1, {{-3000, -1000}, {-3000, 5000}, {3000, 5000}, {3000, -1000}});
        ui->AreaEditTab->setCurrentIndex(1);
        QTest::mouseClick(ui->ButtonFanOut2, Qt::LeftButton);
        QVERIFY(typeIntoCell(ui->CoordTableWidgetOut2, 0, 2, "2500"));
        clickRow(w, 1);
        ui->AreaEditTab->setCurrentIndex(0);
        QTest::mouseClick(ui->ButtonArcOut1, Qt::LeftButton);
        QVERIFY(typeIntoCell(ui->CoordTableWidgetOut1, 0, 2, "4000"));
        QVERIFY(typeIntoCell(ui->CoordTableWidgetOut1, 1, 1, "-4000"));
        clickRow(w, 2);
        QTest::mouseClick(ui->ButtonRectangleOut1, Qt::LeftButton);
        QVERIFY(typeIntoCell(ui->CoordTableWidgetOut1, 0, 1, "-1500"));
        QVERIFY(typeIntoCell(ui->CoordTableWidgetOut1, 2, 1, "1500"));
        QVERIFY(typeIntoCell(ui->CoordTableWidgetOut1, 2, 2, "6000"));
        QCOMPARE(p().Areas[2].Out1Coord, points({{-1500, 0}, {-1500, 6000}, {1500, 6000}, {1500, 0}}));
        for (int row : {0, 1, 2})
            QVERIFY(ui->AreaTableWidget->item(row, 1));
        clickRow(w, 0);
        w.ZoomToFitSlot();
        QDir().mkpath(VELTRIN_TEST_OUTPUT);
        QVERIFY(w.grab().save(
            QStringLiteral(VELTRIN_TEST_OUTPUT "/area_editing_%1.png").arg(english ? "en" : "zh")));
    }

    void newProjectRefreshesTheTables()
    {
        MainWindow w;
        p().Areas[0].Out1Coord = points({{1, 2}, {3, 4}});
        w.coordTable()->CoordTableWidgeUpdate();
        QCOMPARE(w.form()->CoordTableWidgetOut1->rowCount(), 3);
        w.CreateDeviceLaser50();
        QCOMPARE(w.form()->CoordTableWidgetOut1->rowCount(), 1);
        QCOMPARE(w.form()->Area_DetectionSize->currentText(), QString("0.5°"));
    }
};

QTEST_MAIN(TestAreaEditingWindow)
#include "tst_area_table_mainwindow.moc"
