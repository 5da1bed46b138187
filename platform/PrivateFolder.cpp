#include "platform/PrivateFolder.h"

#include "platform/Errors.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kPrefix = QStringLiteral("listora-job-");
// A folder is made under this name and takes the final one only once it is
// locked, so the clean-up never sees a folder between the two steps.
const QString kNewPrefix = QStringLiteral("listora-new-");

} // namespace

QString TPrivateFolder::namePrefix() {
    return kPrefix;
}

TPrivateFolder::TPrivateFolder() {
    removeLeftovers();
    const QDir temp(QDir::tempPath());
    QByteArray pattern = QFile::encodeName(temp.filePath(kNewPrefix + QStringLiteral("XXXXXX")));
    if (!::mkdtemp(pattern.data()))
        throw TListoraError(QStringLiteral("Cannot create a temporary folder: %1")
                                .arg(QString::fromLocal8Bit(std::strerror(errno))));
    const QString made = QFile::decodeName(pattern);
    lockFd_ = ::open(pattern.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (lockFd_ >= 0) ::flock(lockFd_, LOCK_EX | LOCK_NB);
    path_ = temp.filePath(kPrefix + made.right(6));
    if (lockFd_ < 0 || !QFile::rename(made, path_)) {
        QDir(made).removeRecursively();
        if (lockFd_ >= 0) ::close(lockFd_);
        throw TListoraError(
            QStringLiteral("Cannot create a temporary folder in %1").arg(temp.path()));
    }
}

TPrivateFolder::~TPrivateFolder() {
    QDir(path_).removeRecursively();
    if (lockFd_ >= 0) ::close(lockFd_);
}

QString TPrivateFolder::filePath(const QString& name) const {
    return QDir(path_).filePath(name);
}

void TPrivateFolder::removeLeftovers() {
    const QDir temp(QDir::tempPath());
    const QStringList names =
        temp.entryList({kPrefix + QStringLiteral("*")}, QDir::Dirs | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QByteArray path = QFile::encodeName(temp.filePath(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue; // a link or gone
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            QDir(temp.filePath(name)).removeRecursively();
        ::close(fd);
    }
}
