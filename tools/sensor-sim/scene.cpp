#include "scene.h"

#include <QtMath>

#include <algorithm>
#include <limits>

namespace {

// The room, walls parallel to the axes.
constexpr double kLeftWall = -3200;
constexpr double kRightWall = 5500;
constexpr double kFrontWall = 7800;
constexpr double kBackWall = -3600;

constexpr double kPillarX = 2600;
constexpr double kPillarY = 4400;
constexpr double kPillarRadius = 220;

// A black panel on the right wall: distances are measured, but almost nothing comes back.
constexpr double kPanelLow = 600;
constexpr double kPanelHigh = 1000;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Distance along the unit ray (dx, dy) to a circle, or infinity.
double hitCircle(double dx, double dy, double cx, double cy, double radius)
{
    const double along = dx * cx + dy * cy;
    if (along <= 0)
        return kInfinity;
    const double offset2 = cx * cx + cy * cy - along * along;
    const double r2 = radius * radius;
    if (offset2 > r2)
        return kInfinity;
    const double t = along - std::sqrt(r2 - offset2);
    return t > 0 ? t : kInfinity;
}

quint32 mix(quint32 x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

} // namespace

QPointF SimScene::objectCentre(double seconds)
{
    // A slow figure eight in front of the sensor, one lap in about 16 s; it crosses the areas'
    // example zones so the outputs switch now and then.
    const double w = 2 * M_PI / 16.0;
    return {1400 * std::sin(w * seconds), 3300 + 1900 * std::sin(2 * w * seconds) * 0.9};
}

SimScene::Beam SimScene::beam(double bearingDeg, double seconds, quint32 noiseKey) const
{
    const double a = qDegreesToRadians(bearingDeg);
    const double dx = std::cos(a);
    const double dy = std::sin(a);

    double range = kInfinity;
    double reflect = 1.0;
    auto wall = [&](double t, double r) {
        if (t > 0 && t < range) {
            range = t;
            reflect = r;
        }
    };
    if (dx > 1e-9) {
        const double t = kRightWall / dx;
        const double y = t * dy;
        wall(t, (y > kPanelLow && y < kPanelHigh) ? 0.0 : 1.0);
    } else if (dx < -1e-9) {
        wall(kLeftWall / dx, 0.9);
    }
    if (dy > 1e-9)
        wall(kFrontWall / dy, 1.0);
    else if (dy < -1e-9)
        wall(kBackWall / dy, 0.8);
    wall(hitCircle(dx, dy, kPillarX, kPillarY, kPillarRadius), 1.3);
    const QPointF object = objectCentre(seconds);
    wall(hitCircle(dx, dy, object.x(), object.y(), kObjectRadius), 1.6);

    Beam out;
    if (!std::isfinite(range))
        return out;
    const quint32 noise = mix(noiseKey * 2654435761U ^ quint32(qRound(bearingDeg * 1000)));
    const double jitter = double(noise % 11) - 5.0; // +-5 mm
    out.distance = quint16(qBound(0.0, range + jitter, 65535.0));
    // Stronger near, weaker far.
    const double strength = reflect * 8.0e6 / (range + 300.0);
    out.intensity = quint16(qBound(0.0, strength + double((noise >> 8) % 41) - 20.0, 4000.0));
    if (reflect == 0.0)
        out.intensity = 0;
    return out;
}
