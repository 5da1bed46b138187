// Arbitrary bytes through both codecs: packing then unpacking must give the
// bytes back, and unpacking the bytes themselves must fail cleanly or stop
// at the stated size.
#include "archive/Lzh.h"
#include "archive/Rle.h"
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    if (lzh::decode(lzh::encode(input), input.size()) != input) std::abort();
    if (rle::decode(rle::encode(input), input.size()) != input) std::abort();
    const qint64 stated = size >= 2 ? (data[0] | data[1] << 8) * 4 : 0;
    try {
        if (lzh::decode(input, stated).size() != stated) std::abort();
    } catch (const TCorruptDataError&) {
    }
    try {
        if (rle::decode(input, stated).size() > stated) std::abort();
    } catch (const TCorruptDataError&) {
    }
    return 0;
}
