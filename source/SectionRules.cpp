#include "source/SectionRules.h"

#include "format/TextRoutines.h"

namespace {

// Leading blanks (spaces only).
int leadingBlanks(const QString& line) {
    int k = 0;
    while (k < line.size() && line.at(k) == u' ')
        ++k;
    return k;
}

bool containsAny(const QString& line, std::initializer_list<const char*> keys) {
    for (const char* key : keys)
        if (line.contains(QLatin1String(key))) return true;
    return false;
}

// Function, Property and Sub share one shape: the keyword starts the line,
// or it starts early and a scope keyword stands right before it.
bool procedureTest(const QString& line, const QString& key, int maxPos,
                   std::initializer_list<const char*> scoped) {
    if (!KeyStartsWithin(line, key, maxPos)) return false;
    return line.startsWith(key) || containsAny(line, scoped);
}

// Index of the ")" that closes the "(" at open, quotes skipped; -1 when
// the line ends first.
qsizetype matchingParen(const QString& text, qsizetype open) {
    int depth = 0;
    bool quoted = false;
    for (qsizetype i = open; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == u'(')
            ++depth;
        else if (c == u')' && --depth == 0)
            return i;
    }
    return -1;
}

QString typeOfCharacter(QChar c) {
    switch (c.unicode()) {
    case u'%':
        return QStringLiteral("Integer");
    case u'&':
        return QStringLiteral("Long");
    case u'!':
        return QStringLiteral("Single");
    case u'#':
        return QStringLiteral("Double");
    case u'$':
        return QStringLiteral("String");
    case u'@':
        return QStringLiteral("Currency");
    default:
        return {};
    }
}

} // namespace

QString CutComment(const QString& line) {
    // The formatter's rule, searched the same fast way.
    const int at = FindCommentStart(line);
    return at < 0 ? line : line.left(at);
}

bool KeyStartsWithin(const QString& line, const QString& key, int maxPos) {
    // Only an occurrence starting before maxPos counts: search no further.
    if (maxPos <= 0) return false;
    const qsizetype p = QStringView(line).left(maxPos - 1 + key.size()).indexOf(key);
    return p >= 0 && p < maxPos;
}

bool IsFunctionStart(const QString& line) {
    return procedureTest(line, QStringLiteral("Function "), 16,
                         {"Public Function", "Private Function", "Friend Function"});
}

bool IsPropertyStart(const QString& line) {
    return procedureTest(line, QStringLiteral("Property "), 16, {"Property Let ", "Property Get "});
}

bool IsSubStart(const QString& line) {
    return procedureTest(line, QStringLiteral("Sub "), 14,
                         {"Private Sub", "Public Sub", "Friend Sub"}) ||
           KeyStartsWithin(line, QStringLiteral(" Sub  "), 10);
}

bool MayStartProcedure(QStringView line) {
    for (const QChar c : line.first(qMin<qsizetype>(line.size(), 16)))
        if (c == u'F' || c == u'P' || c == u'S') return true;
    return false;
}

bool IsPrivateDeclaration(const QString& text) {
    return KeyStartsWithin(text, QStringLiteral("Private "), 11);
}

bool IsStaticDeclaration(const QString& text) {
    return KeyStartsWithin(text, QStringLiteral("Static "), 18);
}

QString DeclaredType(const QString& text) {
    qsizetype from = 0;
    const qsizetype open = text.indexOf(u'(');
    if (open >= 0) {
        const qsizetype close = matchingParen(text, open);
        if (close < 0) return QStringLiteral("Variant");
        from = close + 1;
    }
    const qsizetype as = text.indexOf(QLatin1String(" As "), from);
    if (as < 0) return QStringLiteral("Variant");
    const QString rest = text.mid(as + 4).trimmed();
    // The type ends at a blank, a statement separator or a comment.
    qsizetype end = 0;
    while (end < rest.size() && rest[end] != u' ' && rest[end] != u':' && rest[end] != u'\'')
        ++end;
    const QString type = rest.left(end);
    return type.isEmpty() ? QStringLiteral("Variant") : type;
}

RSectionName SectionNameOf(const QString& text, bool isSub) {
    const bool isPrivate = IsPrivateDeclaration(text);
    // Keywords count before the parameters only: a parameter such as
    // "VirtualProperty As Long" makes no property.
    const qsizetype open = text.indexOf(u'(');
    const QString head = open >= 0 ? text.left(open) : text;
    const bool isPublic = head.contains(QLatin1String("Public "));
    const bool isFriend = head.contains(QLatin1String("Friend "));
    QString prefix;
    if (head.contains(QLatin1String("Property "))) {
        if (isPublic) prefix += QLatin1String("Public ");
        if (isPrivate) prefix += QLatin1String("Private ");
        if (isFriend) prefix += QLatin1String("Friend ");
        if (IsStaticDeclaration(text)) prefix += QLatin1String("Static ");
        prefix += QLatin1String("Property ");
    } else {
        if (isPrivate) prefix += QLatin1String("Private ");
        if (isPublic) prefix += QLatin1String("Public ");
        if (isFriend) prefix += QLatin1String("Friend ");
        if (IsStaticDeclaration(text)) prefix += QLatin1String("Static ");
        prefix += isSub ? QLatin1String("Sub ") : QLatin1String("Function ");
    }
    // The name starts at the blank that ends the prefix, counted from the
    // declaration's first character: an indented declaration (as inside
    // "#If ... Then") keeps its whole name.
    qsizetype indent = 0;
    while (indent < text.size() && (text[indent] == u' ' || text[indent] == u'\t'))
        ++indent;
    const qsizetype start = indent + prefix.size() - 1;
    const qsizetype paren = text.indexOf(u'(');
    RSectionName result;
    if (paren > start) result.Name = text.mid(start, paren - start);
    if (isSub) return result;

    // A type character may close the name, before any blanks that stand
    // ahead of "(" (VB3 writes "Function Foo$ (a)").
    qsizetype i = result.Name.size() - 1;
    while (i >= 0 && result.Name.at(i) == u' ')
        --i;
    const QString byCharacter = i >= 0 ? typeOfCharacter(result.Name.at(i)) : QString();
    if (!byCharacter.isEmpty()) {
        result.Name.remove(i, 1);
        result.ReturnType = byCharacter;
    } else {
        result.ReturnType = DeclaredType(text);
    }
    return result;
}

RFormHeader SkipFormHeader(const QStringList& lines) {
    RFormHeader header;
    int ends = 0;
    const int count = static_cast<int>(lines.size());
    for (int i = 0; i < count; ++i) {
        const QString& line = lines.at(i);
        const int k = leadingBlanks(line);
        if (line.left(k + 8).toUpper().contains(QLatin1String("BEGIN")))
            ++header.BlockCount;
        else if (line.left(k + 5).toUpper().contains(QLatin1String("END")))
            ++ends;
        if (ends == header.BlockCount && ends != 0) {
            header.CodeStart = i + 1;
            return header;
        }
    }
    header.CodeStart = count;
    return header;
}

bool HasDescriptionBlock(const QString& upperExt) {
    return upperExt == QLatin1String(".FRM") || upperExt == QLatin1String(".CTL") ||
           upperExt == QLatin1String(".PAG") || upperExt == QLatin1String(".DOB") ||
           upperExt == QLatin1String(".DSR");
}
