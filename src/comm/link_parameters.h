#pragma once

#include "area/store/language.h"
#include <QString>

struct SENSOR_PARAMETERS;

// The sensor parameters that decide how the program reaches the sensor: its IP address, its
// Ethernet mode and its RS-232 line. A write-all that changes them can leave the sensor unreachable
// after its restart, so they are treated apart from the rest of the record.
struct LinkParameters {
    int etherMode = 0;
    int ipHigh = 0;
    int ipLow = 0;
    int rs232Baud = 0;
    int rs232Verify = 0;
    int rs232StopBit = 0;

    static LinkParameters of(const SENSOR_PARAMETERS &parameters);
    void applyTo(SENSOR_PARAMETERS &parameters) const;
    bool operator==(const LinkParameters &o) const;
    bool operator!=(const LinkParameters &o) const { return !(*this == o); }

    QString address() const; // "192.168.1.88"
    // One line per setting that differs from other ("IP address: 192.168.1.88"), in the language.
    QString differences(const LinkParameters &other, Language language) const;
};
