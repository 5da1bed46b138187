#include "ListingSupport.h"

#include "format/InlineCommands.h"
#include "render/VirtCanvas.h"

#include <algorithm>

namespace {

// What one command line recorded on the current page, and where it left y.
struct TRun {
    bool matched = false;
    std::vector<TDrawn> drawn;
    int y = 0;
};

} // namespace

class InlineCommandTest : public ListingTest {
protected:
    // A formatter with its first frame drawn, writing at the left column.
    std::unique_ptr<TSourceCodePrint> framed() {
        auto f = makeFormatter();
        f->DrawFrame();
        f->CurrentX = f->LeftColumnX;
        f->CurrentY = f->TextTop;
        return f;
    }
    TRun run(TSourceCodePrint& f, const QString& line, int y = 200) {
        f.CurrentY = y;
        const std::size_t before = drawn(f).size();
        TRun r;
        r.matched = f.InlineCommand(line, f.Settings.InlineIndicator);
        std::vector<TDrawn> all = drawn(f);
        r.drawn.assign(all.begin() + std::ptrdiff_t(before), all.end());
        r.y = f.CurrentY;
        return r;
    }
};

TEST_F(InlineCommandTest, RulesAndTitlesAndNotes) {
    auto f = framed();
    const int X = f->CurrentX; // H = 13, h = 6, gap 2, column 463 wide
    ASSERT_EQ(f->ColumnWidth, 463);

    TRun r = run(*f, "///LINE");
    EXPECT_TRUE(r.matched);
    ASSERT_EQ(r.drawn.size(), 1u);
    EXPECT_EQ((std::vector<int>{r.drawn[0].x1, r.drawn[0].y1, r.drawn[0].x2, r.drawn[0].y2}),
              (std::vector<int>{X, 200, X + 448, 200}));
    EXPECT_EQ(r.y, 200);

    // Anywhere in the line, even after code: the title sits above a rule
    // one line lower, centred on the column.
    r = run(*f, "Total = 0 ' ///SECTION Totals  ");
    ASSERT_EQ(r.drawn.size(), 2u);
    EXPECT_EQ(r.drawn[0].y1, 215);
    EXPECT_EQ(r.drawn[1].text, "Totals");
    EXPECT_EQ(r.drawn[1].x1, X + 231 - 23);
    EXPECT_EQ(r.drawn[1].y1, 215 - 8);
    // The next line starts below the title (15 high from 207).
    EXPECT_EQ(r.y, 222);

    r = run(*f, "///CIRCLENOTES Hi");
    ASSERT_EQ(r.drawn.size(), 2u);
    EXPECT_EQ(r.drawn[0].kind, ckEllipse);
    EXPECT_EQ((std::vector<int>{r.drawn[0].x1, r.drawn[0].y1, r.drawn[0].x2, r.drawn[0].y2}),
              (std::vector<int>{X + 5, 204, X + 458, 226}));
    // In a font 5 units smaller (8 high: "Hi" 10 wide).
    EXPECT_EQ(r.drawn[1].x1, X + 231 - 5);
    EXPECT_EQ(r.drawn[1].y1, 215 - 5);
    EXPECT_EQ(f->Canvas().FontHeight(), -13) << "font height restored";
    EXPECT_EQ(r.y, 215 + 13 + 5);

    // A note wider than the column: only the shape.
    r = run(*f, "///RECTNOTES " + QString(70, 'w'));
    ASSERT_EQ(r.drawn.size(), 1u);

    // Eyes: brows, eyes, pupils and the note; three lines and 15 units.
    r = run(*f, "///EYENOTES look");
    EXPECT_EQ(r.drawn.size(), 2u + 4u + 1u);
    EXPECT_EQ(r.drawn.back().text, "look");
    EXPECT_EQ(r.drawn.back().x1, X + 65);
    EXPECT_EQ(r.drawn.back().y1, 236 - 6);
    EXPECT_EQ(r.y, 200 + 3 * 13 + 15);
    // A long note is kept whole, not cut at 255 characters: too wide for
    // the column, it is wrapped below the eyes.
    const QString longNote = QString(300, 'n') + "end";
    r = run(*f, "///EYENOTES " + longNote + "  ");
    QString printed;
    for (const TDrawn& d : r.drawn)
        if (d.font == "COMMENTS") printed += QString(d.text).remove("=>");
    EXPECT_EQ(printed, longNote);

    r = run(*f, "   ///SKIP");
    EXPECT_TRUE(r.matched && r.drawn.empty() && r.y == 200);
    // Code and strings never hold a command: such lines are printed.
    for (const char* plain : {"///line", "// LINE", "x = 1", "s = \"///LINE\"", "PRINT \"*******\"",
                              "x = 1 // 2 ///PAGE"})
        EXPECT_FALSE(run(*f, plain).matched) << plain;
    EXPECT_TRUE(IsInlineCommandLine("x = \"'\" ' ///PAGE", "///", "*"));
    EXPECT_FALSE(IsInlineCommandLine("x = \"' ///PAGE\"", "///", "*"));
}

