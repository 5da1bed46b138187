#include "common/TestSupport.h"
#include "format/SourceCodePrint.h"
#include "platform/IniFile.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/QtPrinter.h"
#include "render/PageStorage.h"
#include "render/PrintPages.h"
#include "render/VirtCanvas.h"
#include "render/ui/PrintRun.h"
#include "render/ui/PrintStatus.h"
#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <memory>

namespace {

std::unique_ptr<TPageStorage> makeStore(int n) {
    auto store = std::make_unique<TPageStorage>();
    store->SetPageOrientation(false);
    store->ResetPageCanvas(nullptr, nullptr, nullptr);
    for (int i = 1; i <= n; ++i) {
        if (i > 1) store->AddPage();
        store->TextOut(40, 40, QStringLiteral("Printed line %1").arg(i));
    }
    return store;
}

// Runs a poppler tool on a PDF; empty when the tool is missing.
QString poppler(const QString& tool, const QStringList& args) {
    if (QStandardPaths::findExecutable(tool).isEmpty()) return QString();
    QProcess p;
    p.start(tool, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPages(const QString& file) {
    const QString info = poppler("pdfinfo", {file});
    for (const QString& line : info.split('\n'))
        if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
    return -1;
}

// The document of the CUPS job with this title, as cupsd keeps it in its
// spool (control file cNNNNN, document dNNNNN-001).
// The document CUPS received for a job: cups-pdf names its output after the
// job ("...-job_20.pdf"), and the spool keeps that job's document as
// d00020-001. The control files are written lazily, so they are only the
// fallback.
QString spooledDocument(const QString& title, const QString& cupsPdfOutput) {
    const QDir spool(qEnvironmentVariable("LISTORA_CUPS_SPOOL", "/var/spool/cups"));
    const QRegularExpressionMatch job =
        QRegularExpression("job_(\\d+)\\.pdf$").match(cupsPdfOutput);
    if (job.hasMatch()) {
        const QString doc = spool.filePath(
            QStringLiteral("d%1-001").arg(job.captured(1).toInt(), 5, 10, QChar('0')));
        if (QFileInfo::exists(doc)) return doc;
    }
    for (const QString& name : spool.entryList({"c*"}, QDir::Files, QDir::Time)) {
        QFile control(spool.filePath(name));
        if (!control.open(QIODevice::ReadOnly) || !control.readAll().contains(title.toUtf8()))
            continue;
        const QString doc = spool.filePath("d" + name.mid(1) + "-001");
        if (QFileInfo::exists(doc)) return doc;
    }
    return QString();
}

// Pumps events like the real run, and on the first call for page `at`
// queues a click on the status window's Cancel button, as a user would.
class TClickingPump : public TEventPump {
public:
    TfrmPrintStatus* status = nullptr;
    QWidget* owner = nullptr;
    QString at;
    bool clickQueued = false;
    bool ownerWasEnabled = true;
    bool cancelWasEnabled = false;
    void processPendingMessages() override {
        if (status && status->lblPageName->text() == at && !clickQueued) {
            clickQueued = true;
            ownerWasEnabled = owner->isEnabled();
            cancelWasEnabled = status->sbCancel->isEnabled() && status->isVisible();
            QTimer::singleShot(0, status->sbCancel, &QToolButton::click);
        }
        TEventPump::processPendingMessages();
    }
};

} // namespace

// A letter listing printed on A4: the page keeps its proportions, scaled to
// the paper's width and centred down it, rather than stretched to fill it.
TEST(Printing, OtherPaperScalesThePageUniformlyAndCentresIt) {
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty())
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    QTemporaryDir dir;
    auto store = makeStore(1);
    const int w = store->Page(1)->Width, h = store->Page(1)->Height;
    ASSERT_EQ(w, 816);
    store->Canvas().SetBrush(TBrush{clBlack, TBrushStyle::Solid});
    store->Canvas().FillRect(0, 0, w, h);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("a4.pdf"));
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setFullPage(true);
    TQtPrinter qtPrinter(printer);
    TPrintServices services;
    services.printer = &qtPrinter;
    ASSERT_EQ(PrintPages(*store, false, "Listora", services).PagesPrinted, 1);

    poppler("pdftoppm",
            {"-r", "50", "-png", "-singlefile", dir.filePath("a4.pdf"), dir.filePath("a4")});
    const QImage image(dir.filePath("a4.png"));
    ASSERT_FALSE(image.isNull());
    EXPECT_NEAR(double(image.width()) / image.height(), 210.0 / 297, 0.01) << "A4 paper";
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, left);
    const double drawnW = right - left + 1, drawnH = bottom - top + 1;
    EXPECT_NEAR(drawnW / drawnH, double(w) / h, 0.01) << "not distorted";
    EXPECT_LE(left, 1);
    EXPECT_GE(right, image.width() - 2) << "as wide as the paper";
    EXPECT_GT(top, 5) << "shorter than the paper";
    EXPECT_NEAR(top, image.height() - 1 - bottom, 1.5) << "centred";
}

