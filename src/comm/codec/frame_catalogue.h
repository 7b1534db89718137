#pragma once

#include <QByteArray>
#include <QtGlobal>

// Every command of the sensor protocol; the same code names a request and its reply.
enum class FrameCode {
    RBoot,
    RPrda,
    RPara,
    WPara,
    RCase,
    WCase,
    RArea,
    WArea,
    WSimu,
    SCtrl,
    RScan,
    RStre,
    RAuto
};
constexpr int kFrameCodeCount = 13;

constexpr int kCodeLength = 5;          // five ASCII letters, no terminator
constexpr int kMaxRequestLength = 1264; // the largest request ("WArea"): the program's transmit buffer
constexpr int kMaxFrameLength = 1285;   // the largest frame of either direction ("RScan"/"RStre" replies)
constexpr int kStatusReplyLength = 8;   // code, status byte, checksum
constexpr int kReceiveBound = 50000;    // receive buffer size at which it is cut instead of searched
constexpr int kAreaRecordLength = 1264; // "WArea" request and "RArea" reply
constexpr int kScanReplyLength = 1285;  // "RScan"/"RStre": code + 640 big-endian values, no checksum
constexpr int kCaseRecords = 64;        // "WCase" request and "RCase" reply: 64 records after the code,
constexpr int kCaseRecordSize = 10;     // five big-endian values each

// One row of the frame catalogue: whole-frame lengths including code and checksum (0 = no reply).
struct FrameInfo {
    FrameCode code;
    char name[6];      // "RPara" ...
    int requestLength; // what the program sends
    int replyLength;   // what the sensor answers; 0 for "RAuto"
    bool replyChecked; // false for "RScan"/"RStre", whose replies carry no checksum
};

// The catalogue row of a code.
const FrameInfo &frameInfo(FrameCode code);
// The row whose name matches the five bytes at data, or nullptr.
const FrameInfo *frameInfoByName(const char *data);
// The five letters as a byte array ("RPara").
QByteArray frameName(FrameCode code);

// The transmit buffer every builder writes into: one frame, built in place, reused for every frame.
// It holds the largest reply too, so the stand-in builds its replies the same way.
struct TxFrame {
    uchar data[kMaxFrameLength];
    int length = 0;
    const char *constData() const { return reinterpret_cast<const char *>(data); }
    QByteArray bytes() const { return QByteArray(constData(), length); }
};

// Start a frame of the catalogue's request or reply length in tx: zeroed, code in place.
uchar *beginRequestFrame(TxFrame &tx, FrameCode code);
uchar *beginReplyFrame(TxFrame &tx, FrameCode code);
// Writes the checksum of the rest of the frame into its last two bytes.
void finishFrame(TxFrame &tx);
