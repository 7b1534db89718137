// Recording the live scan through the real exchange: what the exchange announces is what the recording
// reads back, revolution by revolution, even when one network read completes several revolutions.
#include "comm/codec/hisn.h"
#include "exchange_helpers.h"
#include "scan/scan_recorder.h"

#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

class TestExchangeRecord : public QObject, public ExchangeRig {
    Q_OBJECT

private slots:
    void init()
    {
        ScanData().ConnectType = 1;
        buildExchange(this);
    }
    void cleanup() { tearDownExchange(); }

    void recordingOfTheStandInReadsBackExactly()
    {
        const char *address = "127.0.19.1";
        m_sim = startSimAt(address, {QStringLiteral("--rate"), QStringLiteral("50")});
        QVERIFY(m_sim);
        QVERIFY(connectTcp(m_comm->Engine(), address));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("site.vscan"));

        ScanRecorder recorder(&ScanData());
        RecordingHeader header;
        header.model = 3;
        header.pointsPerDegree = 20;
        header.installDir = true;
        header.product = {3, 105, 4711, 2026, 11, 30};
        header.start = QDateTime(QDate(2026, 12, 7), QTime(9, 30, 0, 125), Qt::UTC);
        QVERIFY(recorder.start(path, header));
        QVector<QVector<quint16>> announced;
        connect(m_comm.get(), &SERIAL_COMM::ReceiveScanfData, &recorder, &ScanRecorder::scanArrived);
        connect(m_comm.get(), &SERIAL_COMM::ReceiveScanfData, this, [&] {
            const SCAN_DATA &s = ScanData();
            announced.append(QVector<quint16>(s.EtherDistance, s.EtherDistance + s.EtherCount) +
                             QVector<quint16>(s.EtherIntensity, s.EtherIntensity + s.EtherCount));
        });
        connect(m_comm.get(), &SERIAL_COMM::SelfCheckStatus, &recorder, &ScanRecorder::selfCheck);
        connect(m_comm.get(), &SERIAL_COMM::IOPortSignals, &recorder, &ScanRecorder::ioPorts);
        QSignalSpy selfChecks(m_comm.get(), &SERIAL_COMM::IOPortSignals);
        m_comm->OpenSendReadScanf();
        m_comm->OpenSendReadSimulation();
        QTRY_VERIFY_WITH_TIMEOUT(announced.size() >= 8 && selfChecks.count() >= 1, 10000);
        m_comm->CloseSendReadScanf();
        const QList<QVariant> lastCheck = selfChecks.last();
        QVERIFY(recorder.stop());
        QCOMPARE(recorder.dropped(), 0);

