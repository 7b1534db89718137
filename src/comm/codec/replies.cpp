#include "comm/codec/replies.h"

#include "comm/codec/area_codec.h"
#include "comm/codec/crc16.h"
#include "comm/codec/requests.h"
#include "comm/codec/wire_bytes.h"

#include <algorithm>
#include <iterator>

#include <cstring>

using namespace wire;

namespace {

const uchar *bytesOf(const QByteArray &a)
{
    return reinterpret_cast<const uchar *>(a.constData());
}

} // namespace

bool buildStatusReply(TxFrame &tx, FrameCode code, quint8 status)
{
    if (code != FrameCode::WArea && code != FrameCode::WCase && code != FrameCode::WPara &&
        code != FrameCode::RBoot)
        return false;
    beginReplyFrame(tx, code)[5] = status;
    finishFrame(tx);
    return true;
}

void buildProductReply(TxFrame &tx, const ProductInfo &info)
{
    uchar *f = beginReplyFrame(tx, FrameCode::RPrda);
    put16(f + 5, info.ModelCode);
    put16(f + 7, info.Firmware);
    put16(f + 9, info.SerialNumber);
    put16(f + 11, info.Year);
    put16(f + 13, info.Month);
    put16(f + 15, info.Day);
    finishFrame(tx);
}

void buildParametersReply(TxFrame &tx, const SENSOR_PARAMETERS &parameters)
{
    buildWriteParametersRequest(tx, parameters); // same layout, same length
    std::memcpy(tx.data, "RPara", kCodeLength);
    finishFrame(tx);
}

void buildCaseReply(TxFrame &tx, const QVector<CaseChannel> &channels)
{
    buildWriteCaseRequest(tx, channels); // same layout, same length
    std::memcpy(tx.data, "RCase", kCodeLength);
    finishFrame(tx);
}

void buildAreaReply(TxFrame &tx, int areaIndex, const AREA_DATA &area, bool installDir)
{
    tx.length = kAreaRecordLength;
    encodeAreaRecord(tx.data, "RArea", areaIndex, area, installDir);
}

bool buildAreaReplyFromRecord(TxFrame &tx, const QByteArray &record)
{
    if (record.size() != kAreaRecordLength)
        return false;
    tx.length = kAreaRecordLength;
    std::memcpy(tx.data, record.constData(), size_t(kAreaRecordLength));
    std::memcpy(tx.data, "RArea", kCodeLength);
    finishFrame(tx);
    return true;
}

void buildSelfCheckReply(TxFrame &tx, const SelfCheckReport &r)
{
    uchar *f = beginReplyFrame(tx, FrameCode::WSimu);
    f[5] = uchar(r.InputPorts);
    f[7] = uchar(r.OutputPorts);
    put16(f + 9, r.Status);
    put16(f + 11, r.Temperature);
    put16(f + 13, r.RotationSpeed);
    put16(f + 15, r.DriveVoltage);
    put16(f + 17, r.SendVoltage);
    put16(f + 19, r.ReceiveVoltage);
    finishFrame(tx);
}

void buildScanControlReply(TxFrame &tx, const SENSOR_CONTROL &control)
{
    buildScanControlRequest(tx, control); // the reply echoes the request
}

bool buildScanReply(TxFrame &tx, FrameCode code, const quint16 *values640)
{
    if (code != FrameCode::RScan && code != FrameCode::RStre)
        return false;
    uchar *f = beginReplyFrame(tx, code);
    for (int k = 0; k < kSerialBeams; ++k)
        put16(f + 5 + 2 * k, values640[k]);
    return true;
}

int decodeStatus(const uchar *frame)
{
    return frame[5];
}

ProductInfo decodeProductInfo(const uchar *f)
{
    ProductInfo p;
    p.ModelCode = getU16(f + 5);
    p.Firmware = getU16(f + 7);
    p.SerialNumber = getU16(f + 9);
    p.Year = getU16(f + 11);
    p.Month = getU16(f + 13);
    p.Day = getU16(f + 15);
    return p;
}

void decodeParameters(const uchar *f, SENSOR_PARAMETERS &parameters)
{
    for (int k = 0; k < SENSOR_PARAMETERS::kCount; ++k)
        parameters.setValue(k, getU16(f + 5 + 2 * k));
}

