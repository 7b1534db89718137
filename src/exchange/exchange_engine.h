#pragma once

#include "area/store/language.h"
#include "comm/codec/frame_catalogue.h"
#include "comm/codec/frame_records.h"
#include "comm/codec/hisn.h"
#include "comm/codec/replies.h"
#include "comm/codec/scan_data.h"
#include "comm/codec/sensor_parameters.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QMetaType>
#include <QObject>
#include <QStringList>
#include <QVector>
#include <memory>

#include "exchange/link.h"

class PROJECT_DATA;
class QTimer;

// One thing a verify found different between the sensor and the design.
struct VerifyDifference {
    enum class Part {
        ZoneParameters, // field: 0 on delay, 1 off delay, 2 hysteresis, 3 detection size
        OutputShape,    // output 0..2: the shape block (type, point count, arc or derived values)
        OutputPoints,   // output 0..2: the point list
        CaseChannel,    // field: 0 steer min, 1 steer max, 2 speed min, 3 speed max, 4 operation mode
        Parameter       // field: 0..24, SENSOR_PARAMETERS::fieldName(field)
    };
    Part part = Part::ZoneParameters;
    int area = -1;   // 0..63; -1 for a parameter
    int output = -1; // 0..2 for OutputShape and OutputPoints, else -1
    int field = -1;  // see Part; -1 for OutputShape and OutputPoints
    // The value the design gives and the one the sensor holds: the field's value for ZoneParameters,
    // CaseChannel and Parameter (as on the wire), the shape type for OutputShape, the point count for
    // OutputPoints (equal counts: the points themselves differ).
    int expected = 0;
    int actual = 0;
    bool operator==(const VerifyDifference &o) const
    {
        return part == o.part && area == o.area && output == o.output && field == o.field;
    }
};

// The conversation with one sensor, without any widget. Callers raise request flags; a 20 ms scheduler
// sends the most urgent one while no reply is awaited; replies are taken out of the receive buffer,
// stored and announced. One request is in flight at a time and a 2 s time-out sends it again.
// Everything that happens is reported as signals carrying data; nothing is ever shown or asked.
//
// Stores: by default the engine owns a project store, a scan store, a parameter record and a scan
// control record of its own (a command line, a fleet); the window hands in its own instead.
// Link: the engine holds one (serial, TCP or UDP) and owns it. Whatever ends it (a refused or closed
// connection, a device that vanished, a sensor that stopped answering) ends in LinkLost, decided here
// once for every kind. The engine writes the link's kind into the scan store's ConnectType for the
// displays; it never reads it back.
class ExchangeEngine : public QObject, private ReplySink {
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
    Q_ENUM(Request)
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
    static constexpr quint16 kSensorPort = 8080;

    // The multi-request exchanges. Only one runs at a time; each ends with one SequenceFinished.
    // A write-all that is acknowledged turns into its verify (the finished verify says afterWrite).
    enum class Sequence { None, ReadAll, WriteAll, Verify };
    Q_ENUM(Sequence)

    // How a sequence ended.
    enum class Outcome {
        Complete,    // everything read / written and, for a verify, everything matches
        Differences, // a verify read everything back and found differences
        Rejected,    // the sensor refused a write (status 1 or 2, or an area status it kept repeating)
        Incomplete,  // stopped before the end: time-outs, deadline, lost link (problem says which)
        Cancelled,   // CancelSequence
        GaveUp,      // the fourth time-out in a row, or the engine's own transport failed
        Refused      // a write-all not started: the design does not fit the sensor (nothing sent)
    };
    Q_ENUM(Outcome)

    // Kinds of the message texts (the window turns them into message boxes).
    enum class MessageKind {
        Information,
        Warning,
        // A write-all was verified; the text says so. The window adds "Do you restart?" and, on Yes,
        // calls SensorRebootSlots (if ExchangeEpoch() has not moved meanwhile).
        RestartOffer
    };
    Q_ENUM(MessageKind)

    struct Result {
        Sequence sequence = Sequence::None;
        Outcome outcome = Outcome::Complete;
        bool afterWrite = false; // a verify that followed a write-all
        // Areas not read (read-all), not written (write-all), or not read back (verify), ascending.
        QVector<int> areasNotDone;
        bool casesDone = false;
        int sensorModel = -1; // a write refused because the sensor is of another model: its model
        bool parametersDone = false;
        QVector<VerifyDifference> differences; // verify only
        // Verify: outputs that differ only in bytes no design can express (unused slots); not differences.
        QStringList notes;
        quint32 imageCrc = 0; // verify: CRC-32 of the design's wire image compared against
        QString problem;      // what stopped it, in the selected language; empty when nothing did
        QString message;      // the whole result text, as the window shows it
        bool ok() const { return outcome == Outcome::Complete; }
    };

