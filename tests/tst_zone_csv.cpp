// Zone points as CSV: what goes out comes back for every shape, in any locale, and a file a zone
// cannot take is refused naming its line.
#include "area/zone_csv.h"

#include <QLocale>
#include <QtTest>

using namespace ZoneCsv;

class TestZoneCsv : public QObject {
    Q_OBJECT

    static AREA_DATA everyShape()
    {
        AREA_DATA a;
        a.Out1Shape = Arc;
        a.Out1Coord = {{3000, 0}, {-2121, 2121}};
        a.Out2Shape = Rectangle;
        a.Out2Coord = {{-1200, -35}, {-1200, 2500}, {1800, 2500}, {1800, -35}};
        a.Out3Shape = Fan;
        a.Out3Coord = {{0, 1500}};
        return a;
    }

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void everyShapeComesBackThroughOneZoneFile()
    {
        const AREA_DATA a = everyShape();
        QVector<QPoint> polygon;
        for (int i = 0; i < kMaxZonePoints; ++i)
            polygon << QPoint(-4000 + 80 * i, 2000 + (i % 7) * 13);
        struct Case {
            int shape;
            int output;
            QVector<QPoint> points;
        } cases[] = {{Polygon, 0, polygon},       {Polygon, 1, {}},      {Arc, 0, a.Out1Coord},
                     {Rectangle, 1, a.Out2Coord}, {Fan, 2, a.Out3Coord}, {Straight, 1, {{0, 0}}},
                     {Ratio, 2, {{0, 4000}}}};
        for (const Case &c : cases) {
            const QByteArray csv = writeZone(c.points);
            QVERIFY(csv.startsWith("x_mm,y_mm\r\n"));
            QVector<QPoint> back{{1, 1}};
            Refusal why;
            QVERIFY2(readZone(csv, c.shape, c.output, &back, &why), qPrintable(why.text(Language::English)));
            QCOMPARE(back, c.points);
        }
    }

    void wholeProjectComesBackAndNamesOnlyAreasWithZones()
    {
        PROJECT_DATA &p = ProjectData();
        p.resetToStartup();
        p.Areas[0] = everyShape();
        p.Areas[63].Out1Coord = {{100, 200}, {-300, 400}, {500, -600}};
        p.Areas[63].Out2Shape = Straight;
        p.Areas[63].Out2Coord = {{0, 900}};
        const QByteArray csv = writeProject(p);
        QVERIFY(csv.startsWith("area,output,shape,point,x_mm,y_mm\r\n0,1,Arc,1,3000,0\r\n"));
        QMap<int, AreaZones> back;
        Refusal why;
        QVERIFY2(readProject(csv, &back, &why), qPrintable(why.text(Language::English)));
        QCOMPARE(back.keys(), QList<int>({0, 63}));
        for (int area : {0, 63})
            for (int k = 0; k < kOutputCount; ++k) {
                QCOMPARE(back[area].shape[k], p.Areas[area].shape(k));
                QCOMPARE(back[area].points[k], p.Areas[area].coord(k));
            }
        p.resetToStartup();
    }

    // A German desktop writes "1,5" for one and a half; the files never do, and read the same.
    void localeChangesNeitherWritingNorReading()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(writeZone({{-1234567, 89}}), QByteArray("x_mm,y_mm\r\n-1234567,89\r\n"));
        QVector<QPoint> back;
        Refusal why;
        // Decimals with a point are rounded to whole millimetres; a BOM, blanks and LF endings are fine.
        QVERIFY(readZone("\xEF\xBB\xBFx_mm,y_mm\n 1200.6 , -35.2\n\n\"7\",8\n", Polygon, 0, &back, &why));
        QCOMPARE(back, QVector<QPoint>({{1201, -35}, {7, 8}}));
        QVERIFY(!readZone("x_mm,y_mm\n1200,5;7\n", Polygon, 0, &back, &why));
        QCOMPARE(why.line, 2);
    }

    void refusalsNameTheLineAndWhy()
    {
        QVector<QPoint> back{{9, 9}};
        Refusal why;
        QVERIFY(!readZone("x_mm,y_mm\n1,2\nabc,4\n", Polygon, 0, &back, &why));
        QCOMPARE(why.text(Language::English),
                 QString("Line 3: expected two numbers \"x_mm,y_mm\", found \"abc,4\"."));
        QCOMPARE(why.text(Language::Chinese).left(4), QString("第3行："));
        QVERIFY(!readZone("x_mm,y_mm\n1,2,3\n", Polygon, 0, &back, &why));
        QVERIFY(!readZone("x_mm,y_mm\nnan,2\n", Polygon, 0, &back, &why));
        QVERIFY(!readZone("x_mm,y_mm\n1,3000000000\n", Polygon, 0, &back, &why));

        QByteArray many("x_mm,y_mm\n");
        for (int i = 0; i <= kMaxZonePoints; ++i)
            many += QByteArray::number(i) + ",10\n";
        QVERIFY(!readZone(many, Polygon, 0, &back, &why));
        QCOMPARE(why.line, kMaxZonePoints + 2);
        QVERIFY(why.english.contains("at most 100"));

        // An arc: two points, one radius (the rounding of whole millimetres is allowed).
        QVERIFY(!readZone("x_mm,y_mm\n3000,0\n0,3100\n", Arc, 0, &back, &why));
        QVERIFY(why.english.contains("one radius"));
        QVERIFY(!readZone("x_mm,y_mm\n3000,0\n", Arc, 0, &back, &why));
        QVERIFY(readZone("x_mm,y_mm\n3000,0\n2121,2121\n", Arc, 0, &back, &why));
        // A rectangle: four corners whose sides follow the axes.
        QVERIFY(!readZone("x_mm,y_mm\n0,0\n0,10\n10,10\n11,0\n", Rectangle, 1, &back, &why));
        // Dependent shapes: one point straight ahead; never on Out 1.
        QVERIFY(!readZone("x_mm,y_mm\n5,1000\n", Straight, 1, &back, &why));
        QVERIFY(!readZone("x_mm,y_mm\n0,1000\n0,2000\n", Fan, 2, &back, &why));
        QCOMPARE(back, QVector<QPoint>({{3000, 0}, {2121, 2121}})); // untouched by the refusals

        QMap<int, AreaZones> areas;
        QVERIFY(!readProject("x,y\n", &areas, &why));
        QCOMPARE(why.line, 1);
        const QByteArray head("area,output,shape,point,x_mm,y_mm\n");
        QVERIFY(!readProject(head + "64,1,Polygon,1,0,0\n", &areas, &why));
        QCOMPARE(why.line, 2);
        QVERIFY(!readProject(head + "0,1,Polygon,1,0,0\n0,1,Arc,2,0,0\n", &areas, &why));
        QCOMPARE(why.line, 3);
        QVERIFY(!readProject(head + "0,1,Polygon,1,0,0\n0,1,Polygon,1,5,5\n", &areas, &why));
        QVERIFY(!readProject(head + "0,1,Polygon,1,0,0\n0,1,Polygon,3,5,5\n", &areas, &why));
        QVERIFY(!readProject(head + "0,1,Fan,1,0,1000\n", &areas, &why));
        QVERIFY(why.english.startsWith("area 0, output 1: Out 1 cannot take"));
        QVERIFY(!readProject(head + "1,2,Arc,1,1000,0\n1,2,Arc,2,0,2000\n", &areas, &why));
        QCOMPARE(why.line, 2);
        QVERIFY(areas.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestZoneCsv)
#include "tst_zone_csv.moc"
