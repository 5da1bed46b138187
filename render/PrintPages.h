#pragma once
// Prints the pages of a store: the print dialog for range and copies, one
// print job per copy, each chosen page's canvas played back onto the printer
// scaled to its printable area, progress in a print status window whose
// Cancel button stops the run between pages.
#include "platform/Printer.h"

#include <QString>
#include <functional>
#include <vector>

class IGauge;
class IProgress;
class TPageStorage;

// The print status window as the print run sees it.
class IPrintStatus {
public:
    virtual ~IPrintStatus() = default;
    // Shown without being modal, repainted, its animation playing.
    virtual void Open() = 0;
    virtual void Close() = 0;
    virtual IGauge& CopyGauge() = 0;
    virtual IGauge& PrintGauge() = 0;
    // Handed to the playback of each page: one step per command.
    virtual IGauge& PageGauge() = 0;
    virtual void SetCopyGaugeVisible(bool visible) = 0;
    virtual void SetPageName(const QString& name) = 0;
};

// Set by the status window's Cancel button, cleared when a run starts, read
// between pages. One per process: there is only one run at a time.
bool PrintCancelled();
void SetPrintCancelled(bool value);

// What one run talks to. printer is required; the others may be null (no
// dialog: the prepared settings are used; no status window; no message
// pumping). enableOwner disables the calling window while the pages are sent.
// writePdf, when given, writes the chosen pages (store page numbers,
// ascending) to the PDF file that the printer names instead of a queue, in
// place of playing them onto the printer: a PDF of the listing's own pages.
struct TPrintServices {
    IPrinter* printer = nullptr;
    IPrintDialog* dialog = nullptr;
    IPrintStatus* status = nullptr;
    IProgress* progress = nullptr;
    std::function<void(bool)> enableOwner;
    std::function<void(TPageStorage& pages, const std::vector<int>& pageNumbers,
                       const QString& path)>
        writePdf;
};

struct TPrintOutcome {
    bool Started = false;   // false: the dialog was cancelled
    bool Cancelled = false; // Cancel ended the run
    int PagesPrinted = 0;   // over all copies
    int Jobs = 0;           // print jobs begun
    QString PdfFile;        // the file written, when printed to a file
};

// The dialog settings for a store: all pages, one copy; when a page is
// marked, the selection is offered and chosen.
TPrintDialogSettings PreparePrintSettings(TPageStorage& pages);

// Prints with settings prepared by PreparePrintSettings, shown in the dialog
// first when showDialog. preset replaces the prepared settings (the batch
// command's --pages and --copies). The store's current page is the same
// afterwards. Failures of the printer other than ending a job propagate
// after the job is aborted and the owner enabled again.
TPrintOutcome PrintPages(TPageStorage& pages, bool showDialog, const QString& title,
                         const TPrintServices& services,
                         const TPrintDialogSettings* preset = nullptr);
