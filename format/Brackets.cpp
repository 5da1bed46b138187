// Control-structure brackets: classifying lines while the listing is laid
// out, matching openers with their closers, and drawing the bracket lines
// over the stored pages afterwards.
#include "format/BracketRecords.h"
#include "format/SourceCodePrint.h"
#include "format/TextRoutines.h"
#include "platform/AtomicFile.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/Rounding.h"
#include "render/VirtCanvas.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>

#include <array>

namespace {
Q_LOGGING_CATEGORY(lcDiagnostics, "listora.diagnostics")
const QString kCode = QStringLiteral("CODE");
} // namespace

bool IsBracketOpener(int kind) {
    return kind == bkIf || kind == bkSelect || kind == bkFor || kind == bkDo || kind == bkWhile;
}

bool IsBracketCloser(int kind) {
    return kind == bkEndIf || kind == bkEndSelect || kind == bkNext || kind == bkLoop ||
           kind == bkWend || kind == bkBlockEnd;
}

QString BracketKindName(int kind) {
    static const std::array<const char*, 13> names = {
        "Unknown", "If Then", "Else", "End If", "Select Case", "Case", "End Select",
        "For",     "Next",    "Do",   "Loop",   "While",       "Wend"};
    if (kind == bkBlockEnd) return QStringLiteral("End Block");
    if (kind < 1 || kind > 12) return QStringLiteral("Unknown");
    return QString::fromLatin1(names[std::size_t(kind)]);
}

namespace {

// The keyword occurs within the first `span` characters of the line. It
// starts with a letter, so not among the leading blanks: the places to try
// are those from the first non-blank (`from`) on.
bool leadsWithin(QStringView line, QLatin1StringView keyword, qsizetype span, qsizetype from) {
    const qsizetype last = qMin(span, line.size()) - keyword.size();
    for (qsizetype at = from; at <= last; ++at)
        if (line[at] == QLatin1Char(keyword.front()) && line.mid(at).startsWith(keyword))
            return true;
    return false;
}

// A single-line If: the character six places after "Then" is not a blank.
bool isOneLineIf(QStringView line) {
    const int t = int(line.indexOf(u"Then")) + 1; // 0 when absent
    const int pos = t + 6;
    return pos <= line.size() && line[pos - 1] != u' ';
}

bool isLabelChar(QChar c) {
    return IsWordChar(c);
}

// The label the line starts with, as [start, end); false for none.
bool findLabel(QStringView line, int& start, int& end) {
    start = FirstNonBlank(line) - 1;
    const int n = int(line.size());
    int i = start;
    if (i >= n) return false;
    end = -1;
    if (line[i].isDigit()) {
        // A line number: digits, then a colon or a blank.
        while (i < n && line[i].isDigit())
            ++i;
        if (i < n && line[i] == u':')
            end = i + 1;
        else if (i < n && line[i] == u' ')
            end = i;
    } else if (line[i].isLetter()) {
        // A named label: a word directly followed by a colon (not ":=").
        while (i < n && isLabelChar(line[i]))
            ++i;
        static const QStringList keywords = {"Else", "End", "Loop", "Next",  "Wend",  "Do",
                                             "Case", "If",  "For",  "While", "Select"};
        if (i < n && line[i] == u':' && !(i + 1 < n && line[i + 1] == u'=') &&
            !keywords.contains(line.mid(start, i - start)))
            end = i + 1;
    }
    return end >= 0;
}

QString blanked(QStringView line, int start, int end) {
    QString out = line.toString();
    for (int k = start; k < end; ++k)
        out[k] = u' ';
    return out;
}

QStringView withoutComment(QStringView line) {
    const int pos = FindCommentStart(line);
    return pos < 0 ? line : line.first(pos);
}

int classifyUnlabelled(QStringView line) {
    const int p = FirstNonBlank(line);
    auto leads = [&](QLatin1StringView k) { return leadsWithin(line, k, p + k.size() + 1, p - 1); };
    const int commentAt = FindCommentStart(line);
    const QStringView code =
        commentAt >= 0 ? line.first(commentAt) : line.first(qMin<qsizetype>(255, line.size()));
    auto codeHas = [&](QLatin1StringView text) { return code.contains(text); };
    using L = QLatin1StringView;

    // Each test may undo an earlier one: a line that both opens and closes
    // a structure is no structure line.
    int k = bkNone;
    if (leads(L("If ")) && !isOneLineIf(line) && !codeHas(L("End If"))) k = bkIf;
    if (leads(L("Else"))) k = k ? bkNone : bkElse;
    if (leadsWithin(line, L("End If"), p + 9, p - 1)) k = bkEndIf;
    if (leads(L("Select Case"))) k = codeHas(L("End Select")) ? bkNone : bkSelect;
    if (leads(L("Case ")) && k != bkSelect) k = k ? bkNone : bkCase;
    if (leads(L("End Select"))) k = k ? bkNone : bkEndSelect;
    if (leads(L("For "))) k = codeHas(L("Next")) ? bkNone : bkFor;
    if (leads(L("Next"))) k = k ? bkNone : bkNext;
    // A bare "Do" (its condition on the Loop line) opens a loop as well:
    // left out, its Loop would close the structure around it.
    if (leads(L("Do ")) || code.trimmed() == L("Do")) k = codeHas(L("Loop")) ? bkNone : bkDo;
    if (leads(L("Loop"))) k = k ? bkNone : bkLoop;
    if (leads(L("While "))) k = codeHas(L("Wend")) ? bkNone : bkWhile;
    if (leads(L("Wend"))) k = k ? bkNone : bkWend;
    return k;
}

} // namespace

