#pragma once
// The settings-file service: an INI file read and written by section and
// key. Every operation opens the file, does its work and leaves nothing open.
#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>
#include <optional>

// The one settings file of the program, always named by its bare name.
inline const QString kSettingsFileName = QStringLiteral("Listora.INI");
// A settings file holds a few kilobytes; a larger one is not read.
inline constexpr qint64 kMaxSettingsFileSize = 1 << 20;

// Why the settings file at path cannot be read ("it is a folder", "it is
// larger than 1 MB", ...); empty when it can, or when there is none.
// Files are read only when regular, never past the size bound, as UTF-8,
// Windows-1252, or UTF-16/UTF-32 with a byte-order mark.
QString SettingsFileProblem(const QString& path);
// An integer in the settings file's notations (decimal with an optional
// "-", hexadecimal after "0x" or "$"); nullopt when text is none, or out of
// the 32-bit range.
std::optional<int> ParseIniInteger(const QString& text);

class TIniFile {
public:
    // A bare name (no folder part) lives in the per-user config folder.
    explicit TIniFile(const QString& fileName = kSettingsFileName);

    // The resolved path of the file.
    const QString& fileName() const { return path_; }

    QString readString(const QString& section, const QString& key, const QString& def) const;
    int readInteger(const QString& section, const QString& key, int def) const;
    bool readBool(const QString& section, const QString& key, bool def) const;

    // Writes throw TListoraError("Unable to write to <file>") when refused;
    // the old file is then left as it was.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);

    // Batches many writes into one replace of the file (each plain write
    // rewrites the whole file). Between beginBatch and commitBatch writes
    // are held in memory and reads see them; commitBatch writes them all at
    // once and throws like a single write; cancelBatch, or destroying the
    // object first, drops them and leaves the file as it was.
    void beginBatch();
    void commitBatch();
    void cancelBatch();

    // The folder in which bare-named settings files live (created on demand).
    static QString windowsDirectory();
    // Resolves a bare name into windowsDirectory(); other names are kept.
    static QString resolve(const QString& fileName);
    // Makes the bare name "Listora.INI" stand for path (the batch command's
    // --settings); an empty path restores the config folder.
    static void setSettingsFileOverride(const QString& path);

    // Test seam: the next write fails at its final step (as a full disk or
    // a refused rename would), without touching the existing file.
    static void failNextCommitForTesting();

private:
    QByteArray currentBytes() const;
    // The file's text for a write; throws when it exists but cannot be read.
    QByteArray bytesToRewrite() const;
    void commitBytes(const QByteArray& bytes) const;

    QString path_;
    // The file's text with the batched writes applied, while a batch is open.
    std::shared_ptr<QByteArray> pending_;
};

// The settings file read once and indexed: many reads (a whole settings
// load) then cost one pass over the file instead of one pass per key. Reads
// answer exactly as TIniFile's do for the same bytes; a later change to the
// file is not seen.
class TIniSnapshot {
public:
    // An empty snapshot: every read gives its default.
    TIniSnapshot() = default;
    explicit TIniSnapshot(const QByteArray& utf8Bytes);
    // The file as it is now (a bare name resolves as TIniFile resolves it);
    // a missing or unreadable file gives an empty snapshot, the latter with
    // its problem().
    static TIniSnapshot fromFile(const QString& fileName);

    // Why the file was not read ("cannot read the settings file ...: ...");
    // empty when it was, or when there is none.
    const QString& problem() const { return problem_; }
    // The value as written in the file, when the key is there.
    std::optional<QString> rawValue(const QString& section, const QString& key) const;

    QString readString(const QString& section, const QString& key, const QString& def) const;
    int readInteger(const QString& section, const QString& key, int def) const;
    bool readBool(const QString& section, const QString& key, bool def) const;

private:
    const QString* find(const QString& section, const QString& key) const;

    // Case-folded section name -> case-folded key -> value.
    QHash<QString, QHash<QString, QString>> values_;
    QString problem_;
};
