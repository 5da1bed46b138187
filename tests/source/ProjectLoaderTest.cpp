#include "SourceTestSupport.h"

#include "platform/Errors.h"
#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"

#include <gtest/gtest.h>

namespace {

const QStringList kVbpHeader = {"Type=Exe", "Reference=*\\G{00020430-0000}#2.0#0#stdole2.tlb#OLE"};
const QString kProjWinSize = "ProjWinSize=76,448,248,215";

struct TLoaded {
    TRecordingProgress progress;
    TSourceMgt sources{&progress};
    QString jobTitle;
    bool ok = false;

    explicit TLoaded(const QString& projectPath) {
        ok = LoadProjectFile(sources, projectPath, jobTitle);
    }
    std::vector<RFile*> files() const {
        std::vector<RFile*> out;
        for (RFile* f = sources.FirstFile(); f->Next; f = f->Next)
            out.push_back(f);
        return out;
    }
};

} // namespace

TEST(ProjectLoader, VbpFormModuleAndClassBecomeMembers) {
    TScratch dir;
    dir.write("Form1.frm", "VERSION 5.00\r\n");
    dir.write("Module1.bas", "Attribute VB_Name = \"Module1\"\r\n");
    dir.write("Class1.cls", "VERSION 1.0 CLASS\r\n");
    const QString vbp = dir.write(
        "App.vbp", crlf(kVbpHeader + QStringList{"Form=Form1.frm", "Module=Module1; Module1.bas",
                                                 "Class=Class1; Class1.cls", "IconForm=\"Form1\"",
                                                 "Startup=\"Form1\"", kProjWinSize}));
    TRecordingMessages messages;
    TLoaded loaded(vbp);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.jobTitle, vbp);
    EXPECT_EQ(loaded.sources.ProjectLines().size(), 8);
    const auto files = loaded.files();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(loaded.sources.FileCount(), 3);
    const QStringList display = {files[0]->DisplayName, files[1]->DisplayName,
                                 files[2]->DisplayName};
    EXPECT_EQ(display, QStringList({"Form1.frm", "Module1", "Class1"}));
    EXPECT_EQ(files[0]->Ext, ".FRM");
    EXPECT_EQ(files[1]->Ext, ".BAS");
    EXPECT_EQ(files[2]->Ext, ".CLS");
    EXPECT_EQ(files[1]->FileName, "Module1.bas");
    EXPECT_EQ(files[2]->Path, dir.path("Class1.cls"));
    for (RFile* f : files) {
        EXPECT_FALSE(f->Loaded);
        EXPECT_EQ(f->Marked, 0);
        ASSERT_NE(f->Functions, nullptr);
        EXPECT_EQ(f->Functions->Next, nullptr);
    }
    EXPECT_EQ(files[1]->Prev, files[0]);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_FALSE(loaded.sources.Analyzed());

    // Status line: the start, one "Loading " per line, the end; the gauge
    // rounds i / n x 100 and returns to 0.
    const QStringList& st = loaded.progress.statuses;
    EXPECT_EQ(st.first(), "Loading MAK/VBP File");
    EXPECT_TRUE(st.contains("Loading Form=Form1.frm"));
    EXPECT_EQ(st.last(), "Task Complete");
    const std::vector<int> expected = {0, 0, 12, 25, 38, 50, 62, 75, 88, 0};
    EXPECT_EQ(loaded.progress.percents, expected);
}

TEST(ProjectLoader, MakLinesNameFilesAndVbxLinesAreSkipped) {
    TScratch dir;
    dir.write("FORM1.FRM", "VERSION 2.00\r\n");
    dir.write("GLOBAL.BAS", "Global x%\r\n");
    dir.write("GRID.VBX", "VBX text that exists\r\n");
    const QString mak =
        dir.write("OLD.MAK", crlf({"FORM1.FRM", "GLOBAL.BAS", "C:\\WINDOWS\\SYSTEM\\GRID.VBX",
                                   "GRID.VBX", "ProjWinSize=152,402,248,215", ""}));
    TLoaded loaded(mak);
    ASSERT_TRUE(loaded.ok);
    const auto files = loaded.files();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0]->DisplayName, "FORM1.FRM");
    EXPECT_EQ(files[1]->Ext, ".BAS");
}

