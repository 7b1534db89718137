#pragma once

// The whole wire format in one include.
#include "comm/codec/area_codec.h"
#include "comm/codec/crc16.h"
#include "comm/codec/frame_catalogue.h"
#include "comm/codec/frame_records.h"
#include "comm/codec/hisn.h"
#include "comm/codec/replies.h"
#include "comm/codec/requests.h"
#include "comm/codec/scan_data.h"
#include "comm/codec/sensor_parameters.h"
