// Reading, listing and writing archives with TCompress.
#include "archive/Compress.h"
#include "ArchiveBytes.h"
#include "archive/Lzh.h"
#include "archive/Rle.h"
#include "common/TestSupport.h"
#include "platform/Errors.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace archivebytes;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

QByteArray randomBytes(int size, quint32 seed) {
    QByteArray bytes(size, 0);
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = char(seed >> 16);
    }
    return bytes;
}

QByteArray vbText(int size) {
    static const char* const lines[] = {"Private Sub cmdOpen_Click()\r\n",
                                        "    Dim i As Integer ' counter\r\n",
                                        "    For i = 1 To 10\r\n",
                                        "        lstFiles.AddItem \"File \" & CStr(i)\r\n",
                                        "    Next i\r\n",
                                        "End Sub\r\n",
                                        "\r\n"};
    QByteArray text;
    for (int i = 0; text.size() < size; ++i)
        text += lines[(i * 5 + i / 7) % 7];
    return text.left(size);
}

class ArchiveTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QString put(const QString& name, const QByteArray& bytes) {
        writeFile(path(name), bytes);
        return path(name);
    }
    QString target() {
        QDir().mkpath(path("out"));
        return path("out");
    }
    // Expands everything into out/ and returns the names written.
    QStringList expandAll(TCompress& c, const QString& archiveName) {
        c.setTargetPath(target());
        QStringList names;
        for (const RArchiveEntry& e : scan(archiveName))
            names << e.Name;
        c.ExpandFiles(archiveName, &names);
        return names;
    }
    QList<RArchiveEntry> scan(const QString& archiveName) {
        QList<RArchiveEntry> list;
        TCompress().ScanArchive(archiveName, list);
        return list;
    }
    static QString errorOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const TListoraError& e) {
            return e.message();
        }
        return QStringLiteral("(no error)");
    }

    QTemporaryDir dir;
};

TEST_F(ArchiveTest, WritesHeadersByteForByte) {
    const QByteArray data = "aaaaaaab";
    const QString file = put("Member.TXT", data);
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime(QDate(2026, 1, 2), QTime(13, 45, 30)),
                      QFileDevice::FileModificationTime);
    }
    TCompress c;
    c.setTargetPath(dir.path());
    c.CompressFiles(path("a.dat"), {file}, cmRLE);

    const QByteArray packed("a\x94\x07"
                            "b",
                            4);
    Entry e{"member.txt", packed, 8, 1, byteSum(data)};
    e.date = (quint32(46) << 9 | 1 << 5 | 2) << 16 | (13 << 11 | 45 << 5 | 15);
    EXPECT_EQ(readFile(path("a.dat")).toHex(), archive({e}, "RLE").toHex());
    EXPECT_EQ(c.CompressionRatio(), 50);

    // With a key: both key flags set and the key added to the checksum.
    c.Key = 1000;
    c.CompressFiles(path("k.dat"), {file}, cmRLE);
    e.keyed = true;
    e.checksum += 1000;
    QByteArray expected = mainHeader("RLE", 8, 1, true) + entryBytes(e);
    EXPECT_EQ(readFile(path("k.dat")).toHex(), expected.toHex());
}

