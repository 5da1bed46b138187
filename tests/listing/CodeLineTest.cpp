#include "ListingSupport.h"

#include "render/VirtCanvas.h"

namespace {

// Prints line at the top of a fresh left column of the given width.
void printIn(TSourceCodePrint& f, int columnWidth, const QString& line) {
    f.DrawFrame();
    f.ColumnWidth = columnWidth;
    f.CurrentX = f.LeftColumnX;
    f.CurrentY = f.TextTop;
    f.PrintCodeLine(line, "CODE", false, false, -1, -1, 0);
}

QStringList textsOf(const std::vector<TDrawn>& drawn) {
    QStringList out;
    for (const TDrawn& t : drawn)
        out << t.text;
    return out;
}

} // namespace

TEST_F(ListingTest, ALineFitsOnlyWithFifteenUnitsToSpare) {
    const QString line = QString(20, 'a') + ' ' + QString(20, 'b'); // 41 * 7.8 = 320
    auto fits = makeFormatter();
    printIn(*fits, 336, line);
    EXPECT_EQ(textsOf(codeTexts(*fits)), QStringList{line});

    auto wraps = makeFormatter();
    printIn(*wraps, 335, line);
    EXPECT_EQ(textsOf(codeTexts(*wraps)),
              (QStringList{QString(20, 'a') + ' ', "=>" + QString(20, 'b')}));
    const auto drawn = codeTexts(*wraps);
    EXPECT_EQ(drawn[1].y1 - drawn[0].y1, 15);
    // The continuation's one-blank indent places it rather than being drawn.
    EXPECT_EQ(drawn[1].x1 - drawn[0].x1, 8);
}

TEST_F(ListingTest, SmartIndentKeepsContinuationsUnderTheCode) {
    const QString words = "alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu";
    auto f = makeFormatter();
    printIn(*f, 250, "   " + words + " " + words);
    const auto drawn = codeTexts(*f);
    ASSERT_GE(drawn.size(), 3u);
    // Four blanks of indent (31 units), then the indicator; the line itself
    // starts three blanks in.
    EXPECT_EQ(drawn[0].x1 - f->LeftColumnX, 23);
    for (std::size_t i : {1u, 2u}) {
        EXPECT_TRUE(drawn[i].text.startsWith("=>")) << drawn[i].text.toStdString();
        EXPECT_EQ(drawn[i].x1 - f->LeftColumnX, 31);
    }
}

TEST_F(ListingTest, WithoutSmartIndentContinuationsStartAtTheEdge) {
    setKey("general", "indentcontinuedlines", "0");
    auto f = makeFormatter();
    printIn(*f, 250, "   alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi");
    const QStringList pieces = textsOf(codeTexts(*f));
    ASSERT_GE(pieces.size(), 2);
    EXPECT_TRUE(pieces[1].startsWith("=>")) << pieces[1].toStdString();
}

TEST_F(ListingTest, ARunOfWordCharactersIsCutByTheWidthOfX) {
    auto f = makeFormatter();
    printIn(*f, 335, QString(100, 'a'));
    const QStringList pieces = textsOf(codeTexts(*f));
    ASSERT_GE(pieces.size(), 2);
    EXPECT_EQ(pieces[0].size(), 42); // Round(335 / width("X") = 8)
}

TEST_F(ListingTest, CommentsUseTheCommentFontAndContinueInIt) {
    auto f = makeFormatter();
    printIn(*f, 400, "x = 1 ' note");
    auto drawn = codeTexts(*f);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].font, "CODE");
    EXPECT_EQ(drawn[0].text, "x = 1 ");
    EXPECT_EQ(drawn[1].font, "COMMENTS");
    EXPECT_EQ(drawn[1].x1, drawn[0].x1 + 47); // six characters of 7.8
    EXPECT_EQ(drawn[1].text, "' note");

    auto whole = makeFormatter();
    printIn(*whole, 400, "' a whole-line comment");
    EXPECT_EQ(codeTexts(*whole)[0].font, "COMMENTS");

    auto wrapped = makeFormatter();
    printIn(*wrapped, 250,
            "y = 2 ' a comment that is much too long to fit on one line of the column");
    drawn = codeTexts(*wrapped);
    ASSERT_GE(drawn.size(), 3u);
    EXPECT_EQ(drawn[0].font, "CODE");
    EXPECT_EQ(drawn[1].font, "COMMENTS");
    EXPECT_EQ(drawn[2].font, "COMMENTS") << "the continuation stays in the comment font";
}

TEST_F(ListingTest, ProcedureDeclarationsUseTheirOwnFont) {
    auto f = makeFormatter();
    printIn(*f, 400, "Public Function Total(a As Long) As Long");
    EXPECT_EQ(codeTexts(*f)[0].font, "FUNCTION");
}

TEST_F(ListingTest, NarrowColumnsStillPrintEveryCharacterInFewPieces) {
    const QString line = "   If total > limit Then MsgBox \"Over the limit by \" & (total - limit) "
                         "& \" units\", vbExclamation ' warn the user";
    for (int width : {-40, 0, 5, 12, 20, 40}) {
        auto f = makeFormatter();
        printIn(*f, width, line);
        const QStringList pieces = textsOf(codeTexts(*f));
        ASSERT_LE(pieces.size(), line.size() + 1) << "width " << width;
        // Without the indent and indicator the pieces give the line back.
        QString joined;
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            QString piece = pieces[i];
            if (i > 0 && codeTexts(*f)[i].font == "COMMENTS" &&
                codeTexts(*f)[i - 1].font == "CODE" &&
                codeTexts(*f)[i].y1 == codeTexts(*f)[i - 1].y1) {
                joined += piece; // second half of a split line
                continue;
            }
            if (i > 0) {
                piece = piece.trimmed();
                if (piece.startsWith("=>")) piece = piece.mid(2);
            }
            joined += piece;
        }
        EXPECT_EQ(joined.simplified().remove(' '), QString(line).remove(' ')) << "width " << width;
    }
}

