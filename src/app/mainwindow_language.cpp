// The main window's own texts in both languages. Combo boxes keep their selection: only item
// texts are replaced.
#include "app/about.h"
#include "app/app_settings_dialog.h"
#include "app/create.h"
#include "app/design_check_dialog.h"
#include "app/mainwindow.h"

#include "app/manual_location.h"
#include "app/qt_translations.h"
#include "app/scan_replay_control.h"
#include "area/area_table.h"
#include "area/coord_table.h"
#include "area/dialogs.h"
#include "area/file/sensor_settings.h"
#include "area/zone_csv_commands.h"
#include "comm/codec/scan_data.h"
#include "comm/ethnertsetting.h"
#include "comm/serial_comm.h"
#include "comm/settingsdialog.h"
#include "editor/breach_legend.h"
#include "editor/teach_control.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QUrl>

namespace {

struct Text {
    const char *object;
    const char *english;
    const char *chinese;
};

// Actions, menus, docks, labels, group boxes and buttons, found by object name.
const Text kTexts[] = {
    {"Open", "Open", "打开文件"},
    {"Save", "Save", "保存文件"},
    {"SaveAs", "Save As", "另存为"},
    {"RecentProjects", "&Recent Projects", "最近的工程"},
    {"Quit", "Quit", "退出"},
    {"ExportCsv", "Export Project as CSV…", "导出项目为CSV…"},
    {"ImportCsv", "Import Project from CSV…", "从CSV导入项目…"},
    {"ExportReport", "Export Report…", "导出报告…"},
    {"Undo", "Undo", "撤销"},
    {"Redo", "Redo", "重做"},
    {"Copy", "Copy", "复制"},
    {"Cut", "Cut", "剪切"},
    {"Paste", "Paste", "粘贴"},
    {"Delete", "Delete", "删除"},
    {"DeleteAll", "Delete All", "全部删除"},
    {"AppSettings", "App Settings", "应用设置"},
    {"Distance", "Distance", "距离"},
    {"Intensity", "Intensity", "强度"},
    {"DataTable", "Data Table", "数据列表"},
    {"Edition", "Edition", "编辑"},
    {"Monitoring", "Monitoring", "监控"},
    {"SensorSetting", "Sensor Setting", "传感器设定"},
    {"IOSimulation", "IO Simulation", "输入输出仿真"},
    {"SelfCheck", "SelfCheck", "自检状态"},
    {"SerialConnection", "Serial", "串口"},
    {"EthernetConnection", "Ethernet", "以太网"},
    {"SerialSetting", "Serial Setting", "串口设置"},
    {"EthnernetSetting", "Ethernet Setting", "以太网设置"},
    {"Connection", "Connection", "连接设备"},
    {"DisConnection", "Disconnect", "断开设备"},
    {"ReadAllSetting", "Read All Setting", "上传数据"},
    {"WriteAllSetting", "Write All Setting", "下载数据"},
    {"VerifySetting", "Verify", "校验"},
    {"SoftReboot", "Soft Reboot", "重启设备"},
    {"SensorInformation", "Sensor Information", "传感器信息"},
    {"DispGraph", "Disp Graph", "图形显示"},
    {"DispCloud", "Disp Cloud", "点云显示"},
    {"DispLine", "Disp Line", "线条显示"},
    {"About", "About", "关于"},
    {"Manual", "Manual", "指南"},
    {"ZoomToFit", "Zoom to &Fit", "缩放至适合"},
    {"File", "&File", "文件"},
    {"New", "&New", "新建文件"},
    {"Edit", "&Edit", "编辑"},
    {"View", "&View", "视窗"},
    {"ViewMode", "&Mode", "视图"},
    {"Setting", "&Setting", "设置"},
    {"Connections", "&Connections", "连接"},
    {"Interfaces", "&Interfaces", "接口"},
    {"Display", "&Display", "显示"},
    {"Language", "&Language", "语言"},
    {"Help", "&Help", "帮助"},
    // The toolbars, as the toolbar context menu lists them.
    {"FileToolBar", "File", "文件"},
    {"EditToolBar", "Edit", "编辑"},
    {"ViewToolBar", "View", "视窗"},
    {"ConnectToolBar", "Connection", "连接"},
    {"HelpToolBar", "Help", "帮助"},
    {"ConnTypeToolBar", "Interface", "接口"},
    {"DispToolBar", "Display", "显示"},
    {"EditionControlDock", "Edition Controls", "编辑控制"},
    {"SensorSettingDock", "Sensor Setting", "传感器设定"},
    {"DataTableDock", "Data Table", "数据列表"},
    {"IOSimulationDock", "IO Simulation", "IO端口仿真"},
    {"SelfCheckDock", "Self Check", "自检状态"},
    {"ArealineText", "Area", "区域"},
    {"RegionsLineText", "Regions", "编辑"},
    {"label_OpenDelay", "On Delay", "打开延迟"},
    {"label_CloseDelay", "Off Delay", "关闭延迟"},
    {"label_Hysteresis", "Hysteresis", "关闭滞后比例"},
    {"label_DetectionSize", "Detection Size", "检测物体大小"},
    {"label_SteerDgreeRange", "Steering Range", "驱动转角范围"},
    {"label_VehicleSpeedRange", "Speed Range", "车辆速度范围"},
    {"label_VehicleOptionMode", "Operation", "车辆操作模式"},
    {"label_Timestamp", "Timestamp:", "时间戳:"},
    {"InportGrouptBox", "Input Simulation", "输入端口仿真"},
    {"OutportGrouptBox", "Output Simulation", "输出端口仿真"},
    {"FaultGroupBox", "Fault Simulation", "异常状态仿真"},
    {"CaseSimulationBox", "Case Channel Simulation", "工况通道仿真"},
    {"label_SimDgree", "Steering", "驱动转角"},
    {"label_SimSpeed", "Speed", "车辆速度"},
    {"label_SimOptionMode", "Operation", "车辆操作模式"},
    // The sensor settings dock's texts come from SensorSettings.
    // Status row, scan control and self check.
    {"label_dir", "Mounting", "安装方式"},
    {"label_Status", "Status", "状态"},
    {"label_Inputs", "Input", "输入"},
    {"label_Outputs", "Output", "输出"},
    {"ScanGroupBox", "Scan Setting", "动态扫描设定"},
    {"label_Set_SensorSleepMode", "Sensor Sleep", "传感器休眠"},
    {"label_Set_ScanMotorSpeed", "Scan Motor Speed", "扫描电机转速"},
    {"label_Set_ScanFilterLevel", "Scan Filter Level", "噪声过滤等级"},
    {"label_SensorTemper", "Sensor Temperature", "传感器温度"},
    {"label_RotateSpeed", "Rotate Speed", "马达转速"},
    {"label_DriveVoltage", "MOS Driver Voltage", "MOS驱动电压"},
    {"label_SendVoltage", "LD Send Voltage", "LD发射电压"},
    {"label_ReceiveVoltage", "APD Receive Voltage", "APD接收电压"},
};

// Combo boxes whose items change with the language, items separated by '|'. Only the item texts
// are replaced, so every selection stays.
const Text kItemTexts[] = {
    {"Set_SensorSleepMode", "Normal|Sleep", "正常运行|休眠模式"},
    {"Set_ScanFilterLevel", "Off|Easy|Medium|Strict", "关闭|简单|中等|严格"},
};

// Widgets repeated once per output: object name prefix, suffix 1..3 appended.
const Text kPerOutputTexts[] = {
    {"IndependetBox", "Independent", "独立模式"},
    {"DependetBox", "Dependent", "依靠模式"},
    {"RegionBoxOut", "Teach Region", "自学习范围"},
    {"label_Corner", "Corner", "位置"},
    {"label_Size", "Size", "大小"},
    {"ButtonSelectOut", "Select", "选择"},
    {"MethodBoxOut", "Method", "方法"},
    {"DistanceOffsetBoxOut", "Distance Offset", "抵消距离"},
    {"OtherBoxOut", "Others", "其他"},
    {"CheckSimplifyResultOut", "Simplify the Result", "简化结果"},
    {"ButtonTeachOut", "Start Teach", "开始自学习"},
};

void setObjectText(QObject *object, const QString &text)
{
    if (auto *action = qobject_cast<QAction *>(object))
        action->setText(text);
    else if (auto *menu = qobject_cast<QMenu *>(object))
        menu->setTitle(text);
    else if (auto *dock = qobject_cast<QDockWidget *>(object))
        dock->setWindowTitle(text);
    else if (auto *bar = qobject_cast<QToolBar *>(object))
        bar->setWindowTitle(text);
    else if (auto *box = qobject_cast<QGroupBox *>(object))
        box->setTitle(text);
    else if (auto *button = qobject_cast<QAbstractButton *>(object))
        button->setText(text);
    else if (auto *label = qobject_cast<QLabel *>(object))
        label->setText(text);
    else if (auto *line = qobject_cast<QLineEdit *>(object))
        line->setText(text);
}

void setItemTexts(QComboBox *box, const QString &joined)
{
    const QStringList texts = joined.split('|');
    for (int i = 0; i < texts.size() && i < box->count(); ++i)
        box->setItemText(i, texts[i]);
}

void setTabTexts(QTabWidget *tabs, const QStringList &texts)
{
    for (int i = 0; i < texts.size() && i < tabs->count(); ++i)
        tabs->setTabText(i, texts[i]);
}

void setHeaders(QTableWidget *table, const QStringList &texts)
{
    for (int i = 0; i < texts.size() && i < table->columnCount(); ++i) {
        if (!table->horizontalHeaderItem(i))
            table->setHorizontalHeaderItem(i, new QTableWidgetItem);
        table->horizontalHeaderItem(i)->setText(texts[i]);
    }
}

} // namespace

