// The stand-in's request decoding: an arbitrary byte stream, read request by request as the stand-in
// reads its buffer, every request decoded.
#include "comm/codec/codec.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray rx(reinterpret_cast<const char *>(data), int(size));
    int pos = 0;
    for (;;) {
        const int before = pos;
        ParsedRequest request;
        const RequestExtract result = extractRequestAt(rx, pos, request);
        if (pos < before || pos > rx.size())
            __builtin_trap(); // the read position only moves forward, inside the buffer
        if (result == RequestExtract::Taken && request.frame.size() != frameInfo(request.code).requestLength)
            __builtin_trap();
        if (result == RequestExtract::NeedMore)
            break;
    }
    // The buffer-owning form agrees with the positional one.
    QByteArray copy = rx;
    ParsedRequest request;
    while (extractRequest(copy, request) != RequestExtract::NeedMore) {
    }
    return 0;
}
