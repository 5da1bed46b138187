#pragma once
// Where the programs find their shipped data ("graphics.dat", the help
// book): beside the executable, as in the build folder and in a copied
// folder, or under the installation prefix, <prefix>/share/listora for
// programs in <prefix>/bin.
#include <QString>
#include <QStringList>

// The folders searched for a program in programDir, the first one first.
QStringList resourceFolders(const QString& programDir);

// Path of the file `name` in the first resource folder that has it; on a
// case-sensitive file system a name in other letter case (as copied from
// Windows media) is found too. Empty when no folder has it.
QString findResourceFile(const QString& programDir, const QString& name);

// Path of the folder `name` in the first resource folder that has it, else
// the one beside the program (where a missing one is reported).
QString findResourceFolder(const QString& programDir, const QString& name);
