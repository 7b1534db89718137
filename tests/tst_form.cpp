// The main window form on its own: the widgets the controllers look up by name, the actions with
// their shortcuts and check states, the menu and toolbar order, the initial states the controllers
// rely on, and every compiled-in image the program asks for.
#include "editor/viewwindow.h"
#include "ui_mainwindow.h"

#include <QAbstractButton>
#include <QDockWidget>
#include <QLCDNumber>
#include <QMainWindow>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QToolBar>
#include <QtTest>

#include <algorithm>

class FormTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void namedWidgetsExistWithTheirTypes_data();
    void namedWidgetsExistWithTheirTypes();
    void actionsCarryShortcutsAndCheckStates_data();
    void actionsCarryShortcutsAndCheckStates();
    void menusListTheirEntriesInOrder_data();
    void menusListTheirEntriesInOrder();
    void toolbarsSitInTheTopAreaInOrder();
    void docksStartInTheirAreasWithChineseTitles();
    void controllersFindTheirInitialStates();
    void listsAndRangesMatchTheStoredIndexes();
    void statusRowLampsAndZoomControlsHaveTheirSizes();
    void everyReferencedImageLoads_data();
    void everyReferencedImageLoads();
    void formIconsAreNotNull();

private:
    QMainWindow *window = nullptr;
    Ui::MainWindow *ui = nullptr;
    template <typename T> T *get(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
};

void FormTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    Q_INIT_RESOURCE(resources);
    window = new QMainWindow;
    ui = new Ui::MainWindow;
    ui->setupUi(window);
    QCOMPARE(window->size(), QSize(1190, 715));
}

void FormTest::cleanupTestCase()
{
    delete ui;
    delete window;
}

