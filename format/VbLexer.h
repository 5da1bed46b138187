#pragma once
// The lexical state of Visual Basic source text: which characters of a line
// are code, which belong to a string and which to a comment. A printed
// piece of a wrapped line may begin inside a string or a comment; its state
// is the one its line has at the wrap.
#include <QStringView>

#include <cstdint>
#include <vector>

enum class TLexState : std::uint8_t { Code, String, Comment };

struct TLexRun {
    int start = 0;
    int length = 0;
    TLexState state = TLexState::Code;
};

// text split into runs of one state each, for text that begins in state
// start. A string run holds its quotes (a doubled quote inside included);
// a comment runs from its apostrophe, or from a statement's "Rem", to the
// end.
std::vector<TLexRun> LexRuns(QStringView text, TLexState start = TLexState::Code);

// The state of text at offset at (that of the character there; at the end,
// that of what would follow), for text that begins in state start.
TLexState LexStateAt(QStringView text, int at, TLexState start = TLexState::Code);

// A Visual Basic 6 keyword, capitals as the editor writes them ("Error$"
// and the other keyword functions with their type character included).
bool IsVbKeyword(QStringView word);
