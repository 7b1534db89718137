// Switching the language at run time: the window's texts both ways, the other windows and the
// exchange, selections that must survive, texts that must be emptied, and the manual.
#include "app/about.h"
#include "app/create.h"
#include "app/mainwindow.h"
#include "app/start_language.h"
#include "area/dialogs.h"
#include "area/store/project_data.h"
#include "comm/codec/scan_data.h"
#include "comm/codec/sensor_parameters.h"
#include "comm/ethnertsetting.h"
#include "comm/serial_comm.h"
#include "comm/settingsdialog.h"
#include "ui_mainwindow.h"

#include <QDesktopServices>
#include <QDockWidget>
#include <QLocale>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

// Stands in for the desktop's PDF viewer.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

namespace {

// "Name" for a widget's own text; "Name/tab/i", "Name/header/i", "Name/item/i" for parts of one.
QString textAt(QWidget *window, const QString &key)
{
    const QStringList parts = key.split('/');
    QObject *o = window->findChild<QObject *>(parts[0]);
    if (!o)
        return "<missing " + parts[0] + ">";
    if (parts.size() == 3) {
        const int i = parts[2].toInt();
        if (parts[1] == "tab")
            return qobject_cast<QTabWidget *>(o)->tabText(i);
        if (parts[1] == "header") {
            QTableWidgetItem *item = qobject_cast<QTableWidget *>(o)->horizontalHeaderItem(i);
            return item ? item->text() : QString();
        }
        return qobject_cast<QComboBox *>(o)->itemText(i);
    }
    if (auto *a = qobject_cast<QAction *>(o))
        return a->text();
    if (auto *m = qobject_cast<QMenu *>(o))
        return m->title();
    if (auto *d = qobject_cast<QDockWidget *>(o))
        return d->windowTitle();
    if (auto *t = qobject_cast<QToolBar *>(o))
        return t->windowTitle();
    if (auto *g = qobject_cast<QGroupBox *>(o))
        return g->title();
    if (auto *b = qobject_cast<QAbstractButton *>(o))
        return b->text();
    if (auto *l = qobject_cast<QLabel *>(o))
        return l->text();
    if (auto *e = qobject_cast<QLineEdit *>(o))
        return e->text();
    return "<no text>";
}

} // namespace

