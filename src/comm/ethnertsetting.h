#pragma once

#include "area/store/language.h"
#include <QDialog>
#include <QString>

class SensorDiscovery;
class QLabel;
class QTimer;
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
    // The address typed or chosen, trimmed; empty when there is none.
    QString address() const;
    // The address of the last connection, offered whenever the list is empty of a choice.
    void setRememberedAddress(const QString &address);
    // What the search is doing: searching, how many answered, or that none did.
    QLabel *searchLabel() const { return m_searchLabel; }
    // How long a search waits for answers before saying that none came.
    static constexpr int kAnswerWaitMs = 3000;

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
    void applyTexts(Language language);
    void refreshSearchLabel();

    Ui::EthnertSetting *m_ui;
    SensorDiscovery *m_discovery;
    QLabel *m_searchLabel;
    QTimer *m_answerWait;
    QString m_remembered;
    Language m_language = Language::Chinese;
};