void FormTest::namedWidgetsExistWithTheirTypes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    const char *const rows[][2] = {
        {"CentralWidget", "QWidget"},
        {"graphicsView", "ViewWindow"},
        {"gridLayout", "QGridLayout"},
        {"label_dirValue", "QLabel"},
        {"label_StatusValue", "QLabel"},
        {"InputLeftLine", "QFrame"},
        {"InputRigntline", "QFrame"},
        {"OutputRightLine", "QFrame"},
        {"InputPort6", "QLabel"},
        {"OutputPort1", "QLabel"},
        {"InputlcdNum", "QLCDNumber"},
        {"ZoomSlider", "QSlider"},
        {"ZoomIn", "QAbstractButton"},
        {"statusBar", "QStatusBar"},
        {"splitter", "QSplitter"},
        {"splitter_2", "QSplitter"},
        {"ArealineText", "QLineEdit"},
        {"RegionsLineText", "QLineEdit"},
        {"EditionMenuLayout", "QBoxLayout"},
        {"SensorMenuLayout", "QBoxLayout"},
        {"AreaTableWidget", "QTableWidget"},
        {"ParametersEditTab", "QTabWidget"},
        {"AreaEditTab", "QTabWidget"},
        {"Area_OpenDelay", "QComboBox"},
        {"Area_DetectionSize", "QComboBox"},
        {"SteerMinDgree", "QSpinBox"},
        {"VehicleMaxSpeed", "QSpinBox"},
        {"VehicleOptionMode", "QComboBox"},
        {"IndependetBox2", "QGroupBox"},
        {"DependetBox3", "QGroupBox"},
        {"ButtonPolygonOut1", "QPushButton"},
        {"ButtonRatioOut3", "QPushButton"},
        {"TableCoordinatesOut2", "QTabWidget"},
        {"CoordinatesTypeOut3", "QTabWidget"},
        {"CoordTableWidgetOut3", "QTableWidget"},
        {"PolarTableWidgeOut1", "QTableWidget"},
        {"MethodOut2", "QComboBox"},
        {"SpinCorner2Out3", "QSpinBox"},
        {"CheckSimplifyResultOut1", "QCheckBox"},
        {"ButtonTeachOut3", "QPushButton"},
        {"Para_ControlMode", "QComboBox"},
        {"Para_RS485IDAddress", "QSpinBox"},
        {"Para_SensorIPAddress4", "QSpinBox"},
        {"Para_DirtyReceStrength", "QSpinBox"},
        {"label_SensorIPAddress", "QLabel"},
        {"DataTableWidget", "QTableWidget"},
        {"label_Timestamp", "QLabel"},
        {"InportGrouptBox", "QGroupBox"},
        {"InputButton6", "QAbstractButton"},
        {"OutputspinBox", "QSpinBox"},
        {"FaultSimuButton", "QAbstractButton"},
        {"SimDgreeSlider", "QSlider"},
        {"SimOptionMode", "QComboBox"},
        {"ScanGroupBox", "QGroupBox"},
        {"Set_ScanFilterLevel", "QComboBox"},
        {"label_Set_ScanSensorAngle", "QLabel"},
        {"SensorTemper", "QLineEdit"},
        {"ReceiveVoltage", "QLineEdit"},
        {"New", "QMenu"},
        {"Interfaces", "QMenu"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
}

void FormTest::namedWidgetsExistWithTheirTypes()
{
    QFETCH(QString, name);
    QFETCH(QString, type);
    QObject *object = window->findChild<QObject *>(name);
    QVERIFY2(object, qPrintable(name + " is missing"));
    QVERIFY2(object->inherits(type.toLatin1()), object->metaObject()->className());
}

void FormTest::actionsCarryShortcutsAndCheckStates_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<bool>("enabled");
    struct Row {
        const char *name, *text, *shortcut;
        bool checkable, checked, enabled;
    };
    const Row rows[] = {
        {"Open", "打开文件", "Ctrl+O", false, false, true},
        {"Save", "保存文件", "Ctrl+S", false, false, true},
        {"SaveAs", "另存为", "Ctrl+Shift+S", false, false, true},
        {"Quit", "退出", "Ctrl+Q", false, false, true},
        {"Undo", "撤销", "Ctrl+Z", false, false, true},
        {"Redo", "重做", "Ctrl+Y", false, false, true},
        {"Copy", "复制", "Ctrl+C", false, false, true},
        {"Cut", "剪切", "Ctrl+X", false, false, true},
        {"Paste", "粘贴", "Ctrl+V", false, false, true},
        {"Delete", "删除", "Ctrl+D", false, false, true},
        {"DeleteAll", "全部删除", "", false, false, true},
        {"AppSettings", "应用设置", "", false, false, true},
        {"Distance", "距离", "Ctrl+L", true, true, true},
        {"Intensity", "强度", "Ctrl+I", true, false, true},
        {"DataTable", "数据列表", "Ctrl+T", true, false, true},
        {"Edition", "编辑", "Ctrl+Alt+E", true, true, true},
        {"Monitoring", "监控", "Ctrl+Alt+M", false, false, true},
        {"SensorSetting", "传感器设定", "Ctrl+Alt+S", true, true, true},
        {"IOSimulation", "输入输出仿真", "Ctrl+Alt+I", true, false, false},
        {"SelfCheck", "自检状态", "", true, false, false},
        {"SerialConnection", "串口", "", true, false, true},
        {"EthernetConnection", "以太网", "", true, false, true},
        {"SerialSetting", "串口设置", "", false, false, true},
        {"EthnernetSetting", "以太网设置", "", false, false, true},
        {"Connection", "连接设备", "Ctrl+Alt+C", false, false, true},
        {"DisConnection", "断开设备", "Ctrl+Alt+D", false, false, false},
        {"ReadAllSetting", "上传数据", "Ctrl+Shift+R", false, false, false},
        {"WriteAllSetting", "下载数据", "Ctrl+Shift+W", false, false, false},
        {"SoftReboot", "重启设备", "Ctrl+Alt+R", false, false, false},
        {"SensorInformation", "传感器信息", "Ctrl+Shift+I", false, false, false},
        {"DispGraph", "图形显示", "", true, true, true},
        {"DispCloud", "点云显示", "", false, false, true},
        {"DispLine", "线条显示", "", false, false, true},
        {"Chinese", "简体中文", "", false, false, true},
        {"English", "English", "", false, false, true},
        {"About", "关于", "Ctrl+A", false, false, true},
        {"Manual", "指南", "Ctrl+M", false, false, true},
        {"Laser30", "VKT-30xx", "", false, false, true},
        {"Laser50", "VKT-50xx", "", false, false, true},
    };
    for (const Row &r : rows)
        QTest::newRow(r.name) << QString::fromLatin1(r.name) << QString::fromUtf8(r.text)
                              << QString::fromLatin1(r.shortcut) << r.checkable << r.checked << r.enabled;
}

