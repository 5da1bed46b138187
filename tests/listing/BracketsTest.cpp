#include "ListingSupport.h"

#include "common/TestSupport.h"
#include "format/BracketRecords.h"
#include "platform/IniFile.h"
#include "render/VirtCanvas.h"

#include <QDir>
#include <QFile>

#include <map>

namespace {

std::vector<int> kinds(const TSourceCodePrint& f) {
    std::vector<int> out;
    for (const RBracket& r : f.Brackets())
        out.push_back(r.Kind);
    return out;
}

// Records the lines as if each were drawn one line below the other in the
// current column.
void record(TSourceCodePrint& f, const QStringList& lines, int y = 100) {
    for (const QString& line : lines) {
        f.RecordBracketLine(line, 0, f.Pages.CurrentPageNumber(), y, f.CurrentX, f.PageNumber);
        y += 15;
    }
}

// Vertical segments of a page, by x.
std::multimap<int, TDrawn> verticals(const std::vector<TDrawn>& lines) {
    std::multimap<int, TDrawn> out;
    for (const TDrawn& l : lines)
        if (l.x1 == l.x2 && l.y1 != l.y2) out.emplace(l.x1, l);
    return out;
}

} // namespace

TEST(ClassifyLine, KeywordsCountOnlyWhereTheyLeadTheStatement) {
    const std::vector<std::pair<const char*, int>> cases = {
        {"If a > b Then", bkIf},
        {"If a Then Beep", bkNone},          // one-line If
        {"If a Then b = 1", bkIf},           // one-letter target: counted as a block
        {"If a Then x = 1: End If", bkNone}, // closed on its own line
        {"ElseIf a > 1 Then", bkElse},
        {"End If", bkEndIf},
        {"Select Case x", bkSelect},
        {"Case Else", bkCase},
        {"End Select", bkEndSelect},
        {"For i = 1 To 3", bkFor},
        {"For i = 1 To 3: t = t + i: Next", bkNone},
        {"Next i", bkNext},
        {"Exit For", bkNone},
        {"Do While x < 3", bkDo},
        {"    Do   ", bkDo},
        {"Loop Until x", bkLoop},
        {"While x", bkWhile},
        {"Wend", bkWend},
        {"for i = 1 to 3", bkNone},
        {"Debug.Print \"Next\"", bkNone},
        // A line label does not hide the statement after it.
        {"6960:  Next i2%", bkNext},
        {"100 If a > b Then", bkIf},
        {"Retry: Do While x < 3", bkDo},
        {"  Case 1: x = 2", bkCase},
        {"Else: x = 1", bkElse},
    };
    for (const auto& [line, kind] : cases)
        EXPECT_EQ(ClassifyLine(QString::fromLatin1(line)), kind) << line;
    EXPECT_EQ(BracketKindName(bkIf), "If Then");
    EXPECT_EQ(BracketKindName(14), "Unknown");
    EXPECT_EQ(BlankLineLabel("6960:  Next i"), "       Next i");
    EXPECT_EQ(BlankLineLabel("x = 1: y = 2"), "x = 1: y = 2");
    EXPECT_TRUE(IsProcedureEnd("  End Sub ' done"));
    EXPECT_TRUE(IsProcedureEnd("100 End Function"));
    EXPECT_FALSE(IsProcedureEnd("End Subject"));
}

TEST_F(ListingTest, StructuresNeverRunOnIntoTheNextProcedure) {
    auto f = makeFormatter();
    // "next" in lower case closes nothing: the For is still open when the
    // procedure ends, and is closed off at its End Sub.
    f->BuildFromLines({"Sub A()", "  For i = 1 To 3", "  next i", "End Sub", "Sub B()",
                       "  If x Then", "    y = 1", "  End If", "End Sub"},
                      nullptr);
    EXPECT_EQ(kinds(*f), (std::vector<int>{bkFor, bkBlockEnd, bkIf, bkEndIf}));
    const RBracket& end = f->Brackets()[1];
    EXPECT_EQ(end.Y, f->Brackets()[0].Y + 2 * (f->CodeLineHeight + f->Settings.LineGap));
    EXPECT_TRUE(f->CheckPages().empty());
    // Two structures open at the end of the text: two closers there.
    auto g = makeFormatter();
    g->BuildFromLines({"For i = 1 To 2", "  Do While x", "    x = x - 1"}, nullptr);
    EXPECT_EQ(kinds(*g), (std::vector<int>{bkFor, bkDo, bkBlockEnd, bkBlockEnd}));
}

