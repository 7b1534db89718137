// Read-all, write-all and verify against the stand-in over TCP when replies come late, go missing or
// are refused, when the design does not fit the sensor, and when the user cancels: the sensor ends up
// holding the design, and every sequence ends with one truthful message. Run inside a private network
// namespace (unshare -n).
#include "area/dialogs.h"
#include "area/store/device_type.h"
#include "area/store/project_data.h"
#include "comm/codec/area_codec.h"
#include "comm/codec/design_image.h"
#include "comm/codec/requests.h"
#include "comm/codec/scan_data.h"
#include "comm/codec/sensor_parameters.h"
#include "comm/serial_comm.h"
#include "exchange_helpers.h"

#include <QApplication>
#include <QMessageBox>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSerialPort>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtTest>
#include <algorithm>
#include <memory>

namespace {

// Each test its own stand-in address, so a stand-in that is slow to go cannot answer the next test.
QString address(int n)
{
    return QStringLiteral("127.0.11.%1").arg(n);
}

// A design with every kind of shape, arcs included, and a reversed-looking polygon.
AREA_DATA designArea(int i)
{
    AREA_DATA a;
    a.OpenDelay = i % 5;
    a.CloseDelay = (i * 7) % 9;
    a.Hysteresis = i % 3;
    a.DetectionSize = 1 + i % 4;
    a.SteerMinDgree = -45 + i;
    a.SteerMaxDgree = 20 + i;
    a.VehicleMinSpeed = -100 + i;
    a.VehicleMaxSpeed = 300 + i;
    a.VehicleOptionMode = i % 2;
    a.Out1Shape = Polygon;
    a.Out1Coord = {QPoint(900 + i, -300), QPoint(700, 800 + i), QPoint(-600 - i, 400)};
    a.Out2Shape = Arc;
    a.Out2Coord = {QPoint(1500 + 3 * i, 200), QPoint(-1000, 1100 + 5 * i)};
    a.Out3Shape = Straight;
    a.Out3Coord = {QPoint(0, 2000 + i)};
    return a;
}

} // namespace

class ExchangeRoundTrip : public QObject, private ExchangeRig {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void lateAcknowledgementIsCreditedToItsOwnRequest();
    void lateAreaReplyIsNotTakenForAnotherArea();
    void readWriteCyclesLeaveTheSensorUnchanged();
    void areasAreMirroredForTheDirectionInTheDock();
    void reverseDirectionAboveOneIsHeldAsReverse();
    void designThatDoesNotFitSendsNothingAndSaysWhy();
    void pointsBeyondTheModelsRangeAreWrittenOnlyWhenAccepted();
    void lostRepliesResumeTheWriteWhereItStopped();
    void sequenceWithTooManyLostRepliesStopsAndSaysWhatWasDone();
    void cancelStopsTheReadAndMarksTheAreasNotRead();
    void verifyNamesWhatTheSensorHoldsDifferently();
    void boxesFromRepliesDoNotStopTheExchange();

private:
    bool startSim(const QStringList &options = {});
    void connectAndRead();
    void setDesign();
    int countSent(const char *code) const { return countFrames(m_sent, code); }
    QString lastText() const { return m_prompts.isEmpty() ? QString() : m_prompts.last().text; }

    int m_addressIndex = 0;
    QList<Dialogs::Prompt> m_prompts;
    std::function<int(const Dialogs::Prompt &)> m_answer;
};

void ExchangeRoundTrip::init()
{
    qRegisterMetaType<QVector<int>>();
    QStandardPaths::setTestModeEnabled(true);
    ProjectData().resetToStartup();
    ScanData() = SCAN_DATA();
    ScanData().ConnectType = 1;
    ScanData().EtherMode = 0;
    m_prompts.clear();
    m_answer = nullptr;
    // The restart question is answered No unless a test says otherwise.
    Dialogs::setResponder([this](const Dialogs::Prompt &p) {
        m_prompts << p;
        return m_answer ? m_answer(p) : p.buttons.size() > 1 ? 1 : 0;
    });
    buildExchange(this);
}

void ExchangeRoundTrip::cleanup()
{
    tearDownExchange();
    Dialogs::setResponder(nullptr);
}

bool ExchangeRoundTrip::startSim(const QStringList &options)
{
    const QByteArray at = address(++m_addressIndex).toLatin1();
    m_sim = startSimAt(at.constData(), options);
    return m_sim && connectTcp(m_comm->Engine(), at.constData());
}

