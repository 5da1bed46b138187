#include "history/ChangeHistory.h"

#include "format/SourceCodePrint.h"
#include "history/LineChanges.h"
#include "platform/Errors.h"
#include "source/MemberPath.h"
#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"
#include "source/TextDecoding.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

bool hasSections(const RFile& file) {
    return file.Functions && file.Functions->Next;
}

std::vector<int> sectionStarts(const RFile& file) {
    std::vector<int> starts;
    for (const RFunction* f = file.Functions; f && f->Next; f = f->Next)
        starts.push_back(f->StartLine);
    std::sort(starts.begin(), starts.end());
    return starts;
}

// The section holding line (0-based), or none.
const RFunction* sectionAt(const RFile& file, int line) {
    for (const RFunction* f = file.Functions; f && f->Next; f = f->Next)
        if (line >= f->StartLine && line < f->StartLine + f->SectionLines) return f;
    return nullptr;
}

// "12, 14-16" from sorted 1-based numbers.
QString lineRanges(const QList<int>& numbers) {
    QStringList parts;
    for (qsizetype i = 0; i < numbers.size();) {
        qsizetype j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1)
            ++j;
        parts << (i == j ? QString::number(numbers[i])
                         : QStringLiteral("%1-%2").arg(numbers[i]).arg(numbers[j]));
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

QString sectionKey(const QString& name) {
    return name.trimmed();
}

// The old version of a file split into sections by the same rules.
struct TOldFile {
    TSourceMgt analyzer;
    RFile* file;
    TOldFile(const QStringList& lines, const QString& path, int codePage)
        : analyzer(nullptr, codePage), file(analyzer.AddFile()) {
        file->Path = path;
        file->Lines = lines;
        file->LineCount = int(lines.size());
        file->Loaded = true;
        analyzer.AnalyzeFile(*file);
    }
};

} // namespace

bool TChangeRequest::parseRange(const QString& range) {
    const qsizetype dots = range.indexOf(QStringLiteral(".."));
    if (dots <= 0 || range.indexOf(QStringLiteral(".."), dots + 2) >= 0) return false;
    From = range.left(dots);
    To = range.mid(dots + 2);
    // "A...B" is git's merge-base form, not a pair.
    return !To.isEmpty() && !To.startsWith(u'.');
}

TChangeHistory::TChangeHistory(const QString& projectPath, const TChangeRequest& request)
    : request_(request) {
    repo_ = std::make_unique<TGitRepository>(projectPath);
    from_ = repo_->Resolve(request.From);
    if (!request.To.isEmpty()) to_ = repo_->Resolve(request.To);
    projectRel_ = TGitRepository::RelativeTo(repo_->WorkDir(), projectPath);
    if (projectRel_.isEmpty())
        throw TListoraError(QStringLiteral("%1 is not inside a git work tree").arg(projectPath));
    if (!to_) {
        root_ = repo_->WorkDir();
        projectToLoad_ = projectPath;
        return;
    }
    extracted_ = std::make_unique<QTemporaryDir>();
    if (!extracted_->isValid())
        throw TListoraError(
            QStringLiteral("cannot make a temporary folder: %1").arg(extracted_->errorString()));
    repo_->Extract(*to_, extracted_->path());
    root_ = extracted_->path();
    projectToLoad_ = QDir(root_).filePath(projectRel_);
    if (!QFileInfo::exists(projectToLoad_))
        throw TListoraError(QStringLiteral("%1 does not exist at %2").arg(projectRel_, request.To));
}

TChangeHistory::~TChangeHistory() = default;

QString TChangeHistory::Title() const {
    if (to_)
        return QStringLiteral("Changes from %1 (%2) to %3 (%4)")
            .arg(request_.From, from_.Describe(), request_.To, to_->Describe());
    return QStringLiteral("Changes since %1 (%2)").arg(request_.From, from_.Describe());
}

QString TChangeHistory::RevisionText() const {
    return to_ ? from_.ShortId + ".." + to_->ShortId : from_.ShortId;
}

