// Looks into and writes Listora archives (".LRP" jobs, "graphics.dat"):
//   listora-archive list ARCHIVE
//   listora-archive expand ARCHIVE DIR [NAME...]
//   listora-archive create ARCHIVE --method none|rle|lzh FILE...
#include "archive/Compress.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {

const char* const kUsage =
    "usage: listora-archive list ARCHIVE\n"
    "       listora-archive expand ARCHIVE DIR [NAME...]\n"
    "       listora-archive create ARCHIVE --method none|rle|lzh FILE...\n"
    "Files are stored under their names as given: run create in the folder of\n"
    "the files to store bare names.\n";

void print(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
}

const char* methodLabel(int method) {
    static const char* const labels[] = {"stored", "rle", "lzh", "custom"};
    return method >= 0 && method <= 3 ? labels[method] : "unknown";
}

// Fails on a file that is no archive, which listing alone would show empty.
void checkHeader(const QString& archive) {
    QFile file(archive);
    if (!file.open(QIODevice::ReadOnly))
        throw TListoraError(QStringLiteral("Cannot open %1\n%2").arg(archive, file.errorString()));
    const QByteArray header = file.read(archiveformat::kMainHeaderSize);
    if (header.size() < archiveformat::kMainHeaderSize ||
        !header.startsWith(QByteArray(archiveformat::kMagic, 5)))
        throw TListoraError(QStringLiteral("Can't recognize compressed file header"));
}

int list(const QString& archive) {
    checkHeader(archive);
    QList<RArchiveEntry> entries;
    TCompress().ScanArchive(archive, entries);
    print(QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
              .arg("Size", 10)
              .arg("Packed", 10)
              .arg("Method", -7)
              .arg("Checksum", -8)
              .arg("Key", -3)
              .arg("Date", -19)
              .arg("Name"));
    qint64 total = 0;
    qint64 packed = 0;
    for (const RArchiveEntry& e : entries) {
        const QDateTime date = archiveformat::fromDosDateTime(e.DateTime);
        print(QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
                  .arg(e.Size, 10)
                  .arg(e.CompressedSize, 10)
                  .arg(QString::fromLatin1(methodLabel(e.Method)), -7)
                  .arg(e.Checksum, 8, 16, QChar('0'))
                  .arg(e.Keyed ? "yes" : "no", -3)
                  .arg(date.isValid() ? date.toString("yyyy-MM-dd hh:mm:ss") : "-", -19)
                  .arg(ShownOnTerminal(e.Name)));
        total += e.Size;
        packed += e.CompressedSize;
    }
    print(QStringLiteral("%1 %2 %3 entries\n").arg(total, 10).arg(packed, 10).arg(entries.size()));
    const qint64 end = entries.isEmpty()
                           ? archiveformat::kMainHeaderSize
                           : entries.last().DataPosition + entries.last().CompressedSize;
    const qint64 size = QFileInfo(archive).size();
    if (end != size) {
        std::fprintf(
            stderr,
            "listora-archive: %s: %lld bytes after the last entry are not a complete entry\n",
            qPrintable(archive), static_cast<long long>(size - end));
        return 1;
    }
    return 0;
}

int expand(const QString& archive, const QString& folder, const QStringList& names) {
    TCompress compress;
    compress.setTargetPath(folder);
    compress.MakeDirectories = true;
    QStringList expanded = names;
    if (names.isEmpty()) {
        // Without names, list every entry so that the paths come back.
        QList<RArchiveEntry> entries;
        compress.ScanArchive(archive, entries);
        for (const RArchiveEntry& e : entries)
            expanded << e.Name;
    }
    compress.ExpandFiles(archive, &expanded);
    for (const QString& name : expanded)
        print(ShownOnTerminal(name) + '\n');
    if (!names.isEmpty() && expanded.isEmpty()) {
        std::fprintf(stderr, "listora-archive: no entry of %s matches the names given\n",
                     qPrintable(archive));
        return 1;
    }
    return 0;
}

int create(const QString& archive, const QString& method, const QStringList& files) {
    int code = -1;
    if (method == "none")
        code = cmNone;
    else if (method == "rle")
        code = cmRLE;
    else if (method == "lzh")
        code = cmLZH;
    if (code < 0 || files.isEmpty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    TCompress compress;
    compress.ExceptionOnFileError = true;
    compress.CompressFiles(archive, files, code);
    return list(archive);
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    try {
        if (args.size() == 2 && args[0] == "list") return list(args[1]);
        if (args.size() >= 3 && args[0] == "expand") return expand(args[1], args[2], args.mid(3));
        if (args.size() >= 5 && args[0] == "create" && args[2] == "--method")
            return create(args[1], args[3], args.mid(4));
    } catch (const TListoraError& e) {
        std::fprintf(stderr, "listora-archive: %s\n",
                     ShownOnTerminal(e.message(), true).toLocal8Bit().constData());
        return 1;
    }
    std::fputs(kUsage, stderr);
    return 2;
}
