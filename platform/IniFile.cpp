#include "platform/IniFile.h"

#include "platform/AtomicFile.h"
#include "platform/Cp1252.h"
#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStandardPaths>
#include <QStringDecoder>

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

namespace {

constexpr int kMaxValueLength = 1023;

bool failNextCommit = false;

QString decodeCp1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out++->unicode() = (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : char16_t(b);
    }
    return text;
}

bool isValidUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = decoder.decode(bytes);
    return !decoder.hasError();
}

// The file's bytes as UTF-8. A legacy (Windows-1252) file is converted as a
// whole so that lines added later in UTF-8 never leave it in two encodings;
// so is a UTF-16 or UTF-32 file, which its byte-order mark announces.
std::optional<QByteArray> asUtf8(const QByteArray& bytes) {
    const std::optional<QStringConverter::Encoding> marked =
        QStringConverter::encodingForData(bytes);
    if (marked && *marked != QStringConverter::Utf8) {
        QStringDecoder decoder(*marked, QStringDecoder::Flag::Stateless);
        const QString text = decoder.decode(bytes);
        if (decoder.hasError()) return std::nullopt;
        return text.toUtf8();
    }
    // Marked as UTF-8 (as a file written with NULs in it is): no guessing.
    if (marked) return isValidUtf8(bytes) ? bytes : decodeCp1252(bytes).toUtf8();
    // A NUL in every second byte or so is UTF-16 written without its mark
    // (a stray NUL in a legacy file is only read past, as it always was).
    if (std::count(bytes.cbegin(), bytes.cend(), '\0') * 4 >= bytes.size() && !bytes.isEmpty())
        return std::nullopt;
    return isValidUtf8(bytes) ? bytes : decodeCp1252(bytes).toUtf8();
}

struct RSettingsBytes {
    QByteArray utf8;
    QString problem; // why the file was not read; empty when it was, or is absent
};

// Never blocks and never reads more than the bound: the file could be a
// pipe, a device or a link to one.
RSettingsBytes readAsUtf8(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return {};
    QFile file;
    QString why;
    if (!OpenRegularFileForReading(path, file, why)) return {{}, why};
    const QByteArray bytes = file.read(kMaxSettingsFileSize + 1);
    if (bytes.size() > kMaxSettingsFileSize)
        return {{}, QStringLiteral("it is larger than %1 MB").arg(kMaxSettingsFileSize >> 20)};
    if (file.error() != QFileDevice::NoError) return {{}, file.errorString()};
    std::optional<QByteArray> utf8 = asUtf8(bytes);
    if (!utf8)
        return {{},
                QStringLiteral("it is not text in UTF-8, Windows-1252 or UTF-16 with a "
                               "byte-order mark")};
    return {std::move(*utf8), {}};
}

// One line of the file, split off with its terminator so that rewriting
// the file reproduces every untouched line exactly.
struct RLine {
    QByteArray text;
    QByteArray eol;
};

std::vector<RLine> splitLines(const QByteArray& bytes) {
    std::vector<RLine> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        qsizetype next = end;
        if (next < bytes.size()) {
            if (bytes[next] == '\r' && next + 1 < bytes.size() && bytes[next + 1] == '\n')
                next += 2;
            else
                ++next;
        }
        lines.push_back({bytes.mid(start, end - start), bytes.mid(end, next - end)});
        start = next;
    }
    return lines;
}

QString lineText(const std::vector<RLine>& lines, std::size_t index) {
    QString text = QString::fromUtf8(lines[index].text);
    if (index == 0 && text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    return text;
}

// The section name when the line opens a section.
std::optional<QString> sectionOf(const QString& line) {
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(u'[')) return std::nullopt;
    const qsizetype close = trimmed.indexOf(u']');
    if (close < 0) return std::nullopt;
    return trimmed.mid(1, close - 1).trimmed();
}

bool isComment(const QString& trimmed) {
    return trimmed.startsWith(u';') || trimmed.startsWith(u'#');
}

struct RKeyLine {
    QString key;
    QString value;
};

std::optional<RKeyLine> keyOf(const QString& line) {
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || isComment(trimmed)) return std::nullopt;
    const qsizetype eq = trimmed.indexOf(u'=');
    if (eq <= 0) return std::nullopt;
    return RKeyLine{trimmed.left(eq).trimmed(), trimmed.mid(eq + 1).trimmed()};
}

