// Zone outlines as paths: the polar form, the swept polygon, the arc pie and the dependent shapes.
#include "area/geometry/polar.h"
#include "area/geometry/zone_geometry.h"
#include "area/store/project_data.h"

#include <QPainter>
#include <QtTest>

namespace {
// Scene position of a sensor point given by radius and bearing in degrees.
QPointF sceneAt(double r, double bearingDeg)
{
    const double a = qDegreesToRadians(bearingDeg);
    return QPointF(r * std::cos(a), -r * std::sin(a));
}
QPointF sceneOf(double x, double y)
{
    return QPointF(x, -y);
}

bool sameRect(const QRectF &a, const QRectF &b)
{
    return std::abs(a.left() - b.left()) < 0.01 && std::abs(a.top() - b.top()) < 0.01 &&
           std::abs(a.right() - b.right()) < 0.01 && std::abs(a.bottom() - b.bottom()) < 0.01;
}

QPainterPath rectBase(double left, double bottom, double right, double top)
{
    QPainterPath p;
    p.addRect(QRectF(QPointF(left, -top), QPointF(right, -bottom)));
    return p;
}

const QSizeF kScene(72000, 72000);
} // namespace

typedef QVector<QPoint> Points;
typedef QVector<QPointF> Probes;
Q_DECLARE_METATYPE(Probes)

class TestZoneGeometry : public QObject {
    Q_OBJECT
private slots:
    void polarFormRunsFromBehindCounterClockwise_data();
    void polarFormRunsFromBehindCounterClockwise();
    void polarWayBackTruncatesTowardZero_data();
    void polarWayBackTruncatesTowardZero();
    void polygonIsSweptInBearingOrderWhateverTheListOrder_data();
    void polygonIsSweptInBearingOrderWhateverTheListOrder();
    void laterVertexOnOneBearingReplacesEarlier_data();
    void laterVertexOnOneBearingReplacesEarlier();
    void arcIsPieFromSensorBetweenBearingsAtLargerRadius_data();
    void arcIsPieFromSensorBetweenBearingsAtLargerRadius();
    void straightKeepsBaseUpToHandle_data();
    void straightKeepsBaseUpToHandle();
    void fanKeepsBaseWithinReachAndSeenBearings_data();
    void fanKeepsBaseWithinReachAndSeenBearings();
    void ratioShrinksOnlyTallerBases_data();
    void ratioShrinksOnlyTallerBases();
    void ratioPassesItsBaseOnUnscaled();
    void pointCountsThatDoNotFitDrawNothing_data();
    void pointCountsThatDoNotFitDrawNothing();
    void emptyPolygonPassesOnAPathAtTheSensor();
};

void TestZoneGeometry::polarFormRunsFromBehindCounterClockwise_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<float>("degrees");
    QTest::addColumn<float>("radius");
    QTest::newRow("right") << 1000 << 0 << 0.f << 1000.f;
    QTest::newRow("ahead") << 0 << 1000 << 90.f << 1000.f;
    QTest::newRow("left") << -1000 << 0 << 180.f << 1000.f;
    QTest::newRow("straight behind is -90 not 270") << 0 << -1000 << -90.f << 1000.f;
    QTest::newRow("behind right") << 1000 << -1000 << -45.f << 1414.2136f;
    QTest::newRow("behind left") << -1000 << -1000 << 225.f << 1414.2136f;
    QTest::newRow("just right of behind") << 1 << -1000 << -89.942705f << 1000.0005f;
    QTest::newRow("just left of behind") << -1 << -1000 << 269.942705f << 1000.0005f;
    QTest::newRow("sensor") << 0 << 0 << 0.f << 0.f;
}

void TestZoneGeometry::polarFormRunsFromBehindCounterClockwise()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(float, degrees);
    QFETCH(float, radius);
    const float deg = polar::degrees(x, y);
    QVERIFY2(std::abs(deg - degrees) < 1e-3f, qPrintable(QString::number(deg)));
    const float rad = polar::angle(x, y);
    QVERIFY(rad > -1.5708f && rad < polar::kThreeHalfPi);
    QVERIFY(std::abs(polar::radius(QPoint(x, y)) - radius) < 1e-2f);
    QCOMPARE(polar::angle(QPoint(x, y)), polar::angle(x, y));
}

