#pragma once
// Pure text routines on source lines, shared by the code-line output, the
// brackets and the procedure headings. Positions follow the conventions the
// callers use: FindCommentStart counts from 0, FirstNonBlank from 1.
#include <QString>

#include <functional>

// Every tab becomes the same number of blanks (at most 20), whatever its
// column; a count of 0 deletes tabs.
QString ExpandTabs(const QString& line, int count);

// Index (from 0) of the single quote that starts the line's comment, or -1.
// Quotes inside double-quoted strings do not count, and neither do the last
// two characters of the line.
int FindCommentStart(QStringView line);

// The line without its comment (as found by FindCommentStart).
QString StripComment(const QString& line);

// Position (from 1) of the first character that is not a blank, or the
// length plus 1 for a line of blanks only.
int FirstNonBlank(QStringView line);

// "0".."9", "A".."Z", "a".."z" and "_".
bool IsWordChar(QChar c);

// True when nothing remains after removing trailing blanks, tabs and other
// control characters.
bool IsBlankLine(QStringView line);

// A line that starts a Sub, Function or Property (leading blanks allowed;
// keywords matched exactly, capitals included).
bool IsProcDeclaration(QStringView line);

// A line that ends in the line-continuation "_" (after a blank, or after
// what cannot end a name).
bool ContinuesOnNextLine(QStringView line);

// The procedure's name: after the declaration keyword, up to the first "(",
// trimmed; empty when the line has no "(".
QString ExtractProcName(const QString& line);

// A procedure name as the source analyzer keeps it: without the type
// character that may end it ("Total$" is "Total").
QString WithoutTypeCharacter(const QString& name);

// Expands the header/footer variables %f, %d, %p and %s (first occurrence
// of each, in that order, case-insensitive); at most 100 characters of what
// follows a replaced variable are kept.
QString ExpandHeaderText(const QString& templ, const QString& fileName, const QString& procName,
                         int pageNumber, const QString& dateText);

// The text as it is where width(text) <= room, else its longest start that
// fits with "..." after it (only "..." where not even one character does,
// nothing where "..." does not fit either).
QString ElideToWidth(const QString& text, int room,
                     const std::function<int(const QString&)>& width);

// Today's date in the user's locale short format (the value of %d).
QString TodayShortDate();

// The same, for lines given as literals or QStrings.
inline int FindCommentStart(const QString& line) {
    return FindCommentStart(QStringView(line));
}
inline int FirstNonBlank(const QString& line) {
    return FirstNonBlank(QStringView(line));
}
inline bool IsBlankLine(const QString& line) {
    return IsBlankLine(QStringView(line));
}
inline bool IsProcDeclaration(const QString& line) {
    return IsProcDeclaration(QStringView(line));
}
