#include "mqtt_publisher.h"

#include <QElapsedTimer>
#include <QThread>

#include <mosquitto.h>

namespace {
constexpr int kKeepAliveSeconds = 10;
constexpr int kQos = 1;

// libmosquitto is initialised once per process and cleaned up when the last publisher is gone.
std::atomic<int> g_users{0};
} // namespace

MqttPublisher::MqttPublisher(const QString &host, int port, const QString &clientId, const QString &willTopic,
                             const QByteArray &willPayload, QObject *parent)
    : QObject(parent), m_host(host), m_port(port), m_clientId(clientId.toUtf8()),
      m_willTopic(willTopic.toUtf8()), m_willPayload(willPayload)
{
}

MqttPublisher::~MqttPublisher()
{
    if (m_mosq) {
        if (m_loopRunning) {
            mosquitto_disconnect(m_mosq);
            mosquitto_loop_stop(m_mosq, false);
        }
        mosquitto_destroy(m_mosq);
        if (--g_users == 0)
            mosquitto_lib_cleanup();
    }
}

bool MqttPublisher::start(QString *error)
{
    if (g_users++ == 0)
        mosquitto_lib_init();
    m_mosq = mosquitto_new(m_clientId.constData(), true, this);
    if (!m_mosq) {
        *error = QStringLiteral("cannot create an MQTT client");
        if (--g_users == 0)
            mosquitto_lib_cleanup();
        return false;
    }
    mosquitto_connect_callback_set(m_mosq, &MqttPublisher::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttPublisher::onDisconnect);
    mosquitto_publish_callback_set(m_mosq, &MqttPublisher::onPublish);
    mosquitto_reconnect_delay_set(m_mosq, 1, 10, true);
    int rc = mosquitto_will_set(m_mosq, m_willTopic.constData(), m_willPayload.size(),
                                m_willPayload.constData(), kQos, true);
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = QString("cannot set the last will: %1").arg(QString::fromUtf8(mosquitto_strerror(rc)));
        return false;
    }
    // The thread first, so that it retries even when the broker is not there yet.
    rc = mosquitto_loop_start(m_mosq);
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = QString("cannot start the MQTT thread: %1").arg(QString::fromUtf8(mosquitto_strerror(rc)));
        return false;
    }
    m_loopRunning = true;
    rc = mosquitto_connect_async(m_mosq, m_host.toUtf8().constData(), m_port, kKeepAliveSeconds);
    if (rc == MOSQ_ERR_INVAL) {
        *error = QString("cannot connect to %1: %2").arg(server(), QString::fromUtf8(mosquitto_strerror(rc)));
        return false;
    }
    // Any other failure (refused, no route, unknown name yet) is retried by the network thread.
    if (rc != MOSQ_ERR_SUCCESS)
        connectionEvent(false, QString::fromUtf8(mosquitto_strerror(rc)));
    return true;
}

void MqttPublisher::publish(const QString &topic, const QByteArray &payload, bool retain)
{
    const QByteArray t = topic.toUtf8();
    if (!m_connected.load()) {
        if (retain)
            return; // the caller republishes its state once connected
        m_offline.emplace_back(t, payload);
        while (int(m_offline.size()) > kOfflineQueue)
            m_offline.pop_front();
        return;
    }
    const int rc =
        mosquitto_publish(m_mosq, nullptr, t.constData(), payload.size(), payload.constData(), kQos, retain);
    // Lost the connection just now: it follows once connected again. Other refusals are dropped.
    if (rc == MOSQ_ERR_NO_CONN && !retain)
        m_offline.emplace_back(t, payload);
}

void MqttPublisher::finish(const QString &topic, const QByteArray &payload, int timeoutMs)
{
    if (!m_mosq || !m_loopRunning)
        return;
    if (m_connected.load()) {
        int mid = -1;
        m_finishing = true;
        const QByteArray t = topic.toUtf8();
        if (mosquitto_publish(m_mosq, &mid, t.constData(), payload.size(), payload.constData(), kQos, true) ==
            MOSQ_ERR_SUCCESS) {
            QElapsedTimer clock;
            clock.start();
            for (;;) {
                {
                    std::lock_guard<std::mutex> lock(m_ackedLock);
                    if (m_acked.contains(mid))
                        break;
                }
                if (!m_connected.load() || clock.elapsed() >= timeoutMs)
                    break;
                QThread::msleep(5);
            }
        }
    }
    mosquitto_disconnect(m_mosq);
    mosquitto_loop_stop(m_mosq, false);
    m_loopRunning = false;
    m_connected = false;
}

void MqttPublisher::onConnect(struct mosquitto *, void *self, int rc)
{
    auto *p = static_cast<MqttPublisher *>(self);
    if (rc != 0) {
        const QString why = QString::fromUtf8(mosquitto_connack_string(rc));
        QMetaObject::invokeMethod(
            p, [p, why] { p->connectionEvent(false, why); }, Qt::QueuedConnection);
        return;
    }
    p->m_connected = true;
    QMetaObject::invokeMethod(
        p, [p] { p->connectionEvent(true, QString()); }, Qt::QueuedConnection);
}

void MqttPublisher::onDisconnect(struct mosquitto *, void *self, int rc)
{
    auto *p = static_cast<MqttPublisher *>(self);
    p->m_connected = false;
    const QString why = rc == 0 ? QStringLiteral("disconnected") : QStringLiteral("connection lost");
    QMetaObject::invokeMethod(
        p, [p, why] { p->connectionEvent(false, why); }, Qt::QueuedConnection);
}

void MqttPublisher::onPublish(struct mosquitto *, void *self, int mid)
{
    auto *p = static_cast<MqttPublisher *>(self);
    if (p->m_finishing.load()) {
        std::lock_guard<std::mutex> lock(p->m_ackedLock);
        p->m_acked.insert(mid);
    }
}

void MqttPublisher::connectionEvent(bool connected, const QString &reason)
{
    // Queued events arrive in order; the flag tells the state now, so a stale "connected" is skipped.
    if (connected && !m_connected.load())
        return;
    // A broker that stays away is retried quietly: each failed attempt is not news.
    const QString why = connected || m_everConnected ? reason : QStringLiteral("cannot connect");
    m_everConnected = m_everConnected || connected;
    if (connected == m_reportedConnected && (connected || why == m_lastWhy))
        return;
    m_reportedConnected = connected;
    m_lastWhy = why;
    emit ConnectionChanged(connected, why);
    if (connected) {
        while (!m_offline.empty() && m_connected.load()) {
            const auto &m = m_offline.front();
            if (mosquitto_publish(m_mosq, nullptr, m.first.constData(), m.second.size(), m.second.constData(),
                                  kQos, false) != MOSQ_ERR_SUCCESS)
                break;
            m_offline.pop_front();
        }
    }
}
