// The editor's zone items and the area thumbnails, checked on painted pixels and emitted paths.
#include "area/geometry/polar.h"
#include "area/store/project_data.h"
#include "comm/codec/scan_data.h"
#include "editor/paint_out.h"
#include "editor/paint_table.h"

#include <QDir>
#include <QGraphicsScene>
#include <QPainter>
#include <QtTest>

typedef QVector<QPoint> Points;
Q_DECLARE_METATYPE(Points)

namespace {

// The three zone items in a scene of extent 12000 mm, painted at 20 mm per pixel.
struct Editor {
    static constexpr double kExtent = 12000;
    static constexpr int kPixels = 600;

    PROJECT_DATA project;
    QGraphicsScene scene;
    PAINT_OUT1 *out1;
    PAINT_OUT2 *out2;
    PAINT_OUT3 *out3;

    Editor()
    {
        scene.setSceneRect(-kExtent / 2, -kExtent / 2, kExtent, kExtent);
        out1 = new PAINT_OUT1(kExtent, kExtent, &project, &ScanData());
        out2 = new PAINT_OUT2(kExtent, kExtent, &project, &ScanData());
        out3 = new PAINT_OUT3(kExtent, kExtent, &project, &ScanData());
        scene.addItem(out1);
        scene.addItem(out2);
        scene.addItem(out3);
        QObject::connect(out1, &PAINT_OUT1::PaintOut1Path, out2, &PAINT_OUT2::PaintOut1Path);
        QObject::connect(out2, &PAINT_OUT2::PaintOut2Path, out3, &PAINT_OUT3::PaintOut2Path);
    }

    AREA_DATA &area() { return project.Areas[qBound(0, project.CurrentArea, kAreaCount - 1)]; }
    PAINT_OUT_ITEM *item(int output)
    {
        PAINT_OUT_ITEM *items[3] = {out1, out2, out3};
        return items[output];
    }
    void set(int output, int shape, const Points &points)
    {
        area().shape(output) = shape;
        area().coord(output) = points;
    }

