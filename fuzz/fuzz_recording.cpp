// The scan recording reader, as the window and the command line open a file: the header, every line
// checked, the index; then every scan it promised is read back with the count it announced.
#include "scan/scan_recording.h"

#include <QBuffer>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Damaged payloads are the point here; zlib's warning for each one would only slow the run.
    static const QtMessageHandler quiet = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &,
                                                                    const QString &) {});
    (void)quiet;
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(reinterpret_cast<const char *>(data), int(size));
    buffer->open(QIODevice::ReadOnly);
    ScanRecording recording;
    RecordingError error;
    if (!recording.open(std::move(buffer), &error, true))
        return 0;
    for (int i = 0; i < recording.scanCount(); ++i) {
        RecordedScan scan;
        if (!recording.readScan(i, &scan))
            __builtin_trap(); // the bytes did not change since they were checked
        if (scan.distance.size() != scan.intensity.size())
            __builtin_trap();
    }
    (void)recording.scanAt(recording.durationMs() / 2);
    return 0;
}