void TChangeHistory::Apply(TSourceCodePrint& formatter) const {
    formatter.ChangeBars = &bars_;
    formatter.ChangeTitle = Title();
    formatter.Revision = RevisionText();
    for (const TRemovedItem& r : removed_)
        formatter.RemovedEntries
            << (r.Section.isEmpty()
                    ? QStringLiteral("%1 (whole file, %2 lines)").arg(r.File).arg(r.Lines)
                    : QStringLiteral("%1: %2 (%3 lines)").arg(r.File, r.Section).arg(r.Lines));
}

// The members the project file named at the old revision, as paths
// relative to the repository (matched without regard to case, as Windows
// matches them); the file itself when it is no project.
QStringList TChangeHistory::oldMembers(int codePage) const {
    const QString ext = QFileInfo(projectRel_).suffix().toUpper();
    if (ext != QLatin1String("VBP") && ext != QLatin1String("MAK")) return {projectRel_};
    const std::optional<QByteArray> bytes = repo_->FileAt(from_, projectRel_);
    if (!bytes) return {};
    const QString dir = QFileInfo(projectRel_).path();
    // Projects written on Windows spell their members in any case.
    QHash<QString, QString> spelled;
    for (const QString& path : repo_->Paths(from_))
        spelled.insert(path.toLower(), path);
    QStringList members;
    for (const QString& line : SplitSourceLines(DecodeSourceBytes(*bytes, codePage))) {
        // The loader's choice: members that are missing are no members.
        const RProjectMember member = ClassifyProjectLine(line);
        const QString ext = LineExtension(line);
        if (member.Kind == mkNone || IsUnreachableMemberName(member.Name) ||
            ext == QLatin1String(".DLL") || ext == QLatin1String(".VBX"))
            continue;
        QString name = member.Name.trimmed();
        name.replace(u'\\', u'/');
        const QString path = QDir::cleanPath(dir == QLatin1String(".") ? name : dir + "/" + name);
        if (const auto found = spelled.constFind(path.toLower()); found != spelled.constEnd())
            members << *found;
    }
    return members;
}

void TChangeHistory::Mark(TSourceMgt& sources, bool markSections) {
    const int codePage = sources.CodePage();
    const QHash<QString, QString> renames = repo_->Renames(from_, to_ ? &*to_ : nullptr);
    QSet<QString> before;
    for (const QString& member : oldMembers(codePage))
        before.insert(member.toLower());
    QSet<QString> stillMembers;
    for (RFile* file = sources.FirstFile(); file && file->Next; file = file->Next) {
        const QString rel = TGitRepository::RelativeTo(root_, file->Path);
        const QString oldRel = renames.value(rel, rel);
        stillMembers.insert(oldRel.toLower());
        markFile(*file, oldRel, !before.contains(oldRel.toLower()), codePage, markSections);
    }
    // Members the project no longer names.
    for (const QString& member : oldMembers(codePage)) {
        if (stillMembers.contains(member.toLower())) continue;
        const std::optional<QByteArray> bytes = repo_->FileAt(from_, member);
        const int lines =
            bytes ? int(SplitSourceLines(DecodeSourceBytes(*bytes, codePage)).size()) : 0;
        removed_.append({QFileInfo(member).fileName(), QString(), lines});
    }
}

