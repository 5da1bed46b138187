// The listing loses nothing: every source line that a build lays out
// reaches the PDF, on the page where it was laid out, with the real fonts.
#include "common/TestSupport.h"
#include "format/InlineCommands.h"
#include "format/SourceCodePrint.h"
#include "format/TextRoutines.h"
#include "platform/IniFile.h"
#include "render/PageOutput.h"
#include "render/VirtCanvas.h"
#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// What must survive: wrapping, indents, indicators and control characters
// (which no PDF text holds) change nothing.
QString essence(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (!c.isSpace() && c.category() != QChar::Other_Control) out += c;
    }
    return out.remove(QStringLiteral("=>"));
}

QStringList pdfPages(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {"-raw", "-enc", "UTF-8", pdf, "-"});
    p.waitForFinished(600000);
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split('\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
    return pages;
}

// The lines of every section (a form's description block is no section),
// tabs expanded as the build does; inline command lines are run, not
// printed, but for the words of a rule line.
QString sourceEssence(TSourceMgt& sources, const TListingSettings& settings) {
    QString all;
    auto add = [&](const QString& raw) {
        const QString line = ExpandTabs(raw, settings.TabsToSpaces);
        const QString& delimiter = settings.CommentDelimiter;
        if (!IsInlineCommandLine(line, settings.InlineIndicator, delimiter))
            all += essence(line);
        else if (!delimiter.isEmpty() && CommandPartOf(line, settings.InlineIndicator, delimiter)
                                             .contains(delimiter.repeated(5)))
            all += essence(RuleLineWords(line, delimiter)); // a rule keeps its words
    };
    for (RFile* file = sources.FirstFile(); file->Next; file = file->Next) {
        sources.LoadFileText(*file);
        if (!file->Functions->Next) {
            for (const QString& line : file->Lines)
                add(line);
        }
        for (RFunction* f = file->Functions; f->Next; f = f->Next) {
            for (int i = f->StartLine; i < f->StartLine + f->SectionLines; ++i)
                add(file->Lines.value(i));
        }
        sources.UnloadFileText(file->FileName);
    }
    return all;
}

struct TCheckResult {
    int pages = 0;
    int lines = 0;
};

TCheckResult checkProject(const QString& projectPath) {
    TCheckResult result;
    // The Japanese project is in Shift-JIS, as its user would configure.
    QFile::remove(TIniFile().fileName());
    if (projectPath.contains("/spgnews/")) TIniFile().writeInteger("general", "codepage", 932);
    TSourceCodePrint formatter;
    formatter.LoadSettings();
    TSourceMgt sources(nullptr, formatter.Settings.CodePage);
    testsupport::loadProject(sources, projectPath);

    formatter.SetPageDefaults(TFont("Arial", 10), TPen{}, TBrush{clWhite, TBrushStyle::Solid});
    formatter.BuildProject(sources.FirstFile(), sources);
    TPageStorage& pages = formatter.Pages;
    result.pages = pages.PageCount();

    QTemporaryDir dir;
    const QString pdf = dir.filePath("listing.pdf");
    WritePagesToPdf(pages, pdf);
    const QStringList pdfText = pdfPages(pdf);
    EXPECT_EQ(pdfText.size(), pages.PageCount());

    QString laidOut;
    int missing = 0;
    for (int n = 1; n <= pages.PageCount() && n <= pdfText.size(); ++n) {
        const QString pageText = essence(pdfText[n - 1]);
        for (const TCanvasCommand& c : pages.Page(n)->Canvas->Commands()) {
            if (c.Kind != ckTextOutInFont) continue;
            const QString piece = essence(c.Text.mid(c.Text.indexOf(kFontTextSeparator) + 3));
            laidOut += piece;
            ++result.lines;
            if (!pageText.contains(piece) && ++missing <= 5)
                ADD_FAILURE() << projectPath.toStdString() << " page " << n << " lacks "
                              << piece.toStdString();
        }
    }
    EXPECT_EQ(missing, 0);
    EXPECT_TRUE(laidOut == sourceEssence(sources, formatter.Settings))
        << projectPath.toStdString() << ": the laid-out text differs from the source";
    return result;
}

class ListingEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        QFile::remove(TIniFile().fileName());
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
};

} // namespace

TEST_F(ListingEndToEnd, ExampleProjectLosesNothing) {
    const TCheckResult r = checkProject(testsupport::sourceDir() + "/examples/Demo/Demo.vbp");
    EXPECT_GE(r.pages, 2);
}

TEST_F(ListingEndToEnd, EveryCorpusProjectLosesNothing) {
    const QString corpus = testsupport::corpusDir();
    if (corpus.isEmpty()) GTEST_SKIP() << "../shared/corpus is not present";
    // LISTORA_E2E_ONLY=part-of-a-path narrows the run while working on one.
    QStringList projects =
        testsupport::corpusProjects().filter(qEnvironmentVariable("LISTORA_E2E_ONLY"));
    ASSERT_FALSE(projects.isEmpty());
    int pages = 0, lines = 0;
    for (const QString& project : projects) {
        const TCheckResult r = checkProject(project);
        pages += r.pages;
        lines += r.lines;
    }
    std::printf("%lld projects, %d sheets, %d printed pieces\n", qlonglong(projects.size()), pages,
                lines);
}

TEST_F(ListingEndToEnd, BatchCommandPrintsTheExample) {
    QTemporaryDir dir;
    QProcess p;
    const QString exe = testsupport::binaryDir() + "/bin/listora-print";
    p.start(exe,
            {testsupport::sourceDir() + "/examples/Demo/Demo.vbp", "-o", dir.filePath("demo.pdf")});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    // Two pages a sheet (the default): the sheets and the pages they carry.
    EXPECT_TRUE(
        QRegularExpression("^[1-9][0-9]* Sheets, [1-9][0-9]* Pages\\n$").match(out).hasMatch())
        << out.toStdString();
    EXPECT_GT(QFileInfo(dir.filePath("demo.pdf")).size(), 1000);

    // The page check: clean pages pass. Margins of 0 would put the border an
    // eighth of an inch off the sheet: they are reported and raised, and the
    // pages pass.
    p.start(exe, {testsupport::sourceDir() + "/examples/Demo/Demo.vbp", "--check"});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardOutput()).contains("\n0 findings on "));
    const QString zeroMargins = dir.filePath("zero.ini");
    testsupport::writeFile(zeroMargins, "[margins]\nleft=0\n");
    p.start(exe, {testsupport::sourceDir() + "/examples/Demo/Demo.vbp", "--check", "--settings",
                  zeroMargins});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardOutput()).contains("\n0 findings on "));
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains("[margins] left=0"));

    // Bad input: one clear line, a non-zero status.
    const QString binary = dir.filePath("binary.bas");
    testsupport::writeFile(binary, QByteArray("\x01\x02\x03\x00zz", 6));
    for (const QStringList& args :
         {QStringList{dir.filePath("missing.vbp"), "--count"}, QStringList{binary, "--count"},
          QStringList{testsupport::sourceDir() + "/README.md", "-o", dir.filePath("x.pdf"),
                      "--select", "bad"}}) {
        p.start(exe, args);
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_NE(p.exitCode(), 0) << args.join(' ').toStdString();
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
        EXPECT_TRUE(err.startsWith("listora-print: ")) << err.toStdString();
    }
}
