// The command exchange against the sensor stand-in over TCP and UDP on loopback: read-all and
// write-all sequences, priorities, product information, write rejections. Run inside a private
// network namespace (unshare -n).
#include "area/dialogs.h"
#include "area/store/project_data.h"
#include "comm/codec/area_codec.h"
#include "comm/codec/frame_records.h"
#include "comm/codec/requests.h"
#include "comm/codec/scan_data.h"
#include "comm/codec/sensor_parameters.h"
#include "comm/sensor_setting.h"
#include "comm/serial_comm.h"
#include "exchange_helpers.h"
#include "ui_mainwindow.h"

#include <QMainWindow>
#include <QProgressDialog>
#include <QSerialPort>
#include <QSpinBox>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtTest>
#include <memory>

namespace {

const char *const kAddress = "127.0.0.31";

// A design that exercises every shape, negative coordinates and signed case channels.
AREA_DATA designArea(int i)
{
    AREA_DATA a;
    a.OpenDelay = i % 7;
    a.CloseDelay = (i * 3) % 11;
    a.Hysteresis = i % 5;
    a.DetectionSize = 1 + i % 4;
    a.SteerMinDgree = -90 + i;
    a.SteerMaxDgree = 10 + i;
    a.VehicleMinSpeed = -200 + i * 3;
    a.VehicleMaxSpeed = 100 + i * 2;
    a.VehicleOptionMode = i % 3;
    const int g = 10 * i;
    // Polygon points in ascending bearing, as the sensor keeps them.
    a.Out1Shape = i % 2 ? Rectangle : Polygon;
    a.Out1Coord = {QPoint(1000 + g, -500), QPoint(1200, 900 + g), QPoint(-300 - g, 1500),
                   QPoint(-1100, -400 - g)};
    a.Out2Shape = Arc;
    a.Out2Coord = {QPoint(2000 + g, 0), QPoint(-2000 - g, 0)};
    a.Out3Shape = Straight + i % 3; // Straight, Fan, Ratio
    a.Out3Coord = {QPoint(0, 2500 + g)};
    return a;
}

// What the sensor gives back for an area: the record as the decoder rebuilds it.
AREA_DATA asReadBack(const AREA_DATA &area, int index)
{
    uchar record[kAreaRecordLength];
    encodeAreaRecord(record, "RArea", index, area, false);
    AREA_DATA back = area;
    decodeAreaRecord(record, back, false);
    return back;
}

} // namespace

class ExchangeOverEthernet : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readAllRunsOnceInPriorityOrderAndHoldsTheSimulationPollBack();
    void writeAllSendsTheDesignInOrderAndReadingBackGivesItAgain();
    void productInformationIsShownInBothLanguages();
    void scanControlIsSentOnlyWhenEnabled();
    void udpModeTalksToTheSensorsAddress();
    void abandoningStopsThePendingSequence();
    void rejectedWritesShowTheirMessagesAndTheAreaLoopStops_data();
    void rejectedWritesShowTheirMessagesAndTheAreaLoopStops();

private:
    bool startSim(const QStringList &options = {});
    bool connectTcp();
    int countSent(const char *code) const;
    bool prompted(const QString &text) const;

    std::unique_ptr<SimProcess> m_sim;
    SENSOR_PARAMETERS m_parameters;
    SENSOR_CONTROL m_control;
    std::unique_ptr<SERIAL_COMM> m_comm;
    QList<QByteArray> m_sent;
    QList<Dialogs::Prompt> m_prompts;
    std::function<int(const Dialogs::Prompt &)> m_answer;
};

void ExchangeOverEthernet::init()
{
    QStandardPaths::setTestModeEnabled(true);
    ProjectData().resetToStartup();
    ScanData() = SCAN_DATA();
    ScanData().ConnectType = 1;
    ScanData().EtherMode = 0;
    m_parameters = SENSOR_PARAMETERS();
    m_control = SENSOR_CONTROL();
    m_sent.clear();
    m_prompts.clear();
    m_answer = nullptr;
    Dialogs::setResponder([this](const Dialogs::Prompt &p) {
        m_prompts << p;
        return m_answer ? m_answer(p) : 0;
    });
    m_comm.reset(new SERIAL_COMM(&ScanData(), &ProjectData(), &m_parameters, &m_control));
    connect(m_comm.get(), &SERIAL_COMM::FrameSent, this, [this](const QByteArray &f) { m_sent << f; });
}

