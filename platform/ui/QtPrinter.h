#pragma once
// The printer of the desktop program and of "listora-print -P": Qt's
// QPrinter, which sends jobs to a CUPS queue or writes a PDF file, and its
// print dialog.
#include "platform/Printer.h"

#include <memory>

class QPrinter;
class QWidget;
class TAtomicFile;
class TDrawSurface;

class TQtPrinter : public IPrinter {
public:
    // The printer is not owned and must outlive this object.
    explicit TQtPrinter(QPrinter& printer);
    ~TQtPrinter() override;

    QPrinter& printer() { return printer_; }

    void SetOrientation(bool landscape) override;
    void SetPaperSize(int width, int height) override;
    void SetTitle(const QString& title) override;
    QString PdfFile() const override;
    void SetCopies(int copies) override;
    bool Monochrome() const override;
    void BeginDoc() override;
    void NewPage() override;
    void EndDoc() override;
    void Abort() override;
    int PageNumber() const override { return pageNumber_; }
    bool Aborted() const override { return aborted_; }
    bool Printing() const override { return surface_ != nullptr; }
    IDrawSurface& Canvas() override;

private:
    void finishFile();

    QPrinter& printer_;
    std::unique_ptr<TDrawSurface> surface_;
    // Printing to a file: the job goes into a temporary file that replaces
    // the chosen one only when the job is complete.
    std::unique_ptr<TAtomicFile> file_;
    QString target_;
    int pageNumber_ = 0;
    bool aborted_ = false;
};

// Sets the printer's colour mode to its queue's default (see the .cpp).
void useQueueColourMode(QPrinter& printer);

// QPrintDialog over the same QPrinter: the chosen queue (or PDF file) stays
// on the printer; the range and copies come back in the settings.
class TQtPrintDialog : public IPrintDialog {
public:
    TQtPrintDialog(QPrinter& printer, QWidget* parent);
    bool Execute(TPrintDialogSettings& settings) override;
    // The file the dialog offers for printing to a file (instead of Qt's
    // "print.pdf" in the current folder).
    void ProposeFile(const QString& path) { proposedFile_ = path; }

private:
    QPrinter& printer_;
    QWidget* parent_;
    QString proposedFile_;
};