void FormTest::actionsCarryShortcutsAndCheckStates()
{
    QFETCH(QString, name);
    QAction *action = window->findChild<QAction *>(name);
    QVERIFY2(action, qPrintable(name + " is missing"));
    QTEST(action->text(), "text");
    QTEST(action->shortcut().toString(QKeySequence::PortableText), "shortcut");
    QTEST(action->isCheckable(), "checkable");
    QTEST(action->isChecked(), "checked");
    QTEST(action->isEnabled(), "enabled");
    QVERIFY(!action->icon().isNull());
}

static QStringList entries(const QWidget *menuOrBar)
{
    QStringList list;
    for (QAction *a : menuOrBar->actions())
        list << (a->isSeparator() ? QStringLiteral("-")
                                  : (a->menu() ? a->menu()->objectName() : a->objectName()));
    return list;
}

void FormTest::menusListTheirEntriesInOrder_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("expected");
    QTest::newRow("bar") << "menuBar"
                         << ""
                         << "File Edit View Setting Connections Display Language Help";
    QTest::newRow("File") << "File"
                          << "文件"
                          << "New Open Save SaveAs - Quit";
    QTest::newRow("New") << "New"
                         << "新建文件"
                         << "Laser30 Laser50";
    QTest::newRow("Edit") << "Edit"
                          << "编辑"
                          << "Undo Redo - Copy Cut Paste - Delete DeleteAll - AppSettings";
    QTest::newRow("View") << "View"
                          << "视窗"
                          << "ViewMode Distance Intensity DataTable";
    QTest::newRow("ViewMode") << "ViewMode"
                              << "视图"
                              << "Edition Monitoring SensorSetting IOSimulation SelfCheck";
    QTest::newRow("Setting") << "Setting"
                             << "设置"
                             << "SerialConnection EthernetConnection - SerialSetting EthnernetSetting";
    QTest::newRow("Connections")
        << "Connections"
        << "连接"
        << "Interfaces - Connection DisConnection - ReadAllSetting WriteAllSetting - "
           "SoftReboot - SensorInformation";
    QTest::newRow("Interfaces") << "Interfaces"
                                << "接口"
                                << "SerialConnection EthernetConnection";
    QTest::newRow("Display") << "Display"
                             << "显示"
                             << "DispGraph DispCloud DispLine";
    QTest::newRow("Language") << "Language"
                              << "语言"
                              << "Chinese English";
    QTest::newRow("Help") << "Help"
                          << "帮助"
                          << "About Manual";
}

void FormTest::menusListTheirEntriesInOrder()
{
    QFETCH(QString, menu);
    QFETCH(QString, title);
    QFETCH(QString, expected);
    QWidget *widget = window->findChild<QWidget *>(menu);
    QVERIFY2(widget, qPrintable(menu + " is missing"));
    if (auto *m = qobject_cast<QMenu *>(widget))
        QCOMPARE(m->title(), title);
    QCOMPARE(entries(widget).join(' '), expected);
    if (menu == QLatin1String("New") || menu == QLatin1String("ViewMode") ||
        menu == QLatin1String("Interfaces"))
        QVERIFY(!static_cast<QMenu *>(widget)->icon().isNull());
}

