// The archive writer round trip: files made from the input (contents split
// at NULs), packed with each method and expanded again, come back byte for
// byte under their names.
#include "FuzzSupport.h"
#include "archive/Compress.h"
#include "platform/Errors.h"

#include <QDir>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    if (size == 0) return 0;
    const int method = data[0] % 3; // stored, RLE, LZH
    const QByteArray input(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QList<QByteArray> contents = input.split('\0').mid(0, 8);

    const QString root = fuzzsupport::folder().filePath(QStringLiteral("round"));
    QDir(root).removeRecursively();
    QDir().mkpath(root + QStringLiteral("/in"));
    QDir().mkpath(root + QStringLiteral("/out"));
    // Entries are stored under the names given: bare names, from their
    // folder. The fuzzer's own folder is restored before it writes inputs.
    const QString before = QDir::currentPath();
    QDir::setCurrent(root + QStringLiteral("/in"));
    QStringList files;
    for (int i = 0; i < contents.size(); ++i) {
        const QString name = QStringLiteral("member%1.dat").arg(i);
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly) || file.write(contents[i]) != contents[i].size())
            std::abort();
        files << name;
    }
    const QString archive = root + QStringLiteral("/pack.dat");
    try {
        TCompress writer;
        writer.CompressFiles(archive, files, method);
        TCompress reader;
        reader.setTargetPath(root + QStringLiteral("/out/"));
        QStringList expanded;
        for (int i = 0; i < contents.size(); ++i)
            expanded << QStringLiteral("member%1.dat").arg(i);
        reader.ExpandFiles(archive, &expanded);
    } catch (const TListoraError&) {
        std::abort(); // packing and unpacking plain files must not fail
    }
    QDir::setCurrent(before);
    for (int i = 0; i < contents.size(); ++i) {
        QFile file(root + QStringLiteral("/out/member%1.dat").arg(i));
        if (!file.open(QIODevice::ReadOnly) || file.readAll() != contents[i]) std::abort();
    }
    return 0;
}
