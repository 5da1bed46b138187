// The reports around a listing: the title page in front, the table of
// contents with the page each file begins on, and the function index at the
// back. Page references are recorded while the listing is laid out.
#include "format/SourceCodePrint.h"
#include "format/TextRoutines.h"
#include "platform/Rounding.h"
#include "platform/TextMeasurer.h"
#include "render/VirtCanvas.h"
#include "source/SourceMgt.h"

#include <QCollator>

#include <algorithm>

namespace {

const QString kTitleName = QStringLiteral("Title Page");
const QString kContentsName = QStringLiteral("Table of Contents");
const QString kIndexName = QStringLiteral("Function Index");

// Draws text with its middle on x.
void textCentred(TVirtCanvas& canvas, int x, int y, const QString& text) {
    canvas.TextOut(x - RoundEven(canvas.TextWidth(text) * 0.5), y, text);
}

// Sets font on the canvas, smaller where text would be wider than room:
// the title page's sizes follow the header font, up to 84 points.
void setFittedFont(TVirtCanvas& canvas, const TFont& font, const QString& text, int room) {
    canvas.SetFont(font);
    canvas.ShrinkFontWhile([&] { return canvas.TextWidth(text) > room; });
}

TFont headerFontPlus(const TFont& header, int points) {
    TFont font = header;
    font.setSize(header.size() + points);
    return font;
}

} // namespace

void StartReportPage(TVirtCanvas& canvas) {
    canvas.SetPen(TPen{clBlack, TPenStyle::Solid, 1});
    canvas.SetBrush(TBrush{clWhite, TBrushStyle::Solid});
    canvas.SetTransparent();
}

void TSourceCodePrint::PrintTitlePage() {
    if (!MarginsConverted) ConvertMargins();
    Pages.SetCurrentPageName(kTitleName);
    setPageLabel(QStringLiteral("Title"));
    addTarget(QStringLiteral("title"), kTitleName, 0, 0, 0);
    TVirtCanvas& canvas = Canvas();
    StartReportPage(canvas);
    const int W = canvas.PageWidth(), H = canvas.PageHeight();

    const int room = W - 4;
    TFont font = headerFontPlus(Settings.HeaderFont, 12);
    setFittedFont(canvas, font, Settings.ProjectName, room);
    int h = qAbs(canvas.FontHeight());
    int y = RoundEven(H * 0.25) - int(h * 0.5);
    textCentred(canvas, RoundEven(W * 0.5), y, Settings.ProjectName);
    y += RoundEven(h * 1.75);

    font.setSize(font.size() - 4);
    setFittedFont(canvas, font, Settings.ClientName, room);
    h = qAbs(canvas.FontHeight());
    textCentred(canvas, RoundEven(W * 0.5), y, Settings.ClientName);
    y += RoundEven(h * 1.75);

    font.setSize(font.size() - 2);
    const QString producedBy = "Produced by " + Settings.ProducedBy;
    setFittedFont(canvas, font, producedBy, room);
    textCentred(canvas, RoundEven(W * 0.5), y, producedBy);
    if (!ChangeTitle.isEmpty()) {
        y += RoundEven(qAbs(canvas.FontHeight()) * 1.75);
        setFittedFont(canvas, font, ChangeTitle, room);
        textCentred(canvas, RoundEven(W * 0.5), y, ChangeTitle);
    }

    font.setSize(font.size() - 2);
    const int x = RoundEven(W * 0.75);
    y = RoundEven(H / 6.0 * 5);
    // Both lines within the right half and above the sheet's foot.
    const QString from = QStringLiteral("Code Listing From");
    const QString date = shownDate();
    setFittedFont(canvas, font, from.size() >= date.size() ? from : date, 2 * (W - x) - 4);
    canvas.ShrinkFontWhile([&] {
        return qMax(canvas.TextWidth(from), canvas.TextWidth(date)) > 2 * (W - x) - 4 ||
               y + qAbs(canvas.FontHeight()) + 5 + qAbs(canvas.TextHeight(date)) > H - 2;
    });
    h = qAbs(canvas.FontHeight());
    textCentred(canvas, x, y, from);
    textCentred(canvas, x, y + h + 5, date);
    AddNamedPage();
}

