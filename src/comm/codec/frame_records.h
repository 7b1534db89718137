#pragma once

#include "area/store/project_data.h"

#include <QVector>
#include <QtGlobal>

// Small records carried by frames, shared by the program and the sensor stand-in.

// "RPrda" reply: product information, every value unsigned 16-bit.
struct ProductInfo {
    quint16 ModelCode = 0;
    quint16 Firmware = 0; // version times 100
    quint16 SerialNumber = 0;
    quint16 Year = 0;
    quint16 Month = 0;
    quint16 Day = 0;
    bool operator==(const ProductInfo &o) const;
};

// "WSimu" reply: self-check values and port states. The port bytes are widened with their sign, as the
// monitor expects (0x80 or more yields all upper bits set).
struct SelfCheckReport {
    uint InputPorts = 0;
    uint OutputPorts = 0;
    quint16 Status = 0;
    qint16 Temperature = 0; // hundredths of a degree
    quint16 RotationSpeed = 0;
    quint16 DriveVoltage = 0;
    quint16 SendVoltage = 0;
    quint16 ReceiveVoltage = 0;
    bool operator==(const SelfCheckReport &o) const;
};

// "WSimu" request: the IO simulation state of the project store as it goes on the wire.
struct SimulationRequest {
    int Mode = 0; // 1 inputs simulated, 2 case channels simulated, 0 neither
    int InputBits = 0;
    int Dgree = 0; // signed 16-bit on the wire
    int Speed = 0; // signed 16-bit on the wire
    int OptionMode = 0;
    bool OutputSimulation = false;
    int OutputBits = 0;
    int Fault = 0;
    bool operator==(const SimulationRequest &o) const;
};
// The request the project store's IO simulation fields describe.
SimulationRequest simulationRequestFrom(const PROJECT_DATA &project);

// One area's case channel rule as it travels in "RCase"/"WCase" (five signed 16-bit values).
struct CaseChannel {
    int SteerMinDgree = 0;
    int SteerMaxDgree = 0;
    int VehicleMinSpeed = 0;
    int VehicleMaxSpeed = 0;
    int VehicleOptionMode = 0;
    bool operator==(const CaseChannel &o) const;
};
// The case channel of an area, and writing one back into an area (other fields untouched).
CaseChannel caseChannelOf(const AREA_DATA &area);
void applyCaseChannel(AREA_DATA &area, const CaseChannel &channel);
// The case channels of a list of areas (the project's 64), in area order.
QVector<CaseChannel> caseChannelsOf(const QVector<AREA_DATA> &areas);
