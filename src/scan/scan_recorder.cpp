#include "scan/scan_recorder.h"

ScanRecorder::ScanRecorder(const SCAN_DATA *store, QObject *parent) : QObject(parent), m_store(store) {}

ScanRecorder::~ScanRecorder()
{
    stop();
}

bool ScanRecorder::start(const QString &path, RecordingHeader header)
{
    stop();
    if (!header.start.isValid())
        header.start = QDateTime::currentDateTimeUtc();
    m_path = path;
    m_failedOnce = false;
    m_lastElapsed = 0;
    if (!m_writer.open(path, header))
        return false;
    m_clock.start();
    emit progress(0, m_writer.bytesWritten());
    return true;
}

bool ScanRecorder::stop()
{
    if (!m_writer.isOpen())
        return true;
    m_lastElapsed = m_clock.elapsed();
    return m_writer.close(m_lastElapsed);
}

void ScanRecorder::scanArrived()
{
    if (!m_writer.isOpen())
        return;
    const qint64 t = m_clock.elapsed();
    bool ok;
    if (m_store->ConnectType == 1)
        ok = m_writer.addScan(RecordedScan::Revolution, t, m_store->EtherDistance, m_store->EtherIntensity,
                              qBound(0, m_store->EtherCount, kEtherRing));
    else
        ok = m_writer.addScan(RecordedScan::Serial, t, m_store->SerialDistance, m_store->SerialIntensity,
                              kSerialBeams);
    if (!ok)
        failed();
    emit progress(t, m_writer.bytesWritten());
}

void ScanRecorder::failed()
{
    if (m_failedOnce)
        return;
    m_failedOnce = true;
    emit writeFailed();
}

// The exchange reports a self-check as its measured values, then its port states: the line is written
// with the second.
void ScanRecorder::selfCheck(short temperature, ushort speed, ushort drive, ushort send, ushort receive)
{
    m_report.Temperature = temperature;
    m_report.RotationSpeed = speed;
    m_report.DriveVoltage = drive;
    m_report.SendVoltage = send;
    m_report.ReceiveVoltage = receive;
}

void ScanRecorder::ioPorts(uint input, uint output, uint status)
{
    if (!m_writer.isOpen())
        return;
    m_report.InputPorts = input;
    m_report.OutputPorts = output;
    m_report.Status = quint16(status);
    if (!m_writer.addSelfCheck(m_clock.elapsed(), m_report))
        failed();
}
