#include "comm/serial_comm.h"

#include "area/dialogs.h"
#include "area/store/device_type.h"
#include "area/store/project_data.h"
#include "comm/codec/area_codec.h"
#include "comm/codec/crc16.h"
#include "comm/codec/requests.h"
#include "comm/codec/sensor_parameters.h"

#include <QLabel>
#include <QMetaMethod>
#include <QNetworkDatagram>
#include <QPixmap>
#include <QProgressBar>
#include <QProgressDialog>
#include <QSerialPort>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>
#include <algorithm>
#include <cstring>

// Forwards each accepted reply to its handler. Every handler counts as running while it may sit in a
// message box, so the scheduler stays quiet until the user has answered.
class SERIAL_COMM::Sink : public ReplySink {
public:
    explicit Sink(SERIAL_COMM *comm) : c(comm) {}

    bool storeReply(FrameCode code, const QByteArray &frame) override
    {
        return c->acceptReadReply(code, frame);
    }
    void rebootReply() override
    {
        run([&] { c->onReboot(); });
    }
    void productReply(const ::ProductInfo &info) override
    {
        run([&] { c->onProduct(info); });
    }
    void intensityReply() override
    {
        run([&] { c->onIntensity(); });
    }
    void areaReply(int areaIndex) override
    {
        run([&] { c->onArea(areaIndex); });
    }
    void writeAreaReply(int status) override
    {
        run([&] { c->onWriteArea(status); });
    }
    void parametersReply() override
    {
        run([&] { c->onParameters(); });
    }
    void writeParametersReply(int status) override
    {
        run([&] { c->onWriteParameters(status); });
    }
    void caseReply() override
    {
        run([&] { c->onCases(); });
    }
    void writeCaseReply(int status) override
    {
        run([&] { c->onWriteCases(status); });
    }
    void selfCheckReply(const SelfCheckReport &report) override
    {
        run([&] { c->onSelfCheck(report); });
    }
    void scanControlReply() override
    {
        run([&] { c->onScanControl(); });
    }
    void distanceReply() override
    {
        run([&] { c->onDistance(); });
    }
    void revolutions(int completed) override
    {
        run([&] { c->onRevolutions(completed); });
    }

private:
    template <typename F> void run(F f)
    {
        ++c->m_handlerDepth;
        f();
        --c->m_handlerDepth;
    }
    SERIAL_COMM *c;
};

namespace {
enum BoxIcon { Info, Warn, Question };
} // namespace

SERIAL_COMM::SERIAL_COMM(QSerialPort *serialPort, SCAN_DATA *scanStore, PROJECT_DATA *projectStore,
                         SENSOR_PARAMETERS *parameters, SENSOR_CONTROL *scanControl, QTcpSocket *tcpSocket,
                         QUdpSocket *udpSocket, QObject *parent)
    : QObject(parent), m_serial(serialPort), m_scan(scanStore), m_project(projectStore),
      m_parameters(parameters), m_control(scanControl), m_tcp(tcpSocket), m_udp(udpSocket),
      m_sink(new Sink(this))
{
    m_distancePoll = new QTimer(this);
    m_intensityPoll = new QTimer(this);
    m_simulationPoll = new QTimer(this);
    m_replyTimeout = new QTimer(this);
    m_scheduler = new QTimer(this);

    // Closed at start: no parent, application-modal, the sensor picture as its label. Its Cancel
    // stops the running sequence; it never closes or resets the dialog by itself.
    m_progress = new QProgressDialog();
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setWindowModality(Qt::ApplicationModal);
    auto *label = new QLabel(m_progress);
    label->setPixmap(QPixmap(QStringLiteral(":images/ConnectSensor")));
    m_progress->setLabel(label);
    auto *bar = new QProgressBar(m_progress);
    bar->setTextVisible(true);
    m_progress->setBar(bar);
    m_progress->setRange(0, kAreaCount);
    disconnect(m_progress, &QProgressDialog::canceled, m_progress, &QProgressDialog::cancel);
    connect(m_progress, &QProgressDialog::canceled, this, &SERIAL_COMM::CancelSequence);
    m_progress->reset(); // also stops the dialog's own show-after-4-seconds timer
    m_progress->hide();

    m_replyTimeout->setInterval(kReplyTimeoutMs);
    m_scheduler->start(kSchedulerMs);

    connect(m_distancePoll, &QTimer::timeout, this, &SERIAL_COMM::ReadScanfTime);
    connect(m_intensityPoll, &QTimer::timeout, this, &SERIAL_COMM::ReadIntensityTime);
    connect(m_simulationPoll, &QTimer::timeout, this, &SERIAL_COMM::ReadSimulationTime);
    connect(m_replyTimeout, &QTimer::timeout, this, &SERIAL_COMM::ReadWriteOverTime);
    connect(m_scheduler, &QTimer::timeout, this, &SERIAL_COMM::SerialPortSendData);
    if (m_serial)
        connect(m_serial, &QIODevice::readyRead, this, &SERIAL_COMM::SerialPortReceiveData);
    if (m_tcp)
        connect(m_tcp, &QIODevice::readyRead, this, &SERIAL_COMM::SerialPortReceiveData);
    if (m_udp)
        connect(m_udp, &QIODevice::readyRead, this, &SERIAL_COMM::SerialPortReceiveData);

    if (m_scan)
        m_scan->InstallDir = false;
}

