#include "render/PrintPages.h"
#include "platform/Progress.h"
#include "render/PageStorage.h"
#include "render/RecordingSurface.h"
#include "render/VirtCanvas.h"

#include <QStringList>

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

namespace {

// Writes down the job events and, through its surface, the text printed on
// each sheet: "begin", "text:...", "new", "end", "abort".
class TRecordingPrinter : public IPrinter {
public:
    QStringList events;
    bool landscape = false;
    QString title;
    QString paper; // "WxH" the job asked for, empty: none
    int copies = -1;
    bool failNewPage = false;
    bool monochrome = false;

    class Surface : public TRecordingSurface {
    public:
        explicit Surface(TRecordingPrinter& p) : printer_(p) {}
        void TextOut(int x, int y, const QString& text) override {
            TRecordingSurface::TextOut(x, y, text);
            printer_.events << "text:" + text;
        }
        TRecordingPrinter& printer_;
    };
    Surface surface{*this};

    void SetOrientation(bool l) override { landscape = l; }
    void SetPaperSize(int w, int h) override { paper = QStringLiteral("%1x%2").arg(w).arg(h); }
    void SetTitle(const QString& t) override { title = t; }
    void SetCopies(int c) override { copies = c; }
    bool Monochrome() const override { return monochrome; }
    void BeginDoc() override {
        EXPECT_FALSE(open_) << "a job began while another was open";
        open_ = true;
        aborted_ = false;
        page_ = 1;
        events << "begin";
    }
    void NewPage() override {
        if (failNewPage) throw std::runtime_error("paper jam");
        ++page_;
        events << "new";
    }
    void EndDoc() override {
        open_ = false;
        events << "end";
    }
    void Abort() override {
        open_ = false;
        aborted_ = true;
        events << "abort";
    }
    int PageNumber() const override { return page_; }
    bool Aborted() const override { return aborted_; }
    bool Printing() const override { return open_; }
    IDrawSurface& Canvas() override {
        EXPECT_TRUE(open_) << "drawing outside a job";
        return surface;
    }

private:
    bool open_ = false;
    bool aborted_ = false;
    int page_ = 0;
};

class TFakeDialog : public IPrintDialog {
public:
    bool accept = true;
    TPrintDialogSettings seen;
    std::function<void(TPrintDialogSettings&)> choose;
    bool Execute(TPrintDialogSettings& s) override {
        seen = s;
        if (choose) choose(s);
        return accept;
    }
};

class TFakeStatus : public IPrintStatus {
public:
    int opened = 0, closed = 0;
    bool copyVisible = false;
    QString pageName;
    TPlainGauge copy, print, page;
    void Open() override { ++opened; }
    void Close() override { ++closed; }
    IGauge& CopyGauge() override { return copy; }
    IGauge& PrintGauge() override { return print; }
    IGauge& PageGauge() override { return page; }
    void SetCopyGaugeVisible(bool v) override { copyVisible = v; }
    void SetPageName(const QString& n) override { pageName = n; }
};

class THookProgress : public TNullProgress {
public:
    std::function<void()> hook;
    void processPendingMessages() override {
        if (hook) hook();
    }
};

class PrintPagesTest : public ::testing::Test {
protected:
    TRecordingPrinter printer;
    TFakeDialog dialog;
    TFakeStatus status;
    THookProgress progress;
    QList<bool> ownerStates;
    std::unique_ptr<TPageStorage> store;

    // n upright pages, each with one line naming it.
    void makeStore(int n) {
        store = std::make_unique<TPageStorage>();
        store->SetPageOrientation(false);
        store->ResetPageCanvas(nullptr, nullptr, nullptr);
        for (int i = 1; i <= n; ++i) {
            if (i > 1) store->AddPage();
            store->TextOut(10, 10, QStringLiteral("p%1").arg(i));
        }
    }

    TPrintServices services() {
        TPrintServices s;
        s.printer = &printer;
        s.dialog = &dialog;
        s.status = &status;
        s.progress = &progress;
        s.enableOwner = [this](bool on) { ownerStates << on; };
        return s;
    }

