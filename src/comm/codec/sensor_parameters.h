#pragma once

#include <QtGlobal>

// The sensor's 25 configuration values, owned by the main window. Most are indexes into the settings
// dock's combo boxes; on the wire each travels as its low 16 bits, big-endian, in this order.
struct SENSOR_PARAMETERS {
    static constexpr int kCount = 25;

    int ControlMode = 0;
    int RS232BaudRate = 0;
    int RS232CommVerify = 0;
    int RS232StopBit = 0;
    int RS485IDAddress = 127;
    int RS485BaudRate = 0;
    int RS485CommVerify = 0;
    int RS485StopBit = 0;
    int CANIDAddress = 127;
    int CANBaudRate = 0;
    int SensorOutputLogic = 0;
    int ScanMotorSpeed = 1;
    int ScanSensorAngle = 1;
    int ScanFilterLevel = 0;
    int SensorInstallDir = 0; // non-zero: sensor mounted upside down
    int CrossFilterEnable = 2;
    int CrossFilterNumber = 2;
    int SensorEtherMode = 0;
    int SensorIPAddressHigh = 49320; // 192.168
    int SensorIPAddressLow = 344;    // 1.88
    int LaserMeasureFrq = 0;
    int LaserStopSignal = 1;
    int TrailiFilterLevel = 1;
    int DirtyReceDistance = 200;
    int DirtyReceStrength = 500;

    // Value k (0..24) in record order; an index outside the record reads 0 and writes nothing.
    int value(int k) const;
    void setValue(int k, int v);
    // Back to the defaults above.
    void resetToDefaults() { *this = SENSOR_PARAMETERS(); }
    // The field name of value k ("ControlMode"), or nullptr.
    static const char *fieldName(int k);

    bool operator==(const SENSOR_PARAMETERS &o) const;
    bool operator!=(const SENSOR_PARAMETERS &o) const { return !(*this == o); }
};
