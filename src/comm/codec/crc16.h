#pragma once

#include <QByteArray>
#include <QtGlobal>

// CRC-16/MODBUS: register starts at 0xFFFF, reflected polynomial 0xA001, no final XOR.
// On the wire the checksum travels low byte first.

// Checksum of len bytes; pass a previous result as seed to continue over a second range.
quint16 crc16Modbus(const uchar *data, int len, quint16 seed = 0xFFFF);
quint16 crc16Modbus(const QByteArray &bytes);
// Writes the checksum of frame[0, covered) into frame[covered] (low byte) and frame[covered + 1].
void crc16Append(uchar *frame, int covered);
// True when the two bytes after frame[0, covered) hold the checksum of those bytes, low byte first.
bool crc16Verify(const uchar *frame, int covered);

// CRC-32 (IEEE 802.3: reflected polynomial 0xEDB88320, initial and final XOR 0xFFFFFFFF), the
// fingerprint of a design's wire image in the write log; "123456789" gives 0xCBF43926.
quint32 crc32Ieee(const QByteArray &bytes);
