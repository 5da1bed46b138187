#pragma once
// The program's start: the required archive beside the executable, the
// splash window that unpacks the animation clips, then the main window.
#include <QString>
#include <QStringList>
#include <memory>

class TfrmMain;

inline const QString kApplicationTitle = QStringLiteral("The Listora 3.0");
inline const QString kHelpFileName = QStringLiteral("Listora.hlp");
inline const QString kGraphicsArchiveName = QStringLiteral("graphics.dat");
inline const QString kGraphicsMissingMessage = QStringLiteral(
    "The Listora Package Requires the file GRAPHICS.DAT.\r\nWe are unable to find this file in "
    "the current directory.\r\nPlease locate this file and move it into this directory or\r\n"
    "Reinstall Listora V3.0");

// The four clips, in the order the splash replaces them.
QStringList clipNames();
// Per-user cache folder into which the clips are unpacked (created on
// demand); the clips never go beside the executable, which may be read-only.
QString defaultClipFolder();
// Adds the trailing separator a folder path lacks.
QString withTrailingSeparator(const QString& folder);

// Path of "graphics.dat" in programDir; on a case-sensitive file system a
// name in other letter case (as copied from Windows media) is found too.
// Empty when there is none.
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