void TSourceCodePrint::printTitlePage() {
    PrintTitlePage();
}

namespace {

int printedFileCount(RFile* firstFile) {
    int n = 0;
    for (RFile* f = firstFile; f && f->Next; f = f->Next)
        n += TSourceMgt::HasMarkedSections(*f) ? 1 : 0;
    return n;
}

} // namespace

namespace {

// Entries spread evenly from top down, the last starting no lower than
// bottom (a spacing rounded up would carry a long list off the sheet).
int tocSpacing(int count, int top, int bottom) {
    if (count <= 0) return 0;
    const int spacing = RoundEven(double(bottom - top) / count);
    return count > 1 ? qMin(spacing, (bottom - top) / (count - 1)) : spacing;
}

} // namespace

// Entries per contents page: one column spread over the page height when
// they fit, else two columns of lines; returns the number of pages.
int TSourceCodePrint::tocLayout(int fileCount, int lineHeight, bool& twoColumns,
                                int& perColumn) const {
    const int H = Pages.CurrentPage().Height;
    const int top = RoundEven(H * 0.2);
    const int bottom = H - MarginB - 2 * lineHeight;
    const int spacing = tocSpacing(fileCount, top, bottom);
    twoColumns = spacing < lineHeight + 5;
    if (!twoColumns) {
        perColumn = qMax(1, fileCount);
        return 1;
    }
    // y starts at top and a column ends once y passes bottom.
    perColumn = qMax(1, (bottom - top) / (lineHeight + 5) + 1);
    return qMax(1, (fileCount + 2 * perColumn - 1) / (2 * perColumn));
}

// The entries' font: the header's, four points up, smaller where the
// widest name would run into a two-digit page number.
TFont TSourceCodePrint::tocEntryFont(RFile* firstFile) {
    // Measured aside: the page it is asked from records nothing for it.
    ITextMeasurer& measure = textMeasurer();
    const int W = Canvas().PageWidth();
    const int n = printedFileCount(firstFile);
    TFont font = headerFontPlus(tocFont_, 4);
    for (;;) {
        bool twoColumns = false;
        int perColumn = 0;
        tocLayout(n, qAbs(font.height()), twoColumns, perColumn);
        // The widest name of each column, in the order the entries fill them.
        int widest[2] = {0, 0};
        int k = 0;
        for (RFile* f = firstFile; f && f->Next; f = f->Next) {
            if (!TSourceMgt::HasMarkedSections(*f)) continue;
            const int column = twoColumns ? (k++ / perColumn) % 2 : 0;
            widest[column] = qMax(widest[column], measure.textWidth(font, f->FileName));
        }
        // Where the numbers start, as PrintTableOfContents places them.
        const int numberWidth = measure.textWidth(font, QStringLiteral("99"));
        const int half = RoundEven(numberWidth * 0.5);
        const int right = qMin(W - MarginR - 15 - half, W - 2 - numberWidth);
        const bool fits = twoColumns ? MarginL + widest[0] <= RoundEven(W * 0.5) - 15 - half &&
                                           RoundEven(W * 0.5) + 15 + widest[1] <= right
                                     : MarginL + widest[0] <= right;
        if (fits || font.size() <= 1) return font;
        font.setSize(qMax(1, font.size() - 2));
    }
}

void TSourceCodePrint::ReserveTableOfContents(RFile* firstFile) {
    if (!MarginsConverted) ConvertMargins();
    tocFont_ = Settings.HeaderFont;
    const int lh = qAbs(tocEntryFont(firstFile).height());
    bool twoColumns = false;
    int perColumn = 0;
    tocPageCount_ = tocLayout(printedFileCount(firstFile), lh, twoColumns, perColumn);
    tocFirstPage_ = Pages.CurrentPageNumber();
    // The page left behind is filled after the listing; a long project
    // gets further contents pages rather than columns beyond the margin.
    for (int i = 0; i < tocPageCount_; ++i)
        AddNamedPage();
}

void TSourceCodePrint::reserveTableOfContents() {
    ReserveTableOfContents(firstFile_);
}

