#include "source/SourceMgt.h"

#include "platform/Errors.h"
#include "platform/Progress.h"
#include "platform/Rounding.h"
#include "source/SectionRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

TNullProgress silentProgress;

QString upperExtension(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    return suffix.isEmpty() ? QString() : u'.' + suffix.toUpper();
}

// Adds the section that starts at line from text and moves the cursor to
// the new empty record.
RFunction* addSection(RFile& file, RFunction* cursor, const QString& text, int line, bool isSub) {
    const RSectionName named = SectionNameOf(text, isSub);
    cursor->IsPrivate = IsPrivateDeclaration(text);
    cursor->IsStatic = IsStaticDeclaration(text);
    cursor->IsSub = isSub;
    cursor->StartLine = line;
    cursor->Marked = 0;
    cursor->Name = named.Name;
    cursor->ReturnType = named.ReturnType;
    return file.AppendFunction(cursor);
}

QByteArray cutName(const QString& name) {
    return name.left(kPrintMarkNameLength).toUtf8();
}

void writeWhole(const QString& path, const QByteArray& bytes) {
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size() ||
        !out.flush())
        throw TListoraError(QStringLiteral("Cannot write %1: %2").arg(path, out.errorString()));
}

} // namespace

int GaugePercent(qint64 done, qint64 total) {
    return total > 0 ? RoundEven(100.0 * static_cast<double>(done) / static_cast<double>(total))
                     : 0;
}

TSourceMgt::TSourceMgt(IProgress* progress, int codePage)
    : progress_(progress ? progress : &silentProgress), codePage_(codePage), firstFile_(new RFile),
      fileTail_(firstFile_) {}

TSourceMgt::~TSourceMgt() {
    RFile* file = firstFile_;
    while (file) {
        RFile* next = file->Next;
        delete file;
        file = next;
    }
}

RFile* TSourceMgt::AddFile() {
    RFile* filled = fileTail_;
    auto* tail = new RFile;
    tail->Prev = filled;
    filled->Next = tail;
    fileTail_ = tail;
    return filled;
}

int TSourceMgt::FileCount() const {
    int count = 0;
    for (RFile* f = firstFile_; f->Next; f = f->Next)
        ++count;
    return count;
}

void TSourceMgt::AnalyzeProject() {
    const int total = FileCount();
    int done = 0;
    for (RFile* f = firstFile_; f->Next; f = f->Next) {
        progress_->processPendingMessages();
        progress_->showProgress(QString(), GaugePercent(done, total));
        if (!f->Loaded) {
            UnloadFileTexts();
            LoadFileText(*f);
        }
        AnalyzeFile(*f);
        ++done;
    }
    progress_->showProgress(QString(), 0);
    analyzed_ = true;
}

void TSourceMgt::AnalyzeFile(RFile& file) {
    file.ClearFunctions();
    RFunction* cursor = file.Functions;
    if (!file.Loaded) {
        UnloadFileTexts();
        LoadFileText(file);
    }
    if (file.CodeStart == 0 && HasDescriptionBlock(upperExtension(file.Path))) {
        const RFormHeader header = SkipFormHeader(file.Lines);
        file.CodeStart = header.CodeStart;
        file.BlockCount = header.BlockCount;
    }
    const int lineCount = static_cast<int>(file.Lines.size());
    // A CodeStart kept from an earlier, longer text must not point past
    // the end.
    const int codeStart = std::min(file.CodeStart, lineCount);

    cursor = addSection(file, cursor, QStringLiteral("Sub Declarations"), codeStart, true);
    file.Functions->Name = QStringLiteral("File Declarations");
    RFunction* open = file.Functions;

    for (int line = codeStart; line < lineCount; ++line) {
        progress_->processPendingMessages();
        const QString text = CutComment(file.Lines.at(line));
        if (text.contains(QLatin1String("Begin Form "))) file.DisplayName = text.mid(11, 100);
        if (!MayStartProcedure(text)) continue;
        const bool starts[] = {IsFunctionStart(text), IsPropertyStart(text), IsSubStart(text)};
        for (int test = 0; test < 3; ++test) {
            if (!starts[test]) continue;
            open->SectionLines = line - open->StartLine;
            progress_->processPendingMessages();
            open = cursor;
            cursor = addSection(file, cursor, text, line, test == 2);
        }
    }
    open->SectionLines = lineCount - open->StartLine;
}

