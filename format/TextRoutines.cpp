#include "format/TextRoutines.h"

#include <QDate>
#include <QLocale>
#include <array>
#include <bit>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

QString ExpandTabs(const QString& line, int count) {
    if (!line.contains('\t')) return line;
    const QString blanks(qBound(0, count, 20), ' ');
    QString out;
    out.reserve(line.size() + blanks.size() * 4);
    for (QChar c : line) {
        if (c == '\t')
            out += blanks;
        else
            out += c;
    }
    return out;
}

int FindCommentStart(QStringView line) {
    bool inString = false;
    const char16_t* const text = line.utf16();
    // The last two characters never start a comment.
    const qsizetype end = line.size() - 2;
    qsizetype i = 0;
#ifdef __SSE2__
    // Every line is searched several times: eight characters a step up to
    // the next quote or apostrophe.
    const __m128i quote = _mm_set1_epi16(u'"'), apostrophe = _mm_set1_epi16(u'\'');
    while (i + 8 <= end) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        const unsigned mask = unsigned(_mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi16(v, quote), _mm_cmpeq_epi16(v, apostrophe))));
        if (mask == 0) {
            i += 8;
            continue;
        }
        i += std::countr_zero(mask) / 2;
        if (text[i] == u'"')
            inString = !inString;
        else if (!inString)
            return int(i);
        ++i;
    }
#endif
    for (; i < end; ++i) {
        const char16_t c = text[i];
        // Letters and most signs come after both marks: one test for them.
        if (c > u'\'') continue;
        if (c == u'"')
            inString = !inString;
        else if (c == u'\'' && !inString)
            return int(i);
    }
    return -1;
}

QString StripComment(const QString& line) {
    const int pos = FindCommentStart(line);
    return pos < 0 ? line : line.left(pos);
}

int FirstNonBlank(QStringView line) {
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] != ' ') return int(i + 1);
    }
    return int(line.size() + 1);
}

bool IsWordChar(QChar c) {
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_';
}

bool IsBlankLine(QStringView line) {
    for (QChar c : line) {
        if (c.unicode() > ' ') return false;
    }
    return true;
}

namespace {

// "Friend" procedures of VB5/VB6 classes are procedures too.
constexpr std::array<const char*, 12> kDeclarationKeywords = {"Sub ",
                                                              "Function ",
                                                              "Private Sub ",
                                                              "Private Function ",
                                                              "Public Sub ",
                                                              "Public Function ",
                                                              "Property ",
                                                              "Public Property ",
                                                              "Private Property ",
                                                              "Friend Sub ",
                                                              "Friend Function ",
                                                              "Friend Property "};

// Length of the declaration keyword the line begins with (after its leading
// blanks), or 0. Only the first 20 characters from the first non-blank count.
// Every line of a listing passes through here: no allocation, and lines
// that cannot start with a keyword are turned away on their first letter.
qsizetype declarationKeywordEnd(QStringView line) {
    const qsizetype start = FirstNonBlank(line) - 1;
    if (start >= line.size()) return 0;
    const char16_t first = line[start].unicode();
    if (first != 'S' && first != 'F' && first != 'P') return 0;
    const QStringView head = line.mid(start, 20);
    for (const char* keyword : kDeclarationKeywords) {
        const QLatin1StringView kw(keyword);
        if (head.startsWith(kw)) return start + kw.size();
    }
    return 0;
}

} // namespace

bool IsProcDeclaration(QStringView line) {
    return declarationKeywordEnd(line) > 0;
}

bool ContinuesOnNextLine(QStringView line) {
    // Not the end of a name ("Total_"); a tab before it may have been
    // taken out ("a,_").
    const QStringView code = line.trimmed();
    return code.endsWith(u'_') && (code.size() == 1 || !IsWordChar(code[code.size() - 2]));
}

QString ExtractProcName(const QString& line) {
    const qsizetype nameStart = declarationKeywordEnd(line);
    const qsizetype paren = line.indexOf('(');
    if (nameStart == 0 || paren < nameStart) return {};
    return line.mid(nameStart, paren - nameStart).trimmed();
}

QString WithoutTypeCharacter(const QString& name) {
    QString plain = name.trimmed();
    while (!plain.isEmpty() && QStringLiteral("$%&!#@").contains(plain.back()))
        plain.chop(1);
    return plain;
}

QString ExpandHeaderText(const QString& templ, const QString& fileName, const QString& procName,
                         int pageNumber, const QString& dateText) {
    const std::array<std::pair<const char*, QString>, 4> variables = {{
        {"%f", fileName},
        {"%d", dateText},
        {"%p", QString::number(pageNumber)},
        {"%s", procName},
    }};
    QString text = templ;
    for (const auto& [name, value] : variables) {
        const qsizetype at = text.indexOf(QLatin1StringView(name), 0, Qt::CaseInsensitive);
        if (at < 0) continue;
        text = text.left(at) + value + text.mid(at + 2, 100);
    }
    return text;
}

QString ElideToWidth(const QString& text, int room,
                     const std::function<int(const QString&)>& width) {
    if (width(text) <= room) return text;
    const QString dots = QStringLiteral("...");
    const auto cut = [&](qsizetype n) {
        // Never half of a surrogate pair.
        if (n > 0 && text[n - 1].isHighSurrogate()) --n;
        return text.left(n).trimmed() + dots;
    };
    // Widths grow with the length: the longest start that fits, halving.
    qsizetype low = 0, high = text.size() - 1;
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (width(cut(mid)) <= room)
            low = mid;
        else
            high = mid - 1;
    }
    if (width(cut(low)) <= room) return cut(low);
    return QString();
}

QString TodayShortDate() {
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
}
