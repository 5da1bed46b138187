#include "format/ProjectSettingsFile.h"

#include "archive/Compress.h"
#include "format/SourceCodePrint.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "source/SourceMgt.h"
#include "source/TextDecoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QTemporaryDir& checkedDir(QTemporaryDir& dir) {
    if (!dir.isValid())
        throw TListoraError(
            QStringLiteral("Cannot create a temporary folder: %1").arg(dir.errorString()));
    return dir;
}

bool isPlainFileName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains('/') && !name.contains('\\') && !name.contains(':') &&
           !name.contains(QChar(0));
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
                             const TSourceMgt& sources, TSourceCodePrint& formatter) {
    // A cut path would save a job that can never be reopened.
    if (!fitsProjectInfo(projectPath))
        throw TListoraError(
            QStringLiteral("The project path is longer than %1 bytes and cannot be stored in a "
                           "Listora project:\n%2")
                .arg(kMaxStoredPathBytes)
                .arg(projectPath));
    QTemporaryDir dir;
    const QDir staging(checkedDir(dir).path());
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

    // The archive stores the members under lower-case names.
    QStringList members;
    for (const QString& name :
         {kProjectInfoFileName, kPrintMarksFileName, kProjectParamsFileName}) {
        const QString lower = staging.filePath(name.toLower());
        if (!QFile::rename(staging.filePath(name), lower))
            throw TListoraError(QStringLiteral("Cannot prepare %1 for saving").arg(name));
        members.append(lower);
    }
    // A job file of that name is replaced, not merged with.
    if (QFileInfo::exists(lrpPath) && !QFile::remove(lrpPath))
        throw TListoraError(QStringLiteral("Cannot replace %1").arg(lrpPath));
    TCompress archive;
    archive.setTargetPath(staging.path()); // stores the bare names
    archive.ExceptionOnFileError = true;
    archive.CompressFiles(lrpPath, members, cmLZH);
}

TSavedJob::TSavedJob(const QString& lrpPath) {
    folder_ = checkedDir(dir_).path();
    TCompress archive;
    QList<RArchiveEntry> entries;
    archive.ScanArchive(lrpPath, entries);
    // Every name is checked before anything is written.
    for (const RArchiveEntry& e : entries)
        if (!isPlainFileName(e.Name))
            throw TListoraError(
                QStringLiteral("%1 is not a Listora project: it holds the file \"%2\".")
                    .arg(lrpPath, e.Name));

    archive.setTargetPath(folder_);
    archive.MakeDirectories = false;
    QStringList written;
    for (const RArchiveEntry& e : entries)
        written.append(e.Name);
    archive.ExpandFiles(lrpPath, &written);
    // Expanding stops once the archive's total size is reached, so empty
    // members at the end (no marks, no settings) come out here.
    for (const RArchiveEntry& e : entries) {
        const QString path = QDir(folder_).filePath(e.Name);
        if (e.Size != 0 || written.contains(path)) continue;
        QFile empty(path);
        if (!empty.open(QIODevice::WriteOnly))
            throw TListoraError(
                QStringLiteral("Cannot write %1: %2").arg(path, empty.errorString()));
        written.append(path);
    }

    for (const QString& path : written) {
        const QString name = QFileInfo(path).fileName();
        if (name.compare(kProjectInfoFileName, Qt::CaseInsensitive) == 0)
            infoPath_ = path;
        else if (name.compare(kPrintMarksFileName, Qt::CaseInsensitive) == 0)
            printPath_ = path;
        else if (name.compare(kProjectParamsFileName, Qt::CaseInsensitive) == 0)
            paramsPath_ = path;
    }
    if (!infoPath_.isEmpty()) {
        QFile info(infoPath_);
        if (!info.open(QIODevice::ReadOnly))
            throw TListoraError(
                QStringLiteral("Cannot read %1: %2").arg(infoPath_, info.errorString()));
        projectPath_ = projectPathFromInfo(info.read(kProjectInfoSize));
    }
}
