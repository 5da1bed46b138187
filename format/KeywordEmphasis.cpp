// Keyword emphasis: the Visual Basic keywords of code (not of comments or
// strings) in the bold face of the code font, or of the declaration font on
// procedure headings. Code text is measured as the
// mix of faces it is drawn in, so wrapping keeps every piece in its column.
#include "format/SourceCodePrint.h"
#include "format/TextRoutines.h"
#include "format/VbLexer.h"
#include "render/VirtCanvas.h"

#include <algorithm>

namespace {

const QString kCodeFont = QStringLiteral("CODE");
const QString kBoldFont = QStringLiteral("CODEBOLD");
const QString kCommentFont = QStringLiteral("COMMENTS");
const QString kFunctionFont = QStringLiteral("FUNCTION");
const QString kFunctionBoldFont = QStringLiteral("FUNCTIONBOLD");

// The bold face of a font that keywords are emphasised in.
QString boldFont(const QString& fontKey) {
    return fontKey == kCodeFont ? kBoldFont : kFunctionBoldFont;
}

} // namespace

std::vector<TSourceCodePrint::TCodeRun> TSourceCodePrint::codeRuns(QStringView text) const {
    std::vector<TCodeRun> runs;
    auto add = [&](int start, int end, bool bold) {
        if (end <= start) return;
        if (!runs.empty() && runs.back().bold == bold)
            runs.back().length = end - runs.back().start;
        else
            runs.push_back({start, end - start, bold});
    };
    // Only the code of the piece, in the state its line has where the
    // piece begins: words in strings and comments are no keywords.
    for (const TLexRun& lex : LexRuns(text, pieceLexState_)) {
        const int stop = lex.start + lex.length;
        if (lex.state != TLexState::Code) {
            add(lex.start, stop, false);
            continue;
        }
        int i = lex.start;
        while (i < stop) {
            const QChar c = text[i];
            if (!(c.isLetter() || c == QLatin1Char('_')) || (i > 0 && IsWordChar(text[i - 1]))) {
                add(i, i + 1, false);
                ++i;
                continue;
            }
            int end = i + 1;
            while (end < stop && IsWordChar(text[end]))
                ++end;
            // "Error$": the type character is the keyword's.
            if (end < stop && text[end] == QLatin1Char('$') &&
                IsVbKeyword(text.mid(i, end + 1 - i)))
                ++end;
            // A member after a dot ("rs.Open") is no keyword.
            const bool member = i > 0 && text[i - 1] == QLatin1Char('.');
            add(i, end, !member && IsVbKeyword(text.mid(i, end - i)));
            i = end;
        }
    }
    return runs;
}

bool TSourceCodePrint::emphasised(const QString& fontKey) const {
    return Settings.KeywordEmphasis && (fontKey == kCodeFont || fontKey == kFunctionFont);
}

// A mixed line is drawn run by run, each run starting where the one before
// ends as drawn (playback draws a point smaller than the layout measures):
// placed by measured widths, every run would leave a gap after it. A run's
// own extent is measured as laid out, so what fits the column stays inside.
std::vector<int> TSourceCodePrint::codeRunOffsets(QStringView text, const QString& fontKey,
                                                  const std::vector<TCodeRun>& runs) {
    const TVirtCanvas& canvas = Canvas();
    // The indent is not drawn but skipped by its measured width, as a
    // piece's first non-blank is placed.
    int lead = 0;
    while (lead < int(text.size()) && text[lead] == QLatin1Char(' '))
        ++lead;
    std::vector<int> offsets;
    offsets.reserve(runs.size());
    int x = 0;
    for (const TCodeRun& r : runs) {
        offsets.push_back(x);
        const QString font = r.bold ? boldFont(fontKey) : fontKey;
        const int blanks = qBound(0, lead - r.start, r.length);
        if (blanks > 0) x += canvas.TextWidthInFont(QString(blanks, QLatin1Char(' ')), font);
        x += canvas.DrawnTextWidthInFont(text.mid(r.start + blanks, r.length - blanks), font);
    }
    return offsets;
}

