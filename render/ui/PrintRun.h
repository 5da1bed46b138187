#pragma once
// Printing a page store on the real printer: QPrinter (a CUPS queue or a PDF
// file), its print dialog when asked for, the print status window, and the
// owner window disabled while the pages are sent.
#include "render/PrintPages.h"

#include <QString>

class QPrinter;
class QWidget;

// owner may be null. printer: the one to print on; null makes a
// high-resolution printer on the default queue for this run. A PDF file
// chosen in the dialog (or set on printer) gets the listing's own pages
// with bookmarks, links, page labels and documentTitle as its title, as
// the batch command writes them. sourcePath (the project or file printed,
// empty for clipboard text) names the file the dialog proposes; the file
// written is remembered for the next proposal.
TPrintOutcome PrintOnPrinter(TPageStorage& pages, bool showDialog, const QString& title,
                             QWidget* owner, QPrinter* printer = nullptr,
                             const TPrintDialogSettings* preset = nullptr,
                             const QString& documentTitle = QString(),
                             const QString& sourcePath = QString());

// The PDF file to propose for printing sourcePath: the one written for the
// same source last time, else "<name>.pdf" beside the source; for clipboard
// text "Clipboard.pdf" in the folder last written to (lastPdf's), else in
// home.
QString proposedPdfFile(const QString& sourcePath, const QString& lastSource,
                        const QString& lastPdf, const QString& home);