TEST_F(ArchiveTest, ReadsHandBuiltArchives) {
    const QByteArray text = vbText(3000);
    Entry lz{"sub\\code.bas", lzh::encode(text), text.size(), 2, byteSum(text)};
    Entry rl{"runs.bin", rle::encode(QByteArray(300, 'z')), 300, 1, 300u * 'z'};
    put("h.dat", archive({stored("plain.txt", "just text"), lz, rl}));

    const QList<RArchiveEntry> list = scan(path("h.dat"));
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[1].Name, "sub\\code.bas");
    EXPECT_EQ(list[1].Size, text.size());
    EXPECT_EQ(list[1].CompressedSize, lz.packed.size());
    EXPECT_EQ(list[1].DataPosition, 21 + 25 + 9 + 9 + 25 + 12);
    EXPECT_EQ(list[1].Method, cmLZH);
    EXPECT_EQ(list[1].Checksum, byteSum(text));
    EXPECT_EQ(list[2].Method, cmRLE);

    TCompress c;
    c.MakeDirectories = true;
    const QStringList names = expandAll(c, path("h.dat"));
    EXPECT_EQ(names.size(), 3);
    EXPECT_EQ(readFile(path("out/plain.txt")), "just text");
    EXPECT_EQ(readFile(path("out/sub/code.bas")), text);
    EXPECT_EQ(readFile(path("out/runs.bin")), QByteArray(300, 'z'));
    EXPECT_EQ(QFileInfo(path("out/runs.bin")).lastModified(),
              QDateTime(QDate(2026, 1, 1), QTime(0, 0)));
}

TEST_F(ArchiveTest, ExpandsOnlyWhatTheListAsksForAndNothingWhenTheTotalIsWrong) {
    // A header total that differs from the entries' sizes is damage, found
    // before anything is written.
    TCompress c;
    c.setTargetPath(target());
    for (const qint64 total : {0, 3, 9}) {
        put("wrong.dat", archive({stored("a.txt", "abc"), stored("b.txt", "def")}, "NON", total));
        QStringList names{"a.txt", "b.txt"};
        EXPECT_EQ(errorOf([&] { c.ExpandFiles(path("wrong.dat"), &names); }),
                  QStringLiteral("Damaged archive %1: the header gives a total of %2 bytes, its "
                                 "entries 6")
                      .arg(path("wrong.dat"))
                      .arg(total));
        EXPECT_FALSE(QFileInfo::exists(path("out/a.txt")));
    }
    QStringList names;

    // A name list that matches nothing is emptied.
    put("two.dat", archive({stored("a.txt", "abc"), stored("b.txt", "def")}));
    names = {"c.txt"};
    c.ExpandFiles(path("two.dat"), &names);
    EXPECT_TRUE(names.isEmpty());
    EXPECT_TRUE(QDir(path("out")).isEmpty());

    // The list picks entries regardless of case.
    names = {"B.TXT"};
    c.ExpandFiles(path("two.dat"), &names);
    EXPECT_EQ(names, QStringList{path("out/b.txt")});
    EXPECT_FALSE(QFile::exists(path("out/a.txt")));

    // The check routine renames or skips entries, and "*" ends the run.
    c.OnCheckFile = [&](QString& name) {
        if (name.endsWith("a.txt"))
            name = path("out/renamed.txt");
        else
            name.clear();
    };
    c.ExpandFiles(path("two.dat"));
    EXPECT_EQ(readFile(path("out/renamed.txt")), "abc");
    c.OnCheckFile = [](QString& name) { name = "*"; };
    names.clear();
    c.ExpandFiles(path("two.dat"), &names);
    EXPECT_TRUE(names.isEmpty());
}

TEST_F(ArchiveTest, HeaderErrorsCarryTheirTexts) {
    TCompress c;
    c.setTargetPath(target());
    put("bad.dat", "SPIZ\x1aLZH" + QByteArray(40, 0));
    EXPECT_EQ(errorOf([&] { c.ExpandFiles(path("bad.dat")); }),
              "Can't recognize compressed file header");
    put("single.dat", mainHeader("LZH", 3, 0) + entryBytes(stored("a", "abc")));
    EXPECT_EQ(errorOf([&] { c.ExpandFiles(path("single.dat")); }),
              "Expand can't handle caSingle archive type in compressed header");
    put("method.dat", archive({stored("a", "abc")}, "ZIP"));
    EXPECT_EQ(errorOf([&] { c.ExpandFiles(path("method.dat")); }),
              "Unrecognized compression method in header");
    Entry custom{"c.bin", "xyz", 3, 3, byteSum("xyz")};
    put("custom.dat", archive({custom}, "CUS"));
    EXPECT_EQ(errorOf([&] { c.ExpandFiles(path("custom.dat")); }),
              "Unrecognized compression method in header");
    c.CustomExpand = [](const QByteArray& packed, qint32) { return packed; };
    c.ExpandFiles(path("custom.dat"));
    EXPECT_EQ(readFile(path("out/c.bin")), "xyz");

    // A file too short for one entry lists nothing.
    put("short.dat", archive({stored("a", "")}).left(45));
    EXPECT_TRUE(scan(path("short.dat")).isEmpty());
}

