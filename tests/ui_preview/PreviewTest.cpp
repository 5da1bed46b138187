#include "render/ui/Preview.h"
#include "platform/IniFile.h"
#include "render/PageStorage.h"
#include "render/SheetCount.h"

#include <QFile>
#include <QScrollArea>
#include <QWheelEvent>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QSpinBox>
#include <QToolBar>

#include <gtest/gtest.h>
#include <memory>

namespace {

const QColor kGrey(128, 128, 128);
const QColor kMaroon(128, 0, 0);

class PreviewTest : public ::testing::Test {
protected:
    // Each test starts without the size and zoom an earlier one left.
    void SetUp() override { QFile::remove(TIniFile().fileName()); }
    void TearDown() override {
        frm.reset();
        QFile::remove(TIniFile().fileName());
    }

    std::unique_ptr<TPageStorage> store;
    std::unique_ptr<TfrmPreview> frm;

    // n upright pages, each with a line of text, in a preview whose page box
    // is box (the window is resized until it is).
    void open(int n, QSize box, bool landscape = false) {
        frm.reset();
        store = std::make_unique<TPageStorage>();
        store->SetPageOrientation(landscape);
        store->ResetPageCanvas(nullptr, nullptr, nullptr);
        for (int i = 1; i <= n; ++i) {
            if (i > 1) store->AddPage();
            store->TextOut(40, 40, QStringLiteral("Page text %1").arg(i));
        }
        store->FirstPage();
        frm = std::make_unique<TfrmPreview>();
        frm->SetPageStorage(store.get());
        frm->show();
        QApplication::processEvents();
        setBox(box);
    }

    void setBox(QSize box) {
        for (int tries = 0; tries < 4 && frm->PageBoxSize() != box; ++tries) {
            frm->resize(frm->size() + box - frm->PageBoxSize());
            QApplication::processEvents();
        }
        ASSERT_EQ(frm->PageBoxSize(), box);
    }

    void zoom(const QString& entry) {
        frm->cbZoom->setCurrentIndex(frm->cbZoom->findText(entry));
        frm->ZoomChanged();
    }

    QList<int> shownPages() const {
        QList<int> out;
        for (int n = 1; n <= store->PageCount(); ++n)
            if (frm->PictureOf(n)) out << n;
        return out;
    }

    void key(QWidget* target, int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, code, modifiers);
        QApplication::sendEvent(target, &press);
    }

    // The colour of the right-hand shadow strip of page n.
    QColor shadowOf(int n) const {
        const QImage& img = frm->PictureOf(n)->Picture();
        return img.pixelColor(img.width() - 1, img.height() / 2);
    }
};

} // namespace

TEST_F(PreviewTest, ZoomEntriesSizeTheCellsAndSayTheirPercentage) {
    open(12, QSize(600, 500));
    // The first drawing fits page 1 into the box, one page.
    EXPECT_EQ(shownPages(), QList<int>({1}));
    EXPECT_EQ(frm->ZoomFactor(), 50);

    zoom("Page Width");
    EXPECT_EQ(frm->PictureOf(1)->geometry(), QRect(15, 20, 555, 723));
    EXPECT_EQ(frm->cbZoom->currentText(), "70%");
    EXPECT_EQ(frm->Shadow(), 9);

    zoom("200%");
    EXPECT_EQ(frm->ZoomFactor(), 130); // drawn smaller than it says
    EXPECT_EQ(frm->PictureOf(1)->width(), 1061 - 15);

    // A wide box at 10 % lays pages out side by side, as many as fit.
    zoom("10%");
    setBox(QSize(1000, 500));
    EXPECT_EQ(shownPages().size(), (1000 - 15) / (82 + 15));
    EXPECT_EQ(frm->LastShownPage(), 10);
    // Pages sit in one row, each in its own cell.
    EXPECT_EQ(frm->PictureOf(2)->y(), frm->PictureOf(1)->y());
    EXPECT_EQ(frm->PictureOf(1)->x(), 15);

    zoom("Two Pages");
    EXPECT_EQ(shownPages(), QList<int>({1, 2}));
    EXPECT_TRUE(frm->actFourPages->isChecked());
}

