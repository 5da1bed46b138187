#include "platform/IniFile.h"
#include "common/TestSupport.h"
#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

TEST_F(IniFileTest, ReadsByCaseInsensitiveNamesWithDefaults) {
    TIniFile missing(path("absent.ini"));
    EXPECT_EQ(missing.readString("a", "b", "def"), "def");
    EXPECT_FALSE(QFile::exists(path("absent.ini"))) << "reading must not create the file";

    TIniFile ini(path());
    ini.writeInteger("GENERAL", "TabsToSpaces", 4);
    ini.writeString("other", "key", "x");
    EXPECT_EQ(ini.readInteger("general", "tabstospaces", 0), 4);
    EXPECT_EQ(ini.readString("general", "key", "d"), "d") << "keys do not leak across sections";
    ini.writeInteger("General", "TABSTOSPACES", 8);
    EXPECT_EQ(readFile(path()), QByteArray("[GENERAL]\nTabsToSpaces=8\n[other]\nkey=x\n"));

    ini.writeString("s", "long", QString(2000, u'x'));
    EXPECT_EQ(ini.readString("s", "long", ""), QString(1023, u'x'));
}

TEST_F(IniFileTest, IntegerAndBooleanNotations) {
    writeFile(path(), "[n]\ndec=42\nneg=-17\nhex=0x10\nupper=0X1f\ndollar=$1F\nspaced=  12  \n"
                      "syscolor=$80000005\nletters=abc\njunk=12px\nshort=0x\nbare=$\nempty=\n"
                      "plus=+5\nbig=99999999999\nwide=$100000000\nminus=-\ntwo=2\n");
    TIniFile ini(path());
    const std::pair<const char*, int> good[] = {{"dec", 42},
                                                {"neg", -17},
                                                {"hex", 16},
                                                {"upper", 31},
                                                {"dollar", 31},
                                                {"spaced", 12},
                                                {"syscolor", static_cast<int>(0x80000005u)}};
    for (const auto& [key, value] : good)
        EXPECT_EQ(ini.readInteger("n", key, 0), value) << key;
    for (const char* bad :
         {"letters", "junk", "short", "bare", "empty", "plus", "big", "wide", "minus"})
        EXPECT_EQ(ini.readInteger("n", bad, -99), -99) << bad;

    EXPECT_TRUE(ini.readBool("n", "two", false));
    EXPECT_TRUE(ini.readBool("n", "letters", true)) << "no number gives the default";
    EXPECT_FALSE(ini.readBool("n", "letters", false));
    ini.writeBool("b", "t", true);
    ini.writeBool("b", "f", false);
    EXPECT_TRUE(readFile(path()).endsWith("[b]\nt=1\nf=0\n"));
}

TEST_F(IniFileTest, WritesKeepEveryOtherLineByteForByte) {
    const QByteArray original = "; settings of Listora\r\n\r\n[General]\r\n"
                                "Unknown = kept as is \r\n# hash comment\r\nTabsToSpaces=4\r\n"
                                "\r\n[Header]\r\nText=Page %p";
    writeFile(path(), original);
    TIniFile ini(path());
    QByteArray expected = original;

    ini.writeInteger("general", "tabstospaces", 8);
    expected.replace("TabsToSpaces=4", "TabsToSpaces=8");
    EXPECT_EQ(readFile(path()), expected) << "replacing keeps the stored key spelling";

    ini.writeString("GENERAL", "NewKey", "v");
    expected.replace("TabsToSpaces=8\r\n", "TabsToSpaces=8\r\nNewKey=v\r\n");
    EXPECT_EQ(readFile(path()), expected) << "a new key goes after the section's last key";

    ini.writeString("header", "Second", "2");
    ini.writeString("Footer", "Text", "x");
    expected += "\r\nSecond=2\r\n[Footer]\r\nText=x\r\n";
    EXPECT_EQ(readFile(path()), expected) << "an unterminated last line is ended first";
}

TEST_F(IniFileTest, CommentsDuplicatesAndUnsafeNames) {
    writeFile(path(), ";[fake]\n[s]\n;key=commented\nkey=first\nkey=second\n[S]\nkey=third\n");
    TIniFile ini(path());
    EXPECT_EQ(ini.readString("s", "key", ""), "first");
    ini.writeString("s", "key", "new");
    EXPECT_EQ(readFile(path()),
              QByteArray(";[fake]\n[s]\n;key=commented\nkey=new\nkey=second\n[S]\nkey=third\n"));

    ini.writeString("s", "text", "one\r\n[evil]\nkey=1");
    EXPECT_EQ(ini.readString("s", "text", ""), "one [evil] key=1");
    EXPECT_EQ(ini.readString("evil", "key", "absent"), "absent");
    for (const auto& [section, key] :
         {std::pair{"s", "a=b"}, {"a]b", "k"}, {"s", ""}, {"s", "[x"}, {"s", " ;k"}, {"s", "a\nb"}})
        EXPECT_THROW(ini.writeString(section, key, "x]"), TListoraError) << section << key;
}

TEST_F(IniFileTest, DecodesUtf8OrWindows1252AndWritesUtf8) {
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
    EXPECT_THROW(TIniFile(path("missing/x.ini")).writeString("s", "k", "v"), TListoraError);
}

TEST_F(IniFileTest, ALinkInTheFilesPlaceIsRefusedNotWrittenThrough) {
    const QByteArray theirs = "[s]\nkey=theirs\n";
    writeFile(path("elsewhere.ini"), theirs);
    ASSERT_TRUE(QFile::link(path("elsewhere.ini"), path()));
    TIniFile ini(path());
    EXPECT_EQ(ini.readString("s", "key", ""), "theirs") << "reading follows the link";
    try {
        ini.writeString("s", "key", "mine");
        FAIL() << "wrote through a symbolic link";
    } catch (const TListoraError& e) {
        EXPECT_TRUE(e.message().contains("symbolic link")) << e.message().toStdString();
    }
    EXPECT_EQ(readFile(path("elsewhere.ini")), theirs);
    EXPECT_FALSE(QFileInfo(path()).symLinkTarget().isEmpty()) << "the link stays a link";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2)
        << "no temporary left";
}

TEST(IniFileNames, BareNameLivesInConfigFolder) {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    EXPECT_EQ(TIniFile().fileName(), config + "/Listora.INI");
    EXPECT_TRUE(QDir(config).exists());
    EXPECT_EQ(TIniFile::resolve("/tmp/x/y.ini"), "/tmp/x/y.ini");
    EXPECT_EQ(TIniFile::resolve("sub\\y.ini"), "sub/y.ini");
}

} // namespace
