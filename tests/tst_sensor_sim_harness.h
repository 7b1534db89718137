#pragma once

// Drives veltrin-sensor-sim as a separate process and talks to it over TCP, UDP or its
// pseudo-terminal with the codec's request builders and reply extractors. Shared by the
// tst_sensor_sim* executables; each uses its own loopback address so they can run in parallel.

#include "comm/codec/codec.h"
#include "comm/codec/wire_bytes.h"
#include "sim_process.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

// One connection to the stand-in. Received bytes collect in rx, where the codec's extractors look.
class SimLink {
public:
    enum Kind { Tcp, Udp, Pty };

    ~SimLink()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool openTcp(const QString &address)
    {
        m_kind = Tcp;
        m_tcp.connectToHost(address, 8080);
        return m_tcp.waitForConnected(5000);
    }
    bool openUdp(const QString &address)
    {
        m_kind = Udp;
        m_peer = QHostAddress(address);
        return m_udp.bind(QHostAddress(address), 0);
    }
    bool openPty(const QString &path)
    {
        m_kind = Pty;
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        return m_fd >= 0;
    }

    void send(const QByteArray &bytes)
    {
        switch (m_kind) {
        case Tcp:
            m_tcp.write(bytes);
            m_tcp.waitForBytesWritten(1000);
            break;
        case Udp: m_udp.writeDatagram(bytes, m_peer, 8080); break;
        case Pty: {
            int done = 0;
            while (done < bytes.size()) {
                const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
                if (n > 0)
                    done += int(n);
                else if (errno != EAGAIN && errno != EINTR)
                    return;
            }
            break;
        }
        }
    }
    void send(const TxFrame &tx) { send(tx.bytes()); }

    // Waits up to ms for more bytes; true when some arrived.
    bool readMore(int ms)
    {
        const int before = rx.size();
        switch (m_kind) {
        case Tcp:
            if (m_tcp.bytesAvailable() == 0)
                m_tcp.waitForReadyRead(ms);
            rx += m_tcp.readAll();
            break;
        case Udp:
            if (!m_udp.hasPendingDatagrams())
                m_udp.waitForReadyRead(ms);
            while (m_udp.hasPendingDatagrams()) {
                QByteArray datagram(int(m_udp.pendingDatagramSize()), '\0');
                m_udp.readDatagram(datagram.data(), datagram.size());
                rx += datagram;
                ++datagrams;
            }
            break;
        case Pty: {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, ms) > 0) {
                char buffer[4096];
                ssize_t n;
                while ((n = ::read(m_fd, buffer, sizeof buffer)) > 0)
                    rx.append(buffer, int(n));
            }
            break;
        }
        }
        return rx.size() > before;
    }

    // Waits for a reply frame of code; Taken (frame set), Dropped (bad checksum) or None on time-out.
    Extract await(FrameCode code, QByteArray *frame, int ms = 3000)
    {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            const Extract e = extractReplyFrame(rx, code, *frame);
            if (e != Extract::None)
                return e;
            const int left = ms - int(clock.elapsed());
            if (left <= 0)
                return Extract::None;
            readMore(qMin(left, 100));
        }
    }

    // Sends a request and returns its accepted reply frame, or an empty array.
    QByteArray exchange(const TxFrame &tx, FrameCode code, int ms = 3000)
    {
        send(tx);
        QByteArray frame;
        return await(code, &frame, ms) == Extract::Taken ? frame : QByteArray();
    }

    // Reads for ms and throws the bytes away (stream packets still in flight).
    void drain(int ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms)
            readMore(20);
        rx.clear();
    }

    // Waits up to ms for the stand-in to hang up the TCP connection; true when it did.
    bool waitForHangUp(int ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (m_tcp.state() == QAbstractSocket::ConnectedState && clock.elapsed() < ms) {
            m_tcp.waitForReadyRead(50);
            rx += m_tcp.readAll();
        }
        return m_tcp.state() != QAbstractSocket::ConnectedState;
    }

    QByteArray rx;
    int datagrams = 0;

private:
    Kind m_kind = Tcp;
    QTcpSocket m_tcp;
    QUdpSocket m_udp;
    QHostAddress m_peer;
    int m_fd = -1;
};

inline const uchar *frameBytes(const QByteArray &frame)
{
    return reinterpret_cast<const uchar *>(frame.constData());
}

// Collects "HISN" packets until `wanted` revolutions completed or ms passed; returns the count.
inline int collectRevolutions(SimLink &link, SCAN_DATA &scan, HisnAssembly &state, int wanted, int ms)
{
    QElapsedTimer clock;
    clock.start();
    int done = 0;
    while (done < wanted && clock.elapsed() < ms) {
        link.readMore(50);
        done += extractHisn(link.rx, scan, state, kDefaultRangeLimit);
    }
    return done;
}
