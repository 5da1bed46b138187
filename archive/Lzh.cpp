#include "archive/Lzh.h"
#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr int N = 4096;                     // ring buffer
constexpr int F = 60;                       // longest match
constexpr int THRESHOLD = 2;                // longest run still sent as literals
constexpr int N_CHAR = 256 - THRESHOLD + F; // literals and match lengths
constexpr int T = N_CHAR * 2 - 1;           // tree nodes
constexpr int R = T - 1;                    // root
constexpr unsigned MAX_FREQ = 0x8000;
constexpr int NIL = N;

// Prefix code of the upper 6 bits of a match position.
constexpr std::array<quint8, 64> p_len = {
    3, 4, 4, 4, 5, 5, 5, 5, 5, 5, 5, 5, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 7, 7, 7, 7, 7, 7, 7, 7,
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8};
constexpr std::array<quint8, 64> p_code = {
    0x00, 0x20, 0x30, 0x40, 0x50, 0x58, 0x60, 0x68, 0x70, 0x78, 0x80, 0x88, 0x90, 0x94, 0x98, 0x9C,
    0xA0, 0xA4, 0xA8, 0xAC, 0xB0, 0xB4, 0xB8, 0xBC, 0xC0, 0xC2, 0xC4, 0xC6, 0xC8, 0xCA, 0xCC, 0xCE,
    0xD0, 0xD2, 0xD4, 0xD6, 0xD8, 0xDA, 0xDC, 0xDE, 0xE0, 0xE2, 0xE4, 0xE6, 0xE8, 0xEA, 0xEC, 0xEE,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF};

// Decoding tables, derived from the encoding ones: for every first byte of a
// position code, the upper 6 bits it stands for and the code's length.
struct TPositionDecodeTables {
    std::array<quint8, 256> d_code{};
    std::array<quint8, 256> d_len{};
    TPositionDecodeTables() {
        for (int u = 0; u < 64; ++u) {
            const int span = 1 << (8 - p_len[u]);
            for (int b = p_code[u]; b < p_code[u] + span; ++b) {
                d_code[b] = static_cast<quint8>(u);
                d_len[b] = p_len[u];
            }
        }
    }
};
const TPositionDecodeTables& positionTables() {
    static const TPositionDecodeTables tables;
    return tables;
}

// The adaptive Huffman tree shared by coder and decoder.
class THuffTree {
public:
    THuffTree() {
        for (int i = 0; i < N_CHAR; ++i) {
            freq[i] = 1;
            son[i] = i + T;
            prnt[i + T] = i;
        }
        for (int i = 0, j = N_CHAR; j <= R; i += 2, ++j) {
            freq[j] = freq[i] + freq[i + 1];
            son[j] = i;
            prnt[i] = prnt[i + 1] = j;
        }
        freq[T] = 0xffff; // sentinel for the search in update()
        prnt[R] = 0;
    }

    void update(int c) {
        if (freq[R] == MAX_FREQ) reconst();
        c = prnt[c + T];
        do {
            const unsigned k = ++freq[c];
            int l = c + 1;
            // Keep the frequencies in order by swapping with the last node
            // of a smaller frequency.
            if (k > freq[l]) {
                while (k > freq[++l]) {
                }
                --l;
                freq[c] = freq[l];
                freq[l] = k;
                const int i = son[c];
                prnt[i] = l;
                if (i < T) prnt[i + 1] = l;
                const int j = son[l];
                son[l] = i;
                prnt[j] = c;
                if (j < T) prnt[j + 1] = c;
                son[c] = j;
                c = l;
            }
        } while ((c = prnt[c]) != 0);
    }

    std::array<unsigned, T + 1> freq{};
    std::array<int, T + N_CHAR> prnt{};
    std::array<int, T> son{};

private:
    void reconst() {
        int j = 0;
        for (int i = 0; i < T; ++i) {
            if (son[i] >= T) {
                freq[j] = (freq[i] + 1) / 2;
                son[j] = son[i];
                ++j;
            }
        }
        for (int i = 0, j = N_CHAR; j < T; i += 2, ++j) {
            const unsigned f = freq[j] = freq[i] + freq[i + 1];
            int k = j - 1;
            while (f < freq[k])
                --k;
            ++k;
            const size_t moved = static_cast<size_t>(j - k);
            std::memmove(&freq[k + 1], &freq[k], moved * sizeof(freq[0]));
            freq[k] = f;
            std::memmove(&son[k + 1], &son[k], moved * sizeof(son[0]));
            son[k] = i;
        }
        for (int i = 0; i < T; ++i) {
            const int k = son[i];
            if (k >= T)
                prnt[k] = i;
            else
                prnt[k] = prnt[k + 1] = i;
        }
    }
};

