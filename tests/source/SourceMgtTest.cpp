#include "SourceTestSupport.h"

#include "common/TestSupport.h"
#include "platform/Errors.h"
#include "source/SourceMgt.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

// A project of members added by hand, as the loader would.
class TProject {
public:
    RFile& add(const QString& name, const QByteArray& text) {
        RFile* f = sources.AddFile();
        f->FileName = name;
        f->DisplayName = name;
        f->Path = dir.write(name, text);
        const qsizetype dot = name.lastIndexOf(u'.');
        f->Ext = dot < 0 ? QString() : name.mid(dot).toUpper();
        return *f;
    }
    std::vector<RFunction*> sections(const RFile& f) const {
        std::vector<RFunction*> out;
        for (RFunction* s = f.Functions; s->Next; s = s->Next)
            out.push_back(s);
        return out;
    }
    QStringList names(const RFile& f) const {
        QStringList out;
        for (RFunction* s : sections(f))
            out << s->Name;
        return out;
    }

    TScratch dir;
    TRecordingProgress progress;
    TSourceMgt sources{&progress};
};

QStringList numbered(int count, const QString& text) {
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << text.arg(i);
    return lines;
}

} // namespace

TEST(SourceMgt, ModuleSplitsAtDeclarationLines) {
    TProject p;
    QStringList lines = {"Attribute VB_Name = \"Module1\"",
                         "Option Explicit",
                         "Declare Function X Lib \"a\" ()",
                         "Private Declare Function Y Lib \"a\" ()",
                         "' Public Sub Old()",
                         "x = \"it's\" ' note",
                         "Static Function Baz()",
                         "' comment 7",
                         "' comment 8",
                         "' comment 9",
                         "Sub Main ()",
                         "End Sub",
                         "",
                         "Public Function Foo$(ByVal x As Integer)",
                         "End Function",
                         "Property Get Count() As Long",
                         "End Property"};
    RFile& f = p.add("Module1.bas", crlf(lines));
    p.sources.AnalyzeProject();
    EXPECT_TRUE(p.sources.Analyzed());
    EXPECT_EQ(p.names(f), QStringList({"File Declarations", " Main ", " Foo", " Get Count"}));
    const auto s = p.sections(f);
    EXPECT_EQ(s[0]->StartLine, 0);
    EXPECT_EQ(s[0]->SectionLines, 10);
    EXPECT_TRUE(s[0]->IsSub);
    EXPECT_EQ(s[1]->StartLine, 10);
    EXPECT_EQ(s[1]->SectionLines, 3);
    EXPECT_TRUE(s[1]->IsSub);
    EXPECT_EQ(s[2]->ReturnType, "String");
    EXPECT_FALSE(s[2]->IsSub);
    EXPECT_EQ(s[3]->StartLine, 15);
    EXPECT_EQ(s[3]->SectionLines, 2);
    EXPECT_EQ(s[3]->ReturnType, "Long");
    EXPECT_EQ(f.LineCount, lines.size());
    EXPECT_GT(p.progress.pumps, static_cast<int>(lines.size()));
}

TEST(SourceMgt, FormLikeFilesSkipTheirDescriptionBlock) {
    TProject p;
    const QStringList form = {"VERSION 5.00",
                              "Begin VB.Form Form1",
                              "   BeginProperty Font ",
                              "      Name = \"Arial\"",
                              "   EndProperty",
                              "End",
                              "Attribute VB_Name = \"Form1\"",
                              "Private Sub Form_Load ()",
                              "End Sub"};
    RFile& frm = p.add("Form1.frm", crlf(form));
    // A user control opens with the same kind of block.
    RFile& ctl = p.add("Grid.ctl", crlf({"VERSION 5.00", "Begin VB.UserControl Grid", "End",
                                         "Public Sub Refresh()", "End Sub"}));
    // A class header is not skipped: it stays in the declarations.
    RFile& cls = p.add("Class1.cls", crlf({"VERSION 1.0 CLASS", "BEGIN", "END", "Sub A()"}));
    // An unbalanced block leaves no code.
    RFile& broken = p.add("Broken.frm", crlf({"Begin Form Main", "Sub Lost()", "x = 1"}));
    p.sources.AnalyzeProject();

    EXPECT_EQ(frm.CodeStart, 6);
    EXPECT_EQ(frm.BlockCount, 2);
    EXPECT_EQ(p.names(frm), QStringList({"File Declarations", " Form_Load "}));
    EXPECT_EQ(p.sections(frm)[0]->StartLine, 6);
    EXPECT_EQ(p.sections(frm)[0]->SectionLines, 1);
    EXPECT_EQ(ctl.CodeStart, 3);
    EXPECT_EQ(p.names(ctl), QStringList({"File Declarations", " Refresh"}));
    EXPECT_EQ(cls.CodeStart, 0);
    EXPECT_EQ(p.sections(cls)[1]->StartLine, 3);
    EXPECT_EQ(broken.CodeStart, 3);
    ASSERT_EQ(p.sections(broken).size(), 1u);
    EXPECT_EQ(p.sections(broken)[0]->SectionLines, 0);
}

