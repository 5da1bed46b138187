#include "render/PageStorage.h"

#include <QObject>
#include <QPointer>
#include <QVariant>

#include <gtest/gtest.h>

TEST(PageStorage, StartsLandscapeAndTurnsOnlyWhileThePageIsEmpty) {
    TPageStorage store;
    EXPECT_EQ(store.PageCount(), 1);
    EXPECT_EQ(store.Canvas().PageWidth(), 1056);
    EXPECT_EQ(store.DeviceScaleY(2.5), -2); // Round(-2.5), halves to even
    EXPECT_TRUE(store.SetPageOrientation(false));
    EXPECT_EQ(store.CurrentPage().Width, 816);
    EXPECT_EQ(store.Canvas().PageHeight(), 1056);
    store.TextOut(10, 10, "text");
    EXPECT_FALSE(store.SetPageOrientation(true));
    EXPECT_FALSE(store.CurrentPage().Landscape);
    EXPECT_EQ(store.Canvas().PageWidth(), 816);
    EXPECT_EQ(store.Canvas().CommandCount(), 1);
}

TEST(PageStorage, NewPagesInheritSizeAndDrawingState) {
    TPageStorage store;
    store.SetPageOrientation(false);
    const TFont start("Courier New", 9);
    const TPen pen{rgbColor(1, 2, 3), TPenStyle::Dash, 2};
    const TBrush brush{rgbColor(4, 5, 6), TBrushStyle::Solid};
    store.ResetPageCanvas(&start, &pen, &brush);

    EXPECT_EQ(store.AddPage(), 2);
    EXPECT_EQ(store.AddPage(), 3);
    const TFont third("Arial", 14, fsBold);
    const TPen thirdPen{clGray, TPenStyle::Solid, 3};
    const TBrush thirdBrush{clSilver, TBrushStyle::Cross};
    store.SetFont(&third);
    store.Canvas().SetPen(thirdPen);
    store.Canvas().SetBrush(thirdBrush);
    store.MoveTo(1, 1);
    store.LineTo(2, 2);
    EXPECT_EQ(store.AddPage(), 4);

    EXPECT_EQ(store.CurrentPageNumber(), 4);
    EXPECT_EQ(store.CurrentPageName(), "Page 4");
    const TPageRec& page = store.CurrentPage();
    EXPECT_FALSE(page.Landscape);
    EXPECT_EQ(page.Width, 816);
    EXPECT_EQ(page.Canvas->CommandCount(), 0);
    EXPECT_EQ(page.Canvas->CurrentFont(), third);
    EXPECT_EQ(page.Canvas->CurrentPen(), thirdPen);
    EXPECT_EQ(page.Canvas->CurrentBrush(), thirdBrush);
    EXPECT_EQ(page.Canvas->RecordedFontHeight(), third.height());
    // Page 2 kept the starting state.
    EXPECT_EQ(store.Page(2)->Canvas->CurrentFont(), start);
    EXPECT_EQ(store.Page(3)->Canvas->CommandCount(), 5);
}

TEST(PageStorage, CursorWalksAndStopsAtTheEnds) {
    TPageStorage store;
    store.AddPage();
    store.AddPage();
    store.AddPage(); // 4 pages
    EXPECT_EQ(store.NextPage(), 4);
    store.FirstPage();
    EXPECT_EQ(store.CurrentPageNumber(), 1);
    EXPECT_EQ(store.PriorPage(), 1);
    EXPECT_EQ(store.NextPage(), 2);
    EXPECT_EQ(store.PriorPage(), 1);
    EXPECT_EQ(store.GoToPage(3), 3);
    EXPECT_EQ(store.CurrentPageName(), "Page 3");
    EXPECT_EQ(store.GoToPage(9999), 4);
    EXPECT_EQ(store.GoToPage(1), 1);
    EXPECT_EQ(store.GoToPage(store.PageCount() + 5), 4);
    EXPECT_EQ(store.GoToPage(0), 4);
    // Drawing goes to the page under the cursor.
    store.GoToPage(2);
    store.TextOut(0, 0, "contents");
    EXPECT_EQ(store.Page(2)->Canvas->CommandCount(), 1);
    EXPECT_EQ(store.Page(4)->Canvas->CommandCount(), 0);
}

