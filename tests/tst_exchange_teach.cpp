// Teaching a zone from the stand-in's room through the real exchange: the taught outline keeps the
// offset from the walls, Minimum never reaches farther than Average, and simplification keeps its
// bound within the 100 points a zone holds.
#include "area/geometry/polar.h"
#include "area/store/device_type.h"
#include "editor/teach_in.h"
#include "exchange_helpers.h"

#include <QtMath>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <memory>

namespace {

const char *const kAddress = "127.0.16.1";

// The stand-in's room: walls at x = -3200 and 5500, y = -3600 and 7800, a pillar of radius 220 at
// (2600, 4400). Distance of a point from the nearest of them.
double clearance(const QPointF &p)
{
    const double walls = std::min({5500 - p.x(), p.x() + 3200, 7800 - p.y(), p.y() + 3600});
    return std::min(walls, std::hypot(p.x() - 2600, p.y() - 4400) - 220);
}

double segmentDistance(const QPointF &p, const QPointF &a, const QPointF &b)
{
    const QPointF d = b - a;
    const double len2 = QPointF::dotProduct(d, d);
    const double u = len2 > 0 ? qBound(0.0, QPointF::dotProduct(p - a, d) / len2, 1.0) : 0.0;
    const QPointF q = a + u * d - p;
    return std::hypot(q.x(), q.y());
}

// The farthest any point lies from the polyline through outline.
double largestDeviation(const QVector<QPointF> &points, const QVector<QPoint> &outline)
{
    double worst = 0;
    for (const QPointF &p : points) {
        double best = HUGE_VAL;
        for (int i = 0; i + 1 < outline.size(); ++i)
            best = std::min(best, segmentDistance(p, outline[i], outline[i + 1]));
        worst = std::max(worst, best);
    }
    return worst;
}

} // namespace

class TestTeach : public QObject, public ExchangeRig {
    Q_OBJECT

private slots:
    void init()
    {
        ScanData().ConnectType = 1;
        ScanData().InstallDir = false;
        buildExchange(this);
    }
    void cleanup() { tearDownExchange(); }

    void taughtOutlineKeepsTheOffsetFromTheRoom()
    {
        m_sim = startSimAt(kAddress, {QStringLiteral("--rate"), QStringLiteral("50")});
        QVERIFY(m_sim);
        QVERIFY(connectTcp(m_comm->Engine(), kAddress));
        m_comm->SetDeviceType(Laser30);
        teach::Gatherer gatherer(&ScanData());
        connect(m_comm.get(), &SERIAL_COMM::ReceiveScanfData, &gatherer, &teach::Gatherer::revolutionArrived);
        QSignalSpy done(&gatherer, &teach::Gatherer::Finished);
        m_comm->OpenSendReadScanf();
        gatherer.start(10);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 10000);
        m_comm->CloseSendReadScanf();
        const QVector<teach::Revolution> revolutions = gatherer.revolutions();
        QCOMPARE(revolutions.size(), 10);
        QCOMPARE(revolutions[0].distance.size(), 6400);

        teach::Settings s;
        s.fromDegrees = 240; // either way round
        s.toDegrees = -60;
        s.offsetMm = 300;
        s.rangeLimit = deviceInfo(Laser30)->rangeLimit;
        const QVector<QPoint> average = teach::teachZone(revolutions, s);
        s.method = teach::Method::Minimum;
        const QVector<QPoint> minimum = teach::teachZone(revolutions, s);
        QCOMPARE(average.size(), kMaxZonePoints); // thinned evenly
        QCOMPARE(minimum.size(), kMaxZonePoints);
        // In bearing order from -60 to 240 degrees.
        QVERIFY(std::abs(polar::degrees(average.first()) + 60) < 0.1);
        QVERIFY(std::abs(polar::degrees(average.last()) - 240) < 0.1);

