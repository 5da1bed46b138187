// The page check on hand-made pages: a clean page passes, and every rule
// catches the fault planted for it.
#include "render/PageCheck.h"
#include "platform/TextMeasurer.h"
#include "render/VirtCanvas.h"
#include "settings/FontRegistry.h"

#include <gtest/gtest.h>

namespace {

// Fixed metrics: 13-pixel text, 7.8 units a character, 15 high.
class PageCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        setTextMeasurer(&measurer);
        fontregistry::clear();
        fontregistry::add("CODE", TFont("Courier New", 10));
        layout.Width = 816;
        layout.Height = 1056;
        layout.ColumnX = {100};
        layout.ColumnWidth = 500;
        layout.BracketAreaWidth = 20;
        layout.TextTop = 100;
        layout.TextBottom = 900;
        layout.CodeLineHeight = 15;
        canvas.InitPage(816, 1056);
    }
    void TearDown() override {
        fontregistry::clear();
        setTextMeasurer(nullptr);
    }

    // The state a page sets before drawing anything.
    void setState() {
        canvas.SetPen(TPen{clBlack, TPenStyle::Solid, 1});
        canvas.SetBrush(TBrush{clWhite, TBrushStyle::Solid});
        canvas.SetFont(TFont("Arial", 10));
        canvas.SetTransparent();
    }
    void line(int x1, int y1, int x2, int y2) {
        canvas.MoveTo(x1, y1);
        canvas.LineTo(x2, y2);
    }
    std::vector<QString> rules() {
        std::vector<QString> out;
        for (const TPageFinding& f : CheckPage(canvas, layout, 7)) {
            EXPECT_EQ(f.Page, 7);
            out.push_back(f.Rule);
        }
        return out;
    }

    TFixedMeasurer measurer;
    TVirtCanvas canvas;
    TPageLayout layout;
};

using Rules = std::vector<QString>;

} // namespace

TEST_F(PageCheckTest, AListingPageDrawnWithinItsPlacesPasses) {
    setState();
    line(50, 60, 700, 60);                               // header rule
    canvas.TextOutInFont(100, 100, "CODE", "If a Then"); // 70 wide
    // Indented: the ink starts after the four blanks, where the tick ends.
    canvas.TextOutInFont(100, 115, "CODE", "    x = 1");
    canvas.TextOutInFont(100, 130, "CODE", "End If");
    layout.FirstBracketCommand = canvas.CommandCount();
    line(98, 107, 83, 107);  // tick at If, ending short of the text
    line(83, 107, 83, 137);  // bracket line
    line(98, 137, 83, 137);  // tick at End If
    line(110, 122, 83, 122); // a tick into the blanks of an indented line
    TPageCheckCounts counts;
    EXPECT_TRUE(CheckPage(canvas, layout, 1, &counts).empty());
    EXPECT_EQ(counts.Texts, 3);
    EXPECT_EQ(counts.Strokes, 5);
}

TEST_F(PageCheckTest, EachRuleCatchesItsFault) {
    // Off the sheet.
    setState();
    line(10, 10, 820, 10);
    EXPECT_EQ(rules(), Rules{"off-sheet"});

    // A line through a text; the same line knocked out behind a text drawn
    // after it on a white box passes, as the footer number over the border.
    canvas.ClearCommands();
    setState();
    canvas.TextOut(300, 1000, "12");
    line(200, 1007, 400, 1007);
    EXPECT_EQ(rules(), Rules{"stroke-through-text"});
    canvas.ClearCommands();
    setState();
    line(200, 1007, 400, 1007);
    canvas.SetOpaque();
    canvas.TextOut(300, 1000, "12");
    EXPECT_TRUE(rules().empty());
    // Transparent text does not hide the line.
    canvas.ClearCommands();
    setState();
    line(200, 1007, 400, 1007);
    canvas.TextOut(300, 1000, "12");
    EXPECT_EQ(rules(), Rules{"stroke-through-text"});

    // Two code texts on top of each other.
    canvas.ClearCommands();
    setState();
    canvas.TextOutInFont(100, 200, "CODE", "x = 1");
    canvas.TextOutInFont(100, 210, "CODE", "y = 2");
    EXPECT_EQ(rules(), Rules{"text-overlap"});

    // Code past the column's right edge, and below the text area.
    canvas.ClearCommands();
    setState();
    canvas.TextOutInFont(560, 200, "CODE", "TooWideForTheColumn");
    canvas.TextOutInFont(100, 905, "CODE", "x");
    EXPECT_EQ(rules(), (Rules{"text-outside-column", "text-outside-column"}));

    // Bracket strokes: one in the text, one left of the area, one tick
    // running far into the line.
    canvas.ClearCommands();
    setState();
    layout.FirstBracketCommand = canvas.CommandCount();
    line(101, 200, 101, 300);
    line(70, 200, 70, 300);
    line(85, 250, 160, 250);
    EXPECT_EQ(rules(),
              (Rules{"bracket-outside-area", "bracket-outside-area", "bracket-outside-area"}));
    layout.FirstBracketCommand = -1;
}

TEST_F(PageCheckTest, APageMustSetTheStateItDrawsWith) {
    // Nothing set: the line takes the pen the page before left, the text
    // its background mode and font.
    line(100, 50, 200, 50);
    canvas.TextOut(300, 40, "Header");
    const Rules found = rules();
    EXPECT_EQ(found, Rules(3, "state-not-set"));
    // An opaque text needs its brush as well; code texts name their font.
    canvas.ClearCommands();
    canvas.SetPen(TPen{});
    canvas.SetOpaque();
    canvas.TextOutInFont(100, 200, "CODE", "x = 1");
    EXPECT_EQ(rules(), Rules{"state-not-set"});
    EXPECT_EQ(FormatFinding({3, 10, 20, "off-sheet", "a line"}),
              "page 3 (10, 20): off-sheet: a line");
}
