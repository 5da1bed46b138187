#include "platform/AtomicFile.h"

#include "platform/Errors.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSuffix = QStringLiteral(".listora-part");
constexpr int kRandomDigits = 12;
// Long names are cut in the temporary name, which must stay a valid name.
constexpr int kNameInTemporary = 64;

qint64 writeLimit = -1;

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray encoded(const QString& name) {
    return EncodeFileName(name);
}

// The length of the valid UTF-8 sequence at bytes[i], or 0.
qsizetype utf8SequenceAt(const QByteArray& bytes, qsizetype i) {
    const auto at = [&](qsizetype k) { return quint8(bytes[k]); };
    const quint8 lead = at(i);
    if (lead < 0x80) return 1;
    const qsizetype length = lead >= 0xC2 && lead <= 0xDF   ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
    if (length == 0 || i + length > bytes.size()) return 0;
    for (qsizetype k = 1; k < length; ++k)
        if ((at(i + k) & 0xC0) != 0x80) return 0;
    const quint8 second = at(i + 1);
    // No overlong forms, no surrogates, nothing past U+10FFFF.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

// Descriptors that a name stands for: "-" and the /dev/fd family.
std::optional<int> descriptorNamedBy(const QString& path) {
    if (path == QLatin1String("-") || path == QLatin1String("/dev/stdout")) return 1;
    if (path == QLatin1String("/dev/stderr")) return 2;
    for (const QLatin1String prefix :
         {QLatin1String("/dev/fd/"), QLatin1String("/proc/self/fd/")}) {
        if (!path.startsWith(prefix)) continue;
        bool ok = false;
        const int fd = path.mid(prefix.size()).toInt(&ok);
        if (ok && fd >= 0) return fd;
    }
    return std::nullopt;
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Writes at `at`, or at the stream's position when `at` is negative.
bool writeAll(int fd, const char* data, qint64 size, qint64 at, int& error) {
    while (size > 0) {
        const ssize_t n =
            at >= 0 ? ::pwrite(fd, data, size_t(size), off_t(at)) : ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            return false;
        }
        data += n;
        size -= n;
        if (at >= 0) at += n;
    }
    return true;
}

} // namespace

TAtomicFile::TAtomicFile(const QString& target, TTarget kind) : shown_(target), kind_(kind) {
    // Split by hand: QFileInfo would lose the bytes of a name that is no
    // UTF-8 (see DecodeFileName).
    const qsizetype slash = target.lastIndexOf(QLatin1Char('/'));
    folder_ = slash < 0    ? QStringLiteral(".")
              : slash == 0 ? QStringLiteral("/")
                           : target.left(slash);
    name_ = target.mid(slash + 1);
}

TAtomicFile::TAtomicFile(const TFolder& folder, const QString& name, const QString& shownPath)
    : shown_(shownPath), name_(name) {
    folderFd_ = ::fcntl(folder.fd(), F_DUPFD_CLOEXEC, 3);
}

TAtomicFile::~TAtomicFile() {
    removeTemporary();
    closeFd(streamFd_);
    closeFd(folderFd_);
}

void TAtomicFile::setWriteLimitForTesting(qint64 bytes) {
    writeLimit = bytes;
}

QString TAtomicFile::temporaryPath() const {
    // Only a target named by its path has a path for its temporary file.
    if (temporary_.isEmpty() || folder_.isEmpty()) return QString();
    return folder_ + QLatin1Char('/') + temporary_;
}

QString TAtomicFile::temporaryPrefix() const {
    return QLatin1Char('.') + name_.left(kNameInTemporary) + QLatin1Char('.');
}

