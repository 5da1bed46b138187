#include "format/SourceCodePrint.h"

#include "platform/IniFile.h"

TSourceCodePrint::TSourceCodePrint(IProgress* progress) : progress_(progress) {}

TSourceCodePrint::~TSourceCodePrint() = default;

bool TSourceCodePrint::LoadSettings() {
    ::LoadSettings(Settings, [this](bool twoPage) {
        BracketAreaWidth = bracketAreaWidth(Settings);
        Pages.SetPageOrientation(twoPage);
    });
    return true;
}

void TSourceCodePrint::LoadDefaultSettings() {
    ::LoadSettings(Settings, TIniSnapshot(), [this](bool twoPage) {
        BracketAreaWidth = bracketAreaWidth(Settings);
        Pages.SetPageOrientation(twoPage);
    });
}
