#pragma once
// The listing formatter: turns marked source into recorded pages according
// to the settings. One formatter serves one build; the next build gets a
// fresh one, so its page store and layout state start empty.
#include "format/ListingSettings.h"
#include "render/PageStorage.h"

#include <QString>

class TSourceCodePrint {
public:
    TSourceCodePrint() = default;
    TSourceCodePrint(const TSourceCodePrint&) = delete;
    TSourceCodePrint& operator=(const TSourceCodePrint&) = delete;

    // Reads the settings file into Settings, refreshes the named fonts and
    // turns the page store's pages to match the layout. Throws
    // TListoraError for a stored byte setting outside 0..255.
    bool LoadSettings();

    TListingSettings Settings;
    TPageStorage Pages;

    // Layout state, in page units (1/96 inch) unless said otherwise.
    int PageNumber = 0;
    int CurrentX = 0;
    int CurrentY = 0;
    int LeftColumnX = 0;
    int RightColumnX = 0;
    int ColumnWidth = 0;
    int TextTop = 0;
    int TextBottom = 0;
    int CodeLineHeight = 0;
    int LineNumberWidth = 0;
    int BracketAreaWidth = 0;
    QString CurrentFileName;
    QString CurrentProcName;

    // The margins have been converted to page units in this build.
    bool MarginsConverted = false;
    // Set while comment shadow boxes print their lines: no wrap indicator.
    bool SuppressIndicator = false;
};
