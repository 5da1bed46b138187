#include "source/MemberPath.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

QString joinPath(const QString& dir, const QString& name) {
    if (dir.isEmpty()) return name;
    return dir.endsWith(u'/') ? dir + name : dir + u'/' + name;
}

// The one entry of dir whose name equals name without regard to case, or
// an empty string when there is none or more than one.
QString uniqueCaselessMatch(const QString& dir, const QString& name) {
    const QStringList entries =
        QDir(dir.isEmpty() ? QStringLiteral(".") : dir)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    QString found;
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) != 0) continue;
        if (!found.isEmpty()) return {};
        found = entry;
    }
    return found;
}

} // namespace

bool HasDriveLetter(const QString& memberName) {
    return memberName.contains(u':');
}

bool IsUnreachableMemberName(const QString& memberName) {
    return HasDriveLetter(memberName) || memberName.contains(QChar(0));
}

QString ResolveMemberPath(const QString& projectDir, const QString& memberName) {
    QString name = memberName;
    name.replace(u'\\', u'/');
    const QStringList parts = name.split(u'/', Qt::SkipEmptyParts);
    QString path = projectDir;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts.at(i);
        if (part == QLatin1String(".") || part == QLatin1String("..") ||
            QFileInfo::exists(joinPath(path, part))) {
            path = joinPath(path, part);
            continue;
        }
        const QString match = uniqueCaselessMatch(path, part);
        if (match.isEmpty()) {
            for (qsizetype j = i; j < parts.size(); ++j)
                path = joinPath(path, parts.at(j));
            return path;
        }
        path = joinPath(path, match);
    }
    return path;
}
