#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QSerialPort>
#include <QString>

class QTcpSocket;
class QUdpSocket;

// A byte pipe to one sensor, whatever carries it. It knows nothing of frames: it opens, closes,
// writes bytes and says what arrived and how it stands. When the far end refuses, hangs up or the
// device vanishes, the link becomes Lost with the reason; it never reopens by itself.
class Link : public QObject {
    Q_OBJECT

public:
    enum class Kind { Serial, Tcp, Udp };
    Q_ENUM(Kind)
    enum class State { Closed, Opening, Open, Lost };
    Q_ENUM(State)
    // Why a link could not open or was lost, for a text in the reader's language.
    enum class Failure { None, Refused, Closed, Unreachable, TimedOut, Vanished, Other };
    Q_ENUM(Failure)

    Kind kind() const { return m_kind; }
    bool ethernet() const { return m_kind != Kind::Serial; }
    State state() const { return m_state; }
    bool isOpen() const { return m_state == State::Open; }
    Failure failure() const { return m_failure; }
    // The system's own words for the failure.
    QString errorString() const { return m_error; }
    // "127.0.21.5:8080" or "/dev/ttyUSB0".
    QString peerName() const { return m_peer; }

    // Starts opening. Serial and UDP are Open at once; TCP is Opening until the sensor accepts.
    // False (failure() and errorString() say why, the state is Closed) when it cannot even start.
    // Opening an open link opens it afresh.
    virtual bool open() = 0;
    // Closed for good, without a loss being reported.
    virtual void close() = 0;
    // Bytes for the sensor; dropped unless Open (a TCP link also queues them while Opening).
    virtual void write(const char *data, qint64 size) = 0;

signals:
    void bytesArrived(const QByteArray &bytes);
    void stateChanged(Link::State state);

protected:
    Link(Kind kind, const QString &peer, QObject *parent) : QObject(parent), m_kind(kind), m_peer(peer) {}
    void setState(State state);
    void fail(Failure failure, const QString &error);
    void setError(Failure failure, const QString &error)
    {
        m_failure = failure;
        m_error = error;
    }

private:
    const Kind m_kind;
    const QString m_peer;
    State m_state = State::Closed;
    Failure m_failure = Failure::None;
    QString m_error;
};

// The line settings of a serial link; the sensor's own are 8 data bits, no parity, one stop bit.
struct SerialLine {
    qint32 baudRate = 115200;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QSerialPort::FlowControl flowControl = QSerialPort::NoFlowControl;
};

class SerialLink : public Link {
    Q_OBJECT
public:
    SerialLink(const QString &device, const SerialLine &line, QObject *parent = nullptr);
    ~SerialLink() override;
    bool open() override;
    void close() override;
    void write(const char *data, qint64 size) override;
    const QSerialPort &port() const { return *m_port; }

private:
    void portError(QSerialPort::SerialPortError error);
    QSerialPort *m_port;
};

class TcpLink : public Link {
    Q_OBJECT
public:
    TcpLink(const QHostAddress &address, quint16 port, QObject *parent = nullptr);
    ~TcpLink() override;
    bool open() override;
    void close() override;
    void write(const char *data, qint64 size) override;

private:
    void socketDown();
    QTcpSocket *m_socket;
    QHostAddress m_address;
    quint16 m_port;
};

// Connected to the sensor, so only its datagrams are read. Datagrams carry no connection: a sensor
// that is not there shows up only as missing answers, which the exchange above decides on.
class UdpLink : public Link {
    Q_OBJECT
public:
    UdpLink(const QHostAddress &address, quint16 port, QObject *parent = nullptr);
    ~UdpLink() override;
    bool open() override;
    void close() override;
    void write(const char *data, qint64 size) override;

private:
    QUdpSocket *m_socket;
    QHostAddress m_address;
    quint16 m_port;
};
