#include "comm/serial_comm.h"

#include "area/dialogs.h"
#include "area/store/device_type.h"
#include "area/store/project_data.h"
#include "comm/codec/area_codec.h"
#include "comm/codec/requests.h"
#include "comm/codec/sensor_parameters.h"

#include <QLabel>
#include <QMetaMethod>
#include <QNetworkDatagram>
#include <QPixmap>
#include <QProgressDialog>
#include <QSerialPort>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

// Forwards each accepted reply to its handler. Every handler counts as running while it may sit in a
// message box, so the scheduler stays quiet until the user has answered.
class SERIAL_COMM::Sink : public ReplySink {
public:
    explicit Sink(SERIAL_COMM *comm) : c(comm) {}

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

    // Closed at start: no parent, application-modal, no cancel, the sensor picture as its label.
    m_progress = new QProgressDialog();
    m_progress->setRange(0, kAreaCount);
    m_progress->setCancelButton(nullptr);
    m_progress->setWindowModality(Qt::ApplicationModal);
    auto *label = new QLabel(m_progress);
    label->setPixmap(QPixmap(QStringLiteral(":images/ConnectSensor")));
    m_progress->setLabel(label);
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

int SERIAL_COMM::showBox(int icon, const QString &title, const QString &body, const QStringList &buttons)
{
    Dialogs::Icon i = icon == Warn       ? Dialogs::Icon::Warning
                      : icon == Question ? Dialogs::Icon::Question
                                         : Dialogs::Icon::Information;
    return Dialogs::ask(nullptr, i, title, body, buttons, 0);
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
    if (!m_progress->isVisible())
        m_progress->show();
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
    m_productQuiet = false;
    ++m_epoch;
    closeProgress();
}

void SERIAL_COMM::CloseSerialPortSlots()
{
    m_rx.clear();
    m_hisn.reset();
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
    if (!m_flags[int(Request::ProductInfo)])
        m_productQuiet = true;
    m_flags[int(Request::ProductInfo)] = true;
}

void SERIAL_COMM::ReadSensorAllDataSlots()
{
    // Stop the scan stream first so that its packets do not crowd the replies.
    if (m_scan && m_scan->ConnectType == 1 && m_awaited == Request::None)
        sendAuto(false);
    m_flags[int(Request::ReadAreas)] = true;
    m_flags[int(Request::ReadCases)] = true;
    m_flags[int(Request::ReadParameters)] = true;
}

void SERIAL_COMM::ReadSensorParametersSlots()
{
    if (m_scan && m_scan->ConnectType == 1 && m_awaited == Request::None)
        sendAuto(false);
    m_flags[int(Request::ReadParameters)] = true;
}

void SERIAL_COMM::WriteSensorAllDataSlots()
{
    if (m_scan && m_scan->ConnectType == 1 && m_awaited == Request::None)
        sendAuto(false);
    if (!m_flags[int(Request::WriteAreas)]) {
        m_areaWriteAttempt = 0;
        m_unknownAreaStatus = 0;
    }
    m_flags[int(Request::WriteAreas)] = true;
    m_flags[int(Request::WriteCases)] = true;
    m_flags[int(Request::WriteParameters)] = true;
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
    ++m_sendSerial;

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
        buildWriteAreaRequest(m_tx, m_writeAreaIndex, area, m_scan && m_scan->InstallDir);
        sendFrame(Request::WriteAreas);
    } else {
        m_writeAreaIndex = 0;
    }
}

void SERIAL_COMM::readAreaStep()
{
    if (m_awaited != Request::None)
        return;
    if (m_readAreaIndex <= kMaxAreaIndex) {
        buildReadAreaRequest(m_tx, m_readAreaIndex);
        sendFrame(Request::ReadAreas);
        showProgress("Upload Data", "上传数据");
    }
}

