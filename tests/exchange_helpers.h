#pragma once

// Small helpers shared by the command exchange tests that talk to the stand-in over TCP.

#include "area/store/project_data.h"
#include "comm/codec/scan_data.h"
#include "comm/serial_comm.h"
#include "sim_process.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
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

// Opens the engine's link to address over TCP and waits until the sensor accepted it.
inline bool connectTcp(ExchangeEngine *engine, const char *address, quint16 port = 8080)
{
    if (!engine->openTcp(QHostAddress(QString::fromLatin1(address)), port))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (!engine->IsOpen() && engine->link()->state() == Link::State::Opening && clock.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return engine->IsOpen();
}

// The exchange under test with the two records it is given; every frame it sends
// is kept in m_sent. A test class derives from it, calls buildExchange() in init() and
// tearDownExchange() in cleanup().
struct ExchangeRig {
    std::unique_ptr<SimProcess> m_sim;
    SENSOR_PARAMETERS m_parameters;
    SENSOR_CONTROL m_control;
    std::unique_ptr<SERIAL_COMM> m_comm;
    QList<QByteArray> m_sent;
    QList<qint64> m_sentMs; // when each frame of m_sent left, from buildExchange
    QElapsedTimer m_clock;

    void buildExchange(QObject *context)
    {
        m_parameters = SENSOR_PARAMETERS();
        m_control = SENSOR_CONTROL();
        m_sent.clear();
        m_sentMs.clear();
        m_clock.start();
        m_comm.reset(new SERIAL_COMM(&ScanData(), &ProjectData(), &m_parameters, &m_control));
        QObject::connect(m_comm.get(), &SERIAL_COMM::FrameSent, context, [this](const QByteArray &f) {
            m_sent << f;
            m_sentMs << m_clock.elapsed();
        });
    }
    // The frames of one code that left, with the byte after the code (an area's number) and the time:
    // what a failure prints, so that a run that went wrong on another machine can be read afterwards.
    QString sentTimeline(const char *code) const
    {
        QStringList entries;
        for (int i = 0; i < m_sent.size(); ++i)
            if (codeOf(m_sent[i]) == code)
                entries << QStringLiteral("%1@%2ms")
                               .arg(m_sent[i].size() > 5 ? uchar(m_sent[i][5]) : -1)
                               .arg(m_sentMs[i]);
        return QString::fromLatin1(code) + QLatin1Char(' ') + entries.join(QLatin1Char(' '));
    }
    // The exchange goes before the stand-in.
    void tearDownExchange()
    {
        m_comm.reset();
        m_sim.reset();
    }
};
