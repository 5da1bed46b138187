#include "names/VbTokens.h"

#include <QSet>
#include <QString>

namespace {

bool isNameStart(QChar c) {
    return c.isLetter() || c == u'_';
}

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

QChar folded(QChar c) {
    return c.unicode() < 128 ? QChar(c.unicode() | (c.isUpper() ? 0x20 : 0)) : c.toLower();
}

} // namespace

std::vector<TVbToken> VbTokens(QStringView line) {
    std::vector<TVbToken> tokens;
    const int n = int(line.size());
    bool statementStart = true;
    int i = 0;
    while (i < n) {
        const QChar c = line[i];
        if (c == u' ' || c == u'\t') {
            ++i;
            continue;
        }
        int end = i + 1;
        TVbTokenKind kind = TVbTokenKind::Symbol;
        if (c == u'\'') {
            kind = TVbTokenKind::Comment;
            end = n;
        } else if (c == u'"') {
            kind = TVbTokenKind::String;
            // A doubled quote is a quote inside the string.
            while (end < n) {
                if (line[end] == u'"') {
                    if (end + 1 < n && line[end + 1] == u'"') {
                        end += 2;
                        continue;
                    }
                    ++end;
                    break;
                }
                ++end;
            }
        } else if (isNameStart(c)) {
            while (end < n && isNameChar(line[end]))
                ++end;
            kind = TVbTokenKind::Name;
            if (statementStart && end - i == 3 &&
                line.mid(i, 3).compare(u"Rem", Qt::CaseInsensitive) == 0 &&
                (end == n || line[end] == u' ' || line[end] == u'\t')) {
                kind = TVbTokenKind::Comment;
                end = n;
            }
        } else if (c.isDigit() || (c == u'&' && i + 1 < n &&
                                   (line[i + 1] == u'H' || line[i + 1] == u'h' ||
                                    line[i + 1] == u'O' || line[i + 1] == u'o'))) {
            kind = TVbTokenKind::Number;
            while (end < n && (line[end].isLetterOrNumber() || line[end] == u'.'))
                ++end;
        }
        tokens.push_back({kind, i, end - i});
        // A colon not part of ":=" starts another statement.
        statementStart = c == u':' && !(i + 1 < n && line[i + 1] == u'=');
        i = end;
    }
    return tokens;
}

bool IsReservedWord(QStringView word) {
    static const QSet<QString> keywords = [] {
        QSet<QString> set;
        for (const char* k :
             {"addressof", "and",        "as",         "boolean",    "byref",    "byte",
              "byval",     "call",       "case",       "const",      "currency", "date",
              "declare",   "dim",        "do",         "double",     "each",     "else",
              "elseif",    "end",        "enum",       "erase",      "event",    "exit",
              "false",     "for",        "friend",     "function",   "global",   "gosub",
              "goto",      "if",         "implements", "in",         "integer",  "is",
              "let",       "like",       "long",       "loop",       "me",       "mod",
              "new",       "next",       "not",        "nothing",    "object",   "on",
              "option",    "optional",   "or",         "paramarray", "preserve", "private",
              "property",  "public",     "raiseevent", "redim",      "rem",      "resume",
              "return",    "select",     "set",        "single",     "static",   "step",
              "stop",      "string",     "sub",        "then",       "to",       "true",
              "type",      "typeof",     "until",      "variant",    "wend",     "while",
              "with",      "withevents", "xor",        "eqv",        "imp"})
            set.insert(QString::fromLatin1(k));
        return set;
    }();
    return keywords.contains(word.toString().toLower());
}

std::size_t FoldedNameHash(QStringView name) {
    std::size_t h = 1469598103934665603ull;
    for (const QChar c : name)
        h = (h ^ folded(c).unicode()) * 1099511628211ull;
    return h;
}
