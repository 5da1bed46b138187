// Every page of every corpus project and of the example, in the default
// layout and in one with most options on, is recorded exactly as the
// digests in corpus_pages.golden say: faster recording and analysis must
// not move a single command. LISTORA_WRITE_PAGE_DIGESTS=1 rewrites the file
// from the code as it is (only ever from code known to draw right).
// The same builds are read as a reader would: every page's header and
// footer name that page's own file, procedure and number, every printed
// source line carries its number, and only keywords of code are bold.
#include "ExampleBuild.h"
#include "common/PageSerial.h"
#include "common/TestSupport.h"
#include "format/InlineCommands.h"
#include "format/TextRoutines.h"
#include "format/VbLexer.h"
#include "render/VirtCanvas.h"
#include "settings/FontRegistry.h"
#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <climits>

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
      {"project info/watermark", "DRAFT"},
      {"PAGELAYOUT/Header", "%f / %s / %d"}}},
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

QString fontOf(const TCanvasCommand& c) {
    return c.Text.left(c.Text.indexOf(kFontTextSeparator));
}
QString textOf(const TCanvasCommand& c) {
    return c.Text.mid(c.Text.indexOf(kFontTextSeparator) + kFontTextSeparator.size());
}

// The header and footer of every page (or half) that holds source text
// carry the file of its first line, the procedure whose heading came last
// before it, and the page's own number.
void expectOwnHeaders(const TSourceCodePrint& f, const QString& name) {
    const TPageStorage& pages = f.Pages;
    QString file, proc;
    int wrong = 0;
    for (int n = 1; n <= pages.PageCount(); ++n) {
        const TPageLayout layout = f.PageLayout(n);
        if (layout.ColumnX.empty()) continue; // title page, contents, index
        const bool two = layout.ColumnX.size() == 2;
        const int mid = two ? layout.ColumnX[1] - layout.BracketAreaWidth - layout.GutterWidth - 5
                            : layout.Width;
        const TPageRec& page = *pages.Page(n);
        const QStringList numbers = page.Navigation.Label.split('-');
        for (int half = 0; half < (two ? 2 : 1); ++half) {
            auto inHalf = [&](int x) { return (x >= mid) == (half == 1); };
            int firstY = INT_MAX;
            QStringList headers, footers;
            for (const TCanvasCommand& c : page.Canvas->Commands()) {
                if (!inHalf(c.X1)) continue;
                if (c.Kind == ckTextOutInFont && fontOf(c) != "LINENUMBER")
                    firstY = qMin(firstY, c.Y1);
                if (c.Kind == ckTextOut && c.Y1 < layout.TextTop && c.Text.contains("1/2/2026"))
                    headers << c.Text;
                if (c.Kind == ckTextOut && c.Y1 > layout.TextBottom) footers << c.Text;
            }
            auto follow = [&](bool before) {
                for (const TNavTarget& t : page.Navigation.Targets) {
                    if (!inHalf(t.X) || (t.Y <= firstY) != before) continue;
                    if (t.Level == 1) file = t.Title, proc.clear();
                    if (t.Level == 2) proc = t.Title;
                }
            };
            follow(true);
            if (firstY != INT_MAX) {
                const QString number = numbers.value(half);
                EXPECT_EQ(footers, QStringList{number}) << name.toStdString() << " sheet " << n;
                ASSERT_EQ(headers.size(), 1) << name.toStdString() << " sheet " << n;
                const QStringList parts = headers[0].split(" / ");
                const QString shownFile =
                    parts.size() == 3 ? parts[0] : headers[0].section(" - ", 0, -2);
                // A name of one character gives way to the file's.
                const QString shownProc = parts.size() == 3 ? WithoutTypeCharacter(parts[1]) : proc;
                if ((shownFile != file || (!proc.isEmpty() && shownProc != proc &&
                                           !(proc.size() < 2 && shownProc == file))) &&
                    ++wrong <= 5)
                    ADD_FAILURE() << name.toStdString() << " sheet " << n << " half " << half
                                  << ": \"" << headers[0].toStdString() << "\" over "
                                  << file.toStdString() << " / " << proc.toStdString();
            }
            follow(false);
        }
    }
    EXPECT_EQ(wrong, 0) << name.toStdString();
}

struct TSourceLine {
    QString file;
    int number = 0;
    QString text;
};

// The lines a build prints, in order, as the listing driver takes them.
std::vector<TSourceLine> printedLines(TSourceMgt& sources, const TListingSettings& settings) {
    std::vector<TSourceLine> all;
    for (RFile* file = sources.FirstFile(); file->Next; file = file->Next) {
        sources.LoadFileText(*file);
        std::vector<TSourceLine> lines;
        auto add = [&](int i) {
            lines.push_back(
                {file->FileName, i + 1, ExpandTabs(file->Lines.value(i), settings.TabsToSpaces)});
        };
        if (!file->Functions->Next) {
            for (int i = 0; i < file->Lines.size(); ++i)
                add(i);
        }
        for (RFunction* s = file->Functions; s->Next; s = s->Next)
            for (int i = qMax(0, s->StartLine);
                 i < qMin<int>(s->StartLine + s->SectionLines, file->Lines.size()); ++i)
                add(i);
        while (lines.size() > 1 && IsBlankLine(lines.back().text))
            lines.pop_back();
        for (const TSourceLine& l : lines)
            if (!IsInlineCommandLine(l.text, settings.InlineIndicator, settings.CommentDelimiter))
                all.push_back(l);
        sources.UnloadFileText(file->FileName);
    }
    return all;
}