TEST_F(ArchiveTest, ChecksumsAndKeys) {
    const QByteArray text = vbText(500);
    Entry e{"t.bas", lzh::encode(text), text.size(), 2, byteSum(text) + 1};
    put("sum.dat", archive({e}));
    TCompress c;
    c.setTargetPath(target());
    EXPECT_EQ(errorOf([&] { c.ExpandFiles(path("sum.dat")); }),
              "Bad checksum during expansion -- data may be invalid");
    EXPECT_FALSE(QFile::exists(path("out/t.bas")));

    // A keyed entry needs a key whatever its checksum, even stored ones.
    e.keyed = true;
    e.checksum = byteSum(text);
    Entry keyedStored = stored("s.txt", "abc");
    keyedStored.keyed = true;
    for (const Entry& k : {e, keyedStored}) {
        put("key.dat", archive({k}));
        EXPECT_EQ(errorOf([&] { c.ExpandFiles(path("key.dat")); }),
                  "File locked -- valid key required");
    }
    // With the right key it expands, with a wrong one it is locked.
    e.checksum = byteSum(text) + 77;
    put("key.dat", archive({e}));
    c.Key = 76;
    EXPECT_EQ(errorOf([&] { c.ExpandFiles(path("key.dat")); }),
              "File locked -- valid key required");
    c.Key = 77;
    c.ExpandFiles(path("key.dat"));
    EXPECT_EQ(readFile(path("out/t.bas")), text);

    // Written and read back with a key.
    c.setTargetPath(dir.path());
    c.CompressFiles(path("w.dat"), {put("w.txt", text)}, cmLZH);
    c.setTargetPath(target());
    QFile::remove(path("out/w.txt"));
    c.ExpandFiles(path("w.dat"));
    EXPECT_EQ(readFile(path("out/w.txt")), text);
}

TEST_F(ArchiveTest, RoundTripsEveryMethod) {
    const QList<QByteArray> contents = {QByteArray(), "Option Explicit\r\n", vbText(200 * 1024),
                                        randomBytes(50000, 7), QByteArray(1000, '\x94')};
    QStringList files;
    for (int i = 0; i < contents.size(); ++i)
        files << put(QStringLiteral("f%1.bin").arg(i), contents[i]);
    for (int method : {cmNone, cmRLE, cmLZH, cmCustom}) {
        SCOPED_TRACE(method);
        TCompress c;
        c.setTargetPath(dir.path());
        // Reversal: never shrinks, always restorable.
        c.CustomCompress = [](const QByteArray& d) {
            QByteArray r(d);
            std::reverse(r.begin(), r.end());
            return r;
        };
        c.CustomExpand = [](const QByteArray& d, qint32) {
            QByteArray r(d);
            std::reverse(r.begin(), r.end());
            return r;
        };
        const QString name = path(QStringLiteral("m%1.dat").arg(method));
        c.CompressFiles(name, files, method);
        const QList<RArchiveEntry> list = scan(name);
        ASSERT_EQ(list.size(), contents.size());
        QDir(path("out")).removeRecursively();
        expandAll(c, name);
        for (int i = 0; i < contents.size(); ++i)
            EXPECT_EQ(readFile(path(QStringLiteral("out/f%1.bin").arg(i))), contents[i]) << i;
        if (method == cmLZH || method == cmRLE) {
            // Random data do not shrink: stored unchanged, checksum 0.
            EXPECT_EQ(list[3].Method, cmNone);
            EXPECT_EQ(list[3].Checksum, 0u);
            EXPECT_EQ(list[3].CompressedSize, 50000);
            EXPECT_EQ(list[0].Method, method); // empty files keep the method
            if (method == cmLZH) {
                EXPECT_LT(list[2].CompressedSize, 200 * 1024 / 3);
            }
        }
    }
}

