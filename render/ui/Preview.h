#pragma once
// The print preview: the stored pages played back, scaled, into picture
// widgets in a scrolling page box, one page, a grid of pages or a zoom
// factor at a time; a dockable tool bar for navigation, zoom and printing;
// pages marked by a click for printing a selection; a status panel with the
// current page (double-click to type a page number) and the page count.
#include "render/PrintPages.h"

#include <QColor>
#include <QCursor>
#include <QDialog>
#include <QImage>
#include <QObject>
#include <QWidget>

#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QMainWindow;
class QScrollArea;
class QSpinBox;
class QToolBar;
class TPageStorage;

// One page of the preview: a picture with a drop shadow at its right and
// bottom edges.
class TPagePicture : public QWidget {
    Q_OBJECT
public:
    explicit TPagePicture(QWidget* parent);
    QImage& Picture() { return picture_; }
    const QImage& Picture() const { return picture_; }
    int PageTag() const;

signals:
    void clicked(int tag);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage picture_;
};

// The page-select cursor: an arrow over a small sheet with a tick.
QCursor pageSelectCursor();

class TfrmPreview : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPreview(QWidget* parent = nullptr);
    ~TfrmPreview() override;

    void SetPageStorage(TPageStorage* store);
    TPageStorage* PageStorage() const { return store_; }
    // The title a PDF printed from here carries (the job's name), and the
    // source it was built from (names the PDF file proposed).
    QString DocumentTitle;
    QString SourcePath;
    // What the last Print from here did (a file written, say).
    const TPrintOutcome& LastOutcome() const { return lastOutcome_; }
    void ShowPages();

    // The Print button's action; by default the print dialog and the
    // printer, with this window disabled while the pages are sent.
    std::function<void(TPageStorage&, QWidget*)> printHandler;

    // Zoom factor of the zoom list's entry (50 when none is selected).
    int ZoomFactor() const;
    QSize PageBoxSize() const;
    QSize ScreenPageSize(bool landscape) const;
    int FirstShownPage() const { return firstShown_; }
    int LastShownPage() const { return lastShown_; }
    int Shadow() const { return shadow_; }
    bool Editing() const { return editing_; }
    QColor MarkColour() const { return markColour_; }
    void SetMarkColour(const QColor& c) { markColour_ = c; }
    void SetSelectCursor(const QCursor& c) { selectCursor_ = c; }
    // The picture of page n while it is shown, else null.
    TPagePicture* PictureOf(int n) const;

    QToolBar* toolBar;
    QAction* actPrint;
    QAction* actOnePage;
    QAction* actFourPages;
    QComboBox* cbZoom;
    QAction* actRedraw;
    QAction* actFirst;
    QAction* actPrevious;
    QAction* actNext;
    QAction* actLast;
    QAction* actExit;
    QScrollArea* sbPages;
    QWidget* pnlStatus;
    // The hint on the left of the status line (cut short, with its whole
    // text as the tooltip, where the window is too narrow).
    QLabel* pnlHint;
    void SetHint(const QString& text);
    const QString& Hint() const { return hint_; }
    QLabel* pnlCurrentPage;
    QLabel* pnlTotalPages;
    QSpinBox* seGotoPage;
    QWidget* pnlGrid; // never shown: holds the rows and columns
    QSpinBox* seRows;
    QSpinBox* seCols;

    // Commands, as the buttons and keys run them.
    void Print();
    void OnePage();
    void FourPages();
    void ZoomChanged();
    void First();
    void Previous();
    void Next();
    void Last();
    void Exit();
    void ToggleMark(int page);
    // One zoom entry up (+1) or down (-1) from the percentage in view.
    void ZoomStep(int direction);
    void OpenPageEditor();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool previewKey(QKeyEvent* event);
    bool editorKey(QKeyEvent* event);
    void closePageEditor(bool commit);
    void fitPage(int pw, int ph, int cellW, int cellH);
    void paintPicture(TPagePicture& picture, bool marked, int shadow);
    void paintShadow(TPagePicture& picture, bool marked, int shadow);
    void updateNavigation();
    void layoutStatusPanels();
    void setZoomText(double fraction);
    void restoreView();
    void storeView();

    TPageStorage* store_ = nullptr;
    TPrintOutcome lastOutcome_;
    QString hint_;
    QMainWindow* frame_;
    QColor markColour_{128, 0, 0};
    QCursor selectCursor_;
    int firstShown_ = 1;
    int lastShown_ = 0;
    int shadow_ = 0;
    bool busy_ = false;
    bool editing_ = false;
    bool filtering_ = false;
    bool viewRestored_ = false;
    // Offsets of the drawing in progress.
    int sx_ = 0, sy_ = 0, hx_ = 0, hy_ = 0;
};

// The component the main window creates: it owns the preview window.
class TPrintPreview : public QObject {
    Q_OBJECT
public:
    explicit TPrintPreview(QWidget* owner);
    ~TPrintPreview() override;
    // Always 1.
    int SetPageStorage(TPageStorage* store);
    // Makes the first page current and shows the window modally.
    void Show();
    void SetCaption(const QString& text);
    TfrmPreview* Form() const { return form_; }

private:
    TfrmPreview* form_;
};
