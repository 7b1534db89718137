#include "comm/net/sensor_search.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QUdpSocket>

namespace {
// Search target: our own domain and model tokens.
const char kSearchTarget[] = "urn:veltrin-org:device:laser-area-scanner:1.0";
} // namespace

QByteArray SensorSearch::searchRequest()
{
    QByteArray request;
    request += "M-SEARCH * HTTP/1.1\r\n";
    request += "HOST: 239.255.255.250:1900\r\n";
    request += "MAN: \"ssdp:discover\"\r\n";
    request += "MX: 1\r\n";
    request += QByteArray("ST: ") + kSearchTarget + "\r\n";
    return request;
}

QList<SensorSearch::LocalNetwork> SensorSearch::localNetworks()
{
    QList<LocalNetwork> networks;
    for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces()) {
        for (const QNetworkAddressEntry &entry : iface.addressEntries()) {
            const QHostAddress ip = entry.ip();
            if (entry.broadcast().isNull() || ip == QHostAddress(QHostAddress::LocalHost) ||
                ip.protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            networks.append({ip, entry.broadcast()});
        }
    }
    return networks;
}

QString SensorSearch::announcedMode(const QByteArray &answer)
{
    const int at = answer.indexOf("MODE:");
    if (at < 0)
        return QString();
    QByteArray text = answer.mid(at, 9);
    const int zero = text.indexOf('\0');
    if (zero >= 0)
        text.truncate(zero);
    if (text == "MODE: TCP" || text == "MODE: UDP")
        return QString::fromLatin1(text);
    return QString();
}

SensorSearch::SensorSearch(QObject *parent) : QObject(parent) {}

SensorSearch::~SensorSearch()
{
    deleteSockets();
}

void SensorSearch::deleteSockets()
{
    for (QUdpSocket *socket : qAsConst(m_sockets)) {
        socket->disconnect(this);
        socket->close();       // frees the port at once, so the next search can bind it again
        socket->deleteLater(); // an answer may be in delivery right now
    }
    m_sockets.clear();
}

void SensorSearch::search()
{
    search(localNetworks());
}

void SensorSearch::restart()
{
    deleteSockets();
    m_addresses.clear();
    m_broadcasts.clear();
    m_seen.clear();
    m_requestsSent = 0;
    emit searchStarted();
}

bool SensorSearch::bindFrom(QUdpSocket *socket, const QHostAddress &address, quint32 &port)
{
    // A port held by someone else (the other dialog's search, another copy of the program)
    // would leave this address deaf to its answers: take the next free one instead.
    bool bound = false;
    for (int attempt = 0; attempt < kBindAttempts && port <= 65535 && !bound; ++attempt) {
        bound = socket->bind(address, quint16(port), QUdpSocket::DontShareAddress);
        if (!bound)
            ++port;
    }
    if (bound) {
        connect(socket, &QUdpSocket::readyRead, this, &SensorSearch::readAnswers);
        m_sockets.append(socket);
        ++port;
    }
    return bound;
}

void SensorSearch::searchAt(const QList<QHostAddress> &targets)
{
    restart();
    auto *socket = new QUdpSocket(this);
    quint32 port = kFirstBindPort;
    const bool bound = bindFrom(socket, QHostAddress(QHostAddress::AnyIPv4), port);
    for (const QHostAddress &target : targets)
        send(socket, target);
    if (!bound)
        delete socket;
}

void SensorSearch::search(const QList<LocalNetwork> &networks)
{
    restart();
    for (const LocalNetwork &n : networks) {
        m_addresses.append(n.address);
        m_broadcasts.append(n.broadcast);
    }

    quint32 port = kFirstBindPort;
    for (const QHostAddress &address : qAsConst(m_addresses)) {
        auto *socket = new QUdpSocket(this);
        const bool bound = bindFrom(socket, address, port);
        send(socket, m_broadcasts.at(m_addresses.indexOf(address)));
        if (!bound)
            delete socket; // nobody listens on it; the request went out all the same
    }
    for (QUdpSocket *socket : qAsConst(m_sockets))
        send(socket, QHostAddress(QHostAddress::Broadcast));
}

void SensorSearch::send(QUdpSocket *socket, const QHostAddress &to)
{
    static const QByteArray request = searchRequest();
    if (socket->writeDatagram(request, to, kSearchPort) == request.size())
        ++m_requestsSent;
}

void SensorSearch::readAnswers()
{
    const QList<QUdpSocket *> sockets = m_sockets; // a receiver may end the search
    for (QUdpSocket *socket : sockets) {
        while (m_sockets.contains(socket) && socket->hasPendingDatagrams()) {
            const QNetworkDatagram datagram = socket->receiveDatagram();
            if (!datagram.isValid())
                break;
            takeAnswer(datagram.senderAddress(), datagram.data());
        }
    }
}

void SensorSearch::takeAnswer(const QHostAddress &sender, const QByteArray &answer)
{
    QHostAddress address = sender;
    bool mapped = false;
    const quint32 v4 = sender.toIPv4Address(&mapped);
    if (mapped)
        address = QHostAddress(v4); // an IPv4 peer seen through a dual-stack socket
    const QString text = address.toString();
    // Each sensor keeps its own mode: with a TCP and a UDP sensor on one network, the last answer
    // must not decide how the other one is reached. Known before the sensor is announced.
    const QString mode = announcedMode(answer);
    if (!mode.isEmpty())
        announcedModes().insert(text, mode == QLatin1String("MODE: UDP") ? 1 : 0);
    if (!text.isEmpty() && !m_seen.contains(text)) {
        m_seen.append(text);
        emit sensorFound(text);
    }
    if (!mode.isEmpty())
        emit OpenEthernetMode(mode);
}

QHash<QString, int> &SensorSearch::announcedModes()
{
    static QHash<QString, int> modes;
    return modes;
}

int SensorSearch::modeOf(const QString &address)
{
    return announcedModes().value(address.trimmed(), 0);
}

void SensorSearch::forgetModes()
{
    announcedModes().clear();
}

bool isIPv4Address(const QString &text)
{
    // Decimal only: "127.0.0.025" would be opened as octal (.21) by the socket layer.
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3 || (part.size() > 1 && part.startsWith(QLatin1Char('0'))))
            return false;
        for (const QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        if (part.toInt() > 255)
            return false;
    }
    return true;
}