int TSourceCodePrint::codeTextWidth(QStringView text, const QString& fontKey) {
    TVirtCanvas& canvas = Canvas();
    if (!emphasised(fontKey)) return canvas.TextWidthInFont(text, fontKey);
    // The furthest any run reaches as measured: a long run drawn a little
    // narrower can still reach past the short run after it.
    const std::vector<TCodeRun> runs = codeRuns(text);
    const std::vector<int> offsets = codeRunOffsets(text, fontKey, runs);
    int width = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const TCodeRun& r = runs[i];
        width = std::max(width,
                         offsets[i] + canvas.TextWidthInFont(text.mid(r.start, r.length),
                                                             r.bold ? boldFont(fontKey) : fontKey));
    }
    return width;
}

void TSourceCodePrint::codePrefixWidths(QStringView text, const QString& fontKey,
                                        std::vector<int>& widths) {
    TVirtCanvas& canvas = Canvas();
    if (!emphasised(fontKey)) {
        canvas.PrefixWidthsInFont(text, fontKey, widths);
        return;
    }
    // A comment after the code is drawn in its own font where the code ends.
    const int commentPos = FindCommentStart(text);
    if (commentPos > 0) {
        const QStringView code = text.first(commentPos);
        codePrefixWidths(code, fontKey, widths);
        const int codeWidth = widths.back();
        std::vector<int> comment;
        canvas.PrefixWidthsInFont(text.mid(commentPos), kCommentFont, comment);
        widths.resize(std::size_t(text.size()) + 1);
        for (std::size_t k = 1; k < comment.size(); ++k)
            widths[std::size_t(commentPos) + k] = codeWidth + comment[k];
        return;
    }
    // The prefix ending inside a run reaches from the run's place as drawn
    // over the run's part as measured, or as far as a run before it.
    widths.assign(std::size_t(text.size()) + 1, 0);
    const std::vector<TCodeRun> runs = codeRuns(text);
    const std::vector<int> offsets = codeRunOffsets(text, fontKey, runs);
    std::vector<int> own;
    int furthest = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const TCodeRun& r = runs[i];
        canvas.PrefixWidthsInFont(text.mid(r.start, r.length), r.bold ? boldFont(fontKey) : fontKey,
                                  own);
        for (int k = 1; k <= r.length; ++k) {
            furthest = std::max(furthest, offsets[i] + own[std::size_t(k)]);
            widths[std::size_t(r.start + k)] = furthest;
        }
    }
}

void TSourceCodePrint::drawnCodeOffsets(QStringView text, const QString& fontKey,
                                        std::vector<int>& offsets) {
    const TVirtCanvas& canvas = Canvas();
    int lead = 0;
    while (lead < int(text.size()) && text[lead] == QLatin1Char(' '))
        ++lead;
    offsets.assign(std::size_t(text.size()) + 1, 0);
    if (lead == int(text.size())) return;
    // The line output places a piece's first non-blank by the blanks'
    // measured width and draws the rest from there.
    const int leadWidth = lead > 0 ? canvas.TextWidthInFont(text.first(lead), fontKey) : 0;
    for (int k = 1; k <= lead; ++k)
        offsets[std::size_t(k)] = leadWidth;
    const QStringView drawn = text.mid(lead);
    std::vector<int> own;
    if (!emphasised(fontKey)) {
        canvas.DrawnPrefixWidthsInFont(drawn, fontKey, own);
        for (std::size_t k = 1; k < own.size(); ++k)
            offsets[std::size_t(lead) + k] = leadWidth + own[k];
        return;
    }
    const std::vector<TCodeRun> runs = codeRuns(drawn);
    const std::vector<int> runOffsets = codeRunOffsets(drawn, fontKey, runs);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const TCodeRun& r = runs[i];
        canvas.DrawnPrefixWidthsInFont(drawn.mid(r.start, r.length),
                                       r.bold ? boldFont(fontKey) : fontKey, own);
        for (int k = 1; k <= r.length; ++k)
            offsets[std::size_t(lead + r.start + k)] =
                leadWidth + runOffsets[i] + own[std::size_t(k)];
    }
}

void TSourceCodePrint::drawCodeText(int x, int y, const QString& fontKey, QStringView text) {
    TVirtCanvas& canvas = Canvas();
    if (!emphasised(fontKey)) {
        canvas.TextOutInFont(x, y, fontKey, text);
        return;
    }
    const std::vector<TCodeRun> runs = codeRuns(text);
    const std::vector<int> offsets = codeRunOffsets(text, fontKey, runs);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const TCodeRun& r = runs[i];
        canvas.TextOutInFont(x + offsets[i], y, r.bold ? boldFont(fontKey) : fontKey,
                             text.mid(r.start, r.length));
    }
}
