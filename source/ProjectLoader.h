#pragma once
// Reads a Visual Basic project file (".MAK" or ".VBP") into the file chain
// of a source analyzer, and the two tests every opened source file passes
// first: the text test and the size limit.
#include <QString>
#include <QStringList>

class TSourceMgt;

// Sources of this size or more are refused.
inline constexpr qint64 kSourceSizeLimit = 200000;
// Projects naming more source files than this are refused (real projects
// stay in the hundreds; each member may hold up to kSourceSizeLimit).
inline constexpr int kMaxProjectMembers = 4096;

bool IsPrintableChar(char c);
// True when the file's first byte is printable (an empty, unreadable or
// missing file is not text).
bool IsASCIIFile(const QString& path);
// Size in bytes of the file, -1 when there is no such file.
qint64 FileSizeOf(const QString& path);
// FileSizeOf is known and below kSourceSizeLimit.
bool IsBelowSizeLimit(const QString& path);

// A project names one of its keys from the third line on.
bool IsVBProject(const QStringList& lines);

enum TMemberKind {
    mkNone,     // not a member line ("Reference=", "Startup=", ...)
    mkForm,     // "Form=" (also met inside "IconForm=")
    mkDesigner, // "UserControl=", "PropertyPage=", "UserDocument=", "Designer="
    mkModule,   // "Module=Name; file"
    mkClass,    // "Class=Name; file"
    mkPlain,    // a ".MAK" line: the file name alone
};

struct RProjectMember {
    TMemberKind Kind = mkNone;
    QString Name;   // the file as written in the project
    QString Object; // module or class name, empty otherwise
};

RProjectMember ClassifyProjectLine(const QString& line);

// Upper-cased extension of a whole project line ("" when it has none).
QString LineExtension(const QString& line);

// Loads the project at projectPath into sources (a fresh analyzer) and sets
// jobTitle to the path. Returns false, after telling the user, when the
// file is not a Visual Basic project. Members that are missing or not text
// are skipped. Throws TListoraError when the project file cannot be read.
bool LoadProjectFile(TSourceMgt& sources, const QString& projectPath, QString& jobTitle);
