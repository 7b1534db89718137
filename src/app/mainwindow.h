#pragma once

#include "app/connection_status.h"
#include "area/file/project_file.h"
#include "area/store/device_type.h"
#include "area/store/language.h"
#include "area/store/project_data.h"
#include "comm/codec/scan_data.h"
#include "comm/link_parameters.h"
#include "report/config_report.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPoint>
#include <QVector>

class QGraphicsScene;
class QLabel;
class QMenu;
class Link;
class QCloseEvent;
class QToolButton;
class QToolBar;
class QTimer;
class OPTION_SCENE;
class SERIAL_COMM;
class SENSOR_SETTING;
class AREA_TABLE;
class COORD_TABLE;
class EDIT_CONTROL;
class DATA_TABLE;
class IO_SIMULATION;
class SettingsDialog;
class EthnertSetting;
class About;
class AppSettingsDialog;
class Create;
class StatusBadges;
class BreachLegend;
class ZoneCsvCommands;
class TeachControl;
class ScanReplayControl;
class DesignCheckDialog;
struct SENSOR_PARAMETERS;

namespace Ui {
class MainWindow;
}

// The spine: builds the form, creates every controller once, wires them and carries the
// window-level slots. Logic of its own stays small; the controllers hold the rest.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // A TCP connection not accepted within this is reported as failed.
    static constexpr int kConnectTimeoutMs = 4000;
    // After a restart the sensor is awaited this long, asked every kRestartProbeMs.
    static constexpr int kRestartWaitMs = 30000;
    static constexpr int kRestartProbeMs = 500;
    static constexpr int kRestartTickMs = 250;

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Shows the start dialog in front of the window (program start).
    void showStartDialog();
    // Opens a project of any model from a path, as the start dialog's Open does (File › Open: only
    // one of the window's model); false when the file cannot be read or is not a project file (the
    // latter told to the user).
    bool openProjectPath(const QString &name, bool anyModel = true);
    // A file of the Recent Projects list (File menu or start dialog): one that is gone is said so and
    // taken off the list; the start dialog comes back when nothing was opened from it.
    void openRecentProject(const QString &fileName, bool fromStartDialog);
    QMenu *recentProjectsMenu() const { return RecentMenu; }
    AppSettingsDialog *appSettingsDialog() const { return AppSettings; }
    // A path from the command line: opened, or the start dialog shown after saying why not.
    void openFromCommandLine(const QString &name);
    // Fits the window to a screen's available area: a layout too wide for it gets the right-hand
    // docks as tabs again, and the window is shrunk and moved onto the screen.
    void fitToScreen(const QRect &available);

    Ui::MainWindow *form() const { return ui; }
    QGraphicsScene *editorScene() const { return scene; }
    int deviceType() const { return DeviceType; }
    Language language() const { return Lang; }
    int monitoringFlag() const { return MonitoringFlag; }
    SERIAL_COMM *serialComm() const { return SerialComm; }
    DATA_TABLE *dataTable() const { return DataTable; }
    IO_SIMULATION *ioSimulation() const { return IoSimulation; }
    SENSOR_CONTROL *sensorControl() const { return SensorControl; }
    OPTION_SCENE *optionScene() const { return OptionScene; }
    AREA_TABLE *areaTable() const { return AreaTable; }
    COORD_TABLE *coordTable() const { return CoordTable; }
    EDIT_CONTROL *editControl() const { return EditControl; }
    SENSOR_PARAMETERS *sensorParameters() const { return SensorParameters; }
    SettingsDialog *serialSettingsDialog() const { return SerialSettingDialog; }
    EthnertSetting *ethernetSettingsDialog() const { return EthernetSettingDialog; }
    Create *startDialog() const { return StartDialog; }
    About *aboutDialog() const { return AboutDialog; }
    // The link to the sensor, or null before the first connection.
    Link *link() const;
    QLabel *connectionLabel() const { return ConnectLabel; }
    ConnectionStatus *connectionStatus() const { return LinkStatus; }
    ConnectionStatus::State connectionState() const;
    StatusBadges *statusBadges() const { return Badges; }
    BreachLegend *breachLegend() const { return Legend; }
    ZoneCsvCommands *zoneCsvCommands() const { return CsvCommands; }
    TeachControl *teachControl() const { return Teach; }
    // Display › Record Scan and File › Open Recording… with its playback bar.
    ScanReplayControl *scanReplay() const { return Replay; }
    DesignCheckDialog *designCheck() const { return DesignCheck; }
    // The file the project was last opened from or saved to; empty for a new project.
    QString projectFileName() const { return ProjectFileName; }

