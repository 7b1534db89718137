#include "comm/codec/frame_catalogue.h"

#include "comm/codec/crc16.h"

#include <cstring>

namespace {

const FrameInfo kCatalogue[kFrameCodeCount] = {
    {FrameCode::RBoot, "RBoot", 7, 8, true},     {FrameCode::RPrda, "RPrda", 7, 509, true},
    {FrameCode::RPara, "RPara", 7, 67, true},    {FrameCode::WPara, "WPara", 67, 8, true},
    {FrameCode::RCase, "RCase", 7, 647, true},   {FrameCode::WCase, "WCase", 647, 8, true},
    {FrameCode::RArea, "RArea", 9, 1264, true},  {FrameCode::WArea, "WArea", 1264, 8, true},
    {FrameCode::WSimu, "WSimu", 18, 23, true},   {FrameCode::SCtrl, "SCtrl", 12, 12, true},
    {FrameCode::RScan, "RScan", 7, 1285, false}, {FrameCode::RStre, "RStre", 7, 1285, false},
    {FrameCode::RAuto, "RAuto", 8, 0, false},
};

uchar *beginFrame(TxFrame &tx, const FrameInfo &info, int length)
{
    tx.length = length;
    std::memset(tx.data, 0, size_t(length));
    std::memcpy(tx.data, info.name, kCodeLength);
    return tx.data;
}

} // namespace

uchar *beginRequestFrame(TxFrame &tx, FrameCode code)
{
    const FrameInfo &info = frameInfo(code);
    return beginFrame(tx, info, info.requestLength);
}

uchar *beginReplyFrame(TxFrame &tx, FrameCode code)
{
    const FrameInfo &info = frameInfo(code);
    return beginFrame(tx, info, info.replyLength);
}

void finishFrame(TxFrame &tx)
{
    crc16Append(tx.data, tx.length - 2);
}

const FrameInfo &frameInfo(FrameCode code)
{
    const int i = int(code);
    return kCatalogue[(i >= 0 && i < kFrameCodeCount) ? i : 0];
}

const FrameInfo *frameInfoByName(const char *data)
{
    for (const FrameInfo &f : kCatalogue)
        if (f.name[0] == data[0] && std::memcmp(f.name, data, kCodeLength) == 0)
            return &f;
    return nullptr;
}

QByteArray frameName(FrameCode code)
{
    return QByteArray(frameInfo(code).name, kCodeLength);
}
