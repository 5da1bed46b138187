#pragma once
// Member paths in project files are written on Windows: "\" separators,
// any letter case, sometimes a drive letter. Here they are resolved against
// the real folder tree.
#include <QHash>
#include <QString>

// True for names that only make sense on Windows ("C:\WINDOWS\...",
// "A:FOO.BAS"): any name holding a ':'.
bool HasDriveLetter(const QString& memberName);

// True when no file here can have this name: a drive letter, or a NUL
// character (which the file system cannot store).
bool IsUnreachableMemberName(const QString& memberName);

// Resolves the member names of one project against its folder.
class TMemberPathResolver {
public:
    explicit TMemberPathResolver(const QString& projectDir) : projectDir_(projectDir) {}
    // memberName (relative, "\" or "/" separated), one component at a
    // time: an entry of the exact name wins; otherwise the one entry that
    // matches without regard to letter case. When a component cannot be
    // found (or matches several entries) the rest of the path is appended
    // as written, which yields a path that does not exist. A folder is
    // listed once for all the members looked for in it, not once each.
    QString resolve(const QString& memberName);

private:
    QString uniqueCaselessMatch(const QString& dir, const QString& name);

    QString projectDir_;
    // Folder -> its entries by case-folded name.
    QHash<QString, QMultiHash<QString, QString>> listings_;
};
