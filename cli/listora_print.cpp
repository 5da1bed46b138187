// listora-print: the batch command. Lays out a Visual Basic project, a
// source file or text on standard input exactly as the desktop program
// does, and writes the pages to a PDF or PNG files.
#include "cli/OutputModule.h"
#include "format/ProjectSettingsFile.h"
#include "format/SourceCodePrint.h"
#include "history/ChangeHistory.h"
#include "names/CrossReference.h"
#include "platform/AtomicFile.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/Messages.h"
#include "platform/Printer.h"
#include "platform/Progress.h"
#include "platform/Version.h"
#include "render/PageOutput.h"
#include "render/PdfListing.h"
#include "render/PrintPages.h"
#include "render/SheetCount.h"
#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"
#include "source/TextDecoding.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>

#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

const char* kHelp = R"(Lays out Visual Basic source as a printed listing and writes the pages.

INPUT is a project (.VBP or .MAK: every section is printed unless --select
says otherwise), a saved Listora project (.LRP: its project, marks and
settings; the settings copy is used for this run only, unless --settings
names another file), a single source file (.BAS, .FRM, .CLS, .TXT, ...), or
"-" for text on standard input (laid out like clipboard text).

Settings are read from Listora.INI in the per-user config folder
($XDG_CONFIG_HOME/Listora), as the desktop program reads them, or from the
file given with --settings.

Limits (exit status 1 past any): a source file must be text under 200K, a
project member text of at most 64 MB; a project at most 4096 members and 64
MB of source;
standard input 64 MB; a listing 50000 pages; the settings file a regular
file of at most 1 MB (UTF-8, Windows-1252, or UTF-16 with a byte-order
mark); a saved job's files 16 MB, its settings copy 1 MB. Members that are
missing or cannot be read are left out and named ("Left out NAME: REASON");
a project with none left is an error. Settings values that cannot be used
are reported with the value used instead.

Examples:
  listora-print Project1.vbp -o listing.pdf
  listora-print Project1.vbp --outline
  listora-print Project1.vbp --unused
  listora-print Project1.vbp --xref --line-numbers -o listing.pdf
  listora-print Project1.vbp --check
  listora-print Project1.vbp --select Form1.frm:cmdOpen_Click --select Module1.bas:* -o part.pdf
  listora-print Project1.vbp --glossary deluxe -o glossary.pdf
  listora-print Ledger.lrp -o ledger.pdf
  listora-print Module1.bas --png pages/
  cat notes.txt | listora-print - -o notes.pdf
  listora-print Project1.vbp -P Office_Laser --copies 2 --pages 3-5
  listora-print Project1.vbp --changed-since v1.2 -o changes.pdf
  listora-print Project1.vbp --changed v1.2..v1.3 --outline)";

// Names from the files read (members, sections, entries) may hold escape
// sequences: shown escaped, they cannot take over the terminal.
void err(const QString& text) {
    std::fprintf(stderr, "listora-print: %s\n",
                 ShownOnTerminal(text, true).toLocal8Bit().constData());
}

void out(const QString& text) {
    std::fputs(ShownOnTerminal(text, true).toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
}

// The messages of the shared code (the project loader's, ...): one line of
// standard error for each line of a message.
class TCommandMessages : public IMessageService {
public:
    void show(TMessageKind, const QString&, const QString& text) override {
        for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts))
            err(line.trimmed());
    }
    bool askYesNo(const QString&, const QString& text) override {
        show(TMessageKind::Information, QString(), text);
        return false;
    }
};

// Standard error carries this command's own messages only: Qt's notes
// about the environment (no XDG_RUNTIME_DIR under cron or ssh, font
// substitutions) are no news to the user of a batch command. The build's
// own diagnostics (categories "listora.*") still pass.
void quietQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const bool ours = context.category && QByteArray(context.category).startsWith("listora.");
    if (!ours && type != QtFatalMsg) return;
    err(text);
}

// The files a run reads, which its outputs must never replace: the input,
// the saved job, the project and its members, the settings file.
class TProtectedFiles {
public:
    void add(const QString& path) {
        if (const std::optional<RFileId> id = FileIdOf(path)) ids_.append({*id, path});
    }
    void addProject(TSourceMgt& sources) {
        for (RFile* file = sources.FirstFile(); file && file->Next; file = file->Next)
            add(file->Path);
    }
    // Empty, or what the output would overwrite.
    QString readFileAt(const QString& output) const {
        const std::optional<RFileId> id = OutputFileIdOf(output);
        if (!id) return QString();
        for (const auto& [known, path] : ids_)
            if (known == *id) return path;
        return QString();
    }

private:
    QList<std::pair<RFileId, QString>> ids_;
};

