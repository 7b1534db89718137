#include "comm/port_list.h"

#include <QComboBox>
#include <QSerialPortInfo>

namespace PortList {

QString notAvailable(bool english)
{
    return english ? QStringLiteral("N/A") : QStringLiteral("无");
}

QStringList describe(const QString &name, const QString &description, const QString &manufacturer,
                     const QString &serialNumber, const QString &systemLocation, quint16 vendorId,
                     quint16 productId, bool english)
{
    const QString na = notAvailable(english);
    auto text = [&](const QString &s) { return s.isEmpty() ? na : s; };
    auto hex = [&](quint16 id) { return id ? QString::number(id, 16) : na; };
    return {name,           text(description), text(manufacturer), text(serialNumber),
            systemLocation, hex(vendorId),     hex(productId)};
}

QStringList describe(const QSerialPortInfo &info, bool english)
{
    return describe(info.portName(), info.description(), info.manufacturer(), info.serialNumber(),
                    info.systemLocation(), info.hasVendorIdentifier() ? info.vendorIdentifier() : 0,
                    info.hasProductIdentifier() ? info.productIdentifier() : 0, english);
}

void fill(QComboBox *box, bool english)
{
    if (!box)
        return;
    box->clear();
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        box->addItem(info.portName(), describe(info, english));
}

} // namespace PortList