TEST_F(ListingTest, DeepNestingStaysInTheBracketArea) {
    // Nine levels: deeper than the area has places for.
    QStringList lines;
    for (int i = 0; i < 9; ++i)
        lines << QString(2 * i, ' ') + "For i" + QString::number(i) + " = 1 To 2";
    for (int i = 8; i >= 0; --i)
        lines << QString(2 * i, ' ') + "Next i" + QString::number(i);
    for (const char* twoPage : {"1", "0"}) {
        setKey("pagelayout", "twopage", twoPage);
        auto f = makeFormatter();
        f->BuildFromLines(lines, nullptr);
        ASSERT_EQ(f->BracketCount(), 18);
        for (const TPageFinding& finding : f->CheckPages())
            ADD_FAILURE() << FormatFinding(finding).toStdString();
        // The vertical lines near the column (the border lies at the margin).
        for (const TDrawn& l : this->lines(*f, 1)) {
            if (l.x1 != l.x2 || l.x1 <= f->MarginL || l.x1 > f->LeftColumnX + 100) continue;
            EXPECT_GE(l.x1, f->LeftColumnX - f->BracketAreaWidth);
            EXPECT_LE(l.x1, f->LeftColumnX - 2);
        }
    }
}

TEST_F(ListingTest, CommentsAreRemovedBeforeClassifying) {
    auto f = makeFormatter();
    f->DrawFrame();
    f->CurrentX = f->LeftColumnX;
    EXPECT_TRUE(f->RecordBracketLine("For i = 1 To 3 ' until Next", 0, 1, 100, 60, 1));
    EXPECT_FALSE(f->RecordBracketLine("x = 1 ' If it fails Then", 2, 1, 130, 60, 1));
    ASSERT_EQ(f->BracketCount(), 1);
    const RBracket& r = f->Brackets()[0];
    EXPECT_EQ(r.Kind, bkFor);
    EXPECT_EQ((std::vector<int>{r.X, r.Y, r.Side, r.Page}), (std::vector<int>{60, 100, 1, 1}));
    EXPECT_EQ(r.Height, 15);
    // Indent: FirstNonBlank - 3 blanks at 7.8 units, times 0.7, at most 15.
    f->RecordBracketLine("      Next", 3, 1, 145, 60, 1);
    EXPECT_EQ(f->Brackets()[1].IndentWidth, 15);
}

TEST_F(ListingTest, MatchingKeepsUnbalancedCodeAndFiltersSwitchedOffKinds) {
    {
        // Every kind on: nothing is removed, whatever the balance.
        auto f = makeFormatter();
        f->DrawFrame();
        record(*f, {"Wend", "If a > b Then", "For i = 1 To 2", "End If", "Next"});
        f->ResolveBrackets();
        EXPECT_EQ(kinds(*f), (std::vector<int>{bkWend, bkIf, bkFor, bkEndIf, bkNext}));
    }
    setKey("BRACKETS", "BracketAll", "0");
    setKey("BRACKETS", "For", "0");
    auto f = makeFormatter();
    f->DrawFrame();
    record(*f, {"For i = 1 To 3", "Do While x", "Exit Do", "Loop", "If a > b Then", "Else",
                "End If", "Next i", "Select Case k", "Case 1", "End Select", "Next"});
    f->ResolveBrackets();
    // The For takes its Next with it, and so does nothing else: the nested
    // Do and If keep their brackets; the stray Next at the end stays.
    EXPECT_EQ(kinds(*f), (std::vector<int>{bkDo, bkLoop, bkIf, bkElse, bkEndIf, bkSelect, bkCase,
                                           bkEndSelect, bkNext}));
}

TEST_F(ListingTest, DeeplyUnbalancedCodeResolvesAndDraws) {
    auto f = makeFormatter();
    f->DrawFrame();
    f->CurrentX = f->LeftColumnX;
    QStringList lines;
    for (int i = 0; i < 20000; ++i)
        lines << "Do While x";
    lines << "Loop";
    record(*f, lines);
    f->ResolveBrackets();
    EXPECT_EQ(f->BracketCount(), 20001);
    f->DrawBrackets();
    // Only the outer levels are drawn, and the user is told.
    EXPECT_GT(f->Canvas().CommandCount(), int(kMaxDrawnBracketDepth));
    EXPECT_LT(f->Canvas().CommandCount(), 1000);
    EXPECT_EQ(f->BuildNotes.size(), 1);
}

TEST_F(ListingTest, DeepNestingAcrossManyPagesKeepsEveryPageSmall) {
    // Each structure open on a page would draw its line down that page:
    // 3000 nested loops over ~60 sheets would put thousands on each.
    auto f = makeFormatter();
    QStringList lines;
    for (int i = 0; i < 3000; ++i)
        lines << "Do";
    for (int i = 0; i < 3000; ++i)
        lines << "Loop";
    f->BuildFromLines(lines, nullptr);
    ASSERT_GT(f->Pages.PageCount(), 20);
    int largest = 0;
    f->Pages.FirstPage();
    for (int i = 1; i <= f->Pages.PageCount(); ++i) {
        largest = std::max(largest, f->Pages.Canvas().CommandCount());
        f->Pages.NextPage();
    }
    EXPECT_LT(largest, 2000);
    EXPECT_EQ(f->BuildNotes.size(), 1);
}

