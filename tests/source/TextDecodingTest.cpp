#include "SourceTestSupport.h"

#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "source/CodePageSetting.h"
#include "source/TextDecoding.h"

#include <gtest/gtest.h>

TEST(TextDecoding, Utf8FirstThenTheCodePage) {
    const std::tuple<QByteArray, int, const char*> cases[] = {
        {"Pr\xC3\xAAt", 1251, "Prêt"}, // valid UTF-8 wins
        {"Pr\xEAt \x80", 1252, "Prêt €"}, {"\xC0\xCF\xD2", 1251, "АПТ"}, {"\x8A\xBF", 1250, "Šż"},
        {"a\x82\xA0z", 932, "aあz"},      {"\xE9", 99999, "é"}, // unknown code page: 1252
        {"a\x81z", 1252, "a\uFFFDz"},                           // undefined in 1252: kept visible
        {"a\x82", 932, "a\uFFFD"}};                             // truncated lead byte
    for (const auto& [bytes, codePage, text] : cases)
        EXPECT_EQ(DecodeSourceBytes(bytes, codePage), QString::fromUtf8(text)) << text;
    EXPECT_EQ(DecodeSourceBytes(QByteArray(10000, '\xE9'), 1252), QString(10000, QChar(0xE9)));
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")); // an encoded surrogate
}

TEST(TextDecoding, LinesEndAtCrLfLfOrCr) {
    EXPECT_EQ(SplitSourceLines("a\r\nb\r\n"), QStringList({"a", "b"}));
    EXPECT_EQ(SplitSourceLines("a\rb\r\rc\n\r\nd"), QStringList({"a", "b", "", "c", "", "d"}));
    EXPECT_EQ(SplitSourceLines("\r\n"), QStringList({""}));
    EXPECT_TRUE(SplitSourceLines("").isEmpty());
    TScratch dir;
    EXPECT_EQ(ReadSourceLines(dir.write("x.bas", "' caf\xE9\r\nEnd"), 1252),
              QStringList({QString::fromUtf8("' café"), "End"}));
    // Files read the same as decoded text split, whatever falls on the
    // reader's 16-byte steps (breaks, a high byte late in a long line).
    const QByteArray run(37, 'x');
    for (const QByteArray& text :
         {run + "\r\n" + run + "\r" + run + "\n\r\n", "\r\n" + run + run, run + "\r",
          run + run + "\xC3\xA9\r\n" + run, QByteArray(15, 'y') + "\r\n" + run + "\n",
          QByteArray(16, 'z') + "\r" + QByteArray(16, 'z') + "\x80"}) {
        const QStringList decoded = SplitSourceLines(DecodeSourceBytes(text, 1252));
        EXPECT_EQ(ReadSourceLines(dir.write("y.bas", text), 1252), decoded) << text.toStdString();
        // Lines compared by their bytes are the lines printed.
        QStringList byLine;
        for (const QByteArray& line : SplitSourceByteLines(text))
            byLine << DecodeSourceBytes(line, 1252);
        EXPECT_EQ(byLine, decoded) << text.toStdString();
    }
    EXPECT_THROW(ReadSourceLines(dir.path("missing.bas"), 1252), TListoraError);
    EXPECT_THROW(ReadSourceLines(dir.path(""), 1252), TListoraError);
}

TEST(TextDecoding, CodePageComesFromTheSettingsFile) {
    TIniFile ini;
    EXPECT_EQ(ConfiguredCodePage(), 1252);
    ini.writeInteger("General", "CodePage", 932);
    EXPECT_EQ(ConfiguredCodePage(), 932);
    ini.writeInteger("general", "codepage", -5);
    EXPECT_EQ(ConfiguredCodePage(), 1252);
}
