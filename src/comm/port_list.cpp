#include "comm/port_list.h"

#include <QComboBox>
#include <QSerialPortInfo>

namespace PortList {

QStringList describe(const QString &name, const QString &description, const QString &manufacturer,
                     const QString &serialNumber, const QString &systemLocation, quint16 vendorId,
                     quint16 productId, Language language)
{
    const QString na = pick(language, "N/A", "无");
    auto text = [&](const QString &s) { return s.isEmpty() ? na : s; };
    auto hex = [&](quint16 id) { return id ? QString::number(id, 16) : na; };
    return {name,           text(description), text(manufacturer), text(serialNumber),
            systemLocation, hex(vendorId),     hex(productId)};
}

QStringList describe(const QSerialPortInfo &info, Language language)
{
    return describe(info.portName(), info.description(), info.manufacturer(), info.serialNumber(),
                    info.systemLocation(), info.hasVendorIdentifier() ? info.vendorIdentifier() : 0,
                    info.hasProductIdentifier() ? info.productIdentifier() : 0, language);
}

void fill(QComboBox *box, Language language)
{
    if (!box)
        return;
    box->clear();
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        box->addItem(info.portName(), describe(info, language));
}

} // namespace PortList
