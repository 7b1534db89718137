#include "exchange/exchange_engine.h"

#include "area/store/device_type.h"
#include "area/store/project_data.h"
#include "comm/codec/area_codec.h"
#include "comm/codec/crc16.h"
#include "comm/codec/requests.h"
#include "comm/codec/sensor_parameters.h"
#include "exchange/sequence_text.h"

#include <QMetaMethod>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cstring>

ExchangeEngine::ExchangeEngine(QObject *parent)
    : QObject(parent), m_ownScan(std::make_unique<SCAN_DATA>()),
      m_ownProject(std::make_unique<PROJECT_DATA>()), m_ownParameters(std::make_unique<SENSOR_PARAMETERS>()),
      m_ownControl(std::make_unique<SENSOR_CONTROL>()), m_scan(m_ownScan.get()),
      m_project(m_ownProject.get()), m_parameters(m_ownParameters.get()), m_control(m_ownControl.get())
{
    init();
}

ExchangeEngine::ExchangeEngine(SCAN_DATA *scanStore, PROJECT_DATA *projectStore,
                               SENSOR_PARAMETERS *parameters, SENSOR_CONTROL *scanControl, QObject *parent)
    : QObject(parent), m_scan(scanStore), m_project(projectStore), m_parameters(parameters),
      m_control(scanControl)
{
    if (!m_scan) {
        m_ownScan = std::make_unique<SCAN_DATA>();
        m_scan = m_ownScan.get();
    }
    if (!m_project) {
        m_ownProject = std::make_unique<PROJECT_DATA>();
        m_project = m_ownProject.get();
    }
    if (!m_parameters) {
        m_ownParameters = std::make_unique<SENSOR_PARAMETERS>();
        m_parameters = m_ownParameters.get();
    }
    if (!m_control) {
        m_ownControl = std::make_unique<SENSOR_CONTROL>();
        m_control = m_ownControl.get();
    }
    init();
}

void ExchangeEngine::init()
{
    static const bool registered = [] {
        qRegisterMetaType<ExchangeEngine::Result>();
        qRegisterMetaType<ExchangeEngine::Sequence>();
        qRegisterMetaType<ExchangeEngine::MessageKind>();
        qRegisterMetaType<VerifyDifference>();
        qRegisterMetaType<SelfCheckReport>();
        qRegisterMetaType<ProductInfo>();
        qRegisterMetaType<QVector<int>>();
        qRegisterMetaType<QVector<quint16>>();
        return true;
    }();
    Q_UNUSED(registered)
    m_distancePoll = new QTimer(this);
    m_intensityPoll = new QTimer(this);
    m_simulationPoll = new QTimer(this);
    m_replyTimeout = new QTimer(this);
    m_scheduler = new QTimer(this);
    m_replyTimeout->setInterval(kReplyTimeoutMs);
    m_scheduler->start(kSchedulerMs);

    // One distance (on Ethernet: stream keep-alive) or intensity request per tick of its poll.
    connect(m_distancePoll, &QTimer::timeout, this, [this] { m_flags[int(Request::Distance)] = true; });
    connect(m_intensityPoll, &QTimer::timeout, this, [this] { m_flags[int(Request::Intensity)] = true; });
    connect(m_simulationPoll, &QTimer::timeout, this, &ExchangeEngine::ReadSimulationTime);
    connect(m_replyTimeout, &QTimer::timeout, this, &ExchangeEngine::replyTimedOut);
    connect(m_scheduler, &QTimer::timeout, this, &ExchangeEngine::sendNextRequest);

    m_scan->InstallDir = false;
}

ExchangeEngine::~ExchangeEngine() = default;

// ---- Small helpers. ----

// Where the running sequence's area loop stands. A receiver may pump events (a modal progress dialog):
// callers have settled their state first.
void ExchangeEngine::progress()
{
    if (m_sequence != Sequence::None)
        emit SequenceProgress(m_sequence, qBound(0, m_areasDone, kAreaCount), kAreaCount);
}

void ExchangeEngine::SetDeviceType(int code)
{
    if (const DeviceInfo *info = deviceInfo(code)) {
        m_rangeLimit = info->rangeLimit;
        m_deviceType = code;
    }
}

void ExchangeEngine::ContinueWriteToOtherModel(bool write)
{
    if (!m_modelAnswerPending || m_sequence != Sequence::WriteAll)
        return;
    m_modelAnswerPending = false;
    if (!write) {
        refuseOtherModel(m_product.ModelCode);
        return;
    }
    startWriting();
}

void ExchangeEngine::startWriting()
{
    m_flags[int(Request::WriteAreas)] = true;
    m_flags[int(Request::WriteCases)] = true;
    m_flags[int(Request::WriteParameters)] = true;
}

void ExchangeEngine::refuseOtherModel(int sensorModel)
{
    auto name = [](int code) {
        const DeviceInfo *info = deviceInfo(code);
        return info ? QString::fromLatin1(info->extension + 1) : QString::number(code);
    };
    m_refusedModel = sensorModel;
    m_flags[int(Request::WriteAreas)] = true; // so that the result says none was written
    finishSequence(pick(m_language,
                        "The sensor is model %1 (code %2); the design is for model %3 (code %4). Nothing was "
                        "written.",
                        "传感器型号为%1（代码%2）；设计适用于型号%3（代码%4）。未写入任何数据。")
                       .arg(name(sensorModel))
                       .arg(sensorModel)
                       .arg(name(m_deviceType))
                       .arg(m_deviceType),
                   Outcome::Refused);
}

bool ExchangeEngine::AnyRequestRaised() const
{
    for (bool f : m_flags)
        if (f)
            return true;
    return false;
}

bool ExchangeEngine::ReplyTimeoutActive() const
{
    return m_replyTimeout->isActive();
}
void ExchangeEngine::SetReplyTimeout(int ms)
{
    m_replyTimeout->setInterval(qMax(ms, kSchedulerMs));
}
bool ExchangeEngine::DistancePollActive() const
{
    return m_distancePoll->isActive();
}
bool ExchangeEngine::IntensityPollActive() const
{
    return m_intensityPoll->isActive();
}
bool ExchangeEngine::SimulationPollActive() const
{
    return m_simulationPoll->isActive();
}

// ---- Link. ----

