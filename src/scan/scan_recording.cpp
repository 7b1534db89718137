#include "scan/scan_recording.h"

#include <QDataStream>
#include <QFileInfo>
#include <QList>
#include <QMutex>
#include <QSaveFile>
#include <QThread>
#include <QtEndian>

#include <cstring>
#include <future>
#ifdef VELTRIN_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif
#include <system_error>

#include <algorithm>
#include <array>

namespace {

constexpr int kMaxPoints = 65535;
// The longest line the writer makes is about 350 kB (65,535 points that do not compress); a longer
// one is damage and is passed over, never held whole in memory.
constexpr int kLineLimit = 1 << 20;
constexpr int kHeaderLimit = 64 * 1024;

// Delta code one array and split it into a low-byte plane and a high-byte plane.
void packArray(const quint16 *values, int count, char *low, char *high)
{
    quint16 previous = 0;
    for (int i = 0; i < count; ++i) {
        const quint16 delta = quint16(values[i] - previous);
        previous = values[i];
        low[i] = char(delta & 0xFF);
        high[i] = char(delta >> 8);
    }
}

void unpackArray(const uchar *low, const uchar *high, int count, quint16 *values)
{
    quint16 previous = 0;
    for (int i = 0; i < count; ++i) {
        previous = quint16(previous + quint16(low[i] | (high[i] << 8)));
        values[i] = previous;
    }
}

QByteArray packPayload(const quint16 *distance, const quint16 *intensity, int count)
{
    QByteArray raw(4 * count, Qt::Uninitialized);
    char *p = raw.data();
    packArray(distance, count, p, p + count);
    packArray(intensity, count, p + 2 * count, p + 3 * count);
    return qCompress(raw, 6).toBase64();
}

bool parseInt(const QByteArray &text, qint64 *value, qint64 low, qint64 high)
{
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok || v < low || v > high)
        return false;
    *value = v;
    return true;
}

bool parseHeader(const QByteArray &line, RecordingHeader *header, RecordingError *error)
{
    const QList<QByteArray> fields = line.split(' ');
    if (fields.size() < 2 || fields.at(0) != kRecordingMagic) {
        error->kind = RecordingError::NotARecording;
        return false;
    }
    qint64 version = 0;
    if (!parseInt(fields.at(1), &version, 0, 1000000)) {
        error->kind = RecordingError::NotARecording;
        return false;
    }
    if (version != kRecordingVersion) {
        error->kind = RecordingError::WrongVersion;
        error->version = int(version);
        return false;
    }
    header->version = int(version);
    bool haveModel = false, haveStart = false;
    for (int i = 2; i < fields.size(); ++i) {
        const QByteArray &f = fields.at(i);
        const int eq = f.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArray key = f.left(eq);
        const QByteArray value = f.mid(eq + 1);
        qint64 v = 0;
        if (key == "model" && parseInt(value, &v, 0, 65535)) {
            header->model = int(v);
            haveModel = true;
        } else if (key == "resolution" && parseInt(value, &v, 0, 1000)) {
            header->pointsPerDegree = int(v);
        } else if (key == "install" && parseInt(value, &v, 0, 1)) {
            header->installDir = v == 1;
        } else if (key == "product") {
            const QList<QByteArray> p = value.split(',');
            quint16 n[6] = {};
            for (int k = 0; k < 6 && k < p.size(); ++k)
                if (parseInt(p.at(k), &v, 0, 65535))
                    n[k] = quint16(v);
            header->product = {n[0], n[1], n[2], n[3], n[4], n[5]};
        } else if (key == "start") {
            header->start = QDateTime::fromString(QString::fromLatin1(value), Qt::ISODateWithMs);
            haveStart = header->start.isValid();
        }
    }
    if (!haveModel || !haveStart) {
        error->kind = RecordingError::BadHeader;
        return false;
    }
    return true;
}

