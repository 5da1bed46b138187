#include "format/ListingSettings.h"

#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "settings/FontRegistry.h"
#include "settings/StoredFont.h"
#include "source/TextDecoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

bool& debugFlag() {
    static bool flag = false;
    return flag;
}

int bracketAreaWidth(const TListingSettings& settings) {
    // At least a unit: both indents at 0 would put the bracket line on the
    // text's left edge.
    return qMax(1, settings.NestedIndent * 6 + settings.InitIndent);
}

namespace {

// Ranges the layout can honour (the margins and line spacing are in the
// header, for the dialogs). Wider values push text off the page, make lines
// overlap or stop advancing, or overflow the layout arithmetic.
constexpr int kMaxTabsToSpaces = 32;
constexpr int kMaxNestedIndent = 32; // canvas units per nesting depth
constexpr int kMaxInitIndent = 64;
constexpr int kMinFontSize = 4; // points
constexpr int kMaxFontSize = 72;
constexpr int kMaxCallersSize = 12;

QString settingKey(const QString& section, const QString& key) {
    return section.toLower() + u'/' + key.toLower();
}

// Typed reads by section and key, in the file's own notations, from one
// reading of the file. Values outside what the layout can honour are noted
// in `problems` and brought into range. With `defaults`, it reads nothing:
// every read yields its default and notes it there.
class TSettingsReader {
public:
    TSettingsReader(const TIniSnapshot& ini, QStringList& problems,
                    QHash<QString, QString>* defaults = nullptr)
        : ini_(ini), problems_(problems), defaults_(defaults) {}

    bool probing() const { return defaults_ != nullptr; }

    QString text(const char* section, const char* key, const QString& def) const {
        if (probing()) return noteDefault(section, key, def);
        return ini_.readString(QLatin1String(section), QLatin1String(key), def);
    }
    int integer(const char* section, const char* key, int def) const {
        if (probing()) return noteDefault(section, key, QString::number(def)).toInt();
        const std::optional<QString> raw =
            ini_.rawValue(QLatin1String(section), QLatin1String(key));
        if (!raw) return def;
        if (const std::optional<int> value = ParseIniInteger(*raw)) return *value;
        report(section, key,
               QStringLiteral("[%1] %2=%3 cannot be read as a whole number; %4 is used")
                   .arg(section, key, *raw)
                   .arg(def));
        return def;
    }
    bool flag(const char* section, const char* key, bool def) const {
        if (probing())
            return noteDefault(section, key, def ? QStringLiteral("1") : QStringLiteral("0")) ==
                   u'1';
        return integer(section, key, def ? 1 : 0) != 0;
    }
    // Only a code page the system can convert from is of use; 65001 (UTF-8)
    // is always read, as every source is tried as UTF-8 first.
    int codePage(const char* section, const char* key, int def) const {
        const int value = integer(section, key, def);
        if (probing() || IsKnownCodePage(value)) return value;
        report(section, key,
               QStringLiteral("[%1] %2=%3 is no code page known here; %4 is used")
                   .arg(section, key)
                   .arg(value)
                   .arg(def));
        return def;
    }
    // A byte setting: values outside 0..255 stop the load.
    std::uint8_t byte(const char* section, const char* key, int def) const {
        const int value = integer(section, key, def);
        if (value < 0 || value > 255)
            throw TListoraError(
                QStringLiteral("Range check error: %1/%2 = %3").arg(section, key).arg(value));
        return static_cast<std::uint8_t>(value);
    }
    int bounded(const char* section, const char* key, int def, int low, int high) const {
        return clamp(section, key, integer(section, key, def), low, high);
    }
    std::uint8_t boundedByte(const char* section, const char* key, int def, int high) const {
        return static_cast<std::uint8_t>(clamp(section, key, byte(section, key, def), 0, high));
    }
    TFont font(const char* section) const {
        TFont font = TRWFont(ini_, QLatin1String(section), QStringLiteral("arial"), 10, 0);
        if (probing()) {
            noteDefault(section, "TName", QStringLiteral("arial"));
            noteDefault(section, "TSize", QStringLiteral("10"));
            return font;
        }
        const int stored = integer(section, "TSize", 10);
        const int size = clamp(section, "TSize", stored, kMinFontSize, kMaxFontSize);
        if (size != stored) font.setSize(size);
        // The font reads these itself; read here only to report what it
        // could not read.
        for (const char* key : {"TypeBold", "TypeItalic", "TypeUnderline", "TypeStrikeout"})
            flag(section, key, false);
        integer(section, "TypeColor", 0);
        return font;
    }

private:
    const QString& noteDefault(const char* section, const char* key, const QString& def) const {
        defaults_->insert(settingKey(QLatin1String(section), QLatin1String(key)), def);
        return def;
    }
    int clamp(const char* section, const char* key, int value, int low, int high) const {
        if (value >= low && value <= high) return value;
        const int used = value < low ? low : high;
        report(section, key,
               QStringLiteral("[%1] %2=%3 is outside %4..%5; %6 is used")
                   .arg(section, key)
                   .arg(value)
                   .arg(low)
                   .arg(high)
                   .arg(used));
        return used;
    }
    // One report per key, though some keys are read twice.
    void report(const char* section, const char* key, const QString& text) const {
        const QString id = settingKey(QLatin1String(section), QLatin1String(key));
        if (reported_.contains(id)) return;
        reported_.insert(id);
        problems_.append(text);
    }