class TestLanguage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        Dialogs::setResponder([](const Dialogs::Prompt &) { return 0; });
    }

    void init()
    {
        QSettings("Trevalor", "Parameters").clear();
        ProjectData().resetToStartup();
    }

    void everyTextFollowsBothWays_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("chinese");
        auto row = [](const char *key, const char *en, const char *cn) {
            QTest::newRow(key) << QString(key) << QString::fromUtf8(en) << QString::fromUtf8(cn);
        };
        // Menus, actions and docks.
        row("ViewMode", "&Mode", "视图");
        row("File", "&File", "文件"); // Alt+F opens it
        row("DisConnection", "Disconnect", "断开设备");
        row("label_LaserMeasureFrq", "Laser Frequency", "激光测量频率");
        row("label_SensorTemper", "Sensor Temperature", "传感器温度");
        row("Manual", "Manual", "指南");
        row("Chinese", "简体中文", "简体中文");
        row("Laser50", "VKT-50xx", "VKT-50xx");
        // Edition dock and tables.
        row("ArealineText", "Area", "区域");
        row("label_Hysteresis", "Hysteresis", "关闭滞后比例");
        row("Area_Hysteresis/item/0", "Off", "关闭");
        row("ParametersEditTab/tab/1", "Case Channel", "工况通道");
        row("VehicleOptionMode/item/4", "Type 4", "操作模式4");
        row("AreaEditTab/tab/2", "Out 3", "输出3");
        row("TableCoordinatesOut1/tab/1", "Teaching", "自学习");
        row("CoordinatesTypeOut3/tab/1", "Radius / Angle", "距离/角度");
        row("CoordTableWidgetOut2/header/2", "Y [mm]", "Y坐标[mm]");
        row("PolarTableWidgeOut3/header/2", "Th [deg]", "角度[deg]");
        row("MethodOut1/item/1", "Minimum", "最小值");
        row("DataTableWidget/header/2", "Intensity", "反光强度");
        row("label_Timestamp", "Timestamp:", "时间戳:");
        // Sensor settings dock.
        row("label_ControlMode", "Control Mode", "传感器控制方式");
        row("label_SensorIPAddress", "IP Address:", "以太网IP地址:");
        row("Para_ControlMode/item/1", "RS232 Interface", "RS232通讯控制");
        row("Para_ControlMode/item/5", "CANOpen Interface", "CANOpen协议控制");
        row("Para_RS232StopBit/item/1", "1.5 stop bits", "停止位1.5Bit");
        // Both languages name the same output behaviour.
        row("Para_SensorOutputLogic/item/0", "Normally open", "常开方式");
        row("Para_SensorOutputLogic/item/1", "Normally closed", "常闭方式");
        row("FileToolBar", "File", "文件");
        row("DispToolBar", "Display", "显示");
        row("Para_ScanFilterLevel/item/2", "Medium", "中等");
        row("Para_TrailiFilterLevel/item/2", "Medium", "中等");
        row("Para_SensorEtherMode/item/1", "UDP Mode", "UDP模式");
        row("Para_LaserStopSignal/item/3", "Strongest", "能量最大");
        row("Para_ScanSensorAngle/item/0", "0.025°/10,15Hz", "0.025°/10,15Hz");
        // Status row, scan control, self check, IO simulation.
        row("label_dir", "Mounting", "安装方式");
        row("ScanGroupBox", "Scan Setting", "动态扫描设定");
        row("label_Set_ScanFilterLevel", "Scan Filter Level", "噪声过滤等级");
        row("label_Set_ScanSensorAngle", "Scan Sensor Angle", "角度分辨率"); // not left in English
        row("Set_SensorSleepMode/item/1", "Sleep", "休眠模式");
        row("Set_ScanFilterLevel/item/2", "Medium", "中等");
        row("Set_ScanMotorSpeed/item/1", "20Hz,30Hz", "20Hz,30Hz");
    }

    void everyTextFollowsBothWays()
    {
        QFETCH(QString, key);
        QFETCH(QString, english);
        QFETCH(QString, chinese);
        MainWindow w;
        w.LanguageToEnglish();
        QCOMPARE(textAt(&w, key), english);
        w.LanguageToChinese();
        QCOMPARE(textAt(&w, key), chinese);
        QCOMPARE(w.windowTitle(), QString("未命名[*] — Veltrin"));
    }

    void selectionsAndRecordsSurviveTheRoundTrip()
    {
        MainWindow w;
        Ui::MainWindow *ui = w.form();
        const QList<QPair<QComboBox *, int>> picks = {
            {ui->Para_ControlMode, 5},  {ui->Para_LaserStopSignal, 3},  {ui->Para_SensorOutputLogic, 1},
            {ui->Para_RS232StopBit, 2}, {ui->Area_Hysteresis, 0},       {ui->VehicleOptionMode, 4},
            {ui->MethodOut2, 1},        {ui->Set_SensorSleepMode, 1},   {ui->Set_ScanFilterLevel, 3},
            {ui->SimOptionMode, 2},     {ui->Para_CrossFilterEnable, 1}};
        for (const auto &p : picks)
            p.first->setCurrentIndex(p.second);
        ProjectData().Modified = false;
        const SENSOR_PARAMETERS parameters = *w.sensorParameters();
        QSignalSpy comboChanges(ui->Para_ControlMode, qOverload<int>(&QComboBox::currentIndexChanged));

        w.LanguageToEnglish();
        w.LanguageToChinese();

        for (const auto &p : picks)
            QCOMPARE(p.first->currentIndex(), p.second);
        QCOMPARE(comboChanges.count(), 0);
        QVERIFY(memcmp(&parameters, w.sensorParameters(), sizeof parameters) == 0);
        QVERIFY(!ProjectData().Modified);
    }

    void switchEmptiesDirectionAndStatus_data()
    {
        QTest::addColumn<bool>("english");
        QTest::newRow("to English") << true;
        QTest::newRow("to Chinese") << false;
    }

    void switchEmptiesDirectionAndStatus()
    {
        QFETCH(bool, english);
        MainWindow w;
        // As the last reports left them.
        w.form()->label_dirValue->setText("倒立安装");
        w.form()->label_StatusValue->setText("旋转异常(1)接收异常(2)");
        english ? w.LanguageToEnglish() : w.LanguageToChinese();
        QVERIFY(w.form()->label_dirValue->text().isEmpty());
        QVERIFY(w.form()->label_StatusValue->text().isEmpty());
    }

    void switchReachesEveryOtherWindowAndTheExchange_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QStringList>("titles"); // About, start, serial settings, Ethernet settings
        QTest::newRow("English") << true
                                 << QStringList{"About", "Welcome to Veltrin", "Serial Setting",
                                                "Ethernet Setting"};
        QTest::newRow("Chinese") << false << QStringList{"关于", "欢迎使用Veltrin", "串口设置", "以太网设置"};
    }

    void switchReachesEveryOtherWindowAndTheExchange()
    {
        QFETCH(bool, english);
        QFETCH(QStringList, titles);
        MainWindow w;
        english ? w.LanguageToChinese() : w.LanguageToEnglish();
        english ? w.LanguageToEnglish() : w.LanguageToChinese();
        QCOMPARE(w.language(), english ? Language::English : Language::Chinese);
        QCOMPARE(
            (QStringList{w.aboutDialog()->windowTitle(), w.startDialog()->windowTitle(),
                         w.serialSettingsDialog()->windowTitle(), w.ethernetSettingsDialog()->windowTitle()}),
            titles);
        QCOMPARE(w.serialComm()->language(), english ? Language::English : Language::Chinese);
    }

    void connectionLabelFollowsTheSwitchWhileConnected_data()
    {
        QTest::addColumn<int>("transport"); // 0 serial, 1 TCP, 2 UDP
        QTest::newRow("serial") << 0;
        QTest::newRow("TCP") << 1;
        QTest::newRow("UDP") << 2;
    }

    // The permanent label naming the port or address stays in view for the whole connection.
    void connectionLabelFollowsTheSwitchWhileConnected()
    {
        QFETCH(int, transport);
        MainWindow w;
        QString peer = QStringLiteral("127.0.0.1");
        QString chinese = QString::fromUtf8("IP地址:%1 ");
        QString english = QStringLiteral("IPAddress:%1 ");
        int master = -1;
        if (transport == 0) { // a pseudo-terminal stands in for the sensor's serial line
            master = posix_openpt(O_RDWR | O_NOCTTY);
            QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
            peer = QString::fromLocal8Bit(ptsname(master));
            chinese = QString::fromUtf8("串口号:%1 ");
            english = QStringLiteral("COM:%1 ");
            w.CreatOpenSerialPort(peer);
        } else {
            ScanData().EtherMode = transport == 2 ? 1 : 0;
            w.CreatEthernetPort(peer);
        }
        QVERIFY(w.form()->DisConnection->isEnabled());
        QCOMPARE(w.connectionLabel()->text(), chinese.arg(peer));
        w.LanguageToEnglish();
        QCOMPARE(w.connectionLabel()->text(), english.arg(peer));
        w.LanguageToChinese();
        QCOMPARE(w.connectionLabel()->text(), chinese.arg(peer));
        w.CloseSerialPort();
        if (master >= 0)
            ::close(master);
        ScanData().EtherMode = 0;
        ScanData().ConnectType = 0;
    }

    void languageActionsSwitch()
    {
        MainWindow w;
        w.form()->English->trigger();
        QCOMPARE(w.language(), Language::English);
        QCOMPARE(w.startDialog()->windowTitle(), QString("Welcome to Veltrin"));
        w.form()->Chinese->trigger();
        QCOMPARE(w.language(), Language::Chinese);
        QCOMPARE(w.form()->Open->text(), QString("打开文件"));
    }

    void manualOpensThePdfOfTheLanguageFromTheStartDirectory_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("file");
        QTest::newRow("English") << true << "manual_en.pdf";
        QTest::newRow("Chinese") << false << "manual_cn.pdf";
    }

    void manualOpensThePdfOfTheLanguageFromTheStartDirectory()
    {
        QFETCH(bool, english);
        QFETCH(QString, file);
        UrlCatcher viewer;
        QDesktopServices::setUrlHandler("file", &viewer, "open");
        QTemporaryDir startDir;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(startDir.path()));
        const QString expected = QDir::current().filePath("manual/" + file);

        MainWindow w;
        english ? w.LanguageToEnglish() : w.LanguageToChinese();
        w.form()->Manual->trigger();

        QDir::setCurrent(previous);
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(viewer.urls.size(), 1);
        QVERIFY(viewer.urls[0].isLocalFile());
        QCOMPARE(viewer.urls[0].toLocalFile(), expected);
    }

    // Where the desktop cannot show a PDF (this platform has no viewer at all), the user is told,
    // with the file's full path, whether the file is there or not.
    void manualWithoutAViewerSaysSoAndNamesThePath_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<bool>("present");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("says");
        QTest::newRow("English, no viewer") << true << true << "manual_en.pdf"
                                            << "No program to show PDF";
        QTest::newRow("Chinese, no viewer") << false << true << "manual_cn.pdf"
                                            << "没有可显示PDF文件的程序";
        QTest::newRow("English, no file") << true << false << "manual_en.pdf"
                                          << "not found";
    }

    void manualWithoutAViewerSaysSoAndNamesThePath()
    {
        QFETCH(bool, english);
        QFETCH(bool, present);
        QFETCH(QString, file);
        QFETCH(QString, says);
        QList<Dialogs::Prompt> prompts;
        Dialogs::setResponder([&prompts](const Dialogs::Prompt &p) {
            prompts << p;
            return 0;
        });
        QTemporaryDir startDir;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(startDir.path()));
        const QString path = QDir::current().filePath("manual/" + file);
        if (present) {
            QVERIFY(QDir::current().mkpath("manual"));
            QFile pdf(path);
            QVERIFY(pdf.open(QIODevice::WriteOnly));
            pdf.write("%PDF-1.4\n");
        }

        MainWindow w;
        english ? w.LanguageToEnglish() : w.LanguageToChinese();
        w.form()->Manual->trigger();

        QDir::setCurrent(previous);
        Dialogs::setResponder({});
        QCOMPARE(prompts.size(), 1);
        QVERIFY2(prompts[0].text.contains(says), qPrintable(prompts[0].text));
        QVERIFY2(prompts[0].text.contains(QDir::toNativeSeparators(path)), qPrintable(prompts[0].text));
    }

    // Qt's own dialogs (file dialogs, the standard buttons) speak the window's language too.
    void qtOwnTextsFollowTheLanguage()
    {
        MainWindow w;
        w.LanguageToChinese();
        QVERIFY2(QCoreApplication::translate("QFileDialog", "Look in:") != QLatin1String("Look in:"),
                 "Qt's Chinese catalogue (Debian: qttranslations5-l10n) was not loaded");
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString::fromUtf8("取消"));
        w.LanguageToEnglish();
        QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), QString("Look in:"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Cancel"));
        w.LanguageToChinese();
        w.LanguageToChinese(); // chosen twice, removed once
        w.LanguageToEnglish();
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Cancel"));
    }

    // With nothing stored, the program starts in the system's language when it is Chinese or
    // English, and in English otherwise.
    void firstStartFollowsTheSystemLanguage_data()
    {
        QTest::addColumn<QLocale>("system");
        QTest::addColumn<int>("language");
        QTest::newRow("Chinese") << QLocale(QLocale::Chinese, QLocale::China) << 0;
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << 1;
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << 1;
    }
    void firstStartFollowsTheSystemLanguage()
    {
        QFETCH(QLocale, system);
        QFETCH(int, language);
        storeFirstStartLanguage(system);
        MainWindow w;
        QCOMPARE(w.language(), language == 1 ? Language::English : Language::Chinese);
        // Chosen once: the next start keeps what is stored, whatever the system says.
        storeFirstStartLanguage(QLocale(language == 1 ? QLocale::Chinese : QLocale::English));
        QCOMPARE(QSettings("Trevalor", "Parameters").value("Language").toInt(), language);
        QCOMPARE(w.startDialog()->windowTitle(),
                 language == 1 ? QString("Welcome to Veltrin") : QString::fromUtf8("欢迎使用Veltrin"));
    }

    // The start dialog is modal, so it carries its own language button.
    void startDialogSwitchesTheLanguage()
    {
        QSettings("Trevalor", "Parameters").setValue("Language", 0);
        MainWindow w;
        auto *button = w.startDialog()->findChild<QPushButton *>("Button_Language");
        QVERIFY(button);
        QCOMPARE(button->text(), QString("English"));
        button->click();
        QCOMPARE(w.language(), Language::English);
        QCOMPARE(w.startDialog()->windowTitle(), QString("Welcome to Veltrin"));
        QCOMPARE(w.findChild<QAction *>("Open")->text(), QString("Open"));
        QCOMPARE(button->text(), QString::fromUtf8("中文"));
        button->click();
        QCOMPARE(w.language(), Language::Chinese);
        QCOMPARE(w.findChild<QAction *>("Open")->text(), QString::fromUtf8("打开文件"));
    }

    void restoredLanguageIsAppliedToTheDialogs_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("startTitle");
        QTest::addColumn<QString>("aboutTitle");
        QTest::newRow("English") << 1 << "Welcome to Veltrin"
                                 << "About";
        QTest::newRow("Chinese") << 0 << "欢迎使用Veltrin"
                                 << "关于";
        QTest::newRow("foreign value") << 2 << "欢迎使用Veltrin"
                                       << "关于";
    }

    void restoredLanguageIsAppliedToTheDialogs()
    {
        QFETCH(int, stored);
        QFETCH(QString, startTitle);
        QFETCH(QString, aboutTitle);
        QSettings("Trevalor", "Parameters").setValue("Language", stored);
        MainWindow w;
        QCOMPARE(w.startDialog()->windowTitle(), startTitle);
        QCOMPARE(w.aboutDialog()->windowTitle(), aboutTitle);
        QCOMPARE(w.language(), stored == 1 ? Language::English : Language::Chinese);
    }
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
