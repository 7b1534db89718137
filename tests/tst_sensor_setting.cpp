// The sensor settings dock on the real main window form: defaults, record -> dock with its repairs,
// dock -> record, the enables per connection type and the project file section.
#include "comm/codec/requests.h"
#include "comm/codec/scan_data.h"
#include "comm/codec/sensor_parameters.h"
#include "comm/sensor_setting.h"
#include "ui_mainwindow.h"

#include "area/file/sensor_settings.h"
#include <QComboBox>
#include <QGroupBox>
#include <QMainWindow>
#include <QSpinBox>
#include <QTextStream>

#include <QtTest>
#include <memory>

class SensorSettingDock : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();

    void buildingWritesTheDefaultsAndShowsThem();
    void receivedValuesAreRepairedInRecordAndDock_data();
    void receivedValuesAreRepairedInRecordAndDock();
    void serialConnectionKeepsEthernetValuesOutOfTheDock();
    void finestAngleOnEthernetForcesTheSlowMotorSpeed();
    void ipAddressIsStoredAsTwoWordsAndSentAsFourBytes();
    void dirtThresholdsAndCrossCountFollowTheirSwitches();
    void controlsAreEnabledPerConnectionType_data();
    void controlsAreEnabledPerConnectionType();
    void projectSectionRoundTripsEveryControl();
    void projectSectionWithoutMarkerOrWithBadIndexesKeepsTheDefaults();
    void valuesBeyondTheDockThatASensorHeldAreSavedAsHeld();

private:
    QComboBox *combo(int c) const { return qobject_cast<QComboBox *>(m_setting->control(c)); }
    QSpinBox *spin(int c) const { return qobject_cast<QSpinBox *>(m_setting->control(c)); }
    QWidget *widget(const char *name) const { return m_window->findChild<QWidget *>(QLatin1String(name)); }

    SCAN_DATA m_scan;
    SENSOR_PARAMETERS m_parameters;
    std::unique_ptr<QMainWindow> m_window;
    std::unique_ptr<Ui::MainWindow> m_form;
    std::unique_ptr<SENSOR_SETTING> m_setting;
};

void SensorSettingDock::init()
{
    m_scan = SCAN_DATA();
    m_parameters = SENSOR_PARAMETERS();
    m_window.reset(new QMainWindow);
    m_form.reset(new Ui::MainWindow);
    m_form->setupUi(m_window.get());
    m_setting.reset(new SENSOR_SETTING(&m_parameters, m_window.get(), &m_scan));
    for (int c = 0; c < SENSOR_SETTING::ControlCount; ++c)
        QVERIFY2(m_setting->control(c), SENSOR_SETTING::controlName(c));
}

void SensorSettingDock::cleanup()
{
    m_setting.reset();
    m_form.reset();
    m_window.reset();
}

void SensorSettingDock::buildingWritesTheDefaultsAndShowsThem()
{
    SENSOR_PARAMETERS record;
    for (int k = 0; k < SENSOR_PARAMETERS::kCount; ++k)
        record.setValue(k, 3);
    QMainWindow window;
    Ui::MainWindow form;
    form.setupUi(&window);
    form.Para_RS485IDAddress->setValue(9);
    form.Para_SensorIPAddress4->setValue(7);
    SENSOR_SETTING setting(&record, &window, &m_scan);

    QCOMPARE(record, SENSOR_PARAMETERS());
    QCOMPARE(form.Para_RS485IDAddress->value(), 127);
    QCOMPARE(form.Para_ScanMotorSpeed->currentIndex(), 1);
    QCOMPARE(form.Para_CrossFilterEnable->currentIndex(), 2);
    QCOMPARE(form.Para_LaserStopSignal->currentIndex(), 1);
    QCOMPARE(form.Para_SensorIPAddress1->value(), 192);
    QCOMPARE(form.Para_SensorIPAddress4->value(), 88);
    QCOMPARE(form.Para_DirtyReceStrength->value(), 500);
    QCOMPARE(setting.ControlStates(), (QVector<int>{0, 0, 0, 0, 127, 0,   0, 0,  127, 0, 0, 1,   1,  0,
                                                    0, 2, 2, 0, 192, 168, 1, 88, 0,   1, 1, 200, 500}));
}

