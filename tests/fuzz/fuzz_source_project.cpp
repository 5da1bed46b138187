// Arbitrary bytes as a project file and two of its members, through the
// project loader, the analyzer, the tree and the print marks. Input layout:
// byte 0 picks the code page, then up to three parts separated by
// "\n====\n": the project file, "m.frm" and "m.bas".
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "source/ProjectLoader.h"
#include "source/SectionRules.h"
#include "source/SourceMgt.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

namespace {

class TSilentMessages : public IMessageService {
public:
    void show(TMessageKind, const QString&, const QString&) override {}
    bool askYesNo(const QString&, const QString&) override { return false; }
};

class TCountingTree : public ISourceTree {
public:
    void clear() override { nodes = 0; }
    void beginUpdate() override {}
    void endUpdate() override {}
    NodeId addNode(NodeId, const QString& caption, TSourceNodeData data, int, int) override {
        // Touch what a real tree would show.
        if (data.Section) size += data.Section->Name.size() + data.Section->SectionLines;
        size += caption.size();
        return nodes++;
    }
    int nodes = 0;
    qsizetype size = 0;
};

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

void checkSections(const RFile& file) {
    int lines = 0;
    for (RFunction* s = file.Functions; s->Next; s = s->Next) {
        if (s->StartLine < 0 || s->SectionLines < 0 || s->StartLine > file.LineCount)
            __builtin_trap();
        lines += s->SectionLines;
    }
    // Sections cover exactly the code after the description block.
    if (file.Functions->Next && lines != file.LineCount - std::min(file.CodeStart, file.LineCount))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TSilentMessages silent;
    static QTemporaryDir dir;
    setMessageService(&silent);
    if (size == 0 || !dir.isValid()) return 0;
    static const int codePages[] = {1252, 1250, 1251, 932, 936, 949, 65001, 0};
    const int codePage = codePages[data[0] % 8];
    const QByteArray input(reinterpret_cast<const char*>(data) + 1,
                           static_cast<qsizetype>(size - 1));
    QList<QByteArray> parts;
    qsizetype from = 0;
    while (parts.size() < 2) {
        const qsizetype at = input.indexOf("\n====\n", from);
        if (at < 0) break;
        parts << input.mid(from, at - from);
        from = at + 6;
    }
    parts << input.mid(from);
    while (parts.size() < 3)
        parts << QByteArray();

    const QString project = dir.filePath("p.vbp");
    writeAll(project, parts[0]);
    writeAll(dir.filePath("m.frm"), parts[1]);
    writeAll(dir.filePath("m.bas"), parts[2]);

    TSourceMgt sources(nullptr, codePage);
    QString title;
    try {
        if (LoadProjectFile(sources, project, title)) {
            sources.AnalyzeProject();
            for (RFile* f = sources.FirstFile(); f->Next; f = f->Next) {
                sources.LoadFileText(*f);
                checkSections(*f);
                for (RFunction* s = f->Functions; s->Next; s = s->Next)
                    sources.MarkSection(f->FileName.toUpper(), s->Name);
            }
            TCountingTree tree;
            if (sources.FillTree(tree, title, true) > 0 && tree.nodes == 0) __builtin_trap();
            sources.SavePrintMarks(title, dir.path());
            sources.LoadPrintMarks(dir.filePath(kPrintMarksFileName));
        }
    } catch (const TListoraError&) {
    }

    // The same bytes as an in-memory form, and the pure line rules.
    RFile file;
    file.Path = QStringLiteral("x.frm");
    file.Lines = SplitSourceLines(DecodeSourceBytes(parts[1] + parts[2], codePage));
    file.LineCount = static_cast<int>(file.Lines.size());
    file.Loaded = true;
    sources.AnalyzeFile(file);
    checkSections(file);
    for (const QString& line : sources.ProjectLines()) {
        const RProjectMember member = ClassifyProjectLine(line);
        (void)LineExtension(line);
        (void)SectionNameOf(member.Name, line.size() % 2 == 0);
    }
    setMessageService(nullptr);
    return 0;
}
