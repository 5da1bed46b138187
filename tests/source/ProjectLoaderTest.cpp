#include "SourceTestSupport.h"

#include "platform/Errors.h"
#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QStringList kHead = {"Type=Exe", "Reference=*\\G{00020430-0000}#2.0#0#stdole2.tlb#OLE"};
const QString kKey = "ProjWinSize=76,448,248,215";

// Loads a project and lists its members as "DisplayName Ext".
struct TLoaded {
    explicit TLoaded(const QString& project) { ok = LoadProjectFile(sources, project, title); }
    QStringList members() const {
        QStringList out;
        for (RFile* f = sources.FirstFile(); f->Next; f = f->Next)
            out << f->DisplayName + " " + f->Ext;
        return out;
    }
    TRecordingProgress progress;
    TSourceMgt sources{&progress};
    QString title;
    bool ok = false;
};

} // namespace

TEST(ProjectLoader, VbpAndMakMembers) {
    TScratch dir;
    for (const char* name : {"Form1.frm", "Module1.bas", "Class1.cls", "FORM1.FRM", "GLOBAL.BAS"})
        dir.write(name, "VERSION 5.00\r\n");
    dir.write("GRID.VBX", "text that exists\r\n");
    const QString vbp = dir.write(
        "App.vbp", crlf(kHead + QStringList{"Form=Form1.frm", "Module=Module1; Module1.bas",
                                            "Class=Class1; Class1.cls", "IconForm=\"Form1\"",
                                            "Startup=\"Form1\"", kKey}));
    TRecordingMessages messages;
    TLoaded loaded(vbp);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.title, vbp);
    EXPECT_EQ(loaded.members(), QStringList({"Form1.frm .FRM", "Module1 .BAS", "Class1 .CLS"}));
    const RFile* first = loaded.sources.FirstFile();
    EXPECT_EQ(first->Next->Prev, first);
    EXPECT_EQ(first->Functions->Next, nullptr);
    EXPECT_EQ(first->Next->Path, dir.path("Module1.bas"));
    EXPECT_TRUE(messages.texts.isEmpty());
    // The status line and the gauge (i / n x 100, halves to even).
    EXPECT_EQ(loaded.progress.statuses.first(), "Loading MAK/VBP File");
    EXPECT_TRUE(loaded.progress.statuses.contains("Loading Form=Form1.frm"));
    EXPECT_EQ(loaded.progress.statuses.last(), "Task Complete");
    EXPECT_EQ(loaded.progress.percents, std::vector<int>({0, 0, 12, 25, 38, 50, 62, 75, 88, 0}));

    const QString mak = dir.write("OLD.MAK", crlf({"FORM1.FRM", "GLOBAL.BAS", "GRID.VBX",
                                                   "C:\\WINDOWS\\SYSTEM\\GRID.VBX", kKey, ""}));
    EXPECT_EQ(TLoaded(mak).members(), QStringList({"FORM1.FRM .FRM", "GLOBAL.BAS .BAS"}));
}

TEST(ProjectLoader, ProjectKeyMustFollowTheSecondLine) {
    EXPECT_FALSE(IsVBProject({"Form=a.frm", "ProjWinSize=1,2,3,4", "Startup=\"a\""}));
    EXPECT_TRUE(IsVBProject({"", "", "ThreadPerObject=0"}));
    EXPECT_TRUE(IsVBProject({"", "", "", "MaxNumberOfThreads=1"}));
    EXPECT_FALSE(IsVBProject({}));

    TScratch dir;
    dir.write("Form1.frm", "VERSION 5.00\r\n");
    TRecordingMessages messages;
    TLoaded loaded(dir.write("Bad.vbp", crlf({"Form=Form1.frm", kKey})));
    EXPECT_FALSE(loaded.ok);
    EXPECT_EQ(loaded.sources.FileCount(), 0);
    EXPECT_EQ(messages.texts, QStringList("error: This is Not a Valid VB Project File. "));
    EXPECT_EQ(loaded.progress.statuses.last(), "Unrecognizable MAK File");
}