void TestZoneGeometry::polarWayBackTruncatesTowardZero_data()
{
    QTest::addColumn<float>("r");
    QTest::addColumn<float>("degrees");
    QTest::addColumn<QPoint>("point");
    QTest::newRow("ahead, cos 90 truncated to 0") << 20.f << 90.f << QPoint(0, 20);
    QTest::newRow("right") << 1000.f << 0.f << QPoint(1000, 0);
    QTest::newRow("45 degrees") << 1000.f << 45.f << QPoint(707, 707);
    QTest::newRow("negative truncates up, not down") << 1000.f << -45.f << QPoint(707, -707);
    QTest::newRow("behind left") << 1000.f << 225.f << QPoint(-707, -707);
}

void TestZoneGeometry::polarWayBackTruncatesTowardZero()
{
    QFETCH(float, r);
    QFETCH(float, degrees);
    QFETCH(QPoint, point);
    QCOMPARE(polar::toPointDegrees(r, degrees), point);
}

void TestZoneGeometry::polygonIsSweptInBearingOrderWhateverTheListOrder_data()
{
    QTest::addColumn<Points>("points");
    const QPoint behind(0, -1000), right(3000, 0), ahead(0, 3000), left(-3000, 0);
    QTest::newRow("bearing order") << Points{behind, right, ahead, left};
    QTest::newRow("reversed") << Points{left, ahead, right, behind};
    QTest::newRow("crossed in list order") << Points{right, left, behind, ahead};
    QTest::newRow("behind last") << Points{ahead, left, right, behind};
}

void TestZoneGeometry::polygonIsSweptInBearingOrderWhateverTheListOrder()
{
    QFETCH(Points, points);
    const zone::Zone z = zone::build(Polygon, points, QPainterPath(), kScene, false);
    QCOMPARE(z.kind, zone::Zone::Swept);
    const QPainterPath &p = z.passOn;
    // The quadrilateral right-ahead-left plus the wedge behind-right closed through the sensor.
    QVERIFY(p.contains(sceneOf(1000, 1000)));
    QVERIFY(p.contains(sceneOf(-1000, 1000)));
    QVERIFY(p.contains(sceneOf(500, -300)));
    // Behind-left is never swept: the zone closes from the left vertex straight to the sensor.
    QVERIFY(!p.contains(sceneOf(-1000, -300)));
    QVERIFY(!p.contains(sceneOf(2000, 2000)));
    QCOMPARE(p.boundingRect(), QRectF(-3000, -3000, 6000, 4000));
    // Same outline regardless of order: starts and ends at the sensor, first vertex straight behind.
    QCOMPARE(z.polygon.first(), QPointF(0, 0));
    QCOMPARE(z.polygon.at(1), QPointF(0, 1000));
    QCOMPARE(z.polygon.last(), QPointF(0, 0));
}

void TestZoneGeometry::laterVertexOnOneBearingReplacesEarlier_data()
{
    QTest::addColumn<Points>("points");
    QTest::addColumn<bool>("reachesFar");
    QTest::newRow("far one later") << Points{{1000, 1000}, {2000, 0}, {3000, 3000}} << true;
    QTest::newRow("near one later") << Points{{3000, 3000}, {2000, 0}, {1000, 1000}} << false;
}

void TestZoneGeometry::laterVertexOnOneBearingReplacesEarlier()
{
    QFETCH(Points, points);
    QFETCH(bool, reachesFar);
    QCOMPARE(zone::bearingMap(points).size(), size_t(2));
    const zone::Zone z = zone::build(Polygon, points, QPainterPath(), kScene, false);
    QCOMPARE(z.polygon.size(), 4); // sensor, two vertices, sensor
    QCOMPARE(z.passOn.contains(sceneOf(2200, 1800)), reachesFar);
    QVERIFY(z.passOn.contains(sceneOf(1200, 500)));
}

void TestZoneGeometry::arcIsPieFromSensorBetweenBearingsAtLargerRadius_data()
{
    QTest::addColumn<QPoint>("first");
    QTest::addColumn<QPoint>("second");
    QTest::addColumn<double>("radius");
    const QPoint at30 = polar::toPointDegrees(4000, 30), at150 = polar::toPointDegrees(4000, 150);
    QTest::newRow("30 then 150") << at30 << at150 << 4000.0;
    QTest::newRow("150 then 30") << at150 << at30 << 4000.0;
    QTest::newRow("unequal radii take the larger") << polar::toPointDegrees(2000, 30) << at150 << 4000.0;
}