void SensorSettingDock::receivedValuesAreRepairedInRecordAndDock_data()
{
    QTest::addColumn<int>("connectType");
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("received");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("control");
    QTest::addColumn<int>("shown");
    QTest::newRow("motor speed 7") << 0 << 11 << 7 << 0 << int(SENSOR_SETTING::ScanMotorSpeed) << 0;
    QTest::newRow("filter level 4") << 0 << 13 << 4 << 0 << int(SENSOR_SETTING::ScanFilterLevel) << 0;
    QTest::newRow("install direction 2") << 1 << 14 << 2 << 0 << int(SENSOR_SETTING::SensorInstallDir) << 0;
    QTest::newRow("dirt distance 2001")
        << 0 << 23 << 2001 << 200 << int(SENSOR_SETTING::DirtyReceDistance) << 200;
    QTest::newRow("dirt strength 2500")
        << 1 << 24 << 2500 << 500 << int(SENSOR_SETTING::DirtyReceStrength) << 500;
    QTest::newRow("scan angle 5 on Ethernet")
        << 1 << 12 << 5 << 1 << int(SENSOR_SETTING::ScanSensorAngle) << 1;
    QTest::newRow("scan angle 3 on Ethernet")
        << 1 << 12 << 3 << 3 << int(SENSOR_SETTING::ScanSensorAngle) << 3;
    // On a serial line the angle is shown as it is; with no such entry the combo shows none and the
    // record keeps the sensor's value.
    QTest::newRow("scan angle 5 on serial")
        << 0 << 12 << 5 << 5 << int(SENSOR_SETTING::ScanSensorAngle) << -1;
}

void SensorSettingDock::receivedValuesAreRepairedInRecordAndDock()
{
    QFETCH(int, connectType);
    QFETCH(int, field);
    QFETCH(int, received);
    QFETCH(int, stored);
    QFETCH(int, control);
    QFETCH(int, shown);
    m_scan.ConnectType = connectType;
    m_parameters.setValue(field, received);
    m_setting->UpdateParametersToDock();
    QCOMPARE(m_parameters.value(field), stored);
    QCOMPARE(combo(control) ? combo(control)->currentIndex() : spin(control)->value(), shown);

    // The next write sends what the record holds, also after another control changed.
    combo(SENSOR_SETTING::CANBaudRate)->setCurrentIndex(2);
    QCOMPARE(m_parameters.CANBaudRate, 2);
    QCOMPARE(m_parameters.value(field), stored);
    TxFrame tx;
    buildWriteParametersRequest(tx, m_parameters);
    QCOMPARE(int(tx.data[5 + 2 * field]) * 256 + tx.data[6 + 2 * field], stored);
}

void SensorSettingDock::serialConnectionKeepsEthernetValuesOutOfTheDock()
{
    m_scan.ConnectType = 0;
    m_parameters.SensorIPAddressHigh = 10 * 256 + 20;
    m_parameters.SensorIPAddressLow = 30 * 256 + 40;
    m_parameters.SensorEtherMode = 1;
    m_parameters.LaserMeasureFrq = 2;
    m_parameters.LaserStopSignal = 0;
    m_parameters.RS232BaudRate = 4;
    m_setting->UpdateParametersToDock();

    QCOMPARE(combo(SENSOR_SETTING::RS232BaudRate)->currentIndex(), 4);
    QCOMPARE(spin(SENSOR_SETTING::SensorIPAddress1)->value(), 192);
    QCOMPARE(combo(SENSOR_SETTING::SensorEtherMode)->currentIndex(), 0);
    QCOMPARE(combo(SENSOR_SETTING::LaserMeasureFrq)->currentIndex(), 0);
    QCOMPARE(combo(SENSOR_SETTING::LaserStopSignal)->currentIndex(), 1);

    // A serial-side change leaves the record's Ethernet values as read.
    combo(SENSOR_SETTING::RS232StopBit)->setCurrentIndex(2);
    QCOMPARE(m_parameters.RS232StopBit, 2);
    QCOMPARE(m_parameters.SensorIPAddressHigh, 10 * 256 + 20);
    QCOMPARE(m_parameters.SensorIPAddressLow, 30 * 256 + 40);
    QCOMPARE(m_parameters.SensorEtherMode, 1);
    QCOMPARE(m_parameters.LaserMeasureFrq, 2);
    QCOMPARE(m_parameters.LaserStopSignal, 0);
}