bool sameName(const QString& a, const QString& b) {
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// Where a section's lines lie: the header line and the first line after
// the section's body. Only the first section of a name counts.
struct RSectionSpan {
    std::size_t header;
    std::size_t end;
};

std::optional<RSectionSpan> findSection(const std::vector<RLine>& lines, const QString& section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = sectionOf(lineText(lines, i));
        if (!name || !sameName(*name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && !sectionOf(lineText(lines, end)))
            ++end;
        return RSectionSpan{i, end};
    }
    return std::nullopt;
}

// Whole-text integer in the settings file's notations; nullopt when the
// text is not one. Trailing junk ("12px") makes the whole text no number,
// so a mistyped value falls back to the default instead of half a value.
std::optional<int> parseInteger(const QString& text) {
    bool ok = false;
    if ((text.size() >= 3 && (text.startsWith(u"0x") || text.startsWith(u"0X"))) ||
        text.startsWith(u'$')) {
        const QString digits = text.mid(text.startsWith(u'$') ? 1 : 2);
        // Hexadecimal covers all 32 bits, so "$80000005" is a system colour.
        for (const QChar c : digits)
            if (c.unicode() > 0x7F || !std::isxdigit(c.unicode())) return std::nullopt;
        const qulonglong value = digits.toULongLong(&ok, 16);
        if (!ok || value > 0xFFFFFFFFull) return std::nullopt;
        return static_cast<int>(static_cast<quint32>(value));
    }
    const qsizetype first = text.startsWith(u'-') ? 1 : 0;
    if (text.size() == first) return std::nullopt;
    for (qsizetype i = first; i < text.size(); ++i)
        if (text[i] < u'0' || text[i] > u'9') return std::nullopt;
    const int value = text.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// Names that the file could not hold, or would read back as something else
// (a comment, a section line), are refused rather than written.
void checkName(const QString& name, const QString& what, bool isSection) {
    const QString trimmed = name.trimmed();
    bool bad = trimmed.isEmpty() || name.contains(u'\n') || name.contains(u'\r');
    if (isSection)
        bad = bad || name.contains(u']');
    else
        bad = bad || name.contains(u'=') || isComment(trimmed) || trimmed.startsWith(u'[');
    if (bad) throw TListoraError(QStringLiteral("Invalid settings %1 name \"%2\"").arg(what, name));
}

} // namespace

TIniFile::TIniFile(const QString& fileName) : path_(resolve(fileName)) {}

QString TIniFile::windowsDirectory() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(dir);
    return dir;
}

namespace {
QString settingsOverride;
} // namespace

void TIniFile::setSettingsFileOverride(const QString& path) {
    settingsOverride = path;
}

QString TIniFile::resolve(const QString& fileName) {
    if (!settingsOverride.isEmpty() &&
        fileName.compare(kSettingsFileName, Qt::CaseInsensitive) == 0)
        return settingsOverride;
    if (fileName.contains(u'/') || fileName.contains(u'\\'))
        return QString(fileName).replace(u'\\', u'/');
    return windowsDirectory() + u'/' + fileName;
}

void TIniFile::failNextCommitForTesting() {
    failNextCommit = true;
}

QString TIniFile::readString(const QString& section, const QString& key, const QString& def) const {
    return TIniSnapshot(currentBytes()).readString(section, key, def);
}

int TIniFile::readInteger(const QString& section, const QString& key, int def) const {
    return TIniSnapshot(currentBytes()).readInteger(section, key, def);
}

bool TIniFile::readBool(const QString& section, const QString& key, bool def) const {
    return TIniSnapshot(currentBytes()).readBool(section, key, def);
}

// --- snapshot -------------------------------------------------------------------

namespace {

// Section and key names match without regard to case or surrounding blanks.
QString nameKey(const QString& name) {
    return name.trimmed().toCaseFolded();
}

} // namespace

TIniSnapshot::TIniSnapshot(const QByteArray& utf8Bytes) {
    const std::vector<RLine> lines = splitLines(utf8Bytes);
    // Only the first section of a name counts, and in it the first line of
    // a key; later repeats are ignored as the single reads ignore them. A
    // section gets its table with its first key: empty ones cost nothing.
    QSet<QString> seenSections;
    QString section;
    bool reading = false;
    QHash<QString, QString>* current = nullptr;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const QString text = lineText(lines, i);
        if (const auto name = sectionOf(text)) {
            section = nameKey(*name);
            reading = !seenSections.contains(section);
            if (reading) seenSections.insert(section);
            current = nullptr;
            continue;
        }
        if (!reading) continue;
        if (const auto entry = keyOf(text)) {
            if (!current) current = &values_[section];
            const QString k = nameKey(entry->key);
            if (!current->contains(k)) current->insert(k, entry->value);
        }
    }
}

TIniSnapshot TIniSnapshot::fromFile(const QString& fileName) {
    const QString path = TIniFile::resolve(fileName);
    RSettingsBytes read = readAsUtf8(path);
    TIniSnapshot snapshot(read.utf8);
    if (!read.problem.isEmpty())
        snapshot.problem_ = QStringLiteral("cannot read the settings file %1: %2")
                                .arg(QDir::toNativeSeparators(path), read.problem);
    return snapshot;
}

QString SettingsFileProblem(const QString& path) {
    return readAsUtf8(path).problem;
}

std::optional<int> ParseIniInteger(const QString& text) {
    return parseInteger(text);
}