// Takes the new link over; false (with its reason) when it cannot start.
bool ExchangeEngine::adopt(Link *link)
{
    link->setParent(this);
    m_link = link;
    connect(link, &Link::bytesArrived, this, &ExchangeEngine::bytesArrived);
    connect(link, &Link::stateChanged, this, &ExchangeEngine::linkStateChanged);
    // The displays read the scan store by the kind of line that filled it.
    m_scan->ConnectType = link->ethernet() ? 1 : 0;
    m_scan->EtherMode = link->kind() == Link::Kind::Udp ? 1 : 0;
    if (!link->open()) {
        m_linkError = link->errorString();
        return false;
    }
    return true;
}

void ExchangeEngine::linkStateChanged(Link::State state)
{
    if (state == Link::State::Open) {
        emit LinkOpened();
    } else if (state == Link::State::Lost) {
        Link *link = m_link;
        const QString why = failureText(*link);
        const QString warning = pick(m_language, "The connection to %1 failed: %2", "与 %1 的连接失败：%2")
                                    .arg(link->peerName(), why);
        m_linkError = link->errorString();
        QPointer<ExchangeEngine> alive(this);
        emit LinkFailed(m_linkError);
        if (!alive || m_link != link)
            return; // whoever heard it has closed (or deleted) the engine already
        // Whoever follows the loss says it; otherwise the warning does.
        static const QMetaMethod lost = QMetaMethod::fromSignal(&ExchangeEngine::LinkLost);
        giveUp(warning, why, !isSignalConnected(lost));
    }
}

QString ExchangeEngine::failureText(const Link &link) const
{
    switch (link.failure()) {
    case Link::Failure::Refused:
        return pick(m_language, "Connection refused (no sensor listens there).",
                    "连接被拒绝（该地址没有传感器在监听）。");
    case Link::Failure::Closed:
        return pick(m_language, "The sensor closed the connection.", "传感器关闭了连接。");
    case Link::Failure::Unreachable:
        return pick(m_language, "No route to the sensor (network unreachable).",
                    "无法到达传感器（网络不可达）。");
    case Link::Failure::TimedOut:
        return pick(m_language, "The sensor did not answer in time.", "传感器没有及时应答。");
    default: break;
    }
    return link.errorString();
}

// Whatever was under way ends, the polls stop and nothing received is kept.
void ExchangeEngine::halt()
{
    AbandonExchange();
    CloseSendReadScanf();
    CloseSendReadIntensity();
    CloseSendReadSimulation();
    clearReceived();
}

// The one place a sensor is lost: the link failed, or the sensor stopped answering. Whatever was
// under way ends, and the link is closed so nothing more is sent until it is opened again.
void ExchangeEngine::loseLink(const QString &why)
{
    halt();
    if (m_link && m_link->state() != Link::State::Lost)
        m_link->close();
    emit LinkLost(why);
}

void ExchangeEngine::bytesArrived(const QByteArray &bytes)
{
    ReplyContext ctx;
    ctx.scan = m_scan;
    ctx.areas = &m_project->Areas;
    ctx.parameters = m_parameters;
    ctx.hisn = &m_hisn;
    ctx.revolutions = &m_completed;
    ctx.rangeLimit = m_rangeLimit;
    m_scan->ConnectType = ethernetLink() ? 1 : 0; // the extractor follows the line the bytes came on
    ++m_deliveries;
    // A reply handler may sit in a message box or pump events: the scheduler stays quiet until it is done.
    ++m_handlerDepth;
    receiveDelivery(m_rx, bytes, ctx, *this);
    --m_handlerDepth;
}

// Closes what was open; false (with the reason) when address cannot be a sensor's.
bool ExchangeEngine::beginOpen(const QHostAddress &address)
{
    close();
    m_linkError.clear();
    if (address.isNull() || address.protocol() != QAbstractSocket::IPv4Protocol) {
        m_linkError = pick(m_language, "Not an IPv4 address", "不是IPv4地址");
        return false;
    }
    return true;
}

bool ExchangeEngine::openTcp(const QHostAddress &address, quint16 port)
{
    return beginOpen(address) && adopt(new TcpLink(address, port));
}

bool ExchangeEngine::openUdp(const QHostAddress &address, quint16 port)
{
    return beginOpen(address) && adopt(new UdpLink(address, port));
}

bool ExchangeEngine::openSerial(const QString &device, qint32 baud)
{
    SerialLine line;
    line.baudRate = baud;
    return openSerial(device, line);
}

bool ExchangeEngine::openSerial(const QString &device, const SerialLine &line)
{
    close();
    m_linkError.clear();
    return adopt(new SerialLink(device, line));
}

bool ExchangeEngine::reopen()
{
    if (!m_link)
        return false;
    m_rx.clear();
    if (!m_link->open()) {
        m_linkError = m_link->errorString();
        return false;
    }
    return true;
}

void ExchangeEngine::close()
{
    halt();
    if (m_link) {
        Link *old = m_link;
        m_link = nullptr;
        old->disconnect(this);
        old->close();
        old->deleteLater(); // it may be the sender of the signal being handled
    }
}

bool ExchangeEngine::IsOpen() const
{
    return m_link && m_link->isOpen();
}

// ---- Settings. ----

void ExchangeEngine::StopReplyTimeout()
{
    m_replyTimeout->stop();
    m_timeoutCount = 0;
}

void ExchangeEngine::AbandonExchange(const QString &why)
{
    // A sequence stopped from outside still ends with its one result: a write cut short by a restart
    // or a disconnect is logged and told like any other end, and nobody waits for it for ever.
    if (m_sequence != Sequence::None)
        finishSequence(why.isEmpty() ? pick(m_language, "Stopped before the end.", "未完成即已停止。") : why,
                       Outcome::Cancelled);
    StopReplyTimeout();
    m_awaited = Request::None;
    for (bool &f : m_flags)
        f = false;
    m_readAreaIndex = 0;
    m_writeAreaIndex = 0;
    m_areaWriteAttempt = 0;
    m_unknownAreaStatus = 0;
    m_sequence = Sequence::None;
    m_cancelAtBoundary = false;
    m_productQuiet = false;
    m_productForLog = false;
    ++m_epoch;
}

void ExchangeEngine::clearReceived()
{
    m_rx.clear();
    m_hisn.reset();
    m_completed.clear();
    if (m_scan) {
        m_scan->EtherIndex = 0;
        m_scan->EtherCount = 0;
    }
}

// ---- Polls: they only raise flags. ----

void ExchangeEngine::OpenSendReadScanf()
{
    m_distancePoll->setInterval(ethernetLink() ? kEtherScanPollMs : kSerialScanPollMs);
    m_distancePoll->start();
}

void ExchangeEngine::CloseSendReadScanf()
{
    m_distancePoll->stop();
}

