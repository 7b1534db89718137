#include "app/mainwindow.h"
#include "area/dialogs.h"
#include "area/store/project_data.h"
#include "editor/option_scene.h"
#include "editor/viewwindow.h"
#include "ui_mainwindow.h"

#include <QDockWidget>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

// Answers every prompt with the given button and remembers what was asked.
struct PromptRecorder {
    QList<Dialogs::Prompt> prompts;
    int answer = 0;
    QString fileAnswer;
    int fileAsked = 0;
    void install()
    {
        Dialogs::setResponder([this](const Dialogs::Prompt &p) {
            prompts << p;
            return answer;
        });
        Dialogs::setFileResponder([this](const Dialogs::FilePrompt &) {
            ++fileAsked;
            return fileAnswer;
        });
    }
};

class TestMainWindow : public QObject {
    Q_OBJECT

    PromptRecorder recorder;

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        QSettings("Trevalor", "Parameters").clear();
        ProjectData().resetToStartup();
        recorder = PromptRecorder();
        recorder.install();
    }

    void cleanup()
    {
        Dialogs::setResponder({});
        Dialogs::setFileResponder({});
    }

    void startupStatesOfActionsChecksAndDocks()
    {
        MainWindow w;
        w.show();
        Ui::MainWindow *ui = w.form();
        for (QAction *a : {ui->ReadAllSetting, ui->WriteAllSetting, ui->DisConnection, ui->SoftReboot,
                           ui->SensorInformation, ui->IOSimulation, ui->SelfCheck})
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        for (QAction *a : {ui->DataTable, ui->Connection, ui->Open, ui->Save, ui->SaveAs, ui->SerialConnection,
                           ui->EthernetConnection, ui->SerialSetting, ui->EthnernetSetting, ui->Laser30})
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
        for (QAction *a : {ui->Edition, ui->SensorSetting, ui->Distance})
            QVERIFY2(a->isChecked(), qPrintable(a->objectName()));
        for (QAction *a : {ui->Intensity, ui->DataTable, ui->IOSimulation, ui->SelfCheck,
                           ui->SerialConnection, ui->EthernetConnection})
            QVERIFY2(!a->isChecked(), qPrintable(a->objectName()));
        QVERIFY(ui->DispGraph->isChecked());
        QVERIFY(!ui->DispCloud->isCheckable() && !ui->DispLine->isCheckable());

        QVERIFY(ui->EditionControlDock->isVisible());
        QVERIFY(ui->SensorSettingDock->isVisible());
        QVERIFY(!ui->DataTableDock->isVisible());
        QVERIFY(!ui->IOSimulationDock->isVisible());
        QVERIFY(!ui->SelfCheckDock->isVisible());
        QVERIFY(!ui->ArealineText->isEnabled());
        QVERIFY(!ui->ButtonTeachOut1->isEnabled() && !ui->ButtonTeachOut3->isEnabled());
        QCOMPARE(ui->Para_LaserStopSignal->currentIndex(), 1);

        QCOMPARE(w.deviceType(), 3);
        QCOMPARE(w.monitoringFlag(), 0);
        QCOMPARE(w.language(), Language::Chinese);
        QCOMPARE(ui->ZoomSlider->minimum(), -55);
        QCOMPARE(ui->ZoomSlider->maximum(), 350);
        QCOMPARE(ui->graphicsView->zoomLevel(), -55);
        for (const AREA_DATA &a : ProjectData().Areas)
            QCOMPARE(a.DetectionSize, 1);
        QCOMPARE(ProjectData().EmptyArea.DetectionSize, 0);
    }

    void newProjectAsksOnlyWithChangesAndCancelKeepsEverything()
    {
        MainWindow w;
        PROJECT_DATA &p = ProjectData();
        p.Areas[2].Out1Coord << QPoint(100, 200);
        p.Areas[2].SteerMaxDgree = 45;

        // Nothing modified: no question, new model, areas and case channels cleared.
        w.CreateDeviceLaser50();
        QCOMPARE(recorder.prompts.size(), 0);
        QCOMPARE(w.deviceType(), 4);
        QCOMPARE(w.form()->ZoomSlider->minimum(), -90);
        QVERIFY(p.Areas[2].Out1Coord.isEmpty());
        QCOMPARE(p.Areas[2].SteerMaxDgree, 0);
        QCOMPARE(p.Areas[0].DetectionSize, 0);

        // Modified and Cancel: nothing changes.
        p.Modified = true;
        p.Areas[2].Out1Coord << QPoint(5, 6);
        recorder.answer = 2;
        w.CreateDeviceLaser30();
        QCOMPARE(recorder.prompts.size(), 1);
        QCOMPARE(recorder.prompts[0].title, QString("警告"));
        QCOMPARE(recorder.prompts[0].buttons, QStringList({"保存", "不保存", "取消"}));
        QCOMPARE(w.deviceType(), 4);
        QCOMPARE(p.Areas[2].Out1Coord.size(), 1);
        QVERIFY(p.Modified);

        // Modified and Discard, in English.
        w.LanguageToEnglish();
        recorder.answer = 1;
        w.CreateDeviceLaser30();
        QCOMPARE(recorder.prompts.last().buttons, QStringList({"Save", "Discard", "Cancel"}));
        QCOMPARE(w.deviceType(), 3);
        QVERIFY(p.Areas[2].Out1Coord.isEmpty());
        QVERIFY(!p.Modified);
    }

    void clearAllEditDataKeepsUndoHistory()
    {
        MainWindow w;
        PROJECT_DATA &p = ProjectData();
        AREA_DATA designed;
        designed.Out1Coord << QPoint(1, 2);
        p.UndoHistory[9] << designed;
        p.UndoPosition[9] = 1;
        p.Areas[9] = designed;
        p.CurrentArea = 9;
        w.ClearAllEditData();
        QVERIFY(p.Areas[9].Out1Coord.isEmpty());
        QCOMPARE(p.UndoHistory[9].size(), 2);
        QCOMPARE(p.UndoPosition[9], 1);
        QCOMPARE(p.CurrentArea, 9);
    }

    void cursorReadoutInSensorCoordinates_data()
    {
        QTest::addColumn<QPoint>("scene");
        QTest::addColumn<QString>("text");
        QTest::newRow("ahead") << QPoint(0, -1000) << "X: 0 [mm], Y: 1000 [mm] | R: 1000 [mm], Th: 90 [deg]";
        QTest::newRow("left") << QPoint(-1000, 0) << "X: -1000 [mm], Y: 0 [mm] | R: 1000 [mm], Th: 180 [deg]";
        QTest::newRow("behind is -90 not 270")
            << QPoint(0, 1000) << "X: 0 [mm], Y: -1000 [mm] | R: 1000 [mm], Th: -90 [deg]";
        QTest::newRow("right behind")
            << QPoint(1000, 1000) << "X: 1000 [mm], Y: -1000 [mm] | R: 1414.21 [mm], Th: -45 [deg]";
        QTest::newRow("left behind") << QPoint(-1000, 1000)
                                     << "X: -1000 [mm], Y: -1000 [mm] | R: 1414.21 [mm], Th: 225 [deg]";
        QTest::newRow("sensor") << QPoint(0, 0) << "X: 0 [mm], Y: 0 [mm] | R: 0 [mm], Th: 0 [deg]";
    }
    void cursorReadoutInSensorCoordinates()
    {
        QFETCH(QPoint, scene);
        QFETCH(QString, text);
        MainWindow w;
        w.BarDisplayCoord(scene);
        QCOMPARE(w.statusBar()->currentMessage(), text);
    }

    void deviceTypeSetsZoomSliderRange_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("value");
        QTest::newRow("05") << 0 << 70 << 70;
        QTest::newRow("10") << 1 << 30 << 30;
        QTest::newRow("20") << 2 << -20 << -20;
        QTest::newRow("30") << 3 << -55 << -55;
        QTest::newRow("50") << 4 << -90 << -90;
        QTest::newRow("unknown keeps minimum and value") << 9 << -55 << 0;
    }
    void deviceTypeSetsZoomSliderRange()
    {
        QFETCH(int, code);
        QFETCH(int, minimum);
        QFETCH(int, value);
        MainWindow w;
        QSlider *slider = w.form()->ZoomSlider;
        slider->setValue(0);
        slider->setMaximum(100);
        slider->setTickPosition(QSlider::NoTicks);
        DEVICETYPE type = code;
        w.CreateDeviceType(&type);
        QCOMPARE(w.deviceType(), code);
        QCOMPARE(slider->maximum(), 350);
        QCOMPARE(slider->tickPosition(), QSlider::TicksBelow);
        QCOMPARE(slider->minimum(), minimum);
        QCOMPARE(slider->value(), value);
        if (code <= 4)
            QCOMPARE(w.form()->graphicsView->zoomLevel(), value);
    }

    void sceneFollowsDeviceTypeAndShowsCurrentAreaZones()
    {
        MainWindow w;
        // Three zones, the scan outline and the intensity contour.
        QCOMPARE(w.form()->graphicsView->baseItems()->size(), 5);
        QCOMPARE(w.editorScene()->sceneRect(), QRectF(-36000, -36000, 72000, 72000));
        DEVICETYPE type = 4;
        w.CreateDeviceType(&type);
        QCOMPARE(w.editorScene()->sceneRect(), QRectF(-60000, -60000, 120000, 120000));
        QCOMPARE(ProjectData().SceneWidth, 120000.0);

        // A rectangle ahead of the sensor in area 0 tints the scene there, and only there.
        ProjectData().Areas[0].Out1Shape = Rectangle;
        ProjectData().Areas[0].Out1Coord = {{-2000, 1000}, {-2000, 5000}, {2000, 5000}, {2000, 1000}};
        QImage image(200, 200, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        w.editorScene()->render(&painter, QRectF(0, 0, 200, 200), QRectF(-10000, -10000, 20000, 20000));
        painter.end();
        const QColor inside = image.pixelColor(100, 70);   // scene (0, -3000): 3 m ahead
        const QColor outside = image.pixelColor(100, 130); // scene (0, 3000): 3 m behind
        QVERIFY2(inside.blue() < 230, qPrintable(inside.name()));
        QCOMPARE(outside, QColor(Qt::white));
    }

    // A handle clicked before the handles were rebuilt (area switch, table edit) must not be deleted
    // through the stale pointer: a new handle may live at the same address.
    void deleteKeyAfterHandleRebuildDeletesNothing()
    {
        MainWindow w;
        w.resize(1600, 1000);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        ProjectData().Areas[0].Out1Coord = {{0, 3000}, {3000, 3000}, {3000, 0}};
        w.optionScene()->CoordTableUpdatePointItem();
        ViewWindow *view = w.form()->graphicsView;
        const QPoint onHandle = view->mapFromScene(QPointF(3000, -3000));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, onHandle);
        QVERIFY(view->pressedHandle());
        w.optionScene()->CoordTableUpdatePointItem();
        QVERIFY(!view->pressedHandle());
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(ProjectData().Areas[0].Out1Coord.size(), 3);
    }

    void dockAndModeSwitching()
    {
        MainWindow w;
        w.show();
        Ui::MainWindow *ui = w.form();
        // The Data Table opens from its shortcut (and menu) with or without a sensor.
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::keyClick(&w, Qt::Key_T, Qt::ControlModifier);
        QVERIFY(ui->DataTableDock->isVisible() && ui->DataTable->isChecked());
        ui->Edition->trigger(); // unchecks: monitoring, edition dock hidden, others untouched
        QCOMPARE(w.monitoringFlag(), 1);
        QVERIFY(!ui->EditionControlDock->isVisible());
        QVERIFY(ui->DataTableDock->isVisible());
        ui->Edition->trigger();
        QCOMPARE(w.monitoringFlag(), 0);
        QVERIFY(ui->EditionControlDock->isVisible());

        ui->SensorSetting->setChecked(false);
        w.OpenMonitoringMode();
        QCOMPARE(w.monitoringFlag(), 1);
        QVERIFY(!ui->DataTableDock->isVisible());
        QVERIFY(!ui->EditionControlDock->isVisible());
        QVERIFY(ui->SensorSettingDock->isVisible());
        QVERIFY(!ui->Edition->isChecked() && ui->SensorSetting->isChecked());

        // Choosing the checked display action again leaves it checked.
        ui->DispLine->trigger();
        QVERIFY(ui->DispLine->isChecked() && !ui->DispGraph->isCheckable());
        ui->DispLine->trigger();
        QVERIFY(ui->DispLine->isChecked());
        QCOMPARE(ScanData().DisplayMode, 2);

        // Distance while disconnected stays checked and starts nothing.
        ui->Distance->trigger();
        ui->Distance->trigger();
        QVERIFY(ui->Distance->isChecked());
    }

    void connectionTypeChoice_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("serial");
        QTest::addColumn<bool>("ethernet");
        QTest::newRow("serial") << 0 << true << false;
        QTest::newRow("ethernet") << 1 << false << true;
        QTest::newRow("other") << 2 << false << false;
    }
    void connectionTypeChoice()
    {
        QFETCH(int, index);
        QFETCH(bool, serial);
        QFETCH(bool, ethernet);
        MainWindow w;
        w.CreatConnectTypeSignalSlot(index);
        QCOMPARE(w.form()->SerialConnection->isChecked(), serial);
        QCOMPARE(w.form()->EthernetConnection->isChecked(), ethernet);
        if (serial || ethernet) {
            QCOMPARE(w.form()->SerialSetting->isEnabled(), serial);
            QCOMPARE(w.form()->EthnernetSetting->isEnabled(), ethernet);
            QCOMPARE(ScanData().ConnectType, serial ? 0 : 1);
        }
    }

    // The close prompt: 0 Save, 1 Close, 2 Cancel. A cancelled or failed save keeps the window.
    void closePromptPaths_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("file"); // "" cancels the save dialog, "bad" names an unwritable path
        QTest::addColumn<bool>("closes");
        QTest::newRow("no changes closes at once") << false << 0 << "" << true;
        QTest::newRow("close discards") << true << 1 << "" << true;
        QTest::newRow("cancel stays open") << true << 2 << "" << false;
        QTest::newRow("escape stays open") << true << -1 << "" << false;
        QTest::newRow("save writes and closes") << true << 0 << "project" << true;
        QTest::newRow("save dialog cancelled stays open") << true << 0 << "" << false;
        QTest::newRow("failed save stays open") << true << 0 << "bad" << false;
    }
    void closePromptPaths()
    {
        QFETCH(bool, modified);
        QFETCH(int, answer);
        QFETCH(QString, file);
        QFETCH(bool, closes);
        QTemporaryDir dir;
        if (file == "project")
            recorder.fileAnswer = dir.filePath("project");
        else if (file == "bad")
            recorder.fileAnswer = dir.filePath("missing/dir/project");
        recorder.answer = answer;

        MainWindow w;
        w.show();
        ProjectData().Modified = modified;
        ProjectData().Areas[0].Out1Coord << QPoint(-1200, -35);
        w.form()->DispCloud->trigger();
        QCOMPARE(w.close(), closes);
        QCOMPARE(w.isVisible(), !closes);
        // A save that fails says why, after the close question.
        QCOMPARE(recorder.prompts.size(), modified ? (file == "bad" ? 2 : 1) : 0);
        if (modified) {
            QCOMPARE(recorder.prompts[0].text, QString("关于应用程序\n您修改了数据直接退出而不保存？"));
            QCOMPARE(recorder.prompts[0].buttons, QStringList({"保存", "关闭", "取消"}));
        }
        // The design survives every path that keeps the window.
        if (!closes)
            QVERIFY(ProjectData().Modified);
        if (file == "project") {
            QFile saved(dir.filePath("project.VKT30"));
            QVERIFY(saved.open(QIODevice::ReadOnly));
            const QList<QByteArray> lines = saved.readAll().split('\n');
            QCOMPARE(lines[0], QByteArray("KDR_VKT_30\r"));
            QVERIFY(lines.contains("-1200,-35\r"));
            QCOMPARE(lines.size() - 1, 1250 + 1);
            QVERIFY(!ProjectData().Modified);
        }
        // Settings are written on every path.
        QCOMPARE(QSettings("Trevalor", "Parameters").value("SaveDispMpde").toInt(), 1);
    }

    void foreignSettingsFallBackAndAreWrittenBackClean()
    {
        {
            QSettings s("Trevalor", "Parameters");
            s.setValue("Language", 2);
            s.setValue("SaveDispMpde", 7);
        }
        {
            MainWindow w;
            w.show();
            QCOMPARE(w.language(), Language::Chinese);
            QVERIFY(w.form()->DispGraph->isChecked());
            QCOMPARE(w.form()->Open->text(), QString("打开文件"));
            w.close();
        }
        QSettings s("Trevalor", "Parameters");
        QCOMPARE(s.value("Language").toInt(), 0);
        QCOMPARE(s.value("SaveDispMpde").toInt(), 0);
    }

    void languageSwitchRoundTripKeepsSelections()
    {
        MainWindow w;
        Ui::MainWindow *ui = w.form();
        ui->Area_Hysteresis->setCurrentIndex(3);
        ui->VehicleOptionMode->setCurrentIndex(2);
        w.LanguageToEnglish();
        QCOMPARE(ui->Open->text(), QString("Open"));
        QCOMPARE(ui->EditionControlDock->windowTitle(), QString("Edition Controls"));
        QCOMPARE(ui->Area_Hysteresis->itemText(0), QString("Off"));
        QCOMPARE(ui->VehicleOptionMode->currentText(), QString("Type 2"));
        QCOMPARE(ui->AreaEditTab->tabText(2), QString("Out 3"));
        w.LanguageToChinese();
        QCOMPARE(ui->Open->text(), QString("打开文件"));
        QCOMPARE(ui->IOSimulationDock->windowTitle(), QString("IO端口仿真"));
        QCOMPARE(ui->VehicleOptionMode->currentText(), QString("操作模式2"));
        QCOMPARE(ui->Area_Hysteresis->currentIndex(), 3);
        QCOMPARE(ui->CoordTableWidgetOut2->horizontalHeaderItem(1)->text(), QString("X坐标[mm]"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
