#include "source/SectionRules.h"

#include <gtest/gtest.h>

TEST(SectionRules, CommentCutRespectsQuotesAndTheLastTwoPositions) {
    EXPECT_EQ(CutComment("' Public Sub Old()"), "");
    EXPECT_EQ(CutComment("x = \"it's\" ' note"), "x = \"it's\" ");
    EXPECT_EQ(CutComment("x = 1 'ab"), "x = 1 ");
    EXPECT_EQ(CutComment("x = 1 'a"), "x = 1 'a");
    EXPECT_EQ(CutComment("x = 1 '"), "x = 1 '");
    EXPECT_EQ(CutComment("x '"), "x '");
    EXPECT_EQ(CutComment("'"), "'");
    EXPECT_EQ(CutComment(""), "");
    EXPECT_EQ(CutComment("s = \"\"\"\" ' doubled quotes"), "s = \"\"\"\" ");
    EXPECT_EQ(CutComment("s = \"unterminated ' text"), "s = \"unterminated ' text");
}

TEST(SectionRules, ProcedureTestsAcceptDeclarationsOnly) {
    // Starts of sections.
    for (const char* line : {"Function Bar (a)", "Public Function Foo$(ByVal x As Integer)",
                             "Private Function Calc() As Long", "Friend Function Make() As Object"})
        EXPECT_TRUE(IsFunctionStart(line)) << line;
    for (const char* line : {"Property Get Count() As Long", "Public Property Let Value(v)",
                             "Private Property Get Item(i) As Variant",
                             "Friend Property Get Inner() As Long", "Property Set Thing(o)"})
        EXPECT_TRUE(IsPropertyStart(line)) << line;
    for (const char* line : {"Sub Main ()", "Private Sub Form_Load ()", "Public Sub Go()",
                             "Friend Sub Reset()", "Static Sub  Odd()"})
        EXPECT_TRUE(IsSubStart(line)) << line;

    // Not starts: Static procedures, Set properties with a scope, Declare
    // lines, calls and ends, indented code.
    for (const char* line : {"Static Function Baz()", "Public Static Function Qux()",
                             "Private Declare Function X Lib \"a\"", "Declare Function X Lib \"a\"",
                             "Public Declare Function GetTick Lib \"kernel32\" () As Long",
                             "End Function ", "    x = Function (1)", "Exit Function", ""})
        EXPECT_FALSE(IsFunctionStart(line)) << line;
    for (const char* line : {"Public Property Set Font(f)", "Friend Property Set Font(f)",
                             "End Property ", "Dim Property As Long"})
        EXPECT_FALSE(IsPropertyStart(line)) << line;
    for (const char* line : {"Static Sub Tick()", "Declare Sub Sleep Lib \"kernel32\" (ByVal n&)",
                             "Private Declare Sub Sleep Lib \"k\" ()", "End Sub ",
                             "    GoSub Label ", "Private Subtotal As Long"})
        EXPECT_FALSE(IsSubStart(line)) << line;

    // Positions count from 1 and the key need only begin within the limit.
    EXPECT_TRUE(KeyStartsWithin("1234567890Sub ", "Sub ", 11));
    EXPECT_FALSE(KeyStartsWithin("1234567890Sub ", "Sub ", 10));
}

TEST(SectionRules, SectionNamesKeepTheirBlanksAndLoseTypeCharacters) {
    auto name = [](const char* text, bool isSub) { return SectionNameOf(text, isSub); };
    EXPECT_EQ(name("Private Sub Form_Load ()", true).Name, " Form_Load ");
    EXPECT_EQ(name("Sub Main ()", true).Name, " Main ");
    EXPECT_EQ(name("Sub Main ()", true).ReturnType, "");
    EXPECT_EQ(name("Sub Declarations", true).Name, "");

    const RSectionName foo = name("Public Function Foo$(ByVal x As Integer)", false);
    EXPECT_EQ(foo.Name, " Foo");
    EXPECT_EQ(foo.ReturnType, "String");
    const RSectionName vb3 = name("Function Bar% (a)", false);
    EXPECT_EQ(vb3.Name, " Bar ");
    EXPECT_EQ(vb3.ReturnType, "Integer");
    EXPECT_EQ(name("Function A&()", false).ReturnType, "Long");
    EXPECT_EQ(name("Function A!()", false).ReturnType, "Single");
    EXPECT_EQ(name("Function A#()", false).ReturnType, "Double");
    EXPECT_EQ(name("Function A@()", false).ReturnType, "Currency");
    EXPECT_EQ(name("Function A()", false).ReturnType, "Variant");

    const RSectionName count = name("Property Get Count() As Long", false);
    EXPECT_EQ(count.Name, " Get Count");
    EXPECT_EQ(count.ReturnType, "Long");
    EXPECT_EQ(name("Public Property Get Item(ByVal i As Long) As Widget", false).Name, " Get Item");
    EXPECT_EQ(name("Friend Property Get Inner() As Long", false).Name, " Get Inner");
    EXPECT_EQ(name("Private Property Let Value(ByVal v As Long)", false).ReturnType, "Variant");
    EXPECT_EQ(name("Private Function F(a() As Long, Optional b = (1)) As Byte()", false).ReturnType,
              "Byte()");
    EXPECT_EQ(name("Friend Function Make(ByVal s As String) As cItem", false).Name, " Make");
    EXPECT_EQ(name("Function Wrapped(a As Long, _", false).ReturnType, "Variant");
    EXPECT_EQ(name("Function NoParens As Long", false).Name, "");
    EXPECT_EQ(name("(", false).Name, "");
}

TEST(SectionRules, FormHeaderSkipBalancesNestedBlocks) {
    const QStringList vb6 = {"VERSION 5.00",
                             "Begin VB.Form Form1",
                             "   Caption         =   \"Form1\"",
                             "   BeginProperty Font ",
                             "      Name            =   \"Arial\"",
                             "   EndProperty",
                             "   Begin VB.CommandButton Command1 ",
                             "      Enabled         =   0   'False",
                             "   End",
                             "End",
                             "Attribute VB_Name = \"Form1\"",
                             "Private Sub Command1_Click()"};
    const RFormHeader header = SkipFormHeader(vb6);
    EXPECT_EQ(header.CodeStart, 10);
    EXPECT_EQ(header.BlockCount, 3);

    const QStringList unbalanced = {"VERSION 2.00", "Begin Form Main", "   Caption = \"x\""};
    EXPECT_EQ(SkipFormHeader(unbalanced).CodeStart, 3);
    EXPECT_EQ(SkipFormHeader({}).CodeStart, 0);

    EXPECT_TRUE(HasDescriptionBlock(".FRM"));
    EXPECT_TRUE(HasDescriptionBlock(".CTL"));
    EXPECT_TRUE(HasDescriptionBlock(".DSR"));
    EXPECT_FALSE(HasDescriptionBlock(".CLS"));
}
