// The sensor stand-in as the program meets it over TCP: storage round trips, streaming, the scene,
// the self-check and IO report, reboot, and robustness against bad requests.

#include "tst_sensor_sim_harness.h"

#include <QtTest>

#include <cmath>
#include <memory>

namespace {

const QString kAddress = QStringLiteral("127.0.0.21");
constexpr int kBootMs = 600; // a short restart keeps the test quick
constexpr int kActiveArea = 9;

AREA_DATA sampleArea()
{
    AREA_DATA a;
    a.OpenDelay = 3;
    a.CloseDelay = 7;
    a.Hysteresis = 2;
    a.DetectionSize = 4;
    a.Out1Shape = Polygon;
    a.Out1Coord = {QPoint(-900, 400), QPoint(-700, 2100), QPoint(650, 2300), QPoint(1200, 300)};
    a.Out2Shape = Arc;
    a.Out2Coord = {QPoint(3000, 0), QPoint(0, 3000)};
    a.Out3Shape = Straight;
    a.Out3Coord = {QPoint(0, 1500)};
    return a;
}

double meanOf(const QVector<double> &v)
{
    double s = 0;
    for (double x : v)
        s += x;
    return v.isEmpty() ? 0 : s / v.size();
}

} // namespace

class TestSensorSim : public QObject {
    Q_OBJECT
    SimProcess sim;
    std::unique_ptr<SimLink> link;

    SelfCheckReport simulate(const SimulationRequest &request)
    {
        TxFrame tx;
        buildSimulationRequest(tx, request);
        const QByteArray frame = link->exchange(tx, FrameCode::WSimu);
        [&] { QVERIFY2(!frame.isEmpty(), "no self-check reply"); }();
        return frame.isEmpty() ? SelfCheckReport() : decodeSelfCheck(frameBytes(frame));
    }

    int writeArea(int index, const AREA_DATA &area)
    {
        TxFrame tx;
        buildWriteAreaRequest(tx, index, area, false);
        const QByteArray frame = link->exchange(tx, FrameCode::WArea);
        return frame.isEmpty() ? -1 : decodeStatus(frameBytes(frame));
    }

    int writeParameters(const SENSOR_PARAMETERS &p)
    {
        TxFrame tx;
        buildWriteParametersRequest(tx, p);
        const QByteArray frame = link->exchange(tx, FrameCode::WPara);
        return frame.isEmpty() ? -1 : decodeStatus(frameBytes(frame));
    }

    void sendAuto(bool on)
    {
        TxFrame tx;
        buildAutoRequest(tx, on);
        link->send(tx);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(sim.start({"--address", kAddress, "--area", QString::number(kActiveArea), "--rate", "25",
                            "--boot-ms", QString::number(kBootMs)}),
                 "stand-in did not report ready");
        QCOMPARE(sim.ready, QStringLiteral("ready tcp=127.0.0.21:8080 udp=127.0.0.21:8080"));
        link = std::make_unique<SimLink>();
        QVERIFY(link->openTcp(kAddress));
    }

    void cleanupTestCase()
    {
        link.reset();
        sim.stop();
    }

    void writtenAreaReadsBackTheSameRecord()
    {
        TxFrame written;
        buildWriteAreaRequest(written, 17, sampleArea(), false);
        QByteArray frame = link->exchange(written, FrameCode::WArea);
        QCOMPARE(frame.size(), kStatusReplyLength);
        QCOMPARE(decodeStatus(frameBytes(frame)), 0);

        TxFrame read;
        buildReadAreaRequest(read, 17);
        frame = link->exchange(read, FrameCode::RArea);
        QCOMPARE(frame.size(), kAreaRecordLength);
        QCOMPARE(frame.left(5), QByteArray("RArea"));
        // Everything between the code and the checksum is what was written, byte for byte.
        QCOMPARE(frame.mid(5, kAreaRecordLength - 7), written.bytes().mid(5, kAreaRecordLength - 7));

        QVector<AREA_DATA> areas(kAreaCount);
        QCOMPARE(decodeAreaRecord(frameBytes(frame), areas[17], false), 17);
        QCOMPARE(areas[17].Out1Shape, int(Polygon));
        QCOMPARE(areas[17].Out1Coord.size(), 4);
        QCOMPARE(areas[17].Out3Coord, QVector<QPoint>{QPoint(0, 1500)});
        QCOMPARE(areas[17].CloseDelay, 7);
    }

