// Every page of the example and of every corpus project passes the page
// check, at the default settings and with everything switched on (with and
// without line numbers, bold keywords and other paper); every procedure's
// page reference is the page its heading is printed on.
#include "common/TestSupport.h"
#include "format/SourceCodePrint.h"
#include "format/TextRoutines.h"
#include "names/CrossReference.h"
#include "platform/IniFile.h"
#include "render/VirtCanvas.h"
#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"
#include "source/TextDecoding.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <tuple>
#include <utility>
#include <vector>

namespace {

struct TTotals {
    int projects = 0;
    int sheets = 0;
    int findings = 0;
    int references = 0;
    long long codeLinks = 0;
    int callerLists = 0; // headings whose "Called from" list was checked
    long long xrefUses = 0;
    TPageCheckCounts counts;
};

// Everything on: every bracket kind, shadows, shade bands, the three
// reports and a watermark. The separator styles and page-number box rotate
// with the variant (a project's place in the list), so that the corpus as
// a whole meets each of them in both layouts.
void switchEverythingOn(int variant, bool twoPage) {
    TIniFile ini;
    ini.writeBool("BRACKETS", "BracketAll", true);
    ini.writeBool("brackets", "multicolor", true);
    ini.writeBool("general", "shadeboxemulation", true);
    ini.writeBool("SHADOWTHRESHOLD", "ENABLED", true);
    ini.writeBool("reports", "titlepage", true);
    ini.writeBool("reports", "toc", true);
    ini.writeBool("reports", "functionindex", true);
    ini.writeString("project info", "watermark", "CONFIDENTIAL");
    ini.writeInteger("GENERAL", "FileSep", variant % 3);
    ini.writeInteger("GENERAL", "FunctionSep", variant % 4);
    ini.writeInteger("PAGELAYOUT", "PageNumType", variant % 3);
    ini.writeBool("pagelayout", "twopage", twoPage);
}

// Line numbers, callers under the headings, bold keywords, A4 or legal
// paper and the bracket indents across the dialog's ranges on top of the
// settings.
void addListingOptions(int variant) {
    TIniFile ini;
    ini.writeBool("GENERAL", "LineNumbers", variant % 3 != 2);
    ini.writeBool("GENERAL", "Callers", true);
    ini.writeInteger("GENERAL", "KeywordEmphasis", 1);
    ini.writeInteger("PAGELAYOUT", "Paper", 1 + variant % 2);
    ini.writeInteger("brackets", "nestedindent", variant % 6);
    ini.writeInteger("brackets", "initindent", 1 + variant * 3 % 8);
}

QString withoutTypeCharacter(QString name) {
    name = name.trimmed();
    if (!name.isEmpty() && QStringLiteral("$%&!#@").contains(name.back())) name.chop(1);
    return name.trimmed();
}

// The number printed for "%p" under the half of the sheet that x lies in:
// the footer numbers are the plain texts below the text area.
int printedPageNumber(const TVirtCanvas& canvas, const TPageLayout& layout, int x) {
    const bool right = layout.ColumnX.size() > 1 && x >= layout.ColumnX[1];
    int number = -1;
    for (const TCanvasCommand& c : canvas.Commands()) {
        bool isNumber = false;
        const int n = c.Text.toInt(&isNumber);
        if (c.Kind != ckTextOut || !isNumber || c.Y1 <= layout.TextBottom) continue;
        const bool cRight = layout.ColumnX.size() > 1 && c.X1 >= layout.ColumnX[1] - 60;
        if (cRight == right) number = n;
    }
    return number;
}

// Each procedure's page reference against the page its declaration line
// was drawn on, found in the recording.
void checkReferences(const TSourceCodePrint& f, RFile* firstFile, const QString& project,
                     TTotals& totals) {
    struct THeading {
        QString name;
        int page;
    };
    std::vector<THeading> headings;
    for (int n = 1; n <= f.Pages.PageCount(); ++n) {
        const TPageLayout layout = f.PageLayout(n);
        if (layout.ColumnX.empty()) continue;
        const TVirtCanvas& canvas = *f.Pages.Page(n)->Canvas;
        // A heading with emphasised keywords is drawn in runs of the
        // declaration font and its bold face, one after another.
        QString joined;
        int joinedX = 0, joinedY = INT_MIN;
        std::vector<std::pair<QString, int>> lines;
        for (const TCanvasCommand& c : canvas.Commands()) {
            if (c.Kind != ckTextOutInFont || !c.Text.startsWith("FUNCTION")) {
                joinedY = INT_MIN; // the heading's runs follow one another
                continue;
            }
            const QString run = c.Text.mid(c.Text.indexOf(kFontTextSeparator) + 3);
            if (c.Y1 == joinedY) {
                joined += run;
                continue;
            }
            if (!joined.isEmpty()) lines.push_back({joined, joinedX});
            joined = run, joinedX = c.X1, joinedY = c.Y1;
        }
        if (!joined.isEmpty()) lines.push_back({joined, joinedX});
        for (const auto& [text, x] : lines) {
            if (!IsProcDeclaration(text)) continue;
            QString name = ExtractProcName(text);
            if (name.isEmpty()) name = ExtractProcName(text + "(");
            headings.push_back({withoutTypeCharacter(name), printedPageNumber(canvas, layout, x)});
        }
    }
    std::size_t next = 0;
    for (RFile* file = firstFile; file && file->Next; file = file->Next) {
        for (RFunction* s = file->Functions; s && s->Next; s = s->Next) {
            if (!s->Marked || s == file->Functions) continue;
            const QString name = withoutTypeCharacter(s->Name);
            std::size_t at = next;
            while (at < headings.size() && headings[at].name != name)
                ++at;
            if (at == headings.size()) {
                ADD_FAILURE() << project.toStdString() << ": no heading for " << name.toStdString();
                continue;
            }
            EXPECT_EQ(s->FirstPage, headings[at].page)
                << project.toStdString() << ": " << file->FileName.toStdString() << " "
                << name.toStdString();
            ++totals.references;
            next = at + 1;
        }
    }
}

// Each "Called from" line against the callers the name model gives: their
// names in order (qualified outside the callee's file), each with the page
// its heading is printed on, or none for a heading not printed; "and N more"
// standing for the last N.
void checkCallers(const TSourceCodePrint& f, TSourceMgt& sources, const QString& project,
                  TTotals& totals) {
    TNameModel model;
    AddProjectFiles(model, sources.FirstFile(), sources);
    TCrossReference xref(model);
    AddProjectUses(xref, sources.FirstFile(), sources);
    // The headings (their bookmark targets) and the callers' lines in the
    // order of the listing: sheet, column, height.
    struct TItem {
        std::tuple<int, int, int> at;
        int heading; // index into headings, or -1 for a callers' line
        QString text;
    };
    struct THeading {
        QString file, name;
        int page = 0;
        QString callers;
    };
    std::vector<THeading> headings;
    std::vector<TItem> items;
    for (int n = 1; n <= f.Pages.PageCount(); ++n) {
        const TPageLayout layout = f.PageLayout(n);
        if (layout.ColumnX.empty()) continue;
        const TPageRec& page = *f.Pages.Page(n);
        auto column = [&](int x) { return layout.ColumnX.size() > 1 && x >= layout.ColumnX[1]; };
        for (const TNavTarget& t : page.Navigation.Targets) {
            if (t.Level != 2) continue;
            items.push_back({{n, column(t.X), t.Y}, int(headings.size()), {}});
            headings.push_back({t.Key.section(':', 1, 1),
                                t.Title,
                                printedPageNumber(*page.Canvas, layout, t.X),
                                {}});
        }
        for (const TCanvasCommand& c : page.Canvas->Commands())
            if (c.Kind == ckTextOutInFont && c.Text.startsWith("CALLERS|||"))
                items.push_back({{n, column(c.X1), c.Y1}, -1, c.Text.mid(10)});
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const TItem& a, const TItem& b) { return a.at < b.at; });
    THeading* last = nullptr;
    for (const TItem& item : items) {
        if (item.heading >= 0)
            last = &headings[std::size_t(item.heading)];
        else if (last)
            last->callers += (last->callers.isEmpty() ? "" : " ") + item.text;
        else
            ADD_FAILURE() << project.toStdString() << ": callers before any heading";
    }
    // Each procedure of the model to its printed heading, in file order (a
    // property's heading is titled "Get Name").
    std::vector<std::vector<const THeading*>> printed(std::size_t(model.FileCount()));
    std::size_t next = 0;
    for (int file = 0; file < model.FileCount(); ++file) {
        const TNameFile& named = model.File(file);
        for (const TNameProcedure& p : named.Procedures) {
            auto isHeading = [&](const THeading& h) {
                return h.file == named.FileName &&
                       h.name.section(' ', -1).compare(withoutTypeCharacter(p.Name),
                                                       Qt::CaseInsensitive) == 0;
            };
            std::size_t at = next;
            while (at < headings.size() && !isHeading(headings[at]))
                ++at;
            printed[std::size_t(file)].push_back(at < headings.size() ? &headings[at] : nullptr);
            if (at < headings.size()) next = at + 1;
        }
    }
    const QRegularExpression more("^(.*), and (\\d+) more$|^Called from: (\\d+) procedures$");
    for (int file = 0; file < model.FileCount(); ++file) {
        const TNameFile& named = model.File(file);
        for (const TNameMember& m : named.Members) {
            const THeading* h = m.Kind == TNameKind::Procedure
                                    ? printed[std::size_t(file)][std::size_t(m.Procedure)]
                                    : nullptr;
            if (!h) continue;
            QStringList expected;
            for (const TNameUse& use : xref.Callers(file, int(&m - named.Members.data()))) {
                const TNameFile& from = model.File(use.File);
                const THeading* caller = printed[std::size_t(use.File)][std::size_t(use.Procedure)];
                expected << (use.File == file ? QString() : from.Name + '.') +
                                from.Procedures[std::size_t(use.Procedure)].Name +
                                (caller ? QString(" (p. %1)").arg(caller->page) : QString());
            }
            QString shown = h->callers;
            if (!shown.isEmpty()) ++totals.callerLists;
            int hidden = 0;
            if (const auto cut = more.match(shown); cut.hasMatch()) {
                shown = cut.captured(1);
                hidden = cut.captured(2).toInt() + cut.captured(3).toInt();
            }
            const QStringList entries = shown.isEmpty() ? QStringList() : shown.mid(13).split(", ");
            EXPECT_EQ((expected.mid(0, expected.size() - hidden).join(", ")).toStdString(),
                      entries.join(", ").toStdString())
                << project.toStdString() << ": " << named.FileName.toStdString() << " "
                << m.Name.toStdString();
        }
    }
}

