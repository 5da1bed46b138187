#pragma once
// Reads a Visual Basic project file (".MAK" or ".VBP") into the file chain
// of a source analyzer, and the two tests every opened source file passes
// first: the text test and the size limit.
#include <QString>
#include <QStringList>

class TSourceMgt;

// Sources of this size or more are refused.
inline constexpr qint64 kSourceSizeLimit = 200000;
// Members of a project are bound apart: real projects hold generated
// modules of half a megabyte and more, which have always been listed.
inline constexpr qint64 kMemberSizeLimit = 64ll << 20;
// Projects naming more source files than this, or more source bytes, are
// refused (real projects stay in the hundreds of files and a few MB; the
// bytes bound is that of standard input).
inline constexpr int kMaxProjectMembers = 4096;
inline constexpr qint64 kMaxProjectBytes = 64ll << 20;

bool IsPrintableChar(char c);
// True when the file's first byte is printable (an empty, unreadable or
// missing file is not text).
bool IsASCIIFile(const QString& path);
// Size in bytes of the file, -1 when there is no such file.
qint64 FileSizeOf(const QString& path);
// FileSizeOf is known and below kSourceSizeLimit.
bool IsBelowSizeLimit(const QString& path);

// Whether a project member can be listed: problem says why not ("no such
// file or directory", "it is a folder", "it is not a text file", ...; an
// empty path stands for a name that leads to a Windows drive); size is
// its size when it could be opened. Never blocks on a pipe.
struct RMemberCheck {
    QString problem;
    qint64 size = -1;
};
RMemberCheck CheckMemberFile(const QString& path);

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
// file is not a Visual Basic project, a member is over the size limit, the
// project is over its bounds, or no member can be listed. Members that are
// missing, unreadable, no regular file or not text are left out, all named
// with their reasons in one warning ("Left out NAME: REASON" a line).
// Throws TListoraError when the project file cannot be read.
bool LoadProjectFile(TSourceMgt& sources, const QString& projectPath, QString& jobTitle);
