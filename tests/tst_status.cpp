// The status row, the Self Check dock, the monitoring display and the scan control record, driven
// through the real main window by the exchange's own signals.
#include "app/mainwindow.h"
#include "area/area_table.h"
#include "area/dialogs.h"
#include "area/store/project_data.h"
#include "comm/serial_comm.h"
#include "ui_mainwindow.h"

#include <QSettings>
#include <QtTest>

#include <memory>

namespace {

// Both sides take the same road (resource -> pixmap -> image): Qt picks its premultiplication routine
// by processor, and a pixmap compared with the file converted another way differs at soft edges on some.
QImage lampImage(QLabel *lamp)
{
    return lamp->pixmap(Qt::ReturnByValue).toImage();
}

QImage resourceImage(const QString &name)
{
    return QPixmap(QStringLiteral(":/images/%1.png").arg(name)).toImage();
}

} // namespace

class TestStatus : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindow> window;

    Ui::MainWindow *ui() const { return window->form(); }
    SERIAL_COMM *comm() const { return window->serialComm(); }

    // Lamps of inputs 1..6 and outputs 1..3 against the images their bits choose.
    void verifyLamps(uint inport, uint outport)
    {
        QLabel *const inputs[] = {ui()->InputPort1, ui()->InputPort2, ui()->InputPort3,
                                  ui()->InputPort4, ui()->InputPort5, ui()->InputPort6};
        for (int i = 0; i < 6; ++i) {
            const QString expected =
                QStringLiteral("%1%2").arg(inport & (1u << i) ? "Green" : "Gray").arg(i + 1);
            QVERIFY2(lampImage(inputs[i]) == resourceImage(expected), qPrintable(expected));
        }
        const char *const lit[] = {"Yellow1", "Orange2", "Red3"};
        QLabel *const outputs[] = {ui()->OutputPort1, ui()->OutputPort2, ui()->OutputPort3};
        for (int i = 0; i < 3; ++i) {
            const QString expected =
                outport & (1u << i) ? QString::fromLatin1(lit[i]) : QStringLiteral("Gray%1").arg(i + 1);
            QVERIFY2(lampImage(outputs[i]) == resourceImage(expected), qPrintable(expected));
        }
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        // The lamps are told apart by their images.
        QVERIFY(resourceImage("Green1") != resourceImage("Gray1"));
        QVERIFY(resourceImage("Yellow1") != resourceImage("Gray1"));
    }

    void init()
    {
        QSettings("Trevalor", "Parameters").clear();
        ProjectData().resetToStartup();
        ScanData() = SCAN_DATA();
        Dialogs::setResponder([](const Dialogs::Prompt &) { return 0; });
        window = std::make_unique<MainWindow>();
    }

    void cleanup()
    {
        window.reset();
        Dialogs::setResponder({});
    }

    void startsEmptyGrayAndWithTheRecordReadFromTheWidgets()
    {
        QVERIFY(ui()->label_dirValue->text().isEmpty());
        QVERIFY(ui()->label_StatusValue->text().isEmpty());
        QCOMPARE(ui()->InputlcdNum->intValue(), 0);
        verifyLamps(0, 0);
        for (QLineEdit *box : {ui()->SensorTemper, ui()->RotateSpeed, ui()->DriveVoltage, ui()->SendVoltage,
                               ui()->ReceiveVoltage})
            QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
        QVERIFY(!ui()->ScanGroupBox->isChecked());
        const SENSOR_CONTROL *c = window->sensorControl();
        QVERIFY(!c->Enable);
        QCOMPARE(c->SleepMode + c->MotorSpeed + c->ScanAngle + c->FilterLevel, 0);
        QCOMPARE(ui()->label_Timestamp->text(), QStringLiteral("时间戳:")); // a caption, never a time
    }

    void selfCheckValuesShownWithTheirUnits_data()
    {
        QTest::addColumn<int>("temperature");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("volts");
        QTest::addColumn<QString>("temperatureText");
        QTest::addColumn<QString>("speedText");
        QTest::addColumn<QString>("voltsText");
        QTest::newRow("below zero") << -512 << 1200 << 1205 << "-5.12 °C"
                                    << "1200r/min"
                                    << "12.05V";
        QTest::newRow("just below zero") << -1 << 0 << 5 << "-0.01 °C"
                                         << "0r/min"
                                         << "0.05V";
        QTest::newRow("whole degrees") << 3600 << 600 << 100 << "36.00 °C"
                                       << "600r/min"
                                       << "1.00V";
        QTest::newRow("extremes") << -32768 << 65535 << 65535 << "-327.68 °C"
                                  << "65535r/min"
                                  << "655.35V";
        QTest::newRow("largest temperature") << 32767 << 1 << 0 << "327.67 °C"
                                             << "1r/min"
                                             << "0.00V";
    }
    void selfCheckValuesShownWithTheirUnits()
    {
        QFETCH(int, temperature);
        QFETCH(int, speed);
        QFETCH(int, volts);
        emit comm()->SelfCheckStatus(short(temperature), ushort(speed), ushort(volts), ushort(volts + 1),
                                     ushort(volts));
        QFETCH(QString, temperatureText);
        QFETCH(QString, speedText);
        QFETCH(QString, voltsText);
        QCOMPARE(ui()->SensorTemper->text(), temperatureText);
        QCOMPARE(ui()->RotateSpeed->text(), speedText);
        QCOMPARE(ui()->DriveVoltage->text(), voltsText);
        QCOMPARE(ui()->ReceiveVoltage->text(), voltsText);
        QVERIFY(ui()->SendVoltage->text().endsWith(QLatin1Char('V')));
        QVERIFY(ui()->SendVoltage->text() != voltsText);
    }

    void statusTextNamesEveryFaultBit_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<uint>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("normal en") << true << 0u << "Normal (0)";
        QTest::newRow("normal zh") << false << 0u << "正常(0)";
        QTest::newRow("faults 1 and 2 en") << true << 3u << "Revolve Abnormal(1)Receive Abnormal(2)";
        QTest::newRow("faults 1 and 2 zh") << false << 3u << "旋转异常(1)接收异常(2)";
        QTest::newRow("fault 6 en") << true << 32u << "Temperature Abnormal(6)";
        QTest::newRow("fault 6 zh") << false << 32u << "过温异常(6)";
        QTest::newRow("fault 7 en") << true << 64u << "Voltage Abnormal(7)";
        QTest::newRow("fault 7 zh") << false << 64u << "发射板电压异常(7)";
        QTest::newRow("bit 7 only") << true << 128u << "";
        QTest::newRow("high bits ignored") << false << (0xFFFFFF80u | 16u) << "仿真错误(5)";
        QTest::newRow("all seven in bit order zh")
            << false << 127u
            << "旋转异常(1)接收异常(2)闪存数据异常(3)连接异常(4)仿真错误(5)过温异常(6)发射板电压异常(7)";
    }
    void statusTextNamesEveryFaultBit()
    {
        QFETCH(bool, english);
        QFETCH(uint, status);
        QFETCH(QString, text);
        if (english)
            window->LanguageToEnglish();
        else
            window->LanguageToChinese();
        emit comm()->IOPortSignals(0, 0, status);
        QCOMPARE(ui()->label_StatusValue->text(), text);
    }

    void lampsAndInputNumberFollowTheBits_data()
    {
        QTest::addColumn<uint>("inport");
        QTest::addColumn<uint>("outport");
        QTest::newRow("inputs 1 and 3, outputs 1 and 3") << 5u << 5u;
        QTest::newRow("all six, all three") << 63u << 7u;
        QTest::newRow("input 6, output 2") << 32u << 2u;
        QTest::newRow("bits beyond the lamps") << 64u + 2u << 8u;
    }
    void lampsAndInputNumberFollowTheBits()
    {
        QFETCH(uint, inport);
        QFETCH(uint, outport);
        emit comm()->IOPortSignals(63, 7, 0); // everything lit first: a clear bit must turn its lamp gray
        emit comm()->IOPortSignals(inport, outport, 0);
        verifyLamps(inport, outport);
        QCOMPARE(uint(ui()->InputlcdNum->intValue()), inport);
    }

    void disconnectClearsTheStatusRowAndTheSelfCheckValues()
    {
        window->LanguageToEnglish();
        emit comm()->SelfCheckStatus(3650, 1200, 1205, 2830, 14250);
        emit comm()->IOPortSignals(45, 7, 9);
        QCOMPARE(ui()->label_StatusValue->text(), QStringLiteral("Revolve Abnormal(1)Connect Abnormal(4)"));
        window->CloseSerialPort();
        verifyLamps(0, 0);
        QCOMPARE(ui()->InputlcdNum->intValue(), 0);
        // Without a sensor there is no status to show, and no value may look live.
        QVERIFY(ui()->label_StatusValue->text().isEmpty());
        QVERIFY(ui()->SensorTemper->text().isEmpty());
        QVERIFY(ui()->ReceiveVoltage->text().isEmpty());
    }

    void installDirectionInTheWindowsLanguage()
    {
        emit comm()->DirChangeSignals(true);
        QCOMPARE(ui()->label_dirValue->text(), QStringLiteral("倒立安装"));
        emit comm()->DirChangeSignals(false);
        QCOMPARE(ui()->label_dirValue->text(), QStringLiteral("正向安装"));
        window->LanguageToEnglish();
        emit comm()->DirChangeSignals(true);
        QCOMPARE(ui()->label_dirValue->text(), QStringLiteral("Reverse"));
        emit comm()->DirChangeSignals(false);
        QCOMPARE(ui()->label_dirValue->text(), QStringLiteral("Forward"));
    }

    void languageSwitchRenamesTheLabelsAndEmptiesTheReportedTexts()
    {
        ui()->Set_SensorSleepMode->setCurrentIndex(1);
        ui()->Set_ScanFilterLevel->setCurrentIndex(3);
        ui()->Set_ScanSensorAngle->setCurrentIndex(2);
        emit comm()->DirChangeSignals(true);
        emit comm()->IOPortSignals(5, 1, 0);

        window->LanguageToEnglish();
        QVERIFY(ui()->label_dirValue->text().isEmpty());
        QVERIFY(ui()->label_StatusValue->text().isEmpty());
        QCOMPARE(ui()->InputlcdNum->intValue(), 5); // the lamps and the number stay
        verifyLamps(5, 1);
        QCOMPARE(ui()->label_Status->text(), QStringLiteral("Status"));
        QCOMPARE(ui()->label_Set_ScanSensorAngle->text(), QStringLiteral("Scan Sensor Angle"));
        QCOMPARE(ui()->label_ReceiveVoltage->text(), QStringLiteral("APD Receive Voltage"));
        QCOMPARE(ui()->label_Timestamp->text(), QStringLiteral("Timestamp:"));
        QCOMPARE(ui()->ScanGroupBox->title(), QStringLiteral("Scan Setting"));
        QCOMPARE(ui()->Set_SensorSleepMode->currentText(), QStringLiteral("Sleep"));
        QCOMPARE(ui()->Set_ScanFilterLevel->currentText(), QStringLiteral("Strict"));
        QCOMPARE(ui()->Set_ScanFilterLevel->itemText(1), QStringLiteral("Easy"));
        QCOMPARE(ui()->Set_ScanSensorAngle->currentText(), QStringLiteral("0.100°/10,20,30Hz"));
        QCOMPARE(ui()->DataTableWidget->horizontalHeaderItem(0)->text(), QStringLiteral("Step"));
        QCOMPARE(ui()->DataTableWidget->horizontalHeaderItem(2)->text(), QStringLiteral("Intensity"));

        emit comm()->DirChangeSignals(false);
        emit comm()->IOPortSignals(5, 1, 0);
        window->LanguageToChinese();
        QVERIFY(ui()->label_dirValue->text().isEmpty());
        QVERIFY(ui()->label_StatusValue->text().isEmpty());
        QCOMPARE(ui()->label_dir->text(), QStringLiteral("安装方式"));
        QCOMPARE(ui()->label_Outputs->text(), QStringLiteral("输出"));
        QCOMPARE(ui()->label_Set_ScanSensorAngle->text(), QStringLiteral("角度分辨率"));
        QCOMPARE(ui()->label_DriveVoltage->text(), QStringLiteral("MOS驱动电压"));
        QCOMPARE(ui()->ScanGroupBox->title(), QStringLiteral("动态扫描设定"));
        QCOMPARE(ui()->Set_SensorSleepMode->currentText(), QStringLiteral("休眠模式"));
        QCOMPARE(ui()->Set_ScanFilterLevel->currentText(), QStringLiteral("严格"));
        QCOMPARE(ui()->DataTableWidget->horizontalHeaderItem(1)->text(), QStringLiteral("距离[mm]"));
        // The selections survived both switches, so did the record.
        QCOMPARE(window->sensorControl()->FilterLevel, 3);
        QCOMPARE(window->sensorControl()->SleepMode, 1);
    }

    void monitoringDisplayFollowsTheReportedAreaOnlyInMonitoringMode()
    {
        PROJECT_DATA &p = ProjectData();
        p.Areas[5].Out1Coord = {QPoint(1234, 5678)};
        p.Areas[5].OpenDelay = 3;
        p.Areas[2].Out1Coord = {QPoint(-700, 800)};

        // Edition mode: reports move nothing.
        emit comm()->IOPortSignals(5, 0, 0);
        QCOMPARE(p.CurrentArea, 0);

        // Monitoring mode while the sensor reports input 0: the memory starts at 0, nothing moves.
        p.CurrentArea = 2;
        window->OpenMonitoringMode();
        QCOMPARE(window->monitoringFlag(), 1);
        emit comm()->IOPortSignals(0, 0, 0);
        QCOMPARE(p.CurrentArea, 2);

        // Input 5: area 5 becomes current, and the whole editor shows it.
        emit comm()->IOPortSignals(5, 0, 0);
        QCOMPARE(p.CurrentArea, 5);
        QCOMPARE(ui()->CoordTableWidgetOut1->item(0, 1)->text(), QStringLiteral("1234"));
        QCOMPARE(ui()->Area_OpenDelay->currentIndex(), 3);
        QCOMPARE(ui()->AreaTableWidget->currentRow(), 5);
        verifyLamps(5, 0); // the status row was drawn as well

        // The operator looks at another area; the same report again changes nothing.
        window->areaTable()->AreaTableClickChangeSlots(2, 0);
        emit comm()->IOPortSignals(5, 0, 0);
        QCOMPARE(p.CurrentArea, 2);

        // A word that is no area number is ignored, also afterwards.
        emit comm()->IOPortSignals(64, 0, 0);
        QCOMPARE(p.CurrentArea, 2);
        QCOMPARE(ui()->InputlcdNum->intValue(), 64);
        emit comm()->IOPortSignals(0xFFFFFFFFu, 0, 0);
        QCOMPARE(p.CurrentArea, 2);
        emit comm()->IOPortSignals(63, 0, 0);
        QCOMPARE(p.CurrentArea, 63);

        // Back in edition mode the display stays where the operator puts it.
        ui()->Edition->trigger();
        QCOMPARE(window->monitoringFlag(), 0);
        emit comm()->IOPortSignals(7, 0, 0);
        QCOMPARE(p.CurrentArea, 63);
    }

    void scanControlRecordFollowsTheWidgets()
    {
        const SENSOR_CONTROL *c = window->sensorControl();
        ui()->Set_SensorSleepMode->setCurrentIndex(1);
        ui()->Set_ScanMotorSpeed->setCurrentIndex(1);
        ui()->Set_ScanSensorAngle->setCurrentIndex(4);
        ui()->Set_ScanFilterLevel->setCurrentIndex(2);
        QCOMPARE(c->SleepMode, 1);
        QCOMPARE(c->MotorSpeed, 1);
        QCOMPARE(c->ScanAngle, 4);
        QCOMPARE(c->FilterLevel, 2);
        QVERIFY(!c->Enable);

        // Ticked by the operator (Space on the focused group box is a click on its check box).
        ui()->ScanGroupBox->setEnabled(true);
        QTest::keyClick(ui()->ScanGroupBox, Qt::Key_Space);
        QVERIFY(ui()->ScanGroupBox->isChecked());
        QVERIFY(c->Enable);
        QTest::keyClick(ui()->ScanGroupBox, Qt::Key_Space);
        QVERIFY(!c->Enable);
        ui()->Set_ScanSensorAngle->setCurrentIndex(0);
        QCOMPARE(c->ScanAngle, 0);
    }

    void scanReportsRefillTheDataTable()
    {
        window->show(); // a table out of sight is not refilled
        ui()->DataTableDock->show();
        QVERIFY(ui()->DataTableDock->isVisible());
        SCAN_DATA &s = ScanData();
        s.SerialDistance[0] = 4321;
        s.SerialIntensity[539] = 65535;
        emit comm()->ReceiveScanfData();
        QCOMPARE(ui()->DataTableWidget->item(0, 1)->text(), QStringLiteral("4321"));
        QCOMPARE(ui()->DataTableWidget->item(539, 2)->text(), QStringLiteral("65535"));
        s.SerialDistance[0] = 99;
        emit comm()->ReceiveIntensityData();
        QCOMPARE(ui()->DataTableWidget->item(0, 1)->text(), QStringLiteral("99"));
    }
};

QTEST_MAIN(TestStatus)
#include "tst_status.moc"
