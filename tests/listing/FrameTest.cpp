#include "ListingSupport.h"

#include "render/VirtCanvas.h"

TEST_F(ListingTest, TwoPageSheetGeometryWithDefaults) {
    auto f = makeFormatter();
    f->DrawFrame();
    EXPECT_EQ(f->Canvas().PageWidth(), 1056);
    EXPECT_EQ((std::vector<int>{f->MarginL, f->MarginT, f->MarginR, f->MarginB}),
              (std::vector<int>{35, 36, 35, 36}));
    // mid = Round(986 / 2) + 35 = 528; bracket room 3 * 6 + 2 = 20.
    EXPECT_EQ(f->LeftColumnX, 35 + 5 + 20);
    EXPECT_EQ(f->RightColumnX, 528 + 5 + 20);
    EXPECT_EQ(f->ColumnWidth, 528 - 60 - 5);
    EXPECT_EQ(f->TextTop, 2 * 13 + 36);
    EXPECT_EQ(f->TextBottom, 816 - 36 - 13 - 13);
    EXPECT_EQ(f->CodeLineHeight, 13);
    EXPECT_EQ(f->PageNumber, 1);

    // A header over each half, the halves' own numbers in the footers;
    // drawn with each half's first line, here with the closing sheet.
    EXPECT_TRUE(texts(*f).empty());
    f->CloseSheet();
    std::vector<QString> plain;
    for (const TDrawn& t : texts(*f))
        plain.push_back(t.text);
    EXPECT_EQ(plain, (std::vector<QString>{"1", " - 1/2/2026", "2", " - 1/2/2026"}));
}

TEST_F(ListingTest, OnePageGeometryAndPageBox) {
    setKey("pagelayout", "twopage", "0");
    setKey("PAGELAYOUT", "Footer", "Page %p of %f");
    auto f = makeFormatter();
    f->CurrentFileName = "a.bas";
    f->DrawFrame();
    EXPECT_EQ(f->Canvas().PageWidth(), 816);
    EXPECT_EQ((std::vector<int>{f->MarginL, f->MarginT, f->MarginR, f->MarginB}),
              (std::vector<int>{36, 35, 36, 35}));
    EXPECT_EQ(f->LeftColumnX, 36 + 5 + 20);
    EXPECT_EQ(f->RightColumnX, f->LeftColumnX);
    EXPECT_EQ(f->ColumnWidth, 816 - 72 - 10);
    EXPECT_EQ(f->TextTop, 2 * 13 + 35 + 10);
    EXPECT_EQ(f->TextBottom, 1056 - 35 - 2 * 13 - 10);
    f->CloseSheet();
    bool footer = false, number = false;
    for (const TDrawn& t : texts(*f)) {
        footer |= t.text == "Page 1 of a.bas";
        number |= t.text == "1";
    }
    EXPECT_TRUE(footer);
    EXPECT_TRUE(number) << "page-number box";
}

// The box is sized for three digits; a long listing's numbers widen it
// to the left rather than cross its sides.
TEST_F(ListingTest, PageBoxHoldsTheNumbersOfALongListing) {
    setKey("pagelayout", "twopage", "0");
    for (const char* style : {"0", "1"}) {
        setKey("pagelayout", "PageNumType", style);
        auto f = makeFormatter();
        f->PageNumber = 99998;
        f->DrawFrame();
        for (const TPageFinding& finding : f->CheckPages())
            ADD_FAILURE() << style << ": " << FormatFinding(finding).toStdString();
    }
}

TEST_F(ListingTest, ZeroMarginsKeepTheFrameOnTheSheetAndShadeBandsNeverHang) {
    for (const char* key : {"left", "top", "right", "bottom"})
        setKey("margins", key, "0");
    setKey("general", "shadeboxemulation", "1");
    setKey("general", "shadeboxheight", "0");
    auto f = makeFormatter();
    f->DrawFrame();
    // Raised to an eighth of an inch, which the frame takes off again.
    EXPECT_EQ(f->Settings.Problems.size(), 4);
    EXPECT_EQ(f->MarginL, 1);
    EXPECT_EQ(f->MarginT, 0);
    EXPECT_EQ(countKind(*f, 1, ckFillRect), 0);
}

TEST_F(ListingTest, ShadeBandsAlternateFromTheTextTop) {
    setKey("general", "shadeboxemulation", "1");
    auto f = makeFormatter();
    f->DrawFrame();
    // band = (13 + 5) * 2 = 36; bands start every 72 units while they fit.
    int bands = 0;
    for (const TCanvasCommand& c : f->Canvas().Commands()) {
        if (c.Kind == ckFillRect) {
            EXPECT_EQ(c.Y1, f->TextTop + 72 * bands);
            EXPECT_EQ(c.Y2 - c.Y1, 36);
            ++bands;
        }
    }
    EXPECT_EQ(bands, (f->TextBottom - f->TextTop - 36 - 1) / 72 + 1);
}

TEST_F(ListingTest, WideHeaderShrinksAndStaysSmaller) {
    setKey("PAGELAYOUT", "Header", QString(80, 'H'));
    auto f = makeFormatter();
    f->DrawFrame();
    // At once as small as its half of the sheet needs (at 8 points it would
    // run across the divider), and no smaller on later pages.
    EXPECT_EQ(f->Settings.HeaderFont.size(), 6);
    f->NewPage();
    EXPECT_EQ(f->Settings.HeaderFont.size(), 6);
    EXPECT_EQ(f->Settings.FooterFont.size(), 10);
}