void FormTest::toolbarsSitInTheTopAreaInOrder()
{
    // Wide enough for one row, so the visual order is the order along x.
    window->resize(3000, 800);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QList<QToolBar *> bars = window->findChildren<QToolBar *>(QString(), Qt::FindDirectChildrenOnly);
    for (QToolBar *bar : bars)
        QCOMPARE(window->toolBarArea(bar), Qt::TopToolBarArea);
    std::sort(bars.begin(), bars.end(), [](QToolBar *a, QToolBar *b) {
        return std::make_pair(a->y(), a->x()) < std::make_pair(b->y(), b->x());
    });
    QStringList names, titles, contents;
    for (QToolBar *bar : bars) {
        names << bar->objectName();
        titles << bar->windowTitle();
        contents << entries(bar).join(' ');
    }
    window->hide();
    QCOMPARE(names, QStringList({"FileToolBar", "EditToolBar", "ViewToolBar", "ConnectToolBar", "HelpToolBar",
                                 "ConnTypeToolBar", "DispToolBar"}));
    QCOMPARE(titles, QStringList({"文件", "编辑", "视窗", "连接", "帮助", "接口", "显示"}));
    QCOMPARE(
        contents,
        QStringList({"Open Save SaveAs", "Undo Redo",
                     "Distance Intensity Monitoring Edition DataTable SensorSetting IOSimulation SelfCheck",
                     "EthnernetSetting SerialSetting Connection DisConnection ReadAllSetting "
                     "WriteAllSetting SoftReboot SensorInformation",
                     "About Manual", "EthernetConnection SerialConnection", "DispGraph DispCloud DispLine"}));
}

void FormTest::docksStartInTheirAreasWithChineseTitles()
{
    const struct {
        const char *name, *title;
        Qt::DockWidgetArea area;
    } docks[] = {
        {"EditionControlDock", "编辑控制", Qt::LeftDockWidgetArea},
        {"SensorSettingDock", "传感器设定", Qt::RightDockWidgetArea},
        {"DataTableDock", "数据列表", Qt::RightDockWidgetArea},
        {"IOSimulationDock", "IO端口仿真", Qt::RightDockWidgetArea},
        {"SelfCheckDock", "自检状态", Qt::RightDockWidgetArea},
    };
    for (const auto &d : docks) {
        auto *dock = get<QDockWidget>(d.name);
        QVERIFY2(dock, d.name);
        QCOMPARE(dock->windowTitle(), QString::fromUtf8(d.title));
        QCOMPARE(window->dockWidgetArea(dock), d.area);
    }
    // the parameter panels scroll instead of forcing the docks taller
    QVERIFY(ui->Para_ControlMode->parentWidget()->parentWidget()->parentWidget()->inherits("QScrollArea"));
    QVERIFY(ui->ScanGroupBox->parentWidget()->parentWidget()->parentWidget()->inherits("QScrollArea"));
    QVERIFY(ui->splitter->isAncestorOf(ui->AreaTableWidget));
    QVERIFY(ui->splitter_2->isAncestorOf(ui->ParametersEditTab));
    QVERIFY(ui->splitter_2->isAncestorOf(ui->AreaEditTab));
    QVERIFY(!ui->splitter->childrenCollapsible());
    QVERIFY(!ui->splitter_2->childrenCollapsible());
    // left empty for the toolbars the main window adds
    QCOMPARE(ui->EditionMenuLayout->count(), 0);
    QCOMPARE(ui->SensorMenuLayout->count(), 0);
}