void TAtomicFile::begin() {
    const auto refuse = [&](const QString& why) {
        return TListoraError(QStringLiteral("Unable to write to %1: %2").arg(shown_, why));
    };
    if (kind_ == TTarget::FileOrStream) {
        struct stat st {};
        if (const std::optional<int> named = descriptorNamedBy(shown_)) {
            streamFd_ = ::fcntl(*named, F_DUPFD_CLOEXEC, 3);
            if (streamFd_ < 0) throw refuse(reason(errno));
        } else if (::stat(encoded(shown_).constData(), &st) == 0 && !S_ISREG(st.st_mode) &&
                   !S_ISDIR(st.st_mode)) {
            streamFd_ = ::open(encoded(shown_).constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
            if (streamFd_ < 0) throw refuse(reason(errno));
        }
        if (streamFd_ >= 0) {
            stream_ = true;
            QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
            return;
        }
    }
    if (name_.isEmpty() || name_ == QLatin1String(".") || name_ == QLatin1String(".."))
        throw refuse(QStringLiteral("it is not a file name"));
    if (folderFd_ < 0) {
        TFolder folder = OpenFolder(folder_);
        folderFd_ = ::fcntl(folder.fd(), F_DUPFD_CLOEXEC, 3);
        if (folderFd_ < 0) throw refuse(reason(errno));
    }

    struct stat st {};
    if (::fstatat(folderFd_, encoded(name_).constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISLNK(st.st_mode))
            throw TListoraError(
                QStringLiteral("Refused to write %1: it is a symbolic link").arg(shown_));
        if (S_ISDIR(st.st_mode)) throw refuse(QStringLiteral("it is a folder"));
        if (!S_ISREG(st.st_mode)) throw refuse(QStringLiteral("it is not a regular file"));
        // A file marked read-only is not replaced behind its owner's back.
        if (::faccessat(folderFd_, encoded(name_).constData(), W_OK, AT_EACCESS) != 0 &&
            errno == EACCES)
            throw refuse(QStringLiteral("it is read-only"));
    }
    sweepLeftovers();

    for (int attempt = 0; fd_ < 0; ++attempt) {
        const QString digits = QString::number(QRandomGenerator::system()->generate64() >> 16, 16)
                                   .rightJustified(kRandomDigits, QLatin1Char('0'))
                                   .right(kRandomDigits);
        temporary_ = temporaryPrefix() + digits + kSuffix;
        fd_ = ::openat(folderFd_, encoded(temporary_).constData(),
                       O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0 && (errno != EEXIST || attempt > 100)) {
            const int error = errno;
            temporary_.clear();
            throw refuse(reason(error));
        }
    }
    // Marks the file as alive for other writers' clean-up (see above).
    ::flock(fd_, LOCK_EX | LOCK_NB);
    QIODevice::open(QIODevice::ReadWrite | QIODevice::Unbuffered);
}

void TAtomicFile::sweepLeftovers() {
    if (SweepLeftovers) removeLeftovers(folderFd_, temporaryPrefix());
}

void TAtomicFile::RemoveLeftoversIn(const QString& folder) {
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    removeLeftovers(fd, QStringLiteral("."));
    ::close(fd);
}

void TAtomicFile::RemoveLeftoversIn(const TFolder& folder) {
    removeLeftovers(folder.fd(), QStringLiteral("."));
}

void TAtomicFile::removeLeftovers(int folderFd, const QString& prefix) {
    const int listFd = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 3);
    DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0) ::close(listFd);
        return;
    }
    const qsizetype tail = 1 + kRandomDigits + kSuffix.size();
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name.size() < prefix.size() + tail - 1 || !name.startsWith(prefix) ||
            !name.endsWith(kSuffix) || name[name.size() - tail] != QLatin1Char('.'))
            continue;
        if (prefix.size() > 1 && name.size() != prefix.size() + tail - 1) continue;
        const int fd = ::openat(folderFd, entry->d_name,
                                O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) continue;
        struct stat st {};
        // Unlocked: its writer is gone (a live writer holds the lock).
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(folderFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

qint64 TAtomicFile::writeData(const char* data, qint64 size) {
    if (writeErrno_) return -1;
    const int fd = stream_ ? streamFd_ : fd_;
    if (fd < 0) {
        writeErrno_ = EBADF;
        return -1;
    }
    qint64 allowed = size;
    if (writeLimit >= 0 && !stream_) allowed = std::clamp<qint64>(writeLimit - pos(), 0, size);
    if (!writeAll(fd, data, allowed, stream_ ? -1 : pos(), writeErrno_)) return -1;
    if (allowed < size) {
        writeErrno_ = ENOSPC;
        return -1;
    }
    return size;
}

qint64 TAtomicFile::readData(char* data, qint64 maximum) {
    if (stream_ || fd_ < 0) return -1;
    const ssize_t n = ::pread(fd_, data, size_t(maximum), off_t(pos()));
    return n < 0 ? -1 : n;
}

qint64 TAtomicFile::size() const {
    struct stat st {};
    if (stream_ || fd_ < 0 || ::fstat(fd_, &st) != 0) return 0;
    return st.st_size;
}

bool TAtomicFile::resize(qint64 size) {
    if (stream_ || fd_ < 0) return false;
    while (::ftruncate(fd_, off_t(size)) != 0) {
        if (errno == EINTR) continue;
        writeErrno_ = writeErrno_ ? writeErrno_ : errno;
        return false;
    }
    if (pos() > size) seek(size);
    return true;
}

void TAtomicFile::close() {
    if (isOpen()) QIODevice::close();
}

void TAtomicFile::fail(const QString& why) {
    removeTemporary();
    closeFd(streamFd_);
    throw TListoraError(QStringLiteral("Unable to write to %1: %2").arg(shown_, why));
}

void TAtomicFile::commit() {
    close();
    if (writeErrno_) fail(reason(writeErrno_));
    if (stream_) {
        // A pipe or a terminal cannot be synced; a file behind a descriptor can.
        if (Durable && ::fsync(streamFd_) != 0 && errno != EINVAL && errno != EROFS &&
            errno != ENOTSUP)
            fail(reason(errno));
        closeFd(streamFd_);
        return;
    }
    if (fd_ < 0) fail(QStringLiteral("the file was never created"));

    struct stat now {};
    if (::fstat(fd_, &now) != 0) fail(reason(errno));
    struct stat old {};
    const bool replacing =
        ::fstatat(folderFd_, encoded(name_).constData(), &old, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(old.st_mode);
    mode_t mode = (replacing ? old.st_mode : now.st_mode) & 07777;
    if (Writable) mode = *Writable ? (mode | S_IWUSR) : (mode & ~mode_t(0222));
    if (::fchmod(fd_, mode) != 0) fail(reason(errno));
    // Replacing someone else's file as root keeps it theirs.
    if (replacing && ::geteuid() == 0 && (old.st_uid != now.st_uid || old.st_gid != now.st_gid)) {
        [[maybe_unused]] const int ignored = ::fchown(fd_, old.st_uid, old.st_gid);
    }
    if (ModificationTime && ModificationTime->isValid()) {
        const qint64 ms = ModificationTime->toMSecsSinceEpoch();
        struct timespec times[2];
        times[0].tv_sec = 0;
        times[0].tv_nsec = UTIME_OMIT;
        times[1].tv_sec = time_t(ms / 1000);
        times[1].tv_nsec = long(ms % 1000) * 1000000;
        ::futimens(fd_, times);
    }
    if (Durable && ::fsync(fd_) != 0) fail(reason(errno));
    if (::fstat(fd_, &now) != 0 || now.st_nlink == 0)
        fail(QStringLiteral("its temporary file was removed"));
    if (::renameat(folderFd_, encoded(temporary_).constData(), folderFd_,
                   encoded(name_).constData()) != 0)
        fail(reason(errno));
    temporary_.clear();
    if (Durable) ::fsync(folderFd_);
    closeFd(fd_);
}

void TAtomicFile::discard() {
    close();
    removeTemporary();
    closeFd(streamFd_);
}

void TAtomicFile::removeTemporary() {
    if (!temporary_.isEmpty() && folderFd_ >= 0)
        ::unlinkat(folderFd_, encoded(temporary_).constData(), 0);
    temporary_.clear();
    closeFd(fd_);
}

QString DecodeFileName(const QByteArray& name) {
    QString text;
    text.reserve(name.size());
    for (qsizetype i = 0; i < name.size();) {
        const qsizetype length = utf8SequenceAt(name, i);
        if (length == 0) {
            text += QChar(char16_t(0xDC00 + quint8(name[i])));
            ++i;
        } else {
            text += QString::fromUtf8(name.constData() + i, length);
            i += length;
        }
    }
    return text;
}

QByteArray EncodeFileName(const QString& name) {
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype start = 0; // of the text not yet encoded
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        const bool pairEnd = i > 0 && name[i - 1].isHighSurrogate();
        if (c < 0xDC80 || c > 0xDCFF || pairEnd) continue;
        bytes += QStringView(name).mid(start, i - start).toUtf8();
        bytes += char(c - 0xDC00);
        start = i + 1;
    }
    bytes += QStringView(name).mid(start).toUtf8();
    return bytes;
}

std::optional<RFileId> FileIdOf(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(encoded(path).constData(), &st) != 0) return std::nullopt;
    return RFileId{quint64(st.st_dev), quint64(st.st_ino)};
}

