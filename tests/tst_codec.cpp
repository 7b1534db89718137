// Frame layouts: checksum, catalogue, and every encoder against its decoder.
#include "comm/codec/codec.h"

#include <QtTest>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

Q_DECLARE_METATYPE(FrameCode)

namespace {

using Points = QVector<QPoint>;

const uchar *u(const QByteArray &a)
{
    return reinterpret_cast<const uchar *>(a.constData());
}
int be16(const TxFrame &tx, int at)
{
    return qint16((tx.data[at] << 8) | tx.data[at + 1]);
}

// Parses exactly one request out of the bytes; fails the test otherwise.
ParsedRequest parseOne(const QByteArray &bytes)
{
    QByteArray rx = bytes;
    ParsedRequest req;
    const RequestExtract r = extractRequest(rx, req);
    if (r != RequestExtract::Taken || !rx.isEmpty())
        QTest::qFail("request not parsed cleanly", __FILE__, __LINE__);
    return req;
}

AREA_DATA readBack(const AREA_DATA &written, bool writeFlag, bool readFlag)
{
    TxFrame tx;
    buildAreaReply(tx, 7, written, writeFlag);
    AREA_DATA back;
    decodeAreaRecord(tx.data, back, readFlag);
    return back;
}

} // namespace

class TestCodec : public QObject {
    Q_OBJECT
private slots:
    void init() { ProjectData().resetToStartup(); }

