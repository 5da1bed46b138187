#pragma once
// One listing laid out from fuzz input: the settings file's text and the
// source lines. Refusals (TListoraError) are fine; anything else that goes
// wrong is a finding.
#include "FuzzSupport.h"
#include "format/SourceCodePrint.h"
#include "platform/Errors.h"
#include "render/PageStorage.h"
#include "source/TextDecoding.h"

#include <cstdlib>

namespace fuzzsupport {

// The pages every finished build must satisfy; the place where a fuller
// page-geometry check (text inside the page, no overlapping lines) is
// called, its findings treated as crashes.
inline void checkPages(TPageStorage& pages) {
    if (pages.PageCount() < 1) std::abort();
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
    checkPages(formatter.Pages);
}

} // namespace fuzzsupport