void ExchangeRoundTrip::connectAndRead()
{
    m_comm->ReadSensorAllDataSlots();
    QTRY_COMPARE_WITH_TIMEOUT(lastText(), QStringLiteral("Parameters Read OK!"), 20000);
    m_prompts.clear();
    m_sent.clear();
}

void ExchangeRoundTrip::setDesign()
{
    for (int i = 0; i < kAreaCount; ++i)
        ProjectData().Areas[i] = designArea(i);
}

// A late reply must be later than any that a busy machine (a sanitizer build beside other tests) is
// merely slow with, or it is not the one late reply the test means: the time-out is lengthened for
// these tests, and the reply comes well after it.
constexpr int kLateTimeoutMs = 5000;
constexpr int kLateByMs = 6500;

static QStringList lateReply(const char *code, int nth)
{
    return {QStringLiteral("--delay"),
            QStringLiteral("%1:%2:%3").arg(QLatin1String(code)).arg(nth).arg(kLateByMs)};
}

// A write acknowledgement after the time-out: the area is sent again, both answers come, and neither
// the case channels nor the parameters are sent twice; the read-back matches.
void ExchangeRoundTrip::lateAcknowledgementIsCreditedToItsOwnRequest()
{
    QVERIFY(startSim(lateReply("WArea", 6)));
    m_comm->Engine()->SetReplyTimeout(kLateTimeoutMs);
    setDesign();
    m_comm->WriteSensorAllDataSlots();
    QTRY_VERIFY_WITH_TIMEOUT(!m_prompts.isEmpty(), 60000);
    QCOMPARE(m_prompts.size(), 1);
    QCOMPARE(m_prompts[0].icon, Dialogs::Icon::Question);
    QVERIFY2(lastText().contains(QStringLiteral("Verified: 64 areas, case channels and 25 parameters match")),
             qPrintable(lastText() + QLatin1Char('\n') + sentTimeline("WArea")));
    QVERIFY2(countSent("WArea") == 65,
             qPrintable(sentTimeline("WArea"))); // area 5 once more, nothing from area 0 again
    QCOMPARE(countSent("WCase"), 1);
    QCOMPARE(countSent("WPara"), 1);
}

void ExchangeRoundTrip::lateAreaReplyIsNotTakenForAnotherArea()
{
    // The reply to the fifth area read comes after the time-out: area 4 is asked again and the late
    // record, arriving while area 5 or later is awaited, must not be stored there.
    QVERIFY(startSim(lateReply("RArea", 5)));
    m_comm->Engine()->SetReplyTimeout(kLateTimeoutMs);
    QSignalSpy notRead(m_comm.get(), &SERIAL_COMM::AreasNotRead);
    m_comm->ReadSensorAllDataSlots();
    QTRY_VERIFY_WITH_TIMEOUT(!m_prompts.isEmpty(), 60000);
    QVERIFY2(lastText() == QStringLiteral("Parameters Read OK!"),
             qPrintable(lastText() + QLatin1Char('\n') + sentTimeline("RArea")));
    QVERIFY2(countSent("RArea") == 65, qPrintable(sentTimeline("RArea")));
    QCOMPARE(notRead.count(), 1);
    QVERIFY(notRead[0][0].value<QVector<int>>().isEmpty());
    // What was read is what the sensor holds.
    m_prompts.clear();
    m_comm->VerifySensorDataSlots();
    QTRY_VERIFY_WITH_TIMEOUT(!m_prompts.isEmpty(), 20000);
    QCOMPARE(lastText(), QStringLiteral("Verified: 64 areas, case channels and 25 parameters match"));
}

// Three unedited read → write cycles (arcs among the sensor's zones): every cycle verifies, and the
// areas read at the end are the areas read at the start.
void ExchangeRoundTrip::readWriteCyclesLeaveTheSensorUnchanged()
{
    QVERIFY(startSim());
    connectAndRead();
    const QVector<AREA_DATA> first = ProjectData().Areas;
    int arcs = 0;
    for (const AREA_DATA &a : first)
        for (int j = 0; j < 3; ++j)
            arcs += a.shape(j) == Arc;
    QVERIFY(arcs > 0);
    for (int cycle = 0; cycle < 3; ++cycle) {
        m_comm->WriteSensorAllDataSlots();
        QTRY_VERIFY_WITH_TIMEOUT(!m_prompts.isEmpty(), 30000);
        QVERIFY2(lastText().contains(QStringLiteral("Verified")), qPrintable(lastText()));
        m_prompts.clear();
        connectAndRead();
    }
    QCOMPARE(ProjectData().Areas, first);
}

