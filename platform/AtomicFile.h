#pragma once
// The one way the programs write a file. The data go to a new temporary
// file beside the target, and only a complete, checked and synced file is
// renamed over it: a failure, a full disk or a kill leaves the previous file
// as it was. The target itself is never opened, so a symbolic link in its
// place is refused rather than written through.
//
// A temporary file left by a killed writer is harmless (a hidden name that
// no reader takes for the target) and the next write of the same target
// removes it: each writer holds a lock on its temporary file while it lives,
// and only unlocked ones are taken for leftovers.
#include <QDateTime>
#include <QIODevice>
#include <QString>

#include <optional>

class QFile;
class TFolder;

class TAtomicFile : public QIODevice {
public:
    // FileOrStream also accepts "-" (standard output), the names of open
    // descriptors (/dev/stdout, /dev/fd/N) and targets that are no regular
    // file (a pipe, a terminal): those are written straight through.
    enum class TTarget { FileOnly, FileOrStream };

    explicit TAtomicFile(const QString& target, TTarget kind = TTarget::FileOnly);
    // The file `name` inside an open folder (no link on the way to it is
    // followed again). `shownPath` names the file in messages.
    TAtomicFile(const TFolder& folder, const QString& name, const QString& shownPath);
    ~TAtomicFile() override;
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    // Creates the temporary file (or opens the stream) and opens the device
    // for writing. Throws TListoraError, with nothing written, when the
    // target is a symbolic link, a folder, or cannot be created.
    void begin();
    // Completes the file: every write must have succeeded; the file is
    // synced (unless Durable is off) and renamed over the target. Throws
    // TListoraError("Unable to write to <path>: <reason>") otherwise, after
    // removing the temporary file.
    void commit();
    // Removes the temporary file; the target stays as it was.
    void discard();

    // Whether the data go straight to a stream rather than a new file.
    bool isStream() const { return stream_; }
    // Whether the stream is this process's standard output.
    bool isStandardOutput() const { return streamFd_ == 1; }
    const QString& path() const { return shown_; }
    // Where the data go until commit(), for writers that take a file name
    // (with the file made and locked by begin()).
    QString temporaryPath() const;

    // Sync before the rename. Off only for throw-away files (diagnostics).
    bool Durable = true;
    // The new file takes the mode of the file it replaces (else the
    // default); a set value then clears or sets the write permission.
    std::optional<bool> Writable;
    std::optional<QDateTime> ModificationTime;
    // Looks for leftovers of this target before writing. Callers that write
    // many files into one folder turn it off and call RemoveLeftoversIn once.
    bool SweepLeftovers = true;

    // Removes the leftovers of every target in the folder.
    static void RemoveLeftoversIn(const QString& folder);
    static void RemoveLeftoversIn(const TFolder& folder);

    // Cuts or extends the file being written.
    bool resize(qint64 size);

    bool isSequential() const override { return stream_; }
    qint64 size() const override;
    // Ends writing through the device; the file stays for commit().
    void close() override;

    // Test seam: writes fail once the file would grow past this many bytes,
    // as on a full disk (-1: no limit).
    static void setWriteLimitForTesting(qint64 bytes);

protected:
    qint64 readData(char* data, qint64 maximum) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    void fail(const QString& reason);
    void removeTemporary();
    void sweepLeftovers();
    static void removeLeftovers(int folderFd, const QString& prefix);
    QString temporaryPrefix() const;

    QString shown_;
    QString folder_;
    QString name_;
    TTarget kind_ = TTarget::FileOnly;
    int folderFd_ = -1;
    int fd_ = -1;
    int streamFd_ = -1;
    bool stream_ = false;
    QString temporary_;
    int writeErrno_ = 0;
};

// File names byte for byte, as the system stores them: a byte that is no
// part of valid UTF-8 is held as the lone surrogate U+DC00 + byte, so that
// a name given on the command line comes back as exactly the bytes given.
// Valid UTF-8 reads as QFile::decodeName reads it.
QString DecodeFileName(const QByteArray& name);
QByteArray EncodeFileName(const QString& name);

// A file's identity (device and inode, after links), to tell whether two
// names lead to the same file.
struct RFileId {
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const RFileId&) const = default;
};
std::optional<RFileId> FileIdOf(const QString& path);
// The same for an output name as TAtomicFile takes it: "-" and /dev/fd/N
// stand for the open descriptor.
std::optional<RFileId> OutputFileIdOf(const QString& path);
// Whether an output name leads to this process's standard output.
bool IsStandardOutput(const QString& path);

// An open folder, for opening names inside it without going through the
// path again (which a link planted meanwhile could redirect).
class TFolder {
public:
    explicit TFolder(int fd = -1) : fd_(fd) {}
    ~TFolder();
    TFolder(TFolder&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    TFolder& operator=(TFolder&& other) noexcept;
    TFolder(const TFolder&) = delete;
    TFolder& operator=(const TFolder&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// Opens a folder (following links: the caller named it).
TFolder OpenFolder(const QString& path);
// Opens the folder `parts` below `base` one name at a time, never following
// a symbolic link; missing folders are created when `create` is set. Throws
// TListoraError naming `shownPath` when a part is a link, no folder, or
// missing.
TFolder OpenFolderBeneath(const TFolder& base, const QStringList& parts, bool create,
                          const QString& shownPath);

// Opens `file` on `path` for reading only when it is a regular file: a pipe
// or a device would block or never end. Returns false with the reason in
// `error` otherwise.
bool OpenRegularFileForReading(const QString& path, QFile& file, QString& error);