    const TIniSnapshot& ini_;
    QStringList& problems_;
    QHash<QString, QString>* defaults_ = nullptr;
    mutable QSet<QString> reported_;
};

void registerFont(const QString& name, const TFont& font) {
    fontregistry::remove(name);
    fontregistry::add(name, font);
}

} // namespace

void RegisterOptionFonts(const TListingSettings& s) {
    fontregistry::remove(QStringLiteral("CODEBOLD"));
    fontregistry::remove(QStringLiteral("FUNCTIONBOLD"));
    fontregistry::remove(QStringLiteral("LINENUMBER"));
    fontregistry::remove(QStringLiteral("CALLERS"));
    if (s.KeywordEmphasis) {
        TFont bold = s.CodeFont;
        bold.setStyle(s.CodeFont.style() | fsBold);
        registerFont(QStringLiteral("CODEBOLD"), bold);
        bold = s.FunctionFont;
        bold.setStyle(s.FunctionFont.style() | fsBold);
        registerFont(QStringLiteral("FUNCTIONBOLD"), bold);
    }
    if (s.LineNumbers) {
        // The code's face, two points smaller, grey.
        TFont numbers = s.CodeFont;
        numbers.setSize(qMax(1, s.CodeFont.size() - 2));
        numbers.setStyle(0);
        numbers.setColor(0x808080);
        registerFont(QStringLiteral("LINENUMBER"), numbers);
    }
    if (s.Callers) {
        // A note on the code, not code: the comment's face and colour, two
        // points below the code's size but small beside large code, without
        // rules through or under it.
        TFont callers = s.CommentFont;
        callers.setSize(qBound(kMinFontSize, s.CodeFont.size() - 2, kMaxCallersSize));
        callers.setStyle(s.CommentFont.style() & ~(fsUnderline | fsStrikeOut));
        registerFont(QStringLiteral("CALLERS"), callers);
    }
}

static void readSettingsWith(const TSettingsReader& ini, TListingSettings& s) {
    s.HeaderTemplate = ini.text("PAGELAYOUT", "Header", QStringLiteral("%f - %d"));
    s.DebugFlag = ini.flag("general", "DEBUGFLAG", false);
    s.FooterTemplate = ini.text("PAGELAYOUT", "Footer", QStringLiteral("%p"));

    // "All" overrides the six kinds; they are read anyway so that their
    // defaults are known to the dialogs.
    const bool all = ini.flag("BRACKETS", "BracketAll", true);
    s.BracketIf = ini.flag("BRACKETS", "If", true) || all;
    s.BracketIfElse = ini.flag("BRACKETS", "IfElse", true) || all;
    s.BracketSelect = ini.flag("BRACKETS", "Select", true) || all;
    s.BracketFor = ini.flag("BRACKETS", "For", true) || all;
    s.BracketDo = ini.flag("BRACKETS", "Do", true) || all;
    s.BracketWhile = ini.flag("BRACKETS", "While", true) || all;

    s.NestedIndent = ini.boundedByte("brackets", "nestedindent", 3, kMaxNestedIndent);
    s.InitIndent = ini.boundedByte("brackets", "initindent", 2, kMaxInitIndent);
    s.MultiColor = ini.flag("brackets", "multicolor", true);
    s.AnyBracket = s.BracketIf || s.BracketIfElse || s.BracketSelect || s.BracketFor ||
                   s.BracketDo || s.BracketWhile;

    s.TabsToSpaces = ini.bounded("general", "tabstospaces", 3, 0, kMaxTabsToSpaces);
    s.LineGap = ini.bounded("general", "sbl", 3, kMinLineSpacing, kMaxLineSpacing) - 1;
    s.SpecialDraw = ini.flag("general", "specialdraw", false);

    s.NextLineInd = ini.text("general", "nextlineind", QStringLiteral("=>"));
    s.CommentDelimiter = ini.text("general", "comment delimiter", QStringLiteral("*"));
    s.IndentContinuedLines = ini.flag("general", "indentcontinuedlines", true);
    s.InlineIndicator = ini.text("inlinecommands", "indicator", QStringLiteral("///"));
    s.PageNumType = ini.byte("PAGELAYOUT", "PageNumType", 0);
    s.BracketColor = static_cast<TColor>(ini.integer("brackets", "color", 0));
    s.TwoPage = ini.flag("pagelayout", "twopage", true);
    s.ShadeBoxEmulation = ini.flag("general", "shadeboxemulation", false);
    s.ShadeBoxHeight = ini.byte("general", "shadeboxheight", 2);
    s.ShadowFrequency = ini.byte("SHADOWTHRESHOLD", "FREQUENCY", 2);

    s.ShadowEnabled = s.ShadowFrequency > 0 ? ini.flag("SHADOWTHRESHOLD", "ENABLED", true) : false;

    s.TitlePage = ini.flag("reports", "titlepage", false);
    s.TableOfContents = ini.flag("reports", "toc", false);
    s.FunctionIndex = ini.flag("reports", "functionindex", false);
    s.Xref = ini.flag("reports", "xref", false);
    s.ProjectName = ini.text("project info", "project name", QStringLiteral("The Project"));
    s.ProducedBy = ini.text("project info", "produced by", QStringLiteral("Company Name"));
    s.WatermarkText = ini.text("project info", "watermark", QString());
    s.ClientName = ini.text("project info", "client name", QStringLiteral("Client Name"));
    s.FileSep = ini.byte("GENERAL", "FileSep", 2);
    s.FunctionSep = ini.byte("GENERAL", "FunctionSep", 2);
    s.MarginLeft = ini.bounded("margins", "left", 50, kMinMargin, kMaxMargin);
    s.MarginRight = ini.bounded("margins", "right", 50, kMinMargin, kMaxMargin);
    s.MarginTop = ini.bounded("margins", "top", 50, kMinMargin, kMaxMargin);
    s.MarginBottom = ini.bounded("margins", "bottom", 50, kMinMargin, kMaxMargin);
    s.CodePage = ini.codePage("general", "codepage", kDefaultCodePage);
    s.LineNumbers = ini.flag("GENERAL", "LineNumbers", false);
    s.Callers = ini.flag("GENERAL", "Callers", false);
    s.KeywordEmphasis = ini.integer("GENERAL", "KeywordEmphasis", 0) == 1 ? 1 : 0;
    // A paper this version does not know is letter.
    const int paper = ini.integer("PAGELAYOUT", "Paper", 0);
    s.Paper = std::uint8_t(paper >= 0 && paper <= 2 ? paper : 0);
    s.OnePage = !s.TwoPage;

    s.HeaderFont = ini.font("header");
    s.FooterFont = ini.font("footer");
    s.CodeFont = ini.font("code");
    s.FunctionFont = ini.font("functions");
    s.CommentFont = ini.font("comment");
    // Comments keep the code's size so that a line never changes height
    // where its comment starts.
    s.CommentFont.setHeight(s.CodeFont.height());

    bool* const pictures[] = {&s.NLIPicture0, &s.NLIPicture1, &s.NLIPicture2,
                              &s.NLIPicture3, &s.NLIPicture4, &s.NLIPicture5};
    for (int i = 0; i < 6; ++i) {
        const QByteArray key = "NLIPicture" + QByteArray::number(i);
        *pictures[i] = ini.flag("GENERAL", key.constData(), i == 0);
    }
    for (int i = 0; i < 6; ++i)
        if (*pictures[i]) {
            s.NLIIndex = static_cast<std::uint8_t>(i);
            break;
        }
}

