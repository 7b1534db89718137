#pragma once

#include "comm/codec/frame_records.h"

#include <QDateTime>
#include <QString>

// The write log: one line per write-all attempt (verified, differing, refused, rejected or cut short,
// with what it wrote), kept beside the project file, so that an engineer can show later what went into
// which sensor.
constexpr const char *kWriteLogName = "veltrin-write-log.txt";

// The folder of projectFile, or the application's data folder for a project never saved.
QString writeLogPath(const QString &projectFile);

// Appends "date time, product, serial, firmware, project file, CRC-32 of the design's wire image,
// result" as one tab-separated line; returns false (with *error set) when the log cannot be written.
bool appendWriteLog(const QString &projectFile, const ProductInfo &product, quint32 imageCrc,
                    const QString &result, const QDateTime &when, QString *error);
