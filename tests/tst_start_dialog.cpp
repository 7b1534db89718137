// The start dialog on its own and inside the main window: what each choice asks for and in which
// order, what the window makes of it, discovery answers over loopback, and both languages.
#include "app/about.h"
#include "app/create.h"
#include "app/mainwindow.h"
#include "area/dialogs.h"
#include "area/file/project_file.h"
#include "area/store/project_data.h"
#include "comm/codec/scan_data.h"
#include "comm/discovery.h"
#include "comm/sensor_setting.h"
#include "ui_about.h"
#include "ui_create.h"
#include "ui_mainwindow.h"

#include "link_probe.h"
#include <QSettings>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <QtTest>

namespace {

enum Button { CreateButton, OpenButton, ConnectButton };

// Everything the dialog asked for, in the order asked.
struct Requests {
    QStringList log;
    void watch(Create *dialog)
    {
        QObject::connect(dialog, &Create::QuitSignal, [this] { log << "quit"; });
        QObject::connect(dialog, &Create::OpenProjectSignal, [this] { log << "open project"; });
        QObject::connect(dialog, &Create::CreateSignal,
                         [this](DEVICETYPE *type) { log << QString("model %1").arg(*type); });
        QObject::connect(dialog, &Create::CreateInterface,
                         [this](int index) { log << QString("interface %1").arg(index); });
        QObject::connect(dialog, &Create::OpenSerialSignal,
                         [this](const QString &port) { log << "serial " + port; });
        QObject::connect(dialog, &Create::OpenEthernetSignal,
                         [this](const QString &address) { log << "ethernet " + address; });
        QObject::connect(dialog, &Create::OpenEthernetMode,
                         [this](const QString &mode) { log << "mode " + mode; });
    }
};

QPushButton *buttonOf(Ui::Create *ui, int button)
{
    return button == CreateButton ? ui->Button_Create
           : button == OpenButton ? ui->Button_Open
                                  : ui->Button_Connect;
}

// A discovery socket of the dialog listening on loopback, as if loopback were a local network.
quint16 searchOnLoopback(Create *dialog)
{
    SensorDiscovery::LocalNetwork loopback{QHostAddress::LocalHost, QHostAddress("127.255.255.255")};
    dialog->discovery()->search({loopback});
    return dialog->discovery()->sockets().isEmpty() ? 0 : dialog->discovery()->sockets().first()->localPort();
}

void answer(quint16 port, const QHostAddress &from, const QByteArray &payload)
{
    QUdpSocket sensor;
    QVERIFY(sensor.bind(from, 0));
    QCOMPARE(sensor.writeDatagram(payload, QHostAddress::LocalHost, port), qint64(payload.size()));
}

} // namespace

class TestStartDialog : public QObject {
    Q_OBJECT

