// The main window's saved-job and glossary commands.
#include "app/MainWindow.h"

#include "format/ProjectSettingsFile.h"
#include "format/SourceCodePrint.h"
#include "history/ChangeHistory.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"
#include "widgets/Gauge.h"
#include "widgets/PictureButton.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTime>

namespace {

class TJobWaitCursor {
public:
    TJobWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TJobWaitCursor() { QApplication::restoreOverrideCursor(); }
    TJobWaitCursor(const TJobWaitCursor&) = delete;
    TJobWaitCursor& operator=(const TJobWaitCursor&) = delete;
};

} // namespace

void TfrmMain::SaveProjectSettings(bool askName) {
    if (SourceKind != skProject || !sources_) {
        messages().show(TMessageKind::Information, QString(),
                        SourceKind == skNone
                            ? QStringLiteral("There is nothing to save yet: open a VB project "
                                             "first (File / Open...).")
                            : QStringLiteral("Only a VB project can be saved as a Listora "
                                             "project; a single file or clipboard text cannot."));
        return;
    }
    if (!fitsProjectInfo(CurFileName)) {
        showError(QStringLiteral("This project cannot be saved as a Listora project: its path is "
                                 "longer than %1 bytes.\r\n%2")
                      .arg(kMaxStoredPathBytes)
                      .arg(CurFileName));
        return;
    }
    QString target = JobFileName;
    if (askName || target.isEmpty()) {
        TFileDialogRequest request;
        request.Title = kSaveJobTitle;
        request.Filter = kSaveJobFilter;
        request.DefaultExt = QStringLiteral("lrp");
        const QFileInfo project(CurFileName);
        request.InitialDir = project.absolutePath();
        // The project's own name, as a Linux user would name the file.
        request.FileName = JobFileName.isEmpty()
                               ? project.absoluteDir().filePath(project.completeBaseName() +
                                                                QStringLiteral(".lrp"))
                               : JobFileName;
        const std::optional<TFileDialogResult> chosen = fileDialogs().saveFile(request);
        if (!chosen) return;
        target = chosen->FileName;
    }
    {
        TJobWaitCursor wait;
        TJobRevision revision;
        if (changes_) revision = {changes_->Request().From, changes_->Request().IgnoreSpace};
        SaveProjectSettingsFile(target, CurFileName, *sources_, *formatter_, revision);
    }
    JobFileName = target;
    addRecentFile(target);
    showStatus(QStringLiteral("Saved %1 at %2")
                   .arg(QFileInfo(target).fileName(),
                        QTime::currentTime().toString(QStringLiteral("HH:mm"))));
}

void TfrmMain::OpenProjectSettings() {
    if (!QFileInfo(CurFileName).isFile()) {
        showError(fileNotFoundText(CurFileName));
        return;
    }
    const QString jobFile = QFileInfo(CurFileName).absoluteFilePath();
    const TSavedJob job(CurFileName);
    // A job without a project path has nothing to apply its marks to.
    if (!job.HasProjectInfo() || !isProjectPath(job.ProjectPath())) {
        showError(kErrorLoadingJob);
        return;
    }
    // Before anything is replaced: a job whose settings cannot be used
    // leaves the loaded project and the settings file as they are.
    if (!job.SettingsFile().isEmpty()) {
        const QStringList problems = CheckSettingsFile(job.SettingsFile());
        if (!problems.isEmpty()) {
            showError(kBadJobSettings + QStringLiteral("\r\n") + problems.join("\r\n"));
            return;
        }
    }
    CurFileName = job.ProjectPath();
    ++busy_;
    setEnabled(false);
    const auto idle = [this] {
        if (--busy_ == 0) setEnabled(true);
    };
    try {
        if (sources_) {
            showStatus(QStringLiteral("Unloading Previous Source"));
            sources_.reset();
        }
        changes_.reset();
        sources_ = std::make_unique<TSourceMgt>(this, formatter_->Settings.CodePage);
        bool loaded = false;
        {
            TJobWaitCursor wait;
            loaded = LoadProjectFile(*sources_, CurFileName, JobTitle);
        }
        if (!loaded) {
            setProjectCommandsEnabled(false);
            setPreviewEnabled(false);
            setPrintEnabled(false);
            idle();
            return;
        }
        JobTitle = CurFileName;
        JobSourceName.clear();
        ClipText.reset();
        sources_->AnalyzeProject();
        if (!job.SettingsFile().isEmpty()) formatter_->RestoreSettingsFrom(job.SettingsFile());
        if (!job.PrintMarksFile().isEmpty()) sources_->LoadPrintMarks(job.PrintMarksFile());
        if (!job.Revision().Since.isEmpty()) markChangedSince(job.Revision());
    } catch (...) {
        idle();
        throw;
    }
    idle();
    setProjectCommandsEnabled(true);
    SourceKind = skProject;
    JobFileName = jobFile;
    addRecentFile(jobFile);
    BuildWithAnimation();
    G1->setPosition(0);
    // The job is built: it can be previewed and printed like any other.
    setPreviewEnabled(true);
    setPrintEnabled(true);
}

void TfrmMain::markChangedSince(const TJobRevision& revision) {
    TChangeRequest request;
    request.From = revision.Since;
    request.IgnoreSpace = revision.IgnoreSpace;
    try {
        auto changes = std::make_unique<TChangeHistory>(CurFileName, request);
        // Marked afresh, as the batch command marks a job with a revision.
        changes->Mark(*sources_, true);
        changes_ = std::move(changes);
    } catch (const TListoraError& e) {
        // The job's saved marks still stand; only the bars are missing.
        showError(e.message());
    }
}

void TfrmMain::BuildGlossaryListing(bool deluxe) {
    if (SourceKind != skProject || !sources_) return;
    const QStringList lines =
        formatter_->BuildGlossary(deluxe ? TGlossaryKind::Deluxe : TGlossaryKind::Basic, *sources_);
    ++busy_;
    setEnabled(false);
    try {
        TJobWaitCursor wait;
        setPreviewEnabled(true);
        setPrintEnabled(true);
        G1->show();
        replaceFormatterIfBuilt();
        setPageDefaults();
        formatter_->JobTitle = JobTitle;
        formatter_->CurrentFileName = QStringLiteral("Function Glossary");
        formatter_->BuildFromLines(lines, G1);
        finishBuild();
    } catch (...) {
        if (--busy_ == 0) setEnabled(true);
        throw;
    }
    if (--busy_ == 0) setEnabled(true);
    G1->setPosition(0);
}
