#include "comm/codec/sensor_parameters.h"

namespace {

struct Field {
    int SENSOR_PARAMETERS::*member;
    const char *name;
};

#define VELTRIN_FIELD(f)                                                                                     \
    {                                                                                                        \
        &SENSOR_PARAMETERS::f, #f                                                                            \
    }
const Field kFields[SENSOR_PARAMETERS::kCount] = {
    VELTRIN_FIELD(ControlMode),         VELTRIN_FIELD(RS232BaudRate),      VELTRIN_FIELD(RS232CommVerify),
    VELTRIN_FIELD(RS232StopBit),        VELTRIN_FIELD(RS485IDAddress),     VELTRIN_FIELD(RS485BaudRate),
    VELTRIN_FIELD(RS485CommVerify),     VELTRIN_FIELD(RS485StopBit),       VELTRIN_FIELD(CANIDAddress),
    VELTRIN_FIELD(CANBaudRate),         VELTRIN_FIELD(SensorOutputLogic),  VELTRIN_FIELD(ScanMotorSpeed),
    VELTRIN_FIELD(ScanSensorAngle),     VELTRIN_FIELD(ScanFilterLevel),    VELTRIN_FIELD(SensorInstallDir),
    VELTRIN_FIELD(CrossFilterEnable),   VELTRIN_FIELD(CrossFilterNumber),  VELTRIN_FIELD(SensorEtherMode),
    VELTRIN_FIELD(SensorIPAddressHigh), VELTRIN_FIELD(SensorIPAddressLow), VELTRIN_FIELD(LaserMeasureFrq),
    VELTRIN_FIELD(LaserStopSignal),     VELTRIN_FIELD(TrailiFilterLevel),  VELTRIN_FIELD(DirtyReceDistance),
    VELTRIN_FIELD(DirtyReceStrength),
};
#undef VELTRIN_FIELD

bool inRange(int k)
{
    return k >= 0 && k < SENSOR_PARAMETERS::kCount;
}

} // namespace

int SENSOR_PARAMETERS::value(int k) const
{
    return inRange(k) ? this->*kFields[k].member : 0;
}

void SENSOR_PARAMETERS::setValue(int k, int v)
{
    if (inRange(k))
        this->*kFields[k].member = v;
}

const char *SENSOR_PARAMETERS::fieldName(int k)
{
    return inRange(k) ? kFields[k].name : nullptr;
}

bool SENSOR_PARAMETERS::operator==(const SENSOR_PARAMETERS &o) const
{
    for (int k = 0; k < kCount; ++k)
        if (value(k) != o.value(k))
            return false;
    return true;
}
