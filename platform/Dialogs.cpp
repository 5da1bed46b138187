#include "platform/Dialogs.h"

#include <QList>
#include <QStringList>

namespace {

class TCancelDialogs : public IFileDialogs {
public:
    std::optional<TFileDialogResult> openFile(const TFileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<TFileDialogResult> saveFile(const TFileDialogRequest&) override {
        return std::nullopt;
    }
};

class TCancelChoosers : public IChooserDialogs {
public:
    std::optional<TColor> chooseColor(TColor) override { return std::nullopt; }
    std::optional<TFont> chooseFont(const TFont&) override { return std::nullopt; }
};

class TEmptyClipboard : public IClipboard {
public:
    std::optional<QString> text() override { return std::nullopt; }
};

class TNoHelp : public IHelpViewer {
public:
    void showContext(const QString&, int) override {}
    void quit(const QString&) override {}
};

TCancelDialogs defaultDialogs;
TCancelChoosers defaultChoosers;
TEmptyClipboard defaultClipboard;
TNoHelp defaultHelp;
IFileDialogs* currentDialogs = nullptr;
IChooserDialogs* currentChoosers = nullptr;
IClipboard* currentClipboard = nullptr;
IHelpViewer* currentHelp = nullptr;

} // namespace

IFileDialogs& fileDialogs() {
    return currentDialogs ? *currentDialogs : defaultDialogs;
}
void setFileDialogs(IFileDialogs* service) {
    currentDialogs = service;
}
IChooserDialogs& chooserDialogs() {
    return currentChoosers ? *currentChoosers : defaultChoosers;
}
void setChooserDialogs(IChooserDialogs* service) {
    currentChoosers = service;
}
IClipboard& clipboard() {
    return currentClipboard ? *currentClipboard : defaultClipboard;
}
void setClipboard(IClipboard* service) {
    currentClipboard = service;
}
IHelpViewer& helpViewer() {
    return currentHelp ? *currentHelp : defaultHelp;
}
void setHelpViewer(IHelpViewer* service) {
    currentHelp = service;
}

QList<TFilterEntry> parseDialogFilter(const QString& filter) {
    QList<TFilterEntry> entries;
    const QStringList parts = filter.split('|');
    // A trailing description without patterns is dropped.
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries.append({parts[i], parts[i + 1]});
    return entries;
}