TEST_F(ArchiveTest, StoresNamesAsTheRulesSay) {
    QDir().mkpath(path("src/Sub"));
    const QString a = put("src/Sub/Form1.FRM", "form");
    const QString b = put("src/Read.ME", "readme");
    TCompress c;
    c.setTargetPath(path("src"));
    EXPECT_EQ(c.TargetPath(), path("src") + '/');
    QStringList seen;
    c.OnCheckFile = [&](QString& name) { seen << name; };
    c.CompressFiles(path("n.dat"), {a, b, path("missing.txt")}, cmLZH);
    // The target prefix is dropped, the rest lower-cased; missing files skipped.
    EXPECT_EQ(seen, (QStringList{"Sub/Form1.FRM", "Read.ME", path("missing.txt")}));
    const QList<RArchiveEntry> list = scan(path("n.dat"));
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].Name, "sub/form1.frm");
    EXPECT_EQ(list[1].Name, "read.me");

    c.ExceptionOnFileError = true;
    c.OnCheckFile = nullptr;
    EXPECT_NE(errorOf([&] {
                  c.CompressFiles(path("n.dat"), {a, path("missing.txt")}, cmLZH);
              }).indexOf("missing.txt"),
              -1);
}

TEST_F(ArchiveTest, FailedRewriteKeepsTheOldArchive) {
    const QString a = put("a.txt", vbText(20000));
    TCompress c;
    c.setTargetPath(dir.path());
    c.CompressFiles(path("keep.dat"), {a}, cmLZH);
    const QByteArray before = readFile(path("keep.dat"));

    // The disk filling up halfway.
    c.WriteLimitForTesting = 1000;
    EXPECT_EQ(errorOf([&] { c.CompressFiles(path("keep.dat"), {a}, cmNone); }),
              "Disk full or write error during compression");
    EXPECT_EQ(readFile(path("keep.dat")), before);

    // An archive that cannot be created at all (its folder is a file).
    put("notadir", "x");
    c.WriteLimitForTesting = -1;
    EXPECT_TRUE(errorOf([&] {
                    c.CompressFiles(path("notadir/x.dat"), {a}, cmLZH);
                }).startsWith("Disk protected or full during compression"));
}

TEST_F(ArchiveTest, RefusesEntriesThatLeaveTheTarget) {
    TCompress c;
    c.setTargetPath(target());
    for (const QByteArray& name :
         {QByteArray("\\evil.txt"), QByteArray("/evil.txt"), QByteArray("..\\evil.txt"),
          QByteArray("sub/../../evil.txt"), QByteArray("c:\\evil.txt"), QByteArray("")}) {
        SCOPED_TRACE(name.toStdString());
        put("evil.dat", archive({stored("fine.txt", "ok"), stored(name, "bad")}));
        const QString message = errorOf([&] { c.ExpandFiles(path("evil.dat")); });
        EXPECT_TRUE(message.startsWith("Refused to expand \"" + QString::fromLatin1(name) + "\""))
            << message.toStdString();
        EXPECT_FALSE(QFile::exists(path("evil.txt")));
        EXPECT_FALSE(QFile::exists("/evil.txt"));
    }
    // An absolute name is honoured when the caller allows it.
    c.AllowAbsoluteNames = true;
    const QByteArray absolute = path("abs.txt").toUtf8();
    put("abs.dat", archive({stored(absolute, "abs")}));
    c.ExpandFiles(path("abs.dat"));
    EXPECT_EQ(readFile(path("abs.txt")), "abs");
}

