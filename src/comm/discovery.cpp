#include "comm/discovery.h"

#include "area/dialogs.h"

#include <QComboBox>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QUdpSocket>

namespace {
// Search target: our own domain and model tokens.
const char kSearchTarget[] = "urn:veltrin-org:device:laser-area-scanner:1.0";
} // namespace

QByteArray SensorDiscovery::searchRequest()
{
    QByteArray request;
    request += "M-SEARCH * HTTP/1.1\r\n";
    request += "HOST: 239.255.255.250:1900\r\n";
    request += "MAN: \"ssdp:discover\"\r\n";
    request += "MX: 1\r\n";
    request += QByteArray("ST: ") + kSearchTarget + "\r\n";
    return request;
}

QList<SensorDiscovery::LocalNetwork> SensorDiscovery::localNetworks()
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

QString SensorDiscovery::announcedMode(const QByteArray &answer)
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

SensorDiscovery::SensorDiscovery(QComboBox *addressList, QObject *parent)
    : QObject(parent), m_list(addressList)
{
}

SensorDiscovery::~SensorDiscovery()
{
    deleteSockets();
}

void SensorDiscovery::deleteSockets()
{
    for (QUdpSocket *socket : qAsConst(m_sockets)) {
        socket->disconnect(this);
        socket->close();       // frees the port at once, so the next search can bind it again
        socket->deleteLater(); // an answer may be in delivery right now
    }
    m_sockets.clear();
}

void SensorDiscovery::search()
{
    search(localNetworks());
}

void SensorDiscovery::search(const QList<LocalNetwork> &networks)
{
    deleteSockets();
    m_addresses.clear();
    m_broadcasts.clear();
    m_seen.clear();
    m_requestsSent = 0;
    if (m_list)
        m_list->clear();

    for (const LocalNetwork &n : networks) {
        m_addresses.append(n.address);
        m_broadcasts.append(n.broadcast);
    }

    quint32 port = kFirstBindPort;
    for (const QHostAddress &address : qAsConst(m_addresses)) {
        auto *socket = new QUdpSocket(this);
        // A port held by someone else (the other dialog's search, another copy of the program)
        // would leave this address deaf to its answers: take the next free one instead.
        bool bound = false;
        for (int attempt = 0; attempt < kBindAttempts && port <= 65535 && !bound; ++attempt) {
            bound = socket->bind(address, quint16(port), QUdpSocket::DontShareAddress);
            if (!bound)
                ++port;
        }
        if (bound) {
            connect(socket, &QUdpSocket::readyRead, this, &SensorDiscovery::readAnswers);
            m_sockets.append(socket);
            ++port;
        }
        send(socket, m_broadcasts.at(m_addresses.indexOf(address)));
        if (!bound)
            delete socket; // nobody listens on it; the request went out all the same
    }
    for (QUdpSocket *socket : qAsConst(m_sockets))
        send(socket, QHostAddress(QHostAddress::Broadcast));
}

void SensorDiscovery::send(QUdpSocket *socket, const QHostAddress &to)
{
    static const QByteArray request = searchRequest();
    if (socket->writeDatagram(request, to, kSearchPort) == request.size())
        ++m_requestsSent;
}

void SensorDiscovery::readAnswers()
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

void SensorDiscovery::takeAnswer(const QHostAddress &sender, const QByteArray &answer)
{
    QHostAddress address = sender;
    bool mapped = false;
    const quint32 v4 = sender.toIPv4Address(&mapped);
    if (mapped)
        address = QHostAddress(v4); // an IPv4 peer seen through a dual-stack socket
    const QString text = address.toString();
    if (!text.isEmpty() && !m_seen.contains(text)) {
        m_seen.append(text);
        if (m_list && m_list->findText(text, Qt::MatchExactly) < 0)
            m_list->addItem(text);
        emit sensorFound(text);
    }
    const QString mode = announcedMode(answer);
    if (!mode.isEmpty()) {
        // Each sensor keeps its own mode: with a TCP and a UDP sensor on one network, the last
        // answer must not decide how the other one is reached.
        announcedModes().insert(text, mode == QLatin1String("MODE: UDP") ? 1 : 0);
        emit OpenEthernetMode(mode);
    }
}

QHash<QString, int> &SensorDiscovery::announcedModes()
{
    static QHash<QString, int> modes;
    return modes;
}

int SensorDiscovery::modeOf(const QString &address)
{
    return announcedModes().value(address.trimmed(), 0);
}

void SensorDiscovery::forgetModes()
{
    announcedModes().clear();
}

bool isIPv4Address(const QString &text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString &part : parts) {
        bool ok = false;
        const int value = part.toInt(&ok);
        if (part.isEmpty() || part.size() > 3 || !ok || value < 0 || value > 255 || part.startsWith('+') ||
            part.startsWith('-'))
            return false;
    }
    return true;
}

bool acceptIPv4Address(QWidget *parent, const QString &text, bool english)
{
    if (isIPv4Address(text))
        return true;
    const QString body =
        english ? QStringLiteral("\"%1\" is not an IPv4 address. Enter four numbers from 0 to 255 "
                                 "separated by dots, such as 192.168.1.100.")
                : QStringLiteral("“%1”不是IPv4地址。请输入以点分隔的四个0到255之间的数字，"
                                 "例如 192.168.1.100。");
    Dialogs::ask(parent, Dialogs::Icon::Warning, english ? QStringLiteral("Error") : QStringLiteral("错误"),
                 body.arg(text.trimmed()));
    return false;
}
