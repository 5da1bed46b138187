// Line numbers: each source line's number in the file, small and grey in a
// gutter between the bracket area and the code; continuation pieces of a
// wrapped line carry none.
#include "format/SourceCodePrint.h"
#include "render/VirtCanvas.h"

namespace {

const QString kNumberFont = QStringLiteral("LINENUMBER");
// Room between the gutter's left edge and the widest number: bracket ticks
// reach at most 13 units into the gutter.
constexpr int kGutterLead = 18;
// Room between a number and its line.
constexpr int kGutterGap = 4;

} // namespace

QString TSourceCodePrint::lineNumberFont() {
    return kNumberFont;
}

int TSourceCodePrint::lineNumberWidth() const {
    if (!Settings.LineNumbers) return 0;
    return Pages.CurrentPage().Canvas->TextWidthInFont(QStringLiteral("99999"), kNumberFont) +
           kGutterLead + kGutterGap;
}

QString TSourceCodePrint::lineNumberText(int lineIndex) const {
    return QString::number(sourceLineNumber(lineIndex));
}

int TSourceCodePrint::lineNumberGap() {
    return kGutterGap;
}

int TSourceCodePrint::printLineNumber(int lineIndex) {
    if (!Settings.LineNumbers) return CurrentY;
    TVirtCanvas& canvas = Canvas();
    const QString text = lineNumberText(lineIndex);
    // Right-aligned against the code, on the code's baseline.
    const int codeHeight = qAbs(canvas.TextHeightInFont(text, QStringLiteral("CODE")));
    const int ownHeight = qAbs(canvas.TextHeightInFont(text, kNumberFont));
    const int top = CurrentY + (codeHeight - ownHeight) * 3 / 4;
    canvas.TextOutInFont(CurrentX - kGutterGap - canvas.TextWidthInFont(text, kNumberFont), top,
                         kNumberFont, text);
    return top + ownHeight;
}
