#include "archive/Compress.h"
#include "archive/Lzh.h"
#include "archive/Rle.h"
#include "platform/AtomicFile.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>
#include <QStringDecoder>
#include <limits>

namespace archiveformat {

QByteArray methodName(int method) {
    static const char* const names[] = {"NON", "RLE", "LZH", "CUS"};
    return method >= 0 && method <= 3 ? QByteArray(names[method]) : QByteArray();
}

quint32 toDosDateTime(const QDateTime& time) {
    const QDateTime local = time.toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    if (!local.isValid() || d.year() < 1980) return (1u << 5 | 1u) << 16; // 1 January 1980
    const quint32 date =
        quint32(std::min(d.year() - 1980, 127)) << 9 | quint32(d.month()) << 5 | quint32(d.day());
    const quint32 clock =
        quint32(t.hour()) << 11 | quint32(t.minute()) << 5 | quint32(t.second() / 2);
    return date << 16 | clock;
}

QDateTime fromDosDateTime(quint32 packed) {
    const quint32 date = packed >> 16;
    const quint32 clock = packed & 0xffff;
    const QDate d(int(date >> 9) + 1980, int(date >> 5 & 0x0f), int(date & 0x1f));
    const QTime t(int(clock >> 11), int(clock >> 5 & 0x3f), int(clock & 0x1f) * 2);
    if (!d.isValid() || !t.isValid()) return {};
    return QDateTime(d, t);
}

} // namespace archiveformat

using namespace archiveformat;

