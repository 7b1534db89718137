// The write log: one tab-separated line per write attempt, beside the project file.
#include "comm/write_log.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class WriteLog : public QObject {
    Q_OBJECT
private slots:
    void eachWriteAppendsOneLineBesideTheProject()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString project = dir.filePath(QStringLiteral("hall.vlt"));
        ProductInfo product;
        product.ModelCode = 3;
        product.Firmware = 123;
        product.SerialNumber = 20417;
        const QDateTime when(QDate(2026, 12, 7), QTime(12, 30, 5));
        QString error;
        QVERIFY(appendWriteLog(project, product, 0xCBF43926u, QStringLiteral("Verified: all\nmatch"), when,
                               &error));
        QVERIFY(appendWriteLog(project, product, 0x1u, QStringLiteral("differs"), when, &error));
        QCOMPARE(writeLogPath(project), dir.filePath(QString::fromLatin1(kWriteLogName)));
        QFile log(writeLogPath(project));
        QVERIFY(log.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines =
            QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], QStringLiteral("2026-12-07T12:30:05\tmodel 3\tserial 20417\tfirmware 1.23\t") +
                               project + QStringLiteral("\tcrc32 CBF43926\tVerified: all; match"));
        QVERIFY(lines[1].endsWith(QStringLiteral("\tcrc32 00000001\tdiffers")));
    }

    void unwritableFolderIsReported()
    {
        QString error;
        QVERIFY(!appendWriteLog(QStringLiteral("/proc/no-such-folder/p.vlt"), ProductInfo(), 0, QString(),
                                QDateTime::currentDateTime(), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(WriteLog)
#include "tst_write_log.moc"