    void everyAreaAnswersAndUnwrittenOnesHoldExampleZones()
    {
        QVector<AREA_DATA> areas(kAreaCount);
        for (int i = 0; i < kAreaCount; ++i) {
            TxFrame tx;
            buildReadAreaRequest(tx, i);
            link->send(tx);
            QByteArray frame;
            QCOMPARE(link->await(FrameCode::RArea, &frame), Extract::Taken);
            QCOMPARE(areaIndexOfRecord(frameBytes(frame)), i);
            decodeAreaRecord(frameBytes(frame), areas[i], false);
        }
        for (int i : {0, 1, 2, 40, 63}) {
            int withPoints = 0;
            for (int o = 0; o < kOutputCount; ++o)
                withPoints += areas[i].coord(o).isEmpty() ? 0 : 1;
            QVERIFY2(withPoints >= 2, qPrintable(QStringLiteral("area %1 has no example zones").arg(i)));
        }
        // An index the sensor does not have is still answered, so the read sequence goes on.
        TxFrame tx;
        buildReadAreaRequest(tx, 70);
        const QByteArray frame = link->exchange(tx, FrameCode::RArea);
        QCOMPARE(frame.size(), kAreaRecordLength);
        QCOMPARE(areaIndexOfRecord(frameBytes(frame)), 70);
    }

    void areaWithIndexOutsideTheSensorIsRejected()
    {
        TxFrame tx;
        buildWriteAreaRequest(tx, 64, sampleArea(), false);
        const QByteArray frame = link->exchange(tx, FrameCode::WArea);
        QCOMPARE(frame.size(), kStatusReplyLength);
        QCOMPARE(decodeStatus(frameBytes(frame)), 1);
    }

    void parametersStartAtDefaultsAndRoundTrip()
    {
        TxFrame tx;
        buildPlainRequest(tx, FrameCode::RPara);
        QByteArray frame = link->exchange(tx, FrameCode::RPara);
        QCOMPARE(frame.size(), 67);
        SENSOR_PARAMETERS read;
        read.ControlMode = 99;
        decodeParameters(frameBytes(frame), read);
        QCOMPARE(read, SENSOR_PARAMETERS());
        QCOMPARE(read.SensorIPAddressHigh, 49320);

        SENSOR_PARAMETERS changed;
        changed.RS485IDAddress = 5;
        changed.SensorInstallDir = 1;
        changed.SensorIPAddressLow = 0x0A0B;
        changed.DirtyReceStrength = 1999;
        QCOMPARE(writeParameters(changed), 0);
        buildPlainRequest(tx, FrameCode::RPara);
        frame = link->exchange(tx, FrameCode::RPara);
        QVERIFY(!frame.isEmpty());
        decodeParameters(frameBytes(frame), read);
        QCOMPARE(read, changed);
        QCOMPARE(writeParameters(SENSOR_PARAMETERS()), 0);
    }

    void caseChannelsRoundTripWithNegativeValues()
    {
        QVector<CaseChannel> channels(kAreaCount);
        for (int i = 0; i < kAreaCount; ++i)
            channels[i] = {-170 + i, 10 + i, -300 + i, 250 - i, i % 5};
        TxFrame tx;
        buildWriteCaseRequest(tx, channels);
        QByteArray frame = link->exchange(tx, FrameCode::WCase);
        QCOMPARE(frame.size(), kStatusReplyLength);
        QCOMPARE(decodeStatus(frameBytes(frame)), 0);
        buildPlainRequest(tx, FrameCode::RCase);
        frame = link->exchange(tx, FrameCode::RCase);
        QCOMPARE(frame.size(), 647);
        QCOMPARE(decodeCaseChannels(frameBytes(frame)), channels);
    }