namespace {

const QString kNotArchive = QStringLiteral("Can't recognize compressed file header");
const QString kSingleType =
    QStringLiteral("Expand can't handle caSingle archive type in compressed header");
const QString kBadMethod = QStringLiteral("Unrecognized compression method in header");
const QString kLocked = QStringLiteral("File locked -- valid key required");
const QString kBadChecksum = QStringLiteral("Bad checksum during expansion -- data may be invalid");
const QString kNoSpace = QStringLiteral("Not enough disk space to expand ");
const QString kCannotCreate = QStringLiteral("Disk protected or full during compression");
const QString kWriteError = QStringLiteral("Disk full or write error during compression");

quint16 le16(const char* p) {
    return quint16(quint8(p[0]) | quint8(p[1]) << 8);
}
quint32 le32(const char* p) {
    return quint32(quint8(p[0])) | quint32(quint8(p[1])) << 8 | quint32(quint8(p[2])) << 16 |
           quint32(quint8(p[3])) << 24;
}
void put16(QByteArray& b, quint16 v) {
    b.append(char(v & 0xff)).append(char(v >> 8));
}
void put32(QByteArray& b, quint32 v) {
    for (int i = 0; i < 4; ++i)
        b.append(char(v >> (8 * i) & 0xff));
}

QByteArray mainHeader(int method, quint32 total, bool keyed) {
    QByteArray h(kMagic, 5);
    h.append(methodName(method).leftJustified(3, ' ', true));
    put32(h, total);
    h.append(char(1));
    put32(h, 0);
    put32(h, keyed ? 1 : 0);
    return h;
}

QByteArray entryHeader(const RArchiveEntry& e, int nameLength) {
    QByteArray h;
    put16(h, quint16(nameLength));
    put32(h, e.DateTime);
    put16(h, e.Attributes);
    put32(h, quint32(e.Size));
    put32(h, quint32(e.CompressedSize));
    h.append(char(e.Method));
    put32(h, e.Checksum);
    put32(h, e.Keyed ? 1 : 0);
    return h;
}

// Names are stored as bytes: UTF-8 when they are valid UTF-8, else the
// single-byte code page they most likely came from.
QString decodeName(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString name = utf8(bytes);
    if (utf8.hasError()) name = QString::fromLatin1(bytes);
    return name;
}

QString damaged(const QString& archive, const QString& what) {
    return QStringLiteral("Damaged archive %1: %2").arg(archive, what);
}

struct TMainHeader {
    int method = 0;
    qint32 total = 0;
    bool keyed = false;
};

// Reads and checks the main header; the file is left at the first entry.
TMainHeader readMainHeader(QFile& file, bool requireExpandable) {
    const QByteArray h = file.read(kMainHeaderSize);
    if (h.size() < kMainHeaderSize || !h.startsWith(QByteArray(kMagic, 5)))
        throw TListoraError(kNotArchive);
    if (requireExpandable && h[12] != 1) throw TListoraError(kSingleType);
    TMainHeader header;
    header.method = -1;
    for (int m = 0; m <= 3; ++m)
        if (h.mid(5, 3) == methodName(m)) header.method = m;
    if (header.method < 0) throw TListoraError(kBadMethod);
    header.total = qint32(le32(h.constData() + 8));
    header.keyed = le32(h.constData() + 17) != 0;
    return header;
}

enum class TEntryRead { ok, end, badName, badSize, pastEnd };

// Reads the entry at `pos`: its header, its name and where its data lie.
TEntryRead readEntry(QFile& file, qint64 pos, RArchiveEntry& e) {
    const qint64 fileSize = file.size();
    if (fileSize - pos < kEntryHeaderSize || !file.seek(pos)) return TEntryRead::end;
    const QByteArray h = file.read(kEntryHeaderSize);
    if (h.size() < kEntryHeaderSize) return TEntryRead::end;
    const char* p = h.constData();
    const qint16 nameLength = qint16(le16(p));
    e.DateTime = le32(p + 2);
    e.Attributes = le16(p + 6);
    e.Size = qint32(le32(p + 8));
    e.CompressedSize = qint32(le32(p + 12));
    e.Method = quint8(p[16]);
    e.Checksum = le32(p + 17);
    e.Keyed = le32(p + 21) != 0;
    e.DataPosition = pos + kEntryHeaderSize + qMax<qint64>(nameLength, 0);
    if (nameLength < 0 || e.DataPosition > fileSize) return TEntryRead::badName;
    e.Name = decodeName(file.read(nameLength));
    if (e.Size < 0 || e.CompressedSize < 0) return TEntryRead::badSize;
    if (e.CompressedSize > fileSize - e.DataPosition) return TEntryRead::pastEnd;
    return TEntryRead::ok;
}

// Where a path would be written: the nearest folder on the way that exists.
qint64 defaultFreeSpace(const QString& path) {
    QFileInfo info(QFileInfo(path).absolutePath());
    while (!info.exists() && !info.isRoot() && info.absoluteFilePath() != info.absolutePath())
        info = QFileInfo(info.absolutePath());
    const QStorageInfo storage(info.absoluteFilePath());
    return storage.isValid() ? storage.bytesAvailable() : std::numeric_limits<qint64>::max();
}

// Thrown inside the packing of one file once its data outgrow the file.
struct TOutgrown {};

} // namespace

// The archive being written, with the checks every write needs. It is built
// beside its final name and replaces it only when complete.
class TCompress::TWriter {
public:
    TWriter(const QString& name, qint64 limit) : file_(name), limit_(limit) {}

    void open() {
        try {
            file_.begin();
        } catch (const TListoraError& e) {
            throw TListoraError(kCannotCreate + QStringLiteral("\n") + e.message());
        }
    }
    void write(const char* data, qint64 size) {
        if (limit_ >= 0 && file_.pos() + size > limit_) throw TListoraError(kWriteError);
        if (file_.write(data, size) != size) throw TListoraError(kWriteError);
    }
    void write(const QByteArray& bytes) { write(bytes.constData(), bytes.size()); }
    qint64 pos() const { return file_.pos(); }
    void seek(qint64 pos) {
        if (!file_.seek(pos)) throw TListoraError(kWriteError);
    }
    // Drops whatever lies beyond the current position (left by a packing that
    // was abandoned for the stored form) and puts the archive in place.
    void finish() {
        if (!file_.resize(file_.pos())) throw TListoraError(kWriteError);
        try {
            file_.commit();
        } catch (const TListoraError& e) {
            throw TListoraError(kWriteError + QStringLiteral("\n") + e.message());
        }
    }
    void abandon() { file_.discard(); }

private:
    TAtomicFile file_;
    qint64 limit_;
};

