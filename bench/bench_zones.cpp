// Paint cost of the editor's three zone items and of the 64 area thumbnails, against the frame
// budget of a 30 Hz scan stream. Prints "name value unit" lines.
#include "area/geometry/polar.h"
#include "area/geometry/zone_geometry.h"
#include "area/store/project_data.h"
#include "comm/codec/scan_data.h"
#include "editor/paint_out.h"
#include "editor/paint_table.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr double kExtent = 12000; // the smallest scene, so zones cover most of the image
constexpr int kZonePoints = 100;

// A ragged zone of n vertices over the seen 320 degrees, reaching about `reach` mm.
QVector<QPoint> raggedZone(int n, float reach, int seed)
{
    QVector<QPoint> points;
    for (int i = 0; i < n; ++i) {
        const float bearing = -70.f + 320.f * i / (n - 1);
        const float r = reach * (0.8f + 0.2f * std::sin(0.37f * i + seed));
        points << polar::toPointDegrees(r, bearing);
    }
    return points;
}

void fillArea(AREA_DATA &area, bool dependent)
{
    area.Out1Shape = Polygon;
    area.Out1Coord = raggedZone(kZonePoints, 5500, 1);
    if (dependent) {
        area.Out2Shape = Straight;
        area.Out2Coord = {{0, 3000}};
        area.Out3Shape = Fan;
        area.Out3Coord = {{0, 2000}};
    } else {
        area.Out2Shape = Polygon;
        area.Out2Coord = raggedZone(kZonePoints, 4000, 2);
        area.Out3Shape = Polygon;
        area.Out3Coord = raggedZone(kZonePoints, 2500, 3);
    }
}

double medianMs(int runs, const std::function<void()> &body)
{
    std::vector<double> times;
    body(); // warm-up
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        body();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double zonesPaintMs(bool dependent)
{
    PROJECT_DATA project;
    fillArea(project.Areas[0], dependent);
    QGraphicsScene scene(-kExtent / 2, -kExtent / 2, kExtent, kExtent);
    auto *out1 = new PAINT_OUT1(kExtent, kExtent, &project, &ScanData());
    auto *out2 = new PAINT_OUT2(kExtent, kExtent, &project, &ScanData());
    auto *out3 = new PAINT_OUT3(kExtent, kExtent, &project, &ScanData());
    scene.addItem(out1);
    scene.addItem(out2);
    scene.addItem(out3);
    QObject::connect(out1, &PAINT_OUT1::PaintOut1Path, out2, &PAINT_OUT2::PaintOut1Path);
    QObject::connect(out2, &PAINT_OUT2::PaintOut2Path, out3, &PAINT_OUT3::PaintOut2Path);
    QImage image(1000, 1000, QImage::Format_ARGB32_Premultiplied);
    const double ms = medianMs(200, [&] {
        image.fill(Qt::white);
        QPainter painter(&image);
        scene.render(&painter, QRectF(0, 0, 1000, 1000), scene.sceneRect());
    });
    // Guard against timing an empty paint: the zones must cover a good part of the image.
    int covered = 0;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            covered += image.pixel(x, y) != qRgb(255, 255, 255);
    std::printf("zones_paint_%s_covered %.1f %%\n", dependent ? "straight_fan" : "100pt",
                100.0 * covered / (250 * 250));
    return ms;
}

double thumbnailsPaintMs(bool dependent)
{
    PROJECT_DATA project;
    for (AREA_DATA &area : project.Areas)
        fillArea(area, dependent);
    std::vector<PAINT_TABLE *> thumbs;
    for (int i = 0; i < kAreaCount; ++i) {
        thumbs.push_back(new PAINT_TABLE(i, &project));
        thumbs.back()->resize(160, 100);
    }
    QImage image(160, 100, QImage::Format_ARGB32_Premultiplied);
    const double ms = medianMs(50, [&] {
        for (PAINT_TABLE *thumb : thumbs) {
            image.fill(Qt::white);
            thumb->render(&image);
        }
    });
    qDeleteAll(thumbs);
    return ms;
}

// The derivations alone, on a 100-vertex base: what each dependent zone adds to a paint.
void clipCosts()
{
    const zone::Zone base =
        zone::build(Polygon, raggedZone(kZonePoints, 5500, 1), QPainterPath(), QSizeF(), false);
    QPainterPath sink;
    const double straightMs =
        medianMs(200, [&] { sink = zone::straightZone(base.passOn, 3000, QSizeF(kExtent, kExtent)); });
    const double fanMs = medianMs(200, [&] { sink = zone::fanZone(base.passOn, 2000); });
    std::printf("straight_clip_100pt_us %.1f us\n", straightMs * 1000);
    std::printf("fan_clip_100pt_us %.1f us\n", fanMs * 1000);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    std::printf("frame_budget_ms 33.3 ms\n");
    std::printf("zones_goal_ms 3.3 ms\n");
    std::printf("thumbnails_goal_ms 16.5 ms\n");
    clipCosts();
    std::printf("zones_paint_100pt_ms %.3f ms\n", zonesPaintMs(false));
    std::printf("zones_paint_straight_fan_ms %.3f ms\n", zonesPaintMs(true));
    std::printf("thumbnails_paint_64_ms %.3f ms\n", thumbnailsPaintMs(false));
    std::printf("thumbnails_paint_64_straight_fan_ms %.3f ms\n", thumbnailsPaintMs(true));
    return 0;
}
