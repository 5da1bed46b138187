// Comment shadows: a run of several whole-line comments printed inside a
// framed box with a drop shadow.
#include "format/InlineCommands.h"
#include "format/SourceCodePrint.h"
#include "format/TextRoutines.h"
#include "render/VirtCanvas.h"

namespace {

const QString kCommentFont = QStringLiteral("COMMENTS");

// Room the box's lines leave at the right: the code-line output wraps a
// boxed line when it is not narrower than the column less these.
constexpr int kBoxIndent = 37;
constexpr int kRightRoom = 15;

bool isWholeLineComment(const QString& line) {
    const int p = FirstNonBlank(line);
    return p <= line.size() && line[p - 1] == '\'';
}

} // namespace

int TSourceCodePrint::ShadowComment(int index, const QStringList& lines) {
    TVirtCanvas* canvas = &Canvas();
    // On a one-page sheet the box ends short of the column by the column's
    // own start (see the rectangle below): its lines wrap that much sooner.
    const int boxIndent = kBoxIndent + (Settings.TwoPage ? 0 : CurrentX);
    // The run first: most lines start none, or one too short for a box.
    QStringList run;
    for (int i = index; i < lines.size(); ++i) {
        const QString line = ExpandTabs(lines[i], Settings.TabsToSpaces);
        // A command line ends the run: it is to be run, not shown.
        if (!isWholeLineComment(line) ||
            IsInlineCommandLine(line, Settings.InlineIndicator, Settings.CommentDelimiter))
            break;
        run.append(line);
    }
    const int n = int(run.size());
    if (n <= Settings.ShadowFrequency) return 0;
    // A one-page box ends short of the column by the column's start: a wide
    // bracket area beside a wide right margin leaves it no width at all.
    // The run is then printed as it stands, without a box.
    if (ColumnWidth - boxIndent - kRightRoom <
        canvas->TextWidthInFont(QStringLiteral("XXXX"), kCommentFont))
        return 0;

    // The printed lines the run needs once wrapped.
    int m = 0;
    for (const QString& line : run) {
        // Wrapped as the code-line output will wrap it: each remainder
        // carries the smart indent (no indicator inside a box).
        int pieces = 1;
        QString rest = line;
        int prevIndent = -1;
        while (canvas->TextWidthInFont(rest, kCommentFont) >=
               ColumnWidth - boxIndent - kRightRoom) {
            const int r = qBound(1, FindWrapPosition(rest, kCommentFont, ColumnWidth - boxIndent),
                                 int(rest.size()));
            const QString tail = rest.mid(r);
            if (tail.isEmpty()) break;
            int indent = FirstNonBlank(rest);
            if (indent > r) indent = 0;
            if (prevIndent > 0) indent -= 1;
            if (!Settings.IndentContinuedLines || indent >= r) indent = 0;
            prevIndent = indent;
            rest = QString(qMax(0, indent), ' ') + tail;
            ++pieces;
        }
        m += pieces;
    }

    // Line measure of the box: never less than the line advance, so that
    // the box holds every line it frames.
    const int lh = qMax(canvas->TextHeightInFont(QStringLiteral("XXXX"), kCommentFont),
                        qAbs(canvas->FontHeight()) + Settings.LineGap);
    // In 64 bits: a long run of wrapped lines times a tall line would not
    // fit an int, and such a box never fits a column anyway.
    const qint64 boxHeight = qint64(m) * lh;
    if (boxHeight + CurrentY + 10 >= TextBottom) {
        if (boxHeight + 10 >= TextBottom - TextTop) return 0;
        NextColumn();
        canvas = &Canvas();
    }

    const int x0 = CurrentX, y0 = CurrentY;
    const int d = Settings.TwoPage ? 0 : CurrentX;
    const int boxBottom = int(boxHeight) + y0;
    canvas->Rectangle(x0 - 2, y0, x0 + ColumnWidth - 5 - d, boxBottom + 15);
    canvas->SetBrushColor(clBlack);
    canvas->FillRect(x0 + 5, boxBottom + 16, x0 + ColumnWidth - 1 - d, boxBottom + 20);
    canvas->FillRect(x0 + ColumnWidth - 4 - d, y0 + 3, x0 + ColumnWidth - d, boxBottom + 20);
    canvas->SetBrushColor(clWhite);
    canvas->SetTransparent();

    CurrentY += 2;
    SuppressIndicator = true;
    for (const QString& line : run)
        PrintCodeLine(line, kCommentFont, false, false, -1, -1, boxIndent);
    SuppressIndicator = false;
    if (CurrentY < boxBottom + 24) CurrentY = boxBottom + 24;
    // Below a box that ends near a short text area's bottom, the next line
    // starts in the next column.
    if (CurrentY > 0.75 * Canvas().PageHeight() || CurrentY > TextBottom) NextColumn();
    return n;
}

int TSourceCodePrint::shadowComment(const QStringList& lines) {
    return ShadowComment(LineIndex, lines);
}
