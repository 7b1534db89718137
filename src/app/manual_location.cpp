#include "app/manual_location.h"

#include <QDir>
#include <QFileInfo>

QStringList manualSearchPaths(Language language, const QString &programDir, const QString &startDir)
{
    const QString file = pick(language, "manual_en.pdf", "manual_cn.pdf");
    QStringList paths;
    for (const QString &path :
         {QDir(programDir).filePath(QStringLiteral("../share/doc/veltrin/") + file),
          QDir(programDir).filePath(QStringLiteral("manual/") + file), QDir(programDir).filePath(file),
          QDir(startDir).filePath(QStringLiteral("manual/") + file)}) {
        const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        if (!paths.contains(clean))
            paths << clean;
    }
    return paths;
}

QString manualFilePath(Language language, const QString &programDir, const QString &startDir)
{
    const QStringList paths = manualSearchPaths(language, programDir, startDir);
    for (const QString &path : paths)
        if (QFileInfo(path).isFile())
            return path;
    return paths.last();
}