TEST_F(ArchiveTest, HostileSizesFailCleanly) {
    TCompress c;
    c.setTargetPath(target());
    const QByteArray text = vbText(4000);
    const QByteArray packed = lzh::encode(text);
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    Entry negative = stored("n.txt", "abc");
    negative.size = -5;
    Entry longName = stored("l.txt", "abc");
    longName.nameLength = 30000;
    Entry pastEnd{"p.txt", packed, text.size(), 2, byteSum(text)};
    QByteArray pastEndBytes = archive({pastEnd});
    pastEndBytes.chop(10);
    Entry early{"e.txt", packed.left(packed.size() / 2), text.size(), 2, byteSum(text)};
    Entry overlong{"o.txt", packed, text.size() - 7, 2, byteSum(text)};
    Entry rleLong{"r.txt", rle::encode(QByteArray(200, 'q')), 100, 1, 100u * 'q'};
    Entry storedShort{"s.txt", "abc", 10, 0, 0};
    const QList<Case> cases = {
        {"negative size", mainHeader("NON", 100) + entryBytes(negative)},
        {"name past end", archive({longName})},
        {"data past end", pastEndBytes},
        {"stream ends early", archive({early})},
        {"decodes to more", archive({overlong})},
        {"run-length too long", archive({rleLong})},
        {"stored size mismatch", archive({storedShort})},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        put("hostile.dat", k.bytes);
        EXPECT_THROW(c.ExpandFiles(path("hostile.dat")), TListoraError);
        EXPECT_TRUE(QDir(path("out")).isEmpty())
            << QDir(path("out")).entryList().join(",").toStdString();
    }
    // A failed expansion leaves an existing file of that name alone.
    put("out/e.txt", "precious");
    put("hostile.dat", archive({early}));
    EXPECT_THROW(c.ExpandFiles(path("hostile.dat")), TListoraError);
    EXPECT_EQ(readFile(path("out/e.txt")), "precious");
}

TEST_F(ArchiveTest, ChecksFreeSpaceAndKeepsAttributes) {
    Entry big = stored("big.txt", QByteArray(5000, 'b'));
    Entry locked = stored("ro.txt", "read only");
    locked.attributes = 0x21;
    put("fs.dat", archive({locked, big}));
    TCompress c;
    c.setTargetPath(target());
    c.FreeSpace = [](const QString&) -> qint64 { return 4999; };
    EXPECT_EQ(errorOf([&] { c.ExpandFiles(path("fs.dat")); }),
              "Not enough disk space to expand " + path("out/big.txt"));
    EXPECT_FALSE(QFile::exists(path("out/big.txt")));
    EXPECT_FALSE(QFileInfo(path("out/ro.txt")).permissions() & QFile::WriteOwner);

    // Expanded over by a writable entry, it becomes writable again.
    put("rw.dat", archive({stored("ro.txt", "writable")}));
    c.ExpandFiles(path("rw.dat"));
    EXPECT_TRUE(QFileInfo(path("out/ro.txt")).permissions() & QFile::WriteOwner);
    EXPECT_EQ(readFile(path("out/ro.txt")), "writable");
    QFile::setPermissions(path("out/ro.txt"), QFile::ReadOwner);

    // Stored back, a read-only file keeps its mark.
    c.CompressFiles(path("ro.dat"), {path("out/ro.txt")}, cmNone);
    EXPECT_EQ(scan(path("ro.dat")).value(0).Attributes & 0x01, 0x01);
}

