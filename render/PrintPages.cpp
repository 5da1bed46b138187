#include "render/PrintPages.h"

#include "platform/DrawSurface.h"
#include "platform/Errors.h"
#include "platform/Progress.h"
#include "render/PageStorage.h"
#include "render/SheetCount.h"

#include <algorithm>
#include <vector>

namespace {

bool gCancelled = false;

// Stands in for a missing status window so the run needs no checks.
class TNoStatus : public IPrintStatus {
public:
    void Open() override {}
    void Close() override {}
    IGauge& CopyGauge() override { return copy_; }
    IGauge& PrintGauge() override { return print_; }
    IGauge& PageGauge() override { return page_; }
    void SetCopyGaugeVisible(bool) override {}
    void SetPageName(const QString&) override {}

private:
    TPlainGauge copy_, print_, page_;
};

bool includes(const TPrintDialogSettings& s, const TPageRec& page) {
    switch (s.Range) {
    case TPrintRange::All:
        return true;
    case TPrintRange::Selection:
        return page.Marked;
    case TPrintRange::PageNums:
        return s.FromPage <= page.PageNumber && page.PageNumber <= s.ToPage;
    }
    return false;
}

// Whatever the dialog or a caller handed over, the run only sees numbers it
// can walk: at least one copy and a range inside the store.
void sanitize(TPrintDialogSettings& s, int pageCount) {
    s.Copies = std::max(1, s.Copies);
    s.FromPage = std::clamp(s.FromPage, 1, std::max(1, pageCount));
    s.ToPage = std::clamp(s.ToPage, s.FromPage, std::max(1, pageCount));
}

} // namespace

bool PrintCancelled() {
    return gCancelled;
}

void SetPrintCancelled(bool value) {
    gCancelled = value;
}

TPrintDialogSettings PreparePrintSettings(TPageStorage& pages) {
    TPrintDialogSettings s;
    s.MinPage = 1;
    s.MaxPage = pages.PageCount();
    s.FromPage = 1;
    s.ToPage = pages.PageCount();
    s.Copies = 1;
    s.AllowPageNums = true;
    s.WarnNoPrinter = true;
    s.AllowSelection = pages.AnyPageMarked();
    const TSheetCount count = countSheets(pages, false);
    s.RangeInSheets = count.Sheets != count.Pages;
    // Pages marked in the preview are what the user means to print.
    s.Range = s.AllowSelection ? TPrintRange::Selection : TPrintRange::All;
    return s;
}

