#pragma once

#include "area/store/project_data.h"
#include "comm/codec/area_codec.h"
#include "comm/codec/frame_catalogue.h"
#include "comm/codec/frame_records.h"
#include "comm/codec/scan_data.h"
#include "comm/codec/sensor_parameters.h"

#include <QByteArray>
#include <QVector>

// ---- Request builders (program side). Each writes one whole frame, checksum included, into tx. ----

// A request without payload: "RBoot", "RPrda", "RPara", "RCase", "RScan", "RStre". Returns false (and
// builds nothing) for a code that needs a payload.
bool buildPlainRequest(TxFrame &tx, FrameCode code);
// "RArea" for one area: index byte, then the constant 24.
void buildReadAreaRequest(TxFrame &tx, int areaIndex);
// "WArea": area areaIndex of the project encoded as the sensor expects (see area_codec.h).
void buildWriteAreaRequest(TxFrame &tx, int areaIndex, const AREA_DATA &area, bool installDir);
// "WCase": the case channels of the first 64 areas (missing areas are sent as zeros).
void buildWriteCaseRequest(TxFrame &tx, const QVector<AREA_DATA> &areas);
void buildWriteCaseRequest(TxFrame &tx, const QVector<CaseChannel> &channels);
// "WPara": the 25 values, low 16 bits each, big-endian; the ten spare bytes zero.
void buildWriteParametersRequest(TxFrame &tx, const SENSOR_PARAMETERS &parameters);
// "WSimu" from the project store's IO simulation fields, or from a prepared request.
void buildSimulationRequest(TxFrame &tx, const PROJECT_DATA &project);
void buildSimulationRequest(TxFrame &tx, const SimulationRequest &request);
// "SCtrl": sleep mode, zero, motor speed, scan angle, filter level (low byte of each).
void buildScanControlRequest(TxFrame &tx, const SENSOR_CONTROL &control);
// "RAuto" 1 starts "HISN" streaming, 0 stops it.
void buildAutoRequest(TxFrame &tx, bool start);

// ---- Request parser (sensor side). ----

// One request taken from a byte stream, with its payload decoded.
struct ParsedRequest {
    FrameCode code = FrameCode::RBoot;
    QByteArray frame;             // the whole frame as received
    int areaIndex = -1;           // "RArea", "WArea": the index byte
    int areaConstant = 0;         // "RArea": the second payload byte (24 from the program)
    AREA_DATA area;               // "WArea": decoded in wire coordinates (no mirroring)
    QVector<CaseChannel> cases;   // "WCase": 64 records
    SENSOR_PARAMETERS parameters; // "WPara"
    SimulationRequest simulation; // "WSimu"
    SENSOR_CONTROL scanControl;   // "SCtrl" (Enable is not on the wire)
    bool autoStart = false;       // "RAuto": true for 1
};

enum class RequestExtract {
    NeedMore, // no complete request yet; nothing useful was consumed
    Taken,    // out holds the request; its bytes and anything in front of it left the buffer
    Dropped   // a code with a wrong checksum: one byte was skipped to resynchronise; call again
};

// Finds the earliest request code in rx. Bytes in front of it are foreign and dropped; without any
// code only the last four bytes (a code that may still be arriving) are kept.
RequestExtract extractRequest(QByteArray &rx, ParsedRequest &out);
// The same from rx[pos] on, moving pos past what it consumed instead of removing it, so that a
// buffer of many requests is read once and compacted once.
RequestExtract extractRequestAt(const QByteArray &rx, int &pos, ParsedRequest &out);
