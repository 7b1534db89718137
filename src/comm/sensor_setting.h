#pragma once

#include "comm/codec/scan_data.h"

#include <QObject>
#include <QVector>

struct SENSOR_PARAMETERS;
class QComboBox;
class QSpinBox;
class QTextStream;
class QWidget;

// Keeps the sensor parameter record and the sensor settings dock in step both ways, enables the
// controls that apply to the connection type, and writes and reads the dock's values as the
// "SensorSetting" section of a project file.
class SENSOR_SETTING : public QObject {
    Q_OBJECT

public:
    // The 27 controls, in record order (the IP address as four spin boxes).
    enum Control {
        ControlMode,
        RS232BaudRate,
        RS232CommVerify,
        RS232StopBit,
        RS485IDAddress,
        RS485BaudRate,
        RS485CommVerify,
        RS485StopBit,
        CANIDAddress,
        CANBaudRate,
        SensorOutputLogic,
        ScanMotorSpeed,
        ScanSensorAngle,
        ScanFilterLevel,
        SensorInstallDir,
        CrossFilterEnable,
        CrossFilterNumber,
        SensorEtherMode,
        SensorIPAddress1,
        SensorIPAddress2,
        SensorIPAddress3,
        SensorIPAddress4,
        LaserMeasureFrq,
        LaserStopSignal,
        TrailiFilterLevel,
        DirtyReceDistance,
        DirtyReceStrength,
        ControlCount
    };

    // widgets: the main window (or any widget holding the dock's Para_* controls; the scan-control
    // group ScanGroupBox and Set_* is looked up in the same tree for SetConnectTypeEnables). The
    // controls are found by object name; a missing one is skipped. scan supplies the connection type.
    // Writes the defaults into the record and shows them.
    SENSOR_SETTING(SENSOR_PARAMETERS *parameters, QWidget *widgets, SCAN_DATA *scan = &ScanData(),
                   QObject *parent = nullptr);

    // Object name of a control ("Para_ControlMode").
    static const char *controlName(int control);
    QWidget *control(int control) const { return m_controls[control]; }

    // Enables the controls that apply to a connection type (0 serial, 1 Ethernet); the serial and the
    // Ethernet selection both call this.
    void SetConnectTypeEnables(int connectType);

    // The 27 control states (combo index or spin value) in the project file's order.
    QVector<int> ControlStates() const;
    // Sets the controls from such states; their change handling carries them into the record. An
    // index that names no entry leaves its combo box as it was; spin boxes clamp to their range.
    void SetControlStates(const QVector<int> &states);

    // Project file section: "SensorSetting" and 27 integer lines.
    void WriteSettingSection(QTextStream &out) const;
    // Reads lines up to "SensorSetting" (or the end), then 27 lines; lines past the end read as 0.
    // Returns the states as the file has them, so a caller can tell which ones the controls repaired.
    QVector<int> ReadSettingSection(QTextStream &in);

public slots:
    // Record -> dock, repairing out-of-range values in the record first.
    void UpdateParametersToDock();
    // Dock -> record, on every change of a control.
    void UpdateParametersFromDock();

signals:
    // The user changed a control of the dock (not a project file, not a read from the sensor).
    void ParametersEditedInDock();

private:
    QComboBox *combo(int c) const;
    QSpinBox *spin(int c) const;
    int comboIndex(int c, int fallback) const;
    int spinValue(int c, int fallback) const;
    // Shows the record in the controls without announcing it; the Ethernet-only values only when asked.
    void showParameters(bool ethernetValues);
    void showIndex(int c, int index);
    void showValue(int c, int value);
    void enable(int c, bool on);
    void enableDependents();
    bool ethernet() const { return m_scan && m_scan->ConnectType == 1; }

    SENSOR_PARAMETERS *m_parameters;
    SCAN_DATA *m_scan;
    QWidget *m_controls[ControlCount] = {};
    QWidget *m_scanGroup[5] = {};
    bool m_quiet = false;   // set while the record is shown, so the controls do not write back
    bool m_loading = false; // set while a project file's states are applied
};
