#include "SourceTestSupport.h"

#include "common/TestSupport.h"
#include "platform/Errors.h"
#include "source/SourceMgt.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

// Members added by hand, as the loader would.
struct TProject {
    RFile& add(const QString& name, const QByteArray& text) {
        RFile* f = sources.AddFile();
        f->FileName = name;
        f->Path = dir.write(name, text);
        f->Ext = name.mid(name.lastIndexOf('.')).toUpper();
        return *f;
    }
    // Sections as "Name@StartLine+SectionLines".
    static QStringList sections(const RFile& f) {
        QStringList out;
        for (RFunction* s = f.Functions; s->Next; s = s->Next)
            out << QString("%1@%2+%3").arg(s->Name).arg(s->StartLine).arg(s->SectionLines);
        return out;
    }
    TScratch dir;
    TRecordingProgress progress;
    TSourceMgt sources{&progress};
};

} // namespace

TEST(SourceMgt, FilesSplitAtDeclarationLines) {
    TProject p;
    RFile& bas =
        p.add("Module1.bas",
              crlf({"Attribute VB_Name = \"Module1\"", "Declare Function X Lib \"a\" ()",
                    "Private Declare Function Y Lib \"a\" ()", "' Public Sub Old()",
                    "x = \"it's\" ' note", "Static Function Baz()", "' 6", "' 7", "' 8", "' 9",
                    "Sub Main ()", "End Sub", "Public Function Foo$(ByVal x As Integer)",
                    "End Function", "Property Get Count() As Long", "End Property"}));
    RFile& frm =
        p.add("Form1.frm", crlf({"VERSION 5.00", "Begin VB.Form Form1", "   BeginProperty Font ",
                                 "   EndProperty", "End", "Attribute VB_Name = \"Form1\"",
                                 "Private Sub Form_Load ()", "End Sub"}));
    RFile& ctl = p.add("Grid.ctl", crlf({"Begin VB.UserControl Grid", "End", "Public Sub A()"}));
    RFile& cls = p.add("Class1.cls", crlf({"VERSION 1.0 CLASS", "BEGIN", "END", "Sub A()"}));
    RFile& broken = p.add("Broken.frm", crlf({"Begin Form Main", "Sub Lost()", "x = 1"}));
    RFile& txt = p.add("CONSTANT.TXT", crlf({"Global Const A = 1", "Global Const B = 2"}));
    RFile& lf = p.add("lf.bas", "Sub A()\nEnd Sub\nSub B()\nEnd Sub");
    RFile& nul = p.add("nul.bas", QByteArray("x = 1\0y\r\nSub After()\r\n", 22));
    RFile& empty = p.add("empty.bas", "");
    p.sources.AnalyzeProject();
    EXPECT_TRUE(p.sources.Analyzed());

    EXPECT_EQ(TProject::sections(bas), QStringList({"File Declarations@0+10", " Main @10+2",
                                                    " Foo@12+2", " Get Count@14+2"}));
    EXPECT_EQ(bas.Functions->Next->IsSub, true);
    EXPECT_EQ(bas.Functions->Next->Next->ReturnType, "String");
    EXPECT_EQ(bas.Functions->Next->Next->Next->ReturnType, "Long");
    EXPECT_EQ(TProject::sections(frm), QStringList({"File Declarations@5+1", " Form_Load @6+2"}));
    EXPECT_EQ(frm.BlockCount, 2);
    EXPECT_EQ(TProject::sections(ctl), QStringList({"File Declarations@2+0", " A@2+1"}));
    EXPECT_EQ(TProject::sections(cls), QStringList({"File Declarations@0+3", " A@3+1"}));
    EXPECT_EQ(TProject::sections(broken), QStringList({"File Declarations@3+0"}));
    EXPECT_EQ(TProject::sections(txt), QStringList({"File Declarations@0+2"}));
    EXPECT_EQ(TProject::sections(lf), QStringList({"File Declarations@0+0", " A@0+2", " B@2+2"}));
    EXPECT_EQ(TProject::sections(nul), QStringList({"File Declarations@0+1", " After@1+1"}));
    EXPECT_EQ(TProject::sections(empty), QStringList({"File Declarations@0+0"}));
    EXPECT_GT(p.progress.pumps, 30);

    // Only the last text stays loaded; a NUL byte keeps the rest of its line.
    EXPECT_FALSE(bas.Loaded);
    EXPECT_TRUE(bas.Lines.isEmpty());
    EXPECT_TRUE(empty.Loaded);
    p.sources.LoadFileText(nul);
    EXPECT_TRUE(nul.Loaded && empty.Loaded);
    EXPECT_EQ(nul.Lines[0].size(), 7);
    p.sources.UnloadFileText("NUL.BAS"); // exact names only
    EXPECT_TRUE(nul.Loaded);
    p.sources.UnloadFileText("nul.bas");
    EXPECT_FALSE(nul.Loaded);
    p.sources.UnloadFileTexts();
    EXPECT_FALSE(empty.Loaded);

    // Analysing again replaces the sections.
    p.sources.AnalyzeFile(lf);
    EXPECT_EQ(TProject::sections(lf).size(), 3);
}

