#include "comm/link_parameters.h"

#include "comm/codec/sensor_parameters.h"

#include <QStringList>

LinkParameters LinkParameters::of(const SENSOR_PARAMETERS &p)
{
    LinkParameters l;
    l.etherMode = p.SensorEtherMode;
    l.ipHigh = p.SensorIPAddressHigh;
    l.ipLow = p.SensorIPAddressLow;
    l.rs232Baud = p.RS232BaudRate;
    l.rs232Verify = p.RS232CommVerify;
    l.rs232StopBit = p.RS232StopBit;
    return l;
}

void LinkParameters::applyTo(SENSOR_PARAMETERS &p) const
{
    p.SensorEtherMode = etherMode;
    p.SensorIPAddressHigh = ipHigh;
    p.SensorIPAddressLow = ipLow;
    p.RS232BaudRate = rs232Baud;
    p.RS232CommVerify = rs232Verify;
    p.RS232StopBit = rs232StopBit;
}

bool LinkParameters::operator==(const LinkParameters &o) const
{
    return etherMode == o.etherMode && ipHigh == o.ipHigh && ipLow == o.ipLow && rs232Baud == o.rs232Baud &&
           rs232Verify == o.rs232Verify && rs232StopBit == o.rs232StopBit;
}

QString LinkParameters::address() const
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg((ipHigh >> 8) & 0xFF)
        .arg(ipHigh & 0xFF)
        .arg((ipLow >> 8) & 0xFF)
        .arg(ipLow & 0xFF);
}

QString LinkParameters::differences(const LinkParameters &other, Language language) const
{
    auto mode = [language](int m) {
        return m == 1 ? pick(language, "UDP", "UDP模式") : pick(language, "TCP server", "TCP服务器");
    };
    QStringList lines;
    if (ipHigh != other.ipHigh || ipLow != other.ipLow)
        lines << pick(language, "IP address: %1 / %2", "IP地址：%1 / %2").arg(address(), other.address());
    if (etherMode != other.etherMode)
        lines << pick(language, "Ethernet mode: %1 / %2", "以太网模式：%1 / %2")
                     .arg(mode(etherMode), mode(other.etherMode));
    if (rs232Baud != other.rs232Baud || rs232Verify != other.rs232Verify ||
        rs232StopBit != other.rs232StopBit)
        lines << pick(language, "RS232 line settings differ", "RS232通信参数不同");
    return lines.join(QLatin1Char('\n'));
}