SERIAL_COMM::~SERIAL_COMM()
{
    delete m_progress;
    delete m_sink;
}

// ---- Small helpers. ----

QString SERIAL_COMM::text(const char *english, const char *chinese) const
{
    return m_language == 1 ? QString::fromUtf8(chinese) : QString::fromUtf8(english);
}

void SERIAL_COMM::postBox(int icon, const QString &title, const QString &body, const QStringList &buttons,
                          std::function<void(int)> answered)
{
    const Dialogs::Icon i = icon == Warn       ? Dialogs::Icon::Warning
                            : icon == Question ? Dialogs::Icon::Question
                                               : Dialogs::Icon::Information;
    QTimer::singleShot(0, this, [=] { Dialogs::show(nullptr, i, title, body, buttons, answered); });
}

void SERIAL_COMM::SetLanguage(int language)
{
    m_language = language == 1 ? 1 : 0;
}

void SERIAL_COMM::SetDeviceType(int code)
{
    if (const DeviceInfo *info = deviceInfo(code))
        m_rangeLimit = info->rangeLimit;
}

void SERIAL_COMM::SetUdpPeer(const QHostAddress &address, quint16 port)
{
    m_udpPeer = address;
    m_udpPeerPort = port;
}

bool SERIAL_COMM::AnyRequestRaised() const
{
    for (bool f : m_flags)
        if (f)
            return true;
    return false;
}

bool SERIAL_COMM::ReplyTimeoutActive() const
{
    return m_replyTimeout->isActive();
}
bool SERIAL_COMM::DistancePollActive() const
{
    return m_distancePoll->isActive();
}
bool SERIAL_COMM::IntensityPollActive() const
{
    return m_intensityPoll->isActive();
}
bool SERIAL_COMM::SimulationPollActive() const
{
    return m_simulationPoll->isActive();
}

void SERIAL_COMM::closeProgress()
{
    m_progress->reset();
    m_progress->hide();
}

void SERIAL_COMM::showProgress(const char *english, const char *chinese)
{
    m_progress->setWindowTitle(text(english, chinese));
    m_progress->setCancelButtonText(text("Cancel", "取消"));
    if (QProgressBar *bar = m_progress->findChild<QProgressBar *>())
        bar->setFormat(text("Area %v of %m", "区域 %v / %m"));
    if (!m_progress->isVisible()) {
        m_progress->setValue(0);
        m_progress->show();
    }
}

// The progress value pumps events in a modal dialog: callers have settled their state first.
void SERIAL_COMM::setProgress(int done)
{
    if (m_progress->isVisible())
        m_progress->setValue(qBound(0, done, kAreaCount));
}

// ---- Operations of the main window. ----

void SERIAL_COMM::StopReplyTimeout()
{
    m_replyTimeout->stop();
    m_timeoutCount = 0;
}

void SERIAL_COMM::AbandonExchange()
{
    StopReplyTimeout();
    m_awaited = Request::None;
    for (bool &f : m_flags)
        f = false;
    m_readAreaIndex = 0;
    m_writeAreaIndex = 0;
    m_areaWriteAttempt = 0;
    m_unknownAreaStatus = 0;
    m_sequence = Sequence::None;
    m_productQuiet = false;
    m_productForLog = false;
    ++m_epoch;
    closeProgress();
}

void SERIAL_COMM::CloseSerialPortSlots()
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