QString BlankLineLabel(const QString& line) {
    int start = 0, end = 0;
    return findLabel(line, start, end) ? blanked(line, start, end) : line;
}

bool IsProcedureEnd(const QString& line) {
    const QStringView code = withoutComment(line);
    int start = 0, end = 0;
    qsizetype from = FirstNonBlank(code) - 1;
    if (findLabel(code, start, end)) {
        // The label counts as blanks.
        from = end;
        while (from < code.size() && code[from] == u' ')
            ++from;
    }
    const QStringView statement = code.mid(from);
    for (const char* end : {"End Sub", "End Function", "End Property"}) {
        const QLatin1StringView e(end);
        if (statement.startsWith(e) &&
            (statement.size() == e.size() || !IsWordChar(statement[e.size()])))
            return true;
    }
    return false;
}

int ClassifyLine(QStringView unlabelled) {
    int start = 0, end = 0;
    if (findLabel(unlabelled, start, end))
        return classifyUnlabelled(blanked(unlabelled, start, end));
    return classifyUnlabelled(unlabelled);
}

bool TSourceCodePrint::RecordBracketLine(const QString& line, int lineIndex, int page, int y, int x,
                                         int side) {
    const QStringView code = withoutComment(line);
    const int kind = ClassifyLine(code);
    if (kind == bkNone) return false;
    TVirtCanvas& canvas = Canvas();
    RBracket r;
    r.X = x;
    r.Y = y;
    r.Page = page;
    r.LineIndex = lineIndex;
    r.Side = side;
    r.Kind = kind;
    const int blanks = FirstNonBlank(line) - 3;
    // The line's own leading blanks: measured without a copy.
    const int w = blanks > 0 ? canvas.TextWidthInFont(QStringView(line).first(blanks), kCode) : 0;
    r.IndentWidth = qMin(15, RoundEven(0.7 * w));
    r.InkX = lineInkX(x, QStringView(line).first(FirstNonBlank(line) - 1), lineIndex);
    r.Height = canvas.TextHeight(code);
    brackets_.push_back(r);
    return true;
}

void TSourceCodePrint::recordBracketLine(const QString& line) {
    // Measured from the line-number gutter: the brackets stay left of it.
    RecordBracketLine(line, LineIndex, Pages.CurrentPageNumber(), CurrentY,
                      CurrentX - LineNumberWidth, PageNumber);
}