TEST_F(ListingTest, DepthsLieThreeUnitsApartInTheirColours) {
    setKey("pagelayout", "twopage", "0");
    setKey("brackets", "color", QString::number(rgbColor(0, 0, 255)));
    auto f = makeFormatter();
    f->DrawFrame();
    f->CurrentX = f->LeftColumnX;
    const int X = f->CurrentX;
    QStringList source;
    for (int i = 0; i < 6; ++i)
        source << QString(i * 4, ' ') + "For i = 1 To 2";
    for (int i = 5; i >= 0; --i)
        source << QString(i * 4, ' ') + "Next";
    record(*f, source);
    f->ResolveBrackets();
    f->DrawBrackets();
    const auto v = verticals(lines(*f, 1));
    std::vector<int> xs;
    for (auto it = v.begin(); it != v.end() && it->first < X; it = v.upper_bound(it->first))
        xs.push_back(it->first - X);
    EXPECT_EQ(xs, (std::vector<int>{-17, -14, -11, -8, -5, -2}));
    const TColor blue = rgbColor(0, 0, 255);
    const std::vector<TColor> colours = {blue,
                                         blue,
                                         rgbColor(0, 128, 0),
                                         rgbColor(0, 0, 128),
                                         rgbColor(128, 0, 0),
                                         rgbColor(0, 128, 128)};
    for (int depth = 0; depth < 6; ++depth) {
        const auto at = v.find(X - 17 + 3 * depth);
        ASSERT_NE(at, v.end());
        EXPECT_EQ(at->second.pen, colours[std::size_t(depth)]) << "depth " << depth;
        // Each runs from its Next up to its For (middles at y + 7).
        EXPECT_EQ(at->second.y1, 100 + 15 * (11 - depth) + 7);
        EXPECT_EQ(at->second.y2, 100 + 15 * depth + 7);
    }
}

TEST_F(ListingTest, BracketsCrossHalvesAndSheets) {
    auto f = makeFormatter();
    f->DrawFrame();
    const int L = f->LeftColumnX - 17, R = f->RightColumnX - 17;
    const int top = f->TextTop + 5, foot = f->TextBottom + 10;
    // Left half to right half of one sheet.
    f->RecordBracketLine("If a > b Then", 0, 1, 200, f->LeftColumnX, 1);
    f->RecordBracketLine("End If", 1, 1, 300, f->RightColumnX, 2);
    // Right half of sheet 1 over the whole left half of sheet 2 to its
    // right half: three sides.
    f->RecordBracketLine("Do While x", 2, 1, 400, f->RightColumnX, 2);
    f->NewPage();
    f->NextColumn();
    f->RecordBracketLine("Loop", 3, 2, 250, f->RightColumnX, 4);
    f->ResolveBrackets();
    f->DrawBrackets();

    const auto sheet1 = verticals(lines(*f, 1));
    const auto sheet2 = verticals(lines(*f, 2));
    auto has = [](const std::multimap<int, TDrawn>& v, int x, int y1, int y2) {
        for (auto [it, end] = v.equal_range(x); it != end; ++it)
            if (it->second.y1 == y1 && it->second.y2 == y2) return true;
        return false;
    };
    // If: foot of the left half up to the opener, closer up to the top.
    EXPECT_TRUE(has(sheet1, L, foot, 207));
    EXPECT_TRUE(has(sheet1, R, 307, top));
    // Do: closer's column, the whole left half of sheet 2, then the foot
    // of sheet 1's right half up to the opener.
    EXPECT_TRUE(has(sheet2, R, 257, top));
    EXPECT_TRUE(has(sheet2, L, foot, top));
    EXPECT_TRUE(has(sheet1, R, foot, 407));
    std::size_t bracketLines = 0;
    for (const auto* sheet : {&sheet1, &sheet2})
        bracketLines += sheet->count(L) + sheet->count(R);
    EXPECT_EQ(bracketLines, 5u);
    // Drawing ends on the page of the last bracket.
    EXPECT_EQ(f->Pages.CurrentPageNumber(), 1);
}

TEST_F(ListingTest, DumpFilesWithTheDiagnosticFlag) {
    setKey("general", "DEBUGFLAG", "1");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    auto f = makeFormatter();
    f->BuildFromLines({"For i = 1 To 2", "  x = i", "Next i", "Wend"}, nullptr);
    QDir::setCurrent(previous);
    EXPECT_EQ(f->BracketCount(), 3);
    const QByteArray all = "For- Page 1\r\nNext- Page 1\r\nWend- Page 1\r\n";
    // The end of the text ends the bracket block; nothing is open there.
    EXPECT_EQ(testsupport::readFile(dir.filePath("Before.dbg")), all + "End Block- Page 1\r\n");
    EXPECT_EQ(testsupport::readFile(dir.filePath("brackets.log")), all);
    const QString after = QDir(TIniFile::windowsDirectory()).filePath("After.dbg");
    EXPECT_EQ(testsupport::readFile(after), all);
    QFile::remove(after);
}
