#pragma once
// Helpers shared by the test programs.
#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class TSourceMgt;

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

// Loads and analyses a project (a test failure when it does not load) and
// gives its job title; every file and section is marked when markAll.
QString loadProject(TSourceMgt& sources, const QString& path, bool markAll = true);
void markAll(TSourceMgt& sources);
// The marked sections, as "FileName|Name".
QStringList markedSections(const TSourceMgt& sources);

// One run of the batch command: its status (-1 when it did not end
// normally), standard output and standard error without Qt's own
// platform notes. A null input leaves standard input as it is.
struct TPrintRun {
    int status = -1;
    QString out;
    QString err;
};
TPrintRun runPrint(const QStringList& args, const QByteArray& input = {},
                   const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());

} // namespace testsupport
