#include "ListingSupport.h"

#include "common/TestSupport.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "render/VirtCanvas.h"

#include <QDir>
#include <QFile>

#include <map>

namespace {

// Rectangles other than the sheet's border.
std::vector<TDrawn> boxes(const std::vector<TDrawn>& all) {
    std::vector<TDrawn> out;
    for (const TDrawn& d : all)
        if (d.kind == ckRectangle && !(d.x1 == 35 && d.y1 == 36)) out.push_back(d);
    return out;
}

QString module(const QStringList& lines) {
    return "Attribute VB_Name = \"M\"\n" + lines.join('\n') + "\n";
}

} // namespace

TEST_F(ListingTest, RunsLongerThanTheThresholdAreBoxed) {
    auto f = makeFormatter();
    TSourceMgt& p = makeProject({{"m.bas", module({"x = 1", "' one", "' two", "y = 2 ' not whole",
                                                   "' a", "   ' b", "' c", "z = 3"})}});
    f->BuildProject(p.FirstFile(), p);
    const auto all = drawn(*f);
    const auto box = boxes(all);
    ASSERT_EQ(box.size(), 1u);
    EXPECT_EQ(countKind(*f, 1, ckFillRect), 2) << "two shadow bars";

    std::map<QString, TDrawn> byText;
    for (const TDrawn& t : texts(*f))
        byText[t.text] = t;
    // Two comments in a row print as ordinary lines, one line apart.
    EXPECT_EQ(byText["' two"].y1 - byText["' one"].y1, 15);
    // The box starts where "' a" would have gone; lines 15 apart inside.
    const int x0 = f->LeftColumnX, y0 = box[0].y1;
    EXPECT_EQ(box[0].x1, x0 - 2);
    EXPECT_EQ(box[0].x2, x0 + f->ColumnWidth - 5);
    EXPECT_EQ(box[0].y2, y0 + 3 * 15 + 15);
    EXPECT_EQ(byText["' a"].y1, y0 + 2);
    EXPECT_EQ(byText["' b"].y1, y0 + 17); // indented: the blanks print as code
    // The next line leaves room for the shadow below the box.
    EXPECT_EQ(byText["z = 3"].y1, y0 + 3 * 15 + 24);
    EXPECT_EQ(overlappingTexts(*f), "");
}

TEST_F(ListingTest, ARunTooLongForAColumnIsTriedAgainLineByLine) {
    // 692 units of text area on a side: 45 boxed lines fit, 46 do not.
    QStringList source{"x = 1"};
    for (int i = 0; i < 60; ++i)
        source << "' note " + QString::number(i);
    auto f = makeFormatter();
    TSourceMgt& p = makeProject({{"m.bas", module(source)}});
    f->BuildProject(p.FirstFile(), p);
    const auto box = boxes(drawn(*f));
    ASSERT_EQ(box.size(), 1u);
    std::map<QString, TDrawn> byText;
    for (const TDrawn& t : texts(*f))
        byText[t.text] = t;
    // The first 15 print plainly; the remaining 45 go boxed to the next side.
    EXPECT_EQ(byText["' note 14"].x1, f->LeftColumnX);
    EXPECT_EQ(byText["' note 15"].x1, f->RightColumnX);
    EXPECT_EQ(byText["' note 15"].y1, f->TextTop + 2);
    EXPECT_EQ(box[0].y1, f->TextTop);
    EXPECT_EQ(box[0].y2, f->TextTop + 45 * 15 + 15);
    EXPECT_LT(box[0].y2, f->TextBottom + 15);
    EXPECT_EQ(overlappingTexts(*f), "");
}

// A box is as tall as its lines come out, at any column width: pieces
// wrap as the line output wraps them, a continuation that reads like a
// declaration in the larger function font included.
TEST_F(ListingTest, ABoxHoldsEveryPieceOfItsWrappedLines) {
    const QStringList source{
        "x = 1",
        "'DISABLEINPLACE overrides the control's default behavior of allowing",
        "'    callers: Sub Main then Function Parse then Sub Load then Function Save",
        "'           are having problems => activating an object's place, you can",
        "'    see Sub Quit and Function Load and Sub Save and Function Quit first",
        "'           bit",
        "y = 2"};
    setKey("pagelayout", "twopage", "0");
    setKey("functions", "TSize", "20");
    int boxed = 0;
    for (int right = 13; right <= 550; right += 9) {
        setKey("margins", "right", QString::number(right));
        auto f = makeFormatter();
        TSourceMgt& p = makeProject({{"m.bas", module(source)}});
        f->BuildProject(p.FirstFile(), p);
        boxed += int(boxes(drawn(*f)).size());
        for (const TPageFinding& finding : f->CheckPages())
            ADD_FAILURE() << "right margin " << right << ": "
                          << FormatFinding(finding).toStdString();
    }
    EXPECT_GT(boxed, 40);
}