    void productInformationIsPlausible()
    {
        TxFrame tx;
        buildPlainRequest(tx, FrameCode::RPrda);
        const QByteArray frame = link->exchange(tx, FrameCode::RPrda);
        QCOMPARE(frame.size(), 509);
        const ProductInfo p = decodeProductInfo(frameBytes(frame));
        QVERIFY(p.Firmware > 0);
        QVERIFY(p.SerialNumber > 0);
        QVERIFY(p.Year >= 2000 && p.Year < 2100);
        QVERIFY(p.Month >= 1 && p.Month <= 12);
        QVERIFY(p.Day >= 1 && p.Day <= 31);
    }

    void streamedRevolutionsFollowTheAngleResolution_data()
    {
        QTest::addColumn<int>("resolution");
        QTest::addColumn<int>("points");
        QTest::newRow("0.025 deg") << 0 << 40 * 320;
        QTest::newRow("0.05 deg") << 1 << 20 * 320;
        QTest::newRow("0.1 deg") << 2 << 10 * 320;
        QTest::newRow("0.25 deg") << 3 << 4 * 320;
        QTest::newRow("0.5 deg") << 4 << 2 * 320;
    }
    void streamedRevolutionsFollowTheAngleResolution()
    {
        QFETCH(int, resolution);
        QFETCH(int, points);
        SENSOR_PARAMETERS p;
        p.ScanSensorAngle = resolution;
        QCOMPARE(writeParameters(p), 0);

        auto scan = std::make_unique<SCAN_DATA>();
        HisnAssembly state;
        sendAuto(true);
        QVERIFY(collectRevolutions(*link, *scan, state, 2, 15000) >= 2); // more when a busy test reads late
        QCOMPARE(scan->EtherCount, points);
        // Walls 3 to 8 m away all round, but the moving object passes as near as 1.24 m; nothing beyond
        // the room's far corner.
        int measured = 0;
        for (int i = 0; i < points; ++i) {
            const int d = scan->EtherDistance[i];
            QVERIFY2(d == 0 || (d >= 1000 && d <= 9700), qPrintable(QString::number(d)));
            measured += d > 0 ? 1 : 0;
        }
        QVERIFY(measured > points * 9 / 10);

        sendAuto(false);
        link->drain(300); // packets already on their way
        QVERIFY2(!link->readMore(400), "stream went on after RAuto 0");
        QCOMPARE(writeParameters(SENSOR_PARAMETERS()), 0);
    }

    void sceneIsARoomWithAMovingObjectAndPlausibleIntensities()
    {
        auto scanOnce = [&](FrameCode code) {
            TxFrame tx;
            buildPlainRequest(tx, code);
            link->send(tx);
            QByteArray frame;
            // No checksum on these replies: the extractor only needs the length.
            if (link->await(code, &frame) != Extract::Taken || frame.size() != kScanReplyLength)
                return QVector<int>();
            QVector<int> v(kSerialBeams);
            for (int k = 0; k < kSerialBeams; ++k)
                v[k] = wire::getU16(frameBytes(frame) + 5 + 2 * k);
            return v;
        };
        const QVector<int> d0 = scanOnce(FrameCode::RScan);
        const QVector<int> i0 = scanOnce(FrameCode::RStre);
        QCOMPARE(d0.size(), kSerialBeams);
        QCOMPARE(i0.size(), kSerialBeams);

        QVector<double> near, far;
        int dark = 0;
        for (int k = 0; k < kSerialBeams; ++k) {
            QVERIFY2(d0[k] == 0 || (d0[k] >= 1000 && d0[k] <= 9700), qPrintable(QString::number(d0[k])));
            if (i0[k] == 0)
                ++dark;
            else if (d0[k] > 0 && d0[k] < 4000)
                near.append(i0[k]);
            else if (d0[k] > 6500)
                far.append(i0[k]);
        }
        QVERIFY2(dark > 0 && dark < kSerialBeams / 10, qPrintable(QString::number(dark)));
        QVERIFY(!near.isEmpty() && !far.isEmpty());
        QVERIFY(meanOf(near) > 1.5 * meanOf(far));

        // The object moves: a second later a group of beams measures something else.
        QTest::qWait(1000);
        const QVector<int> d1 = scanOnce(FrameCode::RScan);
        QCOMPARE(d1.size(), kSerialBeams);
        int changed = 0;
        for (int k = 0; k < kSerialBeams; ++k)
            changed += std::abs(d1[k] - d0[k]) > 100 ? 1 : 0;
        QVERIFY2(changed >= 5, qPrintable(QString::number(changed)));
    }

