#pragma once

#include "area/store/language.h"
// Zone points as CSV, for spreadsheets and other tools: one zone ("x_mm,y_mm") or every zone of a
// project ("area,output,shape,point,x_mm,y_mm"). UTF-8, '.' as decimal separator whatever the
// locale, lines ended by CR LF (LF and a byte order mark are accepted on reading). Reading checks
// everything before anything is changed, so a refused file leaves the design as it was.

#include "area/store/project_data.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVector>

namespace ZoneCsv {

// Why a file was refused: the 1-based line at fault (0: the file as a whole) and the reason in
// both languages.
struct Refusal {
    int line = 0;
    QString english;
    QString chinese;
    QString text(Language language) const;
};

QByteArray writeZone(const QVector<QPoint> &points);
// The points of a zone of the given shape (output 0..2), or a refusal: not numbers, more than 100
// points, or points the shape cannot take (an arc needs two points on one radius, a rectangle four
// corners with shared sides, a dependent shape one point ahead of the sensor).
bool readZone(const QByteArray &csv, int shape, int output, QVector<QPoint> *points, Refusal *refusal);

// Every zone that has points, area by area, output by output.
QByteArray writeProject(const PROJECT_DATA &project);

// The zones of one area as a project file gives them; outputs the file does not name are empty
// polygons.
struct AreaZones {
    int shape[kOutputCount] = {Polygon, Polygon, Polygon};
    QVector<QPoint> points[kOutputCount];
};
// Area number → its zones, for every area the file names.
bool readProject(const QByteArray &csv, QMap<int, AreaZones> *areas, Refusal *refusal);

// Whether points suit the shape of an output (0..2); refusal->line is left 0.
bool fitsShape(const QVector<QPoint> &points, int shape, int output, Refusal *refusal);

QString shapeName(int shape);

} // namespace ZoneCsv
