#pragma once
// Saved jobs, the recent-files list, the glossary shortcuts and the help
// book, installed into a main window at start-up.
#include <QKeySequence>
#include <QString>

class TfrmMain;
class TLastUsedMenu;
class THelpBookViewer;

// Shortcuts of the hidden glossary commands (both entries of a glossary
// menu build the same text, so one key per kind).
inline const QKeySequence kBasicGlossaryKeys{QStringLiteral("Ctrl+Alt+B")};
inline const QKeySequence kDeluxeGlossaryKeys{QStringLiteral("Ctrl+Alt+D")};

struct TJobCommands {
    TLastUsedMenu* RecentFiles = nullptr; // owned by the window
    THelpBookViewer* Help = nullptr;      // owned by the window
};

// Sets the command hooks, loads the recent-files list (saved again when the
// window goes away) and installs the help viewer for the book in
// helpFolder. Returns the parts installed.
TJobCommands installJobCommands(TfrmMain& window, const QString& helpFolder);
