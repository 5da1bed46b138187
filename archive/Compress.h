#pragma once
// The resource archive: the format of "graphics.dat" and of saved jobs
// (".LRP"). A 21-byte main header, then per file a 25-byte entry header, the
// file's name and its data, stored or packed with the run-length or the LZH
// method (or a caller's own method).
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class TFolder;

enum TCompressionMethod { cmNone = 0, cmRLE = 1, cmLZH = 2, cmCustom = 3 };

// One entry as the headers describe it.
struct RArchiveEntry {
    QString Name;
    quint32 DateTime = 0; // packed DOS date (high word) and time (low word)
    quint16 Attributes = 0;
    qint32 Size = 0;           // uncompressed
    qint32 CompressedSize = 0; // length of the data after the name
    qint64 DataPosition = 0;   // offset of that data in the archive
    int Method = cmNone;
    quint32 Checksum = 0;
    bool Keyed = false;
};

namespace archiveformat {

inline constexpr int kMainHeaderSize = 21;
inline constexpr int kEntryHeaderSize = 25;
inline constexpr char kMagic[] = "SPIS\x1a";
inline constexpr quint16 kReadOnly = 0x01;
inline constexpr quint16 kArchiveBit = 0x20;

// Three-letter method names of the main header ("NON", "RLE", "LZH", "CUS").
QByteArray methodName(int method);

// The packed date format keeps local time to two seconds, from 1980 on.
quint32 toDosDateTime(const QDateTime& time);
QDateTime fromDosDateTime(quint32 packed);

} // namespace archiveformat

class TCompress {
public:
    // Folder into which relative entry names are expanded; setting it adds
    // the trailing separator when missing.
    const QString& TargetPath() const { return targetPath_; }
    void setTargetPath(const QString& path);

    bool MakeDirectories = false;
    // When a file to be stored cannot be opened: fail instead of skipping it.
    bool ExceptionOnFileError = false;
    // 0 means no key. Entries written with a key carry it in their checksum.
    qint32 Key = 0;
    // Entry names that begin with a separator or a drive are refused unless
    // this is set; names that climb out of the target with ".." always are.
    bool AllowAbsoluteNames = false;
    // Writing over an archive keeps its entries that were not written anew;
    // off, the new archive replaces the old one whole.
    bool KeepOlderEntries = true;

    // Called with each name before it is expanded or stored; may change it.
    // An empty name skips the file; "*" ends the whole operation.
    std::function<void(QString& name)> OnCheckFile;

    // The caller's own method (3), whole file in, whole file out.
    std::function<QByteArray(const QByteArray& data)> CustomCompress;
    std::function<QByteArray(const QByteArray& packed, qint32 size)> CustomExpand;

    // Expands the entries named in nameList (all when it is null); on return
    // nameList holds the paths that were written. An entry whose header is
    // damaged, or a main header whose total differs from the sizes of the
    // entries, throws TListoraError ("Damaged archive ...") before anything
    // is written.
    void ExpandFiles(const QString& archiveName, QStringList* nameList = nullptr);
    // Writes the files into the archive with the method (0..3), keeping the
    // entries of an older archive of that name that were not replaced (when
    // KeepOlderEntries is set). The archive is built beside its name and
    // replaces the old one only once complete.
    void CompressFiles(const QString& archiveName, const QStringList& fileList, int method);
    // The entries in archive order, from the headers alone.
    void ScanArchive(const QString& archiveName, QList<RArchiveEntry>& list);

    // Compressed size of the last file written in per cent of its size.
    int CompressionRatio() const { return ratio_; }

    // Test seams: the free bytes where a path would be written, and a limit
    // on the bytes an archive may take before writing fails as on a full disk.
    std::function<qint64(const QString& path)> FreeSpace;
    qint64 WriteLimitForTesting = -1;

private:
    class TWriter;
    void expandEntry(class QFile& archive, const RArchiveEntry& entry, const QString& path);
    std::optional<qint32> storeFile(TWriter& out, const QString& fileName,
                                    const QString& storedName, int method);
    // written: the case-folded names of the entries written anew.
    void appendOldEntries(TWriter& out, const QString& oldArchive, const QSet<QString>& written,
                          qint64& total);
    QString checkedEntryPath(const QString& name) const;
    TFolder openEntryFolder(const QString& path, QString& leaf);

    QString targetPath_;
    QSet<QString> sweptFolders_;
    int ratio_ = 100;
};
