#include "format/ProjectSettingsFile.h"

#include "archive/Compress.h"
#include "format/SourceCodePrint.h"
#include "platform/AtomicFile.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "source/SourceMgt.h"
#include "source/TextDecoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// A job's settings copy must not switch on the diagnostic dumps, which
// write into the current folder: it could come from anyone.
void keepDiagnosticsOff(const QString& settingsCopy) {
    TIniFile copy(settingsCopy);
    if (copy.readBool(QStringLiteral("general"), QStringLiteral("DEBUGFLAG"), false))
        copy.writeBool(QStringLiteral("general"), QStringLiteral("DEBUGFLAG"), false);
}

// Saving over the project or one of its files would destroy the source.
void refuseToReplaceSources(const QString& lrpPath, const QString& projectPath,
                            const TSourceMgt& sources) {
    const std::optional<RFileId> target = FileIdOf(lrpPath);
    if (!target) return;
    QStringList sourceFiles{projectPath};
    for (RFile* file = sources.FirstFile(); file && file->Next; file = file->Next)
        sourceFiles.append(file->Path);
    for (const QString& source : sourceFiles)
        if (FileIdOf(source) == target)
            throw TListoraError(
                QStringLiteral("Cannot save the Listora project as %1: that is %2, a file of "
                               "the project.")
                    .arg(QDir::toNativeSeparators(lrpPath), QDir::toNativeSeparators(source)));
}

bool isPlainFileName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains('/') && !name.contains('\\') && !name.contains(':') &&
           !name.contains(QChar(0));
}

// The revision on the first line; "ignore-space-change" on the second
// when white space does not count.
QByteArray revisionText(const TJobRevision& revision) {
    QByteArray text = revision.Since.toUtf8() + '\n';
    if (revision.IgnoreSpace) text += "ignore-space-change\n";
    return text;
}

TJobRevision revisionFrom(const QByteArray& text) {
    const QList<QByteArray> lines = text.split('\n');
    TJobRevision revision;
    revision.Since = QString::fromUtf8(lines.value(0).trimmed());
    revision.IgnoreSpace = lines.value(1).trimmed() == "ignore-space-change";
    return revision;
}

} // namespace

bool fitsProjectInfo(const QString& projectPath) {
    return projectPath.toUtf8().size() <= kMaxStoredPathBytes;
}

QString projectPathFromInfo(const QByteArray& info) {
    if (info.isEmpty()) return QString();
    const int n = static_cast<unsigned char>(info.at(0));
    return DecodeSourceBytes(info.mid(1, n), kDefaultCodePage);
}

bool isProjectPath(const QString& path) {
    const QString ext = QFileInfo(path).suffix().toUpper();
    return ext == QLatin1String("MAK") || ext == QLatin1String("VBP");
}

void SaveProjectSettingsFile(const QString& lrpPath, const QString& projectPath,
                             const TSourceMgt& sources, TSourceCodePrint& formatter,
                             const TJobRevision& revision) {
    // A cut path would save a job that can never be reopened.
    if (!fitsProjectInfo(projectPath))
        throw TListoraError(
            QStringLiteral("The project path is longer than %1 bytes and cannot be stored in a "
                           "Listora project:\n%2")
                .arg(kMaxStoredPathBytes)
                .arg(projectPath));
    refuseToReplaceSources(lrpPath, projectPath, sources);
    const TPrivateFolder dir;
    const QDir staging(dir.path());
    sources.SavePrintMarks(projectPath, staging.path());
    // Before the first setting is changed there is no settings file: the job
    // then keeps an empty copy, which stands for the defaults.
    if (QFileInfo::exists(TIniFile::resolve(kSettingsFileName))) {
        formatter.CopySettingsTo(staging.filePath(kProjectParamsFileName));
    } else {
        QFile empty(staging.filePath(kProjectParamsFileName));
        if (!empty.open(QIODevice::WriteOnly))
            throw TListoraError(
                QStringLiteral("Cannot write %1: %2").arg(empty.fileName(), empty.errorString()));
    }

    QStringList names{kProjectInfoFileName, kPrintMarksFileName, kProjectParamsFileName};
    // Without a revision the job stays as older versions read it.
    if (!revision.Since.isEmpty()) {
        QFile since(staging.filePath(kChangedSinceFileName));
        if (!since.open(QIODevice::WriteOnly) || since.write(revisionText(revision)) < 0)
            throw TListoraError(
                QStringLiteral("Cannot write %1: %2").arg(since.fileName(), since.errorString()));
        names.append(kChangedSinceFileName);
    }

    // The archive stores the members under lower-case names.
    QStringList members;
    for (const QString& name : names) {
        const QString lower = staging.filePath(name.toLower());
        if (!QFile::rename(staging.filePath(name), lower))
            throw TListoraError(QStringLiteral("Cannot prepare %1 for saving").arg(name));
        members.append(lower);
    }
    TCompress archive;
    archive.setTargetPath(staging.path()); // stores the bare names
    archive.ExceptionOnFileError = true;
    // A job file of that name is replaced whole (and only once the new one
    // is complete), not merged with.
    archive.KeepOlderEntries = false;
    archive.CompressFiles(lrpPath, members, cmLZH);
}

