#pragma once
// Buffered byte input and output for the archive codecs. The codecs work a
// byte at a time; these keep that cheap and let the caller decide where the
// bytes come from and go to (a slice of an archive file, a memory buffer).
#include <QByteArray>
#include <QtGlobal>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

// Reads through a buffer that a refill routine tops up; the routine returns
// the number of bytes it delivered, 0 at the end of the data.
class TByteInput {
public:
    using Refill = std::function<qint64(char* buffer, qint64 maximum)>;
    static constexpr qint64 kBufferSize = 8192;

    explicit TByteInput(Refill refill) : refill_(std::move(refill)), buffer_(kBufferSize) {}

    // The next byte (0..255), or -1 at the end of the data.
    int get() {
        if (pos_ == end_ && !fill()) return -1;
        return static_cast<unsigned char>(buffer_[pos_++]);
    }
    qint64 consumed() const { return consumed_ - (end_ - pos_); }

    // Reads the bytes of a memory buffer (which must outlive the input).
    static TByteInput fromMemory(const char* data, qint64 size);

private:
    bool fill() {
        if (atEnd_) return false;
        const qint64 n = refill_(buffer_.data(), kBufferSize);
        if (n <= 0) {
            atEnd_ = true;
            return false;
        }
        pos_ = 0;
        end_ = n;
        consumed_ += n;
        return true;
    }

    Refill refill_;
    std::vector<char> buffer_;
    qint64 pos_ = 0;
    qint64 end_ = 0;
    qint64 consumed_ = 0;
    bool atEnd_ = false;
};

inline TByteInput TByteInput::fromMemory(const char* data, qint64 size) {
    auto offset = std::make_shared<qint64>(0);
    return TByteInput([=](char* buffer, qint64 maximum) -> qint64 {
        const qint64 n = std::min(maximum, size - *offset);
        std::copy(data + *offset, data + *offset + n, buffer);
        *offset += n;
        return n;
    });
}

// Collects bytes in a buffer and hands each full buffer to a flush routine
// (which throws when the bytes cannot be stored). Keeps a count and the
// 32-bit sum of everything written, which is what archive checksums use.
class TByteOutput {
public:
    using Flush = std::function<void(const char* data, qint64 size)>;
    static constexpr qint64 kBufferSize = 8192;

    explicit TByteOutput(Flush flush) : flush_(std::move(flush)), buffer_(kBufferSize) {}

    void put(int byte) {
        buffer_[used_++] = static_cast<char>(byte);
        sum_ += static_cast<unsigned char>(byte);
        if (used_ == kBufferSize) flush();
    }
    void flush() {
        if (used_ > 0) {
            const qint64 n = used_;
            used_ = 0;
            written_ += n;
            flush_(buffer_.data(), n);
        }
    }
    qint64 count() const { return written_ + used_; }
    quint32 sum() const { return sum_; }

private:
    Flush flush_;
    std::vector<char> buffer_;
    qint64 used_ = 0;
    qint64 written_ = 0;
    quint32 sum_ = 0;
};

// Runs a stream coder (in, out) over bytes in memory and returns its output:
// the in-memory form of the coders, for small data and tests.
template <class Coder> QByteArray codeInMemory(const QByteArray& data, Coder&& coder) {
    QByteArray result;
    TByteInput in = TByteInput::fromMemory(data.constData(), data.size());
    TByteOutput out([&](const char* bytes, qint64 n) { result.append(bytes, n); });
    coder(in, out);
    out.flush();
    return result;
}
