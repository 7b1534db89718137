#pragma once

#include "area/store/language.h"
#include <QDialog>
#include <QSerialPort>
#include <QString>

class QValidator;

namespace Ui {
class SettingsDialog;
}

// The serial settings dialog: the port list and the five line settings. Applying it keeps the
// selections in one record and asks for the port to be opened.
class SettingsDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMaxCustomBaudRate = 4000000;

    struct Settings {
        QString name;
        qint32 baudRate = 576000;
        QString stringBaudRate = QStringLiteral("576000");
        QSerialPort::DataBits dataBits = QSerialPort::Data8;
        QString stringDataBits = QStringLiteral("8");
        QSerialPort::Parity parity = QSerialPort::NoParity;
        QString stringParity = QStringLiteral("None");
        QSerialPort::StopBits stopBits = QSerialPort::OneStop;
        QString stringStopBits = QStringLiteral("1");
        QSerialPort::FlowControl flowControl = QSerialPort::NoFlowControl;
        QString stringFlowControl = QStringLiteral("None");
    };

    explicit SettingsDialog(QWidget *parent = nullptr);
    ~SettingsDialog() override;

    Settings settings() const { return m_currentSettings; }
    // The port the user applied last (a listed one or a typed device path); empty before.
    QString chosenPort() const { return m_chosenPort; }

    // For tests and the window's own use: the widgets of the form.
    Ui::SettingsDialog *form() const { return m_ui; }

public slots:
    // Refills the port list from the system.
    void fillPortsInfo();
    // Takes the selections into the record, asks for the port to be opened, hides the dialog; without a
    // port named, the dialog stays open.
    void update();
    // The "Custom" baud item makes the box editable for a typed rate.
    void checkCustomBaudRatePolicy(int idx);
    void LanguageDisplayChinese();
    void LanguageDisplayEnglish();

signals:
    void OpenSerialSignal(QString Com);

private:
    void fillPortsParameters();
    void updateSettings();
    void applyTexts(Language language);

    Ui::SettingsDialog *m_ui;
    Settings m_currentSettings;
    QString m_chosenPort;
    QValidator *m_baudValidator;
    Language m_language = Language::Chinese;
};