// Base64 as the writer makes it, by table: the general decoder took most of the time of opening an
// hour of recording. Anything else (a character outside the alphabet, a short group) goes to the
// general decoder, which passes over what is not base64 as the reader always did.
QByteArray fromBase64(const QByteArray &text)
{
    static const std::array<qint8, 256> value = [] {
        std::array<qint8, 256> t;
        t.fill(-1);
        const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int i = 0; i < 64; ++i)
            t[uchar(alphabet[i])] = qint8(i);
        return t;
    }();
    const int n = text.size();
    if (n % 4 != 0)
        return QByteArray::fromBase64(text);
    const uchar *in = reinterpret_cast<const uchar *>(text.constData());
    const int pad = n == 0 ? 0 : (in[n - 1] == '=') + (in[n - 2] == '=');
    QByteArray out(n / 4 * 3 - pad, Qt::Uninitialized);
    uchar *o = reinterpret_cast<uchar *>(out.data());
    for (int i = 0; i < n; i += 4) {
        const bool last = i + 4 == n;
        const int a = value[in[i]], b = value[in[i + 1]];
        const int c = last && pad == 2 ? 0 : value[in[i + 2]];
        const int d = last && pad >= 1 ? 0 : value[in[i + 3]];
        if ((a | b | c | d) < 0)
            return QByteArray::fromBase64(text);
        const uint v = uint(a) << 18 | uint(b) << 12 | uint(c) << 6 | uint(d);
        *o++ = uchar(v >> 16);
        if (last && pad == 2)
            break;
        *o++ = uchar(v >> 8);
        if (last && pad == 1)
            break;
        *o++ = uchar(v);
    }
    return out;
}

// The space-separated fields of a line, as views into it (up to kMaxFields; one more means "more").
constexpr int kMaxFields = 10;
int splitFields(const QByteArray &line, QByteArray (&fields)[kMaxFields + 1])
{
    const char *at = line.constData();
    const char *const end = at + line.size();
    int n = 0;
    for (; n <= kMaxFields; ++n) {
        const char *space = static_cast<const char *>(std::memchr(at, ' ', size_t(end - at)));
        const char *fieldEnd = space ? space : end;
        fields[n] = QByteArray::fromRawData(at, int(fieldEnd - at));
        if (!space)
            return n + 1;
        at = space + 1;
    }
    return n;
}

#ifdef VELTRIN_HAVE_LIBDEFLATE
// qUncompress's work (the unpacked size, 4 bytes, then a zlib stream) into the buffer given, with the
// same outcome: the stream's own end and checksum decide, the size in front is only a hint, and four
// bytes or fewer are an empty payload. True when it unpacked to exactly `size` bytes.
bool uncompressTo(const QByteArray &compressed, uchar *out, int size)
{
    if (compressed.size() <= 4)
        return size == 0;
    struct Free {
        void operator()(libdeflate_decompressor *d) const { libdeflate_free_decompressor(d); }
    };
    thread_local std::unique_ptr<libdeflate_decompressor, Free> decompressor(libdeflate_alloc_decompressor());
    if (!decompressor)
        return false;
    size_t in = 0, got = 0;
    return libdeflate_zlib_decompress_ex(decompressor.get(), compressed.constData() + 4,
                                         size_t(compressed.size() - 4), out, size_t(size), &in,
                                         &got) == LIBDEFLATE_SUCCESS &&
           got == size_t(size);
}
#endif

// Unpacks a payload of count points (the intensities only when asked for); false when it is damaged.
bool unpackPayload(const QByteArray &compressed, int count, quint16 *distance, quint16 *intensity)
{
#ifdef VELTRIN_HAVE_LIBDEFLATE
    thread_local std::vector<uchar> raw;
    raw.resize(size_t(4 * count));
    if (!uncompressTo(compressed, raw.data(), 4 * count))
        return false;
    const uchar *p = raw.data();
#else
    const QByteArray raw = qUncompress(compressed);
    if (raw.size() != 4 * count)
        return false;
    const uchar *p = reinterpret_cast<const uchar *>(raw.constData());
#endif
    unpackArray(p, p + count, count, distance);
    if (intensity)
        unpackArray(p + 2 * count, p + 3 * count, count, intensity);
    return true;
}

} // namespace

bool RecordingHeader::operator==(const RecordingHeader &o) const
{
    return version == o.version && model == o.model && pointsPerDegree == o.pointsPerDegree &&
           installDir == o.installDir && product == o.product && start == o.start;
}

bool RecordedScan::operator==(const RecordedScan &o) const
{
    return kind == o.kind && offsetMs == o.offsetMs && distance == o.distance && intensity == o.intensity;
}