namespace {
std::optional<RFileId> idOfDescriptor(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return std::nullopt;
    return RFileId{quint64(st.st_dev), quint64(st.st_ino)};
}
} // namespace

std::optional<RFileId> OutputFileIdOf(const QString& path) {
    if (const std::optional<int> fd = descriptorNamedBy(path)) return idOfDescriptor(*fd);
    return FileIdOf(path);
}

bool IsStandardOutput(const QString& path) {
    const std::optional<RFileId> id = OutputFileIdOf(path);
    return id && id == idOfDescriptor(1);
}

TFolder::~TFolder() {
    if (fd_ >= 0) ::close(fd_);
}

TFolder& TFolder::operator=(TFolder&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

TFolder OpenFolder(const QString& path) {
    const int fd = ::open(encoded(path.isEmpty() ? QStringLiteral(".") : path).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw TListoraError(
            QStringLiteral("Cannot open the folder %1: %2").arg(path, reason(errno)));
    return TFolder(fd);
}

TFolder OpenFolderBeneath(const TFolder& base, const QStringList& parts, bool create,
                          const QString& shownPath) {
    TFolder folder(::fcntl(base.fd(), F_DUPFD_CLOEXEC, 3));
    if (folder.fd() < 0)
        throw TListoraError(
            QStringLiteral("Unable to write to %1: %2").arg(shownPath, reason(errno)));
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    for (const QString& part : parts) {
        const QByteArray name = encoded(part);
        int next = ::openat(folder.fd(), name.constData(), flags);
        if (next < 0 && errno == ENOENT && create &&
            (::mkdirat(folder.fd(), name.constData(), 0777) == 0 || errno == EEXIST))
            next = ::openat(folder.fd(), name.constData(), flags);
        if (next < 0) {
            const int error = errno;
            struct stat st {};
            if (::fstatat(folder.fd(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(st.st_mode))
                throw TListoraError(QStringLiteral("Refused to write %1: the folder \"%2\" on "
                                                   "its way is a symbolic link")
                                        .arg(shownPath, part));
            throw TListoraError(
                QStringLiteral("Unable to write to %1: %2").arg(shownPath, reason(error)));
        }
        folder = TFolder(next);
    }
    return folder;
}

bool OpenRegularFileForReading(const QString& path, QFile& file, QString& error) {
    // Non-blocking, so that opening a pipe with no writer cannot hang.
    const int fd = ::open(encoded(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = reason(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? QStringLiteral("it is a folder")
                                    : QStringLiteral("it is not a regular file");
        ::close(fd);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        error = file.errorString();
        ::close(fd);
        return false;
    }
    return true;
}