    QImage render()
    {
        QImage image(kPixels, kPixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        scene.render(&painter, QRectF(0, 0, kPixels, kPixels), scene.sceneRect());
        return image;
    }
    // The chain hands outlines on while painting; a second frame shows every dependent zone
    // derived from the current base, as the view does after the repaint a new base requests.
    QImage renderSettled()
    {
        render();
        return render();
    }
    QImage renderOnly(int output)
    {
        renderSettled();
        for (int i = 0; i < 3; ++i)
            item(i)->setVisible(i == output);
        const QImage image = render();
        for (int i = 0; i < 3; ++i)
            item(i)->setVisible(true);
        return image;
    }
    static QPoint pixelOf(double x, double y)
    {
        const double mmPerPixel = kExtent / kPixels;
        return QPoint(int((x + kExtent / 2) / mmPerPixel), int((kExtent / 2 - y) / mmPerPixel));
    }
    static QColor at(const QImage &image, double x, double y) { return image.pixelColor(pixelOf(x, y)); }
};

bool near(const QColor &c, const QColor &expected, int tolerance = 3)
{
    return std::abs(c.red() - expected.red()) <= tolerance &&
           std::abs(c.green() - expected.green()) <= tolerance &&
           std::abs(c.blue() - expected.blue()) <= tolerance &&
           std::abs(c.alpha() - expected.alpha()) <= tolerance;
}

QString describe(const QColor &c)
{
    return QString("rgba(%1,%2,%3,%4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

bool blank(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return false;
    return true;
}

QImage renderThumbnail(PAINT_TABLE &thumb, QSize size = QSize(200, 100))
{
    thumb.resize(size);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    thumb.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

// Thumbnail pixel d pixels from the centre along a sensor bearing.
QColor thumbAt(const QImage &image, double d, double bearing)
{
    const double a = qDegreesToRadians(bearing);
    return image.pixelColor(image.width() / 2 + qRound(d * std::cos(a)),
                            image.height() / 2 - qRound(d * std::sin(a)));
}

Points arc(float r, float from, float to)
{
    return {polar::toPointDegrees(r, from), polar::toPointDegrees(r, to)};
}

const QColor kOut1(255, 255, 128), kOut2(255, 128, 0), kOut3(255, 0, 0);

QColor withAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

} // namespace

class TestZones : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void itemsUseTheirColourMoreOpaqueWhenEdited_data();
    void itemsUseTheirColourMoreOpaqueWhenEdited();
    void itemsDrawTheCurrentArea_data();
    void itemsDrawTheCurrentArea();
    void dependentOut2IsCutFromOut1_data();
    void dependentOut2IsCutFromOut1();
    void ratioOut3OverRatioOut2ScalesTheOut1Zone();
    void wrongPointCountsDrawAndEmitNothing_data();
    void wrongPointCountsDrawAndEmitNothing();
    void dependentKeepsLastBaseWhenFeederDrawsNothing();
    void itemsCoverTheWholeSceneSquare_data();
    void itemsCoverTheWholeSceneSquare();
    void thumbnailFitsFarthestVertexAt50Pixels_data();
    void thumbnailFitsFarthestVertexAt50Pixels();
    void thumbnailOut3FollowsItsOwnOut2();
    void thumbnailDependentOut3MoreOpaqueWhenOut3Edited_data();
    void thumbnailDependentOut3MoreOpaqueWhenOut3Edited();
    void thumbnailWithoutZonesShowsOnlyAxes_data();
    void thumbnailWithoutZonesShowsOnlyAxes();
    void renderSamplesForInspection();
};

void TestZones::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestZones::itemsUseTheirColourMoreOpaqueWhenEdited_data()
{
    QTest::addColumn<int>("currentOutput");
    QTest::newRow("Out1 edited") << 0;
    QTest::newRow("Out2 edited") << 1;
    QTest::newRow("Out3 edited") << 2;
}

void TestZones::itemsUseTheirColourMoreOpaqueWhenEdited()
{
    QFETCH(int, currentOutput);
    Editor e;
    e.project.CurrentOutput = currentOutput;
    // Three separate sectors: Out1 to the right, Out2 to the left, Out3 straight ahead.
    e.set(0, Polygon, {{4000, 0}, {4000, 3000}});
    e.set(1, Polygon, {{-4000, 0}, {-4000, 3000}});
    e.set(2, Polygon, {{-1000, 4000}, {1000, 4000}});
    const QImage image = e.renderSettled();
    const QPointF probes[3] = {{3000, 1000}, {-3000, 1000}, {0, 3000}};
    const QColor colours[3] = {kOut1, kOut2, kOut3};
    for (int output = 0; output < 3; ++output) {
        const QColor expected = withAlpha(colours[output], output == currentOutput ? 200 : 125);
        const QColor got = Editor::at(image, probes[output].x(), probes[output].y());
        QVERIFY2(near(got, expected), qPrintable(QString("Out%1 %2").arg(output + 1).arg(describe(got))));
    }
    QCOMPARE(Editor::at(image, 0, -3000).alpha(), 0); // behind the sensor, no zone
    QCOMPARE(Editor::at(image, 5000, 5000).alpha(), 0);
}

void TestZones::itemsDrawTheCurrentArea_data()
{
    QTest::addColumn<int>("currentArea");
    QTest::addColumn<int>("zoneArea");
    QTest::addColumn<bool>("drawn");
    QTest::newRow("its own area") << 5 << 5 << true;
    QTest::newRow("another area") << 4 << 5 << false;
    QTest::newRow("index past the end reads the last area") << 99 << 63 << true;
}

void TestZones::itemsDrawTheCurrentArea()
{
    QFETCH(int, currentArea);
    QFETCH(int, zoneArea);
    QFETCH(bool, drawn);
    Editor e;
    e.project.Areas[zoneArea].Out1Coord = {{-3000, 3000}, {3000, 3000}};
    e.project.CurrentArea = currentArea;
    QSignalSpy spy(e.out1, &PAINT_OUT1::PaintOut1Path);
    const QImage image = e.renderSettled();
    QCOMPARE(Editor::at(image, 0, 2000).alpha() > 0, drawn);
    QVERIFY(!spy.isEmpty()); // an empty polygon still hands on its (empty) zone
    QCOMPARE(spy.last().at(0).value<QPainterPath>().contains(QPointF(0, -2000)), drawn);
}

void TestZones::dependentOut2IsCutFromOut1_data()
{
    QTest::addColumn<int>("shape");
    QTest::addColumn<int>("handle");
    QTest::addColumn<Points>("inside");
    QTest::addColumn<Points>("outside");
    // Out1 is the box from the sensor line up to 5000 ahead, 10000 wide (5000 high).
    QTest::newRow("straight at 2000") << int(Straight) << 2000 << Points{{0, 1900}, {4500, 1000}}
                                      << Points{{0, 2100}, {0, 4500}, {4500, 4500}};
    QTest::newRow("fan at 3000") << int(Fan) << 3000 << Points{{0, 2900}, {2000, 300}, {-2000, 300}}
                                 << Points{{0, 3100}, {2500, 2500}, {-4500, 500}};
    QTest::newRow("ratio at 2500 halves it")
        << int(Ratio) << 2500 << Points{{0, 2400}, {2000, 2000}} << Points{{0, 2600}, {3000, 1000}};
    QTest::newRow("ratio at 5000 keeps it")
        << int(Ratio) << 5000 << Points{{0, 4900}, {4500, 4500}} << Points{{0, 5100}, {5100, 1000}};
    QTest::newRow("ratio beyond keeps it")
        << int(Ratio) << 9000 << Points{{0, 4900}, {4500, 4500}} << Points{{0, 5100}};
}

void TestZones::dependentOut2IsCutFromOut1()
{
    QFETCH(int, shape);
    QFETCH(int, handle);
    QFETCH(Points, inside);
    QFETCH(Points, outside);
    Editor e;
    e.set(0, Polygon, {{-5000, 5000}, {5000, 5000}, {5000, 0}, {-5000, 0}});
    e.set(1, shape, {{0, handle}});
    QSignalSpy spy(e.out2, &PAINT_OUT2::PaintOut2Path);
    const QImage image = e.renderOnly(1);
    for (const QPoint &p : inside)
        QVERIFY2(near(Editor::at(image, p.x(), p.y()), withAlpha(kOut2, 125)),
                 qPrintable(QString("(%1,%2) should be in the zone").arg(p.x()).arg(p.y())));
    for (const QPoint &p : outside)
        QVERIFY2(Editor::at(image, p.x(), p.y()).alpha() == 0,
                 qPrintable(QString("(%1,%2) should be outside").arg(p.x()).arg(p.y())));
    QVERIFY(!spy.isEmpty());
    const QRectF passed = spy.last().at(0).value<QPainterPath>().boundingRect();
    // A ratio hands on its base unscaled; straight and fan hand on the cut zone.
    const double reach = shape == Ratio ? 5000 : handle;
    QVERIFY2(std::abs(passed.top() + reach) < 1, qPrintable(QString::number(passed.top())));
}

void TestZones::ratioOut3OverRatioOut2ScalesTheOut1Zone()
{
    Editor e;
    e.project.CurrentOutput = 2;
    e.set(0, Polygon, {{2000, 5000}, {-2000, 5000}}); // a wedge 5000 high
    e.set(1, Ratio, {{0, 2500}});
    e.set(2, Ratio, {{0, 1000}});
    const QImage out2 = e.renderOnly(1);
    QVERIFY(Editor::at(out2, 0, 2400).alpha() > 0);
    QCOMPARE(Editor::at(out2, 0, 2600).alpha(), 0);
    const QImage out3 = e.renderOnly(2);
    QVERIFY(near(Editor::at(out3, 0, 900), withAlpha(kOut3, 200)));
    QCOMPARE(Editor::at(out3, 0, 1100).alpha(), 0);
    QCOMPARE(Editor::at(out3, 0, 2400).alpha(), 0);
}

void TestZones::wrongPointCountsDrawAndEmitNothing_data()
{
    QTest::addColumn<int>("output");
    QTest::addColumn<int>("shape");
    QTest::addColumn<Points>("points");
    QTest::newRow("Out1 arc with one point") << 0 << int(Arc) << Points{{3000, 0}};
    QTest::newRow("Out1 arc with three points") << 0 << int(Arc) << Points{{3000, 0}, {0, 3000}, {-3000, 0}};
    QTest::newRow("Out1 with a dependent code") << 0 << int(Straight) << Points{{0, 3000}};
    QTest::newRow("Out1 with an unknown code") << 0 << 7 << Points{{3000, 3000}, {-3000, 3000}};
    QTest::newRow("Out2 straight without a point") << 1 << int(Straight) << Points{};
    QTest::newRow("Out2 fan with two points") << 1 << int(Fan) << Points{{0, 1000}, {0, 2000}};
    QTest::newRow("Out2 arc with one point") << 1 << int(Arc) << Points{{0, 1000}};
    QTest::newRow("Out3 ratio without a point") << 2 << int(Ratio) << Points{};
    QTest::newRow("Out3 with an unknown code") << 2 << -1 << Points{{0, 1000}};
}

void TestZones::wrongPointCountsDrawAndEmitNothing()
{
    QFETCH(int, output);
    QFETCH(int, shape);
    QFETCH(Points, points);
    Editor e;
    e.set(0, Polygon, {{-3000, 3000}, {3000, 3000}});
    e.set(1, Polygon, {{-2000, 2000}, {2000, 2000}});
    e.set(output, shape, points);
    QSignalSpy spy1(e.out1, &PAINT_OUT1::PaintOut1Path);
    QSignalSpy spy2(e.out2, &PAINT_OUT2::PaintOut2Path);
    QVERIFY(blank(e.renderOnly(output)));
    if (output == 0)
        QVERIFY(spy1.isEmpty());
    if (output == 1)
        QVERIFY(spy2.isEmpty());
}

void TestZones::dependentKeepsLastBaseWhenFeederDrawsNothing()
{
    Editor e;
    e.set(0, Polygon, {{-3000, 3000}, {3000, 3000}});
    e.set(1, Straight, {{0, 2000}});
    e.renderSettled();
    e.set(0, Arc, {{3000, 0}}); // one point: Out1 draws nothing now
    const QImage image = e.renderOnly(1);
    QVERIFY(Editor::at(image, 0, 1500).alpha() > 0);
    QCOMPARE(Editor::at(image, 0, 2500).alpha(), 0);
}

void TestZones::itemsCoverTheWholeSceneSquare_data()
{
    QTest::addColumn<double>("extent");
    QTest::newRow("Laser05") << 12000.0;
    QTest::newRow("Laser30") << 72000.0;
    QTest::newRow("Laser50") << 120000.0;
}

void TestZones::itemsCoverTheWholeSceneSquare()
{
    QFETCH(double, extent);
    Editor e;
    e.set(0, Polygon, {{-100, 100}, {100, 100}}); // a tiny zone: the item is still the whole square
    const QRectF square(-extent / 2, -extent / 2, extent, extent);
    for (int output = 0; output < 3; ++output) {
        PAINT_OUT_ITEM *item = e.item(output);
        QCOMPARE(item->zValue(), double(output + 1));
        QVERIFY(item->flags() & QGraphicsItem::ItemIsSelectable);
        item->setSize(extent, extent);
        QCOMPARE(item->boundingRect(), square);
        QVERIFY(item->shape().contains(QPointF(extent / 2 - 1, -extent / 2 + 1)));
        QVERIFY(!item->shape().contains(QPointF(extent / 2 + 1, 0)));
    }
    e.scene.setSceneRect(square);
    QCOMPARE(e.scene.items(QPointF(-extent / 2 + 10, extent / 2 - 10)).size(), 3);
}

void TestZones::thumbnailFitsFarthestVertexAt50Pixels_data()
{
    QTest::addColumn<int>("areaIndex");
    QTest::addColumn<float>("out1Reach");
    QTest::addColumn<float>("out2Reach");
    QTest::newRow("6000 and 3000") << 0 << 6000.f << 3000.f;
    QTest::newRow("another area at 1000 and 500") << 1 << 1000.f << 500.f;
    QTest::newRow("last area at 36000 and 18000") << 63 << 36000.f << 18000.f;
}

void TestZones::thumbnailFitsFarthestVertexAt50Pixels()
{
    QFETCH(int, areaIndex);
    QFETCH(float, out1Reach);
    QFETCH(float, out2Reach);
    PROJECT_DATA project;
    // A different, larger area elsewhere must not change this thumbnail's scale.
    project.Areas[areaIndex == 0 ? 1 : 0].Out1Coord = {{0, 40000}, {40000, 0}};
    AREA_DATA &area = project.Areas[areaIndex];
    area.Out1Shape = Arc;
    area.Out1Coord = arc(out1Reach, 30, 150);
    area.Out2Shape = Arc;
    area.Out2Coord = arc(out2Reach, 30, 150);
    PAINT_TABLE thumb(areaIndex, &project);
    const QImage image = renderThumbnail(thumb);
    for (double bearing : {60.0, 120.0}) {
        QVERIFY(near(thumbAt(image, 47, bearing), withAlpha(kOut1, 200)));
        QCOMPARE(thumbAt(image, 53, bearing).alpha(), 0);
        const QColor inOut2 = thumbAt(image, 22, bearing);
        QVERIFY2(inOut2.green() < 180 && inOut2.blue() < 60, qPrintable(describe(inOut2)));
        QVERIFY(near(thumbAt(image, 28, bearing), withAlpha(kOut1, 200)));
    }
    QCOMPARE(thumbAt(image, 30, 270).alpha(), 0); // behind: no zone
}

void TestZones::thumbnailOut3FollowsItsOwnOut2()
{
    PROJECT_DATA project;
    // Area 0: Out2 keeps the whole of Out1, so its Out3 fan covers everything.
    AREA_DATA &a0 = project.Areas[0];
    a0.Out1Shape = Arc;
    a0.Out1Coord = arc(6000, 30, 150);
    a0.Out2Shape = Straight;
    a0.Out2Coord = {{0, 6000}};
    a0.Out3Shape = Fan;
    a0.Out3Coord = {{0, 6000}};
    // Area 1: Out2 is only the 30..60 degree slice, so its Out3 may only be there.
    AREA_DATA &a1 = project.Areas[1];
    a1 = a0;
    a1.Out2Shape = Arc;
    a1.Out2Coord = arc(6000, 30, 60);
    PAINT_TABLE thumb0(0, &project), thumb1(1, &project);
    const QImage image0 = renderThumbnail(thumb0);
    const QImage image1 = renderThumbnail(thumb1);
    QVERIFY2(thumbAt(image0, 30, 120).green() < 110, qPrintable(describe(thumbAt(image0, 30, 120))));
    QVERIFY(thumbAt(image1, 30, 45).green() < 110);
    QVERIFY2(thumbAt(image1, 30, 120).green() > 230, qPrintable(describe(thumbAt(image1, 30, 120))));
    // Area 2: Out2 draws nothing (an arc needs two points), which leaves Out3 nothing to derive from.
    AREA_DATA &a2 = project.Areas[2];
    a2 = a0;
    a2.Out2Shape = Arc;
    a2.Out2Coord = {{0, 3000}};
    PAINT_TABLE thumb2(2, &project);
    const QImage image2 = renderThumbnail(thumb2);
    QVERIFY(near(thumbAt(image2, 30, 45), withAlpha(kOut1, 200)));
    QVERIFY(near(thumbAt(image2, 30, 120), withAlpha(kOut1, 200)));
}

void TestZones::thumbnailDependentOut3MoreOpaqueWhenOut3Edited_data()
{
    QTest::addColumn<int>("out3Shape");
    QTest::addColumn<Points>("out3Points");
    QTest::addColumn<bool>("dimmedUnlessEdited");
    QTest::newRow("straight") << int(Straight) << Points{{0, 4000}} << true;
    QTest::newRow("fan") << int(Fan) << Points{{0, 4000}} << true;
    QTest::newRow("ratio") << int(Ratio) << Points{{0, 4000}} << true;
    QTest::newRow("polygon") << int(Polygon) << Points{{4000, 4000}, {-4000, 4000}} << false;
    QTest::newRow("arc") << int(Arc) << arc(4000, 30, 150) << false;
}

void TestZones::thumbnailDependentOut3MoreOpaqueWhenOut3Edited()
{
    QFETCH(int, out3Shape);
    QFETCH(Points, out3Points);
    QFETCH(bool, dimmedUnlessEdited);
    PROJECT_DATA project;
    AREA_DATA &area = project.Areas[7];
    area.Out1Shape = Arc;
    area.Out1Coord = arc(6000, 30, 150);
    area.Out2Shape = Arc;
    area.Out2Coord = arc(6000, 30, 150);
    area.Out3Shape = out3Shape;
    area.Out3Coord = out3Points;
    PAINT_TABLE thumb(7, &project);
    int green[3];
    for (int current = 0; current < 3; ++current) {
        project.CurrentOutput = current;
        green[current] = thumbAt(renderThumbnail(thumb), 15, 90).green();
    }
    QCOMPARE(green[0], green[1]);
    if (dimmedUnlessEdited)
        QVERIFY2(green[2] + 20 < green[0], qPrintable(QString("%1 %2").arg(green[2]).arg(green[0])));
    else
        QCOMPARE(green[2], green[0]);
}

void TestZones::thumbnailWithoutZonesShowsOnlyAxes_data()
{
    QTest::addColumn<int>("shape");
    QTest::addColumn<Points>("points");
    QTest::newRow("no points") << int(Polygon) << Points{};
    QTest::newRow("one vertex on the sensor") << int(Polygon) << Points{{0, 0}};
    QTest::newRow("arc with one point") << int(Arc) << Points{{3000, 3000}};
}

void TestZones::thumbnailWithoutZonesShowsOnlyAxes()
{
    QFETCH(int, shape);
    QFETCH(Points, points);
    PROJECT_DATA project;
    project.Areas[3].Out1Shape = shape;
    project.Areas[3].Out1Coord = points;
    PAINT_TABLE thumb(3, &project);
    const QImage image = renderThumbnail(thumb, QSize(120, 100));
    int axisPixels = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) == 0)
                continue;
            QVERIFY2(x == 60 || y == 50, qPrintable(QString("pixel %1,%2 off the axes").arg(x).arg(y)));
            ++axisPixels;
        }
    QVERIFY(axisPixels > 50); // dotted, but there
}

