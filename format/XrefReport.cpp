// The cross-reference at the back of a listing: every name the project
// declares at file level, where it is defined and the pages (and lines)
// that use it, then the names nothing uses. The pages come from where
// each source line was laid out in this build.
#include "format/CallerLines.h"
#include "format/SourceCodePrint.h"
#include "names/CrossReference.h"
#include "platform/TextMeasurer.h"
#include "render/VirtCanvas.h"
#include "source/SourceMgt.h"

#include <QSet>
#include <QStringBuilder>

#include <memory>

namespace {

const QString kXrefName = QStringLiteral("Cross Reference");
const QString kUnusedTitle = QStringLiteral("Unreferenced Names");

// The report is mostly numbers: each goes straight into the text it is
// part of, without a string of its own.
void appendNumber(QString& text, int n) {
    if (n < 0) {
        text += QString::number(n);
        return;
    }
    char16_t digits[10];
    int first = 10;
    do {
        digits[--first] = char16_t(u'0' + n % 10);
        n /= 10;
    } while (n);
    text.append(QStringView(digits + first, 10 - first));
}

// The number goes on the entry's last piece.
void extendNumber(TXrefEntry& e, int n) {
    appendNumber(e.text, n);
    e.pieces.back().end = e.text.size();
}

QString lineTargetKey(const QString& fileName, int line) {
    QString key = QStringLiteral("line:") % fileName % u':';
    appendNumber(key, line + 1);
    return key;
}

} // namespace

void TSourceCodePrint::recordLinePlace(int page) {
    if (!Settings.Xref || namesFile_ < 0) return;
    const int line = sourceLineNumber(LineIndex) - 1;
    if (linePlaces_.empty()) linePlaces_.resize(std::size_t(names_->FileCount()));
    std::vector<TLinePlace>& places = linePlaces_[std::size_t(namesFile_)];
    if (int(places.size()) <= line) places.resize(std::size_t(line) + 1);
    places[std::size_t(line)] = {Pages.CurrentPageNumber(), page, CurrentX, CurrentY, {}};
}

TSourceCodePrint::TLinePlace* TSourceCodePrint::linePlace(int file, int line) {
    if (std::size_t(file) >= linePlaces_.size()) return nullptr;
    std::vector<TLinePlace>& places = linePlaces_[std::size_t(file)];
    if (std::size_t(line) >= places.size() || places[std::size_t(line)].storePage == 0)
        return nullptr;
    return &places[std::size_t(line)];
}

// The link to a source line from a page number: the line's place marked
// for links on the page it is printed on. Empty when there is none.
QString TSourceCodePrint::lineLink(int file, int line) {
    TLinePlace* place = linePlace(file, line);
    if (!place || !RecordNavigation) return QString();
    if (place->key.isEmpty()) {
        place->key = lineTargetKey(names_->File(file).FileName, line);
        // No bookmark and no heading: a place only links lead to.
        Pages.Page(place->storePage)
            ->Navigation.Targets.push_back({place->key, QString(), 0, place->x, place->y});
    }
    return place->key;
}

// "Name Kind, Scope, File:line, p. 4 - 5, 7*, 12": the uses by page ("*":
// one of them assigns), or with line numbers on by page and line
// ("7:40*"); uses on lines not printed are counted. uses null: the
// definition alone.
void TSourceCodePrint::addXrefEntry(std::vector<TXrefEntry>& entries, const TNameRef& ref,
                                    const std::vector<TNameUse>* uses) {
    const TNameFile& f = names_->File(ref.File);
    const TNameMember& m = f.Members[std::size_t(ref.Member)];
    TXrefEntry& e = entries.emplace_back();
    e.pieces.reserve(uses ? 6 + uses->size() : 4);
    e.text.reserve(64 + (uses ? 8 * qsizetype(uses->size()) : 0));
    e.add(m.Name);
    e.add(NameKindText(*names_, ref));
    e.extend(u", ");
    e.extend(NameScopeText(m.Scope));
    e.extend(u",");
    e.add(f.FileName);
    e.extend(u":");
    extendNumber(e, m.Line + 1);
    const TLinePlace* defined = linePlace(ref.File, m.Line);
    if (defined) {
        e.extend(u",");
        e.add(u"p. ", lineLink(ref.File, m.Line));
        extendNumber(e, defined->page);
    } else {
        e.extend(u" (not printed)");
    }
    if (uses) addXrefUses(e, *uses);
}