void TSourceCodePrint::drawTocPageTitle(int& y, int contentsPage) {
    Pages.SetCurrentPageName(kContentsName);
    if (contentsPage == 1) {
        setPageLabel(QStringLiteral("Contents"));
        addTarget(QStringLiteral("contents"), kContentsName, 0, 0, 0);
    } else {
        setPageLabel(QStringLiteral("Contents %1").arg(contentsPage));
    }
    TVirtCanvas& canvas = Canvas();
    StartReportPage(canvas);
    const int W = canvas.PageWidth(), H = canvas.PageHeight();
    const QString title = QStringLiteral("Table Of Contents");
    const TFont font = headerFontPlus(tocFont_, 12);
    setFittedFont(canvas, font, title, W - 4);
    // The title and its rule stay above the first entry, at a fifth of the
    // page, however large the header font.
    canvas.ShrinkFontWhile([&] {
        const int th = qAbs(canvas.FontHeight());
        return RoundEven(H * 0.125) - int(th * 0.5) + RoundEven(th * 1.35) >=
               RoundEven(H * 0.2) - 1;
    });
    const int th = qAbs(canvas.FontHeight());
    const int width = canvas.TextWidth(title);
    const int left = RoundEven(W * 0.5) - RoundEven(width * 0.5);
    y = RoundEven(H * 0.125) - int(th * 0.5);
    canvas.TextOut(left, y, title);
    canvas.MoveTo(left, y + RoundEven(th * 1.35));
    canvas.LineTo(left + width, y + RoundEven(th * 1.35));
}

void TSourceCodePrint::PrintTableOfContents(RFile* firstFile) {
    if (tocPageCount_ <= 0) return;
    int page = tocFirstPage_;
    Pages.GoToPage(page);
    int titleY = 0;
    drawTocPageTitle(titleY, 1);

    TVirtCanvas* canvas = &Canvas();
    const int W = canvas->PageWidth(), H = canvas->PageHeight();
    const int L = MarginL, R = MarginR, B = MarginB;
    TFont font = tocEntryFont(firstFile);
    font.setColor(clBlack);
    canvas->SetFont(font);
    const int lh = qAbs(canvas->FontHeight());
    const int top = RoundEven(H * 0.2);
    const int bottom = H - B - 2 * lh;

    int wmax = 0;
    for (RFile* f = firstFile; f && f->Next; f = f->Next)
        wmax = qMax(wmax, canvas->TextWidth(f->FileName));
    const int n = printedFileCount(firstFile);
    bool twoColumns = false;
    int perColumn = 0;
    tocLayout(n, lh, twoColumns, perColumn);
    int spacing = tocSpacing(n, top, bottom);
    int pc = W - R - 15;
    if (twoColumns) {
        spacing = lh + 5;
        pc = RoundEven(W * 0.5) - 15;
    }

    auto closePage = [&] {
        canvas->MoveTo(L, H - B);
        canvas->LineTo(W - R, H - B);
    };
    int x = L, y = top;
    bool rightColumn = false;
    for (RFile* f = firstFile; f && f->Next; f = f->Next) {
        if (!TSourceMgt::HasMarkedSections(*f)) continue;
        if (twoColumns && y > bottom) {
            if (!rightColumn) {
                y = top;
                x = pc + 30;
                canvas->MoveTo(pc + 15, top);
                canvas->LineTo(pc + 15, bottom + lh);
                pc = W - R - 15;
                rightColumn = true;
            } else if (page + 1 < tocFirstPage_ + tocPageCount_) {
                // Both columns full: the next contents page set aside.
                closePage();
                Pages.GoToPage(++page);
                drawTocPageTitle(titleY, page - tocFirstPage_ + 1);
                canvas = &Canvas();
                canvas->SetFont(font);
                x = L;
                y = top;
                pc = RoundEven(W * 0.5) - 15;
                rightColumn = false;
            }
        }
        canvas->TextOut(x, y, f->FileName);
        const QString number = QString::number(f->FirstPage);
        const int numberWidth = canvas->TextWidth(number);
        int numberLeft = pc - RoundEven(numberWidth * 0.5);
        // Kept clear of the divider between the columns, and on the sheet
        // beside a narrow right margin.
        if (twoColumns && !rightColumn) numberLeft = qMin(numberLeft, pc + 12 - numberWidth);
        numberLeft = qMin(numberLeft, W - 2 - numberWidth);
        canvas->TextOut(numberLeft, y, number);
        // The whole entry, name to number, opens the file.
        addLink(x, y, numberLeft + numberWidth, y + lh, fileTargetKey(f->FileName));
        const int leaderFrom = x + wmax + 5;
        const int leaderTo = qMin(pc - RoundEven(numberWidth * 0.5) - 24, numberLeft - 2);
        // A name too wide for its column gets no leader rather than one
        // drawn backwards over it.
        if (leaderTo > leaderFrom) {
            canvas->MoveTo(leaderFrom, y + lh);
            canvas->LineTo(leaderTo, y + lh);
        }
        y += spacing;
    }
    closePage();
}

