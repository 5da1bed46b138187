#include "ListingSupport.h"

#include "render/VirtCanvas.h"

#include <algorithm>

namespace {

QString module(const QString& name, const QString& body) {
    return "Attribute VB_Name = \"" + name + "\"\n" + body;
}

QStringList pageNames(const TSourceCodePrint& f) {
    QStringList names;
    for (int n = 1; n <= f.Pages.PageCount(); ++n)
        names << f.Pages.Page(n)->PageName;
    return names;
}

QStringList textsOn(const std::vector<TDrawn>& all, int page) {
    QStringList out;
    for (const TDrawn& t : all)
        if (t.page == page) out << t.text;
    return out;
}

} // namespace

TEST_F(ListingTest, TitleAndContentsComeFirstAndTheListingIsNumberedFromOne) {
    setKey("reports", "titlepage", "1");
    setKey("reports", "toc", "1");
    setKey("reports", "functionindex", "1");
    setKey("project info", "project name", "Ledger");
    auto f = makeFormatter();
    TSourceMgt& p = makeProject({{"a.bas", module("A", "Sub One()\n  x = 1\nEnd Sub\n")},
                                 {"b.bas", module("B", "Sub Two()\n  y = 2\nEnd Sub\n")}});
    f->BuildProject(p.FirstFile(), p);

    const QStringList names = pageNames(*f);
    ASSERT_EQ(names.size(), 4);
    EXPECT_EQ(names[0], "Title Page");
    EXPECT_EQ(names[1], "Table of Contents");
    EXPECT_TRUE(names[2].startsWith("Page 3 - ")) << names[2].toStdString();
    EXPECT_EQ(names[3], "Function Index");

    const auto all = texts(*f);
    EXPECT_EQ(textsOn(all, 1), (QStringList{"Ledger", "Client Name", "Produced by Company Name",
                                            "Code Listing From", "1/2/2026"}));
    // The listing's first sheet carries the numbers 1 and 2 in its footers.
    const QStringList listing = textsOn(all, 3);
    EXPECT_TRUE(listing.contains("1") && listing.contains("2"));
    EXPECT_EQ(p.FirstFile()->FirstPage, 1);
    EXPECT_EQ(textsOn(all, 2), (QStringList{"Table Of Contents", "a.bas", "1", "b.bas", "1"}));
}

TEST_F(ListingTest, IndexIsSortedWithoutRegardToCaseUnderLetterHeadings) {
    setKey("reports", "functionindex", "1");
    // Every procedure on a side of its own: references 2, 3 and 4.
    setKey("GENERAL", "FunctionSep", "0");
    auto f = makeFormatter();
    TSourceMgt& p =
        makeProject({{"b.bas", module("B", "Option Explicit\nFunction beta()\nEnd Function\n"
                                           "Sub alpha2()\nEnd Sub\n")},
                     {"a.bas", module("A", "Sub Alpha()\nEnd Sub\n")}});
    f->BuildProject(p.FirstFile(), p);

    QStringList index;
    for (const TDrawn& t : texts(*f))
        if (t.page == f->Pages.PageCount() && t.text != "Function Index") index << t.text;
    EXPECT_EQ(index, (QStringList{"A", "Alpha (a.bas) ,  4", "alpha2 (b.bas) ,  3", "B",
                                  "beta (b.bas) ,  2", "F", "File Declarations (a.bas) ,  3",
                                  "File Declarations (b.bas) ,  1"}));
}

TEST_F(ListingTest, IndexGivesEachProcedureThePageItStartsOn) {
    setKey("reports", "functionindex", "1");
    setKey("GENERAL", "FunctionSep", "0");
    auto f = makeFormatter();
    // A type character closes the declared name; both branches of an "#If"
    // declare Twice, which keeps the page of the first.
    TSourceMgt& p = makeProject(
        {{"m.bas", module("M", "Function FormatAmount$(ByVal v As Double)\n  x = 1\nEnd Function\n"
                               "#If A Then\nSub Twice()\n#Else\n  Sub Twice()\n#End If\n"
                               "End Sub\n")}});
    f->BuildProject(p.FirstFile(), p);
    QStringList index;
    for (const TDrawn& t : texts(*f))
        if (t.page == f->Pages.PageCount() && t.text.contains('(')) index << t.text;
    EXPECT_EQ(index, (QStringList{"File Declarations (m.bas) ,  1", "FormatAmount (m.bas) ,  2",
                                  "Twice (m.bas) ,  3"}));
}

TEST_F(ListingTest, ContentsSpreadOverThePageOrTwoColumnsAndFurtherPages) {
    setKey("reports", "toc", "1");
    {
        auto f = makeFormatter();
        std::vector<std::pair<QString, QString>> files;
        for (int i = 0; i < 4; ++i)
            files.push_back({QString("m%1.bas").arg(i), module("M", "x = 1\n")});
        TSourceMgt& p = makeProject(files);
        f->BuildProject(p.FirstFile(), p);
        std::vector<int> ys;
        for (const TDrawn& t : texts(*f))
            if (t.page == 1 && t.text.startsWith("m")) ys.push_back(t.y1);
        // top 163, bottom 742 (14-point entries, 19 high): 579 / 4 apart.
        EXPECT_EQ(ys, (std::vector<int>{163, 308, 453, 598}));
    }

    auto f = makeFormatter();
    std::vector<std::pair<QString, QString>> files;
    for (int i = 0; i < 300; ++i)
        files.push_back(
            {QString("Module%1.bas").arg(i, 3, 10, QChar('0')), module("M", "x = 1\n")});
    TSourceMgt& p = makeProject(files);
    f->BuildProject(p.FirstFile(), p);

    // Two columns of 25 a page: six contents pages, then the listing.
    const QStringList names = pageNames(*f);
    for (int n = 0; n < 6; ++n)
        EXPECT_EQ(names[n], "Table of Contents") << n;
    EXPECT_TRUE(names[6].startsWith("Page 7 - "));
    QStringList listed;
    const int W = 1056, R = f->MarginR;
    for (const TDrawn& t : drawn(*f)) {
        if (t.page > 6) continue;
        if (t.text.startsWith("Module")) listed << t.text;
        // Entries are 19 units high, 19 / 13 as wide as code text.
        if (t.kind == ckTextOut) {
            EXPECT_LE(t.x1 + int(t.text.size() * 7.8 * 19 / 13), W - R);
        } else if (t.kind == ckLineTo) {
            EXPECT_LE(std::max(t.x1, t.x2), W - R);
        }
    }
    ASSERT_EQ(listed.size(), 300);
    EXPECT_EQ(listed.first(), "Module000.bas");
    EXPECT_EQ(listed.last(), "Module299.bas");
    EXPECT_EQ(overlappingTexts(*f), "");
}
