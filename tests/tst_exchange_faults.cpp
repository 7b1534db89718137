// The command exchange when replies go missing or arrive damaged, and the live scan paths: serial
// polling over the stand-in's pseudo-terminal and the scan stream over TCP. Run inside a private
// network namespace (unshare -n).
#include "area/dialogs.h"
#include "area/store/device_type.h"
#include "area/store/project_data.h"
#include "comm/codec/replies.h"
#include "comm/codec/scan_data.h"
#include "comm/codec/sensor_parameters.h"
#include "comm/serial_comm.h"
#include "exchange_helpers.h"

#include <QProgressDialog>
#include <QSerialPort>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtTest>
#include <algorithm>
#include <memory>

namespace {

const char *const kAddress = "127.0.0.32";

} // namespace

class ExchangeFaultsAndScans : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void missingOrDamagedReplyIsRequestedAgain_data();
    void missingOrDamagedReplyIsRequestedAgain();
    void timeoutInTheAreaLoopAsksForTheSameAreaAgain();
    void fourthTimeoutWarnsAndStopsEverything();
    void serialPollingFillsBeamsClampedToTheModelsRange();
    void tcpStreamFillsTheRingAndAnnouncesWholeRevolutions();
    void areaReplyArrivingAfterItsLoopEndedMovesNothing_data();
    void areaReplyArrivingAfterItsLoopEndedMovesNothing();
    void repeatedAnswerToOneRequestShowsItsMessageOnce_data();
    void repeatedAnswerToOneRequestShowsItsMessageOnce();

private:
    bool startSim(const QStringList &options = {});
    bool connectTcp();
    int countSent(const char *code) const;

    std::unique_ptr<SimProcess> m_sim;
    SENSOR_PARAMETERS m_parameters;
    SENSOR_CONTROL m_control;
    std::unique_ptr<SERIAL_COMM> m_comm;
    QList<QByteArray> m_sent;
    QList<qint64> m_sentAt;
    QElapsedTimer m_clock;
    QList<Dialogs::Prompt> m_prompts;
};

void ExchangeFaultsAndScans::init()
{
    QStandardPaths::setTestModeEnabled(true);
    ProjectData().resetToStartup();
    ScanData() = SCAN_DATA();
    ScanData().ConnectType = 1;
    m_parameters = SENSOR_PARAMETERS();
    m_control = SENSOR_CONTROL();
    m_sent.clear();
    m_sentAt.clear();
    m_prompts.clear();
    m_clock.start();
    Dialogs::setResponder([this](const Dialogs::Prompt &p) {
        m_prompts << p;
        return 0;
    });
    m_comm.reset(new SERIAL_COMM(&ScanData(), &ProjectData(), &m_parameters, &m_control));
    connect(m_comm.get(), &SERIAL_COMM::FrameSent, this, [this](const QByteArray &f) {
        m_sent << f;
        m_sentAt << m_clock.elapsed();
    });
}

void ExchangeFaultsAndScans::cleanup()
{
    m_comm.reset();
    m_sim.reset();
    Dialogs::setResponder(nullptr);
}

bool ExchangeFaultsAndScans::startSim(const QStringList &options)
{
    m_sim = startSimAt(kAddress, options);
    return m_sim != nullptr;
}

bool ExchangeFaultsAndScans::connectTcp()
{
    return ::connectTcp(m_comm->Engine(), kAddress);
}

int ExchangeFaultsAndScans::countSent(const char *code) const
{
    return countFrames(m_sent, code);
}

void ExchangeFaultsAndScans::missingOrDamagedReplyIsRequestedAgain_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("second reply dropped") << QStringList{QStringLiteral("--drop"), QStringLiteral("2")};
    QTest::newRow("second reply with a bad checksum")
        << QStringList{QStringLiteral("--corrupt"), QStringLiteral("2")};
}

void ExchangeFaultsAndScans::missingOrDamagedReplyIsRequestedAgain()
{
    QFETCH(QStringList, options);
    QVERIFY(startSim(options));
    QVERIFY(connectTcp());

    m_comm->SensorInformationSlots();
    QTRY_COMPARE_WITH_TIMEOUT(m_prompts.size(), 1, 15000);
    m_comm->SensorInformationSlots(); // this reply goes missing or fails its checksum
    QTRY_COMPARE_WITH_TIMEOUT(countSent("RPrda"), 2, 15000);
    QTest::qWait(500);
    QCOMPARE(m_prompts.size(), 1); // a damaged reply is not taken
    QCOMPARE(m_comm->Engine()->AwaitedReply(), SERIAL_COMM::Request::ProductInfo);

    // After the reply time-out the same request leaves again, silently, and is answered.
    QTRY_COMPARE_WITH_TIMEOUT(m_prompts.size(), 2, 15000);
    QCOMPARE(countSent("RPrda"), 3);
    // Not before the time-out; how much after it depends on how busy the machine is.
    const qint64 gap = m_sentAt[2] - m_sentAt[1];
    QVERIFY2(gap >= ExchangeEngine::kReplyTimeoutMs - 100, qPrintable(QString::number(gap)));
    QCOMPARE(m_prompts[1].title, QStringLiteral("Product Message"));
    QCOMPARE(m_comm->Engine()->TimeoutCount(), 0);
    QVERIFY(!m_comm->Engine()->ReplyTimeoutActive());
}

