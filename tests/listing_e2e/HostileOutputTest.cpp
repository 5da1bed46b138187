// The batch command under bad luck and bad paths: outputs that are its own
// inputs, a full disk, a kill halfway, links, pipes, and its standard error.
#include "common/TestSupport.h"
#include "platform/PrivateFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::readFile;
using testsupport::writeFile;

namespace {

struct TRun {
    int code = -1;
    QByteArray out;
    QString err;
};

class HostileOutput : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QFileInfo(exe).isExecutable()) GTEST_SKIP() << "listora-print is not built";
        const QDir example(testsupport::sourceDir() + "/examples/Demo");
        for (const QString& name : example.entryList(QDir::Files))
            QFile::copy(example.filePath(name), path(name));
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList hidden() const {
        return QDir(dir.path()).entryList({"*listora-part*"}, QDir::Hidden | QDir::Files);
    }
    // Runs the command in the scratch folder and waits for it.
    TRun run(const QStringList& args, QProcess* process = nullptr) {
        QProcess own;
        QProcess& p = process ? *process : own;
        p.setWorkingDirectory(dir.path());
        p.start(exe, args);
        EXPECT_TRUE(p.waitForFinished(120000));
        return {p.exitCode(), p.readAllStandardOutput(),
                QString::fromUtf8(p.readAllStandardError())};
    }

    const QString exe = testsupport::binaryDir() + "/bin/listora-print";
    QTemporaryDir dir;
};

