#pragma once

#include <QDialog>
#include <QString>

class SensorDiscovery;
class QUdpSocket;

namespace Ui {
class EthnertSetting;
}

// The Ethernet settings dialog: the addresses of the sensors that answered the discovery, or one
// the user types, and the request to connect to the chosen one.
class EthnertSetting : public QDialog {
    Q_OBJECT

public:
    explicit EthnertSetting(QWidget *parent = nullptr);
    ~EthnertSetting() override;

    SensorDiscovery *discovery() const { return m_discovery; }
    Ui::EthnertSetting *form() const { return m_ui; }

public slots:
    // Starts a new discovery: empties the list and searches every local network.
    void fillPortsInfo();
    // Reads the answers that have arrived.
    void ReadEthernetReceiveData();
    // Asks for a connection to the chosen address, ends the discovery, hides the dialog.
    void update();
    // Ends the discovery: its sockets are closed and deleted.
    void DelteclientSocket();
    void LanguageDisplayChinese();
    void LanguageDisplayEnglish();

signals:
    void OpenEthernetSignal(QString Com);
    void OpenEthernetMode(QString Type);

private:
    void applyTexts(bool english);

    Ui::EthnertSetting *m_ui;
    SensorDiscovery *m_discovery;
    bool m_english = false;
};
