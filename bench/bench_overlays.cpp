// Paint cost of the live scan overlays against the frame budget of a 30 Hz scan stream: one
// Ethernet revolution of 12,800 points and one serial scan of 640 beams, drawn by PAINT_OUTLINE
// (and PAINT_STRENGTH) in each display mode into a 1000 x 1000 image. The painter is antialiased,
// as the editor view's raster viewport paints its items. Prints "name value unit" lines.
#include "area/store/project_data.h"
#include "comm/codec/scan_data.h"
#include "editor/paint_outline.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QStyleOptionGraphicsItem>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kImageSide = 1000;
constexpr int kEtherPoints = 12800;
constexpr int kRuns = 60;
constexpr double kFrameMs = 1000.0 / 30.0;
// About level 83 of the view: a 10 m wide room fills the image.
constexpr double kTypicalScale = 0.1;

// Distance to the walls of a 9 x 7 m room from a sensor 3 m from the left wall and 2 m from the
// back wall, with a pillar and some measurement noise; bearing in degrees, counter-clockwise.
double roomDistance(double bearingDeg, int i)
{
    const double a = bearingDeg * M_PI / 180.0;
    const double c = std::cos(a);
    const double s = std::sin(a);
    double d = 1e9;
    if (c > 1e-9)
        d = std::min(d, 6000.0 / c);
    if (c < -1e-9)
        d = std::min(d, -3000.0 / c);
    if (s > 1e-9)
        d = std::min(d, 5000.0 / s);
    if (s < -1e-9)
        d = std::min(d, -2000.0 / s);
    if (bearingDeg > 60 && bearingDeg < 68)
        d = std::min(d, 2500.0); // a pillar
    d += 15.0 * std::sin(i * 1.7);
    return std::max(0.0, std::min(d, 36000.0));
}

// Intensity falls with distance, with a few per cent of noise and a dark run (an open door)
// every 2000 values; the noisy variant jumps by up to 300 from value to value and drops to zero
// every 97 values, a worst case for the intensity contour.
quint16 intensityFor(int i, double distance, bool noisy)
{
    if (noisy)
        return quint16((i % 97) == 0 ? 0 : 800 + (i % 300));
    if (i % 2000 < 40)
        return 0;
    return quint16(std::max(100.0, 2500.0 - distance / 4.0 + 60.0 * std::sin(i * 2.3)));
}

void fillEthernet(SCAN_DATA &scan, bool noisy)
{
    scan.ConnectType = 1;
    scan.EtherCount = kEtherPoints;
    for (int i = 0; i < kEtherPoints; ++i) {
        // The same bearing the overlay gives value i: counter-clockwise from -70 degrees.
        const double screen = 110.0 + 320.0 * (kEtherPoints - i) / kEtherPoints;
        const double bearing = 360.0 - screen;
        scan.EtherDistance[i] = quint16(roomDistance(bearing, i));
        scan.EtherIntensity[i] = intensityFor(i, scan.EtherDistance[i], noisy);
    }
}

void fillSerial(SCAN_DATA &scan)
{
    scan.ConnectType = 0;
    for (int i = 0; i < kSerialBeams; ++i) {
        const double bearing = 250.0 - 0.5 * i;
        scan.SerialDistance[i] = quint16(roomDistance(bearing, i));
        scan.SerialIntensity[i] = quint16(1000 + (i % 200));
    }
}

// Three independent 100-vertex zones in area 0, nested round the sensor: the room's near walls
// fall in them, so every output has points to colour.
void fillBreachZones(PROJECT_DATA &project)
{
    AREA_DATA &area = project.Areas[0];
    const double radii[3] = {4500, 3200, 2200};
    for (int k = 0; k < 3; ++k) {
        area.shape(k) = Polygon;
        QVector<QPoint> &points = area.coord(k);
        points.clear();
        for (int i = 0; i < 100; ++i) {
            const double bearing = (-70.0 + 320.0 * i / 99.0) * M_PI / 180.0;
            const double r = radii[k] * (1.0 + 0.08 * std::sin(i * 0.9));
            points << QPoint(int(r * std::cos(bearing)), int(r * std::sin(bearing)));
        }
    }
    project.CurrentArea = 0;
}

