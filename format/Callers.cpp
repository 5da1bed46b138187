// "Called from: ..." below each procedure heading of a project listing. A
// caller printed later than its callee has no page yet when the callee's
// heading is laid out: the lines' room is kept (measured with a wide
// enough page number in its place) and the lines are drawn into it once
// the whole listing is laid out.
#include "format/CallerLines.h"
#include "format/SourceCodePrint.h"
#include "names/NameModel.h"
#include "render/VirtCanvas.h"

#include <utility>

namespace {

// As code lines, the lines leave this much of the column's right edge.
constexpr int kRightRoom = 15;
constexpr int kMaxCallerLines = 2;

} // namespace

void TSourceCodePrint::collectCallers(RFile* firstFile, TSourceMgt& analyzer) {
    callerBlocks_.clear();
    callersDue_ = -1;
    if (Settings.Callers) callers_ = std::make_unique<TCallerIndex>(*names_, firstFile, analyzer);
}

bool TSourceCodePrint::callerLineFits(const QString& text) {
    return Canvas().TextWidthInFont(text, kCallersFont) < ColumnWidth - kRightRoom;
}

void TSourceCodePrint::noteCallersHeading(int page, const QString& key) {
    if (!callers_ || namesFile_ < 0) return;
    const int procedure = callers_->HeadingAt(namesFile_, sourceLineNumber(LineIndex) - 1);
    if (procedure < 0) return;
    callers_->RecordHeading(namesFile_, procedure, page, key);
    callersDue_ = procedure;
}

void TSourceCodePrint::reserveCallerLines() {
    const int procedure = std::exchange(callersDue_, -1);
    // Callers still to come are measured with a page number of at least
    // three digits and as many as this page's.
    int pending = 999;
    while (pending < PageNumber)
        pending = pending * 10 + 9;
    const int count =
        int(FitCallerLines(
                callers_->Entries(namesFile_, procedure, pending),
                [this](const QString& text) { return callerLineFits(text); }, kMaxCallerLines)
                .size());
    if (count == 0) return;
    TCallersBlock block{namesFile_, procedure, {}};
    const int height = qAbs(Canvas().TextHeightInFont(QStringLiteral("X"), kCallersFont));
    for (int i = 0; i < count; ++i) {
        if (CurrentY > TextBottom) NextColumn();
        settleFrameTexts();
        block.lines.push_back({Pages.CurrentPageNumber(), CurrentX, CurrentY});
        AdvanceLine(height, height);
    }
    callerBlocks_.push_back(std::move(block));
}

void TSourceCodePrint::drawCallerLines() {
    std::vector<int> offsets;
    for (const TCallersBlock& block : callerBlocks_) {
        // Fitted again with the true pages, into the lines kept.
        const std::vector<TCallerLine> lines = FitCallerLines(
            callers_->Entries(block.file, block.procedure),
            [this](const QString& text) { return callerLineFits(text); }, int(block.lines.size()));
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const TCallersPlace& at = block.lines[i];
            TPageRec& page = *Pages.Page(at.page);
            TVirtCanvas& canvas = *page.Canvas;
            canvas.TextOutInFont(at.x, at.y, kCallersFont, lines[i].Text);
            if (!RecordNavigation || lines[i].Links.empty()) continue;
            // Where the entries are drawn, as code links are placed.
            canvas.DrawnPrefixWidthsInFont(lines[i].Text, kCallersFont, offsets);
            const int h = qAbs(canvas.TextHeightInFont(lines[i].Text, kCallersFont));
            for (const TCallerLine::TSpan& link : lines[i].Links)
                page.Navigation.Links.push_back({at.x + offsets[std::size_t(link.Start)], at.y,
                                                 at.x + offsets[std::size_t(link.End)], at.y + h,
                                                 link.Key});
        }
    }
    callerBlocks_.clear();
}
