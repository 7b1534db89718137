#include "exchange/fleet_run.h"

#include "exchange/sequence_text.h"

#include <QHostAddress>
#include <QTimer>

struct FleetRun::Sensor {
    FleetTarget target;
    ExchangeEngine *engine = nullptr; // child of the run
    Step step = Step::Idle;
    QElapsedTimer clock;
    QString linkError;
};

bool FleetTarget::openOn(ExchangeEngine &engine) const
{
    switch (transport) {
    case Transport::Tcp: return engine.openTcp(QHostAddress(address), port);
    case Transport::Udp: return engine.openUdp(QHostAddress(address), port);
    case Transport::Serial: return engine.openSerial(address, baud);
    }
    return false;
}

FleetRun::FleetRun(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<FleetRun::SensorResult>();
    qRegisterMetaType<ExchangeEngine::Sequence>();
}

FleetRun::~FleetRun()
{
    // The engines go first, and quietly: a run ended by its owner reports nothing more.
    for (const auto &sensor : m_sensors) {
        if (sensor->engine) {
            sensor->engine->disconnect(this);
            delete sensor->engine;
        }
    }
}

void FleetRun::addSensor(const FleetTarget &target)
{
    if (m_started)
        return;
    auto sensor = std::make_unique<Sensor>();
    sensor->target = target;
    m_sensors.push_back(std::move(sensor));
    SensorResult result;
    result.address = target.address;
    m_results.append(result);
}

void FleetRun::setDesign(const QVector<AREA_DATA> &areas, const SENSOR_PARAMETERS &parameters, int deviceType)
{
    m_areas = areas;
    m_parameters = parameters;
    m_deviceType = deviceType;
    m_hasDesign = areas.size() == kAreaCount;
}

ExchangeEngine::FitReport FleetRun::checkDesignFits() const
{
    ExchangeEngine engine;
    engine.SetLanguage(m_language);
    engine.SetDeviceType(m_deviceType);
    engine.projectStore()->Areas = m_areas;
    return engine.CheckWriteFits();
}

ExchangeEngine *FleetRun::engine(int index) const
{
    return index >= 0 && index < int(m_sensors.size()) ? m_sensors[size_t(index)]->engine : nullptr;
}

bool FleetRun::allOk() const
{
    for (const SensorResult &r : m_results)
        if (!r.finished || r.outcome != Outcome::Ok)
            return false;
    return !m_results.isEmpty();
}

bool FleetRun::start(Operation operation)
{
    const bool needsDesign = operation == Operation::WriteAll || operation == Operation::Verify;
    if (m_started || m_sensors.empty() || (needsDesign && !m_hasDesign))
        return false;
    m_started = true;
    m_operation = operation;
    m_running = int(m_sensors.size());
    for (int i = 0; i < int(m_sensors.size()); ++i)
        startSensor(i);
    return true;
}