void ExchangeEngine::OpenSendReadIntensity()
{
    // Over Ethernet the intensities come with the scan stream.
    if (ethernetLink())
        return;
    m_intensityPoll->setInterval(kIntensityPollMs);
    m_intensityPoll->start();
}

void ExchangeEngine::CloseSendReadIntensity()
{
    m_intensityPoll->stop();
}

void ExchangeEngine::OpenSendReadSimulation()
{
    m_simulationPoll->setInterval(kSimulationPollMs);
    m_simulationPoll->start();
}

void ExchangeEngine::CloseSendReadSimulation()
{
    m_simulationPoll->stop();
}

void ExchangeEngine::ReadSimulationTime()
{
    m_flags[int(Request::Simulation)] = true;
    if (m_control && m_control->Enable)
        m_flags[int(Request::ScanControl)] = true;
}

void ExchangeEngine::StopStreamSlots()
{
    stopStream();
}

void ExchangeEngine::SensorRebootSlots()
{
    m_flags[int(Request::Reboot)] = true;
}
void ExchangeEngine::SensorInformationSlots()
{
    m_flags[int(Request::ProductInfo)] = true;
    m_productQuiet = false;
}

void ExchangeEngine::ConfirmSensorSlots()
{
    if (!m_flags[int(Request::ProductInfo)] || m_productForLog)
        m_productQuiet = true;
    m_flags[int(Request::ProductInfo)] = true;
}

void ExchangeEngine::ReadSensorAllDataSlots()
{
    if (m_sequence != Sequence::None)
        return; // one sequence at a time; pressing again joins the running one
    stopStream();
    beginSequence(Sequence::ReadAll);
    m_flags[int(Request::ReadAreas)] = true;
    m_flags[int(Request::ReadCases)] = true;
    m_flags[int(Request::ReadParameters)] = true;
}

void ExchangeEngine::ReadSensorParametersSlots()
{
    stopStream();
    m_flags[int(Request::ReadParameters)] = true;
}

void ExchangeEngine::WriteSensorAllDataSlots()
{
    if (m_sequence != Sequence::None)
        return;
    const FitReport fit = CheckWriteFits();
    if (!fit.errors.isEmpty()) { // nothing sent
        Result refused;
        refused.sequence = Sequence::WriteAll;
        refused.outcome = Outcome::Refused;
        for (int i = 0; i < kAreaCount; ++i)
            refused.areasNotDone << i;
        refused.problem = fit.refusal;
        refused.message = fit.refusal;
        emit Message(MessageKind::Warning, pick(m_language, "Warning", "警告"), refused.message);
        emit SequenceFinished(refused);
        return;
    }
    stopStream();
    beginSequence(Sequence::WriteAll);
    // The areas are mirrored for the direction the parameters will carry: the dock's, not the last read.
    m_writeDir = m_parameters->SensorInstallDir != 0;
    m_areaWriteAttempt = 0;
    m_unknownAreaStatus = 0;
    m_expectedAreas = QVector<QByteArray>(kAreaCount);
    if (deviceInfo(m_deviceType)) { // which model the sensor is, before anything is written
        m_modelCheck = true;
        m_flags[int(Request::ProductInfo)] = true;
        return;
    }
    startWriting();
}

void ExchangeEngine::VerifySensorDataSlots()
{
    if (m_sequence != Sequence::None)
        return;
    stopStream();
    m_writeDir = m_parameters->SensorInstallDir != 0;
    prepareVerifyImages();
    beginVerify(false);
}

// Reads everything back to compare, and the product for the write log.
void ExchangeEngine::beginVerify(bool afterWrite)
{
    beginSequence(Sequence::Verify);
    m_verifyAfterWrite = afterWrite;
    m_flags[int(Request::ReadParameters)] = true;
    m_flags[int(Request::ReadCases)] = true;
    m_flags[int(Request::ReadAreas)] = true;
    m_productForLog = true;
    m_flags[int(Request::ProductInfo)] = true;
}

void ExchangeEngine::CancelSequence()
{
    if (m_sequence == Sequence::None)
        return;
    finishSequence(pick(m_language, "Cancelled.", "已取消。"), Outcome::Cancelled);
}

void ExchangeEngine::CancelSequenceAtFrameBoundary()
{
    m_cancelAtBoundary = m_sequence != Sequence::None;
    if (m_awaited == Request::None)
        CancelSequence();
}

// ---- Sequences. ----

void ExchangeEngine::beginSequence(Sequence sequence)
{
    m_sequence = sequence;
    m_sequenceClock.start();
    m_sequenceTimeouts = 0;
    m_areasDone = 0;
    m_casesDone = false;
    m_parametersDone = false;
    m_readAreaIndex = 0;
    m_writeAreaIndex = 0;
    m_differenceTexts.clear();
    m_differences.clear();
    m_verifyNotes.clear();
}

void ExchangeEngine::finishWhenReadsDone()
{
    if (m_sequence != Sequence::ReadAll && m_sequence != Sequence::Verify)
        return;
    if (m_flags[int(Request::ReadParameters)] || m_flags[int(Request::ReadCases)] ||
        m_flags[int(Request::ReadAreas)] || (m_productForLog && m_flags[int(Request::ProductInfo)]))
        return;
    finishSequence();
}

QString ExchangeEngine::statusText(FrameCode code, int status) const
{
    if (status == 1)
        return code == FrameCode::WArea
                   ? pick(
                         m_language,
                         "Parameters Setting Error: the sensor refused this area and kept its previous data. "
                         "Check that the design is for this sensor's model and that the zones lie within its "
                         "range, then write again.",
                         "参数设置异常：传感器拒绝了该区域，仍保留原有数据。请检查设计是否适用于该传感器型号"
                         "、"
                         "检测区域是否在其测量范围内，然后重新写入。")
                   : pick(m_language,
                          "Parameters Setting Error: the sensor refused the values and kept its previous "
                          "data. "
                          "Check the values, then write again.",
                          "参数设置异常：传感器拒绝了这些数值，仍保留原有数据。请检查数值后重新写入。");
    if (status == 2)
        return pick(m_language, "FLASH Write Error", "内存写入错误");
    return pick(m_language, "unknown status %1", "未知状态%1").arg(status);
}

