#include "SourceTestSupport.h"

#include "names/NameModel.h"
#include "platform/Errors.h"
#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

// A small project with one case of each rule; the lines that use names
// carry a unique "'@tag" comment for the table below to find them.
const QStringList kModule1 = {
    "Attribute VB_Name = \"Module1\"",
    "Public Sub Shared()",
    "End Sub",
    "Private Sub Hidden()",
    "End Sub",
    "Public Function Status() As Long",
    "End Function",
    "Public Sub Owner()",
    "End Sub",
    "Public Sub AddItem(s)",
    "End Sub",
};

const QStringList kModule2 = {
    "Attribute VB_Name = \"Module2\"",
    "Private Type TRec",
    "    Owner As Long",
    "End Type",
    "Private Hidden As Long",
    "Public Function Status() As Long",
    "End Function",
    "Public Sub Test(ByVal Owner2 As Long, _",
    "        Optional Report As Class1)",
    "    Dim Shared As Long, c As Class1",
    "    Dim f As New Form1, t As TRec",
    "    Shared = Shared + 1 '@local",
    "    Hidden '@ownPrivateVariable",
    "    Module1.Status: Status '@qualified",
    "    c.Run '@classVariable",
    "    Report.Run '@classParameter",
    "    f.ShowIt: Form1.ShowIt: Form1.Secret '@form",
    "    With c",
    "        .Run '@with",
    "        With cboList",
    "            .AddItem \"x\" '@unknownWith",
    "        End With",
    "    End With",
    "    .Run '@withEnded",
    "    cboDataBase.AddItem \"a\": t.Owner = 1: x.y.Owner '@notProject",
    "    MsgBox \"Owner(\" & Owner & \"Owner\" ' Owner '@string",
    "    AddItem Count:=1: Call AddItem(1) '@call",
    "End Sub",
};

const QStringList kClass1 = {
    "VERSION 1.0 CLASS", "Attribute VB_Name = \"Class1\"",
    "Public Sub Run()",  "    Me.Helper: Helper: Status '@me",
    "End Sub",           "Private Sub Helper()",
    "End Sub",
};

const QStringList kForm1 = {
    "VERSION 5.00",
    "Begin VB.Form Form1",
    "   Caption = \"Run\"",
    "End",
    "Attribute VB_Name = \"Form1\"",
    "Public Sub ShowIt()",
    "    Run: Class1.Run '@bareOtherClass",
    "End Sub",
    "Private Sub Secret()",
    "End Sub",
};

struct TProject {
    TNameModel model;
    std::vector<QStringList> files;
    TProject() {
        const std::pair<const char*, const QStringList*> all[] = {{"Module1.bas", &kModule1},
                                                                  {"Module2.bas", &kModule2},
                                                                  {"Class1.cls", &kClass1},
                                                                  {"Form1.frm", &kForm1}};
        for (const auto& [name, lines] : all) {
            const QString file = QString::fromLatin1(name);
            model.AddFile(file, '.' + file.section('.', 1).toUpper(), *lines);
            files.push_back(*lines);
        }
    }
    // "Module1.Status" for where the occurrence-th name word on the tagged
    // line leads, "local", or "" for nowhere.
    QString where(const QString& tag, const QString& word, int occurrence) const {
        for (int f = 0; f < int(files.size()); ++f)
            for (int l = 0; l < int(files[std::size_t(f)].size()); ++l) {
                const QString& line = files[std::size_t(f)][l];
                if (!line.endsWith("'@" + tag)) continue;
                int at = -1;
                for (int k = 0; k < occurrence; ++k)
                    at = line.indexOf(word, at + 1);
                if (at < 0) return "no such word";
                const TNameRef ref = model.Resolve(f, l, line, at);
                if (!ref.Found()) return QString();
                if (ref.IsLocal()) return QStringLiteral("local");
                const TNameFile& target = model.File(ref.File);
                return target.Name + '.' + target.Members[std::size_t(ref.Member)].Name;
            }
        return "no such line";
    }
};

} // namespace

