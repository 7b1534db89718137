#pragma once

#include "area/store/language.h"
#include "area/store/project_data.h"
#include "exchange/exchange_engine.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVector>

#include <memory>

// Where one sensor of a fleet is reached.
struct FleetTarget {
    enum class Transport { Tcp, Udp, Serial };
    Transport transport = Transport::Tcp;
    QString address;      // IPv4 address, or the serial device
    qint32 baud = 115200; // serial only
    quint16 port = ExchangeEngine::kSensorPort;

    // Opens the engine's link to it; false (the engine's LinkError says why) when that cannot start.
    bool openOn(ExchangeEngine &engine) const;
};

// One operation (product information, read-all, write-all, verify) run over many sensors at once, each
// by an engine of its own over its own connection with its own scheduler, all in the caller's event loop.
// A sensor that fails ends on its own; the others go on. Each sensor first has its product information
// read (its serial number, and proof that it answers); then the operation runs; a write-all may end with
// a restart. Every end of every sensor is told in one text, in the selected language.
class FleetRun : public QObject {
    Q_OBJECT
public:
    // Info: the product information and one self-check report.
    enum class Operation { Info, ReadAll, WriteAll, Verify };
    Q_ENUM(Operation)

    // How one sensor ended.
    enum class Outcome {
        Ok,                // read, written (and verified), or verified identical
        Differences,       // verify: the sensor holds something else than the design
        Rejected,          // the sensor refused a write (status 1 or 2)
        Unreachable,       // no connection, no answer, or it stopped answering on the way
        Refused,           // write-all not started: the design does not fit the sensor (nothing sent)
        Cancelled,         // stopAtFrameBoundary() before it ended
        RestartUnconfirmed // written (and verified), but the restart was not acknowledged
    };
    Q_ENUM(Outcome)

    struct SensorResult {
        QString address;
        quint16 serialNumber = 0; // from the product information; 0 when it never answered
        bool serialKnown = false;
        ProductInfo product;       // valid with serialKnown
        SelfCheckReport selfCheck; // Info
        Outcome outcome = Outcome::Unreachable;
        // How it ended, in the selected language: "written and verified", "stopped answering: areas 0–9
        // written; areas 10–63, case channels and parameters not written", ...
        QString message;
        qint64 elapsedMs = 0;          // from its start to its end
        bool restarted = false;        // the sensor acknowledged the restart request
        ExchangeEngine::Result detail; // the engine's result of the operation (differences, areas not done)
        bool finished = false;
    };

    explicit FleetRun(QObject *parent = nullptr);
    ~FleetRun() override;

    // Sensors to run over, in the order of the results. Only before start().
    void addSensor(const FleetTarget &target);
    int sensorCount() const { return int(m_sensors.size()); }

    // What write-all writes and verify compares against: the 64 areas (case channels with them), the
    // 25 parameters and the model (its range limit bounds the fit check).
    void setDesign(const QVector<AREA_DATA> &areas, const SENSOR_PARAMETERS &parameters, int deviceType);
    // The write-all's fit check of the design (errors: nothing would be sent), before anything starts.
    ExchangeEngine::FitReport checkDesignFits() const;
    void setVerifyAfterWrite(bool verify) { m_verify = verify; }
    void setRestartAfterWrite(bool restart) { m_restart = restart; }
    // Whether each sensor keeps its own IP address instead of the design's when written or verified
    // (its parameters are read first). Default: kept when the run has more than one sensor, since one
    // address written to a whole fleet would bring every sensor up at that one address.
    void setKeepSensorAddresses(bool keep) { m_keepAddresses = keep ? 1 : 0; }
    void setLanguage(Language language) { m_language = language; }

    // Starts every sensor at once; false (and nothing started) when there is no sensor, it ran already,
    // or write-all and verify have no design.
    bool start(Operation operation);
    // Stops the sensors still running once the reply each awaits has come (or timed out), so that each
    // result says exactly what the sensor confirmed; each ends Cancelled. A restart already asked for
    // is awaited. Finished follows from the event loop.
    void stopAtFrameBoundary();
    bool isRunning() const { return m_running > 0; }

    const QVector<SensorResult> &results() const { return m_results; }
    // The engine of sensor index: after a read-all its stores hold what was read.
    ExchangeEngine *engine(int index) const;

    // True when every sensor ended Ok.
    bool allOk() const;

signals:
    void SensorStarted(int index);
    // Progress of sensor index in the running sequence's area loop (done of total).
    void SensorProgress(int index, ExchangeEngine::Sequence sequence, int done, int total);
    void SensorFinished(int index, const FleetRun::SensorResult &result);
    // Every sensor has ended.
    void Finished();

private:
    struct Sensor;
    enum class Step { Idle, Confirming, ReadingAddress, Running, Restarting, Done };

    void startSensor(int index);
    void onProductRead(int index, const ProductInfo &info);
    void runOperation(int index);
    void onSequenceFinished(int index, const ExchangeEngine::Result &result);
    void onLost(int index, const QString &why);
    void finishSensor(int index, Outcome outcome, const QString &message);
    QString okText(bool restarted) const;

    std::vector<std::unique_ptr<Sensor>> m_sensors;
    QVector<SensorResult> m_results;
    Operation m_operation = Operation::ReadAll;
    QVector<AREA_DATA> m_areas;
    SENSOR_PARAMETERS m_parameters;
    int m_deviceType = -1;
    bool m_hasDesign = false;
    bool m_verify = true;
    bool m_restart = false;
    int m_keepAddresses = -1; // -1: when more than one sensor
    Language m_language = Language::English;
    int m_running = 0;
    bool m_started = false;
};

Q_DECLARE_METATYPE(FleetRun::SensorResult)