TPrintOutcome PrintPages(TPageStorage& pages, bool showDialog, const QString& title,
                         const TPrintServices& services, const TPrintDialogSettings* preset) {
    if (!services.printer) throw TListoraError(QStringLiteral("No printer to print on"));
    IPrinter& printer = *services.printer;
    TPrintOutcome outcome;

    TPrintDialogSettings s = preset ? *preset : PreparePrintSettings(pages);
    if (showDialog && services.dialog && !services.dialog->Execute(s)) return outcome;
    sanitize(s, pages.PageCount());
    outcome.Started = true;

    TNoStatus noStatus;
    IPrintStatus& status = services.status ? *services.status : noStatus;
    auto pump = [&] {
        if (services.progress) services.progress->processPendingMessages();
    };
    auto enableOwner = [&](bool on) {
        if (services.enableOwner) services.enableOwner(on);
    };

    const int remembered = pages.CurrentPageNumber();
    std::vector<int> rectGiven; // pages that got the printer's rectangle
    auto cleanUp = [&] {
        enableOwner(true);
        pages.GoToPage(remembered);
        status.CopyGauge().setPosition(0);
        status.PageGauge().setPosition(0);
        // Every page that was given the printer's rectangle forgets it, or a
        // later PDF export would play into this printer's area.
        for (int n : rectGiven)
            if (TPageRec* p = pages.Page(n)) p->Canvas->SetPlayRect(TPlayRect{});
        status.SetPageName(QString());
        status.Close();
    };

    const QString pdfFile = services.writePdf ? printer.PdfFile() : QString();
    if (!pdfFile.isEmpty()) {
        // One file holds the pages once, whatever the copies.
        std::vector<int> chosen;
        for (int n = 1; n <= pages.PageCount(); ++n)
            if (includes(s, *pages.Page(n))) chosen.push_back(n);
        if (chosen.empty()) return outcome;
        status.Open();
        status.SetPageName(pdfFile);
        pump();
        enableOwner(false);
        try {
            services.writePdf(pages, chosen, pdfFile);
        } catch (...) {
            enableOwner(true);
            status.Close();
            throw;
        }
        enableOwner(true);
        status.Close();
        outcome.Jobs = 1;
        outcome.PagesPrinted = int(chosen.size());
        outcome.PdfFile = pdfFile;
        return outcome;
    }

    status.Open();
    pump();
    try {
        enableOwner(false);
        const TPageRec& page = pages.CurrentPage();
        // A listing laid out on other paper than letter asks the queue for
        // that paper; letter ones print on the queue's paper as they always
        // have.
        const int upright = page.Landscape ? page.Height : page.Width;
        const int tall = page.Landscape ? page.Width : page.Height;
        if (upright != kLetterWidth || tall != kLetterHeight) printer.SetPaperSize(upright, tall);
        printer.SetOrientation(page.Landscape);
        printer.SetTitle(title);
        // Copies are separate jobs; a copy count on the printer as well would
        // multiply them.
        printer.SetCopies(1);

        // The print dialog has had its say: the colour mode holds for the run.
        const TPlayColours colours =
            printer.Monochrome() ? TPlayColours::Monochrome : TPlayColours::AsRecorded;
        SetPrintCancelled(false);
        int printed = 0;
        TPlayRect area;
        if (s.Copies > 1) {
            status.SetCopyGaugeVisible(true);
            status.CopyGauge().setMaximum(s.Copies);
            status.CopyGauge().setPosition(0);
        }
        for (int copy = 1; copy <= s.Copies && !PrintCancelled(); ++copy) {
            printer.BeginDoc();
            ++outcome.Jobs;
            bool printedAny = false;
            pages.FirstPage();
            status.CopyGauge().setPosition(copy);
            status.PrintGauge().setMaximum(pages.PageCount());
            for (int i = 1; i <= pages.PageCount() && !PrintCancelled(); ++i) {
                pump();
                const bool include = includes(s, pages.CurrentPage());
                status.PrintGauge().setPosition(i);
                pump();
                if (include && !printer.Aborted()) {
                    ++printed;
                    status.SetPageName(pages.CurrentPageName());
                    pump();
                    // Every page but the first of a job starts a new sheet.
                    if (printer.PageNumber() > 1 || (printedAny && printer.PageNumber() == 1))
                        printer.NewPage();
                    IDrawSurface& surface = printer.Canvas();
                    if (printed == 1) {
                        const QRect c = surface.ClipRect();
                        area = TPlayRect{c.left(), c.top(), c.left() + c.width(),
                                         c.top() + c.height()};
                    }
                    pages.Canvas().SetPlayRect(area);
                    rectGiven.push_back(pages.CurrentPageNumber());
                    pump();
                    pages.Canvas().PlayBack(surface, true, 1, 1, true,
                                            surface.GetDeviceCaps(dcAspectX),
                                            surface.GetDeviceCaps(dcAspectY), &status.PageGauge(),
                                            services.progress, colours);
                    printedAny = true;
                    ++outcome.PagesPrinted;
                }
                pages.NextPage();
                pump();
                if (PrintCancelled()) {
                    try {
                        printer.Abort();
                    } catch (const std::exception&) {
                        pump();
                    }
                }
                status.PageGauge().setPosition(0);
            }
            if (!PrintCancelled() && printer.Printing()) {
                try {
                    // A job without a page would still feed a blank sheet.
                    if (printedAny)
                        printer.EndDoc();
                    else
                        printer.Abort();
                } catch (const std::exception&) {
                    // Ending the job failed: the run goes on.
                }
            }
        }
        outcome.Cancelled = PrintCancelled();
    } catch (...) {
        if (printer.Printing()) {
            try {
                printer.Abort();
            } catch (...) {
            }
        }
        cleanUp();
        throw;
    }
    cleanUp();
    return outcome;
}
