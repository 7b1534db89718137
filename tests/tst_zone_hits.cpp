// Which scan points fall in which zone, for every kind of zone, and in agreement with the zones as
// the editor paints them.
#include "area/geometry/polar.h"
#include "area/geometry/zone_hits.h"
#include "area/store/project_data.h"

#include <QImage>
#include <QPainter>
#include <QPainterPathStroker>
#include <QRandomGenerator>
#include <QtMath>
#include <QtTest>

namespace {

const QSizeF kScene(72000, 72000);

// Sensor coordinates (X right, Y forward) to the scene, where Y points down.
QPointF scene(double x, double y)
{
    return QPointF(x, -y);
}

QPointF atBearing(double degrees, double radius)
{
    return scene(radius * std::cos(qDegreesToRadians(degrees)),
                 radius * std::sin(qDegreesToRadians(degrees)));
}

QPoint stored(double degrees, double radius)
{
    return QPoint(int(radius * std::cos(qDegreesToRadians(degrees))),
                  int(radius * std::sin(qDegreesToRadians(degrees))));
}

struct Area {
    AREA_DATA data;
    zone::Zone zones[3];
    zone::Hits hits;
    void build()
    {
        zone::buildArea(data, kScene, zones);
        hits.setZones(zones);
    }
};

} // namespace

class TestZoneHits : public QObject {
    Q_OBJECT

private slots:
    void polygonHoldsWhatItSweepsAndNothingElse()
    {
        Area a;
        a.data.Out1Shape = Polygon;
        a.data.Out1Coord = {QPoint(-2000, 1000), QPoint(2000, 1000), QPoint(2000, 4000), QPoint(-2000, 4000)};
        a.build();
        QVERIFY(a.hits.contains(0, scene(0, 2000)));
        QVERIFY(a.hits.contains(0, scene(1900, 3900)));
        QVERIFY(a.hits.contains(0, scene(0, 500))); // swept from the sensor: the wedge below is in
        QVERIFY(!a.hits.contains(0, scene(0, 4100)));
        QVERIFY(!a.hits.contains(0, scene(2100, 2000)));
        QVERIFY(!a.hits.contains(0, scene(0, -500)));
        QCOMPARE(a.hits.outputAt(scene(0, 2000)), 0);
        QCOMPARE(a.hits.outputAt(scene(0, 5000)), -1);
        // No zone for Out 2 and Out 3: nothing is inside them.
        QVERIFY(!a.hits.contains(1, scene(0, 2000)));
        QVERIFY(!a.hits.contains(2, scene(0, 2000)));
    }

    // An arc's ends either side of the blind wedge: the pie runs round the front, and the wedge
    // behind the sensor, between the ends, stays outside.
    void arcAcrossTheRearWedgeRunsRoundTheFront_data()
    {
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::newRow("ends at 260 and 280 degrees") << 260.0 << 280.0;
        QTest::newRow("ends at 240 and 300 degrees") << 240.0 << 300.0;
        QTest::newRow("ends at 250 and -70 degrees") << 250.0 << -70.0;
    }
    void arcAcrossTheRearWedgeRunsRoundTheFront()
    {
        QFETCH(double, from);
        QFETCH(double, to);
        Area a;
        a.data.Out1Shape = Arc;
        a.data.Out1Coord = {stored(from, 3000), stored(to, 2000)}; // the larger radius rules
        a.build();
        for (double bearing : {0.0, 90.0, 180.0, -45.0, 225.0})
            QVERIFY2(a.hits.contains(0, atBearing(bearing, 2500)), qPrintable(QString::number(bearing)));
        QVERIFY(!a.hits.contains(0, atBearing(270.0, 1000))); // straight behind
        QVERIFY(!a.hits.contains(0, atBearing(90.0, 3100)));  // beyond the radius
    }

