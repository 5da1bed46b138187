#include "SourceTestSupport.h"

#include "source/SectionRules.h"

#include <gtest/gtest.h>

TEST(SectionRules, CommentCutKeepsQuotedApostrophesAndTheLastTwoPositions) {
    const std::pair<const char*, const char*> cuts[] = {{"' Public Sub Old()", ""},
                                                        {"x = \"it's\" ' note", "x = \"it's\" "},
                                                        {"x = 1 'ab", "x = 1 "},
                                                        {"x = 1 'a", "x = 1 'a"},
                                                        {"'", "'"},
                                                        {"s = \"\"\"\" ' doubled", "s = \"\"\"\" "},
                                                        {"s = \"open ' x", "s = \"open ' x"}};
    for (const auto& [line, cut] : cuts)
        EXPECT_EQ(CutComment(line), cut) << line;
}

TEST(SectionRules, ProcedureTests) {
    // F: Function test, P: Property test, S: Sub test, -: none.
    const std::pair<const char*, char> lines[] = {
        {"Function Bar (a)", 'F'},
        {"Public Function Foo$(ByVal x As Integer)", 'F'},
        {"Friend Function Make() As Object", 'F'},
        {"    Private Function Indented() As Long", 'F'},
        {"Property Get Count() As Long", 'P'},
        {"Private Property Let Value(v)", 'P'},
        {"Friend Property Get Inner() As Long", 'P'},
        {"Property Set Thing(o)", 'P'},
        {"Sub Main ()", 'S'},
        {"Private Sub Form_Load ()", 'S'},
        {"Friend Sub Reset()", 'S'},
        {"Static Sub  Odd()", 'S'}, // " Sub  " within the first 10
        {"Static Function Baz()", '-'},
        {"Public Static Function Qux()", '-'},
        {"Static Sub Tick()", '-'},
        {"Public Property Set Font(f)", '-'},
        {"Declare Function X Lib \"a\"", '-'},
        {"Private Declare Function X Lib \"a\"", '-'},
        {"Public Declare Function GetTick Lib \"kernel32\" () As Long", '-'},
        {"Private Declare Sub Sleep Lib \"k\" ()", '-'},
        {"End Function ", '-'},
        {"End Sub ", '-'},
        {"    GoSub Label ", '-'},
        {"        Private Sub TooDeep()", '-'},
        {"Dim Property As Long", '-'}};
    for (const auto& [line, kind] : lines) {
        const QString text = QString::fromLatin1(line);
        const char found = IsFunctionStart(text)   ? 'F'
                           : IsPropertyStart(text) ? 'P'
                           : IsSubStart(text)      ? 'S'
                                                   : '-';
        EXPECT_EQ(found, kind) << line;
        if (found != '-') {
            EXPECT_TRUE(MayStartProcedure(text)) << line;
        }
    }
    EXPECT_FALSE(MayStartProcedure(QStringLiteral("        Total = Total + i ")));
    EXPECT_FALSE(MayStartProcedure(QStringLiteral("                Sub Late()")));
}

TEST(SectionRules, SectionNamesAndReturnTypes) {
    // Names keep the blank that ends the keyword prefix and any blank
    // before "("; a type character becomes the return type.
    const std::tuple<const char*, bool, const char*, const char*> names[] = {
        {"Private Sub Form_Load ()", true, " Form_Load ", ""},
        {"Sub Declarations", true, "", ""},
        {"Public Function Foo$(ByVal x As Integer)", false, " Foo", "String"},
        {"Function Bar% (a)", false, " Bar ", "Integer"},
        {"Function A&()", false, " A", "Long"},
        {"Function A!()", false, " A", "Single"},
        {"Function A#()", false, " A", "Double"},
        {"Function A@()", false, " A", "Currency"},
        {"Function A()", false, " A", "Variant"},
        {"Property Get Count() As Long", false, " Get Count", "Long"},
        {"Public Property Get Item(ByVal i As Long) As Widget", false, " Get Item", "Widget"},
        {"Friend Property Get Inner() As Long", false, " Get Inner", "Long"},
        {"Static Property Get Kept() As Long", false, " Get Kept", "Long"},
        {"Private Property Let Value(ByVal v As Long)", false, " Let Value", "Variant"},
        {"Private Function F(a() As Long, Optional b = (1)) As Byte()", false, " F", "Byte()"},
        {"Function Wrapped(a As Long, _", false, " Wrapped", "Variant"},
        {"Function NoParens As Long", false, "", "Long"},
        // The type stops at a statement separator or a comment.
        {"Private Function MapMinX() As Long: MapMinX = LBound(MapData, 2): End Function", false,
         " MapMinX", "Long"},
        {"Function G() As Long' the count", false, " G", "Long"},
        // Indented (inside "#If"), and a parameter whose name ends in
        // "Property": the whole name still.
        {"    Public Function HandleData(ByVal id As Long) As Boolean", false, " HandleData",
         "Boolean"},
        {"Private Sub List_GetItem(ByVal VirtualProperty As Long)", true, " List_GetItem", ""},
        {"(", false, "", "Variant"}};
    for (const auto& [text, isSub, name, type] : names) {
        const RSectionName got = SectionNameOf(QString::fromLatin1(text), isSub);
        EXPECT_EQ(got.Name, name) << text;
        EXPECT_EQ(got.ReturnType, type) << text;
    }
}

TEST(SectionRules, FormHeaderSkipBalancesNestedBlocks) {
    const QStringList form = {"VERSION 5.00",
                              "Begin VB.Form Form1",
                              "   BeginProperty Font ",
                              "      Name = \"Arial\"",
                              "   EndProperty",
                              "   Begin VB.CommandButton Command1 ",
                              "      Enabled = 0   'False",
                              "   End",
                              "End",
                              "Attribute VB_Name = \"Form1\""};
    EXPECT_EQ(SkipFormHeader(form).CodeStart, 9);
    EXPECT_EQ(SkipFormHeader(form).BlockCount, 3);
    EXPECT_EQ(SkipFormHeader({"VERSION 2.00", "Begin Form Main", "x"}).CodeStart, 3);
    EXPECT_EQ(SkipFormHeader({}).CodeStart, 0);
}