TEST(ProjectLoader, KeyOnlyOnSecondLineIsNotAProject) {
    EXPECT_FALSE(IsVBProject({"Form=a.frm", "ProjWinSize=1,2,3,4"}));
    EXPECT_FALSE(IsVBProject({"ProjWinSize", "MaxNumberOfThreads=1", "Form=a.frm"}));
    EXPECT_TRUE(IsVBProject({"", "", "ThreadPerObject=0"}));
    EXPECT_TRUE(IsVBProject({"", "", "", "MaxNumberOfThreads=1"}));
    EXPECT_FALSE(IsVBProject({}));

    TScratch dir;
    dir.write("Form1.frm", "VERSION 5.00\r\n");
    const QString vbp =
        dir.write("Bad.vbp", crlf({"Form=Form1.frm", kProjWinSize, "Startup=\"Form1\""}));
    TRecordingMessages messages;
    TLoaded loaded(vbp);
    EXPECT_FALSE(loaded.ok);
    EXPECT_EQ(loaded.sources.FileCount(), 0);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_EQ(messages.kinds[0], TMessageKind::Error);
    EXPECT_EQ(messages.texts[0], "This is Not a Valid VB Project File. ");
    EXPECT_EQ(loaded.progress.statuses.last(), "Unrecognizable MAK File");
}

TEST(ProjectLoader, ClassifiesLinesByKeysFoundAnywhere) {
    const RProjectMember icon = ClassifyProjectLine("IconForm=\"Form1\"");
    EXPECT_EQ(icon.Kind, mkForm);
    EXPECT_EQ(icon.Name, "\"Form1\"");
    EXPECT_EQ(ClassifyProjectLine("Startup=\"Form1\"").Kind, mkNone);
    EXPECT_EQ(ClassifyProjectLine("Object={831FDD16}#2.0#0; MSCOMCTL.OCX").Kind, mkNone);
    const RProjectMember module = ClassifyProjectLine("Module=srvCpt; Sub\\Cpt_Srv.bas");
    EXPECT_EQ(module.Kind, mkModule);
    EXPECT_EQ(module.Object, "srvCpt");
    EXPECT_EQ(module.Name, "Sub\\Cpt_Srv.bas");
    EXPECT_EQ(ClassifyProjectLine("Class=C;C.cls").Name, "C.cls");
    const RProjectMember control = ClassifyProjectLine("UserControl=Builds\\Grid.ctl");
    EXPECT_EQ(control.Kind, mkDesigner);
    EXPECT_EQ(control.Name, "Builds\\Grid.ctl");
    EXPECT_EQ(ClassifyProjectLine("[MS Transaction Server]").Kind, mkPlain);

    EXPECT_EQ(LineExtension("Module=Module2; constant.txt"), ".TXT");
    EXPECT_EQ(LineExtension("ProjWinSize=1,2"), "");
    EXPECT_EQ(LineExtension("Form=..\\forms.old\\Main"), "");
}

TEST(ProjectLoader, WindowsPathsResolveWithoutRegardToCase) {
    TScratch dir;
    dir.write("Shared/Util.bas", "Attribute VB_Name = \"Util\"\r\n");
    dir.write("App/FRMGRAPH.FRM", "VERSION 5.00\r\n");
    dir.write("App/Sub Dir/Page.pag", "VERSION 5.00\r\n");
    dir.write("App/Grid.ctl", "VERSION 5.00\r\n");
    dir.write("App/Prêt.frm", "VERSION 5.00\r\n");
    // Two entries that differ only in case: ambiguous, so not found.
    dir.write("App/twin.bas", "x\r\n");
    dir.write("App/TWIN.bas", "x\r\n");
    QByteArray project =
        crlf(kVbpHeader + QStringList{"Form=frmgraph.frm", "Module=Util; ..\\shared\\util.bas",
                                      "PropertyPage=SUB DIR\\page.pag", "UserControl=Grid.ctl",
                                      "Module=T; Twin.bas", "Form=C:\\WINDOWS\\Form1.frm",
                                      kProjWinSize});
    project += QByteArray("Form=Pr\xEAt.frm\r\n"); // written on a Windows-1252 machine
    const QString vbp = project.isEmpty() ? QString() : dir.write("App/App.vbp", project);

    TLoaded loaded(vbp);
    ASSERT_TRUE(loaded.ok);
    const auto files = loaded.files();
    ASSERT_EQ(files.size(), 5u);
    EXPECT_EQ(files[0]->Path, dir.path("App/FRMGRAPH.FRM"));
    EXPECT_EQ(files[0]->FileName, "frmgraph.frm");
    EXPECT_EQ(files[1]->Path, dir.path("App/../Shared/Util.bas"));
    EXPECT_EQ(files[1]->DisplayName, "Util");
    EXPECT_EQ(files[2]->Path, dir.path("App/Sub Dir/Page.pag"));
    EXPECT_EQ(files[3]->Ext, ".CTL");
    EXPECT_EQ(files[4]->FileName, QString::fromUtf8("Prêt.frm"));
    EXPECT_EQ(files[4]->Path, dir.path(QString::fromUtf8("App/Prêt.frm")));
}

