#pragma once

#include "area/store/project_data.h"
#include "comm/codec/frame_catalogue.h"

#include <QtGlobal>

// The 1264-byte area record of "WArea" (request) and "RArea" (reply): area index, four zone
// parameters, three 16-byte shape blocks and three 100-slot point blocks.
constexpr int kAreaPointSlots = 100;
constexpr int kAreaShapeBlock = 14; // first shape block; blocks are 16 bytes apart
constexpr int kAreaPointBlock = 62; // first point block; blocks are 400 bytes apart
constexpr int kMaxAreaIndex = 63;

// Bearing of a point as the sensor orders them: atan2 + 2π in single precision, minus 2π at
// 4.712389 or more, so the result lies in [-π/2, 3π/2).
float sensorBearing(int x, int y);

// Writes the whole area record (code "WArea" or "RArea" given by name, checksum included) into
// frame[0, 1264). Coordinates are clamped to the signed 16-bit range and at most 100 points per output
// are written; installDir mirrors x as the sensor sees it when mounted upside down.
void encodeAreaRecord(uchar *frame, const char *code, int areaIndex, const AREA_DATA &area, bool installDir);

// Decodes an area record into area, as the program stores a read area: shape types 0..5 replace the
// stored type (others leave it), point lists are rebuilt; installDir negates x. Returns the record's
// area index (0..255); the caller stores nothing for an index above 63. The checksum is not checked here.
int decodeAreaRecord(const uchar *frame, AREA_DATA &area, bool installDir);

// The area index byte of a record.
inline int areaIndexOfRecord(const uchar *frame)
{
    return frame[5];
}