// Every page number of the cross-reference against the page its link
// opens: the number printed under that place, and the source line drawn
// there (and its line number, when shown).
void checkXref(const TSourceCodePrint& f, RFile* firstFile, TSourceMgt& sources,
               const QString& project, TTotals& totals) {
    struct TPlace {
        int page = 0, x = 0, y = 0;
    };
    QHash<QString, TPlace> places;
    for (int n = 1; n <= f.Pages.PageCount(); ++n)
        for (const TNavTarget& t : f.Pages.Page(n)->Navigation.Targets)
            if (t.Key.startsWith("line:")) places.insert(t.Key, {n, t.X, t.Y});
    QHash<QString, RFile*> files;
    for (RFile* file = firstFile; file && file->Next; file = file->Next)
        files.insert(file->FileName, file);
    // A page number ("12", "12*", "12:40*,"), or "p. 12" of a definition;
    // not the count of uses on lines not printed ("3 not printed").
    const QRegularExpression number("^(\\d+)(?::(\\d+))?\\*?,?$");
    for (int n = 1; n <= f.Pages.PageCount(); ++n) {
        const TPageRec& page = *f.Pages.Page(n);
        if (page.PageName != "Cross Reference") continue;
        for (const TCanvasCommand& c : page.Canvas->Commands()) {
            if (c.Kind != ckTextOut) continue;
            const QStringList words = c.Text.split(' ');
            QStringList tokens;
            for (int i = 0; i < words.size(); ++i)
                if (number.match(words[i]).hasMatch() &&
                    (i + 1 == words.size() || words[i + 1] != "not"))
                    tokens << words[i];
            // The links on this text: the next column's line is level with it.
            std::vector<const TLinkArea*> links;
            for (const TLinkArea& link : page.Navigation.Links) {
                bool own = link.Y1 == c.Y1 && link.X1 >= c.X1;
                for (const TCanvasCommand& other : page.Canvas->Commands())
                    own = own && !(other.Kind == ckTextOut && other.Y1 == c.Y1 && other.X1 > c.X1 &&
                                   other.X1 <= link.X1);
                if (own) links.push_back(&link);
            }
            std::sort(links.begin(), links.end(),
                      [](const TLinkArea* a, const TLinkArea* b) { return a->X1 < b->X1; });
            ASSERT_EQ(links.size(), std::size_t(tokens.size()))
                << project.toStdString() << ": " << c.Text.toStdString();
            for (std::size_t i = 0; i < links.size(); ++i) {
                const QRegularExpressionMatch m = number.match(tokens[int(i)]);
                const QString& key = links[i]->Key;
                const TPlace place = places.value(key);
                ASSERT_GT(place.page, 0) << key.toStdString();
                const TVirtCanvas& target = *f.Pages.Page(place.page)->Canvas;
                EXPECT_EQ(printedPageNumber(target, f.PageLayout(place.page), place.x),
                          m.captured(1).toInt())
                    << project.toStdString() << ": " << key.toStdString();
                const int line = key.section(':', -1).toInt();
                if (!m.captured(2).isEmpty()) {
                    EXPECT_EQ(m.captured(2).toInt(), line) << key.toStdString();
                }
                RFile* file = files.value(key.section(':', 1, -2));
                ASSERT_TRUE(file) << key.toStdString();
                if (!file->Loaded) sources.LoadFileText(*file);
                const QString source = file->Lines[line - 1].simplified();
                // The line's runs from its start on, drawn one after another
                // (emphasised keywords a little lower or higher); its
                // number left of it, on the baseline of a heading's font.
                QString drawn;
                bool found = false, numbered = false;
                int lastX = INT_MIN;
                for (const TCanvasCommand& d : target.Commands()) {
                    if (d.Kind != ckTextOutInFont && d.Kind != ckTextOut) continue;
                    const qsizetype bar = d.Text.indexOf(kFontTextSeparator);
                    const QString text = d.Text.mid(bar + 3);
                    if (d.Text.left(bar) == "LINENUMBER") {
                        numbered |= text == QString::number(line) && qAbs(d.Y1 - place.y) < 40 &&
                                    d.X1 < place.x && d.X1 > place.x - 100;
                        continue;
                    }
                    const bool level = qAbs(d.Y1 - place.y) <= 4;
                    if (!found && level && d.X1 >= place.x - 2)
                        found = true;
                    else if (!(found && level && d.X1 > lastX)) {
                        if (found) lastX = INT_MAX;
                        continue;
                    }
                    drawn += text;
                    lastX = d.X1;
                }
                if (f.Settings.LineNumbers) {
                    EXPECT_TRUE(numbered) << key.toStdString();
                }
                // A narrow column may show only the start of it (blanks, when
                // it is indented deeper than the column is wide).
                drawn = drawn.simplified();
                EXPECT_TRUE(found && source.startsWith(drawn.left(12)))
                    << project.toStdString() << ": " << key.toStdString() << " shows \""
                    << drawn.toStdString() << "\"";
                ++totals.xrefUses;
            }
        }
    }
}