void TSourceMgt::LoadFileText(RFile& file) {
    file.Lines = ReadSourceLines(file.Path, codePage_);
    file.LineCount = static_cast<int>(file.Lines.size());
    file.Loaded = true;
}

void TSourceMgt::unloadText(RFile& file) {
    progress_->processPendingMessages();
    file.Lines = QStringList();
    file.Loaded = false;
}

void TSourceMgt::UnloadFileTexts() {
    for (RFile* f = firstFile_; f->Next; f = f->Next)
        if (f->Loaded) unloadText(*f);
}

void TSourceMgt::UnloadFileText(const QString& fileName) {
    for (RFile* f = firstFile_; f->Next; f = f->Next)
        if (f->Loaded && f->FileName == fileName) unloadText(*f);
}

int TSourceMgt::FillTree(ISourceTree& tree, const QString& rootCaption, bool WithSections) {
    tree.clear();
    tree.beginUpdate();
    progress_->showProgress(QString(), 0);
    const ISourceTree::NodeId root =
        tree.addNode(ISourceTree::kNoNode, rootCaption, {firstFile_, nullptr}, siRoot,
                     ISourceTree::kNoStateImage);
    const int total = FileCount();
    int done = 0;
    int marked = 0;
    for (RFile* f = firstFile_; f->Next; f = f->Next) {
        progress_->processPendingMessages();
        progress_->showProgress(QString(), GaugePercent(++done, total));
        const int image = f->Ext == QLatin1String(".FRM")   ? siForm
                          : f->Ext == QLatin1String(".BAS") ? siModule
                                                            : siOtherFile;
        const ISourceTree::NodeId node =
            tree.addNode(root, f->FileName, {f, nullptr}, image, siUnmarked);
        if (!WithSections) continue;
        for (RFunction* s = f->Functions; s->Next; s = s->Next) {
            tree.addNode(node, s->Name, {f, s}, siSection, s->Marked ? siMarked : siUnmarked);
            if (s->Marked) ++marked;
        }
    }
    tree.endUpdate();
    progress_->showProgress(QString(), 0);
    return marked;
}

void TSourceMgt::SavePrintMarks(const QString& projectPath, const QString& folder) const {
    const QDir dir(folder.isEmpty() ? QDir::currentPath() : folder);

    QByteArray marks;
    for (RFile* f = firstFile_; f->Next; f = f->Next)
        for (RFunction* s = f->Functions; s->Next; s = s->Next)
            if (s->Marked) marks += cutName(f->FileName) + "\r\n" + cutName(s->Name) + "\r\n";
    writeWhole(dir.filePath(kPrintMarksFileName), marks);

    // A length byte and at most 255 bytes of the path, zero-padded to 256;
    // a longer path is cut at a character boundary.
    QByteArray path = projectPath.toUtf8();
    if (path.size() > 255) {
        qsizetype n = 255;
        while (n > 0 && (static_cast<unsigned char>(path.at(n)) & 0xC0) == 0x80)
            --n;
        path.truncate(n);
    }
    QByteArray info(256, '\0');
    info[0] = static_cast<char>(path.size());
    std::copy(path.cbegin(), path.cend(), info.begin() + 1);
    writeWhole(dir.filePath(kProjectInfoFileName), info);
}

void TSourceMgt::LoadPrintMarks(const QString& path) {
    const QStringList lines = ReadSourceLines(path, codePage_);
    // A trailing file name without its section name is ignored.
    for (qsizetype i = 0; i + 1 < lines.size(); i += 2)
        MarkSection(lines.at(i).left(kPrintMarkNameLength),
                    lines.at(i + 1).left(kPrintMarkNameLength));
}

void TSourceMgt::MarkSection(const QString& fileName, const QString& sectionName) {
    for (RFile* f = firstFile_; f->Next; f = f->Next) {
        if (f->FileName.compare(fileName, Qt::CaseInsensitive) != 0) continue;
        for (RFunction* s = f->Functions; s->Next; s = s->Next)
            if (s->Name.compare(sectionName, Qt::CaseInsensitive) == 0) s->Marked = 1;
    }
}

bool TSourceMgt::HasMarkedSections(const RFile& file) {
    if (!file.Functions->Next) return file.Marked != 0;
    for (RFunction* s = file.Functions; s->Next; s = s->Next)
        if (s->Marked == 1) return true;
    return false;
}
