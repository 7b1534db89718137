#include "comm/codec/replies.h"

#include "comm/codec/area_codec.h"
#include "comm/codec/crc16.h"
#include "comm/codec/requests.h"
#include "comm/codec/wire_bytes.h"

#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

bool applyReceiveBound(QByteArray &rx)
{
    if (rx.size() < kReceiveBound)
        return false;
    const int last = rx.lastIndexOf("HISN");
    if (last < 0)
        rx.clear();
    else
        rx.remove(0, last);
    // A packet whose header claims more than the bound can never complete: cutting back to it alone
    // would leave the buffer above the bound on every delivery, growing, with no reply ever taken.
    if (rx.size() >= kReceiveBound)
        rx.clear();
    return true;
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

} // namespace

Extract extractReplyFrame(QByteArray &rx, FrameCode code, QByteArray &frame)
{
    const FrameInfo &info = frameInfo(code);
    if (info.replyLength == 0)
        return Extract::None;
    const int at = findCode(bytesOf(rx), rx.size(), info.name);
    if (at < 0 || rx.size() - at < info.replyLength)
        return Extract::None;
    frame = rx.mid(at, info.replyLength);
    rx.remove(at, info.replyLength);
    if (info.replyChecked && !crc16Verify(bytesOf(frame), info.replyLength - 2))
        return Extract::Dropped;
    return Extract::Taken;
}

namespace {

// The frame of code, when one was accepted.
std::optional<QByteArray> take(QByteArray &rx, FrameCode code)
{
    QByteArray frame;
    if (extractReplyFrame(rx, code, frame) != Extract::Taken)
        return std::nullopt;
    return frame;
}

std::optional<int> takeStatus(QByteArray &rx, FrameCode code)
{
    if (const auto f = take(rx, code))
        return decodeStatus(bytesOf(*f));
    return std::nullopt;
}

} // namespace

bool extractRebootReply(QByteArray &rx)
{
    return take(rx, FrameCode::RBoot).has_value();
}

std::optional<ProductInfo> extractProductReply(QByteArray &rx)
{
    if (const auto f = take(rx, FrameCode::RPrda))
        return decodeProductInfo(bytesOf(*f));
    return std::nullopt;
}

bool extractIntensityReply(QByteArray &rx, SCAN_DATA &scan, int rangeLimit)
{
    const auto f = take(rx, FrameCode::RStre);
    if (f)
        decodeScanValues(bytesOf(*f), scan.SerialIntensity, scan.InstallDir, rangeLimit);
    return f.has_value();
}

bool extractDistanceReply(QByteArray &rx, SCAN_DATA &scan, int rangeLimit)
{
    const auto f = take(rx, FrameCode::RScan);
    if (f)
        decodeScanValues(bytesOf(*f), scan.SerialDistance, scan.InstallDir, rangeLimit);
    return f.has_value();
}

std::optional<int> extractAreaReply(QByteArray &rx, QVector<AREA_DATA> &areas, bool installDir)
{
    const auto f = take(rx, FrameCode::RArea);
    if (!f)
        return std::nullopt;
    const uchar *d = bytesOf(*f);
    const int index = areaIndexOfRecord(d);
    if (index <= kMaxAreaIndex && index < areas.size())
        decodeAreaRecord(d, areas[index], installDir);
    return index;
}

std::optional<int> extractWriteAreaReply(QByteArray &rx)
{
    return takeStatus(rx, FrameCode::WArea);
}
std::optional<int> extractWriteParametersReply(QByteArray &rx)
{
    return takeStatus(rx, FrameCode::WPara);
}
std::optional<int> extractWriteCaseReply(QByteArray &rx)
{
    return takeStatus(rx, FrameCode::WCase);
}

bool extractParametersReply(QByteArray &rx, SENSOR_PARAMETERS &parameters)
{
    const auto f = take(rx, FrameCode::RPara);
    if (f)
        decodeParameters(bytesOf(*f), parameters);
    return f.has_value();
}

bool extractCaseReply(QByteArray &rx, QVector<AREA_DATA> &areas)
{
    const auto f = take(rx, FrameCode::RCase);
    if (f)
        storeCaseChannels(decodeCaseChannels(bytesOf(*f)), areas);
    return f.has_value();
}

std::optional<SelfCheckReport> extractSelfCheckReply(QByteArray &rx)
{
    if (const auto f = take(rx, FrameCode::WSimu))
        return decodeSelfCheck(bytesOf(*f));
    return std::nullopt;
}

bool extractScanControlReply(QByteArray &rx)
{
    return take(rx, FrameCode::SCtrl).has_value();
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
    return c == 'R' || c == 'W' || c == 'S';
}
inline bool secondLetter(uchar c)
{
    return c == 'A' || c == 'B' || c == 'C' || c == 'P' || c == 'S';
}

