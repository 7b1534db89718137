#include "comm/ethnertsetting.h"

#include "comm/discovery.h"
#include "ui_ethnertsetting.h"

#include <QLabel>
#include <QTimer>

EthnertSetting::EthnertSetting(QWidget *parent) : QDialog(parent), m_ui(new Ui::EthnertSetting)
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_QuitOnClose, false); // closing the dialog never ends the program
    m_ui->Eth_ComboBox->setEditable(true);

    m_discovery = new SensorDiscovery(m_ui->Eth_ComboBox, this);
    connect(m_discovery, &SensorDiscovery::OpenEthernetMode, this, &EthnertSetting::OpenEthernetMode);

    m_searchLabel = new QLabel(this);
    m_searchLabel->setObjectName(QStringLiteral("SearchStatus"));
    m_ui->dialogLayout->insertWidget(2, m_searchLabel);
    m_answerWait = new QTimer(this);
    m_answerWait->setSingleShot(true);
    m_answerWait->setInterval(kAnswerWaitMs);
    connect(m_answerWait, &QTimer::timeout, this, &EthnertSetting::refreshSearchLabel);
    // Runs after the list was emptied for the new search.
    connect(m_discovery, &SensorSearch::searchStarted, this, [this] {
        if (m_ui->Eth_ComboBox->currentText().trimmed().isEmpty())
            m_ui->Eth_ComboBox->setEditText(m_remembered);
        m_answerWait->start();
        refreshSearchLabel();
    });
    connect(m_discovery, &SensorSearch::sensorFound, this, &EthnertSetting::refreshSearchLabel);

    connect(m_ui->Button_Refresh_ETH, &QPushButton::clicked, this, &EthnertSetting::fillPortsInfo);
    connect(m_ui->Enter, &QPushButton::clicked, this, &EthnertSetting::update);
    connect(m_ui->Cancel, &QPushButton::clicked, this, &QDialog::hide);

    fillPortsInfo();
}

EthnertSetting::~EthnertSetting()
{
    delete m_ui;
}

QString EthnertSetting::address() const
{
    return m_ui->Eth_ComboBox->currentText().trimmed();
}

void EthnertSetting::setRememberedAddress(const QString &address)
{
    m_remembered = address.trimmed();
    if (this->address().isEmpty())
        m_ui->Eth_ComboBox->setEditText(m_remembered);
}

void EthnertSetting::refreshSearchLabel()
{
    const int found = m_discovery->found().size();
    if (found > 0)
        m_searchLabel->setText(pick(m_language, "%1 sensor(s) answered.", "%1 个传感器已应答。").arg(found));
    else if (m_answerWait->isActive())
        m_searchLabel->setText(pick(m_language, "Searching for sensors…", "正在搜索传感器…"));
    else
        m_searchLabel->setText(pick(m_language, "No sensor answered. Type the sensor's address.",
                                    "没有传感器应答。请输入传感器的地址。"));
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
    if (!acceptIPv4Address(this, m_ui->Eth_ComboBox->currentText(), m_language))
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
    applyTexts(Language::Chinese);
}

void EthnertSetting::LanguageDisplayEnglish()
{
    applyTexts(Language::English);
}

void EthnertSetting::applyTexts(Language language)
{
    m_language = language;
    setWindowTitle(pick(language, "Ethernet Setting", "以太网设置"));
    m_ui->label_IPAddress->setText(pick(language, "Sensor IP Address", "传感器以太网IP地址"));
    m_ui->Enter->setText(pick(language, "OK", "确定"));
    m_ui->Cancel->setText(pick(language, "Cancel", "取消"));
    refreshSearchLabel();
}
