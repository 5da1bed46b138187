#pragma once
// The formatter's settings record and its loader: every user choice that
// shapes a listing, read from the settings file.
#include "platform/Colour.h"
#include "platform/Font.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

// Set from the "DEBUGFLAG" key by each settings load: the build then writes
// its diagnostic dump files.
bool& debugFlag();

// What the loader accepts, and so what the dialogs offer.
// Margins, hundredths of an inch per side: the page frame takes an eighth
// of an inch off every margin, so a smaller one puts the frame off the
// sheet; the most is half the paper's length. Margins that together leave
// no text area are refused when the page is laid out.
inline constexpr int kMinMargin = 13;
inline constexpr int kMaxMargin = 550;
// "sbl", the space between lines: 0 is a line gap of -1 (lines still
// advance past their ink); 96, a gap of one inch.
inline constexpr int kMinLineSpacing = 0;
inline constexpr int kMaxLineSpacing = 96;

struct TListingSettings {
    QString HeaderTemplate;
    bool DebugFlag = false;
    QString FooterTemplate;
    bool BracketIf = false;
    bool BracketIfElse = false;
    bool BracketSelect = false;
    bool BracketFor = false;
    bool BracketDo = false;
    bool BracketWhile = false;
    // Canvas units between the bracket lines of two nesting depths.
    std::uint8_t NestedIndent = 0;
    // Canvas units: offset of the bracket lines.
    std::uint8_t InitIndent = 0;
    bool MultiColor = false;
    // Any of the six bracket kinds on; without it no bracket analysis runs.
    bool AnyBracket = false;
    int TabsToSpaces = 0;
    // Canvas units below every code line (the stored value minus 1).
    int LineGap = 0;
    bool SpecialDraw = false;
    QString NextLineInd;
    QString CommentDelimiter;
    bool IndentContinuedLines = false;
    QString InlineIndicator;
    // 0 "Page", 1 "Window", 2 "None".
    std::uint8_t PageNumType = 0;
    TColor BracketColor = clBlack;
    bool TwoPage = false;
    bool ShadeBoxEmulation = false;
    // Height of one shade band, in code lines.
    std::uint8_t ShadeBoxHeight = 0;
    std::uint8_t ShadowFrequency = 0;
    bool ShadowEnabled = false;
    bool TitlePage = false;
    bool TableOfContents = false;
    bool FunctionIndex = false;
    // The cross-reference of the project's names after the function index.
    bool Xref = false;
    QString ProjectName;
    QString ProducedBy;
    QString WatermarkText;
    QString ClientName;
    // 0 "New Page", 1 "Double Line and Name", 2 "None".
    std::uint8_t FileSep = 0;
    // 0 "New Page (Next Side)", 1 "New Page (Whole Page)", 2 "Divider Line",
    // 3 "None".
    std::uint8_t FunctionSep = 0;
    // Hundredths of an inch.
    int MarginLeft = 0;
    int MarginRight = 0;
    int MarginTop = 0;
    int MarginBottom = 0;
    // Code page of source text that is not valid UTF-8 (Windows code page
    // number, 1252 = Western European).
    int CodePage = 1252;
    // 0: keywords as the rest of the code; 1: in the bold face of the code font.
    std::uint8_t KeywordEmphasis = 0;
    // Each source line's number in a gutter left of the code.
    bool LineNumbers = false;
    // Under each procedure's heading, the procedures of the project that
    // call it, with the pages of their headings.
    bool Callers = false;
    // PAGELAYOUT/Paper: 0 letter (also when absent), 1 A4, 2 legal.
    std::uint8_t Paper = 0;
    bool OnePage = false;
    TFont HeaderFont;
    TFont FooterFont;
    TFont CodeFont;
    TFont FunctionFont;
    TFont CommentFont;
    bool NLIPicture0 = false;
    bool NLIPicture1 = false;
    bool NLIPicture2 = false;
    bool NLIPicture3 = false;
    bool NLIPicture4 = false;
    bool NLIPicture5 = false;
    // 0: the text indicator NextLineInd; 1..5: indicator picture NLIIndex - 1.
    std::uint8_t NLIIndex = 0;
    // What the last load had to bring into range, one line per value
    // ("[margins] left=-5000 is outside 0..300; 0 is used").
    QStringList Problems;
};

// Width left of the code column reserved for bracket lines, in canvas units.
int bracketAreaWidth(const TListingSettings& settings);

// Registers "CODEBOLD" and "FUNCTIONBOLD" (keyword emphasis), "LINENUMBER"
// (line numbers) and "CALLERS" (callers under the headings) for the options
// that are on, and removes those of options that are off.
void RegisterOptionFonts(const TListingSettings& settings);

class TIniSnapshot;

// Fills settings from the read settings file, touching nothing else. Values
// outside what the layout can honour are brought into range and listed in
// Problems. A byte setting outside 0..255 throws TListoraError; fields read
// before it keep their new values.
void ReadSettings(TListingSettings& settings, const TIniSnapshot& file);

// Reads the settings file "Listora.INI" (once) into settings, sets the
// diagnostic flag and refreshes the named fonts "COMMENTS", "CODE" and
// "FUNCTION"; applyOrientation, when given, is then called with TwoPage.
// Throws as ReadSettings does.
void LoadSettings(TListingSettings& settings,
                  const std::function<void(bool twoPage)>& applyOrientation = {});
// The same from given contents (an empty snapshot gives the defaults).
void LoadSettings(TListingSettings& settings, const TIniSnapshot& file,
                  const std::function<void(bool twoPage)>& applyOrientation = {});

// What is wrong with the settings in the file at path (a saved job's copy,
// before it replaces Listora.INI): an unreadable file, a value that stops a
// load, or values the load would bring into range. Empty when it is sound.
QStringList CheckSettingsFile(const QString& path);

// The value the loader takes for section/key when the settings file holds
// none, as the file would hold it ("1" or "0" for a flag; a font section's
// "TName" and "TSize" too). Section and key are matched without regard to
// case; nothing for a key the formatter does not read.
std::optional<QString> listingSettingDefault(const QString& section, const QString& key);
