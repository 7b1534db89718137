#include "exchange/fleet_run.h"

#include <QHostAddress>
#include <QTimer>

struct FleetRun::Sensor {
    FleetTarget target;
    ExchangeEngine *engine = nullptr; // child of the run
    Step step = Step::Idle;
    QElapsedTimer clock;
    QString linkError;
};

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

QString FleetRun::text(const char *english, const char *chinese) const
{
    return m_language == 1 ? QString::fromUtf8(chinese) : QString::fromUtf8(english);
}

bool FleetRun::start(Operation operation)
{
    if (m_started || m_sensors.empty() || (operation != Operation::ReadAll && !m_hasDesign))
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
    connect(engine, &ExchangeEngine::RebootAcknowledged, this, [this, index] {
        if (m_sensors[size_t(index)]->step != Step::Restarting)
            return;
        m_results[index].restarted = true;
        finishSensor(index, Outcome::Ok, m_results[index].message);
    });
    connect(engine, &ExchangeEngine::LinkFailed, this,
            [this, index](const QString &error) { m_sensors[size_t(index)]->linkError = error; });
    connect(engine, &ExchangeEngine::ExchangeGaveUp, this, [this, index] {
        const QString &error = m_sensors[size_t(index)]->linkError;
        onLost(index, error.isEmpty() ? text("The sensor did not answer in time.", "传感器未及时应答。")
                                      : text("The connection failed: %1", "连接失败：%1").arg(error));
    });

    emit SensorStarted(index);
    bool opened = false;
    switch (s.target.transport) {
    case FleetTarget::Transport::Tcp:
        opened = engine->openTcp(QHostAddress(s.target.address), s.target.port);
        break;
    case FleetTarget::Transport::Udp:
        opened = engine->openUdp(QHostAddress(s.target.address), s.target.port);
        break;
    case FleetTarget::Transport::Serial: opened = engine->openSerial(s.target.address, s.target.baud); break;
    }
    if (!opened) {
        // Ended from the event loop, as every other sensor, never inside start().
        const QString why =
            text("Could not open %1: %2", "无法打开%1：%2").arg(s.target.address, engine->LinkError());
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
    switch (result.outcome) {
    case ExchangeEngine::Outcome::Complete: break;
    case ExchangeEngine::Outcome::Differences:
        finishSensor(index, Outcome::Differences, result.message);
        return;
    case ExchangeEngine::Outcome::Rejected: finishSensor(index, Outcome::Rejected, result.message); return;
    case ExchangeEngine::Outcome::Refused: finishSensor(index, Outcome::Refused, result.message); return;
    case ExchangeEngine::Outcome::Cancelled: finishSensor(index, Outcome::Cancelled, result.message); return;
    case ExchangeEngine::Outcome::Incomplete:
    case ExchangeEngine::Outcome::GaveUp: finishSensor(index, Outcome::Unreachable, result.message); return;
    }

    QString done;
    switch (m_operation) {
    case Operation::ReadAll: done = text("Read", "已读取"); break;
    case Operation::Verify: done = text("Identical", "一致"); break;
    case Operation::WriteAll:
        done = result.sequence == ExchangeEngine::Sequence::Verify
                   ? text("Written and verified", "已写入并校验")
                   : text("Written", "已写入");
        break;
    }
    if (m_operation == Operation::WriteAll && m_restart) {
        m_results[index].message = done + text(", restarted", "，已重启");
        s.step = Step::Restarting;
        s.engine->SensorRebootSlots();
        return;
    }
    finishSensor(index, Outcome::Ok, done);
}

void FleetRun::onLost(int index, const QString &why)
{
    Sensor &s = *m_sensors[size_t(index)];
    switch (s.step) {
    case Step::Confirming:
    case Step::ReadingAddress: finishSensor(index, Outcome::Unreachable, why); break;
    case Step::Restarting:
        // Written (and verified), but whether it restarted is unknown: not a success.
        finishSensor(
            index, Outcome::Unreachable,
            text("Written, but the restart was not acknowledged: %1", "已写入，但重启未获确认：%1").arg(why));
        break;
    case Step::Running: // the engine's own result has already said it, unless it gave up outside a sequence
        finishSensor(index, Outcome::Unreachable, why);
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

void FleetRun::cancel()
{
    for (int i = 0; i < int(m_sensors.size()); ++i) {
        Sensor &s = *m_sensors[size_t(i)];
        if (s.step == Step::Done || !s.engine)
            continue;
        s.engine->AbandonExchange(); // nothing more leaves for it
        finishSensor(i, Outcome::Cancelled, text("Cancelled.", "已取消。"));
    }
}