TEST_F(ListingTest, LongLinesLoseNothing) {
    // Longer than the old 255-character carry and the 1000-character comment.
    const QString code = "s = s & " + QString(300, 'q');
    const QString comment = "' " + QString(1200, 'c');
    auto f = makeFormatter();
    printIn(*f, 463, code);
    printIn(*f, 463, comment);
    int q = 0, c = 0;
    for (const QString& t : textsOf(codeTexts(*f))) {
        q += t.count('q');
        c += t.count('c');
    }
    EXPECT_EQ(q, 300);
    EXPECT_EQ(c, 1200);
}

TEST_F(ListingTest, LinesLongerThanAPlanningWindowWrapByTheWholeLine) {
    // A piece is planned from the start of what is left; what lies further
    // on still decides its font.
    auto f = makeFormatter();
    printIn(*f, 463, QString()); // nothing to plan from
    const std::size_t before = codeTexts(*f).size();
    printIn(*f, 463, QString(3000, ' ') + "Sub Far()");
    ASSERT_GT(codeTexts(*f).size(), before);
    EXPECT_EQ(codeTexts(*f)[before].font, "FUNCTION");

    QString code = "x = ";
    while (code.size() < 3000)
        code += "\"a b\" & If_ & ";
    const QString line = code + "' " + QString(3000, 'c');
    f = makeFormatter();
    printIn(*f, 463, line);
    int chars = 0, c = 0;
    for (const TDrawn& t : codeTexts(*f)) {
        chars += t.text.count(u'&');
        c += t.text.count(u'c');
        // Code and comment each keep their font, however long the line.
        if (t.text.contains(u'&')) {
            EXPECT_EQ(t.font, "CODE") << t.text.toStdString();
        }
        if (t.text.contains(u'c')) {
            EXPECT_EQ(t.font, "COMMENTS") << t.text.toStdString();
        }
    }
    EXPECT_EQ(chars, code.count(u'&'));
    EXPECT_EQ(c, 3000);
}

TEST_F(ListingTest, IndicatorPicturesGoBesideContinuationsOnTheirOwnSheet) {
    setKey("GENERAL", "NLIPicture0", "0");
    setKey("GENERAL", "NLIPicture2", "1");
    auto f = makeFormatter();
    f->DrawFrame();
    f->CurrentX = f->LeftColumnX;
    f->CurrentY = f->TextTop;
    const QString longLine =
        "alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi omicron";
    f->PrintCodeLine(longLine, "CODE", false, false, -1, -1, 0);
    EXPECT_EQ(countKind(*f, 1, ckStretchPicture), 1) << "one continuation, one picture";
    for (const TCanvasCommand& c : f->Canvas().Commands()) {
        if (c.Kind == ckStretchPicture) {
            EXPECT_EQ(c.Text, "1"); // picture number NLIIndex - 1
            EXPECT_EQ(c.X3, f->LeftColumnX - 2);
            EXPECT_EQ(c.Y1, f->TextTop + 30 - 13 - 3); // beside the second line
        }
    }

    // A continuation that ends a sheet: its picture stays at the foot of the
    // right column of that sheet, not on the next one.
    f->CurrentX = f->RightColumnX;
    f->CurrentY = f->TextBottom - 15;
    f->PrintCodeLine(longLine, "CODE", false, false, -1, -1, 0);
    EXPECT_EQ(f->Pages.PageCount(), 2);
    EXPECT_EQ(countKind(*f, 1, ckStretchPicture), 2);
    EXPECT_EQ(countKind(*f, 2, ckStretchPicture), 0);
    const TCanvasCommand last = [&] {
        TCanvasCommand found;
        for (const TCanvasCommand& c : f->Pages.Page(1)->Canvas->Commands())
            if (c.Kind == ckStretchPicture) found = c;
        return found;
    }();
    EXPECT_EQ(last.X3, f->RightColumnX);
    EXPECT_EQ(last.Y3, f->TextBottom - 3);
}

TEST_F(ListingTest, NoPictureWhenNoIndicatorIsChosen) {
    for (int i = 0; i <= 5; ++i)
        setKey("GENERAL", QString("NLIPicture%1").arg(i), "0");
    auto f = makeFormatter();
    printIn(*f, 250, "alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi");
    EXPECT_GE(codeTexts(*f).size(), 2u);
    EXPECT_EQ(countKind(*f, 1, ckStretchPicture) + countKind(*f, 1, ckDrawPicture), 0);
}

TEST_F(ListingTest, AnIndentedCommentStartsWhereCodeWithItsIndentStarts) {
    auto f = makeFormatter();
    f->DrawFrame();
    f->CurrentX = f->LeftColumnX;
    f->CurrentY = f->TextTop;
    f->PrintCodeLine("      x = 1", "CODE", false, false, -1, -1, 0);
    f->PrintCodeLine("      ' why x is 1", "CODE", false, false, -1, -1, 0);
    const auto drawn = codeTexts(*f);
    ASSERT_EQ(drawn.size(), 2u);
    // Neither piece draws its blanks: drawn narrower than measured, they
    // would put the code left of the comment.
    EXPECT_EQ(drawn[0].text, "x = 1");
    EXPECT_EQ(drawn[1].text, "' why x is 1");
    EXPECT_EQ(drawn[1].font, "COMMENTS");
    EXPECT_EQ(drawn[0].x1, drawn[1].x1);
    EXPECT_EQ(drawn[0].x1, f->LeftColumnX + 47); // six blanks of 7.8
}
