#pragma once

// Small helpers shared by the command exchange tests that talk to the stand-in over TCP.

#include "area/store/project_data.h"
#include "comm/codec/scan_data.h"
#include "comm/serial_comm.h"
#include "sim_process.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QSerialPort>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtGlobal>
#include <memory>

// The five-letter command code a frame starts with.
inline QByteArray codeOf(const QByteArray &frame)
{
    return frame.left(5);
}

inline int countFrames(const QList<QByteArray> &frames, const char *code)
{
    int n = 0;
    for (const QByteArray &f : frames)
        n += codeOf(f) == code;
    return n;
}

// Starts the stand-in on address with the given extra options; empty on failure (the reason warned).
inline std::unique_ptr<SimProcess> startSimAt(const char *address, const QStringList &options)
{
    auto sim = std::make_unique<SimProcess>();
    if (!sim->start(QStringList{QStringLiteral("--address"), QString::fromLatin1(address)} + options)) {
        qWarning("%s", qPrintable(sim->error));
        return nullptr;
    }
    return sim;
}

inline bool connectTcp(QTcpSocket &socket, const char *address)
{
    socket.connectToHost(QHostAddress(QString::fromLatin1(address)), 8080);
    return socket.waitForConnected(3000);
}

// The exchange under test with its three transports and the two records it is given; every frame it sends
// is kept in m_sent. A test class derives from it, calls buildExchange() in init() and
// tearDownExchange() in cleanup().
struct ExchangeRig {
    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<QSerialPort> m_serial;
    std::unique_ptr<QTcpSocket> m_tcp;
    std::unique_ptr<QUdpSocket> m_udp;
    SENSOR_PARAMETERS m_parameters;
    SENSOR_CONTROL m_control;
    std::unique_ptr<SERIAL_COMM> m_comm;
    QList<QByteArray> m_sent;

    void buildExchange(QObject *context)
    {
        m_parameters = SENSOR_PARAMETERS();
        m_control = SENSOR_CONTROL();
        m_sent.clear();
        m_serial.reset(new QSerialPort);
        m_tcp.reset(new QTcpSocket);
        m_udp.reset(new QUdpSocket);
        m_comm.reset(new SERIAL_COMM(m_serial.get(), &ScanData(), &ProjectData(), &m_parameters, &m_control,
                                     m_tcp.get(), m_udp.get()));
        QObject::connect(m_comm.get(), &SERIAL_COMM::FrameSent, context,
                         [this](const QByteArray &f) { m_sent << f; });
    }
    // The exchange goes before the transports it uses, the stand-in last.
    void tearDownExchange()
    {
        m_comm.reset();
        m_tcp.reset();
        m_udp.reset();
        m_serial.reset();
        m_sim.reset();
    }
};
