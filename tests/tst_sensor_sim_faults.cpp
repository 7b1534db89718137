// The sensor stand-in's options: fault injection, UDP and pseudo-terminal serving, discovery,
// stopping on signals, and refusing bad command lines. Each case starts its own stand-in.

#include "tst_sensor_sim_harness.h"

#include <QtTest>

#include <csignal>
#include <memory>

namespace {

const QString kAddress = QStringLiteral("127.0.0.22");

QStringList withAddress(QStringList arguments)
{
    return QStringList{"--address", kAddress} + arguments;
}

// Revolutions whose last packet is in bytes: a TCP stream of back-to-back "HISN" packets, with
// replies in between.
int revolutionEnds(const QByteArray &bytes)
{
    int ends = 0;
    for (int at = bytes.indexOf("HISN"); at >= 0 && at + kHisnHeaderLength <= bytes.size();) {
        const HisnHeader h = parseHisnHeader(reinterpret_cast<const uchar *>(bytes.constData()) + at);
        if (h.EndAngle == kHisnLastEndAngle && h.Sequence == h.CountB)
            ++ends;
        at = bytes.indexOf("HISN", at + h.packetLength());
    }
    return ends;
}

TxFrame plain(FrameCode code)
{
    TxFrame tx;
    buildPlainRequest(tx, code);
    return tx;
}

} // namespace

class TestSensorSimFaults : public QObject {
    Q_OBJECT
    SimProcess sim;

private slots:
    void cleanup() { sim.stop(); }

    void dropOptionLeavesEveryNthRequestUnanswered()
    {
        QVERIFY(sim.start(withAddress({"--drop", "3"})));
        SimLink link;
        QVERIFY(link.openTcp(kAddress));
        QByteArray frame;
        for (int i = 1; i <= 6; ++i) {
            link.send(plain(FrameCode::RPara));
            const Extract e = link.await(FrameCode::RPara, &frame, i % 3 == 0 ? 600 : 3000);
            QCOMPARE(e, i % 3 == 0 ? Extract::None : Extract::Taken);
        }
    }

    void corruptOptionBreaksTheChecksumOfEveryNthReply()
    {
        QVERIFY(sim.start(withAddress({"--corrupt", "2"})));
        SimLink link;
        QVERIFY(link.openTcp(kAddress));
        QByteArray frame;
        for (int i = 1; i <= 4; ++i) {
            link.send(plain(FrameCode::RPrda));
            QCOMPARE(link.await(FrameCode::RPrda, &frame), i % 2 == 0 ? Extract::Dropped : Extract::Taken);
        }
    }

