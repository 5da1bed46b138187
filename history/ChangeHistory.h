#pragma once
// A change listing: the project compared with a git revision (or one
// revision with another), its sections marked where lines were added,
// changed or deleted, with the reason for each mark, the lines for the
// change bars and what no longer exists.
#include "format/ChangeBars.h"
#include "history/GitRepository.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class TSourceCodePrint;
class TSourceMgt;
struct RFile;
struct RFunction;

struct TChangeRequest {
    QString From;
    // Empty: the work tree as it is now.
    QString To;
    bool IgnoreSpace = false;
    // "REV1..REV2" into From and To; false when it is no range.
    bool parseRange(const QString& range);
};

// A procedure (or, with an empty Section, a whole file) that is gone.
struct TRemovedItem {
    QString File;
    QString Section;
    int Lines = 0;
};

class TChangeHistory {
public:
    // Opens the repository around the project (or source file) and
    // resolves the revisions; for a range, the later revision's files are
    // read out into a temporary folder. Throws TListoraError with the
    // user's message.
    TChangeHistory(const QString& projectPath, const TChangeRequest& request);
    ~TChangeHistory();

    // The project file to load: the given one, or its copy at the later
    // revision of a range.
    QString ProjectToLoad() const { return projectToLoad_; }
    const TChangeRequest& Request() const { return request_; }

    // Compares every file of the analyzed project with its old version;
    // with markSections, sets the marks of what changed (and clears all
    // others). Throws TListoraError when the history cannot be read.
    void Mark(TSourceMgt& sources, bool markSections);

    // Gives the formatter the bars, the title-page line, the revision for
    // headers and the entries of the "Removed" page.
    void Apply(TSourceCodePrint& formatter) const;

    // Why a section or a file (without sections) is marked; empty: it is
    // not changed.
    QString Reason(const RFunction* section) const { return sectionReasons_.value(section); }
    QString Reason(const RFile* file) const { return fileReasons_.value(file); }
    const QList<TRemovedItem>& Removed() const { return removed_; }
    const TChangeBars& Bars() const { return bars_; }
    // "Changes since v1.2 (abc1234, 2026-12-01, Fix totals)", or for a
    // range both revisions'.
    QString Title() const;
    // The revision as a header shows it: "abc1234" or "abc1234..def5678".
    QString RevisionText() const;

private:
    void markFile(RFile& file, const QString& oldRel, bool newMember, int codePage,
                  bool markSections);
    QStringList oldMembers(int codePage) const;

    TChangeRequest request_;
    std::unique_ptr<TGitRepository> repo_;
    TGitCommit from_;
    std::optional<TGitCommit> to_;
    std::unique_ptr<QTemporaryDir> extracted_;
    QString root_;       // the folder the project's paths are relative to
    QString projectRel_; // the project file, relative to root_
    QString projectToLoad_;
    QHash<const RFunction*, QString> sectionReasons_;
    QHash<const RFile*, QString> fileReasons_;
    QList<TRemovedItem> removed_;
    TChangeBars bars_;
};
