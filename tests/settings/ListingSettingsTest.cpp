#include "format/ListingSettings.h"
#include "common/TestSupport.h"
#include "format/SourceCodePrint.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "settings/FontRegistry.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class ListingSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QFile::remove(TIniFile().fileName());
        fontregistry::clear();
        debugFlag() = false;
    }
    void TearDown() override { SetUp(); }

    static void store(const QByteArray& text) {
        testsupport::writeFile(TIniFile().fileName(), text);
    }
    static TListingSettings load() {
        TListingSettings settings;
        LoadSettings(settings);
        return settings;
    }
};

// (The default values themselves are in the page digests.)
TEST_F(ListingSettingsTest, LoadingWithoutSettingsFileWritesNoneAndRegistersTheThreeFonts) {
    const TListingSettings s = load();
    EXPECT_EQ(bracketAreaWidth(s), 3 * 6 + 2);
    EXPECT_EQ(fontregistry::count(), 3);
    EXPECT_FALSE(QFile::exists(TIniFile().fileName())) << "loading never writes";
}

TEST_F(ListingSettingsTest, DefaultsAreToldPerKeyWithoutTouchingTheLoadedState) {
    store("[general]\r\ndebugflag=1\r\n[code]\r\nTName=courier\r\n");
    const TListingSettings loaded = load();
    ASSERT_TRUE(debugFlag());
    EXPECT_EQ(listingSettingDefault("GENERAL", "FUNCTIONSep"), "2");
    EXPECT_EQ(listingSettingDefault("brackets", "If"), "1") << "read even under BracketAll";
    EXPECT_EQ(listingSettingDefault("General", "SBL"), "3") << "as stored, not the line gap";
    EXPECT_EQ(listingSettingDefault("PROJECT INFO", "Watermark"), "");
    EXPECT_EQ(listingSettingDefault("Code", "TSize"), "10");
    EXPECT_EQ(listingSettingDefault("GENERAL", "ScreenSep"), std::nullopt);
    // Asking changed neither the diagnostics switch nor the named fonts.
    EXPECT_TRUE(debugFlag());
    EXPECT_EQ(fontregistry::find("CODE")->name(), loaded.CodeFont.name());
}

TEST_F(ListingSettingsTest, BracketFlags) {
    store("[BRACKETS]\nBracketAll=1\nIf=0\n");
    EXPECT_TRUE(load().BracketIf) << "BracketAll overrides the single kinds";

    store("[brackets]\nbracketall=0\nif=0\nifelse=0\nselect=0\nfor=0\ndo=0\nwhile=0\n");
    EXPECT_FALSE(load().AnyBracket);
    store("[BRACKETS]\nBracketAll=0\nIf=0\nIfElse=0\nSelect=0\nFor=0\nDo=0\n");
    EXPECT_TRUE(load().AnyBracket) << "While defaults to on";
}

TEST_F(ListingSettingsTest, DerivedAndDependentValues) {
    store("[general]\nsbl=0\ntabstospaces=0x10\nDEBUGFLAG=1\nCodePage=1251\n"
          "[SHADOWTHRESHOLD]\nFREQUENCY=0\nENABLED=1\n"
          "[GENERAL]\nTabsToSpaces=99\n");
    const TListingSettings s = load();
    EXPECT_EQ(s.LineGap, -1);
    EXPECT_EQ(s.TabsToSpaces, 16) << "the first spelling of a section counts";
    EXPECT_EQ(s.CodePage, 1251);
    EXPECT_TRUE(debugFlag());
    EXPECT_FALSE(s.ShadowEnabled) << "frequency 0 switches shadowing off";

    store("[general]\nsbl=1\ntabstospaces=abc\n");
    const TListingSettings t = load();
    EXPECT_EQ(t.LineGap, 0);
    EXPECT_EQ(t.TabsToSpaces, 3);
    EXPECT_FALSE(debugFlag()) << "each load resets the diagnostic flag";
}

TEST_F(ListingSettingsTest, IndicatorChoiceKeepsOldValueWhenNoneIsSet) {
    TListingSettings s;
    store("[GENERAL]\nNLIPicture0=0\nNLIPicture2=1\nNLIPicture4=1\n");
    LoadSettings(s);
    EXPECT_EQ(s.NLIIndex, 2);
    store("[GENERAL]\nNLIPicture0=0\n");
    LoadSettings(s);
    EXPECT_EQ(s.NLIIndex, 2);
}

