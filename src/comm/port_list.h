#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class QComboBox;
class QSerialPortInfo;

// The serial ports the system offers, for every place that lets the user pick one (the serial
// settings dialog and the start dialog).
namespace PortList {

// "N/A" in the language asked for (english: true for English).
QString notAvailable(bool english);

// The seven strings a port item carries: name, description, manufacturer, serial number, system
// location, vendor and product identifier (hexadecimal). Empty texts and zero identifiers read
// notAvailable(english).
QStringList describe(const QSerialPortInfo &info, bool english);
QStringList describe(const QString &name, const QString &description, const QString &manufacturer,
                     const QString &serialNumber, const QString &systemLocation, quint16 vendorId,
                     quint16 productId, bool english);

// Clears box and adds one item per available port, in the system's order: the port name as text,
// its seven strings as item data.
void fill(QComboBox *box, bool english);

} // namespace PortList