public slots:
    // File › Export Report…: the configuration report as a PDF.
    void exportReport();
    void openfile();
    bool savefile();
    bool saveProjectAs();
    // Commits a value still being typed (a coordinate cell, a spin box) before acting on the design.
    void commitPendingEdits();
    // File name (or "Untitled") and the modified mark.
    void refreshTitle();
    void OpenProject();
    void OpenManualFile();
    void OpenMonitoringMode();
    void LanguageToEnglish();
    void LanguageToChinese();
    void ClearAllEditData();
    void CreateDeviceLaser05() { createNewProject(Laser05); }
    void CreateDeviceLaser10() { createNewProject(Laser10); }
    void CreateDeviceLaser20() { createNewProject(Laser20); }
    void CreateDeviceLaser30() { createNewProject(Laser30); }
    void CreateDeviceLaser50() { createNewProject(Laser50); }
    void BarDisplayCoord(QPoint Coord);
    void OpenCloseSensorDock(bool Checked);
    void OpenCloseEditionDock(bool Checked);
    void OpenCloseDataTableDock(bool Checked);
    void OpenCloseIOSimulationDock(bool Checked);
    void OpenCloseSelfCheck(bool Checked);
    void OpenCloseReadScanf(bool Checked);
    void OpenCloseReadIntensity(bool Checked);
    void CreateDeviceType(DEVICETYPE *Type);
    void ConnectChangeUSARTModeSlot();
    void ConnectChangeEthernetModeSlot();
    void CreatConnectTypeSignalSlot(int Index);
    // Connection (mainwindow_connection.cpp).
    void OpenSerialPort();
    void CloseSerialPort();
    void CreatOpenSerialPort(QString Com);
    void CreatEthernetPort(QString Com);
    void CreatEthnertModeSignalSlot(QString Type);
    void OpenDispGraphSlot();
    void OpenDispCloudSlot();
    void OpenDispLineSlot();
    // Status displays and scan control (mainwindow_status.cpp).
    void SensorControlEnableSlot();
    void SensorControlChangeSlot();
    void SelfCheckDisp(short SensorTemper, ushort RotateSpeed, ushort DriveVoltage, ushort SendVoltage,
                       ushort ReceiveVoltage);
    void IOPortDisplayer(uint Inport, uint Outport, uint Status);
    void DirChange(bool dir);
    void MonitorGraphicDisplay(uint Inport, uint Outport, uint Status);
    // Write All and Soft Reboot, after the user has confirmed them (mainwindow_confirm.cpp).
    void ConfirmWriteAllSlot();
    void ConfirmSoftRebootSlot();
    // Fits the view to the displayed area's zones, or to the scan when there are none (key F).
    void ZoomToFitSlot();
    // Lamps, self-check values, the scan store and the data table as without a sensor.
    void clearLiveDisplays();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createNewProject(int code);
    // Shows a file's sensor settings; what the file needed repaired, one line each, in the window's
    // language.
    QStringList applyProjectContents(const ProjectFile::Contents &contents);
    void refreshEditors();
    void showWholeDockTabTitles();
    void areasReadFromSensor();
    bool saveProjectTo(const QString &name);
    bool maybeSaveChanges();
    void adoptProjectFile(const QString &name);
    void resetUndoBase();
    void setDisplayMode(int mode);
    bool anyTransportOpen() const;
    void applyLanguage(Language language);
    void restoreSettings();
    void tabifyRightDocks();
    // The connected sensor as the user knows it: its address or port, and its serial number once known.
    QString connectedSensorName() const;
    void saveSettings();
    void makeConnections();
    void makeTransportConnections();
    void makeDialogConnections();
    void setSensorActions(bool on);
    QString peerLabelText() const;
    void enterConnecting(const QString &peer);
    void enterConnected();
    QString serialLineText() const;
    QString ethernetPeerText() const;
    void beginExchange();
    void linkOpened();
    void linkLost(const QString &why);
    void sensorAnswered();
    void connectFailed(const QString &why);
    void connectionLost(const QString &why);
    void stopLink();
    void startRestartWait();
    void restartTick();
    void restartConfirmed();
    void writeAllToSensor();
    bool settleLinkParameters();
    bool loadSensorAreasOnConnect();
    void makeAreaEditingConnections();
    void makeSceneConnections();
    void makeStatusConnections();
    void makeBadgeConnections();
    void makeReplayControl();
    // The badges follow the mode, the simulation flags and the language.
    void refreshBadges();
    void makeViewConnections();
    // CSV, report and teach-in commands (mainwindow_files.cpp).
    void makeFileCommands();
    // What the configuration report shows, gathered as the window shows it.
    ReportInput reportInput() const;
    void makeRecentProjectsMenu();
    void makeAppSettings();
    void fillRecentProjectsMenu();
    // The start dialog's list from the settings.
    void refreshRecentProjects();
    // The last scan's extent, or the model's range before any scan.
    QRectF scanReach();

    Ui::MainWindow *ui = nullptr;
    QGraphicsScene *scene = nullptr;
    DEVICETYPE DeviceType = kDefaultDeviceType;
    SERIAL_COMM *SerialComm = nullptr;
    DATA_TABLE *DataTable = nullptr;
    bool DataTableBehind = false; // a scan arrived while the Data Table was hidden
    SENSOR_SETTING *SensorSetting = nullptr;
    IO_SIMULATION *IoSimulation = nullptr;
    AREA_TABLE *AreaTable = nullptr;
    COORD_TABLE *CoordTable = nullptr;
    EDIT_CONTROL *EditControl = nullptr;
    SENSOR_PARAMETERS *SensorParameters = nullptr;
    SENSOR_CONTROL *SensorControl = nullptr;
    Create *StartDialog = nullptr;
    Language Lang = Language::Chinese;
    About *AboutDialog = nullptr;
    int MonitoringFlag = 0; // 0 edition, 1 monitoring
    uint MonitorMemory = 0; // the last input word the monitoring display acted on
    QLabel *ConnectLabel = nullptr;
    ConnectionStatus *LinkStatus = nullptr;
    QTimer *ConnectTimer = nullptr;
    QTimer *RestartTimer = nullptr;
    QElapsedTimer RestartClock;
    qint64 LastRestartProbe = 0;
    bool RestartReconnected = false; // over TCP: a new connection since the restart began
    QString LastPeer;                // port or address of the current or last connection
    int LastConnectType = 0;         // its connection type
    LinkParameters SensorLinkAsRead; // the sensor's own, from its last parameter read
    LinkParameters LinkFromDock;     // as the user set them in the dock while connected
    bool SensorLinkKnown = false;
    bool LinkEditedInDock = false;
    bool ProjectFromFile = false; // the design was opened from a file
    // What connecting may replace without asking: the areas of a new project, and those last read from
    // the sensor (by its serial number) while they are unchanged.
    QVector<AREA_DATA> BlankDesign;
    QVector<AREA_DATA> DesignAsRead;
    int DesignReadFrom = -1;
    bool designCameFromThisSensor() const;
    SettingsDialog *SerialSettingDialog = nullptr;
    EthnertSetting *EthernetSettingDialog = nullptr;
    OPTION_SCENE *OptionScene = nullptr;
    QToolButton *NewButton = nullptr;
    QToolBar *EditionToolBar = nullptr;
    QToolBar *SensorToolBar = nullptr;
    StatusBadges *Badges = nullptr;
    QAction *ZoomToFitAction = nullptr;
    BreachLegend *Legend = nullptr;
    ZoneCsvCommands *CsvCommands = nullptr;
    TeachControl *Teach = nullptr;
    ScanReplayControl *Replay = nullptr;
    DesignCheckDialog *DesignCheck = nullptr;
    bool FitOnNextScan = false; // after connecting and entering monitoring
    bool WasConnected = false;
    int SensorSerialNumber = -1; // from the product information, -1 until the sensor has told it
    QString ProjectFileName;
    QMenu *RecentMenu = nullptr;
    AppSettingsDialog *AppSettings = nullptr;
};
