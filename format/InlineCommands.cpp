// Commands an author writes into comments after the indicator ("///" by
// default): section rules, notes, eyes, rules and moves of the writing
// position. A line holding one is not printed as code.
#include "format/InlineCommands.h"
#include "format/SourceCodePrint.h"
#include "format/TextRoutines.h"
#include "render/VirtCanvas.h"

#include <QRegularExpression>

#include <array>

namespace {

enum class TCommand {
    Section,
    Title,
    Page,
    Skip,
    Format,
    CircleNotes,
    RectNotes,
    Half,
    EyeNotes,
    Line
};

struct TCommandWord {
    const char* word;
    TCommand command;
};

// Tested in this order; every one that the line holds runs.
constexpr std::array<TCommandWord, 10> kCommands = {{
    {"SECTION", TCommand::Section},
    {"TITLE", TCommand::Title},
    {"PAGE", TCommand::Page},
    {"SKIP", TCommand::Skip},
    {"FORMAT", TCommand::Format},
    {"CIRCLENOTES", TCommand::CircleNotes},
    {"RECTNOTES", TCommand::RectNotes},
    {"HALF", TCommand::Half},
    {"EYENOTES", TCommand::EyeNotes},
    {"LINE", TCommand::Line},
}};

// The rest of the line after the command, without surrounding blanks and
// control characters. Not cut: a long title or section name is printed
// whole (the page frame wraps or clips it, as any text).
QString argumentAfter(const QString& line, qsizetype end) {
    QString arg = line.mid(end);
    qsizetype from = 0, to = arg.size();
    while (from < to && arg[from].unicode() <= ' ')
        ++from;
    while (to > from && arg[to - 1].unicode() <= ' ')
        --to;
    return arg.mid(from, to - from);
}

} // namespace

namespace {

// CommandPartOf without copying: a view into line, or a null view.
QStringView commandPart(QStringView line, const QString& indicator, const QString& delimiter) {
    const int comment = FindCommentStart(line);
    if (comment >= 0) return line.mid(comment);
    const QStringView statement = line.mid(FirstNonBlank(line) - 1);
    if ((!indicator.isEmpty() && statement.startsWith(indicator)) ||
        (!delimiter.isEmpty() && statement.startsWith(delimiter)))
        return line;
    return {};
}

// Every command word follows the indicator and every rule is a run of
// delimiters: a part holding neither holds no command (most lines).
bool mayHoldCommand(QStringView part, const QString& indicator, const QString& delimiter) {
    return (!indicator.isEmpty() && part.contains(indicator)) ||
           (!delimiter.isEmpty() && part.contains(delimiter));
}

} // namespace

QString CommandPartOf(const QString& line, const QString& indicator, const QString& delimiter) {
    return commandPart(line, indicator, delimiter).toString();
}

QString RuleLineWords(const QString& line, const QString& delimiter) {
    QString words = line;
    if (!delimiter.isEmpty()) {
        const QRegularExpression runs(
            QStringLiteral("(?:%1){2,}").arg(QRegularExpression::escape(delimiter)));
        words.replace(runs, QStringLiteral(" "));
    }
    words = words.trimmed();
    if (words.startsWith('\'')) words = words.mid(1).trimmed();
    if (words.endsWith('\'')) words.chop(1);
    return words.simplified();
}

bool IsInlineCommandLine(const QString& line, const QString& indicator, const QString& delimiter) {
    const QStringView part = commandPart(line, indicator, delimiter);
    if (part.isEmpty() || !mayHoldCommand(part, indicator, delimiter)) return false;
    if (!indicator.isEmpty()) {
        for (const TCommandWord& c : kCommands)
            if (part.contains(indicator + QLatin1String(c.word))) return true;
    }
    return !delimiter.isEmpty() && part.contains(delimiter.repeated(5));
}