class TBitWriter {
public:
    explicit TBitWriter(TByteOutput& out) : out_(out) {}
    // Writes the top `length` bits of the 16-bit `code`, first bit first.
    void put(int length, unsigned code) { putTop(length, quint32(code & 0xffffu) << 16); }
    // The same for up to 32 bits at the top of `code`.
    void putTop(int length, quint32 code) {
        pending_ = (pending_ << length) | (code >> (32 - length));
        count_ += length;
        while (count_ >= 8) {
            count_ -= 8;
            out_.put(static_cast<int>((pending_ >> count_) & 0xff));
        }
    }
    // A last partial byte keeps its bits high, padded with zeros.
    void finish() {
        if (count_ > 0) out_.put(static_cast<int>((pending_ << (8 - count_)) & 0xff));
        pending_ = 0;
        count_ = 0;
    }

private:
    TByteOutput& out_;
    quint64 pending_ = 0; // at most 7 + 32 bits are ever pending
    int count_ = 0;
};

class TEncoder {
public:
    TEncoder(TByteInput& in, TByteOutput& out) : in_(in), bits_(out) {}

    void run() {
        // Nothing is coded for empty input: the stream is empty too.
        int c = in_.get();
        if (c < 0) return;
        initTree();
        int s = 0;
        int r = N - F;
        std::memset(text_buf.data(), ' ', r);
        int len = 0;
        for (; len < F && c >= 0; ++len) {
            text_buf[r + len] = static_cast<quint8>(c);
            if (len + 1 < F) c = in_.get();
        }
        for (int i = 1; i <= F; ++i)
            insertNode(r - i);
        insertNode(r);
        do {
            if (match_length > len) match_length = len;
            if (match_length <= THRESHOLD) {
                match_length = 1;
                encodeChar(text_buf[r]);
            } else {
                encodeChar(255 - THRESHOLD + match_length);
                encodePosition(match_position);
            }
            const int last_match_length = match_length;
            int i = 0;
            for (; i < last_match_length && (c = in_.get()) >= 0; ++i) {
                deleteNode(s);
                text_buf[s] = static_cast<quint8>(c);
                if (s < F - 1) text_buf[s + N] = static_cast<quint8>(c);
                s = (s + 1) & (N - 1);
                r = (r + 1) & (N - 1);
                insertNode(r);
            }
            while (i++ < last_match_length) {
                deleteNode(s);
                s = (s + 1) & (N - 1);
                r = (r + 1) & (N - 1);
                if (--len) insertNode(r);
            }
        } while (len > 0);
        bits_.finish();
    }

private:
    void initTree() {
        for (int i = N + 1; i <= N + 256; ++i)
            rson[i] = NIL;
        for (int i = 0; i < N; ++i)
            dad[i] = NIL;
    }

    // Inserts the string at r into the tree of its first byte and finds the
    // longest match on the way (the nearest one among equal lengths).
    void insertNode(int r) {
        int cmp = 1;
        const quint8* key = &text_buf[r];
        int p = N + 1 + key[0];
        rson[r] = lson[r] = NIL;
        match_length = 0;
        for (;;) {
            if (cmp >= 0) {
                if (rson[p] != NIL) {
                    p = rson[p];
                } else {
                    rson[p] = r;
                    dad[r] = p;
                    return;
                }
            } else {
                if (lson[p] != NIL) {
                    p = lson[p];
                } else {
                    lson[p] = r;
                    dad[r] = p;
                    return;
                }
            }
            int i = 1;
            for (; i < F; ++i) {
                if ((cmp = key[i] - text_buf[p + i]) != 0) break;
            }
            if (i > THRESHOLD) {
                if (i > match_length) {
                    match_position = ((r - p) & (N - 1)) - 1;
                    if ((match_length = i) >= F) break;
                }
                if (i == match_length) {
                    const int c = ((r - p) & (N - 1)) - 1;
                    if (c < match_position) match_position = c;
                }
            }
        }
        // A full-length match: the new string takes the old one's place.
        dad[r] = dad[p];
        lson[r] = lson[p];
        rson[r] = rson[p];
        dad[lson[p]] = r;
        dad[rson[p]] = r;
        if (rson[dad[p]] == p)
            rson[dad[p]] = r;
        else
            lson[dad[p]] = r;
        dad[p] = NIL;
    }

