// Frames written out by hand from the frame tables, byte by byte, and checked against both the
// encoders and the decoders. The program and the stand-in share one codec, so an error in it passes
// every exchange test; these bytes do not come from it. Checksums of the short frames were computed
// apart from the codec; the long frames are sealed by the bitwise checksum below, written from the
// algorithm and not from the codec's routine.
#include "comm/codec/codec.h"

#include <QtTest>
#include <cstring>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

// CRC-16/MODBUS, one bit at a time.
quint16 referenceCrc(const QByteArray &bytes, int count)
{
    quint16 r = 0xFFFF;
    for (int i = 0; i < count; ++i) {
        r ^= uchar(bytes[i]);
        for (int bit = 0; bit < 8; ++bit)
            r = (r & 1) ? quint16((r >> 1) ^ 0xA001) : quint16(r >> 1);
    }
    return r;
}

// A long frame laid out by offset, as the tables give it: zeroed, big-endian values, sealed with the
// checksum low byte first (or not, for the scan replies).
struct Layout {
    QByteArray b;
    Layout(const char *code, int length) : b(length, '\0') { std::memcpy(b.data(), code, 5); }
    Layout &u8(int at, int v)
    {
        b[at] = char(v & 0xFF);
        return *this;
    }
    Layout &be16(int at, int v)
    {
        b[at] = char((v >> 8) & 0xFF);
        b[at + 1] = char(v & 0xFF);
        return *this;
    }
    QByteArray sealed() const
    {
        QByteArray out = b;
        const quint16 c = referenceCrc(out, out.size() - 2);
        out[out.size() - 2] = char(c & 0xFF);
        out[out.size() - 1] = char(c >> 8);
        return out;
    }
};

const uchar *u(const QByteArray &a)
{
    return reinterpret_cast<const uchar *>(a.constData());
}

// The frame of code taken out of rx with its checksum checked, as the receiver takes it (zeros when
// none was taken, so that the decoders read nothing past its end).
QByteArray takeReply(QByteArray &rx, FrameCode code)
{
    QByteArray frame;
    if (extractReplyFrame(rx, code, frame) == Extract::Taken)
        return frame;
    QTest::qFail("reply not taken", __FILE__, __LINE__);
    return QByteArray(frameInfo(code).replyLength, '\0');
}

ParsedRequest parse(const QByteArray &frame)
{
    QByteArray rx = frame;
    ParsedRequest req;
    const RequestExtract r = extractRequest(rx, req);
    if (r != RequestExtract::Taken || !rx.isEmpty())
        QTest::qFail("request not taken whole", __FILE__, __LINE__);
    return req;
}

// Area 7: a polygon given out of bearing order, an arc given larger angle first, a straight zone.
AREA_DATA goldenArea()
{
    AREA_DATA a;
    a.OpenDelay = 1;
    a.CloseDelay = 2;
    a.Hysteresis = 3;
    a.DetectionSize = 4;
    a.Out1Shape = Polygon;
    a.Out1Coord = {{1000, 2000}, {-1500, 3000}, {2500, -500}, {0, 4000}};
    a.Out2Shape = Arc;
    a.Out2Coord = {{-1000, 4000}, {4000, 1000}};
    a.Out3Shape = Straight;
    a.Out3Coord = {{0, 2500}};
    return a;
}

// The same area as the record carries it: polygon points in ascending bearing
// (-11.3°, 63.4°, 90°, 116.6°), arc 14° .. 104° with the first point's radius 4123, the straight
// zone's y in all three parameter slots.
QByteArray goldenAreaRecord(const char *code)
{
    Layout l(code, 1264);
    l.u8(5, 7).be16(6, 1).be16(8, 2).be16(10, 3).be16(12, 4);
    l.be16(14, Polygon).be16(16, 4);
    l.be16(30, Arc).be16(32, 2).be16(34, 14).be16(36, 104).be16(38, 4123);
    l.be16(46, Straight).be16(48, 1).be16(56, 2500).be16(58, 2500).be16(60, 2500);
    const int polygon[][2] = {{2500, -500}, {1000, 2000}, {0, 4000}, {-1500, 3000}};
    for (int i = 0; i < 4; ++i)
        l.be16(62 + 4 * i, polygon[i][0]).be16(64 + 4 * i, polygon[i][1]);
    return l.sealed();
}

const int kParameters[SENSOR_PARAMETERS::kCount] = {1, 3, 1, 0, 12, 2,     1,   1, 100, 4, 1,   2,    3,
                                                    1, 1, 0, 5, 1,  49320, 344, 2, 0,   1, 250, 65535};

QByteArray goldenParameters(const char *code)
{
    Layout l(code, 67);
    for (int k = 0; k < SENSOR_PARAMETERS::kCount; ++k)
        l.be16(5 + 2 * k, kParameters[k]);
    return l.sealed();
}