// Refuses before anything is written when an output is a file the run reads.
bool outputsAreSafe(const QCommandLineParser& args, const TProtectedFiles& inputs, int pages) {
    QStringList outputs;
    if (args.isSet("o")) outputs << args.value("o");
    if (args.isSet("png"))
        for (int n = 1; n <= pages; ++n)
            outputs << QDir(args.value("png")).filePath(PngPageName(n));
    for (const QString& output : outputs) {
        const QString input = inputs.readFileAt(output);
        if (input.isEmpty()) continue;
        err(QStringLiteral("refusing to write %1: it is %2, which this run reads")
                .arg(output, QDir::toNativeSeparators(input)));
        return false;
    }
    return true;
}

// A status line on standard error every few seconds once a job has run for
// a while, so short jobs stay quiet and long ones show they are alive.
class TStderrProgress : public IProgress {
public:
    TStderrProgress() { clock_.start(); }
    void showProgress(const QString& text, int percent) override {
        if (!text.isEmpty()) status_ = text;
        if (clock_.elapsed() < nextReport_ || status_.isEmpty()) return;
        nextReport_ = clock_.elapsed() + 3000;
        err(QStringLiteral("%1 (%2%)").arg(status_).arg(percent));
    }
    void showStatus(const QString& text) override { status_ = text; }
    void processPendingMessages() override {}

private:
    QElapsedTimer clock_;
    QString status_;
    qint64 nextReport_ = 2000;
};

struct TSelection {
    QString file;
    QString section;
};

bool isProjectFile(const QString& path) {
    const QString ext = QFileInfo(path).suffix().toUpper();
    return ext == "VBP" || ext == "MAK";
}

// Marks every section, or only those the selections name. Returns the
// selections that matched nothing.
QList<TSelection> applySelections(TSourceMgt& sources, const QList<TSelection>& selections) {
    QList<bool> used(selections.size(), false);
    for (RFile* file = sources.FirstFile(); file && file->Next; file = file->Next) {
        const bool all = selections.isEmpty();
        file->Marked = all;
        for (RFunction* f = file->Functions; f && f->Next; f = f->Next) {
            bool mark = all;
            for (qsizetype i = 0; i < selections.size(); ++i) {
                const TSelection& s = selections[i];
                if (file->FileName.compare(s.file, Qt::CaseInsensitive) != 0) continue;
                if (s.section == "*" || f->Name.trimmed() == s.section.trimmed()) {
                    mark = true;
                    used[i] = true;
                }
            }
            f->Marked = mark;
        }
        if (!all && !(file->Functions && file->Functions->Next)) {
            for (qsizetype i = 0; i < selections.size(); ++i) {
                const TSelection& s = selections[i];
                if (file->FileName.compare(s.file, Qt::CaseInsensitive) == 0 && s.section == "*") {
                    file->Marked = true;
                    used[i] = true;
                }
            }
        }
    }
    QList<TSelection> unmatched;
    for (qsizetype i = 0; i < selections.size(); ++i)
        if (!used[i]) unmatched.append(selections[i]);
    return unmatched;
}

// In a change listing each mark says why, and what is gone follows.
void printOutline(TSourceMgt& sources, const TChangeHistory* changes) {
    auto markText = [&](bool marked, const QString& why) {
        const QString mark = marked ? QStringLiteral("marked") : QStringLiteral("unmarked");
        return why.isEmpty() ? mark : mark + "\t" + why;
    };
    for (RFile* file = sources.FirstFile(); file && file->Next; file = file->Next) {
        const bool sections = file->Functions && file->Functions->Next;
        QString line = QStringLiteral("%1\t%2\t%3\t%4 lines")
                           .arg(file->DisplayName, file->Path, file->Ext)
                           .arg(file->LineCount);
        if (changes && !sections) line += "\t" + markText(file->Marked, changes->Reason(file));
        out(line);
        for (RFunction* f = file->Functions; f && f->Next; f = f->Next) {
            out(QStringLiteral("  %1\tline %2\t%3 lines\t%4\t%5")
                    .arg(f->Name)
                    .arg(f->StartLine + 1)
                    .arg(f->SectionLines)
                    .arg(f == file->Functions ? QStringLiteral("-")
                         : f->IsSub           ? QStringLiteral("Sub")
                                              : f->ReturnType)
                    .arg(markText(f->Marked, changes ? changes->Reason(f) : QString())));
        }
    }
    if (!changes) return;
    for (const TRemovedItem& r : changes->Removed())
        out(QStringLiteral("removed\t%1\t%2\t%3 lines")
                .arg(r.File, r.Section.isEmpty() ? QStringLiteral("(whole file)") : r.Section)
                .arg(r.Lines));
}