    void selfCheckReportsSimulatedStates()
    {
        SimulationRequest none;
        SelfCheckReport r = simulate(none);
        QCOMPARE(r.InputPorts, uint(kActiveArea)); // the --area option
        QCOMPARE(r.Status, quint16(0));
        QVERIFY(r.Temperature > 2000 && r.Temperature < 6000);
        QVERIFY(std::abs(int(r.RotationSpeed) - 25 * 60) <= 5);
        QVERIFY(r.DriveVoltage > 500 && r.SendVoltage > 500 && r.ReceiveVoltage > 500);

        SimulationRequest inputs;
        inputs.Mode = 1;
        inputs.InputBits = 5;
        inputs.OutputSimulation = true;
        inputs.OutputBits = 6;
        inputs.Fault = 1;
        r = simulate(inputs);
        QCOMPARE(r.InputPorts, 5u);
        QCOMPARE(r.OutputPorts, 6u);
        QCOMPARE(r.Status, quint16(1));

        // Case channel simulation: the first area whose rule holds the steering, speed and mode.
        QVector<CaseChannel> channels(kAreaCount, CaseChannel{0, 0, 0, 0, 4});
        channels[12] = {-30, 30, 0, 100, 2};
        channels[20] = {-90, 90, -50, 200, 2};
        TxFrame tx;
        buildWriteCaseRequest(tx, channels);
        QVERIFY(!link->exchange(tx, FrameCode::WCase).isEmpty());
        SimulationRequest cases;
        cases.Mode = 2;
        cases.Dgree = 10;
        cases.Speed = 50;
        cases.OptionMode = 2;
        QCOMPARE(simulate(cases).InputPorts, 12u);
        cases.Dgree = -60;
        QCOMPARE(simulate(cases).InputPorts, 20u);
        cases.OptionMode = 3; // no rule matches: back to the configured area
        QCOMPARE(simulate(cases).InputPorts, uint(kActiveArea));
    }

    void outputLampsTellWhetherABeamEndsInsideTheZone()
    {
        // Out 1 reaches past every wall, Out 2 (a fan of 100 mm cut from Out 1) holds no beam end,
        // Out 3 (a half-circle arc of 20 m) again catches the front walls.
        AREA_DATA a;
        a.Out1Shape = Polygon;
        a.Out1Coord = {QPoint(-20000, -20000), QPoint(-20000, 20000), QPoint(20000, 20000),
                       QPoint(20000, -20000)};
        a.Out2Shape = Fan;
        a.Out2Coord = {QPoint(0, 100)};
        a.Out3Shape = Arc;
        a.Out3Coord = {QPoint(20000, 0), QPoint(-20000, 0)};
        QCOMPARE(writeArea(33, a), 0);

        SimulationRequest select;
        select.Mode = 1;
        select.InputBits = 33;
        QCOMPARE(simulate(select).OutputPorts, 0b101u);

        // A small rectangle behind the sensor, where nothing stands, keeps its output off.
        a.Out1Shape = Rectangle;
        a.Out1Coord = {QPoint(-200, -500), QPoint(-200, -300), QPoint(200, -300), QPoint(200, -500)};
        a.Out3Shape = Polygon;
        a.Out3Coord = {};
        QCOMPARE(writeArea(33, a), 0);
        QCOMPARE(simulate(select).OutputPorts, 0u);
    }

