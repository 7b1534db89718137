#include "comm/codec/requests.h"

#include "comm/codec/area_codec.h"
#include "comm/codec/crc16.h"
#include "comm/codec/replies.h"
#include "comm/codec/wire_bytes.h"

using namespace wire;

namespace {

bool hasPayload(FrameCode code)
{
    return frameInfo(code).requestLength != 7;
}

} // namespace

bool buildPlainRequest(TxFrame &tx, FrameCode code)
{
    if (hasPayload(code))
        return false;
    beginRequestFrame(tx, code);
    finishFrame(tx);
    return true;
}

void buildReadAreaRequest(TxFrame &tx, int areaIndex)
{
    uchar *f = beginRequestFrame(tx, FrameCode::RArea);
    f[5] = uchar(areaIndex & 0xFF);
    f[6] = 24;
    finishFrame(tx);
}

void buildWriteAreaRequest(TxFrame &tx, int areaIndex, const AREA_DATA &area, bool installDir)
{
    tx.length = kAreaRecordLength;
    encodeAreaRecord(tx.data, "WArea", areaIndex, area, installDir);
}

void buildWriteCaseRequest(TxFrame &tx, const QVector<CaseChannel> &channels)
{
    uchar *f = beginRequestFrame(tx, FrameCode::WCase);
    for (int i = 0; i < kCaseRecords && i < channels.size(); ++i) {
        uchar *r = f + 5 + kCaseRecordSize * i;
        const CaseChannel &c = channels[i];
        put16(r, c.SteerMinDgree);
        put16(r + 2, c.SteerMaxDgree);
        put16(r + 4, c.VehicleMinSpeed);
        put16(r + 6, c.VehicleMaxSpeed);
        put16(r + 8, c.VehicleOptionMode);
    }
    finishFrame(tx);
}

void buildWriteCaseRequest(TxFrame &tx, const QVector<AREA_DATA> &areas)
{
    buildWriteCaseRequest(tx, caseChannelsOf(areas.mid(0, kCaseRecords)));
}

void buildWriteParametersRequest(TxFrame &tx, const SENSOR_PARAMETERS &parameters)
{
    uchar *f = beginRequestFrame(tx, FrameCode::WPara);
    for (int k = 0; k < SENSOR_PARAMETERS::kCount; ++k)
        put16(f + 5 + 2 * k, parameters.value(k));
    finishFrame(tx);
}

void buildSimulationRequest(TxFrame &tx, const SimulationRequest &r)
{
    uchar *f = beginRequestFrame(tx, FrameCode::WSimu);
    f[5] = uchar(r.Mode);
    f[6] = uchar(r.InputBits);
    put16(f + 7, r.Dgree);
    put16(f + 9, r.Speed);
    put16(f + 11, r.OptionMode);
    f[13] = r.OutputSimulation ? 1 : 0;
    f[14] = uchar(r.OutputBits);
    f[15] = uchar(r.Fault);
    finishFrame(tx);
}

void buildSimulationRequest(TxFrame &tx, const PROJECT_DATA &project)
{
    buildSimulationRequest(tx, simulationRequestFrom(project));
}

void buildScanControlRequest(TxFrame &tx, const SENSOR_CONTROL &control)
{
    uchar *f = beginRequestFrame(tx, FrameCode::SCtrl);
    f[5] = uchar(control.SleepMode);
    f[6] = 0;
    f[7] = uchar(control.MotorSpeed);
    f[8] = uchar(control.ScanAngle);
    f[9] = uchar(control.FilterLevel);
    finishFrame(tx);
}

void buildAutoRequest(TxFrame &tx, bool start)
{
    uchar *f = beginRequestFrame(tx, FrameCode::RAuto);
    f[5] = start ? 1 : 0;
    finishFrame(tx);
}

namespace {

// Earliest position in d[from, size) where a request code starts (may be followed by too few bytes).
int findRequestCode(const uchar *d, int size, const FrameInfo **info)
{
    for (int i = 0; i + kCodeLength <= size; ++i) {
        const uchar c = d[i];
        if (c != 'R' && c != 'W' && c != 'S')
            continue;
        if (const FrameInfo *f = frameInfoByName(reinterpret_cast<const char *>(d + i))) {
            *info = f;
            return i;
        }
    }
    return -1;
}

void decodeRequest(const uchar *f, ParsedRequest &out)
{
    switch (out.code) {
    case FrameCode::RArea:
        out.areaIndex = f[5];
        out.areaConstant = f[6];
        break;
    case FrameCode::WArea:
        out.area = AREA_DATA();
        out.areaIndex = decodeAreaRecord(f, out.area, false);
        break;
    case FrameCode::WCase:
        out.cases = decodeCaseChannels(f); // the reply's layout
        break;
    case FrameCode::WPara: decodeParameters(f, out.parameters); break; // the reply's layout
    case FrameCode::WSimu: {
        SimulationRequest &s = out.simulation;
        s.Mode = f[5];
        s.InputBits = f[6];
        s.Dgree = getS16(f + 7);
        s.Speed = getS16(f + 9);
        s.OptionMode = getS16(f + 11);
        s.OutputSimulation = f[13] != 0;
        s.OutputBits = f[14];
        s.Fault = f[15];
        break;
    }
    case FrameCode::SCtrl:
        out.scanControl.SleepMode = f[5];
        out.scanControl.MotorSpeed = f[7];
        out.scanControl.ScanAngle = f[8];
        out.scanControl.FilterLevel = f[9];
        break;
    case FrameCode::RAuto: out.autoStart = f[5] == 1; break;
    default: break;
    }
}

} // namespace

RequestExtract extractRequestAt(const QByteArray &rx, int &pos, ParsedRequest &out)
{
    const uchar *d = reinterpret_cast<const uchar *>(rx.constData()) + pos;
    const int size = rx.size() - pos;
    const FrameInfo *info = nullptr;
    const int at = findRequestCode(d, size, &info);
    if (at < 0) {
        // Keep a code that may still be arriving; everything else is foreign.
        if (size > kCodeLength - 1)
            pos += size - (kCodeLength - 1);
        return RequestExtract::NeedMore;
    }
    pos += at;
    const int length = info->requestLength;
    if (size - at < length)
        return RequestExtract::NeedMore;
    if (!crc16Verify(d + at, length - 2)) {
        // The letters may have been foreign bytes; resynchronise one byte further.
        pos += 1;
        return RequestExtract::Dropped;
    }
    out = ParsedRequest();
    out.code = info->code;
    out.frame = rx.mid(pos, length);
    pos += length;
    decodeRequest(reinterpret_cast<const uchar *>(out.frame.constData()), out);
    return RequestExtract::Taken;
}

RequestExtract extractRequest(QByteArray &rx, ParsedRequest &out)
{
    int pos = 0;
    const RequestExtract result = extractRequestAt(rx, pos, out);
    rx.remove(0, pos);
    return result;
}
