// The code-line output: font split between code and comment, wrapping with
// smart indent and next-line indicators, and the line advance.
#include "format/SourceCodePrint.h"
#include "format/TextRoutines.h"
#include "platform/Rounding.h"
#include "platform/TextMeasurer.h"
#include "render/VirtCanvas.h"

#include <vector>

namespace {

const QString kCodeFont = QStringLiteral("CODE");
const QString kCommentFont = QStringLiteral("COMMENTS");
const QString kFunctionFont = QStringLiteral("FUNCTION");

// Room a line must leave at the right edge of its column.
constexpr int kRightRoom = 15;

// A long line is wrapped a piece at a time from a window on what is left
// of it, so that each piece costs what it holds, not what follows. The
// first window holds any ordinary line whole; the next are twice as long as
// the piece before took; a window too short to decide a piece is doubled.
constexpr qsizetype kFirstWindow = 1024;
constexpr qsizetype kLeastWindow = 256;
// The end of a window a plan may not rely on: the last two characters never
// start a comment, and a word cut short may read as a keyword (the longest
// has ten letters).
constexpr int kWindowMargin = 16;

} // namespace

int TSourceCodePrint::FindWrapPosition(const QString& line, const QString& fontName, int limit) {
    bool decided = true;
    return findWrapPosition(line, fontName, limit, false, decided);
}

int TSourceCodePrint::findWrapPosition(const QString& line, const QString& fontName, int limit,
                                       bool truncated, bool& decided) {
    TVirtCanvas& canvas = Canvas();
    if (limit < 0) limit = ColumnWidth;
    const int n = int(line.size());
    // Widths of every prefix, measured once: a wrap tries many of them.
    std::vector<int>& prefix = wrapWidths_;
    codePrefixWidths(line, fontName, prefix);
    // Of the start of a longer line, the widths up to its last characters
    // are those of the whole (a word or a comment cut short measures
    // otherwise): the wrap is decided when they reach the limit, as widths
    // never shrink further on.
    if (truncated && (n < kWindowMargin || prefix[std::size_t(n - kWindowMargin)] < limit))
        decided = false;

    int r = 0;
    for (int i = n - 2; i >= 1; --i) {
        const QChar c = line[i - 1];
        if (prefix[i] >= limit) continue;
        if (c == ' ' || IsWordChar(c) != IsWordChar(line[i])) {
            r = i;
            break;
        }
    }
    if (r == 0) r = 1;

    bool remeasure = false;
    if (r < 10 && r < n && !IsWordChar(line[r])) {
        remeasure = true;
        canvas.PrefixWidths(line, prefix);
        if (truncated && (n < 2 || prefix[std::size_t(n - 2)] < limit)) decided = false;
        r = 0;
        for (int i = n - 2; i >= 1; --i) {
            if (prefix[i] < limit) {
                r = i - 1;
                break;
            }
        }
    }
    if (r < 10) {
        const int xWidth = canvas.TextWidth(QStringLiteral("X"));
        r = xWidth > 0 ? RoundEven(double(limit) / xWidth) : n;
    }
    // The passes above may measure in another font than the line is drawn
    // in, or count characters: the part drawn must still fit the column.
    // A count of characters can exceed the line itself (wide glyphs, a
    // narrow "X"): the line is then cut from its end, never taken whole.
    if (remeasure) codePrefixWidths(line, fontName, prefix);
    r = qMin(r, n);
    while (r > 1 && prefix[std::size_t(r)] >= limit)
        --r;
    return r;
}