TEST_F(HostileOutput, AnOutputThatIsAnInputIsRefusedBeforeAnythingIsWritten) {
    QFile::link(path("modLedger.bas"), path("link.pdf"));
    QDir().mkpath(path("png"));
    QFile::link(path("frmLedger.frm"), path("png/page-001.png"));
    const QByteArray settings = readFile(path("listing.ini"));
    for (const QStringList& args :
         {QStringList{"modLedger.bas", "-o", "modLedger.bas"},
          QStringList{"Demo.vbp", "-o", "Demo.vbp"},
          QStringList{"Demo.vbp", "-o", "clsAccount.cls"},
          QStringList{"Demo.vbp", "-o", "link.pdf"}, QStringList{"Demo.vbp", "--png", "png"},
          QStringList{"Demo.vbp", "--settings", "listing.ini", "-o", "listing.ini"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const TRun r = run(args);
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.startsWith("listora-print: refusing to write")) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
    const QDir example(testsupport::sourceDir() + "/examples/Demo");
    for (const QString& name : example.entryList(QDir::Files))
        EXPECT_EQ(readFile(path(name)), readFile(example.filePath(name))) << name.toStdString();
    EXPECT_EQ(readFile(path("listing.ini")), settings);
}

TEST_F(HostileOutput, AFullDiskOrAKillLeavesThePreviousFileAndNoHalfPages) {
    writeFile(path("out.pdf"), "previous");
    // The kernel refuses to let a file grow past 8 KB, as a full disk would.
    QProcess limited;
    limited.setChildProcessModifier([] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{8192, 8192};
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    TRun r = run({"Demo.vbp", "-o", "out.pdf"}, &limited);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("listora-print: Unable to write to out.pdf: File too large"))
        << r.err.toStdString();
    EXPECT_EQ(readFile(path("out.pdf")), "previous");
    r = run({"Demo.vbp", "--png", "png", "--dpi", "150"}, &limited);
    EXPECT_EQ(r.code, 1);
    // The reason, and no lines of the image library's own.
    EXPECT_EQ(r.err, "listora-print: Unable to write to png/page-001.png: File too large\n");
    EXPECT_TRUE(QDir(path("png")).isEmpty()) << "no truncated or empty page";
    EXPECT_EQ(hidden(), QStringList());

    // Killed while it writes a long listing: the previous file stays under
    // the final name; the next run clears the killed one's temporary file.
    QByteArray text;
    for (int i = 0; i < 25000; ++i)
        text += "If x > " + QByteArray::number(i) + " Then y = y + 1 ' a comment on the line\r\n";
    writeFile(path("long.txt"), text);
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.setStandardInputFile(path("long.txt"));
    p.start(exe, {"-", "-o", "out.pdf"});
    QElapsedTimer clock;
    clock.start();
    bool caught = false;
    while (!caught && p.state() != QProcess::NotRunning && clock.elapsed() < 120000) {
        for (const QFileInfo& f :
             QDir(dir.path()).entryInfoList({"*listora-part"}, QDir::Hidden | QDir::Files))
            caught = caught || f.size() > 0;
        if (!caught) QThread::msleep(1);
    }
    if (!caught) GTEST_SKIP() << "the run ended before it could be killed";
    p.kill();
    p.waitForFinished();
    EXPECT_EQ(readFile(path("out.pdf")), "previous");
    EXPECT_EQ(hidden().size(), 1);
    r = run({"modLedger.bas", "-o", "out.pdf"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(readFile(path("out.pdf")).startsWith("%PDF-"));
    EXPECT_EQ(hidden(), QStringList());
}

TEST_F(HostileOutput, APngRunLeavesOnlyItsOwnPages) {
    writeFile(path("png/notes.txt"), "mine");
    TRun r = run({"Demo.vbp", "--png", "png", "--dpi", "20"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const int pages = QDir(path("png")).entryList({"page-*.png"}).size();
    ASSERT_GT(pages, 1);
    r = run({"modLedger.bas", "--png", "png", "--dpi", "20", "--settings", "listing.ini"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const int now = r.out.split(' ').value(0).toInt();
    ASSERT_LT(now, pages);
    QStringList expected{"notes.txt"};
    for (int n = 1; n <= now; ++n)
        expected << QString("page-%1.png").arg(n, 3, 10, QChar('0'));
    EXPECT_EQ(QDir(path("png")).entryList(QDir::Files), expected);
    EXPECT_EQ(readFile(path("png/notes.txt")), "mine");

    // Files that only bear a page's name stay: the input itself, text, and
    // an image that no Listora run wrote.
    QFile::copy(path("clsAccount.cls"), path("page-007.png"));
    writeFile(path("page-008.png"), "not an image");
    QImage foreign(4, 4, QImage::Format_RGB32);
    foreign.fill(Qt::red);
    ASSERT_TRUE(foreign.save(path("page-009.png")));
    const QByteArray image = readFile(path("page-009.png"));
    r = run({"page-007.png", "--png", ".", "--dpi", "20"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "2 Sheets, 4 Pages\n");
    EXPECT_EQ(readFile(path("page-007.png")), readFile(path("clsAccount.cls")));
    EXPECT_EQ(readFile(path("page-008.png")), "not an image");
    EXPECT_EQ(readFile(path("page-009.png")), image);
}

TEST_F(HostileOutput, OnePngRunAtATimePerFolder) {
    QDir().mkpath(path("png"));
    const int folder = ::open(QFile::encodeName(path("png")).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    ASSERT_EQ(::flock(folder, LOCK_EX), 0); // as a run writing there holds it
    TRun r = run({"modLedger.bas", "--png", "png", "--dpi", "20"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "listora-print: another run is writing pages into png; try again when it "
                     "has finished\n");
    EXPECT_TRUE(QDir(path("png")).isEmpty());
    ::close(folder);
    r = run({"modLedger.bas", "--png", "png", "--dpi", "20"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QDir(path("png")).entryList(QDir::Files).size(), 2);
}

TEST_F(HostileOutput, RefusalsSayWhy) {
    writeFile(path("afile"), "mine");
    QDir().mkpath(path("d/page-001.png"));
    const struct {
        QStringList args;
        int code;
        const char* err;
    } cases[] = {
        {{"Demo.vbp", "--png", "afile"},
         1,
         "listora-print: Unable to write pages into afile: Not a directory\n"},
        {{"Demo.vbp", "--png", "afile/pages"},
         1,
         "listora-print: Unable to write pages into afile/pages: Not a directory\n"},
        {{"Demo.vbp", "--png", "d"},
         1,
         "listora-print: Unable to write to d/page-001.png: it is a folder\n"},
        {{"Demo.vbp", "-P", ""},
         2,
         "listora-print: -P takes the name of a printer queue (as lpstat -p lists them)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const TRun r = run(c.args);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(readFile(path("afile")), "mine");
}

TEST_F(HostileOutput, AnOutputNameThatIsNoUtf8KeepsItsBytes) {
    // Only a shell can hand the command bytes that are no text.
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start("/bin/sh", {"-c", "exec \"$0\" modLedger.bas -o \"$(printf '\\377\\376.pdf')\"", exe});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QByteArray written = QFile::encodeName(dir.path()) + "/\xff\xfe.pdf";
    struct stat st {};
    EXPECT_EQ(::stat(written.constData(), &st), 0);
    EXPECT_GT(st.st_size, 1000);
    ::unlink(written.constData()); // which the temporary folder could not remove
}

TEST_F(HostileOutput, StandardOutputPipesSelectionsAndAQuietStandardError) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("XDG_RUNTIME_DIR");
    for (const char* target : {"-", "/dev/stdout"}) {
        QProcess p;
        p.setProcessEnvironment(env);
        const TRun r = run({"modLedger.bas", "-o", target}, &p);
        EXPECT_EQ(r.code, 0) << target << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith("%PDF-")) << target;
        EXPECT_TRUE(r.out.trimmed().endsWith("%%EOF")) << target;
        EXPECT_EQ(r.err, "2 Sheets, 4 Pages\n") << target;
    }
    EXPECT_FALSE(QFileInfo::exists(path("-")));

    // One selection matching nothing beside one that does is an error.
    TRun r = run({"Demo.vbp", "--select", "modLedger.bas:*", "--select", "nosuch.bas:Foo", "-o",
                  "part.pdf"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "listora-print: --select nosuch.bas:Foo matched no section (see --outline)\n");
    EXPECT_FALSE(QFileInfo::exists(path("part.pdf")));
}

TEST_F(HostileOutput, DiagnosticDumpsNeverFollowALinkNorFailTheListing) {
    writeFile(path("debug.ini"), "[general]\nDEBUGFLAG=1\n");
    writeFile(path("victim.txt"), "victim");
    QFile::link(path("victim.txt"), path("brackets.log"));
    QDir().mkpath(path("Before.dbg")); // a dump that cannot be written at all
    const TRun r = run({"modLedger.bas", "--settings", "debug.ini", "-o", "out.pdf"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "2 Sheets, 4 Pages\n");
    EXPECT_EQ(readFile(path("victim.txt")), "victim");
    EXPECT_TRUE(QFileInfo(path("brackets.log")).isSymLink());
    EXPECT_TRUE(r.err.contains("Refused to write brackets.log: it is a symbolic link"));
}

TEST_F(HostileOutput, AKilledJobRunLeavesNoPrivateFolderBehind) {
    // A job of the example project, as the desktop program would save it.
    const QString tmp = path("tmp");
    QDir().mkpath(tmp);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", tmp);
    QProcess archive;
    QByteArray info(256, '\0');
    const QByteArray project = path("Demo.vbp").toUtf8();
    info[0] = char(project.size());
    std::copy(project.begin(), project.end(), info.begin() + 1);
    writeFile(path("stage/projectinfo"), info);
    writeFile(path("stage/projectparams"), readFile(path("listing.ini")));
    archive.setWorkingDirectory(path("stage"));
    archive.start(testsupport::binaryDir() + "/bin/listora-archive",
                  {"create", path("job.lrp"), "--method", "lzh", "projectinfo", "projectparams"});
    ASSERT_TRUE(archive.waitForFinished());
    ASSERT_EQ(archive.exitCode(), 0);

    const auto folders = [&] {
        return QDir(tmp).entryList({TPrivateFolder::namePrefix() + "*"}, QDir::Dirs);
    };
    bool caught = false;
    for (int attempt = 0; attempt < 5 && !caught; ++attempt) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(exe, {"job.lrp", "--png", "png", "--dpi", "200"});
        while (!caught && p.state() != QProcess::NotRunning) {
            caught = !folders().isEmpty();
            if (!caught) QThread::msleep(1);
        }
        p.kill();
        p.waitForFinished();
    }
    if (!caught) GTEST_SKIP() << "the run ended before it could be killed";
    EXPECT_EQ(folders().size(), 1);
    QProcess p;
    p.setProcessEnvironment(env);
    const TRun r = run({"job.lrp", "--count"}, &p);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(folders(), QStringList());
}

} // namespace