void FleetRun::startSensor(int index)
{
    Sensor &s = *m_sensors[size_t(index)];
    s.clock.start();
    auto *engine = new ExchangeEngine(this);
    s.engine = engine;
    engine->SetLanguage(m_language);
    if (m_hasDesign) {
        engine->projectStore()->Areas = m_areas;
        *engine->parameters() = m_parameters;
        engine->SetDeviceType(m_deviceType);
    }
    engine->SetVerifyAfterWrite(m_verify);

    connect(engine, &ExchangeEngine::ProductInformationRead, this,
            [this, index](const ProductInfo &info) { onProductRead(index, info); });
    connect(engine, &ExchangeEngine::SequenceFinished, this,
            [this, index](const ExchangeEngine::Result &result) { onSequenceFinished(index, result); });
    connect(engine, &ExchangeEngine::SequenceProgress, this,
            [this, index](ExchangeEngine::Sequence sequence, int done, int total) {
                emit SensorProgress(index, sequence, done, total);
            });
    connect(engine, &ExchangeEngine::ReceiveParameters, this, [this, index] {
        if (m_sensors[size_t(index)]->step == Step::ReadingAddress)
            runOperation(index);
    });
    connect(engine, &ExchangeEngine::SelfCheckReceived, this, [this, index](const SelfCheckReport &report) {
        if (m_operation != Operation::Info || m_sensors[size_t(index)]->step != Step::Running)
            return;
        m_results[index].selfCheck = report;
        finishSensor(index, Outcome::Ok, pick(m_language, "ok", "正常"));
    });
    connect(engine, &ExchangeEngine::RebootAcknowledged, this, [this, index] {
        if (m_sensors[size_t(index)]->step != Step::Restarting)
            return;
        m_results[index].restarted = true;
        finishSensor(index, Outcome::Ok, okText(true));
    });
    connect(engine, &ExchangeEngine::LinkFailed, this,
            [this, index](const QString &error) { m_sensors[size_t(index)]->linkError = error; });
    connect(engine, &ExchangeEngine::ExchangeGaveUp, this, [this, index] {
        const QString &error = m_sensors[size_t(index)]->linkError;
        onLost(index, error.isEmpty() ? pick(m_language, "no answer in time", "未及时应答")
                                      : pick(m_language, "connection failed: %1", "连接失败：%1").arg(error));
    });

    emit SensorStarted(index);
    if (!s.target.openOn(*engine)) {
        // Ended from the event loop, as every other sensor, never inside start().
        const QString why = pick(m_language, "unreachable: cannot open: %1", "无法连接：无法打开：%1")
                                .arg(engine->LinkError());
        QTimer::singleShot(0, this, [this, index, why] { finishSensor(index, Outcome::Unreachable, why); });
        return;
    }
    // Who it is first: the serial number for the table, and proof that it answers before anything is sent.
    s.step = Step::Confirming;
    engine->ConfirmSensorSlots();
}

void FleetRun::onProductRead(int index, const ProductInfo &info)
{
    Sensor &s = *m_sensors[size_t(index)];
    m_results[index].serialNumber = quint16(info.SerialNumber);
    m_results[index].serialKnown = true;
    m_results[index].product = info;
    if (s.step != Step::Confirming)
        return;
    const bool keep = m_keepAddresses < 0 ? m_sensors.size() > 1 : m_keepAddresses == 1;
    if (keep && m_operation != Operation::ReadAll) {
        s.step = Step::ReadingAddress;
        s.engine->ReadSensorParametersSlots(); // ReceiveParameters
        return;
    }
    runOperation(index);
}

void FleetRun::runOperation(int index)
{
    Sensor &s = *m_sensors[size_t(index)];
    if (s.step == Step::ReadingAddress) {
        // The design's parameters with the sensor's own address.
        const SENSOR_PARAMETERS own = *s.engine->parameters();
        *s.engine->parameters() = m_parameters;
        s.engine->parameters()->SensorIPAddressHigh = own.SensorIPAddressHigh;
        s.engine->parameters()->SensorIPAddressLow = own.SensorIPAddressLow;
    }
    s.step = Step::Running;
    switch (m_operation) {
    case Operation::Info: s.engine->ReadSimulationTime(); break; // SelfCheckReceived
    case Operation::ReadAll: s.engine->ReadSensorAllDataSlots(); break;
    case Operation::WriteAll: s.engine->WriteSensorAllDataSlots(); break;
    case Operation::Verify: s.engine->VerifySensorDataSlots(); break;
    }
}