TEST(ProjectLoader, WindowsPathsResolveWithoutRegardToCase) {
    TScratch dir;
    for (const char* name : {"Shared/Util.bas", "App/FRMGRAPH.FRM", "App/Sub Dir/Page.pag",
                             "App/Grid.ctl", "App/Prêt.frm", "App/twin.bas", "App/TWIN.bas"})
        dir.write(QString::fromUtf8(name), "VERSION 5.00\r\n");
    // The accented name as a Windows-1252 machine writes it; "Twin.bas"
    // matches two files and so none.
    const QByteArray vbp =
        crlf(kHead + QStringList{"Form=frmgraph.frm", "Module=Util; ..\\shared\\util.bas",
                                 "PropertyPage=SUB DIR\\page.pag", "UserControl=Grid.ctl",
                                 "Module=T; Twin.bas", "Form=C:\\WINDOWS\\Form1.frm", kKey}) +
        "Form=Pr\xEAt.frm\r\n";
    TLoaded loaded(dir.write("App/App.vbp", vbp));
    ASSERT_EQ(loaded.sources.FileCount(), 5);
    QStringList paths;
    for (RFile* f = loaded.sources.FirstFile(); f->Next; f = f->Next)
        paths << f->Path.mid(dir.path("").size());
    EXPECT_EQ(paths,
              QStringList({"/App/FRMGRAPH.FRM", "/App/../Shared/Util.bas", "/App/Sub Dir/Page.pag",
                           "/App/Grid.ctl", QString::fromUtf8("/App/Prêt.frm")}));
    EXPECT_EQ(loaded.sources.FirstFile()->FileName, "frmgraph.frm");
}

TEST(ProjectLoader, BadProjectsAndMembersNeverCrash) {
    TScratch dir;
    dir.write("Bin.bas", QByteArray("\x00\x01\xFF", 3));
    dir.write("Empty.bas", "");
    dir.write("Good.bas", "Sub Main()\r\n");
    const QString longLine = "Module=" + QString(10000, u'x') + "; Good.bas";
    const QString odd = dir.write(
        "Odd.vbp",
        crlf(kHead + QStringList{longLine, "Module=B; Bin.bas", "Module=E; Empty.bas",
                                 "Form=", "Module=", "Module=N; Good.bas" + QString(QChar(0)),
                                 "Class=C;Good.bas", kKey}));
    TRecordingMessages quiet;
    TLoaded loaded(odd);
    ASSERT_EQ(loaded.sources.FileCount(), 2);
    EXPECT_EQ(loaded.sources.FirstFile()->DisplayName.size(), 10000);
    EXPECT_EQ(loaded.sources.FirstFile()->Next->DisplayName, "C");

    TRecordingMessages messages;
    EXPECT_FALSE(TLoaded(dir.write("Bin.vbp", QByteArray(300, '\0'))).ok);
    TSourceMgt sources;
    QString title;
    EXPECT_THROW(LoadProjectFile(sources, dir.path("Absent.vbp"), title), TListoraError);
}

TEST(ProjectLoader, TextTestAndSizeLimit) {
    TScratch dir;
    const std::pair<const char*, bool> firstBytes[] = {
        {"Option Explicit", true}, {"~", true}, {"\tDim x", false},
        {"\r\nSub Main()", false}, {"", false}, {"\x7F", false},
        {"\xEF\xBB\xBFSub", false}};
    int i = 0;
    for (const auto& [text, isText] : firstBytes)
        EXPECT_EQ(IsASCIIFile(dir.write(QString::number(i++), text)), isText) << text;
    EXPECT_FALSE(IsASCIIFile(dir.path("none.bas")));
    EXPECT_FALSE(IsASCIIFile(dir.path("")));

    const QString below = dir.write("below.bas", QByteArray(199999, 'x'));
    const QString at = dir.write("at.bas", QByteArray(200000, 'x'));
    EXPECT_EQ(FileSizeOf(below), 199999);
    EXPECT_TRUE(IsBelowSizeLimit(below));
    EXPECT_FALSE(IsBelowSizeLimit(at));
    EXPECT_EQ(FileSizeOf(dir.path("none.bas")), -1);
    EXPECT_FALSE(IsBelowSizeLimit(dir.path("none.bas")));
}

