// The page frame: margins, header and footer, rules, page-number box,
// watermark, shade bands, and the page and column breaks.
#include "format/SourceCodePrint.h"
#include "format/TextRoutines.h"
#include "platform/Errors.h"
#include "platform/Progress.h"
#include "platform/Rounding.h"
#include "platform/TextMeasurer.h"
#include "render/VirtCanvas.h"

namespace {

constexpr TColor kShadowLight = 0xC0C0C0;
constexpr TColor kShadowDark = 0x808080;
constexpr TColor kShadeBand = rgbColor(242, 242, 242);
// The narrowest text column worth laying out: one inch.
constexpr int kMinColumnWidth = 96;

// The frame's own pen: black, solid, one unit.
void setFramePen(TVirtCanvas& canvas) {
    canvas.SetPen(TPen{clBlack, TPenStyle::Solid, 1});
}

// Text drawn on a white box that hides the lines under it.
void setKnockOut(TVirtCanvas& canvas) {
    canvas.SetBrush(TBrush{clWhite, TBrushStyle::Solid});
    canvas.SetOpaque();
}

} // namespace

void TSourceCodePrint::ConvertMargins() {
    const TVirtCanvas& canvas = Canvas();
    const double w = canvas.PageWidth();
    const double h = canvas.PageHeight();
    if (Settings.Paper != 0) {
        // Other papers take their true size: a margin lies where Page
        // Setup puts it, less the same eighth of an inch.
        auto units = [](int hundredths) { return RoundEven(hundredths * 0.96) - 12; };
        MarginL = units(Settings.MarginLeft);
        MarginR = units(Settings.MarginRight);
        MarginT = units(Settings.MarginTop);
        MarginB = units(Settings.MarginBottom);
        MarginsConverted = true;
        return;
    }
    // Both layouts take the sheet as 8.5 by 11.5 inches and take an eighth
    // of an inch off every margin.
    const double across = Settings.TwoPage ? 11.5 : 8.5;
    const double down = Settings.TwoPage ? 8.5 : 11.5;
    const int eighthX = RoundEven(w / (Settings.TwoPage ? 92.0 : 68.0));
    const int eighthY = RoundEven(h / (Settings.TwoPage ? 68.0 : 92.0));
    MarginL = RoundEven(Settings.MarginLeft / 100.0 / across * w) - eighthX;
    MarginR = RoundEven(Settings.MarginRight / 100.0 / across * w) - eighthX;
    MarginT = RoundEven(Settings.MarginTop / 100.0 / down * h) - eighthY;
    MarginB = RoundEven(Settings.MarginBottom / 100.0 / down * h) - eighthY;
    MarginsConverted = true;
}

const QString& TSourceCodePrint::shownDate() const {
    if (!dateText_.isNull()) return dateText_;
    if (todayText_.isNull()) todayText_ = TodayShortDate();
    return todayText_;
}

QString TSourceCodePrint::expandHeader(const QString& templ, int pageNumber) const {
    QString text =
        ExpandHeaderText(templ, CurrentFileName, CurrentProcName, pageNumber, shownDate());
    // The revision of a change listing; elsewhere "%r" is plain text.
    if (!Revision.isEmpty())
        if (const qsizetype at = text.indexOf(QLatin1String("%r"), 0, Qt::CaseInsensitive); at >= 0)
            text.replace(at, 2, Revision);
    return text;
}

int TSourceCodePrint::fitFont(TFont& font, const QString& text, int room) {
    TVirtCanvas& canvas = Canvas();
    canvas.SetFont(font);
    // The smaller size stays for the rest of the build; it never goes below
    // one point, where a font would stop being a font.
    if (canvas.TextWidth(text) > ColumnWidth && font.size() > 1) {
        font.setSize(qMax(1, font.size() - 2));
        canvas.SetFont(font);
    }
    // Smaller still where the text would not fit its room (off the sheet,
    // or into the page-number box or across the divider).
    if (room >= 0) font = canvas.ShrinkFontWhile([&] { return canvas.TextWidth(text) > room; });
    return qAbs(canvas.FontHeight());
}

QString TSourceCodePrint::fitText(const QString& text, int room) {
    // What does not fit even at the smallest size is cut: a header of a
    // thousand characters would otherwise reach off the sheet.
    const TVirtCanvas& canvas = Canvas();
    return ElideToWidth(text, room, [&](const QString& s) { return canvas.TextWidth(s); });
}