// variant -1: the defaults. extra: "section/key=value" settings on top.
void checkProject(const QString& path, int variant, bool twoPage, TTotals& totals,
                  bool options = false, const QStringList& extra = {}) {
    QFile::remove(TIniFile().fileName());
    if (path.contains("/spgnews/")) TIniFile().writeInteger("general", "codepage", 932);
    if (variant >= 0) switchEverythingOn(variant, twoPage);
    if (options) addListingOptions(variant < 0 ? 0 : variant);
    for (const QString& setting : extra) {
        const qsizetype slash = setting.indexOf('/'), equals = setting.indexOf('=');
        TIniFile().writeString(setting.left(slash), setting.mid(slash + 1, equals - slash - 1),
                               setting.mid(equals + 1));
    }
    TSourceCodePrint f;
    f.LoadSettings();
    TSourceMgt sources(nullptr, f.Settings.CodePage);
    testsupport::loadProject(sources, path);
    f.SetPageDefaults(TFont("Arial", 10), TPen{}, TBrush{clWhite, TBrushStyle::Solid});
    f.BuildProject(sources.FirstFile(), sources);

    // The geometry, and every link of code on the name it leads from.
    std::vector<TPageFinding> findings = f.CheckPages(&totals.counts);
    long long codeLinks = 0;
    const std::vector<TPageFinding> links = f.CheckLinks(&codeLinks);
    findings.insert(findings.end(), links.begin(), links.end());
    totals.codeLinks += codeLinks;
    for (std::size_t i = 0; i < findings.size() && i < 5; ++i)
        ADD_FAILURE() << path.toStdString() << " (variant " << variant
                      << (options ? ", options" : "")
                      << "): " << FormatFinding(findings[i]).toStdString();
    totals.findings += int(findings.size());
    totals.sheets += f.Pages.PageCount();
    ++totals.projects;
    if (variant >= 0) checkReferences(f, sources.FirstFile(), path, totals);
    if (f.Settings.Callers) checkCallers(f, sources, path, totals);
    if (f.Settings.Xref) checkXref(f, sources.FirstFile(), sources, path, totals);
}