void ReadSettings(TListingSettings& s, const TIniSnapshot& file) {
    s.Problems.clear();
    if (!file.problem().isEmpty())
        s.Problems.append(file.problem() + QStringLiteral("; the default settings are used"));
    readSettingsWith(TSettingsReader(file, s.Problems), s);
}

void LoadSettings(TListingSettings& s, const TIniSnapshot& file,
                  const std::function<void(bool)>& applyOrientation) {
    try {
        ReadSettings(s, file);
    } catch (const TListoraError&) {
        debugFlag() = s.DebugFlag;
        throw;
    }
    debugFlag() = s.DebugFlag;
    registerFont(QStringLiteral("COMMENTS"), s.CommentFont);
    registerFont(QStringLiteral("CODE"), s.CodeFont);
    registerFont(QStringLiteral("FUNCTION"), s.FunctionFont);
    RegisterOptionFonts(s);
    if (applyOrientation) applyOrientation(s.TwoPage);
}

void LoadSettings(TListingSettings& s, const std::function<void(bool)>& applyOrientation) {
    LoadSettings(s, TIniSnapshot::fromFile(kSettingsFileName), applyOrientation);
}

QStringList CheckSettingsFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {
            QStringLiteral("Unable to read %1: no such file").arg(QDir::toNativeSeparators(path))};
    // Never opened with a plain open: a pipe there would block.
    if (const QString problem = SettingsFileProblem(path); !problem.isEmpty())
        return {
            QStringLiteral("Unable to read %1: %2").arg(QDir::toNativeSeparators(path), problem)};
    TListingSettings scratch;
    try {
        ReadSettings(scratch, TIniSnapshot::fromFile(info.absoluteFilePath()));
    } catch (const TListoraError& e) {
        return {e.message()};
    }
    return scratch.Problems;
}

std::optional<QString> listingSettingDefault(const QString& section, const QString& key) {
    // The loader itself, run once without a file, says what it falls back
    // to: the defaults live in one place only.
    static const QHash<QString, QString> defaults = [] {
        QHash<QString, QString> found;
        TListingSettings scratch;
        const TIniSnapshot none;
        readSettingsWith(TSettingsReader(none, scratch.Problems, &found), scratch);
        return found;
    }();
    const auto found = defaults.constFind(settingKey(section, key));
    if (found == defaults.cend()) return std::nullopt;
    return *found;
}
