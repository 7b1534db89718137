#pragma once

// Frames written out from the frame table byte by byte, independent of the codec under test, and a
// raw link that puts them into the stand-in: how a test gives the sensor a state our encoder would
// never make.

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>

inline void put16(QByteArray &b, int at, int v)
{
    b[at] = char((v >> 8) & 0xFF);
    b[at + 1] = char(v & 0xFF);
}

// Code, payload, then CRC-16/MODBUS low byte first, worked out bit by bit.
inline QByteArray framed(const char *code, const QByteArray &payload)
{
    QByteArray f = QByteArray(code, 5) + payload;
    quint16 crc = 0xFFFF;
    for (char c : f) {
        crc ^= quint8(c);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return f.append(char(crc & 0xFF)).append(char(crc >> 8));
}

// Sends frames to the sensor and waits for one 8-byte status reply each; or reads one "RArea".
struct RawLink {
    QTcpSocket socket;
    bool open(const QString &address)
    {
        socket.connectToHost(QHostAddress(address), 8080);
        return socket.waitForConnected(5000);
    }
    QByteArray exchange(const QByteArray &frame, int replyLength)
    {
        socket.write(frame);
        QByteArray reply;
        QElapsedTimer clock;
        clock.start();
        while (reply.size() < replyLength && clock.elapsed() < 10000)
            if (socket.waitForReadyRead(1000))
                reply += socket.readAll();
        return reply;
    }
};
