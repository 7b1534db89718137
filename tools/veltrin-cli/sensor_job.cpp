#include "sensor_job.h"

#include "area/store/device_type.h"
#include "area/store/project_data.h"
#include "cli_args.h"

#include <QHostAddress>
#include <QTimer>

namespace {
// A job that hears nothing at all (no link failure, no give-up) still ends: a sequence is bounded by
// the engine, the product request and the self-check by this.
constexpr int kSilenceMs = 15000;
} // namespace

SensorJob::SensorJob(const SensorTarget &target, Operation operation, QObject *parent)
    : QObject(parent), m_target(target), m_operation(operation), m_engine(std::make_unique<ExchangeEngine>())
{
    m_engine->SetLanguage(0);
    connect(m_engine.get(), &ExchangeEngine::LinkFailed, this, [this](const QString &error) {
        finish(Status::Unreachable, QStringLiteral("unreachable: ") + error);
    });
    connect(m_engine.get(), &ExchangeEngine::ExchangeGaveUp, this,
            [this] { finish(Status::Unreachable, QStringLiteral("stopped answering")); });
    connect(m_engine.get(), &ExchangeEngine::ProductInformationRead, this, [this](const ::ProductInfo &info) {
        if (m_productRead || finished())
            return;
        m_productRead = true;
        m_product = info;
        m_serial = info.SerialNumber;
        if (m_keepAddress && m_operation != Operation::Info && m_operation != Operation::ReadAll) {
            m_readingAddress = true;
            m_engine->ReadSensorParametersSlots();
            return;
        }
        runOperation();
    });
    connect(m_engine.get(), &ExchangeEngine::ReceiveParameters, this, [this] {
        if (!m_readingAddress || finished())
            return;
        m_readingAddress = false;
        SENSOR_PARAMETERS design = m_design;
        design.SensorIPAddressHigh = m_engine->parameters()->SensorIPAddressHigh;
        design.SensorIPAddressLow = m_engine->parameters()->SensorIPAddressLow;
        *m_engine->parameters() = design;
        runOperation();
    });
    connect(m_engine.get(), &ExchangeEngine::SelfCheckReceived, this, [this](const SelfCheckReport &report) {
        if (m_operation != Operation::Info || !m_productRead || finished())
            return;
        m_selfCheck = report;
        finish(Status::Ok, QStringLiteral("ok"));
    });
    connect(m_engine.get(), &ExchangeEngine::SequenceProgress, this,
            [this](ExchangeEngine::Sequence sequence, int done, int total) {
                const char *stage = sequence == ExchangeEngine::Sequence::ReadAll    ? "reading"
                                    : sequence == ExchangeEngine::Sequence::WriteAll ? "writing"
                                                                                     : "verifying";
                emit progress(m_target.address, QLatin1String(stage), done, total);
            });
    connect(m_engine.get(), &ExchangeEngine::SequenceFinished, this, [this](const ExchangeEngine::Result &r) {
        if (finished())
            return;
        m_result = r;
        using O = ExchangeEngine::Outcome;
        switch (r.outcome) {
        case O::Complete:
            if (m_restart && m_operation == Operation::WriteAll) {
                m_engine->SensorRebootSlots();
                return; // RebootAcknowledged ends it
            }
            finish(Status::Ok, m_operation == Operation::ReadAll  ? QStringLiteral("read")
                               : m_operation == Operation::Verify ? QStringLiteral("identical")
                               : m_verify                         ? QStringLiteral("written and verified")
                                                                  : QStringLiteral("written"));
            return;
        case O::Differences:
            finish(Status::Different, QString("%1 difference%2")
                                          .arg(r.differences.size())
                                          .arg(r.differences.size() == 1 ? "" : "s"));
            return;
        case O::Rejected: finish(Status::Rejected, QStringLiteral("rejected: ") + r.problem); return;
        case O::Refused: finish(Status::BadDesign, QStringLiteral("not sent: ") + r.problem); return;
        case O::Incomplete:
        case O::Cancelled:
        case O::GaveUp:
            finish(Status::Unreachable, QStringLiteral("stopped answering: ") + r.problem);
            return;
        }
    });
    connect(m_engine.get(), &ExchangeEngine::RebootAcknowledged, this, [this] {
        m_restarted = true;
        finish(Status::Ok, m_verify ? QStringLiteral("written, verified and restarted")
                                    : QStringLiteral("written and restarted"));
    });
}

SensorJob::~SensorJob()
{
    m_engine->close();
}

void SensorJob::setDesign(int deviceType, const PROJECT_DATA &project, const SENSOR_PARAMETERS &parameters)
{
    m_engine->SetDeviceType(deviceType);
    m_engine->projectStore()->Areas = project.Areas;
    *m_engine->parameters() = parameters;
    m_design = parameters;
}

void SensorJob::start()
{
    m_clock.start();
    bool opened = false;
    if (m_target.serial)
        opened = m_engine->openSerial(m_target.address, m_target.baud);
    else if (m_target.udp)
        opened = m_engine->openUdp(QHostAddress(m_target.address));
    else
        opened = m_engine->openTcp(QHostAddress(m_target.address));
    if (!opened) {
        // Let the caller connect to done() first.
        QTimer::singleShot(0, this, [this] {
            finish(Status::Unreachable, QStringLiteral("cannot open: ") + m_engine->LinkError());
        });
        return;
    }
    // First who it is (the serial number of the table); this also proves that it answers.
    m_engine->ConfirmSensorSlots();
    QTimer::singleShot(kSilenceMs, this, [this] {
        if (!m_productRead && !finished())
            finish(Status::Unreachable, QStringLiteral("no answer"));
    });
}

void SensorJob::runOperation()
{
    switch (m_operation) {
    case Operation::Info:
        m_engine->ReadSimulationTime();
        QTimer::singleShot(kSilenceMs, this, [this] {
            if (!finished())
                finish(Status::Unreachable, QStringLiteral("no self-check answer"));
        });
        break;
    case Operation::ReadAll: m_engine->ReadSensorAllDataSlots(); break;
    case Operation::WriteAll:
        m_engine->SetVerifyAfterWrite(m_verify);
        m_engine->WriteSensorAllDataSlots();
        break;
    case Operation::Verify: m_engine->VerifySensorDataSlots(); break;
    }
}

void SensorJob::finish(Status status, const QString &text)
{
    if (finished())
        return;
    m_status = status;
    m_text = text;
    m_seconds = m_clock.isValid() ? m_clock.elapsed() / 1000.0 : 0;
    m_engine->AbandonExchange();
    m_engine->close();
    emit done();
}

int SensorJob::exitCode() const
{
    switch (m_status) {
    case Status::Pending:
    case Status::Unreachable: return ExitUnreachable;
    case Status::Ok: return ExitOk;
    case Status::Different:
    case Status::Rejected: return ExitDifferent;
    case Status::BadDesign: return ExitUsage;
    }
    return ExitUnreachable;
}

QString SensorJob::resultWord() const
{
    switch (m_status) {
    case Status::Pending: return QStringLiteral("pending");
    case Status::Ok: return QStringLiteral("ok");
    case Status::Different: return QStringLiteral("differences");
    case Status::Rejected: return QStringLiteral("rejected");
    case Status::BadDesign: return QStringLiteral("refused");
    case Status::Unreachable: return QStringLiteral("unreachable");
    }
    return QString();
}