void FleetRun::onSequenceFinished(int index, const ExchangeEngine::Result &result)
{
    Sensor &s = *m_sensors[size_t(index)];
    if (s.step != Step::Running)
        return;
    m_results[index].detail = result;
    const QString done = sequenceDoneText(result, m_language);
    switch (result.outcome) {
    case ExchangeEngine::Outcome::Complete: break;
    case ExchangeEngine::Outcome::Differences: {
        const int n = result.differences.size();
        finishSensor(index, Outcome::Differences,
                     n == 1 ? pick(m_language, "1 difference", "1处差异")
                            : pick(m_language, "%1 differences", "%1处差异").arg(n));
        return;
    }
    case ExchangeEngine::Outcome::Rejected:
        finishSensor(index, Outcome::Rejected,
                     pick(m_language, "rejected: %1; %2", "被拒绝：%1；%2").arg(result.problem, done));
        return;
    case ExchangeEngine::Outcome::Refused:
        finishSensor(index, Outcome::Refused,
                     pick(m_language, "not sent: %1", "未发送：%1").arg(result.problem));
        return;
    case ExchangeEngine::Outcome::Cancelled:
        finishSensor(index, Outcome::Cancelled, pick(m_language, "interrupted: %1", "已中断：%1").arg(done));
        return;
    case ExchangeEngine::Outcome::GaveUp:
        finishSensor(index, Outcome::Unreachable,
                     pick(m_language, "stopped answering: %1", "停止应答：%1").arg(done));
        return;
    case ExchangeEngine::Outcome::Incomplete:
        finishSensor(index, Outcome::Unreachable,
                     (result.problem.isEmpty() ? pick(m_language, "incomplete", "未完成") : result.problem) +
                         pick(m_language, "; ", "；") + done);
        return;
    }
    if (m_operation == Operation::WriteAll && m_restart) {
        s.step = Step::Restarting;
        s.engine->SensorRebootSlots();
        return;
    }
    finishSensor(index, Outcome::Ok, okText(false));
}

QString FleetRun::okText(bool restarted) const
{
    switch (m_operation) {
    case Operation::Info: return pick(m_language, "ok", "正常");
    case Operation::ReadAll: return pick(m_language, "read", "已读取");
    case Operation::Verify: return pick(m_language, "identical", "一致");
    case Operation::WriteAll: break;
    }
    if (restarted)
        return m_verify ? pick(m_language, "written, verified and restarted", "已写入、校验并重启")
                        : pick(m_language, "written and restarted", "已写入并重启");
    return m_verify ? pick(m_language, "written and verified", "已写入并校验")
                    : pick(m_language, "written", "已写入");
}

void FleetRun::onLost(int index, const QString &why)
{
    Sensor &s = *m_sensors[size_t(index)];
    switch (s.step) {
    case Step::Confirming:
    case Step::ReadingAddress:
        finishSensor(index, Outcome::Unreachable,
                     pick(m_language, "unreachable: %1", "无法连接：%1").arg(why));
        break;
    case Step::Restarting:
        // Written (and verified), but whether it restarted is unknown: not a success, and no failure of
        // the design either.
        finishSensor(
            index, Outcome::RestartUnconfirmed,
            pick(m_language, "%1; restart unconfirmed: %2", "%1；重启未获确认：%2").arg(okText(false), why));
        break;
    case Step::Running: // the engine's own result has already said it, unless it gave up outside a sequence
        finishSensor(index, Outcome::Unreachable,
                     pick(m_language, "stopped answering: %1", "停止应答：%1").arg(why));
        break;
    case Step::Idle:
    case Step::Done: break;
    }
}

void FleetRun::finishSensor(int index, Outcome outcome, const QString &message)
{
    Sensor &s = *m_sensors[size_t(index)];
    if (s.step == Step::Done)
        return;
    s.step = Step::Done;
    SensorResult &r = m_results[index];
    r.outcome = outcome;
    r.message = message;
    r.elapsedMs = s.clock.elapsed();
    r.finished = true;
    // Not from inside the engine's own signal: closing deletes the socket that may be emitting.
    QTimer::singleShot(0, s.engine, [engine = s.engine] { engine->close(); });
    emit SensorFinished(index, r);
    if (--m_running == 0)
        emit Finished();
}

void FleetRun::stopAtFrameBoundary()
{
    for (int i = 0; i < int(m_sensors.size()); ++i) {
        Sensor &s = *m_sensors[size_t(i)];
        if (!s.engine || s.step == Step::Done || s.step == Step::Restarting)
            continue;
        if (s.step == Step::Running && m_operation != Operation::Info) {
            s.engine->CancelSequenceAtFrameBoundary(); // SequenceFinished says what was done
            continue;
        }
        // Nothing of the operation has been sent yet.
        s.engine->AbandonExchange();
        const QString why = m_operation == Operation::WriteAll
                                ? pick(m_language, "interrupted: nothing written", "已中断：未写入任何数据")
                                : pick(m_language, "interrupted", "已中断");
        QTimer::singleShot(0, this, [this, i, why] { finishSensor(i, Outcome::Cancelled, why); });
    }
}