TEST_F(ArchiveTest, ExpansionNeverFollowsALinkInTheTarget) {
    put("outside.txt", "secret");
    QFile::setPermissions(path("outside.txt"), QFile::ReadOwner | QFile::WriteOwner);
    QDir().mkpath(path("elsewhere"));
    const QString out = target();
    QFile::link(path("outside.txt"), path("out/evil.txt"));
    QFile::link(path("elsewhere"), path("out/subdir"));
    // A hard link shares the file: replacing the name must leave it alone.
    put("shared.txt", "shared");
    ASSERT_EQ(::link(QFile::encodeName(path("shared.txt")).constData(),
                     QFile::encodeName(path("out/hard.txt")).constData()),
              0);

    Entry readOnly = stored("evil.txt", "overwritten");
    readOnly.attributes = 0x21;
    Entry hard = stored("hard.txt", "new");
    hard.attributes = 0x21;
    TCompress c;
    c.setTargetPath(out);
    c.MakeDirectories = true;
    for (const Entry& e : {readOnly, stored("subdir/x", "planted")}) {
        SCOPED_TRACE(e.name.toStdString());
        put("evil.dat", archive({e}));
        EXPECT_TRUE(
            errorOf([&] { c.ExpandFiles(path("evil.dat")); }).startsWith("Refused to write"));
    }
    put("hard.dat", archive({hard}));
    c.ExpandFiles(path("hard.dat"));
    EXPECT_EQ(readFile(path("out/hard.txt")), "new");
    EXPECT_FALSE(QFileInfo(path("out/hard.txt")).permissions() & QFile::WriteOwner);

    EXPECT_EQ(readFile(path("outside.txt")), "secret");
    EXPECT_TRUE(QFileInfo(path("outside.txt")).permissions() & QFile::WriteOwner);
    EXPECT_EQ(readFile(path("shared.txt")), "shared");
    EXPECT_TRUE(QFileInfo(path("shared.txt")).permissions() & QFile::WriteOwner);
    EXPECT_TRUE(QDir(path("elsewhere")).isEmpty());
}

TEST_F(ArchiveTest, RewritingKeepsOlderEntriesAndLeavesOtherFilesAlone) {
    const QString a = put("a.txt", "first a");
    const QString b = put("b.txt", "first b");
    put("r.$$$", "somebody's file");
    TCompress c;
    c.setTargetPath(dir.path());
    c.CompressFiles(path("r.dat"), {a, b}, cmLZH);
    put("a.txt", "second a, longer than before");
    c.CompressFiles(path("r.dat"), {a, put("d.txt", "new d"), path("r.dat")}, cmRLE);
    EXPECT_EQ(readFile(path("r.$$$")), "somebody's file");
    EXPECT_EQ(readFile(path("r.dat")).mid(5, 3), "RLE");
    // The header total counts the kept entry too.
    EXPECT_EQ(quint8(readFile(path("r.dat"))[8]), 28 + 5 + 7);
    expandAll(c, path("r.dat"));
    EXPECT_EQ(readFile(path("out/a.txt")), "second a, longer than before");
    EXPECT_EQ(readFile(path("out/b.txt")), "first b");
    c.setTargetPath(dir.path());
    c.ExceptionOnFileError = true;

    // A create killed halfway leaves its unlocked temporary file beside the
    // archive, which it never touched; the next create keeps every old entry
    // and clears the leftover.
    const QByteArray before = readFile(path("r.dat"));
    const QString leftover = path(".r.dat.00000000abcd.listora-part");
    put(".r.dat.00000000abcd.listora-part", before.left(30));
    c.CompressFiles(path("r.dat"), {path("d.txt")}, cmRLE);
    QStringList names;
    for (const RArchiveEntry& e : scan(path("r.dat")))
        names << e.Name;
    EXPECT_EQ(names, (QStringList{"d.txt", "a.txt", "b.txt"}));
    EXPECT_FALSE(QFile::exists(leftover));

    // Without keeping older entries, the new archive replaces the old whole.
    c.KeepOlderEntries = false;
    c.CompressFiles(path("r.dat"), {b}, cmLZH);
    EXPECT_EQ(scan(path("r.dat")).size(), 1);

    // A pipe among the files fails at once instead of waiting for a writer.
    const QByteArray fifo = QFile::encodeName(path("fifo"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    const QByteArray kept = readFile(path("r.dat"));
    EXPECT_EQ(errorOf([&] {
                  c.CompressFiles(path("r.dat"), {a, path("fifo")}, cmLZH);
              }),
              "Cannot open " + path("fifo") + "\nit is not a regular file");
    EXPECT_EQ(readFile(path("r.dat")), kept);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Hidden | QDir::Files).filter("listora-part"),
              QStringList());
}