QVector<CaseChannel> decodeCaseChannels(const uchar *f)
{
    QVector<CaseChannel> out;
    out.reserve(kCaseRecords);
    for (int i = 0; i < kCaseRecords; ++i) {
        const uchar *r = f + 5 + kCaseRecordSize * i;
        out.append({getS16(r), getS16(r + 2), getS16(r + 4), getS16(r + 6), getS16(r + 8)});
    }
    return out;
}

void storeCaseChannels(const QVector<CaseChannel> &channels, QVector<AREA_DATA> &areas)
{
    const int n = qMin(channels.size(), areas.size());
    for (int i = 0; i < n; ++i)
        applyCaseChannel(areas[i], channels[i]);
}

SelfCheckReport decodeSelfCheck(const uchar *f)
{
    SelfCheckReport r;
    r.InputPorts = uint(int(qint8(f[5])));
    r.OutputPorts = uint(int(qint8(f[7])));
    r.Status = getU16(f + 9);
    r.Temperature = getS16(f + 11);
    r.RotationSpeed = getU16(f + 13);
    r.DriveVoltage = getU16(f + 15);
    r.SendVoltage = getU16(f + 17);
    r.ReceiveVoltage = getU16(f + 19);
    return r;
}

void decodeScanValues(const uchar *f, quint16 *out640, bool installDir, int rangeLimit)
{
    const quint16 limit = quint16(qBound(0, rangeLimit, 65535));
    const uchar *p = f + kCodeLength;
    for (int k = 0; k < kSerialBeams; ++k) {
        const quint16 v = qMin(getU16(p + 2 * k), limit);
        out640[installDir ? k : kSerialBeams - 1 - k] = v;
    }
}

namespace {

// First occurrence of the five letters of name in d[0, size).
int findCode(const uchar *d, int size, const char *name)
{
    int i = 0;
    while (i + kCodeLength <= size) {
        const void *h = std::memchr(d + i, name[0], size_t(size - (kCodeLength - 1) - i));
        if (!h)
            return -1;
        i = int(static_cast<const uchar *>(h) - d);
        if (std::memcmp(d + i + 1, name + 1, kCodeLength - 1) == 0)
            return i;
        ++i;
    }
    return -1;
}

// Takes the frame of code at position at out of rx.
Extract takeFrameAt(QByteArray &rx, FrameCode code, int at, QByteArray &frame)
{
    const FrameInfo &info = frameInfo(code);
    frame = rx.mid(at, info.replyLength);
    rx.remove(at, info.replyLength);
    if (info.replyChecked && !crc16Verify(bytesOf(frame), info.replyLength - 2))
        return Extract::Dropped;
    return Extract::Taken;
}

} // namespace

Extract extractReplyFrame(QByteArray &rx, FrameCode code, QByteArray &frame)
{
    const FrameInfo &info = frameInfo(code);
    if (info.replyLength == 0)
        return Extract::None;
    const int at = findCode(bytesOf(rx), rx.size(), info.name);
    if (at < 0 || rx.size() - at < info.replyLength)
        return Extract::None;
    return takeFrameAt(rx, code, at, frame);
}

bool receiveDelivery(QByteArray &rx, const QByteArray &bytes, ReplyContext &ctx, ReplySink &sink)
{
    rx.append(bytes);
    return runReplyExtractors(rx, ctx, sink);
}

namespace {

// Letters a code can start with, and letters that follow them in second place.
inline bool firstLetter(uchar c)
{
    return c == 'R' || c == 'W' || c == 'S' || c == 'H';
}
inline bool secondLetter(uchar c)
{
    return c == 'A' || c == 'B' || c == 'C' || c == 'P' || c == 'S' || c == 'I';
}

} // namespace

