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
// the batch command writes them.
TPrintOutcome PrintOnPrinter(TPageStorage& pages, bool showDialog, const QString& title,
                             QWidget* owner, QPrinter* printer = nullptr,
                             const TPrintDialogSettings* preset = nullptr,
                             const QString& documentTitle = QString());