std::optional<QString> TIniSnapshot::rawValue(const QString& section, const QString& key) const {
    const QString* value = find(section, key);
    return value ? std::optional<QString>(*value) : std::nullopt;
}

const QString* TIniSnapshot::find(const QString& section, const QString& key) const {
    const auto s = values_.constFind(nameKey(section));
    if (s == values_.cend()) return nullptr;
    const auto v = s->constFind(nameKey(key));
    return v == s->cend() ? nullptr : &*v;
}

QString TIniSnapshot::readString(const QString& section, const QString& key,
                                 const QString& def) const {
    const QString* value = find(section, key);
    if (!value) return def;
    QString text = value->left(kMaxValueLength);
    if (!text.isEmpty() && text.back().isHighSurrogate()) text.chop(1);
    return text;
}

int TIniSnapshot::readInteger(const QString& section, const QString& key, int def) const {
    const QString* value = find(section, key);
    if (!value) return def;
    return parseInteger(*value).value_or(def);
}

bool TIniSnapshot::readBool(const QString& section, const QString& key, bool def) const {
    return readInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::writeString(const QString& section, const QString& key, const QString& value) {
    checkName(section, QStringLiteral("section"), true);
    checkName(key, QStringLiteral("key"), false);
    // A line break would end the value early and smuggle in a line of its own.
    QString flat = value;
    flat.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    flat.replace(u'\r', u' ').replace(u'\n', u' ');

    std::vector<RLine> lines = splitLines(bytesToRewrite());
    // New lines follow the file's own line ending; a new file gets "\n".
    QByteArray eol = "\n";
    for (const RLine& line : lines)
        if (!line.eol.isEmpty()) {
            eol = line.eol;
            break;
        }
    const QByteArray keyLine = (key.trimmed() + u'=' + flat).toUtf8();
    auto appendLine = [&](std::size_t at, const QByteArray& text) {
        if (at > 0 && lines[at - 1].eol.isEmpty()) lines[at - 1].eol = eol;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), RLine{text, eol});
    };

    const auto span = findSection(lines, section);
    if (!span) {
        appendLine(lines.size(), (u'[' + section.trimmed() + u']').toUtf8());
        appendLine(lines.size(), keyLine);
    } else {
        std::size_t insertAt = span->header + 1;
        bool replaced = false;
        for (std::size_t i = span->header + 1; i < span->end; ++i) {
            const auto entry = keyOf(lineText(lines, i));
            if (!entry) continue;
            if (sameName(entry->key, key)) {
                // Only the value changes: the stored key spelling stays.
                const qsizetype eq = lines[i].text.indexOf('=');
                lines[i].text = lines[i].text.left(eq + 1) + flat.toUtf8();
                replaced = true;
                break;
            }
            insertAt = i + 1;
        }
        if (!replaced) appendLine(insertAt, keyLine);
    }

    QByteArray bytes;
    for (const RLine& line : lines)
        bytes += line.text + line.eol;
    if (pending_) {
        *pending_ = std::move(bytes);
        return;
    }
    commitBytes(bytes);
}

QByteArray TIniFile::currentBytes() const {
    return pending_ ? *pending_ : readAsUtf8(path_).utf8;
}

QByteArray TIniFile::bytesToRewrite() const {
    if (pending_) return *pending_;
    RSettingsBytes read = readAsUtf8(path_);
    // Writing over a file that could not be read would lose what it holds.
    if (!read.problem.isEmpty())
        throw TListoraError(QStringLiteral("Unable to write to %1: %2").arg(path_, read.problem));
    return std::move(read.utf8);
}

void TIniFile::beginBatch() {
    if (!pending_) pending_ = std::make_shared<QByteArray>(bytesToRewrite());
}

void TIniFile::commitBatch() {
    if (!pending_) return;
    const std::shared_ptr<QByteArray> bytes = std::move(pending_);
    pending_.reset();
    commitBytes(*bytes);
}

void TIniFile::cancelBatch() {
    pending_.reset();
}

void TIniFile::commitBytes(const QByteArray& bytes) const {
    // Written beside the old file and renamed over it, so a crash or a
    // full disk leaves either the old file or the new one, never half; a
    // symbolic link in the file's place is refused, not written through.
    TAtomicFile file(path_);
    file.begin();
    // NULs that a file's text held (read from UTF-16, say) would pass for
    // UTF-16 without its mark when read again: the UTF-8 mark says what
    // the file is.
    static const QByteArray utf8Mark("\xEF\xBB\xBF");
    if (bytes.contains('\0') && !bytes.startsWith(utf8Mark)) file.write(utf8Mark);
    file.write(bytes);
    if (failNextCommit) {
        failNextCommit = false;
        file.discard();
        throw TListoraError(QStringLiteral("Unable to write to %1").arg(path_));
    }
    file.commit();
}

void TIniFile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void TIniFile::writeBool(const QString& section, const QString& key, bool value) {
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}