        ScanRecording recording;
        RecordingError error;
        QVERIFY2(recording.open(path, &error), qPrintable(describe(error, Language::English)));
        QCOMPARE(recording.header(), header);
        QCOMPARE(recording.scanCount(), announced.size());
        qint64 previous = -1;
        for (int i = 0; i < recording.scanCount(); ++i) {
            const RecordedScan scan = recording.scan(i);
            QCOMPARE(scan.kind, RecordedScan::Revolution);
            QCOMPARE(scan.distance.size(), 20 * 320);
            QCOMPARE(scan.distance + scan.intensity, announced[i]);
            QVERIFY(scan.offsetMs >= previous);
            previous = scan.offsetMs;
        }
        QVERIFY(recording.scan(0).distance != recording.scan(1).distance); // the scene moves
        QVERIFY(!recording.selfChecks().isEmpty());
        const SelfCheckReport &r = recording.selfChecks().last().report;
        QCOMPARE(r.InputPorts, lastCheck.at(0).toUInt());
        QCOMPARE(r.OutputPorts, lastCheck.at(1).toUInt());
        QVERIFY(r.Temperature > 3000 && r.ReceiveVoltage > 14000);
    }

    // Three whole revolutions arriving in one read, followed by the start of a fourth: each announcement
    // shows its own revolution, and afterwards the rings hold what the stream left in them.
    void everyRevolutionOfOneReadIsAnnouncedWithItsOwnPoints()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.19.2")), 8080));
        QVERIFY(connectTcp(m_comm->Engine(), "127.0.19.2"));
        QVERIFY(server.hasPendingConnections() || server.waitForNewConnection(3000));
        QTcpSocket *peer = server.nextPendingConnection();

        constexpr int g = 2, n = g * 320;
        QByteArray bytes;
        for (int r = 0; r <= 4; ++r) { // the first revolution of a stream only sets the resolution
            QVector<quint16> d(n), in(n);
            for (int i = 0; i < n; ++i) {
                d[i] = quint16(1000 * r + i);
                in[i] = quint16(r);
            }
            if (r < 4) {
                appendHisnRevolution(bytes, g, d.constData(), in.constData());
            } else {
                HisnHeader h;
                h.StartAngle = 20;
                h.EndAngle = 30;
                h.CountA = h.CountB = quint16(g * 10);
                appendHisnPacket(bytes, h, d.constData(), in.constData());
            }
        }
        QList<QPair<int, int>> seen; // first distance, intensity of each announcement
        connect(m_comm.get(), &SERIAL_COMM::ReceiveIntensityData, this, [&] {
            QCOMPARE(ScanData().EtherCount, n);
            seen.append({ScanData().EtherDistance[n - 1], ScanData().EtherIntensity[0]});
        });
        peer->write(bytes);
        peer->flush();
        QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 3, 5000);
        QTest::qWait(50);
        QCOMPARE(seen.size(), 3);
        QCOMPARE(seen[0], qMakePair(1000 + n - 1, 1));
        QCOMPARE(seen[1], qMakePair(2000 + n - 1, 2));
        QCOMPARE(seen[2], qMakePair(3000 + n - 1, 3));
        // The fourth revolution's first packet is in the rings' start, the third revolution after it.
        QCOMPARE(int(ScanData().EtherDistance[0]), 4000);
        QCOMPARE(int(ScanData().EtherDistance[n - 1]), 3000 + n - 1);
    }

    // The stand-in replaying a recording serves its revolutions as they were recorded; a damaged
    // recording keeps it from starting, with the reason.
    void standInReplaysARecording()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("replay.vscan"));
        constexpr int n = 4 * 320;
        QVector<QVector<quint16>> recorded;
        {
            RecordingHeader header;
            header.pointsPerDegree = 4;
            header.start = QDateTime::currentDateTimeUtc();
            ScanRecordingWriter writer;
            QVERIFY(writer.open(path, header));
            for (int r = 0; r < 3; ++r) {
                QVector<quint16> d(n), in(n);
                for (int i = 0; i < n; ++i) {
                    d[i] = quint16(1000 + 3000 * r + i);
                    in[i] = quint16(r * 7 + i % 5);
                }
                QVERIFY(writer.addScan(RecordedScan::Revolution, 150 * r, d.constData(), in.constData(), n));
                recorded << d + in;
            }
            QVERIFY(writer.close(450));
        }
        const char *address = "127.0.19.3";
        m_sim = startSimAt(
            address, {QStringLiteral("--rate"), QStringLiteral("20"), QStringLiteral("--replay"), path});
        QVERIFY(m_sim);
        QVERIFY(connectTcp(m_comm->Engine(), address));
        QSet<int> seen;
        int foreign = 0;
        connect(m_comm.get(), &SERIAL_COMM::ReceiveIntensityData, this, [&] {
            const SCAN_DATA &s = ScanData();
            const QVector<quint16> got = QVector<quint16>(s.EtherDistance, s.EtherDistance + s.EtherCount) +
                                         QVector<quint16>(s.EtherIntensity, s.EtherIntensity + s.EtherCount);
            const int k = recorded.indexOf(got);
            k < 0 ? ++foreign : (seen.insert(k), 0);
        });
        m_comm->OpenSendReadScanf();
        QTRY_VERIFY_WITH_TIMEOUT(seen.size() == 3, 10000);
        m_comm->CloseSendReadScanf();
        QCOMPARE(foreign, 0);

        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.resize(f.size() - 3); // cut short
        f.close();
        SimProcess refused(QProcess::SeparateChannels);
        QVERIFY(!refused.start(
            {QStringLiteral("--address"), QStringLiteral("127.0.19.4"), QStringLiteral("--replay"), path}));
        QVERIFY2(refused.error.contains(QStringLiteral("cut short")), qPrintable(refused.error));
    }
};

QTEST_MAIN(TestExchangeRecord)
#include "tst_exchange_record.moc"
