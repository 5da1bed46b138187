// Saved jobs: what goes into a ".LRP", what comes back out, and what a
// crafted one cannot do.
#include "archive/Compress.h"
#include "common/GitTestRepo.h"
#include "common/TestSupport.h"
#include "format/ProjectSettingsFile.h"
#include "format/SourceCodePrint.h"
#include "platform/AtomicFile.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using testsupport::readFile;
using testsupport::writeFile;

QString settingsPath() {
    return TIniFile::resolve(kSettingsFileName);
}
QString backupPath() {
    return QFileInfo(settingsPath()).dir().filePath("LISTORA.OLD");
}

// A copy of the example project in a scratch folder, loaded and analysed.
class JobFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.isValid());
        const QDir example(testsupport::sourceDir() + "/examples/Demo");
        for (const QString& name : example.entryList(QDir::Files))
            QFile::copy(example.filePath(name), path(name));
        project = path("Demo.vbp");
        QFile::remove(settingsPath());
        QFile::remove(backupPath());
        TIniFile ini;
        ini.writeString("PAGELAYOUT", "Header", "Job %f");
        ini.writeBool("pagelayout", "twopage", false);
    }
    void TearDown() override {
        QFile::remove(settingsPath());
        QFile::remove(backupPath());
    }
    QString path(const QString& name) const { return scratch.filePath(name); }

    std::unique_ptr<TSourceMgt> load(const QString& vbp) {
        auto sources = std::make_unique<TSourceMgt>();
        testsupport::loadProject(*sources, vbp, false);
        return sources;
    }
    static QStringList marks(const TSourceMgt& sources) {
        return testsupport::markedSections(sources);
    }
    static void markEveryOther(TSourceMgt& sources) {
        int n = 0;
        for (RFile* f = sources.FirstFile(); f->Next; f = f->Next)
            for (RFunction* s = f->Functions; s->Next; s = s->Next)
                s->Marked = (n++ % 2 == 0);
    }
    static int pageCount(TSourceMgt& sources) {
        TSourceCodePrint formatter;
        formatter.LoadSettings();
        formatter.SetPageDefaults(TFont("Arial", 10), TPen{}, TBrush{clWhite, TBrushStyle::Solid});
        formatter.BuildProject(sources.FirstFile(), sources);
        return formatter.Pages.PageCount();
    }

    QTemporaryDir scratch;
    QString project;
};

TEST_F(JobFixture, SavedJobRestoresMarksSettingsAndPagesAfterChanges) {
    auto sources = load(project);
    markEveryOther(*sources);
    const QStringList savedMarks = marks(*sources);
    ASSERT_GE(savedMarks.size(), 2);
    const QByteArray savedSettings = readFile(settingsPath());
    const int savedPages = pageCount(*sources);
    TSourceCodePrint formatter;
    formatter.LoadSettings();
    SaveProjectSettingsFile(path("job.lrp"), project, *sources, formatter);

    // Change everything the job holds.
    TIniFile().writeBool("pagelayout", "twopage", true);
    TIniFile().writeString("PAGELAYOUT", "Header", "Changed");
    const QByteArray changedSettings = readFile(settingsPath());
    ASSERT_NE(changedSettings, savedSettings);

    const TSavedJob job(path("job.lrp"));
    ASSERT_TRUE(job.HasProjectInfo());
    EXPECT_EQ(job.ProjectPath(), project);
    EXPECT_TRUE(job.Revision().Since.isEmpty());
    EXPECT_FALSE(job.Folder().startsWith(QDir::currentPath() + "/"));
    auto reopened = load(job.ProjectPath());
    ASSERT_TRUE(marks(*reopened).isEmpty());
    formatter.RestoreSettingsFrom(job.SettingsFile());
    reopened->LoadPrintMarks(job.PrintMarksFile());

    EXPECT_EQ(marks(*reopened), savedMarks);
    EXPECT_EQ(readFile(settingsPath()), savedSettings);
    EXPECT_EQ(readFile(backupPath()), changedSettings);
    EXPECT_EQ(pageCount(*reopened), savedPages);
}

