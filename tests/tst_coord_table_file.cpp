// The area section of the project file: written and read back, and read from damaged files.
#include "area/file/project_file.h"
#include "area/file/sensor_settings.h"
#include "area/store/project_data.h"

#include <QTemporaryDir>
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

    // What the reader found wrong, by kind.
    static QVector<ProjectFile::Repair> read(QString text)
    {
        QTextStream in(&text);
        return ProjectFile::readAreas(in, ProjectData());
    }
    static int count(const QVector<ProjectFile::Repair> &found, ProjectFile::Repair::Kind kind)
    {
        return int(std::count_if(found.begin(), found.end(),
                                 [kind](const ProjectFile::Repair &r) { return r.kind == kind; }));
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
        QVERIFY(read("KDR_VKT_30\r\nSensorSetting\r\n1\r\n" + text + "KDR_VKT_INFORMATION\r\n2026-01-01\r\n")
                    .isEmpty());
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
        const QVector<ProjectFile::Repair> found =
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
        // Lines that are no two whole numbers are no points: each is listed with its line, none read.
        QVERIFY(a.Out1Coord.isEmpty());
        QCOMPARE(count(found, ProjectFile::Repair::BadPoint), 4);
        QCOMPARE(found[1].line, 36);
        QCOMPARE(found[1].was, QString("10,-20,30"));
        QCOMPARE(p().Areas[2].SteerMinDgree, 33);
        // The areas the file has no block for are named.
        QCOMPARE(found.last().kind, ProjectFile::Repair::AreasMissing);
        QCOMPARE(found.last().was, QString("0, 2–3, 5–63"));
    }

    void shapeCodesOutsideTheirSetLeaveTheShape_data()
    {
        QTest::addColumn<QString>("codes");
        QTest::addColumn<int>("out1");
        QTest::addColumn<int>("out2");
        QTest::addColumn<int>("out3");
        QTest::newRow("out 1 dependent") << "3\n4\n5" << int(Arc) << int(Fan) << int(Ratio);
        QTest::newRow("beyond ratio") << "2\n6\n-1" << int(Rectangle) << int(Arc) << int(Straight);
        QTest::newRow("not numbers") << "x\n\n5" << int(Arc) << int(Arc) << int(Ratio);
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
        QCOMPARE(read("KDR_VKT_30\nSensorSetting\n1\n2\n").first().kind, ProjectFile::Repair::SectionMissing);
        QCOMPARE(read("").first().kind, ProjectFile::Repair::SectionMissing);
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
        const QVector<ProjectFile::Repair> found = read(QStringList(lines.mid(0, keptLines)).join("\r\n"));
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
        // A cut file is never taken as sound: the cut is named, and so are the areas it lost.
        QVERIFY(!found.isEmpty());
        if (keptLines >= 2) {
            QCOMPARE(found.last().kind, ProjectFile::Repair::AreasMissing);
            QCOMPARE(found.last().count, kAreaCount - 1 - lastBlock);
            const ProjectFile::Repair &cut = found[found.size() - 2];
            QVERIFY(cut.kind == ProjectFile::Repair::FileEndsInArea ||
                    cut.kind == ProjectFile::Repair::SectionEndMissing);
            if (cut.kind == ProjectFile::Repair::FileEndsInArea)
                QCOMPARE(cut.area, lastBlock);
        }
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
        const QVector<ProjectFile::Repair> found = read(text);
        // Out 1 ends at the next zone's marker; everything else is read as written, and the missing
        // marker is named.
        QCOMPARE(p().Areas, designed);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found[0].kind, ProjectFile::Repair::ZoneEndMissing);
        QCOMPARE(found[0].area, 4);
        QCOMPARE(found[0].output, 0);
    }

    // Whole files damaged as they are found in the field: each damage is named with its line, and a
    // file the program wrote has none.
    void everyDamageOfAWholeFileIsNamed_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("line"); // 0: no one line
        QTest::newRow("sound") << "" << -1 << 0;
        QTest::newRow("cut inside area 11") << "cutarea 11" << int(ProjectFile::Repair::FileEndsInArea) << -1;
        QTest::newRow("first 29 lines only") << "cut 29" << int(ProjectFile::Repair::SectionMissing) << 0;
        QTest::newRow("point 1x00,-5538") << "point 1x00,-5538" << int(ProjectFile::Repair::BadPoint) << 45;
        QTest::newRow("point -6371,2.5e3") << "point -6371,2.5e3" << int(ProjectFile::Repair::BadPoint) << 45;
        QTest::newRow("setting x") << "line 3 x" << int(ProjectFile::Repair::BadSetting) << 3;
        QTest::newRow("marker with a blank")
            << "line 44 Out1CoordStr " << int(ProjectFile::Repair::MarkerBlanks) << 44;
        QTest::newRow("no section end")
            << "drop CoordTableDataEnd" << int(ProjectFile::Repair::SectionEndMissing) << -2;
    }
    void everyDamageOfAWholeFileIsNamed()
    {
        QFETCH(QString, damage);
        QFETCH(int, kind);
        QFETCH(int, line);
        design();
        p().Areas[0].Out1Coord = {{-4000, 3000}, {1000, -5538}}; // area 0's first point is line 45
        const QVector<AREA_DATA> designed = p().Areas;
        QTemporaryDir dir;
        const QString name = dir.filePath("site.VKT30");
        QVERIFY(ProjectFile::save(name, 3, QVector<int>(27, 1), p()));
        QFile file(name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromLatin1(file.readAll()).split("\r\n");
        file.close();
        QCOMPARE(lines[43], QString("Out1CoordStr"));
        const QString what = damage.section(' ', 0, 0);
        const QString arg = damage.section(' ', 1);
        if (what == "cut")
            lines = lines.mid(0, arg.toInt());
        if (what == "cutarea") { // in the middle of the block's Out 2 list
            lines = lines.mid(0, lines.indexOf("Out2CoordStr", lines.indexOf(arg, 30)) + 1);
            line = lines.size();
        } else if (what == "point") {
            lines[44] = arg;
        } else if (what == "drop") {
            line = lines.indexOf(arg) + 1; // the line after it takes its place
            lines.removeAll(arg);
        } else if (what == "line") {
            lines[damage.section(' ', 1, 1).toInt() - 1] = damage.section(' ', 2);
        }
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(lines.join("\r\n").toLatin1());
        file.close();

        ProjectFile::Contents contents;
        QCOMPARE(ProjectFile::load(name, p(), contents), ProjectFile::LoadStatus::Loaded);
        if (kind < 0) {
            QVERIFY(contents.repairs.isEmpty());
            QCOMPARE(p().Areas, designed);
            return;
        }
        QVERIFY(!contents.repairs.isEmpty());
        const ProjectFile::Repair &first = contents.repairs.first();
        QCOMPARE(int(first.kind), kind);
        QCOMPARE(first.line, line);
        const QString text = ProjectFile::describe(first, Language::English);
        if (line > 0)
            QVERIFY2(text.startsWith(QString("Line %1: ").arg(line)), qPrintable(text));
        if (what == "point") {
            QVERIFY2(text.contains(arg), qPrintable(text));
            QCOMPARE(p().Areas[0].Out1Coord, QVector<QPoint>({{1000, -5538}})); // the bad point left out
        }
        if (what == "line" && line == 3) // the control mode keeps its default, not entry 0 of "x"
            QCOMPARE(contents.sensorStates[0], SensorSettings::defaults()[0]);
        if (what == "line" && line == 44)
            QCOMPARE(p().Areas[0].Out1Coord, designed[0].Out1Coord);
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