void TCompress::setTargetPath(const QString& path) {
    targetPath_ = path;
    if (!targetPath_.isEmpty() && !targetPath_.endsWith('/') && !targetPath_.endsWith('\\'))
        targetPath_ += '/';
}

// The path an entry name expands to. Refuses names that would land outside
// the target folder: an archive may come from anywhere.
QString TCompress::checkedEntryPath(const QString& name) const {
    const auto refuse = [&](const QString& why) {
        return TListoraError(
            QStringLiteral("Refused to expand \"%1\": %2").arg(ShownOnTerminal(name), why));
    };
    QString path = name;
    path.replace('\\', '/');
    const bool drive = path.size() >= 2 && path[1] == ':';
    if (drive) path = path.mid(2);
    const bool absolute = path.startsWith('/');
    if ((absolute || drive) && !AllowAbsoluteNames)
        throw refuse(QStringLiteral("the name leads outside the target folder"));
    const QStringList parts = path.split('/');
    if (parts.contains(QStringLiteral("..")))
        throw refuse(QStringLiteral("the name climbs out of its folder"));
    if (parts.last().isEmpty() || parts.last() == QStringLiteral(".") || path.contains(QChar(0)))
        throw refuse(QStringLiteral("the name is not a file name"));
    return absolute ? path : targetPath_ + path;
}

void TCompress::ScanArchive(const QString& archiveName, QList<RArchiveEntry>& list) {
    list.clear();
    QFile file(archiveName);
    if (!file.open(QIODevice::ReadOnly))
        throw TListoraError(
            QStringLiteral("Cannot open %1\n%2").arg(archiveName, file.errorString()));
    if (file.size() < kMainHeaderSize + kEntryHeaderSize) return;
    readMainHeader(file, false);
    qint64 pos = kMainHeaderSize;
    RArchiveEntry entry;
    while (readEntry(file, pos, entry) == TEntryRead::ok) {
        list.append(entry);
        pos = entry.DataPosition + entry.CompressedSize;
    }
}

void TCompress::ExpandFiles(const QString& archiveName, QStringList* nameList) {
    QFile file(archiveName);
    if (!file.open(QIODevice::ReadOnly))
        throw TListoraError(
            QStringLiteral("Cannot open %1\n%2").arg(archiveName, file.errorString()));
    const TMainHeader header = readMainHeader(file, true);
    if (header.total < 0)
        throw TListoraError(
            damaged(archiveName, QStringLiteral("the header gives a negative total size")));

    // Every entry is read and checked before anything is written, so that
    // a damaged archive leaves nothing half expanded.
    QList<RArchiveEntry> entries;
    qint64 sum = 0;
    for (qint64 pos = kMainHeaderSize;;) {
        RArchiveEntry entry;
        const TEntryRead read = readEntry(file, pos, entry);
        switch (read) {
        case TEntryRead::ok:
            break;
        case TEntryRead::end:
            break; // no further complete entry
        case TEntryRead::badName:
            throw TListoraError(
                damaged(archiveName, QStringLiteral("an entry name runs past the end")));
        case TEntryRead::badSize:
            throw TListoraError(
                damaged(archiveName, QStringLiteral("entry \"%1\" has a negative size")
                                         .arg(ShownOnTerminal(entry.Name))));
        case TEntryRead::pastEnd:
            throw TListoraError(
                damaged(archiveName, QStringLiteral("the data of \"%1\" run past the end")
                                         .arg(ShownOnTerminal(entry.Name))));
        }
        if (read == TEntryRead::end) break;
        entries.append(entry);
        sum += entry.Size;
        pos = entry.DataPosition + entry.CompressedSize;
    }
    if (sum != header.total)
        throw TListoraError(damaged(archiveName, QStringLiteral("the header gives a total of %1 "
                                                                "bytes, its entries %2")
                                                     .arg(header.total)
                                                     .arg(sum)));

    QStringList expanded;
    sweptFolders_.clear();
    // Looked up once per entry: a list scan each would make expanding
    // every entry of a large archive quadratic.
    QSet<QString> wanted;
    if (nameList)
        for (const QString& name : *nameList)
            wanted.insert(name.toCaseFolded());
    for (const RArchiveEntry& entry : entries) {
        if (nameList && !wanted.contains(entry.Name.toCaseFolded())) continue;
        QString path = checkedEntryPath(entry.Name);
        if (OnCheckFile) {
            OnCheckFile(path);
            if (path.isEmpty()) continue;
        }
        if (path == QStringLiteral("*")) break;
        const qint64 free = FreeSpace ? FreeSpace(path) : defaultFreeSpace(path);
        if (free < entry.Size) throw TListoraError(kNoSpace + path);
        expandEntry(file, entry, path);
        expanded.append(path);
    }
    if (nameList) *nameList = expanded;
}