void ExchangeFaultsAndScans::timeoutInTheAreaLoopAsksForTheSameAreaAgain()
{
    // The eighth area read (area 7) goes unanswered.
    QVERIFY(startSim({QStringLiteral("--drop-nth"), QStringLiteral("RArea:8")}));
    QVERIFY(connectTcp());

    m_comm->ReadSensorAllDataSlots();
    QTRY_COMPARE_WITH_TIMEOUT(countSent("RArea"), 8, 15000);
    QVERIFY(m_comm->ProgressDialog()->isVisible());

    // The read goes on from area 7 and completes; nothing was asked twice but area 7.
    QTRY_VERIFY_WITH_TIMEOUT(!m_prompts.isEmpty(), 30000);
    QList<int> areas;
    for (const QByteArray &f : m_sent)
        if (codeOf(f) == "RArea")
            areas << uchar(f.at(5));
    QCOMPARE(areas.mid(6, 4), (QList<int>{6, 7, 7, 8}));
    QCOMPARE(m_prompts.last().text, QStringLiteral("Parameters Read OK!"));
    QCOMPARE(countSent("RArea"), 65);
    QCOMPARE(countSent("RPara"), 1);
    QCOMPARE(countSent("RCase"), 1);
    for (int i = 0; i < kAreaCount; ++i)
        QVERIFY(!ProjectData().Areas[i].Out1Coord.isEmpty());
    QVERIFY(!m_comm->ProgressDialog()->isVisible());
}

void ExchangeFaultsAndScans::fourthTimeoutWarnsAndStopsEverything()
{
    QVERIFY(startSim({QStringLiteral("--drop"), QStringLiteral("1")})); // a sensor that never answers
    QVERIFY(connectTcp());

    m_comm->OpenSendReadSimulation();
    m_comm->OpenSendReadScanf();
    m_comm->ReadSensorAllDataSlots();
    QTRY_VERIFY_WITH_TIMEOUT(m_comm->Engine()->TimeoutCount() == 3, 30000);
    QVERIFY(m_prompts.isEmpty()); // retries are silent
    QTRY_COMPARE_WITH_TIMEOUT(m_prompts.size(), 1, 15000);

    QCOMPARE(m_prompts[0].icon, Dialogs::Icon::Warning);
    QCOMPARE(m_prompts[0].title, QStringLiteral("Warning"));
    // One message for the read-all that was running: the warning and what was not read.
    QCOMPARE(
        m_prompts[0].text,
        QStringLiteral(
            "The sensor did not answer in time. Check the connection.\nAreas 0–63 not read (marked red in "
            "the area list).\nCase channels not read.\nParameters not read."));
    // The most urgent request was sent once and retried three times.
    QCOMPARE(countSent("RPara"), 4);
    QCOMPARE(countSent("WSimu"), 0);
    QVERIFY(!m_comm->Engine()->AnyRequestRaised());
    QCOMPARE(m_comm->Engine()->AwaitedReply(), SERIAL_COMM::Request::None);
    QCOMPARE(m_comm->Engine()->TimeoutCount(), 0);
    QVERIFY(!m_comm->Engine()->ReplyTimeoutActive());
    QVERIFY(!m_comm->Engine()->DistancePollActive());
    QVERIFY(!m_comm->Engine()->SimulationPollActive());
    QVERIFY(!m_comm->ProgressDialog()->isVisible());
    const int sent = m_sent.size();
    QTest::qWait(400);
    QCOMPARE(m_sent.size(), sent);
}

