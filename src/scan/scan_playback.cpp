#include "scan/scan_playback.h"

#include <QTimer>

#include <algorithm>

ScanPlayback::ScanPlayback(SCAN_DATA *store, QObject *parent)
    : QObject(parent), m_store(store), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &ScanPlayback::tick);
}

ScanPlayback::~ScanPlayback()
{
    close();
}

bool ScanPlayback::open(ScanRecording recording, const QString &path)
{
    if (recording.scanCount() == 0)
        return false;
    close();
    m_recording = std::move(recording);
    m_path = path;
    m_open = true;
    m_savedConnectType = m_store->ConnectType;
    m_savedInstallDir = m_store->InstallDir;
    m_store->InstallDir = m_recording.header().installDir;
    m_selfCheck = -1;
    seek(0);
    return true;
}

void ScanPlayback::close()
{
    m_timer->stop();
    setPlaying(false);
    if (!m_open)
        return;
    m_open = false;
    m_index = -1;
    m_selfCheck = -1;
    m_recording = ScanRecording();
    m_path.clear();
    // Nothing of the recording may pass for a live scan afterwards.
    m_store->EtherCount = 0;
    m_store->EtherIndex = 0;
    std::fill(std::begin(m_store->SerialDistance), std::end(m_store->SerialDistance), quint16(0));
    std::fill(std::begin(m_store->SerialIntensity), std::end(m_store->SerialIntensity), quint16(0));
    m_store->ConnectType = m_savedConnectType;
    m_store->InstallDir = m_savedInstallDir;
}

qint64 ScanPlayback::positionMs() const
{
    if (!m_open)
        return 0;
    if (m_playing)
        return qMin(durationMs(), m_anchorMs + qint64(double(m_clock.elapsed()) * m_speed));
    return m_recording.scanOffsetMs(qMax(0, m_index));
}

void ScanPlayback::play()
{
    if (!m_open || m_playing)
        return;
    if (m_index + 1 >= m_recording.scanCount())
        seek(0); // played to the end: from the start again
    m_anchorMs = m_recording.scanOffsetMs(m_index);
    m_clock.start();
    setPlaying(true);
    scheduleNext();
}

void ScanPlayback::pause()
{
    m_timer->stop();
    if (!m_playing)
        return;
    setPlaying(false);
    emit positionChanged(positionMs());
}

void ScanPlayback::stepForward()
{
    pause();
    if (m_open && m_index + 1 < m_recording.scanCount())
        seek(m_recording.scanOffsetMs(m_index + 1));
}

void ScanPlayback::stepBack()
{
    pause();
    if (m_open && m_index > 0) {
        // Scans recorded in the same millisecond: the one before is found by its index, not its time.
        const int before = m_index - 1;
        showSelfCheckAt(m_recording.scanOffsetMs(before));
        show(before);
        emit positionChanged(positionMs());
    }
}

void ScanPlayback::seek(qint64 offsetMs)
{
    if (!m_open)
        return;
    offsetMs = qBound<qint64>(0, offsetMs, durationMs());
    const int index = m_recording.scanAt(offsetMs);
    showSelfCheckAt(m_playing ? offsetMs : m_recording.scanOffsetMs(index));
    show(index);
    if (m_playing) {
        m_anchorMs = qMax(offsetMs, m_recording.scanOffsetMs(index));
        m_clock.start();
        scheduleNext();
    }
    emit positionChanged(positionMs());
}

void ScanPlayback::setSpeed(double speed)
{
    speed = qBound(kMinSpeed, speed, kMaxSpeed);
    if (m_playing) {
        m_anchorMs = positionMs();
        m_clock.start();
    }
    m_speed = speed;
    if (m_playing)
        scheduleNext();
}

void ScanPlayback::setPlaying(bool playing)
{
    if (m_playing == playing)
        return;
    m_playing = playing;
    emit playingChanged(playing);
}

void ScanPlayback::scheduleNext()
{
    if (!m_playing)
        return;
    const int next = m_index + 1;
    if (next >= m_recording.scanCount()) {
        // The end: the last scan stays in view.
        setPlaying(false);
        emit positionChanged(positionMs());
        return;
    }
    const double wait = double(m_recording.scanOffsetMs(next) - positionMs()) / m_speed;
    m_timer->start(int(qBound(0.0, wait, 60000.0)));
}

void ScanPlayback::tick()
{
    if (!m_playing)
        return;
    const qint64 now = positionMs();
    // Late (a slow display): straight to the scan of this moment.
    const int index = qMax(m_index + 1, m_recording.scanAt(now));
    showSelfCheckAt(qMax(now, m_recording.scanOffsetMs(index)));
    show(index);
    emit positionChanged(now);
    scheduleNext();
}

void ScanPlayback::show(int index)
{
    if (index < 0 || index >= m_recording.scanCount())
        return;
    RecordedScan scan;
    RecordingError error;
    if (!m_recording.readScan(index, &scan, &error) && error.kind == RecordingError::BadLine)
        emit damagedLine(error.line);
    const int count = scan.distance.size();
    if (scan.kind == RecordedScan::Revolution) {
        const int n = qMin(count, kEtherRing);
        std::copy_n(scan.distance.constData(), n, m_store->EtherDistance);
        std::copy_n(scan.intensity.constData(), n, m_store->EtherIntensity);
        m_store->EtherCount = n;
        m_store->EtherIndex = 0;
        m_store->ConnectType = 1;
    } else {
        const int n = qMin(count, kSerialBeams);
        std::copy_n(scan.distance.constData(), n, m_store->SerialDistance);
        std::copy_n(scan.intensity.constData(), n, m_store->SerialIntensity);
        std::fill(m_store->SerialDistance + n, std::end(m_store->SerialDistance), quint16(0));
        std::fill(m_store->SerialIntensity + n, std::end(m_store->SerialIntensity), quint16(0));
        m_store->ConnectType = 0;
    }
    m_index = index;
    emit scanShown();
}

void ScanPlayback::repeatReport()
{
    if (!m_open || m_selfCheck < 0)
        return;
    const SelfCheckReport &r = m_recording.selfChecks().at(m_selfCheck).report;
    emit selfCheckShown(r.Temperature, r.RotationSpeed, r.DriveVoltage, r.SendVoltage, r.ReceiveVoltage);
    emit portsShown(r.InputPorts, r.OutputPorts, r.Status);
}

// The last report at or before the time; before the first report, the first one (the nearest).
void ScanPlayback::showSelfCheckAt(qint64 offsetMs)
{
    const QVector<RecordedSelfCheck> &checks = m_recording.selfChecks();
    if (checks.isEmpty())
        return;
    const auto it = std::upper_bound(checks.cbegin(), checks.cend(), offsetMs,
                                     [](qint64 t, const RecordedSelfCheck &c) { return t < c.offsetMs; });
    const int index = qMax(0, int(it - checks.cbegin()) - 1);
    if (index == m_selfCheck)
        return;
    m_selfCheck = index;
    const SelfCheckReport &r = checks.at(index).report;
    emit selfCheckShown(r.Temperature, r.RotationSpeed, r.DriveVoltage, r.SendVoltage, r.ReceiveVoltage);
    emit portsShown(r.InputPorts, r.OutputPorts, r.Status);
}