void noteCode(const uchar *at, quint32 &mask)
{
    if (const FrameInfo *f = frameInfoByName(reinterpret_cast<const char *>(at)))
        mask |= 1u << int(f->code);
}

// One bit per FrameCode for every code that occurs somewhere in the buffer. Scan data is binary, so
// candidates are sifted by their first two letters, sixteen positions at a time where SSE2 is there.
quint32 codesPresent(const QByteArray &rx)
{
    const uchar *d = bytesOf(rx);
    const int last = rx.size() - kCodeLength; // last position a whole code can start at
    quint32 mask = 0;
    int i = 0;
#ifdef __SSE2__
    // First letter R, S, W (and V) share the bits of 0x52 under the mask 0xFA; second letters A, B, C,
    // P, S (and @, Q, R) share those of 0x40 under 0xEC.
    const __m128i firstMask = _mm_set1_epi8(char(0xFA)), firstBits = _mm_set1_epi8(0x52);
    const __m128i secondMask = _mm_set1_epi8(char(0xEC)), secondBits = _mm_set1_epi8(0x40);
    // Reads d[i, i + 17) while whole codes may start at i .. i + 15.
    for (; i + 15 <= last; i += 16) {
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(d + i));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(d + i + 1));
        const __m128i m0 = _mm_cmpeq_epi8(_mm_and_si128(v0, firstMask), firstBits);
        const __m128i m1 = _mm_cmpeq_epi8(_mm_and_si128(v1, secondMask), secondBits);
        unsigned bits = unsigned(_mm_movemask_epi8(_mm_and_si128(m0, m1)));
        while (bits) {
            const int k = __builtin_ctz(bits);
            if (firstLetter(d[i + k]) && secondLetter(d[i + k + 1]))
                noteCode(d + i + k, mask);
            bits &= bits - 1;
        }
    }
#endif
    for (; i <= last; ++i)
        if (firstLetter(d[i]) && secondLetter(d[i + 1]))
            noteCode(d + i, mask);
    return mask;
}

} // namespace

bool runReplyExtractors(QByteArray &rx, ReplyContext &ctx, ReplySink &sink)
{
    if (applyReceiveBound(rx))
        return false;
    SCAN_DATA &scan = *ctx.scan;
    const bool serial = scan.ConnectType == 0;

    // One pass tells which codes occur at all; an extractor whose code is absent would search in vain.
    // After any extractor that did run (it may have removed bytes, and its handler may have let more
    // arrive) the picture is taken again, so the outcome is that of running every extractor.
    quint32 present = codesPresent(rx);
    auto due = [&](FrameCode c) { return ((present >> int(c)) & 1u) != 0; };
    auto rescan = [&] { present = codesPresent(rx); };

    if (due(FrameCode::RBoot)) {
        if (extractRebootReply(rx))
            sink.rebootReply();
        rescan();
    }
    if (due(FrameCode::RPrda)) {
        if (const auto p = extractProductReply(rx))
            sink.productReply(*p);
        rescan();
    }
    if (serial && due(FrameCode::RStre)) {
        if (extractIntensityReply(rx, scan, ctx.rangeLimit))
            sink.intensityReply();
        rescan();
    }
    if (ctx.areas && due(FrameCode::RArea)) {
        if (const auto index = extractAreaReply(rx, *ctx.areas, scan.InstallDir))
            sink.areaReply(*index);
        rescan();
    }
    if (due(FrameCode::WArea)) {
        if (const auto s = extractWriteAreaReply(rx))
            sink.writeAreaReply(*s);
        rescan();
    }
    if (ctx.parameters && due(FrameCode::RPara)) {
        if (extractParametersReply(rx, *ctx.parameters))
            sink.parametersReply();
        rescan();
    }
    if (due(FrameCode::WPara)) {
        if (const auto s = extractWriteParametersReply(rx))
            sink.writeParametersReply(*s);
        rescan();
    }
    if (ctx.areas && due(FrameCode::RCase)) {
        if (extractCaseReply(rx, *ctx.areas))
            sink.caseReply();
        rescan();
    }
    if (due(FrameCode::WCase)) {
        if (const auto s = extractWriteCaseReply(rx))
            sink.writeCaseReply(*s);
        rescan();
    }
    if (due(FrameCode::WSimu)) {
        if (const auto r = extractSelfCheckReply(rx))
            sink.selfCheckReply(*r);
        rescan();
    }
    if (due(FrameCode::SCtrl)) {
        if (extractScanControlReply(rx))
            sink.scanControlReply();
        rescan();
    }
    if (serial) {
        if (due(FrameCode::RScan) && extractDistanceReply(rx, scan, ctx.rangeLimit))
            sink.distanceReply();
    } else if (ctx.hisn) {
        const int n = extractHisn(rx, scan, *ctx.hisn, ctx.rangeLimit);
        if (n > 0)
            sink.revolutions(n);
    }
    return true;
}
