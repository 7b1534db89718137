#include "monitor/data_table.h"

#include "comm/codec/scan_data.h"

#include <QHeaderView>

namespace {
constexpr int kRowHeight = 22;
constexpr int kStepColumnWidth = 40;
constexpr int kDistanceColumnWidth = 90;
} // namespace

DATA_TABLE::DATA_TABLE(SCAN_DATA *scan, QTableWidget *table) : QTableWidget(nullptr), Scan(scan), Table(table)
{
    Table->setColumnCount(3);
    Table->setHorizontalHeaderLabels(
        {QStringLiteral("角度"), QStringLiteral("距离[mm]"), QStringLiteral("反光强度")});
    Table->horizontalHeader()->setDefaultAlignment(Qt::AlignJustify);
    Table->verticalHeader()->setMinimumSectionSize(kRowHeight);
    Table->verticalHeader()->setDefaultSectionSize(kRowHeight); // every row, also rows added later
    Table->horizontalHeader()->setStretchLastSection(true);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->verticalHeader()->hide();
    Table->setColumnWidth(0, kStepColumnWidth);
    Table->setColumnWidth(1, kDistanceColumnWidth);
    setRowTotal(kSerialRows);
}

// Step numbers are written when a row appears; the value cells of new rows stay empty until the
// next refresh fills them.
void DATA_TABLE::setRowTotal(int rows)
{
    const int before = Table->rowCount();
    if (rows == before)
        return;
    Table->setRowCount(rows);
    for (int r = before; r < rows; ++r)
        Table->setItem(r, 0, new QTableWidgetItem(QString::number(r + 1)));
}

// The cells are kept and only their text changes: a fast Ethernet stream would otherwise create
// tens of thousands of items per revolution, and an unchanged text costs no repaint.
void DATA_TABLE::setValue(int row, int column, quint16 value)
{
    const QString text = QString::number(value);
    if (QTableWidgetItem *item = Table->item(row, column))
        item->setText(text);
    else
        Table->setItem(row, column, new QTableWidgetItem(text));
}

void DATA_TABLE::DataTableWidgetDisplay()
{
    const quint16 *distance = Scan->SerialDistance;
    const quint16 *intensity = Scan->SerialIntensity;
    int count = kSerialRows;
    if (Scan->ConnectType == 1) {
        // The serial arrays are not filled over Ethernet; showing them would pass zeros or an
        // earlier serial scan off as the live one. The last complete revolution starts at index 0.
        count = qBound(0, Scan->EtherCount, kEtherRing);
        if (count == 0)
            return; // no revolution yet: keep what is shown
        distance = Scan->EtherDistance;
        intensity = Scan->EtherIntensity;
    }
    setRowTotal(count);
    for (int r = 0; r < count; ++r) {
        const int index = Scan->InstallDir ? count - 1 - r : r;
        setValue(r, 1, distance[index]);
        setValue(r, 2, intensity[index]);
    }
}

void DATA_TABLE::ClearValues()
{
    for (int r = 0; r < Table->rowCount(); ++r)
        for (int column : {1, 2})
            if (QTableWidgetItem *item = Table->item(r, column))
                item->setText(QString());
}