void report(const char* what, const TTotals& t) {
    std::printf("%s: %d runs, %d sheets, %lld texts, %lld strokes, %lld code links, %d references, "
                "%d caller lists, %lld cross-reference page numbers, %d findings\n",
                what, t.projects, t.sheets, t.counts.Texts, t.counts.Strokes, t.codeLinks,
                t.references, t.callerLists, t.xrefUses, t.findings);
}

class PageGeometry : public ::testing::Test {
protected:
    void TearDown() override { QFile::remove(TIniFile().fileName()); }
};

} // namespace

TEST_F(PageGeometry, TheExampleInEveryVariant) {
    TTotals totals;
    const QString example = testsupport::sourceDir() + "/examples/Demo/Demo.vbp";
    checkProject(example, -1, true, totals);
    // Both layouts with each separator style and page-number box.
    for (int variant = 0; variant < 12; ++variant) {
        checkProject(example, variant, true, totals);
        checkProject(example, variant, false, totals);
        // The same with line numbers, bold keywords, A4 and legal paper and
        // other bracket indents.
        checkProject(example, variant, true, totals, true);
        checkProject(example, variant, false, totals, true);
    }
    checkProject(example, -1, true, totals, true);
    checkProject(example, -1, false, totals, true);
    EXPECT_EQ(totals.findings, 0);
    EXPECT_GT(totals.references, 12);
    EXPECT_GT(totals.callerLists, 12 * 10);
    report("example", totals);
}