// Opens the folder that `path` goes into. Below the target folder no
// symbolic link is followed: a link planted there could lead anywhere.
TFolder TCompress::openEntryFolder(const QString& path, QString& leaf) {
    QString base = QStringLiteral(".");
    QString rest = path;
    if (!targetPath_.isEmpty() && path.startsWith(targetPath_)) {
        base = targetPath_;
        rest = path.mid(targetPath_.size());
    } else if (QFileInfo(path).isAbsolute()) {
        base = QFileInfo(path).absolutePath();
        rest = QFileInfo(path).fileName();
    }
    QStringList parts = rest.split('/', Qt::SkipEmptyParts);
    parts.removeAll(QStringLiteral("."));
    if (parts.isEmpty())
        throw TListoraError(
            QStringLiteral("Refused to expand \"%1\": the name is not a file name").arg(path));
    leaf = parts.takeLast();
    if (MakeDirectories) QDir().mkpath(base);
    TFolder folder = OpenFolderBeneath(OpenFolder(base), parts, MakeDirectories, path);
    // Leftovers of a killed expansion go once per folder, not per file.
    const QString key = base + QLatin1Char('/') + parts.join(QLatin1Char('/'));
    if (!sweptFolders_.contains(key)) {
        sweptFolders_.insert(key);
        TAtomicFile::RemoveLeftoversIn(folder);
    }
    return folder;
}

// Expands one entry into `path`. The output is built beside its final name
// and only replaces an existing file once it is complete and checked.
void TCompress::expandEntry(QFile& archive, const RArchiveEntry& entry, const QString& path) {
    if (entry.Keyed && Key == 0) throw TListoraError(kLocked);
    const bool custom = entry.Method == cmCustom && CustomExpand;
    if (entry.Method > cmLZH && !custom) throw TListoraError(kBadMethod);

    QString leaf;
    TAtomicFile output(openEntryFolder(path, leaf), leaf, path);
    // Many small files: syncing each would cost more than it saves.
    output.Durable = false;
    output.SweepLeftovers = false;
    output.begin();
    const auto fail = [&](const QString& message) {
        output.discard();
        return TListoraError(message);
    };

    qint64 left = entry.CompressedSize;
    if (!archive.seek(entry.DataPosition)) throw fail(archive.errorString());
    TByteInput in([&](char* buffer, qint64 maximum) -> qint64 {
        const qint64 n = archive.read(buffer, std::min(maximum, left));
        left -= std::max<qint64>(n, 0);
        return n;
    });
    TByteOutput out([&](const char* data, qint64 size) {
        if (output.write(data, size) != size)
            throw TListoraError(QStringLiteral("Cannot write %1").arg(path));
    });
    try {
        if (entry.Method == cmNone) {
            for (int c = in.get(); c >= 0; c = in.get())
                out.put(c);
        } else if (entry.Method == cmRLE) {
            rle::decode(in, entry.Size, out);
        } else if (entry.Method == cmLZH) {
            lzh::decode(in, entry.Size, out);
        } else {
            const QByteArray packed = archive.read(entry.CompressedSize);
            const QByteArray data = CustomExpand(packed, entry.Size);
            for (char c : data)
                out.put(quint8(c));
        }
        out.flush();
    } catch (const TCorruptDataError& e) {
        throw fail(QStringLiteral("Damaged entry \"%1\": %2")
                       .arg(ShownOnTerminal(entry.Name), e.message()));
    } catch (...) {
        output.discard();
        throw;
    }
    if (out.count() != entry.Size)
        throw fail(QStringLiteral("Damaged entry \"%1\": its data do not make up its stated size")
                       .arg(ShownOnTerminal(entry.Name)));
    if (entry.Method != cmNone && out.sum() != entry.Checksum) {
        if (!entry.Keyed) throw fail(kBadChecksum);
        if (out.sum() + quint32(Key) != entry.Checksum) throw fail(kLocked);
    }
    // Only the new file gets the entry's date and mark; the mode of a file
    // it replaces carries over otherwise.
    output.ModificationTime = fromDosDateTime(entry.DateTime);
    output.Writable = !(entry.Attributes & kReadOnly);
    output.commit();
}