TEST(NameModel, ResolvesNamesAsVisualBasicDoes) {
    const TProject p;
    struct TRow {
        const char* tag;
        const char* word;
        int occurrence;
        const char* expected;
    };
    const TRow rows[] = {
        // A local hides a Public procedure of a module.
        {"local", "Shared", 1, "local"},
        {"local", "Shared", 2, "local"},
        // The file's own Private member hides another module's Private one.
        {"ownPrivateVariable", "Hidden", 1, "Module2.Hidden"},
        // Qualified by its module; bare: the file's own of that name.
        {"qualified", "Status", 1, "Module1.Status"},
        {"qualified", "Status", 2, "Module2.Status"},
        {"qualified", "Module1", 1, ""},
        // Through variables declared As a class or (New) form, and parameters.
        {"classVariable", "Run", 1, "Class1.Run"},
        {"classParameter", "Run", 1, "Class1.Run"},
        {"form", "ShowIt", 1, "Form1.ShowIt"},
        {"form", "ShowIt", 2, "Form1.ShowIt"},
        // A Private member of a form is not seen from another file.
        {"form", "Secret", 1, ""},
        // With: only when the object's class is known, only while open.
        {"with", "Run", 1, "Class1.Run"},
        {"unknownWith", "AddItem", 1, ""},
        {"withEnded", "Run", 1, ""},
        // Controls, Type variables, members of members: nowhere.
        {"notProject", "AddItem", 1, ""},
        {"notProject", "Owner", 1, ""},
        {"notProject", "Owner", 2, ""},
        // Strings and comments never lead anywhere; code between them does.
        {"string", "Owner", 1, ""},
        {"string", "Owner", 2, "Module1.Owner"},
        {"string", "Owner", 3, ""},
        {"string", "Owner", 4, ""},
        {"string", "MsgBox", 1, ""},
        // A named argument is no call; keywords never resolve.
        {"call", "AddItem", 1, "Module1.AddItem"},
        {"call", "Count", 1, ""},
        {"call", "Call", 1, ""},
        {"call", "AddItem", 2, "Module1.AddItem"},
        // Me and the class's own Private procedure; a module's from a class.
        {"me", "Helper", 1, "Class1.Helper"},
        {"me", "Helper", 2, "Class1.Helper"},
        {"me", "Status", 1, "Module1.Status"},
        // Another class's member by its bare name: nowhere; by the class's name.
        {"bareOtherClass", "Run", 1, ""},
        {"bareOtherClass", "Run", 2, "Class1.Run"},
    };
    for (const TRow& r : rows)
        EXPECT_EQ(p.where(r.tag, r.word, r.occurrence), QString::fromLatin1(r.expected))
            << r.tag << " " << r.word << " #" << r.occurrence;
}

TEST(NameModel, KnowsFilesMembersScopesAndLocals) {
    const TProject p;
    const TNameFile& m2 = p.model.File(p.model.FileIndex("Module2.bas"));
    EXPECT_EQ(m2.Kind, TNameFileKind::Module);
    EXPECT_EQ(p.model.File(p.model.FileIndex("Form1.frm")).Kind, TNameFileKind::Form);
    EXPECT_EQ(p.model.File(p.model.FileIndex("Class1.cls")).Kind, TNameFileKind::Class);
    QStringList members;
    for (const TNameMember& m : m2.Members)
        members << QStringLiteral("%1:%2:%3:%4")
                       .arg(m.Name)
                       .arg(int(m.Kind))
                       .arg(int(m.Scope))
                       .arg(m.Line);
    EXPECT_EQ(members.join(' '), "TRec:3:0:1 Hidden:1:0:4 Status:0:1:5 Test:0:1:7");
    ASSERT_EQ(m2.Procedures.size(), 2u);
    const TNameProcedure& test = m2.Procedures[1];
    EXPECT_EQ(test.EndLine, int(kModule2.size()) - 1);
    ASSERT_EQ(test.Parameters.size(), 2u);
    EXPECT_EQ(test.Parameters[1].Name, "Report");
    EXPECT_EQ(test.Parameters[1].TypeName, "Class1");
    QStringList locals;
    for (const TNameDecl& d : test.Locals)
        locals << d.Name + ':' + d.TypeName;
    EXPECT_EQ(locals.join(' '), "Shared:Long c:Class1 f:Form1 t:TRec");
    ASSERT_EQ(test.Withs.size(), 2u);
    EXPECT_EQ(test.Withs[0].Object, "c");
    EXPECT_EQ(p.model.ProcedureAt(1, 4), -1);
    EXPECT_EQ(p.model.ProcedureAt(1, 8), 1);
}

