// Sensor discovery without a second host: the search datagram, how answers are read, and a search
// over loopback addresses standing in for two local networks, answered by in-test peers.

#include "comm/discovery.h"

#include <QComboBox>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtTest>

namespace {

// Plays a sensor on port 1900 of one loopback address: answers every search with its text.
class Peer : public QObject {
public:
    Peer(const QString &address, const QByteArray &answer) : m_answer(answer)
    {
        bound = m_socket.bind(QHostAddress(address), SensorDiscovery::kSearchPort);
        connect(&m_socket, &QUdpSocket::readyRead, this, [this] {
            while (m_socket.hasPendingDatagrams()) {
                const QNetworkDatagram d = m_socket.receiveDatagram();
                requests << d;
                m_socket.writeDatagram(m_answer, d.senderAddress(), quint16(d.senderPort()));
            }
        });
    }
    bool bound = false;
    QList<QNetworkDatagram> requests;

private:
    QUdpSocket m_socket;
    QByteArray m_answer;
};

QStringList items(const QComboBox &box)
{
    QStringList list;
    for (int i = 0; i < box.count(); ++i)
        list << box.itemText(i);
    return list;
}

} // namespace

class TestDiscovery : public QObject {
    Q_OBJECT

private slots:
    void searchRequestIsFiveCrLfLines()
    {
        const QByteArray request = SensorDiscovery::searchRequest();
        QVERIFY(request.endsWith("\r\n"));
        QVERIFY(!request.endsWith("\r\n\r\n"));
        const QList<QByteArray> lines = request.left(request.size() - 2).split('\n');
        QCOMPARE(lines.size(), 5);
        for (int i = 0; i < 4; ++i)
            QVERIFY(lines[i].endsWith('\r'));
        QCOMPARE(lines[0], QByteArray("M-SEARCH * HTTP/1.1\r"));
        QCOMPARE(lines[1], QByteArray("HOST: 239.255.255.250:1900\r"));
        QCOMPARE(lines[2], QByteArray("MAN: \"ssdp:discover\"\r"));
        QCOMPARE(lines[3], QByteArray("MX: 1\r"));
        const QByteArray st = lines[4];
        QVERIFY(st.startsWith("ST: urn:"));
        QVERIFY(st.endsWith(":1.0"));
        QCOMPARE(st.count(':'), 5); // ST: urn:DOMAIN:device:MODEL:1.0
        QVERIFY(st.contains(":device:"));
    }

