// Whatever a sensor holds comes back: random sensor states (other values in the slots a shape does
// not use, polygons in any order, arcs of every radius and angle pair, derived zones) are put into the
// stand-in as frames built here from the frame table, byte by byte; the program reads them, saves them
// to a project file, opens the file and verifies it against the sensor ("identical"), then writes it
// back and the sensor holds every arc record as it was. The seed is printed; VELTRIN_STATES sets the
// number of states (default 4), VELTRIN_SEED the seed.
#include "hand_frames.h"
#include "sim_process.h"

#include "area/file/project_file.h"
#include "area/file/sensor_settings.h"
#include "area/store/device_type.h"
#include "area/store/project_data.h"
#include "exchange/exchange_engine.h"

#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <random>
#include <set>

namespace {

struct RandomState {
    QVector<QByteArray> areas; // 64 "WArea" frames
    QByteArray cases;          // "WCase"
    QByteArray parameters;     // "WPara"
    int arcs = 0;
};

RandomState randomState(std::mt19937 &rng, int rangeLimit)
{
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    RandomState s;
    for (int i = 0; i < kAreaCount; ++i) {
        // Index, four zone parameters, three 16-byte shape blocks, three 400-byte point blocks.
        QByteArray p(1 + 8 + 48 + 1200, '\0');
        p[0] = char(i);
        put16(p, 1, pick(0, 25));
        put16(p, 3, pick(0, 25));
        put16(p, 5, pick(0, 10));
        put16(p, 7, pick(0, 9));
        for (int j = 0; j < 3; ++j) {
            const int block = 9 + 16 * j;
            const int points = 57 + 400 * j;
            for (int k = 0; k < 16; ++k) // whatever the shape does not use
                p[block + k] = char(pick(0, 255));
            for (int k = 0; k < 400; ++k)
                p[points + k] = char(pick(0, 255));
            const int type = j == 0 ? pick(0, 2) : pick(0, 5);
            p[block] = char(pick(0, 7) == 0 ? pick(1, 255) : 0); // the type's high byte, now and then
            p[block + 1] = char(type);
            if (type == 0 || type == 2) {
                // Points on distinct bearings (a tenth of a degree apart at least), in any order.
                const int n = pick(0, 9) == 0 ? pick(0, 100) : pick(0, 8);
                put16(p, block + 2, n);
                std::set<int> tenths;
                while (int(tenths.size()) < n)
                    tenths.insert(pick(-900, 2699));
                std::vector<int> order(tenths.begin(), tenths.end());
                std::shuffle(order.begin(), order.end(), rng);
                for (int k = 0; k < n; ++k) {
                    const double a = order[size_t(k)] / 10.0 * M_PI / 180.0;
                    const int r = pick(1000, rangeLimit);
                    put16(p, points + 4 * k, int(std::lround(r * std::cos(a))));
                    put16(p, points + 4 * k + 2, int(std::lround(r * std::sin(a))));
                }
            } else if (type == 1) {
                put16(p, block + 4, pick(-90, 269)); // either may be the larger
                put16(p, block + 6, pick(-90, 269));
                put16(p, block + 8, pick(0, 9) == 0 ? pick(0, 100) : pick(0, rangeLimit));
                ++s.arcs;
            }
        }
        s.areas << framed("WArea", p);
    }
    QByteArray c(640, '\0');
    for (int i = 0; i < kAreaCount; ++i) {
        put16(c, 10 * i, pick(-180, 180));
        put16(c, 10 * i + 2, pick(-180, 180));
        put16(c, 10 * i + 4, pick(-300, 300));
        put16(c, 10 * i + 6, pick(-300, 300));
        put16(c, 10 * i + 8, pick(0, 4));
    }
    s.cases = framed("WCase", c);
    // Every setting the dock can show.
    QVector<int> states(SensorSettings::kCount);
    for (int k = 0; k < SensorSettings::kCount; ++k) {
        const SensorSettings::Control *control = SensorSettings::control(k);
        states[k] = control->items > 0 ? pick(0, control->items - 1) : pick(control->min, control->max);
    }
    const SENSOR_PARAMETERS values = SensorSettings::toParameters(states);
    QByteArray v(60, '\0');
    for (int k = 0; k < SENSOR_PARAMETERS::kCount; ++k)
        put16(v, 2 * k, values.value(k));
    s.parameters = framed("WPara", v);
    return s;
}

bool runSequence(ExchangeEngine &engine, void (ExchangeEngine::*start)(), ExchangeEngine::Result *result)
{
    bool done = false;
    auto c = QObject::connect(&engine, &ExchangeEngine::SequenceFinished, &engine,
                              [&](const ExchangeEngine::Result &r) {
                                  *result = r;
                                  done = true;
                              });
    (engine.*start)();
    QElapsedTimer clock;
    clock.start();
    while (!done && clock.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QObject::disconnect(c);
    return done;
}

} // namespace

class TestSensorStates : public QObject {
    Q_OBJECT

private slots:
    void readSaveOpenVerifyIsIdenticalAndWritingBackKeepsEveryArc();
};

void TestSensorStates::readSaveOpenVerifyIsIdenticalAndWritingBackKeepsEveryArc()
{
    const int count =
        qEnvironmentVariableIsSet("VELTRIN_STATES") ? qEnvironmentVariableIntValue("VELTRIN_STATES") : 4;
    const unsigned seed = qEnvironmentVariableIsSet("VELTRIN_SEED")
                              ? unsigned(qEnvironmentVariableIntValue("VELTRIN_SEED"))
                              : 2511u;
    qInfo("seed %u, %d sensor states", seed, count);
    std::mt19937 rng(seed);
    const char *address = "127.0.25.1";
    SimProcess sim;
    QVERIFY2(sim.start({"--address", address}), qPrintable(sim.error));
    QTemporaryDir dir;
    const int model = Laser30;
    const int rangeLimit = deviceInfo(model)->rangeLimit;
    int arcs = 0;
    for (int n = 0; n < count; ++n) {
        const RandomState state = randomState(rng, rangeLimit);
        arcs += state.arcs;
        RawLink raw;
        QVERIFY(raw.open(QString::fromLatin1(address)));
        for (const QByteArray &frame : state.areas)
            QCOMPARE(raw.exchange(frame, 8).mid(5, 1), QByteArray(1, '\0'));
        QCOMPARE(raw.exchange(state.cases, 8).mid(5, 1), QByteArray(1, '\0'));
        QCOMPARE(raw.exchange(state.parameters, 8).mid(5, 1), QByteArray(1, '\0'));
        raw.socket.disconnectFromHost();

        // Read and save.
        const QString file = dir.filePath(QString("state%1.VKT30").arg(n));
        {
            ExchangeEngine reader;
            reader.SetDeviceType(model);
            QVERIFY(reader.openTcp(QHostAddress(QString::fromLatin1(address))));
            ExchangeEngine::Result result;
            QVERIFY(runSequence(reader, &ExchangeEngine::ReadSensorAllDataSlots, &result));
            QVERIFY2(result.ok(), qPrintable(result.message));
            QVERIFY(ProjectFile::save(file, model, SensorSettings::fromParameters(*reader.parameters()),
                                      *reader.projectStore()));
        }
        // Open and verify.
        ExchangeEngine engine;
        engine.SetDeviceType(model);
        ProjectFile::Contents contents;
        QCOMPARE(ProjectFile::load(file, *engine.projectStore(), contents), ProjectFile::LoadStatus::Loaded);
        QVERIFY(contents.repairs.isEmpty());
        *engine.parameters() = SensorSettings::toParameters(contents.sensorStates);
        QVERIFY(engine.openTcp(QHostAddress(QString::fromLatin1(address))));
        ExchangeEngine::Result verified;
        QVERIFY(runSequence(engine, &ExchangeEngine::VerifySensorDataSlots, &verified));
        QVERIFY2(verified.ok(), qPrintable(QString("state %1: %2").arg(n).arg(verified.message)));
        QVERIFY(verified.differences.isEmpty());

        // Written back, every arc record is the one the sensor held.
        ExchangeEngine::Result written;
        QVERIFY(runSequence(engine, &ExchangeEngine::WriteSensorAllDataSlots, &written));
        QVERIFY2(written.ok(), qPrintable(written.message));
        engine.close();
        QVERIFY(raw.open(QString::fromLatin1(address)));
        for (int i = 0; i < kAreaCount; ++i) {
            QByteArray request("RArea");
            request.append(char(i)).append(char(24));
            const QByteArray record = raw.exchange(framed("RArea", request.mid(5)), 1264);
            QCOMPARE(record.size(), 1264);
            for (int j = 0; j < 3; ++j) {
                const int block = 14 + 16 * j;
                if (state.areas[i][block + 1] != 1)
                    continue;
                QVERIFY2(record.mid(block + 4, 6) == state.areas[i].mid(block + 4, 6),
                         qPrintable(QString("state %1 area %2 Out%3: arc %4 came back as %5")
                                        .arg(n)
                                        .arg(i)
                                        .arg(j + 1)
                                        .arg(QString(state.areas[i].mid(block + 4, 6).toHex()))
                                        .arg(QString(record.mid(block + 4, 6).toHex()))));
            }
        }
        raw.socket.disconnectFromHost();
    }
    qInfo("%d sensor states read, saved, opened and verified identical; %d arcs written back unchanged",
          count, arcs);
}

QTEST_MAIN(TestSensorStates)
#include "tst_exchange_sensor_states.moc"