    // What a write-all would carry that the sensor cannot hold (errors: nothing may be sent) or that lies
    // beyond the model's range (warnings: carried intact). Texts in the selected language.
    struct FitReport {
        QStringList errors;
        QStringList warnings;
        QString refusal;  // with errors: the whole text saying that nothing is written, and why
        QString question; // with warnings: the whole "Write anyway?" text
    };

    // Owns its four stores.
    explicit ExchangeEngine(QObject *parent = nullptr);
    // Uses the given stores (not owned; null parameters or control get records of its own).
    ExchangeEngine(SCAN_DATA *scanStore, PROJECT_DATA *projectStore, SENSOR_PARAMETERS *parameters,
                   SENSOR_CONTROL *scanControl, QObject *parent = nullptr);
    ~ExchangeEngine() override;

    // ---- Link. ----

    // Opens a link of the engine's own to one sensor, closing the one before. TCP connects in the
    // background (the exchange may be started at once; frames wait for the connection). openSerial
    // with a baud rate alone opens 8 data bits, no parity, one stop bit, no flow control. They return
    // false (and set LinkError) when the attempt cannot start.
    bool openTcp(const QHostAddress &address, quint16 port = kSensorPort);
    bool openUdp(const QHostAddress &address, quint16 port = kSensorPort);
    bool openSerial(const QString &device, qint32 baud);
    bool openSerial(const QString &device, const SerialLine &line);
    // Opens the present link again (a sensor that restarted hangs up its TCP connection).
    bool reopen();
    // Abandons the exchange, stops the polls, empties the receive buffer and closes the link.
    void close();
    // True while the link is open (TCP: connected).
    bool IsOpen() const;
    // The link, or null before the first open.
    Link *link() const { return m_link; }
    QString LinkError() const { return m_linkError; }

    // ---- Stores. ----
    SCAN_DATA *scanStore() const { return m_scan; }
    PROJECT_DATA *projectStore() const { return m_project; }
    SENSOR_PARAMETERS *parameters() const { return m_parameters; }
    SENSOR_CONTROL *scanControl() const { return m_control; }

    // ---- Settings. ----

    // Abandons the pending exchange (on close, open and save): stops the reply time-out, resets its
    // count, clears the awaited reply, every request flag and both area indexes. A running sequence ends
    // as cancelled, its problem why (or a plain "stopped"). The polls keep running.
    void AbandonExchange(const QString &why = QString());
    // Only stops the reply time-out and resets its count.
    void StopReplyTimeout();
    void SetLanguage(Language language) { m_language = language; }
    Language language() const { return m_language; }
    // Range limit of a device model (deviceInfo); an unknown code leaves it unchanged.
    void SetDeviceType(int code);
    int RangeLimit() const { return m_rangeLimit; }
    // Whether an acknowledged write-all reads everything back and compares (default true). Without, the
    // write-all finishes Complete once the parameters are acknowledged.
    void SetVerifyAfterWrite(bool verify) { m_verifyWrites = verify; }
    // A write-all first reads which model the sensor is. A sensor of another model than the design's
    // (SetDeviceType) refuses the write (nothing sent) unless a listener of OtherModelFound answers
    // with ContinueWriteToOtherModel(true) while the write waits. Without SetDeviceType nothing is checked.
    void ContinueWriteToOtherModel(bool write);
    // Bumped by AbandonExchange and close: an answer given after it belongs to nothing.
    quint64 ExchangeEpoch() const { return m_epoch; }
    // The product text as the window's "Product Message" box shows it, in the selected language.
    QString ProductText(const ::ProductInfo &info) const;

