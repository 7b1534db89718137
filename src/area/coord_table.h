#pragma once

#include "area/store/language.h"
// The six point tables of the edit dock: for each output a Cartesian table (x, y in mm) and a polar
// table (radius in mm, bearing in degrees) of the current area. Typed values become integer points;
// arcs, rectangles and dependent shapes are kept consistent after each edit; Delete removes a
// polygon vertex. The controller is a table widget only to own the slots and the key filter; it is
// never shown.

#include <QTableWidget>

class PROJECT_DATA;
class QEvent;

class COORD_TABLE : public QTableWidget {
    Q_OBJECT
public:
    // The tables belong to the form; cartesian[k] and polar[k] show output k.
    COORD_TABLE(PROJECT_DATA *project, QTableWidget *cartesianOut1, QTableWidget *cartesianOut2,
                QTableWidget *cartesianOut3, QTableWidget *polarOut1, QTableWidget *polarOut2,
                QTableWidget *polarOut3);

    bool eventFilter(QObject *watched, QEvent *event) override;

    // The model's measuring range (mm): points beyond it are kept but marked in the tables.
    void setRangeLimit(int millimetres);
    // The language of the marks' tool tips and of the refusal message.
    void setLanguage(Language language);

public slots:
    void CoordTableWidgeUpdate();
    void CoordTable1EditSlots(QTableWidgetItem *Item);
    void CoordTable2EditSlots(QTableWidgetItem *Item);
    void CoordTable3EditSlots(QTableWidgetItem *Item);
    void PolarTable1EditSlots(QTableWidgetItem *Item);
    void PolarTable2EditSlots(QTableWidgetItem *Item);
    void PolarTable3EditSlots(QTableWidgetItem *Item);

signals:
    // A typed value or a Delete key changed the current area; the tables already show it.
    void CoordTableEditSignal();
    // Typed text that is not a number was refused (the cell shows its value again), or the typed
    // corners do not yet go around a rectangle. Says why and what is expected.
    void CellInputRefused(const QString &message);
    // A value typed into the append row was refused: the zone already holds the most points the
    // sensor can.
    void PointLimitSignal();

private:
    void buildTable(QTableWidget *table, bool polar);
    void connectEdits(int output, bool polar);
    void disconnectEdits(int output, bool polar);
    void refillTable(int output, bool polarTable);
    void refillOutput(int output);
    // A typed cell: changes or appends the point, keeps the shape's rules and shows the result.
    void cellEdit(int output, bool polarTable, QTableWidgetItem *item);
    // before: the zone's points as they were before this edit; column: the Cartesian column
    // typed (1 X, 2 Y), 0 for a polar edit.
    void applyShapeRule(int output, int row, int column, const QVector<QPoint> &before);
    void applyDependentRule();
    bool deleteKey(QTableWidget *table);
    void markRange(QTableWidget *table, int row, bool polarTable, const QPoint &point);
    void markOneBearing(QTableWidget *table, const QVector<QPoint> &points);

    PROJECT_DATA *Project;
    QTableWidget *Cartesian[3];
    QTableWidget *Polar[3];
    int RangeLimit = 0; // 0: no model yet, nothing marked
    Language Lang = Language::Chinese;
    // Per output, the rectangle values typed in the Cartesian table since the tables were last
    // shown afresh (bit i: X of corner i, bit 4 + i: its Y).
    int TypedCorners[3] = {0, 0, 0};
};