void ExchangeFaultsAndScans::serialPollingFillsBeamsClampedToTheModelsRange()
{
    QVERIFY(startSim({QStringLiteral("--pty")}));
    QVERIFY(!m_sim->pty.isEmpty());
    QVERIFY2(m_comm->Engine()->openSerial(m_sim->pty, 115200), qPrintable(m_comm->Engine()->LinkError()));

    m_comm->SetDeviceType(Laser05); // the room's far walls lie beyond this model's range
    QCOMPARE(m_comm->Engine()->RangeLimit(), deviceInfo(Laser05)->rangeLimit);
    m_comm->SetDeviceType(99); // not a model: unchanged
    QCOMPARE(m_comm->Engine()->RangeLimit(), deviceInfo(Laser05)->rangeLimit);

    QSignalSpy distances(m_comm.get(), &SERIAL_COMM::ReceiveScanfData);
    QSignalSpy intensities(m_comm.get(), &SERIAL_COMM::ReceiveIntensityData);
    m_comm->OpenSendReadScanf();
    m_comm->OpenSendReadIntensity();
    QVERIFY(m_comm->Engine()->IntensityPollActive());
    QTRY_VERIFY_WITH_TIMEOUT(distances.count() >= 4 && intensities.count() >= 4, 15000);
    m_comm->CloseSendReadScanf();
    m_comm->CloseSendReadIntensity();
    QCOMPARE(countSent("RAuto"), 0); // no streaming on a serial line

    const int limit = deviceInfo(Laser05)->rangeLimit;
    const quint16 *d = ScanData().SerialDistance;
    const quint16 *i = ScanData().SerialIntensity;
    QCOMPARE(int(*std::max_element(d, d + kSerialBeams)), limit);
    QVERIFY(*std::max_element(i, i + kSerialBeams) <= limit);
    const int measured =
        int(std::count_if(d, d + kSerialBeams, [&](quint16 v) { return v > 0 && v < limit; }));
    QVERIFY2(measured > kSerialBeams / 4, qPrintable(QString::number(measured)));
    // Over Ethernet nothing of this is touched.
    QCOMPARE(ScanData().EtherCount, 0);
}

void ExchangeFaultsAndScans::tcpStreamFillsTheRingAndAnnouncesWholeRevolutions()
{
    QVERIFY(startSim());
    QVERIFY(connectTcp());
    m_comm->SetDeviceType(Laser05);
    const int limit = deviceInfo(Laser05)->rangeLimit;

    QList<int> announcements; // 1 distances, 2 intensities
    connect(m_comm.get(), &SERIAL_COMM::ReceiveScanfData, this, [&] { announcements << 1; });
    connect(m_comm.get(), &SERIAL_COMM::ReceiveIntensityData, this, [&] { announcements << 2; });
    m_comm->OpenSendReadScanf();
    m_comm->OpenSendReadIntensity(); // the stream carries the intensities: no poll of its own
    QVERIFY(!m_comm->Engine()->IntensityPollActive());
    QTRY_VERIFY_WITH_TIMEOUT(announcements.size() >= 6, 15000);
    QCOMPARE(codeOf(m_sent.value(0)), QByteArray("RAuto"));
    QCOMPARE(m_sent.value(0).at(5), char(1));

    // Every revolution: distances, then intensities; a whole revolution of the default 0.05°.
    for (int k = 0; k + 1 < announcements.size(); k += 2) {
        QCOMPARE(announcements[k], 1);
        QCOMPARE(announcements[k + 1], 2);
    }
    QCOMPARE(ScanData().EtherCount, 20 * 320);
    const quint16 *d = ScanData().EtherDistance;
    const quint16 *in = ScanData().EtherIntensity;
    const int n = ScanData().EtherCount;
    QCOMPARE(int(*std::max_element(d, d + n)), limit);
    QVERIFY(*std::max_element(in, in + n) <= limit);
    QVERIFY(std::count_if(d, d + n, [&](quint16 v) { return v > 0 && v < limit; }) > n / 4);

    // A read-all stops the stream first and completes while packets may still be in flight.
    m_comm->ReadSensorAllDataSlots();
    QTRY_VERIFY_WITH_TIMEOUT(!m_prompts.isEmpty(), 15000);
    QCOMPARE(m_prompts.last().text, QStringLiteral("Parameters Read OK!"));
    QCOMPARE(m_comm->Engine()->TimeoutCount(), 0);

    // Closing empties the buffer and forgets the revolution; the arrays keep their contents.
    m_comm->CloseSendReadScanf();
    m_comm->AbandonExchange();
    m_comm->CloseSerialPortSlots();
    QCOMPARE(ScanData().EtherCount, 0);
    QCOMPARE(ScanData().EtherIndex, 0);
    QVERIFY(m_comm->Engine()->ReceiveBuffer().isEmpty());
    QVERIFY(*std::max_element(d, d + n) > 0);
}

void ExchangeFaultsAndScans::areaReplyArrivingAfterItsLoopEndedMovesNothing_data()
{
    QTest::addColumn<bool>("readReply");
    QTest::newRow("area read") << true;
    QTest::newRow("area write acknowledged") << false;
}