TEST_F(ListingSettingsTest, FontsAndRegistry) {
    store("[comment]\nTSize=14\nTypeItalic=1\n[code]\nTName=Liberation Mono\nTSize=9\n"
          "[functions]\nTypeBold=1\n");
    const TListingSettings s = load();
    EXPECT_EQ(s.CommentFont, TFont("arial", 9, fsItalic)) << "comments take the code's size";
    EXPECT_EQ(*fontregistry::find("COMMENTS"), s.CommentFont);
    EXPECT_EQ(*fontregistry::find("CODE"), s.CodeFont);
    EXPECT_EQ(*fontregistry::find("FUNCTION"), s.FunctionFont);

    store("[code]\nTSize=12\n");
    load();
    EXPECT_EQ(fontregistry::find("CODE")->size(), 12) << "a reload replaces registered fonts";
}

TEST_F(ListingSettingsTest, ByteOutOfRangeStopsLoad) {
    TListingSettings s;
    LoadSettings(s);
    store("[general]\ntabstospaces=7\nshadeboxheight=300\n[reports]\ntitlepage=1\n"
          "[code]\nTSize=20\n");
    try {
        LoadSettings(s);
        FAIL() << "out-of-range byte accepted";
    } catch (const TListoraError& e) {
        EXPECT_EQ(e.message(), "Range check error: general/shadeboxheight = 300");
    }
    EXPECT_EQ(s.TabsToSpaces, 7) << "read before the error";
    EXPECT_EQ(s.ShadeBoxHeight, 2) << "the bad value is not taken";
    EXPECT_FALSE(s.TitlePage) << "read after the error";
    EXPECT_EQ(fontregistry::find("CODE")->size(), 10);

    store("[brackets]\nnestedindent=-1\n");
    EXPECT_THROW(LoadSettings(s), TListoraError);
    store("[GENERAL]\nFunctionSep=255\n");
    EXPECT_EQ(load().FunctionSep, 255);
}

TEST_F(ListingSettingsTest, FormatterTurnsItsPagesToTheLayout) {
    TSourceCodePrint formatter;
    store("[pagelayout]\ntwopage=0\n[brackets]\nnestedindent=4\ninitindent=0\n");
    EXPECT_TRUE(formatter.LoadSettings());
    EXPECT_FALSE(formatter.Pages.CurrentPage().Landscape);
    EXPECT_EQ(formatter.BracketAreaWidth, 24);

    store("");
    formatter.LoadSettings();
    EXPECT_TRUE(formatter.Pages.CurrentPage().Landscape);
}

} // namespace

TEST_F(ListingSettingsTest, ValuesTheLayoutCannotHonourAreBroughtIntoRangeAndListed) {
    store("[margins]\nleft=-5000\nright=2147483647\ntop=120\n[general]\nsbl=-1000000\n"
          "tabstospaces=-2\n[brackets]\nnestedindent=200\ninitindent=8\n"
          "[code]\nTSize=2147483647\n[header]\nTSize=-2147483648\n");
    const TListingSettings s = load();
    EXPECT_EQ(s.MarginLeft, 13);
    EXPECT_EQ(s.MarginRight, 550);
    EXPECT_EQ(s.MarginTop, 120) << "values in range stay";
    EXPECT_EQ(s.LineGap, -1);
    EXPECT_EQ(s.TabsToSpaces, 0);
    EXPECT_EQ(s.NestedIndent, 32);
    EXPECT_EQ(s.InitIndent, 8);
    EXPECT_EQ(s.CodeFont.size(), 72);
    EXPECT_EQ(s.CommentFont.size(), 72) << "comments follow the code's size";
    EXPECT_EQ(s.HeaderFont.size(), 4);
    EXPECT_EQ(s.Problems, (QStringList{"[brackets] nestedindent=200 is outside 0..32; 32 is used",
                                       "[general] tabstospaces=-2 is outside 0..32; 0 is used",
                                       "[general] sbl=-1000000 is outside 0..96; 0 is used",
                                       "[margins] left=-5000 is outside 13..550; 13 is used",
                                       "[margins] right=2147483647 is outside 13..550; 550 is used",
                                       "[header] TSize=-2147483648 is outside 4..72; 4 is used",
                                       "[code] TSize=2147483647 is outside 4..72; 72 is used"}));
    store("[general]\nsbl=2147483647\n");
    EXPECT_EQ(load().LineGap, 95);
    store("[general]\nsbl=0\n");
    EXPECT_TRUE(load().Problems.isEmpty()) << "a fresh load forgets the last report";
}

TEST_F(ListingSettingsTest, SettingsFileCheckNamesWhatALoadWouldRefuseOrAdjust) {
    const QString path = TIniFile().fileName();
    store("[general]\ntabstospaces=4\n");
    EXPECT_TRUE(CheckSettingsFile(path).isEmpty());
    store("[brackets]\nnestedindent=999\n");
    EXPECT_EQ(CheckSettingsFile(path),
              QStringList("Range check error: brackets/nestedindent = 999"));
    store("[margins]\nleft=-5\n");
    EXPECT_EQ(CheckSettingsFile(path).size(), 1);
    EXPECT_EQ(fontregistry::count(), 0) << "checking loads nothing into the program";
    EXPECT_EQ(CheckSettingsFile(path + ".missing").size(), 1);
}

