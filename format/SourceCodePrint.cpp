#include "format/SourceCodePrint.h"
#include "format/CallerLines.h"
#include "names/NameModel.h"

#include "platform/IniFile.h"

TSourceCodePrint::TSourceCodePrint(IProgress* progress) : progress_(progress) {}

TSourceCodePrint::~TSourceCodePrint() = default;

bool TSourceCodePrint::LoadSettings() {
    ::LoadSettings(Settings, [this](bool twoPage) {
        BracketAreaWidth = bracketAreaWidth(Settings);
        Pages.SetPaper(TPaper(Settings.Paper));
        Pages.SetPageOrientation(twoPage);
    });
    return true;
}

void TSourceCodePrint::SetPaper(TPaper paper) {
    Settings.Paper = std::uint8_t(paper);
    Pages.SetPaper(paper);
    Pages.SetPageOrientation(Settings.TwoPage);
}

void TSourceCodePrint::LoadDefaultSettings() {
    ::LoadSettings(Settings, TIniSnapshot(), [this](bool twoPage) {
        BracketAreaWidth = bracketAreaWidth(Settings);
        Pages.SetPaper(TPaper(Settings.Paper));
        Pages.SetPageOrientation(twoPage);
    });
}