void TSourceCodePrint::DrawFrame() {
    if (Settings.TwoPage)
        drawTwoPageFrame();
    else
        drawOnePageFrame();
    // Every setting is in its own range, but together they may still leave
    // no room: the listing would then come out empty, cut, or never end.
    const int advance = CodeLineHeight + Settings.LineGap;
    if (ColumnWidth < kMinColumnWidth || advance < 1 ||
        TextBottom - TextTop < CodeLineHeight + qMax(0, Settings.LineGap))
        throw TListoraError(
            QStringLiteral("The settings leave no room for the text on the page (a text column "
                           "%1 by %2 units for lines of %3): choose smaller margins or fonts.")
                .arg(ColumnWidth)
                .arg(TextBottom - TextTop)
                .arg(advance));
    // The numbers the sheet shows: one page, or the two halves.
    setPageLabel(Settings.TwoPage ? QStringLiteral("%1-%2").arg(PageNumber).arg(PageNumber + 1)
                                  : QString::number(PageNumber));
    frameTexts_ = {true, 0, PageNumber};
    rightHalfEntered_ = !Settings.TwoPage;
    if (progress_) {
        progress_->showPageCount(Pages.CurrentPageNumber());
        progress_->processPendingMessages();
    }
}

void TSourceCodePrint::drawOnePageFrame() {
    if (!MarginsConverted) ConvertMargins();
    TVirtCanvas& canvas = Canvas();
    const int W = canvas.PageWidth(), H = canvas.PageHeight();
    const int L = MarginL, T = MarginT, R = MarginR, B = MarginB;

    // Every element below sets the state it is drawn with: playback carries
    // pens, brushes and the background mode over from the page before.
    setFramePen(canvas);
    ++PageNumber;
    LineNumberWidth = lineNumberWidth();

    canvas.SetFont(Settings.CodeFont);
    CodeLineHeight = qAbs(canvas.FontHeight());
    canvas.SetFont(Settings.HeaderFont);
    int hh = qAbs(canvas.FontHeight());

    LeftColumnX = L + 5 + LineNumberWidth + BracketAreaWidth;
    RightColumnX = LeftColumnX;
    TextTop = 2 * hh + T + 10;
    CurrentY = TextTop;
    ColumnWidth = W - (R + L) - 10 - LineNumberWidth;
    // The column reaches past the right margin by the bracket area's width
    // less five; a margin narrower than that would put text off the sheet.
    ColumnWidth = qMin(ColumnWidth, W - 2 - LeftColumnX);

    // The texts are fitted here, as the page begins, for the room they
    // take; they are drawn with the page's first line (drawFrameTexts).
    const QString footer = expandHeader(Settings.FooterTemplate, PageNumber);
    const int ff = fitFont(Settings.FooterFont, footer, W - 2);
    canvas.MoveTo(L, H - B - ff);
    canvas.LineTo(W - R, H - B - ff);
    TFramePlaces& places = framePlaces_[0];
    places.FooterX = W / 2;
    places.FooterY = H - B - ff / 2;
    places.FooterRoom = W - 2;

    const QString header = expandHeader(Settings.HeaderTemplate, PageNumber);
    const QString number = QString::number(PageNumber);
    // The page-number box holds three digits, or the number of a page of
    // a longer listing, in the font current when it is drawn.
    const auto boxWidth = [&] {
        return qMax(canvas.TextWidth(QStringLiteral("999")), canvas.TextWidth(number)) + 10;
    };
    // Centred on the sheet, left of the page-number box (which takes the
    // header font); where a wide right margin brings the box so near the
    // middle that not even a one-point header would fit there, centred in
    // the room left of the box instead.
    const auto boxLeft = [&] { return qMin(W - R, W - 3) - boxWidth(); };
    hh = fitFont(Settings.HeaderFont, header);
    TFont smallest = Settings.HeaderFont;
    smallest.setSize(1);
    const bool besideBox = 2 * (boxLeft() - 3 - W / 2) < textMeasurer().textWidth(smallest, header);
    const auto headerRoom = [&] {
        return qMax(0, besideBox ? boxLeft() - 3 - L : 2 * (boxLeft() - 3 - W / 2));
    };
    while (canvas.TextWidth(header) > headerRoom() && Settings.HeaderFont.size() > 1)
        hh = fitFont(Settings.HeaderFont, header, headerRoom());
    const QString shownHeader = fitText(header, headerRoom());
    const int headerY = onSheetY(T - hh / 2, shownHeader);
    places.HeaderX = besideBox ? L + headerRoom() / 2 : W / 2;
    places.HeaderY = T - hh / 2;
    places.HeaderRoom = headerRoom();
    // The rule below the header, below its ink even where the header had
    // to move down to stay on the sheet.
    const int ruleY = qMax(T + hh, headerY + canvas.TextHeight(shownHeader) + 1);
    canvas.SetTransparent();

    // Page-number box at the top right, in the header font.
    const int bw = boxWidth();
    const int bh = canvas.TextHeight(QStringLiteral("999")) + 14;
    // The box's shadow reaches two units right of it: kept on the sheet.
    const int boxR = qMin(W - R, W - 3), boxL = boxR - bw;
    setFramePen(canvas);
    if (Settings.PageNumType == 1) {
        canvas.SetBrushColor(clWhite);
        canvas.Rectangle(boxL, T, boxR, T + bh);
        canvas.MoveTo(boxL, T + 5);
        canvas.LineTo(boxR, T + 5);
        canvas.MoveTo(boxL + 5, T);
        canvas.LineTo(boxL + 5, T + 5);
        canvas.MoveTo(boxR - 5, T);
        canvas.LineTo(boxR - 5, T + 5);
    } else if (Settings.PageNumType == 0) {
        // A sheet with its top right corner folded.
        canvas.MoveTo(boxL, T);
        canvas.LineTo(boxR - 7, T);
        canvas.LineTo(boxR, T + 7);
        canvas.LineTo(boxR, T + bh);
        canvas.LineTo(boxL, T + bh);
        canvas.LineTo(boxL, T);
        canvas.MoveTo(boxR - 7, T);
        canvas.LineTo(boxR - 7, T + 7);
        canvas.LineTo(boxR, T + 7);
    }
    if (Settings.PageNumType != 2) {
        // Never down across the box's bottom line (tall header fonts).
        canvas.TextOut(boxR - RoundEven(bw * 0.5) - RoundEven(canvas.TextWidth(number) * 0.5),
                       qMin(T + RoundEven(bh * 0.5) - 2, T + bh - canvas.TextHeight(number) - 1),
                       number);
        canvas.SetPenColor(kShadowLight);
        canvas.SetBrushColor(kShadowDark);
        canvas.MoveTo(boxL + 8, T + bh + 1);
        canvas.LineTo(boxR + 1, T + bh + 1);
        canvas.LineTo(boxR + 1, T + 8);
        canvas.MoveTo(boxL + 9, T + bh + 2);
        canvas.SetBrushColor(kShadowLight);
        canvas.LineTo(boxR + 2, T + bh + 2);
        canvas.LineTo(boxR + 2, T + 9);
    }

    // A header font much smaller than the box's digits would start the text
    // across the box and its shadow (two units below it).
    if (Settings.PageNumType != 2 && TextTop < T + bh + 3) {
        TextTop = T + bh + 3;
        CurrentY = TextTop;
    }

    setFramePen(canvas);
    canvas.SetBrush(TBrush{clWhite, TBrushStyle::Solid});
    canvas.MoveTo(L, ruleY);
    canvas.LineTo(boxL - 2, ruleY);

    TextBottom = H - B - 2 * ff - 10;
    // The last line's ink stays above the footer's rule, however tall the
    // listing's fonts are beside the footer's.
    TextBottom = qMin(TextBottom, H - B - ff - 1 - tallestLineInk());
    canvas.SetFont(Settings.CodeFont);
    drawShading();
    canvas.SetTransparent();
    drawWatermark();
    recordLayout();
}

