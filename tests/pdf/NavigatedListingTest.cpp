// A listing's PDF as a reader navigates it, on the example project and the
// largest corpus project: bookmarks for every printed file and procedure,
// in order, on the pages that show them; contents and index entries and
// calls linking to the right pages; page labels as printed.
#include "ExampleBuild.h"
#include "PdfReader.h"

#include "common/TestSupport.h"
#include "format/TextRoutines.h"
#include "platform/IniFile.h"
#include "platform/Version.h"
#include "render/PdfListing.h"
#include "render/VirtCanvas.h"
#include "settings/FontRegistry.h"
#include "source/SourceRecords.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

const TSettingKeys kReports = {
    {"reports/titlepage", "1"}, {"reports/toc", "1"}, {"reports/functionindex", "1"}};

// The plain texts recorded at a point of a store page (page units).
QStringList textsAt(const TPageRec& page, int x, int y) {
    QStringList found;
    for (const TCanvasCommand& c : page.Canvas->Commands())
        if (c.Kind == ckTextOut && std::abs(c.X1 - x) <= 1 && std::abs(c.Y1 - y) <= 1)
            found << c.Text;
    return found;
}

// The numbers a page's label names ("5-6": 5 and 6).
QList<int> labelNumbers(const QString& label) {
    QList<int> numbers;
    for (const QString& part : label.split('-'))
        numbers << part.toInt();
    return numbers;
}

bool declaresOnPage(const TPageRec& page, const QString& name) {
    for (const TCanvasCommand& c : page.Canvas->Commands())
        if (c.Kind == ckTextOutInFont && c.Text.startsWith("FUNCTION|||") && c.Text.contains(name))
            return true;
    return false;
}

struct TChecked {
    TReadPdf pdf;
    TExampleBuild build;
};

