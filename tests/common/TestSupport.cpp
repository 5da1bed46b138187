#include "TestSupport.h"

#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <gtest/gtest.h>
#include <stdexcept>

namespace testsupport {

QString sourceDir() {
    return QStringLiteral(LISTORA_SOURCE_DIR);
}
QString binaryDir() {
    return QStringLiteral(LISTORA_BINARY_DIR);
}

QString loadProject(TSourceMgt& sources, const QString& path, bool all) {
    QString title;
    if (!LoadProjectFile(sources, path, title))
        ADD_FAILURE() << "cannot load " << path.toStdString();
    sources.AnalyzeProject();
    if (all) markAll(sources);
    return title;
}

void markAll(TSourceMgt& sources) {
    for (RFile* file = sources.FirstFile(); file->Next; file = file->Next) {
        file->Marked = 1;
        for (RFunction* s = file->Functions; s->Next; s = s->Next)
            s->Marked = 1;
    }
}

QStringList markedSections(const TSourceMgt& sources) {
    QStringList out;
    for (RFile* f = sources.FirstFile(); f->Next; f = f->Next)
        for (RFunction* s = f->Functions; s->Next; s = s->Next)
            if (s->Marked) out << f->FileName + "|" + s->Name;
    return out;
}

QString sharedDir() {
    // LISTORA_SHARED overrides; otherwise ../shared beside the checkout.
    QString dir = qEnvironmentVariable("LISTORA_SHARED");
    if (dir.isEmpty()) dir = QDir(sourceDir()).absoluteFilePath("../shared");
    return QFileInfo(dir).isDir() ? QDir(dir).canonicalPath() : QString();
}

static QString sharedSub(const char* name) {
    const QString shared = sharedDir();
    if (shared.isEmpty()) return {};
    const QString dir = QDir(shared).absoluteFilePath(QString::fromLatin1(name));
    return QFileInfo(dir).isDir() ? dir : QString();
}

QString corpusDir() {
    return sharedSub("corpus");
}
QString vectorsDir() {
    return sharedSub("vectors");
}

QStringList corpusProjects() {
    QStringList projects;
    const QString corpus = corpusDir();
    if (corpus.isEmpty()) return projects;
    QDirIterator it(corpus, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString ext = QFileInfo(path).suffix().toUpper();
        if ((ext == "VBP" || ext == "MAK") && IsBelowSizeLimit(path)) projects << path;
    }
    projects.sort();
    return projects;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + path.toStdString());
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

TPrintRun runPrint(const QStringList& args, const QByteArray& input,
                   const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    // Standard input from a file: a pipe written by this process fails as a write
    // error (and ends the wait) when the program stops reading early, as it must
    // past its input limit.
    QTemporaryFile in;
    if (!input.isNull()) {
        EXPECT_TRUE(in.open() && in.write(input) == input.size() && in.flush());
        p.setStandardInputFile(in.fileName());
    }
    p.start(binaryDir() + "/bin/listora-print", args);
    EXPECT_TRUE(p.waitForFinished(180000)) << args.join(' ').toStdString();
    TPrintRun r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError())
                .remove(QRegularExpression("QStandardPaths[^\n]*\n"));
    return r;
}

} // namespace testsupport