void SERIAL_COMM::OpenSendReadScanf()
{
    m_distancePoll->setInterval(m_scan && m_scan->ConnectType == 1 ? kEtherScanPollMs : kSerialScanPollMs);
    m_distancePoll->start();
}

void SERIAL_COMM::CloseSendReadScanf()
{
    m_distancePoll->stop();
}

void SERIAL_COMM::OpenSendReadIntensity()
{
    // Over Ethernet the intensities come with the scan stream.
    if (m_scan && m_scan->ConnectType == 1)
        return;
    m_intensityPoll->setInterval(kIntensityPollMs);
    m_intensityPoll->start();
}

void SERIAL_COMM::CloseSendReadIntensity()
{
    m_intensityPoll->stop();
}

void SERIAL_COMM::OpenSendReadSimulation()
{
    m_simulationPoll->setInterval(kSimulationPollMs);
    m_simulationPoll->start();
}

void SERIAL_COMM::CloseSendReadSimulation()
{
    m_simulationPoll->stop();
}

void SERIAL_COMM::ReadScanfTime()
{
    m_flags[int(Request::Distance)] = true;
}
void SERIAL_COMM::ReadIntensityTime()
{
    m_flags[int(Request::Intensity)] = true;
}

void SERIAL_COMM::ReadSimulationTime()
{
    m_flags[int(Request::Simulation)] = true;
    if (m_control && m_control->Enable)
        m_flags[int(Request::ScanControl)] = true;
}

void SERIAL_COMM::SensorRebootSlots()
{
    m_flags[int(Request::Reboot)] = true;
}
void SERIAL_COMM::SensorInformationSlots()
{
    m_flags[int(Request::ProductInfo)] = true;
    m_productQuiet = false;
}

void SERIAL_COMM::ConfirmSensorSlots()
{
    if (!m_flags[int(Request::ProductInfo)] || m_productForLog)
        m_productQuiet = true;
    m_flags[int(Request::ProductInfo)] = true;
}

void SERIAL_COMM::ReadSensorAllDataSlots()
{
    if (m_sequence != Sequence::None)
        return; // one sequence at a time; pressing again joins the running one
    stopStream();
    beginSequence(Sequence::ReadAll);
    m_flags[int(Request::ReadAreas)] = true;
    m_flags[int(Request::ReadCases)] = true;
    m_flags[int(Request::ReadParameters)] = true;
}

void SERIAL_COMM::ReadSensorParametersSlots()
{
    stopStream();
    m_flags[int(Request::ReadParameters)] = true;
}

void SERIAL_COMM::WriteSensorAllDataSlots()
{
    if (m_sequence != Sequence::None)
        return;
    if (!checkWriteFits())
        return; // nothing sent
    stopStream();
    beginSequence(Sequence::WriteAll);
    // The areas are mirrored for the direction the parameters will carry: the dock's, not the last read.
    m_writeDir = m_parameters->SensorInstallDir != 0;
    m_areaWriteAttempt = 0;
    m_unknownAreaStatus = 0;
    m_expectedAreas = QVector<QByteArray>(kAreaCount);
    m_flags[int(Request::WriteAreas)] = true;
    m_flags[int(Request::WriteCases)] = true;
    m_flags[int(Request::WriteParameters)] = true;
}

void SERIAL_COMM::VerifySensorDataSlots()
{
    if (m_sequence != Sequence::None)
        return;
    stopStream();
    m_writeDir = m_parameters->SensorInstallDir != 0;
    prepareVerifyImages();
    beginSequence(Sequence::Verify);
    m_verifyAfterWrite = false;
    m_flags[int(Request::ReadParameters)] = true;
    m_flags[int(Request::ReadCases)] = true;
    m_flags[int(Request::ReadAreas)] = true;
    m_productForLog = true; // for the write log
    m_flags[int(Request::ProductInfo)] = true;
}

void SERIAL_COMM::CancelSequence()
{
    if (m_sequence == Sequence::None) {
        closeProgress();
        return;
    }
    finishSequence(text("Cancelled.", "已取消。"));
}

// ---- Sequences. ----

void SERIAL_COMM::beginSequence(Sequence sequence)
{
    m_sequence = sequence;
    m_sequenceClock.start();
    m_sequenceTimeouts = 0;
    m_areasDone = 0;
    m_casesDone = false;
    m_parametersDone = false;
    m_readAreaIndex = 0;
    m_writeAreaIndex = 0;
    m_differences.clear();
}

