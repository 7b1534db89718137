#pragma once

#include "area/store/language.h"
#include "exchange/exchange_engine.h"

#include <QObject>

class PROJECT_DATA;
class QProgressDialog;
class ScanPlayback;

// The window's side of the exchange with the sensor: it owns an ExchangeEngine over the window's stores
// (the engine owns the link), passes the window's requests on, and turns what the engine reports into
// what the window shows: the progress dialog (with Cancel) and the message boxes, in the selected
// language. Questions are asked before a sequence starts, never in the middle of one. Its slots keep
// the window's established names and translate them into the engine's own where those differ.
class SERIAL_COMM : public QObject {
    Q_OBJECT

public:
    using Request = ExchangeEngine::Request;
    using Sequence = ExchangeEngine::Sequence;

    SERIAL_COMM(SCAN_DATA *scanStore, PROJECT_DATA *projectStore, SENSOR_PARAMETERS *parameters,
                SENSOR_CONTROL *scanControl, QObject *parent = nullptr);
    ~SERIAL_COMM() override;

    ExchangeEngine *Engine() const { return m_engine; }

    // ---- Operations of the main window. ----

    // Abandons the pending exchange (on close, open and save): stops the reply time-out, resets its
    // count, clears the awaited reply, every request flag and both area indexes, closes the progress.
    // The polls keep running; a close also calls the three Close... poll slots.
    void AbandonExchange(const QString &why = QString());
    void SetLanguage(Language language) { m_engine->SetLanguage(language); }
    Language language() const { return m_engine->language(); }
    // Range limit of a device model (deviceInfo); an unknown code leaves it unchanged.
    void SetDeviceType(int code) { m_engine->SetDeviceType(code); }
    // A recording played back feeds the same signals as the sensor.
    void ShowRecording(ScanPlayback *playback);

    // ---- State, for the main window's displays and for tests (the rest is the engine's). ----
    const ::ProductInfo &LastProduct() const { return m_engine->LastProduct(); }
    QProgressDialog *ProgressDialog() const { return m_progress; }

public slots:
    void OpenSendReadScanf() { m_engine->OpenSendReadScanf(); }
    void CloseSendReadScanf() { m_engine->CloseSendReadScanf(); }
    void OpenSendReadIntensity() { m_engine->OpenSendReadIntensity(); }
    void CloseSendReadIntensity() { m_engine->CloseSendReadIntensity(); }
    void OpenSendReadSimulation() { m_engine->OpenSendReadSimulation(); }
    void CloseSendReadSimulation() { m_engine->CloseSendReadSimulation(); }
    void SensorRebootSlots() { m_engine->SensorRebootSlots(); }
    void SensorInformationSlots() { m_engine->SensorInformationSlots(); }
    // Reads the product information without showing it (ProductInformationRead): proof that the
    // sensor answers, after a restart for example.
    void ConfirmSensorSlots() { m_engine->ConfirmSensorSlots(); }
    void ReadSensorAllDataSlots() { m_engine->ReadSensorAllDataSlots(); }
    // Only the parameters (a connection that keeps the project's areas).
    void ReadSensorParametersSlots() { m_engine->ReadSensorParametersSlots(); }
    // Asks first when the design does not fit the sensor (nothing is written) or reaches beyond the
    // model's range (written only on Yes).
    void WriteSensorAllDataSlots();
    // Reads back all areas, the case channels and the parameters and compares them, byte for byte on
    // the wire, with what the open project would write.
    void VerifySensorDataSlots() { m_engine->VerifySensorDataSlots(); }
    // Stops the running sequence (the progress dialog's Cancel) and says what was done.
    void CancelSequence();
    void CloseSerialPortSlots() { m_engine->clearReceived(); }

signals:
    // Passed on from the engine, which says what each one means.
    void SelfCheckStatus(short Temperature, ushort RotationSpeed, ushort DriveVoltage, ushort SendVoltage,
                         ushort ReceiveVoltage);
    void IOPortSignals(uint Inport, uint Outport, uint Status);
    void ReceiveScanfData();
    void ReceiveIntensityData();
    void ReceiveParameters();
    void ReceiveAreasComplete();
    void DirChangeSignals(bool dir);
    void ProductInfoReceived(quint16 serialNumber);
    void AreasNotRead(const QVector<int> &areas);
    void VerifyFinished(bool afterWrite, bool match, quint32 imageCrc, const QString &result);
    void FrameSent(const QByteArray &frame);
    // With a receiver, the receiver follows the restart and says when it is complete; without one the
    // completion message is shown at once.
    void RebootAcknowledged();
    void ProductInformationRead(const ::ProductInfo &info);
    void LinkOpened();
    void LinkLost(const QString &why);

protected:
    void connectNotify(const QMetaMethod &signal) override;

private:
    void showProgress(ExchangeEngine::Sequence sequence, int done);
    void closeProgress();
    void askOtherModel(int sensorModel, int designModel);
    void showMessage(ExchangeEngine::MessageKind kind, const QString &title, const QString &text);

    ExchangeEngine *m_engine;
    QProgressDialog *m_progress;
    QMetaObject::Connection m_forwardReboot;
    QMetaObject::Connection m_forwardFrames;
};