// Ends the running sequence with one message and one SequenceFinished: what was done and, when problem
// is set, what was not (failure says how it failed).
void ExchangeEngine::finishSequence(const QString &problem, Outcome failure)
{
    const Sequence sequence = m_sequence;
    if (sequence == Sequence::None)
        return;
    m_sequence = Sequence::None;
    m_cancelAtBoundary = false;
    const bool reading = sequence != Sequence::WriteAll;
    const bool areasPending = m_flags[int(reading ? Request::ReadAreas : Request::WriteAreas)];
    // What is still raised is not done; a reply still on its way finds nothing waiting for it.
    for (Request r : {Request::ReadParameters, Request::ReadCases, Request::ReadAreas, Request::WriteAreas,
                      Request::WriteCases, Request::WriteParameters})
        m_flags[int(r)] = false;
    if (m_productForLog) {
        if (!m_productQuiet) // a confirmation still waits for the same reply
            m_flags[int(Request::ProductInfo)] = false;
        m_productForLog = false;
    }
    const int firstMissing = areasPending ? m_areasDone : kAreaCount;
    m_readAreaIndex = 0;
    m_writeAreaIndex = 0;
    m_areaWriteAttempt = 0;
    m_unknownAreaStatus = 0;

    QStringList missing;
    if (firstMissing < kAreaCount)
        missing << (reading ? (sequence == Sequence::ReadAll
                                   ? pick(m_language, "Areas %1 not read (marked red in the area list).",
                                          "区域%1未读取（在区域列表中以红色标出）。")
                                   : pick(m_language, "Areas %1 not read back.", "区域%1未回读。"))
                            : pick(m_language, "Areas %1 not written.", "区域%1未写入。"))
                       .arg(areaSpan(firstMissing, kMaxAreaIndex));
    if (!m_casesDone)
        missing << (reading ? pick(m_language, "Case channels not read.", "工况通道未读取。")
                            : pick(m_language, "Case channels not written.", "工况通道未写入。"));
    if (!m_parametersDone)
        missing << (reading ? pick(m_language, "Parameters not read.", "参数未读取。")
                            : pick(m_language, "Parameters not written.", "参数未写入。"));
    const bool complete = problem.isEmpty() && missing.isEmpty();
    const QString failureText = QStringList(QStringList{problem} + missing).join(QLatin1Char('\n')).trimmed();
    const QString warningTitle = pick(m_language, "Warning", "警告");

    Result result;
    result.sequence = sequence;
    result.outcome = complete ? Outcome::Complete : problem.isEmpty() ? Outcome::Incomplete : failure;
    for (int i = firstMissing; i < kAreaCount; ++i)
        result.areasNotDone << i;
    result.casesDone = m_casesDone;
    result.sensorModel = m_refusedModel;
    m_refusedModel = -1;
    m_modelCheck = false;
    m_modelAnswerPending = false;
    result.parametersDone = m_parametersDone;
    result.problem = problem;
    auto finish = [&](MessageKind kind, const QString &title, const QString &text) {
        result.message = text;
        emit Message(kind, title, text);
        emit SequenceFinished(result);
    };

    if (sequence == Sequence::ReadAll) {
        if (m_areasDone > 0)
            emit ReceiveAreasComplete(); // the editors show what was stored
        emit AreasNotRead(result.areasNotDone);
        if (complete)
            finish(MessageKind::Information, pick(m_language, "Parameters", "参数"),
                   pick(m_language, "Parameters Read OK!", "参数读取完成！"));
        else
            finish(MessageKind::Warning, warningTitle, failureText);
        return;
    }
    if (sequence == Sequence::WriteAll) {
        // A write-all that completed has turned into its verify unless verifying was turned off.
        if (complete)
            finish(MessageKind::RestartOffer, pick(m_language, "Message", "提示"),
                   pick(m_language, "Parameters written. They take effect after a restart.",
                        "参数写入完成，请重启生效！"));
        else
            finish(MessageKind::Warning, pick(m_language, "Message", "错误"), failureText);
        return;
    }

    // Verify.
    QByteArray image;
    for (const QByteArray &a : m_expectedAreas)
        image += a;
    image += m_expectedCases + m_expectedParameters;
    const quint32 crc = crc32Ieee(image);
    const bool afterWrite = m_verifyAfterWrite;
    m_verifyAfterWrite = false;
    result.afterWrite = afterWrite;
    result.imageCrc = crc;
    result.differences = m_differences;
    result.notes = m_verifyNotes;
    QString text;
    const bool match = complete && m_differenceTexts.isEmpty();
    if (match) {
        text = pick(m_language, "Verified: 64 areas, case channels and 25 parameters match",
                    "校验通过：64个区域、工况通道和25个参数一致");
        // Values a design cannot hold (unused slots) are the sensor's own; the zones mean the same.
        if (!m_verifyNotes.isEmpty())
            text +=
                QLatin1Char('\n') +
                pick(m_language,
                     "Note: %1 also hold values in slots their shape does not use; they were not compared.",
                     "注意：%1 在其形状未使用的位置还保存有其他数值，未作比较。")
                    .arg(m_verifyNotes.join(QStringLiteral(", ")));
    } else if (complete) {
        result.outcome = Outcome::Differences;
        text = pick(m_language, "Verify found differences: %1", "校验发现差异：%1")
                   .arg(m_differenceTexts.join(QStringLiteral(", ")));
    } else {
        text = failureText;
        if (!m_differenceTexts.isEmpty())
            text += QLatin1Char('\n') + pick(m_language, "Verify found differences: %1", "校验发现差异：%1")
                                            .arg(m_differenceTexts.join(QStringLiteral(", ")));
    }
    emit VerifyFinished(afterWrite, match, crc, text);
    if (match && afterWrite) {
        finish(MessageKind::RestartOffer, pick(m_language, "Message", "提示"),
               pick(m_language, "Parameters written. They take effect after a restart.",
                    "参数写入完成，请重启生效！") +
                   QLatin1Char('\n') + text);
    } else if (match) {
        finish(MessageKind::Information, pick(m_language, "Message", "提示"), text);
    } else {
        if (afterWrite)
            text = pick(m_language, "The sensor does not hold what was written.",
                        "传感器保存的数据与写入的不一致。") +
                   QLatin1Char('\n') + text;
        finish(MessageKind::Warning, warningTitle, text);
    }
}

// ---- Write-time fit check. ----

