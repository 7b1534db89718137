#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

class QUdpSocket;

// True for a dotted-quad IPv4 address ("192.168.1.100"), each part 0 to 255 in decimal without leading
// zeros.
bool isIPv4Address(const QString &text);

// Finds sensors on the local IPv4 networks: an M-SEARCH datagram goes to the broadcast address of
// every usable local address (and to 255.255.255.255); whoever answers is a sensor. Answers are
// taken whenever they arrive, until the sockets are deleted. Without widgets: the dialogs list what
// it finds through SensorDiscovery, the command line prints it.
class SensorSearch : public QObject {
    Q_OBJECT

public:
    static constexpr quint16 kFirstBindPort = 50000;
    static constexpr quint16 kSearchPort = 1900;
    // Ports tried past a busy one (another dialog or program may hold it).
    static constexpr int kBindAttempts = 64;

    // One local IPv4 address with the broadcast address of its subnet.
    struct LocalNetwork {
        QHostAddress address;
        QHostAddress broadcast;
    };

    // The search datagram: five lines, each ended by CR LF.
    static QByteArray searchRequest();
    // Every local IPv4 address, loopback excluded, that has a broadcast address; in interface order.
    static QList<LocalNetwork> localNetworks();
    // "MODE: TCP" or "MODE: UDP" when an answer announces one of them, otherwise an empty string.
    static QString announcedMode(const QByteArray &answer);

    explicit SensorSearch(QObject *parent = nullptr);
    ~SensorSearch() override;

    // Starts a new search on the local networks (or on the given ones): forgets the previous
    // sockets and the sensors found so far first (searchStarted).
    void search();
    void search(const QList<LocalNetwork> &networks);
    // Sends the search from one socket to each of the given addresses (a subnet's broadcast address,
    // or one host) instead of to the local networks.
    void searchAt(const QList<QHostAddress> &targets);
    // Closes and drops the listening sockets; later answers are not read.
    void deleteSockets();

    // Takes one answer: lists the sender and passes on an announced mode.
    void takeAnswer(const QHostAddress &sender, const QByteArray &answer);

    // The Ethernet mode (0 TCP, 1 UDP) the sensor at address announced in any search of this run;
    // TCP for an address that never announced one.
    static int modeOf(const QString &address);
    static void forgetModes(); // for tests

    const QList<QUdpSocket *> &sockets() const { return m_sockets; }
    const QList<QHostAddress> &addresses() const { return m_addresses; }
    const QList<QHostAddress> &broadcasts() const { return m_broadcasts; }
    // Datagrams this discovery has sent since the last search began (for tests).
    int requestsSent() const { return m_requestsSent; }

public slots:
    // Reads every pending answer of every listening socket.
    void readAnswers();

    // Sensors that answered this search, in order of their first answer.
    const QList<QString> &found() const { return m_seen; }

signals:
    void searchStarted();
    // A sensor address seen for the first time in this search.
    void sensorFound(const QString &address);
    // "MODE: TCP" or "MODE: UDP", as announced by an answer.
    void OpenEthernetMode(QString Type);

private:
    void restart();
    bool bindFrom(QUdpSocket *socket, const QHostAddress &address, quint32 &port);
    void send(QUdpSocket *socket, const QHostAddress &to);
    static QHash<QString, int> &announcedModes();

    QList<QUdpSocket *> m_sockets;
    QList<QHostAddress> m_addresses;
    QList<QHostAddress> m_broadcasts;
    QList<QString> m_seen; // senders of this search
    int m_requestsSent = 0;
};