void ExchangeOverEthernet::cleanup()
{
    m_comm.reset();
    m_sim.reset();
    Dialogs::setResponder(nullptr);
}

bool ExchangeOverEthernet::startSim(const QStringList &options)
{
    m_sim = startSimAt(kAddress, options);
    return m_sim != nullptr;
}

bool ExchangeOverEthernet::connectTcp()
{
    return ::connectTcp(m_comm->Engine(), kAddress);
}

int ExchangeOverEthernet::countSent(const char *code) const
{
    return countFrames(m_sent, code);
}

bool ExchangeOverEthernet::prompted(const QString &text) const
{
    for (const Dialogs::Prompt &p : m_prompts)
        if (p.text == text)
            return true;
    return false;
}

void ExchangeOverEthernet::readAllRunsOnceInPriorityOrderAndHoldsTheSimulationPollBack()
{
    QVERIFY(startSim());
    QVERIFY(connectTcp());

    // The dock of the real form follows the parameters read.
    QMainWindow window;
    Ui::MainWindow form;
    form.setupUi(&window);
    SENSOR_SETTING setting(&m_parameters, &window, &ScanData());
    connect(m_comm.get(), &SERIAL_COMM::ReceiveParameters, &setting, &SENSOR_SETTING::UpdateParametersToDock);
    auto *rs485 = window.findChild<QSpinBox *>(QStringLiteral("Para_RS485IDAddress"));
    QVERIFY(rs485);
    rs485->setValue(5);
    QCOMPARE(m_parameters.RS485IDAddress, 5);

    QSignalSpy direction(m_comm.get(), &SERIAL_COMM::DirChangeSignals);
    QSignalSpy parameters(m_comm.get(), &SERIAL_COMM::ReceiveParameters);
    QSignalSpy selfCheck(m_comm.get(), &SERIAL_COMM::SelfCheckStatus);
    QList<int> signalOrder;
    connect(m_comm.get(), &SERIAL_COMM::DirChangeSignals, this, [&] { signalOrder << 1; });
    connect(m_comm.get(), &SERIAL_COMM::ReceiveParameters, this, [&] { signalOrder << 2; });

    m_comm->OpenSendReadSimulation();
    m_comm->ReadSensorAllDataSlots();
    m_comm->ReadSensorAllDataSlots(); // pressed twice: the same flags, one sequence
    QTRY_VERIFY_WITH_TIMEOUT(prompted(QStringLiteral("Parameters Read OK!")), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(selfCheck.count() > 0, 15000);
    QTest::qWait(300);

    // Streaming is stopped first, then parameters, case channels and areas 0..63; the simulation
    // poll's first request only after the last area.
    QVERIFY(!m_sent.isEmpty());
    QCOMPARE(codeOf(m_sent.first()), QByteArray("RAuto"));
    QCOMPARE(m_sent.first().at(5), char(0));
    QList<QByteArray> order;
    QList<int> areaIndexes;
    for (const QByteArray &f : m_sent) {
        if (codeOf(f) == "RAuto")
            continue;
        order << codeOf(f);
        if (codeOf(f) == "RArea")
            areaIndexes << uchar(f.at(5));
    }
    QCOMPARE(order.value(0), QByteArray("RPara"));
    QCOMPARE(order.value(1), QByteArray("RCase"));
    for (int i = 0; i < kAreaCount; ++i)
        QCOMPARE(order.value(2 + i), QByteArray("RArea"));
    QCOMPARE(order.value(2 + kAreaCount), QByteArray("WSimu"));
    QCOMPARE(countSent("RPara"), 1);
    QCOMPARE(countSent("RCase"), 1);
    QCOMPARE(areaIndexes.size(), kAreaCount);
    for (int i = 0; i < kAreaCount; ++i)
        QCOMPARE(areaIndexes[i], i);

    // Stores: every area has zones, the case channels are the sensor's (signed, all different).
    QSet<QPair<int, int>> caseKeys;
    bool negativeSteering = false;
    for (int i = 0; i < kAreaCount; ++i) {
        const AREA_DATA &a = ProjectData().Areas[i];
        QVERIFY2(!a.Out1Coord.isEmpty() && !a.Out2Coord.isEmpty() && !a.Out3Coord.isEmpty(),
                 qPrintable(QString::number(i)));
        caseKeys.insert(qMakePair(a.SteerMinDgree, a.VehicleMinSpeed));
        negativeSteering |= a.SteerMinDgree < 0;
    }
    QCOMPARE(caseKeys.size(), kAreaCount);
    QVERIFY(negativeSteering);
    QVERIFY(ProjectData().Areas[0] != ProjectData().Areas[3]);

    // Parameters: the sensor's defaults, announced once, direction first; the dock shows them.
    QCOMPARE(m_parameters, SENSOR_PARAMETERS());
    QCOMPARE(parameters.count(), 1);
    QCOMPARE(direction.count(), 1);
    QCOMPARE(direction.first().first().toBool(), false);
    QCOMPARE(signalOrder, (QList<int>{1, 2}));
    QCOMPARE(rs485->value(), 127);

    QVERIFY(!m_comm->ProgressDialog()->isVisible());
    QVERIFY(!m_comm->Engine()->RequestRaised(SERIAL_COMM::Request::ReadAreas));
    QCOMPARE(m_comm->Engine()->ReadAreaIndex(), 0);
}

void ExchangeOverEthernet::writeAllSendsTheDesignInOrderAndReadingBackGivesItAgain()
{
    QVERIFY(startSim({"--boot-ms", "300"})); // a quick restart
    QVERIFY(connectTcp());

    QVector<AREA_DATA> expected;
    for (int i = 0; i < kAreaCount; ++i) {
        ProjectData().Areas[i] = designArea(i);
        expected << asReadBack(designArea(i), i);
    }
    m_parameters.RS485IDAddress = 42;
    m_parameters.ScanFilterLevel = 2;
    m_parameters.SensorIPAddressHigh = 10 * 256 + 1;
    m_parameters.DirtyReceStrength = 777;
    const SENSOR_PARAMETERS written = m_parameters;

    m_answer = [](const Dialogs::Prompt &) { return 0; }; // OK, and Yes to the reboot
    m_comm->WriteSensorAllDataSlots();
    QTRY_VERIFY_WITH_TIMEOUT(prompted(QStringLiteral("Sensor Reboot Complete")), 15000);

    // Areas 0..63 in order, then case channels, then parameters; all of it read back (parameters,
    // case channels, product data for the write log, areas 0..63); then the reboot asked for.
    QList<QByteArray> order;
    QList<int> areaIndexes;
    for (const QByteArray &f : m_sent) {
        if (codeOf(f) == "RAuto")
            continue;
        order << codeOf(f);
        if (codeOf(f) == "WArea" || codeOf(f) == "RArea")
            areaIndexes << uchar(f.at(5));
    }
    QCOMPARE(order.size(), 2 * kAreaCount + 6);
    QCOMPARE(areaIndexes.size(), 2 * kAreaCount);
    for (int i = 0; i < 2 * kAreaCount; ++i)
        QCOMPARE(areaIndexes[i], i % kAreaCount);
    QCOMPARE(order.mid(kAreaCount, 5), (QList<QByteArray>{"WCase", "WPara", "RPara", "RCase", "RPrda"}));
    QCOMPARE(order.last(), QByteArray("RBoot"));

    // One message for the verified write, with the question before the reboot.
    QStringList texts;
    for (const Dialogs::Prompt &p : m_prompts)
        texts << p.text;
    QCOMPARE(texts, (QStringList{QStringLiteral("Parameters written. They take effect after a restart.\n"
                                                "Verified: 64 areas, case channels and 25 parameters match\n"
                                                "Restart the sensor now?"),
                                 QStringLiteral("Sensor Reboot Complete")}));
    QCOMPARE(m_prompts[0].buttons, (QStringList{QStringLiteral("Yes"), QStringLiteral("No")}));
    QVERIFY(!m_comm->ProgressDialog()->isVisible());
    QVERIFY(!m_comm->Engine()->AnyRequestRaised());

    // The restarting sensor hangs up and takes connections again after its boot time.
    QTRY_COMPARE_WITH_TIMEOUT(m_comm->Engine()->link()->state(), Link::State::Lost, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(connectTcp(), 5000);

    // Forget everything here, read it back from the sensor.
    ProjectData().resetToStartup();
    m_parameters = SENSOR_PARAMETERS();
    m_prompts.clear();
    m_comm->ReadSensorAllDataSlots();
    QTRY_VERIFY_WITH_TIMEOUT(prompted(QStringLiteral("Parameters Read OK!")), 15000);
    for (int i = 0; i < kAreaCount; ++i)
        QVERIFY2(ProjectData().Areas[i] == expected[i], qPrintable(QStringLiteral("area %1").arg(i)));
    QCOMPARE(m_parameters, written);
}

void ExchangeOverEthernet::productInformationIsShownInBothLanguages()
{
    QVERIFY(startSim());
    QVERIFY(connectTcp());

    m_comm->SensorInformationSlots();
    QTRY_COMPARE_WITH_TIMEOUT(m_prompts.size(), 1, 15000);
    QCOMPARE(m_prompts[0].title, QStringLiteral("Product Message"));
    const QStringList lines = m_prompts[0].text.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QStringLiteral("Product Name:  VKT-30xx")); // the stand-in's model code 3
    QVERIFY(QRegularExpression(QStringLiteral("^Firmware:  \\d+\\.\\d\\d$")).match(lines[1]).hasMatch());
    QVERIFY(QRegularExpression(QStringLiteral("^Serial Number:  \\d+$")).match(lines[2]).hasMatch());
    QVERIFY(
        QRegularExpression(QStringLiteral("^Production:  \\d+ - \\d+ - \\d+$")).match(lines[3]).hasMatch());

    m_comm->SetLanguage(Language::Chinese);
    m_comm->SensorInformationSlots();
    QTRY_COMPARE_WITH_TIMEOUT(m_prompts.size(), 2, 15000);
    QCOMPARE(m_prompts[1].title, QStringLiteral("产品信息"));
    const QStringList zh = m_prompts[1].text.split(QLatin1Char('\n'));
    QCOMPARE(zh.size(), 4);
    QCOMPARE(zh[1], QStringLiteral("固件版本:  ") + lines[1].mid(11));
    QVERIFY(QRegularExpression(QStringLiteral("^生产日期:  \\d+年\\d+月\\d+日$")).match(zh[3]).hasMatch());
    QVERIFY(!m_comm->Engine()->RequestRaised(SERIAL_COMM::Request::ProductInfo));
}

void ExchangeOverEthernet::scanControlIsSentOnlyWhenEnabled()
{
    QVERIFY(startSim());
    QVERIFY(connectTcp());
    QSignalSpy io(m_comm.get(), &SERIAL_COMM::IOPortSignals);

    m_comm->OpenSendReadSimulation();
    QTRY_VERIFY_WITH_TIMEOUT(countSent("WSimu") >= 3, 15000);
    QCOMPARE(countSent("SCtrl"), 0);
    QVERIFY(io.count() >= 2);

    m_control.Enable = true;
    m_control.MotorSpeed = 1;
    m_control.FilterLevel = 3;
    QTRY_VERIFY_WITH_TIMEOUT(countSent("SCtrl") >= 2, 15000);
    for (const QByteArray &f : m_sent)
        if (codeOf(f) == "SCtrl") {
            QCOMPARE(f.at(7), char(1));
            QCOMPARE(f.at(9), char(3));
        }
    m_comm->CloseSendReadSimulation();
    QVERIFY(!m_comm->Engine()->SimulationPollActive());
}

void ExchangeOverEthernet::udpModeTalksToTheSensorsAddress()
{
    QVERIFY(startSim());
    ScanData().EtherMode = 1;
    QVERIFY(m_comm->Engine()->openUdp(QHostAddress(QString::fromLatin1(kAddress))));

    m_parameters.CANIDAddress = 3;
    QSignalSpy parameters(m_comm.get(), &SERIAL_COMM::ReceiveParameters);
    m_comm->ReadSensorAllDataSlots();
    QTRY_VERIFY_WITH_TIMEOUT(parameters.count() == 1, 15000);
    QCOMPARE(m_parameters.CANIDAddress, 127);
    QTRY_VERIFY_WITH_TIMEOUT(prompted(QStringLiteral("Parameters Read OK!")), 15000);
    QCOMPARE(m_comm->Engine()->TimeoutCount(), 0);
}

void ExchangeOverEthernet::abandoningStopsThePendingSequence()
{
    QVERIFY(startSim());
    QVERIFY(connectTcp());

    m_comm->ReadSensorAllDataSlots();
    QTRY_VERIFY_WITH_TIMEOUT(countSent("RArea") >= 3, 5000);
    m_comm->AbandonExchange();
    QVERIFY(!m_comm->Engine()->AnyRequestRaised());
    QCOMPARE(m_comm->Engine()->AwaitedReply(), SERIAL_COMM::Request::None);
    QVERIFY(!m_comm->Engine()->ReplyTimeoutActive());
    QVERIFY(!m_comm->ProgressDialog()->isVisible());
    const int sent = m_sent.size();
    QTest::qWait(300);
    QCOMPARE(m_sent.size(), sent);
    QVERIFY(!prompted(QStringLiteral("Parameters Read OK!")));
    // The read ends with its one message all the same, saying why and what was not read.
    QCOMPARE(m_prompts.size(), 1);
    QVERIFY2(m_prompts[0].text.startsWith("Stopped before the end.") &&
                 m_prompts[0].text.contains(QRegularExpression("Areas \\d+–63 not read")),
             qPrintable(m_prompts[0].text));

    // A fresh request afterwards runs normally.
    m_comm->SensorInformationSlots();
    QTRY_COMPARE_WITH_TIMEOUT(m_prompts.size(), 2, 15000);
}

void ExchangeOverEthernet::rejectedWritesShowTheirMessagesAndTheAreaLoopStops_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("chinese");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("setting error")
        << 1 << false << "Message"
        << "Area 0 rejected: Parameters Setting Error: the sensor refused this area and kept its previous "
           "data. Check that the design is for this sensor's model and that the zones lie within its range, "
           "then write again.\n"
           "Areas 0–63 not written.\nCase channels not written.\nParameters not written.";
    QTest::newRow("flash error")
        << 2 << false << "Message"
        << "Area 0 rejected: FLASH Write Error\n"
           "Areas 0–63 not written.\nCase channels not written.\nParameters not written.";
    QTest::newRow("setting error, Chinese")
        << 1 << true << "错误"
        << "区域0被拒绝：参数设置异常：传感器拒绝了该区域，仍保留原有数据。请检查设计是否适用于该"
           "传感器型号、检测区域是否在其测量范围内，然后重新写入。\n"
           "区域0–63未写入。\n工况通道未写入。\n参数未写入。";
}

