#pragma once

#include "area/store/project_data.h"

#include <QPointF>
#include <QRectF>
#include <QVector>

#include <memory>

// The sensor's own check of its three output zones. It follows the editor's drawing rules closely
// enough for the output lamps to agree with what the user sees (polygon and rectangle swept from
// the sensor in bearing order, arc as a pie slice, straight / fan / ratio cut from the zone before);
// where the drawing rules are intricate (the height of a clipped base for ratio) it approximates.
// Points are millimetres in the sensor frame, X right, Y forward.
class SimZone {
public:
    // The zone of output 0..2 of an area, or nullptr when the output draws no zone.
    static std::shared_ptr<const SimZone> build(const AREA_DATA &area, int output);

    bool contains(const QPointF &p) const;
    QRectF bounds() const { return m_bounds; }

private:
    enum class Kind { Sweep, Pie, Below, Fan, Scaled };
    Kind m_kind = Kind::Sweep;
    QVector<QPointF> m_outline;  // Sweep: closed through the sensor
    double m_radius = 0;         // Pie, Fan
    double m_from = 0, m_to = 0; // Pie: bearing range, degrees in [-90, 270)
    double m_limit = 0;          // Below: largest Y; Scaled: factor
    std::shared_ptr<const SimZone> m_base;
    // For the next output: a ratio zone passes its base on unscaled.
    std::shared_ptr<const SimZone> m_passOn;
    QRectF m_bounds;

    static std::shared_ptr<const SimZone> buildChain(const AREA_DATA &area, int output,
                                                     std::shared_ptr<const SimZone> *passOn);
};

// Bearing of a point as the editor computes it: degrees in [-90, 270).
double zoneBearing(const QPointF &p);

// Output bits (bit 0 = Out 1 ...) set by the beam end points that lie inside each output's zone.
int evaluateZones(const AREA_DATA &area, const QVector<QPointF> &hits);