QString describe(const RecordingError &e, Language language)
{
    switch (e.kind) {
    case RecordingError::None: return QString();
    case RecordingError::CannotOpen:
        return pick(language, "The recording cannot be opened.", "无法打开记录文件。");
    case RecordingError::NotARecording:
        return pick(language, "This file is not a scan recording.", "该文件不是扫描记录文件。");
    case RecordingError::WrongVersion:
        return pick(language, "The recording has format version %1; this program reads version %2.",
                    "记录文件格式版本为 %1,本程序只能读取版本 %2。")
            .arg(e.version)
            .arg(kRecordingVersion);
    case RecordingError::BadHeader:
        return pick(language, "The recording's first line is damaged.", "记录文件的首行已损坏。");
    case RecordingError::BadLine:
        return pick(language, "The recording is damaged at line %1.", "记录文件第 %1 行已损坏。").arg(e.line);
    case RecordingError::CutShort:
        return pick(language, "The recording was cut short at line %1.", "记录文件在第 %1 行处不完整。")
            .arg(e.line);
    case RecordingError::NoScans:
        return pick(language, "The recording holds no scans.", "该记录文件不含任何扫描。");
    }
    return QString();
}

// ---- The index beside a recording ----

QString recordingIndexPath(const QString &recordingPath)
{
    return recordingPath + QStringLiteral(".idx");
}

namespace {

constexpr char kIndexMagic[] = "VSCANIDX";
constexpr quint32 kIndexVersion = 1;
constexpr qint64 kIndexHashSpan = 64 * 1024;
constexpr qint64 kLongestOffset = Q_INT64_C(1) << 50;

quint64 fnv1a(const char *data, qint64 size, quint64 hash = 14695981039346656037ULL)
{
    for (qint64 i = 0; i < size; ++i)
        hash = (hash ^ uchar(data[i])) * 1099511628211ULL;
    return hash;
}

// What ties an index to one state of one recording: its size, modification time, and a hash of its
// first and last bytes (the header and the end line among them).
struct Fingerprint {
    qint64 size = -1;
    qint64 modifiedMs = 0;
    quint64 hash = 0;
    bool operator==(const Fingerprint &o) const
    {
        return size == o.size && modifiedMs == o.modifiedMs && hash == o.hash;
    }
};

bool fingerprint(QIODevice *device, const QString &path, Fingerprint *f)
{
    const QFileInfo info(path);
    f->size = device->size();
    f->modifiedMs = info.lastModified().toMSecsSinceEpoch();
    if (!device->seek(0))
        return false;
    const QByteArray head = device->read(kIndexHashSpan);
    const qint64 tailAt = qMax<qint64>(0, f->size - kIndexHashSpan);
    if (!device->seek(tailAt))
        return false;
    const QByteArray tail = device->read(kIndexHashSpan);
    f->hash = fnv1a(tail.constData(), tail.size(), fnv1a(head.constData(), head.size()));
    return device->seek(0);
}

struct IndexContent {
    std::vector<ScanLine> scans;
    QVector<RecordedSelfCheck> selfChecks;
    qint64 durationMs = 0;
};

// Best effort: a folder that cannot be written to keeps no index, and the recording opens as before.
void saveIndex(const QString &recordingPath, const Fingerprint &f, const IndexContent &c)
{
    QByteArray bytes;
    bytes.reserve(int(qMin<size_t>(c.scans.size() * 27 + c.selfChecks.size() * 26 + 64, INT_MAX / 2)));
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::LittleEndian);
        out.writeRawData(kIndexMagic, 8);
        out << kIndexVersion << f.size << f.modifiedMs << f.hash << c.durationMs << quint32(c.scans.size());
        for (const ScanLine &s : c.scans)
            out << s.position << s.offsetMs << s.length << s.line << s.count << quint8(s.kind);
        out << quint32(c.selfChecks.size());
        for (const RecordedSelfCheck &r : c.selfChecks)
            out << r.offsetMs << quint32(r.report.InputPorts) << quint32(r.report.OutputPorts)
                << r.report.Status << r.report.Temperature << r.report.RotationSpeed << r.report.DriveVoltage
                << r.report.SendVoltage << r.report.ReceiveVoltage;
        out << fnv1a(bytes.constData(), bytes.size());
        if (out.status() != QDataStream::Ok)
            return;
    }
    QSaveFile file(recordingIndexPath(recordingPath));
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
        file.commit();
}