int TSourceCodePrint::lineInkX(int x, QStringView blanks, int lineIndex) {
    TVirtCanvas& canvas = Canvas();
    const int codeX = x + LineNumberWidth;
    int ink = codeX + (blanks.isEmpty() ? 0 : canvas.TextWidthInFont(blanks, kCode));
    if (Settings.LineNumbers)
        ink = qMin(ink, codeX - lineNumberGap() -
                            canvas.TextWidthInFont(lineNumberText(lineIndex), lineNumberFont()));
    return ink;
}

namespace {

bool kindSwitchedOff(const TListingSettings& s, int kind) {
    switch (kind) {
    case bkIf:
        return !s.BracketIf && !s.BracketIfElse;
    case bkSelect:
        return !s.BracketSelect;
    case bkFor:
        return !s.BracketFor;
    case bkDo:
        return !s.BracketDo;
    case bkWhile:
        return !s.BracketWhile;
    default:
        return false;
    }
}

} // namespace

void TSourceCodePrint::ResolveBrackets() {
    // Each opener claims the records after it up to and including the
    // first closer at its level; a nested opener claims its own. The open
    // structures are kept on a stack rather than by recursion, so deeply
    // unbalanced code cannot exhaust the call stack. Matching never crosses
    // the end of a procedure or file: a block end closes every structure
    // still open, one closer each.
    std::vector<RBracket> kept;
    std::vector<bool> remove;
    kept.reserve(brackets_.size());
    struct TOpen {
        std::size_t index; // in kept
        bool removed;
    };
    std::vector<TOpen> open;
    auto keep = [&](const RBracket& r) {
        kept.push_back(r);
        remove.push_back(false);
    };
    for (const RBracket& r : brackets_) {
        if (IsBracketOpener(r.Kind)) {
            open.push_back({kept.size(), kindSwitchedOff(Settings, r.Kind)});
            keep(r);
        } else if (r.Kind == bkBlockEnd) {
            for (; !open.empty(); open.pop_back()) {
                if (open.back().removed)
                    remove[open.back().index] = true;
                else
                    keep(r);
            }
        } else if (open.empty()) {
            // Closers and middles that no opener claims stay and are never drawn.
            keep(r);
        } else {
            if (!open.back().removed) keep(r);
            if (IsBracketCloser(r.Kind)) {
                if (open.back().removed) remove[open.back().index] = true;
                open.pop_back();
            }
        }
    }
    for (const TOpen& o : open)
        if (o.removed) remove[o.index] = true;

    brackets_.clear();
    for (std::size_t i = 0; i < kept.size(); ++i)
        if (!remove[i]) brackets_.push_back(kept[i]);
    if (debugFlag()) writeBracketDump(QStringLiteral("c:\\After.dbg"));
}

void TSourceCodePrint::endBracketBlock(bool atThisLine) {
    if (brackets_.empty() || brackets_.back().Kind == bkBlockEnd) return;
    RBracket r;
    if (atThisLine) {
        // From the gutter's left edge, as every bracket record.
        r.X = CurrentX - LineNumberWidth;
        r.Y = CurrentY;
        r.Page = Pages.CurrentPageNumber();
        r.Side = PageNumber;
        r.Height = Canvas().TextHeight(CurrentLine);
        r.InkX = lineInkX(r.X, QStringView(CurrentLine).first(FirstNonBlank(CurrentLine) - 1),
                          LineIndex);
    } else {
        if (!anyLine_) return;
        r = lastLine_;
        // Measured only now: most lines never end a block this way.
        r.InkX = lineInkX(r.X, QString(lastLineLead_, QLatin1Char(' ')), lastLine_.LineIndex);
    }
    r.IndentWidth = 0;
    r.LineIndex = LineIndex;
    r.Kind = bkBlockEnd;
    brackets_.push_back(r);
}

int TSourceCodePrint::tickStartX(const RBracket& r, int lineX) const {
    // A wide first indent would carry the tick into the line's own text, a
    // narrow bracket area start it left of its bracket line.
    return qMax(lineX, qMin(r.X + r.IndentWidth - 4 + Settings.InitIndent, r.InkX - 2));
}

int TSourceCodePrint::bracketLineX(int columnX, int d) const {
    // Depth offsets past the area's room share its innermost place rather
    // than run into the text.
    const int x = columnX - BracketAreaWidth + d + Settings.InitIndent;
    return qMax(columnX - BracketAreaWidth, qMin(x, columnX - 2));
}

