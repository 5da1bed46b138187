// Change listings on repositories the test builds with libgit2: which
// sections the batch command marks (and why, from --outline), and which
// recorded lines carry a change bar or sit below a deletion wedge.
#include "common/GitTestRepo.h"
#include "common/TestSupport.h"
#include "format/SourceCodePrint.h"
#include "history/ChangeHistory.h"
#include "platform/IniFile.h"
#include "platform/TextMeasurer.h"
#include "render/VirtCanvas.h"
#include "settings/FontRegistry.h"
#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"
#include "source/TextDecoding.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QPoint>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <functional>
#include <git2.h>
#include <gtest/gtest.h>

// Readable failures.
void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

using testsupport::writeFile;

const QString kModule1 = QStringLiteral(R"(Attribute VB_Name = "Module1"
Option Explicit
Dim counter As Long

Public Sub Alpha()
    counter = 1
    counter = counter + 1
End Sub

Public Sub Beta()
    counter = 2
End Sub

Public Function Gamma() As Long
    Gamma = counter
End Function
)");

const QString kModule2 = QStringLiteral(R"(Attribute VB_Name = "Module2"
Public Sub Report()
    Debug.Print "report"
End Sub

Public Sub Tally()
    Debug.Print "tally"
End Sub
)");

QString project(const QStringList& members) {
    QString text = QStringLiteral("Type=Exe\nStartup=\"Sub Main\"\n");
    for (const QString& m : members)
        text += QStringLiteral("Module=%1; %1.bas\n").arg(m);
    return text + QStringLiteral("Name=\"Changes\"\nMaxNumberOfThreads=1\n");
}

QString replaced(QString text, const QString& from, const QString& to) {
    EXPECT_TRUE(text.contains(from)) << from.toStdString();
    return text.replace(from, to);
}

using testsupport::runPrint;
using TRun = testsupport::TPrintRun;

// "Module1:Alpha changed: lines 7" for each marked section (or file), and
// "removed Module1.bas:Beta" for what is gone, from --outline.
QStringList markedInOutline(const QString& outline) {
    QStringList marked;
    QString file;
    for (const QString& line : outline.split('\n', Qt::SkipEmptyParts)) {
        const QStringList cells = line.split('\t');
        if (cells[0] == "removed") {
            marked << QStringLiteral("removed %1:%2").arg(cells[1], cells[2]);
        } else if (!line.startsWith(' ')) {
            file = cells[0];
        } else if (cells.size() > 5 && cells[4] == "marked") {
            marked << QStringLiteral("%1:%2 %3").arg(file, cells[0].trimmed(), cells[5]);
        }
    }
    return marked;
}

// The code texts beside a change bar, and those just below a deletion
// wedge, over every recorded page.
struct TMarkedLines {
    QSet<QString> barred, belowWedge;
};

TMarkedLines marksInRecording(const TSourceCodePrint& formatter) {
    // Two columns a sheet: a bar and a text share a column when both lie
    // on the same side of the divider.
    const int divider =
        formatter.RightColumnX - formatter.LineNumberWidth - formatter.BracketAreaWidth - 5;
    auto side = [&](int x) { return formatter.Settings.TwoPage && x >= divider; };
    TMarkedLines m;
    for (int n = 1; n <= formatter.Pages.PageCount(); ++n) {
        struct TMark {
            int x, top, bottom;
        };
        std::vector<TMark> bars, wedges;
        std::vector<std::pair<QPoint, QString>> texts;
        bool barBrush = false, wedgePen = false;
        for (const TCanvasCommand& c : formatter.Pages.Page(n)->Canvas->Commands()) {
            if (c.Kind == ckBrushColor) barBrush = c.Value == kChangeBarColor;
            if (c.Kind == ckPenColor) wedgePen = c.Value == kChangeBarColor;
            if (c.Kind == ckFillRect && barBrush) bars.push_back({c.X1, c.Y1, c.Y2});
            if (c.Kind == ckMoveTo && wedgePen) wedges.push_back({c.X1, c.Y1 + 3, c.Y1 + 4});
            if (c.Kind == ckSetBrush) barBrush = false;
            if (c.Kind == ckSetPen) wedgePen = false;
            if (c.Kind == ckTextOutInFont) {
                const QString text = c.Text.mid(c.Text.indexOf(kFontTextSeparator) + 3);
                if (!c.Text.startsWith("CODE") && !c.Text.startsWith("FUNCTION") &&
                    !c.Text.startsWith("COMMENTS"))
                    continue;
                if (!text.trimmed().isEmpty()) texts.push_back({{c.X1, c.Y1}, text.trimmed()});
            }
        }
        for (const auto& [at, text] : texts) {
            for (const TMark& b : bars)
                if (side(at.x()) == side(b.x) && at.y() >= b.top && at.y() < b.bottom)
                    m.barred.insert(text);
            for (const TMark& w : wedges)
                if (side(at.x()) == side(w.x) && at.y() == w.top) m.belowWedge.insert(text);
        }
    }
    return m;
}