    void rebootHangsUpStaysDeafForItsBootTimeThenServesStoredDataAgain()
    {
        QCOMPARE(writeArea(5, sampleArea()), 0);
        SENSOR_CONTROL control;
        control.ScanAngle = 4; // 0.5 degrees
        TxFrame tx;
        buildScanControlRequest(tx, control);
        QCOMPARE(link->exchange(tx, FrameCode::SCtrl).size(), 12);

        auto scan = std::make_unique<SCAN_DATA>();
        HisnAssembly state;
        sendAuto(true);
        QVERIFY(collectRevolutions(*link, *scan, state, 2, 15000) >= 2); // more when a busy test reads late
        QCOMPARE(scan->EtherCount, 2 * 320);

        buildPlainRequest(tx, FrameCode::RBoot);
        link->send(tx);
        QByteArray frame;
        QCOMPARE(link->await(FrameCode::RBoot, &frame), Extract::Taken);
        QCOMPARE(frame.size(), 8);
        // The answer comes first, then the restarting sensor hangs up.
        QVERIFY2(link->waitForHangUp(1000), "the TCP connection outlived the restart");

        // While it boots nobody can connect, and a datagram gets no answer.
        SimLink refused;
        QVERIFY(!refused.openTcp(kAddress));
        SimLink datagrams;
        QVERIFY(datagrams.openUdp(kAddress));
        buildPlainRequest(tx, FrameCode::RPrda);
        datagrams.send(tx);
        QVERIFY2(!datagrams.readMore(200), "answered while restarting");

        // Back after the boot time, over both transports.
        QElapsedTimer clock;
        clock.start();
        do {
            link = std::make_unique<SimLink>();
            if (link->openTcp(kAddress))
                break;
            QTest::qWait(50);
        } while (clock.elapsed() < 10 * kBootMs);
        QCOMPARE(link->exchange(tx, FrameCode::RPrda).size(), frameInfo(FrameCode::RPrda).replyLength);
        QCOMPARE(datagrams.exchange(tx, FrameCode::RPrda).size(), frameInfo(FrameCode::RPrda).replyLength);

        // The written area is still there; the scan control is gone, the parameter's resolution holds.
        buildReadAreaRequest(tx, 5);
        frame = link->exchange(tx, FrameCode::RArea);
        TxFrame written;
        buildWriteAreaRequest(written, 5, sampleArea(), false);
        QCOMPARE(frame.mid(5, 1257), written.bytes().mid(5, 1257));
        scan = std::make_unique<SCAN_DATA>();
        state = HisnAssembly();
        sendAuto(true);
        QVERIFY(collectRevolutions(*link, *scan, state, 2, 15000) >= 2); // more when a busy test reads late
        QCOMPARE(scan->EtherCount, 20 * 320);
        sendAuto(false);
        link->drain(300);
    }

    void badRequestsDoNotStopTheNextAnswer()
    {
        TxFrame good;
        buildPlainRequest(good, FrameCode::RPara);

        // Foreign bytes, including letters that start like a code.
        link->send(QByteArray("\x00\xffRPa\x13WAr\n", 11) + good.bytes());
        QByteArray frame;
        QCOMPARE(link->await(FrameCode::RPara, &frame), Extract::Taken);

        // A request with a wrong checksum gets no answer; the next good one does.
        QByteArray broken = good.bytes();
        broken[6] = char(broken[6] ^ 0x01);
        link->send(broken + good.bytes());
        QCOMPARE(link->await(FrameCode::RPara, &frame), Extract::Taken);
        QCOMPARE(link->await(FrameCode::RPara, &frame, 500), Extract::None);

        // A write cut short, followed by a complete request.
        TxFrame area;
        buildWriteAreaRequest(area, 2, sampleArea(), false);
        link->send(area.bytes().left(300));
        QTest::qWait(100);
        link->send(good.bytes());
        QCOMPARE(link->await(FrameCode::RPara, &frame), Extract::Taken);
        QCOMPARE(link->await(FrameCode::WArea, &frame, 300), Extract::None);

        // A complete write split at every few bytes is still one request.
        for (int at = 0; at < kAreaRecordLength; at += 97) {
            link->send(area.bytes().mid(at, 97));
            QTest::qWait(1);
        }
        QCOMPARE(link->await(FrameCode::WArea, &frame), Extract::Taken);
        QCOMPARE(decodeStatus(frameBytes(frame)), 0);
        QVERIFY(sim.running());
    }
};

QTEST_GUILESS_MAIN(TestSensorSim)
#include "tst_sensor_sim.moc"