TEST_F(ListingTest, WatermarkNeedsTwoCharactersAndLiesOverTheShadeBands) {
    setKey("project info", "watermark", "X");
    auto one = makeFormatter();
    one->DrawFrame();
    EXPECT_EQ(countKind(*one, 1, ckWatermark), 0);
    setKey("project info", "watermark", "XY");
    setKey("general", "shadeboxemulation", "1");
    for (const char* twoPage : {"1", "0"}) {
        setKey("pagelayout", "twopage", twoPage);
        auto two = makeFormatter();
        two->DrawFrame();
        EXPECT_EQ(countKind(*two, 1, ckWatermark), 1);
        // Drawn after every band, transparently: the bands do not cut it.
        bool bandAfter = false, watermark = false, transparent = false;
        for (const TCanvasCommand& c : two->Canvas().Commands()) {
            if (c.Kind == ckOpaque) transparent = false;
            if (c.Kind == ckTransparent) transparent = true;
            if (c.Kind == ckWatermark) {
                watermark = true;
                EXPECT_TRUE(transparent) << twoPage;
            }
            bandAfter |= watermark && c.Kind == ckFillRect;
        }
        EXPECT_TRUE(watermark && !bandAfter) << twoPage;
    }
}

TEST_F(ListingTest, PagesAreNamedAfterTheProcedureOrTheFile) {
    auto f = makeFormatter();
    f->DrawFrame();
    f->CurrentFileName = "Module1.bas";
    f->CurrentProcName = "Total";
    f->NewPage();
    EXPECT_EQ(f->Pages.CurrentPageName(), "Page 2 - Total");
    f->CurrentProcName = "X";
    f->NewPage();
    EXPECT_EQ(f->Pages.CurrentPageName(), "Page 3 - Module1.bas");
    EXPECT_EQ(f->CurrentProcName, "Module1.bas") << "%s shows the file from then on";
}

TEST_F(ListingTest, ColumnsFillLeftThenRightThenANewSheet) {
    auto f = makeFormatter();
    f->DrawFrame();
    f->CurrentX = f->LeftColumnX;
    f->CurrentY = f->TextTop;
    const int perColumn = (f->TextBottom - f->TextTop) / 15 + 1;
    for (int i = 0; i < perColumn; ++i)
        f->PrintCodeLine("Dim x", "CODE", false, false, -1, -1, 0);
    EXPECT_EQ(f->CurrentX, f->RightColumnX);
    EXPECT_EQ(f->CurrentY, f->TextTop);
    EXPECT_EQ(f->PageNumber, 2);
    EXPECT_EQ(f->Pages.PageCount(), 1);
    for (int i = 0; i < perColumn; ++i)
        f->PrintCodeLine("Dim y", "CODE", false, false, -1, -1, 0);
    EXPECT_EQ(f->Pages.PageCount(), 2);
    EXPECT_EQ(f->CurrentX, f->LeftColumnX);
    EXPECT_EQ(f->PageNumber, 3);
    // No line was drawn below the text area or outside its column.
    for (const TDrawn& t : codeTexts(*f)) {
        EXPECT_LE(t.y1, f->TextBottom);
        EXPECT_TRUE(t.x1 == f->LeftColumnX || t.x1 == f->RightColumnX);
    }
}

TEST_F(ListingTest, OnePageLayoutStartsANewPageForAFullColumn) {
    setKey("pagelayout", "twopage", "0");
    auto f = makeFormatter();
    f->DrawFrame();
    f->CurrentX = f->LeftColumnX;
    f->CurrentY = f->TextTop;
    const int perColumn = (f->TextBottom - f->TextTop) / 15 + 1;
    for (int i = 0; i < perColumn; ++i)
        f->PrintCodeLine("Dim x", "CODE", false, false, -1, -1, 0);
    EXPECT_EQ(f->Pages.PageCount(), 2);
    EXPECT_EQ(f->PageNumber, 2);
    EXPECT_EQ(f->CurrentY, f->TextTop);
}

TEST_F(ListingTest, EverySheetDrawsItsFrameWithItsOwnStateAndKnocksOutTheBorder) {
    // Brackets and shade bands leave their pen and brush at the end of a
    // sheet; the next sheet's frame must not inherit them.
    setKey("general", "shadeboxemulation", "1");
    QStringList lines;
    for (int i = 0; i < 200; ++i)
        lines << (i % 4 == 0 ? "If a Then" : i % 4 == 3 ? "End If" : "  x = 1");
    for (const char* twoPage : {"1", "0"}) {
        setKey("pagelayout", "twopage", twoPage);
        auto f = makeFormatter();
        f->BuildFromLines(lines, nullptr);
        ASSERT_GE(f->Pages.PageCount(), 3);
        for (const TPageFinding& finding : f->CheckPages())
            ADD_FAILURE() << twoPage << ": " << FormatFinding(finding).toStdString();
        // On every sheet the footer's number goes on a white box.
        for (int n = 1; n <= f->Pages.PageCount(); ++n) {
            bool opaque = false, footerSeen = false;
            for (const TCanvasCommand& c : f->Pages.Page(n)->Canvas->Commands()) {
                if (c.Kind == ckOpaque) opaque = true;
                if (c.Kind == ckTransparent) opaque = false;
                if (c.Kind == ckTextOut && c.Y1 > f->TextBottom && !footerSeen) {
                    footerSeen = true;
                    EXPECT_TRUE(opaque) << twoPage << ": sheet " << n;
                }
            }
            EXPECT_TRUE(footerSeen);
        }
    }
}