void ExchangeRoundTrip::areasAreMirroredForTheDirectionInTheDock()
{
    QVERIFY(startSim());
    connectAndRead(); // the sensor is mounted forward
    QVERIFY(!ScanData().InstallDir);
    setDesign();
    m_parameters.SensorInstallDir = 1; // "Reverse" chosen in the dock
    QSignalSpy direction(m_comm.get(), &SERIAL_COMM::DirChangeSignals);
    m_comm->WriteSensorAllDataSlots();
    QTRY_VERIFY_WITH_TIMEOUT(!m_prompts.isEmpty(), 30000);
    QVERIFY2(lastText().contains(QStringLiteral("Verified")), qPrintable(lastText()));

    // Area 0's polygon went out mirrored: (900, -300) is (-900, -300) for the sensor, and the
    // parameters carried the reverse direction with it.
    const QByteArray area0 = m_sent[1];
    QCOMPARE(codeOf(area0), QByteArray("WArea"));
    QCOMPARE(uchar(area0.at(5)), uchar(0));
    uchar expected[kAreaRecordLength];
    encodeAreaRecord(expected, "WArea", 0, designArea(0), true);
    QCOMPARE(area0, QByteArray(reinterpret_cast<const char *>(expected), kAreaRecordLength));
    for (const QByteArray &f : m_sent)
        if (codeOf(f) == "WPara")
            QCOMPARE(int(uchar(f.at(5 + 2 * 14 + 1))), 1);
    QVERIFY(ScanData().InstallDir);
    QCOMPARE(direction.last().at(0).toBool(), true);

    // Read back with the reverse direction, the design is what was drawn (in the sensor's order).
    m_prompts.clear();
    connectAndRead();
    auto sorted = [](QVector<QPoint> v) {
        std::sort(v.begin(), v.end(), [](QPoint a, QPoint b) { return a.x() < b.x(); });
        return v;
    };
    QCOMPARE(sorted(ProjectData().Areas[0].Out1Coord), sorted(designArea(0).Out1Coord));
}

void ExchangeRoundTrip::reverseDirectionAboveOneIsHeldAsReverse()
{
    QVERIFY(startSim());
    m_parameters.SensorInstallDir = 2;
    m_comm->WriteSensorAllDataSlots();
    QTRY_VERIFY_WITH_TIMEOUT(!m_prompts.isEmpty(), 30000);
    m_prompts.clear();
    m_parameters.SensorInstallDir = 0;
    QSignalSpy direction(m_comm.get(), &SERIAL_COMM::DirChangeSignals);
    connectAndRead();
    // Dock value, label signal and mirroring all say reverse.
    QCOMPARE(m_parameters.SensorInstallDir, 1);
    QCOMPARE(direction.count(), 1);
    QCOMPARE(direction[0][0].toBool(), true);
    QVERIFY(ScanData().InstallDir);
}

