#include "render/ui/PrintRun.h"

#include "platform/ui/QtPrinter.h"
#include "render/PdfListing.h"
#include "render/ui/PrintStatus.h"

#include <QPointer>
#include <QPrinter>
#include <QWidget>

#include <memory>

TPrintOutcome PrintOnPrinter(TPageStorage& pages, bool showDialog, const QString& title,
                             QWidget* owner, QPrinter* printer, const TPrintDialogSettings* preset,
                             const QString& documentTitle) {
    std::unique_ptr<QPrinter> own;
    if (!printer) {
        own = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer = own.get();
    }
    TQtPrinter qtPrinter(*printer);
    TQtPrintDialog dialog(*printer, owner);
    TfrmPrintStatus status; // no parent: disabling the owner must not disable it
    TEventPump pump;
    QPointer<QWidget> guardedOwner(owner);

    TPrintServices services;
    services.printer = &qtPrinter;
    services.dialog = &dialog;
    services.status = &status;
    services.progress = &pump;
    services.enableOwner = [guardedOwner](bool on) {
        if (guardedOwner) guardedOwner->setEnabled(on);
    };
    services.writePdf = [&documentTitle, &title](TPageStorage& store,
                                                 const std::vector<int>& pageNumbers,
                                                 const QString& path) {
        WriteListingPdf(store, pageNumbers, path, documentTitle.isEmpty() ? title : documentTitle);
    };
    return PrintPages(pages, showDialog, title, services, preset);
}
