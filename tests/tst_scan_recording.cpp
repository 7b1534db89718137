// The recording file on its own: extreme values survive the packing, and damaged, foreign, cut-short
// and newer files are refused with a message that says which, never read as something else.
#include "scan/scan_playback.h"
#include "scan/scan_recording.h"

#include <QTemporaryDir>
#include <QtTest>

#include <random>

namespace {

// A recording of more than 2 GiB that exists only as arithmetic, so that no test writes gigabytes to
// disk: the header, then one scan line as the writer made it, repeated with the time of each scan
// written in, then the end line. The times have seven digits throughout, so every scan line has the
// same length and any byte is found by division. One line can be damaged, one byte of its payload.
class RepeatedScanDevice : public QIODevice {
public:
    static constexpr qint64 kFirstMs = 1000000, kStepMs = 67;

    RepeatedScanDevice(const QByteArray &header, const QByteArray &countAndPayload, int scans,
                       int damaged = -1)
        : m_header(header), m_tail(' ' + countAndPayload + '\n'), m_scans(scans), m_damaged(damaged),
          m_end("END " + QByteArray::number(scans) + ' ' + QByteArray::number(offsetOf(scans - 1)) + '\n')
    {
        open(QIODevice::ReadOnly);
    }
    static qint64 offsetOf(int scan) { return kFirstMs + scan * kStepMs; }
    qint64 lineLength() const { return 2 + 7 + m_tail.size(); }
    qint64 size() const override { return m_header.size() + m_scans * lineLength() + m_end.size(); }
    bool isSequential() const override { return false; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        qint64 at = pos(), done = 0;
        while (done < maxSize && at < size()) {
            QByteArray piece;
            qint64 from = 0;
            if (at < m_header.size()) {
                piece = m_header;
                from = at;
            } else if (at - m_header.size() < m_scans * lineLength()) {
                const qint64 scan = (at - m_header.size()) / lineLength();
                piece = "R " + QByteArray::number(offsetOf(int(scan))) + m_tail;
                if (scan == m_damaged)
                    piece[piece.size() - 100] = piece[piece.size() - 100] == 'A' ? 'B' : 'A';
                from = at - m_header.size() - scan * lineLength();
            } else {
                piece = m_end;
                from = at - m_header.size() - m_scans * lineLength();
            }
            const qint64 n = qMin(maxSize - done, piece.size() - from);
            memcpy(data + done, piece.constData() + from, size_t(n));
            done += n;
            at += n;
        }
        return done;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_header, m_tail;
    int m_scans, m_damaged;
    QByteArray m_end;
};

} // namespace

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
        QVERIFY2(r.open(path, &error), qPrintable(describe(error, Language::English)));
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
        QTest::newRow("payload damaged, then the end count")
            << QByteArray(flipped).replace("END 3 ", "END 4 ") << int(RecordingError::BadLine) << 4
            << "The recording is damaged at line 4.";
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
        QCOMPARE(describe(error, Language::English), english);
        QVERIFY(!describe(error, Language::Chinese).isEmpty());
    }

    // Beyond 2 GiB: opened, each scan read from where it is, and a damaged line near the end found by
    // its number. The points do not compress, which makes the fewest and longest lines.
    void recordingLargerThan2GiBOpensAndSeeks()
    {
        constexpr int kPoints = 65535;
        QVector<quint16> d(kPoints), in(kPoints);
        std::mt19937 random(28);
        for (int i = 0; i < kPoints; ++i) {
            d[i] = quint16(random());
            in[i] = quint16(random());
        }
        RecordingHeader header;
        header.model = 2;
        header.start = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7), Qt::UTC);
        ScanRecordingWriter writer;
        const QString path = m_dir.filePath(QStringLiteral("one.vscan"));
        QVERIFY(writer.open(path, header));
        QVERIFY(writer.addScan(RecordedScan::Revolution, 0, d.constData(), in.constData(), kPoints));
        QVERIFY(writer.close(0));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        const QByteArray scanLine = lines.at(1);
        const QByteArray tail = scanLine.mid(scanLine.indexOf(' ', 2) + 1); // the count and the payload

        const qint64 lineLength = 2 + 7 + 1 + tail.size() + 1;
        const int scans = int((Q_INT64_C(9) << 28) / lineLength); // 2.25 GiB
        auto device = std::make_unique<RepeatedScanDevice>(lines.at(0) + '\n', tail, scans);
        QVERIFY(device->size() > (Q_INT64_C(1) << 31) + (Q_INT64_C(1) << 27));
        ScanRecording r;
        RecordingError error;
        QVERIFY2(r.open(std::move(device), &error), qPrintable(describe(error, Language::English)));
        QCOMPARE(r.header(), header);
        QCOMPARE(r.scanCount(), scans);
        QCOMPARE(r.durationMs(), RepeatedScanDevice::offsetOf(scans - 1));
        for (int i : {scans - 1, 0, scans / 2, scans - 2}) {
            const RecordedScan s = r.scan(r.scanAt(RepeatedScanDevice::offsetOf(i) + 1));
            QCOMPARE(s.offsetMs, RepeatedScanDevice::offsetOf(i));
            QCOMPARE(s.distance, d);
            QCOMPARE(s.intensity, in);
        }

        const int damaged = scans - 3;
        QVERIFY(qint64(damaged) * lineLength > (Q_INT64_C(1) << 31));
        QVERIFY(
            !r.open(std::make_unique<RepeatedScanDevice>(lines.at(0) + '\n', tail, scans, damaged), &error));
        QCOMPARE(int(error.kind), int(RecordingError::BadLine));
        QCOMPARE(error.line, damaged + 2);
        QCOMPARE(r.scanCount(), 0);
    }

    // A file written over while it is open is not read as the recording that was checked.
    void recordingWrittenOverIsNotReadAsScans()
    {
        const QString path = write(QStringLiteral("over.vscan"), m_good);
        ScanRecording r;
        RecordingError error;
        QVERIFY(r.open(path, &error));
        const ScanRecording copy = r; // copies share the file
        QCOMPARE(copy.scan(1).distance.size(), 8);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.seek(m_good.indexOf("\nS ") + 1));
        f.write("R");
        f.close();
        RecordedScan s;
        QVERIFY(!copy.readScan(1, &s));
        QVERIFY(r.scan(1).distance.isEmpty());
        QVERIFY(r.readScan(0, &s));
        QCOMPARE(s.distance.size(), 8);
    }

    // The index beside a recording: the writer leaves one and an open uses it, giving what reading
    // the file through gives; one that no longer matches the file, or is damaged, is not trusted.
    void indexBesideRecordingIsUsedOnlyWhileItMatches()
    {
        const QString written = m_dir.filePath(QStringLiteral("good.vscan"));
        const QString path = write(QStringLiteral("indexed.vscan"), m_good);
        const QString index = recordingIndexPath(path);
        QVERIFY(!QFile::exists(index));
        RecordingError error;
        ScanRecording full, fast, fromWriter;
        QVERIFY(full.open(path, &error));
        QVERIFY(!full.openedFromIndex());
        QVERIFY(QFile::exists(index));
        QVERIFY(fast.open(path, &error));
        QVERIFY(fast.openedFromIndex());
        QVERIFY(fromWriter.open(written, &error));
        QVERIFY(fromWriter.openedFromIndex());
        for (const ScanRecording *r : {&fast, &fromWriter}) {
            QCOMPARE(r->header(), full.header());
            QCOMPARE(r->scanCount(), full.scanCount());
            QCOMPARE(r->durationMs(), full.durationMs());
            QCOMPARE(r->selfChecks().size(), 1);
            QCOMPARE(r->selfChecks()[0].report, full.selfChecks()[0].report);
            for (int k = 0; k < full.scanCount(); ++k)
                QCOMPARE(r->scan(k), full.scan(k));
        }

        // Garbage, a cut index and one flipped byte: read through, and a sound index saved again.
        const QByteArray sound = [&] {
            QFile f(index);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        QByteArray flipped = sound;
        flipped[40] = char(flipped[40] ^ 0x10);
        for (const QByteArray &bad : {QByteArray(3000, '\xA5'), sound.left(sound.size() - 9), flipped}) {
            write(QStringLiteral("indexed.vscan.idx"), bad);
            ScanRecording r;
            QVERIFY(r.open(path, &error));
            QVERIFY(!r.openedFromIndex());
            QCOMPARE(r.scan(1), full.scan(1));
            QVERIFY(r.open(path, &error));
            QVERIFY(r.openedFromIndex());
        }

        // A recording changed after its index was made: its damage is found as without an index.
        QFile f(path);
        QVERIFY(f.open(QIODevice::Append));
        f.write("R 5 0 x\n");
        f.close();
        ScanRecording r;
        QVERIFY(!r.open(path, &error));
        QCOMPARE(int(error.kind), int(RecordingError::BadLine));
        QCOMPARE(error.line, 7);
    }

    // Beside a valid index the lines are checked when read: a scan damaged since (the file's time set
    // back, its head and tail unchanged) is reported by its line, never shown as points.
    void damageBehindValidIndexIsReportedByLine()
    {
        RecordingHeader header;
        header.model = 7;
        header.start = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
        const QString path = m_dir.filePath(QStringLiteral("long.vscan"));
        ScanRecordingWriter writer;
        QVERIFY(writer.open(path, header));
        std::mt19937 random(3);
        QVector<quint16> d(2000);
        for (int k = 0; k < 200; ++k) {
            for (quint16 &v : d)
                v = quint16(random());
            QVERIFY(writer.addScan(RecordedScan::Revolution, k * 67, d.constData(), d.constData(), d.size()));
        }
        QVERIFY(writer.close(200 * 67));
        const QDateTime modified = QFileInfo(path).lastModified();

        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const QByteArray bytes = f.readAll();
        int at = 0;
        for (int line = 1; line < 101; ++line) // the start of line 101, scan 99
            at = bytes.indexOf('\n', at) + 1;
        QVERIFY(f.seek(at + 1000));
        f.write(bytes.at(at + 1000) == 'A' ? "B" : "A");
        QVERIFY(f.flush());
        QVERIFY(f.setFileTime(modified, QFileDevice::FileModificationTime));
        f.close();

        ScanRecording r;
        RecordingError error;
        QVERIFY(r.open(path, &error));
        QVERIFY(r.openedFromIndex());
        RecordedScan scan;
        QVERIFY(r.readScan(98, &scan, &error));
        QVERIFY(!r.readScan(99, &scan, &error));
        QCOMPARE(int(error.kind), int(RecordingError::BadLine));
        QCOMPARE(error.line, 101);
        QVERIFY(scan.distance.isEmpty());
        // Played, it is shown empty and its line reported.
        const auto store = std::make_unique<SCAN_DATA>();
        ScanPlayback playback(store.get());
        QSignalSpy damaged(&playback, &ScanPlayback::damagedLine);
        QVERIFY(playback.open(r, path));
        playback.seek(99 * 67);
        QCOMPARE(damaged.size(), 1);
        QCOMPARE(damaged[0][0].toInt(), 101);
        QCOMPARE(store->EtherCount, 0);
        QFile::remove(recordingIndexPath(path));
        QVERIFY(!r.open(path, &error));
        QCOMPARE(error.line, 101);
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