TEST_F(ListingTest, GlossaryTakesDescriptionsFromHeaderComments) {
    TSourceMgt& p = makeProject(
        {{"m.bas", module({"Function Sum(a, b)", "' Description: Sums values", "' of two numbers",
                           "'", "' Author: me", "' not reached", "Sum = a + b", "End Function",
                           "Sub NoDesc()", "x = 1", "End Sub"})},
         {"n.bas", module({"Sub Late()", "", "' Description: after a blank line", "End Sub"})}});
    auto f = makeFormatter();
    EXPECT_EQ(f->BuildGlossary(TGlossaryKind::Deluxe, p),
              (QStringList{"m.bas", "*******", "Sum -  Sums values", "of two numbers", "n.bas",
                           "*******"}));
    const QStringList basic = f->BuildGlossary(TGlossaryKind::Basic, p);
    EXPECT_EQ(basic.mid(4, 3),
              (QStringList{"///HALF", "///EYENOTES Here is some EyeNote Text", "n.bas"}));
    // The glossary is laid out like any list of lines, commands included.
    f->BuildPlain(basic, nullptr);
    bool eyes = false, half = false;
    for (const TDrawn& t : texts(*f)) {
        eyes |= t.text == "Here is some EyeNote Text";
        half |= t.text.contains("HALF");
    }
    EXPECT_TRUE(eyes);
    EXPECT_FALSE(half);
}

TEST_F(ListingTest, SettingsAreCopiedOutAndRestoredWhole) {
    const QString settings = TIniFile().fileName();
    const QString backup = QDir(TIniFile::windowsDirectory()).filePath("LISTORA.OLD");
    QFile::remove(backup);
    // Bytes a text copy would change: NUL, lone CR, no final newline.
    QByteArray mine = "[pagelayout]\r\ntwopage=1\r\n";
    for (int i = 0; i < 70000; ++i)
        mine += char(i * 7 % 256);
    mine += "\r\n[x]\rkey=\0value";
    testsupport::writeFile(settings, mine);
    auto f = makeFormatter();

    const QString copy = dir.filePath("job.ini");
    testsupport::writeFile(copy, QByteArray(200000, 'z')); // replaced, not appended to
    f->CopySettingsTo(copy);
    EXPECT_EQ(testsupport::readFile(copy), mine);

    const QString other = dir.filePath("other.ini");
    const QByteArray theirs = "[pagelayout]\ntwopage=0\n";
    testsupport::writeFile(other, theirs);
    f->RestoreSettingsFrom(other);
    EXPECT_EQ(testsupport::readFile(settings), theirs);
    EXPECT_EQ(testsupport::readFile(backup), mine);
    EXPECT_FALSE(f->Settings.TwoPage) << "settings reloaded";

    // A second restore keeps the first backup; a missing file changes
    // nothing.
    f->RestoreSettingsFrom(copy);
    EXPECT_EQ(testsupport::readFile(settings), mine);
    EXPECT_EQ(testsupport::readFile(backup), mine);
    EXPECT_THROW(f->RestoreSettingsFrom(dir.filePath("missing.ini")), TListoraError);
    EXPECT_EQ(testsupport::readFile(settings), mine);
    EXPECT_EQ(QDir(TIniFile::windowsDirectory()).entryList({"*.tmp", "*~"}, QDir::Files),
              QStringList());
    QFile::remove(backup);

    // A symbolic link at the settings file or at a copy's name is refused,
    // and the file it points to keeps its bytes.
    const QString outside = dir.filePath("outside.ini");
    testsupport::writeFile(outside, theirs);
    ASSERT_TRUE(QFile::remove(settings) && QFile::link(outside, settings));
    EXPECT_THROW(f->RestoreSettingsFrom(copy), TListoraError);
    const QString linkedCopy = dir.filePath("linked.ini");
    ASSERT_TRUE(QFile::link(outside, linkedCopy));
    EXPECT_THROW(f->CopySettingsTo(linkedCopy), TListoraError);
    EXPECT_EQ(testsupport::readFile(outside), theirs);
    QFile::remove(settings);
    QFile::remove(backup);
}
