#pragma once

#include "area/store/language.h"

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

struct SENSOR_PARAMETERS;

// The 27 sensor settings states of a project file (the settings dock's controls: a drop-down's entry
// or a spin box's value) without the dock: what each one may hold, its label and value texts in both
// languages, and the way to and from the sensor's 25 parameters. The dock, the window's texts and the
// command line share this table.
namespace SensorSettings {

constexpr int kCount = 27;

struct Control {
    const char *name;      // object name of the dock's control ("Para_ControlMode")
    const char *labelName; // object name of its label
    const char *english;   // label texts
    const char *chinese;
    int items;                // entries of a drop-down; 0 for a spin box
    int min, max;             // a spin box's range
    const char *itemsEnglish; // entry texts separated by '|', or nullptr for a spin box
    const char *itemsChinese;
};

// Control c (0..26) in file order; nullptr outside.
const Control *control(int c);

// The states a file gives, brought into what the controls can show: an entry a drop-down does not
// have leaves it at fallback's state, a spin value is clamped to its range.
QVector<int> repaired(const QVector<int> &states, const QVector<int> &fallback);
// What a sensor cannot be given as the states stand, one line each: a value beyond the 16 bits a
// parameter travels in, an address part beyond 0..255 (it would change its neighbour).
QStringList unsendable(const QVector<int> &states, Language language);
// States the dock cannot show (an entry its list lacks, a value beyond its spin box) that are still
// sent as they are: what a sensor held goes back to it unchanged. One line each.
QStringList beyondDock(const QVector<int> &states, Language language);
// The states of the default parameters, as a fresh window shows them.
QVector<int> defaults();

// The parameters the states stand for (states already repaired).
SENSOR_PARAMETERS toParameters(const QVector<int> &states);
// The states that show these parameters (the IP address split into its four parts).
QVector<int> fromParameters(const SENSOR_PARAMETERS &parameters);

// Label and value text of control c in one language ("Motor SpeedRatio", "20Hz,30Hz"); the four IP
// address parts are one entry, shown at the first of them as "192.168.1.88".
QString label(int c, Language language);
QString valueText(int c, const QVector<int> &states, Language language);

// Every setting as the dock shows it, label and value, the IP address as one entry.
QVector<QPair<QString, QString>> shown(const QVector<int> &states, Language language);

} // namespace SensorSettings
