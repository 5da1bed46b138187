#pragma once
// Which lines are inline commands: such a line is run, not printed.
#include <QString>

// The part of a line in which commands count: its comment, or the whole
// line when it starts (after blanks) with the indicator or the comment
// delimiter. Code and string literals never hold a command, so no code
// line is ever dropped from a listing.
QString CommandPartOf(const QString& line, const QString& indicator, const QString& delimiter);

// True when the line holds a command word after the indicator, or the
// comment delimiter five times in a row, in its command part.
bool IsInlineCommandLine(const QString& line, const QString& indicator, const QString& delimiter);

// The words of a comment-delimiter rule line, printed with its rule: the
// line without its runs of the delimiter and without the comment's quote;
// empty for a line that is only a rule.
QString RuleLineWords(const QString& line, const QString& delimiter);
