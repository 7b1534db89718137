// Cost of one data table refresh against the frame budget of a 30 Hz scan stream: a serial scan
// of 540 rows and Ethernet revolutions of 1,280 and 12,800 points, each refreshed twice per scan
// as the distance and intensity announcements both arrive. The table is shown (offscreen) and its
// repaint is included. For comparison, the same refresh by creating fresh items for every cell.
// Prints "name value unit" lines.
#include "comm/codec/scan_data.h"
#include "monitor/data_table.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableWidget>

#include <cstdio>
#include <memory>

namespace {

constexpr int kRuns = 20;
constexpr double kFrameMs = 1000.0 / 30.0;

void fill(SCAN_DATA &s, int run)
{
    for (int i = 0; i < kSerialBeams; ++i) {
        s.SerialDistance[i] = quint16(1000 + (i * 7 + run * 13) % 20000);
        s.SerialIntensity[i] = quint16((i * 3 + run) % 4000);
    }
    for (int i = 0; i < kEtherRing; ++i) {
        s.EtherDistance[i] = quint16(1000 + (i * 7 + run * 13) % 20000);
        s.EtherIntensity[i] = quint16((i * 3 + run) % 4000);
    }
}

double refreshMs(SCAN_DATA &s, DATA_TABLE &table, QTableWidget &form)
{
    table.DataTableWidgetDisplay(); // warm-up: the rows exist
    QApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    for (int run = 0; run < kRuns; ++run) {
        fill(s, run + 1);
        table.DataTableWidgetDisplay(); // distances
        table.DataTableWidgetDisplay(); // intensities of the same scan
        form.viewport()->repaint();
    }
    return double(clock.nsecsElapsed()) / 1e6 / kRuns;
}

// Every cell replaced by a new item, twice per scan.
double freshItemsMs(SCAN_DATA &s, QTableWidget &form, int rows)
{
    QElapsedTimer clock;
    clock.start();
    for (int run = 0; run < kRuns; ++run) {
        fill(s, run + 1);
        for (int pass = 0; pass < 2; ++pass)
            for (int r = 0; r < rows; ++r) {
                form.setItem(r, 1, new QTableWidgetItem(QString::number(s.EtherDistance[r])));
                form.setItem(r, 2, new QTableWidgetItem(QString::number(s.EtherIntensity[r])));
            }
        form.viewport()->repaint();
    }
    return double(clock.nsecsElapsed()) / 1e6 / kRuns;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    auto scan = std::make_unique<SCAN_DATA>();
    QTableWidget form;
    form.resize(300, 700);
    DATA_TABLE table(scan.get(), &form);
    form.show();

    std::printf("frame_budget_30hz %.2f ms\n", kFrameMs);
    const double serial = refreshMs(*scan, table, form);
    std::printf("data_table_serial_540 %.3f ms\n", serial);
    std::printf("data_table_serial_540_of_budget %.1f %%\n", 100 * serial / kFrameMs);

    scan->ConnectType = 1;
    for (int points : {1280, 12800}) {
        scan->EtherCount = points;
        const double ether = refreshMs(*scan, table, form);
        std::printf("data_table_ether_%d %.3f ms\n", points, ether);
        std::printf("data_table_ether_%d_of_budget %.1f %%\n", points, 100 * ether / kFrameMs);
        const double fresh = freshItemsMs(*scan, form, points);
        std::printf("data_table_ether_%d_fresh_items %.3f ms\n", points, fresh);
        std::printf("data_table_ether_%d_fresh_over_kept %.2f x\n", points, fresh / ether);
    }
    return 0;
}
