#pragma once

// The configuration report: a PDF (A4) of what a design puts into a sensor, for the commissioning
// file. A cover page (project, model, date, sensor, parameters), then for every area with a zone
// its picture with a scale, its zone parameters and case channel rule and the points of each zone.
// Every page carries the CRC-32 of the design's wire image, the figure the write log records.
// Widget-free: the window gathers the texts as it shows them and hands them in.

#include "area/store/language.h"

#include <QDateTime>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

class PROJECT_DATA;

struct ReportInput {
    Language language = Language::English;
    QString projectFile;   // empty for a design never saved
    bool modified = false; // the design has changes the file does not hold
    QString model;
    QDateTime created;
    QStringList product; // the connected sensor's product information; empty when none is known
    QVector<QPair<QString, QString>> parameters; // as the sensor settings dock shows them
    const PROJECT_DATA *project = nullptr;
    quint32 crc = 0;
};

// The model line of the cover: "VKT-30xx (range 36000 mm)"; the code itself for an unknown model.
QString reportModel(int deviceType, Language language);

// Areas that have at least one point in any zone, in order.
QVector<int> reportedAreas(const PROJECT_DATA &project);
// Pages the report will have: the cover, then one or two per reported area.
int reportPageCount(const PROJECT_DATA &project);

// Writes the report; false with the reason in *error when the file cannot be written.
bool writeConfigReport(const QString &fileName, const ReportInput &input, QString *error);