ExchangeEngine::FitReport ExchangeEngine::CheckWriteFits() const
{
    const QVector<AreaFitProblem> problems = checkAreasFit(m_project->Areas, m_rangeLimit);
    QStringList errors;
    QStringList warnings;
    for (const AreaFitProblem &p : problems) {
        const QString where =
            pick(m_language, "Area %1 Out%2: ", "区域%1 输出%2：").arg(p.area).arg(p.output + 1);
        switch (p.kind) {
        case AreaFitProblem::TooManyPoints:
            errors << where + pick(m_language, "%1 points, the sensor holds at most 100",
                                   "%1个点，传感器最多保存100个")
                                  .arg(p.value);
            break;
        case AreaFitProblem::BeyondWire:
            errors << where + pick(m_language, "coordinate %1 mm beyond ±32,767 mm", "坐标%1 mm超出±32767 mm")
                                  .arg(p.value);
            break;
        case AreaFitProblem::BadParameter:
            errors << where +
                          pick(m_language, "shape parameter %1 outside 0 to 65,535", "形状参数%1超出0到65535")
                              .arg(p.value);
            break;
        case AreaFitProblem::RadiusTooLarge:
            errors << where +
                          pick(m_language, "arc radius %1 mm beyond 65,535 mm", "圆弧半径%1 mm超出65535 mm")
                              .arg(p.value);
            break;
        case AreaFitProblem::ArcPointCount:
            errors << where +
                          pick(m_language, "an arc needs two points, not %1", "圆弧需要两个点，而不是%1个")
                              .arg(p.value);
            break;
        case AreaFitProblem::OneBearing:
            errors << where +
                          pick(m_language,
                               "points (%1, %2) and (%3, %4) lie on one bearing; the sensor would keep only "
                               "one of them",
                               "点(%1, %2)和(%3, %4)位于同一方位上；传感器只会保留其中一个")
                              .arg(p.first.x())
                              .arg(p.first.y())
                              .arg(p.second.x())
                              .arg(p.second.y());
            break;
        case AreaFitProblem::BeyondRange:
            warnings << where + pick(m_language, "%1 mm", "%1 mm").arg(p.value);
            break;
        }
    }
    FitReport report{errors, warnings, QString(), QString()};
    if (!errors.isEmpty())
        report.refusal =
            pick(m_language, "Nothing was written: these areas do not fit what the sensor can hold.",
                 "未写入任何数据：以下区域超出传感器可保存的范围。") +
            QLatin1Char('\n') + errors.join(QLatin1Char('\n'));
    if (!warnings.isEmpty())
        report.question =
            pick(m_language, "These points lie beyond the range of the selected model (%1 mm). Write anyway?",
                 "以下点超出所选型号的测量范围（%1 mm）。仍然写入吗？")
                .arg(m_rangeLimit) +
            QLatin1Char('\n') + warnings.join(QLatin1Char('\n'));
    return report;
}

// ---- Verify. ----

void ExchangeEngine::prepareVerifyImages()
{
    TxFrame tx;
    m_expectedAreas = QVector<QByteArray>(kAreaCount);
    for (int i = 0; i < kAreaCount; ++i) {
        buildWriteAreaRequest(tx, i, i < m_project->Areas.size() ? m_project->Areas[i] : m_project->EmptyArea,
                              m_writeDir);
        m_expectedAreas[i] = tx.bytes();
    }
    buildWriteCaseRequest(tx, m_project->Areas);
    m_expectedCases = tx.bytes();
    buildWriteParametersRequest(tx, *m_parameters);
    m_expectedParameters = tx.bytes();
}

// What of a read-back reply differs from the request the design gives; empty when nothing does.
// Code and checksum differ by nature; so do the parameters reply's ignored tail bytes.
QString ExchangeEngine::compareImage(FrameCode code, int areaIndex, const QByteArray &frame)
{
    auto differs = [&](const QByteArray &expected, int from, int to) {
        return expected.size() < to || frame.size() < to ||
               std::memcmp(expected.constData() + from, frame.constData() + from, size_t(to - from)) != 0;
    };
    // A big-endian 16-bit value of a frame (0 past its end).
    auto u16 = [](const QByteArray &bytes, int at) {
        return at + 2 <= bytes.size() ? (uchar(bytes[at]) << 8) | uchar(bytes[at + 1]) : 0;
    };
    auto s16 = [&](const QByteArray &bytes, int at) { return int(qint16(quint16(u16(bytes, at)))); };
    auto note = [&](VerifyDifference::Part part, int area, int output, int field, int expected, int actual) {
        VerifyDifference d;
        d.part = part;
        d.area = area;
        d.output = output;
        d.field = field;
        d.expected = expected;
        d.actual = actual;
        m_differences << d;
    };
    QStringList parts;
    if (code == FrameCode::RArea) {
        const QByteArray &expected = m_expectedAreas.value(areaIndex);
        if (expected.size() < kAreaRecordLength || frame.size() < kAreaRecordLength) {
            note(VerifyDifference::Part::ZoneParameters, areaIndex, -1, 0, 0, 0);
            return pick(m_language, "area %1", "区域%1").arg(areaIndex);
        }
        const AreaRecordComparison c =
            compareAreaRecords(reinterpret_cast<const uchar *>(expected.constData()),
                               reinterpret_cast<const uchar *>(frame.constData()));
        if (!c.zoneParameters.isEmpty())
            parts << pick(m_language, "zone parameters", "区域参数");
        for (int f : c.zoneParameters)
            note(VerifyDifference::Part::ZoneParameters, areaIndex, -1, f,
                 u16(expected, kAreaZoneParameters + 2 * f), u16(frame, kAreaZoneParameters + 2 * f));
        for (int j = 0; j < kOutputCount; ++j) {
            const int shape = kAreaShapeBlock + kAreaShapeBlockSize * j;
            if (c.shapes.contains(j) || c.points.contains(j))
                parts << pick(m_language, "Out%1", "输出%1").arg(j + 1);
            if (c.shapes.contains(j))
                note(VerifyDifference::Part::OutputShape, areaIndex, j, -1, u16(expected, shape),
                     u16(frame, shape));
            if (c.points.contains(j))
                note(VerifyDifference::Part::OutputPoints, areaIndex, j, -1,
                     u16(expected, shape + kShapeCount), u16(frame, shape + kShapeCount));
            if (c.notes.contains(j))
                m_verifyNotes << pick(m_language, "area %1 Out%2", "区域%1 输出%2").arg(areaIndex).arg(j + 1);
        }
        return parts.isEmpty() ? QString()
                               : pick(m_language, "area %1 (%2)", "区域%1（%2）")
                                     .arg(areaIndex)
                                     .arg(parts.join(QStringLiteral(", ")));
    }
    if (code == FrameCode::RCase) {
        for (int i = 0; i < kCaseRecords; ++i) {
            const int at = 5 + kCaseRecordSize * i;
            if (!differs(m_expectedCases, at, at + kCaseRecordSize))
                continue;
            parts << QString::number(i);
            for (int f = 0; f < kCaseRecordSize / 2; ++f)
                if (differs(m_expectedCases, at + 2 * f, at + 2 * f + 2))
                    note(VerifyDifference::Part::CaseChannel, i, -1, f, s16(m_expectedCases, at + 2 * f),
                         s16(frame, at + 2 * f));
        }
        return parts.isEmpty() ? QString()
                               : pick(m_language, "case channels of areas %1", "区域%1的工况通道")
                                     .arg(parts.join(QStringLiteral(", ")));
    }
    for (int k = 0; k < SENSOR_PARAMETERS::kCount; ++k)
        if (differs(m_expectedParameters, 5 + 2 * k, 7 + 2 * k)) {
            parts << QString::number(k);
            note(VerifyDifference::Part::Parameter, -1, -1, k, u16(m_expectedParameters, 5 + 2 * k),
                 u16(frame, 5 + 2 * k));
        }
    return parts.isEmpty()
               ? QString()
               : pick(m_language, "parameters %1", "参数%1").arg(parts.join(QStringLiteral(", ")));
}