SENSOR_PARAMETERS parametersFromTable()
{
    SENSOR_PARAMETERS p;
    for (int k = 0; k < SENSOR_PARAMETERS::kCount; ++k)
        p.setValue(k, kParameters[k]);
    return p;
}

// Area 0 steers -15° .. 20° at 100 .. 2000 in mode 3, area 63 counts 1 .. 5, the rest zero.
QByteArray goldenCases(const char *code)
{
    Layout l(code, 647);
    l.be16(5, -15).be16(7, 20).be16(9, 100).be16(11, 2000).be16(13, 3);
    for (int k = 0; k < 5; ++k)
        l.be16(5 + 630 + 2 * k, k + 1);
    return l.sealed();
}

QVector<CaseChannel> casesFromTable()
{
    QVector<CaseChannel> c(64);
    c[0] = {-15, 20, 100, 2000, 3};
    c[63] = {1, 2, 3, 4, 5};
    return c;
}

} // namespace

class TestGoldenFrames : public QObject {
    Q_OBJECT
private slots:
    void init() { ProjectData().resetToStartup(); }

    void plainRequestsAreTheLettersAndTheirChecksum_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("RBoot") << int(FrameCode::RBoot) << hex("52426F6F74947E");
        QTest::newRow("RPrda") << int(FrameCode::RPrda) << hex("5250726461C7FF");
        QTest::newRow("RPara") << int(FrameCode::RPara) << hex("5250617261385A");
        QTest::newRow("RCase") << int(FrameCode::RCase) << hex("52436173653C8D");
        QTest::newRow("RScan") << int(FrameCode::RScan) << hex("525363616ED4EA");
        QTest::newRow("RStre") << int(FrameCode::RStre) << hex("52537472652819");
    }

    void plainRequestsAreTheLettersAndTheirChecksum()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, frame);
        TxFrame tx;
        QVERIFY(buildPlainRequest(tx, FrameCode(code)));
        QCOMPARE(tx.bytes(), frame);
        QCOMPARE(int(parse(frame).code), code);
    }

    void shortRequestsWithPayload()
    {
        TxFrame tx;
        buildReadAreaRequest(tx, 5);
        const QByteArray readArea = hex("5241726561 05 18 1397");
        QCOMPARE(tx.bytes(), readArea);
        ParsedRequest req = parse(readArea);
        QCOMPARE(req.code, FrameCode::RArea);
        QCOMPARE(req.areaIndex, 5);
        QCOMPARE(req.areaConstant, 24);

        buildAutoRequest(tx, true);
        QCOMPARE(tx.bytes(), hex("524175746F 01 8780"));
        QVERIFY(parse(tx.bytes()).autoStart);
        buildAutoRequest(tx, false);
        QCOMPARE(tx.bytes(), hex("524175746F 00 4640"));
        QVERIFY(!parse(hex("524175746F 00 4640")).autoStart);

        SENSOR_CONTROL control;
        control.SleepMode = 1;
        control.MotorSpeed = 2;
        control.ScanAngle = 3;
        control.FilterLevel = 4;
        const QByteArray sctrl = hex("53437472 6C 01 00 02 03 04 66F5");
        buildScanControlRequest(tx, control);
        QCOMPARE(tx.bytes(), sctrl);
        req = parse(sctrl);
        QCOMPARE(req.scanControl.SleepMode, 1);
        QCOMPARE(req.scanControl.MotorSpeed, 2);
        QCOMPARE(req.scanControl.ScanAngle, 3);
        QCOMPARE(req.scanControl.FilterLevel, 4);

        // Inputs simulated (mode 1), inputs 0x05, steering -30°, speed 1200, option 3, outputs
        // simulated with 0x06, fault 2.
        SimulationRequest sim;
        sim.Mode = 1;
        sim.InputBits = 0x05;
        sim.Dgree = -30;
        sim.Speed = 1200;
        sim.OptionMode = 3;
        sim.OutputSimulation = true;
        sim.OutputBits = 0x06;
        sim.Fault = 2;
        const QByteArray wsimu = hex("5753696D75 01 05 FFE2 04B0 0003 01 06 02 37A8");
        buildSimulationRequest(tx, sim);
        QCOMPARE(tx.bytes(), wsimu);
        QCOMPARE(parse(wsimu).simulation, sim);
    }

    void longRequestsMatchTheirTables()
    {
        TxFrame tx;
        const QByteArray warea = goldenAreaRecord("WArea");
        buildWriteAreaRequest(tx, 7, goldenArea(), false);
        QCOMPARE(tx.bytes().toHex(), warea.toHex());
        ParsedRequest req = parse(warea);
        QCOMPARE(req.code, FrameCode::WArea);
        QCOMPARE(req.areaIndex, 7);
        QCOMPARE(req.area.Out1Coord, (QVector<QPoint>{{2500, -500}, {1000, 2000}, {0, 4000}, {-1500, 3000}}));
        QCOMPARE(req.area.Out3Coord, QVector<QPoint>{QPoint(0, 2500)});

        const QByteArray wpara = goldenParameters("WPara");
        buildWriteParametersRequest(tx, parametersFromTable());
        QCOMPARE(tx.bytes().toHex(), wpara.toHex());
        QCOMPARE(parse(wpara).parameters, parametersFromTable());

        const QByteArray wcase = goldenCases("WCase");
        buildWriteCaseRequest(tx, casesFromTable());
        QCOMPARE(tx.bytes().toHex(), wcase.toHex());
        QCOMPARE(parse(wcase).cases, casesFromTable());
    }

    void statusRepliesCarryOneByte()
    {
        TxFrame tx;
        QVERIFY(buildStatusReply(tx, FrameCode::WArea, 2));
        QCOMPARE(tx.bytes(), hex("5741726561 02 92C5"));
        QVERIFY(buildStatusReply(tx, FrameCode::WPara, 2));
        QCOMPARE(tx.bytes(), hex("5750617261 02 DA46"));
        QVERIFY(buildStatusReply(tx, FrameCode::WCase, 2));
        QCOMPARE(tx.bytes(), hex("5743617365 02 0C85"));
        QVERIFY(buildStatusReply(tx, FrameCode::RBoot, 0));
        QCOMPARE(tx.bytes(), hex("52426F6F74 00 7FAF"));

        QByteArray rx = hex("5741726561 02 92C5") + hex("5750617261 02 DA46") + hex("5743617365 02 0C85") +
                        hex("52426F6F74 00 7FAF");
        QCOMPARE(decodeStatus(u(takeReply(rx, FrameCode::WArea))), 2);
        QCOMPARE(decodeStatus(u(takeReply(rx, FrameCode::WPara))), 2);
        QCOMPARE(decodeStatus(u(takeReply(rx, FrameCode::WCase))), 2);
        takeReply(rx, FrameCode::RBoot);
        QVERIFY(rx.isEmpty());
    }

    void productAndSelfCheckReplies()
    {
        // Model 50, firmware 1.52, serial 12345, made 2026-12-07.
        const QByteArray product = Layout("RPrda", 509)
                                       .be16(5, 50)
                                       .be16(7, 152)
                                       .be16(9, 12345)
                                       .be16(11, 2026)
                                       .be16(13, 12)
                                       .be16(15, 7)
                                       .sealed();
        const ProductInfo info{50, 152, 12345, 2026, 12, 7};
        TxFrame tx;
        buildProductReply(tx, info);
        QCOMPARE(tx.bytes().toHex(), product.toHex());
        QByteArray rx = product;
        QCOMPARE(decodeProductInfo(u(takeReply(rx, FrameCode::RPrda))), info);

        // Inputs 0x81 (widened with its sign), outputs 0x02, status 0x0100, -5.12 °C, 600, 2400, 1200, 330.
        const QByteArray selfCheck = hex("5753696D75 81 00 02 00 0100 FE00 0258 0960 04B0 014A 2002");
        SelfCheckReport report;
        report.InputPorts = 0xFFFFFF81u;
        report.OutputPorts = 0x02;
        report.Status = 0x0100;
        report.Temperature = -512;
        report.RotationSpeed = 600;
        report.DriveVoltage = 2400;
        report.SendVoltage = 1200;
        report.ReceiveVoltage = 330;
        buildSelfCheckReply(tx, report);
        QCOMPARE(tx.bytes(), selfCheck);
        rx = selfCheck;
        QCOMPARE(decodeSelfCheck(u(takeReply(rx, FrameCode::WSimu))), report);

        SENSOR_CONTROL control;
        control.SleepMode = 1;
        control.MotorSpeed = 2;
        control.ScanAngle = 3;
        control.FilterLevel = 4;
        buildScanControlReply(tx, control);
        QCOMPARE(tx.bytes(), hex("53437472 6C 01 00 02 03 04 66F5"));
        rx = hex("53437472 6C 01 00 02 03 04 66F5");
        takeReply(rx, FrameCode::SCtrl);
    }

    void recordRepliesMatchTheirTables()
    {
        TxFrame tx;
        const QByteArray rpara = goldenParameters("RPara");
        buildParametersReply(tx, parametersFromTable());
        QCOMPARE(tx.bytes().toHex(), rpara.toHex());
        QByteArray rx = rpara;
        SENSOR_PARAMETERS read;
        decodeParameters(u(takeReply(rx, FrameCode::RPara)), read);
        QCOMPARE(read, parametersFromTable());

        const QByteArray rcase = goldenCases("RCase");
        buildCaseReply(tx, casesFromTable());
        QCOMPARE(tx.bytes().toHex(), rcase.toHex());
        rx = rcase;
        QVector<AREA_DATA> areas(64);
        storeCaseChannels(decodeCaseChannels(u(takeReply(rx, FrameCode::RCase))), areas);
        QCOMPARE(caseChannelOf(areas[0]), casesFromTable()[0]);
        QCOMPARE(caseChannelOf(areas[63]), casesFromTable()[63]);

        const QByteArray rarea = goldenAreaRecord("RArea");
        buildAreaReply(tx, 7, goldenArea(), false);
        QCOMPARE(tx.bytes().toHex(), rarea.toHex());
        rx = rarea;
        QCOMPARE(decodeAreaRecord(u(takeReply(rx, FrameCode::RArea)), areas[7], false), 7);
        const AREA_DATA &a = areas[7];
        QCOMPARE(a.OpenDelay, 1);
        QCOMPARE(a.DetectionSize, 4);
        QCOMPARE(a.Out1Shape, int(Polygon));
        QCOMPARE(a.Out1Coord, (QVector<QPoint>{{2500, -500}, {1000, 2000}, {0, 4000}, {-1500, 3000}}));
        QCOMPARE(a.Out2Shape, int(Arc));
        // 4123 at 14° and at 104°: (4000.5, 997.4) and (-997.4, 4000.5), truncated.
        QCOMPARE(a.Out2Coord.size(), 2);
        const QPoint arcEnds[] = {{4000, 997}, {-997, 4000}};
        for (int i = 0; i < 2; ++i) {
            QVERIFY2(qAbs(a.Out2Coord[i].x() - arcEnds[i].x()) <= 1,
                     qPrintable(QString::number(a.Out2Coord[i].x())));
            QVERIFY2(qAbs(a.Out2Coord[i].y() - arcEnds[i].y()) <= 1,
                     qPrintable(QString::number(a.Out2Coord[i].y())));
        }
        QCOMPARE(a.Out3Shape, int(Straight));
        QCOMPARE(a.Out3Coord, QVector<QPoint>{QPoint(0, 2500)});
    }

    void scanRepliesCarryNoChecksumAndReverseTheBeams()
    {
        // Beam k reads 3k, except beam 1 at 0xFFFF (clamped to the range limit).
        Layout l("RScan", 1285);
        quint16 values[640];
        for (int k = 0; k < 640; ++k) {
            values[k] = quint16(k == 1 ? 0xFFFF : 3 * k);
            l.be16(5 + 2 * k, values[k]);
        }
        TxFrame tx;
        QVERIFY(buildScanReply(tx, FrameCode::RScan, values));
        QCOMPARE(tx.bytes().toHex(), l.b.toHex());
        QByteArray rx = l.b;
        SCAN_DATA scan;
        decodeScanValues(u(takeReply(rx, FrameCode::RScan)), scan.SerialDistance, false, 30000);
        QCOMPARE(int(scan.SerialDistance[639]), 0);
        QCOMPARE(int(scan.SerialDistance[638]), 30000);
        QCOMPARE(int(scan.SerialDistance[0]), 3 * 639);
    }

    void scanPacketPointsAreLittleEndian()
    {
        // Start 20°, end 30°, count A 3, sequence 1, count B 3; points (1000, 50), (258, 1), (65535, 0).
        const QByteArray packet = hex("4849534E 0014 001E 0003 0001 0003 0000 E803 3200 0201 0100 FFFF 0000");
        HisnHeader h;
        h.StartAngle = 20;
        h.EndAngle = 30;
        h.CountA = 3;
        h.Sequence = 1;
        h.CountB = 3;
        const quint16 distance[] = {1000, 258, 65535};
        const quint16 intensity[] = {50, 1, 0};
        QByteArray built;
        appendHisnPacket(built, h, distance, intensity);
        QCOMPARE(built.toHex(), packet.toHex());
        const HisnHeader parsed = parseHisnHeader(reinterpret_cast<const uchar *>(packet.constData()));
        QCOMPARE(parsed.pointCount(), 3);
        QCOMPARE(parsed.packetLength(), 28);
        QCOMPARE(int(parsed.EndAngle), 30);

        SCAN_DATA scan;
        HisnAssembly state;
        QByteArray rx = packet;
        extractHisn(rx, scan, state, 60000);
        QVERIFY(rx.isEmpty());
        QCOMPARE(int(scan.EtherDistance[0]), 1000);
        QCOMPARE(int(scan.EtherIntensity[0]), 50);
        QCOMPARE(int(scan.EtherDistance[1]), 258);
        QCOMPARE(int(scan.EtherDistance[2]), 60000);
    }
};

QTEST_MAIN(TestGoldenFrames)
#include "tst_golden_frames.moc"