// The project laid out as a change listing (fullListing: every section,
// with the bars) on one-page sheets.
std::unique_ptr<TSourceCodePrint> buildChanges(const QString& projectPath,
                                               const TChangeRequest& request, bool fullListing,
                                               const QString& header = {}) {
    QFile::remove(TIniFile().fileName());
    fontregistry::clear();
    TIniFile().writeString("pagelayout", "twopage", "0");
    if (!header.isEmpty()) {
        TIniFile().writeString("pagelayout", "Header", header);
        TIniFile().writeString("reports", "titlepage", "1");
    }
    auto formatter = std::make_unique<TSourceCodePrint>();
    formatter->LoadSettings();
    formatter->SetPageDefaults(TFont("Arial", 10), TPen{}, TBrush{clWhite, TBrushStyle::Solid});
    formatter->SetDateText("1/2/2026");
    TChangeHistory history(projectPath, request);
    TSourceMgt sources(nullptr, formatter->Settings.CodePage);
    QString title;
    EXPECT_TRUE(LoadProjectFile(sources, history.ProjectToLoad(), title));
    sources.AnalyzeProject();
    for (RFile* file = sources.FirstFile(); file->Next; file = file->Next) {
        file->Marked = 1;
        for (RFunction* f = file->Functions; f->Next; f = f->Next)
            f->Marked = 1;
    }
    history.Mark(sources, !fullListing);
    history.Apply(*formatter);
    formatter->BuildProject(sources.FirstFile(), sources);
    // The bars belong to the history, which ends here.
    formatter->ChangeBars = nullptr;
    return formatter;
}

TMarkedLines barsOfFullListing(const QString& projectPath, const TChangeRequest& request) {
    return marksInRecording(*buildChanges(projectPath, request, true));
}

// Every text of store page n.
QStringList pageTexts(const TSourceCodePrint& formatter, int n) {
    QStringList texts;
    for (const TCanvasCommand& c : formatter.Pages.Page(n)->Canvas->Commands())
        if (c.Kind == ckTextOut || c.Kind == ckTextOutInFont) {
            const qsizetype sep = c.Text.indexOf(kFontTextSeparator);
            texts << (sep < 0 ? c.Text : c.Text.mid(sep + kFontTextSeparator.size()));
        }
    return texts;
}

class ChangeListing : public ::testing::Test {
protected:
    void SetUp() override {
        setTextMeasurer(&measurer);
        repo.write("Changes.vbp", project({"Module1", "Module2"}));
        repo.write("Module1.bas", kModule1);
        repo.write("Module2.bas", kModule2);
        repo.commit("First version", "v1");
    }
    void TearDown() override {
        setTextMeasurer(nullptr);
        QFile::remove(TIniFile().fileName());
    }
    QStringList outline(const QStringList& options) {
        const TRun r = runPrint(QStringList{repo.path("Changes.vbp"), "--outline"} + options);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        return markedInOutline(r.out);
    }
    TFixedMeasurer measurer;
    TTestRepo repo;
};

struct TScenario {
    const char* name;
    std::function<void(TTestRepo&)> edit;
    QStringList options;
    QStringList marked;
    QSet<QString> barred;
    QSet<QString> belowWedge;
};

} // namespace

