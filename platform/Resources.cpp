#include "platform/Resources.h"

#include <QDir>
#include <QFileInfo>

QStringList resourceFolders(const QString& programDir) {
    const QDir dir(programDir);
    return {dir.path(), QDir::cleanPath(dir.filePath(QStringLiteral("../share/listora")))};
}

QString findResourceFile(const QString& programDir, const QString& name) {
    for (const QString& folder : resourceFolders(programDir)) {
        const QDir dir(folder);
        if (QFileInfo(dir.filePath(name)).isFile()) return dir.filePath(name);
        const QStringList matches = dir.entryList({name}, QDir::Files | QDir::Readable);
        for (const QString& match : matches)
            if (match.compare(name, Qt::CaseInsensitive) == 0) return dir.filePath(match);
    }
    return QString();
}

QString findResourceFolder(const QString& programDir, const QString& name) {
    const QStringList folders = resourceFolders(programDir);
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo(path).isDir()) return path;
    }
    return QDir(folders.front()).filePath(name);
}