// Median time of one paint of the item, the image cleared between paints (not timed).
double paintMs(SCAN_CONTOUR_ITEM &item, bool antialiased)
{
    QImage image(kImageSide, kImageSide, QImage::Format_ARGB32_Premultiplied);
    QStyleOptionGraphicsItem option;
    std::vector<double> times;
    for (int run = 0; run < kRuns + 1; ++run) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, antialiased);
        painter.translate(kImageSide / 2.0, kImageSide / 2.0);
        painter.scale(kTypicalScale, kTypicalScale);
        QElapsedTimer timer;
        timer.start();
        item.paint(&painter, &option, nullptr);
        painter.end(); // flushes what the paint engine may have batched
        if (run > 0)   // the first run warms the angle table and the buffers
            times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void print(const char *name, double value, const char *unit)
{
    std::printf("%s %.3f %s\n", name, value, unit);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    auto scan = std::make_unique<SCAN_DATA>();
    PROJECT_DATA &project = ProjectData();
    double scale = kTypicalScale;
    const double e = 72000;
    PAINT_OUTLINE outline(e, e, &project, scan.get(), &scale);
    PAINT_STRENGTH strength(e, e, &project, scan.get(), &scale);

    fillEthernet(*scan, false);
    const char *etherNames[] = {"contour_graph_ms", "contour_cloud_ms", "contour_line_ms"};
    const char *etherAliasedNames[] = {"contour_graph_aliased_ms", "contour_cloud_aliased_ms",
                                       "contour_line_aliased_ms"};
    const char *strengthNames[] = {"intensity_graph_ms", "intensity_cloud_ms", "intensity_line_ms"};
    double worst = 0, contourLine = 0;
    for (int mode = 0; mode < 3; ++mode) {
        scan->DisplayMode = mode;
        const double ms = paintMs(outline, true);
        worst = std::max(worst, ms);
        if (mode == 2)
            contourLine = ms;
        print(etherNames[mode], ms, "ms");
        print(etherAliasedNames[mode], paintMs(outline, false), "ms");
        print(strengthNames[mode], paintMs(strength, true), "ms");
    }

    fillEthernet(*scan, true);
    const char *noisyNames[] = {"intensity_graph_noisy_ms", "intensity_cloud_noisy_ms",
                                "intensity_line_noisy_ms"};
    for (int mode = 0; mode < 3; ++mode) {
        scan->DisplayMode = mode;
        print(noisyNames[mode], paintMs(strength, true), "ms");
    }

    fillSerial(*scan);
    const char *serialNames[] = {"serial_contour_ms", "serial_cloud_ms", "serial_line_ms"};
    for (int mode = 0; mode < 3; ++mode) {
        scan->DisplayMode = mode;
        const double ms = paintMs(outline, true);
        worst = std::max(worst, ms);
        print(serialNames[mode], ms, "ms");
    }

    // The breach view: the same revolution over the zones of the displayed area, each value
    // classified against three 100-point zones and drawn, in the slowest display mode.
    fillEthernet(*scan, false);
    fillBreachZones(project);
    double breach = 0;
    const char *breachNames[] = {"breach_graph_ms", "breach_cloud_ms", "breach_line_ms"};
    for (int mode = 0; mode < 3; ++mode) {
        scan->DisplayMode = mode;
        const double ms = paintMs(outline, true);
        print(breachNames[mode], ms, "ms");
        breach = std::max(breach, ms);
    }
    print("breach_paint_ms", breach, "ms");
    print("breach_to_contour_line_ratio", breach / contourLine, "ratio");
    project.Areas[0] = AREA_DATA();

    print("frame_budget_ms", kFrameMs, "ms");
    print("overlay_budget_ms", kFrameMs / 4, "ms");
    print("worst_overlay_share_of_frame", worst / kFrameMs, "ratio");
    return 0;
}
