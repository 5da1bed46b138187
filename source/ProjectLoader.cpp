#include "source/ProjectLoader.h"

#include "platform/AtomicFile.h"
#include "platform/Messages.h"
#include "platform/Progress.h"
#include "source/MemberPath.h"
#include "source/SourceMgt.h"
#include "source/TextDecoding.h"

#include <QFile>
#include <QFileInfo>

namespace {

// The file-name part of a member name written with either separator.
QString fileNamePart(const QString& name) {
    const qsizetype cut =
        std::max({name.lastIndexOf(u'\\'), name.lastIndexOf(u'/'), name.lastIndexOf(u':')});
    return name.mid(cut + 1);
}

// Text after the first "; ", or after the first ";" when the blank is
// missing.
QString afterSemicolon(const QString& line) {
    qsizetype at = line.indexOf(QLatin1String("; "));
    if (at >= 0) return line.mid(at + 2);
    at = line.indexOf(u';');
    return at >= 0 ? line.mid(at + 1).trimmed() : QString();
}

QString between(const QString& line, const QString& key) {
    const qsizetype from = line.indexOf(key) + key.size();
    const qsizetype semi = line.indexOf(u';', from);
    return semi < 0 ? QString() : line.mid(from, semi - from);
}

} // namespace

bool IsPrintableChar(char c) {
    return c >= 32 && c <= 126;
}

bool IsASCIIFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile()) return false;
    QFile file(info.absoluteFilePath());
    if (!file.open(QIODevice::ReadOnly)) return false;
    char first = 0;
    return file.getChar(&first) && IsPrintableChar(first);
}

RMemberCheck CheckMemberFile(const QString& path) {
    if (path.isEmpty()) return {QStringLiteral("the path leads to another (Windows) machine"), -1};
    QFile file;
    QString why;
    if (!OpenRegularFileForReading(path, file, why)) return {why.toLower(), -1};
    char first = 0;
    if (!file.getChar(&first) || !IsPrintableChar(first))
        return {QStringLiteral("it is not a text file"), file.size()};
    return {QString(), file.size()};
}

qint64 FileSizeOf(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() ? info.size() : -1;
}

bool IsBelowSizeLimit(const QString& path) {
    const qint64 size = FileSizeOf(path);
    return size >= 0 && size < kSourceSizeLimit;
}

bool IsVBProject(const QStringList& lines) {
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (line.contains(QLatin1String("ProjWinSize")) ||
            line.contains(QLatin1String("MaxNumberOfThreads")) ||
            line.contains(QLatin1String("ThreadPerObject")))
            return true;
    }
    return false;
}

RProjectMember ClassifyProjectLine(const QString& line) {
    RProjectMember member;
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0) {
        member.Kind = mkPlain;
        member.Name = line;
        return member;
    }
    if (line.contains(QLatin1String("Form="))) {
        member.Kind = mkForm;
        member.Name = line.mid(equals + 1);
    }
    // Controls, property pages, documents and designers are members that
    // belong in a listing just like forms.
    for (const char* key : {"UserControl=", "PropertyPage=", "UserDocument=", "Designer="}) {
        if (line.contains(QLatin1String(key))) {
            member.Kind = mkDesigner;
            member.Name = line.mid(equals + 1);
            member.Object.clear();
        }
    }
    if (line.contains(QLatin1String("Module="))) {
        member.Kind = mkModule;
        member.Name = afterSemicolon(line);
        member.Object = between(line, QStringLiteral("Module="));
    }
    if (line.contains(QLatin1String("Class="))) {
        member.Kind = mkClass;
        member.Name = afterSemicolon(line);
        member.Object = between(line, QStringLiteral("Class="));
    }
    return member;
}

QString LineExtension(const QString& line) {
    const QString upper = line.toUpper();
    const qsizetype cut = std::max({upper.lastIndexOf(u'.'), upper.lastIndexOf(u'\\'),
                                    upper.lastIndexOf(u'/'), upper.lastIndexOf(u':')});
    if (cut < 0 || upper.at(cut) != u'.') return {};
    return upper.mid(cut);
}

bool LoadProjectFile(TSourceMgt& sources, const QString& projectPath, QString& jobTitle) {
    IProgress& progress = sources.Progress();
    progress.showProgress(QStringLiteral("Loading MAK/VBP File"), 0);

    const QString dir = QFileInfo(projectPath).absolutePath();
    jobTitle = projectPath;
    QStringList& lines = sources.ProjectLines();
    lines = ReadSourceLines(projectPath, sources.CodePage());

    if (!IsVBProject(lines)) {
        showError(QStringLiteral("This is Not a Valid VB Project File. "));
        progress.showStatus(QStringLiteral("Unrecognizable MAK File"));
        return false;
    }

    int members = 0;
    TMemberPathResolver resolver(dir);
    qint64 projectBytes = 0;
    QStringList leftOut;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        const QString ext = LineExtension(line);
        progress.showProgress(QStringLiteral("Loading ") + line, GaugePercent(i, lines.size()));

        const RProjectMember member = ClassifyProjectLine(line);
        // "IconForm=" names a form by its object name, "[MS Transaction
        // Server]" opens a section of add-in settings: neither is a file.
        if (member.Kind == mkNone || ext == QLatin1String(".DLL") || ext == QLatin1String(".VBX") ||
            member.Name.trimmed().isEmpty() || line.startsWith(u'[') ||
            line.startsWith(QLatin1String("IconForm="), Qt::CaseInsensitive))
            continue;
        const QString path =
            IsUnreachableMemberName(member.Name) ? QString() : resolver.resolve(member.Name);
        const RMemberCheck check = CheckMemberFile(path);
        if (!check.problem.isEmpty()) {
            leftOut.append(QStringLiteral("Left out %1: %2").arg(member.Name, check.problem));
            continue;
        }
        if (check.size > kMemberSizeLimit) {
            showError(QStringLiteral("The file %1 of this project is over %2 MB (%3 bytes). It "
                                     "cannot be processed.")
                          .arg(member.Name)
                          .arg(kMemberSizeLimit >> 20)
                          .arg(check.size));
            progress.showStatus(QStringLiteral("Project Too Large"));
            return false;
        }
        projectBytes += check.size;
        if (++members > kMaxProjectMembers || projectBytes > kMaxProjectBytes) {
            showError(QStringLiteral("This project names more than %1 source files or %2 MB of "
                                     "source; Listora prints projects of at most %1 files and "
                                     "%2 MB.")
                          .arg(kMaxProjectMembers)
                          .arg(kMaxProjectBytes >> 20));
            progress.showStatus(QStringLiteral("Project Too Large"));
            return false;
        }

        RFile* file = sources.AddFile();
        file->Path = path;
        file->FileName = fileNamePart(member.Name);
        file->DisplayName = member.Object.isEmpty() ? file->FileName : member.Object;
        file->Ext = ext;
        file->ClearFunctions();
        file->Loaded = false;
        file->Marked = 0;
        file->CodeStart = 0;
        file->BlockCount = 0;
    }
    // One message for all, so that the desktop shows a single box.
    if (!leftOut.isEmpty()) showWarning(leftOut.join(u'\n'));
    if (members == 0) {
        showError(QStringLiteral("None of the source files this project names can be read; "
                                 "there is nothing to print."));
        progress.showStatus(QStringLiteral("No Source Files"));
        return false;
    }
    progress.showProgress(QStringLiteral("Task Complete"), 0);
    return true;
}