TEST(SourceMgt, SectionOfMoreThan65535Lines) {
    TProject p;
    QStringList lines = {"Sub Long()"};
    for (int i = 0; i < 70000; ++i)
        lines << "x = 1";
    RFile& f = p.add("long.bas", crlf(lines));
    p.sources.AnalyzeFile(f);
    EXPECT_EQ(TProject::sections(f), QStringList({"File Declarations@0+0", " Long@0+70001"}));
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
    EXPECT_FALSE(TSourceMgt::HasMarkedSections(frm));
    p.sources.MarkSection("FORM1.FRM", " b");
    EXPECT_TRUE(TSourceMgt::HasMarkedSections(frm));

    TRecordingTree tree;
    tree.addNode(ISourceTree::kNoNode, "stale", {}, 0, 0);
    EXPECT_EQ(p.sources.FillTree(tree, "App.vbp", true), 1);
    EXPECT_EQ(tree.updating, 0);
    QStringList shown;
    for (const auto& n : tree.nodes)
        shown << QString("%1<%2 %3/%4").arg(n.caption).arg(n.parent).arg(n.image).arg(n.stateImage);
    EXPECT_EQ(shown, QStringList({"App.vbp<-1 7/-1", "Form1.frm<0 0/6", "File Declarations<1 3/6",
                                  " A<1 3/6", " B<1 3/5", "M.bas<0 1/6", "File Declarations<5 3/6",
                                  " C<5 3/6", "C.cls<0 2/6", "File Declarations<8 3/6"}));
    EXPECT_EQ(tree.nodes[0].data.File, p.sources.FirstFile());
    EXPECT_EQ(tree.nodes[4].data.Section->Name, " B");
    EXPECT_EQ(p.progress.percents.back(), 0);
    EXPECT_EQ(p.sources.FillTree(tree, "App.vbp", false), 0);
    EXPECT_EQ(tree.nodes.size(), 4u);

    // A file without sections answers with its own mark.
    RFile bare;
    bare.Marked = 1;
    EXPECT_TRUE(TSourceMgt::HasMarkedSections(bare));
}

TEST(SourceMgt, PrintMarksRoundTrip) {
    const QByteArray text = crlf({"Sub One()", "Function Two()", "Sub NoParens"});
    TProject p;
    p.add("a.bas", text);
    p.add("b.bas", text);
    p.sources.AnalyzeProject();
    p.sources.SavePrintMarks("/p/App.vbp", p.dir.path(""));
    EXPECT_TRUE(testsupport::readFile(p.dir.path("PROJECTPRINT")).isEmpty());

    p.sources.MarkSection("a.bas", " One");
    p.sources.MarkSection("A.BAS", ""); // the section without "(" has an empty name
    p.sources.MarkSection("b.bas", "File Declarations");
    const QString project = QString::fromUtf8("/home/u/Über.vbp");
    p.sources.SavePrintMarks(project, p.dir.path(""));
    EXPECT_EQ(testsupport::readFile(p.dir.path("PROJECTPRINT")),
              "a.bas\r\n One\r\na.bas\r\n\r\nb.bas\r\nFile Declarations\r\n");
    const QByteArray info = testsupport::readFile(p.dir.path("PROJECTINFO"));
    EXPECT_EQ(info, char(project.toUtf8().size()) + project.toUtf8() +
                        QByteArray(255 - project.toUtf8().size(), '\0'));

    TProject q;
    RFile& a = q.add("A.BAS", text);
    RFile& b = q.add("b.bas", text);
    q.sources.AnalyzeProject();
    q.sources.LoadPrintMarks(p.dir.path("PROJECTPRINT"));
    EXPECT_EQ(a.Functions->Marked + a.Functions->Next->Next->Marked, 0);
    EXPECT_EQ(a.Functions->Next->Marked + a.Functions->Next->Next->Next->Marked, 2);
    EXPECT_EQ(b.Functions->Marked, 1); // the last pair counts too

    // A path of more than 255 bytes is cut at a character boundary.
    p.sources.SavePrintMarks(QString(300, u'é'), p.dir.path(""));
    const QByteArray cut = testsupport::readFile(p.dir.path("PROJECTINFO"));
    EXPECT_EQ(cut.size(), 256);
    EXPECT_EQ(static_cast<unsigned char>(cut[0]), 254);
    EXPECT_THROW(q.sources.LoadPrintMarks(p.dir.path("absent")), TListoraError);
}
