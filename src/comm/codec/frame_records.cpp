#include "comm/codec/frame_records.h"

bool ProductInfo::operator==(const ProductInfo &o) const
{
    return ModelCode == o.ModelCode && Firmware == o.Firmware && SerialNumber == o.SerialNumber &&
           Year == o.Year && Month == o.Month && Day == o.Day;
}

bool SelfCheckReport::operator==(const SelfCheckReport &o) const
{
    return InputPorts == o.InputPorts && OutputPorts == o.OutputPorts && Status == o.Status &&
           Temperature == o.Temperature && RotationSpeed == o.RotationSpeed &&
           DriveVoltage == o.DriveVoltage && SendVoltage == o.SendVoltage &&
           ReceiveVoltage == o.ReceiveVoltage;
}

bool SimulationRequest::operator==(const SimulationRequest &o) const
{
    return Mode == o.Mode && InputBits == o.InputBits && Dgree == o.Dgree && Speed == o.Speed &&
           OptionMode == o.OptionMode && OutputSimulation == o.OutputSimulation &&
           OutputBits == o.OutputBits && Fault == o.Fault;
}

SimulationRequest simulationRequestFrom(const PROJECT_DATA &project)
{
    SimulationRequest r;
    r.Mode = project.InputSimulation ? 1 : (project.CaseSimulation ? 2 : 0);
    r.InputBits = project.SimInputBits;
    r.Dgree = project.SimDgree;
    r.Speed = project.SimSpeed;
    r.OptionMode = project.SimOptionMode;
    r.OutputSimulation = project.OutputSimulation;
    r.OutputBits = project.SimOutputBits;
    r.Fault = project.SimFault;
    return r;
}

bool CaseChannel::operator==(const CaseChannel &o) const
{
    return SteerMinDgree == o.SteerMinDgree && SteerMaxDgree == o.SteerMaxDgree &&
           VehicleMinSpeed == o.VehicleMinSpeed && VehicleMaxSpeed == o.VehicleMaxSpeed &&
           VehicleOptionMode == o.VehicleOptionMode;
}

CaseChannel caseChannelOf(const AREA_DATA &area)
{
    return {area.SteerMinDgree, area.SteerMaxDgree, area.VehicleMinSpeed, area.VehicleMaxSpeed,
            area.VehicleOptionMode};
}

void applyCaseChannel(AREA_DATA &area, const CaseChannel &c)
{
    area.SteerMinDgree = c.SteerMinDgree;
    area.SteerMaxDgree = c.SteerMaxDgree;
    area.VehicleMinSpeed = c.VehicleMinSpeed;
    area.VehicleMaxSpeed = c.VehicleMaxSpeed;
    area.VehicleOptionMode = c.VehicleOptionMode;
}

QVector<CaseChannel> caseChannelsOf(const QVector<AREA_DATA> &areas)
{
    QVector<CaseChannel> out;
    out.reserve(areas.size());
    for (const AREA_DATA &a : areas)
        out.append(caseChannelOf(a));
    return out;
}