    // ---- State. ----
    bool RequestRaised(Request request) const { return m_flags[int(request)]; }
    bool AnyRequestRaised() const;
    Request AwaitedReply() const { return m_awaited; }
    int TimeoutCount() const { return m_timeoutCount; }
    int ReadAreaIndex() const { return m_readAreaIndex; }
    int WriteAreaIndex() const { return m_writeAreaIndex; }
    Sequence RunningSequence() const { return m_sequence; }
    // The product data of the last "RPrda" reply (all zero before one).
    const ::ProductInfo &LastProduct() const { return m_product; }
    bool ReplyTimeoutActive() const;
    // How long a reply may take before its request leaves again (kReplyTimeoutMs unless set): a link
    // slower than a cable, or a test that must tell a late reply from a slow machine, sets more.
    void SetReplyTimeout(int ms);
    bool DistancePollActive() const;
    bool IntensityPollActive() const;
    bool SimulationPollActive() const;
    const QByteArray &ReceiveBuffer() const { return m_rx; }
    // The write-all's fit check of the project store against the range limit.
    FitReport CheckWriteFits() const;

public slots:
    void OpenSendReadScanf();
    void CloseSendReadScanf();
    void OpenSendReadIntensity();
    void CloseSendReadIntensity();
    void OpenSendReadSimulation();
    void CloseSendReadSimulation();
    // Also a one-shot self-check request ("WSimu"), answered by SelfCheckReceived.
    void ReadSimulationTime();
    // On Ethernet: asks the sensor to stop its scan stream ("RAuto" 0); the distance poll would start it
    // again, so stop that first (CloseSendReadScanf).
    void StopStreamSlots();
    void SensorRebootSlots();
    // Reads the product information; announced by a "Product Message" message.
    void SensorInformationSlots();
    // Reads the product information without a message (ProductInformationRead): proof that the
    // sensor answers, after a restart for example.
    void ConfirmSensorSlots();
    // Reads parameters, case channels and the 64 areas into the stores.
    void ReadSensorAllDataSlots();
    // Only the parameters (a connection that keeps the project's areas).
    void ReadSensorParametersSlots();
    // Writes the 64 areas, the case channels and the parameters, then reads them back and compares.
    // A design with fit errors is refused (SequenceFinished with Outcome::Refused, nothing sent); fit
    // warnings are not asked about here: the caller asks before.
    void WriteSensorAllDataSlots();
    // Reads back all areas, the case channels and the parameters and compares them, byte for byte on
    // the wire, with what the open project would write.
    void VerifySensorDataSlots();
    // Stops the running sequence and says what was done.
    void CancelSequence();
    // The same, once the reply awaited now has come or timed out, before anything more is sent: what
    // the result says was written or read is what the sensor confirmed.
    void CancelSequenceAtFrameBoundary();
    // The 20 ms scheduler tick: sends the most urgent raised request while no reply is awaited.
    void sendNextRequest();
    // The awaited reply did not come in time: the request goes again, or the exchange gives up.
    void replyTimedOut();
    // Empties the receive buffer and resets the Ethernet ring's index and count.
    void clearReceived();

signals:
    // The write-all found a sensor of another model than the design's; answer with
    // ContinueWriteToOtherModel. Nothing has been sent yet.
    void OtherModelFound(int sensorModel, int designModel);
    // ---- Sequences. ----
    // Areas done of total (64) in the running sequence's area loop; emitted when the loop sends its
    // first request and after each area. A receiver may run an event loop (a modal progress dialog).
    void SequenceProgress(ExchangeEngine::Sequence sequence, int done, int total);
    void SequenceFinished(const ExchangeEngine::Result &result);
    // A text for the user, in the selected language: the results of sequences, product information, the
    // give-up warning. title is the window's box title for it.
    void Message(ExchangeEngine::MessageKind kind, const QString &title, const QString &text);

    // ---- Data. ----
    void SelfCheckStatus(short Temperature, ushort RotationSpeed, ushort DriveVoltage, ushort SendVoltage,
                         ushort ReceiveVoltage);
    void IOPortSignals(uint Inport, uint Outport, uint Status);
    // The same "WSimu" answer as one record (after IOPortSignals).
    void SelfCheckReceived(const SelfCheckReport &report);
    void ReceiveScanfData();
    void ReceiveIntensityData();
    // One whole scan with its data: each complete Ethernet revolution (its points in order), or on a
    // serial line each "RScan" reply (640 distances with the intensities of the last "RStre").
    // Distances are clamped to the range limit.
    void RevolutionReceived(const QVector<quint16> &distance, const QVector<quint16> &intensity);
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
    // The sensor answered "RBoot" and is about to restart. Without a receiver the engine says so in a
    // Message ("Sensor Reboot Complete") instead.
    void RebootAcknowledged();
    // The answer to ConfirmSensorSlots.
    void ProductInformationRead(const ::ProductInfo &info);
    // The fourth time-out in a row, or the link failed: the exchange gave up (then LinkLost).
    void ExchangeGaveUp();

    // ---- Link. ----
    void LinkOpened();
    // The link itself failed: refused, closed by the sensor, the device vanished (then LinkLost).
    void LinkFailed(const QString &error);
    // The sensor is lost, for whatever reason (a failed link or the give-up), said why in the selected
    // language. The link is closed; nothing is sent until it is opened again.
    void LinkLost(const QString &why);

private:
    void init();
    bool beginOpen(const QHostAddress &address);
    bool adopt(Link *link);
    bool ethernetLink() const { return m_link && m_link->ethernet(); }
    void linkStateChanged(Link::State state);
    void bytesArrived(const QByteArray &bytes);
    QString failureText(const Link &link) const;
    void halt();
    void loseLink(const QString &why);
    void sendFrame(Request awaited);
    void sendPlain(Request request, FrameCode code);
    void sendAuto(bool start);
    void stopStream();
    void writeAreaStep();
    void readAreaStep();
    bool takeReply(Request request);
    void progress();
    void giveUp(const QString &warning, const QString &why, bool announce = true);