TEST_F(ListingSettingsTest, ValuesThatCannotBeReadAreReportedOncePerKeyWithTheValueUsed) {
    const struct {
        QByteArray ini;
        QString report;
    } cases[] = {
        {"[margins]\nleft=99999999999\n",
         "[margins] left=99999999999 cannot be read as a whole number; 50 is used"},
        {"[margins]\nleft=abc\n",
         "[margins] left=abc cannot be read as a whole number; 50 is used"},
        {"[general]\ntabstospaces=+5\n",
         "[general] tabstospaces=+5 cannot be read as a whole number; 3 is used"},
        {"[pagelayout]\ntwopage=yes\n",
         "[pagelayout] twopage=yes cannot be read as a whole number; 1 is used"},
        {"[code]\nTSize=12pt\n", "[code] TSize=12pt cannot be read as a whole number; 10 is used"},
        {"[comment]\nTypeColor=red\n",
         "[comment] TypeColor=red cannot be read as a whole number; 0 is used"},
        {"[general]\ncodepage=-1\n",
         "[general] codepage=-1 is no code page known here; 1252 is used"},
        {"[general]\ncodepage=77777\n",
         "[general] codepage=77777 is no code page known here; 1252 is used"},
    };
    for (const auto& c : cases) {
        store(c.ini);
        const TListingSettings s = load();
        EXPECT_EQ(s.Problems, QStringList(c.report)) << c.ini.toStdString();
        EXPECT_EQ(s.MarginLeft, 50);
        EXPECT_EQ(s.CodePage, 1252);
    }
    store("[general]\ncodepage=932\n[pagelayout]\ntwopage=0\n[code]\nTSize=$C\n");
    const TListingSettings good = load();
    EXPECT_TRUE(good.Problems.isEmpty()) << good.Problems.join('\n').toStdString();
    EXPECT_EQ(good.CodePage, 932);
    EXPECT_EQ(good.CodeFont.size(), 12);
}

TEST_F(ListingSettingsTest, SettingsFilesThatCannotBeReadAreReportedAndGiveTheDefaults) {
    const QString path = TIniFile().fileName();
    // UTF-16 with a byte-order mark is read, either way round.
    const QString text = QStringLiteral("[margins]\r\nleft=120\r\n");
    QByteArray le("\xFF\xFE"), be("\xFE\xFF");
    for (const QChar c : text) {
        le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    }
    for (const QByteArray& bytes : {le, be}) {
        store(bytes);
        const TListingSettings s = load();
        EXPECT_EQ(s.MarginLeft, 120);
        EXPECT_TRUE(s.Problems.isEmpty()) << s.Problems.join('\n').toStdString();
    }

    const auto problemWith = [&](const QString& why) {
        const TListingSettings s = load();
        EXPECT_EQ(s.MarginLeft, 50);
        EXPECT_EQ(s.Problems, QStringList("cannot read the settings file " + path + ": " + why +
                                          "; the default settings are used"));
        EXPECT_EQ(CheckSettingsFile(path), QStringList("Unable to read " + path + ": " + why));
    };
    store(le.mid(2)); // UTF-16 without its mark
    problemWith("it is not text in UTF-8, Windows-1252 or UTF-16 with a byte-order mark");
    store("[margins]\nleft=120\n" + QByteArray(kMaxSettingsFileSize, ';'));
    problemWith("it is larger than 1 MB");
    QFile::remove(path);
    ASSERT_TRUE(QDir().mkdir(path));
    problemWith("it is a folder");
    ASSERT_TRUE(QDir().rmdir(path));
    // Neither a pipe nor a link to a device is read: one would block, the
    // other never end.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    problemWith("it is not a regular file");
    QFile::remove(path);
    ASSERT_TRUE(QFile::link("/dev/zero", path));
    problemWith("it is not a regular file");
    EXPECT_THROW(TIniFile().writeString("margins", "left", "60"), TListoraError)
        << "a file that was not read is not written over";
    QFile::remove(path);

    // Hundreds of thousands of empty sections: read, the key after them found.
    QByteArray many;
    for (int i = 0; many.size() < kMaxSettingsFileSize - 64; ++i)
        many += "[s" + QByteArray::number(i) + "]\n";
    store(many + "[margins]\nleft=77\n");
    EXPECT_EQ(load().MarginLeft, 77);
}