// The index for a recording of this fingerprint whose first scan line starts at firstLine; false
// when there is none or it is stale, damaged or inconsistent, whatever its bytes.
bool loadIndex(const QString &recordingPath, const Fingerprint &f, qint64 firstLine, IndexContent *c)
{
    QFile file(recordingIndexPath(recordingPath));
    if (!file.open(QIODevice::ReadOnly) || file.size() < 16 || file.size() > 64 * 1024 + 2 * f.size)
        return false;
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size() || !bytes.startsWith(QByteArray::fromRawData(kIndexMagic, 8)))
        return false;
    quint64 stored = 0;
    std::memcpy(&stored, bytes.constData() + bytes.size() - 8, 8);
    if (qFromLittleEndian(stored) != fnv1a(bytes.constData(), bytes.size() - 8))
        return false;
    QDataStream in(bytes);
    in.setByteOrder(QDataStream::LittleEndian);
    in.skipRawData(8);
    quint32 version = 0, scans = 0, selfChecks = 0;
    Fingerprint g;
    in >> version >> g.size >> g.modifiedMs >> g.hash >> c->durationMs >> scans;
    if (in.status() != QDataStream::Ok || version != kIndexVersion || !(g == f) || c->durationMs < 0 ||
        c->durationMs > kLongestOffset || scans > quint32(bytes.size() / 27))
        return false;
    c->scans.resize(scans);
    qint64 next = firstLine;
    qint32 line = 1;
    for (ScanLine &s : c->scans) {
        quint8 kind = 0;
        in >> s.position >> s.offsetMs >> s.length >> s.line >> s.count >> kind;
        // In file order, each a whole line inside the file, as the reader would have found them.
        if (in.status() != QDataStream::Ok || s.position < next || s.length < 5 || s.length > kLineLimit ||
            s.position + s.length + 1 > f.size || s.line <= line || s.offsetMs < 0 ||
            s.offsetMs > kLongestOffset || kind > 1)
            return false;
        s.kind = kind == 1 ? RecordedScan::Serial : RecordedScan::Revolution;
        next = s.position + s.length + 1;
        line = s.line;
    }
    in >> selfChecks;
    if (in.status() != QDataStream::Ok || selfChecks > quint32(bytes.size() / 26))
        return false;
    c->selfChecks.resize(int(selfChecks));
    for (RecordedSelfCheck &r : c->selfChecks) {
        quint32 input = 0, output = 0;
        in >> r.offsetMs >> input >> output >> r.report.Status >> r.report.Temperature >>
            r.report.RotationSpeed >> r.report.DriveVoltage >> r.report.SendVoltage >>
            r.report.ReceiveVoltage;
        r.report.InputPorts = input;
        r.report.OutputPorts = output;
        if (r.offsetMs < 0 || r.offsetMs > kLongestOffset)
            return false;
    }
    return in.status() == QDataStream::Ok && in.device()->pos() == bytes.size() - 8;
}

} // namespace

// ---- Writing ----

ScanRecordingWriter::~ScanRecordingWriter()
{
    if (m_file.isOpen())
        m_file.close();
}

bool ScanRecordingWriter::open(const QString &path, const RecordingHeader &h)
{
    if (m_file.isOpen())
        m_file.close();
    m_bytes = 0;
    m_scans = 0;
    m_dropped = 0;
    m_lines.clear();
    m_selfChecks.clear();
    m_error.clear();
    m_file.setFileName(path);
    QFile::remove(recordingIndexPath(path)); // of an earlier recording by this name
    // Unbuffered: a failed write is known at once, and what was written is on disk when the
    // program or the laptop stops without closing the file.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        m_error = m_file.errorString();
        return false;
    }
    const ProductInfo &p = h.product;
    const QByteArray line =
        QByteArray(kRecordingMagic) + ' ' + QByteArray::number(kRecordingVersion) +
        " model=" + QByteArray::number(h.model) + " resolution=" + QByteArray::number(h.pointsPerDegree) +
        " install=" + (h.installDir ? "1" : "0") + " product=" + QByteArray::number(p.ModelCode) + ',' +
        QByteArray::number(p.Firmware) + ',' + QByteArray::number(p.SerialNumber) + ',' +
        QByteArray::number(p.Year) + ',' + QByteArray::number(p.Month) + ',' + QByteArray::number(p.Day) +
        " start=" + h.start.toString(Qt::ISODateWithMs).toLatin1() + '\n';
    if (!writeLine(line)) {
        m_file.close();
        return false;
    }
    return true;
}

