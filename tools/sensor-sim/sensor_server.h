#pragma once

#include "scene.h"
#include "sensor_state.h"
#include "sim_options.h"
#include "zone_eval.h"

#include "comm/codec/frame_records.h"
#include "comm/codec/requests.h"
#include "comm/codec/scan_data.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <deque>
#include <list>
#include <memory>
#include <optional>

class QSocketNotifier;
class QTcpServer;
class QTcpSocket;
class QUdpSocket;

// The simulated sensor: serves its command protocol on a TCP server, a UDP socket and optionally a
// pseudo-terminal, streams "HISN" scan packets after "RAuto" 1, answers discovery when asked to, and
// injects the faults the options ask for.
class SensorServer : public QObject {
    Q_OBJECT
public:
    explicit SensorServer(const SimOptions &options, QObject *parent = nullptr);
    ~SensorServer() override;

    // Opens every endpoint; on failure *error says which and why.
    bool start(QString *error);
    // The line printed once everything listens.
    QString readyLine() const;

private:
    struct Link;
    struct Stream;

    void acceptTcp();
    void readTcp(Link *link);
    void readUdp();
    void readPty();
    void flushPty();
    void readDiscovery(QUdpSocket *socket);

    void receive(Link *link, const QByteArray &bytes);
    void runRequests(Link *link);
    void giveUpCutShortFrames();
    void handle(Link *link, const ParsedRequest &request);
    void reply(Link *link, const QByteArray &frame, bool checked);
    void send(Link *link, const QByteArray &bytes, bool chunked);
    void writeNow(Link *link, const QByteArray &bytes);
    void pumpChunks();
    qint64 backlog(Link *link) const;
    void removeLink(Link *link);
    bool hasLink(const Link *link) const;

    void reboot();
    void bootEnds();
    void streamTick();
    void feedStream(Link *link, Stream &stream, double elapsed);
    void endStream(const Link *link, std::unique_ptr<Stream> &stream);
    void reportStream(const Link *link, const Stream &stream) const;

    // Scan settings in force: stored parameters, overridden by the last scan control request.
    int pointsPerDegree() const;
    double scanRate() const;
    bool sleeping() const;
    double sceneSeconds() const;
    void scanBeams(quint16 *distance, quint16 *intensity) const; // 640 serial beams, now
    SelfCheckReport selfCheck() const;
    // The area the sensor has active: its option, or what the simulated inputs or case channels choose.
    int activeArea() const;
    bool streaming() const;
    // The outputs take one scan of the active area.
    void takeScan(const quint16 *distance, int count, bool serial, double seconds) const;

    SimOptions m_options;
    SensorState m_state;
    SimScene m_scene;
    // What the sensor sees along a bearing at a time: the simulated room, or the replayed recording.
    SimScene::Beam sceneBeam(double bearingDeg, double seconds, quint32 noiseKey) const;
    int replayPointsPerDegree() const;
    mutable int m_replayIndex = -1;
    mutable QVector<quint16> m_replayDistance, m_replayIntensity;
    QElapsedTimer m_clock;

    // Runtime state, gone after a reboot.
    SimulationRequest m_simulation;
    std::optional<SENSOR_CONTROL> m_scanControl;
    quint32 m_revolution = 0;
    // The output lamps, switched scan by scan; the self-check report reads them.
    mutable SimOutputs m_outputs;

    // Fault injection counters.
    quint64 m_requestCount = 0;
    quint64 m_checkedReplyCount = 0;
    quint64 m_replyCount = 0;
    QHash<int, int> m_requestsByCode; // FrameCode -> requests of that code so far

    QTcpServer *m_tcp = nullptr;
    QUdpSocket *m_udp = nullptr;
    QList<QUdpSocket *> m_discovery;
    int m_ptyMaster = -1;
    int m_ptySlave = -1; // held open so the master never sees a hang-up between clients
    QString m_ptyPath;
    QSocketNotifier *m_ptyRead = nullptr;
    QSocketNotifier *m_ptyWrite = nullptr;
    QByteArray m_ptyPending;

    std::list<std::unique_ptr<Link>> m_links;
    Link *m_ptyLink = nullptr;
    Link *m_udpTarget = nullptr; // last UDP sender: where the UDP stream goes
    std::unique_ptr<Stream> m_udpStream;

    // While restarting the sensor is deaf: no TCP listener, UDP and pty bytes are dropped.
    bool m_booting = false;
    QTimer m_bootTimer;

    QTimer m_streamTimer;
    QTimer m_chunkTimer;
    QTimer m_cutShortTimer; // a frame that stopped arriving was cut short
    QElapsedTimer m_streamClock;
    double m_lastTick = 0;
};