// The state of a whole source line at offset at, read plainly: strings
// between quotes, a comment from an apostrophe outside them.
TLexState plainState(const QString& line, int at) {
    bool inString = false;
    for (int i = 0; i < at && i < line.size(); ++i) {
        if (line[i] == u'"') inString = !inString;
        if (line[i] == u'\'' && !inString) return TLexState::Comment;
    }
    if (at < line.size() && line[at] == u'"') return TLexState::String;
    return inString ? TLexState::String : TLexState::Code;
}

struct TEmphasisCounts {
    int declarations = 0; // bold words on procedure headings
    int afterString = 0;  // bold words in pieces that begin inside a string
    QSet<QString> words;
};

// Every printed source line carries its number, in order (continuation
// pieces none); each bold word is a keyword in the code of its line,
// wherever the line was wrapped.
void expectNumbersAndEmphasis(const TExampleBuild& b, const QString& name,
                              TEmphasisCounts& counts) {
    const TSourceCodePrint& f = *b.formatter;
    const std::vector<TSourceLine> lines = printedLines(*b.sources, f.Settings);
    std::size_t at = 0;
    int cursor = 0;
    int mismatched = 0;
    auto report = [&](const std::string& what) {
        if (++mismatched <= 5) ADD_FAILURE() << name.toStdString() << ": " << what;
    };
    for (int n = 1; n <= f.Pages.PageCount(); ++n) {
        // The runs of one printed line: same y, drawn one after another.
        std::vector<TCanvasCommand> row;
        auto checkRow = [&] {
            if (row.empty() || at == 0) return;
            const QString& source = lines[at - 1].text;
            QString shown;
            std::vector<int> starts;
            for (const TCanvasCommand& c : row) {
                starts.push_back(int(shown.size()));
                shown += textOf(c);
            }
            int found = source.indexOf(shown, cursor);
            int skipped = 0;
            if (found < 0 && shown.startsWith(f.Settings.NextLineInd)) {
                skipped = int(f.Settings.NextLineInd.size());
                while (skipped < shown.size() && shown[skipped] == u' ')
                    ++skipped;
                found = source.indexOf(shown.mid(skipped), cursor);
            }
            // Not a piece of the line: what an inline command prints.
            const bool anyBold = std::any_of(row.begin(), row.end(), [](const TCanvasCommand& c) {
                return fontOf(c).endsWith("BOLD");
            });
            if (found < 0 && !anyBold) {
                row.clear();
                return;
            }
            if (found < 0) {
                report("\"" + shown.toStdString() + "\" is not in line " +
                       std::to_string(lines[at - 1].number) + " of " +
                       lines[at - 1].file.toStdString());
                row.clear();
                return;
            }
            // A piece the wrap began inside a string.
            const bool startsInString = found > 0 && source.left(found).count(u'"') % 2 == 1 &&
                                        plainState(source, found - 1) == TLexState::String;
            for (std::size_t k = 0; k < row.size(); ++k) {
                const QString font = fontOf(row[k]);
                if (!font.endsWith("BOLD")) continue;
                const QString word = textOf(row[k]);
                const int offset = found + starts[k] - skipped;
                if (!IsVbKeyword(word) || plainState(source, offset) != TLexState::Code)
                    report("bold \"" + word.toStdString() + "\" in line " +
                           std::to_string(lines[at - 1].number) + " of " +
                           lines[at - 1].file.toStdString() + ": " + source.toStdString());
                counts.words.insert(word);
                counts.declarations += font == "FUNCTIONBOLD";
                counts.afterString += startsInString;
            }
            cursor = found + int(shown.size()) - skipped;
            row.clear();
        };
        for (const TCanvasCommand& c : f.Pages.Page(n)->Canvas->Commands()) {
            if (c.Kind != ckTextOutInFont) continue;
            if (fontOf(c) == "LINENUMBER") {
                checkRow();
                const int number = textOf(c).toInt();
                if (at >= lines.size() || lines[at].number != number)
                    report("number " + std::to_string(number) + " where line " +
                           (at < lines.size() ? std::to_string(lines[at].number) + " of " +
                                                    lines[at].file.toStdString() + " (" +
                                                    lines[at].text.toStdString() + ")"
                                              : std::string("none")) +
                           " was due");
                else
                    ++at;
                cursor = 0;
                continue;
            }
            if (!row.empty() && row.back().Y1 != c.Y1) checkRow();
            row.push_back(c);
        }
        checkRow();
    }
    EXPECT_EQ(at, lines.size()) << name.toStdString() << ": printed lines without a number";
    EXPECT_EQ(mismatched, 0) << name.toStdString();
}

// "<pages> <hash over the page digests and the named fonts>".
QString projectDigest(const QString& project, const TVariant& variant, TEmphasisCounts& counts) {
    const TExampleBuild b = buildProject(project, variant.keys);
    expectOwnHeaders(*b.formatter, project);
    if (QLatin1String(variant.name) == "options") expectNumbersAndEmphasis(b, project, counts);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    QByteArray fonts;
    QDataStream out(&fonts, QIODevice::WriteOnly);
    for (const char* name :
         {"COMMENTS", "CODE", "FUNCTION", "CODEBOLD", "FUNCTIONBOLD", "LINENUMBER"})
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
    TEmphasisCounts counts;
    for (const TVariant& v : kVariants)
        for (const QString& project : projects())
            lines << QStringLiteral("%1 %2 %3")
                         .arg(QLatin1String(v.name), shortName(project),
                              projectDigest(project, v, counts));
    // Headings' keywords, and keywords after a string a wrap cut in two.
    EXPECT_GT(counts.declarations, 1000);
    EXPECT_GT(counts.afterString, 0);
    for (const char* word : {"Global", "Lib", "Alias", "Error$", "Function", "As"})
        EXPECT_TRUE(counts.words.contains(QLatin1String(word))) << word;
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
