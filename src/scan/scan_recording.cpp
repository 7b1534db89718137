#include "scan/scan_recording.h"

#include <QList>

#include <algorithm>

namespace {

constexpr int kMaxPoints = 65535;

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

// Unpacks a payload of count points; false when it is damaged.
bool unpackPayload(const QByteArray &compressed, int count, quint16 *distance, quint16 *intensity)
{
    const QByteArray raw = qUncompress(compressed);
    if (raw.size() != 4 * count)
        return false;
    const uchar *p = reinterpret_cast<const uchar *>(raw.constData());
    unpackArray(p, p + count, count, distance);
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

QString describe(const RecordingError &e, bool english)
{
    switch (e.kind) {
    case RecordingError::None: return QString();
    case RecordingError::CannotOpen:
        return english ? QStringLiteral("The recording cannot be opened.")
                       : QStringLiteral("无法打开记录文件。");
    case RecordingError::NotARecording:
        return english ? QStringLiteral("This file is not a scan recording.")
                       : QStringLiteral("该文件不是扫描记录文件。");
    case RecordingError::WrongVersion:
        return english ? QStringLiteral("The recording has format version %1; this program reads version %2.")
                             .arg(e.version)
                             .arg(kRecordingVersion)
                       : QStringLiteral("记录文件格式版本为 %1,本程序只能读取版本 %2。")
                             .arg(e.version)
                             .arg(kRecordingVersion);
    case RecordingError::BadHeader:
        return english ? QStringLiteral("The recording's first line is damaged.")
                       : QStringLiteral("记录文件的首行已损坏。");
    case RecordingError::BadLine:
        return english ? QStringLiteral("The recording is damaged at line %1.").arg(e.line)
                       : QStringLiteral("记录文件第 %1 行已损坏。").arg(e.line);
    case RecordingError::CutShort:
        return english ? QStringLiteral("The recording was cut short at line %1.").arg(e.line)
                       : QStringLiteral("记录文件在第 %1 行处不完整。").arg(e.line);
    case RecordingError::NoScans:
        return english ? QStringLiteral("The recording holds no scans.")
                       : QStringLiteral("该记录文件不含任何扫描。");
    }
    return QString();
}

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
    m_error.clear();
    m_file.setFileName(path);
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
    if (!writeLine(line)) {
        ++m_dropped;
        return false;
    }
    ++m_scans;
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
    return writeLine(line);
}

bool ScanRecordingWriter::close(qint64 durationMs)
{
    if (!m_file.isOpen())
        return false;
    const bool ok =
        writeLine("END " + QByteArray::number(m_scans) + ' ' + QByteArray::number(durationMs) + '\n') &&
        m_file.flush();
    m_file.close();
    return ok && m_dropped == 0;
}

// ---- Reading ----

bool ScanRecording::open(const QString &path, RecordingError *error, bool keepCompletePart)
{
    RecordingError local;
    RecordingError &e = error ? *error : local;
    e = RecordingError();
    m_scans.clear();
    m_selfChecks.clear();
    m_durationMs = 0;
    m_header = RecordingHeader();

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        e.kind = RecordingError::CannotOpen;
        return false;
    }
    const QByteArray all = file.readAll();
    file.close();

    int at = 0;
    int lineNo = 0;
    bool ended = false;
    QVector<quint16> scratch;
    while (at < all.size()) {
        ++lineNo;
        const int end = all.indexOf('\n', at);
        if (lineNo == 1) {
            // Only a short look at a foreign file's first line: it may have no line ends at all.
            const QByteArray first = all.mid(at, end < 0 ? qMin(all.size() - at, 256) : end - at);
            if (!parseHeader(first, &m_header, &e)) {
                if (end < 0 && e.kind == RecordingError::BadHeader)
                    e = {RecordingError::CutShort, lineNo, 0};
                return false;
            }
            if (end < 0) {
                e = {RecordingError::CutShort, lineNo, 0};
                return false;
            }
            at = end + 1;
            continue;
        }
        if (end < 0 || ended) {
            // Text after the end line, or a last line without its line end.
            e = {end < 0 && !ended ? RecordingError::CutShort : RecordingError::BadLine, lineNo, 0};
            return e.kind == RecordingError::CutShort && keepCompletePart && !m_scans.isEmpty();
        }
        const QByteArray line = QByteArray::fromRawData(all.constData() + at, end - at);
        at = end + 1;
        const QList<QByteArray> f = line.split(' ');
        auto bad = [&] {
            e = {RecordingError::BadLine, lineNo, 0};
            return false;
        };
        qint64 offset = 0;
        if ((f.at(0) == "R" || f.at(0) == "S") && f.size() == 4) {
            qint64 count = 0;
            if (!parseInt(f.at(1), &offset, 0, Q_INT64_C(1) << 50) ||
                !parseInt(f.at(2), &count, 0, kMaxPoints))
                return bad();
            Packed p{f.at(0) == "S" ? RecordedScan::Serial : RecordedScan::Revolution, offset, int(count),
                     QByteArray::fromBase64(f.at(3))};
            scratch.resize(int(2 * count));
            if (!unpackPayload(p.compressed, p.count, scratch.data(), scratch.data() + count))
                return bad();
            m_durationMs = qMax(m_durationMs, offset);
            m_scans.append(std::move(p));
        } else if (f.at(0) == "C" && f.size() == 10) {
            qint64 v[9] = {};
            const qint64 high[9] = {
                Q_INT64_C(1) << 50, 0xFFFFFFFF, 0xFFFFFFFF, 65535, 32767, 65535, 65535, 65535, 65535};
            for (int k = 0; k < 9; ++k)
                if (!parseInt(f.at(k + 1), &v[k], k == 4 ? -32768 : 0, high[k]))
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
            m_selfChecks.append(c);
        } else if (f.at(0) == "END" && f.size() == 3) {
            qint64 count = 0, duration = 0;
            if (!parseInt(f.at(1), &count, 0, INT_MAX) ||
                !parseInt(f.at(2), &duration, 0, Q_INT64_C(1) << 50) || count != m_scans.size())
                return bad();
            m_durationMs = qMax(m_durationMs, duration);
            ended = true;
        } else {
            return bad();
        }
    }
    if (!ended) {
        e = {RecordingError::CutShort, lineNo + 1, 0};
        return keepCompletePart && !m_scans.isEmpty();
    }
    return true;
}

RecordedScan ScanRecording::scan(int index) const
{
    RecordedScan s;
    if (index < 0 || index >= m_scans.size())
        return s;
    const Packed &p = m_scans.at(index);
    s.kind = p.kind;
    s.offsetMs = p.offsetMs;
    s.distance.resize(p.count);
    s.intensity.resize(p.count);
    unpackPayload(p.compressed, p.count, s.distance.data(), s.intensity.data()); // checked when opened
    return s;
}

int ScanRecording::scanAt(qint64 offsetMs) const
{
    const auto it = std::upper_bound(m_scans.cbegin(), m_scans.cend(), offsetMs,
                                     [](qint64 t, const Packed &p) { return t < p.offsetMs; });
    return qMax(0, int(it - m_scans.cbegin()) - 1);
}