// Pairs of settings at the ends of their ranges on which the page check
// once failed, in both layouts, with and without callers.
TEST_F(PageGeometry, TheExampleAtTheSettingsExtremes) {
    TTotals totals;
    const QString example = testsupport::sourceDir() + "/examples/Demo/Demo.vbp";
    const QStringList cases[] = {
        {"brackets/nestedindent=0", "brackets/initindent=0"},
        {"brackets/nestedindent=0", "brackets/initindent=8", "general/LineNumbers=1"},
        {"margins/top=13", "reports/functionindex=1", "reports/xref=1"},
        {"margins/left=550", "reports/functionindex=1", "reports/xref=1"},
        {"margins/right=550", "reports/xref=1", "general/LineNumbers=1"},
        {"general/FileSep=1", "code/TSize=72"},
        {"general/LineNumbers=1", "functions/TSize=4"},
        {"reports/titlepage=1", "reports/toc=1", "header/TSize=72"},
        // The longest header and footer the settings take; fonts without a
        // face name, measured and drawn in the default face.
        {"pagelayout/header=" + QString(1023, 'W'), "pagelayout/footer=%p" + QString(1021, 'W')},
        {"code/TName=", "general/KeywordEmphasis=1", "header/TName="},
        // Two pages a sheet leave no room for text with these.
        {"brackets/nestedindent=32", "margins/right=550", "pagelayout/twopage=0"}};
    // Each with and without the callers under the headings.
    for (const QStringList& settings : cases)
        for (const char* layout : {"pagelayout/twopage=1", "pagelayout/twopage=0"})
            for (const char* callers : {"general/Callers=0", "general/Callers=1"})
                if (settings.filter("pagelayout/").isEmpty() || layout[20] == '0')
                    checkProject(example, -1, true, totals, false,
                                 settings + QStringList{layout, callers});
    // Contents entries in a large header font (names too wide for two
    // columns), page numbers beside the narrowest right margin, index and
    // cross-reference entries with long names beside the widest left
    // margin, and every page number of the cross-reference where it leads.
    const QStringList corpusCases[] = {{"reports/toc=1", "header/TSize=72"},
                                       {"reports/toc=1", "margins/right=13"},
                                       {"reports/functionindex=1", "margins/left=550"},
                                       {"reports/xref=1", "margins/left=550"},
                                       {"reports/xref=1", "general/LineNumbers=1"}};
    for (const char* project :
         {"/wintape/WINTAPE.VBP", "/vbasyncsocket/test/BareboneTls/Project1.vbp"}) {
        const QString path = testsupport::corpusDir() + project;
        if (!QFile::exists(path)) continue;
        for (const char* layout : {"pagelayout/twopage=1", "pagelayout/twopage=0"})
            for (const QStringList& settings : corpusCases)
                checkProject(path, -1, true, totals, false, settings + QStringList{layout});
    }
    // A single column of contents entries long enough that an evenly
    // rounded spacing would carry its last entries below the sheet.
    const QString bank = testsupport::corpusDir() + "/biabank/Bia.vbp";
    if (QFile::exists(bank))
        checkProject(bank, -1, true, totals, false,
                     {"reports/toc=1", "margins/left=550", "pagelayout/twopage=0"});
    EXPECT_EQ(totals.findings, 0);
    EXPECT_GT(totals.xrefUses, 100);
    report("settings extremes", totals);
}