// ---- Sending. ----

void ExchangeEngine::sendFrame(Request awaited)
{
    if (awaited != Request::None)
        m_awaited = awaited;
    m_replyTimeout->start(); // (re)start; a failed write shows up as a time-out

    static const QMetaMethod frameSent = QMetaMethod::fromSignal(&ExchangeEngine::FrameSent);
    if (isSignalConnected(frameSent))
        emit FrameSent(m_tx.bytes());

    if (m_link)
        m_link->write(m_tx.constData(), m_tx.length);
}

void ExchangeEngine::sendPlain(Request request, FrameCode code)
{
    buildPlainRequest(m_tx, code);
    sendFrame(request);
}

// The scan stream stops before a sequence so that its packets do not crowd the replies. Also while a
// poll awaits its answer: the request has no reply of its own, and a stream left running behind a
// slow display buried replies under packets.
void ExchangeEngine::stopStream()
{
    if (ethernetLink())
        sendAuto(false);
}

void ExchangeEngine::sendAuto(bool start)
{
    buildAutoRequest(m_tx, start);
    sendFrame(Request::None); // no reply: nothing is awaited, but the time-out runs
}

void ExchangeEngine::writeAreaStep()
{
    if (m_awaited != Request::None)
        return;
    if (m_writeAreaIndex < kAreaCount) {
        const QVector<AREA_DATA> &areas = m_project->Areas;
        const AREA_DATA &area =
            m_writeAreaIndex < areas.size() ? areas[m_writeAreaIndex] : m_project->EmptyArea;
        buildWriteAreaRequest(m_tx, m_writeAreaIndex, area, m_writeDir);
        if (m_writeAreaIndex < m_expectedAreas.size())
            m_expectedAreas[m_writeAreaIndex] = m_tx.bytes();
        sendFrame(Request::WriteAreas);
        progress();
    }
}

void ExchangeEngine::readAreaStep()
{
    if (m_awaited != Request::None)
        return;
    if (m_readAreaIndex <= kMaxAreaIndex) {
        buildReadAreaRequest(m_tx, m_readAreaIndex);
        sendFrame(Request::ReadAreas);
        progress();
    }
}

void ExchangeEngine::sendNextRequest()
{
    // A handler waiting in a message box, or a progress update pumping events, must not see a
    // second request leave behind its back.
    if (m_inScheduler || m_handlerDepth > 0)
        return;
    if (m_sequence != Sequence::None && m_sequenceClock.elapsed() > kSequenceDeadlineMs) {
        finishSequence(
            pick(m_language, "The exchange took too long and was stopped.", "通讯时间过长，已停止。"));
        return;
    }
    if (m_cancelAtBoundary && m_awaited == Request::None) {
        CancelSequence();
        return;
    }
    m_inScheduler = true;
    const bool awaiting = m_awaited != Request::None;
    const bool ether = ethernetLink();
    for (int i = 0; i < kRequestCount; ++i) {
        if (!m_flags[i])
            continue;
        const Request r = Request(i);
        switch (r) {
        case Request::WriteAreas: writeAreaStep(); break;
        case Request::ReadAreas: readAreaStep(); break;
        case Request::Distance:
            if (awaiting)
                break;
            if (ether) {
                sendAuto(true);
                m_flags[i] = false;
            } else {
                sendPlain(r, FrameCode::RScan);
            }
            break;
        case Request::Intensity:
            if (ether)
                m_flags[i] = false;
            else if (!awaiting)
                sendPlain(r, FrameCode::RStre);
            break;
        default:
            if (awaiting)
                break;
            switch (r) {
            case Request::Reboot: sendPlain(r, FrameCode::RBoot); break;
            case Request::ReadParameters: sendPlain(r, FrameCode::RPara); break;
            case Request::ReadCases: sendPlain(r, FrameCode::RCase); break;
            case Request::WriteCases:
                buildWriteCaseRequest(m_tx, m_project->Areas);
                m_expectedCases = m_tx.bytes();
                sendFrame(r);
                break;
            case Request::ProductInfo: sendPlain(r, FrameCode::RPrda); break;
            case Request::WriteParameters:
                buildWriteParametersRequest(m_tx, *m_parameters);
                m_expectedParameters = m_tx.bytes();
                sendFrame(r);
                break;
            case Request::Simulation:
                buildSimulationRequest(m_tx, *m_project);
                sendFrame(r);
                break;
            case Request::ScanControl:
                buildScanControlRequest(m_tx, *m_control);
                sendFrame(r);
                break;
            default: break;
            }
            break;
        }
        break; // the first raised flag decides
    }
    m_inScheduler = false;
}

// ---- Receiving. ----

// A reply counts only for the request awaited; one that answers nothing awaited (a late answer to a
// request already sent again, a reply of another kind) changes nothing, not even the time-out.
bool ExchangeEngine::takeReply(Request request)
{
    if (m_awaited != request)
        return false;
    StopReplyTimeout();
    m_awaited = Request::None;
    return true;
}

