#include "comm/settingsdialog.h"

#include "comm/port_list.h"
#include "ui_settingsdialog.h"

#include <QLineEdit>
#include <QValidator>

namespace {

// Whole numbers from 0 to the top only: a longer or larger number cannot even be typed.
class BaudRateValidator : public QValidator {
public:
    BaudRateValidator(int top, QObject *parent) : QValidator(parent), m_top(top) {}
    State validate(QString &input, int &) const override
    {
        if (input.isEmpty())
            return Intermediate;
        for (const QChar c : input)
            if (!c.isDigit() || c.unicode() > 127)
                return Invalid;
        bool ok = false;
        const qlonglong value = input.toLongLong(&ok);
        return ok && value <= m_top ? Acceptable : Invalid;
    }

private:
    int m_top;
};

} // namespace

SettingsDialog::SettingsDialog(QWidget *parent)
    : QDialog(parent), m_ui(new Ui::SettingsDialog),
      m_baudValidator(new BaudRateValidator(kMaxCustomBaudRate, this))
{
    m_ui->setupUi(this);
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_QuitOnClose, false);
    m_ui->baudRateBox->setInsertPolicy(QComboBox::NoInsert);
    // A port the system does not list (a pseudo-terminal, a /dev/serial/by-id/ name) can be typed.
    m_ui->serialPortInfoListBox->setEditable(true);
    m_ui->serialPortInfoListBox->setInsertPolicy(QComboBox::NoInsert);

    connect(m_ui->applyButton, &QPushButton::clicked, this, &SettingsDialog::update);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::hide);
    connect(m_ui->baudRateBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &SettingsDialog::checkCustomBaudRatePolicy);

    fillPortsParameters();
    fillPortsInfo();
    updateSettings();
}

SettingsDialog::~SettingsDialog()
{
    delete m_ui;
}

void SettingsDialog::fillPortsParameters()
{
    QComboBox *baud = m_ui->baudRateBox;
    for (int rate : {576000, 115200, 9600, 19200, 38400})
        baud->addItem(QString::number(rate), rate);
    baud->addItem(QStringLiteral("Custom")); // no value: the rate is typed
    baud->setCurrentIndex(0);

    for (int bits : {5, 6, 7, 8})
        m_ui->dataBitsBox->addItem(QString::number(bits), bits);
    m_ui->dataBitsBox->setCurrentIndex(3);

    m_ui->parityBox->addItem(QStringLiteral("None"), QSerialPort::NoParity);
    m_ui->parityBox->addItem(QStringLiteral("Even"), QSerialPort::EvenParity);
    m_ui->parityBox->addItem(QStringLiteral("Odd"), QSerialPort::OddParity);
    m_ui->parityBox->addItem(QStringLiteral("Mark"), QSerialPort::MarkParity);
    m_ui->parityBox->addItem(QStringLiteral("Space"), QSerialPort::SpaceParity);

    m_ui->stopBitsBox->addItem(QStringLiteral("1"), QSerialPort::OneStop);
    m_ui->stopBitsBox->addItem(QStringLiteral("1.5"), QSerialPort::OneAndHalfStop);
    m_ui->stopBitsBox->addItem(QStringLiteral("2"), QSerialPort::TwoStop);

    m_ui->flowControlBox->addItem(QStringLiteral("None"), QSerialPort::NoFlowControl);
    m_ui->flowControlBox->addItem(QStringLiteral("RTS/CTS"), QSerialPort::HardwareControl);
    m_ui->flowControlBox->addItem(QStringLiteral("XON/XOFF"), QSerialPort::SoftwareControl);
}

void SettingsDialog::fillPortsInfo()
{
    PortList::fill(m_ui->serialPortInfoListBox, m_language);
    // The refreshed list keeps the port chosen before, typed or listed.
    m_ui->serialPortInfoListBox->setEditText(m_chosenPort);
}

void SettingsDialog::checkCustomBaudRatePolicy(int idx)
{
    QComboBox *baud = m_ui->baudRateBox;
    const bool custom = idx >= 0 && !baud->itemData(idx).isValid();
    baud->setEditable(custom);
    if (custom) {
        baud->setInsertPolicy(QComboBox::NoInsert);
        baud->setCompleter(nullptr); // a typed rate must not be completed into a listed one
        baud->clearEditText();
        baud->lineEdit()->setValidator(m_baudValidator);
    }
    updateSettings();
}

void SettingsDialog::update()
{
    updateSettings();
    if (m_currentSettings.name.isEmpty())
        return;
    m_chosenPort = m_currentSettings.name;
    emit OpenSerialSignal(m_currentSettings.name);
    hide();
}

void SettingsDialog::updateSettings()
{
    Settings &s = m_currentSettings;
    s.name = m_ui->serialPortInfoListBox->currentText().trimmed();

    QComboBox *baud = m_ui->baudRateBox;
    const QVariant rate = baud->currentData();
    s.baudRate = rate.isValid() ? rate.toInt() : baud->currentText().toInt();
    s.stringBaudRate = QString::number(s.baudRate);

    s.dataBits = static_cast<QSerialPort::DataBits>(m_ui->dataBitsBox->currentData().toInt());
    s.stringDataBits = m_ui->dataBitsBox->currentText();
    s.parity = static_cast<QSerialPort::Parity>(m_ui->parityBox->currentData().toInt());
    s.stringParity = m_ui->parityBox->currentText();
    s.stopBits = static_cast<QSerialPort::StopBits>(m_ui->stopBitsBox->currentData().toInt());
    s.stringStopBits = m_ui->stopBitsBox->currentText();
    s.flowControl = static_cast<QSerialPort::FlowControl>(m_ui->flowControlBox->currentData().toInt());
    s.stringFlowControl = m_ui->flowControlBox->currentText();
}

void SettingsDialog::LanguageDisplayChinese()
{
    applyTexts(Language::Chinese);
}

void SettingsDialog::LanguageDisplayEnglish()
{
    applyTexts(Language::English);
}

void SettingsDialog::applyTexts(Language language)
{
    m_language = language;
    setWindowTitle(pick(language, "Serial Setting", "串口设置"));
    m_ui->selectBox->setTitle(pick(language, "Serial Select", "选择串口"));
    m_ui->SerialLabel->setText(pick(language, "Serial Port:", "串口号:"));
    m_ui->parametersBox->setTitle(pick(language, "Parameters Setting:", "参数设置:"));
    m_ui->baudRateLabel->setText(pick(language, "Baud Rate:", "波特率:"));
    m_ui->dataBitsLabel->setText(pick(language, "Data Bits:", "数据位:"));
    m_ui->parityLabel->setText(pick(language, "Parity:", "奇偶校验:"));
    m_ui->stopBitsLabel->setText(pick(language, "Stop Bits:", "停止位:"));
    m_ui->flowControlLabel->setText(pick(language, "Flow Control:", "流控制:"));
    m_ui->applyButton->setText(pick(language, "Enter", "确定"));
    m_ui->cancelButton->setText(pick(language, "Cancel", "取消"));
}