void TSourceCodePrint::printTableOfContents() {
    PrintTableOfContents(firstFile_);
}

void TSourceCodePrint::RecordProcPage(RFile& file, const QString& procName, int page) {
    // Every declaration line asks: the file's sections are grouped by name
    // once, not searched each time.
    if (sectionsFile_ != &file) {
        sectionsFile_ = &file;
        sectionsByName_.clear();
        for (RFunction* f = file.Functions; f && f->Next; f = f->Next)
            sectionsByName_[f->Name.trimmed()].sections.push_back(f);
    }
    // The section's name is kept without the type character that may close
    // the declared one ("Function FormatAmount$").
    QString name = procName.trimmed();
    if (!name.isEmpty() && QStringLiteral("$%&!#@").contains(name.back()) &&
        !sectionsByName_.contains(name))
        name = name.left(name.size() - 1).trimmed();
    // A section keeps the page of its first declaration line: both
    // branches of an "#If" may declare it.
    const auto it = sectionsByName_.find(name);
    if (it == sectionsByName_.end()) return;
    TNamedSections& named = it.value();
    while (named.unpaged < named.sections.size() && named.sections[named.unpaged]->FirstPage != 0)
        ++named.unpaged;
    if (named.unpaged < named.sections.size()) named.sections[named.unpaged]->FirstPage = page;
}

void TSourceCodePrint::recordProcPage(int page) {
    if (currentFile_) RecordProcPage(*currentFile_, ExtractProcName(CurrentLine), page);
}