void SERIAL_COMM::SerialPortSendData()
{
    // A handler waiting in a message box, or a progress update pumping events, must not see a
    // second request leave behind its back.
    if (m_inScheduler || m_handlerDepth > 0)
        return;
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
                sendFrame(r);
                break;
            case Request::ProductInfo: sendPlain(r, FrameCode::RPrda); break;
            case Request::WriteParameters:
                buildWriteParametersRequest(m_tx, *m_parameters);
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
    ctx.rangeLimit = m_rangeLimit;
    receiveDelivery(m_rx, bytes, ctx, *m_sink);
}

void SERIAL_COMM::replyArrived()
{
    m_replyTimeout->stop();
    m_timeoutCount = 0;
}

// Clears the awaited reply at a handler's end, unless a newer request left while the handler waited.
void SERIAL_COMM::clearAwaited(Request request, quint64 sendSerial)
{
    Q_UNUSED(request);
    if (m_sendSerial == sendSerial)
        m_awaited = Request::None;
}

// A second answer to one request (a slow sensor answered the request and its repetition after a
// time-out) finds the request no longer pending: it must not show its message, or ask, once more.
bool SERIAL_COMM::answersPendingRequest(Request request, quint64 sendSerial)
{
    if (m_flags[int(request)])
        return true;
    clearAwaited(request, sendSerial);
    return false;
}

void SERIAL_COMM::onReboot()
{
    const quint64 serial = m_sendSerial;
    replyArrived();
    if (!answersPendingRequest(Request::Reboot, serial))
        return;
    m_flags[int(Request::Reboot)] = false;
    static const QMetaMethod acknowledged = QMetaMethod::fromSignal(&SERIAL_COMM::RebootAcknowledged);
    if (isSignalConnected(acknowledged))
        emit RebootAcknowledged();
    else
        showBox(Info, text("Message", "提示"), text("Sensor Reboot Complete", "传感器重新启动完成"));
    clearAwaited(Request::Reboot, serial);
}