// The uses of an entry's name after its definition.
void TSourceCodePrint::addXrefUses(TXrefEntry& e, const std::vector<TNameUse>& uses) {
    struct TShown {
        int file, line, page;
        bool assigns;
    };
    std::vector<TShown> shown;
    int unprinted = 0;
    for (const TNameUse& use : uses) {
        const TLinePlace* place = linePlace(use.File, use.Line);
        if (!place) {
            ++unprinted;
            continue;
        }
        const bool same =
            !shown.empty() &&
            (Settings.LineNumbers ? shown.back().file == use.File && shown.back().line == use.Line
                                  : shown.back().page == place->page);
        if (same)
            shown.back().assigns |= use.Assigns;
        else
            shown.push_back({use.File, use.Line, place->page, use.Assigns});
    }
    e.extend(u" \u2013");
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const TShown& s = shown[i];
        e.add(QStringView(), lineLink(s.file, s.line));
        extendNumber(e, s.page);
        if (Settings.LineNumbers) {
            e.extend(u":");
            extendNumber(e, s.line + 1);
        }
        if (s.assigns) e.extend(u"*");
        if (i + 1 < shown.size() || unprinted) e.extend(u",");
    }
    if (unprinted) e.add(QStringLiteral("%1 not printed").arg(unprinted));
    if (uses.empty()) e.add(u"no uses");
}

void TSourceCodePrint::printXref(const TSourceMgt& analyzer) {
    if (!names_) return;
    // The callers' index holds the uses when they are on; else they and
    // the names were read while the listing was laid out.
    TXrefNames names;
    if (callers_) {
        names.Reported = ReportedNames(*names_);
        names.Unused =
            UnreferencedNames(callers_->Uses(), ReadProjectFacts(analyzer.ProjectLines()));
    } else {
        names = xrefNames_.get();
    }
    const TCrossReference& xref = names.Uses ? *names.Uses : callers_->Uses();
    std::vector<TXrefEntry> entries;
    entries.reserve(names.Reported.size() + names.Unused.size() + 2);
    for (const TNameRef& ref : names.Reported)
        addXrefEntry(entries, ref, &xref.Uses(ref.File, ref.Member));
    entries.emplace_back().add(kUnusedTitle);
    entries.back().section = true;
    for (const TNameRef& ref : names.Unused)
        addXrefEntry(entries, ref, nullptr);
    if (names.Unused.empty()) entries.emplace_back().add(u"None.");
    PrintXref(entries);
    linePlaces_.clear();
}

