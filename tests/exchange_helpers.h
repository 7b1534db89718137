#pragma once

// Small helpers shared by the command exchange tests that talk to the stand-in over TCP.

#include "sim_process.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QTcpSocket>
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
