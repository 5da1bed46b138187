#include "format/VbLexer.h"

#include "format/TextRoutines.h"

#include <QSet>
#include <QString>

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// "Rem" as a statement: first on the line or after a ":", a word of its own.
bool startsRem(QStringView text, int i) {
    if (!text.mid(i).startsWith(u"Rem") || (i + 3 < text.size() && IsWordChar(text[i + 3])))
        return false;
    int k = i - 1;
    while (k >= 0 && isBlank(text[k]))
        --k;
    return k < 0 || text[k] == u':';
}

// Calls mark(i, state) with the state of each of the first n characters in
// turn; returns the state they leave for what follows. The text beyond n
// still counts: it tells "Rem" from "Remark".
template <class TMark> TLexState walk(QStringView text, int n, TLexState state, TMark mark) {
    for (int i = 0; i < n; ++i) {
        const QChar c = text[i];
        switch (state) {
        case TLexState::Code:
            if (c == u'"')
                state = TLexState::String; // the opening quote is the string's
            else if (c == u'\'' || (c == u'R' && startsRem(text, i)))
                state = TLexState::Comment;
            mark(i, state);
            break;
        case TLexState::String:
            mark(i, state);
            // A doubled quote inside closes and at once opens again.
            if (c == u'"') state = TLexState::Code;
            break;
        case TLexState::Comment:
            mark(i, state);
            break;
        }
    }
    return state;
}

} // namespace

std::vector<TLexRun> LexRuns(QStringView text, TLexState start) {
    std::vector<TLexRun> runs;
    walk(text, int(text.size()), start, [&](int i, TLexState s) {
        if (!runs.empty() && runs.back().state == s)
            ++runs.back().length;
        else
            runs.push_back({i, 1, s});
    });
    return runs;
}

TLexState LexStateAt(QStringView text, int at, TLexState start) {
    if (at <= 0) return start;
    return walk(text, int(qMin<qsizetype>(at, text.size())), start, [](int, TLexState) {});
}

bool IsVbKeyword(QStringView word) {
    // The words the editor shows as keywords. Statement words that are as
    // often names of members ("Name", "Text", "Line", "Width") are left
    // out; after a dot no word is a keyword anyway.
    static const QSet<QString> keywords = {
        "AddressOf", "Alias",   "And",        "Any",        "As",     "Base",    "Binary",
        "Boolean",   "ByRef",   "Byte",       "ByVal",      "Call",   "Case",    "Close",
        "Compare",   "Const",   "Currency",   "Date",       "Date$",  "Decimal", "Declare",
        "DefBool",   "DefByte", "DefCur",     "DefDate",    "DefDbl", "DefDec",  "DefInt",
        "DefLng",    "DefObj",  "DefSng",     "DefStr",     "DefVar", "Dim",     "Do",
        "Double",    "Each",    "Else",       "ElseIf",     "Empty",  "End",     "Enum",
        "Eqv",       "Erase",   "Error",      "Error$",     "Event",  "Exit",    "Explicit",
        "False",     "For",     "Friend",     "Function",   "Get",    "Global",  "GoSub",
        "GoTo",      "If",      "Imp",        "Implements", "In",     "Input",   "Input$",
        "Integer",   "Is",      "Let",        "Lib",        "Like",   "Lock",    "Long",
        "Loop",      "LSet",    "Me",         "Mod",        "New",    "Next",    "Not",
        "Nothing",   "Null",    "Object",     "On",         "Open",   "Option",  "Optional",
        "Or",        "Output",  "ParamArray", "Preserve",   "Print",  "Private", "Property",
        "Public",    "Put",     "RaiseEvent", "Random",     "Read",   "ReDim",   "Resume",
        "Return",    "RSet",    "Select",     "Set",        "Shared", "Single",  "Static",
        "Step",      "Stop",    "String",     "String$",    "Sub",    "Then",    "To",
        "True",      "Type",    "TypeOf",     "Unlock",     "Until",  "Variant", "Wend",
        "While",     "With",    "WithEvents", "Write",      "Xor"};
    return keywords.contains(word.toString());
}