void TSourceCodePrint::drawTwoPageFrame() {
    if (!MarginsConverted) ConvertMargins();
    TVirtCanvas& canvas = Canvas();
    const int W = canvas.PageWidth(), H = canvas.PageHeight();
    const int L = MarginL, T = MarginT, R = MarginR, B = MarginB;
    const int mid = RoundEven((W - L - R) * 0.5) + L;

    setFramePen(canvas);
    canvas.SetBrush(TBrush{clWhite, TBrushStyle::Clear});
    canvas.Rectangle(L, T, W - R, H - B);
    canvas.MoveTo(mid, T);
    canvas.LineTo(mid, H - B);

    ++PageNumber; // the left half's number; the right half has the next
    LineNumberWidth = lineNumberWidth();
    LeftColumnX = L + 5 + LineNumberWidth + BracketAreaWidth;
    RightColumnX = mid + 5 + LineNumberWidth + BracketAreaWidth;
    ColumnWidth = mid - LeftColumnX - 5;

    canvas.SetFont(Settings.CodeFont);
    CodeLineHeight = qAbs(canvas.FontHeight());

    const int quarter = (W - L - R) / 4 + L; // Trunc(... * 0.25) + L
    const int threeQuarters = int((W - L - R) * 0.75) + L;
    const QString leftFooterText = expandHeader(Settings.FooterTemplate, PageNumber);
    // Each half's texts stay within the half.
    const int halfRoom = qMax(0, 2 * (mid - quarter) - 4);
    const int ff = fitFont(Settings.FooterFont, leftFooterText, halfRoom);
    const QString leftFooter = fitText(leftFooterText, halfRoom);
    const int footerY = onSheetY(H - B - ff / 2, leftFooter);

    // A header over each half. The texts are fitted here for the room they
    // take and drawn with each half's first line (drawFrameTexts), with
    // that half's file, procedure and number.
    const QString header = expandHeader(Settings.HeaderTemplate, PageNumber);
    const int hh = fitFont(Settings.HeaderFont, header, halfRoom);
    for (int half : {0, 1}) {
        TFramePlaces& places = framePlaces_[half];
        places.FooterX = half == 0 ? quarter : threeQuarters;
        places.FooterY = footerY;
        places.FooterRoom = halfRoom;
        places.HeaderX = RoundEven((W - L - R) * (half == 0 ? 0.25 : 0.75)) + L;
        places.HeaderY = T + hh / 2;
        places.HeaderRoom = halfRoom;
    }

    canvas.SetFont(Settings.CodeFont);
    TextTop = 2 * hh + T;
    // Footers that had to move up to stay on the sheet take the room
    // above them up with them.
    const int raised = qMax(0, H - B - ff / 2 - footerY);
    TextBottom = H - B - ff - CodeLineHeight - raised;
    // ... and above the footer texts that sit on the border.
    TextBottom = qMin(TextBottom, footerY - 1 - tallestLineInk());

    drawShading();
    canvas.SetTransparent();
    drawWatermark();
    if (Settings.ShadeBoxEmulation) {
        setFramePen(canvas);
        canvas.MoveTo(mid, T);
        canvas.LineTo(mid, H - B);
    }
    recordLayout();
}