void TestZoneGeometry::arcIsPieFromSensorBetweenBearingsAtLargerRadius()
{
    QFETCH(QPoint, first);
    QFETCH(QPoint, second);
    QFETCH(double, radius);
    QPainterPath pie;
    QVERIFY(zone::arcPie({first, second}, &pie));
    for (double bearing : {35.0, 60.0, 90.0, 120.0, 145.0}) {
        QVERIFY2(pie.contains(sceneAt(radius * 0.95, bearing)), qPrintable(QString::number(bearing)));
        QVERIFY(pie.contains(sceneAt(radius * 0.1, bearing)));
        QVERIFY(!pie.contains(sceneAt(radius * 1.05, bearing)));
    }
    for (double bearing : {25.0, 155.0, 270.0, -90.0, 0.0, 180.0})
        QVERIFY2(!pie.contains(sceneAt(radius * 0.5, bearing)), qPrintable(QString::number(bearing)));
    // Centred on +Y: symmetric about the forward axis, which is up in the scene.
    const QRectF box = pie.boundingRect();
    QVERIFY(std::abs(box.center().x()) < 1.0);
    QVERIFY(std::abs(box.top() + radius) < 1.0);
    QVERIFY(std::abs(box.bottom()) < 1.0);
}

void TestZoneGeometry::straightKeepsBaseUpToHandle_data()
{
    QTest::addColumn<int>("handle");
    QTest::addColumn<double>("top"); // sensor Y the zone reaches, -1 for none
    QTest::newRow("2000 on a 5000 base") << 2000 << 2000.0;
    QTest::newRow("4000") << 4000 << 4000.0;
    QTest::newRow("beyond the base keeps it whole") << 6000 << 5000.0;
    QTest::newRow("at the sensor leaves nothing ahead") << 0 << -1.0;
}

void TestZoneGeometry::straightKeepsBaseUpToHandle()
{
    QFETCH(int, handle);
    QFETCH(double, top);
    const QPainterPath base = rectBase(-2000, -1000, 2000, 5000);
    const zone::Zone z = zone::build(Straight, {QPoint(0, handle)}, base, kScene, true);
    QCOMPARE(z.kind, zone::Zone::Clipped);
    QCOMPARE(z.passOn, z.path);
    if (top < 0) {
        QVERIFY(!z.path.contains(sceneOf(0, 100)));
        QVERIFY(z.path.contains(sceneOf(0, -500))); // behind the sensor stays
        return;
    }
    QVERIFY(z.path.contains(sceneOf(0, top - 100)));
    QVERIFY(z.path.contains(sceneOf(1900, top - 100)));
    QVERIFY(z.path.contains(sceneOf(0, -900)));
    QVERIFY(!z.path.contains(sceneOf(0, top + 100)));
    QVERIFY(!z.path.contains(sceneOf(2100, 0))); // never wider than the base
    QVERIFY(sameRect(z.path.boundingRect(), QRectF(-2000, -top, 4000, top + 1000)));
}

void TestZoneGeometry::fanKeepsBaseWithinReachAndSeenBearings_data()
{
    QTest::addColumn<double>("r");
    QTest::addColumn<double>("bearing");
    QTest::addColumn<bool>("kept");
    QTest::newRow("ahead within reach") << 2900.0 << 90.0 << true;
    QTest::newRow("ahead beyond reach") << 3100.0 << 90.0 << false;
    QTest::newRow("right") << 2000.0 << 0.0 << true;
    QTest::newRow("-40 inside") << 2000.0 << -40.0 << true;
    QTest::newRow("-50 outside") << 2000.0 << -50.0 << false;
    QTest::newRow("220 inside") << 2000.0 << 220.0 << true;
    QTest::newRow("230 outside") << 2000.0 << 230.0 << false;
    QTest::newRow("straight behind") << 1000.0 << 270.0 << false;
}

void TestZoneGeometry::fanKeepsBaseWithinReachAndSeenBearings()
{
    QFETCH(double, r);
    QFETCH(double, bearing);
    QFETCH(bool, kept);
    const QPainterPath base = rectBase(-5000, -5000, 5000, 5000);
    const zone::Zone z = zone::build(Fan, {QPoint(0, 3000)}, base, kScene, true);
    QCOMPARE(z.kind, zone::Zone::Clipped);
    QCOMPARE(z.path.contains(sceneAt(r, bearing)), kept);
    // A base smaller than the reach is not enlarged.
    const QPainterPath small = rectBase(-1000, 0, 1000, 1000);
    QVERIFY(sameRect(zone::fanZone(small, 3000).boundingRect(), small.boundingRect()));
}