void SERIAL_COMM::finishWhenReadsDone()
{
    if (m_sequence != Sequence::ReadAll && m_sequence != Sequence::Verify)
        return;
    if (m_flags[int(Request::ReadParameters)] || m_flags[int(Request::ReadCases)] ||
        m_flags[int(Request::ReadAreas)] || (m_productForLog && m_flags[int(Request::ProductInfo)]))
        return;
    finishSequence();
}

QString SERIAL_COMM::statusText(FrameCode code, int status) const
{
    if (status == 1)
        return code == FrameCode::WArea
                   ? text("Parameters Setting Error.Please restart.", "参数设置异常，请重启恢复初始参数。")
                   : text("Parameters Setting Error", "参数设置异常");
    if (status == 2)
        return text("FLASH Write Error", "内存写入错误");
    return text("unknown status %1", "未知状态%1").arg(status);
}

namespace {
// "12" or "12–63".
QString areaSpan(int first, int last)
{
    return first == last ? QString::number(first) : QStringLiteral("%1–%2").arg(first).arg(last);
}
} // namespace

// Ends the running sequence with one message: what was done and, when problem is set, what was not.
void SERIAL_COMM::finishSequence(const QString &problem)
{
    const Sequence sequence = m_sequence;
    if (sequence == Sequence::None)
        return;
    m_sequence = Sequence::None;
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
    closeProgress();

    QStringList missing;
    if (firstMissing < kAreaCount)
        missing << (reading ? (sequence == Sequence::ReadAll
                                   ? text("Areas %1 not read (marked red in the area list).",
                                          "区域%1未读取（在区域列表中以红色标出）。")
                                   : text("Areas %1 not read back.", "区域%1未回读。"))
                            : text("Areas %1 not written.", "区域%1未写入。"))
                       .arg(areaSpan(firstMissing, kMaxAreaIndex));
    if (!m_casesDone)
        missing << (reading ? text("Case channels not read.", "工况通道未读取。")
                            : text("Case channels not written.", "工况通道未写入。"));
    if (!m_parametersDone)
        missing << (reading ? text("Parameters not read.", "参数未读取。")
                            : text("Parameters not written.", "参数未写入。"));
    const bool complete = problem.isEmpty() && missing.isEmpty();
    const QString failure = QStringList(QStringList{problem} + missing).join(QLatin1Char('\n')).trimmed();
    const QString warningTitle = text("Warning", "警告");

    if (sequence == Sequence::ReadAll) {
        if (m_areasDone > 0)
            emit ReceiveAreasComplete(); // the editors show what was stored
        QVector<int> notRead;
        for (int i = firstMissing; i < kAreaCount; ++i)
            notRead << i;
        emit AreasNotRead(notRead);
        if (complete)
            postBox(Info, text("Parameters", "参数"), text("Parameters Read OK!", "参数读取完成！"));
        else
            postBox(Warn, warningTitle, failure);
        return;
    }
    if (sequence == Sequence::WriteAll) {
        // A write-all that completed has turned into its verify; here it failed. No restart offer.
        postBox(Warn, text("Message", "错误"), failure);
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
    QString result;
    const bool match = complete && m_differences.isEmpty();
    if (match) {
        result = text("Verified: 64 areas, case channels and 25 parameters match",
                      "校验通过：64个区域、工况通道和25个参数一致");
    } else if (complete) {
        result = text("Verify found differences: %1", "校验发现差异：%1")
                     .arg(m_differences.join(QStringLiteral(", ")));
    } else {
        result = failure;
        if (!m_differences.isEmpty())
            result += QLatin1Char('\n') + text("Verify found differences: %1", "校验发现差异：%1")
                                              .arg(m_differences.join(QStringLiteral(", ")));
    }
    emit VerifyFinished(afterWrite, match, crc, result);
    if (match && afterWrite) {
        const quint64 epoch = m_epoch;
        postBox(Question, text("Message", "提示"),
                text("Parameters Write Complete.Please restart.", "参数写入完成，请重启生效！") +
                    QLatin1Char('\n') + result + QLatin1Char('\n') +
                    text("Do you restart?", "是否重启传感器?"),
                {text("Yes", "确定"), text("No", "取消")}, [this, epoch](int answer) {
                    // A connection closed while the question was open must not leave a reboot behind.
                    if (answer == 0 && epoch == m_epoch)
                        m_flags[int(Request::Reboot)] = true;
                });
    } else if (match) {
        postBox(Info, text("Message", "提示"), result);
    } else {
        if (afterWrite)
            result = text("The sensor does not hold what was written.", "传感器保存的数据与写入的不一致。") +
                     QLatin1Char('\n') + result;
        postBox(Warn, warningTitle, result);
    }
}

// ---- Write-time fit check. ----

bool SERIAL_COMM::checkWriteFits()
{
    const QVector<AreaFitProblem> problems = checkAreasFit(m_project->Areas, m_rangeLimit);
    QStringList errors;
    QStringList warnings;
    for (const AreaFitProblem &p : problems) {
        const QString where = text("Area %1 Out%2: ", "区域%1 输出%2：").arg(p.area).arg(p.output + 1);
        switch (p.kind) {
        case AreaFitProblem::TooManyPoints:
            errors << where + text("%1 points, the sensor holds at most 100", "%1个点，传感器最多保存100个")
                                  .arg(p.value);
            break;
        case AreaFitProblem::BeyondWire:
            errors << where +
                          text("coordinate %1 mm beyond ±32,767 mm", "坐标%1 mm超出±32767 mm").arg(p.value);
            break;
        case AreaFitProblem::BadParameter:
            errors << where + text("shape parameter %1 outside 0 to 65,535", "形状参数%1超出0到65535")
                                  .arg(p.value);
            break;
        case AreaFitProblem::RadiusTooLarge:
            errors << where +
                          text("arc radius %1 mm beyond 65,535 mm", "圆弧半径%1 mm超出65535 mm").arg(p.value);
            break;
        case AreaFitProblem::ArcPointCount:
            errors << where +
                          text("an arc needs two points, not %1", "圆弧需要两个点，而不是%1个").arg(p.value);
            break;
        case AreaFitProblem::BeyondRange: warnings << where + text("%1 mm", "%1 mm").arg(p.value); break;
        }
    }
    if (!errors.isEmpty()) {
        Dialogs::ask(nullptr, Dialogs::Icon::Warning, text("Warning", "警告"),
                     text("Nothing was written: these areas do not fit what the sensor can hold.",
                          "未写入任何数据：以下区域超出传感器可保存的范围。") +
                         QLatin1Char('\n') + errors.join(QLatin1Char('\n')));
        return false;
    }
    if (!warnings.isEmpty()) {
        const int answer = Dialogs::ask(
            nullptr, Dialogs::Icon::Question, text("Warning", "警告"),
            text("These points lie beyond the range of the selected model (%1 mm). Write anyway?",
                 "以下点超出所选型号的测量范围（%1 mm）。仍然写入吗？")
                    .arg(m_rangeLimit) +
                QLatin1Char('\n') + warnings.join(QLatin1Char('\n')),
            {text("Yes", "确定"), text("No", "取消")}, 1);
        return answer == 0;
    }
    return true;
}

// ---- Verify. ----

void SERIAL_COMM::prepareVerifyImages()
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
QString SERIAL_COMM::compareImage(FrameCode code, int areaIndex, const QByteArray &frame) const
{
    auto differs = [&](const QByteArray &expected, int from, int to) {
        return expected.size() < to || frame.size() < to ||
               std::memcmp(expected.constData() + from, frame.constData() + from, size_t(to - from)) != 0;
    };
    QStringList parts;
    if (code == FrameCode::RArea) {
        const QByteArray &expected = m_expectedAreas.value(areaIndex);
        if (differs(expected, 6, 14))
            parts << text("zone parameters", "区域参数");
        for (int j = 0; j < kOutputCount; ++j)
            if (differs(expected, kAreaShapeBlock + 16 * j, kAreaShapeBlock + 16 * (j + 1)) ||
                differs(expected, kAreaPointBlock + 400 * j, kAreaPointBlock + 400 * (j + 1)))
                parts << text("Out%1", "输出%1").arg(j + 1);
        return parts.isEmpty() ? QString()
                               : text("area %1 (%2)", "区域%1（%2）")
                                     .arg(areaIndex)
                                     .arg(parts.join(QStringLiteral(", ")));
    }
    if (code == FrameCode::RCase) {
        for (int i = 0; i < kCaseRecords; ++i)
            if (differs(m_expectedCases, 5 + kCaseRecordSize * i, 5 + kCaseRecordSize * (i + 1)))
                parts << QString::number(i);
        return parts.isEmpty() ? QString()
                               : text("case channels of areas %1", "区域%1的工况通道")
                                     .arg(parts.join(QStringLiteral(", ")));
    }
    for (int k = 0; k < SENSOR_PARAMETERS::kCount; ++k)
        if (differs(m_expectedParameters, 5 + 2 * k, 7 + 2 * k))
            parts << QString::number(k);
    return parts.isEmpty() ? QString()
                           : text("parameters %1", "参数%1").arg(parts.join(QStringLiteral(", ")));
}

// ---- Sending. ----

QIODevice *SERIAL_COMM::activeTransport() const
{
    if (!m_scan || m_scan->ConnectType == 0)
        return m_serial;
    if (m_scan->EtherMode == 0)
        return m_tcp;
    return m_udp;
}

void SERIAL_COMM::sendFrame(Request awaited)
{
    if (awaited != Request::None)
        m_awaited = awaited;
    m_replyTimeout->start(); // (re)start; a failed write shows up as a time-out

    static const QMetaMethod frameSent = QMetaMethod::fromSignal(&SERIAL_COMM::FrameSent);
    if (isSignalConnected(frameSent))
        emit FrameSent(m_tx.bytes());

    QIODevice *device = activeTransport();
    if (!device || !device->isOpen())
        return;
    if (device == m_udp && m_udp->state() != QAbstractSocket::ConnectedState) {
        if (!m_udpPeer.isNull())
            m_udp->writeDatagram(m_tx.constData(), m_tx.length, m_udpPeer, m_udpPeerPort);
        return;
    }
    device->write(m_tx.constData(), m_tx.length);
}

void SERIAL_COMM::sendPlain(Request request, FrameCode code)
{
    buildPlainRequest(m_tx, code);
    sendFrame(request);
}

// The scan stream stops before a sequence so that its packets do not crowd the replies. Also while a
// poll awaits its answer: the request has no reply of its own, and a stream left running behind a
// slow display buried replies under packets.
void SERIAL_COMM::stopStream()
{
    if (m_scan && m_scan->ConnectType == 1)
        sendAuto(false);
}

void SERIAL_COMM::sendAuto(bool start)
{
    buildAutoRequest(m_tx, start);
    sendFrame(Request::None); // no reply: nothing is awaited, but the time-out runs
}

void SERIAL_COMM::writeAreaStep()
{
    if (m_awaited != Request::None)
        return;
    if (m_writeAreaIndex < kAreaCount) {
        showProgress("Download Data", "下载数据");
        const QVector<AREA_DATA> &areas = m_project->Areas;
        const AREA_DATA &area =
            m_writeAreaIndex < areas.size() ? areas[m_writeAreaIndex] : m_project->EmptyArea;
        buildWriteAreaRequest(m_tx, m_writeAreaIndex, area, m_writeDir);
        if (m_writeAreaIndex < m_expectedAreas.size())
            m_expectedAreas[m_writeAreaIndex] = m_tx.bytes();
        sendFrame(Request::WriteAreas);
    }
}

void SERIAL_COMM::readAreaStep()
{
    if (m_awaited != Request::None)
        return;
    if (m_readAreaIndex <= kMaxAreaIndex) {
        buildReadAreaRequest(m_tx, m_readAreaIndex);
        sendFrame(Request::ReadAreas);
        if (m_sequence == Sequence::Verify)
            showProgress("Verify", "校验");
        else
            showProgress("Upload Data", "上传数据");
    }
}

void SERIAL_COMM::SerialPortSendData()
{
    // A handler waiting in a message box, or a progress update pumping events, must not see a
    // second request leave behind its back.
    if (m_inScheduler || m_handlerDepth > 0)
        return;
    if (m_sequence != Sequence::None && m_sequenceClock.elapsed() > kSequenceDeadlineMs) {
        finishSequence(text("The exchange took too long and was stopped.", "通讯时间过长，已停止。"));
        return;
    }
    m_inScheduler = true;
    const bool awaiting = m_awaited != Request::None;
    const bool ether = m_scan && m_scan->ConnectType == 1;
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

void SERIAL_COMM::SerialPortReceiveData()
{
    QIODevice *device = activeTransport();
    if (!device || !device->isOpen())
        return;
    QByteArray bytes;
    if (device == m_udp) {
        while (m_udp->hasPendingDatagrams())
            bytes += m_udp->receiveDatagram().data();
    } else {
        bytes = device->readAll();
    }
    if (bytes.isEmpty())
        return;

    ReplyContext ctx;
    ctx.scan = m_scan;
    ctx.areas = &m_project->Areas;
    ctx.parameters = m_parameters;
    ctx.hisn = &m_hisn;
    ctx.revolutions = &m_completed;
    ctx.rangeLimit = m_rangeLimit;
    ++m_deliveries;
    receiveDelivery(m_rx, bytes, ctx, *m_sink);
}

void SERIAL_COMM::replyArrived()
{
    m_replyTimeout->stop();
    m_timeoutCount = 0;
}

// A reply counts only for the request awaited; one that answers nothing awaited (a late answer to a
// request already sent again, a reply of another kind) changes nothing, not even the time-out.
bool SERIAL_COMM::takeReply(Request request)
{
    if (m_awaited != request)
        return false;
    replyArrived();
    m_awaited = Request::None;
    return true;
}

// Before an area, parameters or case channels reply is stored: only the awaited one of a running read
// is, and during a verify nothing is stored, the reply is compared instead.
bool SERIAL_COMM::acceptReadReply(FrameCode code, const QByteArray &frame)
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
            m_differences << difference;
        return false;
    }
    return true;
}

