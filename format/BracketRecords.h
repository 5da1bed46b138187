#pragma once
// Bracket records: one per control-structure line of a listing, noting
// where the line was drawn so that the bracket can be drawn afterwards.
#include <QString>

#include <cstddef>
#include <limits>

// Line kinds as stored in a record (and named in the diagnostic files).
enum TBracketKind : int {
    bkNone = 0,
    bkIf = 1,
    bkElse = 2,
    bkEndIf = 3,
    bkSelect = 4,
    bkCase = 5,
    bkEndSelect = 6,
    bkFor = 7,
    bkNext = 8,
    bkDo = 9,
    bkLoop = 10,
    bkWhile = 11,
    bkWend = 12,
    // Not a source line: the end of a procedure or file. It closes every
    // structure still open there, at the line drawn last.
    bkBlockEnd = 13,
};

// Nesting depth down to which brackets are drawn; deeper structures are
// matched but not drawn.
inline constexpr std::size_t kMaxDrawnBracketDepth = 32;

struct RBracket {
    // Start of the line's column and top of the line.
    int X = 0;
    int Y = 0;
    // Width of the line's indent (less three blanks), scaled and capped.
    int IndentWidth = 0;
    // Where the line's own ink begins (its number, or its first non-blank):
    // ticks stop short of it.
    int InkX = std::numeric_limits<int>::max();
    double Height = 0;
    int Kind = bkNone;
    int LineIndex = 0;
    // Page number counting every half of a two-page sheet.
    int Side = 0;
    // Store page (the sheet).
    int Page = 0;

    int MidY() const { return Y + int(Height * 0.5); }
};

bool IsBracketOpener(int kind);
bool IsBracketCloser(int kind);
// "If Then", "Else", ... "Unknown" for any other number.
QString BracketKindName(int kind);

// The structure kind a line starts, continues or ends (bkNone for any other
// line). Keywords are matched exactly, capitals included, and only where
// they lead the statement; a line label ("6960:", "100 ", "Retry:") before
// the statement does not hide it.
int ClassifyLine(QStringView line);
// The line with a leading line label blanked out (same length, so that
// positions stay), or the line itself when it has none.
QString BlankLineLabel(const QString& line);
// "End Sub", "End Function" or "End Property" leads the statement.
bool IsProcedureEnd(const QString& line);
