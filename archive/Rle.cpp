#include "archive/Rle.h"
#include "archive/Lzh.h"

namespace rle {

namespace {

void writeRun(TByteOutput& out, int byte, int length) {
    while (length > 0) {
        const int chunk = std::min(length, 255);
        if (chunk >= 3) {
            out.put(byte);
            out.put(kMarker);
            out.put(chunk);
        } else {
            for (int i = 0; i < chunk; ++i)
                out.put(byte);
        }
        length -= chunk;
    }
}

} // namespace

void encode(TByteInput& in, TByteOutput& out) {
    int current = -1;
    int length = 0;
    for (int c = in.get(); c >= 0; c = in.get()) {
        if (c == kMarker) {
            // The marker is never the byte of a run.
            writeRun(out, current, length);
            length = 0;
            current = -1;
            out.put(kMarker);
            out.put(0);
        } else if (c == current) {
            ++length;
        } else {
            writeRun(out, current, length);
            current = c;
            length = 1;
        }
    }
    writeRun(out, current, length);
}

void decode(TByteInput& in, qint64 size, TByteOutput& out) {
    const auto tooLong = [] {
        return TCorruptDataError(
            QStringLiteral("the compressed data decode to more than the stated size"));
    };
    int previous = 0;
    qint64 count = 0;
    for (int c = in.get(); c >= 0; c = in.get()) {
        if (c != kMarker) {
            if (++count > size) throw tooLong();
            out.put(c);
            previous = c;
            continue;
        }
        const int n = in.get();
        if (n < 0) throw TCorruptDataError(QStringLiteral("the compressed data end early"));
        const int copies = n == 0 ? 1 : n - 1;
        if (count + copies > size) throw tooLong();
        for (int i = 0; i < copies; ++i)
            out.put(n == 0 ? kMarker : previous);
        count += copies;
        previous = kMarker;
    }
}

QByteArray encode(const QByteArray& data) {
    return codeInMemory(data, [](TByteInput& in, TByteOutput& out) { encode(in, out); });
}

QByteArray decode(const QByteArray& packed, qint64 size) {
    return codeInMemory(packed,
                        [size](TByteInput& in, TByteOutput& out) { decode(in, size, out); });
}

} // namespace rle