// Before an area, parameters or case channels reply is stored: only the awaited one of a running read
// is, and during a verify nothing is stored, the reply is compared instead.
bool ExchangeEngine::storeReply(FrameCode code, const QByteArray &frame)
{
    const Request request = code == FrameCode::RArea   ? Request::ReadAreas
                            : code == FrameCode::RPara ? Request::ReadParameters
                                                       : Request::ReadCases;
    if (m_awaited != request || !m_flags[int(request)])
        return false;
    const int index =
        code == FrameCode::RArea ? areaIndexOfRecord(reinterpret_cast<const uchar *>(frame.constData())) : -1;
    if (code == FrameCode::RArea && index != m_readAreaIndex)
        return false;
    if (m_sequence == Sequence::Verify) {
        const QString difference = compareImage(code, index, frame);
        if (!difference.isEmpty())
            m_differenceTexts << difference;
        return false;
    }
    return true;
}

void ExchangeEngine::rebootReply()
{
    if (!takeReply(Request::Reboot) || !m_flags[int(Request::Reboot)])
        return;
    m_flags[int(Request::Reboot)] = false;
    static const QMetaMethod acknowledged = QMetaMethod::fromSignal(&ExchangeEngine::RebootAcknowledged);
    if (isSignalConnected(acknowledged))
        emit RebootAcknowledged();
    else // nobody follows the restart: say at once that it is under way
        emit Message(MessageKind::Information, pick(m_language, "Message", "提示"),
                     pick(m_language, "Sensor Reboot Complete", "传感器重新启动完成"));
}

void ExchangeEngine::productReply(const ::ProductInfo &info)
{
    if (!takeReply(Request::ProductInfo) || !m_flags[int(Request::ProductInfo)])
        return;
    m_flags[int(Request::ProductInfo)] = false;
    emit ProductInfoReceived(info.SerialNumber);
    m_product = info;
    if (m_modelCheck && m_sequence == Sequence::WriteAll) {
        m_modelCheck = false;
        if (info.ModelCode == m_deviceType) {
            startWriting();
            return;
        }
        static const QMetaMethod otherModel = QMetaMethod::fromSignal(&ExchangeEngine::OtherModelFound);
        if (isSignalConnected(otherModel)) {
            m_modelAnswerPending = true;
            emit OtherModelFound(info.ModelCode, m_deviceType);
        } else {
            refuseOtherModel(info.ModelCode);
        }
        return;
    }
    if (m_productForLog) { // read for a verify's write log: no box
        m_productForLog = false;
        finishWhenReadsDone();
        if (!m_productQuiet)
            return;
    }
    if (m_productQuiet) {
        m_productQuiet = false;
        emit ProductInformationRead(info);
        return;
    }
    emit Message(MessageKind::Information, pick(m_language, "Product Message", "产品信息"),
                 ProductText(info));
}

QString ExchangeEngine::ProductText(const ::ProductInfo &info) const
{
    const DeviceInfo *model = deviceInfo(info.ModelCode);
    const QString modelName = model ? QString::fromLatin1(model->name)
                                    : (pick(m_language, "model code %1", "型号代码 %1")).arg(info.ModelCode);
    return pick(m_language, "Product Name:  %1\nFirmware:  %2\nSerial Number:  %3\nProduction:  %4 - %5 - %6",
                "产品型号:  %1\n固件版本:  %2\n序列号:  %3\n生产日期:  %4年%5月%6日")
        .arg(modelName, QString::number(info.Firmware / 100.0, 'f', 2), QString::number(info.SerialNumber),
             QString::number(info.Year), QString::number(info.Month), QString::number(info.Day));
}

void ExchangeEngine::parametersReply()
{
    if (!takeReply(Request::ReadParameters) || !m_flags[int(Request::ReadParameters)])
        return;
    m_flags[int(Request::ReadParameters)] = false;
    m_parametersDone = true;
    if (m_sequence != Sequence::Verify) {
        // Any non-zero direction means a reversed mounting; hold it as 1 so that the dock, the status
        // label and the mirroring of areas agree (and the next write sends the same mounting back).
        if (m_parameters->SensorInstallDir != 0)
            m_parameters->SensorInstallDir = 1;
        if (m_scan)
            m_scan->InstallDir = m_parameters->SensorInstallDir != 0;
        emit DirChangeSignals(m_parameters->SensorInstallDir != 0);
        emit ReceiveParameters();
    }
    finishWhenReadsDone();
}

void ExchangeEngine::writeParametersReply(int status)
{
    if (!takeReply(Request::WriteParameters) || !m_flags[int(Request::WriteParameters)])
        return;
    m_flags[int(Request::WriteParameters)] = false;
    if (status != 0) {
        finishSequence(pick(m_language, "Parameters rejected: %1", "参数被拒绝：%1")
                           .arg(statusText(FrameCode::WPara, status)),
                       Outcome::Rejected);
        return;
    }
    m_parametersDone = true;
    // The sensor now holds the direction its areas were mirrored for.
    if (m_scan)
        m_scan->InstallDir = m_writeDir;
    emit DirChangeSignals(m_writeDir);
    if (!m_verifyWrites) {
        finishSequence();
        return;
    }
    // Everything acknowledged: read it all back and compare before offering the restart.
    beginVerify(true);
}

void ExchangeEngine::caseReply()
{
    if (!takeReply(Request::ReadCases) || !m_flags[int(Request::ReadCases)])
        return;
    m_flags[int(Request::ReadCases)] = false;
    m_casesDone = true;
    finishWhenReadsDone();
}

void ExchangeEngine::writeCaseReply(int status)
{
    if (!takeReply(Request::WriteCases) || !m_flags[int(Request::WriteCases)])
        return;
    m_flags[int(Request::WriteCases)] = false;
    if (status != 0) {
        finishSequence(pick(m_language, "Case channels rejected: %1", "工况通道被拒绝：%1")
                           .arg(statusText(FrameCode::WCase, status)),
                       Outcome::Rejected);
        return;
    }
    m_casesDone = true;
}

void ExchangeEngine::areaReply(int areaIndex)
{
    // Another area's late answer is not the one awaited: the time-out keeps running for ours.
    if (m_awaited != Request::ReadAreas || (m_flags[int(Request::ReadAreas)] && areaIndex != m_readAreaIndex))
        return;
    takeReply(Request::ReadAreas);
    if (!m_flags[int(Request::ReadAreas)])
        return; // the loop was given up or cancelled meanwhile
    ++m_readAreaIndex;
    m_areasDone = m_readAreaIndex;
    if (m_readAreaIndex > kMaxAreaIndex) {
        m_readAreaIndex = 0;
        m_flags[int(Request::ReadAreas)] = false;
    }
    progress();
    finishWhenReadsDone();
}

