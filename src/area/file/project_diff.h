#pragma once

#include <QString>
#include <QVector>

class PROJECT_DATA;

// What differs between two designs (two project files, or a file and what a sensor holds), by area,
// output and field, in file order. diff and verify on the command line print the same listing.
namespace ProjectDiff {

struct Design {
    int deviceType = -1; // -1: not compared (a sensor does not say which model file it came from)
    const PROJECT_DATA *project = nullptr;
    QVector<int> sensorStates; // the 27 sensor settings states; empty: not compared
};

struct Difference {
    int area = -1;   // 0..63; -1 for the model and the sensor settings
    int output = -1; // 0..2 for a zone; -1 for a field of the area itself
    QString field;   // "on delay", "shape", "points", "point 3" (counted from 1), "model", a setting's label
    QString first, second;
};

QVector<Difference> compare(const Design &first, const Design &second);
// The name a listing gives an output's shape code ("Polygon" ... "Ratio"; another code as its number).
QString shapeName(int code);

// One line: "area 5, Out 2, point 3: 100,200 -> 100,210", "sensor settings, Motor SpeedRatio: ...".
QString describe(const Difference &difference);

} // namespace ProjectDiff
