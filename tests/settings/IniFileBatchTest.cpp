// Batched writes: many keys in one replace of the file.
#include "common/TestSupport.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using testsupport::readFile;
using testsupport::writeFile;

namespace {

TEST(IniFileBatchTest, WritesAppearTogetherAndReadsSeeThemFirst) {
    QTemporaryDir dir;
    const QString path = dir.filePath("batch.ini");
    const QByteArray original = "[s]\r\nkey=old\r\n; note\r\n";
    writeFile(path, original);

    TIniFile ini(path);
    ini.beginBatch();
    ini.writeString("s", "key", "new");
    ini.writeInteger("t", "n", 7);
    EXPECT_EQ(ini.readString("S", "KEY", ""), "new") << "reads see the pending writes";
    EXPECT_EQ(readFile(path), original) << "nothing reaches the file before the commit";
    EXPECT_EQ(TIniFile(path).readString("s", "key", ""), "old");
    ini.commitBatch();
    EXPECT_EQ(readFile(path), QByteArray("[s]\r\nkey=new\r\n; note\r\n[t]\r\nn=7\r\n"));

    // After the commit, writes go straight to the file again.
    ini.writeInteger("t", "n", 8);
    EXPECT_EQ(TIniFile(path).readInteger("t", "n", 0), 8);
}

TEST(IniFileBatchTest, CancelledOrFailedBatchLeavesTheFileAsItWas) {
    QTemporaryDir dir;
    const QString path = dir.filePath("batch.ini");
    const QByteArray original = "[s]\nkey=old\n";
    writeFile(path, original);
    {
        TIniFile ini(path);
        ini.beginBatch();
        ini.writeString("s", "key", "dropped");
        ini.cancelBatch();
        EXPECT_EQ(ini.readString("s", "key", ""), "old");
        ini.beginBatch();
        ini.writeString("s", "key", "dropped too");
        // Destroyed with the batch open: an exception between writes must
        // not leave half a dialog's keys behind.
    }
    EXPECT_EQ(readFile(path), original);

    TIniFile ini(path);
    ini.beginBatch();
    ini.writeString("s", "key", "new");
    TIniFile::failNextCommitForTesting();
    EXPECT_THROW(ini.commitBatch(), TListoraError);
    EXPECT_EQ(readFile(path), original);
    EXPECT_EQ(ini.readString("s", "key", ""), "old") << "the failed batch is gone";
}

} // namespace
