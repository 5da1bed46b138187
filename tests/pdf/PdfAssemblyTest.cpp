// The assembly step on small documents of its own: parts joined in order,
// and bookmarks, links, page labels and document information as a reader
// finds them.
#include "PdfReader.h"

#include "common/TestSupport.h"
#include "platform/Errors.h"
#include "render/PdfAssembly.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A PDF of pageCount pages of one paper, each naming itself.
QByteArray makePart(const QString& name, int pageCount, QPageSize::PageSizeId paper,
                    QPageLayout::Orientation orientation) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(QPageLayout(QPageSize(paper), orientation, QMarginsF()));
        QPainter painter(&writer);
        for (int i = 1; i <= pageCount; ++i) {
            if (i > 1) writer.newPage();
            painter.drawText(100, 100, QStringLiteral("%1 page %2").arg(name).arg(i));
        }
    }
    return buffer.data();
}

// A PDF of two pages that inherit their paper from a page tree two levels
// deep, as other writers make them (objects numbered from 1, in order); the
// first page has a link of its own to the second.
QByteArray makeNestedPart() {
    const QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 2 /MediaBox [0 0 300 400] >>",
        "<< /Type /Pages /Parent 2 0 R /Kids [4 0 R 5 0 R] /Count 2 >>",
        "<< /Type /Page /Parent 3 0 R /Annots [6 0 R] >>",
        "<< /Type /Page /Parent 3 0 R >>",
        "<< /Type /Annot /Subtype /Link /Rect [0 0 5 5] /Dest [5 0 R /XYZ 0 0 null] >>",
    };
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f\r\n";
    for (qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n\r\n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

class PdfAssembly : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString target() const { return dir.filePath("out.pdf"); }
    void checkNavigation(const std::vector<QByteArray>& parts);
};

} // namespace

TEST_F(PdfAssembly, JoinKeepsEveryPartsPagesInOrder) {
    const QByteArray a = makePart("A", 2, QPageSize::Letter, QPageLayout::Portrait);
    const QByteArray b = makePart("B", 3, QPageSize::A4, QPageLayout::Landscape);
    const QByteArray c = makePart("C", 1, QPageSize::Legal, QPageLayout::Portrait);
    JoinPdfs({a, b, c}, target());
    const TReadPdf pdf = readPdf(target());
    ASSERT_EQ(pdf.widths.size(), 6u);
    const std::vector<double> widths = {612, 612, 842, 842, 842, 612};
    const std::vector<double> heights = {792, 792, 595, 595, 595, 1008};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_NEAR(pdf.widths[i], widths[i], 1) << i;
        EXPECT_NEAR(pdf.heights[i], heights[i], 1) << i;
    }
    // Nothing is added by a plain join.
    EXPECT_TRUE(pdf.bookmarks.empty());
    EXPECT_TRUE(pdf.links.empty());
    EXPECT_EQ(pdf.labels.join(""), "");
}

// Pages joined onto a first part whose tree is not flat keep what they
// inherited from it, links reach across the parts, and a page's own links
// stay.
TEST_F(PdfAssembly, JoinOntoANestedPageTreeKeepsInheritedPaper) {
    const QByteArray b = makePart("B", 1, QPageSize::Letter, QPageLayout::Portrait);
    TPdfNavigation nav;
    nav.Links = {{0, 0, 0, 10, 10, {2, 0, 0}}, {2, 0, 0, 10, 10, {1, 0, 0}}};
    AssemblePdf({makeNestedPart(), b}, nav, target());
    const TReadPdf pdf = readPdf(target());
    ASSERT_EQ(pdf.widths.size(), 3u);
    EXPECT_EQ(pdf.widths, (std::vector<double>{300, 300, 612}));
    EXPECT_EQ(pdf.heights, (std::vector<double>{400, 400, 792}));
    ASSERT_EQ(pdf.links.size(), 3u);
    EXPECT_EQ(pdf.links[0].page, 0);
    EXPECT_EQ(pdf.links[0].x2, 5);
    EXPECT_EQ(pdf.links[0].targetPage, 1);
    EXPECT_EQ(pdf.links[1].page, 0);
    EXPECT_EQ(pdf.links[1].targetPage, 2);
    EXPECT_EQ(pdf.links[2].page, 2);
    EXPECT_EQ(pdf.links[2].targetPage, 1);
    EXPECT_NEAR(pdf.links[2].targetTop, 400, 0.01);
}

// A first part as QPdfWriter writes it keeps its bytes and gets the other
// parts and the navigation appended as an update, whether alone or joined:
// a reader must find the same either way.
TEST_F(PdfAssembly, NavigationReachesTheReader) {
    const QByteArray a = makePart("A", 3, QPageSize::Letter, QPageLayout::Portrait);
    const QByteArray b = makePart("B", 3, QPageSize::Letter, QPageLayout::Portrait);
    const QByteArray whole = makePart("W", 6, QPageSize::Letter, QPageLayout::Portrait);
    for (const std::vector<QByteArray>& parts : {std::vector{a, b}, std::vector{whole}}) {
        SCOPED_TRACE(parts.size());
        checkNavigation(parts);
    }
    // The update after the part QPdfWriter wrote packs its small objects
    // into compressed object streams and indexes them with a compressed
    // cross-reference stream.
    const QByteArray file = testsupport::readFile(target());
    EXPECT_TRUE(file.startsWith(whole));
    const QByteArray update = file.mid(whole.size());
    EXPECT_TRUE(update.contains("/Type /ObjStm"));
    EXPECT_TRUE(update.contains("/Type /XRef"));
    EXPECT_FALSE(update.contains("/Subtype /Link"));
    checkNavigation({a, b});
    EXPECT_TRUE(testsupport::readFile(target()).startsWith(a));
}