bool TSourceCodePrint::InlineCommand(const QString& fullLine, const QString& indicator) {
    const QStringView part = commandPart(fullLine, indicator, Settings.CommentDelimiter);
    if (part.isEmpty() || !mayHoldCommand(part, indicator, Settings.CommentDelimiter)) return false;
    const QString line = part.toString();
    bool matched = false;
    const int H = CodeLineHeight;
    const int h = int(H * 0.5);
    const int G = Settings.LineGap;

    // Before drawing something a line high: when it would pass the foot of
    // the column, the next column (or page), as a full column does.
    auto roomCheck = [&](int needed) {
        if (CurrentY + needed > TextBottom) NextColumn();
    };
    // The column's right end less inset: on a one-page sheet the column runs
    // on past the right margin, which the narrowest margins put at the
    // sheet's edge.
    auto columnRight = [&](int inset) {
        return qMin(CurrentX + ColumnWidth - inset, Canvas().PageWidth() - 1);
    };
    auto drawCentred = [&](TVirtCanvas& canvas, const QString& text) {
        const int W = ColumnWidth;
        canvas.TextOut(CurrentX + int(W * 0.5) - int(canvas.TextWidth(text) * 0.5),
                       CurrentY + int(canvas.RecordedFontHeight() * 0.625), text);
    };

    if (!indicator.isEmpty()) {
        for (const TCommandWord& c : kCommands) {
            const QString pattern = indicator + QLatin1String(c.word);
            const qsizetype at = line.indexOf(pattern);
            if (at < 0) continue;
            matched = true;
            const QString arg = argumentAfter(line, at + pattern.size());
            const int W = ColumnWidth;
            switch (c.command) {
            case TCommand::Section: {
                const bool titled = !arg.isEmpty() && Canvas().TextWidth(arg) < W;
                // How far the title, centred on the rule, reaches below it:
                // the next line starts under the title, not across it.
                const int below = titled ? qMax(0, int(Canvas().RecordedFontHeight() * 0.625) +
                                                       Canvas().TextHeight(arg))
                                         : 0;
                // The rule (a line lower with a title), the title and the
                // next line stay above the foot of the column.
                roomCheck(arg.isEmpty() ? H : qMax(H, H + G + below));
                if (!arg.isEmpty()) CurrentY += H + G;
                TVirtCanvas& canvas = Canvas();
                canvas.MoveTo(CurrentX, CurrentY);
                canvas.LineTo(columnRight(15), CurrentY);
                if (titled) {
                    // The title sits on the rule: its white box hides the
                    // rule behind the letters.
                    canvas.SetBrush(TBrush{clWhite, TBrushStyle::Solid});
                    canvas.SetOpaque();
                    drawCentred(canvas, arg);
                    canvas.SetTransparent();
                    CurrentY += below;
                }
                break;
            }
            case TCommand::Title:
            case TCommand::Skip:
            case TCommand::Format:
                break;
            case TCommand::Page:
                NextColumn();
                break;
            case TCommand::CircleNotes:
            case TCommand::RectNotes: {
                // A line lower, note or not: centred on the line itself the
                // shape would reach up into the line before. The shape and
                // the line after it stay within the column.
                roomCheck(H + G + H + 5);
                CurrentY += H + G;
                TVirtCanvas& canvas = Canvas();
                const int x1 = CurrentX + 5, x2 = columnRight(5);
                const int y1 = CurrentY - h - 5, y2 = CurrentY + h + 5;
                if (c.command == TCommand::CircleNotes) {
                    canvas.Ellipse(x1, y1, x2, y2);
                    if (!arg.isEmpty() && canvas.TextWidth(arg) < W) {
                        // The note in a slightly smaller font, to sit inside
                        // the curve.
                        const int height = canvas.RecordedFontHeight();
                        canvas.SetFontHeight(height + 5);
                        if (canvas.TextWidth(arg) < W) drawCentred(canvas, arg);
                        canvas.SetFontHeight(height);
                    }
                } else {
                    canvas.Rectangle(x1, y1, x2, y2);
                    // A note only where it fits inside the box's sides.
                    if (!arg.isEmpty() && canvas.TextWidth(arg) < x2 - x1 - 2)
                        drawCentred(canvas, arg);
                }
                CurrentY += H + 5;
                break;
            }
            case TCommand::Half: {
                const double half = (TextBottom - TextTop) * 0.5;
                if (CurrentY > half)
                    NextColumn();
                else
                    CurrentY = int(half);
                break;
            }
            case TCommand::EyeNotes: {
                // The eyes reach h + 1 below their middle line: keep them
                // above the foot of the column.
                roomCheck(qMax(2 * (H + 5) + h + 1, 3 * (H + 5)));
                CurrentY += 2 * (H + 5);
                TVirtCanvas& canvas = Canvas();
                const int X = CurrentX, Y = CurrentY;
                canvas.MoveTo(X + 17, Y - h - 5);
                canvas.LineTo(X + 31, Y - h - 5);
                canvas.Ellipse(X + 15, Y - h - 1, X + 35, Y + h + 1);
                canvas.Ellipse(X + 26, Y - h, X + 32, Y + h);
                canvas.MoveTo(X + 42, Y - h - 5);
                canvas.LineTo(X + 56, Y - h - 5);
                canvas.Ellipse(X + 40, Y - h - 1, X + 60, Y + h + 1);
                canvas.Ellipse(X + 51, Y - h, X + 57, Y + h);
                const bool beside = canvas.TextWidth(arg) < W - 65;
                if (beside) canvas.TextOut(X + 65, Y - h, arg);
                CurrentY += H + 5;
                // A note too long to sit beside the eyes: below them, whole,
                // wrapped as a comment line.
                if (!beside) PrintCodeLine(arg, QStringLiteral("COMMENTS"), false, true, -1, -1, 0);
                break;
            }
            case TCommand::Line: {
                TVirtCanvas& canvas = Canvas();
                canvas.MoveTo(CurrentX, CurrentY);
                canvas.LineTo(columnRight(15), CurrentY);
                break;
            }
            }
        }
    }

    const QString& delimiter = Settings.CommentDelimiter;
    if (!delimiter.isEmpty() && line.contains(delimiter.repeated(5))) {
        matched = true;
        TVirtCanvas& canvas = Canvas();
        const int xEnd =
            Settings.TwoPage ? CurrentX + ColumnWidth - 15 : canvas.PageWidth() - MarginR - 10;
        const QString words = RuleLineWords(fullLine, delimiter);
        if (words.isEmpty()) {
            canvas.MoveTo(CurrentX, CurrentY);
            canvas.LineTo(xEnd, CurrentY);
        } else if (const int indent = FirstNonBlank(fullLine) - 1;
                   canvas.TextWidthInFont(QString(indent, ' ') + words,
                                          QStringLiteral("COMMENTS")) >= ColumnWidth - 15 ||
                   // The words are placed after the indent as code measures it.
                   canvas.TextWidthInFont(QString(indent, ' '), "CODE") +
                           canvas.TextWidthInFont(words, QStringLiteral("COMMENTS")) >=
                       ColumnWidth - 15) {
            // Words too long for one line: a comment line, wrapped as any
            // other, without the rule.
            PrintCodeLine(QString(indent, ' ') + words, QStringLiteral("COMMENTS"), false, true, -1,
                          -1, 0);
            return matched;
        } else {
            // The words stay: printed where the line's text begins, with the
            // rule running on beside them at mid-height.
            const QString font = QStringLiteral("COMMENTS");
            const int x = CurrentX + canvas.TextWidthInFont(QString(indent, ' '), "CODE");
            canvas.TextOutInFont(x, CurrentY, font, words);
            const int from = x + canvas.TextWidthInFont(words, font) + 6;
            const int y = CurrentY + CodeLineHeight / 2;
            if (from < xEnd) {
                canvas.MoveTo(from, y);
                canvas.LineTo(xEnd, y);
            }
        }
        // As a code line: a full column goes on in the next.
        AdvanceLine(CodeLineHeight,
                    words.isEmpty() ? 0
                                    : canvas.TextHeightInFont(words, QStringLiteral("COMMENTS")));
    }
    return matched;
}

bool TSourceCodePrint::inlineCommand(const QString& line) {
    return InlineCommand(line, Settings.InlineIndicator);
}
