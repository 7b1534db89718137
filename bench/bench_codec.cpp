// Throughput of the receive path on a live Ethernet scan stream, against memcpy of the same bytes, and
// of the checksum. Prints "name value unit" lines.
#include "comm/codec/codec.h"

#include <QElapsedTimer>
#include <QVector>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr int kPointsPerDegree = 40; // 12,800 points per revolution
constexpr int kDegreesPerPacket = 8; // 320 points, 1296-byte packets
constexpr int kRevolutions = 200;
constexpr int kRounds = 5;
// Socket reads as they come: a full Ethernet segment, two of them, small and page-sized reads.
const int kChunks[] = {1460, 2920, 536, 4096, 1460, 8192, 1024};

QByteArray makeStream()
{
    const int n = kPointsPerDegree * kHisnSweepDegrees;
    QVector<quint16> distance(n), intensity(n);
    for (int i = 0; i < n; ++i) {
        distance[i] = quint16(500 + (i * 37) % 30000);
        intensity[i] = quint16((i * 11) % 4000);
    }
    QByteArray revolution;
    appendHisnRevolution(revolution, kPointsPerDegree, distance.constData(), intensity.constData(),
                         kDegreesPerPacket);
    QByteArray stream;
    stream.reserve(revolution.size() * kRevolutions);
    for (int r = 0; r < kRevolutions; ++r)
        stream += revolution;
    return stream;
}

class CountingSink : public ReplySink {
public:
    int revolutionCount = 0;
    void revolutions(int n) override { revolutionCount += n; }
};

double mbps(qint64 bytes, qint64 nsecs)
{
    return nsecs > 0 ? double(bytes) / 1e6 / (double(nsecs) / 1e9) : 0;
}

} // namespace

int main()
{
    const QByteArray stream = makeStream();
    const int total = stream.size();
    volatile int sinkValue = 0;

    // Extractor chain: every delivery appended, bounded and searched by all extractors in order.
    qint64 bestExtract = -1;
    int revolutions = 0;
    for (int round = 0; round < kRounds; ++round) {
        std::unique_ptr<SCAN_DATA> scan(new SCAN_DATA);
        scan->ConnectType = 1;
        QVector<AREA_DATA> areas(64);
        SENSOR_PARAMETERS parameters;
        HisnAssembly hisn;
        ReplyContext ctx;
        ctx.scan = scan.get();
        ctx.areas = &areas;
        ctx.parameters = &parameters;
        ctx.hisn = &hisn;
        ctx.rangeLimit = 36000;
        CountingSink sink;
        QByteArray rx;
        rx.reserve(1 << 16); // a long-lived receive buffer keeps its storage between deliveries
        QElapsedTimer t;
        t.start();
        for (int at = 0, c = 0; at < total; ++c) {
            const int len = std::min(kChunks[c % int(sizeof kChunks / sizeof *kChunks)], total - at);
            rx.append(stream.constData() + at, len);
            runReplyExtractors(rx, ctx, sink);
            at += len;
        }
        const qint64 ns = t.nsecsElapsed();
        if (bestExtract < 0 || ns < bestExtract)
            bestExtract = ns;
        revolutions = sink.revolutionCount;
        sinkValue = sinkValue + scan->EtherCount;
    }

    // The same bytes copied in the same chunks.
    QByteArray copy(total, '\0');
    qint64 bestCopy = -1;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer t;
        t.start();
        for (int at = 0, c = 0; at < total; ++c) {
            const int len = std::min(kChunks[c % int(sizeof kChunks / sizeof *kChunks)], total - at);
            std::memcpy(copy.data() + at, stream.constData() + at, size_t(len));
            at += len;
        }
        const qint64 ns = t.nsecsElapsed();
        if (bestCopy < 0 || ns < bestCopy)
            bestCopy = ns;
        sinkValue = sinkValue + copy[round];
    }

    qint64 bestCrc = -1;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer t;
        t.start();
        const quint16 c = crc16Modbus(stream);
        const qint64 ns = t.nsecsElapsed();
        if (bestCrc < 0 || ns < bestCrc)
            bestCrc = ns;
        sinkValue = sinkValue + c;
    }

    const double extract = mbps(total, bestExtract);
    const double memcpyRate = mbps(total, bestCopy);
    std::printf("stream_bytes %d bytes\n", total);
    std::printf("revolutions_completed %d count\n", revolutions);
    std::printf("extract_hisn_mbps %.1f MB/s\n", extract);
    std::printf("memcpy_mbps %.1f MB/s\n", memcpyRate);
    std::printf("extract_vs_memcpy %.2f x\n", extract > 0 ? memcpyRate / extract : 0.0);
    std::printf("crc_mbps %.1f MB/s\n", mbps(total, bestCrc));
    return sinkValue == 12345 ? 1 : 0;
}