void TSourceCodePrint::PrintCodeLine(const QString& firstLine, const QString& firstFontName,
                                     bool continuation, bool inComment, int prevIndent,
                                     int prevWrap, int reservedWidth) {
    // Each pass prints one piece; a wrapped line continues with its
    // remainder (the tail call of the classic recursive form, as a loop so
    // that a very long line cannot exhaust the stack).
    TLineRest rest{&firstLine, QString(), firstLine};
    TBlankSkip blanks{firstLine};
    QString line;
    QString fontName = firstFontName;
    // Links are found on the whole line, so that a piece that starts
    // inside a string is read as the string it is; each piece records
    // those it shows.
    if (fontName == kCodeFont && !inComment && !continuation)
        resolveLineLinks(firstLine);
    else
        lineLinks_.clear();
    // Each piece begins in its line's lexical state at the wrap.
    pieceLexState_ = inComment ? TLexState::Comment : TLexState::Code;
    for (;;) {
        // No piece starts below the text area, whatever came before it.
        if (CurrentY > TextBottom) NextColumn();
        settleFrameTexts();
        TVirtCanvas& canvas = Canvas();
        // A piece starts at its first non-blank, placed by the blanks'
        // width in its font: drawn text comes out a little narrower than
        // measured, so drawn blanks would pull code in against a comment
        // that has the same indent.
        auto draw = [&](int x, const QString& font, QStringView text) {
            qsizetype lead = 0;
            while (lead < text.size() && text[lead] == u' ')
                ++lead;
            if (lead == 0 || lead == text.size()) {
                drawCodeText(x, CurrentY, font, text);
                return;
            }
            drawCodeText(x + canvas.TextWidthInFont(text.first(lead), font), CurrentY, font,
                         text.mid(lead));
        };
        const QString indicator =
            Settings.NLIPicture0 && !SuppressIndicator ? Settings.NextLineInd : QString();
        const TPiecePlan plan = planRest(rest, blanks, line, fontName, inComment, prevIndent,
                                         prevWrap, reservedWidth, indicator);
        // Where the piece's own text begins in the source line, and what
        // (indent, indicator) comes before it in the piece.
        const int pieceStart = int(rest.source->size() - rest.tail.size());
        const int pieceLead = int(rest.head.size());
        const QStringView whole = line;
        const QString& fontKey = plan.FontKey;
        const int commentPos = plan.CommentPos;
        const bool wrapped = plan.Wrapped;
        const int wrapPos = plan.WrapPos;
        if (!wrapped) {
            if (commentPos <= 0) {
                draw(CurrentX, fontKey, line);
                if (fontKey == kCodeFont)
                    recordCodeLinks(CurrentX, CurrentY, line, fontKey, pieceStart, pieceLead);
            } else {
                const QStringView code = whole.first(commentPos);
                if (!code.trimmed().isEmpty()) draw(CurrentX, fontKey, code);
                if (fontKey == kCodeFont)
                    recordCodeLinks(CurrentX, CurrentY, code, fontKey, pieceStart, pieceLead);
                canvas.TextOutInFont(CurrentX + plan.CodeWidth, CurrentY, kCommentFont,
                                     whole.mid(commentPos));
            }
        } else {
            const QStringView first = whole.first(wrapPos);
            if (commentPos < 0 || commentPos >= wrapPos) {
                draw(CurrentX, fontKey, first);
                if (fontKey == kCodeFont)
                    recordCodeLinks(CurrentX, CurrentY, first, fontKey, pieceStart, pieceLead);
            } else {
                const QStringView code = first.first(commentPos);
                if (!code.trimmed().isEmpty()) draw(CurrentX, fontKey, code);
                if (fontKey == kCodeFont)
                    recordCodeLinks(CurrentX, CurrentY, code, fontKey, pieceStart, pieceLead);
                canvas.TextOutInFont(CurrentX + plan.CodeWidth, CurrentY, kCommentFont,
                                     first.mid(commentPos));
            }
        }

        drawChangeBar(qMax(qAbs(canvas.FontHeight()) + Settings.LineGap, pieceInk(plan)));
        TVirtCanvas* printedOn = &canvas;
        const bool printedInLeftColumn = CurrentX == LeftColumnX;
        // The next line starts below this one's ink, however small the
        // line spacing or however tall the font's cell beyond its size.
        AdvanceLine(canvas.FontHeight(), pieceInk(plan));

        if (continuation && !Settings.NLIPicture0 && !(Settings.SpecialDraw && SuppressIndicator))
            drawIndicatorPicture(*printedOn, printedInLeftColumn, CurrentY == TextTop);

        if (!wrapped || !plan.Continues) {
            pieceLexState_ = TLexState::Code;
            return;
        }
        pieceLexState_ = LexStateAt(line, wrapPos, pieceLexState_);
        rest = restAfter(rest, plan);
        fontName = fontKey;
        continuation = true;
        inComment = plan.ContinuesInComment;
        prevIndent = plan.Indent;
        prevWrap = wrapPos + 4;
    }
}

