#pragma once

// The one polar form of a sensor point, shared by the status bar readout, the coordinate tables,
// the vertex handles, the zones and the area encoder. Kept free of QtGui so QtCore-only code can
// use it. Everything is single precision on purpose: the sensor and the files were built around
// these exact float values, and two readouts of one point must never disagree in the last digit.

#include <QPoint>
#include <cmath>

namespace polar {

constexpr float kTwoPi = 6.2831855f;
constexpr float kThreeHalfPi = 4.712389f;
constexpr float kRadToDeg = 57.29578f;
constexpr float kDegToRad = 0.017453292f;

// Bearing in radians, counter-clockwise from +X, in [-pi/2, 3pi/2): straight behind the sensor
// (-Y) is the lowest angle, so the 40 degree blind wedge never splits a zone in two.
inline float angle(int x, int y)
{
    float a = std::atan2(static_cast<float>(y), static_cast<float>(x)) + kTwoPi;
    if (a >= kThreeHalfPi)
        a -= kTwoPi;
    return a;
}
inline float angle(const QPoint &p)
{
    return angle(p.x(), p.y());
}

// Bearing in degrees, [-90, 270).
inline float degrees(int x, int y)
{
    return angle(x, y) * kRadToDeg;
}
inline float degrees(const QPoint &p)
{
    return degrees(p.x(), p.y());
}

inline float radius(int x, int y)
{
    const float fx = static_cast<float>(x);
    const float fy = static_cast<float>(y);
    return std::sqrt(fx * fx + fy * fy);
}
inline float radius(const QPoint &p)
{
    return radius(p.x(), p.y());
}

// Back to a point: each coordinate truncated toward zero.
inline QPoint toPoint(float r, float angleRad)
{
    return QPoint(static_cast<int>(r * std::cos(angleRad)), static_cast<int>(r * std::sin(angleRad)));
}
inline QPoint toPointDegrees(float r, float angleDeg)
{
    return toPoint(r, angleDeg * kDegToRad);
}

} // namespace polar