    void announcedMode_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("mode");
        QTest::newRow("tcp line") << QByteArray("HTTP/1.1 200 OK\r\nMODE: TCP\r\n\r\n") << "MODE: TCP";
        QTest::newRow("udp then zero") << QByteArray("MODE: UDP\0garbage", 17) << "MODE: UDP";
        QTest::newRow("udp at the very end") << QByteArray("x MODE: UDP") << "MODE: UDP";
        QTest::newRow("nine bytes only") << QByteArray("MODE: TCPX") << "MODE: TCP";
        QTest::newRow("lower case") << QByteArray("mode: udp\r\n") << "";
        QTest::newRow("zero inside") << QByteArray("MODE: U\0P", 9) << "";
        QTest::newRow("cut short") << QByteArray("MODE: UD") << "";
        QTest::newRow("other transport") << QByteArray("MODE: SCTP") << "";
        QTest::newRow("no mode") << QByteArray("HTTP/1.1 200 OK\r\n\r\n") << "";
        QTest::newRow("empty") << QByteArray() << "";
    }
    void announcedMode()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, mode);
        QCOMPARE(SensorDiscovery::announcedMode(answer), mode);
    }

    void answersListEachSenderOnceAndPassOnTheMode()
    {
        QComboBox list;
        list.setEditable(true);
        SensorDiscovery discovery(&list);
        QSignalSpy modes(&discovery, &SensorDiscovery::OpenEthernetMode);
        QSignalSpy found(&discovery, &SensorDiscovery::sensorFound);

        discovery.takeAnswer(QHostAddress("10.0.0.7"), "MODE: TCP\r\n");
        discovery.takeAnswer(QHostAddress("10.0.0.8"), "MODE: UDP\r\n");
        discovery.takeAnswer(QHostAddress("10.0.0.7"), "MODE: UDP\r\n");
        discovery.takeAnswer(QHostAddress("::ffff:10.0.0.8"), "no mode here");
        QCOMPARE(items(list), (QStringList{"10.0.0.7", "10.0.0.8"}));
        QCOMPARE(found.count(), 2);
        QCOMPARE(modes.count(), 3);
        QCOMPARE(modes.last()[0].toString(), QStringLiteral("MODE: UDP"));

        // An address the user typed earlier is not listed twice either.
        list.addItem("10.0.0.9");
        discovery.takeAnswer(QHostAddress("10.0.0.9"), "");
        QCOMPARE(list.count(), 3);
    }

    void searchOverTwoNetworksBindsSuccessivePortsAndListsAnswersOnce()
    {
        Peer sensorA("127.0.0.53", "HTTP/1.1 200 OK\r\nMODE: UDP\r\n\r\n");
        Peer sensorB("127.0.0.54", "HTTP/1.1 200 OK\r\n\r\n");
        QVERIFY(sensorA.bound && sensorB.bound);

        QComboBox list;
        list.addItem("left over");
        SensorDiscovery discovery(&list);
        QSignalSpy modes(&discovery, &SensorDiscovery::OpenEthernetMode);
        // Two "local networks" whose broadcast addresses are the two peers.
        discovery.search({{QHostAddress("127.0.0.51"), QHostAddress("127.0.0.53")},
                          {QHostAddress("127.0.0.52"), QHostAddress("127.0.0.54")}});
        QCOMPARE(list.count(), 0); // answers are read from the event loop, later
        QCOMPARE(discovery.sockets().size(), 2);
        QCOMPARE(discovery.sockets()[0]->localAddress(), QHostAddress("127.0.0.51"));
        QCOMPARE(discovery.sockets()[0]->localPort(), quint16(50000));
        QCOMPARE(discovery.sockets()[1]->localPort(), quint16(50001));

        QTRY_COMPARE(list.count(), 2);
        QTest::qWait(200);
        QCOMPARE(list.count(), 2);
        QVERIFY(items(list).contains("127.0.0.53") && items(list).contains("127.0.0.54"));
        QCOMPARE(modes.count(), 1);
        QCOMPARE(modes[0][0].toString(), QStringLiteral("MODE: UDP"));
        QCOMPARE(sensorA.requests.size(), 1);
        QCOMPARE(sensorA.requests[0].senderAddress(), QHostAddress("127.0.0.51"));
        QCOMPARE(sensorA.requests[0].data(), SensorDiscovery::searchRequest());

        // A new search starts from an empty list; ended sockets read nothing more.
        discovery.search({{QHostAddress("127.0.0.51"), QHostAddress("127.0.0.53")}});
        QCOMPARE(discovery.sockets()[0]->localPort(), quint16(50000));
        QTRY_COMPARE(list.count(), 1);
        discovery.deleteSockets();
        QVERIFY(discovery.sockets().isEmpty());
    }

    void aPortHeldElsewhereMovesTheSearchToTheNextFreeOne()
    {
        Peer sensor("127.0.0.57", "MODE: TCP");
        QUdpSocket squatter;
        QVERIFY(squatter.bind(QHostAddress("127.0.0.55"), 50000));
        QComboBox list;
        SensorDiscovery discovery(&list);
        discovery.search({{QHostAddress("127.0.0.55"), QHostAddress("127.0.0.57")},
                          {QHostAddress("127.0.0.56"), QHostAddress("127.0.0.57")}});
        QCOMPARE(discovery.sockets().size(), 2);
        QCOMPARE(discovery.sockets()[0]->localPort(), quint16(50001));
        QCOMPARE(discovery.sockets()[1]->localPort(), quint16(50002));
        QTRY_COMPARE(list.count(), 1);
        QCOMPARE(list.itemText(0), QStringLiteral("127.0.0.57"));
    }

    void noLocalNetworkMeansNoSocketAndNoDatagram()
    {
        QComboBox list;
        SensorDiscovery discovery(&list);
        discovery.search({});
        QVERIFY(discovery.sockets().isEmpty());
        QCOMPARE(discovery.requestsSent(), 0);
        // Loopback never counts as a local network.
        for (const SensorDiscovery::LocalNetwork &n : SensorDiscovery::localNetworks()) {
            QVERIFY(!n.address.isLoopback());
            QCOMPARE(n.address.protocol(), QAbstractSocket::IPv4Protocol);
            QVERIFY(!n.broadcast.isNull());
        }
    }
};

QTEST_MAIN(TestDiscovery)
#include "tst_discovery.moc"