// One name a line: file, kind, scope, name and line, as the
// cross-reference's section of unreferenced names lists them.
void printUnused(TSourceMgt& sources) {
    TNameModel model;
    AddProjectFiles(model, sources.FirstFile(), sources);
    TCrossReference xref(model);
    AddProjectUses(xref, sources.FirstFile(), sources);
    for (const TNameRef& ref : UnreferencedNames(xref, ReadProjectFacts(sources.ProjectLines()))) {
        const TNameMember& m = model.File(ref.File).Members[std::size_t(ref.Member)];
        out(QStringLiteral("%1\t%2\t%3\t%4\t%5")
                .arg(model.File(ref.File).FileName, NameKindText(model, ref),
                     NameScopeText(m.Scope), m.Name)
                .arg(m.Line + 1));
    }
}

// The comparison a change listing asks for; none without one.
std::unique_ptr<TChangeHistory> openHistory(const QCommandLineParser& args, const QString& input,
                                            const TJobRevision& jobRevision) {
    TChangeRequest request;
    if (!args.isSet("changed-since") && !args.isSet("changed")) {
        // The job's own revision, as the desktop marked it.
        request.From = jobRevision.Since;
        request.IgnoreSpace = jobRevision.IgnoreSpace || args.isSet("ignore-space-change");
        return std::make_unique<TChangeHistory>(input, request);
    }
    if (args.isSet("changed-since")) {
        request.From = args.value("changed-since");
    } else if (!request.parseRange(args.value("changed"))) {
        throw TListoraError(
            QStringLiteral("--changed takes REV1..REV2, not \"%1\"").arg(args.value("changed")));
    }
    request.IgnoreSpace = args.isSet("ignore-space-change");
    return std::make_unique<TChangeHistory>(input, request);
}

// What -P prints: a copy count and a page range ("N" or "FROM-TO").
struct TQueueJob {
    QString queue;
    int copies = 1;
    int from = 0; // 0: all pages
    int to = 0;
};

bool parseQueueJob(const QCommandLineParser& args, TQueueJob& job) {
    job.queue = args.value("P");
    if (args.isSet("P") && job.queue.trimmed().isEmpty()) {
        err(QStringLiteral("-P takes the name of a printer queue (as lpstat -p lists them)"));
        return false;
    }
    bool ok = true;
    if (args.isSet("copies")) {
        job.copies = args.value("copies").toInt(&ok);
        if (!ok || job.copies < 1 || job.copies > 999) {
            err(QStringLiteral("--copies takes a number from 1 to 999, not \"%1\"")
                    .arg(args.value("copies")));
            return false;
        }
    }
    if (args.isSet("pages")) {
        const QString range = args.value("pages").trimmed();
        const QStringList parts = range.split('-');
        bool okFrom = false, okTo = false;
        job.from = parts.value(0).toInt(&okFrom);
        job.to = parts.size() == 2 ? parts[1].toInt(&okTo) : job.from;
        if (parts.size() == 1) okTo = okFrom;
        if (parts.size() > 2 || !okFrom || !okTo || job.from < 1 || job.to < job.from) {
            err(QStringLiteral("--pages takes N or FROM-TO with 1 <= FROM <= TO, not \"%1\"")
                    .arg(range));
            return false;
        }
    }
    if ((args.isSet("copies") || args.isSet("pages")) && job.queue.isEmpty()) {
        err(QStringLiteral("--copies and --pages go with -P QUEUE"));
        return false;
    }
    return true;
}

