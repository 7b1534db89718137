// The live scan overlays painted into images: which pixels a scan covers, in which colour, for
// serial and Ethernet scans, both install directions and the three display modes.
#include "area/geometry/polar.h"
#include "area/store/project_data.h"
#include "comm/codec/scan_data.h"
#include "editor/paint_outline.h"

#include <QImage>
#include <QPainter>
#include <QStandardPaths>
#include <QStyleOptionGraphicsItem>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

constexpr double kExtent = 72000;

// Pixel of a sensor point given by bearing (degrees, counter-clockwise from +X) and distance, in an
// image of the given side centred on the sensor at the given pixels per millimetre.
QPoint pixelAt(double bearingDeg, double r, double scale, int side)
{
    const double a = bearingDeg * M_PI / 180.0;
    return QPoint(int(std::floor(side / 2.0 + scale * r * std::cos(a))),
                  int(std::floor(side / 2.0 - scale * r * std::sin(a))));
}

QImage render(QGraphicsItem &item, double scale, int side, QColor background = Qt::white)
{
    // The raster engine's own format: no conversion between painting and reading back.
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter painter(&image);
    painter.translate(side / 2.0, side / 2.0);
    painter.scale(scale, scale);
    QStyleOptionGraphicsItem option;
    item.paint(&painter, &option, nullptr);
    painter.end();
    return image;
}

// Bearing of a contour point in scene coordinates (scene y points down).
double bearingOf(const QPointF &scenePoint)
{
    return polar::degrees(int(scenePoint.x()), int(-scenePoint.y()));
}

int pixelsOtherThan(const QImage &image, QRgb background)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) != background;
    return count;
}

// Blending rounds by the processor's routine: a colour is the expected one within a few steps.
bool isColour(QRgb got, QRgb want)
{
    return qAbs(qRed(got) - qRed(want)) <= 3 && qAbs(qGreen(got) - qGreen(want)) <= 3 &&
           qAbs(qBlue(got) - qBlue(want)) <= 3;
}

bool windowHas(const QImage &image, QPoint centre, QRgb colour)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (isColour(image.pixel(centre + QPoint(dx, dy)), colour))
                return true;
    return false;
}

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kGreenOnWhite = qRgb(175, 255, 175); // RGBA (0, 255, 0, 80) over white
const QRgb kBlueOnWhite = qRgb(205, 205, 255);  // RGBA (0, 0, 255, 50) over white

} // namespace

class TestOverlays : public QObject {
    Q_OBJECT

    std::unique_ptr<SCAN_DATA> scan;
    double scale = 1.0;

    void fillSerial(quint16 distance, quint16 intensity)
    {
        scan->ConnectType = 0;
        std::fill(std::begin(scan->SerialDistance), std::end(scan->SerialDistance), distance);
        std::fill(std::begin(scan->SerialIntensity), std::end(scan->SerialIntensity), intensity);
    }

    void fillEthernet(int count, quint16 distance, quint16 intensity)
    {
        scan->ConnectType = 1;
        scan->EtherCount = count;
        std::fill(scan->EtherDistance, scan->EtherDistance + count, distance);
        std::fill(scan->EtherIntensity, scan->EtherIntensity + count, intensity);
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        scan = std::make_unique<SCAN_DATA>();
        scale = 1.0;
    }