void SERIAL_COMM::onReboot()
{
    if (!takeReply(Request::Reboot) || !m_flags[int(Request::Reboot)])
        return;
    m_flags[int(Request::Reboot)] = false;
    static const QMetaMethod acknowledged = QMetaMethod::fromSignal(&SERIAL_COMM::RebootAcknowledged);
    if (isSignalConnected(acknowledged))
        emit RebootAcknowledged();
    else
        postBox(Info, text("Message", "提示"), text("Sensor Reboot Complete", "传感器重新启动完成"));
}

void SERIAL_COMM::onProduct(const ::ProductInfo &info)
{
    if (!takeReply(Request::ProductInfo) || !m_flags[int(Request::ProductInfo)])
        return;
    m_flags[int(Request::ProductInfo)] = false;
    emit ProductInfoReceived(info.SerialNumber);
    m_product = info;
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
    const QString modelName; // the sensor's model code has no name of its own here
    const QString firmware = QString::number(info.Firmware / 100.0, 'f', 2);
    QString body;
    if (m_language == 1) {
        body = QStringLiteral("产品型号:  ") + modelName + QLatin1Char('\n') + QStringLiteral("固件版本:  ") +
               firmware + QLatin1Char('\n') + QStringLiteral("串行编号:  ") +
               QString::number(info.SerialNumber) + QLatin1Char('\n') + QStringLiteral("生产日期:  ") +
               QString::number(info.Year) + QStringLiteral("年") + QString::number(info.Month) +
               QStringLiteral("月") + QString::number(info.Day) + QStringLiteral("日");
    } else {
        body = QStringLiteral("Product Name:  ") + modelName + QLatin1Char('\n') +
               QStringLiteral("Firmware:  ") + firmware + QLatin1Char('\n') +
               QStringLiteral("SerialNumber:  ") + QString::number(info.SerialNumber) + QLatin1Char('\n') +
               QStringLiteral("Production:  ") + QString::number(info.Year) + QStringLiteral(" - ") +
               QString::number(info.Month) + QStringLiteral(" - ") + QString::number(info.Day);
    }
    postBox(Info, text("Product Message", "产品信息"), body);
}

