#include "platform/IniFile.h"
#include "common/TestSupport.h"
#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using testsupport::readFile;
using testsupport::writeFile;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    QString path(const QString& name = QStringLiteral("test.ini")) const {
        return dir.path() + u'/' + name;
    }
    QTemporaryDir dir;
};

TEST_F(IniFileTest, SectionsAndKeysIgnoreCase) {
    TIniFile ini(path());
    ini.writeInteger("GENERAL", "TabsToSpaces", 4);
    EXPECT_EQ(ini.readInteger("general", "tabstospaces", 0), 4);
    ini.writeInteger("General", "TABSTOSPACES", 8);
    EXPECT_EQ(readFile(path()), QByteArray("[GENERAL]\nTabsToSpaces=8\n"));
}

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesDefault) {
    TIniFile missing(path("absent.ini"));
    EXPECT_EQ(missing.readString("a", "b", "def"), "def");
    EXPECT_EQ(missing.readInteger("a", "b", -7), -7);
    EXPECT_TRUE(missing.readBool("a", "b", true));
    EXPECT_FALSE(QFile::exists(path("absent.ini"))) << "reading must not create the file";

    writeFile(path(), "[one]\nkey=1\n[two]\nother=2\n");
    TIniFile ini(path());
    EXPECT_EQ(ini.readString("three", "key", "d"), "d");
    EXPECT_EQ(ini.readString("two", "key", "d"), "d") << "keys do not leak across sections";
    EXPECT_EQ(ini.readString("one", "key", "d"), "1");
}

TEST_F(IniFileTest, IntegerNotations) {
    writeFile(path(), "[n]\n"
                      "dec=42\nneg=-17\nhex=0x10\nupper=0X1f\ndollar=$1F\nletters=abc\n"
                      "junk=12px\nshort=0x\nbare=$\nempty=\nplus=+5\nbig=99999999999\n"
                      "syscolor=$80000005\nwide=$100000000\nspaced=  12  \nminus=-\n");
    TIniFile ini(path());
    EXPECT_EQ(ini.readInteger("n", "dec", 0), 42);
    EXPECT_EQ(ini.readInteger("n", "neg", 0), -17);
    EXPECT_EQ(ini.readInteger("n", "hex", 0), 16);
    EXPECT_EQ(ini.readInteger("n", "upper", 0), 31);
    EXPECT_EQ(ini.readInteger("n", "dollar", 0), 31);
    EXPECT_EQ(ini.readInteger("n", "spaced", 0), 12);
    EXPECT_EQ(ini.readInteger("n", "syscolor", 0), static_cast<int>(0x80000005u));
    for (const char* bad :
         {"letters", "junk", "short", "bare", "empty", "plus", "big", "wide", "minus"})
        EXPECT_EQ(ini.readInteger("n", bad, -99), -99) << bad;
}

TEST_F(IniFileTest, BooleansReadAnyNonZeroAsTrue) {
    writeFile(path(), "[b]\ntwo=2\nzero=0\nneg=-1\nword=yes\n");
    TIniFile ini(path());
    EXPECT_TRUE(ini.readBool("b", "two", false));
    EXPECT_TRUE(ini.readBool("b", "neg", false));
    EXPECT_FALSE(ini.readBool("b", "zero", true));
    EXPECT_TRUE(ini.readBool("b", "word", true)) << "no number gives the default";
    EXPECT_FALSE(ini.readBool("b", "word", false));

    ini.writeBool("b", "t", true);
    ini.writeBool("b", "f", false);
    EXPECT_EQ(ini.readString("b", "t", ""), "1");
    EXPECT_EQ(ini.readString("b", "f", ""), "0");
}

TEST_F(IniFileTest, ValuesAreCutAt1023Characters) {
    const QString longValue(2000, u'x');
    TIniFile ini(path());
    ini.writeString("s", "long", longValue);
    EXPECT_EQ(ini.readString("s", "long", ""), QString(1023, u'x'));
    EXPECT_TRUE(readFile(path()).contains(longValue.toUtf8())) << "the file keeps it all";
}

TEST_F(IniFileTest, WritesKeepEveryOtherLineByteForByte) {
    const QByteArray original = "; settings of Listora\r\n"
                                "\r\n"
                                "[General]\r\n"
                                "Unknown = kept as is \r\n"
                                "# hash comment\r\n"
                                "TabsToSpaces=4\r\n"
                                "\r\n"
                                "[Header]\r\n"
                                "Text=Page %p";
    writeFile(path(), original);
    TIniFile ini(path());

    ini.writeInteger("general", "tabstospaces", 8);
    QByteArray expected = original;
    expected.replace("TabsToSpaces=4", "TabsToSpaces=8");
    EXPECT_EQ(readFile(path()), expected) << "replacing keeps the stored key spelling";

    ini.writeString("GENERAL", "NewKey", "v");
    expected.replace("TabsToSpaces=8\r\n", "TabsToSpaces=8\r\nNewKey=v\r\n");
    EXPECT_EQ(readFile(path()), expected) << "a new key goes after the section's last key";

    ini.writeString("header", "Second", "2");
    expected += "\r\nSecond=2\r\n";
    EXPECT_EQ(readFile(path()), expected) << "an unterminated last line is ended first";

    ini.writeString("Footer", "Text", "x");
    expected += "[Footer]\r\nText=x\r\n";
    EXPECT_EQ(readFile(path()), expected);
}