void SensorSettingDock::finestAngleOnEthernetForcesTheSlowMotorSpeed()
{
    m_scan.ConnectType = 1;
    QCOMPARE(combo(SENSOR_SETTING::ScanMotorSpeed)->currentIndex(), 1);
    combo(SENSOR_SETTING::ScanSensorAngle)->setCurrentIndex(0); // 0.025°
    QCOMPARE(combo(SENSOR_SETTING::ScanMotorSpeed)->currentIndex(), 0);
    QCOMPARE(m_parameters.ScanMotorSpeed, 0);
    QCOMPARE(m_parameters.ScanSensorAngle, 0);

    combo(SENSOR_SETTING::ScanSensorAngle)->setCurrentIndex(3);
    combo(SENSOR_SETTING::ScanMotorSpeed)->setCurrentIndex(1);
    QCOMPARE(m_parameters.ScanSensorAngle, 3);
    QCOMPARE(m_parameters.ScanMotorSpeed, 1);

    // On a serial line the angle is not taken from the dock at all.
    m_scan.ConnectType = 0;
    combo(SENSOR_SETTING::ScanSensorAngle)->setCurrentIndex(0);
    QCOMPARE(m_parameters.ScanSensorAngle, 3);
    QCOMPARE(m_parameters.ScanMotorSpeed, 1);
}

void SensorSettingDock::ipAddressIsStoredAsTwoWordsAndSentAsFourBytes()
{
    m_scan.ConnectType = 1;
    spin(SENSOR_SETTING::SensorIPAddress1)->setValue(172);
    spin(SENSOR_SETTING::SensorIPAddress2)->setValue(16);
    spin(SENSOR_SETTING::SensorIPAddress3)->setValue(5);
    spin(SENSOR_SETTING::SensorIPAddress4)->setValue(201);
    QCOMPARE(m_parameters.SensorIPAddressHigh, 172 * 256 + 16);
    QCOMPARE(m_parameters.SensorIPAddressLow, 5 * 256 + 201);
    spin(SENSOR_SETTING::SensorIPAddress1)->setValue(192);
    spin(SENSOR_SETTING::SensorIPAddress2)->setValue(168);
    spin(SENSOR_SETTING::SensorIPAddress3)->setValue(1);
    spin(SENSOR_SETTING::SensorIPAddress4)->setValue(88);
    QCOMPARE(m_parameters.SensorIPAddressHigh, 49320);
    QCOMPARE(m_parameters.SensorIPAddressLow, 344);
    TxFrame tx;
    buildWriteParametersRequest(tx, m_parameters);
    QCOMPARE(QByteArray(tx.constData() + 5 + 2 * 18, 4), QByteArray("\xC0\xA8\x01\x58", 4));

    // Shown back from a reply on Ethernet.
    m_parameters.SensorIPAddressHigh = 10 * 256 + 0;
    m_parameters.SensorIPAddressLow = 255;
    m_setting->UpdateParametersToDock();
    QCOMPARE(spin(SENSOR_SETTING::SensorIPAddress1)->value(), 10);
    QCOMPARE(spin(SENSOR_SETTING::SensorIPAddress2)->value(), 0);
    QCOMPARE(spin(SENSOR_SETTING::SensorIPAddress3)->value(), 0);
    QCOMPARE(spin(SENSOR_SETTING::SensorIPAddress4)->value(), 255);
}

