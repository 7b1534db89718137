// A fleet written, verified and read at once: one stand-in process plays sixteen sensors, one of which
// rejects every write, and FleetRun drives an engine per sensor over its own TCP connection. No window:
// only the exchange library.
#include "exchange/fleet_run.h"
#include "fleet_design.h"
#include "sim_process.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int kSensors = 16;
constexpr int kRejecting = 7;
constexpr int kFirstSerial = 20417;

QString addressOf(int i)
{
    return QStringLiteral("127.0.24.%1").arg(10 + i);
}

void addFleet(FleetRun &run, int count)
{
    for (int i = 0; i < count; ++i)
        run.addSensor({FleetTarget::Transport::Tcp, addressOf(i)});
}

} // namespace

class TestEngineFleet : public QObject {
    Q_OBJECT

    SimProcess m_sim;

private slots:
    void initTestCase()
    {
        QVERIFY2(m_sim.start({QStringLiteral("--address"),
                              addressOf(0) + QLatin1Char('-') + addressOf(kSensors - 1),
                              QStringLiteral("--reject-writes"), addressOf(kRejecting),
                              QStringLiteral("--boot-ms"), QStringLiteral("300")}),
                 qPrintable(m_sim.error));
    }

    // Fifteen sensors take the design and hold it; the one that rejects says so; a sensor that is not
    // there is reported unreachable; none of them holds up the others.
    void writeAllWithVerifyOverAFleetWithOneRejectingSensor()
    {
        FleetRun run;
        addFleet(run, kSensors);
        run.addSensor({FleetTarget::Transport::Tcp, QStringLiteral("127.0.24.200")}); // nobody listens
        run.setDesign(fleetDesignAreas(), fleetDesignParameters(), 3);
        QSignalSpy finished(&run, &FleetRun::Finished);
        QSignalSpy sensorFinished(&run, &FleetRun::SensorFinished);
        QVector<int> lastDone(kSensors + 1, -1);
        connect(&run, &FleetRun::SensorProgress, this,
                [&](int index, ExchangeEngine::Sequence, int done, int) { lastDone[index] = done; });

        QVERIFY(run.start(FleetRun::Operation::WriteAll));
        QVERIFY(!run.start(FleetRun::Operation::WriteAll)); // once only
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(sensorFinished.count(), kSensors + 1);
        QVERIFY(!run.allOk());

        const QVector<FleetRun::SensorResult> &results = run.results();
        qint64 slowestOk = 0;
        for (int i = 0; i < kSensors; ++i) {
            const FleetRun::SensorResult &r = results[i];
            QCOMPARE(r.address, addressOf(i));
            QVERIFY(r.finished);
            QVERIFY(r.serialKnown);
            QCOMPARE(int(r.serialNumber), kFirstSerial + i);
            if (i == kRejecting) {
                QCOMPARE(r.outcome, FleetRun::Outcome::Rejected);
                QCOMPARE(r.detail.outcome, ExchangeEngine::Outcome::Rejected);
                QVERIFY2(r.message.contains(QLatin1String("Parameters Setting Error")),
                         qPrintable(r.message));
                continue;
            }
            QVERIFY2(r.outcome == FleetRun::Outcome::Ok,
                     qPrintable(r.address + QLatin1Char(' ') + r.message));
            QCOMPARE(r.detail.sequence, ExchangeEngine::Sequence::Verify);
            QVERIFY(r.detail.afterWrite);
            QVERIFY(r.detail.differences.isEmpty());
            QVERIFY(!r.restarted);
            QCOMPARE(lastDone[i], 64); // the read-back's area loop ran to its end
            slowestOk = qMax(slowestOk, r.elapsedMs);
        }
        const FleetRun::SensorResult &absent = results[kSensors];
        QCOMPARE(absent.outcome, FleetRun::Outcome::Unreachable);
        QVERIFY(!absent.serialKnown);
        QVERIFY(!absent.message.isEmpty());
        // The rejecting and the absent sensor ended before the others: they did not wait for them.
        QVERIFY(results[kRejecting].elapsedMs < slowestOk);
        QVERIFY(absent.elapsedMs < slowestOk);
    }

