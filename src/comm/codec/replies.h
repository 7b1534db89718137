#pragma once

#include "area/store/project_data.h"
#include "comm/codec/frame_catalogue.h"
#include "comm/codec/frame_records.h"
#include "comm/codec/hisn.h"
#include "comm/codec/scan_data.h"
#include "comm/codec/sensor_parameters.h"

#include <QByteArray>
#include <QVector>

// ---- Reply builders (sensor side). Fixed catalogue length, checksum included. ----

// 8-byte reply with one status byte: "WArea", "WCase", "WPara" (0 stored, 1 rejected, 2 flash failed)
// and "RBoot" (byte not interpreted). Returns false for any other code.
bool buildStatusReply(TxFrame &tx, FrameCode code, quint8 status);
void buildProductReply(TxFrame &tx, const ProductInfo &info);
void buildParametersReply(TxFrame &tx, const SENSOR_PARAMETERS &parameters);
void buildCaseReply(TxFrame &tx, const QVector<CaseChannel> &channels);
// "RArea" from an area (encoded like "WArea", installDir mirrors x).
void buildAreaReply(TxFrame &tx, int areaIndex, const AREA_DATA &area, bool installDir);
// "RArea" carrying exactly the record of a received "WArea" frame (1264 bytes), re-stamped and re-summed;
// returns false if record is not 1264 bytes long.
bool buildAreaReplyFromRecord(TxFrame &tx, const QByteArray &record);
void buildSelfCheckReply(TxFrame &tx, const SelfCheckReport &report);
// "SCtrl" reply: echoes the control values in the request's layout.
void buildScanControlReply(TxFrame &tx, const SENSOR_CONTROL &control);
// "RScan" (distances) or "RStre" (intensities): 640 values in the sensor's beam order, no checksum.
// Returns false for any other code.
bool buildScanReply(TxFrame &tx, FrameCode code, const quint16 *values640);

// ---- Reply decoders over one whole frame (checksum already verified by the extractor). ----

int decodeStatus(const uchar *frame); // byte 5
ProductInfo decodeProductInfo(const uchar *frame);
void decodeParameters(const uchar *frame, SENSOR_PARAMETERS &parameters); // zero-extended
QVector<CaseChannel> decodeCaseChannels(const uchar *frame);              // 64 records, signed
// Writes the 64 case channels into the first 64 areas (fewer areas: the rest is ignored).
void storeCaseChannels(const QVector<CaseChannel> &channels, QVector<AREA_DATA> &areas);
SelfCheckReport decodeSelfCheck(const uchar *frame);
// 640 values of an "RScan"/"RStre" frame into out640: index k when installDir is set, 639 - k otherwise,
// each clamped to rangeLimit.
void decodeScanValues(const uchar *frame, quint16 *out640, bool installDir, int rangeLimit);

// ---- Receive side. ----

// The 50,000-byte bound, applied after each append: when rx holds that much, drop its whole scan
// packets and foreign bytes, keep its whole replies and the frame still arriving at its end (from the
// last "HISN" when that is a packet), empty it when even that stays at the bound, and return true.
bool applyReceiveBound(QByteArray &rx);

enum class Extract {
    None,   // no complete frame of that code; nothing was removed
    Taken,  // frame holds the frame; it has left rx
    Dropped // a frame of that code with a wrong checksum left rx and was discarded
};
// Takes the first frame of code from rx (bytes in front of it stay), checking its checksum.
Extract extractReplyFrame(QByteArray &rx, FrameCode code, QByteArray &frame);

// What a delivery acts on. Every pointer must be set except those a connection never uses.
struct ReplyContext {
    SCAN_DATA *scan = nullptr;           // serial arrays, Ethernet rings, ConnectType, InstallDir
    QVector<AREA_DATA> *areas = nullptr; // the project's 64 areas (read areas, case channels)
    SENSOR_PARAMETERS *parameters = nullptr;
    HisnAssembly *hisn = nullptr;
    QVector<HisnRevolution> *revolutions = nullptr; // when given, each completed revolution's copy
    int rangeLimit = kDefaultRangeLimit;
};

// Told about every accepted reply, right after its frame left the buffer and its content was stored.
// Handlers may run nested event loops that deliver (and extract) more bytes in the meantime.
class ReplySink {
public:
    virtual ~ReplySink() = default;
    // Asked before the content of an area, parameters or case channels reply is stored; false leaves
    // the stores untouched (the reply answers nothing awaited, or is only to be compared). Its
    // handler below is called either way.
    virtual bool storeReply(FrameCode /*code*/, const QByteArray & /*frame*/) { return true; }
    virtual void rebootReply() {}
    virtual void productReply(const ProductInfo &) {}
    virtual void intensityReply() {}
    virtual void areaReply(int /*areaIndex*/) {}
    virtual void writeAreaReply(int /*status*/) {}
    virtual void parametersReply() {}
    virtual void writeParametersReply(int /*status*/) {}
    virtual void caseReply() {}
    virtual void writeCaseReply(int /*status*/) {}
    virtual void selfCheckReply(const SelfCheckReport &) {}
    virtual void scanControlReply() {}
    virtual void distanceReply() {}
    virtual void revolutions(int /*completed*/) {}
};

// One delivery: append bytes, apply the bound, or run every extractor once in the fixed order
// (RBoot, RPrda, RStre, RArea, WArea, RPara, WPara, RCase, WCase, WSimu, SCtrl, then RScan on serial
// or HISN on Ethernet, by ctx.scan->ConnectType). Returns false when the bound cut the buffer (the
// replies it kept are still handled).
bool receiveDelivery(QByteArray &rx, const QByteArray &bytes, ReplyContext &ctx, ReplySink &sink);
// The same without appending (bytes already in rx).
bool runReplyExtractors(QByteArray &rx, ReplyContext &ctx, ReplySink &sink);
