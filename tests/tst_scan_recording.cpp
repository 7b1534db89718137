// The recording file on its own: extreme values survive the packing, and damaged, foreign, cut-short
// and newer files are refused with a message that says which, never read as something else.
#include "scan/scan_recording.h"

#include <QTemporaryDir>
#include <QtTest>

class TestScanRecording : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QByteArray m_good; // a small recording, as written

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        RecordingHeader header;
        header.model = 7;
        header.start = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 6), Qt::UTC);
        ScanRecordingWriter writer;
        const QString path = m_dir.filePath(QStringLiteral("good.vscan"));
        QVERIFY(writer.open(path, header));
        // Jumps across the whole range, both ends, a serial scan and an empty revolution.
        const QVector<quint16> d{0, 65535, 1, 65534, 30000, 0, 0, 12345};
        const QVector<quint16> in{65535, 0, 0, 65535, 7, 7, 8, 9};
        QVERIFY(writer.addScan(RecordedScan::Revolution, 0, d.constData(), in.constData(), d.size()));
        QVERIFY(writer.addSelfCheck(10, {0xFFFFFFFF, 3, 0x7F, -2750, 1800, 1205, 2830, 14250}));
        QVERIFY(writer.addScan(RecordedScan::Serial, 33, in.constData(), d.constData(), d.size()));
        QVERIFY(writer.addScan(RecordedScan::Revolution, 66, d.constData(), in.constData(), 0));
        QVERIFY(writer.close(100));

        ScanRecording r;
        RecordingError error;
        QVERIFY2(r.open(path, &error), qPrintable(describe(error, true)));
        QCOMPARE(r.header(), header);
        QCOMPARE(r.scanCount(), 3);
        QCOMPARE(r.scan(0).distance, d);
        QCOMPARE(r.scan(0).intensity, in);
        QCOMPARE(r.scan(1).kind, RecordedScan::Serial);
        QCOMPARE(r.scan(1).distance, in);
        QCOMPARE(r.scan(2).distance.size(), 0);
        QCOMPARE(r.selfChecks().size(), 1);
        QCOMPARE(r.selfChecks()[0].report,
                 SelfCheckReport({0xFFFFFFFF, 3, 0x7F, -2750, 1800, 1205, 2830, 14250}));
        QCOMPARE(r.durationMs(), 100);
        QCOMPARE(r.scanAt(50), 1);
        QCOMPARE(r.scanAt(1000), 2);

        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        m_good = f.readAll();
    }

    void damagedRecordingsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("english");
        const QByteArray g = m_good;
        const int endLine = g.lastIndexOf("END");
        const int fourthLine = g.indexOf('\n', g.indexOf('\n', g.indexOf('\n') + 1) + 1) + 1;
        QByteArray flipped = g;
        flipped[fourthLine + 24] = flipped[fourthLine + 24] == 'A' ? 'B' : 'A'; // inside the serial payload

        QTest::newRow("empty") << QByteArray() << int(RecordingError::CutShort) << 1
                               << "The recording was cut short at line 1.";
        QTest::newRow("foreign") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)
                                 << int(RecordingError::NotARecording) << 0
                                 << "This file is not a scan recording.";
        QTest::newRow("project file")
            << QByteArray("CoordTableData\n0\n") << int(RecordingError::NotARecording) << 0
            << "This file is not a scan recording.";
        QTest::newRow("newer version")
            << QByteArray(g).replace("VSCAN 1 ", "VSCAN 2 ") << int(RecordingError::WrongVersion) << 0
            << "The recording has format version 2; this program reads version 1.";
        QTest::newRow("header without start")
            << QByteArray(g).replace(" start=", " begun=") << int(RecordingError::BadHeader) << 0
            << "The recording's first line is damaged.";
        QTest::newRow("cut mid-line") << g.left(fourthLine + 20) << int(RecordingError::CutShort) << 4
                                      << "The recording was cut short at line 4.";
        QTest::newRow("end line missing") << g.left(endLine) << int(RecordingError::CutShort) << 6
                                          << "The recording was cut short at line 6.";
        QTest::newRow("payload damaged")
            << flipped << int(RecordingError::BadLine) << 4 << "The recording is damaged at line 4.";
        QTest::newRow("end count wrong")
            << QByteArray(g).replace("END 3 ", "END 4 ") << int(RecordingError::BadLine) << 6
            << "The recording is damaged at line 6.";
        QTest::newRow("text after the end")
            << g + "R 1 0 \n"
            << int(RecordingError::BadLine) << 7 << "The recording is damaged at line 7.";
        QTest::newRow("count beyond payload")
            << QByteArray(g).replace("R 0 8 ", "R 0 9 ") << int(RecordingError::BadLine) << 2
            << "The recording is damaged at line 2.";
    }

    void damagedRecordingsAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(int, line);
        QFETCH(QString, english);
        ScanRecording r;
        RecordingError error;
        QVERIFY(!r.open(write(QStringLiteral("bad.vscan"), bytes), &error));
        QCOMPARE(int(error.kind), kind);
        if (line)
            QCOMPARE(error.line, line);
        QCOMPARE(describe(error, true), english);
        QVERIFY(!describe(error, false).isEmpty());
    }

    // A recording whose program or laptop stopped before the end line: the complete scans are kept
    // when asked for, and the error still says where it was cut.
    void cutShortRecordingKeepsItsCompleteScans()
    {
        const QByteArray g = m_good;
        const int fourthLine = g.indexOf('\n', g.indexOf('\n', g.indexOf('\n') + 1) + 1) + 1;
        ScanRecording r;
        RecordingError error;
        QVERIFY(r.open(write(QStringLiteral("cut.vscan"), g.left(fourthLine + 20)), &error, true));
        QCOMPARE(int(error.kind), int(RecordingError::CutShort));
        QCOMPARE(error.line, 4);
        QCOMPARE(r.scanCount(), 1);
        QCOMPARE(r.selfChecks().size(), 1);
        QVERIFY(r.open(write(QStringLiteral("cut.vscan"), g.left(g.lastIndexOf("END"))), &error, true));
        QCOMPARE(r.scanCount(), 3);
        QCOMPARE(r.durationMs(), 66);
        // Damage is not taken for an early end, and a file without one scan is no recording to keep.
        QVERIFY(!r.open(write(QStringLiteral("bad.vscan"), QByteArray(g).replace("END 3 ", "END 4 ")), &error,
                        true));
        QCOMPARE(int(error.kind), int(RecordingError::BadLine));
        QVERIFY(!r.open(write(QStringLiteral("bad.vscan"), g.left(g.indexOf('\n') + 1)), &error, true));
    }
};

QTEST_MAIN(TestScanRecording)
#include "tst_scan_recording.moc"
