// Every page of every corpus project and of the example, in the default
// layout and in one with most options on, is recorded exactly as the
// digests in corpus_pages.golden say: faster recording and analysis must
// not move a single command. LISTORA_WRITE_PAGE_DIGESTS=1 rewrites the file
// from the code as it is (only ever from code known to draw right).
#include "ExampleBuild.h"
#include "common/PageSerial.h"
#include "common/TestSupport.h"
#include "render/VirtCanvas.h"
#include "settings/FontRegistry.h"
#include "source/ProjectLoader.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

using CorpusPages = FixedMetricsTest;

struct TVariant {
    const char* name;
    TSettingKeys keys;
};

const TVariant kVariants[] = {
    // The benchmark's layout: two pages a sheet with shade bands, brackets on.
    {"bands", {{"pagelayout/twopage", "1"}, {"general/shadeboxemulation", "1"}}},
    // One page a sheet, line numbers, bold keywords, every report, separators
    // and a watermark; brackets in colour and more nested indent.
    {"options",
     {{"pagelayout/twopage", "0"},
      {"general/LineNumbers", "1"},
      {"general/KeywordEmphasis", "1"},
      {"general/shadeboxemulation", "1"},
      {"reports/titlepage", "1"},
      {"reports/toc", "1"},
      {"reports/functionindex", "1"},
      {"general/FileSep", "1"},
      {"general/FunctionSep", "1"},
      {"PAGELAYOUT/PageNumType", "1"},
      {"PAGELAYOUT/Paper", "1"},
      {"brackets/nestedindent", "5"},
      {"general/tabstospaces", "4"},
      {"project info/watermark", "DRAFT"}}},
};

QByteArray pageDigest(const TPageRec& page) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    const TVirtCanvas& canvas = *page.Canvas;
    out << page.PageNumber << page.Landscape << page.Width << page.Height << page.PageName;
    testsupport::writeCommands(out, canvas);
    const TPageNavigation& nav = page.Navigation;
    out << nav.Label;
    for (const TNavTarget& t : nav.Targets)
        out << t.Key << t.Title << t.Level << t.X << t.Y;
    for (const TLinkArea& l : nav.Links)
        out << l.X1 << l.Y1 << l.X2 << l.Y2 << l.Key;
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

// "<pages> <hash over the page digests and the named fonts>".
QString projectDigest(const QString& project, const TSettingKeys& keys) {
    const TExampleBuild b = buildProject(project, keys);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    QByteArray fonts;
    QDataStream out(&fonts, QIODevice::WriteOnly);
    for (const char* name : {"COMMENTS", "CODE", "FUNCTION", "CODEBOLD", "LINENUMBER"})
        testsupport::writeFont(out, fontregistry::find(QLatin1String(name)));
    hash.addData(fonts);
    const TPageStorage& pages = b.formatter->Pages;
    for (int n = 1; n <= pages.PageCount(); ++n)
        hash.addData(pageDigest(*pages.Page(n)));
    return QString::number(pages.PageCount()) + QLatin1Char(' ') +
           QString::fromLatin1(hash.result().toHex());
}

QStringList projects() {
    QStringList found = testsupport::corpusProjects();
    found.prepend(exampleProject());
    return found;
}

// Paths in the file are relative to the corpus (the example: to the sources).
QString shortName(const QString& path) {
    const QString corpus = testsupport::corpusDir();
    if (!corpus.isEmpty() && path.startsWith(corpus + '/')) return path.mid(corpus.size() + 1);
    return QDir(testsupport::sourceDir()).relativeFilePath(path);
}

} // namespace

TEST_F(CorpusPages, EveryPageIsRecordedAsBefore) {
    const QString goldenPath = testsupport::sourceDir() + "/tests/pdf/corpus_pages.golden";
    if (testsupport::corpusDir().isEmpty()) GTEST_SKIP() << "the shared corpus is not present";
    QStringList lines;
    for (const TVariant& v : kVariants)
        for (const QString& project : projects())
            lines << QStringLiteral("%1 %2 %3")
                         .arg(QLatin1String(v.name), shortName(project),
                              projectDigest(project, v.keys));
    const QByteArray now = lines.join('\n').toUtf8() + '\n';
    if (qEnvironmentVariableIntValue("LISTORA_WRITE_PAGE_DIGESTS") == 1) {
        testsupport::writeFile(goldenPath, now);
        GTEST_SKIP() << "rewrote " << goldenPath.toStdString();
    }
    const QStringList golden =
        QString::fromUtf8(testsupport::readFile(goldenPath)).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), golden.size());
    for (qsizetype i = 0; i < lines.size() && i < golden.size(); ++i)
        EXPECT_EQ(lines[i].toStdString(), golden[i].toStdString());
}
