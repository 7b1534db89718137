#include "exchange/link.h"

#include <QNetworkDatagram>
#include <QTcpSocket>
#include <QUdpSocket>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

void Link::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    if (state == State::Open || state == State::Opening)
        setError(Failure::None, QString());
    emit stateChanged(state);
}

void Link::fail(Failure failure, const QString &error)
{
    setError(failure, error);
    setState(State::Lost);
}

// ---- Serial ----

namespace {
// A device that went away (an unplugged adapter, the far end of a pseudo-terminal closed) is not
// always reported as a resource error: reads may keep failing with a plain read error instead.
bool lineHungUp(const QSerialPort &port)
{
#ifdef Q_OS_UNIX
    if (!port.isOpen() || port.handle() < 0)
        return false;
    pollfd p{int(port.handle()), 0, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLNVAL));
#else
    Q_UNUSED(port);
    return false;
#endif
}
} // namespace

SerialLink::SerialLink(const QString &device, const SerialLine &line, QObject *parent)
    : Link(Kind::Serial, device, parent), m_port(new QSerialPort(this))
{
    m_port->setPortName(device);
    m_port->setBaudRate(line.baudRate);
    m_port->setDataBits(line.dataBits);
    m_port->setParity(line.parity);
    m_port->setStopBits(line.stopBits);
    m_port->setFlowControl(line.flowControl);
    connect(m_port, &QSerialPort::readyRead, this, [this] {
        const QByteArray bytes = m_port->readAll();
        if (!bytes.isEmpty())
            emit bytesArrived(bytes);
    });
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialLink::portError);
}

SerialLink::~SerialLink()
{
    m_port->disconnect(this);
}

bool SerialLink::open()
{
    m_port->close();
    if (!m_port->open(QIODevice::ReadWrite)) {
        setError(m_port->error() == QSerialPort::DeviceNotFoundError ? Failure::Vanished : Failure::Other,
                 m_port->errorString());
        m_port->close();
        setState(State::Closed);
        return false;
    }
    setState(State::Open);
    return true;
}

void SerialLink::close()
{
    m_port->close();
    setState(State::Closed);
}

void SerialLink::write(const char *data, qint64 size)
{
    if (isOpen())
        m_port->write(data, size);
}

// Only a device that is gone ends the link; a parity or framing slip is the exchange's business.
void SerialLink::portError(QSerialPort::SerialPortError error)
{
    const bool gone =
        error == QSerialPort::ResourceError ||
        ((error == QSerialPort::ReadError || error == QSerialPort::WriteError) && lineHungUp(*m_port));
    if (!gone || state() != State::Open)
        return;
    const QString why = m_port->errorString();
    m_port->close();
    fail(Failure::Vanished, why);
}

// ---- TCP ----

TcpLink::TcpLink(const QHostAddress &address, quint16 port, QObject *parent)
    : Link(Kind::Tcp, QStringLiteral("%1:%2").arg(address.toString()).arg(port), parent),
      m_socket(new QTcpSocket(this)), m_address(address), m_port(port)
{
    connect(m_socket, &QTcpSocket::readyRead, this, [this] {
        const QByteArray bytes = m_socket->readAll();
        if (!bytes.isEmpty())
            emit bytesArrived(bytes);
    });
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        if (state() == State::Opening)
            setState(State::Open);
    });
    // Handled from the event loop, not inside connectToHost or abort, which may report at once.
    connect(m_socket, &QTcpSocket::errorOccurred, this, &TcpLink::socketDown, Qt::QueuedConnection);
    connect(m_socket, &QTcpSocket::disconnected, this, &TcpLink::socketDown, Qt::QueuedConnection);
}

TcpLink::~TcpLink()
{
    m_socket->disconnect(this);
    m_socket->abort();
}

bool TcpLink::open()
{
    m_socket->abort(); // a socket still busy with an earlier attempt would ignore the new one
    setState(State::Opening);
    // Frames written while connecting wait in the socket until the connection stands.
    m_socket->connectToHost(m_address, m_port, QIODevice::ReadWrite);
    return true;
}

void TcpLink::close()
{
    setState(State::Closed); // first: the abort's own reports are not a loss
    m_socket->abort();
}

void TcpLink::write(const char *data, qint64 size)
{
    if (state() == State::Open || state() == State::Opening)
        m_socket->write(data, size);
}

// A report may be older than the attempt that runs now: only a socket that is down counts.
void TcpLink::socketDown()
{
    if ((state() != State::Open && state() != State::Opening) ||
        m_socket->state() != QAbstractSocket::UnconnectedState)
        return;
    Failure failure = Failure::Other;
    switch (m_socket->error()) {
    case QAbstractSocket::ConnectionRefusedError: failure = Failure::Refused; break;
    case QAbstractSocket::RemoteHostClosedError: failure = Failure::Closed; break;
    case QAbstractSocket::NetworkError:
    case QAbstractSocket::HostNotFoundError: failure = Failure::Unreachable; break;
    case QAbstractSocket::SocketTimeoutError: failure = Failure::TimedOut; break;
    default:
        // A clean hang-up reports no error of its own.
        if (state() == State::Open)
            failure = Failure::Closed;
        break;
    }
    fail(failure, m_socket->errorString());
}

// ---- UDP ----

UdpLink::UdpLink(const QHostAddress &address, quint16 port, QObject *parent)
    : Link(Kind::Udp, QStringLiteral("%1:%2").arg(address.toString()).arg(port), parent),
      m_socket(new QUdpSocket(this)), m_address(address), m_port(port)
{
    connect(m_socket, &QUdpSocket::readyRead, this, [this] {
        QByteArray bytes;
        while (m_socket->hasPendingDatagrams())
            bytes += m_socket->receiveDatagram().data();
        if (!bytes.isEmpty())
            emit bytesArrived(bytes);
    });
}

UdpLink::~UdpLink()
{
    m_socket->disconnect(this);
    m_socket->abort();
}

bool UdpLink::open()
{
    m_socket->abort();
    // Connecting a datagram socket fixes its peer: plain writes go there and only its answers are read.
    m_socket->connectToHost(m_address, m_port, QIODevice::ReadWrite);
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        setError(Failure::Other, m_socket->errorString());
        m_socket->abort();
        setState(State::Closed);
        return false;
    }
    setState(State::Open);
    return true;
}

void UdpLink::close()
{
    setState(State::Closed);
    m_socket->abort();
}

void UdpLink::write(const char *data, qint64 size)
{
    if (isOpen())
        m_socket->write(data, size);
}
