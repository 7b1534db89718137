#include "ui_mainwindow.h" // generated form; included here so the build generates it for this test

#include "tst_area_table_harness.h"

#include "editor/paint_table.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTimer>

class TestAreaTable : public AreaEditingTest {
    Q_OBJECT
    PROJECT_DATA &p() { return ProjectData(); }
    QTableWidget *list() { return form->ui.AreaTableWidget; }

    void clickRow(int row)
    {
        QTableWidgetItem *item = list()->item(row, 0);
        list()->scrollToItem(item);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(item).center());
    }

    // One coordinate table edit of the current area, through the table's own signal.
    void editX(int value)
    {
        QTableWidget *t = form->cartesian(0);
        if (p().currentArea().Out1Coord.isEmpty())
            t->item(0, 2)->setText("1"); // append (0, 1)
        t->item(0, 1)->setText(QString::number(value));
    }

    int x() { return p().currentArea().Out1Coord.value(0).x(); }

private slots:
    void listShowsNumbersMarkersAndThumbnails()
    {
        QCOMPARE(list()->rowCount(), 64);
        QCOMPARE(list()->columnCount(), 3);
        QVERIFY(!list()->horizontalHeader()->isVisible() && !list()->verticalHeader()->isVisible());
        QCOMPARE(list()->editTriggers(), QAbstractItemView::NoEditTriggers);
        for (int row : {0, 17, 63}) {
            QCOMPARE(list()->rowHeight(row), 100);
            QCOMPARE(list()->item(row, 0)->text(), QString::number(row));
            QCOMPARE(list()->item(row, 0)->foreground().color(), QColor(Qt::blue));
            auto *thumb = qobject_cast<PAINT_TABLE *>(list()->cellWidget(row, 2));
            QVERIFY(thumb);
            QCOMPARE(thumb->areaIndex(), row);
        }
        QCOMPARE(list()->columnWidth(0), 40);
        QCOMPARE(list()->columnWidth(1), 10);
    }

    void clickingARowSwitchesAreaWithoutSnapshot()
    {
        p().Areas[5].Out1Coord = points({{100, 200}});
        p().Areas[5].OpenDelay = 6;
        p().Areas[5].Out2Shape = Fan;
        p().Areas[5].Out2Coord = points({{0, 300}});
        QSignalSpy index(form->areaTable.get(), &AREA_TABLE::AreaTableIndexChange);
        QSignalSpy edits(form->areaTable.get(), &AREA_TABLE::EditAreaDataSignal);
        clickRow(5);
        QCOMPARE(p().CurrentArea, 5);
        QCOMPARE(index.count(), 1);
        QCOMPARE(edits.count(), 0);
        // Tables and controls show the new area; nothing went into any history.
        QCOMPARE(rowTexts(form->cartesian(0), 0), QStringList({"1", "100", "200"}));
        QCOMPARE(form->ui.Area_OpenDelay->currentText(), QString("120ms"));
        QVERIFY(form->ui.ButtonFanOut2->isChecked());
        QVERIFY(!form->ui.ButtonPolygonOut2->isChecked());
        QCOMPARE(p().UndoHistory[5].size(), 1);
        QCOMPARE(p().UndoHistory[0].size(), 1);
        QVERIFY(!p().Modified);

        clickRow(5);
        QCOMPARE(index.count(), 1); // the current row again: nothing
        clickRow(63);
        QCOMPARE(p().CurrentArea, 63);
        QCOMPARE(index.count(), 2);
    }

    void coordinateEditSnapshotsMarksAndRedrawsTheRow()
    {
        clickRow(2);
        QCOMPARE(list()->item(2, 1), nullptr);
        editX(40);
        QCOMPARE(list()->item(2, 1)->background().color(), QColor(Qt::green));
        QCOMPARE(list()->item(3, 1), nullptr);
        // One snapshot per edit (append, then x), each equal to what the area then showed.
        QCOMPARE(p().UndoHistory[2].size(), 3);
        QCOMPARE(p().UndoPosition[2], 2);
        QCOMPARE(p().UndoHistory[2].last(), p().Areas[2]);
        QVERIFY(p().Modified);
        form->areaTable->ResetEditAreaTableDisplay();
        QCOMPARE(list()->item(2, 1)->background().color(), QColor(Qt::white));
    }

    void thumbnailFollowsEdits()
    {
        PAINT_TABLE *thumb = form->areaTable->thumbnail(0);
        const QPoint farAhead(thumb->width() / 2, thumb->height() / 2 - 30);
        QVERIFY(thumb->grab().toImage().pixelColor(farAhead) != QColor(255, 255, 128));
        // A square ahead of the sensor, typed into the Out 1 table.
        QTableWidget *t = form->cartesian(0);
        for (const QPoint &pt :
             {QPoint(-3000, 1000), QPoint(3000, 1000), QPoint(3000, 5000), QPoint(-3000, 5000)}) {
            const int row = t->rowCount() - 1;
            t->item(row, 1)->setText(QString::number(pt.x()));
            t->item(row, 2)->setText(QString::number(pt.y()));
        }
        QCOMPARE(p().Areas[0].Out1Coord.size(), 4);
        const QColor c = thumb->grab().toImage().pixelColor(farAhead);
        QVERIFY2(c.red() > 200 && c.green() > 200 && c.blue() < 200, qPrintable(c.name()));
    }

    void undoHistoryKeepsTheNewestHundred()
    {
        QSignalSpy edits(form->areaTable.get(), &AREA_TABLE::EditAreaDataSignal);
        editX(1); // appends (0, 1), then x = 1: two snapshots
        for (int i = 2; i <= 149; ++i)
            editX(i);
        QCOMPARE(p().UndoHistory[0].size(), 100);
        QCOMPARE(p().UndoPosition[0], 99);
        QCOMPARE(x(), 149);
        for (int i = 0; i < 99; ++i)
            form->ui.Undo->trigger();
        QCOMPARE(p().UndoPosition[0], 0);
        QCOMPARE(x(), 50); // the oldest kept state
        QCOMPARE(rowTexts(form->cartesian(0), 0), QStringList({"1", "50", "1"}));
        form->ui.Undo->trigger();
        QCOMPARE(x(), 50);
        QCOMPARE(edits.count(), 100);
        form->ui.Redo->trigger();
        QCOMPARE(x(), 51);
    }

    void editAfterUndoDropsTheRedoTail()
    {
        editX(10);
        editX(20);
        editX(30);
        form->ui.Undo->trigger();
        form->ui.Undo->trigger();
        QCOMPARE(x(), 10);
        editX(99);
        QCOMPARE(p().UndoHistory[0].size(), 4); // empty, append, 10, 99
        p().Modified = false;
        QSignalSpy edits(form->areaTable.get(), &AREA_TABLE::EditAreaDataSignal);
        form->ui.Redo->trigger();
        QCOMPARE(x(), 99);
        QCOMPARE(p().UndoPosition[0], 3);
        QCOMPARE(edits.count(), 1);
        QVERIFY(!p().Modified); // nothing was left to redo, so nothing changed
    }

    void undoAtTheOldestSnapshotChangesNothingButEmits()
    {
        p().Areas[0].Out1Coord = points({{7, 7}});
        QSignalSpy edits(form->areaTable.get(), &AREA_TABLE::EditAreaDataSignal);
        form->ui.Undo->trigger();
        QCOMPARE(p().Areas[0].Out1Coord, points({{7, 7}}));
        QCOMPARE(p().UndoPosition[0], 0);
        QCOMPARE(edits.count(), 1);
        QVERIFY(!p().Modified);
    }

    void undoStepsOnlyTheCurrentArea()
    {
        editX(5);
        clickRow(1);
        editX(6);
        form->ui.Undo->trigger();
        QVERIFY(p().Areas[1].Out1Coord.size() == 1 && p().Areas[1].Out1Coord[0].x() == 0);
        QCOMPARE(p().Areas[0].Out1Coord, points({{5, 1}}));
    }

    void cutEmptiesTheAreaAndPasteBringsItBack()
    {
        editX(8);
        const AREA_DATA before = p().Areas[0];
        form->ui.Cut->trigger();
        QCOMPARE(p().Areas[0], p().EmptyArea);
        QCOMPARE(p().Areas[0].DetectionSize, 0);
        QCOMPARE(form->cartesian(0)->rowCount(), 1);
        form->ui.Paste->trigger();
        QCOMPARE(p().Areas[0], before);
    }

    void pasteBeforeAnyCopyWritesTheEmptyArea()
    {
        editX(8);
        form->ui.Paste->trigger();
        QCOMPARE(p().Areas[0], p().EmptyArea);
    }

    void deleteThenUndoAndRedo()
    {
        editX(10);
        editX(20);
        form->ui.Delete->trigger();
        QCOMPARE(p().Areas[0], p().EmptyArea);
        QCOMPARE(form->ui.Area_DetectionSize->currentText(), QString("0.5°"));
        // The deletion is a step of its own: Undo brings back the area as it was before it, Redo
        // deletes again.
        form->ui.Undo->trigger();
        QCOMPARE(x(), 20);
        form->ui.Redo->trigger();
        QCOMPARE(p().Areas[0], p().EmptyArea);
    }

    void deleteAllKeepsHistories()
    {
        editX(10);
        clickRow(5);
        form->ui.ButtonArcOut1->click();
        form->editControl->HysteresisIndexChange(3);
        QSignalSpy edits(form->areaTable.get(), &AREA_TABLE::EditAreaDataSignal);
        form->ui.DeleteAll->trigger();
        QCOMPARE(edits.count(), 1);
        for (const AREA_DATA &a : p().Areas) {
            QCOMPARE(a.Out1Shape, int(Polygon));
            QVERIFY(a.Out1Coord.isEmpty());
            QCOMPARE(a.DetectionSize, 0);
        }
        QVERIFY(form->ui.ButtonPolygonOut1->isChecked());
        QCOMPARE(p().UndoHistory[5].size(), 4);
        form->ui.Undo->trigger(); // back to the arc with its hysteresis, as before Delete All
        QCOMPARE(p().Areas[5].Hysteresis, 3);
        QCOMPARE(p().Areas[5].Out1Shape, int(Arc));
        QCOMPARE(p().Areas[5].Out1Coord, points({{20, 0}, {20, 0}}));
        QVERIFY(form->ui.ButtonArcOut1->isChecked());
        clickRow(0);
        form->ui.Undo->trigger();
        QCOMPARE(p().Areas[0].Out1Coord, points({{10, 1}}));
    }

    void saveAllSnapshotsEveryArea()
    {
        p().Areas[9].Out3Coord = points({{1, 2}});
        form->areaTable->SaveAllUndoAreaTableData();
        QVERIFY(p().Modified);
        for (int i = 0; i < 64; ++i) {
            QCOMPARE(p().UndoHistory[i].size(), 2);
            QCOMPARE(p().UndoPosition[i], 1);
        }
        QCOMPARE(p().UndoHistory[9].last().Out3Coord, points({{1, 2}}));
    }

    void contextMenuOffersTheFourCommandsOnce()
    {
        QList<QAction *> seen;
        for (int round = 0; round < 2; ++round) {
            QTimer::singleShot(50, [&] {
                if (QMenu *menu = form->areaTable->contextMenu()) {
                    seen = menu->actions();
                    menu->close();
                }
            });
            emit list()->customContextMenuRequested(QPoint(5, 5));
        }
        QCOMPARE(seen, QList<QAction *>({form->ui.Copy, form->ui.Cut, form->ui.Paste, form->ui.Delete}));
    }
};

QTEST_MAIN(TestAreaTable)
#include "moc_tst_area_table_harness.cpp"
#include "tst_area_table.moc"
