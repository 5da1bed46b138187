#include "render/ui/PrintRun.h"

#include "platform/IniFile.h"
#include "platform/ui/QtPrinter.h"
#include "render/PdfListing.h"
#include "render/ui/PrintStatus.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QPrinter>
#include <QWidget>

#include <memory>

namespace {

// The file last printed to, and what it was printed from.
const QString kPrintSection = QStringLiteral("Dialogs-PD");
const QString kLastPdfKey = QStringLiteral("LastPdf");
const QString kLastSourceKey = QStringLiteral("LastPdfSource");

} // namespace

QString proposedPdfFile(const QString& sourcePath, const QString& lastSource,
                        const QString& lastPdf, const QString& home) {
    if (!lastPdf.isEmpty() && lastSource == sourcePath) return lastPdf;
    if (!sourcePath.isEmpty()) {
        const QFileInfo source(sourcePath);
        return source.dir().filePath(source.completeBaseName() + QStringLiteral(".pdf"));
    }
    const QString folder = lastPdf.isEmpty() ? home : QFileInfo(lastPdf).path();
    return QDir(folder).filePath(QStringLiteral("Clipboard.pdf"));
}

TPrintOutcome PrintOnPrinter(TPageStorage& pages, bool showDialog, const QString& title,
                             QWidget* owner, QPrinter* printer, const TPrintDialogSettings* preset,
                             const QString& documentTitle, const QString& sourcePath) {
    std::unique_ptr<QPrinter> own;
    if (!printer) {
        own = std::make_unique<QPrinter>(QPrinter::HighResolution);
        useQueueColourMode(*own);
        printer = own.get();
    }
    TQtPrinter qtPrinter(*printer);
    TQtPrintDialog dialog(*printer, owner);
    TIniFile ini;
    dialog.ProposeFile(
        proposedPdfFile(sourcePath, ini.readString(kPrintSection, kLastSourceKey, {}),
                        ini.readString(kPrintSection, kLastPdfKey, {}), QDir::homePath()));
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
    const TPrintOutcome outcome = PrintPages(pages, showDialog, title, services, preset);
    if (!outcome.PdfFile.isEmpty()) {
        try {
            ini.beginBatch();
            ini.writeString(kPrintSection, kLastSourceKey, sourcePath);
            ini.writeString(kPrintSection, kLastPdfKey,
                            QFileInfo(outcome.PdfFile).absoluteFilePath());
            ini.commitBatch();
        } catch (const std::exception&) {
            // The file is written; only the next proposal is lost.
        }
    }
    return outcome;
}
