#include "sensor_server.h"

#include "scan/scan_recording.h"

#include "zone_eval.h"

#include "area/store/device_type.h"
#include "comm/codec/area_codec.h"
#include "comm/codec/crc16.h"
#include "comm/codec/frame_catalogue.h"
#include "comm/codec/hisn.h"
#include "comm/codec/replies.h"

#include <QDateTime>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtMath>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kStreamTickMs = 10;
constexpr int kChunkTickMs = 2;
// A client that does not read its stream loses whole revolutions instead of growing our buffers.
constexpr qint64 kStreamBacklogLimit = 1 << 20;
constexpr int kPtyPendingLimit = 1 << 20;
// Replies waiting for a TCP client: past this the stand-in stops reading from it until it catches up,
// so a client that never reads cannot grow it; TCP's own flow control then holds the client back.
constexpr qint64 kReplyBacklogLimit = 1 << 20;
constexpr qint64 kSocketReadBuffer = 64 * 1024;
// A frame that has not grown for this long was cut short (a line that fell silent mid-frame).
constexpr int kCutShortMs = 300;
constexpr int kMaxUdpPeers = 64;
constexpr int kDegreesPerPacket = 10;

const uchar *bytesOf(const QByteArray &a)
{
    return reinterpret_cast<const uchar *>(a.constData());
}

} // namespace

struct SensorServer::Stream {
    QByteArray revolution;   // the packets of the revolution being sent
    QVector<int> packetEnds; // end offset of each packet in revolution
    int nextPacket = 0;
    double due = 0; // packets owed by the clock
    // What the stream delivered, reported when it ends: a client that falls behind shows as skipped
    // revolutions, or as sent revolutions it never showed, never as a slow stand-in.
    quint64 sent = 0;    // revolutions whose last packet went out
    quint64 skipped = 0; // revolutions not sent because the client had not read the earlier ones
    // The revolution being sent, taken by the outputs once its last packet is out: a self-check
    // answered before then reports what the sensor decided on the revolution the client already has.
    QVector<quint16> distance;
    double seconds = 0;
};

struct SensorServer::Link {
    enum Kind { Tcp, Udp, Pty };
    Kind kind = Tcp;
    QTcpSocket *socket = nullptr;
    QHostAddress address; // UDP sender, TCP peer
    quint16 port = 0;
    QByteArray rx;
    std::deque<std::pair<QByteArray, bool>> queue; // output waiting behind a chunked reply
    int queueOffset = 0;
    std::unique_ptr<Stream> stream; // TCP: streaming while set
    quint64 lastUsed = 0;
    qint64 lastByteMs = 0; // when the last bytes came in
    bool paused = false;   // TCP: not reading while its replies back up
};

SensorServer::SensorServer(const SimOptions &options, QObject *parent) : QObject(parent), m_options(options)
{
    m_state.product.SerialNumber = quint16(m_options.serialNumber);
    m_clock.start();
    m_streamClock.start();
    m_streamTimer.setTimerType(Qt::PreciseTimer);
    m_streamTimer.setInterval(kStreamTickMs);
    connect(&m_streamTimer, &QTimer::timeout, this, &SensorServer::streamTick);
    m_chunkTimer.setTimerType(Qt::PreciseTimer);
    m_chunkTimer.setInterval(kChunkTickMs);
    connect(&m_chunkTimer, &QTimer::timeout, this, &SensorServer::pumpChunks);
    m_bootTimer.setSingleShot(true);
    connect(&m_bootTimer, &QTimer::timeout, this, &SensorServer::bootEnds);
    m_cutShortTimer.setSingleShot(true);
    connect(&m_cutShortTimer, &QTimer::timeout, this, &SensorServer::giveUpCutShortFrames);
}

SensorServer::~SensorServer()
{
    for (const auto &l : m_links)
        endStream(l.get(), l->stream);
    endStream(m_udpTarget, m_udpStream);
    m_links.clear();
    delete m_ptyRead;
    delete m_ptyWrite;
    if (m_ptySlave >= 0)
        ::close(m_ptySlave);
    if (m_ptyMaster >= 0)
        ::close(m_ptyMaster);
}

