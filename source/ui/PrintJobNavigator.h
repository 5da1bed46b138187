#pragma once
// The print-job navigator: a modal tree of the project's files and their
// sections in which the user puts printer marks on what is to be printed.
// The marks live in the analyzer's records; this window only shows and
// toggles them.
#include "source/SourceTree.h"

#include <QDialog>
#include <QTimer>
#include <memory>
#include <vector>

class QLabel;
class QMenu;
class QAction;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TChangeHistory;
class TSourceMgt;
struct TChangeRequest;

class TFrmVBPrintJ : public QDialog, public ISourceTree {
    Q_OBJECT
public:
    explicit TFrmVBPrintJ(QWidget* owner = nullptr);
    ~TFrmVBPrintJ() override;

    // ISourceTree
    void clear() override;
    void beginUpdate() override;
    void endUpdate() override;
    NodeId addNode(NodeId parent, const QString& caption, TSourceNodeData data, int image,
                   int stateImage) override;

    // The number shown in pnlSelected.
    int SelectedCount() const;
    void SetSelectedCount(int count);

    // Handlers, public so that menus, keys and tests reach the same code.
    void tvSourceClick();
    void tvSourceKeyDown(int key);
    void MarkAll1Click();
    void UnmarkAll1Click();
    void cmdOKClick();
    void btnHelpClick();
    void tmrAnimTimer();
    // Asks for a revision (HEAD: the uncommitted work), then marks what
    // changed since it.
    void btnMarkChangedClick();

    // The project "Mark Changed Since..." compares with git; without one
    // the button stays hidden.
    void SetChangeSource(TSourceMgt* sources, const QString& projectPath);
    // Marks exactly the sections changed since request.From, as the batch
    // command's --changed-since does, and keeps the history for the change
    // bars of the build. False, with the reason shown, when the history
    // cannot be read (the marks are then left as they were).
    bool MarkChangedSince(const TChangeRequest& request);
    // The history of the last successful marking, for the build.
    std::unique_ptr<TChangeHistory> TakeChanges();

    // Nodes for callers that walk the tree (tests among them).
    QTreeWidgetItem* Node(NodeId id) const;
    QTreeWidgetItem* RootNode() const;
    static int ImageOf(const QTreeWidgetItem* item);
    static int StateImageOf(const QTreeWidgetItem* item);
    TSourceNodeData DataOf(const QTreeWidgetItem* item) const;
    quint8 AnimationCounter() const { return animCounter_; }

    QTreeWidget* tvSource;
    QLabel* pnlSelected;
    QPushButton* cmdOK;
    QPushButton* btnHelp;
    QPushButton* btnMarkAll;
    QPushButton* btnUnmarkAll;
    QPushButton* btnMarkChanged;
    // Closes without building, the marks back as they were when it opened;
    // Escape and the close box do the same.
    QPushButton* btnCancel;
    QMenu* PopupMenu;
    QAction* MarkAll1;
    QAction* UnmarkAll1;
    QAction* Help1;
    QTimer tmrAnim;

    static constexpr int kHelpContext = 51;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Every way of closing: a cancelled navigator restores the marks; the
    // size is kept for the next opening.
    void done(int result) override;

private:
    void setImages(QTreeWidgetItem* item, int image, int stateImage);
    void addToCount(int delta);
    // Marks (or unmarks) the children of a file node whose state says they
    // are not (or are); returns how many changed.
    int setChildMarks(QTreeWidgetItem* fileNode, bool mark);
    void setSectionMark(QTreeWidgetItem* item, bool mark);
    bool isFileNode(const QTreeWidgetItem* item) const;
    // Every node's check shows how much of it is marked: none, some, all.
    void refreshChecks();
    void rememberMarks();
    void restoreMarks();

    std::vector<QTreeWidgetItem*> nodes_;
    std::vector<TSourceNodeData> data_;
    std::vector<std::pair<TSourceNodeData, int>> openingMarks_;
    TSourceMgt* changeSources_ = nullptr;
    QString changeProject_;
    std::unique_ptr<TChangeHistory> changes_;
    quint8 animCounter_ = 7;
    bool placed_ = false;
};