// A sensor that keeps rejecting: three attempts at area 0, then the write-all stops with one message
// saying what was not written; nothing else is sent, no restart is offered.
void ExchangeOverEthernet::rejectedWritesShowTheirMessagesAndTheAreaLoopStops()
{
    QFETCH(int, status);
    QFETCH(bool, chinese);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QVERIFY(startSim({QStringLiteral("--write-status"), QString::number(status)}));
    QVERIFY(connectTcp());
    m_comm->SetLanguage(chinese ? Language::Chinese : Language::English);

    m_comm->OpenSendReadSimulation();
    m_comm->WriteSensorAllDataSlots();
    QTRY_COMPARE_WITH_TIMEOUT(m_prompts.size(), 1, 10000);
    QTest::qWait(300);
    QCOMPARE(m_prompts.size(), 1);
    QCOMPARE(m_prompts[0].title, title);
    QCOMPARE(m_prompts[0].text, text);
    QCOMPARE(m_prompts[0].buttons, QStringList());

    QCOMPARE(countSent("WArea"), ExchangeEngine::kAreaWriteAttempts);
    for (const QByteArray &f : m_sent)
        if (codeOf(f) == "WArea")
            QCOMPARE(int(uchar(f.at(5))), 0);
    QCOMPARE(countSent("WCase"), 0);
    QCOMPARE(countSent("WPara"), 0);
    QCOMPARE(countSent("RBoot"), 0);
    QVERIFY(!m_comm->Engine()->RequestRaised(SERIAL_COMM::Request::WriteAreas));
    QVERIFY(!m_comm->ProgressDialog()->isVisible());
    // The polls go on afterwards.
    const int simulations = countSent("WSimu");
    QTRY_VERIFY_WITH_TIMEOUT(countSent("WSimu") > simulations, 5000);
}

QTEST_MAIN(ExchangeOverEthernet)
#include "tst_exchange.moc"
