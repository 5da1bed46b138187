#pragma once
// Scripted stand-ins for the user: message boxes that are recorded, file
// dialogs that answer from a queue, a clipboard with chosen text, and the
// modal navigator played by a function.
#include "platform/Dialogs.h"
#include "platform/Messages.h"
#include "platform/ui/ModalRunner.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

class TfrmMain;
class TFrmVBPrintJ;
class QTreeWidgetItem;

struct TRecordedMessage {
    TMessageKind Kind;
    QString Title;
    QString Text;
};

class TRecordingMessages : public IMessageService {
public:
    void show(TMessageKind kind, const QString& title, const QString& text) override {
        shown.append({kind, title, text});
    }
    bool askYesNo(const QString&, const QString& text) override {
        asked.append(text);
        return answer;
    }
    QList<TRecordedMessage> shown;
    QStringList asked;
    bool answer = false;
};

class TScriptedDialogs : public IFileDialogs {
public:
    std::optional<TFileDialogResult> openFile(const TFileDialogRequest& request) override {
        requests.append(request);
        // No answer left, or an empty name: the user cancels.
        if (answers.isEmpty() || answers.first().FileName.isEmpty()) {
            if (!answers.isEmpty()) answers.removeFirst();
            return std::nullopt;
        }
        return answers.takeFirst();
    }
    std::optional<TFileDialogResult> saveFile(const TFileDialogRequest& request) override {
        return openFile(request);
    }
    QList<TFileDialogResult> answers;
    QList<TFileDialogRequest> requests;
};

class TScriptedClipboard : public IClipboard {
public:
    std::optional<QString> text() override { return contents; }
    std::optional<QString> contents;
};

// Installs the stand-ins for one test and removes them afterwards; the
// navigator is played by `navigator` (default: closed at once).
class TScriptedUser {
public:
    TScriptedUser();
    ~TScriptedUser();
    TScriptedUser(const TScriptedUser&) = delete;
    TScriptedUser& operator=(const TScriptedUser&) = delete;

    // The user picks this file in the next open dialog (filter index 1).
    void willOpen(const QString& path, int filterIndex = 1);

    TRecordingMessages messages;
    TScriptedDialogs dialogs;
    TScriptedClipboard clip;
    std::function<int(TFrmVBPrintJ&)> navigator;
    // Every other modal window (closed at once when unset).
    std::function<int(QDialog&)> otherDialog;
    int navigatorRuns = 0;
};

// A scratch folder that goes away with the test.
class TScratchDir {
public:
    QString path(const QString& name = QString()) const;
    QString write(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir dir_;
};

// The example project, copied into scratch so nothing writes beside it.
QString copyExampleProject(const TScratchDir& scratch);

// The navigator node of the file or section with this caption.
QTreeWidgetItem* findNode(TFrmVBPrintJ& navigator, const QString& caption);
// A click as the tree view delivers it: select, then the click handler.
void clickNode(TFrmVBPrintJ& navigator, QTreeWidgetItem* item);
void pressKey(TFrmVBPrintJ& navigator, QTreeWidgetItem* item, int key);

// The page count a fresh formatter gives for the same project and marks.
int referencePageCount(TfrmMain& window);