TEST(Printing, CancelInTheStatusWindowWorksWhileTheOwnerIsDisabled) {
    QTemporaryDir dir;
    auto store = makeStore(4);
    store->GoToPage(2);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("cancelled.pdf"));
    testsupport::writeFile(dir.filePath("cancelled.pdf"), "previous");
    TQtPrinter qtPrinter(printer);
    TfrmPrintStatus status;
    QWidget owner;
    owner.show();
    TClickingPump pump;
    pump.status = &status;
    pump.owner = &owner;
    pump.at = "Page 2";

    TPrintServices services;
    services.printer = &qtPrinter;
    services.status = &status;
    services.progress = &pump;
    services.enableOwner = [&](bool on) { owner.setEnabled(on); };
    TPrintDialogSettings settings = PreparePrintSettings(*store);
    settings.Copies = 3;
    const TPrintOutcome out = PrintPages(*store, false, "Listora", services, &settings);

    ASSERT_TRUE(pump.clickQueued);
    EXPECT_FALSE(pump.ownerWasEnabled);
    EXPECT_TRUE(pump.cancelWasEnabled);
    EXPECT_TRUE(out.Cancelled);
    EXPECT_EQ(out.Jobs, 1);
    EXPECT_EQ(out.PagesPrinted, 2);
    EXPECT_FALSE(qtPrinter.Printing());
    EXPECT_EQ(status.PageGaugeBar->boxColour(), QColor(255, 0, 0));
    EXPECT_FALSE(status.isVisible());
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_EQ(store->CurrentPageNumber(), 2);
    // A cancelled job to a file leaves the file as it was.
    EXPECT_EQ(testsupport::readFile(dir.filePath("cancelled.pdf")), "previous");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"cancelled.pdf"});

    // The next run starts navy again, with its clip when graphics.dat is there.
    status.Open();
    EXPECT_EQ(status.PageGaugeBar->boxColour(), QColor(0, 0, 128));
    if (QFileInfo::exists(QDir(QCoreApplication::applicationDirPath()).filePath("graphics.dat"))) {
        EXPECT_TRUE(status.ASPrint->Playing());
    }
    status.Close();
    EXPECT_FALSE(status.ASPrint->HasClip());
}

// Prints the example project to a real CUPS queue that writes PDF files
// (cups-pdf), when there is one: LISTORA_CUPS_QUEUE names it ("PDF" by
// default), LISTORA_CUPS_OUT the folder it writes to (~/PDF by default)
// and LISTORA_CUPS_SPOOL the spool of cupsd.
TEST(Printing, TheExampleListingComesOutOfACupsPdfQueue) {
    const QString queue = qEnvironmentVariable("LISTORA_CUPS_QUEUE", "PDF");
    const QPrinterInfo info = QPrinterInfo::printerInfo(queue);
    if (info.isNull())
        GTEST_SKIP() << "no CUPS queue \"" << queue.toStdString()
                     << "\" is reachable (start cupsd with a cups-pdf queue; see .ci/run)";
    if (QStandardPaths::findExecutable("pdfinfo").isEmpty())
        GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
    const QString project = testsupport::sourceDir() + "/examples/Demo/Demo.vbp";
    ASSERT_TRUE(QFileInfo::exists(project));

    TIniFile::setSettingsFileOverride(testsupport::sourceDir() + "/examples/Demo/listing.ini");
    TNullProgress progress;
    TSourceCodePrint formatter(&progress);
    formatter.LoadSettings();
    formatter.SetPageDefaults(TFont(QStringLiteral("Arial"), 10), TPen{},
                              TBrush{clWhite, TBrushStyle::Solid});
    TSourceMgt sources(&progress, formatter.Settings.CodePage);
    formatter.JobTitle = testsupport::loadProject(sources, project);
    formatter.BuildProject(sources.FirstFile(), sources);
    TIniFile::setSettingsFileOverride(QString());
    const int pageCount = formatter.Pages.PageCount();
    ASSERT_GT(pageCount, 1);

    // cups-pdf writes to the user's ~/PDF, or its spool for anonymous jobs.
    const QStringList outDirs = qEnvironmentVariableIsSet("LISTORA_CUPS_OUT")
                                    ? QStringList{qEnvironmentVariable("LISTORA_CUPS_OUT")}
                                    : QStringList{QDir::homePath() + "/PDF", "/var/spool/cups-pdf"};
    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
    const QString title =
        QStringLiteral("ListoraCupsTest%1").arg(QDateTime::currentMSecsSinceEpoch());
    QPrinter printer(info, QPrinter::HighResolution);
    const TPrintOutcome out = PrintOnPrinter(formatter.Pages, false, title, nullptr, &printer);
    ASSERT_EQ(out.PagesPrinted, pageCount);

    // cups-pdf names its file after the job title; wait for it to appear
    // and stop growing.
    QString found;
    QElapsedTimer clock;
    clock.start();
    while (found.isEmpty() && clock.elapsed() < 90000) {
        for (const QString& outDir : outDirs) {
            QDirIterator it(outDir, {"*.pdf"}, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QFileInfo fi(it.next());
                if (fi.fileName().contains(title) && fi.lastModified() >= started)
                    found = fi.filePath();
            }
        }
        if (found.isEmpty()) QThread::msleep(250);
    }
    ASSERT_FALSE(found.isEmpty()) << "no PDF for job " << title.toStdString() << " in "
                                  << outDirs.join(", ").toStdString();
    int pages = -1;
    for (int i = 0; i < 40 && (pages = pdfPages(found)) != pageCount; ++i)
        QThread::msleep(250);
    EXPECT_EQ(pages, pageCount) << found.toStdString();
    const QString firstLine = "Attribute VB_Name = \"frmLedger\"";
    QString text = poppler("pdftotext", {found, "-"});
    if (!text.contains(firstLine)) {
        // cups-pdf goes through PostScript and ghostscript, which can leave
        // the fonts without their Unicode tables: then the text is read
        // from the document CUPS received for this job.
        const QString doc = spooledDocument(title, found);
        ASSERT_FALSE(doc.isEmpty()) << "the PDF has no readable text and the job's document is "
                                       "not in the CUPS spool";
        EXPECT_EQ(pdfPages(doc), pageCount);
        text = poppler("pdftotext", {doc, "-"});
    }
    EXPECT_TRUE(text.contains(firstLine)) << text.left(400).toStdString();
}

