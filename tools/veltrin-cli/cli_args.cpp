#include "cli_args.h"
#include "cli_output.h"

#include <QVector>

namespace {

struct Option {
    const char *name;  // long name
    char shortName;    // 0 when none
    const char *value; // value name, nullptr for a flag
    const char *help;
};

struct Command {
    const char *name;
    const char *usage;
    int minArgs, maxArgs; // positional arguments; maxArgs -1: any number
    const char *summary;
    const char *details;
    QVector<Option> options;
};

const Option kJson{"json", 0, nullptr, "Print the result as one JSON document."};
const Option kUdp{"udp", 0, nullptr,
                  "Talk UDP to an IPv4 address (default: TCP, or what discovery announced)."};
const Option kBaud{"baud", 0, "RATE", "Baud rate of a serial device (default 115200)."};

const char kAddressHelp[] =
    "ADDRESS is an IPv4 address (port 8080, TCP unless --udp; decimal, no leading zeros) or a serial\n"
    "device such as /dev/ttyUSB0.\n";

const QVector<Command> &commands()
{
    static const QVector<Command> table = {
        {"discover",
         "discover [--timeout S] [--broadcast ADDRESS]... [--json]",
         0,
         0,
         "List the sensors that answer discovery.",
         "Sends the discovery search to the broadcast address of every local IPv4 network and prints one\n"
         "line per sensor that answers: its address and its transport (tcp or udp).\n",
         {{"timeout", 0, "S", "Seconds to wait for answers (default 2)."},
          {"broadcast", 0, "ADDRESS",
           "Send the search to ADDRESS (a subnet's broadcast address or one host) "
           "instead of every local network; may be repeated."},
          kJson}},
        {"info",
         "info ADDRESS [--udp] [--baud RATE] [--json]",
         1,
         1,
         "Print the sensor's product information and self-check values.",
         "",
         {kUdp, kBaud, kJson}},
        {"read",
         "read ADDRESS... -o FILE [--udp] [--baud RATE] [--json]",
         1,
         -1,
         "Read all areas, case channels and parameters into a project file.",
         "The model of the project file is the sensor's. The file gets the model's extension when it has\n"
         "none. With several addresses each sensor's file is FILE with its address (or its device's name)\n"
         "before the extension; a FILE ending in / is a folder that gets one file per sensor.\n"
         "Every sensor is read and saved or reported, even when another's file cannot be written.\n",
         {{"output", 'o', "FILE", "Project file, or folder/, to write (required)."}, kUdp, kBaud, kJson}},
        {"write",
         "write ADDRESS... FILE [--no-verify] [--restart] [--udp] [--baud RATE] [--json]",
         2,
         -1,
         "Write a project file to one or many sensors and verify it.",
         "With several addresses the sensors are written concurrently and a table (address, serial\n"
         "number, result, time) ends the output. One sensor that fails does not stop the others. Each\n"
         "sensor of such a fleet keeps its own IP address; the file's is written only to a single sensor.\n",
         {{"no-verify", 0, nullptr, "Do not read the design back after writing."},
          {"restart", 0, nullptr, "Restart each sensor after a successful write."},
          kUdp,
          kBaud,
          kJson}},
        {"verify",
         "verify ADDRESS... FILE [--udp] [--baud RATE] [--json]",
         2,
         -1,
         "Compare what sensors hold with a project file.",
         "Exits 0 only when every sensor holds exactly the file's design; the differences are listed by\n"
         "area, output and field. With several addresses each sensor's own IP address is expected, as\n"
         "write leaves it.\n",
         {kUdp, kBaud, kJson}},
        {"diff",
         "diff FILE_A FILE_B [--json]",
         2,
         2,
         "List the differences between two project files.",
         "One line per difference: area, output and field, then FILE_A's value -> FILE_B's value. Points\n"
         "are counted from 1. Exits 0 when the designs are identical, 1 when they differ.\n",
         {kJson}},
        {"stream",
         "stream ADDRESS --seconds N [--format csv|ndjson] [--record FILE] [--udp] [--baud RATE]",
         1,
         1,
         "Write the live scan (angle, distance, intensity) to standard output.",
         "csv: one line per beam, \"revolution,angle_deg,distance_mm,intensity\" after a header line.\n"
         "ndjson: one JSON object per revolution with arrays angle_deg, distance_mm and intensity.\n"
         "Angles are in the sensor's own frame: degrees counter-clockwise from its right-hand side, from\n"
         "-70 to 250 (a serial scan's 640 beams run from 250 down in half degrees).\n"
         "The time counts from the first scan. A stream that stops is an error (exit 3).\n",
         {{"seconds", 0, "N", "How long to stream (required)."},
          {"format", 0, "FORMAT", "csv (default) or ndjson."},
          {"record", 0, "FILE", "Also record the scans into a recording (.vscan)."},
          kUdp,
          kBaud}},
        {"monitor",
         "monitor ADDRESS... [--udp] [--interval S] [--mqtt HOST[:PORT]] [--topic PREFIX] [--json]",
         1,
         -1,
         "Watch many sensors at once, on the terminal and over MQTT.",
         "Follows each sensor's link, active area, inputs, outputs, fault word, install direction and\n"
         "self-check values until Ctrl-C. On a terminal: a table updated in place; otherwise one line per\n"
         "change, or JSON lines with --json. A sensor that stops answering is shown lost at once and\n"
         "retried in the background. With --mqtt, publishes (QoS 1) PREFIX/SERIAL/state (retained JSON, on\n"
         "every change and every --interval), PREFIX/SERIAL/event (an output switch or fault change) and\n"
         "PREFIX/monitor/HOST (online or offline, retained, also as the last will).\n",
         {kUdp,
          kBaud,
          {"interval", 0, "S", "Publish every state at least every S seconds (default 5)."},
          {"mqtt", 0, "HOST[:PORT]", "Publish to this MQTT broker (port 1883 by default)."},
          {"topic", 0, "PREFIX", "First level of the MQTT topics (default veltrin)."},
          {"json", 0, nullptr, "Print JSON lines: states (on change and every --interval), events."}}},
        {"check",
         "check DESIGN RECORDING [--area N] [--compare OTHER] [--fail-on out1,out2] [--json]",
         2,
         2,
         "Check a design against a scan recording: where would its outputs have switched?",
         "For every scan of the recording (.vscan): the area the sensor reported active (or --area),\n"
         "and for each output whether its zone holds an object of at least the detection size; the\n"
         "output switches on after the on delay and off after the off delay, hysteresis widening the\n"
         "zone for switching off. Prints each time an output would have switched on (time, area,\n"
         "output, how long, nearest point in mm) and a summary per output. Where the recording holds\n"
         "the sensor's own outputs, the summary says in how many scans the check agrees with them\n"
         "(meaningful when DESIGN is the design that was in the sensor) and lists where they differ.\n"
         "Exits 1 when an output named by --fail-on would switch with DESIGN, 2 when a file cannot be\n"
         "read.\n",
         {{"area", 0, "N", "Check area N (0..63) for every scan instead of the reported one."},
          {"compare", 0, "OTHER", "Also check OTHER; per output, switchings before (DESIGN) and after."},
          {"fail-on", 0, "OUTPUTS", "Exit 1 when any of these outputs would switch (out1,out2,out3)."},
          kJson}},
        {"report",
         "report FILE -o OUT.pdf [--language en|zh]",
         1,
         1,
         "Write the configuration report of a project file as a PDF.",
         "The same A4 report the program's File > Export Report writes, with the CRC-32 of the design's\n"
         "wire image on every page.\n",
         {{"output", 'o', "OUT.pdf", "PDF file to write (required)."},
          {"language", 0, "en|zh", "Language of the report (default en)."}}},
    };
    return table;
}

const Command *findCommand(const QString &name)
{
    for (const Command &c : commands())
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

const Option *findOption(const Command &c, const QString &name, bool isShort)
{
    for (const Option &o : c.options)
        if (isShort ? (o.shortName && name == QChar(o.shortName)) : name == QLatin1String(o.name))
            return &o;
    return nullptr;
}

} // namespace

QString helpText(const QString &command)
{
    const Command *c = findCommand(command);
    if (!c) {
        QString text = QStringLiteral("Usage: veltrin-cli COMMAND [ARGUMENTS] [OPTIONS]\n"
                                      "Configures laser area scanners from scripts: one sensor or a whole "
                                      "fleet at once.\n\nCommands:\n");
        for (const Command &k : commands())
            text += QString("  %1%2\n").arg(QLatin1String(k.name), -10).arg(QLatin1String(k.summary));
        text += QStringLiteral(
            "\nveltrin-cli COMMAND --help shows a command's arguments and options;\n"
            "veltrin-cli --version shows the version.\n"
            "Progress goes to standard error, results to standard output.\n"
            "With --json every exit prints one JSON document, errors included.\n"
            "Exit codes: 0 success, 1 a difference, a rejected write or a --fail-on output that would\n"
            "switch, 2 bad usage or a bad file,\n"
            "3 the sensor could not be reached or stopped answering (or a restart was not\n"
            "acknowledged), 130 interrupted by Ctrl-C: each sensor stopped at its next frame boundary\n"
            "and the result says what was and was not written.\n");
        return text;
    }
    QString text = QString("Usage: veltrin-cli %1\n%2\n\n%3")
                       .arg(QLatin1String(c->usage), QLatin1String(c->summary), QLatin1String(c->details));
    if (QByteArray(c->usage).contains(" ADDRESS") && command != QLatin1String("discover"))
        text += QLatin1String(kAddressHelp);
    text += QStringLiteral("\nOptions:\n");
    for (const Option &o : c->options) {
        QString name = o.shortName ? QString("-%1, --%2").arg(QChar(o.shortName)).arg(QLatin1String(o.name))
                                   : QString("    --%1").arg(QLatin1String(o.name));
        if (o.value)
            name += QLatin1Char(' ') + QLatin1String(o.value);
        text += QString("  %1  %2\n").arg(name, -24).arg(QLatin1String(o.help));
    }
    text +=
        QString("  %1  %2\n").arg(QStringLiteral("-h, --help"), -24).arg(QStringLiteral("Show this help."));
    return text;
}

bool parseArguments(const QStringList &arguments, Invocation *inv, QString *message)
{
    *inv = Invocation();
    if (arguments.isEmpty()) {
        *message = QStringLiteral("no command given");
        return false;
    }
    QString first = arguments.first();
    if (first == QLatin1String("--version") || first == QLatin1String("-v")) {
        inv->version = true;
        return true;
    }
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
        inv->help = true;
        inv->command = arguments.value(1);
        if (!inv->command.isEmpty() && !findCommand(inv->command)) {
            *message = QString("unknown command \"%1\"").arg(inv->command);
            return false;
        }
        return true;
    }
    const Command *c = findCommand(first);
    if (!c) {
        *message = QString("unknown command \"%1\"").arg(first);
        return false;
    }
    inv->command = first;
    bool optionsEnded = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString arg = arguments[i];
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            inv->positional << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            inv->help = true;
            continue;
        }
        const bool isShort = !arg.startsWith(QLatin1String("--"));
        QString name = arg.mid(isShort ? 1 : 2);
        QString value;
        bool hasValue = false;
        const int eq = name.indexOf(QLatin1Char('='));
        if (!isShort && eq >= 0) {
            value = name.mid(eq + 1);
            name.truncate(eq);
            hasValue = true;
        } else if (isShort && name.size() > 1) {
            value = name.mid(1);
            name.truncate(1);
            hasValue = true;
        }
        const Option *o = findOption(*c, name, isShort);
        if (!o) {
            *message = QString("%1 has no option %2").arg(inv->command, arg.section(QLatin1Char('='), 0, 0));
            return false;
        }
        const QString key = QLatin1String(o->name);
        if (o->value) {
            if (!hasValue) {
                if (i + 1 >= arguments.size()) {
                    *message = QString("option --%1 needs a value (%2)").arg(key, QLatin1String(o->value));
                    return false;
                }
                value = arguments[++i];
            }
            inv->options[key] << value;
        } else {
            if (hasValue) {
                *message = QString("option --%1 takes no value").arg(key);
                return false;
            }
            inv->options[key] << QString();
        }
    }
    if (inv->help)
        return true;
    const int n = inv->positional.size();
    if (n < c->minArgs || (c->maxArgs >= 0 && n > c->maxArgs)) {
        *message = QString("wrong number of arguments; usage: veltrin-cli %1").arg(QLatin1String(c->usage));
        return false;
    }
    return true;
}

bool numberOption(const Invocation &inv, const QString &name, double low, double high, double *out)
{
    if (!inv.has(name))
        return true;
    bool ok = false;
    const double v = inv.value(name).toDouble(&ok);
    if (!ok || !(v >= low && v <= high)) {
        printErr(QString("veltrin-cli: --%1 must be a number from %2 to %3, not \"%4\"\n")
                     .arg(name)
                     .arg(low)
                     .arg(high)
                     .arg(inv.value(name)));
        return false;
    }
    *out = v;
    return true;
}