TEST(SourceMgt, FilesWithoutProceduresAndOddBytes) {
    TProject p;
    RFile& plain = p.add("CONSTANT.TXT", crlf(numbered(5, "Global Const C%1 = %1")));
    RFile& lfOnly = p.add("lf.bas", "Sub A()\nEnd Sub\nSub B()\nEnd Sub");
    // A NUL byte keeps its line and everything after it.
    RFile& nul = p.add("nul.bas", QByteArray("x = 1\0y\r\nSub After()\r\n", 22));
    RFile& empty = p.add("empty.bas", "");
    p.sources.AnalyzeProject();

    ASSERT_EQ(p.sections(plain).size(), 1u);
    EXPECT_EQ(p.sections(plain)[0]->Name, "File Declarations");
    EXPECT_EQ(p.sections(plain)[0]->SectionLines, 5);
    EXPECT_EQ(p.names(lfOnly), QStringList({"File Declarations", " A", " B"}));
    EXPECT_EQ(nul.LineCount, 2);
    p.sources.LoadFileText(nul);
    ASSERT_EQ(nul.Lines.size(), 2);
    EXPECT_EQ(nul.Lines[0].size(), 7);
    EXPECT_EQ(p.names(nul).size(), 2);
    EXPECT_EQ(empty.LineCount, 0);
    EXPECT_EQ(p.sections(empty)[0]->SectionLines, 0);

    // Analysing again replaces the sections instead of adding to them.
    p.sources.AnalyzeFile(lfOnly);
    EXPECT_EQ(p.names(lfOnly).size(), 3);
}

TEST(SourceMgt, LongSectionKeepsItsLineCount) {
    TProject p;
    QStringList lines = {"Sub Long()"};
    lines += numbered(70000, "x = %1");
    lines << "End Sub";
    RFile& f = p.add("long.bas", crlf(lines));
    p.sources.AnalyzeFile(f);
    const auto s = p.sections(f);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[1]->SectionLines, 70002);
}

TEST(SourceMgt, OnlyOneTextStaysLoaded) {
    TProject p;
    RFile& a = p.add("a.bas", "Sub A()\r\n");
    RFile& b = p.add("b.bas", "Sub B()\r\n");
    p.sources.AnalyzeProject();
    EXPECT_FALSE(a.Loaded);
    EXPECT_TRUE(a.Lines.isEmpty());
    EXPECT_TRUE(b.Loaded);
    EXPECT_EQ(p.sources.FileCount(), 2);

    p.sources.LoadFileText(a); // loads without unloading b
    EXPECT_TRUE(a.Loaded && b.Loaded);
    p.sources.UnloadFileText("B.BAS"); // exact names only
    EXPECT_TRUE(b.Loaded);
    p.sources.UnloadFileText("b.bas");
    EXPECT_FALSE(b.Loaded);
    p.sources.UnloadFileTexts();
    EXPECT_FALSE(a.Loaded);
}

TEST(SourceMgt, VanishedFileIsAClearError) {
    TProject p;
    RFile& f = p.add("gone.bas", "Sub A()\r\n");
    QFile::remove(f.Path);
    try {
        p.sources.AnalyzeProject();
        FAIL() << "no error";
    } catch (const TListoraError& e) {
        EXPECT_TRUE(e.message().contains(f.Path)) << e.message().toStdString();
    }
    EXPECT_FALSE(p.sources.Analyzed());
}

