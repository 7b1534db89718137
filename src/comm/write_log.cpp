#include "comm/write_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

QString writeLogPath(const QString &projectFile)
{
    const QString folder = projectFile.isEmpty()
                               ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                               : QFileInfo(projectFile).absolutePath();
    return QDir(folder).filePath(QString::fromLatin1(kWriteLogName));
}

bool appendWriteLog(const QString &projectFile, const ProductInfo &product, quint32 imageCrc,
                    const QString &result, const QDateTime &when, QString *error)
{
    const QString path = writeLogPath(projectFile);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // One line per write: the result's own line breaks become "; ".
    QString flat = result;
    flat.replace(QLatin1Char('\n'), QStringLiteral("; "));
    const QStringList fields{when.toString(Qt::ISODate),
                             QStringLiteral("model %1").arg(product.ModelCode),
                             QStringLiteral("serial %1").arg(product.SerialNumber),
                             QStringLiteral("firmware %1").arg(product.Firmware / 100.0, 0, 'f', 2),
                             projectFile.isEmpty() ? QStringLiteral("(unsaved project)") : projectFile,
                             QStringLiteral("crc32 ") +
                                 QStringLiteral("%1").arg(imageCrc, 8, 16, QLatin1Char('0')).toUpper(),
                             flat};
    const QByteArray line = fields.join(QLatin1Char('\t')).toUtf8() + '\n';
    if (file.write(line) != line.size() || !file.flush()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
