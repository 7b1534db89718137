#pragma once

#include <QString>
#include <QVector>

class PROJECT_DATA;
class QTextStream;

// The line-oriented project file: magic line, sensor settings, areas, information block.
namespace ProjectFile {

// Writes the area section ("CoordTableData" … "CoordTableDataEnd").
void writeAreas(QTextStream &out, const PROJECT_DATA &project);

// Reads the area section into the project: searches "CoordTableData", then replaces every area
// whose block follows. Areas without a block keep their contents; a shape code outside its output's
// set leaves that shape unchanged. A damaged file never reaches past the zone or block it damages:
// a zone list also ends at the next zone's marker, and a block number that is not a number ends
// the section.
void readAreas(QTextStream &in, PROJECT_DATA &project);

// Appends the model's extension when the name does not already end in it (case-sensitive).
QString withExtension(const QString &name, int deviceType);

// Writes the sensor settings section: "SensorSetting" and the 27 control states in order.
void writeSensorSettings(QTextStream &out, const QVector<int> &controlStates);

// Writes the whole project to name (extension added as needed). Modified is cleared only once the
// file is really written, so a failed save never passes for a saved design.
bool save(const QString &name, int deviceType, const QVector<int> &sensorControlStates,
          PROJECT_DATA &project);

} // namespace ProjectFile
