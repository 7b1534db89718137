#include "comm/ethnertsetting.h"

#include "comm/discovery.h"
#include "ui_ethnertsetting.h"

EthnertSetting::EthnertSetting(QWidget *parent) : QDialog(parent), m_ui(new Ui::EthnertSetting)
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_QuitOnClose, false); // closing the dialog never ends the program
    m_ui->Eth_ComboBox->setEditable(true);

    m_discovery = new SensorDiscovery(m_ui->Eth_ComboBox, this);
    connect(m_discovery, &SensorDiscovery::OpenEthernetMode, this, &EthnertSetting::OpenEthernetMode);

    connect(m_ui->Button_Refresh_ETH, &QPushButton::clicked, this, &EthnertSetting::fillPortsInfo);
    connect(m_ui->Enter, &QPushButton::clicked, this, &EthnertSetting::update);
    connect(m_ui->Cancel, &QPushButton::clicked, this, &QDialog::hide);

    fillPortsInfo();
}

EthnertSetting::~EthnertSetting()
{
    delete m_ui;
}

void EthnertSetting::fillPortsInfo()
{
    m_discovery->search();
}

void EthnertSetting::ReadEthernetReceiveData()
{
    m_discovery->readAnswers();
}

void EthnertSetting::update()
{
    // The dialog stays open on a mistyped address, so it can be corrected.
    if (!acceptIPv4Address(this, m_ui->Eth_ComboBox->currentText(), m_english))
        return;
    emit OpenEthernetSignal(m_ui->Eth_ComboBox->currentText().trimmed());
    DelteclientSocket();
    hide();
}

void EthnertSetting::DelteclientSocket()
{
    m_discovery->deleteSockets();
}

void EthnertSetting::LanguageDisplayChinese()
{
    applyTexts(false);
}

void EthnertSetting::LanguageDisplayEnglish()
{
    applyTexts(true);
}

void EthnertSetting::applyTexts(bool english)
{
    m_english = english;
    auto t = [english](const char *en, const char *cn) {
        return english ? QString::fromUtf8(en) : QString::fromUtf8(cn);
    };
    setWindowTitle(t("Ethernet Setting", "以太网设置"));
    m_ui->label_IPAddress->setText(t("Sensor IP Address", "传感器以太网IP地址"));
    m_ui->Enter->setText(t("OK", "确定"));
    m_ui->Cancel->setText(t("Cancel", "取消"));
}
