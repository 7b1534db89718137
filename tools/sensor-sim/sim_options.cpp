#include "sim_options.h"

#include "scan/scan_recording.h"

#include <QAbstractSocket>
#include <QCommandLineParser>

#include "comm/codec/frame_catalogue.h"

namespace {

bool readInt(const QCommandLineParser &parser, const QString &option, int low, int high, int *out,
             QString *message)
{
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const QString text = parser.value(option);
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high) {
        *message = QStringLiteral("--%1 expects a whole number from %2 to %3, not \"%4\"")
                       .arg(option)
                       .arg(low)
                       .arg(high)
                       .arg(text);
        return false;
    }
    *out = value;
    return true;
}

// "CODE:N" or "CODE:N:MS": a five-letter command code and one or two positive numbers.
bool readCodeSpec(const QCommandLineParser &parser, const QString &option, int numbers, QString *code,
                  int *nth, int *ms, QString *message)
{
    if (!parser.isSet(option))
        return true;
    const QString text = parser.value(option);
    const QStringList parts = text.split(QLatin1Char(':'));
    bool ok = parts.size() == numbers + 1 && parts[0].size() == 5 &&
              frameInfoByName(parts[0].toLatin1().constData()) != nullptr;
    int values[2] = {0, 0};
    for (int i = 0; ok && i < numbers; ++i) {
        values[i] = parts[i + 1].toInt(&ok);
        ok = ok && values[i] >= 1 && values[i] <= 1000000;
    }
    if (!ok) {
        *message = QStringLiteral("--%1 expects %2, not \"%3\"")
                       .arg(option,
                            numbers == 1 ? QStringLiteral("CODE:N (for example RArea:17)")
                                         : QStringLiteral("CODE:N:MS (for example WArea:6:2600)"),
                            text);
        return false;
    }
    *code = parts[0];
    *nth = values[0];
    if (ms)
        *ms = values[1];
    return true;
}

} // namespace

