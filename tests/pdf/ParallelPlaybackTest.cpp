// Pages played by several workers come out as one worker plays them: the
// same text on every page, the same pages, bookmarks, links and labels in
// the PDF, and the same PNG files. Report pages written as plain text read
// as QPdfWriter draws them.
#include "ExampleBuild.h"
#include "PdfReader.h"

#include "common/TestSupport.h"
#include "platform/PdfTextWriter.h"
#include "render/PageOutput.h"
#include "render/PdfListing.h"

#include <QRegularExpression>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <tuple>

namespace {

const TSettingKeys kReports = {{"reports/titlepage", "1"},     {"reports/toc", "1"},
                               {"reports/functionindex", "1"}, {"reports/xref", "1"},
                               {"pagelayout/twopage", "1"},    {"general/shadeboxemulation", "1"}};

// The text pdftotext finds, page by page.
QStringList textPerPage(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) return {"pdftotext failed"};
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split('\f');
    // The text ends with a form feed after the last page.
    if (!pages.isEmpty() && pages.last().isEmpty()) pages.removeLast();
    return pages;
}

struct TWordBox {
    QString word;
    double x, bottom;
};

// The first word of each line on page n (1-based) as pdftotext places it.
std::vector<TWordBox> lineStarts(const QString& pdf, int n) {
    QProcess p;
    p.start("pdftotext",
            {"-f", QString::number(n), "-l", QString::number(n), "-bbox-layout", pdf, "-"});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) return {};
    static const QRegularExpression firstWord(
        "<line [^>]*>\\s*<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"[0-9.]+\" "
        "yMax=\"([0-9.]+)\">([^<]*)</word>");
    std::vector<TWordBox> boxes;
    const QString xml = QString::fromUtf8(p.readAllStandardOutput());
    for (const QRegularExpressionMatch& m : firstWord.globalMatch(xml))
        boxes.push_back({m.captured(3), m.captured(1).toDouble(), m.captured(2).toDouble()});
    return boxes;
}

QString describe(const TReadPdf& pdf) {
    QStringList d;
    for (std::size_t i = 0; i < pdf.widths.size(); ++i)
        d << QStringLiteral("page %1: %2 x %3 %4")
                 .arg(i)
                 .arg(pdf.widths[i])
                 .arg(pdf.heights[i])
                 .arg(pdf.labels.value(qsizetype(i)));
    for (const TReadBookmark& b : pdf.bookmarks)
        d << QStringLiteral("bookmark %1 %2 -> %3 at %4")
                 .arg(b.depth)
                 .arg(b.title)
                 .arg(b.page)
                 .arg(b.top);
    for (const TReadLink& l : pdf.links)
        d << QStringLiteral("link on %1 (%2 %3 %4 %5) -> %6 at %7")
                 .arg(l.page)
                 .arg(l.x1)
                 .arg(l.y1)
                 .arg(l.x2)
                 .arg(l.y2)
                 .arg(l.targetPage)
                 .arg(l.targetTop);
    d << pdf.title << pdf.subject << pdf.pageMode;
    return d.join('\n');
}

void expectSameListing(const QString& project, int jobs) {
    QTemporaryDir dir;
    TExampleBuild build = buildProject(project, kReports);
    TPageStorage& pages = build.formatter->Pages;
    ASSERT_GE(pages.PageCount(), jobs);
    const QString one = dir.filePath("one.pdf"), many = dir.filePath("many.pdf");
    WriteListingPdf(pages, one, build.formatter->JobTitle, 1);
    WriteListingPdf(pages, many, build.formatter->JobTitle, jobs);

    const TReadPdf a = readPdf(one), b = readPdf(many);
    ASSERT_TRUE(a.ok && b.ok);
    EXPECT_EQ(int(b.widths.size()), pages.PageCount());
    EXPECT_FALSE(b.bookmarks.empty());
    EXPECT_FALSE(b.links.empty());
    EXPECT_EQ(describe(a).toStdString(), describe(b).toStdString());

    const QStringList textOne = textPerPage(one), textMany = textPerPage(many);
    ASSERT_EQ(textOne.size(), pages.PageCount());
    ASSERT_EQ(textMany.size(), textOne.size());
    for (qsizetype i = 0; i < textOne.size(); ++i)
        ASSERT_EQ(textOne[i].toStdString(), textMany[i].toStdString()) << "page " << i + 1;

    // Without navigation the workers' parts are joined as they are.
    const QString plainOne = dir.filePath("plain1.pdf"), plainMany = dir.filePath("plain.pdf");
    WritePlainPdf(pages, plainOne, 1);
    WritePlainPdf(pages, plainMany, jobs);
    EXPECT_EQ(textPerPage(plainMany), textOne);
    EXPECT_EQ(readPdf(plainMany).widths, a.widths);
}

} // namespace

TEST(ParallelPlayback, RangesCoverEveryPageOnceInOrder) {
    TExampleBuild build = buildProject(exampleProject(), kReports);
    const TPageStorage& pages = build.formatter->Pages;
    for (int jobs : {1, 2, 3, pages.PageCount(), pages.PageCount() + 5}) {
        const std::vector<TPageRange> ranges = PlaybackRanges(pages, jobs);
        ASSERT_EQ(int(ranges.size()), std::min(jobs, pages.PageCount()));
        int next = 1;
        for (const TPageRange& r : ranges) {
            EXPECT_EQ(r.First, next);
            EXPECT_GE(r.Last, r.First);
            next = r.Last + 1;
        }
        EXPECT_EQ(next, pages.PageCount() + 1);
    }
}

