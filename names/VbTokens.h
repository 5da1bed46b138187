#pragma once
// The tokens of one physical line of Visual Basic: enough to tell names
// from keywords, strings, comments and numbers, and to see what stands
// before a name (a dot, a qualifier).
#include <QStringView>

#include <vector>

enum class TVbTokenKind {
    Name,    // an identifier or a keyword (see IsReservedWord)
    String,  // "..." with its quotes; unterminated: to the end of the line
    Comment, // from ' or a Rem statement to the end of the line
    Number,  // digits, &H/&O literals, #date# literals
    Symbol,  // one character of anything else but blanks
};

struct TVbToken {
    TVbTokenKind Kind = TVbTokenKind::Symbol;
    int Start = 0;
    int Length = 0;
    int End() const { return Start + Length; }
};

std::vector<TVbToken> VbTokens(QStringView line);

// The reserved words of the language (case-insensitive): never a name that
// code can declare, so never resolved.
bool IsReservedWord(QStringView word);

// A hash that is the same for names that differ only in case, as names do
// in Visual Basic.
std::size_t FoldedNameHash(QStringView name);