#include "names/CrossReference.h"

TEST(CrossReference, ListsUsesAssignmentsAndCallers) {
    const QStringList module = {
        "Attribute VB_Name = \"Util\"",
        "Public Counter As Long, Items() As String",
        "Public Function Next1() As Long",
        "    Counter = Counter + 1: Next1 = Counter",
        "    If Counter > 9 Then Counter = 0 Else Next1 = Next1 + 0",
        "    If Counter < 0 Then Reset Counter",
        "End Function",
        "Public Sub Reset(Optional ByVal Counter As Long)",
        "    ReDim Items(3): Items(1) = \"a\"",
        "    Counter = 2 ' a parameter: no use",
        "End Sub",
        "Public Property Get Size() As Long",
        "End Property",
        "Public Property Let Size(ByVal v As Long)",
        "End Property",
    };
    const QStringList form = {
        "Attribute VB_Name = \"Form1\"",
        "Private Sub Go()",
        "    For Util.Counter = 1 To Next1: Reset: Next",
        "    Debug.Print Counter, \"Next1\", _",
        "        Next1() ' Next1",
        "    If Items(0) = \"\" Then Go",
        "    Util.Size = 3",
        "End Sub",
        "Private Sub Look()",
        "    Debug.Print Size",
        "End Sub",
    };
    TNameModel model;
    model.AddFile("Util.bas", ".BAS", module);
    model.AddFile("Form1.frm", ".FRM", form);
    TCrossReference xref(model);
    xref.AddFile(0, module);
    xref.AddFile(1, form);
    const TNameFile& util = model.File(0);
    auto uses = [&](const char* name) {
        QStringList out;
        for (const TNameUse& u : xref.Uses(0, util.MemberIndex.value(name)))
            out << QString("%1:%2%3").arg(u.File).arg(u.Line).arg(u.Assigns ? "*" : "");
        return out.join(' ');
    };
    EXPECT_EQ(uses("counter"), "0:3* 0:3 0:3 0:4 0:4* 0:5 0:5 1:2* 1:3");
    EXPECT_EQ(uses("items"), "0:8* 0:8* 1:5");
    EXPECT_EQ(uses("next1"), "0:3* 0:4* 0:4 1:2 1:4");

    auto callers = [&](int file, const char* name) {
        QStringList out;
        const TNameFile& f = model.File(file);
        for (const TNameUse& u : xref.Callers(file, f.MemberIndex.value(name)))
            out << model.File(u.File).Procedures[std::size_t(u.Procedure)].Name;
        return out.join(' ');
    };
    // A function's name inside it is its result; with arguments, or from
    // another procedure, a call.
    EXPECT_EQ(callers(0, "next1"), "Go");
    EXPECT_EQ(callers(0, "reset"), "Next1 Go");
    EXPECT_EQ(callers(1, "go"), "Go");
    const int let = int(util.Members.size()) - 1;
    ASSERT_EQ(util.Members[std::size_t(let)].Name, "Size");
    EXPECT_EQ(callers(0, "size"), "Look");
    const std::vector<TNameUse> lets = xref.Callers(0, let);
    ASSERT_EQ(lets.size(), 1u);
    EXPECT_EQ(model.File(1).Procedures[std::size_t(lets[0].Procedure)].Name, "Go");
}

