#pragma once

#include "comm/codec/frame_catalogue.h"
#include "comm/codec/frame_records.h"
#include "comm/codec/hisn.h"
#include "comm/codec/replies.h"
#include "comm/codec/scan_data.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QVector>
#include <functional>

class PROJECT_DATA;
struct SENSOR_PARAMETERS;
class QIODevice;
class QProgressDialog;
class QSerialPort;
class QTcpSocket;
class QTimer;
class QUdpSocket;

// The conversation with the sensor. Callers raise request flags; a 20 ms scheduler sends the most
// urgent one while no reply is awaited; replies are taken out of the receive buffer, stored and
// announced. One request is in flight at a time and a 2 s time-out sends it again.
class SERIAL_COMM : public QObject {
    Q_OBJECT

public:
    // Request flags in scheduler priority order (first = most urgent).
    enum class Request {
        Reboot,
        ReadParameters,
        WriteAreas,
        ReadCases,
        WriteCases,
        ProductInfo,
        ReadAreas,
        WriteParameters,
        Simulation,
        ScanControl,
        Distance,
        Intensity,
        None
    };
    static constexpr int kRequestCount = int(Request::None);

    static constexpr int kSchedulerMs = 20;
    static constexpr int kReplyTimeoutMs = 2000;
    static constexpr int kSerialScanPollMs = 50;
    static constexpr int kEtherScanPollMs = 1000;
    static constexpr int kIntensityPollMs = 50;
    static constexpr int kSimulationPollMs = 200;
    static constexpr int kTimeoutsBeforeGiveUp = 3; // the fourth consecutive expiry gives up
    // A sensor that keeps rejecting areas would otherwise restart the area loop for ever; after this
    // many attempts the write-all stops.
    static constexpr int kAreaWriteAttempts = 3;
    // The same area answered this many times in a row with a status we do not know stops the write-all.
    static constexpr int kUnknownAreaStatusLimit = 4;
    // Bounds of one read-all, write-all or verify: time-outs in all (consecutive or not), and time.
    static constexpr int kSequenceTimeoutLimit = 8;
    static constexpr int kSequenceDeadlineMs = 300000;

    // The multi-request exchanges. Only one runs at a time; each ends with one message.
    enum class Sequence { None, ReadAll, WriteAll, Verify };

    SERIAL_COMM(QSerialPort *serialPort, SCAN_DATA *scanStore, PROJECT_DATA *projectStore,
                SENSOR_PARAMETERS *parameters, SENSOR_CONTROL *scanControl, QTcpSocket *tcpSocket,
                QUdpSocket *udpSocket, QObject *parent = nullptr);
    ~SERIAL_COMM() override;

    // ---- Operations of the main window. ----

    // Abandons the pending exchange (on close, open and save): stops the reply time-out, resets its
    // count, clears the awaited reply, every request flag and both area indexes, closes the progress.
    // The polls keep running; a close also calls the three Close... poll slots.
    void AbandonExchange();
    // Only stops the reply time-out and resets its count.
    void StopReplyTimeout();
    // Message language: 0 English, 1 Chinese.
    void SetLanguage(int language);
    int Language() const { return m_language; }
    // Range limit of a device model (deviceInfo); an unknown code leaves it unchanged.
    void SetDeviceType(int code);
    void SetRangeLimit(int limit) { m_rangeLimit = limit; }
    int RangeLimit() const { return m_rangeLimit; }
    // Where UDP frames go when the UDP socket has not been connected to the sensor itself.
    void SetUdpPeer(const QHostAddress &address, quint16 port = 8080);

    // ---- State, for the main window's displays and for tests. ----
    bool RequestRaised(Request request) const { return m_flags[int(request)]; }
    bool AnyRequestRaised() const;
    Request AwaitedReply() const { return m_awaited; }
    int TimeoutCount() const { return m_timeoutCount; }
    int ReadAreaIndex() const { return m_readAreaIndex; }
    int WriteAreaIndex() const { return m_writeAreaIndex; }
    Sequence RunningSequence() const { return m_sequence; }
    // The install direction the areas of the running (or last) write-all were mirrored for.
    bool WriteInstallDir() const { return m_writeDir; }
    // The product data of the last "RPrda" reply (all zero before one).
    const ::ProductInfo &LastProduct() const { return m_product; }
    bool ReplyTimeoutActive() const;
    bool DistancePollActive() const;
    bool IntensityPollActive() const;
    bool SimulationPollActive() const;
    QProgressDialog *ProgressDialog() const { return m_progress; }
    const QByteArray &ReceiveBuffer() const { return m_rx; }

public slots:
    void OpenSendReadScanf();
    void CloseSendReadScanf();
    void OpenSendReadIntensity();
    void CloseSendReadIntensity();
    void OpenSendReadSimulation();
    void CloseSendReadSimulation();
    void ReadScanfTime();
    void ReadIntensityTime();
    void ReadSimulationTime();
    void SensorRebootSlots();
    void SensorInformationSlots();
    // Reads the product information without showing it (ProductInformationRead): proof that the
    // sensor answers, after a restart for example.
    void ConfirmSensorSlots();
    void ReadSensorAllDataSlots();
    // Only the parameters (a connection that keeps the project's areas).
    void ReadSensorParametersSlots();
    void WriteSensorAllDataSlots();
    // Reads back all areas, the case channels and the parameters and compares them, byte for byte on
    // the wire, with what the open project would write.
    void VerifySensorDataSlots();
    // Stops the running sequence (the progress dialog's Cancel) and says what was done.
    void CancelSequence();
    void SerialPortSendData();
    void SerialPortReceiveData();
    void ReadWriteOverTime();
    void CloseSerialPortSlots();

signals:
    void SelfCheckStatus(short Temperature, ushort RotationSpeed, ushort DriveVoltage, ushort SendVoltage,
                         ushort ReceiveVoltage);
    void IOPortSignals(uint Inport, uint Outport, uint Status);
    void ReceiveScanfData();
    void ReceiveIntensityData();
    void ReceiveParameters();
    // The read-all area loop has stored what it read (all 64 areas, or those before a time-out):
    // the editors must show them, or a later edit would write the old points back.
    void ReceiveAreasComplete();
    void DirChangeSignals(bool dir);
    // The sensor answered the product information request: it is known by its serial number now.
    void ProductInfoReceived(quint16 serialNumber);
    // At the end of every read-all: the areas it could not read (empty when all were read).
    void AreasNotRead(const QVector<int> &areas);
    // A verify has ended (on its own, or after a write-all): whether everything matched, the CRC-32 of
    // the wire image compared against, and the result as shown.
    void VerifyFinished(bool afterWrite, bool match, quint32 imageCrc, const QString &result);
    // Every frame as it leaves for the sensor (for monitoring and tests).
    void FrameSent(const QByteArray &frame);
    // The sensor answered "RBoot" and is about to restart. With a receiver, the receiver follows the
    // restart and says when it is complete; without one the completion message is shown at once.
    void RebootAcknowledged();
    // The answer to ConfirmSensorSlots.
    void ProductInformationRead(const ::ProductInfo &info);
    // The fourth time-out in a row: the exchange gave up on the sensor.
    void ExchangeGaveUp();

private:
    class Sink;
    friend class Sink;

