// Copying the settings file out (into a project-settings file) and back in.
// Every write goes to a temporary file that is renamed into place, so a
// failure leaves the old file whole.
#include "format/ProjectSettingsFile.h"
#include "format/SourceCodePrint.h"
#include "platform/AtomicFile.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QByteArray readWhole(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TListoraError(QStringLiteral("Unable to open %1: %2")
                                .arg(QDir::toNativeSeparators(path), file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw TListoraError(QStringLiteral("Unable to read %1: %2")
                                .arg(QDir::toNativeSeparators(path), file.errorString()));
    return bytes;
}

// Through the one atomic write path: a symbolic link at the target (the
// user's Listora.INI, say) is refused, never followed.
void writeWhole(const QString& path, const QByteArray& bytes) {
    TAtomicFile file(path);
    file.begin();
    file.write(bytes);
    file.commit();
}

QString settingsPath() {
    return TIniFile(kSettingsFileName).fileName();
}

} // namespace

void TSourceCodePrint::CopySettingsTo(const QString& fileName) {
    writeWhole(fileName, readWhole(settingsPath()));
}

void TSourceCodePrint::RestoreSettingsFrom(const QString& fileName) {
    // Checked first: settings that cannot be loaded must never replace the
    // user's own, or the program would start with them every time.
    const QStringList problems = CheckSettingsFile(fileName);
    if (!problems.isEmpty())
        throw TListoraError(kBadJobSettings + QStringLiteral("\r\n") + problems.join("\r\n"));
    const QByteArray bytes = readWhole(fileName);
    const QString settings = settingsPath();
    const QString backup = QFileInfo(settings).dir().filePath(QStringLiteral("LISTORA.OLD"));
    // The first restore keeps the user's own settings; an existing backup
    // stays as it is.
    if (!QFileInfo::exists(backup) && QFileInfo::exists(settings))
        writeWhole(backup, readWhole(settings));
    writeWhole(settings, bytes);
    LoadSettings();
}
