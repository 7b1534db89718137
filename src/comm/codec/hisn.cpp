#include "comm/codec/hisn.h"

#include "comm/codec/wire_bytes.h"

#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

using namespace wire;

namespace {

const char kMagic[4] = {'H', 'I', 'S', 'N'};

// First "HISN" in d[from, size), or -1.
int findMagic(const uchar *d, int size, int from)
{
    int i = from;
    while (i + 4 <= size) {
        const void *h = std::memchr(d + i, 'H', size_t(size - 3 - i));
        if (!h)
            return -1;
        i = int(static_cast<const uchar *>(h) - d);
        if (std::memcmp(d + i, kMagic, 4) == 0)
            return i;
        ++i;
    }
    return -1;
}

// True when the last k (1..3) bytes of d[0, keep) with the first bytes of d[head, size) spell "HISN".
bool magicAcrossGap(const uchar *d, int keep, int head, int size)
{
    for (int k = 1; k <= 3; ++k) {
        if (keep < k || size - head < 4 - k)
            continue;
        if (std::memcmp(d + keep - k, kMagic, size_t(k)) == 0 &&
            std::memcmp(d + head, kMagic + k, size_t(4 - k)) == 0)
            return true;
    }
    return false;
}

// Points of one packet into one stretch of the rings (no wrap inside), clamped.
void storeRun(const uchar *points, quint16 *distance, quint16 *intensity, int count, quint16 limit)
{
    int i = 0;
#ifdef __SSE2__
    // Eight points at a time: the low and high halves of each 32-bit point, sign-extended so that the
    // signed pack keeps all sixteen bits; min(a, limit) = a - saturating(a - limit).
    const __m128i lim = _mm_set1_epi16(short(limit));
    for (; i + 8 <= count; i += 8) {
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(points + 4 * i));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(points + 4 * i + 16));
        const __m128i d = _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(v0, 16), 16),
                                          _mm_srai_epi32(_mm_slli_epi32(v1, 16), 16));
        const __m128i s = _mm_packs_epi32(_mm_srai_epi32(v0, 16), _mm_srai_epi32(v1, 16));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(distance + i), _mm_sub_epi16(d, _mm_subs_epu16(d, lim)));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(intensity + i),
                         _mm_sub_epi16(s, _mm_subs_epu16(s, lim)));
    }
#endif
    for (; i < count; ++i) {
        const quint16 d = getU16le(points + 4 * i);
        const quint16 s = getU16le(points + 4 * i + 2);
        distance[i] = d < limit ? d : limit;
        intensity[i] = s < limit ? s : limit;
    }
}

void startAfresh(SCAN_DATA &scan, HisnAssembly &state)
{
    state.discard = false;
    scan.EtherIndex = 0;
    scan.EtherCount = 0;
}

} // namespace

int HisnHeader::pointsPerDegree() const
{
    if (EndAngle <= StartAngle)
        return -1;
    return CountB / (EndAngle - StartAngle);
}

HisnHeader parseHisnHeader(const uchar *d)
{
    HisnHeader h;
    h.StartAngle = getU16(d + 4);
    h.EndAngle = getU16(d + 6);
    h.CountA = getU16(d + 8);
    h.Sequence = getU16(d + 10);
    h.CountB = getU16(d + 12);
    h.Reserved = getU16(d + 14);
    return h;
}

void appendHisnPacket(QByteArray &out, const HisnHeader &h, const quint16 *distance, const quint16 *intensity)
{
    const int at = out.size();
    out.resize(at + h.packetLength());
    uchar *p = reinterpret_cast<uchar *>(out.data()) + at;
    std::memcpy(p, kMagic, 4);
    put16(p + 4, h.StartAngle);
    put16(p + 6, h.EndAngle);
    put16(p + 8, h.CountA);
    put16(p + 10, h.Sequence);
    put16(p + 12, h.CountB);
    put16(p + 14, h.Reserved);
    p += kHisnHeaderLength;
    for (int i = 0; i < h.pointCount(); ++i, p += 4) {
        put16le(p, distance[i]);
        put16le(p + 2, intensity[i]);
    }
}