    void checksumMatchesModbusCheckValues_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("crc");
        QTest::newRow("123456789") << QByteArray("123456789") << 0x4B37;
        QTest::newRow("abc") << QByteArray("abc") << 0x5749;
        QTest::newRow("RPara letters") << QByteArray("RPara") << 0x5A38;
        QTest::newRow("empty") << QByteArray() << 0xFFFF;
    }
    void checksumMatchesModbusCheckValues()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, crc);
        QCOMPARE(int(crc16Modbus(bytes)), crc);
        // Continuing from a seed gives the same as one pass.
        const int half = bytes.size() / 2;
        QCOMPARE(int(crc16Modbus(u(bytes) + half, bytes.size() - half, crc16Modbus(u(bytes), half))), crc);
    }

    void writeLogFingerprintIsStandardCrc32()
    {
        QCOMPARE(crc32Ieee(QByteArray("123456789")), 0xCBF43926u);
        QCOMPARE(crc32Ieee(QByteArray()), 0u);
    }

    void checksumTravelsLowByteFirst()
    {
        uchar frame[5] = {'a', 'b', 'c', 0, 0};
        crc16Append(frame, 3);
        QCOMPARE(int(frame[3]), 0x49);
        QCOMPARE(int(frame[4]), 0x57);
        QVERIFY(crc16Verify(frame, 3));
        std::swap(frame[3], frame[4]);
        QVERIFY(!crc16Verify(frame, 3));
    }

    void readParametersRequestIsLettersAndChecksum()
    {
        TxFrame tx;
        QVERIFY(buildPlainRequest(tx, FrameCode::RPara));
        QCOMPARE(tx.bytes(), QByteArray("RPara\x38\x5A", 7));
        QVERIFY(!buildPlainRequest(tx, FrameCode::WArea));
    }

    void everyFrameHasItsCatalogueLength_data()
    {
        QTest::addColumn<FrameCode>("code");
        QTest::addColumn<int>("request");
        QTest::addColumn<int>("reply");
        QTest::newRow("RBoot") << FrameCode::RBoot << 7 << 8;
        QTest::newRow("RPrda") << FrameCode::RPrda << 7 << 509;
        QTest::newRow("RPara") << FrameCode::RPara << 7 << 67;
        QTest::newRow("WPara") << FrameCode::WPara << 67 << 8;
        QTest::newRow("RCase") << FrameCode::RCase << 7 << 647;
        QTest::newRow("WCase") << FrameCode::WCase << 647 << 8;
        QTest::newRow("RArea") << FrameCode::RArea << 9 << 1264;
        QTest::newRow("WArea") << FrameCode::WArea << 1264 << 8;
        QTest::newRow("WSimu") << FrameCode::WSimu << 18 << 23;
        QTest::newRow("SCtrl") << FrameCode::SCtrl << 12 << 12;
        QTest::newRow("RScan") << FrameCode::RScan << 7 << 1285;
        QTest::newRow("RStre") << FrameCode::RStre << 7 << 1285;
        QTest::newRow("RAuto") << FrameCode::RAuto << 8 << 0;
    }
    void everyFrameHasItsCatalogueLength()
    {
        QFETCH(FrameCode, code);
        QFETCH(int, request);
        QFETCH(int, reply);
        const FrameInfo &info = frameInfo(code);
        QCOMPARE(info.requestLength, request);
        QCOMPARE(info.replyLength, reply);
        QCOMPARE(frameInfoByName(QTest::currentDataTag()), &info);

        // What the builders produce: request and reply, code in front, valid checksum where one is carried.
        TxFrame tx;
        quint16 beams[kSerialBeams] = {};
        switch (code) {
        case FrameCode::RArea: buildReadAreaRequest(tx, 0); break;
        case FrameCode::WArea: buildWriteAreaRequest(tx, 0, AREA_DATA(), false); break;
        case FrameCode::WCase: buildWriteCaseRequest(tx, ProjectData().Areas); break;
        case FrameCode::WPara: buildWriteParametersRequest(tx, SENSOR_PARAMETERS()); break;
        case FrameCode::WSimu: buildSimulationRequest(tx, ProjectData()); break;
        case FrameCode::SCtrl: buildScanControlRequest(tx, SENSOR_CONTROL()); break;
        case FrameCode::RAuto: buildAutoRequest(tx, true); break;
        default: QVERIFY(buildPlainRequest(tx, code));
        }
        QCOMPARE(tx.length, request);
        QCOMPARE(QByteArray(tx.constData(), 5), QByteArray(QTest::currentDataTag()));
        QVERIFY(crc16Verify(tx.data, tx.length - 2));

        tx.length = 0;
        switch (code) {
        case FrameCode::RBoot:
        case FrameCode::WPara:
        case FrameCode::WCase:
        case FrameCode::WArea: QVERIFY(buildStatusReply(tx, code, 0)); break;
        case FrameCode::RPrda: buildProductReply(tx, ProductInfo()); break;
        case FrameCode::RPara: buildParametersReply(tx, SENSOR_PARAMETERS()); break;
        case FrameCode::RCase: buildCaseReply(tx, QVector<CaseChannel>(64)); break;
        case FrameCode::RArea: buildAreaReply(tx, 0, AREA_DATA(), false); break;
        case FrameCode::WSimu: buildSelfCheckReply(tx, SelfCheckReport()); break;
        case FrameCode::SCtrl: buildScanControlReply(tx, SENSOR_CONTROL()); break;
        case FrameCode::RScan:
        case FrameCode::RStre: QVERIFY(buildScanReply(tx, code, beams)); break;
        case FrameCode::RAuto: QVERIFY(!buildStatusReply(tx, code, 0)); return;
        }
        QCOMPARE(tx.length, reply);
        QCOMPARE(QByteArray(tx.constData(), 5), QByteArray(QTest::currentDataTag()));
        if (info.replyChecked)
            QVERIFY(crc16Verify(tx.data, tx.length - 2));
    }

    void areaRoundTripsThroughTheRecord_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<Points>("written");
        QTest::addColumn<bool>("installDir");
        QTest::addColumn<Points>("expected");
        // Polygons come back in ascending bearing order (bearings from -90° up to 270°).
        QTest::newRow("polygon") << int(Polygon) << Points{{0, 3000}, {2000, -1000}, {-1500, 100}} << false
                                 << Points{{2000, -1000}, {0, 3000}, {-1500, 100}};
        QTest::newRow("polygon mirrored") << int(Polygon) << Points{{0, 3000}, {2000, -1000}, {-1500, 100}}
                                          << true << Points{{-1500, 100}, {0, 3000}, {2000, -1000}};
        QTest::newRow("polygon behind") << int(Polygon) << Points{{-10, -5000}, {10, -5000}, {0, 400}}
                                        << false << Points{{10, -5000}, {0, 400}, {-10, -5000}};
        QTest::newRow("rectangle") << int(Rectangle)
                                   << Points{{-1000, 500}, {-1000, 2500}, {1000, 2500}, {1000, 500}} << false
                                   << Points{{1000, 500}, {1000, 2500}, {-1000, 2500}, {-1000, 500}};
        QTest::newRow("rectangle mirrored")
            << int(Rectangle) << Points{{-1000, 500}, {-1000, 2500}, {1000, 2500}, {1000, 500}} << true
            << Points{{-1000, 500}, {-1000, 2500}, {1000, 2500}, {1000, 500}};
        QTest::newRow("empty polygon") << int(Polygon) << Points{} << false << Points{};
        QTest::newRow("straight") << int(Straight) << Points{{0, 1500}} << false << Points{{0, 1500}};
        QTest::newRow("fan") << int(Fan) << Points{{0, 40000}} << true << Points{{0, 40000}};
        QTest::newRow("ratio") << int(Ratio) << Points{{0, 80}} << false << Points{{0, 80}};
    }
    void areaRoundTripsThroughTheRecord()
    {
        QFETCH(int, shape);
        QFETCH(Points, written);
        QFETCH(bool, installDir);
        QFETCH(Points, expected);
        AREA_DATA a;
        a.OpenDelay = 25;
        a.CloseDelay = 3;
        a.Hysteresis = 10;
        a.DetectionSize = 9;
        a.Out1Shape = Polygon;
        a.Out1Coord = {{100, 100}, {-100, 100}};
        a.Out2Shape = shape;
        a.Out2Coord = written;
        a.Out3Shape = Straight;
        a.Out3Coord = {{0, 700}};
        const AREA_DATA back = readBack(a, installDir, installDir);
        QCOMPARE(back.Out2Shape, shape);
        QCOMPARE(back.Out2Coord, expected);
        QCOMPARE(back.OpenDelay, 25);
        QCOMPARE(back.CloseDelay, 3);
        QCOMPARE(back.Hysteresis, 10);
        QCOMPARE(back.DetectionSize, 9);
        QCOMPARE(back.Out1Coord.size(), 2);
        QCOMPARE(back.Out3Coord, Points({{0, 700}}));
    }

    void arcIsWrittenAsSmallerAngleLargerAngleAndFirstRadius_data()
    {
        QTest::addColumn<Points>("written");
        QTest::addColumn<bool>("installDir");
        QTest::addColumn<int>("angleLow");
        QTest::addColumn<int>("angleHigh");
        QTest::addColumn<int>("radius");
        QTest::addColumn<Points>("readBack");
        QTest::newRow("ascending") << Points{{1000, 0}, {0, 1000}} << false << 0 << 90 << 1000
                                   << Points{{1000, 0}, {0, 1000}};
        QTest::newRow("descending") << Points{{0, 2000}, {2000, 0}} << false << 0 << 90 << 2000
                                    << Points{{2000, 0}, {0, 2000}};
        QTest::newRow("below the x axis") << Points{{3000, -3000}, {-3000, -3000}} << false << -45 << 225
                                          << 4243 << Points{{3000, -3000}, {-3000, -3000}};
        QTest::newRow("mirrored") << Points{{1000, 0}, {0, 1000}} << true << 90 << 180 << 1000
                                  << Points{{0, 1000}, {1000, 0}};
    }
    void arcIsWrittenAsSmallerAngleLargerAngleAndFirstRadius()
    {
        QFETCH(Points, written);
        QFETCH(bool, installDir);
        QFETCH(int, angleLow);
        QFETCH(int, angleHigh);
        QFETCH(int, radius);
        QFETCH(Points, readBack);
        AREA_DATA a;
        a.Out1Shape = Arc;
        a.Out1Coord = written;
        TxFrame tx;
        buildWriteAreaRequest(tx, 0, a, installDir);
        QCOMPARE(be16(tx, 14), int(Arc));
        QCOMPARE(be16(tx, 16), 2);
        QCOMPARE(be16(tx, 18), angleLow);
        QCOMPARE(be16(tx, 20), angleHigh);
        QCOMPARE(be16(tx, 22) & 0xFFFF, radius);
        AREA_DATA back;
        decodeAreaRecord(tx.data, back, installDir);
        QCOMPARE(back.Out1Shape, int(Arc));
        QCOMPARE(back.Out1Coord.size(), 2);
        QCOMPARE(back.Out1Coord, readBack);
    }

    void pointsOnOneBearingMergeButKeepTheListCount()
    {
        AREA_DATA a;
        a.Out1Coord = {{1000, 1000}, {0, 500}, {2000, 2000}};
        TxFrame tx;
        buildWriteAreaRequest(tx, 0, a, false);
        QCOMPARE(be16(tx, 16), 3);
        QCOMPARE(be16(tx, 62), 2000); // the later point on 45° replaced the earlier one
        QCOMPARE(be16(tx, 66), 0);
        QCOMPARE(be16(tx, 68), 500);
        QCOMPARE(be16(tx, 70), 0);
        AREA_DATA back;
        decodeAreaRecord(tx.data, back, false);
        QCOMPARE(back.Out1Coord, Points({{2000, 2000}, {0, 500}, {0, 0}}));
    }

    void polygonOfMoreThanHundredPointsStaysInsideItsBlock()
    {
        AREA_DATA a;
        for (int i = 0; i < 150; ++i) // 150 distinct bearings on a half circle
            a.Out1Coord.append(
                QPoint(int(5000 * std::cos(i * M_PI / 150)), int(5000 * std::sin(i * M_PI / 150)) + 1));
        a.Out2Shape = Polygon;
        a.Out2Coord = {{0, 100}, {50, 50}};
        a.Out3Shape = Rectangle;
        a.Out3Coord = {{-10, 10}, {-10, 20}, {10, 20}, {10, 10}};
        uchar buffer[kAreaRecordLength + 64];
        std::memset(buffer, 0xAB, sizeof buffer);
        encodeAreaRecord(buffer, "WArea", 3, a, false);
        for (int i = kAreaRecordLength; i < int(sizeof buffer); ++i)
            QCOMPARE(int(buffer[i]), 0xAB);
        QVERIFY(crc16Verify(buffer, kAreaRecordLength - 2));
        AREA_DATA back;
        QCOMPARE(decodeAreaRecord(buffer, back, false), 3);
        QCOMPARE(back.Out1Coord.size(), 100);
        QCOMPARE(back.Out1Coord.first(), a.Out1Coord.first());
        QCOMPARE(back.Out1Coord.last(), a.Out1Coord.at(99));
        QCOMPARE(back.Out2Coord, Points({{50, 50}, {0, 100}}));
        QCOMPARE(back.Out3Coord, Points({{10, 10}, {10, 20}, {-10, 20}, {-10, 10}}));
    }

    void coordinatesBeyondSixteenBitsAreClampedNotWrapped_data()
    {
        QTest::addColumn<QPoint>("written");
        QTest::addColumn<bool>("installDir");
        QTest::addColumn<QPoint>("readBack");
        QTest::newRow("far right") << QPoint(40000, 100) << false << QPoint(32767, 100);
        QTest::newRow("far left") << QPoint(-70000, -5) << false << QPoint(-32768, -5);
        QTest::newRow("far ahead") << QPoint(100, 65536) << false << QPoint(100, 32767);
        QTest::newRow("far behind") << QPoint(0, -32769) << false << QPoint(0, -32768);
        QTest::newRow("mirrored far left") << QPoint(-40000, 10) << true << QPoint(-32767, 10);
        QTest::newRow("mirrored int minimum") << QPoint(INT_MIN, 10) << true << QPoint(-32767, 10);
        QTest::newRow("edge kept") << QPoint(32767, -32768) << false << QPoint(32767, -32768);
    }
    void coordinatesBeyondSixteenBitsAreClampedNotWrapped()
    {
        QFETCH(QPoint, written);
        QFETCH(bool, installDir);
        QFETCH(QPoint, readBack);
        AREA_DATA a;
        a.Out1Coord = {written};
        QCOMPARE(::readBack(a, installDir, installDir).Out1Coord, Points({readBack}));
    }

    void shapeParameterOutsideItsRangeIsClamped_data()
    {
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("readBack");
        QTest::newRow("negative") << -20 << 0;
        QTest::newRow("above 16 bits") << 70000 << 65535;
        QTest::newRow("arc radius") << 100000 << 65535;
    }
    void shapeParameterOutsideItsRangeIsClamped()
    {
        QFETCH(int, written);
        QFETCH(int, readBack);
        AREA_DATA a;
        if (QByteArray(QTest::currentDataTag()) == "arc radius") {
            a.Out1Shape = Arc;
            a.Out1Coord = {{written, 0}, {written, 0}};
            TxFrame tx;
            buildWriteAreaRequest(tx, 0, a, false);
            QCOMPARE(be16(tx, 22) & 0xFFFF, readBack);
            return;
        }
        a.Out2Shape = Fan;
        a.Out2Coord = {{0, written}};
        QCOMPARE(::readBack(a, false, false).Out2Coord, Points({{0, readBack}}));
    }

    void readAreaKeepsStoredShapeForUnknownTypeAndDropsOversizedCount()
    {
        AREA_DATA a;
        a.Out1Coord = {{1, 2}, {3, 4}};
        a.Out2Shape = Straight;
        a.Out2Coord = {{0, 55}};
        TxFrame tx;
        buildAreaReply(tx, 1, a, false);
        tx.data[14 + 1] = 2;    // Out1 → rectangle, points taken from its block
        tx.data[30] = 0x01;     // only the low byte counts: still Straight
        tx.data[46 + 1] = 9;    // unknown type: Out3 keeps its stored type
        tx.data[46 + 2] = 0x00; // Out3 count 101 → no points
        tx.data[46 + 3] = 101;
        AREA_DATA stored;
        stored.Out3Shape = Polygon;
        stored.Out3Coord = {{9, 9}};
        decodeAreaRecord(tx.data, stored, false);
        QCOMPARE(stored.Out1Shape, int(Rectangle));
        QCOMPARE(stored.Out1Coord, Points({{3, 4}, {1, 2}}));
        QCOMPARE(stored.Out2Shape, int(Straight));
        QCOMPARE(stored.Out2Coord, Points({{0, 55}}));
        QCOMPARE(stored.Out3Shape, int(Polygon));
        QVERIFY(stored.Out3Coord.isEmpty());
    }

    void writeAreaRequestParsesBackOnTheSensorSide()
    {
        AREA_DATA a;
        a.DetectionSize = 4;
        a.Out1Shape = Rectangle;
        a.Out1Coord = {{1000, 500}, {1000, 2500}, {-1000, 2500}, {-1000, 500}};
        TxFrame tx;
        buildWriteAreaRequest(tx, 42, a, false);
        const ParsedRequest req = parseOne(tx.bytes());
        QCOMPARE(req.code, FrameCode::WArea);
        QCOMPARE(req.areaIndex, 42);
        QCOMPARE(req.area.DetectionSize, 4);
        QCOMPARE(req.area.Out1Coord, a.Out1Coord);
        // The stand-in can answer with exactly the record it was sent.
        TxFrame reply;
        QVERIFY(buildAreaReplyFromRecord(reply, req.frame));
        QCOMPARE(QByteArray(reply.constData(), 5), QByteArray("RArea"));
        QCOMPARE(reply.bytes().mid(5, 1257), tx.bytes().mid(5, 1257));
        QVERIFY(crc16Verify(reply.data, 1262));

        buildReadAreaRequest(tx, 63);
        const ParsedRequest read = parseOne(tx.bytes());
        QCOMPARE(read.code, FrameCode::RArea);
        QCOMPARE(read.areaIndex, 63);
        QCOMPARE(read.areaConstant, 24);
    }

    void caseChannelsRoundTripWithNegativeValues()
    {
        QVector<AREA_DATA> &areas = ProjectData().Areas;
        for (int i = 0; i < 64; ++i)
            applyCaseChannel(areas[i], {-180 + i, 180 - i, -300 + i, 300, i % 5});
        TxFrame tx;
        buildWriteCaseRequest(tx, areas);
        const ParsedRequest req = parseOne(tx.bytes());
        QCOMPARE(req.code, FrameCode::WCase);
        QCOMPARE(req.cases, caseChannelsOf(areas));

        buildCaseReply(tx, req.cases);
        QVector<AREA_DATA> fresh(64);
        fresh[5].Out1Coord = {{1, 1}};
        storeCaseChannels(decodeCaseChannels(tx.data), fresh);
        QCOMPARE(caseChannelsOf(fresh), caseChannelsOf(areas));
        QCOMPARE(fresh[5].Out1Coord, Points({{1, 1}})); // nothing but the case channel changes
    }

    void parametersTravelAsLowSixteenBitsAndReadBackZeroExtended()
    {
        SENSOR_PARAMETERS p;
        QCOMPARE(p.value(4), 127);
        QCOMPARE(p.value(18), 49320);
        QCOMPARE(p.value(24), 500);
        QCOMPARE(QByteArray(SENSOR_PARAMETERS::fieldName(14)), QByteArray("SensorInstallDir"));
        QCOMPARE(p.value(25), 0);
        TxFrame tx;
        buildWriteParametersRequest(tx, p);
        QCOMPARE(tx.bytes().mid(41, 4), QByteArray("\xC0\xA8\x01\x58", 4)); // 192.168.1.88
        QCOMPARE(tx.bytes().mid(55, 10), QByteArray(10, '\0'));

        p.SensorInstallDir = 1;
        p.DirtyReceDistance = -1;    // only the low 16 bits travel
        p.DirtyReceStrength = 70000; // likewise
        buildWriteParametersRequest(tx, p);
        const ParsedRequest req = parseOne(tx.bytes());
        QCOMPARE(req.parameters.SensorInstallDir, 1);
        QCOMPARE(req.parameters.DirtyReceDistance, 65535);
        QCOMPARE(req.parameters.DirtyReceStrength, 70000 - 65536);

        buildParametersReply(tx, req.parameters);
        SENSOR_PARAMETERS read;
        decodeParameters(tx.data, read);
        QCOMPARE(read, req.parameters);
    }

    void simulationRequestFollowsTheProjectSimulationState_data()
    {
        QTest::addColumn<bool>("inputs");
        QTest::addColumn<bool>("cases");
        QTest::addColumn<int>("mode");
        QTest::newRow("nothing") << false << false << 0;
        QTest::newRow("inputs") << true << false << 1;
        QTest::newRow("case channels") << false << true << 2;
        QTest::newRow("inputs win") << true << true << 1;
    }
    void simulationRequestFollowsTheProjectSimulationState()
    {
        QFETCH(bool, inputs);
        QFETCH(bool, cases);
        QFETCH(int, mode);
        PROJECT_DATA &p = ProjectData();
        p.InputSimulation = inputs;
        p.CaseSimulation = cases;
        p.OutputSimulation = true;
        p.SimInputBits = 0x2A;
        p.SimOutputBits = 5;
        p.SimFault = 1;
        p.SimDgree = -45;
        p.SimSpeed = -300;
        p.SimOptionMode = 4;
        TxFrame tx;
        buildSimulationRequest(tx, p);
        const QByteArray expected("WSimu\x00\x2A\xFF\xD3\xFE\xD4\x00\x04\x01\x05\x01", 16);
        QCOMPARE(tx.bytes().left(16), QByteArray(expected).replace(5, 1, QByteArray(1, char(mode))));
        const SimulationRequest req = parseOne(tx.bytes()).simulation;
        QCOMPARE(req, simulationRequestFrom(p));
        QCOMPARE(req.Mode, mode);
    }

    void selfCheckReportWidensPortBytesWithTheirSign_data()
    {
        QTest::addColumn<uint>("inputs");
        QTest::addColumn<uint>("expectedInputs");
        QTest::newRow("plain") << 0x15u << 0x15u;
        QTest::newRow("top bit set") << 0x80u << 0xFFFFFF80u;
    }
    void selfCheckReportWidensPortBytesWithTheirSign()
    {
        QFETCH(uint, inputs);
        QFETCH(uint, expectedInputs);
        SelfCheckReport r;
        r.InputPorts = inputs;
        r.OutputPorts = 0xFF;
        r.Status = 0x8001;
        r.Temperature = -1250;
        r.RotationSpeed = 1800;
        r.DriveVoltage = 2400;
        r.SendVoltage = 500;
        r.ReceiveVoltage = 65535;
        TxFrame tx;
        buildSelfCheckReply(tx, r);
        const SelfCheckReport got = decodeSelfCheck(tx.data);
        QCOMPARE(got.InputPorts, expectedInputs);
        QCOMPARE(got.OutputPorts, 0xFFFFFFFFu);
        QCOMPARE(int(got.Temperature), -1250);
        QCOMPARE(int(got.Status), 0x8001);
        QCOMPARE(int(got.RotationSpeed), 1800);
        QCOMPARE(int(got.ReceiveVoltage), 65535);
    }

    void productInformationRoundTrips()
    {
        const ProductInfo info{3, 123, 65000, 2024, 12, 31};
        TxFrame tx;
        buildProductReply(tx, info);
        QCOMPARE(decodeProductInfo(tx.data), info);
    }

    void scanControlAndStreamingRequestsParseBack()
    {
        SENSOR_CONTROL c;
        c.SleepMode = 1;
        c.MotorSpeed = 1;
        c.ScanAngle = 4;
        c.FilterLevel = 3;
        TxFrame tx;
        buildScanControlRequest(tx, c);
        QCOMPARE(tx.bytes().mid(5, 5), QByteArray("\x01\x00\x01\x04\x03", 5));
        const ParsedRequest req = parseOne(tx.bytes());
        QCOMPARE(req.scanControl.FilterLevel, 3);
        QCOMPARE(req.scanControl.ScanAngle, 4);
        QCOMPARE(req.scanControl.SleepMode, 1);

        buildAutoRequest(tx, true);
        QVERIFY(parseOne(tx.bytes()).autoStart);
        buildAutoRequest(tx, false);
        QCOMPARE(parseOne(tx.bytes()).code, FrameCode::RAuto);
        QVERIFY(!parseOne(tx.bytes()).autoStart);
    }

    void serialBeamsAreReversedUnlessMountedUpsideDownAndClamped_data()
    {
        QTest::addColumn<bool>("installDir");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("firstStored");
        QTest::addColumn<int>("lastStored");
        // Beam k carries 10 * k + 1; beam 639 carries 6391.
        QTest::newRow("forward") << false << 60000 << 6391 << 1;
        QTest::newRow("upside down") << true << 60000 << 1 << 6391;
        QTest::newRow("range 6000") << false << 6000 << 6000 << 1;
    }
    void serialBeamsAreReversedUnlessMountedUpsideDownAndClamped()
    {
        QFETCH(bool, installDir);
        QFETCH(int, limit);
        QFETCH(int, firstStored);
        QFETCH(int, lastStored);
        quint16 beams[kSerialBeams];
        for (int k = 0; k < kSerialBeams; ++k)
            beams[k] = quint16(10 * k + 1);
        TxFrame tx;
        QVERIFY(buildScanReply(tx, FrameCode::RScan, beams));
        SCAN_DATA *scan = new SCAN_DATA;
        decodeScanValues(tx.data, scan->SerialDistance, installDir, limit);
        QCOMPARE(int(scan->SerialDistance[0]), firstStored);
        QCOMPARE(int(scan->SerialDistance[639]), lastStored);
        QCOMPARE(*std::max_element(scan->SerialDistance, scan->SerialDistance + kSerialBeams),
                 quint16(qMin(limit, 6391)));
        // Intensities follow the same order and clamp.
        QVERIFY(buildScanReply(tx, FrameCode::RStre, beams));
        decodeScanValues(tx.data, scan->SerialIntensity, installDir, limit);
        QCOMPARE(int(scan->SerialIntensity[0]), firstStored);
        delete scan;
    }

    void requestParserSkipsForeignBytesAndResynchronisesAfterABadChecksum()
    {
        TxFrame tx;
        buildPlainRequest(tx, FrameCode::RPrda);
        const QByteArray good = tx.bytes();
        QByteArray bad = good;
        bad[6] = char(bad[6] ^ 1);
        QByteArray rx = QByteArray("\x00noise RPar", 11) + bad + good;
        ParsedRequest req;
        QCOMPARE(extractRequest(rx, req), RequestExtract::Dropped);
        RequestExtract r;
        int dropped = 0;
        while ((r = extractRequest(rx, req)) == RequestExtract::Dropped)
            ++dropped;
        QCOMPARE(r, RequestExtract::Taken);
        QCOMPARE(req.code, FrameCode::RPrda);
        QVERIFY(rx.isEmpty());
        QVERIFY(dropped <= 5);

        // A request split anywhere is taken once its last byte has arrived.
        for (int cut = 0; cut < good.size(); ++cut) {
            QByteArray stream = QByteArray("zz") + good.left(cut);
            QCOMPARE(extractRequest(stream, req), RequestExtract::NeedMore);
            stream += good.mid(cut);
            QCOMPARE(extractRequest(stream, req), RequestExtract::Taken);
            QCOMPARE(req.code, FrameCode::RPrda);
        }
    }
};

QTEST_GUILESS_MAIN(TestCodec)
#include "tst_codec.moc"
