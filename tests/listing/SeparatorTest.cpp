#include "ListingSupport.h"

#include "render/VirtCanvas.h"
#include "source/SourceRecords.h"

namespace {

void startColumn(TSourceCodePrint& f, bool right = false) {
    f.DrawFrame();
    f.CurrentX = right ? f.RightColumnX : f.LeftColumnX;
    f.CurrentY = f.TextTop;
}

} // namespace

TEST_F(ListingTest, DividerLineKeepsProceduresOutOfTheBottomQuarter) {
    auto f = makeFormatter(); // FunctionSep 2: divider line
    startColumn(*f);
    f->CurrentY = 700; // below 0.75 * 816
    f->ProcHeading("Private Sub Foo()");
    EXPECT_EQ(f->CurrentProcName, "Foo");
    EXPECT_EQ(f->CurrentX, f->RightColumnX);
    EXPECT_EQ(f->PageNumber, 2);
    EXPECT_EQ(f->CurrentY, f->TextTop + 13 + 5) << "the divider is drawn at the top of the half";

    f->CurrentY = 300;
    f->ProcHeading("Public Function Bar(x)");
    EXPECT_EQ(f->CurrentX, f->RightColumnX) << "above the bottom quarter nothing moves";
    EXPECT_EQ(f->CurrentY, 300 + 18);
}

TEST_F(ListingTest, NewPageNextSideSkipsAnEmptyColumn) {
    setKey("GENERAL", "FunctionSep", "0");
    auto f = makeFormatter();
    startColumn(*f);
    f->ProcHeading("Sub Main()");
    EXPECT_EQ(f->CurrentX, f->LeftColumnX);
    EXPECT_EQ(f->Pages.PageCount(), 1);
    f->CurrentY += 30;
    f->ProcHeading("Sub Other()");
    EXPECT_EQ(f->CurrentX, f->RightColumnX);
    f->CurrentY += 30;
    f->ProcHeading("Sub Third()");
    EXPECT_EQ(f->Pages.PageCount(), 2);
    EXPECT_EQ(f->PageNumber, 3);
}

TEST_F(ListingTest, NewPageWholePageLeavesTheRightHalfEmpty) {
    setKey("GENERAL", "FunctionSep", "1");
    auto f = makeFormatter();
    startColumn(*f);
    f->ProcHeading("Sub Main()");
    EXPECT_EQ(f->Pages.PageCount(), 2);
    EXPECT_EQ(f->PageNumber, 3) << "the right half keeps its number";
    EXPECT_EQ(f->CurrentX, f->LeftColumnX);
}

TEST_F(ListingTest, FileSeparators) {
    RFile file;
    file.FileName = "Module2.bas";
    file.Functions->Name = "Helper";
    file.Functions->Marked = 1;
    file.AppendFunction(file.Functions);

    setKey("GENERAL", "FileSep", "0");
    auto page = makeFormatter();
    startColumn(*page);
    page->CurrentY += 100;
    page->FileSeparator(file);
    EXPECT_EQ(page->CurrentX, page->RightColumnX);
    EXPECT_EQ(page->CurrentFileName, "Module2.bas");
    EXPECT_EQ(page->CurrentProcName, "Helper");

    setKey("GENERAL", "FileSep", "1");
    auto named = makeFormatter();
    startColumn(*named);
    const int y = named->CurrentY;
    named->FileSeparator(file);
    EXPECT_EQ(named->CurrentY, y + 5 + 5 + 13 + 5 + 5 + 5);
    bool nameDrawn = false;
    for (const TDrawn& t : texts(*named))
        nameDrawn |= t.text == "Module2.bas" && t.y1 == y + 10;
    EXPECT_TRUE(nameDrawn);

    setKey("GENERAL", "FileSep", "2");
    auto low = makeFormatter();
    startColumn(*low, true);
    low->CurrentY = 650;
    low->FileSeparator(file);
    EXPECT_EQ(low->Pages.PageCount(), 2) << "no file starts in the bottom quarter";
}
