#pragma once

// The real main window form with the three area editing controllers wired among themselves and to
// the edit actions in the order the main window uses. Shared by the area list, coordinate table
// and edit control tests.

#include "area/area_table.h"
#include "area/coord_table.h"
#include "area/edit_control.h"
#include "area/store/project_data.h"
#include "ui_mainwindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QtTest>
#include <memory>

struct AreaEditingForm {
    QMainWindow window;
    Ui::MainWindow ui;
    std::unique_ptr<AREA_TABLE> areaTable;
    std::unique_ptr<COORD_TABLE> coordTable;
    std::unique_ptr<EDIT_CONTROL> editControl;

    explicit AreaEditingForm(bool show = true)
    {
        ui.setupUi(&window);
        PROJECT_DATA *p = &ProjectData();
        areaTable.reset(new AREA_TABLE(p, ui.AreaTableWidget, ui.Copy, ui.Cut, ui.Paste, ui.Delete));
        coordTable.reset(new COORD_TABLE(p, ui.CoordTableWidgetOut1, ui.CoordTableWidgetOut2,
                                         ui.CoordTableWidgetOut3, ui.PolarTableWidgeOut1,
                                         ui.PolarTableWidgeOut2, ui.PolarTableWidgeOut3));
        EDIT_CONTROL::Widgets w;
        w.AreaEditTab = ui.AreaEditTab;
        w.OpenDelay = ui.Area_OpenDelay;
        w.CloseDelay = ui.Area_CloseDelay;
        w.Hysteresis = ui.Area_Hysteresis;
        w.DetectionSize = ui.Area_DetectionSize;
        w.SteerMinDgree = ui.SteerMinDgree;
        w.SteerMaxDgree = ui.SteerMaxDgree;
        w.VehicleMinSpeed = ui.VehicleMinSpeed;
        w.VehicleMaxSpeed = ui.VehicleMaxSpeed;
        w.VehicleOptionMode = ui.VehicleOptionMode;
        QPushButton *buttons[3][6] = {{ui.ButtonPolygonOut1, ui.ButtonArcOut1, ui.ButtonRectangleOut1,
                                       ui.ButtonStraightOut1, ui.ButtonFanOut1, ui.ButtonRatioOut1},
                                      {ui.ButtonPolygonOut2, ui.ButtonArcOut2, ui.ButtonRectangleOut2,
                                       ui.ButtonStraightOut2, ui.ButtonFanOut2, ui.ButtonRatioOut2},
                                      {ui.ButtonPolygonOut3, ui.ButtonArcOut3, ui.ButtonRectangleOut3,
                                       ui.ButtonStraightOut3, ui.ButtonFanOut3, ui.ButtonRatioOut3}};
        for (int k = 0; k < 3; ++k)
            for (int s = 0; s < 6; ++s)
                w.ShapeButtons[k][s] = buttons[k][s];
        editControl.reset(new EDIT_CONTROL(p, w));

        AREA_TABLE *a = areaTable.get();
        COORD_TABLE *c = coordTable.get();
        EDIT_CONTROL *e = editControl.get();
        QObject::connect(ui.Copy, &QAction::triggered, a, &AREA_TABLE::CopyAreaTableData);
        QObject::connect(ui.Cut, &QAction::triggered, a, &AREA_TABLE::CutAreaTableData);
        QObject::connect(ui.Paste, &QAction::triggered, a, &AREA_TABLE::PasteAreaTableData);
        QObject::connect(ui.Delete, &QAction::triggered, a, &AREA_TABLE::DeleteAreaTableData);
        QObject::connect(ui.DeleteAll, &QAction::triggered, a, &AREA_TABLE::DeleteAllAreaTableData);
        QObject::connect(ui.Undo, &QAction::triggered, a, &AREA_TABLE::UndoAreaTableData);
        QObject::connect(ui.Redo, &QAction::triggered, a, &AREA_TABLE::RedoAreaTableData);
        QObject::connect(a, &AREA_TABLE::AreaTableIndexChange, c, &COORD_TABLE::CoordTableWidgeUpdate);
        QObject::connect(a, &AREA_TABLE::AreaTableIndexChange, e, &EDIT_CONTROL::EditControlUpdateEditData);
        QObject::connect(a, &AREA_TABLE::EditAreaDataSignal, c, &COORD_TABLE::CoordTableWidgeUpdate);
        QObject::connect(a, &AREA_TABLE::EditAreaDataSignal, e, &EDIT_CONTROL::EditControlUpdateEditData);
        QObject::connect(e, &EDIT_CONTROL::EditControlShapeChangeSignal, c,
                         &COORD_TABLE::CoordTableWidgeUpdate);
        QObject::connect(c, &COORD_TABLE::CoordTableEditSignal, a, &AREA_TABLE::SaveUndoAreaTableData);
        QObject::connect(e, &EDIT_CONTROL::EditControlShapeChangeSignal, a,
                         &AREA_TABLE::SaveUndoAreaTableData);
        QObject::connect(e, &EDIT_CONTROL::EditControlParaChangeSignal, a,
                         &AREA_TABLE::SaveUndoAreaTableData);
        QObject::connect(c, &COORD_TABLE::CoordTableEditSignal, a, &AREA_TABLE::SetEditAreaTableDisplay);
        QObject::connect(c, &COORD_TABLE::CoordTableEditSignal, a, &AREA_TABLE::AreaTableWidgetCurDisplay);

        if (show) {
            window.resize(1400, 900);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
        }
    }

