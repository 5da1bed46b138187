#include "format/TextRoutines.h"
#include "format/VbLexer.h"

#include <gtest/gtest.h>

TEST(TextRoutines, ExpandTabsGivesEveryTabTheSameBlanks) {
    EXPECT_EQ(ExpandTabs("a\t\tb", 4), "a        b");
    EXPECT_EQ(ExpandTabs("\tx", 0), "x");
    EXPECT_EQ(ExpandTabs("\t", 99), QString(20, ' '));
    EXPECT_EQ(ExpandTabs("no tabs", 3), "no tabs");
}

TEST(TextRoutines, CommentStartIgnoresStringsAndTheLastTwoCharacters) {
    EXPECT_EQ(FindCommentStart("' whole line"), 0);
    EXPECT_EQ(FindCommentStart("x = 1 ' note"), 6);
    EXPECT_EQ(FindCommentStart("s = \"it's\" ' real"), 11);
    EXPECT_EQ(FindCommentStart("s = \"it's"), -1);  // ends inside a string
    EXPECT_EQ(FindCommentStart("a = \"x ' y"), -1); // unclosed quote: no comment
    EXPECT_EQ(FindCommentStart("abc'"), -1);        // last character
    EXPECT_EQ(FindCommentStart("ab'c"), -1);        // last but one
    EXPECT_EQ(FindCommentStart("a'cd"), 1);
    EXPECT_EQ(FindCommentStart("''"), -1); // fewer than three characters
    EXPECT_EQ(FindCommentStart(""), -1);
    EXPECT_EQ(StripComment("x = 1 ' note"), "x = 1 ");
    EXPECT_EQ(StripComment("x = 1"), "x = 1");
    // Long lines are searched eight characters a step: every place of the
    // marks around and across those steps, against the plain reading.
    auto plain = [](const QString& line) {
        bool inString = false;
        for (qsizetype i = 0; i + 2 < line.size(); ++i) {
            if (line[i] == u'"') inString = !inString;
            if (line[i] == u'\'' && !inString) return int(i);
        }
        return -1;
    };
    for (int size = 0; size <= 34; ++size)
        for (int q = -1; q < size; ++q)
            for (int a = 0; a < size; ++a) {
                QString line(size, u'x');
                line[a] = u'\'';
                if (q >= 0) line[q] = u'"';
                if (q >= 0 && q + 7 < size) line[q + 7] = u'"';
                ASSERT_EQ(FindCommentStart(line), plain(line)) << line.toStdString();
            }
}

TEST(TextRoutines, FirstNonBlankAndWordCharacters) {
    EXPECT_EQ(FirstNonBlank("   If"), 4);
    EXPECT_EQ(FirstNonBlank("If"), 1);
    EXPECT_EQ(FirstNonBlank("   "), 4);
    EXPECT_EQ(FirstNonBlank(""), 1);
    EXPECT_TRUE(IsWordChar('_'));
    EXPECT_TRUE(IsWordChar('9'));
    EXPECT_FALSE(IsWordChar(' '));
    EXPECT_FALSE(IsWordChar('$'));
    EXPECT_FALSE(IsWordChar(QChar(0xE9))); // accented letters break words
    EXPECT_TRUE(IsBlankLine(" \t\r"));
    EXPECT_FALSE(IsBlankLine("  x"));
}

TEST(TextRoutines, ProcDeclarationsAreRecognisedExactly) {
    EXPECT_TRUE(IsProcDeclaration("   Public Function Total(a As Long) As Long"));
    EXPECT_EQ(ExtractProcName("   Public Function Total(a As Long) As Long"), "Total");
    EXPECT_TRUE(IsProcDeclaration("Private Property Get Value() As Long"));
    EXPECT_EQ(ExtractProcName("Private Property Get Value() As Long"), "Get Value");
    EXPECT_TRUE(IsProcDeclaration("Friend Sub Reset()"));
    EXPECT_EQ(ExtractProcName("Friend Sub Reset()"), "Reset");
    EXPECT_EQ(ExtractProcName("Function Foo$ (x)"), "Foo$");
    EXPECT_FALSE(
        IsProcDeclaration("Private Declare Function GetTickCount Lib \"kernel32\" () As Long"));
    EXPECT_FALSE(IsProcDeclaration("End Sub"));
    EXPECT_FALSE(IsProcDeclaration("Exit Function"));
    EXPECT_FALSE(IsProcDeclaration("private sub lower()"));
    EXPECT_FALSE(IsProcDeclaration("Static Function Baz()"));
    EXPECT_TRUE(IsProcDeclaration("Sub Main"));
    EXPECT_EQ(ExtractProcName("Sub Main"), ""); // no "(": no name
}

