#pragma once
// The run-length method of the archive. A run of one byte is written as the
// byte, the marker 0x94 and the run's length; a literal 0x94 is the marker
// followed by 0.
#include "archive/ByteStreams.h"
#include <QByteArray>

namespace rle {

constexpr int kMarker = 0x94;

void encode(TByteInput& in, TByteOutput& out);

// Decodes until `in` ends. Throws TCorruptDataError (archive/Lzh.h) when the
// data end inside a marker pair or decode to more than `size` bytes.
void decode(TByteInput& in, qint64 size, TByteOutput& out);

QByteArray encode(const QByteArray& data);
QByteArray decode(const QByteArray& packed, qint64 size);

} // namespace rle