// The uses read on a thread are those read in line: a loaded file's text as
// it is in memory, the others as the loader decodes them (a Windows-1252
// byte before a use); a file gone since the names were read is an error
// either way.
TEST(CrossReference, ReadsTheSameUsesOnAThread) {
    TScratch dir;
    dir.write("Util.bas", crlf({"Attribute VB_Name = \"Util\"", "Public Total As Long",
                                "Public Sub Add()", "    Total = Total + 1", "End Sub"}));
    dir.write("Main.bas", "Attribute VB_Name = \"Main\"\r\nSub Main()\r\n"
                          "    Debug.Print \"\xE9\": Add: Total = 0\r\nEnd Sub\r\n");
    TSourceMgt sources;
    QString title;
    ASSERT_TRUE(LoadProjectFile(
        sources,
        dir.write("P.vbp", crlf({"Type=Exe", "Module=Util; Util.bas", "Module=Main; Main.bas",
                                 "ProjWinSize=76,448,248,215"})),
        title));
    TNameModel model;
    AddProjectFiles(model, sources.FirstFile(), sources);
    RFile* util = sources.FirstFile();
    ASSERT_EQ(util->FileName, "Util.bas");
    sources.LoadFileText(*util);
    util->Lines[3] = "    Total = 1: Add";

    auto uses = [&](const TCrossReference& xref) {
        QStringList out;
        const TNameFile& f = model.File(model.FileIndex("Util.bas"));
        for (int m = 0; m < int(f.Members.size()); ++m)
            for (const TNameUse& u : xref.Uses(model.FileIndex("Util.bas"), m))
                out << QString("%1 %2:%3:%4%5")
                           .arg(f.Members[std::size_t(m)].Name)
                           .arg(model.File(u.File).FileName)
                           .arg(u.Line)
                           .arg(u.Start)
                           .arg(u.Assigns ? "*" : "");
        return out.join(", ");
    };
    TCrossReference inLine(model);
    AddProjectUses(inLine, sources.FirstFile(), sources);
    auto onThread = ReadXrefNamesAsync(model, sources.FirstFile(), sources);
    // The list may change while the thread reads.
    sources.UnloadFileText(util->FileName);
    const TXrefNames read = onThread.get();
    EXPECT_EQ(uses(*read.Uses), uses(inLine));
    auto names = [&](const std::vector<TNameRef>& refs) {
        QStringList out;
        for (const TNameRef& r : refs)
            out << model.File(r.File).Members[std::size_t(r.Member)].Name;
        return out.join(' ');
    };
    EXPECT_EQ(names(read.Reported), "Add Main Total");
    EXPECT_EQ(names(read.Unused),
              names(UnreferencedNames(inLine, ReadProjectFacts(sources.ProjectLines()))));
    EXPECT_EQ(uses(inLine), "Total Util.bas:3:4*, Total Main.bas:2:26*, Add Util.bas:3:15, "
                            "Add Main.bas:2:21");

    QFile::remove(dir.path("Main.bas"));
    TCrossReference failed(model);
    EXPECT_THROW(AddProjectUses(failed, sources.FirstFile(), sources), TListoraError);
    EXPECT_THROW(ReadXrefNamesAsync(model, sources.FirstFile(), sources).get(), TListoraError);
}

