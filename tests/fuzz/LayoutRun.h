#pragma once
// One listing laid out from fuzz input: the settings file's text and the
// source lines. Refusals (TListoraError) are fine; anything else that goes
// wrong is a finding.
#include "FuzzSupport.h"
#include "format/SourceCodePrint.h"
#include "platform/Errors.h"
#include "render/PageCheck.h"
#include "render/PageStorage.h"
#include "source/TextDecoding.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace fuzzsupport {

// Every finished build must give pages that hold up: a finding of the page
// geometry check is a crash, unless LISTORA_FUZZ_PAGE_CHECK=0 turns the
// check off (to fuzz for crashes alone while known findings are open).
inline void checkPages(const TSourceCodePrint& formatter) {
    if (formatter.Pages.PageCount() < 1) std::abort();
    if (qgetenv("LISTORA_FUZZ_PAGE_CHECK") == "0") return;
    const std::vector<TPageFinding> findings = formatter.CheckPages();
    if (findings.empty()) return;
    std::fprintf(stderr, "page check: %s\n",
                 FormatFinding(findings.front()).toLocal8Bit().constData());
    std::abort();
}

inline void layOut(const QByteArray& settings, const QStringList& lines) {
    useSettings(settings);
    TSourceCodePrint formatter;
    try {
        formatter.LoadSettings();
        formatter.SetPageDefaults(TFont(QStringLiteral("Arial"), 10), TPen{},
                                  TBrush{clWhite, TBrushStyle::Solid});
        formatter.CurrentFileName = QStringLiteral("Fuzz.bas");
        formatter.CurrentProcName = QStringLiteral("Fuzz");
        formatter.BuildFromLines(lines, nullptr);
    } catch (const TListoraError&) {
        return;
    }
    checkPages(formatter);
}

} // namespace fuzzsupport
