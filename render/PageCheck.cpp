#include "render/PageCheck.h"

#include "platform/TextMeasurer.h"
#include "render/IndicatorPictures.h"
#include "render/VirtCanvas.h"
#include "settings/FontRegistry.h"

#include <QImage>

#include <algorithm>
#include <optional>

namespace {

struct TBox {
    int L = 0, T = 0, R = 0, B = 0;
};

struct TStroke {
    int index = 0;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

struct TText {
    int index = 0;
    TBox ink;
    bool knocksOut = false;
    bool code = false;
    bool gutter = false;
    // Left and right of the ink as playback draws it, a point smaller.
    int drawnL = 0, drawnR = 0;
    QString text;
};

// Liang-Barsky: the point where the segment first enters the closed box,
// if it meets it at all.
std::optional<std::pair<int, int>> entersBox(const TStroke& s, const TBox& b) {
    const double dx = s.x2 - s.x1, dy = s.y2 - s.y1;
    double t0 = 0.0, t1 = 1.0;
    auto clip = [&](double p, double q) {
        if (p == 0) return q >= 0;
        const double r = q / p;
        if (p < 0) {
            if (r > t1) return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0) return false;
            t1 = std::min(t1, r);
        }
        return true;
    };
    if (clip(-dx, s.x1 - b.L) && clip(dx, b.R - s.x1) && clip(-dy, s.y1 - b.T) &&
        clip(dy, b.B - s.y1) && t0 <= t1)
        return std::make_pair(int(s.x1 + t0 * dx), int(s.y1 + t0 * dy));
    return std::nullopt;
}

bool offSheet(const TBox& b, const TPageLayout& layout) {
    return b.L < 0 || b.T < 0 || b.R > layout.Width || b.B > layout.Height;
}

TBox boxOf(int x1, int y1, int x2, int y2) {
    return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

class TChecker {
public:
    TChecker(const TVirtCanvas& canvas, const TPageLayout& layout, int page)
        : canvas_(canvas), layout_(layout), page_(page) {}

    std::vector<TPageFinding> run(TPageCheckCounts* counts) {
        replay();
        checkCrossings();
        checkCodeTexts();
        checkBrackets();
        if (counts) {
            counts->Texts += qsizetype(texts_.size());
            counts->Strokes += qsizetype(strokes_.size());
        }
        return std::move(findings_);
    }

private:
    void add(int x, int y, const char* rule, const QString& detail) {
        findings_.push_back({page_, x, y, QString::fromLatin1(rule), detail});
    }

    void needs(bool set, int x, int y, const char* what, const char* element) {
        if (!set)
            add(x, y, "state-not-set",
                QStringLiteral("%1 drawn before the page set its %2")
                    .arg(QLatin1String(element), QLatin1String(what)));
    }

    void sheetCheck(const TBox& b, const char* element) {
        if (offSheet(b, layout_))
            add(b.L, b.T, "off-sheet",
                QStringLiteral("%1 (%2, %3)-(%4, %5) leaves the %6 by %7 sheet")
                    .arg(QLatin1String(element))
                    .arg(b.L)
                    .arg(b.T)
                    .arg(b.R)
                    .arg(b.B)
                    .arg(layout_.Width)
                    .arg(layout_.Height));
    }

    void stroke(int index, int x1, int y1, int x2, int y2) {
        needs(penSet_, x1, y1, "pen", "a line");
        sheetCheck(boxOf(x1, y1, x2, y2), "a line");
        if (!penClear_) strokes_.push_back({index, x1, y1, x2, y2});
    }

    void text(int index, const TCanvasCommand& c) {
        QString body = c.Text;
        const TFont* font = &font_;
        bool code = false, gutter = false;
        if (c.Kind == ckTextOutInFont) {
            const qsizetype sep = c.Text.indexOf(kFontTextSeparator);
            if (sep >= 0) {
                body = c.Text.mid(sep + kFontTextSeparator.size());
                const QString key = c.Text.left(sep);
                if (const TFont* named = fontregistry::find(key)) {
                    font = named;
                    code = true;
                    gutter = !layout_.GutterFont.isEmpty() &&
                             key.compare(layout_.GutterFont, Qt::CaseInsensitive) == 0;
                }
            }
        }
        if (!code) needs(fontSet_, c.X1, c.Y1, "font", "a text");
        needs(bkSet_, c.X1, c.Y1, "background mode", "a text");
        if (bkSet_ && opaque_) needs(brushSet_, c.X1, c.Y1, "brush", "an opaque text");
        qsizetype lead = 0;
        while (lead < body.size() && body[lead] == ' ')
            ++lead;
        qsizetype end = body.size();
        while (end > lead && body[end - 1].isSpace())
            --end;
        if (end <= lead) return;
        ITextMeasurer& m = textMeasurer();
        TText t;
        t.index = index;
        t.ink.L = c.X1 + (lead > 0 ? m.textWidth(*font, body.left(lead)) : 0);
        t.ink.R = c.X1 + m.textWidth(*font, body.left(end));
        const TFont drawn = DrawnFont(*font);
        t.drawnL = c.X1 + (lead > 0 ? m.textWidth(drawn, body.left(lead)) : 0);
        t.drawnR = c.X1 + m.textWidth(drawn, body.left(end));
        t.ink.T = c.Y1;
        t.ink.B = c.Y1 + m.textHeight(*font, body);
        t.knocksOut = bkSet_ && opaque_ && brushSet_ && brushSolid_;
        t.code = code;
        t.gutter = gutter;
        t.text = body.mid(lead, end - lead);
        sheetCheck(t.ink, "a text");
        texts_.push_back(t);
    }

    void replay() {
        const auto& commands = canvas_.Commands();
        int x = 0, y = 0;
        for (std::size_t n = 0; n < commands.size(); ++n) {
            const TCanvasCommand& c = commands[n];
            const int i = int(n);
            switch (c.Kind) {
            case ckSetFont:
                if (const TFont* f = canvas_.CommandFont(c)) font_ = *f;
                fontSet_ = true;
                break;
            case ckSetPen:
                if (const TPen* p = canvas_.CommandPen(c)) penClear_ = p->style == TPenStyle::Clear;
                penSet_ = true;
                break;
            case ckSetBrush:
                if (const TBrush* b = canvas_.CommandBrush(c))
                    brushSolid_ = b->style == TBrushStyle::Solid;
                brushSet_ = true;
                break;
            case ckBrushColor:
                // Playback makes a coloured brush solid.
                brushSet_ = brushSolid_ = true;
                break;
            case ckTransparent:
            case ckOpaque:
                bkSet_ = true;
                opaque_ = c.Kind == ckOpaque;
                break;
            case ckMoveTo:
            case ckSetPenPos:
                x = c.X1;
                y = c.Y1;
                break;
            case ckLineTo:
                stroke(i, x, y, c.X1, c.Y1);
                x = c.X1;
                y = c.Y1;
                break;
            case ckRectangle:
                needs(brushSet_, c.X1, c.Y1, "brush", "a rectangle");
                stroke(i, c.X1, c.Y1, c.X2, c.Y1);
                stroke(i, c.X2, c.Y1, c.X2, c.Y2);
                stroke(i, c.X2, c.Y2, c.X1, c.Y2);
                stroke(i, c.X1, c.Y2, c.X1, c.Y1);
                break;
            case ckEllipse:
            case ckRoundRect:
            case ckArc:
            case ckPie:
            case ckChord:
                // Curves: only where they reach, not what they cross.
                needs(penSet_, c.X1, c.Y1, "pen", "a shape");
                if (c.Kind != ckArc) needs(brushSet_, c.X1, c.Y1, "brush", "a shape");
                sheetCheck(boxOf(c.X1, c.Y1, c.X2, c.Y2), "a shape");
                break;
            case ckFillRect:
                needs(brushSet_, c.X1, c.Y1, "brush", "a fill");
                sheetCheck(boxOf(c.X1, c.Y1, c.X2, c.Y2), "a fill");
                break;
            case ckTextOut:
            case ckTextOutInFont:
                text(i, c);
                break;
            case ckDrawPicture: {
                const QImage pic = indicatorPicture(c.Y2);
                if (!pic.isNull())
                    sheetCheck({c.X1, c.Y1, c.X1 + pic.width(), c.Y1 + pic.height()}, "a picture");
                break;
            }
            case ckStretchPicture:
                sheetCheck(boxOf(c.X1, c.Y1, c.X3, c.Y3), "a picture");
                break;
            default:
                // The watermark is placed by the device at playback; flood
                // fills stay within their borders.
                break;
            }
        }
    }

    void checkCrossings() {
        for (const TStroke& s : strokes_) {
            for (const TText& t : texts_) {
                const TBox inner{t.ink.L + 1, t.ink.T + 1, t.ink.R - 1, t.ink.B - 1};
                if (inner.L > inner.R || inner.T > inner.B) continue;
                const auto at = entersBox(s, inner);
                if (!at) continue;
                if (t.index > s.index && t.knocksOut) continue;
                add(at->first, at->second, "stroke-through-text",
                    QStringLiteral("line (%1, %2)-(%3, %4) crosses \"%5\"")
                        .arg(s.x1)
                        .arg(s.y1)
                        .arg(s.x2)
                        .arg(s.y2)
                        .arg(t.text.left(40)));
            }
        }
    }

    void checkCodeTexts() {
        std::vector<const TText*> code;
        for (const TText& t : texts_)
            if (t.code) code.push_back(&t);
        std::sort(code.begin(), code.end(),
                  [](const TText* a, const TText* b) { return a->ink.T < b->ink.T; });
        for (std::size_t a = 0; a < code.size(); ++a) {
            const TBox& p = code[a]->ink;
            for (std::size_t b = a + 1; b < code.size() && code[b]->ink.T < p.B - 1; ++b) {
                const TBox& q = code[b]->ink;
                // Side by side as drawn: runs of a line are placed so.
                if (std::min(code[a]->drawnR, code[b]->drawnR) -
                            std::max(code[a]->drawnL, code[b]->drawnL) >
                        1 &&
                    std::min(p.B, q.B) - std::max(p.T, q.T) > 1)
                    add(q.L, q.T, "text-overlap",
                        QStringLiteral("\"%1\" overlaps \"%2\"")
                            .arg(code[b]->text.left(40), code[a]->text.left(40)));
            }
        }
        if (layout_.ColumnX.empty()) return;
        for (const TText* t : code) {
            const TBox& b = t->ink;
            bool inside = false;
            for (int x : layout_.ColumnX) {
                // The text's own x is where its blanks begin.
                const TCanvasCommand& c = canvas_.Commands()[std::size_t(t->index)];
                const bool across = t->gutter ? c.X1 >= x - layout_.GutterWidth && b.R < x
                                              : c.X1 >= x && b.R <= x + layout_.ColumnWidth;
                // A line number sits on its line's baseline: it starts a
                // little lower than its line, less than a line lower.
                const bool down =
                    c.Y1 <= layout_.TextBottom + (t->gutter ? layout_.CodeLineHeight - 1 : 0);
                if (across && down && c.Y1 >= layout_.TextTop) inside = true;
            }
            if (!inside)
                add(b.L, b.T, "text-outside-column",
                    QStringLiteral("\"%1\" (%2, %3)-(%4, %5)")
                        .arg(t->text.left(40))
                        .arg(b.L)
                        .arg(b.T)
                        .arg(b.R)
                        .arg(b.B));
        }
    }

    void checkBrackets() {
        // A tick runs on into its line's own leading blanks, by up to 15
        // units less 4 (the text rule keeps it off the ink).
        constexpr int kTickReach = 11;
        if (layout_.ColumnX.empty() || layout_.FirstBracketCommand < 0) return;
        const int area = layout_.BracketAreaWidth;
        const int lowest = layout_.TextBottom + std::max(10, layout_.CodeLineHeight);
        for (const TStroke& s : strokes_) {
            if (s.index < layout_.FirstBracketCommand) continue;
            bool inside = false;
            const int left = std::min(s.x1, s.x2), right = std::max(s.x1, s.x2);
            for (int column : layout_.ColumnX) {
                // The brackets stay left of the line numbers.
                const int x = column - layout_.GutterWidth;
                if (left < x - area) continue;
                if (s.x1 == s.x2 ? right < x : (s.y1 == s.y2 && right <= x + area + kTickReach))
                    inside = true;
            }
            if (std::min(s.y1, s.y2) < layout_.TextTop || std::max(s.y1, s.y2) > lowest)
                inside = false;
            if (!inside)
                add(s.x1, s.y1, "bracket-outside-area",
                    QStringLiteral("bracket line (%1, %2)-(%3, %4)")
                        .arg(s.x1)
                        .arg(s.y1)
                        .arg(s.x2)
                        .arg(s.y2));
        }
    }

    const TVirtCanvas& canvas_;
    const TPageLayout& layout_;
    int page_;
    std::vector<TPageFinding> findings_;
    std::vector<TStroke> strokes_;
    std::vector<TText> texts_;
    TFont font_{QStringLiteral("Arial"), 10};
    bool fontSet_ = false, penSet_ = false, penClear_ = false;
    bool brushSet_ = false, brushSolid_ = false;
    bool bkSet_ = false, opaque_ = false;
};

} // namespace

std::vector<TPageFinding> CheckPage(const TVirtCanvas& canvas, const TPageLayout& layout, int page,
                                    TPageCheckCounts* counts) {
    return TChecker(canvas, layout, page).run(counts);
}

QString FormatFinding(const TPageFinding& f) {
    return QStringLiteral("page %1 (%2, %3): %4: %5")
        .arg(f.Page)
        .arg(f.X)
        .arg(f.Y)
        .arg(f.Rule, f.Detail);
}
