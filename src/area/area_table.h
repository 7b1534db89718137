#pragma once

#include "area/store/language.h"
// The list of the 64 areas in the edit dock (number, change marker, thumbnail) and the area-level
// commands: Copy, Cut, Paste, Delete, Delete All, Undo, Redo with each area's own undo history.
// The controller is a table widget only to own the slots; it is never shown. The visible list is
// the form's table, which it fills and listens to.

#include <QList>
#include <QTableWidget>

class PROJECT_DATA;
class PAINT_TABLE;
class QAction;
class QMenu;
class QPoint;

class AREA_TABLE : public QTableWidget {
    Q_OBJECT
public:
    AREA_TABLE(PROJECT_DATA *project, QTableWidget *areaTableWidget, QAction *copy, QAction *cut,
               QAction *paste, QAction *remove);

    PAINT_TABLE *thumbnail(int area) const { return Thumbnails.value(area); }
    QMenu *contextMenu() const { return Menu; }
    // Undo and Redo are enabled only while the current area has a step to go back or forward to.
    void setUndoActions(QAction *undo, QAction *redo);
    void RefreshUndoActions();
    // Records area's present state as its newest undo step (nothing when it already is).
    void SaveUndoArea(int area);
    // The change marks say "changed since opened or saved": a save, an open or a new project
    // clears them all.
    void clearChangeMarks();
    bool isMarkedChanged(int area) const;
    // The language of the marks' tool tips.
    void setLanguage(Language language);

public slots:
    void AreaTableClickChangeSlots(int Row, int Column);
    void AreaTableMenuEvent(QPoint pos);
    void CopyAreaTableData();
    void CutAreaTableData();
    void PasteAreaTableData();
    void DeleteAreaTableData();
    void DeleteAllAreaTableData();
    void UndoAreaTableData();
    void RedoAreaTableData();
    void SaveUndoAreaTableData();
    void SaveAllUndoAreaTableData();
    void SetEditAreaTableDisplay();
    void ResetEditAreaTableDisplay();
    void AreaTableWidgetCurDisplay();
    void AreaTableWidgetAllDisplay();
    // Area numbers in red for the areas the last read-all could not read; the others in blue.
    void MarkAreasNotRead(const QVector<int> &areas);

signals:
    // The current area (or every area) was replaced as a whole.
    void EditAreaDataSignal();
    // Another area became current.
    void AreaTableIndexChange();

private:
    void buildTable();
    void saveUndo(int area);
    void stepHistory(int step);
    // After a command replaced areas: one undo step for each area that really changed.
    void recordChange(int area);
    void setMarker(int row, const QColor &colour);
    void redisplay(int row);

    PROJECT_DATA *Project;
    QTableWidget *AreaTableWidget;
    QList<PAINT_TABLE *> Thumbnails;
    QMenu *Menu;
    QAction *CopyAction;
    QAction *CutAction;
    QAction *PasteAction;
    QAction *DeleteAction;
    QAction *UndoAction = nullptr;
    QAction *RedoAction = nullptr;
    Language Lang = Language::Chinese;
};