void MainWindow::LanguageToEnglish()
{
    AboutDialog->LanguageDisplayEnglish();
    StartDialog->LanguageDisplayEnglish();
    SerialSettingDialog->LanguageDisplayEnglish();
    EthernetSettingDialog->LanguageDisplayEnglish();
    applyLanguage(Language::English);
}

void MainWindow::LanguageToChinese()
{
    AboutDialog->LanguageDisplayChinese();
    StartDialog->LanguageDisplayChinese();
    SerialSettingDialog->LanguageDisplayChinese();
    EthernetSettingDialog->LanguageDisplayChinese();
    applyLanguage(Language::Chinese);
}

void MainWindow::applyLanguage(Language language)
{
    Lang = language;
    SerialComm->SetLanguage(language);
    AppSettings->setLanguage(language);
    CoordTable->setLanguage(language);
    AreaTable->setLanguage(language);
    useQtTranslations(language);
    auto text = [this](const Text &t) { return pick(Lang, t.english, t.chinese); };
    for (const Text &t : kTexts)
        if (QObject *o = findChild<QObject *>(t.object))
            setObjectText(o, text(t));
    for (const Text &t : kPerOutputTexts)
        for (int i = 1; i <= 3; ++i)
            if (QObject *o = findChild<QObject *>(QString("%1%2").arg(t.object).arg(i)))
                setObjectText(o, text(t));
    for (const Text &t : kItemTexts)
        if (auto *box = findChild<QComboBox *>(t.object))
            setItemTexts(box, text(t));
    for (int c = 0; c < SensorSettings::kCount; ++c) {
        const SensorSettings::Control &k = *SensorSettings::control(c);
        if (QObject *o = findChild<QObject *>(k.labelName))
            setObjectText(o, pick(Lang, k.english, k.chinese));
        if (auto *box = findChild<QComboBox *>(k.name); box && k.items > 0)
            setItemTexts(box, pick(Lang, k.itemsEnglish, k.itemsChinese));
    }
    const QString outputLogic =
        pick(Lang,
             "Normally open: the output switches on (high) while an object is in the zone.\n"
             "Normally closed: the output is on (high) while the zone is clear and switches off.",
             "常开方式：区域内有物体时输出导通（高电平）。\n常闭方式：区域内无物体时输出导通（高电平），"
             "有物体时断开。");
    ui->label_SensorOutputLogic->setToolTip(outputLogic);
    ui->Para_SensorOutputLogic->setToolTip(outputLogic);
    // Named in both directions: a Chinese window must not keep the English name of this label.
    ui->label_Set_ScanSensorAngle->setText(pick(Lang, "Scan Sensor Angle", "角度分辨率"));

    ui->Area_Hysteresis->setItemText(0, pick(Lang, "Off", "关闭"));
    for (QComboBox *modes : {ui->VehicleOptionMode, ui->SimOptionMode})
        for (int i = 0; i < modes->count(); ++i)
            modes->setItemText(i, pick(Lang, "Type %1", "操作模式%1").arg(i));
    setTabTexts(ui->ParametersEditTab,
                QStringList{pick(Lang, "Parameter", "通道参数"), pick(Lang, "Case Channel", "工况通道")});
    setTabTexts(ui->AreaEditTab, QStringList{pick(Lang, "Out 1", "输出1"), pick(Lang, "Out 2", "输出2"),
                                             pick(Lang, "Out 3", "输出3")});

    QTabWidget *teachTabs[] = {ui->TableCoordinatesOut1, ui->TableCoordinatesOut2, ui->TableCoordinatesOut3};
    QTabWidget *typeTabs[] = {ui->CoordinatesTypeOut1, ui->CoordinatesTypeOut2, ui->CoordinatesTypeOut3};
    QTableWidget *xyTables[] = {ui->CoordTableWidgetOut1, ui->CoordTableWidgetOut2, ui->CoordTableWidgetOut3};
    QTableWidget *polarTables[] = {ui->PolarTableWidgeOut1, ui->PolarTableWidgeOut2, ui->PolarTableWidgeOut3};
    QComboBox *methods[] = {ui->MethodOut1, ui->MethodOut2, ui->MethodOut3};
    for (int i = 0; i < 3; ++i) {
        setTabTexts(teachTabs[i],
                    QStringList{pick(Lang, "Coordinates", "坐标"), pick(Lang, "Teaching", "自学习")});
        setTabTexts(typeTabs[i],
                    QStringList{pick(Lang, "X / Y", "X/Y坐标"), pick(Lang, "Radius / Angle", "距离/角度")});
        setHeaders(xyTables[i], QStringList{pick(Lang, "Point", "点数"), pick(Lang, "X [mm]", "X坐标[mm]"),
                                            pick(Lang, "Y [mm]", "Y坐标[mm]")});
        setHeaders(polarTables[i], QStringList{pick(Lang, "Point", "点数"), pick(Lang, "R [mm]", "距离[mm]"),
                                               pick(Lang, "Th [deg]", "角度[deg]")});
        // The first two columns are narrow by design, but never narrower than their headings.
        for (QTableWidget *t : {xyTables[i], polarTables[i]}) {
            const QFontMetrics metrics(t->horizontalHeader()->font());
            for (int c = 0; c < 2; ++c)
                t->setColumnWidth(c, qMax(c == 0 ? 40 : 80,
                                          metrics.horizontalAdvance(t->horizontalHeaderItem(c)->text()) + 8));
        }
        if (methods[i]->count() >= 2) {
            methods[i]->setItemText(0, pick(Lang, "Average", "平均值"));
            methods[i]->setItemText(1, pick(Lang, "Minimum", "最小值"));
        }
    }
    setHeaders(ui->DataTableWidget,
               QStringList{pick(Lang, "Step", "步号"), pick(Lang, "Distance [mm]", "距离[mm]"),
                           pick(Lang, "Intensity", "反光强度")});
    // Each column as wide as its heading or its widest value, whichever is wider.
    const QFontMetrics header(ui->DataTableWidget->horizontalHeader()->font());
    const QFontMetrics cells(ui->DataTableWidget->font());
    for (int c = 0; c < 2; ++c)
        ui->DataTableWidget->setColumnWidth(
            c, qMax(header.horizontalAdvance(ui->DataTableWidget->horizontalHeaderItem(c)->text()),
                    cells.horizontalAdvance(QStringLiteral("65535"))) +
                   12);

    refreshTitle();
    // The label naming the port or address stays in view for the whole connection.
    if (ConnectLabel && !ConnectLabel->text().isEmpty())
        ConnectLabel->setText(peerLabelText());
    if (LinkStatus)
        LinkStatus->setLanguage(Lang);
    if (CsvCommands)
        CsvCommands->setLanguage(Lang);
    if (Teach)
        Teach->setLanguage(Lang);
    ui->label_dirValue->clear();
    ui->label_StatusValue->clear();
    if (Badges)
        refreshBadges();
    if (Legend) {
        Legend->setLanguage(Lang);
        ui->graphicsView->setCornerOverlay(Legend); // placed again for its new width
    }
    showWholeDockTabTitles();
    if (DesignCheck)
        DesignCheck->setLanguage(Lang);
    if (Replay)
        Replay->setLanguage(Lang); // last: a paused playback shows its report again in the new language
}