TEST(ProjectLoader, ProjectsNamingMoreMembersThanTheLimitAreRefused) {
    TScratch dir;
    dir.write("Module1.bas", "Attribute VB_Name = \"Module1\"\r\n");
    auto project = [&](int members) {
        QStringList lines = kHead;
        for (int i = 0; i < members; ++i)
            lines << "Module=Module1; Module1.bas";
        return dir.write("Big.vbp", crlf(lines + QStringList{kKey}));
    };
    {
        TRecordingMessages messages;
        TLoaded loaded(project(kMaxProjectMembers));
        EXPECT_TRUE(loaded.ok);
        EXPECT_TRUE(messages.texts.isEmpty());
    }
    TRecordingMessages messages;
    TLoaded loaded(project(kMaxProjectMembers + 1));
    EXPECT_FALSE(loaded.ok);
    EXPECT_EQ(messages.texts,
              QStringList("error: This project names more than 4096 source files or 64 MB of "
                          "source; Listora prints projects of at most 4096 files and 64 MB."));
}

TEST(ProjectLoader, MembersLeftOutAreNamedWithTheirReasonsAndNoneLeftIsAnError) {
    TScratch dir;
    dir.write("Good.bas", "Sub Main()\r\n");
    dir.write("Bin.bas", QByteArray("\x00\x01", 2));
    QDir(dir.path("")).mkdir("Folder.frm");
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.path("Pipe.bas")).constData(), 0600), 0);
    QStringList leftOut = {"Module=M; NOPE.bas", "Form=Folder.frm", "Module=P; pipe.BAS",
                           "Module=B; Bin.bas", "Form=C:\\WINDOWS\\Form1.frm"};
    QStringList said = {
        "Left out NOPE.bas: no such file or directory", "Left out Folder.frm: it is a folder",
        "Left out pipe.BAS: it is not a regular file", "Left out Bin.bas: it is not a text file",
        "Left out C:\\WINDOWS\\Form1.frm: the path leads to another (Windows) "
        "machine"};
    const QString locked = dir.write("Locked.cls", "VERSION 1.0 CLASS\r\n");
    QFile::setPermissions(locked, QFileDevice::Permissions());
    if (!QFile(locked).open(QIODevice::ReadOnly)) { // not as root
        leftOut << "Class=L; Locked.cls";
        said << "Left out Locked.cls: permission denied";
    }
    {
        TRecordingMessages messages;
        TLoaded loaded(
            dir.write("Some.vbp", crlf(kHead + leftOut + QStringList{"Module=G; good.BAS", kKey})));
        EXPECT_TRUE(loaded.ok);
        EXPECT_EQ(loaded.members(), QStringList("G .BAS")) << "found without regard to case";
        EXPECT_EQ(messages.texts, QStringList("other: " + said.join('\n')))
            << "one warning for all";
    }
    TRecordingMessages messages;
    TLoaded none(dir.write("None.vbp", crlf(kHead + leftOut + QStringList{kKey})));
    EXPECT_FALSE(none.ok);
    ASSERT_EQ(messages.texts.size(), 2);
    EXPECT_EQ(messages.texts[1], "error: None of the source files this project names can be read; "
                                 "there is nothing to print.");
    EXPECT_EQ(none.progress.statuses.last(), "No Source Files");

    // A member over the members' size limit refuses the project.
    dir.write("Huge.bas", QByteArray(kMemberSizeLimit + 1, 'x'));
    TRecordingMessages big;
    EXPECT_FALSE(
        TLoaded(dir.write("Big.vbp", crlf(kHead + QStringList{"Module=G; Good.bas",
                                                              "Module=H; huge.bas", kKey})))
            .ok);
    EXPECT_EQ(big.texts, QStringList("error: The file huge.bas of this project is over 64 MB "
                                     "(67108865 bytes). It cannot be processed."));
}
