// Navigation recorded beside the drawing for readers of the PDF: bookmark
// targets for the reports, files and procedures, links from the contents
// and the function index, and "go to definition" links from every
// identifier in code that names a procedure of the project.
#include "format/SourceCodePrint.h"
#include "format/TextRoutines.h"
#include "format/VbLexer.h"
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

bool startsIdentifier(QChar c) {
    return c.isLetter() || c == QLatin1Char('_');
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
    if (RecordNavigation) Pages.CurrentPage().Navigation.Label = label;
}

void TSourceCodePrint::collectProcTargets(RFile* firstFile) {
    procByName_.clear();
    procNameHashes_.clear();
    procByFileAndName_.clear();
    if (!RecordNavigation) return;
    for (RFile* f = firstFile; f && f->Next; f = f->Next) {
        // The first section is the file's declarations, no procedure.
        for (RFunction* s = f->Functions; s && s->Next; s = s->Next) {
            if (!s->Marked || s == f->Functions) continue;
            const QString key = procTargetKey(f->FileName, s->Name);
            // A name several files use leads to the first of them, unless
            // the calling file has its own (looked up when linking).
            const QString name = callName(s->Name);
            if (name.isEmpty()) continue;
            if (!procByName_.contains(name)) {
                procByName_.insert(name, key);
                procNameHashes_.insert(qHash(QStringView(name)));
            }
            const QString own = f->FileName + '\n' + name;
            if (!procByFileAndName_.contains(own)) procByFileAndName_.insert(own, key);
        }
    }
}

QString TSourceCodePrint::procLinkKey(const QString& identifier) const {
    const auto it = procByName_.constFind(identifier);
    if (it == procByName_.cend()) return QString();
    if (currentFile_) {
        // The calling file's own procedure of that name comes first.
        const auto own = procByFileAndName_.constFind(currentFile_->FileName + '\n' + identifier);
        if (own != procByFileAndName_.cend()) return own.value();
    }
    return it.value();
}

void TSourceCodePrint::recordCodeLinks(int x, int y, QStringView text, const QString& fontKey) {
    if (!RecordNavigation || procByName_.isEmpty()) return;
    std::vector<int> widths;
    // Names in the piece's code only, in the state its line has where the
    // piece begins.
    for (const TLexRun& lex : LexRuns(text, pieceLexState_)) {
        if (lex.state != TLexState::Code) continue;
        const int stop = lex.start + lex.length;
        for (int i = lex.start; i < stop;) {
            const QChar c = text[i];
            if (!startsIdentifier(c) || (i > 0 && IsWordChar(text[i - 1]))) {
                ++i;
                continue;
            }
            int end = i + 1;
            while (end < stop && IsWordChar(text[end]))
                ++end;
            const QStringView word = text.mid(i, end - i);
            const QString key =
                procNameHashes_.contains(qHash(word)) ? procLinkKey(word.toString()) : QString();
            if (!key.isEmpty()) {
                // Measured only for lines that hold a link.
                if (widths.empty()) codePrefixWidths(text, fontKey, widths);
                const int h = qAbs(Canvas().TextHeightInFont(text, fontKey));
                addLink(x + widths[i], y, x + widths[end], y + h, key);
            }
            i = end;
        }
    }
}

void TSourceCodePrint::recordFileTarget(const RFile& file) {
    addTarget(fileTargetKey(file.FileName), file.FileName, 1, CurrentX, CurrentY);
}

void TSourceCodePrint::recordProcTarget(const QString& line) {
    if (!currentFile_ || !RecordNavigation) return;
    const QString name = WithoutTypeCharacter(ExtractProcName(line));
    const QString key = procTargetKey(currentFile_->FileName, name);
    std::vector<TProcPlace>& places = procPlaces_[key];
    // Calls lead to the first heading of a name; later ones get keys of
    // their own for the index.
    const QString unique = places.empty() ? key : key + '#' + QString::number(places.size() + 1);
    places.push_back({unique, PageNumber});
    addTarget(unique, name, 2, CurrentX, CurrentY);
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