bool SensorServer::start(QString *error)
{
    const QString where = m_options.address.toString();
    m_tcp = new QTcpServer(this);
    if (!m_tcp->listen(m_options.address, kSensorPort)) {
        *error = QStringLiteral("cannot listen on TCP %1:%2: %3")
                     .arg(where)
                     .arg(kSensorPort)
                     .arg(m_tcp->errorString());
        return false;
    }
    connect(m_tcp, &QTcpServer::newConnection, this, &SensorServer::acceptTcp);

    m_udp = new QUdpSocket(this);
    if (!m_udp->bind(m_options.address, kSensorPort)) {
        *error =
            QStringLiteral("cannot bind UDP %1:%2: %3").arg(where).arg(kSensorPort).arg(m_udp->errorString());
        return false;
    }
    connect(m_udp, &QUdpSocket::readyRead, this, &SensorServer::readUdp);

    if (m_options.discovery) {
        // The specific address takes datagrams sent to it; the wildcard takes the broadcasts.
        QList<QHostAddress> binds{m_options.address};
        if (m_options.address != QHostAddress(QHostAddress::AnyIPv4))
            binds.append(QHostAddress(QHostAddress::AnyIPv4));
        for (const QHostAddress &a : binds) {
            auto *s = new QUdpSocket(this);
            if (!s->bind(a, kDiscoveryPort, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
                *error = QStringLiteral("cannot bind discovery UDP %1:%2: %3")
                             .arg(a.toString())
                             .arg(kDiscoveryPort)
                             .arg(s->errorString());
                return false;
            }
            connect(s, &QUdpSocket::readyRead, this, [this, s] { readDiscovery(s); });
            m_discovery.append(s);
        }
    }

    if (m_options.pty) {
        m_ptyMaster = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_ptyMaster < 0 || ::grantpt(m_ptyMaster) != 0 || ::unlockpt(m_ptyMaster) != 0) {
            *error = QStringLiteral("cannot open a pseudo-terminal: %1")
                         .arg(QString::fromLocal8Bit(strerror(errno)));
            return false;
        }
        const char *name = ::ptsname(m_ptyMaster);
        if (!name) {
            *error = QStringLiteral("cannot name the pseudo-terminal");
            return false;
        }
        m_ptyPath = QString::fromLocal8Bit(name);
        ::fcntl(m_ptyMaster, F_SETFL, ::fcntl(m_ptyMaster, F_GETFL) | O_NONBLOCK);
        ::fcntl(m_ptyMaster, F_SETFD, FD_CLOEXEC);
        // Raw: no echo, no line editing, no character translation, every byte as it comes.
        m_ptySlave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        for (const int fd : {m_ptyMaster, m_ptySlave}) {
            termios t{};
            if (fd >= 0 && ::tcgetattr(fd, &t) == 0) {
                ::cfmakeraw(&t);
                ::tcsetattr(fd, TCSANOW, &t);
            }
        }
        m_ptyRead = new QSocketNotifier(m_ptyMaster, QSocketNotifier::Read);
        connect(m_ptyRead, &QSocketNotifier::activated, this, &SensorServer::readPty);
        m_ptyWrite = new QSocketNotifier(m_ptyMaster, QSocketNotifier::Write);
        m_ptyWrite->setEnabled(false);
        connect(m_ptyWrite, &QSocketNotifier::activated, this, &SensorServer::flushPty);
        auto link = std::make_unique<Link>();
        link->kind = Link::Pty;
        m_ptyLink = link.get();
        m_links.push_back(std::move(link));
    }

    return true;
}

QString SensorServer::readyLine() const
{
    const QString a = m_options.address.toString();
    QString line = QStringLiteral("ready tcp=%1:%2 udp=%1:%2").arg(a).arg(kSensorPort);
    if (!m_ptyPath.isEmpty())
        line += QStringLiteral(" pty=") + m_ptyPath;
    return line;
}

// ---- Transports ----

void SensorServer::acceptTcp()
{
    while (QTcpSocket *socket = m_tcp->nextPendingConnection()) {
        auto link = std::make_unique<Link>();
        link->kind = Link::Tcp;
        link->socket = socket;
        link->address = socket->peerAddress(); // kept for the stream report, after the peer is gone
        link->port = socket->peerPort();
        Link *l = link.get();
        m_links.push_back(std::move(link));
        socket->setReadBufferSize(kSocketReadBuffer);
        connect(socket, &QTcpSocket::readyRead, this, [this, l] { readTcp(l); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, l] {
            if (l->paused && backlog(l) < kReplyBacklogLimit / 2) {
                l->paused = false;
                readTcp(l);
            }
        });
        // Queued: a write inside a handler may notice the peer is gone; the link must outlive it.
        connect(
            socket, &QTcpSocket::disconnected, this, [this, l] { removeLink(l); }, Qt::QueuedConnection);
        if (socket->bytesAvailable() > 0)
            readTcp(l);
    }
}