void SERIAL_COMM::onParameters()
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

void SERIAL_COMM::onWriteParameters(int status)
{
    if (!takeReply(Request::WriteParameters) || !m_flags[int(Request::WriteParameters)])
        return;
    m_flags[int(Request::WriteParameters)] = false;
    if (status != 0) {
        finishSequence(
            text("Parameters rejected: %1", "参数被拒绝：%1").arg(statusText(FrameCode::WPara, status)));
        return;
    }
    m_parametersDone = true;
    // The sensor now holds the direction its areas were mirrored for.
    if (m_scan)
        m_scan->InstallDir = m_writeDir;
    emit DirChangeSignals(m_writeDir);
    // Everything acknowledged: read it all back and compare before offering the restart.
    beginSequence(Sequence::Verify);
    m_verifyAfterWrite = true;
    m_flags[int(Request::ReadParameters)] = true;
    m_flags[int(Request::ReadCases)] = true;
    m_flags[int(Request::ReadAreas)] = true;
    m_productForLog = true;
    m_flags[int(Request::ProductInfo)] = true;
}

void SERIAL_COMM::onCases()
{
    if (!takeReply(Request::ReadCases) || !m_flags[int(Request::ReadCases)])
        return;
    m_flags[int(Request::ReadCases)] = false;
    m_casesDone = true;
    finishWhenReadsDone();
}