void TSourceCodePrint::setBracketPen(TVirtCanvas& canvas, int level) {
    // The pen is always recorded: brackets are drawn at the end of a page,
    // after whatever the listing left current there.
    TPen pen = canvas.CurrentPen();
    if (level == 1 || !Settings.MultiColor) {
        pen.color = Settings.BracketColor;
        canvas.SetPen(pen);
    }
    if (level != 1 && Settings.MultiColor && Settings.NestedIndent > 0) {
        static const std::array<TColor, 8> depthColours = {
            rgbColor(255, 0, 0),   clBlack /* BracketColor */, rgbColor(0, 128, 0),
            rgbColor(0, 0, 128),   rgbColor(128, 0, 0),        rgbColor(0, 128, 128),
            rgbColor(128, 128, 0), rgbColor(255, 0, 255)};
        const int index = (level - 1) / Settings.NestedIndent;
        if (index == 1)
            pen.color = Settings.BracketColor;
        else if (index >= 2 && index <= 7)
            pen.color = depthColours[std::size_t(index)];
        else
            pen.color = depthColours[0];
        canvas.SetPen(pen);
    }
}

int TSourceCodePrint::drawSegment(const std::vector<TVirtCanvas*>& sheets, const RBracket& c,
                                  const RBracket& p, int d) {
    int s = c.Side;
    int g = c.Page;
    // Sides only grow along the listing; the bounds keep a damaged record
    // from looping.
    while (s >= p.Side && g >= 1 && g < int(sheets.size())) {
        TVirtCanvas& canvas = *sheets[std::size_t(g)];
        // The sheet's own text area: a header font fitted to a longer name
        // can leave later sheets with another one.
        int top = TextTop, bottom = TextBottom;
        int leftX = LeftColumnX, rightX = RightColumnX, gutter = LineNumberWidth;
        if (g < int(layouts_.size()) && !layouts_[std::size_t(g)].ColumnX.empty()) {
            const TPageLayout& l = layouts_[std::size_t(g)];
            top = l.TextTop;
            bottom = l.TextBottom;
            leftX = l.ColumnX.front();
            rightX = l.ColumnX.back();
            gutter = l.GutterWidth;
        }
        setBracketPen(canvas, d);
        if (s == p.Side && p.Side != c.Side) {
            // Back in the opener's column: from its foot up to the opener.
            canvas.MoveTo(bracketLineX(p.X, d), bottom + 10);
            canvas.LineTo(bracketLineX(p.X, d), p.MidY());
            return g;
        }
        if (s == c.Side) {
            canvas.MoveTo(tickStartX(c, bracketLineX(c.X, d)), c.MidY());
            canvas.LineTo(bracketLineX(c.X, d), c.MidY());
            if (p.Side == c.Side) {
                canvas.LineTo(bracketLineX(c.X, d), p.MidY());
                return g;
            }
            canvas.LineTo(bracketLineX(c.X, d), top + 5);
        } else {
            // A column between the two, crossed from top to bottom.
            const int x = bracketLineX((s % 2 != 0 ? leftX : rightX) - gutter, d);
            canvas.MoveTo(x, bottom + 10);
            canvas.LineTo(x, top + 5);
        }
        if (Settings.TwoPage) {
            // An odd side is a left half: the one before it is the right
            // half of the previous sheet.
            if (s % 2 != 0 && g - 1 >= p.Page) --g;
        } else {
            --g;
        }
        --s;
    }
    return g;
}

