// stream: the live scan to standard output, and optionally into a recording.
#include "cli_commands.h"
#include "cli_output.h"

#include "comm/net/sensor_search.h"
#include "exchange/exchange_engine.h"
#include "exchange/fleet_run.h"
#include "scan/scan_recorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>

namespace {

// The first scan may take a while (the motor spinning up); a stream that stops is told within 3 s.
constexpr int kFirstScanMs = 10000;
constexpr int kStalledMs = 2000;

// Bearing of beam i in the sensor's own frame, degrees: a network revolution runs from -70° to 250°,
// the 640 beams of a serial scan from 250° down in half degrees.
double bearing(int i, int count, bool serial)
{
    return serial ? 250.0 - 0.5 * i : -70.0 + 320.0 * i / count;
}

} // namespace

int runStream(const Invocation &inv)
{
    double seconds = -1;
    if (!inv.has("seconds")) {
        printErr(QStringLiteral("veltrin-cli: stream needs --seconds N\n"));
        return ExitUsage;
    }
    if (!numberOption(inv, "seconds", 0.1, 86400 * 7, &seconds))
        return ExitUsage;
    const QString format = inv.value("format", QStringLiteral("csv"));
    if (format != QLatin1String("csv") && format != QLatin1String("ndjson")) {
        printErr(QString("veltrin-cli: --format must be csv or ndjson, not \"%1\"\n").arg(format));
        return ExitUsage;
    }
    QVector<FleetTarget> targets;
    if (!targetsFrom(inv, {inv.positional.first()}, &targets))
        return ExitUsage;
    const FleetTarget &target = targets.first();
    const QString &address = target.address;
    const bool serial = target.transport == FleetTarget::Transport::Serial;

    ExchangeEngine engine;
    engine.SetLanguage(Language::English);
    if (!target.openOn(engine)) {
        printErr(QString("veltrin-cli: %1: cannot open: %2\n").arg(address, engine.LinkError()));
        return ExitUnreachable;
    }

    int code = ExitOk;
    QString failure;
    auto fail = [&](const QString &why) {
        if (code == ExitOk) {
            code = ExitUnreachable;
            failure = why;
        }
        QCoreApplication::quit();
    };
    QObject::connect(&engine, &ExchangeEngine::LinkFailed, &engine,
                     [&](const QString &error) { fail(QStringLiteral("unreachable: ") + error); });
    std::unique_ptr<ScanRecorder> recorder;
    const QString record = inv.value("record");
    bool recording = false;
    ::ProductInfo product;
    bool productKnown = false;

    int revolutions = 0;
    // The sensor's silence is found either by the stream's rhythm or by the unanswered polls, whichever
    // comes first on the machine at hand; either way the stop is told with what came before it.
    QObject::connect(&engine, &ExchangeEngine::ExchangeGaveUp, &engine, [&] {
        fail(revolutions == 0
                 ? QStringLiteral("stopped answering")
                 : QString("the scan stopped after %1 revolutions: stopped answering").arg(revolutions));
    });
    // --seconds counts from the first scan; a stream that goes quiet for longer than its own rhythm
    // allows has stopped.
    QTimer duration, stalled;
    duration.setSingleShot(true);
    stalled.setSingleShot(true);
    QObject::connect(&duration, &QTimer::timeout, [] { QCoreApplication::quit(); });
    QObject::connect(&stalled, &QTimer::timeout, [&] {
        fail(revolutions == 0 ? QString("no scan arrived within %1 s").arg(kFirstScanMs / 1000)
                              : QString("the scan stopped after %1 revolutions").arg(revolutions));
    });
    QElapsedTimer sinceLast;
    qint64 longestGap = 0;
    const bool csv = format == QLatin1String("csv");
    QObject::connect(&engine, &ExchangeEngine::RevolutionReceived, &engine,
                     [&](const QVector<quint16> &distance, const QVector<quint16> &intensity) {
                         const int n = distance.size();
                         QString out;
                         if (csv && revolutions == 0)
                             out = QStringLiteral("revolution,angle_deg,distance_mm,intensity\n");
                         if (csv) {
                             out.reserve(n * 24);
                             for (int i = 0; i < n; ++i)
                                 out += QString("%1,%2,%3,%4\n")
                                            .arg(revolutions)
                                            .arg(bearing(i, n, serial), 0, 'f', 3)
                                            .arg(distance[i])
                                            .arg(intensity.value(i));
                         } else {
                             QJsonArray angles, distances, intensities;
                             for (int i = 0; i < n; ++i) {
                                 angles.append(qRound(bearing(i, n, serial) * 1000) / 1000.0);
                                 distances.append(distance[i]);
                                 intensities.append(intensity.value(i));
                             }
                             QJsonObject o{{"revolution", revolutions},
                                           {"angle_deg", angles},
                                           {"distance_mm", distances},
                                           {"intensity", intensities}};
                             out = QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) +
                                   QLatin1Char('\n');
                         }
                         printOut(out);
                         // Until a second scan shows the rhythm, the wait for the first one (motor
                         // spin-up included) stands in for it, halved.
                         longestGap = qMax(longestGap, sinceLast.elapsed() / (revolutions == 0 ? 2 : 1));
                         if (revolutions == 0)
                             duration.start(int(seconds * 1000));
                         sinceLast.start();
                         stalled.start(int(qMax<qint64>(kStalledMs, 3 * longestGap)));
                         ++revolutions;
                     });

    auto startStreaming = [&] {
        engine.OpenSendReadScanf();
        engine.OpenSendReadIntensity();
        stalled.start(kFirstScanMs);
        sinceLast.start();
    };
    // The recording's header carries the angle resolution and the mounting: read the parameters first.
    QObject::connect(&engine, &ExchangeEngine::ReceiveParameters, &engine, [&] {
        if (record.isEmpty() || recorder)
            return;
        static const int kPointsPerDegree[] = {40, 20, 10, 4, 2};
        const int angle = engine.parameters()->ScanSensorAngle;
        RecordingHeader header;
        header.model = product.ModelCode;
        header.product = product;
        header.pointsPerDegree = angle >= 0 && angle < 5 ? kPointsPerDegree[angle] : 0;
        header.installDir = engine.parameters()->SensorInstallDir != 0;
        recorder = std::make_unique<ScanRecorder>(engine.scanStore());
        if (!recorder->start(record, header)) {
            printErr(QString("veltrin-cli: %1 cannot be written\n").arg(record));
            code = ExitUsage;
            QCoreApplication::quit();
            return;
        }
        recording = true;
        QObject::connect(&engine, &ExchangeEngine::ReceiveScanfData, recorder.get(),
                         &ScanRecorder::scanArrived);
        QObject::connect(&engine, &ExchangeEngine::IOPortSignals, recorder.get(), &ScanRecorder::ioPorts);
        QObject::connect(&engine, &ExchangeEngine::SelfCheckStatus, recorder.get(), &ScanRecorder::selfCheck);
        QObject::connect(recorder.get(), &ScanRecorder::writeFailed, &engine, [&] {
            printErr(QString("veltrin-cli: writing %1 failed (disk full?)\n").arg(record));
            code = ExitUsage;
            QCoreApplication::quit();
        });
        startStreaming();
    });
    // Who it is first: this proves that the sensor answers, and names it in a recording.
    QObject::connect(&engine, &ExchangeEngine::ProductInformationRead, &engine,
                     [&](const ::ProductInfo &info) {
                         if (productKnown)
                             return;
                         productKnown = true;
                         product = info;
                         if (record.isEmpty())
                             startStreaming();
                         else
                             engine.ReadSensorParametersSlots();
                     });
    engine.ConfirmSensorSlots();
    QTimer::singleShot(15000, &engine, [&] {
        if (!productKnown)
            fail(QStringLiteral("no answer"));
    });
    InterruptWatch interrupt([] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    duration.stop();
    stalled.stop();
    if (interrupt.interrupted() && code == ExitOk)
        code = ExitInterrupted;

    engine.CloseSendReadScanf();
    engine.CloseSendReadIntensity();
    if (!serial && productKnown && (code == ExitOk || code == ExitInterrupted)) {
        engine.StopStreamSlots(); // leave the sensor quiet, as it was before
        QTimer::singleShot(100, [] { QCoreApplication::quit(); });
        QCoreApplication::exec();
    }
    engine.close();
    if (recording && !recorder->stop() && (code == ExitOk || code == ExitInterrupted)) {
        printErr(QString("veltrin-cli: %1 is incomplete\n").arg(record));
        code = ExitUsage;
    }
    if (code == ExitUnreachable)
        printErr(QString("veltrin-cli: %1: %2\n").arg(address, failure));
    else if (recording)
        printErr(QString("%1: %2 scans recorded\n").arg(record).arg(recorder->scans()));
    return code;
}
