// The serial and Ethernet settings dialogs on their own: what applying them carries, the typed
// baud rate, the port details, the texts of both languages.

#include "comm/discovery.h"
#include "comm/ethnertsetting.h"
#include "comm/port_list.h"
#include "comm/settingsdialog.h"
#include "ui_ethnertsetting.h"
#include "ui_settingsdialog.h"

#include <QLineEdit>
#include <QSerialPortInfo>
#include <QtTest>

class TestTransportDialogs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void portDetailsShowNotAvailableForMissingTexts()
    {
        const QStringList bare = PortList::describe("ttyX", "", "", "", "/dev/ttyX", 0, 0, Language::English);
        QCOMPARE(bare, (QStringList{"ttyX", "N/A", "N/A", "N/A", "/dev/ttyX", "N/A", "N/A"}));
        const QStringList full = PortList::describe("ttyUSB0", "USB serial", "Maker", "A1B2", "/dev/ttyUSB0",
                                                    0x0403, 0x6001, Language::English);
        QCOMPARE(full,
                 (QStringList{"ttyUSB0", "USB serial", "Maker", "A1B2", "/dev/ttyUSB0", "403", "6001"}));
        QCOMPARE(PortList::describe("ttyX", "", "", "", "/dev/ttyX", 0, 0, Language::Chinese).at(1),
                 QStringLiteral("无"));
    }

    void portListHoldsEverySystemPortWithItsSevenDetails()
    {
        SettingsDialog dialog;
        QComboBox *box = dialog.form()->serialPortInfoListBox;
        const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
        QCOMPARE(box->count(), ports.size());
        for (int i = 0; i < ports.size(); ++i) {
            QCOMPARE(box->itemText(i), ports[i].portName());
            const QStringList details = box->itemData(i).toStringList();
            QCOMPARE(details.size(), 7);
            QCOMPARE(details[4], ports[i].systemLocation());
        }
        box->addItem("stale");
        dialog.fillPortsInfo(); // refills, never appends
        QCOMPARE(box->count(), ports.size());
    }

    void preselectedSettingsBeforeAnyApply()
    {
        SettingsDialog dialog;
        const SettingsDialog::Settings s = dialog.settings();
        QCOMPARE(s.baudRate, 576000);
        QCOMPARE(s.stringBaudRate, QStringLiteral("576000"));
        QCOMPARE(s.dataBits, QSerialPort::Data8);
        QCOMPARE(s.parity, QSerialPort::NoParity);
        QCOMPARE(s.stopBits, QSerialPort::OneStop);
        QCOMPARE(s.flowControl, QSerialPort::NoFlowControl);
        QCOMPARE(dialog.form()->baudRateBox->count(), 6);
        QVERIFY(!dialog.form()->baudRateBox->isEditable());
        QVERIFY(dialog.isModal() || dialog.windowModality() == Qt::ApplicationModal);
    }

    void applyCarriesTheChosenItems_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("stop");
        QTest::addColumn<int>("flow");
        QTest::addColumn<int>("baudRate");
        QTest::addColumn<int>("parityValue");
        QTest::addColumn<int>("stopValue");
        QTest::addColumn<int>("flowValue");
        QTest::addColumn<QString>("texts");
        QTest::newRow("38400 7 even 2 rts")
            << 4 << 2 << 1 << 2 << 1 << 38400 << 2 << 2 << 1 << "38400 7 Even 2 RTS/CTS";
        QTest::newRow("9600 5 space 1.5 xon")
            << 2 << 0 << 4 << 1 << 2 << 9600 << 4 << 3 << 2 << "9600 5 Space 1.5 XON/XOFF";
        QTest::newRow("19200 6 mark 1 none")
            << 3 << 1 << 3 << 0 << 0 << 19200 << 5 << 1 << 0 << "19200 6 Mark 1 None";
    }
    void applyCarriesTheChosenItems()
    {
        QFETCH(int, baud);
        QFETCH(int, bits);
        QFETCH(int, parity);
        QFETCH(int, stop);
        QFETCH(int, flow);
        SettingsDialog dialog;
        dialog.show();
        Ui::SettingsDialog *f = dialog.form();
        f->baudRateBox->setCurrentIndex(baud);
        f->dataBitsBox->setCurrentIndex(bits);
        f->parityBox->setCurrentIndex(parity);
        f->stopBitsBox->setCurrentIndex(stop);
        f->flowControlBox->setCurrentIndex(flow);
        QSignalSpy open(&dialog, &SettingsDialog::OpenSerialSignal);
        // No port is taken for granted: without one, nothing is asked to open.
        QVERIFY(f->serialPortInfoListBox->currentText().isEmpty());
        QTest::mouseClick(f->applyButton, Qt::LeftButton);
        QCOMPARE(open.count(), 0);
        QVERIFY(dialog.isVisible());

        // A device the system does not list is typed.
        f->serialPortInfoListBox->setEditText(QStringLiteral(" /dev/serial/by-id/usb-veltrin-test "));
        QTest::mouseClick(f->applyButton, Qt::LeftButton);
        QCOMPARE(open.count(), 1);
        QCOMPARE(open[0][0].toString(), QStringLiteral("/dev/serial/by-id/usb-veltrin-test"));
        QCOMPARE(dialog.chosenPort(), QStringLiteral("/dev/serial/by-id/usb-veltrin-test"));
        QVERIFY(!dialog.isVisible());
        dialog.fillPortsInfo(); // a refreshed list keeps the choice
        QCOMPARE(f->serialPortInfoListBox->currentText(), dialog.chosenPort());
        const SettingsDialog::Settings s = dialog.settings();
        QTEST(int(s.baudRate), "baudRate");
        QCOMPARE(int(s.dataBits), bits + 5);
        QTEST(int(s.parity), "parityValue");
        QTEST(int(s.stopBits), "stopValue");
        QTEST(int(s.flowControl), "flowValue");
        QTEST(QStringList(
                  {s.stringBaudRate, s.stringDataBits, s.stringParity, s.stringStopBits, s.stringFlowControl})
                  .join(' '),
              "texts");
    }

    void customBaudRateIsTypedAndBounded()
    {
        SettingsDialog dialog;
        dialog.show();
        QComboBox *baud = dialog.form()->baudRateBox;
        baud->setCurrentIndex(5); // "Custom"
        QVERIFY(baud->isEditable());
        QVERIFY(baud->currentText().isEmpty());
        QTest::keyClicks(baud->lineEdit(), "250000");
        dialog.update();
        QCOMPARE(dialog.settings().baudRate, 250000);
        QCOMPARE(dialog.settings().stringBaudRate, QStringLiteral("250000"));
        QCOMPARE(baud->count(), 6); // typed text never becomes an item

        // Above 4,000,000 the last key is refused; letters never get in.
        baud->clearEditText();
        QTest::keyClicks(baud->lineEdit(), "5000000");
        QCOMPARE(baud->currentText(), QStringLiteral("500000"));
        baud->clearEditText();
        QTest::keyClicks(baud->lineEdit(), "4000001");
        QCOMPARE(baud->currentText(), QStringLiteral("400000"));
        baud->clearEditText();
        QTest::keyClicks(baud->lineEdit(), "4000000x");
        QCOMPARE(baud->currentText(), QStringLiteral("4000000"));
        dialog.update();
        QCOMPARE(dialog.settings().baudRate, 4000000);

        // A listed rate makes the box plain again.
        baud->setCurrentIndex(2);
        QVERIFY(!baud->isEditable());
        QCOMPARE(dialog.settings().baudRate, 9600);
    }

    void cancelOnlyHides()
    {
        SettingsDialog dialog;
        dialog.show();
        dialog.form()->baudRateBox->setCurrentIndex(4);
        dialog.form()->parityBox->setCurrentIndex(1);
        QSignalSpy open(&dialog, &SettingsDialog::OpenSerialSignal);
        QTest::mouseClick(dialog.form()->cancelButton, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(open.count(), 0);
        QCOMPARE(dialog.settings().parity, QSerialPort::NoParity); // not applied
    }

    void dialogTextsFollowTheLanguage()
    {
        SettingsDialog serial;
        EthnertSetting ethernet;
        serial.LanguageDisplayEnglish();
        ethernet.LanguageDisplayEnglish();
        QCOMPARE(serial.windowTitle(), QStringLiteral("Serial Setting"));
        QCOMPARE(serial.form()->parametersBox->title(), QStringLiteral("Parameters Setting:"));
        QCOMPARE(serial.form()->applyButton->text(), QStringLiteral("Enter"));
        QCOMPARE(ethernet.windowTitle(), QStringLiteral("Ethernet Setting"));
        QCOMPARE(ethernet.form()->label_IPAddress->text(), QStringLiteral("Sensor IP Address"));
        serial.LanguageDisplayChinese();
        ethernet.LanguageDisplayChinese();
        QCOMPARE(serial.windowTitle(), QStringLiteral("串口设置"));
        QCOMPARE(serial.form()->parityLabel->text(), QStringLiteral("奇偶校验:"));
        QCOMPARE(ethernet.windowTitle(), QStringLiteral("以太网设置"));
        QCOMPARE(ethernet.form()->Enter->text(), QStringLiteral("确定"));
    }

    void ethernetEnterSendsTheTypedAddressAndEndsDiscovery()
    {
        EthnertSetting dialog;
        dialog.show();
        QVERIFY(!dialog.testAttribute(Qt::WA_QuitOnClose));
        QComboBox *list = dialog.form()->Eth_ComboBox;
        QVERIFY(list->isEditable());
        // Sockets of a search that are still listening (on loopback here).
        dialog.discovery()->search({{QHostAddress("127.0.0.61"), QHostAddress("127.0.0.62")}});
        QCOMPARE(dialog.discovery()->sockets().size(), 1);

        list->setEditText("127.0.0.9");
        QSignalSpy open(&dialog, &EthnertSetting::OpenEthernetSignal);
        QTest::mouseClick(dialog.form()->Enter, Qt::LeftButton);
        QCOMPARE(open.count(), 1);
        QCOMPARE(open[0][0].toString(), QStringLiteral("127.0.0.9"));
        QVERIFY(dialog.discovery()->sockets().isEmpty());
        QVERIFY(!dialog.isVisible());

        dialog.show();
        QTest::mouseClick(dialog.form()->Cancel, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(open.count(), 1);
    }
};

QTEST_MAIN(TestTransportDialogs)
#include "tst_transport_dialogs.moc"
