#pragma once
// The LZH method of the archive: the classic LZHUF coding (LZSS over a
// 4096-byte ring buffer, matches of 3..60 bytes, adaptive Huffman coding of
// 314 symbols, fixed prefix code for the upper 6 bits of a position). The
// bit stream has no length or end marker: the decoder is told the size.
#include "archive/ByteStreams.h"
#include "platform/Errors.h"
#include <QByteArray>

// Raised when a stream is not a valid coding of the stated size.
class TCorruptDataError : public TListoraError {
public:
    using TListoraError::TListoraError;
};

namespace lzh {

// Codes every byte of `in` until its end, bit for bit as the classic coder.
void encode(TByteInput& in, TByteOutput& out);

// Produces exactly `size` bytes. Throws TCorruptDataError when the stream
// ends before that or a copy would run past `size`.
void decode(TByteInput& in, qint64 size, TByteOutput& out);

QByteArray encode(const QByteArray& data);
QByteArray decode(const QByteArray& packed, qint64 size);

} // namespace lzh
