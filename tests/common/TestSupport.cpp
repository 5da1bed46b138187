#include "TestSupport.h"

#include "source/ProjectLoader.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace testsupport {

QString sourceDir() {
    return QStringLiteral(LISTORA_SOURCE_DIR);
}
QString binaryDir() {
    return QStringLiteral(LISTORA_BINARY_DIR);
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

} // namespace testsupport