void FormTest::controllersFindTheirInitialStates()
{
    QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
    for (QTabWidget *tabs : {ui->ParametersEditTab, ui->AreaEditTab, ui->TableCoordinatesOut1,
                             ui->TableCoordinatesOut2, ui->TableCoordinatesOut3, ui->CoordinatesTypeOut1,
                             ui->CoordinatesTypeOut2, ui->CoordinatesTypeOut3})
        QVERIFY2(tabs->currentIndex() == 0, qPrintable(tabs->objectName()));
    QCOMPARE(ui->AreaEditTab->count(), 3);
    QCOMPARE(ui->AreaEditTab->tabText(2), QStringLiteral("输出3"));
    QCOMPARE(ui->Para_LaserStopSignal->currentIndex(), 1);
    for (QLineEdit *heading : {ui->ArealineText, ui->RegionsLineText}) {
        QVERIFY(!heading->isEnabled());
        QVERIFY(heading->alignment() == Qt::AlignCenter);
    }
    QCOMPARE(ui->ArealineText->text(), QStringLiteral("区域"));
    QCOMPARE(ui->RegionsLineText->text(), QStringLiteral("编辑"));
    for (QPushButton *teach : {ui->ButtonTeachOut1, ui->ButtonTeachOut2, ui->ButtonTeachOut3})
        QVERIFY(!teach->isEnabled());
    for (QGroupBox *box : {ui->InportGrouptBox, ui->OutportGrouptBox, ui->FaultGroupBox,
                           ui->CaseSimulationBox, ui->ScanGroupBox}) {
        QVERIFY2(box->isCheckable() && !box->isChecked(), qPrintable(box->objectName()));
    }
    const QList<QAbstractButton *> simulationButtons = {ui->InputButton1, ui->OutputButton3,
                                                        ui->FaultSimuButton};
    for (QAbstractButton *b : simulationButtons)
        QVERIFY(b->isCheckable() && b->text().isEmpty());
    QCOMPARE(ui->label_Set_ScanSensorAngle->text(), QStringLiteral("角度分辨率"));
    QCOMPARE(ui->label_StatusValue->text(), QString());
    QCOMPARE(ui->InputlcdNum->intValue(), 0);
    QCOMPARE(ui->DataTableWidget->columnCount(), 3);
    QCOMPARE(ui->DataTableWidget->horizontalHeaderItem(2)->text(), QStringLiteral("反光强度"));
    QCOMPARE(ui->PolarTableWidgeOut2->horizontalHeaderItem(1)->text(), QStringLiteral("距离[mm]"));
    QCOMPARE(ui->Laser30->toolTip(), QStringLiteral("VKT-30"));
    QCOMPARE(ui->Laser50->toolTip(), QStringLiteral("VKT-50xx"));
}