        // Noise is 5 mm either way; points are truncated to whole millimetres.
        constexpr double kTolerance = 8;
        int nearWall = 0;
        for (int i = 0; i < kMaxZonePoints; ++i) {
            const double a = clearance(average[i]);
            const double m = clearance(minimum[i]);
            QVERIFY2(a >= s.offsetMm - kTolerance,
                     qPrintable(QString("point %1 only %2 mm inside").arg(i).arg(a)));
            QVERIFY2(m >= s.offsetMm - kTolerance,
                     qPrintable(QString("point %1 only %2 mm inside").arg(i).arg(m)));
            nearWall += a <= s.offsetMm + 25;
            // The same beams: the minimum distance never lies beyond the average.
            QVERIFY(std::hypot(minimum[i].x(), minimum[i].y()) <=
                    std::hypot(average[i].x(), average[i].y()) + 1.5);
        }
        // Most of the outline follows the walls at the offset (the moving object hides a few beams).
        QVERIFY2(nearWall >= 85, qPrintable(QString::number(nearWall)));

        // Simplified: every taught point stays within the bound, in at most 100 points.
        s.method = teach::Method::Average;
        s.simplify = true;
        s.toleranceMm = 30;
        const QVector<QPoint> simple = teach::teachZone(revolutions, s);
        QVERIFY(simple.size() <= kMaxZonePoints);
        QVERIFY(simple.size() < 60); // a room of straight walls needs few
        const QVector<double> distance = teach::combine(revolutions, s.method, s.rangeLimit);
        QVector<double> bearings;
        for (int i = 0; i < distance.size(); ++i)
            bearings << qDegreesToRadians(revolutions[0].firstBearing + revolutions[0].step * i);
        const QVector<double> radius = teach::pullIn(distance, bearings, s.offsetMm);
        QVector<QPointF> taught;
        for (int i = 0; i < radius.size(); ++i)
            if (bearings[i] >= qDegreesToRadians(-60.0) && bearings[i] <= qDegreesToRadians(240.0))
                taught << QPointF(radius[i] * std::cos(bearings[i]), radius[i] * std::sin(bearings[i]));
        QVERIFY(taught.size() > 5000);
        QVERIFY(largestDeviation(taught, simple) <= s.toleranceMm + 1.5);
    }

    void rangeLimitStandsForNoEchoAndTheLimitIsKept()
    {
        teach::Revolution a{{0, 4000, 2000, 65000}, 0, 1};
        teach::Revolution b{{1000, 3000, 0, 100}, 0, 1};
        QCOMPARE(teach::combine({a, b}, teach::Method::Average, 5000),
                 QVector<double>({3000, 3500, 3500, 2550}));
        QCOMPARE(teach::combine({a, b}, teach::Method::Minimum, 5000),
                 QVector<double>({1000, 3000, 2000, 100}));

        // A noisy outline that no tolerance can follow in 100 points gets exactly 100.
        QVector<QPointF> ragged;
        for (int i = 0; i < 12800; ++i)
            ragged << QPointF(i, (i * 7919 % 101) * 3.0);
        const QVector<int> kept = teach::simplify(ragged, 1, kMaxZonePoints);
        QCOMPARE(kept.size(), kMaxZonePoints);
        QCOMPARE(kept.first(), 0);
        QCOMPARE(kept.last(), 12799);
        QVERIFY(std::is_sorted(kept.begin(), kept.end()));
        const QVector<int> even = teach::thinEvenly(12800, kMaxZonePoints);
        QCOMPARE(even.size(), kMaxZonePoints);
        QCOMPARE(even[1] - even[0], 129);
        QCOMPARE(even.last(), 12799);
    }

    void gatheringStartsOverWhenTheResolutionChanges()
    {
        std::unique_ptr<SCAN_DATA> scan(new SCAN_DATA);
        scan->ConnectType = 1;
        teach::Gatherer gatherer(scan.get());
        QSignalSpy done(&gatherer, &teach::Gatherer::Finished);
        gatherer.start(2);
        scan->EtherCount = 6400;
        gatherer.revolutionArrived();
        scan->EtherCount = 3200;
        gatherer.revolutionArrived();
        QCOMPARE(done.count(), 0);
        gatherer.revolutionArrived();
        QCOMPARE(done.count(), 1);
        QCOMPARE(gatherer.revolutions()[0].distance.size(), 3200);
        QCOMPARE(gatherer.revolutions()[0].step, 0.1);
        QVERIFY(!gatherer.running());
    }
};

QTEST_MAIN(TestTeach)
#include "tst_exchange_teach.moc"