TEST_F(IniFileTest, CommentsAndDuplicatesAreNotKeys) {
    writeFile(path(), ";[fake]\n[s]\n;key=commented\nkey=first\nkey=second\n[S]\nkey=third\n");
    TIniFile ini(path());
    EXPECT_EQ(ini.readString("s", "key", ""), "first");
    EXPECT_EQ(ini.readString("s", ";key", "none"), "none");
    ini.writeString("s", "key", "new");
    EXPECT_EQ(readFile(path()),
              QByteArray(";[fake]\n[s]\n;key=commented\nkey=new\nkey=second\n[S]\nkey=third\n"));
}

TEST_F(IniFileTest, LineBreaksInValuesCannotInjectKeys) {
    TIniFile ini(path());
    ini.writeString("s", "text", "one\r\n[evil]\nkey=1");
    EXPECT_EQ(ini.readString("s", "text", ""), "one [evil] key=1");
    EXPECT_EQ(ini.readString("evil", "key", "absent"), "absent");
    EXPECT_THROW(ini.writeString("s", "a=b", "x"), TListoraError);
    EXPECT_THROW(ini.writeString("a]b", "k", "x"), TListoraError);
    EXPECT_THROW(ini.writeString("s", "", "x"), TListoraError);
    EXPECT_THROW(ini.writeString("s", "[x", "y]"), TListoraError) << "would read as a section";
    EXPECT_THROW(ini.writeString("s", " ;k", "x"), TListoraError) << "would read as a comment";
}

TEST_F(IniFileTest, EncodingUtf8OrWindows1252) {
    writeFile(path("utf8.ini"), "\xEF\xBB\xBF[s]\nname=Gr\xC3\xBC\xC3\x9F"
                                "e\n");
    TIniFile utf8(path("utf8.ini"));
    EXPECT_EQ(utf8.readString("s", "name", ""), QString::fromUtf8("Grüße"));
    utf8.writeString("s", "x", "1");
    EXPECT_EQ(readFile(path("utf8.ini")), QByteArray("\xEF\xBB\xBF[s]\nname=Gr\xC3\xBC\xC3\x9F"
                                                     "e\nx=1\n"));

    writeFile(path("ansi.ini"), "[s]\nname=\x80 Gr\xFC\xDF"
                                "e\n");
    TIniFile ansi(path("ansi.ini"));
    EXPECT_EQ(ansi.readString("s", "name", ""), QString::fromUtf8("€ Grüße"));
    ansi.writeString("s", "x", QString::fromUtf8("é"));
    EXPECT_EQ(readFile(path("ansi.ini")), QByteArray("[s]\nname=\xE2\x82\xAC Gr\xC3\xBC\xC3\x9F"
                                                     "e\nx=\xC3\xA9\n"))
        << "a legacy file becomes UTF-8 as a whole";
}

TEST_F(IniFileTest, FailedWriteLeavesOldFileAndReports) {
    const QByteArray original = "[s]\r\nkey=old\r\n; note\r\n";
    writeFile(path(), original);
    TIniFile ini(path());
    TIniFile::failNextCommitForTesting();
    try {
        ini.writeString("s", "key", "new");
        FAIL() << "the failed write reported success";
    } catch (const TListoraError& e) {
        EXPECT_EQ(e.message(), "Unable to write to " + path());
    }
    EXPECT_EQ(readFile(path()), original);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1)
        << "no temporary left";

    ini.writeString("s", "key", "new");
    EXPECT_EQ(ini.readString("s", "key", ""), "new") << "the seam fails one write only";

    TIniFile noFolder(path("missing/dir/x.ini"));
    EXPECT_THROW(noFolder.writeString("s", "k", "v"), TListoraError);
}

TEST(IniFileNames, BareNameLivesInConfigFolder) {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    EXPECT_EQ(TIniFile::windowsDirectory(), config);
    EXPECT_TRUE(QDir(config).exists());
    TIniFile ini;
    EXPECT_EQ(ini.fileName(), config + "/Listora.INI");
    EXPECT_EQ(TIniFile::resolve("/tmp/x/y.ini"), "/tmp/x/y.ini");
    EXPECT_EQ(TIniFile::resolve("sub\\y.ini"), "sub/y.ini");
    ini.writeString("general", "probe", "1");
    EXPECT_TRUE(QFile::exists(config + "/Listora.INI"));
    QFile::remove(config + "/Listora.INI");
}

} // namespace