    TPrintOutcome print(bool showDialog = true) {
        return PrintPages(*store, showDialog, "Listora", services());
    }
};

} // namespace

TEST_F(PrintPagesTest, AllPagesGoIntoOneJobInPageOrderAndTheCursorComesBack) {
    makeStore(3);
    store->GoToPage(2);
    const TPrintOutcome out = print();
    EXPECT_EQ(printer.events,
              QStringList({"begin", "text:p1", "new", "text:p2", "new", "text:p3", "end"}));
    EXPECT_TRUE(out.Started);
    EXPECT_EQ(out.PagesPrinted, 3);
    EXPECT_EQ(printer.title, "Listora");
    EXPECT_FALSE(printer.landscape);
    // Letter pages leave the queue's paper alone.
    EXPECT_TRUE(printer.paper.isEmpty());
    EXPECT_EQ(printer.copies, 1);
    EXPECT_EQ(ownerStates, QList<bool>({false, true}));
    EXPECT_EQ(status.opened, 1);
    EXPECT_EQ(status.closed, 1);
    EXPECT_FALSE(status.copyVisible);
    EXPECT_TRUE(status.pageName.isEmpty());
    EXPECT_EQ(store->CurrentPageNumber(), 2);
    // The dialog was offered the whole store and no selection.
    EXPECT_EQ(dialog.seen.MaxPage, 3);
    EXPECT_EQ(dialog.seen.ToPage, 3);
    EXPECT_FALSE(dialog.seen.AllowSelection);
}

TEST_F(PrintPagesTest, RangesAndSelectionsPrintOnlyTheirPagesFromTheFirstSheet) {
    makeStore(6);
    dialog.choose = [](TPrintDialogSettings& s) {
        s.Range = TPrintRange::PageNums;
        s.FromPage = 3;
        s.ToPage = 5;
    };
    print();
    EXPECT_EQ(printer.events,
              QStringList({"begin", "text:p3", "new", "text:p4", "new", "text:p5", "end"}));

    store->SetPageMarked(5, true);
    store->SetPageMarked(2, true);
    printer.events.clear();
    dialog.choose = [](TPrintDialogSettings& s) { s.Range = TPrintRange::Selection; };
    print();
    EXPECT_TRUE(dialog.seen.AllowSelection);
    EXPECT_EQ(printer.events, QStringList({"begin", "text:p2", "new", "text:p5", "end"}));

    // A range beyond the store is cut to it rather than printing nothing.
    printer.events.clear();
    TPrintDialogSettings preset = PreparePrintSettings(*store);
    preset.Range = TPrintRange::PageNums;
    preset.FromPage = 6;
    preset.ToPage = 40;
    PrintPages(*store, false, "Listora", services(), &preset);
    EXPECT_EQ(printer.events, QStringList({"begin", "text:p6", "end"}));
}

TEST_F(PrintPagesTest, EachCopyIsItsOwnJobStartingOnItsFirstSheet) {
    makeStore(2);
    dialog.choose = [](TPrintDialogSettings& s) { s.Copies = 2; };
    const TPrintOutcome out = print();
    EXPECT_EQ(printer.events, QStringList({"begin", "text:p1", "new", "text:p2", "end", "begin",
                                           "text:p1", "new", "text:p2", "end"}));
    EXPECT_EQ(out.Jobs, 2);
    EXPECT_EQ(printer.copies, 1); // not multiplied by the printer too
    EXPECT_TRUE(status.copyVisible);
    EXPECT_EQ(status.copy.maximum(), 2);
    EXPECT_EQ(status.copy.position(), 0);
}

TEST_F(PrintPagesTest, CancelAbortsTheJobAndSkipsTheRestOfTheRun) {
    makeStore(4);
    store->GoToPage(3);
    dialog.choose = [](TPrintDialogSettings& s) { s.Copies = 3; };
    // The user presses Cancel while page 2 of the first copy is printing.
    progress.hook = [this] {
        if (status.pageName == "Page 2") SetPrintCancelled(true);
    };
    const TPrintOutcome out = print();
    EXPECT_EQ(printer.events, QStringList({"begin", "text:p1", "new", "text:p2", "abort"}));
    EXPECT_FALSE(printer.Printing());
    EXPECT_TRUE(out.Cancelled);
    EXPECT_EQ(out.Jobs, 1);
    EXPECT_EQ(ownerStates.last(), true);
    EXPECT_EQ(status.closed, 1);
    EXPECT_EQ(store->CurrentPageNumber(), 3);

    // The next run starts afresh.
    progress.hook = nullptr;
    printer.events.clear();
    dialog.choose = nullptr;
    EXPECT_FALSE(print().Cancelled);
    EXPECT_EQ(printer.events.size(), 9);
}

