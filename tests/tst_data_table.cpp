// The scan data table on its own form table: shape, beam order, unsigned values, Ethernet
// revolutions, and the way from a wire reply to the rows.
#include "comm/codec/codec.h"
#include "monitor/data_table.h"

#include <QHeaderView>
#include <QtTest>

#include <memory>

namespace {

QString cell(QTableWidget &t, int row, int column)
{
    QTableWidgetItem *item = t.item(row, column);
    return item ? item->text() : QString();
}

} // namespace

class TestDataTable : public QObject {
    Q_OBJECT

    std::unique_ptr<SCAN_DATA> scan;
    std::unique_ptr<QTableWidget> form;
    std::unique_ptr<DATA_TABLE> table;

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        scan = std::make_unique<SCAN_DATA>();
        form = std::make_unique<QTableWidget>();
        table = std::make_unique<DATA_TABLE>(scan.get(), form.get());
    }

    void cleanup()
    {
        table.reset();
        form.reset();
        scan.reset();
    }

    void startsWithStepNumbersHeadersAndEmptyValues()
    {
        QTableWidget &t = *form;
        QCOMPARE(t.rowCount(), 540);
        QCOMPARE(t.columnCount(), 3);
        QCOMPARE(cell(t, 0, 0), QStringLiteral("1"));
        QCOMPARE(cell(t, 539, 0), QStringLiteral("540"));
        QCOMPARE(t.horizontalHeaderItem(0)->text(), QStringLiteral("角度"));
        QCOMPARE(t.horizontalHeaderItem(1)->text(), QStringLiteral("距离[mm]"));
        QCOMPARE(t.horizontalHeaderItem(2)->text(), QStringLiteral("反光强度"));
        QCOMPARE(t.columnWidth(0), 40);
        QCOMPARE(t.columnWidth(1), 90);
        QCOMPARE(t.rowHeight(0), 22);
        QCOMPARE(t.rowHeight(539), 22);
        QVERIFY(t.horizontalHeader()->stretchLastSection());
        QVERIFY(!t.verticalHeader()->isVisibleTo(&t));
        QCOMPARE(t.editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(t.selectionBehavior(), QAbstractItemView::SelectRows);
        // No values until the first scan arrives.
        QCOMPARE(cell(t, 0, 1), QString());
        QCOMPARE(cell(t, 539, 2), QString());
    }

    void rowsFollowTheInstallDirection_data()
    {
        QTest::addColumn<bool>("reversed");
        QTest::addColumn<int>("firstIndex");
        QTest::addColumn<int>("lastIndex");
        QTest::newRow("forward") << false << 0 << 539;
        QTest::newRow("reversed") << true << 539 << 0;
    }
    void rowsFollowTheInstallDirection()
    {
        QFETCH(bool, reversed);
        QFETCH(int, firstIndex);
        QFETCH(int, lastIndex);
        for (int i = 0; i < kSerialBeams; ++i) {
            scan->SerialDistance[i] = quint16(10000 + i);
            scan->SerialIntensity[i] = quint16(i);
        }
        // The beams past the table's end carry a value that must never show.
        for (int i = 540; i < kSerialBeams; ++i)
            scan->SerialDistance[i] = scan->SerialIntensity[i] = 65000;
        scan->InstallDir = reversed;
        table->DataTableWidgetDisplay();

        QTableWidget &t = *form;
        QCOMPARE(t.rowCount(), 540);
        QCOMPARE(cell(t, 0, 1), QString::number(10000 + firstIndex));
        QCOMPARE(cell(t, 0, 2), QString::number(firstIndex));
        QCOMPARE(cell(t, 539, 1), QString::number(10000 + lastIndex));
        QCOMPARE(cell(t, 539, 2), QString::number(lastIndex));
        QCOMPARE(cell(t, 0, 0), QStringLiteral("1")); // the step column is not reordered
        for (int r = 0; r < t.rowCount(); ++r)
            QVERIFY2(cell(t, r, 1) != QLatin1String("65000") && cell(t, r, 2) != QLatin1String("65000"),
                     qPrintable(QString::number(r)));
    }

    void largestValueShownUnsignedAndLaterScansReplaceEarlierOnes()
    {
        scan->SerialDistance[0] = 65535;
        scan->SerialIntensity[0] = 32768;
        table->DataTableWidgetDisplay();
        QCOMPARE(cell(*form, 0, 1), QStringLiteral("65535"));
        QCOMPARE(cell(*form, 0, 2), QStringLiteral("32768"));

        // A second scan, whichever signal announces it, refreshes both columns.
        scan->SerialDistance[0] = 7;
        scan->SerialIntensity[0] = 0;
        table->DataTableWidgetDisplay();
        QCOMPARE(cell(*form, 0, 1), QStringLiteral("7"));
        QCOMPARE(cell(*form, 0, 2), QStringLiteral("0"));
    }

    // Over Ethernet the serial arrays stay untouched; the table lists the last complete revolution
    // instead of passing stale serial values or zeros off as the live scan.
    void ethernetRevolutionListedOnePointPerRow()
    {
        for (int i = 0; i < kSerialBeams; ++i)
            scan->SerialDistance[i] = 111; // left over from an earlier serial connection
        const int n = 4 * 320;
        for (int i = 0; i < n; ++i) {
            scan->EtherDistance[i] = quint16(20000 + i);
            scan->EtherIntensity[i] = quint16(3 * i);
        }
        scan->EtherDistance[n] = 9999; // beyond the revolution
        scan->EtherCount = n;
        scan->ConnectType = 1;
        table->DataTableWidgetDisplay();

        QTableWidget &t = *form;
        QCOMPARE(t.rowCount(), n);
        QCOMPARE(cell(t, n - 1, 0), QString::number(n));
        QCOMPARE(t.rowHeight(n - 1), 22);
        QCOMPARE(cell(t, 0, 1), QStringLiteral("20000"));
        QCOMPARE(cell(t, n - 1, 1), QString::number(20000 + n - 1));
        QCOMPARE(cell(t, n - 1, 2), QString::number(3 * (n - 1)));

        scan->InstallDir = true;
        table->DataTableWidgetDisplay();
        QCOMPARE(cell(t, 0, 1), QString::number(20000 + n - 1));
        QCOMPARE(cell(t, n - 1, 1), QStringLiteral("20000"));

        // No revolution (a reset count) keeps what is shown.
        scan->EtherCount = 0;
        table->DataTableWidgetDisplay();
        QCOMPARE(t.rowCount(), n);
        QCOMPARE(cell(t, 0, 1), QString::number(20000 + n - 1));

        // A finer revolution grows the table, a serial scan brings it back to 540 rows.
        scan->InstallDir = false;
        scan->EtherCount = 10 * 320;
        table->DataTableWidgetDisplay();
        QCOMPARE(t.rowCount(), 3200);
        QCOMPARE(cell(t, 3199, 0), QStringLiteral("3200"));
        QVERIFY(!cell(t, 3199, 1).isEmpty());
        scan->ConnectType = 0;
        table->DataTableWidgetDisplay();
        QCOMPARE(t.rowCount(), 540);
        QCOMPARE(cell(t, 0, 1), QStringLiteral("111"));
        QCOMPARE(cell(t, 539, 0), QStringLiteral("540"));
    }

    void oversizedEthernetCountStaysInsideTheRing()
    {
        scan->ConnectType = 1;
        scan->EtherCount = kEtherRing + 500;
        table->DataTableWidgetDisplay();
        QCOMPARE(form->rowCount(), kEtherRing);
    }

    // From the sensor's bytes to the rows: the decoder reverses the beam order of a forward mounted
    // sensor and clamps to the model's range; the table shows the stored values as they are.
    void wireScanReachesTheRowsClampedAndInBeamOrder_data()
    {
        QTest::addColumn<bool>("reversed");
        QTest::addColumn<int>("wireOfFirstRow");
        QTest::addColumn<int>("wireOfLastRow");
        QTest::newRow("forward") << false << 639 << 100;
        QTest::newRow("reversed") << true << 539 << 0;
    }
    void wireScanReachesTheRowsClampedAndInBeamOrder()
    {
        QFETCH(bool, reversed);
        QFETCH(int, wireOfFirstRow);
        QFETCH(int, wireOfLastRow);
        quint16 wire[kSerialBeams];
        for (int k = 0; k < kSerialBeams; ++k)
            wire[k] = quint16(1000 + k);
        wire[wireOfFirstRow] = 65535; // beyond every model's range
        TxFrame reply;
        QVERIFY(buildScanReply(reply, FrameCode::RScan, wire));
        const int limit = 30000;
        decodeScanValues(reply.data, scan->SerialDistance, reversed, limit);
        scan->InstallDir = reversed;
        table->DataTableWidgetDisplay();
        QCOMPARE(cell(*form, 0, 1), QString::number(limit));
        QCOMPARE(cell(*form, 539, 1), QString::number(1000 + wireOfLastRow));
    }
};

QTEST_MAIN(TestDataTable)
#include "tst_data_table.moc"
