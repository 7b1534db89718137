// The exchange engine on its own: no window, no widgets (this program links only the engine library),
// against the stand-in process over TCP, UDP and a real pseudo-terminal.

#include "area/store/project_data.h"
#include "exchange/exchange_engine.h"
#include "sim_process.h"

#include <QtTest>
#include <memory>
#include <signal.h>

using Sequence = ExchangeEngine::Sequence;
using Outcome = ExchangeEngine::Outcome;
using MessageKind = ExchangeEngine::MessageKind;

namespace {

// Everything one engine reports, kept for the test to look at.
struct Reports {
    QList<ExchangeEngine::Result> finished;
    QList<int> progress; // done values of SequenceProgress, in order
    QList<QPair<MessageKind, QString>> messages;
    QList<QByteArray> sent;
    int gaveUp = 0;
    QStringList linkFailures;

    void watch(ExchangeEngine &e)
    {
        QObject::connect(&e, &ExchangeEngine::SequenceFinished, &e,
                         [this](const ExchangeEngine::Result &r) { finished << r; });
        QObject::connect(&e, &ExchangeEngine::SequenceProgress, &e, [this](Sequence, int done, int total) {
            QCOMPARE(total, kAreaCount);
            progress << done;
        });
        QObject::connect(&e, &ExchangeEngine::Message, &e,
                         [this](MessageKind kind, const QString &, const QString &text) {
                             messages << qMakePair(kind, text);
                         });
        QObject::connect(&e, &ExchangeEngine::FrameSent, &e, [this](const QByteArray &f) { sent << f; });
        QObject::connect(&e, &ExchangeEngine::ExchangeGaveUp, &e, [this] { ++gaveUp; });
        QObject::connect(&e, &ExchangeEngine::LinkFailed, &e,
                         [this](const QString &m) { linkFailures << m; });
    }
};

// A design that touches every part of the wire image: zone parameters, case channels and two outputs
// of every ninth area (points in bearing order, as the sensor keeps them), and two parameters.
void makeDesign(PROJECT_DATA &project, SENSOR_PARAMETERS &parameters)
{
    for (int i = 0; i < kAreaCount; i += 9) {
        AREA_DATA &a = project.Areas[i];
        a.OpenDelay = i % 5;
        a.CloseDelay = 1;
        a.Hysteresis = 2;
        a.DetectionSize = 3 + i % 4;
        a.SteerMinDgree = -30 + i;
        a.SteerMaxDgree = 30;
        a.VehicleMaxSpeed = 100 + i;
        a.VehicleOptionMode = 1;
        a.Out1Shape = Polygon;
        a.Out1Coord = {QPoint(1000 + i, 0), QPoint(1000, 1000), QPoint(0, 2000 + i), QPoint(-1000, 1000)};
        a.Out2Shape = Polygon;
        a.Out2Coord = {QPoint(3000, -500), QPoint(0, 4000), QPoint(-3000, -500)};
    }
    parameters.DirtyReceDistance = 321;
    parameters.ScanFilterLevel = 2;
}

bool open(ExchangeEngine &engine, const QString &transport, const char *address, const SimProcess &sim)
{
    if (transport == QLatin1String("tcp"))
        return engine.openTcp(QHostAddress(QString::fromLatin1(address)));
    if (transport == QLatin1String("udp"))
        return engine.openUdp(QHostAddress(QString::fromLatin1(address)));
    return engine.openSerial(sim.pty, 115200);
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

private slots:
    void writeVerifyAndReadBackOverEveryTransport_data();
    void writeVerifyAndReadBackOverEveryTransport();
    void verifyNamesTheAreaOutputAndFieldThatDiffer();
    void sensorThatStopsAnsweringIsGivenUp_data();
    void sensorThatStopsAnsweringIsGivenUp();

private:
    std::unique_ptr<SimProcess> startSim(const char *address, const QStringList &options = {})
    {
        auto sim = std::make_unique<SimProcess>();
        if (!sim->start(QStringList{QStringLiteral("--address"), QString::fromLatin1(address)} + options)) {
            qWarning("%s", qPrintable(sim->error));
            return nullptr;
        }
        return sim;
    }
};

// One engine writes a design and has it verified; a second one, with stores of its own, reads it all back
// and holds the same design.
void TestEngine::writeVerifyAndReadBackOverEveryTransport_data()
{
    QTest::addColumn<QString>("transport");
    QTest::addColumn<QString>("address");
    QTest::newRow("tcp") << "tcp"
                         << "127.0.21.1";
    QTest::newRow("udp") << "udp"
                         << "127.0.21.2";
    QTest::newRow("pty") << "pty"
                         << "127.0.21.3";
}

void TestEngine::writeVerifyAndReadBackOverEveryTransport()
{
    QFETCH(QString, transport);
    QFETCH(QString, address);
    const QByteArray host = address.toLatin1();
    auto sim =
        startSim(host.constData(), transport == QLatin1String("pty") ? QStringList{"--pty"} : QStringList{});
    QVERIFY(sim);

    ExchangeEngine writer;
    Reports w;
    w.watch(writer);
    makeDesign(*writer.projectStore(), *writer.parameters());
    QVERIFY2(open(writer, transport, host.constData(), *sim), qPrintable(writer.LinkError()));
    writer.WriteSensorAllDataSlots();
    QCOMPARE(writer.RunningSequence(), Sequence::WriteAll);
    QTRY_COMPARE_WITH_TIMEOUT(w.finished.size(), 1, 60000);

    const ExchangeEngine::Result written = w.finished.first();
    QCOMPARE(written.sequence, Sequence::Verify);
    QVERIFY(written.afterWrite);
    QCOMPARE(written.outcome, Outcome::Complete);
    QVERIFY(written.areasNotDone.isEmpty());
    QVERIFY(written.differences.isEmpty());
    QVERIFY(written.imageCrc != 0);
    QCOMPARE(w.messages.size(), 1);
    QCOMPARE(w.messages.first().first, MessageKind::RestartOffer);
    QVERIFY(w.messages.first().second.startsWith("Parameters written. They take effect after a restart."));
    // 64 areas written and 64 read back, each step reported, ending at all 64.
    QCOMPARE(w.progress.count(kAreaCount), 2);
    QCOMPARE(w.progress.last(), kAreaCount);
    // Nothing but the write-all's frames and its read-back left, one of each area write.
    int areaWrites = 0;
    for (const QByteArray &f : w.sent)
        areaWrites += f.startsWith("WArea");
    QCOMPARE(areaWrites, kAreaCount);
    QCOMPARE(writer.RunningSequence(), Sequence::None);
    QVERIFY(!writer.AnyRequestRaised());
    writer.close();
    QVERIFY(!writer.IsOpen());

    ExchangeEngine reader;
    Reports r;
    r.watch(reader);
    reader.SetLanguage(Language::Chinese);
    QVERIFY2(open(reader, transport, host.constData(), *sim), qPrintable(reader.LinkError()));
    QSignalSpy notRead(&reader, &ExchangeEngine::AreasNotRead);
    reader.ReadSensorAllDataSlots();
    QTRY_COMPARE_WITH_TIMEOUT(r.finished.size(), 1, 30000);
    QCOMPARE(r.finished.first().sequence, Sequence::ReadAll);
    QCOMPARE(r.finished.first().outcome, Outcome::Complete);
    QCOMPARE(notRead.size(), 1);
    QVERIFY(notRead.first().first().value<QVector<int>>().isEmpty());
    QCOMPARE(r.messages.size(), 1);
    QCOMPARE(r.messages.first().second, QString::fromUtf8("参数读取完成！"));
    for (int i = 0; i < kAreaCount; ++i)
        QVERIFY2(reader.projectStore()->Areas[i] == writer.projectStore()->Areas[i],
                 qPrintable(QString::number(i)));
    QVERIFY(*reader.parameters() == *writer.parameters());
    QVERIFY(reader.projectStore() != &ProjectData()); // its own store, not the window's
}

// A design the sensor cannot hold is refused before anything leaves. A sensor that stores something else
// than it was sent, and a design changed after writing, are named by area, output and field.
void TestEngine::verifyNamesTheAreaOutputAndFieldThatDiffer()
{
    auto sim = startSim("127.0.21.4", {"--alter-area", "18"});
    QVERIFY(sim);
    ExchangeEngine engine;
    Reports e;
    e.watch(engine);
    makeDesign(*engine.projectStore(), *engine.parameters());
    QVERIFY(engine.openTcp(QHostAddress("127.0.21.4")));

    AREA_DATA &crowded = engine.projectStore()->Areas[40];
    for (int k = 0; k <= kMaxZonePoints; ++k)
        crowded.Out3Coord << QPoint(2000, -1000 + 10 * k);
    engine.WriteSensorAllDataSlots();
    QCOMPARE(e.finished.size(), 1);
    QCOMPARE(e.finished.first().outcome, Outcome::Refused);
    QVERIFY(e.finished.first().message.contains("Area 40 Out3: 101 points"));
    QVERIFY(e.sent.isEmpty());
    crowded.Out3Coord.clear();
    e.finished.clear();

    engine.WriteSensorAllDataSlots();
    QTRY_COMPARE_WITH_TIMEOUT(e.finished.size(), 1, 60000);
    const ExchangeEngine::Result altered = e.finished.first();
    QCOMPARE(altered.outcome, Outcome::Differences);
    QVERIFY(altered.afterWrite);
    VerifyDifference size;
    size.part = VerifyDifference::Part::ZoneParameters;
    size.area = 18;
    size.field = 3; // detection size
    size.expected = 3 + 18 % 4;
    size.actual = size.expected + 1;
    QCOMPARE(altered.differences.size(), 1);
    QVERIFY(altered.differences.first() == size);
    QCOMPARE(altered.differences.first().expected, size.expected);
    QCOMPARE(altered.differences.first().actual, size.actual);
    QCOMPARE(e.messages.last().first, MessageKind::Warning);
    QVERIFY(e.messages.last().second.contains("area 18 (zone parameters)"));

    // The design moves on after the write: a point of area 27's Out2, a case channel and a parameter.
    AREA_DATA &moved = engine.projectStore()->Areas[27];
    moved.Out2Coord[1] = QPoint(0, 4500);
    moved.VehicleMaxSpeed = 77;
    engine.parameters()->DirtyReceDistance = 400;
    e.finished.clear();
    engine.VerifySensorDataSlots();
    QTRY_COMPARE_WITH_TIMEOUT(e.finished.size(), 1, 30000);
    const ExchangeEngine::Result verified = e.finished.first();
    QCOMPARE(verified.sequence, Sequence::Verify);
    QVERIFY(!verified.afterWrite);
    QCOMPARE(verified.outcome, Outcome::Differences);
    auto has = [&](VerifyDifference::Part part, int area, int output, int field) {
        for (const VerifyDifference &d : verified.differences)
            if (d.part == part && d.area == area && d.output == output && d.field == field)
                return true;
        return false;
    };
    QVERIFY(has(VerifyDifference::Part::ZoneParameters, 18, -1, 3));
    QVERIFY(has(VerifyDifference::Part::OutputPoints, 27, 1, -1));
    QVERIFY(!has(VerifyDifference::Part::OutputPoints, 27, 0, -1));
    QVERIFY(has(VerifyDifference::Part::CaseChannel, 27, -1, 3));
    QVERIFY(has(VerifyDifference::Part::Parameter, -1, -1, 23));
    QCOMPARE(QString::fromLatin1(SENSOR_PARAMETERS::fieldName(23)), QStringLiteral("DirtyReceDistance"));
    QCOMPARE(verified.differences.size(), 4);
    for (const VerifyDifference &d : verified.differences)
        if (d.part == VerifyDifference::Part::Parameter)
            QCOMPARE(qMakePair(d.expected, d.actual), qMakePair(400, 321));
    QVERIFY(e.messages.last().second.contains("area 27 (Out2)"));
}

// A sensor that goes silent in the middle of a read-all is given up after four time-outs; one whose
// connection goes away is given up at once. Either way the result says which areas were not read.
void TestEngine::sensorThatStopsAnsweringIsGivenUp_data()
{
    QTest::addColumn<bool>("silent");
    QTest::newRow("silent") << true;
    QTest::newRow("gone") << false;
}

void TestEngine::sensorThatStopsAnsweringIsGivenUp()
{
    QFETCH(bool, silent);
    const char *address = silent ? "127.0.21.5" : "127.0.21.6";
    auto sim = startSim(address);
    QVERIFY(sim);
    ExchangeEngine engine;
    Reports e;
    e.watch(engine);
    QSignalSpy opened(&engine, &ExchangeEngine::LinkOpened);
    QVERIFY(engine.openTcp(QHostAddress(QString::fromLatin1(address))));
    engine.OpenSendReadSimulation();
    engine.ReadSensorAllDataSlots();
    QTRY_VERIFY_WITH_TIMEOUT(!e.progress.isEmpty() && e.progress.last() >= 10, 20000);
    QCOMPARE(opened.size(), 1);
    if (silent)
        ::kill(pid_t(sim->pid()), SIGSTOP);
    else
        sim->stop();

    QTRY_COMPARE_WITH_TIMEOUT(e.finished.size(), 1, 20000);
    if (silent)
        ::kill(pid_t(sim->pid()), SIGCONT);
    const ExchangeEngine::Result result = e.finished.first();
    QCOMPARE(result.sequence, Sequence::ReadAll);
    QCOMPARE(result.outcome, Outcome::GaveUp);
    QVERIFY(result.casesDone);
    QVERIFY(result.parametersDone);
    QVERIFY(!result.areasNotDone.isEmpty());
    QCOMPARE(result.areasNotDone.first(), e.progress.last());
    QCOMPARE(result.areasNotDone.last(), kAreaCount - 1);
    QCOMPARE(e.gaveUp, 1);
    QCOMPARE(e.linkFailures.isEmpty(), silent);
    QVERIFY(result.message.contains(QString("Areas %1–63 not read").arg(e.progress.last())));
    QVERIFY(!engine.AnyRequestRaised());
    QVERIFY(!engine.SimulationPollActive());
    QVERIFY(!engine.ReplyTimeoutActive());
    QCOMPARE(engine.TimeoutCount(), 0);
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