    // After that write: verify finds the fifteen identical and the rejecting one different; a read-all
    // brings back the design from a written sensor and the factory data from the rejecting one.
    void verifyAndReadAllTellWhichSensorsHoldTheDesign()
    {
        FleetRun verify;
        addFleet(verify, kSensors);
        verify.setDesign(fleetDesignAreas(), fleetDesignParameters(), 3);
        verify.setLanguage(Language::Chinese);
        QSignalSpy verified(&verify, &FleetRun::Finished);
        QVERIFY(verify.start(FleetRun::Operation::Verify));
        QVERIFY(verified.wait(60000));
        for (int i = 0; i < kSensors; ++i) {
            const FleetRun::SensorResult &r = verify.results()[i];
            if (i != kRejecting) {
                QVERIFY2(r.outcome == FleetRun::Outcome::Ok, qPrintable(r.message));
                QCOMPARE(r.message, QStringLiteral("一致"));
                continue;
            }
            QCOMPARE(r.outcome, FleetRun::Outcome::Differences);
            // Every area's zone differs, and the parameters written.
            QVERIFY(r.detail.differences.size() > kAreaCount);
            bool parameterFound = false;
            for (const VerifyDifference &d : r.detail.differences)
                parameterFound |= d.part == VerifyDifference::Part::Parameter && d.actual == 127 &&
                                  (d.expected == 9 || d.expected == 33);
            QVERIFY(parameterFound);
        }

        FleetRun read;
        read.addSensor({FleetTarget::Transport::Tcp, addressOf(0)});
        read.addSensor({FleetTarget::Transport::Udp, addressOf(kRejecting)});
        QSignalSpy readDone(&read, &FleetRun::Finished);
        QVERIFY(!read.start(FleetRun::Operation::Verify)); // nothing to compare against
        QVERIFY(read.start(FleetRun::Operation::ReadAll));
        QVERIFY(readDone.wait(30000));
        QVERIFY(read.allOk());
        const QVector<AREA_DATA> design = fleetDesignAreas();
        QCOMPARE(read.engine(0)->projectStore()->Areas, design);
        QCOMPARE(read.engine(0)->parameters()->CANIDAddress, 33);
        // Each sensor of the fleet kept its own IP address, not the design's one for all.
        QCOMPARE(read.engine(0)->parameters()->SensorIPAddressLow, 344);
        QVERIFY(read.engine(1)->projectStore()->Areas != design);
        QCOMPARE(read.engine(1)->parameters()->CANIDAddress, 127);
        QCOMPARE(int(read.results()[1].serialNumber), kFirstSerial + kRejecting);
    }

    // Stopped mid-write, each sensor finishes the request on its way and sends nothing more; what its
    // result says was written is exactly what it holds, and what it says was not is untouched.
    void stopAtFrameBoundarySaysExactlyWhatWasWritten()
    {
        SimProcess fresh;
        QVERIFY2(fresh.start({QStringLiteral("--address"), QStringLiteral("127.0.24.100-127.0.24.101")}),
                 qPrintable(fresh.error));
        const QStringList addresses{QStringLiteral("127.0.24.100"), QStringLiteral("127.0.24.101")};
        FleetRun run;
        for (const QString &address : addresses)
            run.addSensor({FleetTarget::Transport::Tcp, address});
        run.setDesign(fleetDesignAreas(), fleetDesignParameters(), 3);
        QSignalSpy finished(&run, &FleetRun::Finished);
        // Stopped once both are well into their areas.
        int done[2] = {0, 0};
        bool stopped = false;
        connect(&run, &FleetRun::SensorProgress, this,
                [&](int index, ExchangeEngine::Sequence sequence, int areas, int) {
                    if (sequence != ExchangeEngine::Sequence::WriteAll)
                        return;
                    done[index] = areas;
                    if (qMin(done[0], done[1]) >= 5 && run.isRunning() && !stopped) {
                        stopped = true;
                        run.stopAtFrameBoundary();
                    }
                });
        QVERIFY(run.start(FleetRun::Operation::WriteAll));
        QVERIFY(finished.wait(30000));

        FleetRun read;
        for (const QString &address : addresses)
            read.addSensor({FleetTarget::Transport::Tcp, address});
        QSignalSpy readDone(&read, &FleetRun::Finished);
        QVERIFY(read.start(FleetRun::Operation::ReadAll));
        QVERIFY(readDone.wait(30000));
        QVERIFY(read.allOk());
        const QVector<AREA_DATA> design = fleetDesignAreas();
        for (int s = 0; s < 2; ++s) {
            const FleetRun::SensorResult &r = run.results()[s];
            QCOMPARE(r.outcome, FleetRun::Outcome::Cancelled);
            const int written = r.detail.areasNotDone.value(0, kAreaCount);
            QVERIFY2(written > 0 && written < kAreaCount, qPrintable(r.message));
            QCOMPARE(r.message, QStringLiteral("interrupted: areas 0–%1 written; areas %2–63, case channels "
                                               "and parameters not written")
                                    .arg(written - 1)
                                    .arg(written));
            const QVector<AREA_DATA> &held = read.engine(s)->projectStore()->Areas;
            // The zones (the case channels, part of each area, were not written).
            for (int i = 0; i < kAreaCount; ++i)
                QVERIFY2((held[i].Out1Coord == design[i].Out1Coord) == (i < written),
                         qPrintable(QString::number(i)));
        }
    }