    void deleteNode(int p) {
        if (dad[p] == NIL) return;
        int q;
        if (rson[p] == NIL) {
            q = lson[p];
        } else if (lson[p] == NIL) {
            q = rson[p];
        } else {
            q = lson[p];
            if (rson[q] != NIL) {
                do {
                    q = rson[q];
                } while (rson[q] != NIL);
                rson[dad[q]] = lson[q];
                dad[lson[q]] = dad[q];
                lson[q] = lson[p];
                dad[lson[p]] = q;
            }
            rson[q] = rson[p];
            dad[rson[p]] = q;
        }
        dad[q] = dad[p];
        if (rson[dad[p]] == p)
            rson[dad[p]] = q;
        else
            lson[dad[p]] = q;
        dad[p] = NIL;
    }

    void encodeChar(int c) {
        // The path from the leaf up to the root, collected in the top bits.
        // Kept in 32 bits: a skewed enough input can make codes longer than
        // the 16 bits the classic coder had room for.
        quint32 code = 0;
        int length = 0;
        int k = huff_.prnt[c + T];
        do {
            code >>= 1;
            if (k & 1) code |= 0x80000000u;
            ++length;
        } while ((k = huff_.prnt[k]) != R);
        bits_.putTop(length, code);
        huff_.update(c);
    }

    void encodePosition(int c) {
        const int upper = c >> 6;
        bits_.put(p_len[upper], static_cast<unsigned>(p_code[upper]) << 8);
        bits_.put(6, static_cast<unsigned>(c & 0x3f) << 10);
    }

    TByteInput& in_;
    TBitWriter bits_;
    THuffTree huff_;
    std::array<quint8, N + F - 1> text_buf{};
    std::array<int, N + 1> lson{};
    std::array<int, N + 257> rson{};
    std::array<int, N + 1> dad{};
    int match_position = 0;
    int match_length = 0;
};

class TDecoder {
public:
    TDecoder(TByteInput& in, TByteOutput& out) : in_(in), out_(out) {}

    void run(qint64 size) {
        std::memset(text_buf.data(), ' ', N - F);
        int r = N - F;
        qint64 count = 0;
        while (count < size) {
            const int c = decodeChar();
            if (c < 256) {
                out_.put(c);
                text_buf[r++] = static_cast<quint8>(c);
                r &= N - 1;
                ++count;
            } else {
                const int from = (r - decodePosition() - 1) & (N - 1);
                const int length = c - 255 + THRESHOLD;
                if (count + length > size)
                    throw TCorruptDataError(
                        QStringLiteral("the compressed data decode to more than the stated size"));
                for (int k = 0; k < length; ++k) {
                    const quint8 b = text_buf[(from + k) & (N - 1)];
                    out_.put(b);
                    text_buf[r++] = b;
                    r &= N - 1;
                }
                count += length;
            }
        }
    }

private:
    int getBit() {
        if (bitCount_ == 0) {
            const int c = in_.get();
            if (c < 0) throw TCorruptDataError(QStringLiteral("the compressed data end early"));
            bitBuffer_ = static_cast<unsigned>(c);
            bitCount_ = 8;
        }
        --bitCount_;
        return static_cast<int>((bitBuffer_ >> bitCount_) & 1u);
    }
    int getByte() {
        int value = 0;
        for (int i = 0; i < 8; ++i)
            value = (value << 1) | getBit();
        return value;
    }

    int decodeChar() {
        int c = huff_.son[R];
        while (c < T)
            c = huff_.son[c + getBit()];
        c -= T;
        huff_.update(c);
        return c;
    }

    int decodePosition() {
        const auto& tables = positionTables();
        int i = getByte();
        const int upper = tables.d_code[i] << 6;
        int j = tables.d_len[i] - 2;
        while (j--)
            i = (i << 1) + getBit();
        return upper | (i & 0x3f);
    }

    TByteInput& in_;
    TByteOutput& out_;
    THuffTree huff_;
    std::array<quint8, N> text_buf{};
    unsigned bitBuffer_ = 0;
    int bitCount_ = 0;
};

} // namespace

namespace lzh {

void encode(TByteInput& in, TByteOutput& out) {
    // The coder's tables are large; keep them off the stack.
    auto encoder = std::make_unique<TEncoder>(in, out);
    encoder->run();
}

void decode(TByteInput& in, qint64 size, TByteOutput& out) {
    auto decoder = std::make_unique<TDecoder>(in, out);
    decoder->run(size);
}

QByteArray encode(const QByteArray& data) {
    return codeInMemory(data, [](TByteInput& in, TByteOutput& out) { encode(in, out); });
}

QByteArray decode(const QByteArray& packed, qint64 size) {
    return codeInMemory(packed,
                        [size](TByteInput& in, TByteOutput& out) { decode(in, size, out); });
}

} // namespace lzh