// The right-hand docks share one column as tabs along its edge: their titles are shown whole rather
// than cut to "Sensor ..." and "Self...".
void MainWindow::showWholeDockTabTitles()
{
    for (QTabBar *tabs : findChildren<QTabBar *>())
        if (tabs->parentWidget() == this) {
            tabs->setElideMode(Qt::ElideNone);
            tabs->setUsesScrollButtons(true);
        }
}

namespace {

// Whether this desktop has no program for PDF files. Asking the desktop to open one then starts
// its opener, which succeeds, and nothing appears; the desktop's own table says so beforehand.
bool desktopLacksPdfViewer()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("xcb") && !platform.startsWith(QLatin1String("wayland")))
        return false;
    const QString query = QStandardPaths::findExecutable("xdg-mime");
    if (query.isEmpty())
        return QStandardPaths::findExecutable("xdg-open").isEmpty();
    QProcess process;
    process.start(query, {"query", "default", "application/pdf"});
    if (!process.waitForFinished(3000))
        return false; // no answer is no proof: let the desktop try
    return process.readAllStandardOutput().trimmed().isEmpty();
#else
    return false;
#endif
}

} // namespace

// The manual in the window's language, installed or next to the build.
// When nothing can show it, the user is told where the file is, to open it another way.
void MainWindow::OpenManualFile()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString path = manualFilePath(Lang, programDir, QDir::currentPath());
    if (!desktopLacksPdfViewer() && QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return;
    QString text;
    if (!QFileInfo::exists(path)) {
        QStringList places;
        for (const QString &place : manualSearchPaths(Lang, programDir, QDir::currentPath()))
            places << QDir::toNativeSeparators(place);
        text = pick(Lang, "The manual was not found. Looked for:\n%1", "未找到指南文件。已查找：\n%1")
                   .arg(places.join('\n'));
    } else {
        text = pick(Lang, "No program to show PDF files was found on this computer.\nThe manual is at:\n%1",
                    "本机没有可显示PDF文件的程序。\n指南文件位于：\n%1")
                   .arg(QDir::toNativeSeparators(path));
    }
    Dialogs::ask(this, Dialogs::Icon::Information, pick(Lang, "Manual", "指南"), text);
}