// A line is written whole or not at all: what a full disk let through of it is cut off again, so
// the lines before stay a readable recording and the end line can still follow them.
bool ScanRecordingWriter::writeLine(const QByteArray &line)
{
    qint64 written = m_file.write(line);
    if (written == line.size()) {
        m_bytes += written;
        return true;
    }
    // A part went through: asking for the rest gives the reason (the disk is full, the file too large).
    if (written > 0)
        m_file.write(line.constData() + written, line.size() - written);
    m_error = m_file.errorString();
    if (m_file.size() != m_bytes && m_file.resize(m_bytes))
        m_file.seek(m_bytes);
    return false;
}

bool ScanRecordingWriter::addScan(RecordedScan::Kind kind, qint64 offsetMs, const quint16 *distance,
                                  const quint16 *intensity, int count)
{
    if (!m_file.isOpen() || count < 0 || count > kMaxPoints) {
        ++m_dropped;
        return false;
    }
    QByteArray line;
    line.reserve(count * 3 + 32);
    line += kind == RecordedScan::Serial ? "S " : "R ";
    line += QByteArray::number(offsetMs) + ' ' + QByteArray::number(count) + ' ';
    line += packPayload(distance, intensity, count);
    line += '\n';
    const qint64 position = m_bytes;
    if (!writeLine(line)) {
        ++m_dropped;
        return false;
    }
    ++m_scans;
    m_lines.push_back({position, offsetMs, qint32(line.size() - 1), lineCount() + 1, quint16(count), kind});
    return true;
}

bool ScanRecordingWriter::addSelfCheck(qint64 offsetMs, const SelfCheckReport &r)
{
    if (!m_file.isOpen())
        return false;
    QByteArray line = "C " + QByteArray::number(offsetMs);
    for (qint64 v :
         {qint64(r.InputPorts), qint64(r.OutputPorts), qint64(r.Status), qint64(r.Temperature),
          qint64(r.RotationSpeed), qint64(r.DriveVoltage), qint64(r.SendVoltage), qint64(r.ReceiveVoltage)})
        line += ' ' + QByteArray::number(v);
    line += '\n';
    if (!writeLine(line))
        return false;
    m_selfChecks.append({offsetMs, r});
    return true;
}

bool ScanRecordingWriter::close(qint64 durationMs)
{
    if (!m_file.isOpen())
        return false;
    const bool ok =
        writeLine("END " + QByteArray::number(m_scans) + ' ' + QByteArray::number(durationMs) + '\n') &&
        m_file.flush();
    m_file.close();
    IndexContent index;
    index.scans = std::move(m_lines);
    index.selfChecks = std::move(m_selfChecks);
    m_lines.clear();
    m_selfChecks.clear();
    for (const ScanLine &l : index.scans)
        index.durationMs = qMax(index.durationMs, l.offsetMs);
    index.durationMs = qMax(index.durationMs, durationMs);
    // The index of exactly the file written: its fingerprint is taken from the file as it now is.
    QFile written(m_file.fileName());
    Fingerprint f;
    if (ok && written.open(QIODevice::ReadOnly) && fingerprint(&written, written.fileName(), &f))
        saveIndex(written.fileName(), f, index);
    return ok && m_dropped == 0;
}

// ---- Reading ----

namespace {

constexpr qint64 kBlock = 1 << 20;

// A device read line by line in large blocks, each line with its position in the file.
class LineReader {
public:
    enum Result { Line, Unended, TooLong, End };

    explicit LineReader(QIODevice *device) : m_device(device) {}

    // Line: *line is the next line without its end, valid until the next call. Unended: the device
    // ended inside a line (*line holds what there is of it). TooLong: a line beyond limit, passed over.
    Result next(QByteArray *line, qint64 *position, int limit)
    {
        for (;;) {
            const char *data = m_buffer.constData();
            const int size = m_buffer.size();
            const void *found = std::memchr(data + m_searched, '\n', size_t(size - m_searched));
            if (found) {
                const int end = int(static_cast<const char *>(found) - data);
                *position = m_bufferPosition + m_at;
                const int length = end - m_at;
                *line = QByteArray::fromRawData(data + m_at, length);
                m_at = m_searched = end + 1;
                return length > limit ? TooLong : Line;
            }
            m_searched = size;
            if (size - m_at > limit)
                return passOver(position);
            if (m_ended) {
                if (m_at == size)
                    return End;
                *position = m_bufferPosition + m_at;
                *line = QByteArray::fromRawData(data + m_at, size - m_at);
                m_at = m_searched = size;
                return Unended;
            }
            fill();
        }
    }

private:
    // Keeps the unread part and appends the next block.
    void fill()
    {
        if (m_at > 0) {
            m_buffer.remove(0, m_at);
            m_bufferPosition += m_at;
            m_searched -= m_at;
            m_at = 0;
        }
        const int kept = m_buffer.size();
        m_buffer.resize(kept + int(kBlock));
        const qint64 got = m_device->read(m_buffer.data() + kept, kBlock);
        m_buffer.resize(kept + int(qMax<qint64>(0, got)));
        m_ended = got <= 0;
    }

