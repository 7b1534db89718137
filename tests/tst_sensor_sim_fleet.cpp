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

    void rangeThatRunsBackwardsOrIsTooLongIsRefused_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("backwards") << QStringLiteral("127.0.11.40-127.0.11.39");
        QTest::newRow("too long") << QStringLiteral("127.0.11.0-127.0.12.0");
        QTest::newRow("not an address") << QStringLiteral("127.0.11.40-localhost");
        QTest::newRow("a pty for many") << QStringLiteral("127.0.11.40-127.0.11.41 --pty");
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