void SensorServer::readTcp(Link *link)
{
    if (link->paused)
        return; // the bytes wait in the socket and, past its buffer, in the client
    receive(link, link->socket->readAll());
}

void SensorServer::readUdp()
{
    while (m_udp->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_udp->receiveDatagram();
        if (!datagram.isValid() || m_booting)
            continue;
        Link *link = nullptr;
        for (const auto &l : m_links) {
            if (l->kind == Link::Udp && l->port == quint16(datagram.senderPort()) &&
                l->address == datagram.senderAddress()) {
                link = l.get();
                break;
            }
        }
        if (!link) {
            int udpCount = 0;
            Link *oldest = nullptr;
            for (const auto &l : m_links) {
                if (l->kind != Link::Udp)
                    continue;
                ++udpCount;
                if (l.get() != m_udpTarget && (!oldest || l->lastUsed < oldest->lastUsed))
                    oldest = l.get();
            }
            if (udpCount >= kMaxUdpPeers && oldest)
                removeLink(oldest);
            auto fresh = std::make_unique<Link>();
            fresh->kind = Link::Udp;
            fresh->address = datagram.senderAddress();
            fresh->port = quint16(datagram.senderPort());
            link = fresh.get();
            m_links.push_back(std::move(fresh));
        }
        link->lastUsed = quint64(m_clock.elapsed());
        // The UDP stream follows whoever spoke last.
        m_udpTarget = link;
        receive(link, datagram.data());
    }
}

