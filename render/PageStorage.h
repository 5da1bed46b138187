#pragma once
// The pages of one build, in order, each with its own virtual canvas, and a
// cursor: drawing goes to the current page and navigation moves it. A store
// is never emptied for reuse; each build creates a fresh one.
#include "render/PageNavigation.h"
#include "render/RecordingArena.h"
#include "render/VirtCanvas.h"

#include <QString>

#include <memory>
#include <vector>

class QObject;

// Letter paper in page units (1/96 inch), upright.
constexpr int kLetterWidth = 816;
constexpr int kLetterHeight = 1056;

// The papers a listing is laid out on; the value is the stored setting.
enum class TPaper { Letter = 0, A4 = 1, Legal = 2 };
struct TPaperSize {
    int Width = kLetterWidth; // upright, page units
    int Height = kLetterHeight;
};
// A4 is 210 by 297 mm: 794 by 1123 units; legal 8.5 by 14 inches.
TPaperSize paperSize(TPaper paper);
// "letter", "a4", "legal" (any capitals); false for another name.
bool paperFromName(const QString& name, TPaper& paper);

struct TPageRec {
    int PageNumber = 0;
    // "Page <n>"; the formatter appends " - " and the procedure's name.
    QString PageName;
    bool Landscape = true;
    int Height = kLetterWidth;
    int Width = kLetterHeight;
    // The preview's picture of this page: owned by the preview window. Its
    // "tag" property holds the page number (a negative tag keeps it alive
    // in ReleasePreviewImages).
    QObject* PreviewImage = nullptr;
    std::unique_ptr<TVirtCanvas> Canvas;
    bool Marked = false;
    // Bookmark targets, link areas and the printed label, beside the
    // drawing; only the PDF assembly reads them.
    TPageNavigation Navigation;
    // Only text in the standard PDF fonts' families and solid rules (a
    // report's page): a PDF may write it as plain text operators, not
    // through QPdfWriter (see platform/PdfTextWriter.h).
    bool PlainText = false;
};

// The most pages one listing may have: room for the largest project
// allowed on one-page sheets, and a bound on the memory of a hostile one
// ('///PAGE on every line).
inline constexpr int kMaxListingPages = 50000;

class TPageStorage {
public:
    // One page: number 1, "Page 1", on its side (1056 by 816), current. Its
    // canvas has no font, pen or brush until ResetPageCanvas.
    TPageStorage();
    ~TPageStorage();
    TPageStorage(const TPageStorage&) = delete;
    TPageStorage& operator=(const TPageStorage&) = delete;

    // Only while the current page has no commands; false (nothing changes)
    // otherwise.
    bool SetPageOrientation(bool landscape);
    // The paper of the pages set up from now on (letter until set); the
    // next SetPageOrientation lays the current page out on it.
    void SetPaper(TPaper paper) { paper_ = paperSize(paper); }
    void ResetPageCanvas(const TFont* font, const TPen* pen, const TBrush* brush);
    // Appends a page after the current one, starting with the drawing state
    // in which the previous page's canvas ended. Returns its number. Throws
    // TListoraError instead of going past kMaxListingPages.
    int AddPage();

    QString CurrentPageName() const { return current().PageName; }
    void SetCurrentPageName(const QString& name) { current().PageName = name; }
    TPageRec& CurrentPage() { return current(); }
    const TPageRec& CurrentPage() const { return current(); }
    TVirtCanvas& Canvas() { return *current().Canvas; }
    int CurrentPageNumber() const { return current().PageNumber; }

    // Forwarded to the current page's canvas.
    void SetFont(const TFont* font) { Canvas().SetFont(font); }
    void MoveTo(int x, int y) { Canvas().MoveTo(x, y); }
    void LineTo(int x, int y) { Canvas().LineTo(x, y); }
    void TextOut(int x, int y, const QString& text) { Canvas().TextOut(x, y, text); }
    int TextHeight(const QString& text) { return Canvas().TextHeight(text); }
    int TextWidth(const QString& text) { return Canvas().TextWidth(text); }

    // The store has no device resolution: Round(-f), so -1 for f = 1.0.
    int DeviceScaleX(double f) const;
    int DeviceScaleY(double f) const;

    void FirstPage();
    int NextPage();
    int PriorPage();
    // Stops at page n or at the last page; 9999 always means the last page.
    int GoToPage(int n);
    int PageCount() const { return static_cast<int>(pages_.size()); }

    // Previous mark; false (nothing changes) when no page has number n.
    bool SetPageMarked(int n, bool value);
    bool IsPageMarked(int n) const;
    bool AnyPageMarked();
    int MarkedPageCount();

    // Deletes the preview pictures whose tag is 0 or above and forgets them.
    void ReleasePreviewImages();

    // Page n (1-based) for readers that walk the pages without the cursor;
    // nullptr when there is none.
    const TPageRec* Page(int n) const;
    TPageRec* Page(int n);

private:
    TPageRec& current() { return *pages_[current_]; }
    const TPageRec& current() const { return *pages_[current_]; }

    // Before the pages: their recordings live in it.
    std::unique_ptr<TRecordingArena> commandArena_ = std::make_unique<TRecordingArena>();
    std::unique_ptr<TRecordingArena> textArena_ = std::make_unique<TRecordingArena>();
    std::vector<std::unique_ptr<TPageRec>> pages_;
    std::size_t current_ = 0;
    TPaperSize paper_;
};
