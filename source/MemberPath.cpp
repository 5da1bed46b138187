#include "source/MemberPath.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

QString joinPath(const QString& dir, const QString& name) {
    if (dir.isEmpty()) return name;
    return dir.endsWith(u'/') ? dir + name : dir + u'/' + name;
}

} // namespace

bool HasDriveLetter(const QString& memberName) {
    return memberName.contains(u':');
}

bool IsUnreachableMemberName(const QString& memberName) {
    return HasDriveLetter(memberName) || memberName.contains(QChar(0));
}

// The one entry of dir whose name equals name without regard to case, or
// an empty string when there is none or more than one.
QString TMemberPathResolver::uniqueCaselessMatch(const QString& dir, const QString& name) {
    auto listing = listings_.find(dir);
    if (listing == listings_.end()) {
        listing = listings_.insert(dir, {});
        const QStringList entries =
            QDir(dir.isEmpty() ? QStringLiteral(".") : dir)
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString& entry : entries)
            listing->insert(entry.toCaseFolded(), entry);
    }
    QString found;
    const auto [first, last] = std::as_const(*listing).equal_range(name.toCaseFolded());
    for (auto it = first; it != last; ++it) {
        if (it.value().compare(name, Qt::CaseInsensitive) != 0) continue;
        if (!found.isEmpty()) return {};
        found = it.value();
    }
    return found;
}

QString TMemberPathResolver::resolve(const QString& memberName) {
    QString name = memberName;
    name.replace(u'\\', u'/');
    const QStringList parts = name.split(u'/', Qt::SkipEmptyParts);
    QString path = projectDir_;
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
