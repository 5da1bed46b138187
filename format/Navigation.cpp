// Navigation recorded beside the drawing for readers of the PDF: bookmark
// targets for the reports, files and procedures, links from the contents
// and the function index, and "go to definition" links from every
// identifier in code that names a procedure of the project, resolved by the
// project's name model.
#include "format/CallerLines.h"
#include "format/SourceCodePrint.h"
#include "format/TextRoutines.h"
#include "names/NameModel.h"
#include "render/VirtCanvas.h"
#include "source/SourceRecords.h"

#include <vector>

namespace {

// The identifier a call uses for a section name: the procedure's own name,
// without the "Get "/"Let "/"Set " that property procedures carry.
QString callName(const QString& sectionName) {
    const QString name = sectionName.trimmed();
    return name.mid(name.lastIndexOf(QLatin1Char(' ')) + 1);
}

} // namespace

void TSourceCodePrint::addTarget(const QString& key, const QString& title, int level, int x,
                                 int y) {
    if (!RecordNavigation) return;
    Pages.CurrentPage().Navigation.Targets.push_back({key, title, level, x, y});
}

void TSourceCodePrint::addLink(int x1, int y1, int x2, int y2, const QString& key) {
    if (!RecordNavigation || key.isEmpty()) return;
    Pages.CurrentPage().Navigation.Links.push_back({x1, y1, x2, y2, key});
}

void TSourceCodePrint::setPageLabel(const QString& label) {
    // Kept without navigation too: the counts read how many pages a sheet
    // carries from it.
    Pages.CurrentPage().Navigation.Label = label;
}

void TSourceCodePrint::collectProcTargets(RFile* firstFile, TSourceMgt& analyzer) {
    procByFileAndName_.clear();
    xrefNames_ = {};
    callers_.reset();
    names_.reset();
    // The callers and the cross-reference read the names without
    // navigation too.
    if (!RecordNavigation && !Settings.Callers && !Settings.Xref) return;
    names_ = std::make_unique<TNameModel>();
    AddProjectFiles(*names_, firstFile, analyzer);
    collectCallers(firstFile, analyzer);
    // The listing is laid out on one thread: the uses are read on another.
    if (Settings.Xref && !callers_) xrefNames_ = ReadXrefNamesAsync(*names_, firstFile, analyzer);
    if (!RecordNavigation) return;
    for (RFile* f = firstFile; f && f->Next; f = f->Next) {
        // The first section is the file's declarations, no procedure.
        for (RFunction* s = f->Functions; s && s->Next; s = s->Next) {
            if (!s->Marked || s == f->Functions) continue;
            const QString name = WithoutTypeCharacter(callName(s->Name));
            if (name.isEmpty()) continue;
            const QString own = f->FileName + '\n' + name;
            if (!procByFileAndName_.contains(own))
                procByFileAndName_.insert(own, procTargetKey(f->FileName, s->Name));
        }
    }
}

void TSourceCodePrint::resolveLineLinks(QStringView line) {
    lineLinks_.clear();
    if (!names_ || namesFile_ < 0 || procByFileAndName_.isEmpty()) return;
    const int number = sourceLineNumber(LineIndex) - 1;
    for (const TNameModel::TSpan& span : names_->ProcedureNames(namesFile_, number, line)) {
        const TNameFile& file = names_->File(span.Ref.File);
        const QString name = file.Members[std::size_t(span.Ref.Member)].Name;
        // Only procedures that are printed have a heading to go to.
        const QString key = procByFileAndName_.value(file.FileName + '\n' + name);
        if (!key.isEmpty()) lineLinks_.push_back({span.Start, span.End, key});
    }
}

void TSourceCodePrint::recordCodeLinks(int x, int y, QStringView text, const QString& fontKey,
                                       int lineStart, int lead) {
    if (!RecordNavigation || lineLinks_.empty()) return;
    std::vector<int> offsets;
    const int n = int(text.size());
    for (const TLineLink& link : lineLinks_) {
        const int a = qMax(lead, link.start - lineStart + lead);
        const int b = qMin(n, link.end - lineStart + lead);
        if (a >= b) continue;
        // Measured only for pieces that hold a link, as they are drawn.
        if (offsets.empty()) drawnCodeOffsets(text, fontKey, offsets);
        const int h = qAbs(Canvas().TextHeightInFont(text, fontKey));
        addLink(x + offsets[std::size_t(a)], y, x + offsets[std::size_t(b)], y + h, link.key);
    }
}

void TSourceCodePrint::recordFileTarget(const RFile& file) {
    addTarget(fileTargetKey(file.FileName), file.FileName, 1, CurrentX, CurrentY);
}