void TSourceCodePrint::DrawBrackets() {
    // The pages by store number, found once: drawing goes back and forth
    // between them.
    std::vector<TVirtCanvas*> sheets(std::size_t(Pages.PageCount()) + 1, nullptr);
    Pages.FirstPage();
    for (int i = 1; i <= Pages.PageCount(); ++i) {
        const int number = Pages.CurrentPageNumber();
        if (number >= 1 && number < int(sheets.size()))
            sheets[std::size_t(number)] = &Pages.Canvas();
        Pages.NextPage();
    }
    // What the pages hold so far is the listing; the check tells bracket
    // strokes from the rest by where they begin.
    for (std::size_t n = 1; n < sheets.size() && n < layouts_.size(); ++n)
        if (sheets[n] && !layouts_[n].ColumnX.empty())
            layouts_[n].FirstBracketCommand = sheets[n]->CommandCount();
    int lastPage = Pages.CurrentPageNumber();
    const int nested = Settings.NestedIndent;
    auto sheet = [&](int page) -> TVirtCanvas* {
        if (page < 1 || page >= int(sheets.size())) return nullptr;
        lastPage = page;
        return sheets[std::size_t(page)];
    };

    // One open level per nested structure being drawn: its last record so
    // far (where its line continues from) and its depth offset.
    struct TLevel {
        std::size_t last;
        int d;
        bool drawn;
    };
    std::vector<TLevel> levels;
    bool tooDeep = false;
    std::size_t i = 0;
    while (i < brackets_.size()) {
        const RBracket& o = brackets_[i];
        if (!IsBracketOpener(o.Kind)) {
            ++i;
            continue;
        }
        if (TVirtCanvas* canvas = sheet(o.Page)) {
            setBracketPen(*canvas, 1);
            canvas->MoveTo(tickStartX(o, bracketLineX(o.X, 1)), o.MidY());
            canvas->LineTo(bracketLineX(o.X, 1), o.MidY());
        }
        levels.assign(1, TLevel{i, 1, true});
        ++i;
        while (!levels.empty() && i < brackets_.size()) {
            const RBracket& r = brackets_[i];
            const int d = levels.back().d;
            if (IsBracketOpener(r.Kind)) {
                // Deeper structures are still matched, but not drawn: their
                // lines would lie far inside the code, and drawing each of
                // them down every page they span grows with depth times pages.
                const bool drawn = levels.back().drawn && levels.size() < kMaxDrawnBracketDepth;
                tooDeep = tooDeep || !drawn;
                if (!drawn) {
                    levels.push_back({i, d, false});
                } else if (TVirtCanvas* canvas = sheet(r.Page)) {
                    setBracketPen(*canvas, nested + d);
                    // The tick ends at the nested structure's own line.
                    canvas->MoveTo(tickStartX(r, bracketLineX(r.X, nested + d)), r.MidY());
                    canvas->LineTo(bracketLineX(r.X, nested + d), r.MidY());
                }
                if (drawn) levels.push_back({i, nested + d, true});
            } else {
                if (levels.back().drawn)
                    lastPage = drawSegment(sheets, r, brackets_[levels.back().last], d);
                levels.back().last = i;
                if (IsBracketCloser(r.Kind)) levels.pop_back();
            }
            ++i;
        }
    }
    Pages.GoToPage(lastPage);
    if (tooDeep)
        BuildNotes.append(QStringLiteral("Control structures are nested more than %1 deep; the "
                                         "brackets of the deeper ones are not drawn.")
                              .arg(kMaxDrawnBracketDepth));
    if (debugFlag()) writeBracketDump(QStringLiteral("brackets.log"));
}

void TSourceCodePrint::finishBrackets() {
    ResolveBrackets();
    if (brackets_.size() > 1) DrawBrackets();
}

void TSourceCodePrint::writeBracketDump(const QString& fileName) {
    // "c:\" stands for the settings folder; other names are relative to the
    // current folder.
    QString path = fileName;
    if (path.startsWith(QStringLiteral("c:\\"), Qt::CaseInsensitive))
        path = QDir(TIniFile::windowsDirectory()).filePath(path.mid(3));
    QByteArray text;
    for (const RBracket& r : brackets_)
        text += (BracketKindName(r.Kind) + "- Page " + QString::number(r.Side) + "\r\n").toUtf8();
    // A diagnostic never costs the listing: a dump that cannot be written
    // (a read-only folder, a symbolic link in its place) is only reported.
    try {
        TAtomicFile file(path);
        file.Durable = false;
        file.begin();
        file.write(text);
        file.commit();
    } catch (const TListoraError& e) {
        qCWarning(lcDiagnostics, "%s", qPrintable(e.message()));
    }
}
