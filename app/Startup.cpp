#include "app/Startup.h"

#include "app/MainWindow.h"
#include "app/Splash.h"
#include "archive/Compress.h"
#include "platform/Messages.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QStringList clipNames() {
    return {QStringLiteral("read.lrg"), QStringLiteral("print.lrg"), QStringLiteral("build2.lrg"),
            QStringLiteral("build.lrg")};
}

QString defaultClipFolder() {
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/clips");
    QDir().mkpath(folder);
    return folder;
}

QString withTrailingSeparator(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith('/')) return folder;
    return folder + '/';
}

QString findGraphicsArchive(const QString& programDir) {
    const QDir dir(programDir);
    if (dir.exists(kGraphicsArchiveName)) return dir.filePath(kGraphicsArchiveName);
    const QStringList matches = dir.entryList({kGraphicsArchiveName}, QDir::Files | QDir::Readable);
    for (const QString& name : matches)
        if (name.compare(kGraphicsArchiveName, Qt::CaseInsensitive) == 0) return dir.filePath(name);
    return QString();
}

QString commandLineFile(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument.isEmpty() || argument.startsWith('-')) continue;
        return QFileInfo(argument).absoluteFilePath();
    }
    return QString();
}

void deleteClips(const QString& clipFolder) {
    if (clipFolder.isEmpty()) return;
    const QDir dir(clipFolder);
    for (const QString& name : clipNames())
        QFile::remove(dir.filePath(name));
}

bool expandClips(const QString& archivePath, const QString& clipFolder) {
    if (archivePath.isEmpty() || clipFolder.isEmpty()) return false;
    try {
        TCompress archive;
        archive.MakeDirectories = false;
        archive.ExceptionOnFileError = false;
        archive.setTargetPath(clipFolder);
        QStringList names = clipNames();
        archive.ExpandFiles(archivePath, &names);
        return names.size() == clipNames().size();
    } catch (const std::exception&) {
        // The program runs without clips.
        return false;
    }
}

std::unique_ptr<TfrmMain> startListora(const TStartOptions& options) {
    QApplication::setApplicationDisplayName(kApplicationTitle);
    const QString archive = findGraphicsArchive(options.ProgramDir);
    if (archive.isEmpty()) {
        messages().show(TMessageKind::Warning, kApplicationTitle, kGraphicsMissingMessage);
        return nullptr;
    }
    QDir().mkpath(options.ClipFolder);
    // A clip left over from an interrupted print.
    QFile::remove(QDir(options.ClipFolder).filePath(QStringLiteral("PRINT.LRG")));

    auto main = std::make_unique<TfrmMain>(options.ClipFolder);
    TfrmSplash splash(archive, options.ClipFolder, options.SplashIntervalMs);
    splash.show();
    while (splash.SplashBusy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    splash.close();
    if (options.ShowMainWindow) main->show();
    return main;
}