TEST(PageStorage, MarksByPageNumber) {
    TPageStorage store;
    store.AddPage();
    store.AddPage();
    store.GoToPage(2);
    EXPECT_FALSE(store.SetPageMarked(3, true));
    EXPECT_TRUE(store.SetPageMarked(3, true)); // returns the old mark
    EXPECT_FALSE(store.SetPageMarked(1, true));
    // Outside the store: nothing marked, nothing counted.
    EXPECT_FALSE(store.SetPageMarked(0, true));
    EXPECT_FALSE(store.SetPageMarked(4, true));
    EXPECT_FALSE(store.IsPageMarked(0));
    EXPECT_FALSE(store.IsPageMarked(2));
    EXPECT_EQ(store.MarkedPageCount(), 2);
    EXPECT_EQ(store.CurrentPageNumber(), 2);
}

TEST(PageStorage, ReleasesOnlyTaggedPreviewPictures) {
    TPageStorage store;
    store.AddPage();
    store.AddPage();
    QPointer<QObject> first = new QObject;
    first->setProperty("tag", 1);
    QPointer<QObject> kept = new QObject;
    kept->setProperty("tag", -1);
    QPointer<QObject> untagged = new QObject;
    store.Page(1)->PreviewImage = first;
    store.Page(2)->PreviewImage = kept;
    store.Page(3)->PreviewImage = untagged;
    store.ReleasePreviewImages();
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(untagged.isNull()); // no tag reads as 0
    EXPECT_FALSE(kept.isNull());
    EXPECT_EQ(store.Page(1)->PreviewImage, nullptr);
    EXPECT_EQ(store.Page(2)->PreviewImage, kept.data());
    delete kept.data();
}

// Pages share their store's memory: a page written to again after later
// pages (brackets, contents) must move without touching its neighbours.
TEST(PageStorage, PagesWrittenAgainLaterKeepEveryCommand) {
    TPageStorage store;
    const int pages = 40;
    for (int p = 1; p <= pages; ++p) {
        if (p > 1) store.AddPage();
        for (int i = 0; i < 50 + p * 7; ++i)
            store.Canvas().TextOut(i, p, QStringLiteral("p%1 line %2").arg(p).arg(i));
    }
    // Far more than the room left at the end of each page.
    for (int p = 1; p <= pages; ++p) {
        store.GoToPage(p);
        for (int i = 0; i < 300; ++i)
            store.Canvas().LineTo(p, i);
    }
    for (int p = 1; p <= pages; ++p) {
        const TVirtCanvas& c = *store.Page(p)->Canvas;
        ASSERT_EQ(c.CommandCount(), 50 + p * 7 + 300);
        for (int i = 0; i < 50 + p * 7; ++i) {
            ASSERT_EQ(c.CommandText(c.StoredCommand(std::size_t(i))),
                      QStringLiteral("p%1 line %2").arg(p).arg(i));
            ASSERT_EQ(c.StoredCommand(std::size_t(i)).Y1, p);
        }
        for (int i = 0; i < 300; ++i)
            ASSERT_EQ(c.StoredCommand(std::size_t(50 + p * 7 + i)).Y1, i);
    }
}

TEST(RecordingArena, ArraysGrowInPlaceOnlyAtTheEnd) {
    TRecordingArena arena;
    TArenaArray<int> a(&arena), b(&arena);
    a.push_back(1);
    const int* first = a.data();
    for (int i = 2; i <= 1000; ++i)
        a.push_back(i);
    EXPECT_EQ(a.data(), first); // the newest allocation: grown in place
    a.trim(0);
    b.push_back(7); // now b is the newest; a must move to grow
    for (int i = 1001; i <= 1100; ++i)
        a.push_back(i);
    EXPECT_NE(a.data(), first);
    for (int i = 0; i < 1100; ++i)
        ASSERT_EQ(a[std::size_t(i)], i + 1);
    EXPECT_EQ(b[0], 7);
    // Larger than a block of its own.
    TArenaArray<char> big(&arena);
    std::vector<char> bytes(20u << 20, 'x');
    big.append(bytes.data(), bytes.size());
    EXPECT_EQ(big.size(), bytes.size());
    EXPECT_EQ(big[bytes.size() - 1], 'x');
}