qsizetype TSourceCodePrint::TBlankSkip::next(qsizetype at) {
    if (at < from || at > end) {
        from = end = at;
        while (end < text.size() && text[end] == u' ')
            ++end;
    }
    return end;
}

TSourceCodePrint::TPiecePlan TSourceCodePrint::planRest(const TLineRest& rest, TBlankSkip& blanks,
                                                        QString& window, const QString& fontName,
                                                        bool inComment, int prevIndent,
                                                        int prevWrap, int reservedWidth,
                                                        const QString& indicator) {
    const qsizetype head = rest.head.size();
    // Whether the rest declares a procedure turns on its first non-blank,
    // however far on that is.
    bool declaration;
    if (FirstNonBlank(rest.head) <= head) {
        declaration = IsProcDeclaration(
            QString(rest.head).append(rest.tail.first(qMin(rest.tail.size(), 24))));
    } else {
        // The tail is always the end of the source line.
        const qsizetype offset = rest.source->size() - rest.tail.size();
        declaration = IsProcDeclaration(QStringView(*rest.source).mid(blanks.next(offset)));
    }
    for (qsizetype size = qMax(rest.window > 0 ? rest.window : kFirstWindow, 2 * head);;
         size *= 2) {
        const bool whole = head + rest.tail.size() <= size;
        if (whole && head == 0 && rest.tail.size() == rest.source->size())
            window = *rest.source;
        else
            window = QString(rest.head).append(whole ? rest.tail : rest.tail.first(size - head));
        bool decided = true;
        TPiecePlan plan = planPiece(window, declaration, !whole, decided, fontName, inComment,
                                    prevIndent, prevWrap, reservedWidth, indicator);
        if (whole || decided) return plan;
    }
}

TSourceCodePrint::TLineRest TSourceCodePrint::restAfter(const TLineRest& rest,
                                                        const TPiecePlan& plan) {
    TLineRest next{rest.source, QString(qMax(0, plan.Indent), u' ') + plan.Indicator, rest.tail,
                   qMax(kLeastWindow, 2 * qsizetype(plan.WrapPos + kWindowMargin))};
    const qsizetype head = rest.head.size();
    if (plan.WrapPos < head)
        next.head += QStringView(rest.head).mid(plan.WrapPos);
    else
        next.tail = rest.tail.mid(plan.WrapPos - head);
    return next;
}

TSourceCodePrint::TPiecePlan
TSourceCodePrint::planPiece(const QString& line, bool declaration, bool truncated, bool& decided,
                            const QString& fontName, bool inComment, int prevIndent, int prevWrap,
                            int reservedWidth, const QString& lineIndicator) {
    TVirtCanvas& canvas = Canvas();
    TPiecePlan p;
    const QStringView whole = line;
    p.CommentPos = FindCommentStart(line);
    const int commentPos = p.CommentPos;
    p.FontKey = kCodeFont;
    if (fontName == kFunctionFont || declaration)
        p.FontKey = kFunctionFont;
    else if (fontName == kCommentFont || inComment || commentPos == 0)
        p.FontKey = kCommentFont;
    const QString& fontKey = p.FontKey;

    int width;
    if (commentPos <= 0) {
        width = codeTextWidth(line, fontKey);
    } else {
        p.CodeWidth = codeTextWidth(whole.first(commentPos), fontKey);
        width = p.CodeWidth + canvas.TextWidthInFont(whole.mid(commentPos), kCommentFont);
    }
    p.ContinuesInComment = inComment;
    if (ColumnWidth - reservedWidth - kRightRoom > width) {
        // What follows a window that fits may not.
        if (truncated) decided = false;
        return p;
    }

    p.Wrapped = true;
    const int n = int(line.size());
    // Every piece takes at least one character and never more than the
    // line holds, so the remainder always gets shorter. A line in a
    // comment box wraps short of the box's edge.
    int wrapPos =
        qBound(1,
               findWrapPosition(line, fontKey, reservedWidth > 0 ? ColumnWidth - reservedWidth : -1,
                                truncated, decided),
               n);
    // The wrap was measured in the line's font; a comment part is drawn in
    // the comment font, which may be wider. Where not even its first
    // character fits, the comment starts the next piece.
    if (commentPos > 0 && commentPos < wrapPos) {
        const int limit = reservedWidth > 0 ? ColumnWidth - reservedWidth : ColumnWidth;
        canvas.PrefixWidthsInFont(whole.mid(commentPos, wrapPos - commentPos), kCommentFont,
                                  commentWidths_);
        while (wrapPos > commentPos &&
               p.CodeWidth + commentWidths_[std::size_t(wrapPos - commentPos)] >= limit)
            --wrapPos;
    }
    p.WrapPos = wrapPos;
    // The smart indent looks for the indicator before the wrap.
    if (truncated && wrapPos + Settings.NextLineInd.size() > n) decided = false;
    int indent = FirstNonBlank(line);
    if (indent > wrapPos) indent = 0;
    if (prevIndent > 0) {
        if (qAbs(prevWrap - indent) < 10 && line.indexOf(Settings.NextLineInd) + 1 == indent)
            indent = 0;
        else
            indent = indent - 1;
    }
    if (!Settings.IndentContinuedLines) indent = 0;
    QString indicator = lineIndicator;
    // Drop the smart indent, then the indicator, where keeping them would
    // make the continuation as long as the line it came from.
    if (indent + indicator.size() >= wrapPos) indent = 0;
    if (indicator.size() >= wrapPos) indicator.clear();
    p.Indent = indent;
    p.Indicator = indicator;
    p.Continues = wrapPos < n;
    if (commentPos >= 0 && commentPos < wrapPos) p.ContinuesInComment = true;
    return p;
}

