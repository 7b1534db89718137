// The area section of the project file: written and read back, and read from damaged files.
#include "area/file/project_file.h"
#include "area/store/project_data.h"

#include <QTextStream>
#include <QtTest>

class TestAreaSection : public QObject {
    Q_OBJECT

    PROJECT_DATA &p() { return ProjectData(); }

    static QString written()
    {
        QString text;
        QTextStream out(&text);
        ProjectFile::writeAreas(out, ProjectData());
        out.flush();
        return text;
    }

    static void read(QString text)
    {
        QTextStream in(&text);
        ProjectFile::readAreas(in, ProjectData());
    }

    // A design that touches every field, both signs and every shape.
    static void design()
    {
        PROJECT_DATA &d = ProjectData();
        for (int n = 0; n < kAreaCount; ++n) {
            AREA_DATA &a = d.Areas[n];
            a.OpenDelay = n % 26;
            a.CloseDelay = (n * 7) % 26;
            a.Hysteresis = n % 11;
            a.DetectionSize = n % 10;
            a.SteerMinDgree = -180 + n;
            a.SteerMaxDgree = 180 - n;
            a.VehicleMinSpeed = -300 + 2 * n;
            a.VehicleMaxSpeed = n * 3;
            a.VehicleOptionMode = n % 5;
            a.Out1Shape = n % 3;
            a.Out2Shape = n % 6;
            a.Out3Shape = (n + 3) % 6;
            for (int i = 0; i < n % 5; ++i)
                a.Out1Coord << QPoint(-1200 * i, -35 + 100 * i);
            if (n % 4 == 1)
                a.Out2Coord << QPoint(0, 20);
            if (n % 7 == 3)
                a.Out3Coord << QPoint(INT_MIN, INT_MAX) << QPoint(5, -5);
        }
    }

private slots:
    void init() { ProjectData().resetToStartup(); }

    void writtenAreasReadBackUnchanged_data()
    {
        QTest::addColumn<QString>("lineEnd");
        QTest::newRow("CR LF as written") << "\r\n";
        QTest::newRow("LF only") << "\n";
    }
    void writtenAreasReadBackUnchanged()
    {
        QFETCH(QString, lineEnd);
        design();
        const QVector<AREA_DATA> designed = p().Areas;
        QString text = written();
        QVERIFY(text.startsWith("CoordTableData\r\n0\r\n"));
        QVERIFY(text.contains("\r\n-1200,65\r\n"));
        QVERIFY(text.endsWith("CoordTableDataEnd\r\n"));
        text.replace("\r\n", lineEnd);

        p().resetToStartup();
        p().CurrentArea = 9;
        read("KDR_VKT_30\r\nSensorSetting\r\n1\r\n" + text + "KDR_VKT_INFORMATION\r\n2026-01-01\r\n");
        for (int n = 0; n < kAreaCount; ++n)
            QCOMPARE(p().Areas[n], designed[n]);
        QCOMPARE(p().CurrentArea, 9);
        QVERIFY(!p().Modified);
    }

    void emptyZonesStayEmpty()
    {
        p().Areas[0].Out1Coord << QPoint(1, 1);
        read(written().replace("Out1CoordStr\r\n1,1\r\n", "Out1CoordStr\r\n"));
        QVERIFY(p().Areas[0].Out1Coord.isEmpty());
    }

    void readerReplacesOnlyTheAreasInTheFile()
    {
        p().Areas[1].Out1Coord << QPoint(7, 7);
        p().Areas[2].SteerMinDgree = 33;
        p().Areas[4].Out2Coord << QPoint(8, 8);
        // Blocks out of order, area 2 missing.
        read("CoordTableData\n4\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n"
             "Out1CoordStr\nOut1CoordEnd\nOut2CoordStr\nOut2CoordEnd\nOut3CoordStr\n-3,4\nOut3CoordEnd\n"
             "1\n1\n2\n3\n4\n5\n6\n7\n8\n9\n2\n3\n4\n"
             "Out1CoordStr\n10,-20,30\n-5\n,6\nabc,def\nOut1CoordEnd\nOut2CoordStr\nOut2CoordEnd\n"
             "Out3CoordStr\nOut3CoordEnd\nCoordTableDataEnd\n");
        QVERIFY(p().Areas[4].Out2Coord.isEmpty());
        QCOMPARE(p().Areas[4].Out3Coord, QVector<QPoint>({{-3, 4}}));
        const AREA_DATA &a = p().Areas[1];
        QCOMPARE(a.OpenDelay, 1);
        QCOMPARE(a.VehicleOptionMode, 4); // 9 is no operation mode: the nearest one
        QCOMPARE(a.Out1Shape, int(Rectangle));
        QCOMPARE(a.Out2Shape, int(Straight));
        QCOMPARE(a.Out3Shape, int(Fan));
        // Extra parts after a second comma are ignored; missing or non-numeric parts read 0.
        QCOMPARE(a.Out1Coord, QVector<QPoint>({{10, -20}, {-5, 0}, {0, 6}, {0, 0}}));
        QCOMPARE(p().Areas[2].SteerMinDgree, 33);
    }