void TCompress::CompressFiles(const QString& archiveName, const QStringList& fileList, int method) {
    if (method < cmNone || method > cmCustom || (method == cmCustom && !CustomCompress))
        throw TListoraError(kBadMethod);

    // The old archive stays in place, untouched, until the new one replaces
    // it: its entries are copied from there, and a failure or a kill leaves
    // it as it was.
    TWriter out(archiveName, WriteLimitForTesting);
    out.open();
    const std::optional<RFileId> archiveId = FileIdOf(archiveName);
    try {
        out.write(mainHeader(method, 0, Key != 0));
        qint64 total = 0;
        // Old entries are kept by name, without regard to case.
        QSet<QString> written;
        for (const QString& listed : fileList) {
            if (archiveId && FileIdOf(listed) == archiveId) continue;
            QString name = listed;
            QString prefix;
            if (!targetPath_.isEmpty() && name.startsWith(targetPath_)) {
                prefix = targetPath_;
                name = name.mid(targetPath_.size());
            }
            if (OnCheckFile) {
                OnCheckFile(name);
                if (name.isEmpty()) continue;
            }
            if (name == QStringLiteral("*")) break;
            QString stored = name.size() >= 2 && name[1] == ':' ? name.mid(2) : name;
            stored = stored.toLower();
            const std::optional<qint32> size = storeFile(out, prefix + name, stored, method);
            if (!size) continue;
            total += *size;
            if (total > std::numeric_limits<qint32>::max())
                throw TListoraError(
                    QStringLiteral("The archive %1 would hold too much data").arg(archiveName));
            written.insert(stored.toCaseFolded());
        }
        const qint64 end = out.pos();
        out.seek(0);
        out.write(mainHeader(method, quint32(total), Key != 0));
        out.seek(end);
        if (archiveId && KeepOlderEntries) {
            appendOldEntries(out, archiveName, written, total);
            const qint64 after = out.pos();
            out.seek(0);
            out.write(mainHeader(method, quint32(total), Key != 0));
            out.seek(after);
        }
        out.finish();
    } catch (...) {
        out.abandon();
        throw;
    }
}