void SensorServer::readPty()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_ptyMaster, buffer, sizeof buffer);
        if (n > 0) {
            if (!m_booting)
                receive(m_ptyLink, QByteArray(buffer, int(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // EAGAIN: drained
    }
}

void SensorServer::flushPty()
{
    while (!m_ptyPending.isEmpty()) {
        const ssize_t n = ::write(m_ptyMaster, m_ptyPending.constData(), size_t(m_ptyPending.size()));
        if (n > 0) {
            m_ptyPending.remove(0, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_ptyWrite->setEnabled(true);
            return;
        }
        m_ptyPending.clear(); // the line is broken; what it could not take is lost, as on a wire
    }
    m_ptyWrite->setEnabled(false);
}

void SensorServer::readDiscovery(QUdpSocket *socket)
{
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram();
        if (!datagram.isValid() || m_booting)
            continue;
        const QByteArray data = datagram.data();
        if (!data.startsWith("M-SEARCH"))
            continue;
        // Broadcasts reach every listener on the port: answer those, and datagrams addressed to us,
        // but not unicasts meant for another address that the wildcard socket happened to take.
        const QHostAddress to = datagram.destinationAddress();
        bool forUs = to.isNull() || to == m_options.address || to == QHostAddress(QHostAddress::Broadcast) ||
                     to.isMulticast() || m_options.address == QHostAddress(QHostAddress::AnyIPv4);
        if (!forUs) {
            for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces())
                for (const QNetworkAddressEntry &entry : iface.addressEntries())
                    if (!entry.broadcast().isNull() && entry.broadcast() == to)
                        forUs = true;
        }
        if (!forUs)
            continue;
        QByteArray target = "upnp:rootdevice";
        for (const QByteArray &line : data.split('\n')) {
            const QByteArray l = line.trimmed();
            if (l.toUpper().startsWith("ST:"))
                target = l.mid(3).trimmed();
        }
        QByteArray answer = "HTTP/1.1 200 OK\r\n"
                            "CACHE-CONTROL: max-age=120\r\n"
                            "EXT:\r\n";
        answer += "ST: " + target + "\r\n";
        answer += "USN: uuid:veltrin-sensor-sim-" + QByteArray::number(m_state.product.SerialNumber) + "\r\n";
        answer += m_options.udpMode ? "MODE: UDP\r\n" : "MODE: TCP\r\n";
        answer += "\r\n";
        // From the sensor's own address, which is what the program takes as the sensor's address.
        m_udp->writeDatagram(answer, datagram.senderAddress(), quint16(datagram.senderPort()));
    }
}

bool SensorServer::hasLink(const Link *link) const
{
    for (const auto &l : m_links)
        if (l.get() == link)
            return true;
    return false;
}

void SensorServer::removeLink(Link *link)
{
    for (auto it = m_links.begin(); it != m_links.end(); ++it) {
        if (it->get() != link)
            continue;
        endStream(link, link->stream);
        if (m_udpTarget == link) {
            endStream(link, m_udpStream);
            m_udpTarget = nullptr;
        }
        if (link->socket) {
            link->socket->disconnect(this);
            link->socket->deleteLater();
        }
        m_links.erase(it);
        return;
    }
}

// ---- Requests ----

void SensorServer::receive(Link *link, const QByteArray &bytes)
{
    link->rx.append(bytes);
    if (!bytes.isEmpty())
        link->lastByteMs = m_streamClock.elapsed();
    runRequests(link);
}

// Runs every whole request in the link's buffer, reading it once and compacting it once.
void SensorServer::runRequests(Link *link)
{
    QByteArray &rx = link->rx;
    int pos = 0;
    for (;;) {
        if (link->kind == Link::Tcp && backlog(link) >= kReplyBacklogLimit) {
            link->paused = true;
            break;
        }
        ParsedRequest request;
        const RequestExtract result = extractRequestAt(rx, pos, request);
        if (result == RequestExtract::Taken) {
            handle(link, request);
            if (!hasLink(link))
                return; // "RBoot" hung up on it: whatever else it sent is gone with it
        } else if (result != RequestExtract::Dropped) {
            break;
        }
    }
    rx.remove(0, pos);
    // A frame still arriving is not searched for requests; only once it has stopped growing is it
    // taken for one cut short.
    if (!rx.isEmpty() && !link->paused)
        m_cutShortTimer.start(kCutShortMs);
}

// Frames that fell silent were cut short (a truncated write, a line hiccup): when a complete, valid
// request follows one, give up on it and go on from there.
void SensorServer::giveUpCutShortFrames()
{
    const qint64 now = m_streamClock.elapsed(); // never restarted, unlike the scene clock
    bool waiting = false;
    std::vector<Link *> links;
    for (const auto &l : m_links)
        links.push_back(l.get());
    for (Link *link : links) {
        if (!hasLink(link) || link->rx.size() <= kCodeLength || link->paused)
            continue;
        if (now - link->lastByteMs < kCutShortMs) {
            waiting = true;
            continue;
        }
        const QByteArray &rx = link->rx;
        for (int q = 1; q + kCodeLength <= rx.size(); ++q) {
            if (!frameInfoByName(rx.constData() + q))
                continue;
            int probe = q;
            ParsedRequest request;
            if (extractRequestAt(rx, probe, request) == RequestExtract::Taken) {
                link->rx.remove(0, q);
                runRequests(link);
                break;
            }
        }
    }
    if (waiting)
        m_cutShortTimer.start(kCutShortMs);
}

void SensorServer::handle(Link *link, const ParsedRequest &request)
{
    if (request.code == FrameCode::RAuto) {
        // No reply. The stream is Ethernet's; on the serial line the program polls "RScan" instead.
        if (link->kind == Link::Tcp) {
            if (!request.autoStart)
                endStream(link, link->stream);
            else if (!link->stream)
                link->stream = std::make_unique<Stream>();
        } else if (link->kind == Link::Udp) {
            if (!request.autoStart)
                endStream(m_udpTarget, m_udpStream);
            else if (!m_udpStream)
                m_udpStream = std::make_unique<Stream>();
        }
        // The clock ticks only while something streams.
        if (request.autoStart && !m_streamTimer.isActive()) {
            m_lastTick = m_streamClock.nsecsElapsed() / 1e9;
            m_streamTimer.start();
        }
        return;
    }

    ++m_requestCount;
    if (m_options.drop > 0 && m_requestCount % quint64(m_options.drop) == 0)
        return; // lost on the way: neither acted on nor answered
    const QString name = QString::fromLatin1(frameName(request.code));
    const int nth = ++m_requestsByCode[int(request.code)];
    if (nth == m_options.dropNth && name == m_options.dropCode)
        return;
    const bool late = nth == m_options.delayNth && name == m_options.delayCode;

    const quint8 writeStatus = quint8(m_options.writeStatus);
    TxFrame tx;
    switch (request.code) {
    case FrameCode::RBoot:
        buildStatusReply(tx, FrameCode::RBoot, 0);
        reply(link, tx.bytes(), true);
        // Not from inside the receive loop: the restart hangs up on the link being read.
        QTimer::singleShot(0, this, &SensorServer::reboot);
        return;
    case FrameCode::RPrda: buildProductReply(tx, m_state.product); break;
    case FrameCode::RPara: buildParametersReply(tx, m_state.parameters); break;
    case FrameCode::WPara:
        if (writeStatus == 0)
            m_state.parameters = request.parameters;
        buildStatusReply(tx, FrameCode::WPara, writeStatus);
        break;
    case FrameCode::RCase: buildCaseReply(tx, m_state.cases); break;
    case FrameCode::WCase:
        if (writeStatus == 0)
            m_state.cases = request.cases;
        buildStatusReply(tx, FrameCode::WCase, writeStatus);
        break;
    case FrameCode::RArea:
        if (request.areaIndex >= 0 && request.areaIndex <= kMaxAreaIndex)
            buildAreaReplyFromRecord(tx, m_state.areaRecord(request.areaIndex));
        else
            buildAreaReply(tx, request.areaIndex, AREA_DATA(), false); // no such area: an empty record
        break;
    case FrameCode::WArea: {
        quint8 status = writeStatus;
        // An area index the sensor does not have is a rejected value.
        if (status == 0 && !m_state.storeArea(request.frame))
            status = 1;
        if (status == 0 && request.areaIndex == m_options.alterArea)
            m_state.alterArea(request.areaIndex);
        buildStatusReply(tx, FrameCode::WArea, status);
        break;
    }
    case FrameCode::WSimu:
        m_simulation = request.simulation;
        buildSelfCheckReply(tx, selfCheck());
        break;
    case FrameCode::SCtrl:
        m_scanControl = request.scanControl;
        buildScanControlReply(tx, request.scanControl);
        break;
    case FrameCode::RScan:
    case FrameCode::RStre: {
        quint16 distance[kSerialBeams];
        quint16 intensity[kSerialBeams];
        scanBeams(distance, intensity);
        buildScanReply(tx, request.code, request.code == FrameCode::RScan ? distance : intensity);
        break;
    }
    case FrameCode::RAuto: return;
    }
    const QByteArray frame = tx.bytes();
    const bool checked = frameInfo(request.code).replyChecked;
    if (late) {
        // Acted on now, answered later; the link may be gone by then.
        QTimer::singleShot(m_options.delayMs, this, [this, link, frame, checked] {
            if (hasLink(link))
                reply(link, frame, checked);
        });
        return;
    }
    reply(link, frame, checked);
}

void SensorServer::reply(Link *link, const QByteArray &frame, bool checked)
{
    QByteArray bytes = frame;
    ++m_replyCount;
    if (checked) {
        ++m_checkedReplyCount;
        if (m_options.corrupt > 0 && m_checkedReplyCount % quint64(m_options.corrupt) == 0)
            bytes[bytes.size() - 1] = char(bytes.at(bytes.size() - 1) ^ 0x5A);
    }
    if (m_options.garbage && m_replyCount % 3 == 1) {
        // Line noise: bytes that cannot start a command code.
        QRandomGenerator *random = QRandomGenerator::global();
        const int count = 1 + int(random->bounded(6));
        QByteArray noise;
        for (int i = 0; i < count; ++i)
            noise.append(char(0x80 + random->bounded(0x80)));
        bytes.prepend(noise);
    }
    send(link, bytes, m_options.chunk > 0);
}

// ---- Output ----

void SensorServer::send(Link *link, const QByteArray &bytes, bool chunked)
{
    if (chunked || !link->queue.empty()) {
        link->queue.emplace_back(bytes, chunked);
        if (!m_chunkTimer.isActive())
            m_chunkTimer.start();
        return;
    }
    writeNow(link, bytes);
}

void SensorServer::writeNow(Link *link, const QByteArray &bytes)
{
    switch (link->kind) {
    case Link::Tcp:
        if (link->socket->state() == QAbstractSocket::ConnectedState) {
            link->socket->write(bytes);
            if (m_options.chunk > 0)
                link->socket->flush();
        }
        break;
    case Link::Udp: m_udp->writeDatagram(bytes, link->address, link->port); break;
    case Link::Pty:
        if (m_ptyPending.size() + bytes.size() <= kPtyPendingLimit)
            m_ptyPending.append(bytes);
        flushPty();
        break;
    }
}

void SensorServer::pumpChunks()
{
    bool more = false;
    for (const auto &l : m_links) {
        Link *link = l.get();
        // One piece of a chunked reply per tick; whole items (stream packets) go as they come.
        bool wrotePiece = false;
        while (!link->queue.empty()) {
            auto &front = link->queue.front();
            if (!front.second) {
                writeNow(link, front.first);
                link->queue.pop_front();
                continue;
            }
            if (wrotePiece)
                break;
            const int piece = qMin(m_options.chunk, front.first.size() - link->queueOffset);
            writeNow(link, front.first.mid(link->queueOffset, piece));
            link->queueOffset += piece;
            wrotePiece = true;
            if (link->queueOffset >= front.first.size()) {
                link->queue.pop_front();
                link->queueOffset = 0;
            }
        }
        more = more || !link->queue.empty();
    }
    if (!more)
        m_chunkTimer.stop();
}

qint64 SensorServer::backlog(Link *link) const
{
    qint64 queued = 0;
    for (const auto &item : link->queue)
        queued += item.first.size();
    if (link->kind == Link::Tcp)
        queued += link->socket->bytesToWrite();
    if (link->kind == Link::Pty)
        queued += m_ptyPending.size();
    return queued;
}

// ---- Sensor behaviour ----

void SensorServer::reboot()
{
    // A restarted sensor keeps its flash (areas, case channels, parameters) and forgets the rest.
    m_simulation = SimulationRequest();
    m_scanControl.reset();
    endStream(m_udpTarget, m_udpStream);
    for (const auto &l : m_links)
        endStream(l.get(), l->stream);
    m_clock.restart();
    m_revolution = 0;
    m_outputs.reset();
    if (m_options.bootMs <= 0)
        return;

    // The answer leaves first; then every TCP peer is hung up on and nobody can connect until the
    // boot is over.
    m_booting = true;
    for (auto it = m_links.begin(); it != m_links.end();) {
        Link *link = it->get();
        ++it;
        if (link->kind != Link::Tcp)
            continue;
        int offset = link->queueOffset; // of the front item only
        for (const auto &item : link->queue) {
            writeNow(link, item.first.mid(offset));
            offset = 0;
        }
        link->queue.clear();
        QTcpSocket *socket = link->socket;
        socket->disconnect(this);
        link->socket = nullptr; // ours until it has said goodbye
        removeLink(link);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        socket->disconnectFromHost(); // after what is still buffered
    }
    m_tcp->close();
    m_bootTimer.start(m_options.bootMs);
}

void SensorServer::bootEnds()
{
    m_booting = false;
    // Whatever a peer sent while we were deaf is gone, as on a sensor that was off.
    for (const auto &l : m_links)
        l->rx.clear();
    if (!m_tcp->listen(m_options.address, kSensorPort))
        std::fprintf(stderr, "veltrin-sensor-sim: cannot listen again after the restart: %s\n",
                     qPrintable(m_tcp->errorString()));
}

int SensorServer::pointsPerDegree() const
{
    static const int kPerDegree[] = {40, 20, 10, 4, 2}; // 0.025, 0.05, 0.1, 0.25, 0.5 degrees
    const int index = m_scanControl ? m_scanControl->ScanAngle : m_state.parameters.ScanSensorAngle;
    return (index >= 0 && index < 5) ? kPerDegree[index] : kPerDegree[1];
}

double SensorServer::scanRate() const
{
    if (m_options.rate > 0)
        return m_options.rate;
    const int speed = m_scanControl ? m_scanControl->MotorSpeed : m_state.parameters.ScanMotorSpeed;
    // The finest resolution is only offered at the slower motor speed.
    if (speed == 0 || pointsPerDegree() >= 40)
        return 10;
    return 20;
}

bool SensorServer::sleeping() const
{
    return m_scanControl && m_scanControl->SleepMode == 1;
}

SimScene::Beam SensorServer::sceneBeam(double bearingDeg, double seconds, quint32 noiseKey) const
{
    if (!m_options.replay)
        return m_scene.beam(bearingDeg, seconds, noiseKey);
    const ScanRecording &r = *m_options.replay;
    const qint64 loop = r.durationMs() + 1;
    const int index = r.scanAt(qint64(seconds * 1000) % loop);
    if (index != m_replayIndex) {
        const RecordedScan scan = r.scan(index);
        m_replayDistance = scan.distance;
        m_replayIntensity = scan.intensity;
        m_replayIndex = index;
    }
    const int n = m_replayDistance.size();
    if (n == 0)
        return {};
    // Serial scans span the same 320 degrees from -70 as a revolution, half a beam further on.
    const double first = n == kSerialBeams ? serialBeamBearing(0) : streamPointBearing(0, n);
    const int i = qBound(0, qRound((bearingDeg - first) * n / 320.0), n - 1);
    return {m_replayDistance[i], m_replayIntensity[i]};
}

int SensorServer::replayPointsPerDegree() const
{
    sceneBeam(0, sceneSeconds(), 0); // the scan of this moment
    return qMax(1, m_replayDistance.size() / kHisnSweepDegrees);
}

double SensorServer::sceneSeconds() const
{
    return m_clock.nsecsElapsed() / 1e9;
}

void SensorServer::scanBeams(quint16 *distance, quint16 *intensity) const
{
    if (sleeping()) {
        std::fill(distance, distance + kSerialBeams, quint16(0));
        std::fill(intensity, intensity + kSerialBeams, quint16(0));
        return;
    }
    const double t = sceneSeconds();
    const quint32 key = quint32(t * 20);
    for (int k = 0; k < kSerialBeams; ++k) {
        const SimScene::Beam b = sceneBeam(serialBeamBearing(k), t, key);
        distance[k] = b.distance;
        intensity[k] = b.intensity;
    }
}

int SensorServer::activeArea() const
{
    int input = m_options.area;
    if (m_simulation.Mode == 1) {
        input = m_simulation.InputBits & 0xFF;
    } else if (m_simulation.Mode == 2) {
        const int match =
            m_state.caseChannelMatch(m_simulation.Dgree, m_simulation.Speed, m_simulation.OptionMode);
        if (match >= 0)
            input = match;
    }
    return input;
}

bool SensorServer::streaming() const
{
    if (m_udpStream)
        return true;
    for (const auto &l : m_links)
        if (l->stream)
            return true;
    return false;
}

void SensorServer::takeScan(const quint16 *distance, int count, bool serial, double seconds) const
{
    const int area = zone::areaOfInputWord(uint(activeArea()));
    const DeviceInfo *info = deviceInfo(m_state.product.ModelCode);
    const double extent = info ? info->extent : 72000;
    m_outputs.takeScan(m_state.area(area), area, QSizeF(extent, extent), distance, count, serial,
                       qint64(seconds * 1000));
}

SelfCheckReport SensorServer::selfCheck() const
{
    SelfCheckReport r;
    const int input = activeArea();
    r.InputPorts = uint(input);
    int switched = -1; // the step of the self-switching outputs
    if (m_options.switchOutputsMs > 0) {
        const qint64 period = m_options.switchOutputsMs;
        const qint64 phase = qint64(m_options.fleetIndex) * period / qMax(1, m_options.fleetSize);
        const qint64 step = (QDateTime::currentMSecsSinceEpoch() - phase) / period;
        switched = int(step % 8);
    }
    if (m_simulation.OutputSimulation) {
        r.OutputPorts = uint(m_simulation.OutputBits & 0xFF);
    } else if (switched >= 0) {
        r.OutputPorts = uint(switched);
    } else {
        // The lamps tell the truth: the outputs as the switching rules set them over the scans made. While
        // a stream runs those are its revolutions; otherwise the sensor looks once more now (a sleeping
        // sensor sees nothing).
        if (!streaming()) {
            quint16 distance[kSerialBeams];
            quint16 intensity[kSerialBeams];
            scanBeams(distance, intensity);
            takeScan(distance, kSerialBeams, true, sceneSeconds());
        }
        r.OutputPorts = uint(m_outputs.bits());
    }
    // The simulated fault byte is taken as the fault bits (1 = "Revolve Abnormal").
    r.Status = quint16(m_simulation.Fault & 0x7F);
    if (r.Status == 0 && switched == 7)
        r.Status = 1;

    const double t = sceneSeconds();
    r.Temperature = qint16(3650 + 140 * std::sin(2 * M_PI * t / 300) + 15 * std::sin(2 * M_PI * t / 23));
    r.RotationSpeed = sleeping() ? 0 : quint16(qRound(scanRate() * 60 + 2 * std::sin(2 * M_PI * t / 7)));
    r.DriveVoltage = quint16(1205 + qRound(4 * std::sin(2 * M_PI * t / 41)));
    r.SendVoltage = quint16(2830 + qRound(9 * std::sin(2 * M_PI * t / 53)));
    r.ReceiveVoltage = quint16(14250 + qRound(35 * std::sin(2 * M_PI * t / 67)));
    return r;
}

// ---- Streaming ----

void SensorServer::streamTick()
{
    const double now = m_streamClock.nsecsElapsed() / 1e9;
    const double elapsed = now - m_lastTick;
    m_lastTick = now;
    bool any = false;
    for (const auto &l : m_links) {
        if (l->stream) {
            feedStream(l.get(), *l->stream, elapsed);
            any = true;
        }
    }
    if (m_udpStream) {
        any = true;
        if (m_udpTarget)
            feedStream(m_udpTarget, *m_udpStream, elapsed);
    }
    if (!any)
        m_streamTimer.stop();
}

void SensorServer::feedStream(Link *link, Stream &stream, double elapsed)
{
    const int packetsPerRevolution = kHisnSweepDegrees / kDegreesPerPacket;
    if (sleeping()) {
        reportStream(link, stream);
        stream = Stream(); // the motor stands: no packets, and the next revolution starts afresh
        return;
    }
    // Never owe more than a revolution: after a stall the stream resumes, it does not burst.
    stream.due = qMin(stream.due + elapsed * scanRate() * packetsPerRevolution, double(packetsPerRevolution));
    while (stream.due >= 1) {
        if (stream.nextPacket >= stream.packetEnds.size()) {
            stream.revolution.clear();
            stream.packetEnds.clear();
            stream.nextPacket = 0;
            if (backlog(link) > kStreamBacklogLimit) {
                ++stream.skipped;
                stream.due -= packetsPerRevolution; // skipped whole
                continue;
            }
            const int g = m_options.replay ? replayPointsPerDegree() : pointsPerDegree();
            const int n = g * kHisnSweepDegrees;
            QVector<quint16> distance(n), intensity(n);
            const double t = sceneSeconds();
            const quint32 key = ++m_revolution;
            for (int i = 0; i < n; ++i) {
                const SimScene::Beam b = sceneBeam(streamPointBearing(i, n), t, key);
                distance[i] = b.distance;
                intensity[i] = b.intensity;
            }
            stream.distance = distance;
            stream.seconds = t;
            appendHisnRevolution(stream.revolution, g, distance.constData(), intensity.constData(),
                                 kDegreesPerPacket);
            for (int at = 0; at + kHisnHeaderLength <= stream.revolution.size();) {
                at += parseHisnHeader(bytesOf(stream.revolution) + at).packetLength();
                stream.packetEnds.append(at);
            }
            if (stream.packetEnds.isEmpty())
                return;
        }
        const int begin = stream.nextPacket == 0 ? 0 : stream.packetEnds[stream.nextPacket - 1];
        const int end = stream.packetEnds[stream.nextPacket];
        send(link, stream.revolution.mid(begin, end - begin), false);
        if (++stream.nextPacket == stream.packetEnds.size()) {
            ++stream.sent;
            takeScan(stream.distance.constData(), stream.distance.size(), false, stream.seconds);
        }
        stream.due -= 1;
    }
}

void SensorServer::endStream(const Link *link, std::unique_ptr<Stream> &stream)
{
    if (!stream)
        return;
    reportStream(link, *stream);
    stream.reset();
}

// One line on standard output per stream that delivered anything.
void SensorServer::reportStream(const Link *link, const Stream &stream) const
{
    if (stream.sent == 0 && stream.skipped == 0)
        return;
    const QString peer = link ? QStringLiteral("%1:%2").arg(link->address.toString()).arg(link->port)
                              : QStringLiteral("nobody");
    std::printf("stream to %s ended: %llu revolutions sent, %llu skipped while the client did not read\n",
                qPrintable(peer), static_cast<unsigned long long>(stream.sent),
                static_cast<unsigned long long>(stream.skipped));
    std::fflush(stdout);
}
