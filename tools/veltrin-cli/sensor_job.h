#pragma once

#include "exchange/exchange_engine.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <memory>

class PROJECT_DATA;

// Where one sensor is reached: an IPv4 address (TCP, or UDP) or a serial device with its baud rate.
struct SensorTarget {
    QString address;
    bool serial = false;
    bool udp = false;
    qint32 baud = 115200;
};

// One sensor's part of a command: its own engine (own connection, own 20 ms scheduler) that reads the
// product information (for the serial number), then runs the operation, and says once how it ended.
// Several jobs in one event loop run concurrently.
class SensorJob : public QObject {
    Q_OBJECT

public:
    enum class Operation { Info, ReadAll, WriteAll, Verify };
    enum class Status { Pending, Ok, Different, Rejected, BadDesign, Unreachable };

    SensorJob(const SensorTarget &target, Operation operation, QObject *parent = nullptr);
    ~SensorJob() override;

    // The design to write or compare (WriteAll, Verify): model, areas and parameters.
    void setDesign(int deviceType, const PROJECT_DATA &project, const SENSOR_PARAMETERS &parameters);
    void setVerifyAfterWrite(bool verify) { m_verify = verify; }
    void setRestart(bool restart) { m_restart = restart; }
    // The sensor keeps the IP address it has (read before the write or verify), so that a fleet written
    // from one file does not come up at one address.
    void setKeepOwnAddress(bool keep) { m_keepAddress = keep; }

    void start();

    const SensorTarget &target() const { return m_target; }
    ExchangeEngine &engine() { return *m_engine; }
    Status status() const { return m_status; }
    bool finished() const { return m_status != Status::Pending; }
    // The exit code this sensor's outcome stands for.
    int exitCode() const;
    // "written and verified", "unreachable: ...": for the table.
    QString resultText() const { return m_text; }
    // A short word for the JSON result: ok, differences, rejected, refused, unreachable.
    QString resultWord() const;
    int serialNumber() const { return m_serial; }
    double seconds() const { return m_seconds; }
    const ::ProductInfo &product() const { return m_product; }
    const SelfCheckReport &selfCheck() const { return m_selfCheck; }
    const ExchangeEngine::Result &result() const { return m_result; }
    bool restarted() const { return m_restarted; }

signals:
    void progress(const QString &address, const QString &stage, int done, int total);
    void done();

private:
    void runOperation();
    void finish(Status status, const QString &text);

    SensorTarget m_target;
    Operation m_operation;
    std::unique_ptr<ExchangeEngine> m_engine;
    QElapsedTimer m_clock;
    Status m_status = Status::Pending;
    QString m_text;
    int m_serial = -1;
    double m_seconds = 0;
    bool m_verify = true;
    bool m_restart = false;
    bool m_restarted = false;
    bool m_productRead = false;
    bool m_keepAddress = false;
    bool m_readingAddress = false;
    SENSOR_PARAMETERS m_design;
    ::ProductInfo m_product;
    SelfCheckReport m_selfCheck;
    ExchangeEngine::Result m_result;
};