// A receiver that fell behind a scan stream (a slow display, a busy machine) finds replies among the
// packets; cutting them away with the packets lost the reply a read-all was waiting for. Only scan
// packets and foreign bytes go: whole replies stay, in their order, and so does the frame still
// arriving at the end.
bool applyReceiveBound(QByteArray &rx)
{
    if (rx.size() < kReceiveBound)
        return false;
    const uchar *d = bytesOf(rx);
    const int size = rx.size();
    QByteArray kept;
    int i = 0;
    int tail = -1;
    while (tail < 0 && i + 4 <= size) {
        if (!firstLetter(d[i]) || !secondLetter(d[i + 1])) {
            ++i;
            continue;
        }
        if (std::memcmp(d + i, "HISN", 4) == 0) {
            if (size - i >= kHisnHeaderLength && size - i >= parseHisnHeader(d + i).packetLength()) {
                i += parseHisnHeader(d + i).packetLength(); // a whole scan packet: dropped
                continue;
            }
            // An incomplete packet, or letters that only spell its name: the last one may be real.
            tail = rx.lastIndexOf("HISN");
            break;
        }
        if (i + kCodeLength > size) {
            tail = i;
            break;
        }
        const FrameInfo *f = frameInfoByName(reinterpret_cast<const char *>(d + i));
        if (!f || f->replyLength == 0 ||
            (f->replyChecked && size - i >= f->replyLength && !crc16Verify(d + i, f->replyLength - 2))) {
            ++i;
            continue;
        }
        if (size - i < f->replyLength) {
            tail = i;
            break;
        }
        kept.append(rx.constData() + i, f->replyLength);
        i += f->replyLength;
    }
    if (tail < 0) { // the last bytes may begin a code
        tail = i;
        while (tail < size && !firstLetter(d[tail]))
            ++tail;
    }
    // A packet whose header claims more than the bound can never complete: keeping it would leave the
    // buffer above the bound on every delivery, growing.
    if (kept.size() + size - tail >= kReceiveBound)
        tail = size;
    kept.append(rx.constData() + tail, size - tail);
    rx = kept.size() < kReceiveBound ? kept : QByteArray();
    return true;
}

namespace {

constexpr int kHisnSlot = kFrameCodeCount; // the streaming packet, after the catalogue's codes

// The frames of a buffer as a receiver walking it from the front sees them. From a whole frame the
// walk goes on after it, or one byte on when its checksum fails (garbage that happened to spell a
// code); a frame still arriving ends the walk, so nothing inside it is taken for a code of its own.
struct FrameWalk {
    int first[kFrameCodeCount + 1]; // position of the first frame of each code, -1 when none
    quint32 mask = 0;               // one bit per code that has a frame
    int end = 0;                    // where the frame still arriving starts, or the buffer's size
};

FrameWalk walkFrames(const QByteArray &rx, bool serial, bool hisn)
{
    FrameWalk w;
    std::fill(std::begin(w.first), std::end(w.first), -1);
    const uchar *d = bytesOf(rx);
    const int size = rx.size();
    w.end = size;
    int i = 0;
    while (i + 4 <= size) {
        if (!firstLetter(d[i]) || !secondLetter(d[i + 1])) {
            ++i;
            continue;
        }
        int slot = -1;
        int length = 0;
        bool checked = false;
        if (hisn && std::memcmp(d + i, "HISN", 4) == 0) {
            slot = kHisnSlot;
            if (size - i < kHisnHeaderLength) {
                w.end = i;
                break;
            }
            length = parseHisnHeader(d + i).packetLength();
        } else if (i + kCodeLength <= size) {
            const FrameInfo *f = frameInfoByName(reinterpret_cast<const char *>(d + i));
            if (f && f->replyLength > 0 &&
                (serial || (f->code != FrameCode::RScan && f->code != FrameCode::RStre))) {
                slot = int(f->code);
                length = f->replyLength;
                checked = f->replyChecked;
            }
        }
        if (slot < 0) {
            ++i;
            continue;
        }
        if (size - i < length) {
            w.end = i;
            break;
        }
        if (w.first[slot] < 0)
            w.first[slot] = i;
        w.mask |= 1u << slot;
        i += (checked && !crc16Verify(d + i, length - 2)) ? 1 : length;
    }
    return w;
}

} // namespace

