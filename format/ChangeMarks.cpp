// Change bars: a solid bar in the margin beside each piece of an added or
// changed line, and a small wedge where lines were deleted. They sit in the
// few units between the frame and the line numbers or brackets, where
// nothing else is drawn.
#include "format/SourceCodePrint.h"
#include "render/VirtCanvas.h"
#include "source/SourceRecords.h"

namespace {

constexpr int kBarLeft = 1; // from the column's gutter edge
constexpr int kBarRight = 4;
constexpr int kWedgeHalf = 3;

} // namespace

int TSourceCodePrint::changeMarkX() const {
    const int columnX = Settings.TwoPage && CurrentX == RightColumnX ? RightColumnX : LeftColumnX;
    return columnX - LineNumberWidth - BracketAreaWidth - 5;
}

int TSourceCodePrint::sourceLineNumber(int index) const {
    return std::size_t(index) < sourceLineNumbers_.size() ? sourceLineNumbers_[std::size_t(index)]
                                                          : index + 1;
}

const TLineMarks* TSourceCodePrint::currentFileMarks() const {
    if (!ChangeBars || !currentFile_) return nullptr;
    const auto marks = ChangeBars->constFind(currentFile_->Path);
    return marks == ChangeBars->constEnd() ? nullptr : &*marks;
}

void TSourceCodePrint::beginChangeMarks(int index) {
    changedLine_ = nullptr;
    const TLineMarks* marks = currentFileMarks();
    if (!marks) return;
    const int number = sourceLineNumber(index);
    if (marks->Changed.contains(number)) changedLine_ = marks;
    if (marks->GapsBefore.contains(number)) drawDeletionWedge(CurrentY);
}

void TSourceCodePrint::endChangeMarks(int index) {
    changedLine_ = nullptr;
    const TLineMarks* marks = currentFileMarks();
    if (!marks) return;
    // Lines deleted after this one, where the line that followed them is
    // not printed next (or nothing is): the wedge goes below this line.
    const int number = sourceLineNumber(index);
    const std::size_t next = std::size_t(index) + 1;
    const bool followedInPrint = next < sourceLineNumbers_.size()
                                     ? sourceLineNumbers_[next] == number + 1
                                     : sourceLineNumbers_.empty();
    if (marks->GapsBefore.contains(number + 1) && !followedInPrint) drawDeletionWedge(CurrentY);
}

void TSourceCodePrint::drawChangeBar(int height) {
    if (!changedLine_) return;
    TVirtCanvas& canvas = Canvas();
    const TBrush brush = canvas.CurrentBrush();
    const int x = changeMarkX();
    canvas.SetBrushColor(kChangeBarColor);
    canvas.FillRect(x + kBarLeft, CurrentY, x + kBarRight, CurrentY + height);
    canvas.SetBrush(brush);
}

void TSourceCodePrint::drawDeletionWedge(int y) {
    TVirtCanvas& canvas = Canvas();
    const TPen pen = canvas.CurrentPen();
    const int x = changeMarkX();
    canvas.SetPenColor(kChangeBarColor);
    // A small triangle pointing at the gap between the lines.
    canvas.MoveTo(x + kBarLeft, y - kWedgeHalf);
    canvas.LineTo(x + kBarRight, y);
    canvas.LineTo(x + kBarLeft, y + kWedgeHalf);
    canvas.LineTo(x + kBarLeft, y - kWedgeHalf);
    canvas.SetPen(pen);
}

// What a change listing no longer holds: a page of its own (more where the
// list is long), after the contents, in the header font.
void TSourceCodePrint::printRemovedPage() {
    if (!MarginsConverted) ConvertMargins();
    const QString name = QStringLiteral("Removed");
    Pages.SetCurrentPageName(name);
    setPageLabel(name);
    addTarget(QStringLiteral("removed"), name, 0, 0, 0);
    TFont font = Settings.HeaderFont;
    int y = 0;
    // Each page sets its own drawing state and starts with the heading.
    auto startPage = [&] {
        TVirtCanvas& canvas = Canvas();
        canvas.SetPen(TPen{clBlack, TPenStyle::Solid, 1});
        canvas.SetBrush(TBrush{clWhite, TBrushStyle::Solid});
        canvas.SetTransparent();
        TFont heading = Settings.HeaderFont;
        heading.setSize(heading.size() + 8);
        canvas.SetFont(heading);
        y = MarginT + 20;
        canvas.TextOut((canvas.PageWidth() - canvas.TextWidth(name)) / 2, y, name);
        y += 2 * qAbs(canvas.FontHeight());
    };
    startPage();
    const int x = MarginL + 20;
    for (const QString& entry : RemovedEntries) {
        TVirtCanvas& canvas = Canvas();
        canvas.SetFont(font);
        font = canvas.ShrinkFontWhile(
            [&] { return canvas.TextWidth(entry) > canvas.PageWidth() - MarginR - x; });
        const int h = qAbs(canvas.FontHeight());
        if (y + h > canvas.PageHeight() - MarginB) {
            AddNamedPage();
            Pages.SetCurrentPageName(name);
            startPage();
            Canvas().SetFont(font);
        }
        Canvas().TextOut(x, y, entry);
        y += h + h / 2;
    }
    AddNamedPage();
}
