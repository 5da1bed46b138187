#pragma once
// Commands of the main window whose windows are built elsewhere: the
// settings dialogs, the preview and printing, the saved jobs and the
// recent-files list. Each is one replaceable function; until its window
// exists it tells the user so.
#include <QString>
#include <functional>

class QWidget;
class TPageStorage;

// Runs a settings dialog modally; returns whether it changed the settings.
// sourceFolder is the folder of the current source file.
using TSettingsDialogFn = std::function<bool(QWidget* owner, const QString& sourceFolder)>;
// Shows the pages in the preview window with the title.
using TPreviewFn = std::function<void(QWidget* owner, TPageStorage& pages, const QString& title)>;
// Prints pages first..last; throws on a failure while printing.
using TPrintFn = std::function<void(QWidget* owner, TPageStorage& pages, int first, int last,
                                    const QString& documentName)>;
// Saves or opens a ".LRP" job; the main window passes itself.
using TJobFileFn = std::function<void(QWidget* mainWindow)>;
using TRecentFileFn = std::function<void(const QString& fileName)>;
// Opens the help book at a topic (the windows' help context numbers).
using THelpFn = std::function<void(int context)>;

struct TCommandHooks {
    TSettingsDialogFn FormattingDialog;
    TSettingsDialogFn FontsDialog;
    TSettingsDialogFn PageSetupDialog;
    TPreviewFn Preview;
    TPrintFn Print;
    TJobFileFn SaveProjectSettings;
    TJobFileFn OpenProjectSettings;
    TRecentFileFn AddRecentFile;
    THelpFn ShowHelp;
};

// The hooks in force; empty members fall back to a placeholder message
// (or, for the recent files, to nothing).
TCommandHooks& commandHooks();

// The placeholder text for a command not available yet.
QString notAvailableText(const QString& what);