// Thousands of links fill many object streams, compressed side by side:
// each must still come back on its page, in order, to its own place.
TEST_F(PdfAssembly, ManyLinksKeepTheirPlaces) {
    const QByteArray a = makePart("A", 3, QPageSize::Letter, QPageLayout::Portrait);
    const QByteArray b = makePart("B", 3, QPageSize::Letter, QPageLayout::Portrait);
    TPdfNavigation nav;
    for (int i = 0; i < 3000; ++i)
        nav.Links.push_back({i % 6, i / 4, 0, i / 4 + 1, 10, {(i * 5 + 1) % 6, 0, i % 997}});
    AssemblePdf({a, b}, nav, target());

    const TReadPdf pdf = readPdf(target());
    ASSERT_TRUE(pdf.ok);
    ASSERT_EQ(pdf.links.size(), nav.Links.size());
    std::size_t at = 0;
    for (int page = 0; page < 6; ++page)
        for (std::size_t i = std::size_t(page); i < nav.Links.size(); i += 6, ++at) {
            const TPdfLink& sent = nav.Links[i];
            const TReadLink& read = pdf.links[at];
            ASSERT_EQ(read.page, page) << i;
            EXPECT_NEAR(read.x1, sent.X1 * 0.75, 0.001) << i;
            EXPECT_EQ(read.targetPage, sent.Target.Page) << i;
            EXPECT_NEAR(read.targetTop, 792 - sent.Target.Y * 0.75, 0.001) << i;
        }
}

void PdfAssembly::checkNavigation(const std::vector<QByteArray>& parts) {
    TPdfNavigation nav;
    TPdfBookmark project{"Project", {2, 0, 0}, {}};
    project.Children.push_back({"Module1.bas", {2, 40, 96}, {{"Total", {3, 40, 192}, {}}}});
    project.Children.push_back({"Form1.frm", {4, 40, 96}, {}});
    nav.Bookmarks = {{"Title Page", {0, 0, 0}, {}}, project, {"Function Index", {5, 0, 0}, {}}};
    nav.Links = {{1, 97, 95, 194, 119, {3, 41, 193}}, {5, 0, 0, 10, 10, {4, 40, 96}}};
    nav.PageLabels = {"Title", "Contents", "1", "2", "5-6", "Index"};
    nav.Info = {"C:\\Projects\\Ledger.vbp", "Visual Basic source listing", "Listora 9.9",
                QDateTime::currentDateTime()};
    AssemblePdf(parts, nav, target());

    const TReadPdf pdf = readPdf(target());
    ASSERT_TRUE(pdf.ok);
    EXPECT_EQ(pdf.labels, (QStringList{"Title", "Contents", "1", "2", "5-6", "Index"}));
    ASSERT_EQ(pdf.bookmarks.size(), 6u);
    const QStringList titles = {"Title Page", "Project",   "Module1.bas",
                                "Total",      "Form1.frm", "Function Index"};
    const std::vector<int> depths = {0, 0, 1, 2, 1, 0}, pages = {0, 2, 2, 3, 4, 5};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(pdf.bookmarks[i].title, titles[int(i)]);
        EXPECT_EQ(pdf.bookmarks[i].depth, depths[i]) << i;
        EXPECT_EQ(pdf.bookmarks[i].page, pages[i]) << i;
    }
    // Page units are 3/4 of a point, measured down from the top.
    EXPECT_NEAR(pdf.bookmarks[3].top, 792 - 192 * 0.75, 0.01);
    ASSERT_EQ(pdf.links.size(), 2u);
    EXPECT_EQ(pdf.links[0].page, 1);
    EXPECT_EQ(pdf.links[0].targetPage, 3);
    // Quarter points are kept.
    EXPECT_NEAR(pdf.links[0].x1, 72.75, 0.001);
    EXPECT_NEAR(pdf.links[0].x2, 145.5, 0.001);
    EXPECT_NEAR(pdf.links[0].y1, 792 - 89.25, 0.001);
    EXPECT_NEAR(pdf.links[0].y2, 792 - 71.25, 0.001);
    EXPECT_NEAR(pdf.links[0].targetTop, 792 - 144.75, 0.001);
    EXPECT_EQ(pdf.links[1].page, 5);
    EXPECT_EQ(pdf.links[1].targetPage, 4);
    EXPECT_EQ(pdf.title, "C:\\Projects\\Ledger.vbp");
    EXPECT_EQ(pdf.subject, "Visual Basic source listing");
    EXPECT_EQ(pdf.creator, "Listora 9.9");
    EXPECT_EQ(pdf.pageMode, "/UseOutlines");
}

TEST_F(PdfAssembly, FailureLeavesTheTargetAsItWas) {
    testsupport::writeFile(target(), "old");
    const QByteArray a = makePart("A", 1, QPageSize::Letter, QPageLayout::Portrait);
    TPdfNavigation beyond;
    beyond.Links = {{0, 0, 0, 1, 1, {7, 0, 0}}};
    EXPECT_THROW(AssemblePdf({a}, beyond, target()), TListoraError);
    EXPECT_THROW(JoinPdfs({a, QByteArray("not a pdf")}, target()), TListoraError);
    TPdfNavigation tooFewLabels;
    tooFewLabels.PageLabels = {"1", "2"};
    EXPECT_THROW(AssemblePdf({a}, tooFewLabels, target()), TListoraError);
    EXPECT_EQ(testsupport::readFile(target()), "old");
    EXPECT_THROW(JoinPdfs({a}, dir.filePath("missing/out.pdf")), TListoraError);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("missing/out.pdf")));
}
