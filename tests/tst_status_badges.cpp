// The state badges of the status bar, driven through the main window as the sensor's reports, the
// mode actions and the IO simulation dock drive them: texts in both languages, colours, and when
// each one shows.
#include "app/mainwindow.h"
#include "app/status_badges.h"
#include "area/store/project_data.h"
#include "comm/serial_comm.h"
#include "monitor/io_simulation.h"
#include "ui_mainwindow.h"

#include <QDockWidget>
#include <QLabel>
#include <QSettings>
#include <QStatusBar>
#include <QtTest>

namespace {

// The badge's own colour, a few pixels in from its left edge, clear of the rounded corner and the
// text.
QColor badgeColour(QLabel *badge)
{
    const QImage image = badge->grab().toImage();
    return image.pixelColor(3, image.height() / 2);
}

bool near(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) < 8 && qAbs(a.green() - b.green()) < 8 && qAbs(a.blue() - b.blue()) < 8;
}

} // namespace

class TestStatusBadges : public QObject {
    Q_OBJECT

    MainWindow *w = nullptr;
    StatusBadges *badges() const { return w->statusBadges(); }
    Ui::MainWindow *ui() const { return w->form(); }

    // The window as it stands connected: the actions the connection enables are enabled.
    void pretendConnected()
    {
        for (QAction *a : {ui()->DisConnection, ui()->IOSimulation})
            a->setEnabled(true);
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        QSettings("Trevalor", "Parameters").clear();
        ProjectData().resetToStartup();
        w = new MainWindow;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }

    void cleanup()
    {
        delete w;
        w = nullptr;
    }

    void badgesSitInTheStatusBarAndStartHidden()
    {
        QVERIFY(w->statusBar()->isAncestorOf(badges()));
        for (QLabel *b : {badges()->monitoringBadge(), badges()->simulationBadge(), badges()->areaBadge(),
                          badges()->faultBadge()})
            QVERIFY2(!b->isVisible(), qPrintable(b->objectName()));
    }

    void monitoringBadgeFollowsTheMode()
    {
        w->LanguageToEnglish();
        ui()->Monitoring->trigger();
        QVERIFY(badges()->monitoringBadge()->isVisible());
        QCOMPARE(badges()->monitoringBadge()->text(), QStringLiteral("Monitoring"));
        w->LanguageToChinese();
        QCOMPARE(badges()->monitoringBadge()->text(), QStringLiteral("监控"));
        ui()->Edition->trigger(); // checks it again: edition mode
        QVERIFY(!badges()->monitoringBadge()->isVisible());
    }

    // Amber while any of the four simulations is on, also with the dock closed by its title bar.
    void simulationBadgeIsAmberWhileAnySimulationIsOn()
    {
        pretendConnected();
        w->LanguageToEnglish();
        ui()->IOSimulation->setChecked(true);
        w->OpenCloseIOSimulationDock(true);
        ui()->FaultGroupBox->setChecked(true);
        w->ioSimulation()->SimulationSignalSlots(); // as the group box's click does
        QLabel *badge = badges()->simulationBadge();
        QVERIFY(badge->isVisible());
        QCOMPARE(badge->text(), QStringLiteral("Simulation"));
        QVERIFY2(near(badgeColour(badge), StatusBadges::amber()), qPrintable(badgeColour(badge).name()));

        ui()->IOSimulationDock->close();
        QVERIFY(badge->isVisible());
        w->LanguageToChinese();
        QCOMPARE(badge->text(), QStringLiteral("仿真"));

        ui()->FaultGroupBox->setChecked(false);
        ui()->CaseSimulationBox->setChecked(true);
        w->ioSimulation()->SimulationSignalSlots();
        w->ioSimulation()->SimulationCaseSlots();
        QVERIFY(badge->isVisible());

        // Unchecking the action switches every simulation off, and the badge with it.
        w->OpenCloseIOSimulationDock(false);
        QVERIFY(!badge->isVisible());
    }

    void areaAndFaultBadgesShowTheSensorsReport_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<uint>("inport");
        QTest::addColumn<uint>("status");
        QTest::addColumn<QString>("area");
        QTest::addColumn<QString>("fault");
        QTest::newRow("English, area 12, no fault") << true << 12u << 0u << "Sensor: Area 12"
                                                    << "";
        QTest::newRow("Chinese, area 12, no fault") << false << 12u << 0u << "传感器当前区域 12"
                                                    << "";
        QTest::newRow("English, two faults") << true << 0u << 3u << "Sensor: Area 0"
                                             << "Revolve Abnormal(1)Receive Abnormal(2)";
        QTest::newRow("Chinese, temperature") << false << 63u << 32u << "传感器当前区域 63"
                                              << "过温异常(6)";
        QTest::newRow("input word beyond the areas") << true << 64u << 0u << ""
                                                     << "";
    }

    void areaAndFaultBadgesShowTheSensorsReport()
    {
        QFETCH(bool, english);
        QFETCH(uint, inport);
        QFETCH(uint, status);
        QFETCH(QString, area);
        QFETCH(QString, fault);
        pretendConnected();
        english ? w->LanguageToEnglish() : w->LanguageToChinese();
        emit w->serialComm()->IOPortSignals(inport, 0, status);

        QCOMPARE(badges()->areaBadge()->isVisible(), !area.isEmpty());
        if (!area.isEmpty())
            QCOMPARE(badges()->areaBadge()->text(), area);
        QLabel *faultBadge = badges()->faultBadge();
        QCOMPARE(faultBadge->isVisible(), !fault.isEmpty());
        if (!fault.isEmpty()) {
            QCOMPARE(faultBadge->text(), fault);
            QVERIFY2(near(badgeColour(faultBadge), StatusBadges::red()),
                     qPrintable(badgeColour(faultBadge).name()));
            // The status row names the same faults.
            QCOMPARE(ui()->label_StatusValue->text(), fault);
        }

        // The switch renames what is shown without waiting for the next report.
        english ? w->LanguageToChinese() : w->LanguageToEnglish();
        if (!area.isEmpty())
            QVERIFY(badges()->areaBadge()->text() != area);
    }

    // Without a sensor there is no active area and no fault to show.
    void disconnectClearsTheSensorsBadges()
    {
        pretendConnected();
        emit w->serialComm()->IOPortSignals(5, 1, 1);
        QVERIFY(badges()->areaBadge()->isVisible());
        QVERIFY(badges()->faultBadge()->isVisible());
        w->CloseSerialPort();
        QVERIFY(!badges()->areaBadge()->isVisible());
        QVERIFY(!badges()->faultBadge()->isVisible());
    }

    // A simulated fault lights the dock's button red, like the badge it raises.
    void simulatedFaultButtonIsRed()
    {
        pretendConnected();
        w->OpenCloseIOSimulationDock(true);
        ui()->FaultGroupBox->setChecked(true);
        QTest::mouseClick(ui()->FaultSimuButton, Qt::LeftButton);
        QVERIFY(ui()->FaultSimuButton->isChecked());
        const QImage icon = ui()->FaultSimuButton->icon().pixmap(28, 28).toImage();
        const QColor lamp = icon.pixelColor(7, 14); // left of the mark, inside the lamp
        QVERIFY2(lamp.red() > 150 && lamp.green() < 90 && lamp.blue() < 90, qPrintable(lamp.name()));
    }
};

QTEST_MAIN(TestStatusBadges)
#include "tst_status_badges.moc"