void TSourceCodePrint::PrintXref(const std::vector<TXrefEntry>& entries) {
    const TFont titleFont(QStringLiteral("Arial"), 15);
    const TFont sectionFont(QStringLiteral("Arial"), 12, fsBold);
    // Smaller than the function index's: a project has many more names.
    TFont entryFont(QStringLiteral("Arial"), 9);

    // Text in one family and rules alone: a PDF writes these pages as plain
    // text, much faster than glyph by glyph.
    auto addPage = [&] {
        Pages.AddPage();
        Pages.CurrentPage().PlainText = true;
        Pages.SetCurrentPageName(kXrefName);
    };
    addPage();
    int xrefPage = 1;
    setPageLabel(QStringLiteral("Xref 1"));
    addTarget(QStringLiteral("xref"), kXrefName, 0, 0, 0);
    TVirtCanvas* canvas = &Canvas();
    StartReportPage(*canvas);
    canvas->SetPenColor(clBlack);
    const int W = canvas->PageWidth(), H = canvas->PageHeight();
    const int L = MarginL, T = MarginT, R = MarginR, B = MarginB;
    // Between columns, and the indent of an entry's further lines.
    const int gutter = 24;
    // Beside margins that leave almost no room the entries run on to the
    // sheet's edge, as the function index's do.
    const int right = W - R >= L + gutter + 150 ? W - R : W - 2;
    // Two columns where a landscape sheet has room for them.
    const int columns = right - L >= 2 * 420 + gutter ? 2 : 1;
    const int cw = (right - L - (columns - 1) * gutter) / columns;

    // Entries wrap between pieces; a piece wider than the room makes them
    // all smaller. The widths of the pieces in the font chosen are kept for
    // the ends of their links and to tell how much of an entry may fit.
    ITextMeasurer& measure = textMeasurer();
    std::vector<int> pieceWidths;
    int measuredSize = 0;
    auto widest = [&] {
        pieceWidths.clear();
        measuredSize = entryFont.size();
        int w = 0;
        for (const TXrefEntry& e : entries)
            if (!e.section)
                for (std::size_t i = 0; i < e.pieces.size(); ++i) {
                    pieceWidths.push_back(measure.textWidth(entryFont, e.pieceText(i)));
                    w = qMax(w, pieceWidths.back());
                }
        return w;
    };
    while (entryFont.size() > 1 && widest() > cw - gutter)
        entryFont.setSize(entryFont.size() - 1);
    if (measuredSize != entryFont.size()) widest();
    const int blank = measure.textWidth(entryFont, u" ");

    // The title and its rule stand where the function index has them.
    canvas->SetFont(TFont(QStringLiteral("Arial"), 12, fsBold | fsItalic));
    const int hb = canvas->TextHeight(QStringLiteral("X"));
    canvas->SetFont(entryFont);
    const int lh = canvas->TextHeight(QStringLiteral("X")) + 2;
    canvas->SetFont(sectionFont);
    const int sectionHeight = canvas->TextHeight(kUnusedTitle);
    canvas->SetFont(titleFont);
    const int titleHeight = canvas->TextHeight(kXrefName);
    // As in the function index: the rule moves down rather than the title
    // off the sheet above a narrow top margin.
    const int y0 = qMax(hb + T, qMax(titleHeight - 3, hb + 2));
    const int titleY = qMin(y0 - hb, y0 + 3 - titleHeight);
    const int top = y0 + hb;
    const int bottom = H - B - 30;
    auto titleRule = [&] {
        canvas->SetFont(titleFont);
        canvas->TextOut(L, titleY, kXrefName);
        canvas->MoveTo(L, y0 + 4);
        canvas->LineTo(right, y0 + 4);
    };
    titleRule();
    int y = top, column = 0;
    auto columnX = [&] { return L + column * (cw + gutter); };
    // Room for height below y, else the next column or page.
    auto keepRoom = [&](int height) {
        if (y + height <= bottom || y == top) return;
        y = top;
        if (++column < columns) return;
        column = 0;
        addPage();
        setPageLabel(QStringLiteral("Xref %1").arg(++xrefPage));
        canvas = &Canvas();
        StartReportPage(*canvas);
        titleRule();
    };

    // The width of each prefix of a line of an entry.
    std::vector<int> prefix;
    // Lays out the pieces of e from first on (their widths from width on)
    // in room: the first always, each further one while the line with it
    // fits, as measured whole. Returns one past the last piece of the line;
    // prefix holds the widths from the line's start.
    auto fitLine = [&](const TXrefEntry& e, std::size_t first, const int* width, int room) {
        const std::size_t n = e.pieces.size();
        const qsizetype start = e.pieces[first].start;
        // Measured in one pass over the pieces that may fit (the widths of
        // the pieces add up to about their line's), or over all that are
        // left when more fit than thought.
        std::size_t window = first + 1;
        for (int sum = width[0]; window < n && sum <= room; ++window)
            sum += blank + width[window - first];
        for (;;) {
            measure.prefixWidths(
                entryFont, QStringView(e.text).sliced(start, e.pieces[window - 1].end - start),
                prefix);
            std::size_t end = first + 1;
            while (end < window && prefix[std::size_t(e.pieces[end].end - start)] <= room)
                ++end;
            if (end < window || window == n) return end;
            window = n;
        }
    };
    std::size_t entryWidths = 0; // index of the entry's first piece in pieceWidths
    for (const TXrefEntry& e : entries) {
        if (e.section) {
            y += lh;
            keepRoom(sectionHeight + 6 + lh);
            canvas->SetFont(sectionFont);
            canvas->TextOut(columnX(), y, e.text);
            y += sectionHeight + 6;
            continue;
        }
        keepRoom(lh);
        int x = columnX();
        for (std::size_t first = 0; first < e.pieces.size();) {
            const int* width = &pieceWidths[entryWidths + first];
            const std::size_t end = fitLine(e, first, width, columnX() + cw - x);
            const qsizetype start = e.pieces[first].start;
            if (!(canvas->CurrentFont() == entryFont)) canvas->SetFont(entryFont);
            canvas->TextOut(x, y, QStringView(e.text).sliced(start, e.pieces[end - 1].end - start));
            for (std::size_t k = first; k < end; ++k)
                if (!e.pieces[k].key.isEmpty()) {
                    const int x1 = x + prefix[std::size_t(e.pieces[k].start - start)];
                    addLink(x1, y, x1 + width[k - first], y + lh - 2, e.pieces[k].key);
                }
            y += lh;
            first = end;
            if (first < e.pieces.size()) {
                keepRoom(lh);
                x = columnX() + gutter;
            }
        }
        entryWidths += e.pieces.size();
    }
}