TEST(SourceMgt, TreeShowsFilesSectionsAndMarks) {
    TProject p;
    RFile& frm = p.add("Form1.frm", crlf({"Begin VB.Form F", "End", "Sub A()", "Sub B()"}));
    p.add("M.bas", crlf({"Sub C()"}));
    p.add("C.cls", "x\r\n");
    p.sources.AnalyzeProject();
    p.sources.MarkSection("FORM1.FRM", " b");
    EXPECT_TRUE(TSourceMgt::HasMarkedSections(frm));

    TRecordingTree tree;
    tree.addNode(ISourceTree::kNoNode, "stale", {}, 0, 0);
    EXPECT_EQ(p.sources.FillTree(tree, "App.vbp", true), 1);
    EXPECT_EQ(tree.updating, 0);
    ASSERT_EQ(tree.nodes.size(), 1u + 3u + 3u + 2u + 1u);
    EXPECT_EQ(tree.nodes[0].caption, "App.vbp");
    EXPECT_EQ(tree.nodes[0].image, siRoot);
    EXPECT_EQ(tree.nodes[0].data.File, p.sources.FirstFile());
    EXPECT_EQ(tree.nodes[1].caption, "Form1.frm");
    EXPECT_EQ(tree.nodes[1].image, siForm);
    EXPECT_EQ(tree.nodes[1].stateImage, siUnmarked);
    EXPECT_EQ(tree.nodes[2].caption, "File Declarations");
    EXPECT_EQ(tree.nodes[2].parent, 1);
    EXPECT_EQ(tree.nodes[2].image, siSection);
    EXPECT_EQ(tree.nodes[4].caption, " B");
    EXPECT_EQ(tree.nodes[4].stateImage, siMarked);
    EXPECT_EQ(tree.nodes[4].data.Section->Name, " B");
    EXPECT_EQ(tree.nodes[5].image, siModule);
    EXPECT_EQ(tree.nodes[8].image, siOtherFile);
    EXPECT_EQ(p.progress.percents.back(), 0);

    TRecordingTree files;
    EXPECT_EQ(p.sources.FillTree(files, "App.vbp", false), 0);
    EXPECT_EQ(files.nodes.size(), 4u);
}

TEST(SourceMgt, PrintMarksRoundTrip) {
    TProject p;
    RFile& a = p.add("a.bas", crlf({"Sub One()", "Function Two()", "Sub NoParens"}));
    RFile& b = p.add("b.bas", crlf({"Sub One()"}));
    RFile& untouched = p.add("c.bas", "x\r\n");
    p.sources.AnalyzeProject();
    EXPECT_FALSE(TSourceMgt::HasMarkedSections(untouched));

    // No marks: an empty file that marks nothing.
    p.sources.SavePrintMarks("/p/App.vbp", p.dir.path(""));
    EXPECT_TRUE(testsupport::readFile(p.dir.path("PROJECTPRINT")).isEmpty());

    p.sources.MarkSection("a.bas", " One");
    p.sources.MarkSection("A.BAS", "");
    p.sources.MarkSection("b.bas", "File Declarations");
    const QString project = "/home/u/Projekt/Über.vbp";
    p.sources.SavePrintMarks(project, p.dir.path(""));
    EXPECT_EQ(testsupport::readFile(p.dir.path("PROJECTPRINT")),
              "a.bas\r\n One\r\na.bas\r\n\r\nb.bas\r\nFile Declarations\r\n");
    const QByteArray info = testsupport::readFile(p.dir.path("PROJECTINFO"));
    ASSERT_EQ(info.size(), 256);
    EXPECT_EQ(static_cast<unsigned char>(info[0]), project.toUtf8().size());
    EXPECT_EQ(info.mid(1, info[0]), project.toUtf8());
    EXPECT_EQ(info.mid(1 + info[0]), QByteArray(255 - info[0], '\0'));

    TProject q;
    RFile& a2 = q.add("A.BAS", crlf({"Sub One()", "Function Two()", "Sub NoParens"}));
    RFile& b2 = q.add("b.bas", crlf({"Sub One()"}));
    q.sources.AnalyzeProject();
    q.sources.LoadPrintMarks(p.dir.path("PROJECTPRINT"));
    const auto s = q.sections(a2);
    EXPECT_EQ(s[0]->Marked, 0);
    EXPECT_EQ(s[1]->Marked, 1);
    EXPECT_EQ(s[2]->Marked, 0);
    EXPECT_EQ(s[3]->Marked, 1); // the last pair counts too
    EXPECT_EQ(q.sections(b2)[0]->Marked, 1);
    (void)a;
    (void)b;

    // A path longer than 255 bytes is cut, never overflowing the record.
    p.sources.SavePrintMarks(QString(300, u'é'), p.dir.path(""));
    const QByteArray cut = testsupport::readFile(p.dir.path("PROJECTINFO"));
    ASSERT_EQ(cut.size(), 256);
    EXPECT_EQ(static_cast<unsigned char>(cut[0]), 254);
    EXPECT_THROW(q.sources.LoadPrintMarks(p.dir.path("absent")), TListoraError);
}

TEST(SourceMgt, HasMarkedSectionsUsesTheFileMarkOnlyWithoutSections) {
    RFile f;
    EXPECT_FALSE(TSourceMgt::HasMarkedSections(f));
    f.Marked = 1;
    EXPECT_TRUE(TSourceMgt::HasMarkedSections(f));
    RFunction* tail = f.AppendFunction(f.Functions);
    (void)tail;
    EXPECT_FALSE(TSourceMgt::HasMarkedSections(f));
    f.Functions->Marked = 1;
    EXPECT_TRUE(TSourceMgt::HasMarkedSections(f));
}
