#include "area/store/device_type.h"
#include "area/store/project_data.h"

#include <QtTest>

class TestStore : public QObject {
    Q_OBJECT
private slots:
    void init() { ProjectData().resetToStartup(); }

    void startupHoldsSixtyFourEmptyAreasWithOneSnapshotEach()
    {
        PROJECT_DATA &p = ProjectData();
        QCOMPARE(p.Areas.size(), 64);
        QCOMPARE(p.UndoHistory.size(), 64);
        QCOMPARE(p.UndoPosition, QVector<int>(64, 0));
        for (int i = 0; i < 64; ++i) {
            QCOMPARE(p.Areas[i], p.EmptyArea);
            QCOMPARE(p.UndoHistory[i].size(), 1);
            QCOMPARE(p.UndoHistory[i][0], p.EmptyArea);
        }
        QVERIFY(!p.Modified);
        QCOMPARE(p.CurrentArea, 0);
        QCOMPARE(p.CurrentOutput, 0);
        QCOMPARE(p.Clipboard, p.EmptyArea);
    }

    void currentAreaAboveRangeIsClampedAndWrittenBack_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("read");
        QTest::newRow("in range") << 12 << 12;
        QTest::newRow("last") << 63 << 63;
        QTest::newRow("one past") << 64 << 63;
        QTest::newRow("far past") << 1000 << 63;
    }
    void currentAreaAboveRangeIsClampedAndWrittenBack()
    {
        QFETCH(int, stored);
        QFETCH(int, read);
        ProjectData().CurrentArea = stored;
        QCOMPARE(ProjectData().clampCurrentArea(), read);
        QCOMPARE(ProjectData().CurrentArea, read);
    }

    void snapshotsDoNotShareMutablePoints()
    {
        PROJECT_DATA &p = ProjectData();
        p.Areas[5].Out1Coord << QPoint(1, 2);
        p.UndoHistory[5].append(p.Areas[5]);
        p.Areas[5].Out1Coord[0] = QPoint(9, 9);
        QCOMPARE(p.UndoHistory[5].last().Out1Coord[0], QPoint(1, 2));
    }

    void outputIndexOutsideThreeFallsBackToOutOne()
    {
        AREA_DATA a;
        a.Out1Shape = Arc;
        QCOMPARE(a.shape(7), int(Arc));
        QCOMPARE(&a.coord(-1), &a.Out1Coord);
        QCOMPARE(&a.coord(2), &a.Out3Coord);
    }

    void deviceTableCoversFiveModelsAndNothingElse()
    {
        QCOMPARE(deviceInfo(0)->extent, 12000);
        QCOMPARE(deviceInfo(3)->rangeLimit, 36000);
        QCOMPARE(deviceInfo(4)->zoomFloor, -90);
        QCOMPARE(QString(deviceInfo(2)->magic), QString("KDR_VKT_20"));
        QCOMPARE(QString(deviceInfo(1)->extension), QString(".VKT10"));
        for (int code = 0; code < 5; ++code)
            QCOMPARE(deviceInfo(code)->extent, 2 * deviceInfo(code)->rangeLimit);
        QVERIFY(!deviceInfo(-1));
        QVERIFY(!deviceInfo(5));
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