    QList<Dialogs::Prompt> prompts;
    QString fileAnswer;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QApplication::setQuitOnLastWindowClosed(false); // windows close here on purpose
    }

    void init()
    {
        QSettings("Trevalor", "Parameters").clear();
        ProjectData().resetToStartup();
        ScanData().ConnectType = 0;
        ScanData().EtherMode = 0;
        prompts.clear();
        fileAnswer.clear();
        Dialogs::setResponder([this](const Dialogs::Prompt &p) {
            prompts << p;
            return 0;
        });
        Dialogs::setFileResponder([this](const Dialogs::FilePrompt &) { return fileAnswer; });
    }

    void cleanup()
    {
        Dialogs::setResponder({});
        Dialogs::setFileResponder({});
    }

    void startsOnVkt30AndEthernetAsAModalDialogWithoutCloseButton()
    {
        Create dialog;
        Ui::Create *ui = dialog.form();
        QCOMPARE(ui->LaserSensorType->currentIndex(), 0);
        QCOMPARE(ui->LaserSensorType->count(), 2);
        QCOMPARE(ui->LaserSensorType->itemText(1), QString("VKT-50xx"));
        QCOMPARE(ui->ConnecttabWidget->currentIndex(), 1);
        QVERIFY(ui->comboBox_Ethernet->isEditable());
        QCOMPARE(dialog.windowModality(), Qt::ApplicationModal);
        QVERIFY(!(dialog.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint)));
        QVERIFY(ui->Button_Refresh->text().isEmpty() && ui->Button_Refresh_ETH->text().isEmpty());
        QVERIFY(!ui->Button_Refresh->icon().isNull() && !ui->Button_Refresh_ETH->icon().isNull());
        for (QPushButton *b : {ui->Button_Create, ui->Button_Open, ui->Button_Connect}) {
            QVERIFY2(b->minimumWidth() >= 150 && b->minimumHeight() >= 70, qPrintable(b->objectName()));
            QVERIFY2(!b->icon().isNull(), qPrintable(b->objectName()));
        }
    }

    void eachChoiceAsksInOrderAndEndsTheDialog_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("typed"); // into the Ethernet address, or a serial port item
        QTest::addColumn<int>("button");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("create untouched")
            << 0 << 1 << "" << int(CreateButton) << QStringList{"model 3", "interface 1"};
        QTest::newRow("create VKT-50 on serial")
            << 1 << 0 << "" << int(CreateButton) << QStringList{"model 4", "interface 0"};
        QTest::newRow("open ignores the model")
            << 1 << 1 << "" << int(OpenButton) << QStringList{"open project"};
        QTest::newRow("connect Ethernet, typed address trimmed")
            << 1 << 1 << " 127.0.0.7 " << int(ConnectButton) << QStringList{"model 4", "ethernet 127.0.0.7"};
        QTest::newRow("connect serial port")
            << 0 << 0 << "ttyV0" << int(ConnectButton) << QStringList{"model 3", "serial ttyV0"};
        QTest::newRow("connect serial without ports")
            << 1 << 0 << "" << int(ConnectButton) << QStringList{"model 4", "serial "};
    }

    void eachChoiceAsksInOrderAndEndsTheDialog()
    {
        QFETCH(int, model);
        QFETCH(int, tab);
        QFETCH(QString, typed);
        QFETCH(int, button);
        QFETCH(QStringList, expected);

        Create dialog;
        Requests requests;
        requests.watch(&dialog);
        Ui::Create *ui = dialog.form();
        searchOnLoopback(&dialog);
        ui->LaserSensorType->setCurrentIndex(model);
        ui->ConnecttabWidget->setCurrentIndex(tab);
        ui->comboBox_Serial->clear();
        if (tab == 0 && !typed.isEmpty())
            ui->comboBox_Serial->addItem(typed);
        if (tab == 1)
            ui->comboBox_Ethernet->setEditText(typed);
        dialog.show();

        QTest::mouseClick(buttonOf(ui, button), Qt::LeftButton);

        QCOMPARE(requests.log, expected);
        QVERIFY(!dialog.isVisible());
        QVERIFY(dialog.discovery()->sockets().isEmpty());
    }

    void quitAsksOnceAndCloses()
    {
        Create dialog;
        Requests requests;
        requests.watch(&dialog);
        dialog.show();
        QTest::mouseClick(dialog.form()->Button_Quit, Qt::LeftButton);
        QCOMPARE(requests.log, QStringList{"quit"});
        QVERIFY(!dialog.isVisible());
    }

    void escapeHidesWithoutAnyRequest()
    {
        Create dialog;
        Requests requests;
        requests.watch(&dialog);
        searchOnLoopback(&dialog);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QVERIFY(requests.log.isEmpty());
        QVERIFY(dialog.discovery()->sockets().isEmpty());
    }

    void enterAfterTypingAnAddressConnectsToIt()
    {
        Create dialog;
        Requests requests;
        requests.watch(&dialog);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QComboBox *address = dialog.form()->comboBox_Ethernet;
        address->setFocus();
        QTest::keyClicks(address, "127.0.0.8");
        QTest::keyClick(address, Qt::Key_Return);
        QCOMPARE(requests.log, (QStringList{"model 3", "ethernet 127.0.0.8"}));
        QVERIFY(!dialog.isVisible());
    }

    void answeringSensorsAreListedOnceAndAnnounceTheirMode()
    {
        Create dialog;
        Requests requests;
        requests.watch(&dialog);
        const quint16 port = searchOnLoopback(&dialog);
        QVERIFY(port != 0);
        answer(port, QHostAddress("127.0.0.2"), QByteArray("HTTP/1.1 200 OK\r\nMODE: UDP\0junk", 31));
        answer(port, QHostAddress("127.0.0.3"), "HTTP/1.1 200 OK\r\nMODE: TCP\r\n");
        answer(port, QHostAddress("127.0.0.2"), "HTTP/1.1 200 OK\r\nmode: tcp\r\n");
        QComboBox *list = dialog.form()->comboBox_Ethernet;
        QTRY_COMPARE(list->count(), 2);
        QTRY_COMPARE(requests.log, (QStringList{"mode MODE: UDP", "mode MODE: TCP"}));
        QCOMPARE(list->itemText(0), QString("127.0.0.2"));
        QCOMPARE(list->itemText(1), QString("127.0.0.3"));

        // Refresh starts over with an empty list.
        QTest::mouseClick(dialog.form()->Button_Refresh_ETH, Qt::LeftButton);
        QCOMPARE(list->count(), 0);
    }

    // ---- inside the main window --------------------------------------------------------------

    void showingTheStartDialogDoesNotBlockTheWindow()
    {
        MainWindow w;
        w.show();
        w.showStartDialog(); // returns: the test goes on
        QVERIFY(w.startDialog()->isVisible());
        QCOMPARE(QApplication::activeModalWidget(), static_cast<QWidget *>(w.startDialog()));
        w.startDialog()->hide();
    }

    void createSetsModelAndInterfaceWithoutConnecting_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("tab");
        QTest::addColumn<int>("deviceType");
        QTest::addColumn<int>("zoomFloor");
        QTest::newRow("VKT-30 Ethernet") << 0 << 1 << 3 << -55;
        QTest::newRow("VKT-50 Ethernet") << 1 << 1 << 4 << -90;
        QTest::newRow("VKT-50 serial") << 1 << 0 << 4 << -90;
    }

    void createSetsModelAndInterfaceWithoutConnecting()
    {
        QFETCH(int, model);
        QFETCH(int, tab);
        QFETCH(int, deviceType);
        QFETCH(int, zoomFloor);
        MainWindow w;
        w.show();
        w.showStartDialog();
        Ui::Create *start = w.startDialog()->form();
        start->LaserSensorType->setCurrentIndex(model);
        start->ConnecttabWidget->setCurrentIndex(tab);
        QTest::mouseClick(start->Button_Create, Qt::LeftButton);

        Ui::MainWindow *ui = w.form();
        QCOMPARE(w.deviceType(), deviceType);
        QCOMPARE(ui->ZoomSlider->minimum(), zoomFloor);
        QCOMPARE(ScanData().ConnectType, tab);
        QCOMPARE(ui->EthernetConnection->isChecked(), tab == 1);
        QCOMPARE(ui->SerialConnection->isChecked(), tab == 0);
        QCOMPARE(ui->EthnernetSetting->isEnabled(), tab == 1);
        QCOMPARE(ui->SerialSetting->isEnabled(), tab == 0);
        QCOMPARE(ui->Para_SensorEtherMode->isEnabled(), tab == 1);
        QVERIFY(!openOver(w.link(), Link::Kind::Serial) && !openOver(w.link(), Link::Kind::Tcp) &&
                !openOver(w.link(), Link::Kind::Udp));
        QVERIFY(ui->Connection->isEnabled());
        QVERIFY(prompts.isEmpty());
        QVERIFY(!w.startDialog()->isVisible());
    }

    void escapeLeavesModelAndNoInterface()
    {
        MainWindow w;
        w.show();
        w.showStartDialog();
        w.startDialog()->form()->LaserSensorType->setCurrentIndex(1);
        QVERIFY(QTest::qWaitForWindowExposed(w.startDialog()));
        QTest::keyClick(w.startDialog(), Qt::Key_Escape);
        QVERIFY(!w.startDialog()->isVisible());
        QCOMPARE(w.deviceType(), 3);
        QVERIFY(!w.form()->SerialConnection->isChecked() && !w.form()->EthernetConnection->isChecked());
    }

    void failedSerialConnectStillAppliesTheModel()
    {
        MainWindow w;
        w.show();
        w.LanguageToEnglish();
        Ui::Create *start = w.startDialog()->form();
        start->LaserSensorType->setCurrentIndex(1);
        start->ConnecttabWidget->setCurrentIndex(0);
        start->comboBox_Serial->clear(); // no ports: an empty name is asked for
        QTest::mouseClick(start->Button_Connect, Qt::LeftButton);

        QCOMPARE(w.deviceType(), 4);
        QCOMPARE(w.form()->ZoomSlider->minimum(), -90);
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts[0].text, QString("Serial Open error"));
        QVERIFY(!openOver(w.link(), Link::Kind::Serial));
        QVERIFY(w.form()->Connection->isEnabled());
    }

    void ethernetConnectGoesToTheTypedAddressInTheAnnouncedMode()
    {
        MainWindow w;
        w.show();
        Create *dialog = w.startDialog();
        const quint16 port = searchOnLoopback(dialog);
        QVERIFY(port != 0);
        answer(port, QHostAddress("127.0.0.4"), "HTTP/1.1 200 OK\r\nMODE: UDP\r\n");
        QTRY_COMPARE(ScanData().EtherMode, 1);
        QCOMPARE(dialog->form()->comboBox_Ethernet->currentText(), QString("127.0.0.4"));

        QTest::mouseClick(dialog->form()->Button_Connect, Qt::LeftButton);
        QCOMPARE(ScanData().ConnectType, 1);
        QVERIFY(openOver(w.link(), Link::Kind::Udp));
        QCOMPARE(w.link()->peerName(), QString("127.0.0.4") + QStringLiteral(":8080"));
        QVERIFY(w.form()->DisConnection->isEnabled());
        QCOMPARE(w.connectionLabel()->text(), QString("IP地址:127.0.0.4 "));
        w.CloseSerialPort();
    }

    void openTakesTheModelFromTheFile()
    {
        QTemporaryDir dir;
        const QString name = dir.filePath("design.VKT50");
        QVERIFY(ProjectFile::save(name, 4, QVector<int>(27, 0), ProjectData()));
        fileAnswer = name;

        MainWindow w;
        w.show();
        Ui::Create *start = w.startDialog()->form();
        start->LaserSensorType->setCurrentIndex(0); // the list says VKT-30, the file VKT-50
        Requests requests;
        requests.watch(w.startDialog());
        QTest::mouseClick(start->Button_Open, Qt::LeftButton);
        QCOMPARE(requests.log, QStringList{"open project"});
        QCOMPARE(w.deviceType(), 4);
        QVERIFY(!w.startDialog()->isVisible());
    }

    void quitClosesTheWindowThroughItsClosePath_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<int>("promptAnswer");
        QTest::addColumn<bool>("windowStays");
        QTest::newRow("untouched project: no prompt") << false << 0 << false;
        QTest::newRow("changes, Close") << true << 1 << false;
        QTest::newRow("changes, Cancel") << true << 2 << true;
    }

    void quitClosesTheWindowThroughItsClosePath()
    {
        QFETCH(bool, modified);
        QFETCH(int, promptAnswer);
        QFETCH(bool, windowStays);
        Dialogs::setResponder([&](const Dialogs::Prompt &p) {
            prompts << p;
            return promptAnswer;
        });
        MainWindow w;
        w.show();
        w.showStartDialog();
        ProjectData().Modified = modified;
        QTest::mouseClick(w.startDialog()->form()->Button_Quit, Qt::LeftButton);

        QCOMPARE(prompts.size(), modified ? 1 : 0);
        QCOMPARE(w.isVisible(), windowStays);
        QVERIFY(!w.startDialog()->isVisible());
        QVERIFY(QSettings("Trevalor", "Parameters").contains("geometry")); // written on every path
    }

    void dialogsSpeakTheWindowsLanguage_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QStringList>("startTexts"); // title, buttons, label, tabs, quit
        QTest::addColumn<QStringList>("aboutTexts"); // title, heading, version, date, licence, notes, close
        QTest::newRow("English") << true << QStringList{"Welcome to Veltrin", "Create", "Open",     "Connect",
                                                        "Open Project file",  "Serial", "Ethernet", "Quit"}
                                 << QStringList{"About",
                                                "Veltrin",
                                                "Version: 1.5.2",
                                                "Date: 2024-08-21",
                                                "License: GNU GPL 3.0 or later",
                                                "Release Notes",
                                                "关闭"};
        QTest::newRow("Chinese") << false << QStringList{"欢迎使用Veltrin", "创建", "打开",   "连接",
                                                         "打开工程文件",    "串口", "以太网", "退出"}
                                 << QStringList{"关于",
                                                "Veltrin",
                                                "软件版本: 1.5.2",
                                                "开发日期: 2024-08-21",
                                                "许可证: GNU GPL 3.0 或更高版本",
                                                "版本信息",
                                                "关闭"};
    }

    void dialogsSpeakTheWindowsLanguage()
    {
        QFETCH(bool, english);
        QFETCH(QStringList, startTexts);
        QFETCH(QStringList, aboutTexts);
        MainWindow w;
        // Start from the other language, so every text really changes.
        english ? w.LanguageToChinese() : w.LanguageToEnglish();
        w.aboutDialog()->form()->NoteMessage->setPlainText("left over");
        english ? w.LanguageToEnglish() : w.LanguageToChinese();

        Create *start = w.startDialog();
        Ui::Create *s = start->form();
        QCOMPARE((QStringList{start->windowTitle(), s->Button_Create->text(), s->Button_Open->text(),
                              s->Button_Connect->text(), s->label_OpenProject->text(),
                              s->ConnecttabWidget->tabText(0), s->ConnecttabWidget->tabText(1),
                              s->Button_Quit->text()}),
                 startTexts);
        QCOMPARE(s->LaserSensorType->itemText(0), QString("VKT-30xx"));

        About *about = w.aboutDialog();
        Ui::About *a = about->form();
        QCOMPARE((QStringList{about->windowTitle(), a->label_Title->text(), a->label_Ver->text(),
                              a->label_Data->text(), a->label_License->text(), a->ReleaseNotes->title(),
                              a->Button_Close->text()}),
                 aboutTexts);
        QVERIFY(a->NoteMessage->toPlainText().isEmpty());
        QVERIFY(a->NoteMessage->isEnabled());
        QVERIFY(!a->label_logo->pixmap(Qt::ReturnByValue).isNull());
    }

    void aboutActionShowsAndCloseButtonCloses()
    {
        MainWindow w;
        w.show();
        w.form()->About->trigger();
        QVERIFY(w.aboutDialog()->isVisible());
        QCOMPARE(w.aboutDialog()->windowModality(), Qt::ApplicationModal);
        QTest::mouseClick(w.aboutDialog()->form()->Button_Close, Qt::LeftButton);
        QVERIFY(!w.aboutDialog()->isVisible());
        QVERIFY(w.isVisible()); // closing About never ends the program
    }
};

QTEST_MAIN(TestStartDialog)
#include "tst_start_dialog.moc"