void SensorSettingDock::dirtThresholdsAndCrossCountFollowTheirSwitches()
{
    m_scan.ConnectType = 1;
    m_setting->SetConnectTypeEnables(1);
    combo(SENSOR_SETTING::LaserStopSignal)->setCurrentIndex(0);
    QVERIFY(!spin(SENSOR_SETTING::DirtyReceDistance)->isEnabled());
    QVERIFY(!spin(SENSOR_SETTING::DirtyReceStrength)->isEnabled());
    QCOMPARE(m_parameters.LaserStopSignal, 0);
    combo(SENSOR_SETTING::LaserStopSignal)->setCurrentIndex(3);
    QVERIFY(spin(SENSOR_SETTING::DirtyReceDistance)->isEnabled());

    combo(SENSOR_SETTING::CrossFilterEnable)->setCurrentIndex(0);
    QVERIFY(!combo(SENSOR_SETTING::CrossFilterNumber)->isEnabled());
    combo(SENSOR_SETTING::CrossFilterEnable)->setCurrentIndex(1);
    QVERIFY(combo(SENSOR_SETTING::CrossFilterNumber)->isEnabled());

    // A reply switching the echo to the first one disables the thresholds again.
    m_parameters.LaserStopSignal = 0;
    m_parameters.CrossFilterEnable = 0;
    m_setting->UpdateParametersToDock();
    QVERIFY(!spin(SENSOR_SETTING::DirtyReceStrength)->isEnabled());
    QVERIFY(!combo(SENSOR_SETTING::CrossFilterNumber)->isEnabled());
}

void SensorSettingDock::controlsAreEnabledPerConnectionType_data()
{
    QTest::addColumn<int>("connectType");
    QTest::addColumn<int>("crossMode");
    QTest::newRow("serial") << 0 << 2;
    QTest::newRow("Ethernet, cross filter on") << 1 << 2;
    QTest::newRow("Ethernet, cross filter off") << 1 << 0;
}

void SensorSettingDock::controlsAreEnabledPerConnectionType()
{
    QFETCH(int, connectType);
    QFETCH(int, crossMode);
    m_scan.ConnectType = connectType;
    combo(SENSOR_SETTING::CrossFilterEnable)->setCurrentIndex(crossMode);
    // Start from the opposite state, so every control has to be set.
    m_setting->SetConnectTypeEnables(1 - connectType);
    m_setting->SetConnectTypeEnables(connectType);
    const bool serial = connectType == 0;

    using S = SENSOR_SETTING;
    for (int c : {S::ControlMode, S::RS232BaudRate, S::RS232CommVerify, S::RS232StopBit, S::RS485IDAddress,
                  S::RS485BaudRate, S::RS485CommVerify, S::RS485StopBit})
        QVERIFY2(m_setting->control(c)->isEnabled() == serial, S::controlName(c));
    QVERIFY(m_setting->control(S::CANBaudRate)->isEnabled());
    QVERIFY(m_setting->control(S::CANIDAddress)->isEnabled());
    for (int c : {S::SensorEtherMode, S::SensorIPAddress1, S::SensorIPAddress2, S::SensorIPAddress3,
                  S::SensorIPAddress4, S::ScanSensorAngle, S::ScanMotorSpeed, S::CrossFilterEnable})
        QVERIFY2(m_setting->control(c)->isEnabled() == !serial, S::controlName(c));
    QCOMPARE(m_setting->control(S::CrossFilterNumber)->isEnabled(), !serial && crossMode != 0);
    QVERIFY(!m_setting->control(S::LaserMeasureFrq)->isEnabled());
    for (const char *name : {"ScanGroupBox", "Set_SensorSleepMode", "Set_ScanMotorSpeed",
                             "Set_ScanSensorAngle", "Set_ScanFilterLevel"}) {
        QWidget *w = widget(name);
        QVERIFY2(w, name);
        QVERIFY2(w->isEnabled() == !serial, name);
    }
}

void SensorSettingDock::projectSectionRoundTripsEveryControl()
{
    m_scan.ConnectType = 1;
    const QVector<int> states{5, 4, 2, 1, 17, 3, 1,   2, 99, 3, 1, 0, 4,   3,
                              1, 1, 5, 1, 10, 0, 255, 7, 2,  3, 2, 0, 2000};
    m_setting->SetControlStates(states);
    QCOMPARE(m_setting->ControlStates(), states);

    QString text;
    {
        QTextStream out(&text);
        out << "KDR_VKT_30\r\n";
        m_setting->WriteSettingSection(out);
        out << "CoordTableData\r\n";
    }
    QVERIFY(text.startsWith(QStringLiteral("KDR_VKT_30\r\nSensorSetting\r\n5\r\n4\r\n")));

    // A fresh dock reads them back, and its change handling fills the record.
    SCAN_DATA scan;
    scan.ConnectType = 1;
    SENSOR_PARAMETERS record;
    QMainWindow window;
    Ui::MainWindow form;
    form.setupUi(&window);
    SENSOR_SETTING setting(&record, &window, &scan);
    QTextStream in(&text);
    setting.ReadSettingSection(in);
    QCOMPARE(setting.ControlStates(), states);
    QCOMPARE(in.readLine(), QStringLiteral("CoordTableData"));
    QCOMPARE(record.ControlMode, 5);
    QCOMPARE(record.CANIDAddress, 99);
    QCOMPARE(record.ScanSensorAngle, 4);
    QCOMPARE(record.SensorIPAddressHigh, 10 * 256 + 0);
    QCOMPARE(record.SensorIPAddressLow, 255 * 256 + 7);
    QCOMPARE(record.LaserStopSignal, 3);
    QCOMPARE(record.DirtyReceStrength, 2000);
    QCOMPARE(record, m_parameters);
}