TEST_F(InlineCommandTest, DelimiterRuleNeedsFiveInARow) {
    auto f = framed();
    EXPECT_FALSE(run(*f, "'****").matched);
    TRun r = run(*f, "'*****");
    EXPECT_TRUE(r.matched);
    ASSERT_EQ(r.drawn.size(), 1u);
    EXPECT_EQ(r.drawn[0].x2, f->CurrentX + 463 - 15);
    EXPECT_EQ(r.y, 215);
    // A rule line keeps its words: printed where the line begins, the rule
    // running on beside them at mid-line.
    r = run(*f, "    '********** CONSTANTES ***********");
    ASSERT_EQ(r.drawn.size(), 2u);
    EXPECT_EQ(r.drawn[0].text, "CONSTANTES");
    EXPECT_EQ(r.drawn[0].font, "COMMENTS");
    EXPECT_EQ(r.drawn[0].x1, f->CurrentX + 31); // four blanks of code
    EXPECT_EQ(r.drawn[1].x1, f->CurrentX + 31 + 78 + 6);
    EXPECT_EQ(r.drawn[1].x2, f->CurrentX + 463 - 15);
    EXPECT_EQ(r.drawn[1].y1, 200 + f->CodeLineHeight / 2);
    EXPECT_EQ(r.y, 215);
    EXPECT_EQ(RuleLineWords("x = 1 '=====", "="), "x = 1");
    EXPECT_EQ(RuleLineWords("'*-*-*-*-*-", "*-"), "");

    setKey("pagelayout", "twopage", "0");
    setKey("general", "comment delimiter", "-");
    setKey("inlinecommands", "indicator", "@@");
    f = framed();
    EXPECT_FALSE(run(*f, "'*****").matched);
    r = run(*f, "'-----");
    ASSERT_EQ(r.drawn.size(), 1u);
    EXPECT_EQ(r.drawn[0].x2, 816 - 36 - 10) << "one-page rule to the right margin";
    EXPECT_FALSE(run(*f, "///LINE").matched) << "the default indicator is plain code now";
    EXPECT_TRUE(run(*f, "@@LINE").matched);
}

TEST_F(InlineCommandTest, MovesGoToTheNextColumnAndCountIt) {
    auto f = framed();
    // PAGE from the left half: the right half, next number.
    run(*f, "///PAGE");
    EXPECT_EQ(f->CurrentX, f->RightColumnX);
    EXPECT_EQ(f->CurrentY, f->TextTop);
    EXPECT_EQ(f->PageNumber, 2);
    // PAGE from the right half: a new sheet.
    run(*f, "///PAGE", 300);
    EXPECT_EQ(f->Pages.PageCount(), 2);
    EXPECT_EQ(f->CurrentX, f->LeftColumnX);
    EXPECT_EQ(f->PageNumber, 3);
    // HALF above the half-way mark moves down to it, below it moves on.
    run(*f, "///HALF", f->TextTop);
    EXPECT_EQ(f->CurrentY, (f->TextBottom - f->TextTop) / 2);
    run(*f, "///HALF", 500);
    EXPECT_EQ(f->PageNumber, 4);
    run(*f, "///HALF", 500);
    EXPECT_EQ(f->Pages.PageCount(), 3);
    EXPECT_EQ(f->PageNumber, 5);
    // The room check: a section at the foot goes to the next column.
    const TRun r = run(*f, "///SECTION End", f->TextBottom - 5);
    EXPECT_EQ(f->PageNumber, 6);
    // The left half it leaves gets its header and footer first.
    const auto section = std::find_if(r.drawn.begin(), r.drawn.end(), [&](const TDrawn& d) {
        return d.y1 >= f->TextTop && d.y1 <= f->TextBottom;
    });
    ASSERT_NE(section, r.drawn.end());
    EXPECT_EQ(section->x1, f->RightColumnX);
    EXPECT_EQ(section->y1, f->TextTop + 15);
}

TEST_F(InlineCommandTest, CommandsNeverDrawOverText) {
    for (const char* twoPage : {"1", "0"}) {
        setKey("pagelayout", "twopage", twoPage);
        QStringList lines;
        for (int i = 0; i < 400; ++i) {
            if (i % 17 == 5) lines << "///PAGE";
            if (i % 23 == 7) lines << "///HALF";
            if (i % 13 == 3) lines << "' ///SECTION Part " + QString::number(i);
            if (i % 29 == 11) lines << "///CIRCLENOTES circle " + QString::number(i);
            if (i % 31 == 13) lines << "///RECTNOTES box " + QString::number(i);
            if (i % 37 == 19) lines << "///EYENOTES eyes " + QString::number(i);
            lines << "Value" + QString::number(i) + " = " + QString::number(i);
        }
        for (bool project : {false, true}) {
            auto f = makeFormatter();
            if (project) {
                TSourceMgt& p = makeProject({{"m.bas", lines.join('\n')}});
                f->BuildProject(p.FirstFile(), p);
            } else {
                f->BuildFromLines(lines, nullptr);
            }
            SCOPED_TRACE(QString("twopage %1 project %2").arg(twoPage).arg(project).toStdString());
            EXPECT_EQ(overlappingTexts(*f), "");
            // Every column counted: the last number is the last sheet's.
            const int sheets = f->Pages.PageCount();
            if (twoPage[0] == '1') {
                EXPECT_TRUE(f->PageNumber == 2 * sheets || f->PageNumber == 2 * sheets - 1);
            } else {
                EXPECT_EQ(f->PageNumber, sheets);
            }
            for (const TDrawn& t : texts(*f)) {
                if (!t.font.isEmpty()) {
                    EXPECT_LE(t.y1, f->TextBottom) << t.text.toStdString();
                }
            }
        }
    }
}
