#include "area/area_table.h"

#include "area/store/project_data.h"
#include "editor/paint_table.h"

#include <QAction>
#include <QCursor>
#include <QHeaderView>
#include <QMenu>

namespace {
constexpr int kRowHeight = 100;
constexpr int kNumberColumnWidth = 40;
constexpr int kMarkerColumnWidth = 10;
} // namespace

AREA_TABLE::AREA_TABLE(PROJECT_DATA *project, QTableWidget *areaTableWidget, QAction *copy, QAction *cut,
                       QAction *paste, QAction *remove)
    : Project(project), AreaTableWidget(areaTableWidget), Menu(nullptr), CopyAction(copy), CutAction(cut),
      PasteAction(paste), DeleteAction(remove)
{
    buildTable();

    Menu = new QMenu(this);
    AreaTableWidget->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(AreaTableWidget, &QWidget::customContextMenuRequested, this, &AREA_TABLE::AreaTableMenuEvent);
    connect(AreaTableWidget, &QTableWidget::cellClicked, this, &AREA_TABLE::AreaTableClickChangeSlots);
    // The highlight moves by keyboard too (arrows, Page Down, Home): the edited area goes with it.
    connect(AreaTableWidget, &QTableWidget::currentCellChanged, this,
            [this](int row, int column) { AreaTableClickChangeSlots(row, column); });

    for (int i = 0; i < kAreaCount; ++i)
        Thumbnails << new PAINT_TABLE(i, Project);

    connect(this, &AREA_TABLE::EditAreaDataSignal, this, &AREA_TABLE::AreaTableWidgetAllDisplay);
    AreaTableWidgetAllDisplay();
    // Highlighted from the start, so the first arrow key moves on from the area being edited.
    AreaTableWidget->setCurrentCell(Project->clampCurrentArea(), 0);
}

void AREA_TABLE::buildTable()
{
    QTableWidget *t = AreaTableWidget;
    t->setColumnCount(3);
    t->setRowCount(kAreaCount);
    t->horizontalHeader()->setDefaultAlignment(Qt::AlignJustify);
    t->horizontalHeader()->setStretchLastSection(true);
    t->horizontalHeader()->hide();
    t->verticalHeader()->hide();
    // The marker column is narrower than the style's smallest section.
    t->horizontalHeader()->setMinimumSectionSize(kMarkerColumnWidth);
    t->setColumnWidth(0, kNumberColumnWidth);
    t->setColumnWidth(1, kMarkerColumnWidth);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The thumbnail column takes what is left; the list never scrolls sideways, which would hide
    // the area numbers after a click on a thumbnail.
    t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    t->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    QFont numberFont("times", 18, 10);
    for (int row = 0; row < kAreaCount; ++row) {
        t->setRowHeight(row, kRowHeight);
        auto *number = new QTableWidgetItem(QString::number(row));
        number->setForeground(Qt::blue);
        number->setFont(numberFont);
        t->setItem(row, 0, number);
    }
}

void AREA_TABLE::AreaTableClickChangeSlots(int Row, int Column)
{
    Q_UNUSED(Column);
    if (Row < 0 || Row == Project->CurrentArea)
        return;
    Project->CurrentArea = qMin(Row, kAreaCount - 1);
    // Changed from elsewhere (the sensor's active area): the highlight shows the area being edited.
    if (AreaTableWidget->currentRow() != Project->CurrentArea)
        AreaTableWidget->setCurrentCell(Project->CurrentArea, 0);
    RefreshUndoActions();
    AreaTableWidgetAllDisplay();
    emit AreaTableIndexChange();
}

void AREA_TABLE::AreaTableMenuEvent(QPoint pos)
{
    Q_UNUSED(pos);
    // The menu opens where the mouse is now, which is also right for a keyboard-requested menu.
    Menu->addActions({CopyAction, CutAction, PasteAction, DeleteAction});
    Menu->exec(QCursor::pos());
}

void AREA_TABLE::CopyAreaTableData()
{
    Project->Clipboard = Project->currentArea();
}

void AREA_TABLE::CutAreaTableData()
{
    const int cur = Project->clampCurrentArea();
    Project->Clipboard = Project->Areas[cur];
    Project->Areas[cur] = Project->EmptyArea;
    recordChange(cur);
    emit EditAreaDataSignal();
}

void AREA_TABLE::PasteAreaTableData()
{
    const int cur = Project->clampCurrentArea();
    Project->Areas[cur] = Project->Clipboard;
    recordChange(cur);
    emit EditAreaDataSignal();
}

void AREA_TABLE::DeleteAreaTableData()
{
    const int cur = Project->clampCurrentArea();
    Project->Areas[cur] = Project->EmptyArea;
    recordChange(cur);
    emit EditAreaDataSignal();
}

void AREA_TABLE::DeleteAllAreaTableData()
{
    for (int area = 0; area < kAreaCount; ++area) {
        Project->Areas[area] = Project->EmptyArea;
        recordChange(area);
    }
    emit EditAreaDataSignal();
}

