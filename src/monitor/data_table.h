#pragma once

// The Data Table dock's controller: lists the last live scan, one row per beam, with its step
// number, distance and intensity. It owns no data; it reads the scan store and rewrites the form's
// table whenever the exchange announces new distances or intensities. It is a table widget only to
// own its slot; its own table is never shown.

#include <QTableWidget>

struct SCAN_DATA;

class DATA_TABLE : public QTableWidget {
    Q_OBJECT
public:
    // Rows shown for a serial scan (the first 540 of the 640 beams).
    static constexpr int kSerialRows = 540;

    DATA_TABLE(SCAN_DATA *scan, QTableWidget *table);

public slots:
    // Refreshes the distance and intensity columns from the scan store; on an Ethernet
    // connection from the last complete revolution, one row per point.
    void DataTableWidgetDisplay();
    // Empties the distance and intensity cells (no sensor, nothing to show); the steps stay.
    void ClearValues();

private:
    void setRowTotal(int rows);
    void setValue(int row, int column, quint16 value);

    SCAN_DATA *Scan;
    QTableWidget *Table;
};