    // Reads on to the end of an overlong line without keeping it.
    Result passOver(qint64 *position)
    {
        *position = m_bufferPosition + m_at;
        for (;;) {
            m_bufferPosition += m_buffer.size();
            m_buffer.clear();
            m_at = m_searched = 0;
            fill();
            if (m_ended && m_buffer.isEmpty())
                return Unended;
            const int end = m_buffer.indexOf('\n');
            if (end >= 0) {
                m_at = m_searched = end + 1;
                return TooLong;
            }
        }
    }

    QIODevice *m_device;
    QByteArray m_buffer;
    qint64 m_bufferPosition = 0; // of the buffer's first byte in the device
    int m_at = 0;                // start of the unread part
    int m_searched = 0;          // up to here the buffer holds no line end after m_at
    bool m_ended = false;
};

} // namespace

namespace {

// Scan payloads read but not yet unpacked. Unpacking is nearly all the time of opening a recording
// (an hour holds gigabytes of points), so it is done in batches spread over the processor's cores.
class PayloadCheck {
public:
    void add(int lineNo, int count, const QByteArray &payload)
    {
        m_bytes += payload.size();
        m_pending.push_back({lineNo, count, QByteArray(payload.constData(), payload.size())});
    }
    bool full() const { return m_bytes >= (16 << 20); }

    // The line of the first damaged payload held, 0 when all are sound; none is held afterwards.
    int run()
    {
        const int parts =
            int(std::min<size_t>(m_pending.size(), size_t(qBound(1, QThread::idealThreadCount(), 8))));
        std::vector<std::future<int>> others;
        for (int part = 1; part < parts; ++part) {
            try {
                others.push_back(
                    std::async(std::launch::async, [this, part, parts] { return check(part, parts); }));
            } catch (const std::system_error &) {
                others.push_back(
                    std::async(std::launch::deferred, [this, part, parts] { return check(part, parts); }));
            }
        }
        int first = parts > 0 ? check(0, parts) : 0;
        for (std::future<int> &other : others) {
            const int line = other.get();
            if (line && (!first || line < first))
                first = line;
        }
        m_pending.clear();
        m_bytes = 0;
        return first;
    }

private:
    struct Pending {
        int lineNo;
        int count;
        QByteArray payload;
    };

    // Part `part` of `parts` consecutive runs of the payloads held.
    int check(int part, int parts) const
    {
        const size_t from = m_pending.size() * size_t(part) / size_t(parts);
        const size_t to = m_pending.size() * size_t(part + 1) / size_t(parts);
        QVector<quint16> scratch;
        for (size_t i = from; i < to; ++i) {
            const Pending &p = m_pending[i];
            scratch.resize(2 * p.count);
            if (!unpackPayload(fromBase64(p.payload), p.count, scratch.data(), scratch.data() + p.count))
                return p.lineNo;
        }
        return 0;
    }

    std::vector<Pending> m_pending;
    qint64 m_bytes = 0;
};

} // namespace

struct ScanRecording::Source {
    std::unique_ptr<QIODevice> device;
    QMutex mutex; // one position for all readers
};

bool ScanRecording::open(const QString &path, RecordingError *error, bool keepCompletePart)
{
    if (openIndexed(path, error))
        return true;
    auto file = std::make_unique<QFile>(path);
    // Unbuffered: the reader reads in large blocks of its own.
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        *this = ScanRecording();
        if (error)
            *error = RecordingError{RecordingError::CannotOpen, 0, 0};
        return false;
    }
    QFile *device = file.get();
    RecordingError local;
    RecordingError &e = error ? *error : local;
    if (!open(std::move(file), &e, keepCompletePart))
        return false;
    // Only a recording read through to its end line gets an index: one still being written, or cut
    // short, is read through each time.
    if (e.kind == RecordingError::None) {
        QMutexLocker lock(&m_source->mutex);
        Fingerprint f;
        if (fingerprint(device, path, &f))
            saveIndex(path, f, {m_scans, m_selfChecks, m_durationMs});
    }
    return true;
}