void FormTest::listsAndRangesMatchTheStoredIndexes()
{
    // zone parameters are stored as indexes, so the item lists must be complete and in order
    QCOMPARE(ui->Area_OpenDelay->count(), 26);
    QCOMPARE(ui->Area_OpenDelay->itemText(6), QStringLiteral("120ms"));
    QCOMPARE(ui->Area_CloseDelay->itemText(25), QStringLiteral("500ms"));
    QCOMPARE(ui->Area_Hysteresis->count(), 11);
    QCOMPARE(ui->Area_Hysteresis->itemText(0), QStringLiteral("关闭"));
    QCOMPARE(ui->Area_Hysteresis->itemText(10), QStringLiteral("10%"));
    QCOMPARE(ui->Area_DetectionSize->count(), 10);
    QCOMPARE(ui->Area_DetectionSize->itemText(1), QStringLiteral("1.0°"));
    QCOMPARE(ui->VehicleOptionMode->itemText(4), QStringLiteral("操作模式4"));
    QCOMPARE(ui->SimOptionMode->count(), 5);
    QCOMPARE(ui->Para_ControlMode->count(), 6);
    QCOMPARE(ui->Para_ControlMode->itemText(5), QStringLiteral("CANOpen总线控制"));
    QCOMPARE(ui->Para_RS232StopBit->itemText(1), QStringLiteral("停止位1.5bit"));
    QCOMPARE(ui->Para_SensorOutputLogic->itemText(0), QStringLiteral("高电平有效"));
    QCOMPARE(ui->Para_ScanSensorAngle->count(), 5);
    QCOMPARE(ui->Para_CrossFilterNumber->itemText(5), QStringLiteral("8"));
    QCOMPARE(ui->Para_LaserStopSignal->count(), 4);
    QCOMPARE(ui->Set_ScanSensorAngle->itemText(4), QStringLiteral("0.500°/10,20,30Hz"));
    QCOMPARE(ui->Set_SensorSleepMode->itemText(1), QStringLiteral("休眠模式"));
    for (QComboBox *c :
         {ui->Set_SensorSleepMode, ui->Set_ScanMotorSpeed, ui->Set_ScanSensorAngle, ui->Set_ScanFilterLevel})
        QCOMPARE(c->currentIndex(), 0);

    const struct {
        QSpinBox *box;
        int min, max;
    } spins[] = {
        {ui->SteerMinDgree, -180, 180},
        {ui->SteerMaxDgree, -180, 180},
        {ui->VehicleMinSpeed, -300, 300},
        {ui->VehicleMaxSpeed, -300, 300},
        {ui->SimDgreeSpinBox, -180, 180},
        {ui->SimSpeedSpinBox, -300, 300},
        {ui->InputspinBox, 0, 63},
        {ui->OutputspinBox, 0, 7},
        {ui->Para_RS485IDAddress, 1, 127},
        {ui->Para_CANIDAddress, 1, 127},
        {ui->Para_SensorIPAddress1, 10, 223},
        {ui->Para_SensorIPAddress3, 0, 255},
        {ui->Para_DirtyReceDistance, 0, 2000},
        {ui->Para_DirtyReceStrength, 0, 2000},
    };
    for (const auto &s : spins) {
        QCOMPARE(s.box->minimum(), s.min);
        QCOMPARE(s.box->maximum(), s.max);
    }
    QCOMPARE(ui->SimDgreeSlider->minimum(), -180);
    QCOMPARE(ui->SimSpeedSlider->maximum(), 300);
}

void FormTest::statusRowLampsAndZoomControlsHaveTheirSizes()
{
    const char *const lamps[] = {"InputPort1", "InputPort2",  "InputPort3",  "InputPort4", "InputPort5",
                                 "InputPort6", "OutputPort1", "OutputPort2", "OutputPort3"};
    for (const char *name : lamps) {
        auto *lamp = get<QLabel>(name);
        QVERIFY2(lamp, name);
        QCOMPARE(lamp->minimumSize(), QSize(28, 28));
        QCOMPARE(lamp->maximumSize(), QSize(28, 28));
        const QImage shown = lamp->pixmap(Qt::ReturnByValue).toImage();
        QVERIFY2(!shown.isNull(), name);
        const QString gray = QStringLiteral(":/images/Gray") + QLatin1Char(name[qstrlen(name) - 1]) + ".png";
        QCOMPARE(shown, QPixmap(gray).toImage());
    }
    QCOMPARE(ui->InputlcdNum->digitCount(), 2);
    QCOMPARE(ui->InputlcdNum->minimumSize(), QSize(32, 32));
    QCOMPARE(ui->InputlcdNum->maximumSize(), QSize(32, 32));
    for (QPushButton *zoom : {ui->ZoomIn, ui->ZoomOut}) {
        QCOMPARE(zoom->maximumSize(), QSize(28, 28));
        QVERIFY(zoom->autoRepeat());
    }
    QCOMPARE(ui->ZoomSlider->orientation(), Qt::Horizontal);
    QCOMPARE(ui->ZoomSlider->maximumSize(), QSize(100, 28));
    QCOMPARE(ui->ZoomSlider->minimumSize(), QSize(56, 28)); // narrower only where the row needs it
    QCOMPARE(ui->ZoomSlider->maximum(), 350);

    // left to right: direction, status, six inputs from 6 down to 1 and the number, three outputs, zoom
    QGridLayout *grid = ui->gridLayout;
    auto column = [grid](QWidget *w) {
        int row, col, rs, cs;
        grid->getItemPosition(grid->indexOf(w), &row, &col, &rs, &cs);
        return col;
    };
    const QList<QWidget *> order = {
        ui->label_dirValue, ui->label_StatusValue, ui->InputPort6, ui->InputPort1, ui->InputlcdNum,
        ui->OutputPort3,    ui->OutputPort1,       ui->ZoomOut,    ui->ZoomSlider, ui->ZoomIn};
    for (int i = 1; i < order.size(); ++i)
        QVERIFY2(column(order[i - 1]) < column(order[i]), qPrintable(order[i]->objectName()));
}

