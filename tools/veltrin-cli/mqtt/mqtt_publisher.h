#pragma once

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>

#include <atomic>
#include <deque>
#include <mutex>
#include <utility>

struct mosquitto;

// Publishes to an MQTT broker through libmosquitto, QoS 1, from the caller's (Qt) thread.
//
// The network runs on libmosquitto's own thread (mosquitto_loop_start): name look-up, connecting,
// reconnecting with back-off and writing all happen there, so a broker that is slow, gone or behind a
// dead name server never holds up the thread that exchanges with the sensors; publish() only hands a
// message over. The library's callbacks are passed to the Qt thread as queued calls.
//
// While the broker is away, retained messages are not kept (the caller republishes its latest state on
// ConnectionChanged(true)); other messages wait in a bounded queue and follow once connected again.
class MqttPublisher : public QObject {
    Q_OBJECT
public:
    // Messages kept while the broker is away; the oldest go first when more arrive.
    static constexpr int kOfflineQueue = 10000;

    // willTopic gets willPayload (retained) from the broker when the connection ends without a goodbye.
    MqttPublisher(const QString &host, int port, const QString &clientId, const QString &willTopic,
                  const QByteArray &willPayload, QObject *parent = nullptr);
    ~MqttPublisher() override;

    // Starts connecting in the background; false with the reason when it cannot even begin.
    bool start(QString *error);
    bool isConnected() const { return m_connected.load(); }
    void publish(const QString &topic, const QByteArray &payload, bool retain);
    // Publishes a last retained message, waits (up to timeoutMs) for the broker to take it, then
    // disconnects and stops the network thread.
    void finish(const QString &topic, const QByteArray &payload, int timeoutMs = 3000);
    QString server() const { return QString("%1:%2").arg(m_host).arg(m_port); }

signals:
    // Connected (after the broker's CONNACK), or the connection ended (with why).
    void ConnectionChanged(bool connected, const QString &why);

private:
    static void onConnect(struct mosquitto *, void *self, int rc);
    static void onDisconnect(struct mosquitto *, void *self, int rc);
    static void onPublish(struct mosquitto *, void *self, int mid);
    void connectionEvent(bool connected, const QString &why);

    QString m_host;
    int m_port;
    QByteArray m_clientId, m_willTopic, m_willPayload;
    struct mosquitto *m_mosq = nullptr;
    bool m_loopRunning = false;
    std::atomic<bool> m_connected{false};
    // While finishing: the ids the broker acknowledged (the goodbye's may come before its id is known).
    std::atomic<bool> m_finishing{false};
    std::mutex m_ackedLock;
    QSet<int> m_acked;
    bool m_reportedConnected = false;
    QString m_lastWhy;
    bool m_everConnected = false;
    std::deque<std::pair<QByteArray, QByteArray>> m_offline; // topic, payload
};
