// The paper and keyword options on the example project: A4 pages of their
// true size with the margins where Page Setup puts them, and bold keywords
// that keep every piece in its column. (That every printed line carries its
// own number, and only keywords of code are bold, the corpus page test
// checks over every project.)
#include "ExampleBuild.h"
#include "PdfReader.h"

#include "render/PdfListing.h"
#include "render/VirtCanvas.h"
#include "settings/FontRegistry.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <optional>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using ListingOptions = FixedMetricsTest;

// Bold text a third wider than regular, every advance fractional: a mixed
// line measured in one face would overflow.
class TBoldWiderMeasurer : public ITextMeasurer {
public:
    int textWidth(const TFont& font, QStringView text) override {
        return int(std::lrint(double(text.size()) * advance(font)));
    }
    int textHeight(const TFont& font, QStringView) override { return font.pixelSize() + 2; }

private:
    static double advance(const TFont& font) {
        return font.pixelSize() * (font.bold() ? 0.8 : 0.6);
    }
};

QString pieceText(const TCanvasCommand& c) {
    return c.Text.mid(c.Text.indexOf(kFontTextSeparator) + kFontTextSeparator.size());
}

} // namespace

TEST_F(ListingOptions, A4PagesHaveTheirTrueSizeAndMargins) {
    const TExampleBuild b =
        buildProject(exampleProject(), {{"pagelayout/twopage", "0"}, {"PAGELAYOUT/Paper", "1"}});
    TPageStorage& pages = b.formatter->Pages;
    EXPECT_EQ(pages.Page(1)->Width, 794);
    EXPECT_EQ(pages.Page(1)->Height, 1123);
    // Half an inch less an eighth: 36 units from every edge. The footer
    // rule runs from the left margin to the right one.
    const auto& commands = pages.Page(1)->Canvas->Commands();
    bool footerRule = false;
    for (std::size_t i = 0; i + 1 < commands.size(); ++i)
        footerRule |= commands[i].Kind == ckMoveTo && commands[i].X1 == 36 &&
                      commands[i + 1].Kind == ckLineTo && commands[i + 1].X1 == 794 - 36 &&
                      commands[i].Y1 == commands[i + 1].Y1 && commands[i].Y1 > 1000;
    EXPECT_TRUE(footerRule);

    QTemporaryDir dir;
    WriteListingPdf(pages, dir.filePath("a4.pdf"), "Demo");
    const TReadPdf pdf = readPdf(dir.filePath("a4.pdf"));
    ASSERT_EQ(int(pdf.widths.size()), pages.PageCount());
    for (std::size_t i = 0; i < pdf.widths.size(); ++i) {
        EXPECT_NEAR(pdf.widths[i], 595, 0.5);
        EXPECT_NEAR(pdf.heights[i], 842, 0.5);
    }
    // Two pages on an A4 sheet on its side; no setting at all is letter.
    EXPECT_EQ(
        buildProject(exampleProject(), {{"PAGELAYOUT/Paper", "1"}}).formatter->Pages.Page(1)->Width,
        1123);
    EXPECT_EQ(buildProject(exampleProject(), {}).formatter->Pages.Page(1)->Width, 1056);
}

TEST_F(ListingOptions, KeywordEmphasisKeepsEveryPieceInItsColumn) {
    TBoldWiderMeasurer wider;
    setTextMeasurer(&wider);
    const TExampleBuild b =
        buildProject(exampleProject(), {{"GENERAL/KeywordEmphasis", "1"}, {"margins/left", "150"}});
    const TSourceCodePrint& f = *b.formatter;
    int bold = 0, followers = 0, headingBold = 0;
    QStringList boldWords;
    for (int n = 1; n <= f.Pages.PageCount(); ++n) {
        // A copy: the commands are read as values.
        std::optional<TCanvasCommand> before;
        for (const TCanvasCommand& c : f.Pages.Page(n)->Canvas->Commands()) {
            if (c.Kind != ckTextOutInFont) continue;
            const QString font = c.Text.left(c.Text.indexOf(kFontTextSeparator));
            const QString text = pieceText(c);
            // A run that follows another on its line starts where that one
            // ends as drawn: the gap after a bold word is an ordinary blank.
            const QString beforeFont =
                before ? before->Text.left(before->Text.indexOf(kFontTextSeparator)) : QString();
            if (before && before->Y1 == c.Y1 && font.startsWith("CODE") &&
                beforeFont.startsWith("CODE") && font != beforeFont) {
                const int drawn = textMeasurer().textWidth(
                    DrawnFont(*fontregistry::find(beforeFont)), pieceText(*before));
                EXPECT_EQ(c.X1, before->X1 + drawn) << "sheet " << n << ": " << text.toStdString();
                ++followers;
            }
            before = c;
            const int left = c.X1 >= f.RightColumnX ? f.RightColumnX : f.LeftColumnX;
            const int width = textMeasurer().textWidth(*fontregistry::find(font), text);
            EXPECT_LE(c.X1 + width, left + f.ColumnWidth)
                << "sheet " << n << ": \"" << text.toStdString() << "\" in " << font.toStdString();
            if (font == "CODEBOLD" || font == "FUNCTIONBOLD") {
                ++bold;
                boldWords << text;
                headingBold += font == "FUNCTIONBOLD";
            }
        }
    }
    EXPECT_GT(bold, 100);
    // "Public Function ... As Long": the declarations' keywords as well.
    EXPECT_GT(headingBold, 20);
    EXPECT_GT(followers, 100);
    // Nothing overlaps, nothing passes its column, as the page check sees it.
    for (const TPageFinding& finding : f.CheckPages())
        ADD_FAILURE() << FormatFinding(finding).toStdString();
    // Keywords only, never in strings ("Nothing to post.") or comments.
    for (const QString& word : boldWords)
        EXPECT_TRUE(QRegularExpression("^[A-Z][A-Za-z]*\\$?$").match(word).hasMatch())
            << word.toStdString();
    EXPECT_TRUE(boldWords.contains("Dim") && boldWords.contains("ElseIf"));
    // "Set mAccount = Nothing", not "Nothing to post." in a string.
    EXPECT_EQ(boldWords.count("Nothing"), 1);
}