void SERIAL_COMM::onWriteCases(int status)
{
    if (!takeReply(Request::WriteCases) || !m_flags[int(Request::WriteCases)])
        return;
    m_flags[int(Request::WriteCases)] = false;
    if (status != 0) {
        finishSequence(text("Case channels rejected: %1", "工况通道被拒绝：%1")
                           .arg(statusText(FrameCode::WCase, status)));
        return;
    }
    m_casesDone = true;
}

void SERIAL_COMM::onArea(int areaIndex)
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
    setProgress(m_areasDone);
    finishWhenReadsDone();
}

void SERIAL_COMM::onWriteArea(int status)
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
        setProgress(m_areasDone);
    } else if (status == 1 || status == 2) {
        // The sensor wants the whole loop again from area 0, but one that keeps rejecting ends the
        // write-all after a few attempts, with nothing else written.
        if (++m_areaWriteAttempt >= kAreaWriteAttempts) {
            finishSequence(text("Area %1 rejected: %2", "区域%1被拒绝：%2")
                               .arg(m_writeAreaIndex)
                               .arg(statusText(FrameCode::WArea, status)));
            return;
        }
        m_writeAreaIndex = 0;
        m_areasDone = 0;
        m_unknownAreaStatus = 0;
        setProgress(0);
    } else if (++m_unknownAreaStatus >= kUnknownAreaStatusLimit) {
        // The same area is sent again on an unknown status; a sensor that never says more stops it.
        finishSequence(text("Area %1: %2", "区域%1：%2")
                           .arg(m_writeAreaIndex)
                           .arg(statusText(FrameCode::WArea, status)));
    }
}

