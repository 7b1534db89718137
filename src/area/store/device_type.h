#pragma once

// Sensor model code, handed around by pointer to the main window's one int.
typedef int DEVICETYPE;
enum DeviceModel { Laser05 = 0, Laser10 = 1, Laser20 = 2, Laser30 = 3, Laser50 = 4 };
constexpr int kDefaultDeviceType = Laser30;

// Everything that switches on the model reads this one table.
struct DeviceInfo {
    int code;
    int extent;        // scene width = height, mm; the scene is a square centred on the sensor
    int rangeLimit;    // measuring range: clamp for received distances, mm
    int zoomFloor;     // lowest zoom level of the view and the zoom slider
    const char *magic; // first line of a project file
    const char *extension;
    const char *name; // the model as the user knows it
};

constexpr int kZoomMax = 350;

// The model's row, or nullptr for a code outside 0..4 (callers then leave their state alone).
const DeviceInfo *deviceInfo(int code);