void TChangeHistory::markFile(RFile& file, const QString& oldRel, bool newMember, int codePage,
                              bool markSections) {
    // Compared by their bytes: the decoding maps the bytes a code page
    // leaves undefined alike, and a file read as UTF-8 in one version and in
    // its code page in the other decodes even its unchanged lines otherwise.
    const QList<QByteArray> lines = SplitSourceByteLines(ReadSourceBytes(file.Path));
    const std::optional<QByteArray> oldBytes = repo_->FileAt(from_, oldRel);
    const bool sections = hasSections(file);
    if (markSections) {
        file.Marked = 0;
        for (RFunction* f = file.Functions; f && f->Next; f = f->Next)
            f->Marked = 0;
    }
    TLineMarks& marks = bars_[file.Path];
    if (!oldBytes || newMember) {
        // New to the project (or to the history): all of it.
        const QString why =
            oldBytes ? QStringLiteral("added to the project") : QStringLiteral("new file");
        for (int n = 1; n <= lines.size(); ++n)
            marks.Changed.insert(n);
        fileReasons_.insert(&file, why);
        if (markSections) file.Marked = 1;
        for (RFunction* f = file.Functions; f && f->Next; f = f->Next) {
            sectionReasons_.insert(f, why);
            if (markSections) f->Marked = 1;
        }
        return;
    }
    const QList<QByteArray> oldLines = SplitSourceByteLines(*oldBytes);
    if (oldLines == lines) return;
    TOldFile old(SplitSourceLines(DecodeSourceBytes(*oldBytes, codePage)), file.Path, codePage);
    const TLineDiff diff = DiffLines(oldLines, lines, request_.IgnoreSpace,
                                     sectionStarts(*old.file), sectionStarts(file));

    // Changed lines and deletions by the section they fall in.
    QHash<const RFunction*, QList<int>> changedIn;
    QHash<const RFunction*, QList<int>> deletedIn; // after which new line
    QSet<QString> newNames;
    for (const RFunction* f = file.Functions; f && f->Next; f = f->Next)
        newNames.insert(sectionKey(f->Name));
    for (int i = 0; i < int(diff.Added.size()); ++i) {
        if (!diff.Added[std::size_t(i)]) continue;
        marks.Changed.insert(i + 1);
        const RFunction* f = sections ? sectionAt(file, i) : nullptr;
        changedIn[f].append(i + 1);
    }
    const QSet<int> gaps(diff.Gaps.begin(), diff.Gaps.end());
    for (const int gap : diff.Gaps)
        marks.GapsBefore.insert(gap + 1);
    // A deleted line belongs to the section of that name now, if there is
    // one; a section whose name is gone was removed.
    QHash<QString, const RFunction*> byName;
    for (const RFunction* f = file.Functions; f && f->Next; f = f->Next)
        byName.insert(sectionKey(f->Name), f);
    for (int i = 0; i < int(diff.Deleted.size()); ++i) {
        if (!diff.Deleted[std::size_t(i)]) continue;
        const RFunction* oldSection = sectionAt(*old.file, i);
        const RFunction* now = !sections    ? nullptr
                               : oldSection ? byName.value(sectionKey(oldSection->Name))
                                            : nullptr;
        if (sections && !now) {
            // The form's description block, or a removed procedure: the
            // deletion counts for the section it left its gap in.
            if (!oldSection) now = sectionAt(file, diff.DeletedAt[std::size_t(i)]);
            if (!now) continue;
        }
        // Lines deleted in place of others are a change of those.
        if (!gaps.contains(diff.DeletedAt[std::size_t(i)])) continue;
        if (!deletedIn[now].contains(diff.DeletedAt[std::size_t(i)]))
            deletedIn[now].append(diff.DeletedAt[std::size_t(i)]);
    }
    for (const RFunction* f = old.file->Functions; f && f->Next; f = f->Next)
        if (!newNames.contains(sectionKey(f->Name)))
            removed_.append({file.FileName, sectionKey(f->Name), f->SectionLines});

    QSet<QString> oldNames;
    for (const RFunction* f = old.file->Functions; f && f->Next; f = f->Next)
        oldNames.insert(sectionKey(f->Name));
    auto reasonFor = [&](const RFunction* f) {
        QStringList why;
        if (f && !oldNames.contains(sectionKey(f->Name))) return QStringLiteral("added");
        if (changedIn.contains(f))
            why << QStringLiteral("changed: lines %1").arg(lineRanges(changedIn[f]));
        if (deletedIn.contains(f)) {
            QList<int> after = deletedIn[f];
            std::sort(after.begin(), after.end());
            why << QStringLiteral("lines deleted after line %1").arg(lineRanges(after));
        }
        return why.join(QStringLiteral("; "));
    };
    if (!sections) {
        const QString why = reasonFor(nullptr);
        if (why.isEmpty()) return;
        fileReasons_.insert(&file, why);
        if (markSections) file.Marked = 1;
        return;
    }
    for (RFunction* f = file.Functions; f && f->Next; f = f->Next) {
        const QString why = reasonFor(f);
        if (why.isEmpty()) continue;
        sectionReasons_.insert(f, why);
        if (markSections) f->Marked = 1;
    }
}