void appendHisnRevolution(QByteArray &out, int pointsPerDegree, const quint16 *distance,
                          const quint16 *intensity, int degreesPerPacket)
{
    if (pointsPerDegree <= 0 || degreesPerPacket <= 0)
        return;
    const int first = kHisnLastEndAngle - kHisnSweepDegrees;
    int sequence = 0;
    int offset = 0;
    for (int start = first; start < kHisnLastEndAngle; start += degreesPerPacket) {
        const int end = qMin(start + degreesPerPacket, kHisnLastEndAngle);
        HisnHeader h;
        h.StartAngle = quint16(start);
        h.EndAngle = quint16(end);
        h.CountA = h.CountB = quint16(pointsPerDegree * (end - start));
        h.Sequence = quint16(end == kHisnLastEndAngle ? h.CountB : sequence++);
        // A middle packet must never look like a revolution's end; its sequence stays below count B.
        if (end != kHisnLastEndAngle && h.Sequence == h.CountB)
            h.Sequence = 0;
        appendHisnPacket(out, h, distance + offset, intensity + offset);
        offset += h.pointCount();
    }
}

bool assembleHisnPacket(const HisnHeader &h, const uchar *points, SCAN_DATA &scan, HisnAssembly &state,
                        int rangeLimit)
{
    const int g = h.pointsPerDegree();
    if (g < 0) {
        // Start and end angles that do not span any degree give no points-per-degree value, and the
        // points have no place in the sweep: the revolution is broken. Its points are not stored and the
        // next packet starts a fresh revolution, as after a change of resolution.
        state.lastPointsPerDegree = -1;
        state.discard = true;
        scan.EtherIndex = 0;
        return false;
    }

    const quint16 limit = quint16(qBound(0, rangeLimit, 65535));
    int index = (scan.EtherIndex >= 0 && scan.EtherIndex < kEtherRing) ? scan.EtherIndex : 0;
    const int n = h.pointCount();
    for (int done = 0; done < n;) {
        const int run = qMin(n - done, kEtherRing - index);
        storeRun(points + 4 * done, scan.EtherDistance + index, scan.EtherIntensity + index, run, limit);
        done += run;
        index += run;
        if (index == kEtherRing)
            index = 0;
    }
    scan.EtherIndex = index;

    const bool lastOfRevolution = h.EndAngle == kHisnLastEndAngle && h.Sequence == h.CountB;
    if (g != state.lastPointsPerDegree) {
        state.lastPointsPerDegree = g;
        state.discard = true;
        scan.EtherIndex = 0;
        if (lastOfRevolution)
            startAfresh(scan, state);
        return false;
    }
    if (!lastOfRevolution)
        return false;
    if (state.discard) {
        startAfresh(scan, state);
        return false;
    }
    if (scan.EtherIndex == g * kHisnSweepDegrees) {
        scan.EtherCount = g * kHisnSweepDegrees;
        scan.EtherIndex = 0;
        return true;
    }
    startAfresh(scan, state);
    return false;
}

int extractHisn(QByteArray &rx, SCAN_DATA &scan, HisnAssembly &state, int rangeLimit,
                QVector<HisnRevolution> *revolutions)
{
    // The buffer is compacted once at the end instead of shifting it per packet: [0, keep) holds the
    // foreign bytes that stay, [head, size) is not yet searched.
    int size = rx.size();
    if (size < kHisnHeaderLength)
        return 0;
    uchar *d = reinterpret_cast<uchar *>(rx.data());
    int keep = 0;
    int head = 0;
    int completed = 0;
    for (;;) {
        if (head != keep && magicAcrossGap(d, keep, head, size)) {
            std::memmove(d + keep, d + head, size_t(size - head));
            size -= head - keep;
            head = keep;
        }
        const int from = (head == keep) ? qMax(0, keep - 3) : head;
        const int at = findMagic(d, size, from);
        if (at < 0 || size - at < kHisnHeaderLength)
            break;
        const HisnHeader h = parseHisnHeader(d + at);
        const int length = h.packetLength();
        if (size - at < length)
            break;
        if (assembleHisnPacket(h, d + at + kHisnHeaderLength, scan, state, rangeLimit)) {
            ++completed;
            if (revolutions) {
                const int n = scan.EtherCount;
                revolutions->append({QVector<quint16>(scan.EtherDistance, scan.EtherDistance + n),
                                     QVector<quint16>(scan.EtherIntensity, scan.EtherIntensity + n)});
            }
        }
        if (at >= head) {
            if (at > head && keep != head)
                std::memmove(d + keep, d + head, size_t(at - head));
            keep += at - head;
        } else {
            keep = at; // the magic began in the kept bytes
        }
        head = at + length;
    }
    if (head != keep) {
        std::memmove(d + keep, d + head, size_t(size - head));
        size -= head - keep;
    }
    rx.resize(size);
    return completed;
}