int TSourceCodePrint::tallestLineInk() {
    const TVirtCanvas& canvas = Canvas();
    int tallest = 0;
    for (const char* font : {"CODE", "COMMENTS", "FUNCTION"})
        tallest = qMax(tallest, canvas.TextHeightInFont(QStringLiteral("X"), QLatin1String(font)));
    return tallest;
}

int TSourceCodePrint::onSheetY(int y, const QString& text) {
    // Only the narrowest margins need it: a text centred on the margin's
    // line would reach off the sheet.
    const TVirtCanvas& canvas = Canvas();
    return qBound(0, y, qMax(0, canvas.PageHeight() - canvas.TextHeight(text)));
}

void TSourceCodePrint::recordLayout() {
    const int n = Pages.CurrentPageNumber();
    if (n < 1) return;
    if (int(layouts_.size()) <= n) layouts_.resize(std::size_t(n) + 1);
    TPageLayout& l = layouts_[std::size_t(n)];
    l = TPageLayout{};
    l.Width = Canvas().PageWidth();
    l.Height = Canvas().PageHeight();
    l.ColumnX = {LeftColumnX};
    if (RightColumnX != LeftColumnX) l.ColumnX.push_back(RightColumnX);
    l.ColumnWidth = ColumnWidth;
    l.BracketAreaWidth = BracketAreaWidth;
    l.GutterWidth = LineNumberWidth;
    if (LineNumberWidth > 0) l.GutterFont = lineNumberFont();
    l.TextTop = TextTop;
    l.TextBottom = TextBottom;
    l.CodeLineHeight = CodeLineHeight;
}

TPageLayout TSourceCodePrint::PageLayout(int n) const {
    if (n >= 1 && n < int(layouts_.size()) && !layouts_[std::size_t(n)].ColumnX.empty())
        return layouts_[std::size_t(n)];
    TPageLayout l;
    if (const TPageRec* page = Pages.Page(n)) {
        l.Width = page->Canvas->PageWidth();
        l.Height = page->Canvas->PageHeight();
    }
    return l;
}

std::vector<TPageFinding> TSourceCodePrint::CheckPages(TPageCheckCounts* counts) const {
    std::vector<TPageFinding> all;
    for (int n = 1; n <= Pages.PageCount(); ++n) {
        std::vector<TPageFinding> page =
            CheckPage(*Pages.Page(n)->Canvas, PageLayout(n), n, counts);
        all.insert(all.end(), page.begin(), page.end());
    }
    return all;
}

