// The stand-in as a fleet: one process serving a range of addresses, each an independent sensor with
// its own state and serial number.
#include "tst_sensor_sim_harness.h"

#include <QtTest>

#include <memory>

class TestSensorSimFleet : public QObject {
    Q_OBJECT

    static QString addressOf(int i) { return QStringLiteral("127.0.11.%1").arg(20 + i); }

private slots:
    void eachAddressOfARangeIsASensorOfItsOwn()
    {
        constexpr int kSensors = 16;
        SimProcess sim;
        QVERIFY2(sim.start({QStringLiteral("--address"),
                            addressOf(0) + QLatin1Char('-') + addressOf(kSensors - 1)}),
                 qPrintable(sim.error));
        QCOMPARE(sim.ready, QStringLiteral("ready tcp=%1:8080 udp=%1:8080").arg(addressOf(0)));

        // Every sensor answers on its own address, with its own serial number.
        std::vector<std::unique_ptr<SimLink>> links;
        for (int i = 0; i < kSensors; ++i) {
            links.push_back(std::make_unique<SimLink>());
            QVERIFY2(links.back()->openTcp(addressOf(i)), qPrintable(addressOf(i)));
            TxFrame tx;
            buildPlainRequest(tx, FrameCode::RPrda);
            const QByteArray reply = links.back()->exchange(tx, FrameCode::RPrda);
            QVERIFY(!reply.isEmpty());
            QCOMPARE(int(decodeProductInfo(frameBytes(reply)).SerialNumber), 20417 + i);
        }
        // Over UDP as well.
        SimLink udp;
        QVERIFY(udp.openUdp(addressOf(9)));
        TxFrame product;
        buildPlainRequest(product, FrameCode::RPrda);
        QCOMPARE(int(decodeProductInfo(frameBytes(udp.exchange(product, FrameCode::RPrda))).SerialNumber),
                 20417 + 9);

        // What one sensor stores, another does not.
        TxFrame read;
        buildReadAreaRequest(read, 17);
        const QByteArray before = links[5]->exchange(read, FrameCode::RArea);
        QVERIFY(!before.isEmpty());
        AREA_DATA area;
        area.Out1Coord = {QPoint(-700, 900), QPoint(700, 900), QPoint(0, 2500)};
        area.DetectionSize = 3;
        TxFrame write;
        buildWriteAreaRequest(write, 17, area, false);
        const QByteArray ack = links[4]->exchange(write, FrameCode::WArea);
        QVERIFY(!ack.isEmpty());
        QCOMPARE(decodeStatus(frameBytes(ack)), 0);
        const QByteArray written = links[4]->exchange(read, FrameCode::RArea);
        QCOMPARE(written.mid(5, kAreaRecordLength - 7), write.bytes().mid(5, kAreaRecordLength - 7));
        QCOMPARE(links[5]->exchange(read, FrameCode::RArea), before);
    }

    // A sensor chosen to reject writes answers each write with the status reply for "rejected" and
    // keeps what it held; its neighbours store as before. The replies are compared with bytes
    // written out by hand (code, status, checksum low byte first).
    void chosenSensorsRejectEveryWriteAndKeepTheirData()
    {
        const QString first = QStringLiteral("127.0.24.30");
        const QString rejecting = QStringLiteral("127.0.24.32");
        SimProcess sim;
        QVERIFY2(sim.start({QStringLiteral("--address"), first + QStringLiteral("-127.0.24.33"),
                            QStringLiteral("--reject-writes"), rejecting + QStringLiteral(",127.0.24.33")}),
                 qPrintable(sim.error));

        AREA_DATA area;
        area.Out1Coord = {QPoint(-500, 800), QPoint(500, 800), QPoint(0, 1900)};
        area.OpenDelay = 2;
        TxFrame writeArea;
        buildWriteAreaRequest(writeArea, 9, area, false);
        QVector<CaseChannel> cases(64);
        cases[3].SteerMinDgree = -12;
        cases[3].VehicleMaxSpeed = 40;
        TxFrame writeCase;
        buildWriteCaseRequest(writeCase, cases);
        SENSOR_PARAMETERS parameters;
        parameters.RS485IDAddress = 5;
        TxFrame writeParameters;
        buildWriteParametersRequest(writeParameters, parameters);
        TxFrame readArea, readCase, readParameters;
        buildReadAreaRequest(readArea, 9);
        buildPlainRequest(readCase, FrameCode::RCase);
        buildPlainRequest(readParameters, FrameCode::RPara);

        const auto bytes = [](std::initializer_list<int> values) {
            QByteArray out;
            for (int v : values)
                out.append(char(v));
            return out;
        };
        struct Write {
            const TxFrame *request;
            FrameCode code;
            const TxFrame *readBack;
            FrameCode readCode;
            QByteArray stored, rejected;
        };
        const Write writes[] = {
            {&writeArea, FrameCode::WArea, &readArea, FrameCode::RArea,
             bytes({0x57, 0x41, 0x72, 0x65, 0x61, 0x00, 0x13, 0x04}),
             bytes({0x57, 0x41, 0x72, 0x65, 0x61, 0x01, 0xD2, 0xC4})},
            {&writeCase, FrameCode::WCase, &readCase, FrameCode::RCase,
             bytes({0x57, 0x43, 0x61, 0x73, 0x65, 0x00, 0x8D, 0x44}),
             bytes({0x57, 0x43, 0x61, 0x73, 0x65, 0x01, 0x4C, 0x84})},
            {&writeParameters, FrameCode::WPara, &readParameters, FrameCode::RPara,
             bytes({0x57, 0x50, 0x61, 0x72, 0x61, 0x00, 0x5B, 0x87}),
             bytes({0x57, 0x50, 0x61, 0x72, 0x61, 0x01, 0x9A, 0x47})},
        };

        SimLink accepting, refusing;
        QVERIFY(accepting.openTcp(first));
        QVERIFY(refusing.openTcp(rejecting));
        for (const Write &w : writes) {
            const QByteArray held = refusing.exchange(*w.readBack, w.readCode);
            QVERIFY(!held.isEmpty());
            QCOMPARE(refusing.exchange(*w.request, w.code), w.rejected);
            QCOMPARE(refusing.exchange(*w.readBack, w.readCode), held);

            QCOMPARE(accepting.exchange(*w.request, w.code), w.stored);
            QVERIFY(accepting.exchange(*w.readBack, w.readCode) != held);
        }
        // Reading, product data and the self-check report are untouched on the rejecting sensor.
        TxFrame product;
        buildPlainRequest(product, FrameCode::RPrda);
        QCOMPARE(
            int(decodeProductInfo(frameBytes(refusing.exchange(product, FrameCode::RPrda))).SerialNumber),
            20417 + 2);
        TxFrame simulation;
        buildSimulationRequest(simulation, SimulationRequest());
        QVERIFY(!refusing.exchange(simulation, FrameCode::WSimu).isEmpty());
        // Over UDP it rejects as well.
        SimLink udp;
        QVERIFY(udp.openUdp(rejecting));
        QCOMPARE(udp.exchange(writeArea, FrameCode::WArea), writes[0].rejected);
    }