    QString text(const char *english, const char *chinese) const;
    QIODevice *activeTransport() const;
    void sendFrame(Request awaited);
    void sendPlain(Request request, FrameCode code);
    void sendAuto(bool start);
    void stopStream();
    void writeAreaStep();
    void readAreaStep();
    void replyArrived();
    // True when a reply of this request is the one awaited; it then stops the time-out.
    bool takeReply(Request request);
    bool acceptReadReply(FrameCode code, const QByteArray &frame);
    void closeProgress();
    void showProgress(const char *english, const char *chinese);
    void setProgress(int done);
    // Shown after the running handler has returned, without a nested event loop.
    void postBox(int icon, const QString &title, const QString &body, const QStringList &buttons = {},
                 std::function<void(int)> answered = {});

    void beginSequence(Sequence sequence);
    void finishSequence(const QString &problem = QString());
    void finishWhenReadsDone();
    QString statusText(FrameCode code, int status) const;
    bool checkWriteFits();
    void prepareVerifyImages();
    QString compareImage(FrameCode code, int areaIndex, const QByteArray &frame) const;

    // Reply handlers, run right after the extractor took the frame out of the buffer.
    void onReboot();
    void onProduct(const ::ProductInfo &info);
    void onParameters();
    void onWriteParameters(int status);
    void onCases();
    void onWriteCases(int status);
    void onArea(int areaIndex);
    void onWriteArea(int status);
    void onSelfCheck(const SelfCheckReport &report);
    void onScanControl();
    void onDistance();
    void onIntensity();
    void onRevolutions(int completed);

    QSerialPort *m_serial;
    SCAN_DATA *m_scan;
    PROJECT_DATA *m_project;
    SENSOR_PARAMETERS *m_parameters;
    SENSOR_CONTROL *m_control;
    QTcpSocket *m_tcp;
    QUdpSocket *m_udp;
    QHostAddress m_udpPeer;
    quint16 m_udpPeerPort = 8080;

    QByteArray m_rx;
    TxFrame m_tx;
    HisnAssembly m_hisn;
    QVector<HisnRevolution> m_completed; // revolutions the current delivery completed, oldest first
    quint64 m_deliveries = 0;
    Sink *m_sink;

    int m_rangeLimit = kDefaultRangeLimit;
    int m_readAreaIndex = 0;
    int m_writeAreaIndex = 0;
    int m_timeoutCount = 0;
    int m_language = 0;
    Request m_awaited = Request::None;
    bool m_flags[kRequestCount] = {};

    int m_areaWriteAttempt = 0;  // rejected area loops in the current write-all
    int m_unknownAreaStatus = 0; // consecutive unknown statuses for the current area
    int m_handlerDepth = 0;      // reply handlers running (a progress update may pump events)
    quint64 m_epoch = 0;         // bumped by AbandonExchange, so an answer that outlives it changes nothing
    bool m_inScheduler = false;
    bool m_productQuiet = false; // the pending product request is a confirmation

    // The running sequence and what it has done so far.
    Sequence m_sequence = Sequence::None;
    QElapsedTimer m_sequenceClock;
    int m_sequenceTimeouts = 0;
    int m_areasDone = 0; // areas read, written or compared, counted from area 0
    bool m_casesDone = false;
    bool m_parametersDone = false;
    bool m_verifyAfterWrite = false;
    bool m_writeDir = false;      // install direction the write-all mirrors its areas for
    bool m_productForLog = false; // the product read of a verify (for the write log) shows no box
    ::ProductInfo m_product;
    // Verify: the wire images compared against (area records, case channels, parameters) and what differs.
    QVector<QByteArray> m_expectedAreas;
    QByteArray m_expectedCases;
    QByteArray m_expectedParameters;
    QStringList m_differences;

    QTimer *m_distancePoll;
    QTimer *m_intensityPoll;
    QTimer *m_simulationPoll;
    QTimer *m_replyTimeout;
    QTimer *m_scheduler;
    QProgressDialog *m_progress;
};
