// The program's receive path: arbitrary bytes, delivered in arbitrary pieces, into the function that
// extracts and decodes replies. Input: one flags byte (bit 0 Ethernet, bit 1 install direction, bit 2
// fix each frame's checksum so that the payload decoders are reached), one byte per piece length, 0
// ending the list, then the stream.
#include "comm/codec/codec.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

class Sink : public ReplySink {};

// Gives every reply code in the stream a valid checksum where its whole frame fits.
void fixChecksums(QByteArray &stream)
{
    uchar *d = reinterpret_cast<uchar *>(stream.data());
    for (int i = 0; i + kCodeLength <= stream.size(); ++i) {
        const FrameInfo *f = frameInfoByName(reinterpret_cast<const char *>(d + i));
        if (!f || !f->replyChecked || f->replyLength == 0 || i + f->replyLength > stream.size())
            continue;
        const quint16 crc = crc16Modbus(d + i, f->replyLength - 2);
        d[i + f->replyLength - 2] = uchar(crc & 0xFF);
        d[i + f->replyLength - 1] = uchar(crc >> 8);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t flags = data[0];
    size_t at = 1;
    std::vector<int> pieces;
    while (at < size && data[at] != 0 && pieces.size() < 64)
        pieces.push_back(data[at++] * 8);
    if (at < size)
        ++at;
    QByteArray stream(reinterpret_cast<const char *>(data + at), int(size - at));
    if (flags & 4)
        fixChecksums(stream);

    static auto scan = std::make_unique<SCAN_DATA>();
    *scan = SCAN_DATA();
    scan->ConnectType = (flags & 1) ? 1 : 0;
    scan->InstallDir = (flags & 2) != 0;
    QVector<AREA_DATA> areas(64);
    SENSOR_PARAMETERS parameters;
    HisnAssembly hisn;
    ReplyContext ctx;
    ctx.scan = scan.get();
    ctx.areas = &areas;
    ctx.parameters = &parameters;
    ctx.hisn = &hisn;
    Sink sink;
    QByteArray rx;
    int pos = 0;
    size_t next = 0;
    while (pos < stream.size()) {
        const int n = pieces.empty() ? stream.size() : qMax(1, pieces[next++ % pieces.size()]);
        receiveDelivery(rx, stream.mid(pos, n), ctx, sink);
        pos += n;
    }
    // Whatever stays must be a tail the next delivery could complete, within the bound.
    if (rx.size() >= kReceiveBound)
        __builtin_trap();
    return 0;
}