    // A fan cuts the zone before it to a radius and to bearings -45..225 degrees; a point of the
    // base outside the fan stays in Out 1 only.
    void dependentFanHoldsTheNearPartOfItsBase()
    {
        Area a;
        a.data.Out1Shape = Polygon;
        a.data.Out1Coord = {stored(-60, 6000), stored(0, 6000), stored(90, 6000), stored(180, 6000),
                            stored(240, 6000)};
        a.data.Out2Shape = Fan;
        a.data.Out2Coord = {QPoint(0, 2000)};
        a.data.Out3Shape = Straight;
        a.data.Out3Coord = {QPoint(0, 1000)};
        a.build();
        QCOMPARE(a.hits.outputAt(atBearing(90, 1500)), 1);  // in the fan, ahead of the straight cut
        QCOMPARE(a.hits.outputAt(atBearing(90, 3000)), 0);  // beyond the fan's reach
        QCOMPARE(a.hits.outputAt(atBearing(90, 800)), 2);   // the fan cut straight at Y = 1 m
        QCOMPARE(a.hits.outputAt(atBearing(-55, 1000)), 0); // outside the fan, so outside its cut too
        QVERIFY(!a.hits.contains(1, atBearing(-55, 1500))); // outside the fan's bearings
        QVERIFY(a.hits.contains(0, atBearing(-55, 1500)));
        QVERIFY(a.hits.contains(1, atBearing(180, 1500)));
        QCOMPARE(a.hits.outputAt(atBearing(90, 7000)), -1);
    }

    void ratioScalesItsBaseAboutTheSensor()
    {
        Area a;
        a.data.Out1Shape = Rectangle;
        a.data.Out1Coord = {QPoint(-1000, 0), QPoint(1000, 0), QPoint(1000, 4000), QPoint(-1000, 4000)};
        a.data.Out2Shape = Ratio;
        a.data.Out2Coord = {QPoint(0, 2000)}; // half the base's height
        a.build();
        QVERIFY(a.hits.contains(1, scene(0, 1900)));
        QVERIFY(!a.hits.contains(1, scene(0, 2100)));
        QVERIFY(a.hits.contains(0, scene(0, 2100)));
    }

    // The classification and the painted zones agree: every point well inside a painted zone is
    // classified in it, every point well outside is not.
    void classificationAgreesWithThePaintedZones()
    {
        Area a;
        a.data.Out1Shape = Arc;
        a.data.Out1Coord = {stored(250, 8000), stored(-70, 8000)};
        a.data.Out2Shape = Fan;
        a.data.Out2Coord = {QPoint(0, 5000)};
        a.data.Out3Shape = Polygon;
        for (int i = 0; i < 100; ++i) // a 100-vertex star
            a.data.Out3Coord << stored(-70 + 3.2 * i, i % 2 ? 1500 : 3500);
        a.build();

        const double mmPerPixel = 20.0;
        QImage painted[3];
        for (int k = 0; k < 3; ++k) {
            painted[k] = QImage(900, 900, QImage::Format_ARGB32);
            painted[k].fill(Qt::black);
            QPainter p(&painted[k]);
            p.translate(450, 450);
            p.scale(1 / mmPerPixel, 1 / mmPerPixel);
            zone::paint(&p, a.zones[k], Qt::white);
        }
        // Near an edge the painter's pixels are its own call: those points are left out.
        QPainterPath nearEdge[3];
        for (int k = 0; k < 3; ++k) {
            QPainterPathStroker stroker;
            stroker.setWidth(6 * mmPerPixel);
            nearEdge[k] = stroker.createStroke(zone::region(a.zones[k]));
        }
        int checked = 0;
        QRandomGenerator random(14);
        for (int n = 0; n < 4000; ++n) {
            const int px = random.bounded(900), py = random.bounded(900);
            const QPointF at((px + 0.5 - 450) * mmPerPixel, (py + 0.5 - 450) * mmPerPixel);
            for (int k = 0; k < 3; ++k) {
                if (nearEdge[k].contains(at))
                    continue;
                ++checked;
                const bool lit = qRed(painted[k].pixel(px, py)) > 128;
                QVERIFY2(a.hits.contains(k, at) == lit,
                         qPrintable(QString("Out %1 at %2, %3").arg(k + 1).arg(at.x()).arg(at.y())));
            }
        }
        QVERIFY(checked > 10000);
    }
};

QTEST_MAIN(TestZoneHits)
#include "tst_zone_hits.moc"
