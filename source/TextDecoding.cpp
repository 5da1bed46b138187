#include "source/TextDecoding.h"

#include "platform/Errors.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <iconv.h>

namespace {

// Owns one iconv conversion descriptor.
class TIconv {
public:
    explicit TIconv(const QByteArray& fromCode) : cd_(iconv_open("UTF-8", fromCode.constData())) {}
    ~TIconv() {
        if (valid()) iconv_close(cd_);
    }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

QByteArray iconvName(int codePage) {
    return "CP" + QByteArray::number(codePage);
}

// Converts with iconv; an invalid or truncated sequence becomes U+FFFD and
// the conversion carries on with the next byte.
QString convert(iconv_t cd, const QByteArray& bytes) {
    static const QByteArray replacement("\xEF\xBF\xBD");
    QByteArray out;
    out.reserve(bytes.size() * 2 + 16);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char buffer[4096];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<qsizetype>(outPtr - buffer));
        if (rc != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: skip the offending byte.
        out.append(replacement);
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return QString::fromUtf8(out);
}

} // namespace

bool IsKnownCodePage(int codePage) {
    return codePage == 65001 || (codePage > 0 && TIconv(iconvName(codePage)).valid());
}

bool IsValidUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = decoder.decode(bytes);
    return !decoder.hasError();
}

QString DecodeSourceBytes(const QByteArray& bytes, int codePage) {
    // Decoded once: valid UTF-8 decodes to what QString::fromUtf8 gives.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    TIconv conv(iconvName(codePage));
    if (conv.valid()) return convert(conv.get(), bytes);
    TIconv fallback(iconvName(kDefaultCodePage));
    if (fallback.valid()) return convert(fallback.get(), bytes);
    return QString::fromLatin1(bytes);
}

QStringList SplitSourceLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n') continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n') ++i;
        start = i + 1;
    }
    if (start < n) lines.append(text.mid(start));
    return lines;
}

namespace {

// The first CR, LF or non-ASCII byte at or after i; n when there is none.
// Sixteen bytes a step where the processor has SSE2 (every x86-64 one).
qsizetype nextBreakOrHighByte(const char* data, qsizetype i, qsizetype n) {
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const int breaks =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
        const int mask = breaks | _mm_movemask_epi8(v);
        if (mask != 0) return i + __builtin_ctz(unsigned(mask));
    }
#endif
    for (; i < n; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (c == '\r' || c == '\n' || c >= 0x80) return i;
    }
    return n;
}

// SplitSourceLines for text of ASCII bytes, each line decoded on its own:
// no copy of the whole text in between. False (lines left empty) for text
// with a byte that is not ASCII.
bool splitAsciiLines(const QByteArray& bytes, QStringList& lines) {
    const char* const data = bytes.constData();
    const qsizetype n = bytes.size();
    lines.reserve(std::count(bytes.cbegin(), bytes.cend(), '\n') + 1);
    qsizetype start = 0;
    for (qsizetype i = nextBreakOrHighByte(data, 0, n); i < n;
         i = nextBreakOrHighByte(data, i, n)) {
        if (static_cast<unsigned char>(data[i]) >= 0x80) {
            lines.clear();
            return false;
        }
        lines.append(QString::fromLatin1(data + start, i - start));
        if (data[i] == '\r' && i + 1 < n && data[i + 1] == '\n') ++i;
        start = ++i;
    }
    if (start < n) lines.append(QString::fromLatin1(data + start, n - start));
    return true;
}

} // namespace

QList<QByteArray> SplitSourceByteLines(const QByteArray& bytes) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes.at(i);
        if (c != '\r' && c != '\n') continue;
        lines.append(bytes.mid(start, i - start));
        if (c == '\r' && i + 1 < n && bytes.at(i + 1) == '\n') ++i;
        start = i + 1;
    }
    if (start < n) lines.append(bytes.mid(start));
    return lines;
}

QByteArray ReadSourceBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TListoraError(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw TListoraError(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    return bytes;
}

QStringList ReadSourceLines(const QString& path, int codePage) {
    const QByteArray bytes = ReadSourceBytes(path);
    // ASCII reads the same in every code page and in UTF-8.
    QStringList lines;
    if (splitAsciiLines(bytes, lines)) return lines;
    return SplitSourceLines(DecodeSourceBytes(bytes, codePage));
}
