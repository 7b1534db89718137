#pragma once

#include "area/store/device_type.h"
#include "area/store/language.h"

#include <QDialog>
#include <QString>

class QListWidgetItem;
class SensorDiscovery;

namespace Ui {
class Create;
}

// The start dialog: a new project for a sensor model, a project file, a connection over a serial
// port or Ethernet, or quit. It only asks; the main window carries the choice out. Its Ethernet tab
// lists the sensors that answer a discovery, which runs until a choice is made.
class Create : public QDialog {
    Q_OBJECT

public:
    explicit Create(QWidget *parent = nullptr);
    ~Create() override;

    // The device type of the model list's entry (VKT-30xx, VKT-50xx).
    static DEVICETYPE deviceTypeOf(int modelIndex);

    Ui::Create *form() const { return m_ui; }
    SensorDiscovery *discovery() const { return m_discovery; }
    // The recent project files, most recent first, under the Open button; hidden when there are none.
    void setRecentProjects(const QStringList &files);
    bool eventFilter(QObject *watched, QEvent *event) override;

public slots:
    void QuitButton();
    void CreateNewProject();
    void OpenProjectFile();
    void ConnectToLaserSensor();
    void LanguageDisplayChinese();
    void LanguageDisplayEnglish();
    // Refills the serial port list from the system.
    void UpdateSerialPortSetting();
    // Starts a new discovery: empties the address list and searches every local network.
    void UpdateEthernetSetting();
    // Reads the answers that have arrived.
    void ReadEthernetReceiveData();
    // Ends the discovery: its sockets are closed and deleted.
    void DelteclientSocket();
    // Escape: hides the dialog without a choice; the discovery ends with it.
    void reject() override;

signals:
    void QuitSignal();
    void OpenProjectSignal();
    // A recent project chosen from the list (double-click or Enter).
    void OpenRecentSignal(QString fileName);
    void CreateSignal(DEVICETYPE *Type);
    void CreateInterface(int Index);
    void OpenSerialSignal(QString Com);
    void OpenEthernetSignal(QString Com);
    void OpenEthernetMode(QString Type);
    // The language button: the whole program switches to English (true) or Chinese.
    void LanguageSignal(Language language);

private:
    void applyTexts(Language language);
    void emitDeviceType();
    void openRecent(QListWidgetItem *item);

    Ui::Create *m_ui;
    SensorDiscovery *m_discovery;
    Language m_language = Language::Chinese;
};