TEST_F(ArchiveTest, AnEmptyFileAloneComesBackAndANegativeTotalIsAnError) {
    // An archive of one empty file has a total of 0 bytes, which is right.
    TCompress c;
    c.setTargetPath(dir.path());
    c.CompressFiles(path("e.dat"), {put("empty.txt", "")}, cmLZH);
    EXPECT_EQ(expandAll(c, path("e.dat")), QStringList{path("out/empty.txt")});
    EXPECT_TRUE(QFileInfo(path("out/empty.txt")).isFile());

    put("neg.dat", archive({stored("n.txt", "abc")}, "NON", 0xffffffffLL));
    EXPECT_EQ(errorOf([&] { expandAll(c, path("neg.dat")); }),
              "Damaged archive " + path("neg.dat") + ": the header gives a negative total size");
}

TEST_F(ArchiveTest, TheArchiveCommandFailsLoudlyAndNeverWaitsOnAPipe) {
    const QString tool = testsupport::binaryDir() + "/bin/listora-archive";
    if (!QFileInfo(tool).isExecutable()) GTEST_SKIP() << "listora-archive is not built";
    put("neg.dat", archive({stored("n.txt", "abc")}, "NON", 0x80000000LL));
    put("half.dat", archive({stored("n.txt", "abc"), stored("m.txt", "def")}, "NON", 3));
    put("a.txt", "a");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
    for (const QStringList& args :
         {QStringList{"expand", path("neg.dat"), path("out")},
          QStringList{"expand", path("half.dat"), path("out")},
          QStringList{"create", path("f.dat"), "--method", "lzh", path("a.txt"), path("fifo")}}) {
        QProcess p;
        p.start(tool, args);
        ASSERT_TRUE(p.waitForFinished(30000)) << args.join(' ').toStdString();
        EXPECT_EQ(p.exitCode(), 1);
        EXPECT_TRUE(p.readAllStandardError().startsWith("listora-archive: "));
    }
    EXPECT_FALSE(QFileInfo::exists(path("out/n.txt")));
    EXPECT_FALSE(QFileInfo::exists(path("out/m.txt")));
    EXPECT_FALSE(QFileInfo::exists(path("f.dat")));
}

TEST_F(ArchiveTest, TheArchiveCommandShowsControlCharactersInNamesEscaped) {
    const QString tool = testsupport::binaryDir() + "/bin/listora-archive";
    if (!QFileInfo(tool).isExecutable()) GTEST_SKIP() << "listora-archive is not built";
    // A name that would set the terminal's title and turn its text red.
    put("esc.dat", archive({stored("\x1b]0;owned\x07red\x1b[31m.txt", "abc")}));
    put("climb.dat", archive({stored("../\x1b[2J\n.txt", "abc")}));
    const QByteArray shown = "\\x1b]0;owned\\x07red\\x1b[31m.txt\n";
    const struct {
        QStringList args;
        int code;
        QByteArray out, err;
    } cases[] = {
        {{"list", path("esc.dat")}, 0, shown, ""},
        {{"expand", path("esc.dat"), path("out")}, 0, shown, ""},
        {{"expand", path("climb.dat"), path("out")},
         1,
         "",
         "listora-archive: Refused to expand \"../\\x1b[2J\\n.txt\": the name climbs out of its "
         "folder\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QProcess p;
        p.start(tool, c.args);
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), c.code);
        const QByteArray out = p.readAllStandardOutput();
        EXPECT_FALSE(out.contains('\x1b'));
        EXPECT_TRUE(c.out.isEmpty() || out.contains(c.out)) << out.toStdString();
        EXPECT_EQ(p.readAllStandardError().toStdString(), c.err.toStdString());
    }
    // The file itself keeps its name.
    EXPECT_TRUE(QFile::exists(path("out/\x1b]0;owned\x07red\x1b[31m.txt")));
}

} // namespace