ParseResult parseSimOptions(const QStringList &arguments, SimOptions *options, QString *message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays a two-dimensional laser area scanner: serves its command protocol on TCP and UDP port 8080\n"
        "(and optionally on a pseudo-terminal), streams scan packets, answers discovery.\n"
        "Prints \"ready tcp=ADDRESS:8080 udp=ADDRESS:8080[ pty=/dev/pts/N]\" once it listens;\n"
        "stops cleanly on SIGINT or SIGTERM."));
    // In the order --help lists them: names, description, value name (none for a flag), default.
    parser.addOptions({
        {QStringList{"h", "help"}, "Shows these options."},
        {QStringList{"v", "version"}, "Shows the version."},
        {"address",
         "IPv4 address to serve on (default 127.0.0.1), or a range FIRST-LAST of up to 256 addresses: a "
         "fleet, "
         "each address an independent sensor with its own serial number (20417 upwards).",
         "IPV4[-IPV4]", "127.0.0.1"},
        {"pty", "Also serve the protocol on a raw pseudo-terminal."},
        {"rate", "Scan rate in Hz for streaming (default: from the motor speed parameter, 10 or 20 Hz).",
         "HZ"},
        {"area", "Active area 0-63 when no input or case channel simulation is on (default 0).", "N"},
        {"discovery",
         "Answer M-SEARCH datagrams on UDP port 1900. Use only inside a private network namespace."},
        {"mode", "Transport announced in the discovery answer: tcp or udp (default tcp).", "tcp|udp"},
        {"drop", "Every Nth request gets no reply.", "N"},
        {"corrupt", "Every Nth checksummed reply carries a wrong checksum.", "N"},
        {"write-status",
         "Status byte of write acknowledgements: 0 stored, 1 rejected, 2 flash failure (default 0).", "S"},
        {"reject-writes",
         "These sensors of the fleet answer every area, case channel and parameter write with status 1 "
         "(rejected) and keep what they held; the others are unchanged.",
         "IPV4[,IPV4...]"},
        {"chunk", "Write replies in pieces of N bytes.", "N"},
        {"garbage", "Put a few random bytes in front of some replies."},
        {"boot-ms",
         "After a restart request: closes its TCP connections and ignores UDP and the pseudo-terminal for "
         "this many milliseconds, as a restarting sensor (default 3000).",
         "MS"},
        {"drop-nth", "The Nth request of this code gets no reply.", "CODE:N"},
        {"delay",
         "The Nth request of this code is answered MS milliseconds late; later requests are answered "
         "meanwhile.",
         "CODE:N:MS"},
        {"alter-area",
         "Store this area with its detection size one higher than written (a sensor that stores what it "
         "was not sent).",
         "N"},
        {"replay", "Serve the revolutions of this scan recording, looping, as what the sensor sees.", "FILE"},
        {"serial", "Serial number of the (first) sensor, 1-65535 (default 20417); a fleet counts up from it.",
         "N"},
        {"switch-outputs",
         "Every MS milliseconds the outputs step to the next value of 0 to 7, at wall-clock times that are "
         "multiples of MS (sensor i of a fleet of n shifted by i*MS/n); the fault word is 1 while all three "
         "are on. Output or fault simulation still wins.",
         "MS"},
    });

    if (!parser.parse(arguments)) {
        *message = parser.errorText();
        return ParseResult::Error;
    }
    if (parser.isSet("help")) {
        *message = parser.helpText();
        return ParseResult::Help;
    }
    if (parser.isSet("version"))
        return ParseResult::Version;
    if (!parser.positionalArguments().isEmpty()) {
        *message = QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first());
        return ParseResult::Error;
    }

    const QStringList range = parser.value("address").split(QLatin1Char('-'));
    QHostAddress host;
    QHostAddress last;
    if (range.size() > 2 || !host.setAddress(range.first()) ||
        host.protocol() != QAbstractSocket::IPv4Protocol || !last.setAddress(range.last()) ||
        last.protocol() != QAbstractSocket::IPv4Protocol) {
        *message = QStringLiteral("--address expects an IPv4 address or a range FIRST-LAST, not \"%1\"")
                       .arg(parser.value("address"));
        return ParseResult::Error;
    }
    const qint64 count = qint64(last.toIPv4Address()) - qint64(host.toIPv4Address()) + 1;
    if (count < 1 || count > kMaxFleet) {
        *message = QStringLiteral("--address range \"%1\" must run upwards over at most %2 addresses")
                       .arg(parser.value("address"))
                       .arg(kMaxFleet);
        return ParseResult::Error;
    }
    options->address = host;
    options->count = int(count);
    options->pty = parser.isSet("pty");
    if (options->pty && options->count > 1) {
        *message = QStringLiteral("--pty serves one sensor; give one address, not a range");
        return ParseResult::Error;
    }
    if (parser.isSet("reject-writes")) {
        for (const QString &text : parser.value("reject-writes").split(QLatin1Char(','))) {
            QHostAddress chosen;
            const bool valid =
                chosen.setAddress(text.trimmed()) && chosen.protocol() == QAbstractSocket::IPv4Protocol;
            const qint64 offset = qint64(chosen.toIPv4Address()) - qint64(host.toIPv4Address());
            if (!valid || offset < 0 || offset >= count) {
                *message = QStringLiteral("--reject-writes expects addresses served by --address (%1), "
                                          "separated by commas, not \"%2\"")
                               .arg(parser.value("address"), text);
                return ParseResult::Error;
            }
            options->rejectWrites.append(chosen);
        }
    }
    options->discovery = parser.isSet("discovery");
    options->garbage = parser.isSet("garbage");

    if (parser.isSet("rate")) {
        bool ok = false;
        const double hz = parser.value("rate").toDouble(&ok);
        if (!ok || !(hz >= 0.1 && hz <= 100)) {
            *message = QStringLiteral("--rate expects a scan rate from 0.1 to 100 Hz, not \"%1\"")
                           .arg(parser.value("rate"));
            return ParseResult::Error;
        }
        options->rate = hz;
    }
    if (parser.isSet("mode")) {
        const QString m = parser.value("mode").toLower();
        if (m != QLatin1String("tcp") && m != QLatin1String("udp")) {
            *message = QStringLiteral("--mode expects tcp or udp, not \"%1\"").arg(parser.value("mode"));
            return ParseResult::Error;
        }
        options->udpMode = (m == QLatin1String("udp"));
    }
    if (!readInt(parser, "area", 0, 63, &options->area, message) ||
        !readInt(parser, "drop", 0, 1000000, &options->drop, message) ||
        !readInt(parser, "corrupt", 0, 1000000, &options->corrupt, message) ||
        !readInt(parser, "write-status", 0, 255, &options->writeStatus, message) ||
        !readInt(parser, "chunk", 0, 65536, &options->chunk, message) ||
        !readInt(parser, "boot-ms", 0, 600000, &options->bootMs, message) ||
        !readInt(parser, "alter-area", 0, 63, &options->alterArea, message) ||
        !readInt(parser, "serial", 1, 65535, &options->serialNumber, message) ||
        !readInt(parser, "switch-outputs", 0, 3600000, &options->switchOutputsMs, message) ||
        !readCodeSpec(parser, "drop-nth", 1, &options->dropCode, &options->dropNth, nullptr, message) ||
        !readCodeSpec(parser, "delay", 2, &options->delayCode, &options->delayNth, &options->delayMs,
                      message))
        return ParseResult::Error;
    if (parser.isSet("replay")) {
        auto recording = std::make_shared<ScanRecording>();
        RecordingError error;
        if (!recording->open(parser.value("replay"), &error) || recording->scanCount() == 0) {
            *message = QStringLiteral("--replay %1: %2")
                           .arg(parser.value("replay"), error.kind == RecordingError::None
                                                            ? QStringLiteral("The recording holds no scan.")
                                                            : describe(error, Language::English));
            return ParseResult::Error;
        }
        options->replay = recording;
    }
    return ParseResult::Ok;
}