TEST(TextRoutines, HeaderVariablesExpandOnceEachInOrder) {
    EXPECT_EQ(ExpandHeaderText("Page %p", "f.bas", "P", 7, "d"), "Page 7");
    EXPECT_EQ(ExpandHeaderText("Page %P", "f.bas", "P", 7, "d"), "Page 7");
    EXPECT_EQ(ExpandHeaderText("%p/%p", "f", "s", 3, "d"), "3/%p");
    EXPECT_EQ(ExpandHeaderText("%f - %d", "Form1.frm", "s", 1, "06/12/2026"),
              "Form1.frm - 06/12/2026");
    EXPECT_EQ(ExpandHeaderText("%s in %f", "a.bas", "Main", 1, "d"), "Main in a.bas");
    EXPECT_EQ(ExpandHeaderText("", "a", "b", 1, "d"), "");
    const QString tail(150, 'x');
    EXPECT_EQ(ExpandHeaderText("%p" + tail, "f", "s", 2, "d"), "2" + QString(100, 'x'));
    EXPECT_EQ(ExpandHeaderText("plain", "f", "s", 2, "d"), "plain");
}

TEST(TextRoutines, TextTooWideForItsRoomEndsInAnEllipsis) {
    // Each character one unit wide, a dot half of one (rounded up).
    const auto width = [](const QString& s) { return int(s.size() - s.count('.') / 2); };
    const QString pair = QString::fromUtf16(u"ab😀cd");
    const struct {
        QString text;
        int room;
        QString shown;
    } cases[] = {{"Header", 6, "Header"}, {"Header", 5, "Hea..."}, {"Header text", 8, "Header..."},
                 {"Header", 2, "..."},    {"Header", 1, ""},       {pair, 5, "ab..."}};
    for (const auto& c : cases) {
        EXPECT_EQ(ElideToWidth(c.text, c.room, width), c.shown) << c.text.toStdString() << c.room;
        EXPECT_LE(width(ElideToWidth(c.text, c.room, width)), c.room);
    }
}

// Each case: a piece, the state it begins in, and the state of every
// character (c code, s string, r comment).
TEST(TextRoutines, LexerFollowsStringsAndCommentsAcrossWraps) {
    struct TCase {
        const char* text;
        TLexState start;
        const char* states;
    };
    const TCase cases[] = {
        {"x = \"a\" ' b", TLexState::Code, "ccccssscrrr"},
        {"s = \"it's\" 'n", TLexState::Code, "ccccsssssscrr"},
        {"\"\"\"q\"\"\" & y", TLexState::Code, "ssssssscccc"}, // doubled quotes
        {"ate Dim x\" & Call", TLexState::String, "ssssssssssccccccc"},
        {"ore Dim", TLexState::Comment, "rrrrrrr"},
        {"Rem If x Then", TLexState::Code, "rrrrrrrrrrrrr"},
        {"a = 1: Rem x", TLexState::Code, "cccccccrrrrr"},
        {"Remark = 1: x.Rem 2", TLexState::Code, "ccccccccccccccccccc"},
    };
    auto letter = [](TLexState s) {
        return QChar(s == TLexState::Code ? u'c' : s == TLexState::String ? u's' : u'r');
    };
    for (const TCase& c : cases) {
        const QString text = QString::fromLatin1(c.text);
        QString seen(text.size(), u'?');
        for (const TLexRun& r : LexRuns(text, c.start))
            for (int i = r.start; i < r.start + r.length; ++i)
                seen[i] = letter(r.state);
        EXPECT_EQ(seen.toStdString(), std::string(c.states)) << c.text;
        // The state at a wrap is the one the rest of the line begins in
        // (but for a "Rem" the rest begins with: a piece cannot tell whether
        // a dot stood before it).
        for (int at = 0; at < text.size(); ++at) {
            if (text.mid(at).startsWith(u"Rem")) continue;
            EXPECT_EQ(seen[at],
                      letter(LexRuns(text.mid(at), LexStateAt(text, at, c.start)).front().state))
                << c.text << " at " << at;
        }
    }
    EXPECT_EQ(LexStateAt(u"x = \"abc", 6), TLexState::String);
    EXPECT_EQ(LexStateAt(u"x = \"abc\"", 9), TLexState::Code);
}

TEST(TextRoutines, KeywordsAreTheEditorsWithTheirCapitals) {
    for (const char* word : {"Public", "Function", "As", "Long", "Global", "Lib", "Alias", "Error$",
                             "Declare", "ByVal", "Null", "Empty", "Xor"})
        EXPECT_TRUE(IsVbKeyword(QString::fromLatin1(word))) << word;
    for (const char* word :
         {"public", "LONG", "Name", "Text", "Error%", "Rem", "Debug", "Form_Load"})
        EXPECT_FALSE(IsVbKeyword(QString::fromLatin1(word))) << word;
}