TChecked checkListing(const QString& project, const TSettingKeys& keys, const QString& pdfPath) {
    TChecked r{{}, buildProject(project, keys)};
    TSourceCodePrint& f = *r.build.formatter;
    TPageStorage& pages = f.Pages;
    WriteListingPdf(pages, pdfPath, f.DocumentTitle());
    r.pdf = readPdf(pdfPath);
    const TReadPdf& pdf = r.pdf;
    EXPECT_EQ(int(pdf.labels.size()), pages.PageCount());
    if (int(pdf.labels.size()) != pages.PageCount()) return r;
    const double h = pdf.heights[0];

    // Bookmarks: reports, then the project with its printed files and the
    // procedure headings printed in each, in order, then the index.
    QStringList expected = {"0 Title Page", "0 Table of Contents",
                            "0 " + f.JobTitle.section('/', -1)};
    int files = 0, entries = 0;
    TSourceMgt& sources = *r.build.sources;
    for (RFile* file = sources.FirstFile(); file->Next; file = file->Next) {
        if (!TSourceMgt::HasMarkedSections(*file)) continue;
        ++files;
        expected << "1 " + file->FileName;
        sources.LoadFileText(*file);
        for (RFunction* s = file->Functions; s->Next; s = s->Next) {
            if (!s->Marked) continue;
            // An index entry links where its section's name is the name a
            // heading prints (the analyzer can name a section otherwise).
            bool named = s == file->Functions;
            for (int i = s->StartLine; i < s->StartLine + s->SectionLines; ++i) {
                const QString line = ExpandTabs(file->Lines.value(i), f.Settings.TabsToSpaces);
                if (!IsProcDeclaration(line)) continue;
                const QString name = WithoutTypeCharacter(ExtractProcName(line));
                expected << "2 " + name;
                named |= name == s->Name.trimmed();
            }
            entries += named ? 1 : 0;
        }
        sources.UnloadFileText(file->FileName);
    }
    expected << "0 Function Index";
    QStringList found;
    for (const TReadBookmark& b : pdf.bookmarks)
        found << QString::number(b.depth) + " " + b.title;
    // The first difference, if any, rather than two long lists.
    int same = 0;
    while (same < found.size() && same < expected.size() && found[same] == expected[same])
        ++same;
    EXPECT_EQ(found.size(), expected.size());
    EXPECT_EQ(same, found.size()) << "bookmark " << same << ": " << found.value(same).toStdString()
                                  << ", expected " << expected.value(same).toStdString();

    // Each bookmark's page shows what it names.
    RFile* file = nullptr;
    for (const TReadBookmark& b : pdf.bookmarks) {
        EXPECT_GE(b.page, 0) << b.title.toStdString();
        if (b.page < 0) continue;
        const TPageRec& page = *pages.Page(b.page + 1);
        if (b.depth == 1) {
            file = r.build.sources->FirstFile();
            while (file->Next && file->FileName != b.title)
                file = file->Next;
            EXPECT_TRUE(labelNumbers(pdf.labels[b.page]).contains(file->FirstPage))
                << b.title.toStdString() << " starts on " << file->FirstPage << ", not on "
                << pdf.labels[b.page].toStdString();
        } else if (b.depth == 2) {
            EXPECT_TRUE(declaresOnPage(page, b.title))
                << b.title.toStdString() << " is not declared on page " << b.page + 1;
        }
    }

    // Labels: reports by name, listing sheets by the numbers they print.
    const QRegularExpression twoNumbers("^(\\d+)-(\\d+)$");
    for (int n = 1; n <= pages.PageCount(); ++n) {
        const QString label = pdf.labels[n - 1];
        const QString name = pages.Page(n)->PageName;
        if (name == "Title Page") {
            EXPECT_EQ(label, "Title");
        } else if (name == "Table of Contents") {
            EXPECT_TRUE(label.startsWith("Contents"));
        } else if (name == "Function Index") {
            EXPECT_TRUE(label.startsWith("Index"));
        }
        if (!name.startsWith("Page ")) continue;
        const auto m = twoNumbers.match(label);
        EXPECT_TRUE(m.hasMatch()) << label.toStdString();
        QStringList printed;
        for (const TCanvasCommand& c : pages.Page(n)->Canvas->Commands())
            if (c.Kind == ckTextOut) printed << c.Text;
        EXPECT_TRUE(printed.contains(m.captured(1)) && printed.contains(m.captured(2)))
            << "sheet " << n << " labelled " << label.toStdString();
    }

    // Contents and index entries: one link each, to a page labelled with
    // the number the entry prints.
    int contentsLinks = 0, indexLinks = 0;
    for (const TReadLink& link : pdf.links) {
        const TPageRec& page = *pages.Page(link.page + 1);
        const QStringList at =
            textsAt(page, std::lround(link.x1 / 0.75), std::lround((h - link.y2) / 0.75));
        const QList<int> target = labelNumbers(pdf.labels.value(link.targetPage));
        if (page.PageName == "Table of Contents") {
            ++contentsLinks;
            EXPECT_EQ(at.size(), 1);
            if (at.size() != 1) continue;
            RFile* named = r.build.sources->FirstFile();
            while (named->Next && named->FileName != at[0])
                named = named->Next;
            EXPECT_TRUE(target.contains(named->FirstPage)) << at[0].toStdString();
        } else if (page.PageName == "Function Index") {
            ++indexLinks;
            EXPECT_EQ(at.size(), 1);
            if (at.size() != 1) continue;
            EXPECT_TRUE(target.contains(at[0].section(',', -1).trimmed().toInt()))
                << at[0].toStdString() << " links to " << pdf.labels[link.targetPage].toStdString();
        }
    }
    EXPECT_EQ(contentsLinks, files);
    EXPECT_EQ(indexLinks, entries);
    return r;
}

// Where a procedure bookmark leads.
const TReadBookmark* bookmark(const TReadPdf& pdf, const QString& title) {
    for (const TReadBookmark& b : pdf.bookmarks)
        if (b.title == title) return &b;
    return nullptr;
}

