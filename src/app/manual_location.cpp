#include "app/manual_location.h"

#include <QDir>
#include <QFileInfo>

QString manualFilePath(bool english, const QString &programDir, const QString &startDir)
{
    const QString file = english ? QStringLiteral("manual_en.pdf") : QStringLiteral("manual_cn.pdf");
    const QString candidates[] = {
        QDir(programDir).filePath(QStringLiteral("../share/doc/veltrin/") + file),
        QDir(startDir).filePath(QStringLiteral("manual/") + file),
    };
    for (const QString &path : candidates)
        if (QFileInfo(path).isFile())
            return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return QDir::cleanPath(QFileInfo(candidates[1]).absoluteFilePath());
}
