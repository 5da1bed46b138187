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

    // Line measure of the box: never less than the line advance, so that
    // the box holds every line it frames.
    const int lh = qMax(canvas->TextHeightInFont(QStringLiteral("XXXX"), kCommentFont),
                        qAbs(canvas->FontHeight()) + Settings.LineGap);
    // The height the run needs once wrapped, as the line output will wrap
    // it; in 64 bits, as a long run of tall lines would not fit an int (and
    // never fits a column anyway).
    qint64 boxHeight = 0;
    for (const QString& line : run)
        boxHeight += heightInBox(line, boxIndent, lh);
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
    for (int i = 0; i < n; ++i) {
        printLineNumber(index + i);
        beginChangeMarks(index + i);
        PrintCodeLine(run[i], kCommentFont, false, false, -1, -1, boxIndent);
        endChangeMarks(index + i);
    }
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
