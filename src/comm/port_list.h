#pragma once

#include "area/store/language.h"
#include <QString>
#include <QStringList>
#include <QVector>

class QComboBox;
class QSerialPortInfo;

// The serial ports the system offers, for every place that lets the user pick one (the serial
// settings dialog and the start dialog).
namespace PortList {

// The seven strings a port item carries: name, description, manufacturer, serial number, system
// location, vendor and product identifier (hexadecimal). Empty texts and zero identifiers read
// "N/A" in the language.
QStringList describe(const QSerialPortInfo &info, Language language);
QStringList describe(const QString &name, const QString &description, const QString &manufacturer,
                     const QString &serialNumber, const QString &systemLocation, quint16 vendorId,
                     quint16 productId, Language language);

// Clears box and adds one item per available port, in the system's order: the port name as text,
// its seven strings as item data.
void fill(QComboBox *box, Language language);

} // namespace PortList
