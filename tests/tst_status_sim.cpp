// The status displays against the sensor stand-in over TCP on loopback: the reports of a running
// sensor reach the status row, the Self Check dock, the monitoring display and the data table, and
// the Scan Setting choices reach the sensor.
#include "app/mainwindow.h"
#include "area/dialogs.h"
#include "area/store/project_data.h"
#include "comm/codec/codec.h"
#include "comm/serial_comm.h"
#include "exchange/link.h"
#include "ui_mainwindow.h"

#include <QProcess>
#include <QSettings>

#include <QtTest>

#include <memory>

namespace {
const QString kAddress = QStringLiteral("127.0.0.51");
} // namespace

class TestStatusSim : public QObject {
    Q_OBJECT

    QProcess sim;
    std::unique_ptr<MainWindow> window;

    Ui::MainWindow *ui() const { return window->form(); }

    bool startSim(const QStringList &arguments)
    {
        sim.setProcessChannelMode(QProcess::SeparateChannels);
        sim.start(QStringLiteral(VELTRIN_SIM_PATH), arguments);
        if (!sim.waitForStarted(5000))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (!sim.canReadLine() && sim.state() == QProcess::Running && clock.elapsed() < 10000)
            sim.waitForReadyRead(100);
        return sim.canReadLine() && sim.readLine().startsWith("ready ");
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings("Trevalor", "Parameters").clear();
        ProjectData().resetToStartup();
        ScanData() = SCAN_DATA();
        Dialogs::setResponder([](const Dialogs::Prompt &p) {
            return p.text.contains(QLatin1String("Restart the sensor now?")) ? 1
                                                                             : 0; // never reboot the stand-in
        });
        window = std::make_unique<MainWindow>();
        window->LanguageToEnglish();
        window->show();
    }

    void cleanupTestCase()
    {
        if (window && ui()->DisConnection->isEnabled())
            window->CloseSerialPort();
        window.reset();
        if (sim.state() != QProcess::NotRunning) {
            sim.kill();
            sim.waitForFinished(5000);
        }
        Dialogs::setResponder({});
    }

    void runningSensorFillsTheDisplaysAndTakesTheScanSetting()
    {
        QVERIFY(startSim({"--address", kAddress, "--area", "5", "--rate", "10"}));
        window->OpenMonitoringMode();
        ui()->DataTable->trigger(); // the table is filled while it is shown

        QObject probe; // the listeners below end with this test
        // Every complete revolution is listed as it arrived, one row per point.
        int revolutions = 0;
        int mismatches = 0;
        connect(window->serialComm(), &SERIAL_COMM::ReceiveIntensityData, &probe, [&] {
            const SCAN_DATA &s = ScanData();
            QTableWidget *t = ui()->DataTableWidget;
            ++revolutions;
            if (t->rowCount() != s.EtherCount)
                ++mismatches;
            for (int r = 0; r < t->rowCount() && r < s.EtherCount; r += 97) {
                const int index = s.InstallDir ? s.EtherCount - 1 - r : r;
                if (t->item(r, 1)->text() != QString::number(s.EtherDistance[index]) ||
                    t->item(r, 2)->text() != QString::number(s.EtherIntensity[index]))
                    ++mismatches;
            }
        });
        QList<QByteArray> sent;
        connect(window->serialComm(), &SERIAL_COMM::FrameSent, &probe,
                [&](const QByteArray &frame) { sent << frame; });

        window->ConnectChangeEthernetModeSlot();
        window->CreatEthernetPort(kAddress);
        QCOMPARE(window->link()->kind(), Link::Kind::Tcp);

        QTRY_COMPARE_WITH_TIMEOUT(ProjectData().CurrentArea, 5, 10000);
        QCOMPARE(ui()->InputlcdNum->intValue(), 5);
        QCOMPARE(ui()->label_StatusValue->text(), QStringLiteral("Normal (0)"));
        QTRY_VERIFY_WITH_TIMEOUT(ui()->DriveVoltage->text().startsWith(QLatin1String("12.")), 5000);
        QVERIFY(ui()->RotateSpeed->text().endsWith(QLatin1String("r/min")));
        QVERIFY(ui()->SensorTemper->text().endsWith(QStringLiteral(" °C")));
        QTRY_COMPARE_WITH_TIMEOUT(ui()->label_dirValue->text(), QStringLiteral("Forward"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(revolutions >= 3, 10000);
        QCOMPARE(mismatches, 0);
        QVERIFY(ui()->DataTableWidget->rowCount() >= 320);

        // The Scan Setting, enabled on Ethernet, is sent with the simulation poll once ticked.
        QVERIFY(ui()->ScanGroupBox->isEnabled());
        ui()->Set_ScanFilterLevel->setCurrentIndex(2);
        ui()->Set_ScanSensorAngle->setCurrentIndex(3);
        QTest::keyClick(ui()->ScanGroupBox, Qt::Key_Space);
        QVERIFY(window->sensorControl()->Enable);
        TxFrame expected;
        buildScanControlRequest(expected, *window->sensorControl());
        QTRY_VERIFY_WITH_TIMEOUT(sent.contains(expected.bytes()), 5000);

        window->CloseSerialPort();
        QCOMPARE(ui()->InputlcdNum->intValue(), 0);
        QVERIFY(ui()->label_StatusValue->text().isEmpty());
        QVERIFY(ui()->DataTableWidget->item(0, 1)->text().isEmpty()); // no old scan passed off as live
    }
};

QTEST_MAIN(TestStatusSim)
#include "tst_status_sim.moc"
