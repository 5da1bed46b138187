#include "format/SourceCodePrint.h"

bool TSourceCodePrint::LoadSettings() {
    ::LoadSettings(Settings, [this](bool twoPage) {
        BracketAreaWidth = bracketAreaWidth(Settings);
        Pages.SetPageOrientation(twoPage);
    });
    return true;
}