void AREA_TABLE::UndoAreaTableData()
{
    stepHistory(-1);
}

void AREA_TABLE::RedoAreaTableData()
{
    stepHistory(1);
}

// Undo (-1) and Redo (+1): the current area takes the state that far along its history, if there is one.
void AREA_TABLE::stepHistory(int step)
{
    const int cur = Project->clampCurrentArea();
    int &position = Project->UndoPosition[cur];
    const QVector<AREA_DATA> &history = Project->UndoHistory[cur];
    if (position + step >= 0 && position + step < history.size()) {
        position += step;
        Project->Areas[cur] = history[position];
        Project->Modified = true;
    }
    RefreshUndoActions();
    emit EditAreaDataSignal();
}

void AREA_TABLE::saveUndo(int area)
{
    QVector<AREA_DATA> &history = Project->UndoHistory[area];
    int &position = Project->UndoPosition[area];
    // A new edit after Undo makes the undone states unreachable.
    if (position >= 0 && position < history.size() - 1)
        history.resize(position + 1);
    while (history.size() >= kUndoDepth)
        history.removeFirst();
    history.append(Project->Areas[area]);
    position = history.size() - 1;
}

void AREA_TABLE::recordChange(int area)
{
    if (Project->Areas[area] == Project->UndoHistory[area].value(Project->UndoPosition[area]))
        return;
    Project->Modified = true;
    saveUndo(area);
    RefreshUndoActions();
}

void AREA_TABLE::SaveUndoArea(int area)
{
    if (area < 0 || area >= kAreaCount)
        return;
    recordChange(area);
}

void AREA_TABLE::SaveUndoAreaTableData()
{
    Project->Modified = true;
    saveUndo(Project->clampCurrentArea());
    RefreshUndoActions();
}

void AREA_TABLE::SaveAllUndoAreaTableData()
{
    Project->Modified = true;
    for (int area = 0; area < kAreaCount; ++area)
        saveUndo(area);
    RefreshUndoActions();
}

void AREA_TABLE::setUndoActions(QAction *undo, QAction *redo)
{
    UndoAction = undo;
    RedoAction = redo;
    RefreshUndoActions();
}

void AREA_TABLE::RefreshUndoActions()
{
    const int cur = Project->clampCurrentArea();
    const int position = Project->UndoPosition.value(cur);
    const int size = Project->UndoHistory.value(cur).size();
    if (UndoAction)
        UndoAction->setEnabled(position > 0);
    if (RedoAction)
        RedoAction->setEnabled(position + 1 < size);
}

void AREA_TABLE::setMarker(int row, const QColor &colour)
{
    auto *marker = new QTableWidgetItem;
    marker->setBackground(colour);
    if (colour == QColor(Qt::green))
        marker->setToolTip(pick(Lang, "Changed since the project was last opened or saved",
                                "自上次打开或保存工程以来已修改"));
    AreaTableWidget->setItem(row, 1, marker);
}

bool AREA_TABLE::isMarkedChanged(int area) const
{
    const QTableWidgetItem *marker = AreaTableWidget->item(area, 1);
    return marker && marker->background().color() == QColor(Qt::green);
}

void AREA_TABLE::SetEditAreaTableDisplay()
{
    setMarker(Project->clampCurrentArea(), Qt::green);
}

void AREA_TABLE::ResetEditAreaTableDisplay()
{
    setMarker(Project->clampCurrentArea(), Qt::white);
}

void AREA_TABLE::clearChangeMarks()
{
    for (int row = 0; row < kAreaCount; ++row)
        if (isMarkedChanged(row))
            setMarker(row, Qt::white);
}

void AREA_TABLE::setLanguage(Language language)
{
    Lang = language;
    for (int row = 0; row < kAreaCount; ++row)
        if (isMarkedChanged(row))
            setMarker(row, Qt::green);
}

void AREA_TABLE::redisplay(int row)
{
    PAINT_TABLE *thumbnail = Thumbnails.value(row);
    if (!thumbnail)
        return;
    thumbnail->update();
    if (AreaTableWidget->cellWidget(row, 2) != thumbnail)
        AreaTableWidget->setCellWidget(row, 2, thumbnail);
}

void AREA_TABLE::AreaTableWidgetCurDisplay()
{
    redisplay(Project->clampCurrentArea());
}

void AREA_TABLE::AreaTableWidgetAllDisplay()
{
    Project->clampCurrentArea();
    for (int row = 0; row < kAreaCount; ++row)
        redisplay(row);
}

void AREA_TABLE::MarkAreasNotRead(const QVector<int> &areas)
{
    for (int row = 0; row < kAreaCount; ++row)
        if (QTableWidgetItem *number = AreaTableWidget->item(row, 0))
            number->setForeground(areas.contains(row) ? QColor(Qt::red) : QColor(Qt::blue));
}
