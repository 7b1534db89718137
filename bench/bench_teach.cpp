// Computing a taught zone, gathering excluded: 10 revolutions of 12,800 points (0.025 degrees) of a
// room, combined, pulled in by the offset and simplified, against the 33 ms frame of a 30 Hz stream.
// Prints "name value unit" lines.
#include "editor/teach_in.h"

#include <QElapsedTimer>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <cstdio>

int main()
{
    constexpr int kPoints = 12800;
    QVector<teach::Revolution> revolutions;
    for (int rev = 0; rev < 10; ++rev) {
        teach::Revolution r;
        r.firstBearing = -70;
        r.step = 320.0 / kPoints;
        for (int i = 0; i < kPoints; ++i) {
            const double a = qDegreesToRadians(r.firstBearing + r.step * i);
            const double dx = std::cos(a), dy = std::sin(a);
            double t = 1e9;
            if (dx > 1e-9)
                t = std::min(t, 5500 / dx);
            if (dx < -1e-9)
                t = std::min(t, -3200 / dx);
            if (dy > 1e-9)
                t = std::min(t, 7800 / dy);
            if (dy < -1e-9)
                t = std::min(t, -3600 / dy);
            const int noise = int((i * 2654435761u + rev * 40503u) % 11) - 5;
            r.distance << quint16(std::min(65535.0, t + noise));
        }
        revolutions << r;
    }
    teach::Settings s;
    s.offsetMm = 200;
    s.simplify = true;
    s.toleranceMm = 20;
    s.rangeLimit = 30000;
    double best = HUGE_VAL;
    int points = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer clock;
        clock.start();
        points = teach::teachZone(revolutions, s).size();
        best = std::min(best, clock.nsecsElapsed() / 1e6);
    }
    std::printf("teach_ms %.2f ms\n", best);
    std::printf("teach_points %d points\n", points);
    std::printf("teach_frame_budget_ratio %.3f ratio\n", best / 33.3);
    return 0;
}
