#pragma once

#include "area/store/language.h"
#include "comm/net/sensor_search.h"

class QComboBox;
class QWidget;

// Tells the user (a warning box) that text is no IPv4 address; returns whether it is one.
bool acceptIPv4Address(QWidget *parent, const QString &text, Language language);

// The search of the Ethernet settings dialog and of the start dialog, each with its own address list.
class SensorDiscovery : public SensorSearch {
    Q_OBJECT

public:
    // addressList (may be null) receives the address of every sensor that answers, once; a new search
    // empties it.
    explicit SensorDiscovery(QComboBox *addressList = nullptr, QObject *parent = nullptr);

private:
    QComboBox *m_list;
};
