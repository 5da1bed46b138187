// The one write path: whole files or none, never through a link, and no
// leftovers of a writer that died.
#include "platform/AtomicFile.h"
#include "common/TestSupport.h"
#include "platform/Errors.h"
#include "platform/PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::readFile;
using testsupport::writeFile;

namespace {

QString errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const TListoraError& e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

void writeWhole(const QString& path, const QByteArray& bytes,
                TAtomicFile::TTarget kind = TAtomicFile::TTarget::FileOnly) {
    TAtomicFile file(path, kind);
    file.begin();
    file.write(bytes);
    file.commit();
}

class AtomicFileTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    // Everything in the folder, hidden names included.
    QStringList listing() const {
        return QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
    }
    void TearDown() override { TAtomicFile::setWriteLimitForTesting(-1); }
    QTemporaryDir dir;
};

TEST_F(AtomicFileTest, ReplacesAFileWholeOrLeavesItAsItWas) {
    writeFile(path("out.pdf"), "old");
    ::chmod(QFile::encodeName(path("out.pdf")).constData(), 0640);
    writeWhole(path("out.pdf"), "new contents");
    EXPECT_EQ(readFile(path("out.pdf")), "new contents");
    struct stat st {};
    ::stat(QFile::encodeName(path("out.pdf")).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "the replaced file's mode carries over";
    EXPECT_EQ(listing(), QStringList{"out.pdf"});

    // The disk filling up: the write fails, the old file stays, nothing is left.
    TAtomicFile::setWriteLimitForTesting(5);
    EXPECT_EQ(errorOf([&] { writeWhole(path("out.pdf"), "much longer contents"); }),
              "Unable to write to " + path("out.pdf") + ": No space left on device");
    EXPECT_EQ(readFile(path("out.pdf")), "new contents");
    EXPECT_EQ(listing(), QStringList{"out.pdf"});
    TAtomicFile::setWriteLimitForTesting(-1);

    // Abandoned halfway (an exception in the caller): the same.
    {
        TAtomicFile file(path("out.pdf"));
        file.begin();
        file.write("half");
    }
    EXPECT_EQ(readFile(path("out.pdf")), "new contents");
    EXPECT_EQ(listing(), QStringList{"out.pdf"});

    // Seek, rewrite and cut, as the archive writer does.
    TAtomicFile file(path("a.dat"));
    file.begin();
    file.write("0123456789");
    file.seek(2);
    file.write("xy");
    file.seek(6);
    EXPECT_TRUE(file.resize(file.pos()));
    file.commit();
    EXPECT_EQ(readFile(path("a.dat")), "01xy45");
}

TEST_F(AtomicFileTest, NeverWritesThroughALinkOrIntoAFolder) {
    writeFile(path("precious.bas"), "source");
    QFile::link(path("precious.bas"), path("link.pdf"));
    QFile::link(path("nowhere.txt"), path("dangling.pdf"));
    QDir().mkpath(path("folder.pdf"));
    for (const char* name : {"link.pdf", "dangling.pdf"})
        EXPECT_EQ(errorOf([&] { writeWhole(path(name), "x"); }),
                  "Refused to write " + path(name) + ": it is a symbolic link");
    EXPECT_EQ(errorOf([&] { writeWhole(path("folder.pdf"), "x"); }),
              "Unable to write to " + path("folder.pdf") + ": it is a folder");
    EXPECT_EQ(readFile(path("precious.bas")), "source");
    EXPECT_FALSE(QFile::exists(path("nowhere.txt")));

    // Below a folder, no part of the way may be a link.
    QDir().mkpath(path("outside"));
    QDir().mkpath(path("target/real"));
    QFile::link(path("outside"), path("target/sub"));
    const TFolder base = OpenFolder(path("target"));
    EXPECT_TRUE(errorOf([&] {
                    OpenFolderBeneath(base, {"sub", "deeper"}, true, "x");
                }).startsWith("Refused to write x: the folder \"sub\""));
    EXPECT_GE(OpenFolderBeneath(base, {"real", "new", "newer"}, true, "y").fd(), 0);
    EXPECT_TRUE(QDir(path("outside")).isEmpty());
    EXPECT_TRUE(QFileInfo(path("target/real/new/newer")).isDir());
}

TEST_F(AtomicFileTest, LeftoversOfADeadWriterGoWithTheNextWriteButALiveOneStays) {
    // What a killed writer leaves: a hidden, unlocked file of its pattern.
    const QString leftover = path(".out.pdf.0123456789ab.listora-part");
    writeFile(leftover, "half a PDF");
    writeFile(path(".other.pdf.0123456789ab.listora-part"), "another target's");
    writeFile(path(".out.pdf.mine"), "not ours");

    TAtomicFile live(path("out.pdf"));
    live.begin();
    live.write("first");
    writeWhole(path("out.pdf"), "second");
    EXPECT_FALSE(QFile::exists(leftover));
    EXPECT_EQ(listing().size(), 4) << listing().join(' ').toStdString(); // live temp kept
    live.commit();
    EXPECT_EQ(readFile(path("out.pdf")), "first");
    EXPECT_EQ(listing(),
              (QStringList{".other.pdf.0123456789ab.listora-part", ".out.pdf.mine", "out.pdf"}));
    TAtomicFile::RemoveLeftoversIn(dir.path());
    EXPECT_EQ(listing(), (QStringList{".out.pdf.mine", "out.pdf"}));
}

TEST_F(AtomicFileTest, StreamsGoStraightThroughAndOthersAreNotOpened) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    writeWhole(QStringLiteral("/dev/fd/%1").arg(fds[1]), "through a pipe",
               TAtomicFile::TTarget::FileOrStream);
    ::close(fds[1]);
    char buffer[64] = {};
    EXPECT_EQ(::read(fds[0], buffer, sizeof buffer), 14);
    EXPECT_STREQ(buffer, "through a pipe");
    ::close(fds[0]);

    // A named pipe: a stream for the PDF, refused where only a file will do,
    // and never opened for reading (which would wait for a writer forever).
    const QByteArray fifo = QFile::encodeName(path("fifo"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    writeWhole(path("fifo"), "named", TAtomicFile::TTarget::FileOrStream);
    EXPECT_EQ(::read(reader, buffer, sizeof buffer), 5);
    ::close(reader);
    EXPECT_EQ(errorOf([&] { writeWhole(path("fifo"), "x"); }),
              "Unable to write to " + path("fifo") + ": it is not a regular file");
    QString why;
    QFile file;
    EXPECT_FALSE(OpenRegularFileForReading(path("fifo"), file, why));
    EXPECT_EQ(why, "it is not a regular file");
    EXPECT_TRUE(IsStandardOutput("-"));
    EXPECT_FALSE(IsStandardOutput(path("fifo")));
}

TEST_F(AtomicFileTest, NamesThatAreNoUtf8KeepTheirBytes) {
    // Valid UTF-8 (the last a four-byte sequence), then bytes that are no
    // UTF-8: stray, an encoded surrogate, overlong, cut short, too large.
    const QByteArray valid[] = {"plain.pdf", "\xc3\xa9.pdf", "\xf0\x9f\x98\x80"};
    const QByteArray invalid[] = {"\xff\xfe.pdf", "\xed\xa0\x80", "\xc0\xaf", "a\xe2\x82",
                                  "\xf4\x90\x80\x80"};
    for (const QByteArray& name : valid)
        EXPECT_EQ(DecodeFileName(name), QString::fromUtf8(name)) << name.toHex().constData();
    for (const QByteArray& name : invalid)
        EXPECT_NE(DecodeFileName(name), QString::fromUtf8(name)) << name.toHex().constData();
    for (const QByteArray& name :
         {valid[0], valid[1], valid[2], invalid[0], invalid[1], invalid[2], invalid[3], invalid[4]})
        EXPECT_EQ(EncodeFileName(DecodeFileName(name)), name) << name.toHex().constData();

    writeWhole(path(DecodeFileName("\xff\xfe.pdf")), "bytes");
    const QByteArray written = QFile::encodeName(dir.path()) + "/\xff\xfe.pdf";
    struct stat st {};
    EXPECT_EQ(::stat(written.constData(), &st), 0);
    EXPECT_EQ(st.st_size, 5);
    ::unlink(written.constData()); // which the temporary folder could not remove
}

TEST(PrivateFolder, GoesAwayWithItsOwnerOrWithTheNextOneAfterAKill) {
    QTemporaryDir temp;
    const QByteArray savedTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temp.path()));
    {
        // A folder of a run that was killed: unlocked, so it goes.
        const QString dead = temp.filePath(TPrivateFolder::namePrefix() + "AbC123");
        writeFile(dead + "/projectparams", "[general]\n");
        QString livePath;
        {
            TPrivateFolder live;
            livePath = live.path();
            writeFile(live.filePath("projectinfo"), "x");
            const TPrivateFolder next;
            EXPECT_FALSE(QFileInfo::exists(dead));
            EXPECT_TRUE(QFileInfo::exists(live.filePath("projectinfo")))
                << "a live folder is never taken for a leftover";
            EXPECT_NE(next.path(), live.path());
        }
        EXPECT_FALSE(QFileInfo::exists(livePath));
        EXPECT_TRUE(QDir(temp.path()).isEmpty());
    }
    if (savedTmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", savedTmp);
}

} // namespace
