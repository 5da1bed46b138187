// Pages played by several workers come out as one worker plays them: the
// same text on every page, the same pages, bookmarks, links and labels in
// the PDF, and the same PNG files.
#include "ExampleBuild.h"
#include "PdfReader.h"

#include "common/TestSupport.h"
#include "render/PageOutput.h"
#include "render/PdfListing.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <tuple>

namespace {

const TSettingKeys kReports = {{"reports/titlepage", "1"},
                               {"reports/toc", "1"},
                               {"reports/functionindex", "1"},
                               {"pagelayout/twopage", "1"},
                               {"general/shadeboxemulation", "1"}};

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
