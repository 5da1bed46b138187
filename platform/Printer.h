#pragma once
// What printing needs from a printer and its print dialog, so that the print
// run can be driven by a real printer (QPrinter over CUPS, or a PDF file) or
// by a recording printer in tests.
#include <QString>

class IDrawSurface;

enum class TPrintRange { All, Selection, PageNums };

// The print dialog's settings: filled before the dialog is shown, read after.
struct TPrintDialogSettings {
    int MinPage = 1;
    int MaxPage = 1;
    int FromPage = 1;
    int ToPage = 1;
    int Copies = 1;
    bool AllowPageNums = true;
    bool WarnNoPrinter = true;
    bool AllowSelection = false;
    TPrintRange Range = TPrintRange::All;
    // The range counts sheets that carry more than one page each: the
    // dialog says "sheets", not "pages".
    bool RangeInSheets = false;
};

class IPrintDialog {
public:
    virtual ~IPrintDialog() = default;
    // Shows the dialog with settings; false when the user cancelled it.
    virtual bool Execute(TPrintDialogSettings& settings) = 0;
};

// A printer in the terms of a print job: begin, new sheet, end or abort.
// Between BeginDoc and EndDoc/Abort the job is open and Canvas() draws on
// the current sheet.
class IPrinter {
public:
    virtual ~IPrinter() = default;
    // Set before a job begins.
    virtual void SetOrientation(bool landscape) = 0;
    // The paper the pages were laid out on, upright, in page units (1/96
    // inch); a printer that cannot choose paper keeps its own.
    virtual void SetPaperSize(int /*width*/, int /*height*/) {}
    virtual void SetTitle(const QString& title) = 0;
    // The PDF file the print dialog chose to print to instead of a queue;
    // empty for a queue.
    virtual QString PdfFile() const { return {}; }
    virtual void SetCopies(int copies) = 0;
    // Whether the job prints in shades of grey: as chosen in the print
    // dialog, or the queue's default.
    virtual bool Monochrome() const { return false; }

    virtual void BeginDoc() = 0;
    virtual void NewPage() = 0;
    virtual void EndDoc() = 0;
    virtual void Abort() = 0;

    // The job's current sheet, 1 after BeginDoc.
    virtual int PageNumber() const = 0;
    virtual bool Aborted() const = 0;
    virtual bool Printing() const = 0;
    // Only valid while a job is open.
    virtual IDrawSurface& Canvas() = 0;
};