void TSourceCodePrint::drawShading() {
    if (!Settings.ShadeBoxEmulation) return;
    const int band = (CodeLineHeight + 5) * Settings.ShadeBoxHeight;
    // A band height of 0 would never leave the loop.
    if (band <= 0) return;
    TVirtCanvas& canvas = Canvas();
    const int W = canvas.PageWidth();
    const int x1 = Settings.TwoPage ? MarginL + 2 : MarginL + BracketAreaWidth;
    const int x2 = Settings.TwoPage ? W - MarginR - 2 : W - MarginR;
    canvas.SetBrush(TBrush{kShadeBand, TBrushStyle::Solid});
    for (int y = TextTop; y + band < TextBottom; y += 2 * band)
        canvas.FillRect(x1, y, x2, y + band);
    canvas.SetBrush(TBrush{clWhite, TBrushStyle::Solid});
}

void TSourceCodePrint::drawFrameTexts(int half, int pageNumber) {
    TVirtCanvas& canvas = Canvas();
    const TFont font = canvas.CurrentFont();
    const TBrush brush = canvas.CurrentBrush();
    const TFramePlaces& places = framePlaces_[half];
    // Smaller only where this page's own values make a text wider than
    // the one the frame was fitted for.
    const auto fit = [&](TFont& f, const QString& text, int room) {
        canvas.SetFont(f);
        f = canvas.ShrinkFontWhile([&] { return canvas.TextWidth(text) > room; });
    };
    const QString footerText = expandHeader(Settings.FooterTemplate, pageNumber);
    fit(Settings.FooterFont, footerText, places.FooterRoom);
    const QString footer = fitText(footerText, places.FooterRoom);
    // The texts sit across the rules and the border and knock them out.
    setKnockOut(canvas);
    canvas.TextOut(places.FooterX - canvas.TextWidth(footer) / 2,
                   Settings.TwoPage ? places.FooterY : onSheetY(places.FooterY, footer), footer);
    const QString headerText = expandHeader(Settings.HeaderTemplate, pageNumber);
    fit(Settings.HeaderFont, headerText, places.HeaderRoom);
    const QString header = fitText(headerText, places.HeaderRoom);
    canvas.TextOut(places.HeaderX - canvas.TextWidth(header) / 2,
                   Settings.TwoPage ? places.HeaderY : onSheetY(places.HeaderY, header), header);
    canvas.SetTransparent();
    canvas.SetBrush(brush);
    canvas.SetFont(font);
}

void TSourceCodePrint::settleFrameTexts() {
    if (!frameTexts_.Pending) return;
    frameTexts_.Pending = false;
    drawFrameTexts(frameTexts_.Half, frameTexts_.PageNumber);
}

void TSourceCodePrint::enterRightHalf() {
    settleFrameTexts();
    CurrentX = RightColumnX;
    ++PageNumber;
    frameTexts_ = {true, 1, PageNumber};
    rightHalfEntered_ = true;
}

void TSourceCodePrint::CloseSheet() {
    settleFrameTexts();
    // An empty right half still carries its header and number.
    if (Settings.TwoPage && !rightHalfEntered_) {
        rightHalfEntered_ = true;
        drawFrameTexts(1, PageNumber + 1);
    }
}

void TSourceCodePrint::drawWatermark() {
    if (Settings.WatermarkText.size() < 2) return;
    // Over the shade bands, which would otherwise cut it into stripes, and
    // under the text; transparent, so that it is no box of its own.
    TVirtCanvas& canvas = Canvas();
    const int W = canvas.PageWidth(), H = canvas.PageHeight();
    canvas.Watermark(Settings.WatermarkText, W - MarginL - MarginR, H - MarginB - MarginT, MarginL,
                     MarginB);
}

void TSourceCodePrint::AddNamedPage() {
    Pages.AddPage();
    if (CurrentProcName.trimmed().size() < 2) CurrentProcName = CurrentFileName;
    Pages.SetCurrentPageName(Pages.CurrentPageName() + " - " + CurrentProcName);
}

void TSourceCodePrint::NewPage() {
    CloseSheet();
    AddNamedPage();
    DrawFrame();
    CurrentX = Settings.TwoPage ? LeftColumnX : RightColumnX;
}

void TSourceCodePrint::NextColumn() {
    if (Settings.TwoPage && CurrentX == LeftColumnX) {
        enterRightHalf();
    } else {
        NewPage();
    }
    CurrentY = TextTop;
}

void TSourceCodePrint::AdvanceLine(int lineHeight, int inkHeight) {
    PrevLineY = CurrentY;
    CurrentY += qMax(qAbs(lineHeight) + Settings.LineGap, inkHeight);
    if (CurrentY > TextBottom && CurrentX == RightColumnX) {
        NewPage();
        CurrentY = TextTop;
    }
    if (Settings.TwoPage && CurrentY > TextBottom && CurrentX == LeftColumnX) {
        CurrentY = TextTop;
        enterRightHalf();
    }
}
