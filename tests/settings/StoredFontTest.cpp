#include "settings/StoredFont.h"
#include "common/TestSupport.h"
#include "platform/IniFile.h"
#include "settings/FontRegistry.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { fontregistry::clear(); }
    void TearDown() override { fontregistry::clear(); }
};

TEST_F(RegistryTest, AddKeepsFirstCopyUntilRemoved) {
    EXPECT_EQ(fontregistry::find("CODE"), nullptr) << "empty registry";
    EXPECT_EQ(fontregistry::count(), 0);

    TFont code("Courier New", 9, fsBold, rgbColor(1, 2, 3));
    ASSERT_TRUE(fontregistry::add("CODE", code));
    code.setSize(20); // the registry holds a copy
    ASSERT_NE(fontregistry::find("CODE"), nullptr);
    EXPECT_EQ(fontregistry::find("CODE")->size(), 9);
    EXPECT_EQ(fontregistry::find("CODE")->color(), rgbColor(1, 2, 3));

    EXPECT_FALSE(fontregistry::add("CODE", TFont("Other", 12)));
    EXPECT_EQ(fontregistry::find("CODE")->name(), "Courier New");

    EXPECT_TRUE(fontregistry::remove("CODE"));
    EXPECT_FALSE(fontregistry::remove("CODE"));
    EXPECT_TRUE(fontregistry::add("CODE", TFont("Other", 12)));
    EXPECT_EQ(fontregistry::find("CODE")->name(), "Other");
}

TEST_F(RegistryTest, NamesAreExactAndEmptyNameIsNeverAdded) {
    EXPECT_TRUE(fontregistry::contains(""));
    EXPECT_FALSE(fontregistry::add("", TFont()));
    EXPECT_EQ(fontregistry::count(), 0);
    EXPECT_EQ(fontregistry::find(""), nullptr);

    fontregistry::add("Code", TFont("A", 10));
    EXPECT_FALSE(fontregistry::contains("CODE"));
    EXPECT_EQ(fontregistry::find("code"), nullptr);
    EXPECT_TRUE(fontregistry::add("CODE", TFont("B", 10)));
    EXPECT_EQ(fontregistry::count(), 2);
}

TEST_F(RegistryTest, FoundFontStaysValidWhileOthersAreAdded) {
    fontregistry::add("COMMENTS", TFont("First", 10));
    const TFont* first = fontregistry::find("COMMENTS");
    for (int i = 0; i < 100; ++i)
        fontregistry::add(QString::number(i), TFont());
    EXPECT_EQ(first, fontregistry::find("COMMENTS"));
    EXPECT_EQ(first->name(), "First");
    fontregistry::clear();
    EXPECT_EQ(fontregistry::count(), 0);
    EXPECT_FALSE(fontregistry::contains("COMMENTS"));
}

class StoredFontTest : public ::testing::Test {
protected:
    QString file() const { return dir.path() + "/fonts.ini"; }
    QTemporaryDir dir;
};

TEST_F(StoredFontTest, MissingKeysTakeDefaultsAndBlack) {
    testsupport::writeFile(file(), "[Code]\nTName=Courier New\n");
    const TRWFont font(file(), "code", "arial", 10, fsItalic | fsStrikeOut);
    EXPECT_EQ(font.name(), "Courier New");
    EXPECT_EQ(font.size(), 10);
    EXPECT_EQ(font.style(), TFontStyles(fsItalic | fsStrikeOut));
    EXPECT_EQ(font.color(), clBlack);

    const TRWFont none("", "code", "arial", 12, fsBold);
    EXPECT_EQ(none.name(), "arial");
    EXPECT_EQ(none.size(), 12);
    EXPECT_EQ(none.style(), TFontStyles(fsBold));
}

TEST_F(StoredFontTest, StoredKeysOverrideDefaults) {
    testsupport::writeFile(file(), "[header]\nTName=Serif\nTSize=14\nTypeBold=2\nTypeItalic=0\n"
                                   "TypeUnderline=1\nTypeStrikeout=0\nTypeColor=$80000005\n");
    const TRWFont font(file(), "HEADER", "arial", 10, fsItalic);
    EXPECT_EQ(font.name(), "Serif");
    EXPECT_EQ(font.size(), 14);
    EXPECT_EQ(font.height(), -19);
    EXPECT_EQ(font.style(), TFontStyles(fsBold | fsUnderline));
    EXPECT_EQ(font.color(), 0x80000005u);
}

TEST_F(StoredFontTest, SaveWritesSevenKeysInOrderAndReadsBack) {
    TFontSave font(TFont("Liberation Mono", 11, fsBold | fsStrikeOut, rgbColor(255, 0, 128)));
    font.Save(file(), "");
    EXPECT_EQ(testsupport::readFile(file()),
              QByteArray("[FONTSECTION]\nTName=Liberation Mono\nTSize=11\nTypeBold=1\n"
                         "TypeItalic=0\nTypeUnderline=0\nTypeStrikeout=1\nTypeColor=8388863\n"));

    const TFontSave back(file(), "fontsection", "arial", 10, 0);
    EXPECT_EQ(static_cast<const TFont&>(back), static_cast<const TFont&>(font));

    // Saving again replaces the values in place.
    TFontSave other(TFont("X", 8));
    other.Save(file(), "FontSection");
    EXPECT_EQ(TRWFont(file(), "FONTSECTION", "arial", 10, fsBold).name(), "X");
    EXPECT_EQ(TIniFile(file()).readString("FONTSECTION", "TypeStrikeout", ""), "0");
}

} // namespace
