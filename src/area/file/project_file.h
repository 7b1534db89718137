#pragma once

#include "area/store/language.h"

#include <QString>
#include <QVector>

class PROJECT_DATA;
class QTextStream;

// The line-oriented project file: magic line, sensor settings, areas, information block.
namespace ProjectFile {

// Something a damaged file needed to be opened: where it was, what was found and what became of it.
struct Repair {
    enum Kind {
        OutOfRange,        // field's value was brought to the nearest valid one
        NotANumber,        // field's line was no whole number (or missing) and reads as 0
        TooManyPoints,     // output had count points; the first kMaxZonePoints are kept
        ZoneEndMissing,    // output's end marker is missing; its points end at the next block
        BadShape,          // output's shape code was none of its shapes; the shape is left as it was
        BadPoint,          // a point line that is not two whole numbers: the point is left out
        MarkerBlanks,      // a marker with blanks around it: read as the marker
        UnknownLine,       // a line that has no place where it stands: ignored
        FileEndsInArea,    // the file ends inside area's block: what was read of it is kept
        SectionEndMissing, // "CoordTableDataEnd" missing after the last block
        SectionMissing,    // no area section at all: every area is empty
        AreasMissing,      // no block for `count` areas (listed in was): they are empty
        BadSetting,        // sensor setting `field` was no whole number: it keeps its default `now`
        SettingsMissing    // the sensor settings section is missing or cut short: defaults kept
    };
    Repair(Kind k, int a, int o = -1) : kind(k), area(a), output(o) {}
    Kind kind;
    int area;
    int output;     // 0..2 for zone repairs
    int field = -1; // 0..8 (OpenDelay … VehicleOptionMode) for field repairs; 0..26 for BadSetting
    QString was;
    int count = 0;
    int now = 0;
    int line = 0; // line of the file (from 1), 0 where the damage is no one line
};

// Name of one of the nine value fields of an area (0 on delay … 8 operation mode), or empty.
QString fieldName(int field, Language language);

// One line of the message listing the repairs, in English or Chinese.
QString describe(const Repair &repair, Language language);

// Lines of the sensor settings section after its marker.
constexpr int kSensorSettingCount = 27;

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
// outside their range are brought to the nearest valid one. Returns every damage found, with its
// line counted from the stream's start (nothing for a file the program wrote): areas without a
// block, lines that are no whole numbers, unknown lines, a file that ends inside a block or lacks
// the section's end.
QVector<Repair> readAreas(QTextStream &in, PROJECT_DATA &project);

// Appends the model's extension when the name does not already end in it (case-sensitive).
QString withExtension(const QString &name, int deviceType);

// Writes the sensor settings section: "SensorSetting" and the 27 control states in order.
void writeSensorSettings(QTextStream &out, const QVector<int> &controlStates);

// The 27 sensor settings states as the file holds them: lines up to "SensorSetting", then 27 lines,
// each a whole number. A line that is none, a missing marker or a section cut short keeps the
// defaults' states and is listed in findings.
QVector<int> readSensorSettings(QTextStream &in, QVector<Repair> *findings = nullptr);

// A whole project file as read: its model, its sensor settings states (as the file has them, not yet
// brought into range) and every damage found on the way. A file the program wrote has none.
struct Contents {
    int deviceType = -1;
    QVector<int> sensorStates;
    QVector<Repair> repairs;
};

enum class LoadStatus {
    Loaded,
    CannotOpen,  // missing, unreadable; error says why
    TooLarge,    // above kMaxFileBytes
    NotAProject, // first line is no model's magic line
    OtherModel   // a project, but not of the model asked for
};

// Reads the project file name into project: checks the magic line first (any model, or only
// onlyModel when that is 0..4) and touches project only when it passes; then every area starts as a
// fresh one (detection size 1.0°) and takes the block the file has for it. The window and the command
// line both open files through this, so they read a file alike.
LoadStatus load(const QString &name, PROJECT_DATA &project, Contents &contents, int onlyModel = -1,
                QString *error = nullptr);

// Writes the whole project to name (extension added as needed). The old file is replaced only by a
// complete new one. Modified is cleared only once the file is really written, so a failed save never
// passes for a saved design; error then says why.
bool save(const QString &name, int deviceType, const QVector<int> &sensorControlStates, PROJECT_DATA &project,
          QString *error = nullptr);

} // namespace ProjectFile
