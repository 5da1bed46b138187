#pragma once
// The common dialogs, the clipboard and the help viewer, reached through
// interfaces so that the main window's flows can be scripted in tests. The
// desktop program installs the widget implementations at start-up.
#include "platform/Colour.h"
#include "platform/Font.h"

#include <QString>
#include <optional>

// What an open or save dialog is asked to show.
struct TFileDialogRequest {
    QString Title;
    // "Description|*.A;*.B|Other|*.*" pairs, as the commands give them.
    QString Filter;
    int FilterIndex = 1; // 1-based
    QString InitialDir;
    QString DefaultExt;
    QString FileName;
};

struct TFileDialogResult {
    QString FileName; // full path
    int FilterIndex = 1;
};

class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // No value when the user cancels. The open dialog only returns a file
    // that exists.
    virtual std::optional<TFileDialogResult> openFile(const TFileDialogRequest& request) = 0;
    virtual std::optional<TFileDialogResult> saveFile(const TFileDialogRequest& request) = 0;
};

// The colour and font choosers of the settings dialogs.
class IChooserDialogs {
public:
    virtual ~IChooserDialogs() = default;
    // Preset to current; no value when the user cancels.
    virtual std::optional<TColor> chooseColor(TColor current) = 0;
    // Face, size, style and colour; no value when the user cancels.
    virtual std::optional<TFont> chooseFont(const TFont& current) = 0;
};

class IClipboard {
public:
    virtual ~IClipboard() = default;
    // No value when the clipboard holds no text.
    virtual std::optional<QString> text() = 0;
};

class IHelpViewer {
public:
    virtual ~IHelpViewer() = default;
    virtual void showContext(const QString& helpFile, int context) = 0;
    virtual void quit(const QString& helpFile) = 0;
};

// Process-wide services. The defaults cancel every dialog, hold no text and
// show no help; set* installs a service (not owned), nullptr restores the
// default.
IFileDialogs& fileDialogs();
void setFileDialogs(IFileDialogs* service);
IChooserDialogs& chooserDialogs();
void setChooserDialogs(IChooserDialogs* service);
IClipboard& clipboard();
void setClipboard(IClipboard* service);
IHelpViewer& helpViewer();
void setHelpViewer(IHelpViewer* service);

// Splits dialog filter text into (description, patterns) pairs.
struct TFilterEntry {
    QString Description;
    QString Patterns; // "*.MAK;*.VBP"
};
QList<TFilterEntry> parseDialogFilter(const QString& filter);