void FormTest::everyReferencedImageLoads_data()
{
    QTest::addColumn<QString>("path");
    const char *const names[] = {"openFile",  "Save",          "Save_as",       "application-exit",
                                 "Undo",      "Redot",         "copy",          "cut",
                                 "paste",     "Delete",        "deleteAll",     "settings",
                                 "distance",  "Intensity",     "dataTable",     "Edition",
                                 "monitor",   "SensorSetting", "Simulation",    "SelfCheck",
                                 "Serial",    "Ethernet",      "Usartsettingt", "EthernetSetting",
                                 "connected", "disconnected",  "upload",        "download",
                                 "reboot",    "information",   "DispGraph",     "DispCloud",
                                 "DispLine",  "China",         "English",       "about",
                                 "Manual",    "radar",         "newFile",       "view",
                                 "connect",   "Zoom_in",       "Zoom_out",      "Refresh",
                                 "signout",   "ConnectSensor", "Gray1",         "Gray2",
                                 "Gray3",     "Gray4",         "Gray5",         "Gray6",
                                 "Green1",    "Green2",        "Green3",        "Green4",
                                 "Green5",    "Green6",        "Yellow1",       "Orange2",
                                 "Red3",      "GrayFault",     "GreenFault",    "RedFault"};
    for (const char *n : names)
        QTest::newRow(n) << QStringLiteral(":/images/%1.png").arg(QLatin1String(n));
    // some callers leave out the slash or the extension
    QTest::newRow("no extension newFile") << QStringLiteral(":images/newFile");
    QTest::newRow("no extension radar") << QStringLiteral(":images/radar");
    QTest::newRow("no extension ConnectSensor") << QStringLiteral(":images/ConnectSensor");
    QTest::newRow("no slash Refresh") << QStringLiteral(":images/Refresh.png");
}

void FormTest::everyReferencedImageLoads()
{
    QFETCH(QString, path);
    const QPixmap pixmap(path);
    QVERIFY2(!pixmap.isNull(), qPrintable(path));
    QVERIFY(pixmap.width() >= 28 && pixmap.height() == pixmap.width());
    // lamps are shown unscaled in 28 x 28 labels
    if (path.contains(QRegularExpression("(Gray|Green|Yellow|Orange|Red)[1-6F]")))
        QCOMPARE(pixmap.size(), QSize(28, 28));
}

void FormTest::formIconsAreNotNull()
{
    // a button whose icon resource is missing would show up empty
    const char *const iconButtons[] = {"ZoomIn",
                                       "ZoomOut",
                                       "ButtonPolygonOut1",
                                       "ButtonArcOut2",
                                       "ButtonRectangleOut3",
                                       "ButtonStraightOut2",
                                       "ButtonFanOut3",
                                       "ButtonRatioOut1",
                                       "InputButton1",
                                       "InputButton6",
                                       "OutputButton2",
                                       "FaultSimuButton"};
    for (const char *name : iconButtons) {
        auto *button = get<QAbstractButton>(name);
        QVERIFY2(button && !button->icon().isNull(), name);
    }
    QVERIFY(!window->windowIcon().isNull());
}

QTEST_MAIN(FormTest)
#include "tst_form.moc"
