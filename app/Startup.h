#pragma once
// The program's start: the required archive beside the executable, the
// splash window that unpacks the animation clips, then the main window.
#include <QString>
#include <QStringList>
#include <memory>

class TfrmMain;

// Window titles name the program only; the version is in the about box,
// the splash and --version, all from the build's one version.
inline const QString kApplicationTitle = QStringLiteral("Listora");
inline const QString kHelpFileName = QStringLiteral("Listora.hlp");
inline const QString kGraphicsArchiveName = QStringLiteral("graphics.dat");
inline const QString kGraphicsMissingMessage = QStringLiteral(
    "The Listora Package Requires the file GRAPHICS.DAT.\r\nWe are unable to find this file in "
    "the current directory.\r\nPlease locate this file and move it into this directory or\r\n"
    "Reinstall Listora");

// The four clips, in the order the splash replaces them.
QStringList clipNames();
// Per-user cache folder into which the clips are unpacked (created on
// demand); the clips never go beside the executable, which may be read-only.
QString defaultClipFolder();
// Adds the trailing separator a folder path lacks.
QString withTrailingSeparator(const QString& folder);

// Path of "graphics.dat" beside the program in programDir or in the
// installed data folder (see resourceFolders); empty when there is none.
QString findGraphicsArchive(const QString& programDir);

void deleteClips(const QString& clipFolder);
// Unpacks the four clips; never throws: returns false and leaves the
// program to run without clips when the archive cannot be read.
bool expandClips(const QString& archivePath, const QString& clipFolder);

// The file named on the command line (the first argument after the
// program's name that is not an option), as an absolute path; empty when
// there is none.
QString commandLineFile(const QStringList& arguments);

struct TStartOptions {
    QString ProgramDir;
    QString ClipFolder;
    int SplashIntervalMs = 750;
    bool ShowMainWindow = true;
};

// Runs the start sequence up to the message loop: returns the shown main
// window, or nothing (after the warning) when "graphics.dat" is missing.
std::unique_ptr<TfrmMain> startListora(const TStartOptions& options);
