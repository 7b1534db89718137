#include "sensor_state.h"

#include "comm/codec/area_codec.h"
#include "comm/codec/frame_catalogue.h"
#include "comm/codec/replies.h"
#include "comm/codec/wire_bytes.h"

#include <algorithm>

namespace {

QVector<QPoint> rectangle(int left, int bottom, int right, int top)
{
    // Corner order the editor keeps: P0.x = P1.x, P1.y = P2.y, P2.x = P3.x, P3.y = P0.y.
    return {QPoint(left, bottom), QPoint(left, top), QPoint(right, top), QPoint(right, bottom)};
}

} // namespace

AREA_DATA exampleArea(int index)
{
    // A few shapes that vary a little from area to area, sized for the simulated room so that
    // the wandering object enters them now and then.
    AREA_DATA a;
    a.DetectionSize = 1;
    const int grow = 15 * index;
    switch (index % 3) {
    case 0:
        a.Out1Shape = Rectangle;
        a.Out1Coord = rectangle(-700 - grow, 300, 700 + grow, 1800 + grow);
        a.Out2Shape = Polygon;
        a.Out2Coord = {QPoint(-1600 - grow, -400), QPoint(-1500 - grow, 2800 + grow), QPoint(0, 3400 + grow),
                       QPoint(1500 + grow, 2800 + grow), QPoint(1600 + grow, -400)};
        a.Out3Shape = Arc;
        a.Out3Coord = {QPoint(4000 + grow, 0), QPoint(-4000 - grow, 0)};
        break;
    case 1:
        a.Out1Shape = Arc;
        a.Out1Coord = {QPoint(1500, 1500 + grow), QPoint(-1500, 1500 + grow)};
        a.Out2Shape = Straight;
        a.Out2Coord = {QPoint(0, 1200 + grow)};
        a.Out3Shape = Fan;
        a.Out3Coord = {QPoint(0, 900 + grow)};
        break;
    default:
        a.Out1Shape = Polygon;
        a.Out1Coord = {QPoint(-1200, 200), QPoint(-900 - grow, 2600 + grow), QPoint(900 + grow, 2600 + grow),
                       QPoint(1200, 200)};
        a.Out2Shape = Fan;
        a.Out2Coord = {QPoint(0, 2000 + grow)};
        a.Out3Shape = Ratio;
        a.Out3Coord = {QPoint(0, 1300 + grow)};
        break;
    }
    // Case channels as a grid: eight steering bands of 45 degrees times eight speed bands of 75,
    // operation mode 0.
    a.SteerMinDgree = -180 + 45 * (index % 8);
    a.SteerMaxDgree = a.SteerMinDgree + 45;
    a.VehicleMinSpeed = -300 + 75 * (index / 8);
    a.VehicleMaxSpeed = a.VehicleMinSpeed + 75;
    a.VehicleOptionMode = 0;
    return a;
}

SensorState::SensorState()
{
    resetToFactory();
}

void SensorState::resetToFactory()
{
    m_records = QVector<QByteArray>(kAreaCount);
    m_areas = QVector<AREA_DATA>(kAreaCount);
    QVector<AREA_DATA> examples;
    TxFrame tx;
    for (int i = 0; i < kAreaCount; ++i) {
        examples.append(exampleArea(i));
        buildAreaReply(tx, i, examples[i], false);
        m_records[i] = tx.bytes();
        decodeAreaRecord(tx.data, m_areas[i], false);
    }
    cases = caseChannelsOf(examples);
    parameters.resetToDefaults();
    product.ModelCode = 3;
    product.Firmware = 152;
    product.SerialNumber = 20417;
    product.Year = 2024;
    product.Month = 5;
    product.Day = 17;
}

bool SensorState::storeArea(const QByteArray &frame)
{
    if (frame.size() != kAreaRecordLength)
        return false;
    const uchar *f = reinterpret_cast<const uchar *>(frame.constData());
    const int index = areaIndexOfRecord(f);
    if (index < 0 || index > kMaxAreaIndex)
        return false;
    m_records[index] = frame;
    AREA_DATA decoded;
    decodeAreaRecord(f, decoded, false);
    m_areas[index] = decoded;
    return true;
}

void SensorState::alterArea(int index)
{
    // The detection size is the fourth of the zone parameters.
    uchar *size = reinterpret_cast<uchar *>(m_records[index].data()) + kAreaZoneParameters + 3 * 2;
    wire::put16(size, wire::getU16(size) + 1);
    ++m_areas[index].DetectionSize;
}

int SensorState::caseChannelMatch(int steering, int speed, int mode) const
{
    for (int i = 0; i < cases.size(); ++i) {
        const CaseChannel &c = cases[i];
        // A range typed upside down still means the values between its two ends.
        const int s0 = std::min(c.SteerMinDgree, c.SteerMaxDgree);
        const int s1 = std::max(c.SteerMinDgree, c.SteerMaxDgree);
        const int v0 = std::min(c.VehicleMinSpeed, c.VehicleMaxSpeed);
        const int v1 = std::max(c.VehicleMinSpeed, c.VehicleMaxSpeed);
        if (steering >= s0 && steering <= s1 && speed >= v0 && speed <= v1 && mode == c.VehicleOptionMode)
            return i;
    }
    return -1;
}