void TestZones::renderSamplesForInspection()
{
    struct Sample {
        const char *title;
        int currentOutput;
        int shapes[3];
        Points points[3];
    };
    const Sample samples[] = {
        {"polygons, Out1 edited",
         0,
         {Polygon, Polygon, Arc},
         {{{5000, -1000}, {4500, 3000}, {0, 5500}, {-4500, 3000}, {-5000, -1000}},
          {{3000, -500}, {2500, 2000}, {-1000, 3500}, {-3000, 500}},
          arc(2500, 60, 120)}},
        {"rectangle, straight, fan; Out2 edited",
         1,
         {Rectangle, Straight, Fan},
         {{{-4000, 1000}, {-4000, 5000}, {4000, 5000}, {4000, 1000}}, {{0, 3500}}, {{0, 2500}}}},
        {"arc, ratio, ratio; Out3 edited",
         2,
         {Arc, Ratio, Ratio},
         {arc(5500, -30, 210), {{0, 3500}}, {{0, 1500}}}},
        {"polygon, fan, straight; Out3 edited",
         2,
         {Polygon, Fan, Straight},
         {{{5500, -2000}, {5500, 5500}, {-5500, 5500}, {-5500, -2000}}, {{0, 4000}}, {{0, 2000}}}},
    };
    const int n = int(sizeof(samples) / sizeof(samples[0]));
    const int panel = 400;
    QImage sheet(panel * n, panel + 120, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(48, 48, 48));
    PROJECT_DATA thumbs;
    for (int i = 0; i < n; ++i) {
        Editor e;
        e.project.CurrentOutput = samples[i].currentOutput;
        for (int output = 0; output < 3; ++output) {
            e.set(output, samples[i].shapes[output], samples[i].points[output]);
            thumbs.Areas[i].shape(output) = samples[i].shapes[output];
            thumbs.Areas[i].coord(output) = samples[i].points[output];
        }
        // The edited output on top, as the scene controller orders them.
        for (int output = 0; output < 3; ++output)
            e.item(output)->setZValue(output == samples[i].currentOutput  ? 3
                                      : output < samples[i].currentOutput ? 1
                                                                          : 2);
        e.renderSettled();
        QPainter painter(&sheet);
        e.scene.render(&painter, QRectF(i * panel, 0, panel, panel), e.scene.sceneRect());
        painter.setPen(Qt::lightGray);
        painter.drawLine(i * panel + panel / 2, 0, i * panel + panel / 2, panel);
        painter.drawLine(i * panel, panel / 2, i * panel + panel, panel / 2);
        painter.drawText(i * panel + 6, 16, samples[i].title);
        thumbs.CurrentOutput = samples[i].currentOutput;
        thumbs.SceneWidth = thumbs.SceneHeight = Editor::kExtent;
        PAINT_TABLE thumb(i, &thumbs);
        painter.drawImage(i * panel + 100, panel + 10, renderThumbnail(thumb));
    }
    const QString dir = QStringLiteral(VELTRIN_TEST_OUTPUT);
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(sheet.save(dir + "/zones_samples.png"));
}

QTEST_MAIN(TestZones)
#include "tst_zones.moc"
