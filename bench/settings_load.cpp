// Cost of one settings load (the main window reloads on every activation)
// and of one settings write, on a settings file of realistic size.
//   bench_settings_load [loads] [padding MB]
// The padding (a section of filler keys) shows that a load reads the file
// once: its cost grows with the file's size, not with size times keys.
#include "format/ListingSettings.h"
#include "platform/IniFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("Listora");
    const int loads = argc > 1 ? std::atoi(argv[1]) : 200;
    const int paddingMb = argc > 2 ? std::atoi(argv[2]) : 0;

    // Every key the loader reads, plus the dialogs' and the recent-files
    // keys that a settings file collects over time.
    TIniFile ini;
    const char* fontSections[] = {"header", "footer", "code", "functions", "comment"};
    for (const char* section : fontSections) {
        ini.writeString(section, "TName", "Courier New");
        ini.writeInteger(section, "TSize", 9);
        ini.writeBool(section, "TypeBold", false);
    }
    for (int i = 0; i < 60; ++i)
        ini.writeString("general", QStringLiteral("Key%1").arg(i),
                        QStringLiteral("value %1").arg(i));
    for (int i = 0; i < 40; ++i)
        ini.writeString("MRU", QStringLiteral("File%1").arg(i),
                        QStringLiteral("/home/user/projects/project%1/Project%1.vbp").arg(i));

    if (paddingMb > 0) {
        QFile file(ini.fileName());
        if (!file.open(QIODevice::Append)) return 1;
        file.write("[filler]\n");
        for (qint64 written = 0; written < qint64(paddingMb) << 20;)
            written += file.write(QByteArray("key") + QByteArray::number(written) + "=" +
                                  QByteArray(40, 'x') + "\n");
    }

    QElapsedTimer t;
    t.start();
    TListingSettings settings;
    for (int i = 0; i < loads; ++i)
        LoadSettings(settings);
    const double loadMs = t.nsecsElapsed() / 1e6 / loads;

    t.restart();
    const int writes = 200;
    for (int i = 0; i < writes; ++i)
        ini.writeInteger("general", "tabstospaces", i);
    const double writeMs = t.nsecsElapsed() / 1e6 / writes;

    std::printf("settings load: %.2f ms each (%d loads); write: %.2f ms each (%d writes)\n", loadMs,
                loads, writeMs, writes);
    return 0;
}
