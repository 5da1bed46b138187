// Cost of analysing source text: one module just under the size limit,
// full of short procedures (the worst case for section bookkeeping), and
// one project of 200 such members loaded and analysed whole.
//   bench_source_analyze [rounds]
#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

QByteArray moduleText(int maxBytes) {
    QByteArray text = "Attribute VB_Name = \"Big\"\r\nOption Explicit\r\n";
    for (int i = 0; text.size() < maxBytes - 200; ++i)
        text += QByteArray("' Adds one.\r\nPrivate Function Step") + QByteArray::number(i) +
                "(ByVal n As Long) As Long\r\n    Step = n + 1 ' \"quoted\" 'twice\r\n"
                "End Function\r\n\r\n";
    return text;
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) std::exit(1);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 10;
    QTemporaryDir dir;
    const QByteArray big = moduleText(199999);
    write(dir.filePath("Big.bas"), big);

    QElapsedTimer t;
    t.start();
    int sections = 0;
    for (int r = 0; r < rounds; ++r) {
        TSourceMgt sources;
        RFile* f = sources.AddFile();
        f->Path = dir.filePath("Big.bas");
        sources.AnalyzeFile(*f);
        sections = 0;
        for (RFunction* s = f->Functions; s->Next; s = s->Next)
            ++sections;
    }
    const double fileMs = t.nsecsElapsed() / 1e6 / rounds;

    const QByteArray small = moduleText(8000);
    QByteArray project = "Type=Exe\r\nName=\"Bench\"\r\nProjWinSize=1,2,3,4\r\n";
    for (int i = 0; i < 200; ++i) {
        write(dir.filePath(QStringLiteral("m%1.bas").arg(i)), small);
        // Upper-cased names make every member a case-insensitive lookup.
        project += "Module=M" + QByteArray::number(i) + "; M" + QByteArray::number(i) + ".BAS\r\n";
    }
    write(dir.filePath("Bench.vbp"), project);
    t.restart();
    int members = 0;
    for (int r = 0; r < rounds; ++r) {
        TSourceMgt sources;
        QString title;
        LoadProjectFile(sources, dir.filePath("Bench.vbp"), title);
        sources.AnalyzeProject();
        members = sources.FileCount();
    }
    const double projectMs = t.nsecsElapsed() / 1e6 / rounds;

    std::printf("analyse %lld-byte module (%d sections): %.1f ms; load and analyse project of %d "
                "members: %.1f ms (%d rounds)\n",
                static_cast<long long>(big.size()), sections, fileMs, members, projectMs, rounds);
    return 0;
}