TSavedJob::TSavedJob(const QString& lrpPath) {
    folder_ = dir_.path();
    TCompress archive;
    QList<RArchiveEntry> entries;
    archive.ScanArchive(lrpPath, entries);
    // Every name and size is checked before anything is written.
    qint64 total = 0;
    for (const RArchiveEntry& e : entries) {
        if (!isPlainFileName(e.Name))
            throw TListoraError(
                QStringLiteral("%1 is not a Listora project: it holds the file \"%2\".")
                    .arg(lrpPath, e.Name));
        total += e.Size;
        if (e.Name.compare(kProjectParamsFileName, Qt::CaseInsensitive) == 0 &&
            e.Size > kMaxSettingsFileSize)
            throw TListoraError(QStringLiteral("%1 is not a Listora project: its settings copy "
                                               "expands to %2 bytes, more than a settings file "
                                               "of %3 MB.")
                                    .arg(lrpPath)
                                    .arg(e.Size)
                                    .arg(kMaxSettingsFileSize >> 20));
    }
    if (total > kMaxJobBytes)
        throw TListoraError(QStringLiteral("%1 is not a Listora project: its files expand to %2 "
                                           "bytes, more than the %3 MB a project may hold.")
                                .arg(lrpPath)
                                .arg(total)
                                .arg(kMaxJobBytes >> 20));

    archive.setTargetPath(folder_);
    archive.MakeDirectories = false;
    QStringList written;
    for (const RArchiveEntry& e : entries)
        written.append(e.Name);
    archive.ExpandFiles(lrpPath, &written);

    QString revisionPath;
    for (const QString& path : written) {
        const QString name = QFileInfo(path).fileName();
        if (name.compare(kProjectInfoFileName, Qt::CaseInsensitive) == 0)
            infoPath_ = path;
        else if (name.compare(kPrintMarksFileName, Qt::CaseInsensitive) == 0)
            printPath_ = path;
        else if (name.compare(kProjectParamsFileName, Qt::CaseInsensitive) == 0)
            paramsPath_ = path;
        else if (name.compare(kChangedSinceFileName, Qt::CaseInsensitive) == 0)
            revisionPath = path;
    }
    if (!revisionPath.isEmpty()) {
        QFile since(revisionPath);
        if (!since.open(QIODevice::ReadOnly))
            throw TListoraError(
                QStringLiteral("Cannot read %1: %2").arg(revisionPath, since.errorString()));
        revision_ = revisionFrom(since.read(4096));
    }
    if (!infoPath_.isEmpty()) {
        QFile info(infoPath_);
        if (!info.open(QIODevice::ReadOnly))
            throw TListoraError(
                QStringLiteral("Cannot read %1: %2").arg(infoPath_, info.errorString()));
        projectPath_ = projectPathFromInfo(info.read(kProjectInfoSize));
    }
    if (!paramsPath_.isEmpty()) keepDiagnosticsOff(paramsPath_);
}