void ExchangeRoundTrip::designThatDoesNotFitSendsNothingAndSaysWhy()
{
    QVERIFY(startSim());
    setDesign();
    for (int k = 0; k < 101; ++k)
        ProjectData().Areas[3].Out1Coord.append(QPoint(100 + k, 200 + k));
    ProjectData().Areas[5].Out3Shape = Fan;
    ProjectData().Areas[5].Out3Coord = {QPoint(0, -5)};
    ProjectData().Areas[7].Out1Coord[1] = QPoint(40000, 10);
    m_comm->WriteSensorAllDataSlots();
    QTest::qWait(300);
    QVERIFY(m_sent.isEmpty());
    QCOMPARE(m_prompts.size(), 1);
    const QString text = m_prompts[0].text;
    QVERIFY2(text.startsWith(QStringLiteral("Nothing was written")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Area 3 Out1: 104 points, the sensor holds at most 100")));
    QVERIFY(text.contains(QStringLiteral("Area 5 Out3: shape parameter -5 outside 0 to 65,535")));
    QVERIFY(text.contains(QStringLiteral("Area 7 Out1: coordinate 40000 mm beyond ±32,767 mm")));
    QCOMPARE(m_comm->Engine()->RunningSequence(), SERIAL_COMM::Sequence::None);
}

void ExchangeRoundTrip::pointsBeyondTheModelsRangeAreWrittenOnlyWhenAccepted()
{
    QVERIFY(startSim());
    setDesign();
    m_comm->SetDeviceType(0); // 6000 mm
    ProjectData().Areas[2].Out1Coord[0] = QPoint(7000, -300);
    m_answer = [](const Dialogs::Prompt &) { return 1; }; // No
    m_comm->WriteSensorAllDataSlots();
    QTest::qWait(200);
    QVERIFY(m_sent.isEmpty());
    QCOMPARE(m_prompts.size(), 1);
    QVERIFY(m_prompts[0].text.contains(QStringLiteral("Area 2 Out1: 7006 mm")));

    // Yes: written as drawn, not clamped to the range. The stand-in is a 30 m sensor: the window asks
    // before a design for the 5 m model goes to it, and No sends nothing.
    m_answer = [](const Dialogs::Prompt &p) {
        return p.text.startsWith(QStringLiteral("These points")) ? 0 : 1;
    };
    m_prompts.clear();
    m_comm->WriteSensorAllDataSlots();
    QTRY_COMPARE_WITH_TIMEOUT(m_prompts.size(), 3, 30000);
    QVERIFY2(m_prompts[1].text.startsWith(QStringLiteral(
                 "The sensor is model VKT30 (code 3), but the design is for model VKT05 (code 0).")),
             qPrintable(m_prompts[1].text));
    QVERIFY(!m_sent.contains("WArea"));
    m_answer = [](const Dialogs::Prompt &p) {
        return p.text.startsWith(QStringLiteral("These points")) || p.text.contains("Write it anyway") ? 0
                                                                                                       : 1;
    };
    m_prompts.clear();
    m_comm->WriteSensorAllDataSlots();
    QTRY_COMPARE_WITH_TIMEOUT(m_prompts.size(), 3, 30000);
    QVERIFY2(lastText().contains(QStringLiteral("Verified")), qPrintable(lastText()));
}

// One reply in 40 lost: each lost one costs a time-out and the same request again, the write goes
// on from the area it stopped at, and the write-all and its verify end.
void ExchangeRoundTrip::lostRepliesResumeTheWriteWhereItStopped()
{
    QVERIFY(startSim({QStringLiteral("--drop"), QStringLiteral("40")}));
    setDesign();
    m_comm->WriteSensorAllDataSlots();
    QTRY_VERIFY_WITH_TIMEOUT(!m_prompts.isEmpty(), 40000);
    QCOMPARE(m_prompts.size(), 1);
    QVERIFY2(lastText().contains(QStringLiteral("Verified")), qPrintable(lastText()));
    QVERIFY2(countSent("WArea") <= 66, qPrintable(QString::number(countSent("WArea"))));
    QCOMPARE(m_comm->Engine()->RunningSequence(), SERIAL_COMM::Sequence::None);
    QVERIFY(!m_comm->ProgressDialog()->isVisible());
}

// Every second request lost: never four in a row, but the sequence still ends, after a bounded number
// of time-outs, and says how far it came.
void ExchangeRoundTrip::sequenceWithTooManyLostRepliesStopsAndSaysWhatWasDone()
{
    QVERIFY(startSim({QStringLiteral("--drop"), QStringLiteral("2")}));
    setDesign();
    m_comm->WriteSensorAllDataSlots();
    QTRY_VERIFY_WITH_TIMEOUT(!m_prompts.isEmpty(), 40000);
    QCOMPARE(m_prompts.size(), 1);
    QCOMPARE(m_prompts[0].icon, Dialogs::Icon::Warning);
    const QString text = lastText();
    QVERIFY2(text.startsWith(QStringLiteral("Too many replies were lost (9); stopped.")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Areas 9–63 not written.")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Case channels not written.")));
    QVERIFY(text.contains(QStringLiteral("Parameters not written.")));
    QCOMPARE(m_comm->Engine()->RunningSequence(), SERIAL_COMM::Sequence::None);
    QVERIFY(!m_comm->Engine()->AnyRequestRaised());
    const int sent = m_sent.size();
    QTest::qWait(300);
    QCOMPARE(m_sent.size(), sent);
}

void ExchangeRoundTrip::cancelStopsTheReadAndMarksTheAreasNotRead()
{
    QVERIFY(startSim({QStringLiteral("--delay"), QStringLiteral("RArea:13:1000")}));
    QSignalSpy notRead(m_comm.get(), &SERIAL_COMM::AreasNotRead);
    QSignalSpy stored(m_comm.get(), &SERIAL_COMM::ReceiveAreasComplete);
    m_comm->ReadSensorAllDataSlots();
    QTRY_COMPARE_WITH_TIMEOUT(countSent("RArea"), 13, 10000);
    QProgressDialog *progress = m_comm->ProgressDialog();
    QVERIFY(progress->isVisible());
    QProgressBar *bar = progress->findChild<QProgressBar *>();
    QVERIFY(bar);
    QCOMPARE(bar->text(), QStringLiteral("Area 12 of 64"));
    QPushButton *cancel = progress->findChild<QPushButton *>();
    QVERIFY(cancel);
    QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
    cancel->click();

    QTRY_COMPARE_WITH_TIMEOUT(m_prompts.size(), 1, 5000);
    QCOMPARE(lastText(), QStringLiteral("Cancelled.\nAreas 12–63 not read (marked red in the area list)."));
    QVERIFY(!progress->isVisible());
    QCOMPARE(notRead.count(), 1);
    const QVector<int> missing = notRead[0][0].value<QVector<int>>();
    QCOMPARE(missing.size(), 52);
    QCOMPARE(missing.first(), 12);
    QCOMPARE(stored.count(), 1);
    // The late reply of area 12 finds nothing waiting for it.
    const AREA_DATA before = ProjectData().Areas[12];
    QTest::qWait(1200);
    QCOMPARE(ProjectData().Areas[12], before);
    QCOMPARE(countSent("RArea"), 13);
    QCOMPARE(m_prompts.size(), 1);
}

void ExchangeRoundTrip::verifyNamesWhatTheSensorHoldsDifferently()
{
    QVERIFY(startSim({QStringLiteral("--alter-area"), QStringLiteral("9")}));
    setDesign();
    QSignalSpy finished(m_comm.get(), &SERIAL_COMM::VerifyFinished);
    m_comm->WriteSensorAllDataSlots();
    QTRY_VERIFY_WITH_TIMEOUT(!m_prompts.isEmpty(), 30000);
    QCOMPARE(m_prompts.size(), 1);
    QCOMPARE(m_prompts[0].icon, Dialogs::Icon::Warning);
    QCOMPARE(lastText(), QStringLiteral("The sensor does not hold what was written.\n"
                                        "Verify found differences: area 9 (zone parameters)"));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished[0][0].toBool(), true);  // after a write
    QCOMPARE(finished[0][1].toBool(), false); // no match
    QVERIFY(!m_comm->Engine()->RequestRaised(SERIAL_COMM::Request::Reboot));

    // The Verify action compares the open project at any time; the fingerprint is the design's.
    m_prompts.clear();
    ProjectData().Areas[9].DetectionSize += 1;
    m_comm->VerifySensorDataSlots();
    QTRY_VERIFY_WITH_TIMEOUT(!m_prompts.isEmpty(), 20000);
    QCOMPARE(lastText(), QStringLiteral("Verified: 64 areas, case channels and 25 parameters match"));
    QCOMPARE(finished.count(), 2);
    QCOMPARE(finished[1][1].toBool(), true);
    QVERIFY(finished[1][2].toUInt() != finished[0][2].toUInt());
    // The report prints the same fingerprint for the same design.
    QCOMPARE(finished[1][2].toUInt(), designImageCrc(ProjectData(), m_parameters));
    QCOMPARE(m_comm->LastProduct().SerialNumber, quint16(20417));
}

// A handler's box, open while the user reads it, holds up neither polls nor replies.
void ExchangeRoundTrip::boxesFromRepliesDoNotStopTheExchange()
{
    QVERIFY(startSim());
    Dialogs::setResponder(nullptr); // real boxes
    QSignalSpy selfCheck(m_comm.get(), &SERIAL_COMM::SelfCheckStatus);
    m_comm->SensorInformationSlots();
    QMessageBox *box = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())), 5000);
    QVERIFY(box->isVisible());
    QVERIFY(box->text().startsWith(QStringLiteral("Product Name:")));
    m_comm->OpenSendReadSimulation();
    QTRY_VERIFY_WITH_TIMEOUT(selfCheck.count() >= 5, 5000);
    QVERIFY(box->isVisible());
    box->close();
}

QTEST_MAIN(ExchangeRoundTrip)
#include "tst_exchange_roundtrip.moc"