QString TSourceCodePrint::recordProcTarget(const QString& line) {
    if (!currentFile_ || !RecordNavigation) return QString();
    const QString name = WithoutTypeCharacter(ExtractProcName(line));
    const QString key = procTargetKey(currentFile_->FileName, name);
    std::vector<TProcPlace>& places = procPlaces_[key];
    // Calls lead to the first heading of a name; later ones get keys of
    // their own for the index.
    const QString unique = places.empty() ? key : key + '#' + QString::number(places.size() + 1);
    places.push_back({unique, PageNumber});
    addTarget(unique, name, 2, CurrentX, CurrentY);
    return unique;
}

void TSourceCodePrint::recordIndexLink(int x, int y, int width, int height, const QString& entry) {
    // "Name (File) ,page": the declarations lead to their file.
    const qsizetype open = entry.indexOf(QStringLiteral(" ("));
    const qsizetype close = entry.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close < open) return;
    const QString name = entry.left(open);
    const QString file = entry.mid(open + 2, close - open - 2);
    QString key = name == QLatin1String("File Declarations") ? fileTargetKey(file)
                                                             : procTargetKey(file, name);
    // Of a name declared twice, the heading on the page the entry names.
    const int page = entry.mid(entry.lastIndexOf(QLatin1Char(',')) + 1).toInt();
    for (const TProcPlace& place : procPlaces_.value(key))
        if (place.page == page) {
            key = place.key;
            break;
        }
    addLink(x, y, x + width, y + height, key);
}

std::vector<TPageFinding> TSourceCodePrint::CheckLinks(long long* codeLinks) const {
    std::vector<TPageFinding> findings;
    // As names are read: letters of any script, digits and underscores.
    auto nameChar = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); };
    QHash<QString, QString> headings; // procedure target key -> its title
    for (int n = 1; n <= Pages.PageCount(); ++n)
        for (const TNavTarget& t : Pages.Page(n)->Navigation.Targets)
            if (t.Level == 2 && !headings.contains(t.Key)) headings.insert(t.Key, t.Title);
    long long checked = 0;
    std::vector<int> widths;
    for (int n = 1; n <= Pages.PageCount(); ++n) {
        // Links on pages without listing columns come from the reports.
        if (PageLayout(n).ColumnX.empty()) continue;
        const TPageRec& page = *Pages.Page(n);
        for (const TLinkArea& link : page.Navigation.Links) {
            ++checked;
            auto finding = [&](const QString& rule, const QString& detail) {
                findings.push_back({n, link.X1, link.Y1, rule, detail});
            };
            // The name is what follows "proc:file:" (and a property's kind),
            // before the "#2" of a name's second heading.
            const QString name =
                callName(link.Key.section(QLatin1Char(':'), 2).section(QLatin1Char('#'), 0, 0));
            const QString title = headings.value(link.Key);
            if (title.isEmpty() || callName(title).compare(name, Qt::CaseInsensitive) != 0)
                finding(QStringLiteral("link-wrong-target"),
                        QStringLiteral("%1 leads to \"%2\"").arg(link.Key, title));
            // The code text drawn on the link's line whose glyphs begin and
            // end at the rectangle's edges (within a unit) around the name.
            bool onName = false;
            for (const TCanvasCommand& c : page.Canvas->Commands()) {
                if (c.Kind != ckTextOutInFont || c.Y1 != link.Y1 || c.X1 > link.X1) continue;
                const qsizetype bar = c.Text.indexOf(kFontTextSeparator);
                const QString font = c.Text.left(bar);
                const QStringView text = QStringView(c.Text).mid(bar + kFontTextSeparator.size());
                page.Canvas->DrawnPrefixWidthsInFont(text, font, widths);
                const int size = int(text.size());
                // A caller's entry is linked whole: "Form1.cmdOK_Click (p. 12)".
                const bool entries = font == kCallersFont;
                for (int a = 0; a < size && !onName; ++a) {
                    if (qAbs(c.X1 + widths[std::size_t(a)] - link.X1) > 1) continue;
                    int b = a;
                    while (b < size && (entries ? text[b] != u',' : nameChar(text[b])))
                        ++b;
                    const QStringView word = text.mid(a, b - a);
                    // A wrapped name shows a part at the end of a piece
                    // and the rest at the start of the next ones (after
                    // their indent and indicator).
                    const bool whole =
                        entries ? CallerEntryProcedure(word).compare(name, Qt::CaseInsensitive) == 0
                                : word.compare(name, Qt::CaseInsensitive) == 0 ||
                                      (b == size && name.contains(word, Qt::CaseInsensitive)) ||
                                      name.endsWith(word, Qt::CaseInsensitive);
                    onName = whole && !word.isEmpty() && (a == 0 || !nameChar(text[a - 1])) &&
                             qAbs(c.X1 + widths[std::size_t(b)] - link.X2) <= 1;
                }
                if (onName) break;
            }
            if (!onName)
                finding(QStringLiteral("link-off-name"),
                        QStringLiteral("%1 at x %2..%3").arg(name).arg(link.X1).arg(link.X2));
        }
    }
    if (codeLinks) *codeLinks = checked;
    return findings;
}