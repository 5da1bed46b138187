// Arbitrary bytes as an archive: listing and expanding must fail cleanly or
// succeed, and every file written must land inside the target folder.
#include "archive/Compress.h"
#include "platform/Errors.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir root(QDir::tempPath() + QStringLiteral("/fuzz-archive-XXXXXX"));
    if (!root.isValid()) std::abort();
    QDir work(root.path());
    work.removeRecursively();
    QDir().mkpath(root.path() + QStringLiteral("/out"));
    const QString archive = root.filePath(QStringLiteral("input.dat"));
    const QString target = root.filePath(QStringLiteral("out")) + '/';
    {
        QFile file(archive);
        if (!file.open(QIODevice::WriteOnly)) std::abort();
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }

    TCompress compress;
    try {
        QList<RArchiveEntry> entries;
        compress.ScanArchive(archive, entries);
    } catch (const TListoraError&) {
    }

    compress.setTargetPath(target);
    compress.MakeDirectories = true;
    // Bounds what one input may write.
    compress.FreeSpace = [](const QString&) -> qint64 { return 1 << 20; };
    compress.OnCheckFile = [&](QString& name) {
        const QString clean = QDir::cleanPath(name);
        if (!clean.startsWith(target)) std::abort(); // an entry escaped the target folder
    };
    // Alternate between a keyed and an unkeyed reader.
    compress.Key = size % 2 ? 0x1234 : 0;
    try {
        compress.ExpandFiles(archive);
    } catch (const TListoraError&) {
    }
    QDir(root.path()).removeRecursively();
    return 0;
}