class NavigatedListing : public ::testing::Test {
protected:
    void TearDown() override {
        QFile::remove(TIniFile().fileName());
        fontregistry::clear();
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(NavigatedListing, ExampleOpensEveryFileProcedureAndEntry) {
    const TChecked r = checkListing(exampleProject(), kReports, dir.filePath("demo.pdf"));
    const TReadPdf& pdf = r.pdf;
    EXPECT_EQ(pdf.pageMode, "/UseOutlines");
    EXPECT_EQ(pdf.title, "Demo.vbp"); // the project's name, not its path
    EXPECT_EQ(pdf.subject, "Visual Basic source listing");
    EXPECT_TRUE(pdf.creator.startsWith("Listora "));

    // "mAccount.Deposit amount" in the form calls the class's procedure:
    // the word, where it is drawn (a point smaller than laid out), links
    // to the page that declares it.
    const TPageStorage& pages = r.build.formatter->Pages;
    const TReadBookmark* deposit = bookmark(pdf, "Deposit");
    ASSERT_TRUE(deposit);
    bool linked = false;
    for (int n = 1; n <= pages.PageCount(); ++n) {
        for (const TCanvasCommand& c : pages.Page(n)->Canvas->Commands()) {
            if (c.Kind != ckTextOutInFont || !c.Text.endsWith("mAccount.Deposit amount")) continue;
            const QString line = c.Text.mid(c.Text.indexOf("|||") + 3);
            const TFont& code = r.build.formatter->Settings.CodeFont;
            const int from = c.X1 + textMeasurer().textWidth(DrawnFont(code),
                                                             line.left(line.indexOf("Deposit")));
            for (const TReadLink& link : pdf.links) {
                if (link.page != n - 1 || std::abs(link.x1 / 0.75 - from) > 1 ||
                    std::abs((pdf.heights[0] - link.y2) / 0.75 - c.Y1) > 1)
                    continue;
                linked = true;
                EXPECT_EQ(link.targetPage, deposit->page);
                EXPECT_NEAR(link.targetTop, deposit->top, 0.01);
            }
        }
    }
    EXPECT_TRUE(linked);
}

// Some pages only (as a print range chooses them): their labels, and no
// bookmark or link of a page left out.
TEST_F(NavigatedListing, SomePagesKeepTheirOwnNavigation) {
    const TExampleBuild b = buildProject(exampleProject(), kReports);
    TPageStorage& pages = b.formatter->Pages;
    ASSERT_GT(pages.PageCount(), 4);
    ASSERT_EQ(pages.Page(2)->Navigation.Label, "Contents");
    // The title page and the listing without the contents page.
    std::vector<int> chosen = {1};
    for (int n = 3; n <= pages.PageCount(); ++n)
        chosen.push_back(n);
    const QString path = dir.filePath("some.pdf");
    WriteListingPdf(pages, chosen, path, b.formatter->DocumentTitle());
    const TReadPdf pdf = readPdf(path);
    ASSERT_EQ(pdf.labels.size(), qsizetype(chosen.size()));
    for (std::size_t i = 0; i < chosen.size(); ++i)
        EXPECT_EQ(pdf.labels[qsizetype(i)], pages.Page(chosen[i])->Navigation.Label);
    EXPECT_EQ(pdf.bookmarks.front().title, "Title Page");
    EXPECT_FALSE(bookmark(pdf, "Table of Contents"));
    EXPECT_TRUE(bookmark(pdf, "Deposit"));
    int fromContents = 0;
    for (const TLinkArea& link : pages.Page(2)->Navigation.Links)
        fromContents += link.Key.isEmpty() ? 0 : 1;
    const TReadPdf whole = checkListing(exampleProject(), kReports, dir.filePath("all.pdf")).pdf;
    EXPECT_GT(fromContents, 0);
    EXPECT_EQ(pdf.links.size() + std::size_t(fromContents), whole.links.size());
}

TEST_F(NavigatedListing, LargestCorpusProjectOpensEveryFileProcedureAndEntry) {
    const QString corpus = testsupport::corpusDir();
    if (corpus.isEmpty()) GTEST_SKIP() << "the shared corpus is not present";
    const TChecked r =
        checkListing(corpus + "/aoserver/Server.VBP", kReports, dir.filePath("ao.pdf"));
    // Calls link to the procedure's own bookmark, also across files (a
    // page's file: the last file bookmark on or before it).
    const TPageStorage& pages = r.build.formatter->Pages;
    const std::vector<TReadBookmark>& marks = r.pdf.bookmarks;
    auto fileOfPage = [&](int page) {
        QString file;
        for (const TReadBookmark& b : marks)
            if (b.depth == 1 && b.page <= page) file = b.title;
        return file;
    };
    int calls = 0, acrossFiles = 0;
    for (const TReadLink& link : r.pdf.links) {
        const QString from = pages.Page(link.page + 1)->PageName;
        if (from == "Table of Contents" || from == "Function Index") continue;
        ++calls;
        QString file, targetFile;
        for (const TReadBookmark& b : marks) {
            if (b.depth == 1) file = b.title;
            if (b.depth == 2 && b.page == link.targetPage &&
                std::abs(b.top - link.targetTop) < 0.01)
                targetFile = file;
        }
        ASSERT_FALSE(targetFile.isEmpty()) << "link on sheet " << link.page + 1;
        acrossFiles += targetFile != fileOfPage(link.page) ? 1 : 0;
    }
    EXPECT_GT(calls, 1000);
    EXPECT_GT(acrossFiles, 0);
}

TEST_F(NavigatedListing, BatchCommandWritesNavigablePdfsAndTellsItsVersion) {
    const QString exe = testsupport::binaryDir() + "/bin/listora-print";
    QProcess p;
    p.start(exe, {exampleProject(), "--paper", "a4", "--line-numbers", "--keywords", "bold", "-o",
                  dir.filePath("demo.pdf")});
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const TReadPdf pdf = readPdf(dir.filePath("demo.pdf"));
    EXPECT_EQ(pdf.pageMode, "/UseOutlines");
    EXPECT_GT(pdf.bookmarks.size(), 20u);
    EXPECT_GT(pdf.links.size(), 10u);
    EXPECT_EQ(pdf.creator, QStringLiteral("Listora ") + kListoraVersion);
    EXPECT_EQ(pdf.title, "Demo.vbp");
    EXPECT_NEAR(pdf.widths.front(), 842, 0.5); // two A4 pages on a sheet on its side

    // The cross-reference: its own bookmark and page labels, a link for
    // each page number.
    p.start(exe, {exampleProject(), "--xref", "-o", dir.filePath("xref.pdf")});
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const TReadPdf xref = readPdf(dir.filePath("xref.pdf"));
    EXPECT_EQ(xref.bookmarks.back().title, "Cross Reference");
    EXPECT_EQ(xref.labels.back(), "Xref 1");
    EXPECT_GT(xref.links.size(), pdf.links.size() + 50);
    // What nothing uses, as text; a single file has no project to ask.
    p.start(exe, {exampleProject(), "--unused"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0);
    const QStringList unused = QString::fromUtf8(p.readAllStandardOutput()).split('\n');
    EXPECT_EQ(unused.filter("\tHistoryCount\t"),
              QStringList{"clsAccount.cls\tFunction\tFriend\tHistoryCount\t77"});
    EXPECT_EQ(unused.filter("\tConst\t"),
              QStringList{"modLedger.bas\tConst\tPublic\tMAX_ENTRIES\t11"});
    EXPECT_TRUE(unused.filter("_Click").isEmpty() && unused.filter("Form_").isEmpty());
    for (const char* option : {"--unused", "--xref", "--callers"}) {
        p.start(exe, {testsupport::sourceDir() + "/examples/Demo/modLedger.bas", option, "-o",
                      dir.filePath("single.pdf")});
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 2) << option;
        EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError())
                        .contains(QString(option) + " needs a project (.VBP or .MAK)"))
            << option;
        EXPECT_FALSE(QFile::exists(dir.filePath("single.pdf")));
    }