TEST_F(PreviewTest, TwoPagesShowsBothSheetsWholeAndTheKeysZoomAndJump) {
    open(5, QSize(800, 500), true);
    zoom("Two Pages");
    ASSERT_EQ(shownPages(), QList<int>({1, 2}));
    const QRect box(QPoint(0, 0), frm->PageBoxSize());
    for (int n : {1, 2}) {
        const QRect page = frm->PictureOf(n)->geometry();
        EXPECT_TRUE(box.contains(page)) << "page " << n << " cut off";
        EXPECT_NEAR(double(page.width()) / page.height(), 11 / 8.5, 0.03);
    }

    key(frm.get(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(frm->FirstShownPage(), 5);
    key(frm.get(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(frm->FirstShownPage(), 1);
    EXPECT_TRUE(frm->isVisible()) << "Ctrl+Home is not Home";

    zoom("50%");
    key(frm.get(), Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(frm->cbZoom->currentText(), "75%");
    key(frm.get(), Qt::Key_Minus, Qt::ControlModifier);
    key(frm.get(), Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(frm->cbZoom->currentText(), "25%");
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(frm->sbPages->viewport(), &wheel);
    EXPECT_EQ(frm->cbZoom->currentText(), "50%");

    // Reopened, the window has the size and zoom it was left with.
    frm->resize(700, 520);
    const QSize size = frm->size();
    frm->close();
    TfrmPreview again;
    again.SetPageStorage(store.get());
    again.show();
    EXPECT_EQ(again.size(), size);
    EXPECT_EQ(again.cbZoom->currentText(), "50%");
    EXPECT_EQ(again.ZoomFactor(), 50);
}

TEST_F(PreviewTest, FourPageViewNearTheEndLeavesTheSecondRowEmpty) {
    open(4, QSize(600, 500));
    store->GoToPage(3);
    frm->FourPages();
    EXPECT_EQ(shownPages(), QList<int>({3, 4}));
    EXPECT_EQ(frm->PictureOf(3)->y(), frm->PictureOf(4)->y());
    EXPECT_LT(frm->PictureOf(3)->x(), frm->PictureOf(4)->x());
    EXPECT_EQ(frm->FirstShownPage(), 3);
    EXPECT_EQ(store->CurrentPageNumber(), 3);
    EXPECT_EQ(frm->pnlCurrentPage->text(), "Page 3");
    // Square grids centre each page in its cell without the extra move.
    const int cellW = qRound((600 - 30 - 30) / 2.0);
    EXPECT_EQ(frm->PictureOf(4)->x() - frm->PictureOf(3)->x(), cellW);
}

TEST_F(PreviewTest, NavigationFollowsTheFirstShownPage) {
    open(2, QSize(400, 400));
    EXPECT_FALSE(frm->actFourPages->isEnabled());
    EXPECT_FALSE(frm->actRedraw->isEnabled());
    EXPECT_FALSE(frm->actFirst->isEnabled());
    EXPECT_TRUE(frm->actNext->isEnabled());

    key(frm.get(), Qt::Key_PageDown);
    EXPECT_EQ(frm->FirstShownPage(), 2);
    EXPECT_FALSE(frm->actNext->isEnabled());
    EXPECT_FALSE(frm->actLast->isEnabled());
    EXPECT_TRUE(frm->actPrevious->isEnabled());
    frm->Next(); // pressed anyway: nothing happens
    EXPECT_EQ(frm->FirstShownPage(), 2);
    EXPECT_EQ(store->CurrentPageNumber(), 2);

    // Keys reach the window before the control that has the focus.
    frm->cbZoom->setFocus();
    key(frm->cbZoom, Qt::Key_PageUp);
    EXPECT_EQ(frm->FirstShownPage(), 1);

    open(3, QSize(400, 400));
    EXPECT_TRUE(frm->actFourPages->isEnabled());
    EXPECT_TRUE(frm->actRedraw->isEnabled());
    frm->Last();
    EXPECT_EQ(shownPages(), QList<int>({3}));
}

TEST_F(PreviewTest, ClickingAPageTogglesItsMarkAndShadow) {
    open(3, QSize(600, 500));
    EXPECT_EQ(shadowOf(1), kGrey);
    auto click = [&] {
        TPagePicture* p = frm->PictureOf(1);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(20, 20),
                          p->mapToGlobal(QPointF(20, 20)), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(p, &press);
    };
    click();
    EXPECT_TRUE(store->IsPageMarked(1));
    EXPECT_EQ(shadowOf(1), kMaroon);
    click();
    EXPECT_FALSE(store->IsPageMarked(1));
    EXPECT_EQ(shadowOf(1), kGrey);
    // The corner squares stay silver so the shadow only runs along two edges.
    const QImage& img = frm->PictureOf(1)->Picture();
    EXPECT_EQ(img.pixelColor(img.width() - 1, 0), QColor(192, 192, 192));

    // A marked page keeps its coloured shadow when drawn again.
    store->SetPageMarked(2, true);
    frm->Next();
    EXPECT_EQ(shadowOf(2), kMaroon);
}

TEST_F(PreviewTest, ThePageNumberEditorGoesToAPageOrClosesAlone) {
    open(5, QSize(600, 500));
    frm->FourPages();
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frm->pnlCurrentPage, &dbl);
    ASSERT_TRUE(frm->Editing());
    EXPECT_TRUE(frm->pnlCurrentPage->isHidden());
    EXPECT_EQ(frm->seGotoPage->maximum(), 5);

    // Escape closes only the editor.
    frm->seGotoPage->setValue(4);
    key(frm->seGotoPage, Qt::Key_Escape);
    EXPECT_FALSE(frm->Editing());
    EXPECT_TRUE(frm->isVisible());
    EXPECT_EQ(frm->FirstShownPage(), 1);
    EXPECT_FALSE(frm->pnlCurrentPage->isHidden());

    // Enter goes to the page in the one-page view.
    frm->OpenPageEditor();
    frm->seGotoPage->setValue(4);
    key(frm->seGotoPage, Qt::Key_Return);
    EXPECT_FALSE(frm->Editing());
    EXPECT_EQ(frm->FirstShownPage(), 4);
    EXPECT_EQ(shownPages(), QList<int>({4}));
    EXPECT_TRUE(frm->actOnePage->isChecked());

    // Escape without the editor closes the window and releases the pictures.
    key(frm.get(), Qt::Key_Escape);
    EXPECT_FALSE(frm->isVisible());
    EXPECT_TRUE(shownPages().isEmpty());
}

// A sheet is not always a page: with two pages a sheet the counters say
// which pages a sheet carries, and the total counts both.
TEST_F(PreviewTest, TheCountersSayWhetherTheyCountSheetsOrPages) {
    struct TCase {
        QStringList labels;
        QString total;
        QStringList captions;
    };
    const TCase cases[] = {
        {{"Title", "1-2", "3-4"}, "3 Sheets, 5 Pages", {"Sheet 1: Title", "Sheet 2: pages 1-2"}},
        {{"1", "2"}, "2 Pages", {"Page 1", "Page 2"}},
        {{"Contents", "1"}, "2 Pages", {"Sheet 1: Contents", "Sheet 2: page 1"}},
        {{"1-2"}, "1 Sheet, 2 Pages", {"Sheet 1: pages 1-2"}},
        {{""}, "1 Page", {"Page 1"}},
    };
    for (const TCase& c : cases) {
        open(int(c.labels.size()), QSize(600, 400), true);
        for (int n = 1; n <= store->PageCount(); ++n)
            store->Page(n)->Navigation.Label = c.labels[n - 1];
        frm->SetPageStorage(store.get());
        frm->First();
        EXPECT_EQ(frm->pnlTotalPages->text(), c.total);
        for (int n = 1; n <= int(c.captions.size()); ++n) {
            store->GoToPage(n);
            frm->ShowPages();
            const QString shown = frm->pnlCurrentPage->text();
            EXPECT_EQ(shown, c.captions[n - 1]);
            EXPECT_GE(frm->pnlCurrentPage->contentsRect().width(),
                      frm->pnlCurrentPage->fontMetrics().horizontalAdvance(shown))
                << shown.toStdString() << " is cut";
        }
    }
    // Unlabelled sheets (a listing laid out two pages a sheet without its
    // labels) count as the layout says.
    EXPECT_EQ(sheetCountText(countSheets(*store, true)), "1 Sheet, 2 Pages");
}

// Home closes the preview, except while the zoom box has the focus: there
// it moves the cursor to the start of the typed percentage.
TEST_F(PreviewTest, HomeTypedIntoTheZoomBoxStaysThere) {
    open(3, QSize(600, 500));
    frm->cbZoom->lineEdit()->setFocus();
    frm->cbZoom->setEditText("150%");
    frm->cbZoom->lineEdit()->setCursorPosition(3);
    key(frm->cbZoom->lineEdit(), Qt::Key_Home);
    EXPECT_TRUE(frm->isVisible());
    EXPECT_EQ(frm->cbZoom->lineEdit()->cursorPosition(), 0);
    frm->sbPages->setFocus();
    key(frm->sbPages, Qt::Key_Home);
    EXPECT_FALSE(frm->isVisible());
}

// The first opening fills most of the screen, as document viewers do; a
// large interface font still fits the status line.
TEST_F(PreviewTest, FirstOpeningTakesMostOfTheScreenAndTheStatusFitsALargeFont) {
    const QFont before = QApplication::font();
    QFont large = before;
    large.setPointSize(12);
    QApplication::setFont(large);
    store = std::make_unique<TPageStorage>();
    store->ResetPageCanvas(nullptr, nullptr, nullptr);
    frm = std::make_unique<TfrmPreview>();
    frm->SetPageStorage(store.get());
    frm->show();
    QApplication::processEvents();
    const QRect available = frm->screen()->availableGeometry();
    EXPECT_GE(frm->width(), available.width() * 3 / 4);
    EXPECT_GE(frm->height(), available.height() * 3 / 4);
    for (QLabel* panel : {frm->pnlHint, frm->pnlCurrentPage, frm->pnlTotalPages})
        EXPECT_GE(panel->height(), panel->sizeHint().height()) << panel->text().toStdString();
    EXPECT_EQ(frm->pnlHint->text(), frm->Hint()) << "the hint is cut";
    // Narrower, it is shortened with an ellipsis; hovering shows it whole.
    frm->resize(400, frm->height());
    QApplication::processEvents();
    EXPECT_TRUE(frm->pnlHint->text().endsWith(QChar(0x2026))) << frm->pnlHint->text().toStdString();
    EXPECT_EQ(frm->pnlHint->toolTip(), frm->Hint());
    frm.reset();
    QApplication::setFont(before);
}