TEST(Printing, ThePrintDialogOffersTheSelectionOnlyWhenAPageIsMarked) {
    auto store = makeStore(4);
    QPrinter printer(QPrinter::HighResolution);
    TQtPrintDialog dialog(printer, nullptr);
    dialog.ProposeFile("/projects/Demo.pdf");
    bool offered = true;
    QAbstractPrintDialog::PrintRange preset = QAbstractPrintDialog::PageRange;
    QString proposed;
    QString rangeText;
    setModalRunner([&](QDialog& d) {
        auto& pd = static_cast<QPrintDialog&>(d);
        offered = pd.testOption(QAbstractPrintDialog::PrintSelection);
        preset = pd.printRange();
        if (auto* file = pd.findChild<QLineEdit*>("filename")) proposed = file->text();
        if (auto* range = pd.findChild<QAbstractButton*>("printRange")) rangeText = range->text();
        EXPECT_EQ(pd.maxPage(), 4);
        pd.setPrintRange(offered ? QAbstractPrintDialog::Selection
                                 : QAbstractPrintDialog::PageRange);
        pd.setFromTo(2, 3);
        printer.setCopyCount(3);
        return int(QDialog::Accepted);
    });
    TPrintDialogSettings s = PreparePrintSettings(*store);
    ASSERT_TRUE(dialog.Execute(s));
    EXPECT_FALSE(offered);
    EXPECT_EQ(preset, QAbstractPrintDialog::AllPages);
    EXPECT_EQ(proposed, "/projects/Demo.pdf") << "not Qt's print.pdf in the current folder";
    EXPECT_EQ(s.Range, TPrintRange::PageNums);
    EXPECT_EQ(s.FromPage, 2);
    EXPECT_EQ(s.ToPage, 3);
    EXPECT_EQ(s.Copies, 3);

    store->SetPageMarked(3, true);
    s = PreparePrintSettings(*store);
    ASSERT_TRUE(dialog.Execute(s));
    EXPECT_TRUE(offered);
    EXPECT_EQ(preset, QAbstractPrintDialog::Selection) << "the marked pages are chosen";
    EXPECT_EQ(s.Range, TPrintRange::Selection);
    EXPECT_NE(rangeText, "Sheets from");

    // Two pages a sheet: the range counts sheets and says so.
    for (int n = 1; n <= 4; ++n)
        store->Page(n)->Navigation.Label = QString("%1-%2").arg(2 * n - 1).arg(2 * n);
    s = PreparePrintSettings(*store);
    ASSERT_TRUE(dialog.Execute(s));
    EXPECT_EQ(rangeText, "Sheets from");

    setModalRunner([](QDialog&) { return int(QDialog::Rejected); });
    EXPECT_FALSE(dialog.Execute(s));
    setModalRunner(nullptr);
}

TEST(Printing, ThePdfProposedIsTheLastOneForTheSameSourceElseBesideIt) {
    struct TCase {
        QString source, lastSource, lastPdf, expected;
    };
    const TCase cases[] = {
        {"/p/Demo.vbp", "", "", "/p/Demo.pdf"},
        {"/p/Demo.vbp", "/p/Demo.vbp", "/out/Ledger listing.pdf", "/out/Ledger listing.pdf"},
        {"/p/Demo.vbp", "/q/Other.vbp", "/out/Other.pdf", "/p/Demo.pdf"},
        {"/p/my.file.bas", "", "", "/p/my.file.pdf"},
        {"", "", "", "/home/u/Clipboard.pdf"},
        {"", "/q/Other.vbp", "/out/Other.pdf", "/out/Clipboard.pdf"},
        {"", "", "/out/Clipboard.pdf", "/out/Clipboard.pdf"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(proposedPdfFile(c.source, c.lastSource, c.lastPdf, "/home/u"), c.expected)
            << c.source.toStdString() << " after " << c.lastPdf.toStdString();
}
