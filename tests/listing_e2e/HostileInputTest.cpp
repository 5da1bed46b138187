// The batch command against absurd settings and resources: every run either
// prints the whole listing (saying what it adjusted) or refuses with one
// clear message and a non-zero status; never a partial listing with 0.
#include "archive/Compress.h"
#include "common/TestSupport.h"
#include "platform/IniFile.h"
#include "render/PageStorage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using testsupport::runPrint;
using TRun = testsupport::TPrintRun;

class HostileInput : public ::testing::Test {
protected:
    void SetUp() override {
        QString text;
        for (int i = 0; i < 400; ++i)
            text += QStringLiteral("    x = x + %1 ' line %1\r\n").arg(i);
        source = dir.filePath("m.bas");
        testsupport::writeFile(source, ("Sub Main()\r\n" + text + "End Sub\r\n").toUtf8());
    }
    QString settings(const QByteArray& text) {
        testsupport::writeFile(dir.filePath("s.ini"), text);
        return dir.filePath("s.ini");
    }
    int pagesWith(const QByteArray& ini) {
        const TRun r = runPrint({source, "--settings", settings(ini), "--count"});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        return QStringView(r.out).trimmed().split(' ').first().toInt();
    }

    QTemporaryDir dir;
    QString source;
};

} // namespace

TEST_F(HostileInput, OutOfRangeSettingsGiveTheWholeListingAndSayWhatWasAdjusted) {
    const struct {
        QByteArray ini;
        QByteArray same; // the in-range settings it must equal
        QString report;
    } cases[] = {
        {"[margins]\nleft=-5000\n", "[margins]\nleft=13\n", "[margins] left=-5000"},
        {"[general]\nsbl=-1000000\n", "[general]\nsbl=0\n", "[general] sbl=-1000000"},
        {"[general]\nsbl=2147483647\n", "[general]\nsbl=96\n", "[general] sbl=2147483647"},
        {"[code]\nTSize=2147483647\n", "[code]\nTSize=72\n", "[code] TSize=2147483647"},
    };
    for (const auto& c : cases) {
        const TRun r = runPrint({source, "--settings", settings(c.ini), "--count"});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << "one report line: " << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith("listora-print: settings: " + c.report))
            << r.err.toStdString();
        const int pages = QStringView(r.out).trimmed().split(' ').first().toInt();
        EXPECT_EQ(pages, pagesWith(c.same)) << c.ini.toStdString();
    }
}

TEST_F(HostileInput, SettingsThatCannotWorkAreRefusedWithoutOutput) {
    const QString pdf = dir.filePath("out.pdf");
    for (const QByteArray& ini :
         {QByteArray("[brackets]\nnestedindent=999\n"),
          // (Header and footer fonts shrink to fit their room, so only the
          // code font can take the last of it.)
          QByteArray("[pagelayout]\ntwopage=1\n[margins]\ntop=400\nbottom=400\n"
                     "[code]\nTSize=72\n")}) {
        const TRun r = runPrint({source, "--settings", settings(ini), "-o", pdf});
        EXPECT_EQ(r.status, 1) << ini.toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << "no page count for a refused listing";
        EXPECT_FALSE(QFileInfo::exists(pdf));
    }
}

TEST_F(HostileInput, MissingOrUnreadableSettingsFilesAreErrors) {
    const TRun missing = runPrint({source, "--settings", dir.filePath("none.ini"), "--count"});
    EXPECT_EQ(missing.status, 1);
    const QString locked = settings("[general]\nsbl=3\n");
    QFile::setPermissions(locked, QFileDevice::Permissions());
    if (QFile f(locked); f.open(QIODevice::ReadOnly)) GTEST_SKIP() << "running as root";
    const TRun unreadable = runPrint({source, "--settings", locked, "--count"});
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_TRUE(unreadable.err.contains("cannot read the settings file"))
        << unreadable.err.toStdString();
}

TEST_F(HostileInput, ResolutionWorkersAndStandardInputHaveClearLimits) {
    for (const QString dpi : {"0", "-5", "abc", "601", "2147483647"}) {
        const TRun r = runPrint({source, "--png", dir.filePath("png"), "--dpi", dpi});
        EXPECT_EQ(r.status, 2) << dpi.toStdString();
        EXPECT_EQ(r.err, QStringLiteral("listora-print: --dpi takes a number from 1 to 600, not "
                                        "\"%1\"\n")
                             .arg(dpi));
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("png/page-001.png")));
    }
    const int most = 4 * QThread::idealThreadCount();
    for (const QString& jobs : QStringList{"0", "-1", "two", QString::number(most + 1)}) {
        const TRun r = runPrint({source, "-o", dir.filePath("out.pdf"), "--jobs", jobs});
        EXPECT_EQ(r.status, 2) << jobs.toStdString();
        EXPECT_EQ(r.err, QStringLiteral("listora-print: --jobs takes a number from 1 to %1 (4 per "
                                        "core), not \"%2\"\n")
                             .arg(most)
                             .arg(jobs));
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("out.pdf")));
    }

    QByteArray text = "Sub A()\r\nEnd Sub\r\n";
    const TRun small = runPrint({"-", "--count"}, text);
    EXPECT_EQ(small.status, 0) << small.err.toStdString();
    text.append(QByteArray((64 << 20) - text.size() + 1, 'x'));
    const TRun big = runPrint({"-", "--count"}, text);
    EXPECT_EQ(big.status, 1);
    EXPECT_EQ(big.err, "listora-print: standard input is larger than 64 MB; split the text and "
                       "print each part on its own\n");
}

