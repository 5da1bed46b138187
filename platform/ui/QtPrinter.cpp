#include "platform/ui/QtPrinter.h"

#include "platform/AtomicFile.h"
#include "platform/DrawSurface.h"
#include "platform/Errors.h"
#include "platform/ui/ModalRunner.h"

#include <QAbstractButton>
#include <QFile>
#include <QLineEdit>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

TQtPrinter::TQtPrinter(QPrinter& printer) : printer_(printer) {}

TQtPrinter::~TQtPrinter() {
    if (surface_) Abort();
}

void TQtPrinter::SetOrientation(bool landscape) {
    printer_.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void TQtPrinter::SetPaperSize(int width, int height) {
    // Points are 3/4 of a page unit; letter, A4 and legal match their
    // named sizes, which is what a CUPS queue is asked for.
    printer_.setPageSize(QPageSize(QSizeF(width * 0.75, height * 0.75), QPageSize::Point, QString(),
                                   QPageSize::FuzzyMatch));
}

void TQtPrinter::SetTitle(const QString& title) {
    printer_.setDocName(title);
}

QString TQtPrinter::PdfFile() const {
    return printer_.outputFormat() == QPrinter::PdfFormat ? printer_.outputFileName() : QString();
}

void TQtPrinter::SetCopies(int copies) {
    printer_.setCopyCount(copies);
}

bool TQtPrinter::Monochrome() const {
    return printer_.colorMode() == QPrinter::GrayScale;
}

void TQtPrinter::BeginDoc() {
    if (surface_) throw TListoraError(QStringLiteral("A print job is already open"));
    aborted_ = false;
    target_ = printer_.outputFileName();
    if (!target_.isEmpty()) {
        auto file = std::make_unique<TAtomicFile>(target_, TAtomicFile::TTarget::FileOrStream);
        file->begin();
        file->close(); // Qt writes the file by its name
        // A pipe or a terminal gets the job directly.
        if (!file->isStream()) {
            printer_.setOutputFileName(file->temporaryPath());
            file_ = std::move(file);
        }
    }
    // Painting on the printer begins the job; the surface owns the painter.
    auto surface = std::make_unique<TDrawSurface>(&printer_);
    if (!surface->painter().isActive()) {
        if (file_) {
            file_.reset();
            printer_.setOutputFileName(target_);
        }
        const QString where = printer_.outputFileName().isEmpty() ? printer_.printerName()
                                                                  : printer_.outputFileName();
        throw TListoraError(QStringLiteral("Unable to start printing on %1").arg(where));
    }
    surface_ = std::move(surface);
    pageNumber_ = 1;
}

void TQtPrinter::NewPage() {
    if (!surface_) throw TListoraError(QStringLiteral("No print job is open"));
    if (!printer_.newPage()) throw TListoraError(QStringLiteral("The printer refused a new page"));
    surface_->NewPage();
    ++pageNumber_;
}

void TQtPrinter::EndDoc() {
    if (!surface_) return;
    const bool ended = surface_->painter().end();
    surface_.reset();
    pageNumber_ = 0;
    if (!ended || printer_.printerState() == QPrinter::Error) {
        file_.reset();
        if (!target_.isEmpty()) printer_.setOutputFileName(target_);
        throw TListoraError(QStringLiteral("The print job could not be finished"));
    }
    finishFile();
}

void TQtPrinter::finishFile() {
    if (!file_) return;
    std::unique_ptr<TAtomicFile> file = std::move(file_);
    printer_.setOutputFileName(target_);
    // Qt does not report failed writes: a PDF cut short by a full disk
    // lacks its end marker.
    QFile written(file->temporaryPath());
    QByteArray tail;
    if (written.open(QIODevice::ReadOnly) && written.seek(std::max<qint64>(0, written.size() - 64)))
        tail = written.readAll();
    if (!tail.trimmed().endsWith("%%EOF")) {
        file->discard();
        throw TListoraError(
            QStringLiteral("Unable to write to %1: the file was cut short").arg(target_));
    }
    file->commit();
}

void TQtPrinter::Abort() {
    if (!surface_) return;
    printer_.abort();
    surface_->painter().end();
    surface_.reset();
    pageNumber_ = 0;
    aborted_ = true;
    // A cancelled job leaves the chosen file as it was.
    if (file_) {
        file_.reset();
        printer_.setOutputFileName(target_);
    }
}

IDrawSurface& TQtPrinter::Canvas() {
    if (!surface_) throw TListoraError(QStringLiteral("No print job is open"));
    return *surface_;
}

// Qt starts a queue in colour unless it cannot print colour at all. A job
// without options prints in the queue's default, which Qt reads as grey
// for a printer without colour and for one whose PPD defaults its
// ColorModel to Gray (or that has no PPD): the job is monochrome then too,
// and the print dialog starts there.
void useQueueColourMode(QPrinter& printer) {
    const QPrinterInfo queue(printer);
    if (!queue.isNull()) printer.setColorMode(queue.defaultColorMode());
}

TQtPrintDialog::TQtPrintDialog(QPrinter& printer, QWidget* parent)
    : printer_(printer), parent_(parent) {}

bool TQtPrintDialog::Execute(TPrintDialogSettings& s) {
    printer_.setCopyCount(s.Copies);
    QPrintDialog dialog(&printer_, parent_);
    QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintToFile;
    if (s.AllowPageNums) options |= QAbstractPrintDialog::PrintPageRange;
    if (s.AllowSelection) options |= QAbstractPrintDialog::PrintSelection;
    dialog.setOptions(options);
    dialog.setMinMax(s.MinPage, s.MaxPage);
    dialog.setFromTo(s.FromPage, s.ToPage);
    // The dialog keeps its file field to itself; it is the one line edit
    // named so in Qt's print widget.
    if (!proposedFile_.isEmpty() && printer_.outputFileName().isEmpty())
        if (auto* file = dialog.findChild<QLineEdit*>(QStringLiteral("filename")))
            file->setText(proposedFile_);
    // Qt's range buttons say "pages"; they count store pages, sheets here.
    if (s.RangeInSheets) {
        if (auto* from = dialog.findChild<QAbstractButton*>(QStringLiteral("printRange")))
            from->setText(QStringLiteral("Sheets from"));
        if (auto* list = dialog.findChild<QAbstractButton*>(QStringLiteral("pageRange")))
            list->setText(QStringLiteral("Sheets"));
    }
    dialog.setPrintRange(s.Range == TPrintRange::Selection  ? QAbstractPrintDialog::Selection
                         : s.Range == TPrintRange::PageNums ? QAbstractPrintDialog::PageRange
                                                            : QAbstractPrintDialog::AllPages);
    if (execModal(dialog) != QDialog::Accepted) return false;
    switch (dialog.printRange()) {
    case QAbstractPrintDialog::Selection:
        s.Range = TPrintRange::Selection;
        break;
    case QAbstractPrintDialog::PageRange:
        s.Range = TPrintRange::PageNums;
        s.FromPage = dialog.fromPage();
        s.ToPage = dialog.toPage();
        break;
    default:
        s.Range = TPrintRange::All;
        break;
    }
    s.Copies = printer_.copyCount();
    return true;
}