TEST_F(ChangeListing, MarksWhatChangedInTheWorkTreeAndBarsItsLines) {
    const QList<TScenario> scenarios = {
        {"edited line in a procedure",
         [](TTestRepo& r) {
             r.write("Module1.bas", replaced(kModule1, "counter + 1", "counter + 5"));
         },
         {},
         {"Module1:Alpha changed: lines 7"},
         {"counter = counter + 5"},
         {}},
        {"added procedure",
         [](TTestRepo& r) {
             r.write("Module1.bas", replaced(kModule1, "Public Function Gamma",
                                             "Public Sub Delta()\n    counter = 4\nEnd "
                                             "Sub\n\nPublic Function Gamma"));
         },
         {},
         {"Module1:Delta added"},
         {"Public Sub Delta()", "counter = 4", "End Sub"},
         {}},
        {"deleted procedure",
         [](TTestRepo& r) {
             r.write("Module1.bas",
                     replaced(kModule1, "Public Sub Beta()\n    counter = 2\nEnd Sub\n\n", ""));
         },
         {},
         {"removed Module1.bas:Beta"},
         {},
         {"Public Function Gamma() As Long"}},
        {"deleted line inside a procedure",
         [](TTestRepo& r) { r.write("Module1.bas", replaced(kModule1, "    counter = 1\n", "")); },
         {},
         {"Module1:Alpha lines deleted after line 5"},
         {},
         {"counter = counter + 1"}},
        {"edit in the file declarations",
         [](TTestRepo& r) {
             r.write("Module1.bas", replaced(kModule1, "counter As Long", "counter As Integer"));
         },
         {},
         {"Module1:File Declarations changed: lines 3"},
         {"Dim counter As Integer"},
         {}},
        {"white space only",
         [](TTestRepo& r) {
             r.write("Module2.bas", replaced(kModule2, "    Debug.Print \"tally\"",
                                             "\tDebug.Print   \"tally\"  "));
         },
         {},
         {"Module2:Tally changed: lines 7"},
         {"Debug.Print   \"tally\""},
         {}},
        {"white space only, ignored",
         [](TTestRepo& r) {
             r.write("Module2.bas", replaced(kModule2, "    Debug.Print \"tally\"",
                                             "\tDebug.Print   \"tally\"  "));
         },
         {"--ignore-space-change"},
         {},
         {},
         {}},
        {"LF in the work tree against CRLF in the history",
         [](TTestRepo& r) { r.write("Module1.bas", kModule1, "\n"); },
         {},
         {},
         {},
         {}},
        {"renamed file with an edit",
         [](TTestRepo& r) {
             r.remove("Module2.bas");
             r.write("Reports.bas", replaced(kModule2, "\"report\"", "\"reports\""));
             r.write("Changes.vbp", project({"Module1", "Reports"}));
             r.stageAll();
         },
         {},
         {"Reports:Report changed: lines 3"},
         {"Debug.Print \"reports\""},
         {}},
        {"file added to the project",
         [](TTestRepo& r) {
             r.write("Module3.bas",
                     "Attribute VB_Name = \"Module3\"\nPublic Sub Extra()\nEnd Sub\n");
             r.write("Changes.vbp", project({"Module1", "Module2", "Module3"}));
         },
         {},
         {"Module3:File Declarations new file", "Module3:Extra new file"},
         {"Attribute VB_Name = \"Module3\"", "Public Sub Extra()", "End Sub"},
         {}},
        {"file removed from the project",
         [](TTestRepo& r) { r.write("Changes.vbp", project({"Module1"})); },
         {},
         {"removed Module2.bas:(whole file)"},
         {},
         {}},
    };
    for (const TScenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        s.edit(repo);
        TChangeRequest request;
        request.From = "v1";
        request.IgnoreSpace = s.options.contains("--ignore-space-change");
        EXPECT_EQ(outline(QStringList{"--changed-since", "v1"} + s.options), s.marked);
        const TMarkedLines lines = barsOfFullListing(repo.path("Changes.vbp"), request);
        EXPECT_EQ(lines.barred, s.barred);
        EXPECT_EQ(lines.belowWedge, s.belowWedge);
        // Back to the first version for the next.
        repo.remove("Reports.bas");
        repo.remove("Module3.bas");
        repo.write("Changes.vbp", project({"Module1", "Module2"}));
        repo.write("Module1.bas", kModule1);
        repo.write("Module2.bas", kModule2);
        repo.stageAll();
    }
}