TEST(ParallelPlayback, ExampleProjectPdfWithThreeWorkers) {
    expectSameListing(exampleProject(), 3);
}

TEST(ParallelPlayback, CorpusProjectPdfWithThreeWorkers) {
    const QString corpus = testsupport::corpusDir();
    if (corpus.isEmpty()) GTEST_SKIP() << "the shared corpus is not present";
    // Japanese text: fonts found by fallback in every worker.
    expectSameListing(corpus + "/spgnews/SPGNEWS.MAK", 3);
}

TEST(ParallelPlayback, PngWithThreeWorkersAsWithOne) {
    QTemporaryDir dir;
    TExampleBuild build = buildProject(exampleProject(), kReports);
    TPageStorage& pages = build.formatter->Pages;
    const int count = pages.PageCount();
    ASSERT_EQ(WritePagesToPng(pages, dir.filePath("one"), 40, 1), count);
    // A longer earlier run's page goes, as with one worker.
    QDir(dir.path()).mkdir("many");
    QFile::copy(dir.filePath("one/" + PngPageName(1)),
                dir.filePath("many/" + PngPageName(count + 1)));
    ASSERT_EQ(WritePagesToPng(pages, dir.filePath("many"), 40, 3), count);
    EXPECT_EQ(QDir(dir.filePath("many")).entryList(QDir::Files).size(), count);
    for (int n = 1; n <= count; ++n)
        EXPECT_EQ(testsupport::readFile(dir.filePath("one/" + PngPageName(n))),
                  testsupport::readFile(dir.filePath("many/" + PngPageName(n))))
            << "page " << n;
}

TEST(ParallelPlayback, PngWorkersStayWithinTheImageMemoryBudget) {
    TExampleBuild build = buildProject(exampleProject(), kReports);
    const TPageStorage& pages = build.formatter->Pages;
    // Letter pages: 134 MB an image at 600 dpi, 3.4 MB at 96.
    for (const auto& [dpi, jobs, workers] : {std::tuple{600, 8, 2}, std::tuple{600, 1, 1},
                                             std::tuple{300, 64, 9}, std::tuple{96, 8, 8}}) {
        EXPECT_EQ(PngWorkers(pages, dpi, jobs), workers) << dpi << " dpi, " << jobs << " jobs";
    }
}

TEST(ParallelPlayback, ReportPagesWrittenAsTextStandWhereQPdfWriterDrawsThem) {
    QTemporaryDir dir;
    TExampleBuild build = buildProject(exampleProject(), kReports);
    TPageStorage& pages = build.formatter->Pages;
    std::vector<int> report;
    for (int n = 1; n <= pages.PageCount(); ++n)
        if (pages.Page(n)->PlainText) report.push_back(n);
    ASSERT_FALSE(report.empty());
    const QString asText = dir.filePath("text.pdf"), drawn = dir.filePath("drawn.pdf");
    WriteListingPdf(pages, asText, build.formatter->JobTitle, 2);
    for (int n : report)
        pages.Page(n)->PlainText = false;
    WriteListingPdf(pages, drawn, build.formatter->JobTitle, 2);
    EXPECT_LT(QFileInfo(asText).size(), QFileInfo(drawn).size());
    EXPECT_EQ(describe(readPdf(asText)).toStdString(), describe(readPdf(drawn)).toStdString());
    const QStringList textA = textPerPage(asText), textB = textPerPage(drawn);
    for (int n : report) {
        // The same words in the same lines, each line starting where it did
        // (glyphs further on may differ by the font's kerning).
        const std::vector<TWordBox> a = lineStarts(asText, n), b = lineStarts(drawn, n);
        ASSERT_EQ(a.size(), b.size()) << "page " << n;
        ASSERT_FALSE(a.empty());
        for (std::size_t i = 0; i < a.size(); ++i) {
            EXPECT_EQ(a[i].word, b[i].word) << "page " << n;
            EXPECT_NEAR(a[i].x, b[i].x, 0.1) << a[i].word.toStdString();
            EXPECT_NEAR(a[i].bottom, b[i].bottom, 0.25) << a[i].word.toStdString();
        }
    }

    // A page the text writer cannot draw whole goes through QPdfWriter.
    for (int n : report)
        pages.Page(n)->PlainText = true;
    pages.Page(report.back())->Canvas->TextOut(100, 300, QStringLiteral("\u0416\u0443\u043a"));
    const QString mixed = dir.filePath("mixed.pdf");
    WriteListingPdf(pages, mixed, build.formatter->JobTitle, 1);
    EXPECT_TRUE(
        textPerPage(mixed).value(report.back() - 1).contains(QStringLiteral("\u0416\u0443\u043a")));
}

TEST(ParallelPlayback, TextForTheStandardFontsIsWindows1252) {
    EXPECT_EQ(PdfWinAnsiString(u"p. 4 \u2013 5 (a\\b)"), QByteArray("(p. 4 \x96 5 \\(a\\\\b\\))"));
    EXPECT_EQ(PdfWinAnsiString(u"\u20ac \u00e9\u00ff"), QByteArray("(\x80 \xe9\xff)"));
    for (const char16_t* refused : {u"\u0416", u"a\tb", u"\u0081", u"\U0001F600"})
        EXPECT_FALSE(PdfWinAnsiString(refused)) << QString::fromUtf16(refused).toStdString();
}