    void beginSequence(Sequence sequence);
    void beginVerify(bool afterWrite);
    void finishSequence(const QString &problem = QString(), Outcome failure = Outcome::Incomplete);
    void finishWhenReadsDone();
    QString statusText(FrameCode code, int status) const;
    void prepareVerifyImages();
    void startWriting();
    void refuseOtherModel(int sensorModel);
    QString compareImage(FrameCode code, int areaIndex, const QByteArray &frame);

    // Reply handlers, run right after the extractor took the frame out of the buffer.
    // Before an area, parameters or case channels reply is stored.
    bool storeReply(FrameCode code, const QByteArray &frame) override;
    void rebootReply() override;
    void productReply(const ::ProductInfo &info) override;
    void parametersReply() override;
    void writeParametersReply(int status) override;
    void caseReply() override;
    void writeCaseReply(int status) override;
    void areaReply(int areaIndex) override;
    void writeAreaReply(int status) override;
    void selfCheckReply(const SelfCheckReport &report) override;
    void scanControlReply() override;
    void distanceReply() override;
    void intensityReply() override;
    void revolutions(int completed) override;

    // Stores of its own, when none were given.
    std::unique_ptr<SCAN_DATA> m_ownScan;
    std::unique_ptr<PROJECT_DATA> m_ownProject;
    std::unique_ptr<SENSOR_PARAMETERS> m_ownParameters;
    std::unique_ptr<SENSOR_CONTROL> m_ownControl;
    Link *m_link = nullptr;
    QString m_linkError;

    SCAN_DATA *m_scan;
    PROJECT_DATA *m_project;
    SENSOR_PARAMETERS *m_parameters;
    SENSOR_CONTROL *m_control;

    QByteArray m_rx;
    TxFrame m_tx;
    HisnAssembly m_hisn;
    QVector<HisnRevolution> m_completed; // revolutions the current delivery completed, oldest first
    quint64 m_deliveries = 0;

    int m_rangeLimit = kDefaultRangeLimit;
    int m_readAreaIndex = 0;
    int m_writeAreaIndex = 0;
    int m_timeoutCount = 0;
    Language m_language = Language::English;
    Request m_awaited = Request::None;
    bool m_flags[kRequestCount] = {};

    int m_areaWriteAttempt = 0;  // rejected area loops in the current write-all
    int m_unknownAreaStatus = 0; // consecutive unknown statuses for the current area
    int m_handlerDepth = 0;      // deliveries being handled (a progress receiver may pump events)
    quint64 m_epoch = 0;         // bumped by AbandonExchange, so an answer that outlives it changes nothing
    bool m_inScheduler = false;
    bool m_productQuiet = false; // the pending product request is a confirmation
    bool m_cancelAtBoundary = false;
    int m_deviceType = -1;     // the design's model; -1: not checked
    bool m_modelCheck = false; // the running write-all waits for the sensor's model
    bool m_modelAnswerPending = false;
    int m_refusedModel = -1;

    // The running sequence and what it has done so far.
    Sequence m_sequence = Sequence::None;
    QElapsedTimer m_sequenceClock;
    int m_sequenceTimeouts = 0;
    int m_areasDone = 0; // areas read, written or compared, counted from area 0
    bool m_casesDone = false;
    bool m_parametersDone = false;
    bool m_verifyAfterWrite = false;
    bool m_writeDir = false; // install direction the write-all mirrors its areas for
    bool m_verifyWrites = true;
    bool m_productForLog = false; // the product read of a verify (for the write log) shows no message
    ::ProductInfo m_product;
    // Verify: the wire images compared against (area records, case channels, parameters) and what differs.
    QVector<QByteArray> m_expectedAreas;
    QByteArray m_expectedCases;
    QByteArray m_expectedParameters;
    QStringList m_differenceTexts;
    QStringList m_verifyNotes;
    QVector<VerifyDifference> m_differences;

    QTimer *m_distancePoll;
    QTimer *m_intensityPoll;
    QTimer *m_simulationPoll;
    QTimer *m_replyTimeout;
    QTimer *m_scheduler;
};

Q_DECLARE_METATYPE(ExchangeEngine::Result)
Q_DECLARE_METATYPE(VerifyDifference)
Q_DECLARE_METATYPE(SelfCheckReport)
Q_DECLARE_METATYPE(ProductInfo)