    void serialScanOfEqualDistancesFillsThePieOpenBehind_data()
    {
        QTest::addColumn<double>("bearing");
        QTest::addColumn<double>("distance");
        QTest::addColumn<bool>("covered");
        QTest::newRow("ahead") << 90.0 << 2500.0 << true;
        QTest::newRow("left") << 180.0 << 4000.0 << true;
        QTest::newRow("right") << 0.0 << 4000.0 << true;
        QTest::newRow("near the right edge of the sector") << -66.0 << 4000.0 << true;
        QTest::newRow("near the left edge of the sector") << 246.0 << 4000.0 << true;
        QTest::newRow("straight behind") << 270.0 << 2500.0 << false;
        QTest::newRow("behind right, outside the sector") << -76.0 << 4000.0 << false;
        QTest::newRow("behind left, outside the sector") << 256.0 << 4000.0 << false;
        QTest::newRow("beyond the measured distance") << 90.0 << 5400.0 << false;
    }
    void serialScanOfEqualDistancesFillsThePieOpenBehind()
    {
        QFETCH(double, bearing);
        QFETCH(double, distance);
        QFETCH(bool, covered);
        fillSerial(5000, 0);
        scan->DisplayMode = 0;
        scale = 0.05;
        PAINT_OUTLINE outline(kExtent, kExtent, &ProjectData(), scan.get(), &scale);
        const QImage image = render(outline, scale, 600);
        QVERIFY(
            isColour(image.pixel(pixelAt(bearing, distance, scale, 600)), covered ? kGreenOnWhite : kWhite));
    }

