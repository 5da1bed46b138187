#pragma once
// What the fuzzers share: an off-screen application for fonts, a private
// folder, and input split into parts.
#include "platform/IniFile.h"

#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QList>
#include <QTemporaryDir>

#include <cstdlib>

namespace fuzzsupport {

inline void startApplication(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    static QGuiApplication app(*argc, *argv);
    QGuiApplication::setApplicationName(QStringLiteral("Listora"));
}

inline const QTemporaryDir& folder() {
    static QTemporaryDir dir;
    if (!dir.isValid()) std::abort();
    return dir;
}

inline QString writeFile(const QString& name, const QByteArray& bytes) {
    const QString path = folder().filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    if (file.write(bytes) != bytes.size()) std::abort();
    return path;
}

// The input up to the first NUL, and the rest.
inline QList<QByteArray> splitOnce(const unsigned char* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype nul = input.indexOf('\0');
    if (nul < 0) return {input, QByteArray()};
    return {input.left(nul), input.mid(nul + 1)};
}

// Makes the file at path the settings file "Listora.INI".
inline void useSettings(const QByteArray& bytes) {
    TIniFile::setSettingsFileOverride(writeFile(QStringLiteral("Listora.INI"), bytes));
}

} // namespace fuzzsupport
