// The stand-in's own zone check (what lights its output lamps) against the zones the editor draws:
// the lamps must agree with the picture. The stand-in stays QtCore-only, so its check is a separate,
// approximate implementation; this test keeps the two in step.

#include "../tools/sensor-sim/sensor_state.cpp"
#include "../tools/sensor-sim/zone_eval.cpp"

#include "area/geometry/zone_geometry.h"

#include <QtTest>

Q_DECLARE_METATYPE(AREA_DATA)

namespace {

struct Agreement {
    int inside = 0;   // grid points inside the drawn zone
    int disagree = 0; // points where the check and the drawing differ
    bool drawn = false;
    bool checked = false;
};

// Compares one output of an area over a grid in sensor millimetres; the grid is offset so that
// no point lies exactly on a straight edge.
Agreement compare(const AREA_DATA &area, int output)
{
    QPainterPath base;
    zone::Zone drawn;
    for (int o = 0; o <= output; ++o) {
        drawn = zone::build(area.shape(o), area.coord(o), base, QSizeF(72000, 72000), o > 0);
        if (drawn.drawn())
            base = drawn.passOn;
    }
    const auto checked = SimZone::build(area, output);
    Agreement a;
    a.drawn = drawn.drawn();
    a.checked = checked != nullptr;
    if (!a.drawn || !a.checked)
        return a;
    for (double y = -9000.37; y < 9000; y += 150) {
        for (double x = -9000.41; x < 9000; x += 150) {
            const QPointF scene(x, -y);
            bool inDrawing = false;
            switch (drawn.kind) {
            case zone::Zone::Swept: inDrawing = drawn.polygon.containsPoint(scene, Qt::WindingFill); break;
            case zone::Zone::Pie:
            case zone::Zone::Clipped: inDrawing = drawn.path.contains(scene); break;
            case zone::Zone::Scaled: inDrawing = drawn.path.contains(scene / drawn.scale); break;
            case zone::Zone::None: break;
            }
            const bool inCheck = checked->contains(QPointF(x, y));
            a.inside += inDrawing ? 1 : 0;
            a.disagree += inDrawing != inCheck ? 1 : 0;
        }
    }
    return a;
}

AREA_DATA chain(int out1, QVector<QPoint> p1, int out2, QVector<QPoint> p2, int out3, QVector<QPoint> p3)
{
    AREA_DATA a;
    a.Out1Shape = out1;
    a.Out1Coord = p1;
    a.Out2Shape = out2;
    a.Out2Coord = p2;
    a.Out3Shape = out3;
    a.Out3Coord = p3;
    return a;
}

} // namespace

class TestSensorSimZones : public QObject {
    Q_OBJECT
private slots:
    void lampCheckAgreesWithTheDrawnZones_data()
    {
        QTest::addColumn<AREA_DATA>("area");
        for (int i : {0, 1, 2, 30, 31, 32, 61, 62, 63})
            QTest::newRow(qPrintable(QStringLiteral("example area %1").arg(i))) << exampleArea(i);
        const QVector<QPoint> square{QPoint(-3000, -2000), QPoint(-3000, 4000), QPoint(3000, 4000),
                                     QPoint(3000, -2000)};
        QTest::newRow("straight then ratio")
            << chain(Rectangle, square, Straight, {QPoint(0, 1000)}, Ratio, {QPoint(0, 1500)});
        QTest::newRow("ratio of ratio scales Out 1")
            << chain(Polygon, square, Ratio, {QPoint(0, 3000)}, Ratio, {QPoint(0, 2000)});
        QTest::newRow("fan of an arc")
            << chain(Arc, {QPoint(-5000, 1000), QPoint(4000, -3000)}, Fan, {QPoint(0, 2500)}, Polygon,
                     {QPoint(500, 500), QPoint(-800, 2000), QPoint(-800, 2000), QPoint(1500, -300)});
        QTest::newRow("vertices in any order") << chain(
            Polygon, {QPoint(2000, 3000), QPoint(-2500, 500), QPoint(1000, -1500), QPoint(-200, 4200)},
            Straight, {QPoint(0, 2500)}, Fan, {QPoint(0, 3000)});
    }
    void lampCheckAgreesWithTheDrawnZones()
    {
        QFETCH(AREA_DATA, area);
        for (int output = 0; output < kOutputCount; ++output) {
            const Agreement a = compare(area, output);
            QCOMPARE(a.checked, a.drawn);
            if (!a.drawn)
                continue;
            // Only points right at a curved edge may fall either way.
            QVERIFY2(a.disagree <= qMax(3, a.inside / 100),
                     qPrintable(QStringLiteral("Out %1: %2 of %3 points disagree")
                                    .arg(output + 1)
                                    .arg(a.disagree)
                                    .arg(a.inside)));
        }
    }

    void outputsAreSetByBeamEndsInsideTheirZones()
    {
        const AREA_DATA a =
            chain(Rectangle, {QPoint(-1000, 500), QPoint(-1000, 2000), QPoint(1000, 2000), QPoint(1000, 500)},
                  Fan, {QPoint(0, 1200)}, Arc, {QPoint(3000, 0), QPoint(-3000, 0)});
        QCOMPARE(evaluateZones(a, {}), 0);
        QCOMPARE(evaluateZones(a, {QPointF(0, 1800)}), 0b101);   // Out 1 and the arc, beyond the fan
        QCOMPARE(evaluateZones(a, {QPointF(200, 1000)}), 0b111); // within 1200 mm: the fan too
        QCOMPARE(evaluateZones(a, {QPointF(2500, -500)}), 0);    // behind the arc's half circle
        QCOMPARE(evaluateZones(a, {QPointF(-2500, 500), QPointF(0, 5000)}), 0b100);
    }
};

QTEST_GUILESS_MAIN(TestSensorSimZones)
#include "tst_sensor_sim_zones.moc"
