// A recording made from the stand-in, checked against the design the stand-in held: the check finds
// where the wandering object set the outputs, and agrees on every compared scan with the outputs the
// stand-in reported, because both switch by the same rules over the same zones and the same points.

#include "area/store/device_type.h"
#include "check/design_check.h"
#include "exchange/exchange_engine.h"
#include "scan/scan_recorder.h"
#include "sim_process.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Area 0 (the stand-in's active area): Out 1 ahead with a 5 % hysteresis and a 3.0 deg detection size,
// Out 2 a wider sweep, Out 3 a pie close to the sensor the object never reaches.
void design(PROJECT_DATA &p)
{
    AREA_DATA &a = p.Areas[0];
    a.Out1Shape = Rectangle;
    a.Out1Coord = {{-1500, 300}, {-1500, 2600}, {1500, 2600}, {1500, 300}};
    a.Out2Shape = Polygon;
    a.Out2Coord = {{-2200, 200}, {-1800, 3300}, {1800, 3300}, {2200, 200}};
    a.Out3Shape = Arc;
    a.Out3Coord = {{900, 0}, {-900, 0}};
    a.Hysteresis = 5;
    a.DetectionSize = 5;
}

} // namespace

class TestCheckSim : public QObject {
    Q_OBJECT

private slots:
    void checkOfTheStandInsRecordingAgreesWithItsOutputs()
    {
        SimProcess sim;
        QVERIFY2(sim.start({"--address", "127.0.24.1", "--rate", "20", "--area", "0"}),
                 qPrintable(sim.error));
        ExchangeEngine engine;
        engine.SetLanguage(Language::English);
        engine.SetVerifyAfterWrite(false);
        design(*engine.projectStore());
        QVERIFY(engine.openTcp(QHostAddress("127.0.24.1")));
        QSignalSpy finished(&engine, &ExchangeEngine::SequenceFinished);
        engine.WriteSensorAllDataSlots();
        QTRY_VERIFY_WITH_TIMEOUT(finished.size() == 1, 60000);
        QCOMPARE(finished.first().first().value<ExchangeEngine::Result>().outcome,
                 ExchangeEngine::Outcome::Complete);

        QTemporaryDir dir;
        const QString path = dir.filePath("site.vscan");
        RecordingHeader header;
        header.model = Laser30;
        header.pointsPerDegree = 10;
        ScanRecorder recorder(engine.scanStore());
        QVERIFY(recorder.start(path, header));
        connect(&engine, &ExchangeEngine::ReceiveScanfData, &recorder, &ScanRecorder::scanArrived);
        connect(&engine, &ExchangeEngine::IOPortSignals, &recorder, &ScanRecorder::ioPorts);
        connect(&engine, &ExchangeEngine::SelfCheckStatus, &recorder, &ScanRecorder::selfCheck);
        engine.OpenSendReadScanf();
        engine.OpenSendReadSimulation();
        // Ten seconds of scans: the object's lap brings it into Out 1 once in every eight.
        QTRY_VERIFY_WITH_TIMEOUT(recorder.scans() >= 200, 120000);
        engine.CloseSendReadSimulation();
        engine.CloseSendReadScanf();
        engine.StopStreamSlots();
        QVERIFY(recorder.stop());
        engine.close();

        ScanRecording recording;
        RecordingError error;
        QVERIFY2(recording.open(path, &error), qPrintable(describe(error, Language::English)));
        bool sensorSwitchedOut1 = false;
        for (const RecordedSelfCheck &c : recording.selfChecks())
            sensorSwitchedOut1 |= (c.report.OutputPorts & 1) != 0;
        QVERIFY(sensorSwitchedOut1);

        const DesignCheck check(engine.projectStore()->Areas, Laser30);
        const CheckResult r = check.run(recording, CheckOptions());
        QVERIFY(r.sensorOutputsKnown);
        QVERIFY(r.outputs[0].count >= 1);
        QCOMPARE(r.outputs[2].count, 0);
        for (int o = 0; o < 3; ++o) {
            QVERIFY2(r.outputs[o].comparedScans >= 10,
                     qPrintable(QString::number(r.outputs[o].comparedScans)));
            QCOMPARE(r.outputs[o].agreeScans, r.outputs[o].comparedScans);
        }
        QVERIFY(r.disagreements.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCheckSim)
#include "tst_check_sim.moc"
