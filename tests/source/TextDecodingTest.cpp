#include "SourceTestSupport.h"

#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "source/CodePageSetting.h"
#include "source/TextDecoding.h"

#include <gtest/gtest.h>

TEST(TextDecoding, Utf8FirstThenTheCodePage) {
    EXPECT_EQ(DecodeSourceBytes("Pr\xC3\xAAt", 1252), QString::fromUtf8("Prêt"));
    EXPECT_EQ(DecodeSourceBytes("Pr\xEAt \x80", 1252), QString::fromUtf8("Prêt €"));
    EXPECT_EQ(DecodeSourceBytes("\xC0\xCF\xD2", 1251), QString::fromUtf8("АПТ"));
    EXPECT_EQ(DecodeSourceBytes("\x8A\xBF", 1250), QString::fromUtf8("Šż"));
    // Shift-JIS: a two-byte character between ASCII.
    EXPECT_EQ(DecodeSourceBytes("a\x82\xA0z", 932), QString::fromUtf8("aあz"));
    // A code page iconv does not know falls back to 1252.
    EXPECT_EQ(DecodeSourceBytes("\xE9", 99999), QString::fromUtf8("é"));
    // Bytes the code page leaves undefined, and a truncated lead byte, are
    // kept visible as replacement characters.
    EXPECT_EQ(DecodeSourceBytes("a\x81z", 1252), QString::fromUtf8("a\uFFFDz"));
    EXPECT_EQ(DecodeSourceBytes("a\x82", 932), QString::fromUtf8("a\uFFFD"));
    // Long input crosses the conversion buffer.
    const QByteArray many(10000, '\xE9');
    EXPECT_EQ(DecodeSourceBytes(many, 1252), QString(10000, QChar(0xE9)));
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")); // an encoded surrogate
}

TEST(TextDecoding, LinesEndAtCrLfLfOrCr) {
    EXPECT_EQ(SplitSourceLines("a\r\nb\r\n"), QStringList({"a", "b"}));
    EXPECT_EQ(SplitSourceLines("a\nb"), QStringList({"a", "b"}));
    EXPECT_EQ(SplitSourceLines("a\rb\r\rc"), QStringList({"a", "b", "", "c"}));
    EXPECT_EQ(SplitSourceLines("\r\n"), QStringList({""}));
    EXPECT_TRUE(SplitSourceLines("").isEmpty());
    EXPECT_EQ(SplitSourceLines("a\n\r\nb"), QStringList({"a", "", "b"}));

    TScratch dir;
    EXPECT_EQ(ReadSourceLines(dir.write("x.bas", "' caf\xE9\r\nEnd"), 1252),
              QStringList({QString::fromUtf8("' café"), "End"}));
    EXPECT_THROW(ReadSourceLines(dir.path("missing.bas"), 1252), TListoraError);
    EXPECT_THROW(ReadSourceLines(dir.path(""), 1252), TListoraError);
}

TEST(TextDecoding, CodePageComesFromTheSettingsFile) {
    TIniFile ini;
    ini.writeString("general", "codepage", "");
    EXPECT_EQ(ConfiguredCodePage(), 1252);
    ini.writeInteger("General", "CodePage", 932);
    EXPECT_EQ(ConfiguredCodePage(), 932);
    ini.writeInteger("general", "codepage", -5);
    EXPECT_EQ(ConfiguredCodePage(), 1252);
    ini.writeInteger("general", "codepage", 1252);
}