TEST_F(ChangeListing, TakesStagedAndUnstagedEditsAndRangesOfRevisions) {
    repo.write("Module1.bas", replaced(kModule1, "counter = 2", "counter = 22"));
    repo.commit("Beta counts on", "v2");
    // Staged, then unstaged edits on top.
    repo.write("Module2.bas", replaced(kModule2, "\"tally\"", "\"sum\""));
    repo.stage("Module2.bas");
    repo.write("Module1.bas", replaced(replaced(kModule1, "counter = 2", "counter = 22"),
                                       "Gamma = counter", "Gamma = -counter"));
    EXPECT_EQ(outline({"--changed-since", "HEAD"}),
              QStringList({"Module1:Gamma changed: lines 15", "Module2:Tally changed: lines 7"}));
    EXPECT_EQ(outline({"--changed-since", "v1"}),
              QStringList({"Module1:Beta changed: lines 11", "Module1:Gamma changed: lines 15",
                           "Module2:Tally changed: lines 7"}));
    // A range lists the later revision's files, whatever the work tree holds.
    EXPECT_EQ(outline({"--changed", "v1..v2"}), QStringList({"Module1:Beta changed: lines 11"}));
    TChangeRequest range;
    ASSERT_TRUE(range.parseRange("v1..v2"));
    const TMarkedLines lines = barsOfFullListing(repo.path("Changes.vbp"), range);
    EXPECT_EQ(lines.barred, QSet<QString>({"counter = 22"}));
    // The title names the revisions.
    const TChangeHistory history(repo.path("Changes.vbp"), range);
    EXPECT_TRUE(history.Title().startsWith("Changes from v1 (")) << history.Title().toStdString();
    EXPECT_TRUE(history.Title().contains(", Beta counts on)"));
}

TEST_F(ChangeListing, ComparesWindows1252LinesByTheirBytes) {
    // Module2 with its Report line (3) and its Tally line (7) as given, in
    // CR LF lines unless told.
    auto module2 = [](const QByteArray& report, const QByteArray& tally, const char* eol = "\r\n") {
        QByteArray text = kModule2.toUtf8();
        text.replace("\"report\"", report).replace("\"tally\"", tally);
        return text.replace("\n", eol);
    };
    const struct {
        const char* name;
        QByteArray before, after;
        QStringList marked;
        QSet<QString> barred;
    } cases[] = {
        {"one byte undefined in 1252 for another",
         module2("1", "\"x\x81\""),
         module2("1", "\"x\x8D\""),
         {"Module2:Tally changed: lines 7"},
         {QString::fromUtf8("Debug.Print \"x\xEF\xBF\xBD\"")}},
        {"a character spelt in UTF-8, then in 1252",
         module2("1", "\"caf\xC3\xA9\""),
         module2("1", "\"caf\xE9\""),
         {"Module2:Tally changed: lines 7"},
         {QString::fromUtf8("Debug.Print \"caf\xC3\xA9\"")}},
        // The 1252 byte leaves line 7, and the file reads as UTF-8: line 3
        // decodes otherwise but has the same bytes.
        {"the last byte that is no UTF-8 edited out",
         module2("\"\xC3\xA9\"", "\"caf\xE9\""),
         module2("\"\xC3\xA9\"", "\"cafe\""),
         {"Module2:Tally changed: lines 7"},
         {"Debug.Print \"cafe\""}},
        {"CR LF lines to LF",
         module2("\"\xE9\"", "\"caf\xE9\""),
         module2("\"\xE9\"", "\"caf\xE9\"", "\n"),
         {},
         {}},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray tag = "b" + QByteArray::number(++n);
        writeFile(repo.path("Module2.bas"), c.before);
        repo.commit(c.name, tag.constData());
        writeFile(repo.path("Module2.bas"), c.after);
        EXPECT_EQ(outline({"--changed-since", tag}), c.marked);
        TChangeRequest request;
        request.From = tag;
        // What is printed beside the bars is the decoded text.
        EXPECT_EQ(barsOfFullListing(repo.path("Changes.vbp"), request).barred, c.barred);
    }
}

TEST_F(ChangeListing, TitlePageRemovedPageAndHeadersNameTheRevision) {
    repo.write("Module1.bas", replaced(kModule1, "Public Sub Beta()\n    counter = 2\nEnd Sub\n\n",
                                       "Public Sub Beta()\n    counter = 3\nEnd Sub\n\n"));
    repo.commit("Beta counts on", "v2");
    repo.write("Module1.bas",
               replaced(replaced(kModule1, "Public Sub Beta()\n    counter = 2\nEnd Sub\n\n", ""),
                        "counter = 1", "counter = 0"));
    repo.write("Changes.vbp", project({"Module1"}));
    TChangeRequest request;
    request.From = "v2";
    const auto f = buildChanges(repo.path("Changes.vbp"), request, false, "%f at %r");
    // The title page, the removed page, then Alpha's listing.
    ASSERT_GE(f->Pages.PageCount(), 3);
    const QStringList title = pageTexts(*f, 1);
    EXPECT_TRUE(std::any_of(title.begin(), title.end(), [](const QString& t) {
        return t.startsWith("Changes since v2 (") && t.endsWith(", Beta counts on)");
    })) << title.join(" | ").toStdString();
    EXPECT_EQ(pageTexts(*f, 2), QStringList({"Removed", "Module1.bas: Beta (4 lines)",
                                             "Module2.bas (whole file, 8 lines)"}));
    const QString revision = TChangeHistory(repo.path("Changes.vbp"), request).RevisionText();
    EXPECT_EQ(revision.size(), 7);
    for (int n = 3; n <= f->Pages.PageCount(); ++n)
        EXPECT_TRUE(pageTexts(*f, n).contains("Module1.bas at " + revision))
            << pageTexts(*f, n).join(" | ").toStdString();
}

