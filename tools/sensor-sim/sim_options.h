#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <memory>

class ScanRecording;

// Command line of the stand-in. Every fault-injection knob is off (0 / false) by default.
struct SimOptions {
    QHostAddress address{QStringLiteral("127.0.0.1")};
    // A fleet: this many sensors on consecutive addresses from address, each with its own state;
    // the serial number counts up from serialNumber.
    int count = 1;
    int serialNumber = 20417;
    bool pty = false;
    double rate = 0;        // scan rate override in Hz; 0 = from the motor speed parameter
    int area = 0;           // active area when neither input nor case channel simulation is on
    bool discovery = false; // answer M-SEARCH on UDP port 1900
    bool udpMode = false;   // what the discovery answer announces: "MODE: UDP" instead of TCP
    int drop = 0;           // every Nth request gets no reply
    int corrupt = 0;        // every Nth checksummed reply carries a wrong checksum
    int writeStatus = 0;    // status byte of every write acknowledgement
    int chunk = 0;          // replies leave in pieces of this many bytes
    bool garbage = false;   // a few stray bytes in front of some replies
    int bootMs = 3000;      // after "RBoot": no TCP, no answers on UDP or the pty for this long
    // One request of one code, counted per code from 1: dropNth gets no reply; delayNth is answered
    // delayMs late while later requests are answered at once (so its reply overtakes nothing).
    QString dropCode;
    int dropNth = 0;
    QString delayCode;
    int delayNth = 0;
    int delayMs = 0;
    // A recording whose revolutions (looping) replace the simulated room.
    std::shared_ptr<const ScanRecording> replay;
    int alterArea = -1; // this area is stored with its detection size one higher than it was sent
    // Sensors of a fleet that answer every write with status 1 (rejected) and store nothing.
    QList<QHostAddress> rejectWrites;
    // Outputs that switch by themselves, for watching a fleet: every switchOutputsMs the output bits
    // step to the next value of 0..7, on the wall clock, sensor fleetIndex of fleetSize shifted by
    // fleetIndex * switchOutputsMs / fleetSize so that a fleet does not switch all at once.
    int switchOutputsMs = 0;
    int fleetIndex = 0;
    int fleetSize = 1;
};

constexpr quint16 kSensorPort = 8080;
constexpr int kMaxFleet = 256;
constexpr quint16 kDiscoveryPort = 1900;

enum class ParseResult { Ok, Help, Version, Error };

// Parses argv (program name first). On Help, *message holds the help text; on Error, the reason.
ParseResult parseSimOptions(const QStringList &arguments, SimOptions *options, QString *message);
