#pragma once

#include "exchange/exchange_engine.h"
#include "exchange/fleet_run.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>

#include <memory>

// What is known of one watched sensor: its link, who it is, and its last status report.
struct SensorStatus {
    enum class Link {
        Connecting, // not answered yet since the monitor started (or since it was retried)
        Ok,         // reports arrive
        Lost,       // it answered before, and now does not (or its connection broke)
        Unreachable // it never answered: no connection, or no answer
    };
    QString address;
    Link link = Link::Connecting;
    QString problem; // why it is lost or unreachable
    bool serialKnown = false;
    quint16 serialNumber = 0;
    ProductInfo product;
    bool reported = false; // a status report arrived (the values below are from the last one)
    uint inputs = 0;       // input bits; the whole word is also the active area
    uint outputs = 0;      // bit 0 = Out 1 .. bit 2 = Out 3
    quint16 fault = 0;     // fault bits 0..6
    bool directionKnown = false;
    bool reverse = false; // mounted reversed
    SelfCheckReport selfCheck;
    qint64 reportMs = 0; // wall-clock time (ms since the epoch) the last report arrived
    qint64 linkMs = 0;   // wall-clock time of the last link change

    int area() const { return int(inputs & 0xFF); }
    static QString linkWord(Link link);
    // "Normal(0)", or the names of the set fault bits, each with its number: "Revolve Abnormal(1)".
    static QString faultText(quint16 fault);
};

// Watches many sensors at once, each by an engine of its own over its own connection, all in the
// caller's event loop: it reads each one's product information (its serial number) and parameters
// (its install direction), then polls its self-check report and says what changed. A sensor that
// stops answering is reported lost at once and retried in the background until it answers again.
class SiteMonitor : public QObject {
    Q_OBJECT
public:
    // What a change touched (a combination).
    enum Change {
        LinkChanged = 1,
        SerialChanged = 2,
        InputsChanged = 4,
        OutputsChanged = 8,
        FaultChanged = 16,
        DirectionChanged = 32
    };

    // No report for this long from a sensor that answered: lost (the engine's own reply time-out).
    static constexpr int kLostMs = ExchangeEngine::kReplyTimeoutMs;
    // A connection that brings no product information within this long: given up and retried.
    static constexpr int kFirstAnswerMs = 6000;
    // Pause between a failed attempt and the next one.
    static constexpr int kRetryMs = 2000;

    explicit SiteMonitor(QObject *parent = nullptr);
    ~SiteMonitor() override;

    // Sensors to watch, in the order of statuses(). Only before start().
    void addSensor(const FleetTarget &target);
    int sensorCount() const { return m_statuses.size(); }
    void start();
    void stop();

    const QVector<SensorStatus> &statuses() const { return m_statuses; }
    const SensorStatus &status(int index) const { return m_statuses[index]; }
    // The status poll interval in use.
    static int pollMs() { return ExchangeEngine::kSimulationPollMs; }

signals:
    // Something a watcher shows changed (a combination of Change).
    void StatusChanged(int index, int changes);
    // The outputs or the fault word differ from the previous report of the same connection; the
    // status already holds the new values and the time the report arrived.
    void Switched(int index, uint previousOutputs, quint16 previousFault);
    // Every report (self-check values included), after StatusChanged and Switched.
    void ReportReceived(int index);

private:
    struct Sensor;
    void connectSensor(int index);
    void failed(int index, const QString &why);
    void setLink(int index, SensorStatus::Link link, const QString &problem, int more = 0);
    void onReport(int index, const SelfCheckReport &report);
    void checkSilence();

    std::vector<std::unique_ptr<Sensor>> m_sensors;
    QVector<SensorStatus> m_statuses;
    QTimer m_watchdog;
    bool m_running = false;
};
