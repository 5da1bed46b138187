// Arbitrary bytes as a project file and its members, through the project
// loader, the analyzer, the tree and the print marks. Input layout: byte 0
// picks the code page, byte 1 the members' letter case and which of them
// are missing (see writeMembers), then up to three parts separated by
// "\n====\n": the project file, a form text and a module text.
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "source/ProjectLoader.h"
#include "source/SectionRules.h"
#include "source/SourceMgt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdint>

namespace {

// Every warning of the loader names members left out, one a line.
class TCheckedMessages : public IMessageService {
public:
    void show(TMessageKind kind, const QString&, const QString& text) override {
        if (kind != TMessageKind::Warning) return;
        for (const QString& line : text.split(u'\n')) {
            if (!line.startsWith(QLatin1String("Left out "))) __builtin_trap();
            ++leftOut;
        }
    }
    bool askYesNo(const QString&, const QString&) override { return false; }
    int leftOut = 0;
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

// The members the project may name, in varied letter case, some missing,
// some ambiguous (two names equal but for case), one a folder.
void writeMembers(const QDir& dir, unsigned flags, const QByteArray& form,
                  const QByteArray& module) {
    for (const QString& entry :
         dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        if (!QFile::remove(dir.filePath(entry))) QDir(dir.filePath(entry)).removeRecursively();
    if (!(flags & 4)) writeAll(dir.filePath(flags & 1 ? "M.FRM" : "m.frm"), form);
    if (!(flags & 8)) writeAll(dir.filePath(flags & 2 ? "M.BAS" : "m.bas"), module);
    if (flags & 16) writeAll(dir.filePath("m.Bas"), form);
    const QString sub = flags & 32 ? QStringLiteral("SUB") : QStringLiteral("sub");
    dir.mkdir(sub);
    if (!(flags & 64)) writeAll(dir.filePath(sub + "/M.cls"), module);
    if (flags & 128) dir.mkdir(QStringLiteral("missing.bas"));
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
    static TCheckedMessages checked;
    static QTemporaryDir dir;
    checked.leftOut = 0;
    setMessageService(&checked);
    if (size < 2 || !dir.isValid()) return 0;
    static const int codePages[] = {1252, 1250, 1251, 932, 936, 949, 65001, 0};
    const int codePage = codePages[data[0] % 8];
    const unsigned flags = data[1];
    const QByteArray input(reinterpret_cast<const char*>(data) + 2,
                           static_cast<qsizetype>(size - 2));
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

    writeMembers(QDir(dir.path()), flags, parts[1], parts[2]);
    const QString project = dir.filePath("p.vbp");
    writeAll(project, parts[0]);

    TSourceMgt sources(nullptr, codePage);
    QString title;
    try {
        if (LoadProjectFile(sources, project, title)) {
            // A project is loaded only with a member to print, every one a
            // regular file.
            if (sources.FileCount() == 0) __builtin_trap();
            for (RFile* f = sources.FirstFile(); f->Next; f = f->Next)
                if (!QFileInfo(f->Path).isFile()) __builtin_trap();
            if (sources.FileCount() + checked.leftOut > sources.ProjectLines().size())
                __builtin_trap();
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