void SERIAL_COMM::onSelfCheck(const SelfCheckReport &report)
{
    if (!takeReply(Request::Simulation))
        return;
    m_flags[int(Request::Simulation)] = false;
    emit SelfCheckStatus(short(report.Temperature), ushort(report.RotationSpeed), ushort(report.DriveVoltage),
                         ushort(report.SendVoltage), ushort(report.ReceiveVoltage));
    emit IOPortSignals(report.InputPorts, report.OutputPorts, uint(report.Status));
}

void SERIAL_COMM::onScanControl()
{
    // The time-out is left running here.
    if (m_awaited != Request::ScanControl)
        return;
    m_flags[int(Request::ScanControl)] = false;
    m_awaited = Request::None;
}

void SERIAL_COMM::onDistance()
{
    if (!takeReply(Request::Distance))
        return;
    m_flags[int(Request::Distance)] = false;
    emit ReceiveScanfData();
}

void SERIAL_COMM::onIntensity()
{
    if (!takeReply(Request::Intensity))
        return;
    m_flags[int(Request::Intensity)] = false;
    emit ReceiveIntensityData();
}

void SERIAL_COMM::onRevolutions(int completed)
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
    for (const HisnRevolution &r : done) {
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

void SERIAL_COMM::ReadWriteOverTime()
{
    // The awaited request leaves again with the next tick; the area loops resend the area they wait for.
    m_awaited = Request::None;
    ++m_timeoutCount;
    if (m_sequence != Sequence::None)
        ++m_sequenceTimeouts;

    if (m_timeoutCount > kTimeoutsBeforeGiveUp) {
        m_timeoutCount = 0;
        const QString warning =
            text("The sensor did not answer in time. Check the connection.", "读写参数超时,请检查连接");
        const bool inSequence = m_sequence != Sequence::None;
        if (inSequence)
            finishSequence(warning); // its one message carries the warning
        for (bool &f : m_flags)
            f = false;
        m_productForLog = false;
        m_distancePoll->stop();
        m_intensityPoll->stop();
        m_simulationPoll->stop();
        m_replyTimeout->stop();
        closeProgress();
        emit ExchangeGaveUp();
        if (!inSequence)
            postBox(Warn, text("Warning", "警告"), warning);
        return;
    }
    if (m_sequence != Sequence::None && m_sequenceTimeouts > kSequenceTimeoutLimit) {
        m_replyTimeout->stop();
        m_timeoutCount = 0;
        finishSequence(text("Too many replies were lost (%1); stopped.", "丢失的应答过多（%1次），已停止。")
                           .arg(m_sequenceTimeouts));
    }
}