TEST_F(PageGeometry, EveryCorpusProjectAtDefaultsAndWithEverythingOn) {
    const QStringList projects = testsupport::corpusProjects();
    if (projects.isEmpty()) GTEST_SKIP() << "../shared/corpus is not present";
    TTotals defaults, everything, options;
    for (int i = 0; i < int(projects.size()); ++i) {
        checkProject(projects[i], -1, true, defaults);
        checkProject(projects[i], i, true, everything);
        checkProject(projects[i], i + 1, false, everything);
        // One more run with line numbers, bold keywords and A4 or legal,
        // in the layout and paper the project's place chooses.
        checkProject(projects[i], i + 2, i % 2 == 0, options, true);
    }
    EXPECT_EQ(defaults.findings + everything.findings + options.findings, 0);
    EXPECT_GT(options.callerLists, 1000);
    report("defaults", defaults);
    report("everything on", everything);
    report("with line numbers, bold keywords, A4/legal", options);
}

// The inputs on which the formatter fuzzers' page check once failed (wrap
// pieces at 72 pt, a section rule, wide glyphs at the border, a line below
// the text area, a comment box), laid out as those fuzzers lay them out.
TEST_F(PageGeometry, TheFuzzersFindingsHoldUp) {
    const QDir findings(testsupport::sourceDir() + "/tests/fuzz/findings");
    const QStringList names = findings.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(names.size(), 5);
    for (const QString& name : names) {
        QFile file(findings.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray input = file.readAll();
        QByteArray settings;
        QStringList lines;
        if (name.startsWith("fuzz_format_inline")) {
            settings = "[reports]\ntoc=1\nfunctionindex=1\n";
            lines << "Sub Fuzz()";
            for (const QString& command : SplitSourceLines(DecodeSourceBytes(input, 1252)))
                lines << "    x = 1 ' ///" + command << "    '///" + command;
            lines << "End Sub";
        } else {
            const qsizetype nul = input.indexOf('\0');
            settings = nul < 0 ? input : input.left(nul);
            lines = SplitSourceLines(
                DecodeSourceBytes(nul < 0 ? QByteArray() : input.mid(nul + 1), 1252));
        }
        QFile ini(TIniFile().fileName());
        QDir().mkpath(QFileInfo(ini).absolutePath());
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(settings);
        ini.close();
        TSourceCodePrint f;
        f.LoadSettings();
        f.SetPageDefaults(TFont("Arial", 10), TPen{}, TBrush{clWhite, TBrushStyle::Solid});
        f.CurrentFileName = "Fuzz.bas";
        f.CurrentProcName = "Fuzz";
        f.BuildFromLines(lines, nullptr);
        const std::vector<TPageFinding> found = f.CheckPages();
        for (std::size_t i = 0; i < found.size() && i < 5; ++i)
            ADD_FAILURE() << name.toStdString() << ": " << FormatFinding(found[i]).toStdString();
        EXPECT_EQ(found.size(), 0u) << name.toStdString();
    }
}