    // A sensor that goes silent once the restart is asked for: the design was written and verified,
    // and the result says so, with the restart unconfirmed (no success, no failure of the write).
    void restartNotAcknowledgedSaysWrittenAndVerified()
    {
        SimProcess silent;
        QVERIFY2(silent.start({QStringLiteral("--address"), QStringLiteral("127.0.24.102")}),
                 qPrintable(silent.error));
        FleetRun run;
        run.addSensor({FleetTarget::Transport::Tcp, QStringLiteral("127.0.24.102")});
        run.setDesign(fleetDesignAreas(), fleetDesignParameters(), 3);
        run.setRestartAfterWrite(true);
        QSignalSpy finished(&run, &FleetRun::Finished);
        QVERIFY(run.start(FleetRun::Operation::WriteAll));
        connect(run.engine(0), &ExchangeEngine::FrameSent, this, [&](const QByteArray &frame) {
            if (frame.contains("RBoot"))
                ::kill(pid_t(silent.pid()), SIGSTOP); // before the request leaves
        });
        const bool ended = finished.wait(60000);
        ::kill(pid_t(silent.pid()), SIGCONT);
        QVERIFY(ended);
        const FleetRun::SensorResult &r = run.results()[0];
        QCOMPARE(r.outcome, FleetRun::Outcome::RestartUnconfirmed);
        QVERIFY2(r.message.startsWith(QLatin1String("written and verified; restart unconfirmed")),
                 qPrintable(r.message));
        QVERIFY(!r.restarted);
    }

    // Without verify, with a restart: each sensor acknowledges the restart; the one that rejects is
    // not restarted.
    void writeAllWithRestartRestartsOnlyWhatWasWritten()
    {
        FleetRun run;
        run.addSensor({FleetTarget::Transport::Tcp, addressOf(1)});
        run.addSensor({FleetTarget::Transport::Tcp, addressOf(kRejecting)});
        run.setDesign(fleetDesignAreas(), fleetDesignParameters(), 3);
        run.setVerifyAfterWrite(false);
        run.setRestartAfterWrite(true);
        QSignalSpy finished(&run, &FleetRun::Finished);
        QVERIFY(run.start(FleetRun::Operation::WriteAll));
        QVERIFY(finished.wait(30000));
        const FleetRun::SensorResult &written = run.results()[0];
        QVERIFY2(written.outcome == FleetRun::Outcome::Ok, qPrintable(written.message));
        QVERIFY(written.restarted);
        QCOMPARE(written.detail.sequence, ExchangeEngine::Sequence::WriteAll);
        QCOMPARE(run.results()[1].outcome, FleetRun::Outcome::Rejected);
        QVERIFY(!run.results()[1].restarted);
    }
};

QTEST_GUILESS_MAIN(TestEngineFleet)
#include "tst_engine_fleet.moc"