    p.start(exe, {exampleProject(), "--no-navigation", "-o", dir.filePath("plain.pdf")});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_TRUE(readPdf(dir.filePath("plain.pdf")).bookmarks.empty());

    p.start(exe, {"--version"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).trimmed(),
              QStringLiteral("Listora ") + kListoraVersion);
    p.start(exe, {exampleProject(), "--paper", "a3", "--count"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 2);
}

// Callers from another module, from a form, from a file left out of the
// listing and from the procedure itself, a function setting its own result,
// and a procedure called from more procedures than two lines hold.
TEST_F(NavigatedListing, CallersUnderTheHeadingsLinkToTheirHeadings) {
    QByteArray util = "Attribute VB_Name = \"Util\"\r\n"
                      "Public Function Total(ByVal n As Long) As Long\r\n"
                      "    Total = n + 1\r\n"
                      "    Total = Total * 2\r\n"
                      "End Function\r\n"
                      "Public Sub Walk(ByVal depth As Long)\r\n"
                      "    If depth > 0 Then Walk depth - 1\r\n"
                      "End Sub\r\n"
                      "Public Sub Note(ByVal s As String)\r\n"
                      "End Sub\r\n";
    for (int i = 1; i <= 30; ++i)
        util += QString("Public Sub Caller%1()\r\n    Note \"x\"\r\nEnd Sub\r\n")
                    .arg(i, 2, 10, QChar('0'))
                    .toUtf8();
    testsupport::writeFile(dir.filePath("Util.bas"), util);
    testsupport::writeFile(dir.filePath("Report.bas"), "Attribute VB_Name = \"Report\"\r\n"
                                                       "Public Sub Summary()\r\n"
                                                       "    Debug.Print Total(3)\r\n"
                                                       "    Walk 2\r\n"
                                                       "End Sub\r\n");
    testsupport::writeFile(dir.filePath("Hidden.bas"), "Attribute VB_Name = \"Hidden\"\r\n"
                                                       "Public Sub Later()\r\n"
                                                       "    x = Util.Total(2)\r\n"
                                                       "End Sub\r\n");
    testsupport::writeFile(dir.filePath("Form1.frm"), "VERSION 5.00\r\nBegin VB.Form Form1\r\n"
                                                      "End\r\nAttribute VB_Name = \"Form1\"\r\n"
                                                      "Private Sub cmdOK_Click()\r\n"
                                                      "    MsgBox Total(1)\r\n"
                                                      "End Sub\r\n");
    const QString project = dir.filePath("Calls.vbp");
    testsupport::writeFile(project, "Type=Exe\r\nForm=Form1.frm\r\nModule=Util; Util.bas\r\n"
                                    "Module=Report; Report.bas\r\nModule=Hidden; Hidden.bas\r\n"
                                    "MaxNumberOfThreads=1\r\n");
    const TExampleBuild b = buildProject(
        project, {{"general/callers", "1"}, {"pagelayout/twopage", "0"}}, {"Hidden.bas"});
    const TPageStorage& pages = b.formatter->Pages;

    // The lines under each heading (one column a page), the page of each
    // heading, and the links on the lines.
    QHash<QString, QStringList> under;
    QHash<QString, int> pageOf;
    QString heading;
    int links = 0;
    for (int n = 1; n <= pages.PageCount(); ++n) {
        struct TItem {
            int y;
            bool heading;
            QString text;
        };
        std::vector<TItem> items;
        for (const TNavTarget& t : pages.Page(n)->Navigation.Targets)
            if (t.Level == 2) {
                items.push_back({t.Y, true, t.Title});
                pageOf[t.Title] = n;
            }
        QSet<int> lineTops;
        for (const TCanvasCommand& c : pages.Page(n)->Canvas->Commands())
            if (c.Kind == ckTextOutInFont && c.Text.startsWith("CALLERS|||")) {
                items.push_back({c.Y1, false, c.Text.mid(10)});
                lineTops << c.Y1;
            }
        std::stable_sort(items.begin(), items.end(),
                         [](const TItem& a, const TItem& b) { return a.y < b.y; });
        for (const TItem& item : items)
            if (item.heading)
                heading = item.text;
            else
                under[heading] << item.text;
        for (const TLinkArea& link : pages.Page(n)->Navigation.Links)
            links += lineTops.contains(link.Y1) ? 1 : 0;
    }
    EXPECT_EQ(
        under.value("Total").join(' '),
        QString("Called from: Form1.cmdOK_Click (p. %1), Report.Summary (p. %2), Hidden.Later")
            .arg(pageOf["cmdOK_Click"])
            .arg(pageOf["Summary"]));
    EXPECT_EQ(under.value("Walk").join(' '),
              QString("Called from: Walk (p. %1), Report.Summary (p. %2)")
                  .arg(pageOf["Walk"])
                  .arg(pageOf["Summary"]));
    const QStringList note = under.value("Note");
    ASSERT_EQ(note.size(), 2);
    const auto more = QRegularExpression("^Called from: Caller01 \\(p. \\d+\\), Caller02 .*, "
                                         "and (\\d+) more$")
                          .match(note.join(' '));
    ASSERT_TRUE(more.hasMatch()) << note.join(' ').toStdString();
    const int shown = int(note.join(' ').count("Caller"));
    EXPECT_EQ(shown + more.captured(1).toInt(), 30);
    for (const char* uncalled : {"Caller01", "Summary", "cmdOK_Click"})
        EXPECT_FALSE(under.contains(uncalled)) << uncalled;
    // Each entry with a page is linked, on its text, to its heading.
    EXPECT_EQ(links, 4 + shown);
    EXPECT_TRUE(b.formatter->CheckLinks().empty());

    // The batch command's switch, with the page check.
    QFile::remove(TIniFile().fileName());
    const testsupport::TPrintRun plain =
        testsupport::runPrint({project, "-o", dir.filePath("p.pdf")});
    const testsupport::TPrintRun run =
        testsupport::runPrint({project, "--callers", "--check", "-o", dir.filePath("c.pdf")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("\n0 findings")) << run.out.toStdString();
    EXPECT_GT(readPdf(dir.filePath("c.pdf")).links.size(),
              readPdf(dir.filePath("p.pdf")).links.size() + 4);
}