// Sends the pages to a CUPS queue through the same print run as the
// desktop program, without its dialog and status window.
int printOnQueue(TPageStorage& pages, const TQueueJob& job) {
    if (job.from > pages.PageCount()) {
        err(QStringLiteral("--pages %1-%2: the listing has %3 pages")
                .arg(job.from)
                .arg(job.to)
                .arg(pages.PageCount()));
        return 1;
    }
    const std::unique_ptr<IPrinter> printer = OpenQueuePrinter(job.queue);
    TPrintServices services;
    services.printer = printer.get();
    TPrintDialogSettings settings = PreparePrintSettings(pages);
    settings.Copies = job.copies;
    if (job.from > 0) {
        settings.Range = TPrintRange::PageNums;
        settings.FromPage = job.from;
        settings.ToPage = std::min(job.to, pages.PageCount());
    }
    const TPrintOutcome outcome =
        PrintPages(pages, false, QStringLiteral("Listora"), services, &settings);
    out(QStringLiteral("%1 pages sent to %2 in %3 job(s)")
            .arg(outcome.PagesPrinted)
            .arg(job.queue)
            .arg(outcome.Jobs));
    return 0;
}

// The geometry check over every page: each finding on a line of its own,
// status 1 when there is any.
// toStderr: the PDF goes to standard output.
int checkPages(const TSourceCodePrint& formatter, bool toStderr) {
    auto say = [&](const QString& text) {
        if (toStderr)
            std::fprintf(stderr, "%s\n", ShownOnTerminal(text).toLocal8Bit().constData());
        else
            out(text);
    };
    TPageCheckCounts counts;
    std::vector<TPageFinding> findings = formatter.CheckPages(&counts);
    long long codeLinks = 0;
    const std::vector<TPageFinding> links = formatter.CheckLinks(&codeLinks);
    findings.insert(findings.end(), links.begin(), links.end());
    for (const TPageFinding& f : findings)
        say(FormatFinding(f));
    say(QStringLiteral("%1 findings on %2 pages (%3 texts, %4 strokes, %5 code links)")
            .arg(findings.size())
            .arg(formatter.Pages.PageCount())
            .arg(counts.Texts)
            .arg(counts.Strokes)
            .arg(codeLinks));
    return findings.empty() ? 0 : 1;
}

// Reports a settings file that exists but cannot be read (a pipe, device
// or folder, a link to one, too large, not text); a missing one is not
// reported: the defaults stand for it.
bool settingsFileIsReadable(const QString& path) {
    const QString problem = SettingsFileProblem(path);
    if (problem.isEmpty()) return true;
    err(QStringLiteral("cannot read the settings file %1: %2").arg(path, problem));
    return false;
}

// Far beyond any real source text; keeps "< /dev/zero" from eating memory.
constexpr qint64 kMaxStandardInput = 64ll << 20;
// One page image at this resolution stays below about 140 MB.
constexpr int kMaxDpi = 600;

QStringList readStandardInput(int codePage) {
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        throw TListoraError(QStringLiteral("cannot read standard input"));
    // A pipe gives what it has at each read: read on until its end, or
    // until one byte past the limit shows the text is too large.
    QByteArray bytes;
    while (bytes.size() <= kMaxStandardInput) {
        const QByteArray chunk =
            in.read(std::min<qint64>(1 << 20, kMaxStandardInput + 1 - bytes.size()));
        if (chunk.isEmpty()) break;
        bytes += chunk;
    }
    if (in.error() != QFileDevice::NoError)
        throw TListoraError(QStringLiteral("cannot read standard input: %1").arg(in.errorString()));
    if (bytes.size() > kMaxStandardInput)
        throw TListoraError(QStringLiteral("standard input is larger than %1 MB; split the "
                                           "text and print each part on its own")
                                .arg(kMaxStandardInput >> 20));
    return SplitSourceLines(DecodeSourceBytes(bytes, codePage));
}

// The --dpi value, or 0 (after a message) when it is no usable resolution.
int parseDpi(const QString& text) {
    bool ok = false;
    const int dpi = text.trimmed().toInt(&ok);
    if (ok && dpi >= 1 && dpi <= kMaxDpi) return dpi;
    err(QStringLiteral("--dpi takes a number from 1 to %1, not \"%2\"").arg(kMaxDpi).arg(text));
    return 0;
}

// More workers than this per core only share the same cores (and each
// holds its pages in memory).
constexpr int kJobsPerCore = 4;

// The --jobs value (default: the cores available), or 0 (after a message)
// when it is no usable count.
int parseJobs(const QCommandLineParser& args) {
    if (!args.isSet("jobs")) return AvailableCores();
    const int most = kJobsPerCore * AvailableCores();
    bool ok = false;
    const int jobs = args.value("jobs").trimmed().toInt(&ok);
    if (ok && jobs >= 1 && jobs <= most) return jobs;
    err(QStringLiteral("--jobs takes a number from 1 to %1 (%2 per core), not \"%3\"")
            .arg(most)
            .arg(kJobsPerCore)
            .arg(args.value("jobs")));
    return 0;
}