TEST_F(JobFixture, ArchiveMembersReadBackByteExactWithTheArchiveReader) {
    auto sources = load(project);
    markEveryOther(*sources);
    TSourceCodePrint formatter;
    SaveProjectSettingsFile(path("job.lrp"), project, *sources, formatter);

    TCompress archive;
    QList<RArchiveEntry> entries;
    archive.ScanArchive(path("job.lrp"), entries);
    QStringList names;
    for (const RArchiveEntry& e : entries)
        names << e.Name;
    // Written with the LZH method (a member that does not shrink is stored).
    EXPECT_EQ(readFile(path("job.lrp")).mid(5, 3), "LZH");
    EXPECT_EQ(names, QStringList({"projectinfo", "projectprint", "projectparams"}));

    QTemporaryDir out;
    archive.setTargetPath(out.path());
    archive.ExpandFiles(path("job.lrp"));
    const QByteArray info = readFile(out.filePath("projectinfo"));
    ASSERT_EQ(info.size(), 256);
    const QByteArray pathBytes = project.toUtf8();
    EXPECT_EQ(static_cast<unsigned char>(info[0]), pathBytes.size());
    EXPECT_EQ(info.mid(1, pathBytes.size()), pathBytes);
    EXPECT_EQ(info.mid(1 + pathBytes.size()), QByteArray(255 - pathBytes.size(), '\0'));
    EXPECT_EQ(readFile(out.filePath("projectparams")), readFile(settingsPath()));

    QTemporaryDir direct;
    sources->SavePrintMarks(project, direct.path());
    EXPECT_EQ(readFile(out.filePath("projectprint")), readFile(direct.filePath("PROJECTPRINT")));
    // Nothing is left in the current folder.
    EXPECT_FALSE(QFileInfo::exists("PROJECTINFO"));
    EXPECT_FALSE(QFileInfo::exists("PROJECTPRINT"));
    EXPECT_FALSE(QFileInfo::exists("PROJECTPARAMS"));
}

TEST_F(JobFixture, WithoutASettingsFileTheJobKeepsAnEmptyCopyThatRestoresTheDefaults) {
    QFile::remove(settingsPath());
    auto sources = load(project);
    TSourceCodePrint formatter;
    SaveProjectSettingsFile(path("fresh.lrp"), project, *sources, formatter);
    const TSavedJob job(path("fresh.lrp"));
    ASSERT_FALSE(job.SettingsFile().isEmpty());
    EXPECT_EQ(QFileInfo(job.SettingsFile()).size(), 0);

    TIniFile().writeString("PAGELAYOUT", "Header", "Mine");
    formatter.RestoreSettingsFrom(job.SettingsFile());
    EXPECT_EQ(TIniFile().readString("PAGELAYOUT", "Header", "default"), "default");
    EXPECT_TRUE(QFileInfo::exists(backupPath()));
}

TEST_F(JobFixture, SectionNamesBeyond222CharactersNoLongerMatch) {
    const QString shortName = QString("S").repeated(200);
    const QString longName = QString("L").repeated(223);
    writeFile(path("Long.vbp"), "Type=Exe\r\nModule=Long; Long.bas\r\nName=\"Long\"\r\n"
                                "ThreadPerObject=0\r\n");
    writeFile(path("Long.bas"), ("Attribute VB_Name = \"Long\"\r\nPublic Sub " + shortName +
                                 "()\r\nEnd Sub\r\nPublic Sub " + longName + "()\r\nEnd Sub\r\n")
                                    .toUtf8());
    auto sources = load(path("Long.vbp"));
    int sections = 0;
    for (RFunction* s = sources->FirstFile()->Functions; s->Next; s = s->Next) {
        s->Marked = s->Name.contains(shortName) || s->Name.contains(longName);
        sections += s->Marked;
    }
    ASSERT_EQ(sections, 2);
    TSourceCodePrint formatter;
    SaveProjectSettingsFile(path("long.lrp"), path("Long.vbp"), *sources, formatter);

    const TSavedJob job(path("long.lrp"));
    auto reopened = load(job.ProjectPath());
    reopened->LoadPrintMarks(job.PrintMarksFile());
    const QStringList marked = marks(*reopened);
    ASSERT_EQ(marked.size(), 1);
    EXPECT_TRUE(marked.first().contains(shortName));
}

TEST_F(JobFixture, PathTooLongForTheJobIsRefusedAndNothingIsWritten) {
    auto sources = load(project);
    TSourceCodePrint formatter;
    const QString longPath = "/" + QString("d").repeated(250) + "/Project.vbp";
    ASSERT_FALSE(fitsProjectInfo(longPath));
    try {
        SaveProjectSettingsFile(path("long.lrp"), longPath, *sources, formatter);
        FAIL() << "saved a job whose project path would be cut";
    } catch (const TListoraError& e) {
        EXPECT_TRUE(e.message().contains("255")) << e.message().toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(path("long.lrp")));

    // The limit counts bytes, so a path with accented letters is cut sooner.
    EXPECT_TRUE(fitsProjectInfo("/" + QString("a").repeated(254)));
    EXPECT_FALSE(fitsProjectInfo("/" + QString("a").repeated(255)));
    EXPECT_FALSE(fitsProjectInfo("/" + QString(QChar(0xE9)).repeated(128)));
}