void TSourceCodePrint::BuildFunctionIndex(RFile* firstFile) {
    QStringList entries;
    for (RFile* f = firstFile; f && f->Next; f = f->Next) {
        for (RFunction* s = f->Functions; s && s->Next; s = s->Next) {
            if (!s->Marked) continue;
            const bool declarations = s->Name == QLatin1String("File Declarations");
            const int page = declarations ? f->FirstPage : s->FirstPage;
            // Section names may carry the blank that followed the keyword;
            // the index sorts and groups by the name's first letter.
            entries.append(s->Name.trimmed() + " (" + f->FileName + ") ," + QString::number(page));
        }
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(entries.begin(), entries.end(), [&](const QString& a, const QString& b) {
        return collator.compare(a, b) < 0;
    });
    PrintFunctionIndex(entries);
}

void TSourceCodePrint::buildFunctionIndex() {
    BuildFunctionIndex(firstFile_);
}

void TSourceCodePrint::PrintFunctionIndex(const QStringList& entries) {
    const TFont titleFont(QStringLiteral("Arial"), 15);
    const TFont letterFont(QStringLiteral("Arial"), 12);
    TFont entryFont = letterFont;
    const TFont measureFont(QStringLiteral("Arial"), 12, fsBold | fsItalic);

    Pages.AddPage();
    Pages.SetCurrentPageName(kIndexName);
    int indexPage = 1;
    setPageLabel(QStringLiteral("Index"));
    addTarget(QStringLiteral("index"), kIndexName, 0, 0, 0);
    TVirtCanvas* canvas = &Canvas();
    StartReportPage(*canvas);
    canvas->SetPenColor(clBlack);
    const int W = canvas->PageWidth(), H = canvas->PageHeight();
    const int L = MarginL, T = MarginT, R = MarginR, B = MarginB;

    // "Name (File),  page" as an entry is printed.
    auto entryText = [](const QString& entry) {
        const qsizetype comma = entry.indexOf(',');
        return comma >= 0 ? entry.left(comma) + ",  " + entry.mid(comma + 1, 12) : entry + ",  ";
    };
    canvas->SetFont(measureFont);
    const int hb = canvas->TextHeight(QStringLiteral("X"));
    canvas->SetFont(entryFont);
    // Beside a wide left margin even one column of entries may not fit
    // between it and the sheet's edge: they are then printed smaller.
    entryFont = canvas->ShrinkFontWhile([&] {
        return std::any_of(entries.begin(), entries.end(), [&](const QString& e) {
            return L + canvas->TextWidth(entryText(e)) > W - 2;
        });
    });
    const int he = canvas->TextHeight(QStringLiteral("X"));
    canvas->SetFont(titleFont);
    // The narrowest top margin leaves no room above the rule for the title:
    // the rule moves down rather than the title off the sheet.
    const int y0 = qMax(hb + T, qMax(canvas->TextHeight(kIndexName) - 3, hb + 2));

    int widest = 0;
    for (const QString& e : entries)
        widest = qMax(widest, canvas->TextWidth(e.section(',', 0, 0)));
    const int cw = canvas->TextWidth(QStringLiteral("9999")) + widest + 30;
    const int nc = qMax(1, (W - L - R) / cw);
    const int bottom = H - B - 30;

    auto titleRule = [&] {
        canvas->MoveTo(L, y0 + 4);
        canvas->LineTo(W - R, y0 + 4);
        canvas->SetFont(titleFont);
    };
    titleRule();
    // The title stands on its rule: its whole box (descent included) above
    // the line, which would otherwise run through its lower part.
    const int titleY = qMin(y0 - hb, y0 + 3 - canvas->TextHeight(kIndexName));
    canvas->TextOut(L, titleY, kIndexName);

    int x = L, y = y0 + hb, column = 1;
    QChar previous = ' ';
    auto nextColumn = [&](bool afterEntry) {
        if (column >= nc) {
            Pages.AddPage();
            Pages.SetCurrentPageName(kIndexName);
            setPageLabel(QStringLiteral("Index %1").arg(++indexPage));
            canvas = &Canvas();
            StartReportPage(*canvas);
            titleRule();
            canvas->TextOut(L, qMin(y0 - hb - 2, titleY), kIndexName);
            if (afterEntry) canvas->SetFont(entryFont);
            column = 1;
            x = L;
        } else {
            ++column;
            x = L + RoundEven((column - 1) * double(W - L - R) / nc);
        }
        y = y0 + hb;
    };

    for (const QString& entry : entries) {
        const QChar letter = entry.isEmpty() || entry[0] == ',' ? QChar(' ') : entry[0].toUpper();
        if (letter != previous) {
            previous = letter;
            y += 4;
            if (y > bottom - 50) nextColumn(false);
            // A letter keeps its size where the entries had to shrink.
            if (canvas->CurrentFont() == entryFont && entryFont != letterFont)
                canvas->SetFont(letterFont);
            // Centred over the column, but on the sheet where one column is
            // wider than the room beside a wide left margin.
            const int letterX =
                x + RoundEven((cw - 30) * 0.5 - canvas->TextWidth(QStringLiteral("X")) * 0.5);
            canvas->TextOutInFont(qMin(letterX, W - 2 - canvas->TextWidth(QString(letter))), y,
                                  QStringLiteral("HEADER"), QString(letter));
            canvas->MoveTo(x, y + hb + 5);
            // A single column wider than the room between wide margins ends
            // its rule at the sheet's edge.
            canvas->LineTo(qMin(x + cw - 30, qMax(x, W)), y + hb + 5);
            y += hb + 24;
            canvas->SetFont(entryFont);
        }
        const QString text = entryText(entry);
        canvas->TextOut(x, y, text);
        recordIndexLink(x, y, canvas->TextWidth(text), he, entry);
        y += he + 8;
        if (y > bottom) nextColumn(true);
    }
}