void TestZoneGeometry::ratioShrinksOnlyTallerBases_data()
{
    QTest::addColumn<int>("handle");
    QTest::addColumn<double>("factor");
    QTest::newRow("half") << 2500 << 0.5;
    QTest::newRow("fifth") << 1000 << 0.2;
    QTest::newRow("equal height") << 5000 << 1.0;
    QTest::newRow("taller handle") << 8000 << 1.0;
    QTest::newRow("at the sensor") << 0 << 0.0;
    QTest::newRow("behind the sensor never mirrors") << -2500 << 0.0;
}

void TestZoneGeometry::ratioShrinksOnlyTallerBases()
{
    QFETCH(int, handle);
    QFETCH(double, factor);
    const QPainterPath base = rectBase(-1000, 0, 1000, 5000); // 5000 high
    const zone::Zone z = zone::build(Ratio, {QPoint(0, handle)}, base, kScene, true);
    QCOMPARE(z.kind, zone::Zone::Scaled);
    QVERIFY(qFuzzyCompare(1 + z.scale, 1 + factor));
}

void TestZoneGeometry::ratioPassesItsBaseOnUnscaled()
{
    const QPainterPath base = rectBase(-1000, 0, 1000, 5000);
    const zone::Zone out2 = zone::build(Ratio, {QPoint(0, 2500)}, base, kScene, true);
    QCOMPARE(out2.passOn, base);
    // Out3 in ratio mode over it then scales the Out1 zone itself.
    const zone::Zone out3 = zone::build(Ratio, {QPoint(0, 1000)}, out2.passOn, kScene, true);
    QVERIFY(qFuzzyCompare(out3.scale, 0.2));
    QCOMPARE(out3.path, base);
}

void TestZoneGeometry::pointCountsThatDoNotFitDrawNothing_data()
{
    QTest::addColumn<int>("shape");
    QTest::addColumn<Points>("points");
    QTest::addColumn<bool>("dependentAllowed");
    QTest::newRow("arc with one point") << int(Arc) << Points{{1000, 0}} << true;
    QTest::newRow("arc with three points") << int(Arc) << Points{{1000, 0}, {0, 1000}, {-1000, 0}} << true;
    QTest::newRow("arc with none") << int(Arc) << Points{} << true;
    QTest::newRow("straight with none") << int(Straight) << Points{} << true;
    QTest::newRow("straight with two") << int(Straight) << Points{{0, 1000}, {0, 2000}} << true;
    QTest::newRow("fan with two") << int(Fan) << Points{{0, 1000}, {0, 2000}} << true;
    QTest::newRow("ratio with none") << int(Ratio) << Points{} << true;
    QTest::newRow("straight on Out1") << int(Straight) << Points{{0, 1000}} << false;
    QTest::newRow("ratio on Out1") << int(Ratio) << Points{{0, 1000}} << false;
    QTest::newRow("unknown code 6") << 6 << Points{{1000, 1000}} << true;
    QTest::newRow("negative code") << -1 << Points{{1000, 1000}} << true;
}

void TestZoneGeometry::pointCountsThatDoNotFitDrawNothing()
{
    QFETCH(int, shape);
    QFETCH(Points, points);
    QFETCH(bool, dependentAllowed);
    const zone::Zone z = zone::build(shape, points, rectBase(-1000, 0, 1000, 5000), kScene, dependentAllowed);
    QVERIFY(!z.drawn());
    QVERIFY(z.passOn.isEmpty());
    QImage image(50, 50, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.scale(0.001, 0.001);
    zone::paint(&painter, z, Qt::red);
    painter.end();
    QCOMPARE(image.pixelColor(25, 25).alpha(), 0);
}

void TestZoneGeometry::emptyPolygonPassesOnAPathAtTheSensor()
{
    const zone::Zone z = zone::build(Polygon, {}, QPainterPath(), kScene, false);
    QCOMPARE(z.kind, zone::Zone::Swept);
    QCOMPARE(z.passOn.elementCount(), 2);
    QCOMPARE(z.passOn.boundingRect(), QRectF());
    // Anything derived from it is empty too.
    QVERIFY(zone::straightZone(z.passOn, 2000, kScene).boundingRect().isEmpty());
}

QTEST_MAIN(TestZoneGeometry)
#include "tst_zones_geometry.moc"
