#pragma once

#include "comm/codec/scan_data.h"

#include <QByteArray>
#include <QVector>
#include <QtGlobal>

// The streaming scan packet "HISN": 16-byte header (big-endian) then n points of distance and
// intensity, little-endian, n = min(count A, count B). No checksum.
constexpr int kHisnHeaderLength = 16;
constexpr int kHisnLastEndAngle = 340; // end angle of the last packet of a revolution
constexpr int kHisnSweepDegrees = 320; // a complete revolution holds g x 320 points

struct HisnHeader {
    quint16 StartAngle = 0;
    quint16 EndAngle = 0;
    quint16 CountA = 0;
    quint16 Sequence = 0;
    quint16 CountB = 0;
    quint16 Reserved = 0;
    int pointCount() const { return qMin(CountA, CountB); }
    int packetLength() const { return kHisnHeaderLength + 4 * pointCount(); }
    // Points per degree, count B / (end - start); -1 when the end is not above the start.
    int pointsPerDegree() const;
};

// Reads the header at data (which must start with "HISN" and hold 16 bytes).
HisnHeader parseHisnHeader(const uchar *data);

// Appends one packet; distance/intensity hold at least header.pointCount() values.
void appendHisnPacket(QByteArray &out, const HisnHeader &header, const quint16 *distance,
                      const quint16 *intensity);
// Appends one whole revolution of g x 320 points as packets of degreesPerPacket degrees from 20 to 340;
// the last packet carries end angle 340 and sequence = count B; earlier ones count their sequence up.
void appendHisnRevolution(QByteArray &out, int pointsPerDegree, const quint16 *distance,
                          const quint16 *intensity, int degreesPerPacket = 10);

// What revolution assembly keeps between packets.
struct HisnAssembly {
    int lastPointsPerDegree = -1; // none seen yet: the first packet always starts afresh
    bool discard = false;
    void reset() { *this = HisnAssembly(); }
};

// Stores one packet's points into the Ethernet rings of scan (clamped to rangeLimit) and runs the
// revolution assembly. Returns true when the packet completed a revolution (EtherCount is then set).
bool assembleHisnPacket(const HisnHeader &header, const uchar *points, SCAN_DATA &scan, HisnAssembly &state,
                        int rangeLimit);

// A revolution copied out of the rings the moment it completed: one delivery may complete several, and
// the rings then hold only the last of them.
struct HisnRevolution {
    QVector<quint16> distance;
    QVector<quint16> intensity;
};

// Takes every complete "HISN" packet out of rx (foreign bytes in front stay) and assembles it.
// Returns the number of revolutions completed; each is appended to *completed when given.
int extractHisn(QByteArray &rx, SCAN_DATA &scan, HisnAssembly &state, int rangeLimit,
                QVector<HisnRevolution> *completed = nullptr);
