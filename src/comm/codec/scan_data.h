#pragma once

#include <QtGlobal>

constexpr int kSerialBeams = 640;
constexpr int kEtherRing = 30000;
constexpr int kDefaultRangeLimit = 60000;

// The global live scan store, filled by the command exchange and read by the overlays and the
// data table. Arrays exist at full size from start-up, zero filled.
struct SCAN_DATA {
    int EtherIndex = 0;
    int EtherCount = 0;
    quint16 SerialDistance[kSerialBeams] = {};
    quint16 SerialIntensity[kSerialBeams] = {};
    quint16 EtherDistance[kEtherRing] = {};
    quint16 EtherIntensity[kEtherRing] = {};
    int ConnectType = 0; // 0 serial, 1 Ethernet
    int EtherMode = 0;   // 0 TCP, 1 UDP
    int DisplayMode = 0; // 0 graph, 1 point cloud, 2 line
    bool InstallDir = false;
};

SCAN_DATA &ScanData();

// Scan-control selections of the main window, sent with "SCtrl".
struct SENSOR_CONTROL {
    int SleepMode = 0;
    int MotorSpeed = 0;
    int ScanAngle = 0;
    int FilterLevel = 0;
    bool Enable = false;
};