// Writes one file as an entry. Returns its size, or nothing when the file
// could not be opened and is skipped.
std::optional<qint32> TCompress::storeFile(TWriter& out, const QString& fileName,
                                           const QString& storedName, int method) {
    // Only regular files: a pipe or a device would block or never end.
    QString why;
    QFile input;
    if (!OpenRegularFileForReading(fileName, input, why)) {
        if (ExceptionOnFileError)
            throw TListoraError(QStringLiteral("Cannot open %1\n%2").arg(fileName, why));
        return std::nullopt;
    }
    const qint64 fileSize = input.size();
    const QByteArray nameBytes = storedName.toUtf8();
    if (fileSize > std::numeric_limits<qint32>::max() || nameBytes.size() > 0x7fff)
        throw TListoraError(QStringLiteral("%1 is too large for an archive").arg(fileName));
    const QFileInfo info(fileName);
    RArchiveEntry e;
    e.Name = storedName;
    e.DateTime = toDosDateTime(info.lastModified());
    const bool writable = info.permissions() & QFile::WriteOwner;
    e.Attributes = kArchiveBit | (writable ? 0 : kReadOnly);
    e.Method = method;
    e.Keyed = Key != 0;

    const qint64 headerPos = out.pos();
    out.write(entryHeader(e, int(nameBytes.size())));
    out.write(nameBytes);
    const qint64 dataPos = out.pos();

    quint32 sum = 0;
    qint64 read = 0;
    const auto refill = [&](char* buffer, qint64 maximum) -> qint64 {
        const qint64 n = input.read(buffer, maximum);
        if (n < 0)
            throw TListoraError(
                QStringLiteral("Cannot read %1\n%2").arg(fileName, input.errorString()));
        for (qint64 i = 0; i < n; ++i)
            sum += quint8(buffer[i]);
        read += n;
        return n;
    };

    bool packed = false;
    if (method != cmNone) {
        qint64 packedSize = 0;
        TByteInput in(refill);
        TByteOutput packer([&](const char* data, qint64 size) {
            // Data larger than the file are given up for the stored form.
            if (packedSize + size > fileSize) throw TOutgrown{};
            out.write(data, size);
            packedSize += size;
        });
        try {
            if (method == cmRLE) {
                rle::encode(in, packer);
            } else if (method == cmLZH) {
                lzh::encode(in, packer);
            } else {
                QByteArray data;
                for (int c = in.get(); c >= 0; c = in.get())
                    data.append(char(c));
                for (char c : CustomCompress(data))
                    packer.put(quint8(c));
            }
            packer.flush();
            packed = packer.count() <= read;
            e.CompressedSize = qint32(packer.count());
            e.Size = qint32(read);
            e.Checksum = sum + quint32(Key);
        } catch (const TOutgrown&) {
        }
    }
    if (!packed) {
        if (!input.seek(0))
            throw TListoraError(
                QStringLiteral("Cannot read %1\n%2").arg(fileName, input.errorString()));
        out.seek(dataPos);
        read = 0;
        TByteInput in(refill);
        TByteOutput copy([&](const char* data, qint64 size) { out.write(data, size); });
        for (int c = in.get(); c >= 0; c = in.get())
            copy.put(c);
        copy.flush();
        e.Method = cmNone;
        e.Size = e.CompressedSize = qint32(read);
        e.Checksum = 0;
    }
    const qint64 end = out.pos();
    out.seek(headerPos);
    out.write(entryHeader(e, int(nameBytes.size())));
    out.seek(end);
    ratio_ = e.Size == 0 ? 100 : int(qint64(e.CompressedSize) * 100 / e.Size);
    return e.Size;
}

// Keeps the entries of the replaced archive that were not written anew.
void TCompress::appendOldEntries(TWriter& out, const QString& oldArchive,
                                 const QSet<QString>& written, qint64& total) {
    QFile old(oldArchive);
    if (!old.open(QIODevice::ReadOnly))
        throw TListoraError(
            QStringLiteral("Cannot open %1\n%2").arg(oldArchive, old.errorString()));
    try {
        readMainHeader(old, false);
    } catch (const TListoraError&) {
        return; // not an archive: there is nothing to keep
    }
    std::vector<char> buffer(TByteInput::kBufferSize);
    qint64 pos = kMainHeaderSize;
    RArchiveEntry entry;
    while (readEntry(old, pos, entry) == TEntryRead::ok) {
        const qint64 next = entry.DataPosition + entry.CompressedSize;
        if (!written.contains(entry.Name.toCaseFolded())) {
            if (!old.seek(pos)) throw TListoraError(old.errorString());
            for (qint64 left = next - pos; left > 0;) {
                const qint64 n =
                    old.read(buffer.data(), std::min<qint64>(left, qint64(buffer.size())));
                if (n <= 0)
                    throw TListoraError(
                        QStringLiteral("Cannot read %1\n%2").arg(oldArchive, old.errorString()));
                out.write(buffer.data(), n);
                left -= n;
            }
            total += entry.Size;
            if (total > std::numeric_limits<qint32>::max())
                throw TListoraError(QStringLiteral("The archive would hold too much data"));
        }
        pos = next;
    }
}