bool runReplyExtractors(QByteArray &rx, ReplyContext &ctx, ReplySink &sink)
{
    const bool cut = applyReceiveBound(rx);
    SCAN_DATA &scan = *ctx.scan;
    const bool serial = scan.ConnectType == 0;
    const bool hisn = !serial && ctx.hisn;

    // One walk tells where each code's first frame is. After any extractor that did run (it removed
    // bytes, and its handler may have let more arrive) the walk is taken again, so the outcome is that
    // of running every extractor over the frames as they stand.
    FrameWalk walk = walkFrames(rx, serial, hisn);
    QByteArray frame;
    // The frame of code when its extractor is due and the frame is whole and sound.
    auto take = [&](FrameCode c) -> const uchar * {
        const int at = walk.first[int(c)];
        if (at < 0)
            return nullptr;
        return takeFrameAt(rx, c, at, frame) == Extract::Taken ? bytesOf(frame) : nullptr;
    };
    auto due = [&](FrameCode c) { return walk.first[int(c)] >= 0; };
    auto rewalk = [&] { walk = walkFrames(rx, serial, hisn); };

    if (due(FrameCode::RBoot)) {
        if (take(FrameCode::RBoot))
            sink.rebootReply();
        rewalk();
    }
    if (due(FrameCode::RPrda)) {
        if (const uchar *f = take(FrameCode::RPrda))
            sink.productReply(decodeProductInfo(f));
        rewalk();
    }
    if (serial && due(FrameCode::RStre)) {
        if (const uchar *f = take(FrameCode::RStre)) {
            decodeScanValues(f, scan.SerialIntensity, scan.InstallDir, ctx.rangeLimit);
            sink.intensityReply();
        }
        rewalk();
    }
    if (ctx.areas && due(FrameCode::RArea)) {
        if (const uchar *f = take(FrameCode::RArea)) {
            const int index = areaIndexOfRecord(f);
            if (sink.storeReply(FrameCode::RArea, frame) && index <= kMaxAreaIndex &&
                index < ctx.areas->size())
                decodeAreaRecord(f, (*ctx.areas)[index], scan.InstallDir);
            sink.areaReply(index);
        }
        rewalk();
    }
    if (due(FrameCode::WArea)) {
        if (const uchar *f = take(FrameCode::WArea))
            sink.writeAreaReply(decodeStatus(f));
        rewalk();
    }
    if (ctx.parameters && due(FrameCode::RPara)) {
        if (const uchar *f = take(FrameCode::RPara)) {
            if (sink.storeReply(FrameCode::RPara, frame))
                decodeParameters(f, *ctx.parameters);
            sink.parametersReply();
        }
        rewalk();
    }
    if (due(FrameCode::WPara)) {
        if (const uchar *f = take(FrameCode::WPara))
            sink.writeParametersReply(decodeStatus(f));
        rewalk();
    }
    if (ctx.areas && due(FrameCode::RCase)) {
        if (const uchar *f = take(FrameCode::RCase)) {
            if (sink.storeReply(FrameCode::RCase, frame))
                storeCaseChannels(decodeCaseChannels(f), *ctx.areas);
            sink.caseReply();
        }
        rewalk();
    }
    if (due(FrameCode::WCase)) {
        if (const uchar *f = take(FrameCode::WCase))
            sink.writeCaseReply(decodeStatus(f));
        rewalk();
    }
    if (due(FrameCode::WSimu)) {
        if (const uchar *f = take(FrameCode::WSimu))
            sink.selfCheckReply(decodeSelfCheck(f));
        rewalk();
    }
    if (due(FrameCode::SCtrl)) {
        if (take(FrameCode::SCtrl))
            sink.scanControlReply();
        rewalk();
    }
    if (serial) {
        if (const uchar *f = take(FrameCode::RScan)) {
            decodeScanValues(f, scan.SerialDistance, scan.InstallDir, ctx.rangeLimit);
            sink.distanceReply();
        }
    } else if (hisn && (walk.mask >> kHisnSlot) & 1u) {
        // Packets only in front of a reply still arriving: its points may spell "HISN".
        int n = 0;
        if (walk.end < rx.size()) {
            const QByteArray arriving = rx.mid(walk.end);
            rx.truncate(walk.end);
            n = extractHisn(rx, scan, *ctx.hisn, ctx.rangeLimit, ctx.revolutions);
            rx.append(arriving);
        } else {
            n = extractHisn(rx, scan, *ctx.hisn, ctx.rangeLimit, ctx.revolutions);
        }
        if (n > 0)
            sink.revolutions(n);
    }
    return !cut;
}