TEST_F(PrintPagesTest, ACancelledDialogPrintsNothingAndShowsNoStatus) {
    makeStore(2);
    dialog.accept = false;
    const TPrintOutcome out = print();
    EXPECT_FALSE(out.Started);
    EXPECT_TRUE(printer.events.isEmpty());
    EXPECT_EQ(status.opened, 0);
    EXPECT_TRUE(ownerStates.isEmpty());
}

TEST_F(PrintPagesTest, ThePrintableAreaIsReadOnceAndForgottenAfterwards) {
    makeStore(3);
    printer.surface.clip = QRect(0, 0, 400, 500);
    progress.hook = [this] {
        // A printer that reports another area later must not change the run.
        if (status.pageName == "Page 2") printer.surface.clip = QRect(0, 0, 10, 10);
    };
    print();
    // The letter page in its proportions in the area read at the start.
    EXPECT_EQ(printer.surface.ViewportExt(), QSize(386, 500));
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(store->Page(n)->Canvas->PlayRect(), TPlayRect{}) << "page " << n;
}

TEST_F(PrintPagesTest, APrinterFailureAbortsTheJobAndRestoresTheWindow) {
    makeStore(3);
    store->GoToPage(2);
    printer.failNewPage = true;
    EXPECT_THROW(print(), std::runtime_error);
    EXPECT_EQ(printer.events, QStringList({"begin", "text:p1", "abort"}));
    EXPECT_FALSE(printer.Printing());
    EXPECT_EQ(ownerStates, QList<bool>({false, true}));
    EXPECT_EQ(status.closed, 1);
    EXPECT_EQ(store->CurrentPageNumber(), 2);
}

TEST_F(PrintPagesTest, AListingOnA4AsksForA4) {
    store = std::make_unique<TPageStorage>();
    store->SetPaper(TPaper::A4);
    store->SetPageOrientation(true);
    store->ResetPageCanvas(nullptr, nullptr, nullptr);
    store->TextOut(10, 10, QStringLiteral("p1"));
    print();
    EXPECT_EQ(printer.paper, "794x1123");
    EXPECT_TRUE(printer.landscape);
}

TEST_F(PrintPagesTest, AMonochromePrinterGetsTheChangeMarksBlackAndEveryOtherColourAsRecorded) {
    makeStore(1);
    TVirtCanvas& page = store->Canvas();
    const TColor userColour = rgbColor(200, 30, 30);
    page.SetBrushColor(kChangeBarColor); // a change bar
    page.FillRect(1, 20, 4, 36);
    page.SetPenColor(kChangeBarColor); // a deletion wedge
    page.MoveTo(1, 40);
    page.LineTo(4, 43);
    page.SetBrushColor(userColour); // a shade band in the user's colour
    page.FillRect(10, 50, 100, 60);
    // One recording played both ways, either way round.
    for (const bool monochrome : {true, false, true}) {
        SCOPED_TRACE(monochrome ? "monochrome" : "colour");
        printer.monochrome = monochrome;
        printer.surface.calls.clear();
        print();
        const auto fills = printer.surface.callsOf("FillRect");
        const auto lines = printer.surface.callsOf("LineTo");
        ASSERT_EQ(fills.size(), 2u);
        ASSERT_EQ(lines.size(), 1u);
        const TColor mark = monochrome ? clBlack : kChangeBarColor;
        EXPECT_EQ(fills[0].brush.color, mark);
        EXPECT_EQ(lines[0].pen.color, mark);
        EXPECT_EQ(fills[1].brush.color, userColour);
    }
}
