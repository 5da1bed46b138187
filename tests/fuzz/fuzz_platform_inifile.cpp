// Any file content, then one write: the written value reads back, and every
// key that was readable before (and is not the one written) is unchanged.
#include "platform/Errors.h"
#include "platform/IniFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

QString expectedRead(QString value) {
    value.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    value.replace(u'\r', u' ').replace(u'\n', u' ');
    value = value.trimmed().left(1023);
    if (!value.isEmpty() && value.back().isHighSurrogate()) value.chop(1);
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.path() + "/fuzz.ini";

    // Layout: section '\0' key '\0' value '\0' file content.
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QList<QByteArray> parts = input.split('\0');
    if (parts.size() < 4) return 0;
    const QString section = QString::fromUtf8(parts[0]);
    const QString key = QString::fromUtf8(parts[1]);
    const QString value = QString::fromUtf8(parts[2]);
    const QByteArray content = input.mid(parts[0].size() + parts[1].size() + parts[2].size() + 3);

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) abort();
    file.write(content);
    file.close();

    TIniFile ini(path);
    const QString probeSection = QStringLiteral("probe");
    const QString probeBefore = ini.readString(probeSection, QStringLiteral("k"), "<none>");
    (void)ini.readInteger(section, key, 0);
    try {
        ini.writeString(section, key, value);
    } catch (const TListoraError&) {
        return 0; // a name the file cannot hold
    }
    if (ini.readString(section, key, "<none>") != expectedRead(value)) abort();
    const bool sameEntry = section.trimmed().compare(probeSection, Qt::CaseInsensitive) == 0 &&
                           key.trimmed().compare("k", Qt::CaseInsensitive) == 0;
    if (!sameEntry && ini.readString(probeSection, QStringLiteral("k"), "<none>") != probeBefore)
        abort();
    return 0;
}
