#pragma once
// Helpers shared by the test programs.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace testsupport {

// Folder of the shared test data (real VB projects, external vectors), or an
// empty string when it is not present next to the repository.
QString sharedDir();
QString corpusDir();
QString vectorsDir();
// Every project file (.VBP, .MAK) of the corpus the loader takes, sorted;
// empty without the corpus.
QStringList corpusProjects();

// The repository's own folders.
QString sourceDir();
QString binaryDir();

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);

} // namespace testsupport
