#include "exchange/site_monitor.h"

#include <QDateTime>

namespace {

// Fault bits 0..6 as the sensor's status display names them; the number is the bit plus one.
const char *const kFaultNames[] = {"Revolve Abnormal", "Receive Abnormal",  "Flash Abnormal",
                                   "Connect Abnormal", "Simulate Abnormal", "Temperature Abnormal",
                                   "Voltage Abnormal"};

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

QString SensorStatus::linkWord(Link link)
{
    switch (link) {
    case Link::Connecting: return QStringLiteral("connecting");
    case Link::Ok: return QStringLiteral("ok");
    case Link::Lost: return QStringLiteral("lost");
    case Link::Unreachable: return QStringLiteral("unreachable");
    }
    return QString();
}

QString SensorStatus::faultText(quint16 fault)
{
    if (fault == 0)
        return QStringLiteral("Normal(0)");
    QString text;
    for (int bit = 0; bit < 7; ++bit)
        if (fault & (1u << bit))
            text += QString("%1(%2)").arg(QLatin1String(kFaultNames[bit])).arg(bit + 1);
    return text;
}

struct SiteMonitor::Sensor {
    FleetTarget target;
    std::unique_ptr<ExchangeEngine> engine;
    std::unique_ptr<ExchangeEngine> retired; // the engine of the attempt that just failed
    QTimer retry;
    QElapsedTimer sinceAnswer; // since the last report (or since the attempt began)
    bool answered = false;     // this connection brought the product information
    bool reportedHere = false; // this connection brought a report (the next one can be compared)
    quint64 attempt = 0;       // bumped per connection, so a late signal of an old one is ignored
};

SiteMonitor::SiteMonitor(QObject *parent) : QObject(parent)
{
    m_watchdog.setInterval(250);
    connect(&m_watchdog, &QTimer::timeout, this, &SiteMonitor::checkSilence);
}

SiteMonitor::~SiteMonitor()
{
    stop();
}

void SiteMonitor::addSensor(const FleetTarget &target)
{
    if (m_running)
        return;
    auto sensor = std::make_unique<Sensor>();
    sensor->target = target;
    sensor->retry.setSingleShot(true);
    sensor->retry.setInterval(kRetryMs);
    const int index = int(m_sensors.size());
    connect(&sensor->retry, &QTimer::timeout, this, [this, index] { connectSensor(index); });
    m_sensors.push_back(std::move(sensor));
    SensorStatus status;
    status.address = target.address;
    status.linkMs = nowMs();
    m_statuses.append(status);
}

void SiteMonitor::start()
{
    if (m_running)
        return;
    m_running = true;
    for (int i = 0; i < int(m_sensors.size()); ++i)
        connectSensor(i);
    m_watchdog.start();
}

void SiteMonitor::stop()
{
    m_running = false;
    m_watchdog.stop();
    for (auto &s : m_sensors) {
        s->retry.stop();
        s->retired.reset();
        if (s->engine) {
            s->engine->disconnect(this);
            s->engine->close();
            s->engine.reset();
        }
    }
}

void SiteMonitor::connectSensor(int index)
{
    if (!m_running)
        return;
    Sensor &s = *m_sensors[index];
    s.retired.reset();
    if (s.engine) {
        s.engine->disconnect(this);
        s.engine->close();
    }
    // A fresh engine per attempt: nothing of a broken exchange (flags, buffers, time-outs) carries over.
    s.engine = std::make_unique<ExchangeEngine>();
    s.engine->SetLanguage(Language::English);
    s.answered = false;
    s.reportedHere = false;
    s.sinceAnswer.start();
    const quint64 attempt = ++s.attempt;
    ExchangeEngine *engine = s.engine.get();
    connect(engine, &ExchangeEngine::LinkFailed, this, [this, index, attempt](const QString &error) {
        if (m_sensors[index]->attempt == attempt)
            failed(index, error);
    });
    connect(engine, &ExchangeEngine::ExchangeGaveUp, this, [this, index, attempt] {
        if (m_sensors[index]->attempt == attempt)
            failed(index, QStringLiteral("stopped answering"));
    });
    connect(engine, &ExchangeEngine::ProductInformationRead, this,
            [this, index, attempt](const ProductInfo &info) {
                Sensor &sensor = *m_sensors[index];
                if (sensor.attempt != attempt || sensor.answered)
                    return;
                sensor.answered = true;
                sensor.sinceAnswer.start();
                SensorStatus &st = m_statuses[index];
                int changes = 0;
                if (!st.serialKnown || st.serialNumber != info.SerialNumber)
                    changes |= SerialChanged;
                st.serialKnown = true;
                st.serialNumber = info.SerialNumber;
                st.product = info;
                if (changes)
                    emit StatusChanged(index, changes);
                // The install direction comes with the parameters; then the status poll follows.
                sensor.engine->ReadSensorParametersSlots();
                sensor.engine->OpenSendReadSimulation();
            });
    connect(engine, &ExchangeEngine::DirChangeSignals, this, [this, index, attempt](bool reverse) {
        if (m_sensors[index]->attempt != attempt)
            return;
        SensorStatus &st = m_statuses[index];
        if (st.directionKnown && st.reverse == reverse)
            return;
        st.directionKnown = true;
        st.reverse = reverse;
        emit StatusChanged(index, DirectionChanged);
    });
    connect(engine, &ExchangeEngine::SelfCheckReceived, this,
            [this, index, attempt](const SelfCheckReport &report) {
                if (m_sensors[index]->attempt == attempt)
                    onReport(index, report);
            });

    if (!s.target.openOn(*engine)) {
        failed(index, engine->LinkError());
        return;
    }
    // Who it is first: the serial number names its topics, and the answer proves it is there.
    engine->ConfirmSensorSlots();
}

void SiteMonitor::failed(int index, const QString &why)
{
    Sensor &s = *m_sensors[index];
    ++s.attempt; // whatever the old engine still says belongs to nothing
    if (s.engine) {
        s.engine->disconnect(this);
        s.engine->close();
        // Not deleted here: this may run inside one of its own signals. The next attempt (or stop)
        // deletes it.
        s.retired = std::move(s.engine);
    }
    const SensorStatus &st = m_statuses[index];
    const bool known = st.link == SensorStatus::Link::Ok || st.link == SensorStatus::Link::Lost;
    setLink(index, known ? SensorStatus::Link::Lost : SensorStatus::Link::Unreachable, why);
    if (m_running)
        s.retry.start();
}

void SiteMonitor::setLink(int index, SensorStatus::Link link, const QString &problem, int more)
{
    SensorStatus &st = m_statuses[index];
    int changes = more;
    if (st.link != link || st.problem != problem) {
        if (st.link != link)
            st.linkMs = nowMs();
        st.link = link;
        st.problem = problem;
        changes |= LinkChanged;
    }
    if (changes)
        emit StatusChanged(index, changes);
}

void SiteMonitor::onReport(int index, const SelfCheckReport &report)
{
    Sensor &s = *m_sensors[index];
    SensorStatus &st = m_statuses[index];
    s.sinceAnswer.start();
    const bool comparable = s.reportedHere;
    s.reportedHere = true;
    const uint previousOutputs = st.outputs;
    const quint16 previousFault = st.fault;
    int changes = 0;
    // The port bytes come widened with their sign; only the byte is the sensor's.
    const uint inputs = report.InputPorts & 0xFF;
    const uint outputs = report.OutputPorts & 0xFF;
    if (!st.reported || st.inputs != inputs)
        changes |= InputsChanged;
    if (!st.reported || st.outputs != outputs)
        changes |= OutputsChanged;
    if (!st.reported || st.fault != report.Status)
        changes |= FaultChanged;
    st.reported = true;
    st.inputs = inputs;
    st.outputs = outputs;
    st.fault = report.Status;
    st.selfCheck = report;
    st.reportMs = nowMs();
    setLink(index, SensorStatus::Link::Ok, QString(), changes);
    if (comparable && (outputs != previousOutputs || report.Status != previousFault))
        emit Switched(index, previousOutputs, previousFault);
    emit ReportReceived(index);
}

void SiteMonitor::checkSilence()
{
    for (int i = 0; i < int(m_sensors.size()); ++i) {
        Sensor &s = *m_sensors[i];
        if (!s.engine)
            continue; // waiting for its retry
        const SensorStatus &st = m_statuses[i];
        if (!s.answered) {
            if (s.sinceAnswer.elapsed() > kFirstAnswerMs)
                failed(i, QStringLiteral("no answer"));
        } else if (st.link == SensorStatus::Link::Ok && s.sinceAnswer.elapsed() > kLostMs) {
            // The engine goes on asking (and gives up after its own time-outs); say so now.
            setLink(i, SensorStatus::Link::Lost,
                    QString("no report for %1 s").arg(s.sinceAnswer.elapsed() / 1000.0, 0, 'f', 1));
        }
    }
}