    // Over the displayed area's zones the scan shows what trips: the values inside a zone as dots of
    // that zone's colour (the nearest, most severe zone wins), the rest and the contour in neutral
    // grey, and no fill that would mix with the zones.
    void scanPointsInsideAZoneTakeItsColour_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("graph") << 0;
        QTest::newRow("cloud") << 1;
        QTest::newRow("line") << 2;
    }
    void scanPointsInsideAZoneTakeItsColour()
    {
        QFETCH(int, mode);
        PROJECT_DATA &project = ProjectData();
        project.resetToStartup();
        AREA_DATA &area = project.Areas[7];
        area.Out1Shape = Arc; // the front half out to 6 m
        area.Out1Coord = {QPoint(6000, 0), QPoint(-6000, 0)};
        area.Out3Shape = Polygon; // a narrow wedge ahead, out to 5.5 m
        area.Out3Coord = {QPoint(1000, 5500), QPoint(-1000, 5500)};
        project.CurrentArea = 7;
        fillSerial(5000, 0); // a wall all round at 5 m
        scan->DisplayMode = mode;
        scale = 0.05;
        PAINT_OUTLINE outline(kExtent, kExtent, &project, scan.get(), &scale);
        const QImage image = render(outline, scale, 600);

        const QVector<signed char> &inside = outline.breaches();
        QCOMPARE(inside.size(), 642);
        // Serial beam i looks at bearing 250 - i/2.
        auto beam = [](double bearing) { return 1 + int(std::lround((250.0 - bearing) * 2)); };
        QCOMPARE(int(inside[beam(45)]), 0);   // in the front half, at 5 m < 6 m
        QCOMPARE(int(inside[beam(-45)]), -1); // behind the X axis: outside the arc
        QCOMPARE(int(inside[beam(90)]), 2);   // in both zones: Out 3, the nearer field, wins
        QCOMPARE(int(inside.first()), -1);    // the sensor itself is no measurement
        const QPoint dot = pixelAt(45, 5000, scale, 600);
        const QColor drawn = image.pixelColor(dot);
        QVERIFY2(qAbs(drawn.red() - PAINT_OUTLINE::breachColour(0).red()) < 40 &&
                     qAbs(drawn.green() - PAINT_OUTLINE::breachColour(0).green()) < 40 && drawn.blue() < 80,
                 qPrintable(drawn.name()));
        // Ringed in black, so that it shows on a zone of its own colour: just beyond the wall, outward.
        QCOMPARE(image.pixelColor(dot + QPoint(2, -2)), QColor(Qt::black));
        const QColor plain = image.pixelColor(pixelAt(-45, 5000, scale, 600));
        QVERIFY2(plain.red() == plain.green() && plain.green() == plain.blue(), qPrintable(plain.name()));
        // Inside the contour, away from it: nothing painted.
        QCOMPARE(image.pixel(pixelAt(90, 2500, scale, 600)), kWhite);
        project.resetToStartup();
    }

    void intensityContourUsesTheIntensityValuesAsRadius()
    {
        fillSerial(5000, 2000);
        scan->DisplayMode = 0;
        scale = 0.05;
        PAINT_STRENGTH strength(kExtent, kExtent, &ProjectData(), scan.get(), &scale);
        const QImage image = render(strength, scale, 600);
        QVERIFY(isColour(image.pixel(pixelAt(90, 1500, scale, 600)), kBlueOnWhite));
        QCOMPARE(image.pixel(pixelAt(90, 3000, scale, 600)), kWhite);
        QCOMPARE(image.pixel(pixelAt(270, 1000, scale, 600)), kWhite);
    }

    void beamsRunThroughTheSeenSectorInHalfDegreeSteps_data()
    {
        QTest::addColumn<int>("connectType");
        QTest::addColumn<bool>("installDir");
        QTest::addColumn<double>("first");
        QTest::addColumn<double>("last");
        QTest::addColumn<double>("step"); // bearing change from one value to the next
        QTest::newRow("serial") << 0 << false << 250.0 << -69.5 << -0.5;
        QTest::newRow("serial ignores the install direction") << 0 << true << 250.0 << -69.5 << -0.5;
        QTest::newRow("Ethernet") << 1 << false << -70.0 << 249.5 << 0.5;
        QTest::newRow("Ethernet mounted the other way") << 1 << true << 250.0 << -69.5 << -0.5;
    }
    void beamsRunThroughTheSeenSectorInHalfDegreeSteps()
    {
        QFETCH(int, connectType);
        QFETCH(bool, installDir);
        QFETCH(double, first);
        QFETCH(double, last);
        QFETCH(double, step);
        fillSerial(10000, 1);
        fillEthernet(640, 10000, 1);
        scan->ConnectType = connectType;
        scan->InstallDir = installDir;
        PAINT_OUTLINE outline(kExtent, kExtent, &ProjectData(), scan.get(), &scale);
        const QPolygonF contour = outline.contour(false);
        QCOMPARE(contour.size(), 642);
        QCOMPARE(contour.first(), QPointF(0, 0));
        QCOMPARE(contour.last(), QPointF(0, 0));
        QVERIFY2(qAbs(bearingOf(contour[1]) - first) < 0.02,
                 qPrintable(QString::number(bearingOf(contour[1]))));
        QVERIFY2(qAbs(bearingOf(contour[640]) - last) < 0.02,
                 qPrintable(QString::number(bearingOf(contour[640]))));
        for (int i : {1, 200, 500})
            QVERIFY(qAbs(bearingOf(contour[i + 1]) - bearingOf(contour[i]) - step) < 0.02);
    }

    void ethernetContourMirrorsWhenTheInstallDirectionFlips()
    {
        // A near object over values 100..119 of a wall 3 m away all round.
        fillEthernet(640, 3000, 500);
        std::fill(scan->EtherDistance + 100, scan->EtherDistance + 120, quint16(1000));
        scan->DisplayMode = 0;
        scale = 0.05;
        PAINT_OUTLINE outline(kExtent, kExtent, &ProjectData(), scan.get(), &scale);
        // Value 110 lies at bearing -15 degrees, or mirrored at 195 degrees.
        const QPoint right = pixelAt(-15, 2000, scale, 600);
        const QPoint left = pixelAt(195, 2000, scale, 600);

        scan->InstallDir = false;
        QImage image = render(outline, scale, 600);
        QCOMPARE(image.pixel(right), kWhite);
        QVERIFY(isColour(image.pixel(left), kGreenOnWhite));

        scan->InstallDir = true;
        image = render(outline, scale, 600);
        QVERIFY(isColour(image.pixel(right), kGreenOnWhite));
        QCOMPARE(image.pixel(left), kWhite);
    }

    void ethernetLineBreaksAtALargeStepOrAnUnseenPoint_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("zeroIntensityAt"); // -1 for none
        QTest::addColumn<bool>("broken");
        QTest::newRow("199 mm further") << 199 << -1 << false;
        QTest::newRow("200 mm further") << 200 << -1 << true;
        QTest::newRow("200 mm nearer") << -200 << -1 << true;
        QTest::newRow("small step, seen at both ends") << 100 << -1 << false;
        QTest::newRow("small step, no intensity before it") << 100 << 319 << true;
        QTest::newRow("small step, no intensity after it") << 100 << 320 << true;
    }
    void ethernetLineBreaksAtALargeStepOrAnUnseenPoint()
    {
        QFETCH(int, step);
        QFETCH(int, zeroIntensityAt);
        QFETCH(bool, broken);
        fillEthernet(640, 3000, 500);
        std::fill(scan->EtherDistance + 320, scan->EtherDistance + 640, quint16(3000 + step));
        if (zeroIntensityAt >= 0)
            scan->EtherIntensity[zeroIntensityAt] = 0;
        scan->DisplayMode = 2;
        scale = 0.1;
        PAINT_OUTLINE outline(kExtent, kExtent, &ProjectData(), scan.get(), &scale);
        const QPolygonF contour = outline.contour(false);
        // The segment from value 319 to value 320, straight ahead of the sensor.
        const QPointF middle = (contour[320] + contour[321]) / 2;
        const QPoint pixel(int(std::floor(400 + scale * middle.x())),
                           int(std::floor(400 + scale * middle.y())));
        const QImage image = render(outline, scale, 800, Qt::black);

        const QRgb green = qRgb(0, 255, 0);
        const QRgb grey = qRgb(240, 240, 240);
        QCOMPARE(windowHas(image, pixel, broken ? grey : green), true);
        QCOMPARE(windowHas(image, pixel, broken ? green : grey), false);
        // The wall away from the step stays green.
        QVERIFY(windowHas(image, pixelAt(180, 3000 + step, scale, 800), green));
    }

    void pointsAndLinesStayAboutTwoPixelsWideAtAnyZoom_data()
    {
        QTest::addColumn<int>("connectType");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("side"); // of the drawn square at scale 4, in pixels
        QTest::newRow("serial cloud") << 0 << 1 << 2;
        QTest::newRow("Ethernet cloud") << 1 << 1 << 6;
    }
    void pointsAndLinesStayAboutTwoPixelsWideAtAnyZoom()
    {
        QFETCH(int, connectType);
        QFETCH(int, mode);
        QFETCH(int, side);
        // Every value 0: the whole contour is one point on the sensor.
        fillSerial(0, 0);
        fillEthernet(640, 0, 0);
        scan->ConnectType = connectType;
        scan->DisplayMode = mode;
        scale = 4;
        PAINT_OUTLINE outline(kExtent, kExtent, &ProjectData(), scan.get(), &scale);
        QCOMPARE(pixelsOtherThan(render(outline, scale, 40), kWhite), side * side);
        PAINT_STRENGTH strength(kExtent, kExtent, &ProjectData(), scan.get(), &scale);
        QCOMPARE(pixelsOtherThan(render(strength, scale, 40), kWhite), side * side);
    }

    void cloudAndLineModesDrawTheContourWithoutFilling_data()
    {
        QTest::addColumn<int>("connectType");
        QTest::addColumn<int>("mode");
        QTest::newRow("serial cloud") << 0 << 1;
        QTest::newRow("serial line") << 0 << 2;
        QTest::newRow("Ethernet cloud") << 1 << 1;
        QTest::newRow("Ethernet line") << 1 << 2;
    }
    void cloudAndLineModesDrawTheContourWithoutFilling()
    {
        QFETCH(int, connectType);
        QFETCH(int, mode);
        fillSerial(5000, 100);
        fillEthernet(640, 5000, 100);
        scan->ConnectType = connectType;
        scan->DisplayMode = mode;
        scale = 0.05;
        PAINT_OUTLINE outline(kExtent, kExtent, &ProjectData(), scan.get(), &scale);
        const QImage image = render(outline, scale, 600);
        QCOMPARE(image.pixel(pixelAt(90, 2500, scale, 600)), kWhite);
        const QRgb onContour = image.pixel(pixelAt(90, 5000, scale, 600));
        QVERIFY2(qGreen(onContour) == 255 && qRed(onContour) < 100,
                 qPrintable(QString::number(onContour, 16)));
    }

    void aRevolutionDrawsTheSamePixelsAsEveryValueWouldAtAnyZoom_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<double>("scale");
        QTest::newRow("graph, zoomed out") << 0 << 0.02;
        QTest::newRow("graph, typical") << 0 << 0.1;
        QTest::newRow("line, zoomed out") << 2 << 0.02;
        QTest::newRow("line, typical") << 2 << 0.1;
        QTest::newRow("line, zoomed in") << 2 << 0.25;
    }
    void aRevolutionDrawsTheSamePixelsAsEveryValueWouldAtAnyZoom()
    {
        // Fewer vertices may be sent to the screen, never a different picture: compare with the
        // full contour drawn directly, value by value.
        QFETCH(int, mode);
        QFETCH(double, scale);
        this->scale = scale;
        scan->ConnectType = 1;
        scan->EtherCount = 12800;
        for (int i = 0; i < 12800; ++i) {
            scan->EtherIntensity[i] = quint16(1500 + 300 * std::sin(i * 2.3) + 200 * std::sin(i * 0.01));
            scan->EtherDistance[i] = 3000;
        }
        scan->DisplayMode = mode;
        PAINT_STRENGTH strength(kExtent, kExtent, &ProjectData(), scan.get(), &this->scale);
        const int side = 800;
        const QImage drawn = render(strength, scale, side);

        QImage reference(side, side, QImage::Format_ARGB32);
        reference.fill(Qt::white);
        QPainter painter(&reference);
        painter.translate(side / 2.0, side / 2.0);
        painter.scale(scale, scale);
        const QPolygonF every = strength.contour(true);
        if (mode == 0) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0, 0, 255, 50));
            painter.drawPolygon(every, Qt::WindingFill);
            QPen outline(Qt::gray, 1.0);
            outline.setCosmetic(true);
            painter.setPen(outline);
            painter.setBrush(Qt::NoBrush);
            painter.drawPolygon(every, Qt::WindingFill);
        } else {
            painter.setPen(QPen(QBrush(Qt::blue), 2.0 / scale, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
            // Square-capped segments, one per pair of neighbouring values.
            QVector<QLineF> lines;
            for (int i = 1; i < every.size(); ++i)
                lines << QLineF(every[i - 1], every[i]);
            painter.drawLines(lines);
        }
        painter.end();

        int painted = 0;
        int differing = 0;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                painted += reference.pixel(x, y) != kWhite;
                differing += reference.pixel(x, y) != drawn.pixel(x, y);
            }
        QVERIFY(painted > 1000);
        // Only edge pixels may differ.
        QVERIFY2(differing * 20 < painted, qPrintable(QString("%1 of %2").arg(differing).arg(painted)));
    }

    void unknownModesAndConnectionsDrawNothing_data()
    {
        QTest::addColumn<int>("connectType");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("etherCount");
        QTest::newRow("display mode 3") << 0 << 3 << 640;
        QTest::newRow("display mode -1") << 1 << -1 << 640;
        QTest::newRow("connection type 2") << 2 << 0 << 640;
        QTest::newRow("no Ethernet revolution yet") << 1 << 0 << 0;
        QTest::newRow("count past the ring") << 1 << 2 << kEtherRing + 1;
        QTest::newRow("negative count") << 1 << 1 << -5;
    }
    void unknownModesAndConnectionsDrawNothing()
    {
        QFETCH(int, connectType);
        QFETCH(int, mode);
        QFETCH(int, etherCount);
        fillSerial(5000, 5000);
        fillEthernet(640, 5000, 5000);
        scan->EtherCount = etherCount;
        scan->ConnectType = connectType;
        scan->DisplayMode = mode;
        scale = 0.05;
        PAINT_OUTLINE outline(kExtent, kExtent, &ProjectData(), scan.get(), &scale);
        PAINT_STRENGTH strength(kExtent, kExtent, &ProjectData(), scan.get(), &scale);
        // At most the sensor point itself.
        QVERIFY(pixelsOtherThan(render(outline, scale, 600), kWhite) <= 4);
        QVERIFY(pixelsOtherThan(render(strength, scale, 600), kWhite) <= 4);
    }
};

QTEST_MAIN(TestOverlays)
#include "tst_overlays.moc"