TEST_F(ChangeListing, RefusesWhatItCannotCompare) {
    QTemporaryDir outside;
    writeFile(outside.filePath("Alone.vbp"), project({"Module1"}).toUtf8());
    writeFile(outside.filePath("Module1.bas"), kModule1.toUtf8());
    writeFile(repo.path(".git/shallow"), QByteArray(40, '0') + "\n");
    const struct {
        QStringList args;
        int status;
        const char* message;
    } cases[] = {
        {{outside.filePath("Alone.vbp"), "--changed-since", "HEAD", "--outline"},
         1,
         "is not inside a git work tree"},
        {{repo.path("Changes.vbp"), "--changed-since", "v9", "--outline"},
         1,
         "unknown revision \"v9\" (the repository is a shallow clone"},
        {{repo.path("Changes.vbp"), "--changed", "v1", "--outline"},
         1,
         "--changed takes REV1..REV2, not \"v1\""},
        {{repo.path("Changes.vbp"), "--change-bars", "--outline"},
         2,
         "--change-bars and --ignore-space-change go with --changed-since"},
    };
    for (const auto& c : cases) {
        const TRun r = runPrint(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
}

namespace {

void copyTree(const QString& from, const QString& to) {
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + path.mid(from.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::copy(path, target);
    }
}

// One line of raw bytes: its number in the file stays what the listing reads.
QList<QByteArray> rawLines(const QString& path) {
    return testsupport::readFile(path).split('\n');
}

struct TCorpusEdits {
    QHash<QString, QByteArray> originals; // to put back afterwards
    QSet<QString> marked;                 // "path|name|occurrence"
    QString removed;                      // "file: name"
    QStringList barredLines;
};

// The scripted edits on one loaded project: a comment appended to a line
// of every fifth procedure, one other procedure deleted, one added at the
// end of a module. Writes the files; returns what a change listing must show.
TCorpusEdits editProject(TSourceMgt& sources) {
    TCorpusEdits e;
    QHash<QString, QList<QByteArray>> files;
    QHash<QString, std::pair<int, int>> deletion; // path -> lines
    int k = 0;
    bool deleted = false, added = false;
    for (RFile* file = sources.FirstFile(); file->Next; file = file->Next) {
        if (files.contains(file->Path)) continue;
        e.originals.insert(file->Path, testsupport::readFile(file->Path));
        QList<QByteArray> lines = rawLines(file->Path);
        QHash<QString, int> seen, count;
        for (RFunction* f = file->Functions->Next; f && f->Next; f = f->Next)
            ++count[f->Name.trimmed()];
        for (RFunction* f = file->Functions->Next; f && f->Next; f = f->Next) {
            const QString name = f->Name.trimmed();
            const QString key = QStringLiteral("%1|%2|%3").arg(file->Path, name).arg(seen[name]++);
            const int end = qMin<int>(f->StartLine + f->SectionLines, int(lines.size()));
            if (k++ % 5 == 0) {
                for (int i = f->StartLine + 1; i < end; ++i) {
                    const QByteArray text = lines[i].trimmed();
                    if (text.isEmpty() || text.endsWith('_') ||
                        lines[i - 1].trimmed().endsWith('_'))
                        continue;
                    const bool cr = lines[i].endsWith('\r');
                    if (cr) lines[i].chop(1);
                    lines[i] += " ' edited";
                    e.barredLines << DecodeSourceBytes(lines[i], kDefaultCodePage).trimmed();
                    if (cr) lines[i] += '\r';
                    e.marked.insert(key);
                    break;
                }
            } else if (!deleted && k % 5 == 3 && count[name] == 1 && f->Next->Next) {
                deletion[file->Path] = {f->StartLine, end};
                e.removed = file->FileName + ": " + name;
                deleted = true;
            }
        }
        files.insert(file->Path, lines);
        if (!added && file->Ext == ".BAS" && !deletion.contains(file->Path)) {
            const char* added1 = "Public Sub ListoraAdded()";
            if (!lines.last().isEmpty()) lines.append(QByteArray());
            lines.last() = QByteArray(added1) + "\r";
            lines << "    Dim listoraN As Long\r"
                  << "End Sub\r" << QByteArray();
            e.barredLines << added1 << "Dim listoraN As Long"
                          << "End Sub";
            e.marked.insert(file->Path + "|ListoraAdded|0");
            files.insert(file->Path, lines);
            added = true;
        }
    }
    for (auto it = deletion.begin(); it != deletion.end(); ++it) {
        QList<QByteArray>& lines = files[it.key()];
        lines.remove(it->first, it->second - it->first);
    }
    for (auto it = files.begin(); it != files.end(); ++it)
        testsupport::writeFile(it.key(), it->join('\n'));
    return e;
}

} // namespace

TEST_F(ChangeListing, ScriptedEditsOfEveryCorpusProjectAreExactlyWhatIsMarked) {
    const QString corpus = testsupport::corpusDir();
    if (corpus.isEmpty()) GTEST_SKIP() << "no corpus";
    QTemporaryDir work;
    const QStringList projects = testsupport::corpusProjects();
    for (const QString& folder : QDir(corpus).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (folder.startsWith('_')) continue;
        const QString copy = work.filePath(folder);
        copyTree(corpus + "/" + folder, copy);
        TTestRepo::commitFolder(copy);
        for (const QString& original : projects) {
            if (!original.startsWith(corpus + "/" + folder + "/")) continue;
            SCOPED_TRACE(original.toStdString());
            const QString project = copy + original.mid(corpus.size() + folder.size() + 1);
            TSourceMgt sources;
            QString title;
            if (!LoadProjectFile(sources, project, title)) continue;
            sources.AnalyzeProject();
            const TCorpusEdits e = editProject(sources);

            TChangeRequest request;
            request.From = "HEAD";
            TSourceMgt now;
            ASSERT_TRUE(LoadProjectFile(now, project, title));
            now.AnalyzeProject();
            TChangeHistory history(project, request);
            history.Mark(now, true);
            QSet<QString> marked;
            for (RFile* file = now.FirstFile(); file->Next; file = file->Next) {
                QHash<QString, int> seen;
                for (RFunction* f = file->Functions; f->Next; f = f->Next) {
                    const QString name = f->Name.trimmed();
                    const int n = seen[name]++;
                    if (f->Marked)
                        marked.insert(QStringLiteral("%1|%2|%3").arg(file->Path, name).arg(n));
                }
            }
            EXPECT_EQ(marked, e.marked);
            QStringList removed;
            for (const TRemovedItem& r : history.Removed())
                removed << r.File + ": " + r.Section;
            EXPECT_EQ(removed, e.removed.isEmpty() ? QStringList() : QStringList{e.removed});

            // Every edited line has a bar, and nothing else.
            TSourceCodePrint formatter;
            formatter.LoadSettings();
            formatter.SetPageDefaults(TFont("Arial", 10), TPen{},
                                      TBrush{clWhite, TBrushStyle::Solid});
            history.Apply(formatter);
            formatter.BuildProject(now.FirstFile(), now);
            // Pieces of wrapped lines, tabs expanded: compared without blanks.
            auto bare = [](QString s) { return s.remove(QRegularExpression("\\s")); };
            QStringList expected;
            for (const QString& line : e.barredLines)
                expected << bare(line);
            const TMarkedLines lines = marksInRecording(formatter);
            const QString indicator = bare(formatter.Settings.NextLineInd);
            for (const QString& barred : lines.barred)
                EXPECT_TRUE(std::any_of(expected.begin(), expected.end(), [&](const QString& l) {
                    return l.contains(bare(barred).remove(indicator));
                })) << barred.toStdString();
            for (const QString& line : expected)
                EXPECT_TRUE(std::any_of(
                    lines.barred.begin(), lines.barred.end(),
                    [&](const QString& b) { return line.startsWith(bare(b).left(12)); }))
                    << line.toStdString();
            for (auto it = e.originals.begin(); it != e.originals.end(); ++it)
                writeFile(it.key(), *it);
        }
    }
}
