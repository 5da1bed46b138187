#pragma once
// File dialogs, the clipboard and a help viewer for the desktop program.
#include "platform/Dialogs.h"

class QFileDialog;
class QWidget;

// Turns "Desc|*.A;*.B|..." into the name filters of a file dialog
// ("Desc (*.A *.B)"); patterns match without regard to case.
QStringList qtNameFilters(const QString& filter);

// Widens Qt's own file dialog so that its detail columns (name, size,
// type, date modified) show whole.
void fitFileDialogColumns(QFileDialog& dialog);

class TWidgetFileDialogs : public IFileDialogs {
public:
    explicit TWidgetFileDialogs(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }
    std::optional<TFileDialogResult> openFile(const TFileDialogRequest& request) override;
    std::optional<TFileDialogResult> saveFile(const TFileDialogRequest& request) override;

private:
    std::optional<TFileDialogResult> run(const TFileDialogRequest& request, bool save);
    QWidget* owner_;
};

// QColorDialog and QFontDialog, parented to the active window.
class TWidgetChoosers : public IChooserDialogs {
public:
    std::optional<TColor> chooseColor(TColor current) override;
    std::optional<TFont> chooseFont(const TFont& current) override;
};

class TWidgetClipboard : public IClipboard {
public:
    std::optional<QString> text() override;
};

// There is no help file viewer on this platform yet: the help commands
// tell the user so.
class TWidgetHelpViewer : public IHelpViewer {
public:
    void showContext(const QString& helpFile, int context) override;
    void quit(const QString&) override {}
};
