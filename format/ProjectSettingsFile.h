#pragma once
// Saved jobs (".LRP"): an archive holding the loaded project's path, the
// marked sections and a copy of the settings file, so that a job can be
// reopened with the same selection and layout.
#include "platform/PrivateFolder.h"

#include <QString>

class TSourceMgt;
class TSourceCodePrint;

inline const QString kProjectParamsFileName = QStringLiteral("PROJECTPARAMS");
// Present only in jobs whose marks came from "Mark Changed Since...".
inline const QString kChangedSinceFileName = QStringLiteral("CHANGEDSINCE");
inline const QString kSaveJobTitle = QStringLiteral("Save the Listora Project");
inline const QString kSaveJobFilter = QStringLiteral("Listora Projects|*.LRP|All Files|*.*");
inline const QString kErrorLoadingJob = QStringLiteral("Error Loading Project File.");
inline const QString kBadJobSettings =
    QStringLiteral("The settings saved in this Listora project cannot be used; the project was "
                   "not opened and nothing was changed.");
// What the members of a job may expand to: the marks of the largest
// project stay far below it. The settings copy is bound as a settings file
// is (kMaxSettingsFileSize).
inline constexpr qint64 kMaxJobBytes = 16ll << 20;
// "projectinfo" keeps the path after one length byte.
inline constexpr int kProjectInfoSize = 256;
inline constexpr int kMaxStoredPathBytes = 255;

// Whether the path can be stored in "projectinfo" without being cut.
bool fitsProjectInfo(const QString& projectPath);
// The path held by a "projectinfo" member (UTF-8, or Windows-1252 for jobs
// written on Windows).
QString projectPathFromInfo(const QByteArray& info);
// ".MAK" or ".VBP" in any letter case.
bool isProjectPath(const QString& path);

// The git revision a job's listing is compared with; an empty Since: none.
struct TJobRevision {
    QString Since;
    bool IgnoreSpace = false;
};

// Writes the job into lrpPath with the LZH method; an existing file is
// replaced only by the complete new job. The three members are staged in a
// private folder, never the current one. Throws TListoraError when the
// project path is too long to be stored whole or lrpPath is the project or
// one of its files (nothing is written then), or when a file cannot be
// written.
void SaveProjectSettingsFile(const QString& lrpPath, const QString& projectPath,
                             const TSourceMgt& sources, TSourceCodePrint& formatter,
                             const TJobRevision& revision = {});

// An opened job: its members expanded into a private folder that goes
// away with the object (or, after a kill, with the next job opened). The
// settings copy never carries the diagnostic-dump switch.
class TSavedJob {
public:
    // Lists the archive and expands its members. Throws TListoraError when
    // the archive cannot be read or is damaged, a member name is not a plain
    // file name, or the members would expand past their bounds (nothing is
    // written then).
    explicit TSavedJob(const QString& lrpPath);

    bool HasProjectInfo() const { return !infoPath_.isEmpty(); }
    // The stored project path; empty without "projectinfo".
    const QString& ProjectPath() const { return projectPath_; }
    // Paths of the expanded members; empty when the job lacks them.
    const QString& PrintMarksFile() const { return printPath_; }
    const QString& SettingsFile() const { return paramsPath_; }
    const QString& Folder() const { return folder_; }
    // What the job's marks and change bars are compared with; empty Since
    // for jobs without it.
    const TJobRevision& Revision() const { return revision_; }

private:
    TPrivateFolder dir_;
    QString folder_;
    QString infoPath_;
    QString printPath_;
    QString paramsPath_;
    QString projectPath_;
    TJobRevision revision_;
};
