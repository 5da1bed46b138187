#include "settings/StoredFont.h"
#include "common/TestSupport.h"
#include "platform/IniFile.h"
#include "settings/FontRegistry.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(FontRegistry, AddFindRemoveByExactName) {
    fontregistry::clear();
    EXPECT_EQ(fontregistry::find("CODE"), nullptr) << "empty registry";
    EXPECT_TRUE(fontregistry::contains(""));
    EXPECT_FALSE(fontregistry::add("", TFont()));

    TFont code("Courier New", 9);
    ASSERT_TRUE(fontregistry::add("CODE", code));
    const TFont* found = fontregistry::find("CODE");
    code.setSize(20);
    EXPECT_EQ(found->size(), 9) << "the registry holds a copy";
    EXPECT_FALSE(fontregistry::add("CODE", TFont("Other", 12)));
    EXPECT_EQ(fontregistry::find("code"), nullptr);

    for (int i = 0; i < 100; ++i)
        fontregistry::add(QString::number(i), TFont());
    EXPECT_EQ(fontregistry::find("CODE"), found) << "found fonts stay put while others are added";
    EXPECT_EQ(fontregistry::count(), 101);

    EXPECT_TRUE(fontregistry::remove("CODE"));
    EXPECT_FALSE(fontregistry::remove("CODE"));
    EXPECT_TRUE(fontregistry::add("CODE", TFont("Other", 12)));
    EXPECT_EQ(fontregistry::find("CODE")->name(), "Other");
    fontregistry::clear();
    EXPECT_EQ(fontregistry::count(), 0);
}

class StoredFontTest : public ::testing::Test {
protected:
    QString file() const { return dir.path() + "/fonts.ini"; }
    QTemporaryDir dir;
};

TEST_F(StoredFontTest, LoadsKeysOverDefaults) {
    testsupport::writeFile(file(),
                           "[Code]\nTName=Courier New\n[header]\nTName=Serif\nTSize=14\n"
                           "TypeBold=2\nTypeItalic=0\nTypeUnderline=1\nTypeColor=$80000005\n");
    const TRWFont code(file(), "code", "arial", 10, fsItalic | fsStrikeOut);
    EXPECT_EQ(code, TFont("Courier New", 10, fsItalic | fsStrikeOut, clBlack));
    const TRWFont header(file(), "HEADER", "arial", 10, fsItalic);
    EXPECT_EQ(header, TFont("Serif", 14, fsBold | fsUnderline, 0x80000005u));
    EXPECT_EQ(TRWFont("", "header", "arial", 12, fsBold), TFont("arial", 12, fsBold));
}

TEST_F(StoredFontTest, SaveWritesSevenKeysInOrderAndReadsBack) {
    TFontSave font(TFont("Liberation Mono", 11, fsBold | fsStrikeOut, rgbColor(255, 0, 128)));
    font.Save(file(), "");
    EXPECT_EQ(testsupport::readFile(file()),
              QByteArray("[FONTSECTION]\nTName=Liberation Mono\nTSize=11\nTypeBold=1\n"
                         "TypeItalic=0\nTypeUnderline=0\nTypeStrikeout=1\nTypeColor=8388863\n"));
    EXPECT_EQ(TRWFont(file(), "fontsection", "arial", 10, 0), font);

    TFontSave(TFont("X", 8)).Save(file(), "FontSection");
    EXPECT_EQ(TRWFont(file(), "FONTSECTION", "arial", 10, fsBold), TFont("X", 8));
}

} // namespace