void ExchangeFaultsAndScans::areaReplyArrivingAfterItsLoopEndedMovesNothing()
{
    // A reply that comes after its loop was given up (a slow sensor, a time-out) must neither pop up
    // the modal progress, which has no cancel button and nothing left to close it, nor shift where the
    // next read-all or write-all starts.
    QFETCH(bool, readReply);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.0.1"))));
    QVERIFY(::connectTcp(m_comm->Engine(), "127.0.0.1", server.serverPort()));
    QSignalSpy arrived(m_comm->Engine()->link(), &Link::bytesArrived);
    QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 15000);
    QTcpSocket *peer = server.nextPendingConnection();
    QTest::qWait(300); // the progress dialog is not brand new, as in a running program

    TxFrame tx;
    if (readReply)
        buildAreaReply(tx, 5, ProjectData().Areas[5], false);
    else
        buildStatusReply(tx, FrameCode::WArea, 0);
    peer->write(tx.constData(), tx.length);
    QTRY_VERIFY_WITH_TIMEOUT(!arrived.isEmpty() && m_comm->Engine()->ReceiveBuffer().isEmpty(), 15000);
    QTest::qWait(50);

    QVERIFY(!m_comm->ProgressDialog()->isVisible());
    QCOMPARE(m_comm->Engine()->ReadAreaIndex(), 0);
    QCOMPARE(m_comm->Engine()->WriteAreaIndex(), 0);
}

void ExchangeFaultsAndScans::repeatedAnswerToOneRequestShowsItsMessageOnce_data()
{
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<int>("messages");
    QTest::newRow("product information") << QByteArray("RPrda") << 1;
    QTest::newRow("reboot") << QByteArray("RBoot") << 1;
    QTest::newRow("parameter write") << QByteArray("WPara") << 0; // the write goes on to its verify
}

void ExchangeFaultsAndScans::repeatedAnswerToOneRequestShowsItsMessageOnce()
{
    // A slow sensor answers both the request and its repetition after the time-out; the second answer
    // must not show the message, or ask about a restart, all over again.
    QFETCH(QByteArray, code);
    QFETCH(int, messages);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.0.1"))));
    QVERIFY(::connectTcp(m_comm->Engine(), "127.0.0.1", server.serverPort()));
    QSignalSpy arrived(m_comm->Engine()->link(), &Link::bytesArrived);
    QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 15000);
    QTcpSocket *peer = server.nextPendingConnection();
    Dialogs::setResponder([this](const Dialogs::Prompt &p) {
        m_prompts << p;
        return 1; // "No" to a restart question
    });

    TxFrame tx;
    if (code == "RPrda") {
        buildProductReply(tx, ProductInfo());
        m_comm->SensorInformationSlots();
    } else if (code == "RBoot") {
        buildStatusReply(tx, FrameCode::RBoot, 0);
        m_comm->SensorRebootSlots();
    } else {
        // A write-all whose areas and case channels are acknowledged at once.
        m_comm->WriteSensorAllDataSlots();
        TxFrame ack;
        buildStatusReply(ack, FrameCode::WArea, 0);
        for (int i = 0; i < 64; ++i) {
            QTRY_VERIFY_WITH_TIMEOUT(countSent("WArea") == i + 1, 15000);
            peer->write(ack.constData(), ack.length);
        }
        QTRY_VERIFY_WITH_TIMEOUT(countSent("WCase") == 1, 15000);
        buildStatusReply(ack, FrameCode::WCase, 0);
        peer->write(ack.constData(), ack.length);
        buildStatusReply(tx, FrameCode::WPara, 0);
    }
    QTRY_VERIFY_WITH_TIMEOUT(countSent(code.constData()) == 1, 15000);
    peer->write(tx.constData(), tx.length);
    QTRY_COMPARE_WITH_TIMEOUT(m_prompts.size(), messages, 15000);
    peer->write(tx.constData(), tx.length); // the late answer
    QTRY_VERIFY_WITH_TIMEOUT(!arrived.isEmpty() && m_comm->Engine()->ReceiveBuffer().isEmpty(), 15000);
    QTest::qWait(100);
    QCOMPARE(m_prompts.size(), messages);
    QVERIFY(!m_comm->Engine()->RequestRaised(SERIAL_COMM::Request::Reboot));
    if (code == "WPara") // the verify's first read left once, the second answer started nothing
        QCOMPARE(countSent("RPara"), 1);
}

QTEST_MAIN(ExchangeFaultsAndScans)
#include "tst_exchange_faults.moc"