void SERIAL_COMM::onProduct(const ::ProductInfo &info)
{
    const quint64 serial = m_sendSerial;
    replyArrived();
    if (!answersPendingRequest(Request::ProductInfo, serial))
        return;
    m_flags[int(Request::ProductInfo)] = false;
    emit ProductInfoReceived(info.SerialNumber);
    if (m_productQuiet) {
        m_productQuiet = false;
        clearAwaited(Request::ProductInfo, serial);
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
    showBox(Info, text("Product Message", "产品信息"), body);
    clearAwaited(Request::ProductInfo, serial);
}

void SERIAL_COMM::onParameters()
{
    const quint64 serial = m_sendSerial;
    replyArrived();
    m_flags[int(Request::ReadParameters)] = false;
    if (m_scan)
        m_scan->InstallDir = m_parameters->SensorInstallDir != 0;
    emit DirChangeSignals(m_scan ? m_scan->InstallDir : m_parameters->SensorInstallDir != 0);
    emit ReceiveParameters();
    closeProgress();
    clearAwaited(Request::ReadParameters, serial);
}

void SERIAL_COMM::onWriteParameters(int status)
{
    const quint64 serial = m_sendSerial;
    const quint64 epoch = m_epoch;
    replyArrived();
    if (!answersPendingRequest(Request::WriteParameters, serial))
        return;
    m_flags[int(Request::WriteParameters)] = false;
    if (status == 0) {
        closeProgress();
        showBox(Info, text("Message", "提示"),
                text("Parameters Write Complete.Please restart.", "参数写入完成，请重启生效！"));
        const int answer =
            showBox(Question, text("Message", "提示"), text("Do you restart?", "是否重启传感器?"),
                    {text("Yes", "确定"), text("No", "取消")});
        // A connection closed while the question was open must not leave a reboot behind.
        if (answer == 0 && epoch == m_epoch)
            m_flags[int(Request::Reboot)] = true;
    } else if (status == 1 || status == 2) {
        showBox(Warn, text("Message", "错误"),
                status == 1 ? text("Parameters Setting Error", "参数设置异常")
                            : text("FLASH Write Error", "内存写入错误"));
    }
    clearAwaited(Request::WriteParameters, serial);
}

void SERIAL_COMM::onCases()
{
    const quint64 serial = m_sendSerial;
    replyArrived();
    m_flags[int(Request::ReadCases)] = false;
    clearAwaited(Request::ReadCases, serial);
}

void SERIAL_COMM::onWriteCases(int status)
{
    const quint64 serial = m_sendSerial;
    replyArrived();
    if (!answersPendingRequest(Request::WriteCases, serial))
        return;
    m_flags[int(Request::WriteCases)] = false;
    if (status == 1 || status == 2)
        showBox(Warn, text("Message", "错误"),
                status == 1 ? text("Parameters Setting Error", "参数设置异常")
                            : text("FLASH Write Error", "内存写入错误"));
    clearAwaited(Request::WriteCases, serial);
}

void SERIAL_COMM::onArea(int areaIndex)
{
    Q_UNUSED(areaIndex); // the extractor stored it (or nothing, above 63); the loop advances either way
    const quint64 serial = m_sendSerial;
    replyArrived();
    // A reply after its loop ended (a time-out gave it up, the connection was reset) must neither
    // shift where the next read-all starts nor bring back the modal progress nothing would close.
    if (!m_flags[int(Request::ReadAreas)]) {
        clearAwaited(Request::ReadAreas, serial);
        return;
    }
    ++m_readAreaIndex;
    const int shown = m_readAreaIndex;
    if (m_readAreaIndex > kMaxAreaIndex) {
        m_readAreaIndex = 0;
        m_flags[int(Request::ReadAreas)] = false;
        emit ReceiveAreasComplete();
        if (!m_readOkBoxPending) {
            // Shown without holding up the exchange.
            m_readOkBoxPending = true;
            const QString title = text("Parameters", "参数");
            const QString body = text("Parameters Read OK!", "参数读取完成！");
            QTimer::singleShot(0, this, [this, title, body] {
                showBox(Info, title, body);
                m_readOkBoxPending = false;
            });
        }
    }
    // The progress dialog pumps events when its value moves; the state above is already consistent.
    m_progress->setValue(qMin(shown, kAreaCount));
    clearAwaited(Request::ReadAreas, serial);
}

void SERIAL_COMM::stopAreaLoop()
{
    m_flags[int(Request::WriteAreas)] = false;
    m_writeAreaIndex = 0;
    m_areaWriteAttempt = 0;
    m_unknownAreaStatus = 0;
    closeProgress();
}

void SERIAL_COMM::onWriteArea(int status)
{
    const quint64 serial = m_sendSerial;
    replyArrived();
    // As for area reads: an acknowledgement with no write-all running moves nothing.
    if (!m_flags[int(Request::WriteAreas)]) {
        clearAwaited(Request::WriteAreas, serial);
        return;
    }
    if (status == 0) {
        m_unknownAreaStatus = 0;
        ++m_writeAreaIndex;
        const int shown = m_writeAreaIndex;
        if (m_writeAreaIndex >= kAreaCount) {
            m_writeAreaIndex = 0;
            m_areaWriteAttempt = 0;
            m_flags[int(Request::WriteAreas)] = false;
        }
        m_progress->setWindowTitle(text("Download Data", "下载数据"));
        m_progress->setValue(qMin(shown, kAreaCount));
    } else if (status == 1 || status == 2) {
        // The sensor wants the whole loop again from area 0, but a sensor that keeps rejecting must
        // not trap the user in an endless run of messages: after a few attempts the write-all stops.
        m_writeAreaIndex = 0;
        m_unknownAreaStatus = 0;
        ++m_areaWriteAttempt;
        QString body = status == 1 ? text("Parameters Setting Error.Please restart.",
                                          "参数设置异常，请重启恢复初始参数。")
                                   : text("FLASH Write Error", "内存写入错误");
        if (m_areaWriteAttempt >= kAreaWriteAttempts) {
            stopAreaLoop();
            body +=
                QLatin1Char('\n') +
                (m_language == 1
                     ? QStringLiteral("区域下载已尝试%1次，已停止。").arg(kAreaWriteAttempts)
                     : QStringLiteral("Area download stopped after %1 attempts.").arg(kAreaWriteAttempts));
        }
        showBox(Warn, text("Message", "错误"), body);
    } else if (++m_unknownAreaStatus >= kUnknownAreaStatusLimit) {
        // The same area is sent again on an unknown status; a sensor that never says more stops it.
        stopAreaLoop();
        showBox(Warn, text("Message", "错误"),
                text("The sensor answered with an unknown status. Area download stopped.",
                     "传感器返回未知状态，区域下载已停止。"));
    }
    clearAwaited(Request::WriteAreas, serial);
}

void SERIAL_COMM::onSelfCheck(const SelfCheckReport &report)
{
    const quint64 serial = m_sendSerial;
    replyArrived();
    m_flags[int(Request::Simulation)] = false;
    emit SelfCheckStatus(short(report.Temperature), ushort(report.RotationSpeed), ushort(report.DriveVoltage),
                         ushort(report.SendVoltage), ushort(report.ReceiveVoltage));
    emit IOPortSignals(report.InputPorts, report.OutputPorts, uint(report.Status));
    clearAwaited(Request::Simulation, serial);
}

void SERIAL_COMM::onScanControl()
{
    // The time-out is left running here.
    const quint64 serial = m_sendSerial;
    m_flags[int(Request::ScanControl)] = false;
    clearAwaited(Request::ScanControl, serial);
}

void SERIAL_COMM::onDistance()
{
    const quint64 serial = m_sendSerial;
    replyArrived();
    emit ReceiveScanfData();
    m_flags[int(Request::Distance)] = false;
    clearAwaited(Request::Distance, serial);
}

void SERIAL_COMM::onIntensity()
{
    const quint64 serial = m_sendSerial;
    replyArrived();
    emit ReceiveIntensityData();
    m_flags[int(Request::Intensity)] = false;
    clearAwaited(Request::Intensity, serial);
}

void SERIAL_COMM::onRevolutions(int completed)
{
    for (int i = 0; i < completed; ++i) {
        emit ReceiveScanfData();
        emit ReceiveIntensityData();
    }
}

// ---- Reply time-out. ----

void SERIAL_COMM::ReadWriteOverTime()
{
    const bool readLoopAbandoned = m_flags[int(Request::ReadAreas)];
    const bool someAreasRead = readLoopAbandoned && m_readAreaIndex > 0;
    m_readAreaIndex = 0;
    m_writeAreaIndex = 0;
    m_flags[int(Request::ReadAreas)] = false;
    m_awaited = Request::None;
    ++m_timeoutCount;
    // The read loop does not resume, so its modal progress (which has no cancel button) must not stay
    // up; the write loop starts again from area 0 and keeps it.
    if (readLoopAbandoned && !m_flags[int(Request::WriteAreas)])
        closeProgress();
    if (someAreasRead)
        emit ReceiveAreasComplete();
    if (m_timeoutCount <= kTimeoutsBeforeGiveUp)
        return;

    m_timeoutCount = 0;
    for (bool &f : m_flags)
        f = false;
    m_areaWriteAttempt = 0;
    m_unknownAreaStatus = 0;
    m_distancePoll->stop();
    m_intensityPoll->stop();
    m_simulationPoll->stop();
    m_replyTimeout->stop();
    closeProgress();
    emit ExchangeGaveUp();
    if (m_giveUpBoxOpen)
        return;
    m_giveUpBoxOpen = true;
    showBox(Warn, text("Warning", "警告"),
            text("The sensor did not answer in time. Check the connection.", "读写参数超时,请检查连接"));
    m_giveUpBoxOpen = false;
}