TEST_F(JobFixture, BatchCommandPrintsAJobWithItsMarksAndSettingsLeavingMineAlone) {
    const QString exe = testsupport::binaryDir() + "/bin/listora-print";
    if (!QFileInfo(exe).isExecutable()) GTEST_SKIP() << "listora-print is not built";
    auto sources = load(project);
    markEveryOther(*sources);
    TSourceCodePrint formatter;
    SaveProjectSettingsFile(path("job.lrp"), project, *sources, formatter);
    const int expected = pageCount(*sources); // one page per sheet, as saved
    auto all = load(project);
    testsupport::markAll(*all);
    ASSERT_NE(pageCount(*all), expected);

    TIniFile().writeBool("pagelayout", "twopage", true);
    const QByteArray mine = readFile(settingsPath());
    QProcess p;
    p.start(exe, {path("job.lrp"), "--count"});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).trimmed(),
              QString("%1 Pages").arg(expected));
    EXPECT_EQ(readFile(settingsPath()), mine);

    SaveProjectSettingsFile(path("bad.lrp"), path("modLedger.bas"), *sources, formatter);
    p.start(exe, {path("bad.lrp"), "--count"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(
        QString::fromUtf8(p.readAllStandardError()).contains("Error Loading Project File."));
}

// A job saved after "Mark Changed Since..." keeps the revision; the batch
// command marks what changed since it, not the saved marks.
TEST_F(JobFixture, AJobKeepsItsRevisionAndTheBatchCommandMarksWhatChangedSinceIt) {
    TTestRepo::commitFolder(scratch.path());
    QByteArray ledger = readFile(path("modLedger.bas"));
    ASSERT_TRUE(ledger.contains("    running = balance\r\n"));
    writeFile(path("modLedger.bas"),
              ledger.replace("    running = balance\r\n", "    running = balance * 1\r\n"));
    auto sources = load(project);
    markEveryOther(*sources);
    TSourceCodePrint formatter;
    SaveProjectSettingsFile(path("job.lrp"), project, *sources, formatter, {"HEAD~0", true});
    const TSavedJob job(path("job.lrp"));
    EXPECT_EQ(job.Revision().Since, "HEAD~0");
    EXPECT_TRUE(job.Revision().IgnoreSpace);

    const QString exe = testsupport::binaryDir() + "/bin/listora-print";
    if (!QFileInfo(exe).isExecutable()) GTEST_SKIP() << "listora-print is not built";
    QProcess p;
    p.start(exe, {path("job.lrp"), "--outline"});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QStringList marked;
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    for (const QString& line : out.split(QChar(10)))
        if (line.startsWith(' ') && line.split('\t').value(4) == "marked")
            marked << line.split('\t').value(0).trimmed();
    EXPECT_EQ(marked, QStringList{"MonthlyInterest"}) << out.toStdString();
}

TEST_F(JobFixture, SavingOverAJobReplacesItWholeAndNeverOverTheSource) {
    auto sources = load(project);
    TSourceCodePrint formatter;
    SaveProjectSettingsFile(path("job.lrp"), project, *sources, formatter);
    const QByteArray saved = readFile(path("job.lrp"));

    // The disk fills up while the new job is written: the old one stays.
    markEveryOther(*sources);
    TAtomicFile::setWriteLimitForTesting(100);
    EXPECT_THROW(SaveProjectSettingsFile(path("job.lrp"), project, *sources, formatter),
                 TListoraError);
    TAtomicFile::setWriteLimitForTesting(-1);
    EXPECT_EQ(readFile(path("job.lrp")), saved);
    EXPECT_TRUE(
        QDir(scratch.path()).entryList({"*listora-part*"}, QDir::Hidden | QDir::Files).isEmpty());

    // Replaced, not merged with: a stray member of the old file is gone.
    writeFile(path("stray"), "stray");
    TCompress extra;
    extra.setTargetPath(scratch.path());
    extra.CompressFiles(path("job.lrp"), {path("stray")}, cmLZH);
    SaveProjectSettingsFile(path("job.lrp"), project, *sources, formatter);
    QList<RArchiveEntry> entries;
    TCompress().ScanArchive(path("job.lrp"), entries);
    EXPECT_EQ(entries.size(), 3);

    // The project file and its members are never replaced by a job.
    for (const QString& source : {project, path("modLedger.bas")}) {
        const QByteArray before = readFile(source);
        EXPECT_THROW(SaveProjectSettingsFile(source, project, *sources, formatter), TListoraError);
        EXPECT_EQ(readFile(source), before);
    }
}

TEST_F(JobFixture, AJobsSettingsCopyCannotSwitchOnTheDiagnosticDumps) {
    auto sources = load(project);
    TSourceCodePrint formatter;
    TIniFile().writeBool("general", "DEBUGFLAG", true);
    SaveProjectSettingsFile(path("job.lrp"), project, *sources, formatter);
    TIniFile().writeBool("general", "DEBUGFLAG", false);

    const TSavedJob job(path("job.lrp"));
    const QByteArray copy = readFile(job.SettingsFile());
    EXPECT_TRUE(copy.contains("Job %f")) << "the rest of the copy is kept";
    EXPECT_FALSE(TIniFile(job.SettingsFile()).readBool("general", "DEBUGFLAG", true));
    formatter.RestoreSettingsFrom(job.SettingsFile());
    EXPECT_FALSE(debugFlag());
    EXPECT_FALSE(TIniFile().readBool("general", "DEBUGFLAG", false));
}

TEST(ProjectInfo, PathIsReadBackWithItsLengthByteAndEncoding) {
    QByteArray info(256, '\0');
    const QByteArray utf8 = QString("/home/ren\u00e9/Proj.vbp").toUtf8();
    info[0] = static_cast<char>(utf8.size());
    std::copy(utf8.begin(), utf8.end(), info.begin() + 1);
    info[1 + utf8.size()] = 'X'; // beyond the length: ignored
    EXPECT_EQ(projectPathFromInfo(info), QString("/home/ren\u00e9/Proj.vbp"));

    // Written on Windows: a code-page path.
    QByteArray cp(256, '\0');
    const QByteArray win("C:\\Caf\xe9\\A.MAK");
    cp[0] = static_cast<char>(win.size());
    std::copy(win.begin(), win.end(), cp.begin() + 1);
    EXPECT_EQ(projectPathFromInfo(cp), QString("C:\\Caf\u00e9\\A.MAK"));
    EXPECT_TRUE(projectPathFromInfo(QByteArray()).isEmpty());
}

// An archive whose members carry the given stored names (on this system a
// backslash is an ordinary letter of a file name).
void writeCraftedJob(const QString& lrp, const QStringList& storedNames, const QString& folder) {
    QStringList files;
    QDir(folder).mkpath("sub");
    for (const QString& name : storedNames) {
        const QString file = folder + "/" + name;
        QDir().mkpath(QFileInfo(file).absolutePath());
        writeFile(file, "crafted");
        files << file;
    }
    TCompress archive;
    archive.setTargetPath(folder);
    archive.CompressFiles(lrp, files, cmLZH);
    for (const QString& file : files)
        QFile::remove(file);
    QList<RArchiveEntry> entries;
    archive.ScanArchive(lrp, entries);
    ASSERT_EQ(entries.size(), storedNames.size());
    ASSERT_EQ(entries.last().Name, storedNames.last().toLower());
}

TEST(CraftedJob, MembersThatLeaveThePrivateFolderAreRefusedBeforeAnythingIsWritten) {
    QTemporaryDir scratch;
    const QDir root(scratch.path());
    root.mkpath("src");
    root.mkpath("tmp/a/b");
    const QByteArray oldTmp = qgetenv("TMPDIR");
    // The private folder then lies two levels below the scratch folder.
    qputenv("TMPDIR", root.filePath("tmp/a/b").toUtf8());
    const bool tmpXExisted = QFileInfo::exists("/tmp/x");

    for (const QStringList& names :
         {QStringList{"projectinfo", "..\\..\\x"}, QStringList{"\\tmp\\x"},
          QStringList{"projectparams", "sub/../../x"}}) {
        const QString lrp = root.filePath("crafted.lrp");
        QFile::remove(lrp);
        writeCraftedJob(lrp, names, root.filePath("src"));
        EXPECT_THROW(TSavedJob job(lrp), TListoraError) << names.join(",").toStdString();
        EXPECT_FALSE(QFileInfo::exists(root.filePath("tmp/a/x")));
        EXPECT_FALSE(QFileInfo::exists(root.filePath("tmp/x")));
        EXPECT_FALSE(QFileInfo::exists(root.filePath("x")));
        EXPECT_EQ(QDir(root.filePath("tmp/a/b")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList());
    }
    if (!tmpXExisted) {
        EXPECT_FALSE(QFileInfo::exists("/tmp/x"));
    }
    if (oldTmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTmp);
}

} // namespace
