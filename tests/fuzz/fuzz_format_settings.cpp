// Any settings file through the settings loader: it either refuses with a
// TListoraError or yields values inside the ranges the layout honours (a
// code page it can convert from included), reports each key at most once,
// and a load from the same bytes gives the same record.
#include "FuzzSupport.h"
#include "format/SourceCodePrint.h"
#include "platform/Errors.h"
#include "source/TextDecoding.h"

#include <QSet>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    fuzzsupport::useSettings(bytes);
    TSourceCodePrint formatter;
    try {
        formatter.LoadSettings();
    } catch (const TListoraError&) {
        return 0;
    }
    const TListingSettings& s = formatter.Settings;
    const bool inRange =
        s.MarginLeft >= 13 && s.MarginLeft <= 550 && s.MarginRight >= 13 && s.MarginRight <= 550 &&
        s.MarginTop >= 13 && s.MarginTop <= 550 && s.MarginBottom >= 13 && s.MarginBottom <= 550 &&
        s.LineGap >= -1 && s.LineGap <= 95 && s.TabsToSpaces >= 0 && s.TabsToSpaces <= 32 &&
        s.NestedIndent <= 32 && s.InitIndent <= 64 && s.CodeFont.size() >= 4 &&
        s.CodeFont.size() <= 72 && s.HeaderFont.size() >= 4 && s.HeaderFont.size() <= 72;
    if (!inRange || !IsKnownCodePage(s.CodePage)) std::abort();
    QSet<QString> reported;
    for (const QString& problem : s.Problems) {
        if (!problem.startsWith(u'[')) continue;
        const QString key = problem.left(problem.indexOf(u'=')).toLower();
        if (reported.contains(key)) std::abort();
        reported.insert(key);
    }

    // The snapshot read and the one-key-at-a-time read agree.
    TListingSettings again;
    ReadSettings(again, TIniSnapshot::fromFile(kSettingsFileName));
    const TIniFile ini;
    if (ini.readString("PAGELAYOUT", "Header", "%f - %d") != s.HeaderTemplate) std::abort();
    if (again.Problems != s.Problems || again.MarginLeft != s.MarginLeft) std::abort();
    return 0;
}