TEST(ProjectLoader, BadProjectsLoadWithoutCrashing) {
    TScratch dir;
    // Every member missing: a project with an empty chain.
    const QString missing = dir.write(
        "Missing.vbp",
        crlf(kVbpHeader + QStringList{"Form=Nope.frm", "Module=M; Gone.bas", kProjWinSize}));
    TLoaded none(missing);
    EXPECT_TRUE(none.ok);
    EXPECT_EQ(none.sources.FileCount(), 0);

    // A 10,000-character line, members that are binary or empty, and a
    // name with a NUL character.
    dir.write("Bin.bas", QByteArray("\x00\x01\x02\xFF", 4));
    dir.write("Empty.bas", "");
    dir.write("Good.bas", "Sub Main()\r\nEnd Sub\r\n");
    const QString longLine = "Module=" + QString(10000, u'x') + "; Good.bas";
    const QString odd = dir.write(
        "Odd.vbp",
        crlf(kVbpHeader + QStringList{longLine, "Module=B; Bin.bas", "Module=E; Empty.bas",
                                      "Form=", "Module=", QString("Module=N; Good.bas") + QChar(0),
                                      kProjWinSize}));
    TLoaded loaded(odd);
    EXPECT_TRUE(loaded.ok);
    ASSERT_EQ(loaded.sources.FileCount(), 1);
    EXPECT_EQ(loaded.sources.FirstFile()->DisplayName.size(), 10000);

    // A binary project file is not a project; an unreadable one is an error.
    TRecordingMessages messages;
    TLoaded binary(dir.write("Bin.vbp", QByteArray(300, '\0')));
    EXPECT_FALSE(binary.ok);
    EXPECT_EQ(messages.texts.size(), 1);
    TSourceMgt sources;
    QString title;
    EXPECT_THROW(LoadProjectFile(sources, dir.path("Absent.vbp"), title), TListoraError);
}

TEST(ProjectLoader, TextTestLooksAtTheFirstByte) {
    TScratch dir;
    EXPECT_TRUE(IsASCIIFile(dir.write("a.txt", "Option Explicit\r\n")));
    EXPECT_TRUE(IsASCIIFile(dir.write("tilde.txt", "~")));
    EXPECT_FALSE(IsASCIIFile(dir.write("tab.txt", "\tDim x\r\n")));
    EXPECT_FALSE(IsASCIIFile(dir.write("cr.bas", "\r\nSub Main()\r\n")));
    EXPECT_FALSE(IsASCIIFile(dir.write("empty.bas", "")));
    EXPECT_FALSE(IsASCIIFile(dir.write("del.bas", "\x7F")));
    EXPECT_FALSE(IsASCIIFile(dir.write("bom.bas", "\xEF\xBB\xBFSub")));
    EXPECT_FALSE(IsASCIIFile(dir.path("none.bas")));
    EXPECT_FALSE(IsASCIIFile(dir.path("")));
    EXPECT_TRUE(IsPrintableChar(' '));
    EXPECT_FALSE(IsPrintableChar('\x1F'));
}

TEST(ProjectLoader, SizeLimitIsBelow200000Bytes) {
    TScratch dir;
    const QString below = dir.write("below.bas", QByteArray(199999, 'x'));
    const QString at = dir.write("at.bas", QByteArray(200000, 'x'));
    EXPECT_EQ(FileSizeOf(below), 199999);
    EXPECT_TRUE(IsBelowSizeLimit(below));
    EXPECT_EQ(FileSizeOf(at), 200000);
    EXPECT_FALSE(IsBelowSizeLimit(at));
    EXPECT_EQ(FileSizeOf(dir.path("none.bas")), -1);
    EXPECT_FALSE(IsBelowSizeLimit(dir.path("none.bas")));
    EXPECT_EQ(FileSizeOf(dir.path(".")), -1);
}
