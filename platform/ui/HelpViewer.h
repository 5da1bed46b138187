#pragma once
// The program's own help viewer: a window with a text browser that shows
// the pages of the help book, with back, forward and contents buttons.
#include "platform/Dialogs.h"

#include <QPointer>
#include <QWidget>

class QTextBrowser;
class QToolButton;

class TfrmHelp : public QWidget {
    Q_OBJECT
public:
    TfrmHelp(const QString& bookFolder, QWidget* parent = nullptr);
    // Shows the page of the context; false (with a note in the window) when
    // the book has no such page.
    bool showContext(int context);

    QTextBrowser* Browser;
    QToolButton* btnBack;
    QToolButton* btnForward;
    QToolButton* btnContents;

private:
    QString bookFolder_;
};

class THelpBookViewer : public IHelpViewer {
public:
    explicit THelpBookViewer(const QString& bookFolder);
    ~THelpBookViewer() override;
    THelpBookViewer(const THelpBookViewer&) = delete;
    THelpBookViewer& operator=(const THelpBookViewer&) = delete;

    void showContext(const QString& helpFile, int context) override;
    void quit(const QString& helpFile) override;

    // The window while it is open.
    TfrmHelp* Window() const { return window_; }

private:
    QString bookFolder_;
    QPointer<TfrmHelp> window_;
};
