#pragma once

#include "area/store/project_data.h"
#include "comm/codec/frame_catalogue.h"

#include <QPair>
#include <QtGlobal>

// The 1264-byte area record of "WArea" (request) and "RArea" (reply): area index, four zone
// parameters, three 16-byte shape blocks and three 100-slot point blocks.
constexpr int kAreaPointSlots = 100;
constexpr int kAreaShapeBlock = 14; // first shape block; blocks are 16 bytes apart
constexpr int kAreaPointBlock = 62; // first point block; blocks are 400 bytes apart
constexpr int kMaxAreaIndex = 63;
constexpr int kAreaZoneParameters = 6; // four values: on delay, off delay, hysteresis, detection size
constexpr int kAreaShapeBlockSize = 16;
constexpr int kAreaPointBlockSize = 4 * kAreaPointSlots;
// Within a shape block.
constexpr int kShapeType = 0; // the reader takes the low byte
constexpr int kShapeCount = 2;
constexpr int kArcFirstAngle = 4;
constexpr int kArcSecondAngle = 6;
constexpr int kArcRadius = 8;
constexpr int kStraightValue = 10;
constexpr int kFanValue = 12;
constexpr int kRatioValue = 14;

// Bearing of a point as the sensor orders them: atan2 + 2π in single precision, minus 2π at
// 4.712389 or more, so the result lies in [-π/2, 3π/2).
float sensorBearing(int x, int y);

// End point of an arc at a whole-degree angle, in whole millimetres rounded to the nearest (the
// sensor's own frame: no mirroring).
QPoint arcEndPoint(int degrees, int radius);

// Writes the whole area record (code "WArea" or "RArea" given by name, checksum included) into
// frame[0, 1264). Coordinates are clamped to the signed 16-bit range and at most 100 points per output
// are written; installDir mirrors x as the sensor sees it when mounted upside down. An arc whose points
// are still those its read record gives (area.ReadArc) is written with that record's angles and radius.
void encodeAreaRecord(uchar *frame, const char *code, int areaIndex, const AREA_DATA &area, bool installDir);

// Whether an arc's two points (program frame) are still those the read record gives: then the record,
// not the points, is what is written.
bool arcRecordHolds(const ArcRecord &read, const QVector<QPoint> &points, bool installDir);

// Decodes an area record into area, as the program stores a read area: shape types 0..5 replace the
// stored type (others leave it), point lists are rebuilt; installDir negates x. Returns the record's
// area index (0..255); the caller stores nothing for an index above 63. The checksum is not checked here.
int decodeAreaRecord(const uchar *frame, AREA_DATA &area, bool installDir);

// The area index byte of a record.
inline int areaIndexOfRecord(const uchar *frame)
{
    return frame[5];
}

// Something in an area that its record cannot carry as designed. Everything but BeyondRange would be
// cut or changed on the way, so nothing may be sent; BeyondRange (a point past the model's reach) is
// carried intact and only worth a warning.
struct AreaFitProblem {
    enum Kind {
        TooManyPoints,
        BeyondWire,
        BadParameter,
        RadiusTooLarge,
        ArcPointCount,
        OneBearing,
        BeyondRange
    };
    int area = 0;
    int output = 0; // 0..2
    Kind kind = TooManyPoints;
    qint64 value = 0;     // the count, coordinate, parameter, radius or distance at fault
    QPoint first, second; // OneBearing: two points the record would merge
};

// Pairs of positions in a polygon's or rectangle's point list that lie on one bearing as the sensor
// orders points (for either mounting): the record keeps only one of each pair, so such a zone cannot
// be sent as drawn.
QVector<QPair<int, int>> pointsOnOneBearing(const QVector<QPoint> &points);

// Every area against what the record can hold and the model's range (rangeLimit, mm); at most one
// problem of each kind per output.
QVector<AreaFitProblem> checkAreasFit(const QVector<AREA_DATA> &areas, int rangeLimit);

// Two area records compared by what a design means: the four zone parameters; per output the shape
// type, a polygon's or rectangle's point count and points (in bearing order, the order the zone is
// swept), an arc's angles and radius, a derived zone's own value. Bytes that no design can express
// (the other derived slots, an arc's count, point slots past the count, the type's high byte) are
// not differences: an output where only such bytes differ is a note.
struct AreaRecordComparison {
    QVector<int> zoneParameters; // 0..3 that differ
    QVector<int> shapes;         // outputs whose type, arc or derived value differ
    QVector<int> points;         // outputs (polygon, rectangle) whose count or points differ
    QVector<int> notes;          // outputs that differ only in bytes no design can express
    bool same() const { return zoneParameters.isEmpty() && shapes.isEmpty() && points.isEmpty(); }
};
AreaRecordComparison compareAreaRecords(const uchar *expected, const uchar *actual);
