#pragma once

#include <QString>
#include <QVector>

class PROJECT_DATA;
class QTextStream;

// The line-oriented project file: magic line, sensor settings, areas, information block.
namespace ProjectFile {

// Something a damaged file needed to be opened: where it was and what became of it.
struct Repair {
    enum Kind {
        OutOfRange,     // field's value was brought to the nearest valid one
        NotANumber,     // field's line was no number (or missing) and reads as 0
        TooManyPoints,  // output had count points; the first kMaxZonePoints are kept
        ZoneEndMissing, // output's end marker is missing; its points end at the next block
        BadShape        // output's shape code was none of its shapes; the shape is left as it was
    };
    Repair(Kind k, int a, int o = -1) : kind(k), area(a), output(o) {}
    Kind kind;
    int area;
    int output;     // 0..2 for zone repairs
    int field = -1; // 0..8 (OpenDelay … VehicleOptionMode) for field repairs
    QString was;
    int count = 0;
    int now = 0;
};

// One line of the message listing the repairs, in English or Chinese.
QString describe(const Repair &repair, bool english);

// Files larger than this are no project the program wrote (64 areas of 3 full zones are far less).
constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

// Writes the area section ("CoordTableData" … "CoordTableDataEnd").
void writeAreas(QTextStream &out, const PROJECT_DATA &project);

// Reads the area section into the project: searches "CoordTableData", then replaces every area
// whose block follows. Areas without a block keep their contents; a shape code outside its output's
// set leaves that shape unchanged. A damaged file never reaches past the zone or block it damages:
// a zone list also ends at the next zone's marker, and a block number that is not a number ends
// the section.
// Each block ends at the next block's number; zones keep at most kMaxZonePoints points; values
// outside their range are brought to the nearest valid one. Returns what was repaired (nothing for
// a file the program wrote).
QVector<Repair> readAreas(QTextStream &in, PROJECT_DATA &project);

// Appends the model's extension when the name does not already end in it (case-sensitive).
QString withExtension(const QString &name, int deviceType);

// Writes the sensor settings section: "SensorSetting" and the 27 control states in order.
void writeSensorSettings(QTextStream &out, const QVector<int> &controlStates);

// Writes the whole project to name (extension added as needed). The old file is replaced only by a
// complete new one. Modified is cleared only once the file is really written, so a failed save never
// passes for a saved design; error then says why.
bool save(const QString &name, int deviceType, const QVector<int> &sensorControlStates, PROJECT_DATA &project,
          QString *error = nullptr);

} // namespace ProjectFile
