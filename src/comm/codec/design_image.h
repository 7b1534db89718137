#pragma once

#include "area/store/project_data.h"
#include "comm/codec/sensor_parameters.h"

#include <QByteArray>

// The design as write-all sends it: the 64 "WArea" requests (mirrored for the parameters' install
// direction), the "WCase" request and the "WPara" request, back to back.
QByteArray designWireImage(const PROJECT_DATA &project, const SENSOR_PARAMETERS &parameters);
// Its CRC-32: the fingerprint the write log records and the configuration report prints, so a
// printed design can be matched to a sensor.
quint32 designImageCrc(const PROJECT_DATA &project, const SENSOR_PARAMETERS &parameters);