int TSourceCodePrint::pieceInk(const TPiecePlan& plan) {
    const TVirtCanvas& canvas = Canvas();
    int ink = canvas.TextHeightInFont(QStringLiteral("X"), plan.FontKey);
    if (plan.CommentPos > 0 && (!plan.Wrapped || plan.CommentPos < plan.WrapPos))
        ink = qMax(ink, canvas.TextHeightInFont(QStringLiteral("X"), kCommentFont));
    return ink;
}

qint64 TSourceCodePrint::heightInBox(const QString& line, int reservedWidth, int lineHeight) {
    qint64 height = 0;
    TLineRest rest{&line, QString(), line};
    TBlankSkip blanks{line};
    QString window;
    QString fontName = kCommentFont;
    bool inComment = false;
    int prevIndent = -1, prevWrap = -1;
    for (;;) {
        // Inside a box no indicator is drawn.
        const TPiecePlan plan = planRest(rest, blanks, window, fontName, inComment, prevIndent,
                                         prevWrap, reservedWidth, QString());
        height += qMax(lineHeight, pieceInk(plan));
        if (!plan.Wrapped || !plan.Continues) return height;
        rest = restAfter(rest, plan);
        fontName = plan.FontKey;
        inComment = plan.ContinuesInComment;
        prevIndent = plan.Indent;
        prevWrap = plan.WrapPos + 4;
    }
}

void TSourceCodePrint::drawIndicatorPicture(TVirtCanvas& canvas, bool printedInLeftColumn,
                                            bool columnChanged) {
    const int picture = Settings.NLIIndex - 1;
    // No picture chosen at all: draw none.
    if (picture < 0) return;
    const int h = qAbs(Canvas().FontHeight());
    if (!columnChanged) {
        if (Settings.SpecialDraw)
            canvas.DrawPicture(CurrentX - h - 3, CurrentY - h - 3, picture);
        else
            canvas.StretchPicture(CurrentX - h - 2, CurrentY - h - 3, CurrentX - 2, CurrentY - 3,
                                  picture);
        return;
    }
    // The line just printed ended its column: the picture goes to the foot
    // of that column, on the sheet the line was printed on.
    if (Settings.SpecialDraw) {
        const int x = printedInLeftColumn ? LeftColumnX : RightColumnX;
        canvas.DrawPicture(x - h - 3, TextBottom - h - 3, picture);
    } else if (printedInLeftColumn) {
        canvas.StretchPicture(LeftColumnX - h - 2, TextBottom - h - 3, LeftColumnX - 2,
                              TextBottom - 3, picture);
    } else {
        canvas.StretchPicture(RightColumnX - h, TextBottom - h - 3, RightColumnX, TextBottom - 3,
                              picture);
    }
}