// One name of each kind and scope; handlers of the form, its controls (an
// array among them), a WithEvents variable, an implemented interface and
// the class; Main as start-up object or not; a library's interface.
TEST(CrossReference, ReportsEveryNameAndWhatNothingUses) {
    const QStringList main = {
        "Attribute VB_Name = \"Main\"",
        "Public Const APP_NAME = \"x\"",
        "Private Const UNUSED_C = 1",
        "Public Type TPoint",
        "    X As Long",
        "End Type",
        "Public Enum EColor",
        "    Red",
        "End Enum",
        "Private Declare Function GetTickCount Lib \"kernel32\" () As Long",
        "Public gCount As Long, mDead As Long",
        "Sub Main()",
        "    Dim p As TPoint",
        "    gCount = GetTickCount: Form1.Show",
        "End Sub",
        "Private Function DeadFn() As Long",
        "Attribute DeadFn.VB_Description = \"no use\"",
        "    DeadFn = DeadFn() + 1",
        "End Function",
    };
    const QStringList form = {
        "VERSION 5.00",
        "Begin VB.Form Form1",
        "   Begin VB.CommandButton cmdOK",
        "   End",
        "   Begin VB.TextBox txtName",
        "      Index = 0",
        "   End",
        "   Begin VB.TextBox txtName",
        "      Index = 1",
        "   End",
        "End",
        "Attribute VB_Name = \"Form1\"",
        "Private WithEvents mTimer As Class1",
        "Private Sub Form_Load()",
        "    Dim c As Class1",
        "    Caption = APP_NAME: Set mTimer = New Class1",
        "    With c",
        "        .Value = gCount",
        "    End With",
        "End Sub",
        "Private Sub cmdOK_Click()",
        "End Sub",
        "Private Sub txtName_Change(Index As Integer)",
        "End Sub",
        "Private Sub mTimer_Tick()",
        "End Sub",
        "Private Sub cmdCancel_Click()",
        "End Sub",
        "Public Sub ShowIt()",
        "End Sub",
    };
    const QStringList cls = {
        "VERSION 1.0 CLASS",
        "Attribute VB_Name = \"Class1\"",
        "Implements IThing",
        "Public Value As Long",
        "Public Event Tick()",
        "Private Sub Class_Initialize()",
        "End Sub",
        "Private Sub IThing_Go()",
        "End Sub",
        "Public Sub Api()",
        "End Sub",
        "Friend Sub Helper()",
        "End Sub",
    };
    TNameModel model;
    model.AddFile("Main.bas", ".BAS", main);
    model.AddFile("Form1.frm", ".FRM", form);
    model.AddFile("Class1.cls", ".CLS", cls);
    TCrossReference xref(model);
    xref.AddFile(0, main);
    xref.AddFile(1, form);
    xref.AddFile(2, cls);

    QStringList reported;
    for (const TNameRef& r : ReportedNames(model)) {
        const TNameMember& m = model.File(r.File).Members[std::size_t(r.Member)];
        QString uses;
        for (const TNameUse& u : xref.Uses(r.File, r.Member))
            uses += QString(" %1:%2%3").arg(u.File).arg(u.Line).arg(u.Assigns ? "*" : "");
        reported << QString("%1 %2 %3%4")
                        .arg(m.Name, NameKindText(model, r), NameScopeText(m.Scope), uses);
    }
    EXPECT_EQ(reported, QStringList({"Api Sub Public",
                                     "APP_NAME Const Public 1:15",
                                     "Class_Initialize Sub Private",
                                     "cmdCancel_Click Sub Private",
                                     "cmdOK_Click Sub Private",
                                     "DeadFn Function Private 0:17* 0:17",
                                     "EColor Enum Public",
                                     "Form_Load Sub Private",
                                     "gCount Variable Public 0:13* 1:17",
                                     "GetTickCount Declare Private 0:13",
                                     "Helper Sub Friend",
                                     "IThing_Go Sub Private",
                                     "Main Sub Public",
                                     "mDead Variable Public",
                                     "mTimer Variable Private 1:15*",
                                     "mTimer_Tick Sub Private",
                                     "ShowIt Sub Public",
                                     "TPoint Type Public 0:12",
                                     "txtName_Change Sub Private",
                                     "UNUSED_C Const Private",
                                     "Value Variable Public 1:17*"}));

    auto unused = [&](const QStringList& projectLines) {
        QStringList out;
        for (const TNameRef& r : UnreferencedNames(xref, ReadProjectFacts(projectLines)))
            out << model.File(r.File).Members[std::size_t(r.Member)].Name;
        return out.join(' ');
    };
    const QString always = "UNUSED_C mDead DeadFn cmdCancel_Click ShowIt";
    EXPECT_EQ(unused({"Type=Exe", "Startup=\"Sub Main\""}), always + " Api Helper");
    EXPECT_EQ(unused({"Type=Exe", "Startup=\"Form1\""}), "UNUSED_C mDead Main DeadFn "
                                                         "cmdCancel_Click ShowIt Api Helper");
    // A library's classes are called from outside, but not by Friend.
    EXPECT_EQ(unused({"Type=OleDll", "startup = \"sub main\""}), always + " Helper");
}