    // Outputs that switch by themselves, for watching a fleet: they come round through every value,
    // the fault word is set exactly while all three are on, and the serial numbers count from the one
    // asked for.
    void outputsSwitchByThemselvesThroughEveryValue()
    {
        SimProcess sim;
        QVERIFY2(sim.start({QStringLiteral("--address"), QStringLiteral("127.0.24.40-127.0.24.41"),
                            QStringLiteral("--serial"), QStringLiteral("500"),
                            QStringLiteral("--switch-outputs"), QStringLiteral("100")}),
                 qPrintable(sim.error));
        SimLink link;
        QVERIFY(link.openTcp(QStringLiteral("127.0.24.41")));
        TxFrame product;
        buildPlainRequest(product, FrameCode::RPrda);
        QCOMPARE(int(decodeProductInfo(frameBytes(link.exchange(product, FrameCode::RPrda))).SerialNumber),
                 501);
        TxFrame poll;
        buildSimulationRequest(poll, SimulationRequest());
        QSet<uint> seen;
        for (int i = 0; i < 400 && seen.size() < 8; ++i) {
            const QByteArray frame = link.exchange(poll, FrameCode::WSimu);
            QVERIFY(!frame.isEmpty());
            const SelfCheckReport report = decodeSelfCheck(frameBytes(frame));
            QCOMPARE(int(report.Status), report.OutputPorts == 7 ? 1 : 0);
            seen.insert(report.OutputPorts);
            QTest::qWait(20);
        }
        QCOMPARE(seen.size(), 8); // every value of 0..7 came round
    }

    void rangeThatRunsBackwardsOrIsTooLongIsRefused_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("backwards") << QStringLiteral("127.0.11.40-127.0.11.39");
        QTest::newRow("too long") << QStringLiteral("127.0.11.0-127.0.12.0");
        QTest::newRow("not an address") << QStringLiteral("127.0.11.40-localhost");
        QTest::newRow("a pty for many") << QStringLiteral("127.0.11.40-127.0.11.41 --pty");
        QTest::newRow("rejecting a sensor outside the fleet")
            << QStringLiteral("127.0.11.40-127.0.11.41 --reject-writes 127.0.11.42");
        QTest::newRow("rejecting no address")
            << QStringLiteral("127.0.11.40-127.0.11.41 --reject-writes 127.0.11.41,");
    }
    void rangeThatRunsBackwardsOrIsTooLongIsRefused()
    {
        QFETCH(QString, address);
        SimProcess sim(QProcess::SeparateChannels);
        const QStringList words = address.split(QLatin1Char(' '));
        QVERIFY(!sim.start(QStringList{QStringLiteral("--address")} + words));
        QVERIFY2(sim.error.contains(QLatin1String("--")), qPrintable(sim.error));
    }
};

QTEST_GUILESS_MAIN(TestSensorSimFleet)
#include "tst_sensor_sim_fleet.moc"