void SensorSettingDock::projectSectionWithoutMarkerOrWithBadIndexesKeepsTheDefaults()
{
    m_scan.ConnectType = 1;
    // No marker: every control shows the defaults, not entry 0 of each list.
    {
        QString text = QStringLiteral("KDR_VKT_30\r\nCoordTableData\r\n0\r\n");
        QTextStream in(&text);
        m_setting->ReadSettingSection(in);
        QCOMPARE(m_setting->ControlStates(), SensorSettings::defaults());
        QCOMPARE(m_parameters.RS485IDAddress, 127);
        QCOMPARE(m_parameters.SensorIPAddressHigh, 192 * 256 + 168);
    }
    // An index naming no entry leaves that control as it was; a line that is no whole number, and
    // every line past the end, keeps the default.
    {
        m_setting->SetControlStates(
            {1, 1, 1, 1, 50, 1, 1, 1, 50, 1, 1, 1, 1, 1, 1, 1, 1, 1, 20, 1, 1, 1, 1, 1, 1, 9, 9});
        QString text = QStringLiteral("SensorSetting\n77\n-1\nabc\n 2 \n500\n");
        QTextStream in(&text);
        m_setting->ReadSettingSection(in);
        const QVector<int> got = m_setting->ControlStates();
        QCOMPARE(got[SENSOR_SETTING::ControlMode], 1);
        QCOMPARE(got[SENSOR_SETTING::RS232BaudRate], 1);
        QCOMPARE(got[SENSOR_SETTING::RS232CommVerify], 0);
        QCOMPARE(got[SENSOR_SETTING::RS232StopBit], 0);
        QCOMPARE(got[SENSOR_SETTING::RS485IDAddress], 127);
        QCOMPARE(got[SENSOR_SETTING::CANIDAddress], 127);
        QCOMPARE(m_parameters.ControlMode, 1);
        QCOMPARE(m_parameters.RS485IDAddress, 127);
    }
}

// A sensor holding RS-485 ID 0 and cross number 9 (neither is in the dock's lists): editing another
// setting and saving keeps both; only setting the spin box itself changes the ID.
void SensorSettingDock::valuesBeyondTheDockThatASensorHeldAreSavedAsHeld()
{
    m_scan.ConnectType = 1;
    m_parameters.RS485IDAddress = 0;
    m_parameters.CrossFilterNumber = 9;
    m_setting->UpdateParametersToDock();
    combo(SENSOR_SETTING::ControlMode)->setCurrentIndex(2);
    QCOMPARE(m_parameters.ControlMode, 2);
    QCOMPARE(m_parameters.RS485IDAddress, 0);
    QCOMPARE(m_parameters.CrossFilterNumber, 9);
    const QVector<int> states = m_setting->ControlStates();
    QCOMPARE(states[SENSOR_SETTING::RS485IDAddress], 0);
    QCOMPARE(states[SENSOR_SETTING::CrossFilterNumber], 9);
    QCOMPARE(SensorSettings::toParameters(states), m_parameters);

    spin(SENSOR_SETTING::RS485IDAddress)->setValue(5);
    QCOMPARE(m_parameters.RS485IDAddress, 5);
    QCOMPARE(m_setting->ControlStates()[SENSOR_SETTING::RS485IDAddress], 5);
}

QTEST_MAIN(SensorSettingDock)
#include "tst_sensor_setting.moc"
