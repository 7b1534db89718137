#pragma once

#include "area/store/language.h"
#include <QWidget>

class QLabel;

// The badges beside the connection state in the status bar: what the sensor is doing, readable at a
// glance from across a vehicle. "Monitoring" while the display follows the sensor, an amber
// "Simulation" while any simulation is on, the active area from the sensor's input word, and a red
// badge naming the faults the sensor reports. Each badge is hidden while it has nothing to say.
class StatusBadges : public QWidget {
    Q_OBJECT
public:
    explicit StatusBadges(QWidget *parent = nullptr);

    void setLanguage(Language language);
    void setMonitoring(bool on);
    void setSimulation(bool on);
    // A report of the sensor: the input word is the number of the active area, the status word
    // carries the fault bits.
    void showSensorReport(uint inport, uint status);
    // No sensor any more: no area, no fault.
    void clearSensorState();

    QLabel *monitoringBadge() const { return Monitoring; }
    QLabel *simulationBadge() const { return Simulation; }
    QLabel *areaBadge() const { return Area; }
    QLabel *faultBadge() const { return Fault; }

    // The names of the fault bits 0..6 that are set, each followed by its number in parentheses,
    // with nothing between them; empty when no known bit is set.
    static QString faultText(uint status, Language language);

    static const QColor &amber();
    static const QColor &red();

private:
    void refresh();

    QLabel *Monitoring = nullptr;
    QLabel *Simulation = nullptr;
    QLabel *Area = nullptr;
    QLabel *Fault = nullptr;
    Language Lang = Language::Chinese;
    bool MonitoringOn = false;
    bool SimulationOn = false;
    bool Reported = false;
    uint Inport = 0;
    uint Status = 0;
};