void ExchangeEngine::writeAreaReply(int status)
{
    if (!takeReply(Request::WriteAreas) || !m_flags[int(Request::WriteAreas)])
        return;
    if (status == 0) {
        m_unknownAreaStatus = 0;
        ++m_writeAreaIndex;
        m_areasDone = m_writeAreaIndex;
        if (m_writeAreaIndex >= kAreaCount) {
            m_writeAreaIndex = 0;
            m_flags[int(Request::WriteAreas)] = false;
        }
        progress();
    } else if (status == 1 || status == 2) {
        // The sensor wants the whole loop again from area 0, but one that keeps rejecting ends the
        // write-all after a few attempts, with nothing else written.
        if (++m_areaWriteAttempt >= kAreaWriteAttempts) {
            finishSequence(pick(m_language, "Area %1 rejected: %2", "区域%1被拒绝：%2")
                               .arg(m_writeAreaIndex)
                               .arg(statusText(FrameCode::WArea, status)),
                           Outcome::Rejected);
            return;
        }
        m_writeAreaIndex = 0;
        m_areasDone = 0;
        m_unknownAreaStatus = 0;
        progress();
    } else if (++m_unknownAreaStatus >= kUnknownAreaStatusLimit) {
        // The same area is sent again on an unknown status; a sensor that never says more stops it.
        finishSequence(pick(m_language, "Area %1: %2", "区域%1：%2")
                           .arg(m_writeAreaIndex)
                           .arg(statusText(FrameCode::WArea, status)),
                       Outcome::Rejected);
    }
}

void ExchangeEngine::selfCheckReply(const SelfCheckReport &report)
{
    if (!takeReply(Request::Simulation))
        return;
    m_flags[int(Request::Simulation)] = false;
    emit SelfCheckStatus(short(report.Temperature), ushort(report.RotationSpeed), ushort(report.DriveVoltage),
                         ushort(report.SendVoltage), ushort(report.ReceiveVoltage));
    emit IOPortSignals(report.InputPorts, report.OutputPorts, uint(report.Status));
    emit SelfCheckReceived(report);
}

void ExchangeEngine::scanControlReply()
{
    // The time-out is left running here.
    if (m_awaited != Request::ScanControl)
        return;
    m_flags[int(Request::ScanControl)] = false;
    m_awaited = Request::None;
}

void ExchangeEngine::distanceReply()
{
    if (!takeReply(Request::Distance))
        return;
    m_flags[int(Request::Distance)] = false;
    emit ReceiveScanfData();
    static const QMetaMethod revolution = QMetaMethod::fromSignal(&ExchangeEngine::RevolutionReceived);
    if (isSignalConnected(revolution))
        emit RevolutionReceived(
            QVector<quint16>(m_scan->SerialDistance, m_scan->SerialDistance + kSerialBeams),
            QVector<quint16>(m_scan->SerialIntensity, m_scan->SerialIntensity + kSerialBeams));
}

void ExchangeEngine::intensityReply()
{
    if (!takeReply(Request::Intensity))
        return;
    m_flags[int(Request::Intensity)] = false;
    emit ReceiveIntensityData();
}

void ExchangeEngine::revolutions(int completed)
{
    QVector<HisnRevolution> done;
    done.swap(m_completed);
    if (done.size() != completed) {
        for (int i = 0; i < completed; ++i) {
            emit ReceiveScanfData();
            emit ReceiveIntensityData();
        }
        return;
    }
    // One delivery may complete several revolutions while the rings keep only the last one (and the
    // start of the next). Each announcement puts its own revolution in the rings, so a listener that
    // keeps or counts revolutions sees every one once; afterwards the rings are as the stream left them.
    SCAN_DATA &s = *m_scan;
    const int partial = qBound(0, s.EtherIndex, kEtherRing);
    const QVector<quint16> partialDistance(s.EtherDistance, s.EtherDistance + partial);
    const QVector<quint16> partialIntensity(s.EtherIntensity, s.EtherIntensity + partial);
    const quint64 delivery = m_deliveries;
    static const QMetaMethod revolution = QMetaMethod::fromSignal(&ExchangeEngine::RevolutionReceived);
    const bool withData = isSignalConnected(revolution);
    for (const HisnRevolution &r : done) {
        if (withData) {
            emit RevolutionReceived(r.distance, r.intensity);
            if (m_deliveries != delivery)
                return;
        }
        std::copy(r.distance.cbegin(), r.distance.cend(), s.EtherDistance);
        std::copy(r.intensity.cbegin(), r.intensity.cend(), s.EtherIntensity);
        s.EtherCount = r.distance.size();
        emit ReceiveScanfData();
        emit ReceiveIntensityData();
        if (m_deliveries != delivery)
            return; // a listener's event loop took in more of the stream: the rings are its now
    }
    std::copy(partialDistance.cbegin(), partialDistance.cend(), s.EtherDistance);
    std::copy(partialIntensity.cbegin(), partialIntensity.cend(), s.EtherIntensity);
}

// ---- Reply time-out. ----

void ExchangeEngine::replyTimedOut()
{
    // The awaited request leaves again with the next tick; the area loops resend the area they wait for.
    m_awaited = Request::None;
    ++m_timeoutCount;
    if (m_sequence != Sequence::None)
        ++m_sequenceTimeouts;

    if (m_timeoutCount > kTimeoutsBeforeGiveUp) {
        giveUp(pick(m_language, "The sensor did not answer in time. Check the connection.",
                    "读写参数超时,请检查连接"),
               pick(m_language, "The sensor stopped answering.", "传感器停止应答。"));
        return;
    }
    if (m_sequence != Sequence::None && m_sequenceTimeouts > kSequenceTimeoutLimit) {
        StopReplyTimeout();
        finishSequence(
            pick(m_language, "Too many replies were lost (%1); stopped.", "丢失的应答过多（%1次），已停止。")
                .arg(m_sequenceTimeouts));
    }
}

// Cancels all pending work: the running sequence ends with the warning as its message (otherwise the
// warning is a message of its own, if announced), every flag is cleared, the polls stop and the link
// is closed until opened again; the loss is reported with why.
void ExchangeEngine::giveUp(const QString &warning, const QString &why, bool announce)
{
    const bool inSequence = m_sequence != Sequence::None;
    if (inSequence)
        finishSequence(warning, Outcome::GaveUp); // its one message carries the warning
    halt();
    QPointer<ExchangeEngine> alive(this);
    emit ExchangeGaveUp();
    if (!alive)
        return;
    loseLink(why);
    if (!inSequence && announce)
        emit Message(MessageKind::Warning, pick(m_language, "Warning", "警告"), warning);
}