    void shapeCodesOutsideTheirSetLeaveTheShape_data()
    {
        QTest::addColumn<QString>("codes");
        QTest::addColumn<int>("out1");
        QTest::addColumn<int>("out2");
        QTest::addColumn<int>("out3");
        QTest::newRow("out 1 dependent") << "3\n4\n5" << int(Arc) << int(Fan) << int(Ratio);
        QTest::newRow("beyond ratio") << "2\n6\n-1" << int(Rectangle) << int(Arc) << int(Straight);
        QTest::newRow("not numbers") << "x\n\n5" << int(Polygon) << int(Polygon) << int(Ratio);
    }
    void shapeCodesOutsideTheirSetLeaveTheShape()
    {
        QFETCH(QString, codes);
        QFETCH(int, out1);
        QFETCH(int, out2);
        QFETCH(int, out3);
        p().Areas[0].Out1Shape = Arc;
        p().Areas[0].Out2Shape = Arc;
        p().Areas[0].Out3Shape = Straight;
        read("CoordTableData\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n" + codes +
             "\nOut1CoordStr\nOut1CoordEnd\nOut2CoordStr\nOut2CoordEnd\nOut3CoordStr\nOut3CoordEnd\n"
             "CoordTableDataEnd\n");
        // "Not numbers" reads as 0, which is a shape: polygon.
        QCOMPARE(p().Areas[0].Out1Shape, out1);
        QCOMPARE(p().Areas[0].Out2Shape, out2);
        QCOMPARE(p().Areas[0].Out3Shape, out3);
    }

    void areaNumberOutOfRangeEndsTheSection_data()
    {
        QTest::addColumn<QString>("number");
        QTest::newRow("64") << "64";
        QTest::newRow("-1") << "-1";
        QTest::newRow("not a number") << "five";
        QTest::newRow("empty line") << "";
    }
    void areaNumberOutOfRangeEndsTheSection()
    {
        QFETCH(QString, number);
        design();
        const QVector<AREA_DATA> designed = p().Areas;
        QString text = written();
        // Area 3's block carries a bad number; it and every block after it are left alone.
        text.replace("Out3CoordEnd\r\n3\r\n", "Out3CoordEnd\r\n" + number + "\r\n");
        for (AREA_DATA &a : p().Areas)
            a = p().EmptyArea;
        read(text);
        QCOMPARE(p().Areas[2], designed[2]);
        QCOMPARE(p().Areas[3], p().EmptyArea);
        QCOMPARE(p().Areas[4], p().EmptyArea);
        QCOMPARE(p().Areas[0], designed[0]);
    }

    void missingSectionChangesNothing()
    {
        design();
        const QVector<AREA_DATA> designed = p().Areas;
        read("KDR_VKT_30\nSensorSetting\n1\n2\n");
        read("");
        QCOMPARE(p().Areas, designed);
    }

    void truncatedFileNeverReachesPastItsEnd_data()
    {
        QTest::addColumn<int>("keptLines");
        for (int lines : {1, 2, 5, 14, 15, 16, 19, 20, 24, 40, 200, 1000})
            QTest::addRow("%d lines", lines) << lines;
    }
    void truncatedFileNeverReachesPastItsEnd()
    {
        QFETCH(int, keptLines);
        design();
        const QVector<AREA_DATA> designed = p().Areas;
        const QStringList lines = written().split("\r\n");
        read(QStringList(lines.mid(0, keptLines)).join("\r\n"));
        // Every area either still holds the design or was read from the lines that are there;
        // areas whose block starts past the cut are untouched.
        int lastBlock = -1;
        for (int i = 1; i < keptLines && i < lines.size(); ++i)
            if (i == 1 || lines[i - 1] == "Out3CoordEnd")
                lastBlock = lines[i].toInt();
        for (int n = lastBlock + 1; n < kAreaCount; ++n)
            QCOMPARE(p().Areas[n], designed[n]);
        for (int n = 0; n < lastBlock; ++n)
            QCOMPARE(p().Areas[n], designed[n]);
        // The cut block's first zone holds no more points than the design.
        if (lastBlock >= 0)
            QVERIFY(p().Areas[lastBlock].Out1Coord.size() <= designed[lastBlock].Out1Coord.size());
    }

    void missingEndMarkerLosesOnlyItsZone()
    {
        design();
        const QVector<AREA_DATA> designed = p().Areas;
        QString text = written();
        // Area 4 (four Out 1 points) loses its Out1CoordEnd.
        const int block = text.indexOf("Out3CoordEnd\r\n4\r\n");
        const int end = text.indexOf("Out1CoordEnd\r\n", block);
        text.remove(end, QString("Out1CoordEnd\r\n").size());
        for (AREA_DATA &a : p().Areas)
            a = p().EmptyArea;
        read(text);
        // Out 1 ends at the next zone's marker; everything else is read as written.
        QCOMPARE(p().Areas, designed);
    }

    void missingStartMarkerLeavesTheZoneEmpty()
    {
        design();
        const QVector<AREA_DATA> designed = p().Areas;
        QString text = written();
        const int block = text.indexOf("Out3CoordEnd\r\n4\r\n");
        const int start = text.indexOf("Out1CoordStr\r\n", block);
        text.remove(start, QString("Out1CoordStr\r\n").size());
        read(text);
        QVERIFY(p().Areas[4].Out1Coord.isEmpty());
        QCOMPARE(p().Areas[4].Out2Coord, designed[4].Out2Coord);
        QCOMPARE(p().Areas[5], designed[5]);
        QCOMPARE(p().Areas[63], designed[63]);
    }
};

QTEST_GUILESS_MAIN(TestAreaSection)
#include "tst_coord_table_file.moc"
