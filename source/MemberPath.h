#pragma once
// Member paths in project files are written on Windows: "\" separators,
// any letter case, sometimes a drive letter. Here they are resolved against
// the real folder tree.
#include <QString>

// True for names that only make sense on Windows ("C:\WINDOWS\...",
// "A:FOO.BAS"): any name holding a ':'.
bool HasDriveLetter(const QString& memberName);

// True when no file here can have this name: a drive letter, or a NUL
// character (which the file system cannot store).
bool IsUnreachableMemberName(const QString& memberName);

// Resolves memberName (relative, "\" or "/" separated) against projectDir,
// one component at a time: an entry of the exact name wins; otherwise the
// one entry that matches without regard to letter case. When a component
// cannot be found (or matches several entries) the rest of the path is
// appended as written, which yields a path that does not exist.
QString ResolveMemberPath(const QString& projectDir, const QString& memberName);
