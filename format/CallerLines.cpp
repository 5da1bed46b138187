#include "format/CallerLines.h"

#include "source/SourceMgt.h"

#include <algorithm>

namespace {

QString entryText(const TCallerEntry& e) {
    return e.Page > 0 ? QStringLiteral("%1 (p. %2)").arg(e.Name).arg(e.Page) : e.Name;
}

// The label, the first shown entries (each but the last of the line with
// its comma) and, when some are left, how many: wrapped at blanks into
// lines that fit. False when a word fits no line or the lines run out.
bool wrapEntries(const std::vector<TCallerEntry>& entries, int shown,
                 const std::function<bool(const QString&)>& fits, int maxLines,
                 std::vector<TCallerLine>& lines, int& placed) {
    const int count = int(entries.size());
    lines.assign(1, {});
    placed = 0;
    auto add = [&](const QString& word, const TCallerEntry* entry) {
        TCallerLine* line = &lines.back();
        QString text = line->Text.isEmpty() ? word : line->Text + u' ' + word;
        if (!fits(text)) {
            if (line->Text.isEmpty() || int(lines.size()) == maxLines || !fits(word)) return false;
            lines.emplace_back();
            line = &lines.back();
            text = word;
        }
        const int start = int(text.size() - word.size());
        line->Text = text;
        if (entry && !entry->Key.isEmpty())
            line->Links.push_back({start, start + int(entryText(*entry).size()), entry->Key});
        return true;
    };
    if (!add(QStringLiteral("Called from:"), nullptr)) return false;
    for (int i = 0; i < shown; ++i) {
        const bool last = i + 1 == count;
        if (!add(entryText(entries[std::size_t(i)]) + (last ? "" : ","), &entries[std::size_t(i)]))
            return false;
        ++placed;
    }
    if (shown == count) return true;
    const int more = count - shown;
    return add(shown == 0 ? QStringLiteral("%1 procedures").arg(more)
                          : QStringLiteral("and %1 more").arg(more),
               nullptr);
}

} // namespace

std::vector<TCallerLine> FitCallerLines(const std::vector<TCallerEntry>& entries,
                                        const std::function<bool(const QString&)>& fits,
                                        int maxLines) {
    std::vector<TCallerLine> lines;
    if (entries.empty() || maxLines < 1) return lines;
    int placed = 0;
    if (wrapEntries(entries, int(entries.size()), fits, maxLines, lines, placed)) return lines;
    // Fewer entries than those that fitted, to leave room for the count.
    for (int shown = placed; shown >= 0; --shown) {
        int ignored = 0;
        if (wrapEntries(entries, shown, fits, maxLines, lines, ignored)) return lines;
    }
    return {};
}

QStringView CallerEntryProcedure(QStringView entry) {
    const qsizetype page = entry.indexOf(QLatin1String(" ("));
    if (page >= 0) entry = entry.first(page);
    return entry.mid(entry.lastIndexOf(u'.') + 1);
}

TCallerIndex::TCallerIndex(const TNameModel& model, RFile* first, TSourceMgt& analyzer)
    : model_(model), xref_(model) {
    AddProjectUses(xref_, first, analyzer);
    headings_.resize(std::size_t(model.FileCount()));
    for (int f = 0; f < model.FileCount(); ++f) {
        const TNameFile& file = model.File(f);
        std::vector<THeading>& headings = headings_[std::size_t(f)];
        headings.resize(file.Procedures.size());
        for (int m = 0; m < int(file.Members.size()); ++m) {
            const TNameMember& member = file.Members[std::size_t(m)];
            if (member.Kind == TNameKind::Procedure && member.Procedure >= 0)
                headings[std::size_t(member.Procedure)].Member = m;
        }
    }
    // A heading is printed where a marked section of a printed file holds
    // it (a file without sections: all of it, when marked).
    for (RFile* f = first; f && f->Next; f = f->Next) {
        const int file = model.FileIndex(f->FileName);
        if (file < 0 || !TSourceMgt::HasMarkedSections(*f)) continue;
        // The marked sections' [start, end) in file order.
        std::vector<std::pair<int, int>> marked;
        for (const RFunction* s = f->Functions; s->Next; s = s->Next)
            if (s->Marked) marked.push_back({s->StartLine, s->StartLine + s->SectionLines});
        const TNameFile& named = model.File(file);
        for (std::size_t p = 0; p < named.Procedures.size(); ++p) {
            const int line = named.Procedures[p].Line;
            const auto after = std::upper_bound(
                marked.begin(), marked.end(), line,
                [](int l, const std::pair<int, int>& range) { return l < range.first; });
            headings_[std::size_t(file)][p].Printed =
                !f->Functions->Next || (after != marked.begin() && line < std::prev(after)->second);
        }
    }
}

int TCallerIndex::HeadingAt(int file, int line) const {
    if (file < 0 || file >= model_.FileCount()) return -1;
    const int p = model_.ProcedureAt(file, line);
    return p >= 0 && model_.File(file).Procedures[std::size_t(p)].Line == line ? p : -1;
}

void TCallerIndex::RecordHeading(int file, int procedure, int page, const QString& key) {
    THeading& h = headings_[std::size_t(file)][std::size_t(procedure)];
    // Both branches of an "#If" may declare it: the first is its place.
    if (h.Page > 0) return;
    h.Page = page;
    h.Key = key;
}

std::vector<TCallerEntry> TCallerIndex::Entries(int file, int procedure, int pending) const {
    std::vector<TCallerEntry> entries;
    const int member = headings_[std::size_t(file)][std::size_t(procedure)].Member;
    if (member < 0) return entries;
    for (const TNameUse& use : xref_.Callers(file, member)) {
        const TNameFile& from = model_.File(use.File);
        const THeading& h = headings_[std::size_t(use.File)][std::size_t(use.Procedure)];
        QString name = from.Procedures[std::size_t(use.Procedure)].Name;
        // Callers in other files by the name code would call them with.
        if (use.File != file)
            name.prepend((from.Name.isEmpty() ? from.FileName.section(u'.', 0, 0) : from.Name) +
                         u'.');
        entries.push_back({name, h.Page > 0 ? h.Page : (h.Printed ? pending : 0), h.Key});
    }
    return entries;
}