    void writeStatusOptionAnswersEveryWriteAndStoresNothingOnFailure_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("rejected") << 1;
        QTest::newRow("flash failed") << 2;
    }
    void writeStatusOptionAnswersEveryWriteAndStoresNothingOnFailure()
    {
        QFETCH(int, status);
        QVERIFY(sim.start(withAddress({"--write-status", QString::number(status)})));
        SimLink link;
        QVERIFY(link.openTcp(kAddress));

        TxFrame before = plain(FrameCode::RArea);
        buildReadAreaRequest(before, 4);
        const QByteArray original = link.exchange(before, FrameCode::RArea);
        QCOMPARE(original.size(), kAreaRecordLength);

        AREA_DATA area;
        area.Out1Coord = {QPoint(100, 100), QPoint(-100, 900)};
        TxFrame tx;
        buildWriteAreaRequest(tx, 4, area, false);
        QByteArray frame = link.exchange(tx, FrameCode::WArea);
        QVERIFY(!frame.isEmpty());
        QCOMPARE(decodeStatus(frameBytes(frame)), status);
        SENSOR_PARAMETERS p;
        p.CANIDAddress = 3;
        buildWriteParametersRequest(tx, p);
        frame = link.exchange(tx, FrameCode::WPara);
        QVERIFY(!frame.isEmpty());
        QCOMPARE(decodeStatus(frameBytes(frame)), status);
        buildWriteCaseRequest(tx, QVector<CaseChannel>(kAreaCount, CaseChannel{1, 2, 3, 4, 1}));
        frame = link.exchange(tx, FrameCode::WCase);
        QVERIFY(!frame.isEmpty());
        QCOMPARE(decodeStatus(frameBytes(frame)), status);

        QCOMPARE(link.exchange(before, FrameCode::RArea), original);
        frame = link.exchange(plain(FrameCode::RPara), FrameCode::RPara);
        QVERIFY(!frame.isEmpty());
        SENSOR_PARAMETERS read;
        decodeParameters(frameBytes(frame), read);
        QCOMPARE(read, SENSOR_PARAMETERS());
    }

    void chunkOptionSendsRepliesInPieces()
    {
        QVERIFY(sim.start(withAddress({"--chunk", "10"})));
        // Over UDP every piece is a datagram of its own, so the pieces can be counted.
        SimLink link;
        QVERIFY(link.openUdp(kAddress));
        QByteArray frame;
        link.send(plain(FrameCode::RPara));
        QCOMPARE(link.await(FrameCode::RPara, &frame), Extract::Taken);
        QCOMPARE(link.datagrams, 7); // 67 bytes in pieces of 10

        SimLink tcp;
        QVERIFY(tcp.openTcp(kAddress));
        TxFrame tx;
        buildReadAreaRequest(tx, 0);
        QCOMPARE(tcp.exchange(tx, FrameCode::RArea).size(), kAreaRecordLength);
    }

    void garbageOptionPutsStrayBytesBeforeSomeRepliesThatStayValid()
    {
        QVERIFY(sim.start(withAddress({"--garbage"})));
        SimLink link;
        QVERIFY(link.openTcp(kAddress));
        int withNoise = 0;
        for (int i = 0; i < 6; ++i) {
            link.send(plain(FrameCode::RPara));
            QByteArray frame;
            QCOMPARE(link.await(FrameCode::RPara, &frame), Extract::Taken);
            // The extractor leaves bytes in front of a frame where they were.
            if (!link.rx.isEmpty())
                ++withNoise;
            link.rx.clear();
        }
        QVERIFY(withNoise >= 1 && withNoise < 6);
    }

    void udpAnswersTheSenderAndStreamsToTheLastOne()
    {
        QVERIFY(sim.start(withAddress({"--rate", "25"})));
        SimLink first, second;
        QVERIFY(first.openUdp(kAddress));
        QVERIFY(second.openUdp(kAddress));
        QCOMPARE(first.exchange(plain(FrameCode::RPara), FrameCode::RPara).size(), 67);

        TxFrame start;
        buildAutoRequest(start, true);
        first.send(start);
        auto scan = std::make_unique<SCAN_DATA>();
        HisnAssembly state;
        // A busy test may take in several revolutions at one read: at least the number asked for.
        QVERIFY(collectRevolutions(first, *scan, state, 2, 15000) >= 2);
        QCOMPARE(scan->EtherCount, 20 * 320);

        // Another sender speaks: the stream follows it.
        QCOMPARE(second.exchange(plain(FrameCode::RPrda), FrameCode::RPrda).size(), 509);
        first.drain(200);
        QVERIFY2(!first.readMore(300), "stream still goes to the earlier sender");
        *scan = SCAN_DATA();
        state = HisnAssembly();
        QVERIFY(collectRevolutions(second, *scan, state, 1, 15000) >= 1);

        TxFrame stop;
        buildAutoRequest(stop, false);
        second.send(stop);
        second.drain(200);
        QVERIFY2(!second.readMore(300), "stream went on after RAuto 0");
    }

    void pseudoTerminalCarriesEveryByteValueUnchanged()
    {
        QVERIFY(sim.start(withAddress({"--pty"})));
        QVERIFY2(sim.pty.startsWith(QLatin1String("/dev/pts/")), qPrintable(sim.ready));
        SimLink link;
        QVERIFY(link.openPty(sim.pty));
        QCOMPARE(link.exchange(plain(FrameCode::RPara), FrameCode::RPara).size(), 67);

        // Coordinates whose bytes are line-discipline specials: CR, LF, XON, XOFF, Ctrl-C, DEL.
        AREA_DATA area;
        area.Out1Coord = {QPoint(0x0D0A, 0x1113), QPoint(0x037F, 0x0D11), QPoint(-0x0A0D, 0x1303)};
        TxFrame tx;
        buildWriteAreaRequest(tx, 11, area, false);
        const QByteArray written = tx.bytes();
        QByteArray frame = link.exchange(tx, FrameCode::WArea);
        QVERIFY(!frame.isEmpty());
        QCOMPARE(decodeStatus(frameBytes(frame)), 0);
        buildReadAreaRequest(tx, 11);
        frame = link.exchange(tx, FrameCode::RArea);
        QCOMPARE(frame.mid(5, kAreaRecordLength - 7), written.mid(5, kAreaRecordLength - 7));

        // A serial client can come and go; the line keeps serving the next one.
        TxFrame scanRequest = plain(FrameCode::RScan);
        QCOMPARE(link.exchange(scanRequest, FrameCode::RScan).size(), kScanReplyLength);
        SimLink again;
        QVERIFY(again.openPty(sim.pty));
        QCOMPARE(again.exchange(plain(FrameCode::RPrda), FrameCode::RPrda).size(), 509);
    }

    void discoveryAnswersMSearchWithTheTransportMode_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QByteArray>("announced");
        QTest::newRow("default") << QString() << QByteArray("MODE: TCP");
        QTest::newRow("udp") << QStringLiteral("udp") << QByteArray("MODE: UDP");
    }
    void discoveryAnswersMSearchWithTheTransportMode()
    {
        QFETCH(QString, mode);
        QFETCH(QByteArray, announced);
        QStringList arguments{"--discovery"};
        if (!mode.isEmpty())
            arguments << "--mode" << mode;
        QVERIFY(sim.start(withAddress(arguments)));

        QUdpSocket searcher;
        QVERIFY(searcher.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
        // Something that is not a search gets no answer.
        searcher.writeDatagram("NOTIFY * HTTP/1.1\r\n", QHostAddress(kAddress), 1900);
        QVERIFY(!searcher.waitForReadyRead(300));

        const QByteArray search = "M-SEARCH * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\n"
                                  "MAN: \"ssdp:discover\"\r\nMX: 1\r\nST: urn:test:device:sensor:1.0";
        searcher.writeDatagram(search, QHostAddress(kAddress), 1900);
        QVERIFY(searcher.waitForReadyRead(3000));
        QByteArray answer(int(searcher.pendingDatagramSize()), '\0');
        QHostAddress from;
        searcher.readDatagram(answer.data(), answer.size(), &from);
        QCOMPARE(from.toString(), kAddress);
        const int at = answer.indexOf("MODE:");
        QVERIFY(at >= 0);
        QCOMPARE(answer.mid(at, 9), announced);
    }

    void stopSignalsEndItWithExitCodeZero_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void stopSignalsEndItWithExitCodeZero()
    {
        QFETCH(int, signalNumber);
        QVERIFY(sim.start(withAddress({"--pty"})));
        // Busy when the signal comes: a client connected and a stream running.
        SimLink link;
        QVERIFY(link.openTcp(kAddress));
        TxFrame start;
        buildAutoRequest(start, true);
        link.send(start);
        QVERIFY(link.readMore(2000));
        QCOMPARE(sim.signalAndWait(signalNumber), 0);
    }

    void endedStreamReportsEveryRevolutionTheClientGot()
    {
        const QString address = QStringLiteral("127.0.17.2");
        QVERIFY(sim.start({"--address", address, "--rate", "25"}));
        SimLink link;
        QVERIFY(link.openTcp(address));
        TxFrame start, stop;
        buildAutoRequest(start, true);
        buildAutoRequest(stop, false);
        SENSOR_CONTROL control;
        control.ScanAngle = 4;
        control.SleepMode = 1;
        TxFrame sleep;
        buildScanControlRequest(sleep, control);

        // Ended by the client ("RAuto" 0), then by the motor stopping (sleep mode).
        for (const TxFrame *end : {&stop, &sleep}) {
            link.rx.clear();
            link.send(start);
            QElapsedTimer clock;
            clock.start();
            while (revolutionEnds(link.rx) < 3 && clock.elapsed() < 5000)
                link.readMore(50);
            link.send(*end);
            const QString report = sim.takeLine(QStringLiteral("stream to "), 3000);
            while (link.readMore(300)) {
            }
            // The client's address and port, then the count.
            const QRegularExpression line(
                QStringLiteral("^stream to 127(\\.\\d+){3}:\\d+ ended: (\\d+) revolutions sent, 0 skipped "
                               "while the client did not read$"));
            const QRegularExpressionMatch m = line.match(report);
            QVERIFY2(m.hasMatch(), qPrintable(report));
            QCOMPARE(m.captured(2).toInt(), revolutionEnds(link.rx));
            QVERIFY(m.captured(2).toInt() >= 3);
        }
        // Once stopped, the motor's stream has nothing more to report.
        QVERIFY(sim.takeLine(QStringLiteral("stream to "), 300).isEmpty());
    }

    void badCommandLinesAreRefusedAndHelpListsTheOptions()
    {
        for (const QStringList &bad :
             {QStringList{"--address", "foo"}, QStringList{"--address", "::1"}, QStringList{"--mode", "sctp"},
              QStringList{"--area", "64"}, QStringList{"--drop", "x"}, QStringList{"--bogus"}}) {
            QProcess p;
            p.start(QStringLiteral(VELTRIN_SIM_PATH), bad);
            QVERIFY(p.waitForFinished(5000));
            QCOMPARE(p.exitCode(), 2);
            QVERIFY2(p.readAllStandardOutput().isEmpty(), "no ready line for a refused command line");
        }
        QProcess help;
        help.start(QStringLiteral(VELTRIN_SIM_PATH), {"--help"});
        QVERIFY(help.waitForFinished(5000));
        QCOMPARE(help.exitCode(), 0);
        const QByteArray text = help.readAllStandardOutput();
        for (const char *option : {"--address", "--pty", "--rate", "--area", "--discovery", "--mode",
                                   "--drop", "--corrupt", "--write-status", "--chunk", "--garbage"})
            QVERIFY2(text.contains(option), option);
    }
};

QTEST_GUILESS_MAIN(TestSensorSimFaults)
#include "tst_sensor_sim_faults.moc"