TEST_F(HostileInput, ASettingsFileThatCannotBeReadIsRefusedAndABadValueIsReportedOnce) {
    const QString ini = TIniFile::resolve(kSettingsFileName);
    const QString expected = "listora-print: cannot read the settings file %1: %2\n";
    // The default file is opened as --settings is: no pipe, device or
    // folder, and no link to one, is read.
    const auto refused = [&](const QString& path, const QString& why, const QStringList& extra) {
        const TRun r = runPrint(QStringList{source, "--count"} + extra);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, expected.arg(path, why));
        EXPECT_TRUE(r.out.isEmpty());
    };
    ASSERT_EQ(::mkfifo(QFile::encodeName(ini).constData(), 0600), 0);
    refused(ini, "it is not a regular file", {});
    QFile::remove(ini);
    ASSERT_TRUE(QFile::link("/dev/zero", ini));
    refused(ini, "it is not a regular file", {});
    QFile::remove(ini);
    const QString pipe = dir.filePath("pipe.ini");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    refused(pipe, "it is not a regular file", {"--settings", pipe});

    // A value that is no number is reported once, with the value used.
    const TRun r =
        runPrint({source, "--settings", settings("[margins]\nleft=abc\n[pagelayout]\ntwopage=+1\n"),
                  "--count"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err,
              "listora-print: settings: [pagelayout] twopage=+1 cannot be read as a whole "
              "number; 1 is used\n"
              "listora-print: settings: [margins] left=abc cannot be read as a whole number; "
              "50 is used\n");
    EXPECT_EQ(QStringView(r.out).trimmed().split(' ').first().toInt(), pagesWith(""));
}

TEST_F(HostileInput, MembersLeftOutAreNamedAndAProjectWithNoneIsAnError) {
    const QString head = "Type=Exe\r\nReference=*\\G{0}#2.0#0#x.tlb#OLE\r\n";
    QFile::copy(source, dir.filePath("Good.bas"));
    testsupport::writeFile(dir.filePath("some.vbp"),
                           (head + "Module=M; missing.bas\r\nModule=G; GOOD.BAS\r\n"
                                   "ProjWinSize=1,2,3,4\r\n")
                               .toUtf8());
    const TRun some = runPrint({dir.filePath("some.vbp"), "--count"});
    EXPECT_EQ(some.status, 0);
    EXPECT_EQ(some.err, "listora-print: Left out missing.bas: no such file or directory\n");
    EXPECT_EQ(QStringView(some.out).trimmed().split(' ').first().toInt(), pagesWith(""));

    testsupport::writeFile(dir.filePath("none.vbp"),
                           (head + "Module=M; missing.bas\r\nForm=gone.frm\r\n"
                                   "ProjWinSize=1,2,3,4\r\n")
                               .toUtf8());
    const TRun none = runPrint({dir.filePath("none.vbp"), "-o", dir.filePath("none.pdf")});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "listora-print: Left out missing.bas: no such file or directory\n"
                        "listora-print: Left out gone.frm: no such file or directory\n"
                        "listora-print: None of the source files this project names can be "
                        "read; there is nothing to print.\n");
    EXPECT_TRUE(none.out.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("none.pdf")));
}

TEST_F(HostileInput, PagesAndSavedJobsHaveBoundsCheckedBeforeTheMemoryIsSpent) {
    // Two pages a sheet, a page per line: one sheet past the bound.
    QByteArray pages;
    for (int i = 0; i <= 2 * kMaxListingPages; ++i)
        pages += "'///PAGE\r\n";
    const TRun many = runPrint({"-", "--count"}, pages);
    EXPECT_EQ(many.status, 1);
    EXPECT_EQ(many.err, QString("listora-print: The listing runs past %1 pages, the most Listora "
                                "lays out; print fewer files or sections.\n")
                            .arg(kMaxListingPages));
    EXPECT_TRUE(many.out.isEmpty());

    // A job whose settings copy would expand past a settings file's bound is
    // refused from its headers: nothing reaches the temporary folder.
    QDir(dir.path()).mkdir("job");
    const QDir job(dir.filePath("job"));
    QByteArray info(256, '\0');
    const QByteArray project = QFile::encodeName(dir.filePath("p.vbp"));
    info[0] = char(project.size());
    info.replace(1, project.size(), project);
    testsupport::writeFile(job.filePath("projectinfo"), info);
    testsupport::writeFile(job.filePath("projectprint"), "");
    testsupport::writeFile(job.filePath("projectparams"), QByteArray(2 << 20, ';'));
    TCompress archive;
    archive.setTargetPath(job.path());
    archive.CompressFiles(
        dir.filePath("big.lrp"),
        {job.filePath("projectinfo"), job.filePath("projectprint"), job.filePath("projectparams")},
        cmLZH);
    ASSERT_LT(QFileInfo(dir.filePath("big.lrp")).size(), 1 << 20);
    QDir(dir.path()).mkdir("tmp");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", dir.filePath("tmp"));
    const TRun r = runPrint({dir.filePath("big.lrp"), "--count"}, {}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, QString("listora-print: %1 is not a Listora project: its settings copy "
                             "expands to %2 bytes, more than a settings file of 1 MB.\n")
                         .arg(dir.filePath("big.lrp"))
                         .arg(2 << 20));
    // (Qt's runtime folder may appear there too.)
    EXPECT_EQ(QDir(dir.filePath("tmp")).entryList({"listora*"}, QDir::AllEntries | QDir::Hidden),
              QStringList());
}