bool ScanRecording::openIndexed(const QString &path, RecordingError *error)
{
    auto file = std::make_unique<QFile>(path);
    if (!QFile::exists(recordingIndexPath(path)) || !file->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    RecordingHeader header;
    RecordingError e;
    const QByteArray head = file->peek(kHeaderLimit);
    const int headerEnd = head.indexOf('\n');
    Fingerprint f;
    IndexContent index;
    if (headerEnd < 0 || !parseHeader(head.left(headerEnd), &header, &e) ||
        !fingerprint(file.get(), path, &f) || !loadIndex(path, f, headerEnd + 1, &index))
        return false;
    *this = ScanRecording();
    m_header = header;
    m_scans = std::move(index.scans);
    m_selfChecks = std::move(index.selfChecks);
    m_durationMs = index.durationMs;
    m_fromIndex = true;
    m_source = std::make_shared<Source>();
    m_source->device = std::move(file);
    if (error)
        *error = RecordingError();
    return true;
}

bool ScanRecording::open(std::unique_ptr<QIODevice> device, RecordingError *error, bool keepCompletePart)
{
    RecordingError local;
    RecordingError &e = error ? *error : local;
    e = RecordingError();
    *this = ScanRecording();
    if (!device || !device->isReadable() || device->isSequential() || !device->seek(0)) {
        e.kind = RecordingError::CannotOpen;
        return false;
    }

    RecordingHeader header;
    std::vector<ScanLine> scans;
    QVector<RecordedSelfCheck> selfChecks;
    qint64 durationMs = 0;
    auto keep = [&] {
        m_header = header;
        m_scans = std::move(scans);
        m_selfChecks = std::move(selfChecks);
        m_durationMs = durationMs;
        m_source = std::make_shared<Source>();
        m_source->device = std::move(device);
    };

    // Only a short look at a foreign file's first line: it may have no line ends at all.
    const QByteArray head = device->peek(kHeaderLimit);
    const int headerEnd = head.indexOf('\n');
    if (head.isEmpty()) {
        e = {RecordingError::CutShort, 1, 0};
        return false;
    }
    if (!parseHeader(head.left(headerEnd < 0 ? 256 : headerEnd), &header, &e)) {
        if (headerEnd < 0 && e.kind == RecordingError::BadHeader)
            e = {RecordingError::CutShort, 1, 0};
        return false;
    }
    if (headerEnd < 0) {
        // A header longer than any of ours is damage, not an early end.
        e = {head.size() < kHeaderLimit ? RecordingError::CutShort : RecordingError::BadHeader, 1, 0};
        return false;
    }

    LineReader reader(device.get());
    QByteArray line;
    qint64 position = 0;
    reader.next(&line, &position, kHeaderLimit); // the header, read above
    int lineNo = 1;
    bool ended = false;
    PayloadCheck payloads;
    // A damaged payload held back is an error on an earlier line than any found after it.
    auto earlierDamage = [&] {
        const int damaged = payloads.run();
        if (damaged)
            e = {RecordingError::BadLine, damaged, 0};
        return damaged != 0;
    };
    for (;;) {
        const LineReader::Result result = reader.next(&line, &position, kLineLimit);
        if (result == LineReader::End)
            break;
        ++lineNo;
        if (result != LineReader::Line || ended) {
            if (earlierDamage())
                return false;
            // Text after the end line, a line no recording holds, or a last line without its line end.
            const bool cut = result == LineReader::Unended && !ended;
            e = {cut ? RecordingError::CutShort : RecordingError::BadLine, lineNo, 0};
            if (!cut || !keepCompletePart || scans.empty())
                return false;
            keep();
            return true;
        }
        QByteArray f[kMaxFields + 1];
        const int fieldCount = splitFields(line, f);
        auto bad = [&] {
            if (!earlierDamage())
                e = {RecordingError::BadLine, lineNo, 0};
            return false;
        };
        qint64 offset = 0;
        if ((f[0] == "R" || f[0] == "S") && fieldCount == 4) {
            qint64 count = 0;
            if (!parseInt(f[1], &offset, 0, Q_INT64_C(1) << 50) || !parseInt(f[2], &count, 0, kMaxPoints) ||
                scans.size() >= size_t(INT_MAX))
                return bad();
            payloads.add(lineNo, int(count), f[3]);
            if (payloads.full() && earlierDamage())
                return false;
            durationMs = qMax(durationMs, offset);
            scans.push_back({position, offset, qint32(line.size()), lineNo, quint16(count),
                             f[0] == "S" ? RecordedScan::Serial : RecordedScan::Revolution});
        } else if (f[0] == "C" && fieldCount == 10) {
            qint64 v[9] = {};
            const qint64 high[9] = {
                Q_INT64_C(1) << 50, 0xFFFFFFFF, 0xFFFFFFFF, 65535, 32767, 65535, 65535, 65535, 65535};
            for (int k = 0; k < 9; ++k)
                if (!parseInt(f[k + 1], &v[k], k == 4 ? -32768 : 0, high[k]))
                    return bad();
            RecordedSelfCheck c;
            c.offsetMs = v[0];
            c.report.InputPorts = uint(v[1]);
            c.report.OutputPorts = uint(v[2]);
            c.report.Status = quint16(v[3]);
            c.report.Temperature = qint16(v[4]);
            c.report.RotationSpeed = quint16(v[5]);
            c.report.DriveVoltage = quint16(v[6]);
            c.report.SendVoltage = quint16(v[7]);
            c.report.ReceiveVoltage = quint16(v[8]);
            selfChecks.append(c);
        } else if (f[0] == "END" && fieldCount == 3) {
            qint64 count = 0, duration = 0;
            if (!parseInt(f[1], &count, 0, INT_MAX) || !parseInt(f[2], &duration, 0, Q_INT64_C(1) << 50) ||
                count != qint64(scans.size()))
                return bad();
            durationMs = qMax(durationMs, duration);
            ended = true;
        } else {
            return bad();
        }
    }
    if (earlierDamage())
        return false;
    if (!ended) {
        e = {RecordingError::CutShort, lineNo + 1, 0};
        if (!keepCompletePart || scans.empty())
            return false;
    }
    keep();
    return true;
}

RecordedScan ScanRecording::scan(int index) const
{
    RecordedScan s;
    if (!readScan(index, &s)) {
        s.distance.clear();
        s.intensity.clear();
    }
    return s;
}

bool ScanRecording::readScan(int index, RecordedScan *s, RecordingError *error, Parts parts) const
{
    // Cleared rather than replaced: a caller reading scan after scan into one keeps its buffers.
    s->kind = RecordedScan::Revolution;
    s->offsetMs = 0;
    s->distance.clear();
    s->intensity.clear();
    if (index < 0 || index >= scanCount() || !m_source)
        return false;
    const ScanLine &entry = m_scans[size_t(index)];
    s->kind = entry.kind;
    s->offsetMs = entry.offsetMs;
    auto damaged = [&] {
        if (error)
            *error = {RecordingError::BadLine, entry.line, 0};
        s->distance.clear();
        s->intensity.clear();
        return false;
    };
    QByteArray line;
    {
        QMutexLocker lock(&m_source->mutex);
        QIODevice *device = m_source->device.get();
        // From the line end before it, so that an index pointing into the middle of a line is caught.
        if (!device->seek(entry.position - 1))
            return damaged();
        line = device->read(entry.length + 2);
    }
    // Still the line checked on opening (or the index promised): the file may have been written over since.
    if (line.size() != entry.length + 2 || !line.startsWith('\n') || !line.endsWith('\n'))
        return damaged();
    QByteArray f[kMaxFields + 1];
    qint64 offset = -1, count = -1;
    if (splitFields(QByteArray::fromRawData(line.constData() + 1, entry.length), f) != 4 ||
        f[0] != (entry.kind == RecordedScan::Serial ? "S" : "R") ||
        !parseInt(f[1], &offset, 0, Q_INT64_C(1) << 50) || offset != entry.offsetMs ||
        !parseInt(f[2], &count, 0, kMaxPoints) || count != entry.count)
        return damaged();
    s->distance.resize(entry.count);
    if (parts == All)
        s->intensity.resize(entry.count);
    if (!unpackPayload(fromBase64(f[3]), entry.count, s->distance.data(),
                       parts == All ? s->intensity.data() : nullptr))
        return damaged();
    return true;
}

int ScanRecording::scanAt(qint64 offsetMs) const
{
    const auto it = std::upper_bound(m_scans.cbegin(), m_scans.cend(), offsetMs,
                                     [](qint64 t, const ScanLine &p) { return t < p.offsetMs; });
    return qMax(0, int(it - m_scans.cbegin()) - 1);
}