int run(const QCommandLineParser& args) {
    const QStringList positional = args.positionalArguments();
    if (positional.size() != 1) {
        err(QStringLiteral("expected one INPUT (see --help)"));
        return 2;
    }
    QString input = positional.first();
    TProtectedFiles inputs;
    if (input != "-") inputs.add(input);
    const bool unused = args.isSet("unused");
    // Both print text instead of pages.
    const bool outline = args.isSet("outline") || unused;
    const bool countOnly = args.isSet("count");
    TQueueJob queueJob;
    if (!parseQueueJob(args, queueJob)) return 2;
    QStringList known;
    if (!queueJob.queue.isEmpty() && !QueueExists(queueJob.queue, known)) {
        err(QStringLiteral("no printer queue named \"%1\" (known: %2)")
                .arg(queueJob.queue, known.isEmpty() ? QStringLiteral("none") : known.join(", ")));
        return 1;
    }
    if (!outline && !countOnly && !args.isSet("o") && !args.isSet("png") && !args.isSet("P") &&
        !args.isSet("check")) {
        err(QStringLiteral(
            "say where the pages go: -o OUT.pdf, --png DIR or -P QUEUE (see --help)"));
        return 2;
    }
    if (args.isSet("settings")) {
        const QString settings = QFileInfo(args.value("settings")).absoluteFilePath();
        if (!QFileInfo::exists(settings) && !QFileInfo(settings).isSymLink()) {
            err(QStringLiteral("settings file %1 does not exist").arg(settings));
            return 1;
        }
        if (!settingsFileIsReadable(settings)) return 1;
        TIniFile::setSettingsFileOverride(settings);
    }
    const int dpi = args.isSet("png") ? parseDpi(args.value("dpi")) : 96;
    if (dpi == 0) return 2;
    const int jobs = parseJobs(args);
    if (jobs == 0) return 2;
    const bool glossary = args.isSet("glossary");
    const QString glossaryKind = args.value("glossary").toLower();
    if (glossary && glossaryKind != "basic" && glossaryKind != "deluxe") {
        err(QStringLiteral("--glossary takes basic or deluxe, not \"%1\"").arg(glossaryKind));
        return 2;
    }
    if (glossary && !isProjectFile(input)) {
        err(QStringLiteral("--glossary needs a project (.VBP or .MAK)"));
        return 2;
    }
    // A saved job stands for its project, its marks and its settings.
    std::optional<TSavedJob> job;
    if (input != "-" && QFileInfo(input).suffix().compare("LRP", Qt::CaseInsensitive) == 0) {
        if (!QFileInfo::exists(input)) {
            err(QStringLiteral("%1: no such file").arg(input));
            return 1;
        }
        job.emplace(input);
        if (!job->HasProjectInfo() || !isProjectPath(job->ProjectPath())) {
            err(QStringLiteral("%1: %2").arg(input, kErrorLoadingJob));
            return 1;
        }
        if (!args.isSet("settings") && !job->SettingsFile().isEmpty())
            TIniFile::setSettingsFileOverride(job->SettingsFile());
        input = job->ProjectPath();
        inputs.add(input);
    }
    // Whichever file stands for the settings now (Listora.INI, the job's
    // copy) is opened as --settings is.
    if (!args.isSet("settings") && !settingsFileIsReadable(TIniFile::resolve(kSettingsFileName)))
        return 1;
    inputs.add(TIniFile::resolve(kSettingsFileName));
    if (args.isSet("settings")) inputs.add(args.value("settings"));
    if (!outline && !outputsAreSafe(args, inputs, 0)) return 1;
    const TJobRevision jobRevision = job ? job->Revision() : TJobRevision{};
    const bool changeListing =
        args.isSet("changed-since") || args.isSet("changed") || !jobRevision.Since.isEmpty();
    if (!changeListing && (args.isSet("change-bars") || args.isSet("ignore-space-change"))) {
        err(QStringLiteral("--change-bars and --ignore-space-change go with --changed-since REV "
                           "or --changed REV1..REV2"));
        return 2;
    }
    if (changeListing && (input == "-" || glossary)) {
        err(QStringLiteral("a change listing needs a project or a source file in a git work "
                           "tree"));
        return 2;
    }
    if (args.isSet("changed-since") && args.isSet("changed")) {
        err(QStringLiteral("--changed-since and --changed: choose one"));
        return 2;
    }
    if (changeListing && !args.isSet("change-bars") && !args.values("select").isEmpty()) {
        err(QStringLiteral("--select chooses what a change listing marks itself; with "
                           "--change-bars it chooses what is printed"));
        return 2;
    }
    const std::unique_ptr<TChangeHistory> changes =
        changeListing ? openHistory(args, input, jobRevision) : nullptr;
    if (changes) input = changes->ProjectToLoad();
    QList<TSelection> selections;
    for (const QString& s : args.values("select")) {
        const qsizetype colon = s.indexOf(':');
        if (colon <= 0) {
            err(QStringLiteral("--select takes FILE:PROCEDURE, not \"%1\"").arg(s));
            return 2;
        }
        selections.append({s.left(colon), s.mid(colon + 1)});
    }

    TStderrProgress progress;
    TSourceCodePrint formatter(&progress);
    // A count has no use for bookmarks and links (they never move a line).
    formatter.RecordNavigation = !countOnly && !args.isSet("no-navigation");
    formatter.LoadSettings();
    for (const QString& problem : formatter.Settings.Problems)
        err(QStringLiteral("settings: %1").arg(problem));
    if (args.isSet("line-numbers")) formatter.Settings.LineNumbers = true;
    if (args.isSet("callers")) formatter.Settings.Callers = true;
    if (args.isSet("xref")) formatter.Settings.Xref = true;
    if (args.isSet("keywords")) {
        const QString emphasis = args.value("keywords").toLower();
        if (emphasis != "bold" && emphasis != "none") {
            err(QStringLiteral("--keywords takes bold or none, not \"%1\"").arg(emphasis));
            return 2;
        }
        formatter.Settings.KeywordEmphasis = emphasis == "bold" ? 1 : 0;
    }
    RegisterOptionFonts(formatter.Settings);
    if (args.isSet("paper")) {
        TPaper paper;
        if (!paperFromName(args.value("paper"), paper)) {
            err(QStringLiteral("--paper takes a4, letter or legal, not \"%1\"")
                    .arg(args.value("paper")));
            return 2;
        }
        formatter.SetPaper(paper);
    }
    formatter.SetPageDefaults(TFont(QStringLiteral("Arial"), 10), TPen{},
                              TBrush{clWhite, TBrushStyle::Solid});
    const int codePage = formatter.Settings.CodePage;
    TSourceMgt sources(&progress, codePage);

    // The callers and the cross-reference are read from a project's names:
    // a lone file or standard input would silently print without them.
    auto refuseProjectOnly = [&] {
        for (const char* option : {"xref", "callers"})
            if (args.isSet(option)) {
                err(QStringLiteral("--%1 needs a project (.VBP or .MAK)")
                        .arg(QLatin1String(option)));
                return true;
            }
        return false;
    };
    if (input == "-") {
        if (outline) {
            err(unused ? QStringLiteral("--unused needs a project (.VBP or .MAK)")
                       : QStringLiteral("--outline needs a project or a source file"));
            return 2;
        }
        if (refuseProjectOnly()) return 2;
        formatter.CurrentProcName = QStringLiteral("ClipBoard Print");
        formatter.CurrentFileName = QStringLiteral("Clipboard Print");
        formatter.BuildFromLines(readStandardInput(codePage), nullptr);
    } else {
        if (!QFileInfo::exists(input)) {
            err(QStringLiteral("%1: no such file").arg(input));
            return 1;
        }
        if (!IsASCIIFile(input) || !IsBelowSizeLimit(input)) {
            err(QStringLiteral("The file chosen (%1) is either not a text file or over 200K. It "
                               "cannot be processed.")
                    .arg(input));
            return 1;
        }
        if (unused && !isProjectFile(input)) {
            err(QStringLiteral("--unused needs a project (.VBP or .MAK)"));
            return 2;
        }
        if (isProjectFile(input)) {
            QString jobTitle;
            // The loader has said why (on standard error).
            if (!LoadProjectFile(sources, input, jobTitle)) return 1;
            formatter.JobTitle = jobTitle;
            inputs.addProject(sources);
            if (!outline && !outputsAreSafe(args, inputs, 0)) return 1;
            sources.AnalyzeProject();
        } else {
            if (!selections.isEmpty() && !changes) {
                err(QStringLiteral("--select needs a project (.VBP or .MAK)"));
                return 2;
            }
            if (!changes && !outline && refuseProjectOnly()) return 2;
            RFile* file = sources.AddFile();
            file->Path = QFileInfo(input).absoluteFilePath();
            file->FileName = QFileInfo(input).fileName();
            file->DisplayName = file->FileName;
            file->Ext = "." + QFileInfo(input).suffix().toUpper();
            formatter.JobTitle = file->Path;
            // A change listing prints the file's changed sections.
            if (outline || changes) {
                sources.LoadFileText(*file);
                sources.AnalyzeFile(*file);
            }
        }
        if (job && selections.isEmpty()) {
            if (!job->PrintMarksFile().isEmpty()) sources.LoadPrintMarks(job->PrintMarksFile());
        } else if (const QList<TSelection> unmatched = applySelections(sources, selections);
                   !unmatched.isEmpty()) {
            // A mistyped name beside a good one would silently print less.
            for (const TSelection& s : unmatched)
                err(QStringLiteral("--select %1:%2 matched no section (see --outline)")
                        .arg(s.file, s.section));
            return 1;
        }
        if (changes) {
            changes->Mark(sources, !args.isSet("change-bars"));
            changes->Apply(formatter);
            bool any = !changes->Removed().isEmpty();
            for (RFile* file = sources.FirstFile(); file && file->Next; file = file->Next)
                any |= TSourceMgt::HasMarkedSections(*file);
            if (!any && !args.isSet("change-bars"))
                err(QStringLiteral("note: no changes to print (%1)").arg(changes->Title()));
        }
        if (unused) {
            printUnused(sources);
            return 0;
        }
        if (outline) {
            printOutline(sources, changes.get());
            return 0;
        }
        if (glossary) {
            // Every file and section, as the hidden glossary commands take.
            const QStringList lines = formatter.BuildGlossary(
                glossaryKind == "basic" ? TGlossaryKind::Basic : TGlossaryKind::Deluxe, sources);
            formatter.CurrentFileName = QFileInfo(input).fileName();
            formatter.CurrentProcName = QStringLiteral("Function Glossary");
            formatter.BuildPlain(lines, nullptr);
        } else if (isProjectFile(input) || changes) {
            formatter.BuildProject(sources.FirstFile(), sources);
        } else {
            formatter.BuildFromFile(input, nullptr);
        }
    }

    for (const QString& note : formatter.BuildNotes)
        err(QStringLiteral("note: %1").arg(note));
    TPageStorage& pages = formatter.Pages;
    if (!outputsAreSafe(args, inputs, pages.PageCount())) return 1;
    if (args.isSet("o")) {
        if (formatter.RecordNavigation)
            WriteListingPdf(pages, args.value("o"), formatter.DocumentTitle(), jobs);
        else
            WritePlainPdf(pages, args.value("o"), jobs);
    }
    if (args.isSet("png"))
        WritePagesToPng(pages, args.value("png"), dpi, jobs,
                        [&](const QString& path) { return !inputs.readFileAt(path).isEmpty(); });
    const QString count = sheetCountText(countSheets(pages, formatter.Settings.TwoPage));
    // With the PDF on standard output, the count must not end up inside it.
    const bool pdfOnStdout = args.isSet("o") && IsStandardOutput(args.value("o"));
    if (pdfOnStdout)
        std::fprintf(stderr, "%s\n", count.toLocal8Bit().constData());
    else
        out(count);
    if (args.isSet("P")) {
        const int status = printOnQueue(pages, queueJob);
        if (status != 0) return status;
    }
    if (args.isSet("check")) return checkPages(formatter, pdfOnStdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // A batch command must run on a machine without a display.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietQtMessages);
    TCommandMessages messages;
    setMessageService(&messages);
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Listora"));
    QGuiApplication::setApplicationVersion(QLatin1String(kListoraVersion));

    QCommandLineParser args;
    args.setApplicationDescription(QString::fromUtf8(kHelp));
    args.addHelpOption();
    args.addVersionOption();
    args.addPositionalArgument("INPUT",
                               "Project (.VBP/.MAK), source file, or - for standard input.");
    args.addOption({{"o", "output"},
                    "Write the pages to the PDF file OUT (\"-\": standard output). An existing "
                    "file is replaced only by a complete PDF; a file this run reads is never "
                    "replaced.",
                    "OUT.pdf"});
    args.addOption({"png",
                    "Write one PNG per sheet into DIR (page-001.png, ...); page images of that "
                    "name that Listora wrote beyond this listing's last are removed. One run at "
                    "a time per DIR: a second is refused while the first writes.",
                    "DIR"});
    args.addOption({"no-navigation",
                    "Write the PDF without bookmarks, links, page labels and document "
                    "information."});
    args.addOption({"P",
                    "Print the pages on the CUPS printer QUEUE (as lpstat -p lists them), one "
                    "job per copy.",
                    "QUEUE"});
    args.addOption({"copies", "With -P: the number of copies (default 1).", "N"});
    args.addOption({"pages", "With -P: print only pages FROM to TO of the listing.", "FROM-TO"});
    args.addOption({"dpi", "Resolution of --png pages (default 96).", "N", "96"});
    args.addOption({"jobs",
                    "Draw the pages of -o and --png with N workers side by side, each a run of "
                    "consecutive sheets (default: one per core available; 1: one at a time; "
                    "at most 4 per core). --png uses fewer when the page images would take "
                    "more than 300 MB together. Printing with -P always uses one.",
                    "N"});
    args.addOption({"select",
                    "Print only this section: FILE is a member's file name (any letter case), "
                    "PROCEDURE a section name as --outline shows it, \"File Declarations\" the "
                    "declarations, \"*\" every section of the file. Repeatable.",
                    "FILE:PROCEDURE"});
    args.addOption(
        {"line-numbers", "Print each source line's number in the file left of the code."});
    args.addOption({"callers",
                    "Print under each procedure's heading the procedures of the project that "
                    "call it, with the pages of their headings (linked in the PDF); past two "
                    "lines, \"and N more\". Callers whose heading is not printed are named "
                    "without a page. Project listings only."});
    args.addOption({"keywords",
                    "bold: print the Visual Basic keywords of code in the bold face of the code "
                    "font; none (default): as the rest of the code.",
                    "EMPHASIS"});
    args.addOption({"paper",
                    "Lay the listing out on PAPER: a4, letter or legal (default: the Page "
                    "Setup choice, letter when there is none).",
                    "PAPER"});
    args.addOption({"settings", "Read the settings from FILE instead of Listora.INI.", "FILE"});
    args.addOption({"outline",
                    "Print the files and sections of INPUT instead of pages (in a change "
                    "listing with why each is marked, and what was removed)."});
    args.addOption({"unused",
                    "Print the procedures, variables and constants of the project that nothing "
                    "in it uses, tab-separated (file, kind, scope, name, line), instead of "
                    "pages. Event handlers VB calls itself, Main as the start-up object and "
                    "the Public members of a library's or control project's classes are left "
                    "out."});
    args.addOption({"xref",
                    "Print the cross-reference after the function index: every procedure, "
                    "module-level variable, constant, Type, Enum and Declare with where it is "
                    "defined and the pages that use it (\"*\": the use assigns), then the "
                    "names nothing uses (as [reports] xref=1)."});
    args.addOption({"changed-since",
                    "Print only what changed since git revision REV (HEAD, HEAD~3, a tag, a "
                    "branch, a hash): the work tree as it is, with staged and unstaged edits, "
                    "against the files at REV. Sections with added, changed or deleted lines "
                    "are marked, new files whole; bars mark the changed lines.",
                    "REV"});
    args.addOption({"changed",
                    "As --changed-since, between two revisions: REV2's files as stored, "
                    "against REV1's.",
                    "REV1..REV2"});
    args.addOption({"ignore-space-change",
                    "In a change listing, lines that differ only in white space are the same."});
    args.addOption({"change-bars",
                    "With --changed-since or --changed: print every section (or those "
                    "--select names), with the bars beside the changed lines."});
    args.addOption({"count", "Lay out the listing and print only the page count."});
    args.addOption({"check",
                    "Check the geometry of every page (nothing off the sheet, no line through "
                    "text, no overlapping code, code inside its column, brackets inside their "
                    "area, drawing state set by each page, each link of code on its name and "
                    "leading to that procedure's heading) and print each finding with its page "
                    "and position; exit status 1 when there is any."});
    args.addOption({"glossary",
                    "Print the function glossary of the project instead of its listing: every "
                    "procedure with the description its header comment gives. KIND is basic "
                    "(files on halves of their own, with a note) or deluxe.",
                    "KIND"});
    // Names as the bytes given: an output name that is no UTF-8 is written
    // under exactly those bytes (QApplication's arguments lose them).
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << DecodeFileName(QByteArray(argv[i]));
    args.process(arguments);

    try {
        return run(args);
    } catch (const TListoraError& e) {
        err(e.message());
    } catch (const std::exception& e) {
        err(QString::fromLocal8Bit(e.what()));
    }
    return 1;
}