    QTableWidget *cartesian(int output) const
    {
        QTableWidget *t[] = {ui.CoordTableWidgetOut1, ui.CoordTableWidgetOut2, ui.CoordTableWidgetOut3};
        return t[output];
    }
    QTableWidget *polar(int output) const
    {
        QTableWidget *t[] = {ui.PolarTableWidgeOut1, ui.PolarTableWidgeOut2, ui.PolarTableWidgeOut3};
        return t[output];
    }
    // Brings the tab of the output and the Cartesian or polar page into view, as a user would
    // before double-clicking a cell.
    void showTable(int output, bool polarPage) const
    {
        ui.AreaEditTab->setCurrentIndex(output);
        QTabWidget *types[] = {ui.CoordinatesTypeOut1, ui.CoordinatesTypeOut2, ui.CoordinatesTypeOut3};
        types[output]->setCurrentIndex(polarPage ? 1 : 0);
    }
};

// The store as the main window leaves it at start-up.
inline void resetProject()
{
    ProjectData().resetToStartup();
    for (AREA_DATA &area : ProjectData().Areas)
        area.DetectionSize = 1;
}

// The fixture of the area list, coordinate table and edit control tests: the start-up store and a
// new, shown form for every test function. A test that derives from it ends with
// #include "moc_tst_area_table_harness.cpp" so the slots below are known to QtTest.
class AreaEditingTest : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<AreaEditingForm> form;
    AREA_DATA &area() { return ProjectData().currentArea(); }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        resetProject();
        form.reset(new AreaEditingForm);
    }
    void cleanup() { form.reset(); }
};

// Opens the cell's editor, replaces its text and presses Enter, as a user does after a double click.
inline bool typeIntoCell(QTableWidget *table, int row, int column, const QString &text)
{
    QTableWidgetItem *item = table->item(row, column);
    if (!item)
        return false;
    table->scrollToItem(item);
    table->editItem(item);
    QLineEdit *editor = nullptr;
    for (QLineEdit *e : table->viewport()->findChildren<QLineEdit *>())
        if (e->isVisible())
            editor = e;
    if (!editor)
        return false;
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The delegate commits on the next turn of the event loop; closed editors go away on the
    // deferred delete after it.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return true;
}

inline QStringList rowTexts(const QTableWidget *table, int row)
{
    QStringList texts;
    for (int c = 0; c < table->columnCount(); ++c)
        texts << (table->item(row, c) ? table->item(row, c)->text() : QString("<none>"));
    return texts;
}

inline QVector<QPoint> points(std::initializer_list<QPoint> list)
{
    return QVector<QPoint>(list);
}
